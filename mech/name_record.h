// NameRecord: what the module keeps behind each gss_name_t it hands out.
//
// A record holds the library's name (a PLVORBIInternalName bound to the
// mechanism) and what reads of that name need, each one the library's
// answer:
//  - the text, the bytes the name holds (what Display hands out), kept when
//    the record is made: the module makes a name of the bytes it was given
//    only when the library says that it holds them exactly as given
//    (orbi_name::KeepsText), so the record copies those bytes and asks
//    nothing more; the anonymous name, whose text is the library's
//    sentinel whatever the bytes, keeps what Display hands out;
//  - the name type, asked (GetNameType) on the first read that needs it;
//  - the layout (NameLayout): whether the name has a database path, and the
//    path and every entry as GetDatabasePath and Read hand them out, in one
//    block with each value's end beside it, asked on the first attribute
//    read. A name that is only imported, exported and released never pays
//    for a layout.
// A name the module made never changes, so an answer holds for the record's
// life. Once it is kept, every read is served from the record, without a
// library call and so without the name's lock, and an entry is found by its
// index in constant time.
//
// The record keeps answers; it works nothing out itself. Where a path or an
// entry starts, what makes a name anonymous, which bytes a text holds: all
// of it is the library's, asked through its public operations.
//
// The text lies in the same block as the record (New and Delete), so a name
// costs the module one allocation besides the library's own.
//
// Thread safety: a record may be read from any number of threads at once.
// The first readers of the type or the layout may each ask the library
// (which takes the name's lock); one answer is kept, published with
// release/acquire ordering, and any other is freed. Releasing a record while
// another thread uses it is the caller's fault, as for every GSS-API name.
#ifndef ORBI_MECH_NAME_RECORD_H_
#define ORBI_MECH_NAME_RECORD_H_

#include <gssapi/gssapi.h>
#include <stddef.h>
#include <stdint.h>

#include <atomic>

#include "orbi_name/internal_name.h"

namespace orbi_mech {

// A name's text: bytes has length bytes and a NUL behind them, as Display
// hands them out.
struct NameText {
  const char* bytes;
  size_t length;
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
  // New makes a record with room for a text of text_length bytes, whose
  // library name holds no text yet; null when no memory could be had.
  // Release it with Delete.
  [[nodiscard]] static NameRecord* New(size_t text_length);
  // Delete releases a record that New made; ignores null.
  static void Delete(NameRecord* record);
  // Deleter lets a std::unique_ptr own a record.
  struct Deleter {
    void operator()(NameRecord* record) const { Delete(record); }
  };

  NameRecord(const NameRecord&) = delete;
  NameRecord& operator=(const NameRecord&) = delete;

  // The library's name. Every call on it takes its lock; the module calls
  // it while it makes the name and to ask for an answer the record does not
  // hold yet.
  PLVORBIInternalName& library_name() { return name_; }

  // KeepText copies the text the library name holds (the bytes it was set
  // from, where KeepsText said that it keeps them as given; or another
  // record's text) into the room New made for it. REQUIRES: bytes holds the
  // text_length bytes New was given (it may be null when that is 0), and no
  // text is kept yet.
  void KeepText(const void* bytes);

  // KeepDisplayedText keeps the text that the library name's Display hands
  // out, for a name whose text is not the bytes it was made from (the
  // anonymous name). Returns the library's status: SUCCESS, or NO_MEMORY
  // with nothing kept. REQUIRES: as KeepText.
  [[nodiscard]] OM_uint32 KeepDisplayedText();

  // Text returns the name's text. REQUIRES: the text is kept.
  [[nodiscard]] NameText Text() const;

  // Type returns the name's type (the OID table's object), asked of the
  // library on the first call. Every reader that asks gets the same object
  // and stores the same pointer.
  [[nodiscard]] gss_OID Type();

  // Layout sets *layout to the name's path and entries. Returns the
  // library's status: SUCCESS, or NO_MEMORY (the first call only) with
  // *layout untouched. The layout lives as long as the record.
  [[nodiscard]] OM_uint32 Layout(const NameLayout** layout);

 private:
  explicit NameRecord(size_t room) : room_(room) {}
  ~NameRecord();

  // The block behind the record that New made for the text and its NUL.
  char* Room() { return reinterpret_cast<char*>(this + 1); }

  PLVORBIInternalName name_;
  const size_t room_;           // bytes of text that Room() holds
  const char* text_ = nullptr;  // Room(), or owned_text_
  size_t text_length_ = 0;
  char* owned_text_ = nullptr;  // a block from Display, or null
  std::atomic<gss_OID> type_{nullptr};
  std::atomic<NameLayout*> layout_{nullptr};
};

}  // namespace orbi_mech

#endif  // ORBI_MECH_NAME_RECORD_H_
