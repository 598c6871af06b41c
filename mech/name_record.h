// NameRecord: what the module keeps behind each gss_name_t it hands out.
//
// A record holds the library's name (a PLVORBIInternalName bound to the
// mechanism) and, once a read has needed them, the library's answers about
// it:
//  - the text and the name type as PLVORBIInternalName::Display hands them
//    out (display, compare and both exports read them);
//  - the name's attributes (NameLayout): whether it has a database path, and
//    the path and every entry as GetDatabasePath and Read hand them out, in
//    one block with each value's end beside it.
// A name the module made never changes, so an answer, once asked, holds for
// the record's life. Each is asked on the first call that needs it, not at
// import: a name that is only imported, exported and released never pays
// for its layout, and one that is only imported and released pays for
// neither. From then on every read is served from the record, without a
// library call and so without the name's lock, and an entry is found by its
// index in constant time.
//
// The record keeps answers; it works nothing out itself. Where a path or an
// entry starts, what makes a name anonymous, which bytes a text holds: all
// of it is the library's, asked through its public operations.
//
// Thread safety: a record may be read from any number of threads at once.
// The first readers of an answer may each ask the library (which takes the
// name's lock); exactly one answer is kept, published with release/acquire
// ordering, and the others are freed. Releasing a record while another
// thread uses it is the caller's fault, as for every GSS-API name.
#ifndef ORBI_MECH_NAME_RECORD_H_
#define ORBI_MECH_NAME_RECORD_H_

#include <gssapi/gssapi.h>
#include <stddef.h>
#include <stdint.h>

#include <atomic>

#include "orbi_name/internal_name.h"

namespace orbi_mech {

// The name's text and type, as Display handed them out. bytes has length
// bytes and a NUL behind them.
struct NameText {
  const char* bytes;
  size_t length;
  gss_OID type;
};

// A name's database path and entries, as the library handed them out.
class NameLayout {
 public:
  NameLayout(const NameLayout&) = delete;
  NameLayout& operator=(const NameLayout&) = delete;
  ~NameLayout();

  // has_path is true when the name has a database path as an attribute: the
  // library hands one out and the name is not the anonymous name, whose text
  // only marks it as anonymous.
  bool has_path() const { return has_path_; }
  // The number of entries; 0 without a path (a text that starts with a line
  // feed has entries for the library, but no path to hold them).
  uint32_t entry_count() const { return entry_count_; }
  // The path's bytes, without a NUL. REQUIRES: has_path().
  gss_buffer_desc path() const;
  // The bytes of the entry at index, without a NUL. REQUIRES: index <
  // entry_count().
  gss_buffer_desc entry(uint32_t index) const;

  // Build asks name for its path and entries and hands out a new layout in
  // *layout. anonymous says that name is the anonymous name. Returns the
  // library's status: SUCCESS, or NO_MEMORY with *layout untouched and
  // nothing left behind (any other status is a fault of the module's).
  [[nodiscard]] static OM_uint32 Build(PLVORBIInternalName& name,
                                       bool anonymous, NameLayout** layout);

 private:
  NameLayout() = default;

  bool has_path_ = false;
  uint32_t entry_count_ = 0;
  // The path and each entry in order, each followed by a NUL: the bytes the
  // library handed out. null without a path.
  char* values_ = nullptr;
  // ends_[0] is the index of the path's NUL in values_, ends_[i + 1] that of
  // entry i's; entry i starts one byte behind ends_[i]. null without a path.
  uint32_t* ends_ = nullptr;
};

class NameRecord {
 public:
  NameRecord() = default;
  ~NameRecord();
  NameRecord(const NameRecord&) = delete;
  NameRecord& operator=(const NameRecord&) = delete;

  // The library's name. Every call on it takes its lock; the module calls
  // it while it makes the name and to ask for an answer the record does not
  // hold yet.
  PLVORBIInternalName& library_name() { return name_; }
  const PLVORBIInternalName& library_name() const { return name_; }

  // Text sets *text to the name's text and type. Returns the library's
  // status: SUCCESS, or NO_MEMORY (the first call only) with *text
  // untouched. The bytes live as long as the record.
  [[nodiscard]] OM_uint32 Text(NameText* text);

  // Layout sets *layout to the name's path and entries. Returns the
  // library's status: SUCCESS, or NO_MEMORY (the first call only) with
  // *layout untouched. The layout lives as long as the record.
  [[nodiscard]] OM_uint32 Layout(const NameLayout** layout);

 private:
  PLVORBIInternalName name_;
  // Display's answer. text_ is published last, with release: a reader that
  // sees it with acquire also sees text_length_ and text_type_. A second
  // reader that asked meanwhile stores the same two values, so their relaxed
  // stores never disagree.
  std::atomic<char*> text_{nullptr};
  std::atomic<size_t> text_length_{0};
  std::atomic<gss_OID> text_type_{nullptr};
  std::atomic<NameLayout*> layout_{nullptr};
};

}  // namespace orbi_mech

#endif  // ORBI_MECH_NAME_RECORD_H_
