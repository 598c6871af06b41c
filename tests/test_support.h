// Helpers shared by the test suites: the table entries and the anonymous
// text they use, a recording trace sink (the expected trace records are in
// trace_texts.h) and white-box access to the library's records.
#ifndef ORBI_NAME_TESTS_TEST_SUPPORT_H_
#define ORBI_NAME_TESTS_TEST_SUPPORT_H_

#include <stdint.h>
#include <string.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "orbi_name/internal_name.h"
#include "orbi_name/internal_name_set.h"
#include "orbi_name/internal_oid.h"
#include "orbi_services/oid_table.h"
#include "orbi_services/trace.h"
#include "trace_texts.h"

// Table entries the tests use beside the roles the library relies on. Each
// is a table object, so a check that compares pointers sees it as the
// table's.
//
// Name types the library does not take (RFC 2744 user name, 10 content
// octets like the default name type's; RFC 2743 host-based service).
inline constexpr int kUserNameTypeIndex = kORBIUserNameTypeIndex;
inline constexpr int kHostBasedServiceTypeIndex =
    kORBIHostBasedServiceNameTypeIndex;
// A reserved entry: an OID with no role at all, for an output that a call
// must overwrite or leave alone, or an input that matches no role.
inline constexpr int kReservedEntryIndex = kORBIFirstReservedIndex + 22;
static_assert(ORBIOIDRoleOf(kReservedEntryIndex) == nullptr &&
                  kReservedEntryIndex < kORBIOIDTableSize,
              "a reserved entry has no role");

// The text that stands for an anonymous name: Display gives it with the
// anonymous name type, and importing it with that type makes one.
inline constexpr char kAnonymousSentinel[] = "!@#$%&:ORBI-ANONYMOUS:!@#$%&";

// One record as the trace object received it.
struct TraceRecord {
  std::string file;  // "" for a null file
  bool file_null;
  unsigned int line;
  unsigned long level;
  std::string text;
};

// TraceRecorder turns the default trace object on with the given masks for
// its lifetime and records every record; destruction turns tracing off and
// removes the sink. Not for use while other threads run the library.
class TraceRecorder {
 public:
  explicit TraceRecorder(uint32_t component_mask = kTraceComponent,
                         uint32_t level_mask = 0xFFFFFFFFu);
  ~TraceRecorder();
  TraceRecorder(const TraceRecorder&) = delete;
  TraceRecorder& operator=(const TraceRecorder&) = delete;

  // What write returns for the following records (non-zero: written).
  void set_write_result(int result) { write_result_ = result; }
  std::vector<TraceRecord> records() const;
  // Texts of the records at the given level, in order.
  std::vector<std::string> texts(unsigned long level) const;
  void clear();

 private:
  static int Sink(void* context, const char* file, unsigned int line,
                  unsigned long level, const char* text, unsigned int length);
  mutable std::mutex mutex_;
  std::vector<TraceRecord> records_;
  int write_result_ = 1;
};

// White-box access to a name's fields.
struct PLVORBIInternalNamePeer {
  static gss_OID nameType(const PLVORBIInternalName& n) { return n.nameType; }
  static gss_OID mechType(const PLVORBIInternalName& n) { return n.mechType; }
  static uint32_t nameLength(const PLVORBIInternalName& n) {
    return n.nameLength;
  }
  static const char* nameValue(const PLVORBIInternalName& n) {
    return n.nameValue;
  }
  static char separator(const PLVORBIInternalName& n) { return n.separator; }
  static uint32_t tokenId(const PLVORBIInternalName& n) { return n.tokenId; }
  static void setNameType(PLVORBIInternalName& n, gss_OID t) { n.nameType = t; }
  static void setMechType(PLVORBIInternalName& n, gss_OID t) { n.mechType = t; }
};

// White-box access to an OID value's fields.
struct PLVORBIInternalOIDPeer {
  static uint32_t arcCount(const PLVORBIInternalOID& o) { return o.arcCount; }
  static const uint32_t* arcs(const PLVORBIInternalOID& o) { return o.arcs; }
  static std::vector<uint32_t> arcVector(const PLVORBIInternalOID& o) {
    return std::vector<uint32_t>(o.arcs, o.arcs + o.arcCount);
  }
};

// White-box access to a set's first member.
struct PLVORBIInternalNameSetPeer {
  static PLVORBIInternalName* firstMember(const PLVORBIInternalNameSet& s) {
    return s.firstMember;
  }
};

// Input holds a caller's bytes in a block of their size plus one byte (so
// that the value is never null, even for no bytes) and describes them in a
// gss_buffer_desc.
class Input {
 public:
  explicit Input(const std::vector<unsigned char>& bytes)
      : block_(new unsigned char[bytes.size() + 1]) {
    if (!bytes.empty()) memcpy(block_.get(), bytes.data(), bytes.size());
    desc_.length = static_cast<OM_uint32>(bytes.size());
    desc_.value = block_.get();
  }
  explicit Input(const std::string& text)
      : Input(std::vector<unsigned char>(text.begin(), text.end())) {}
  gss_buffer_t get() { return &desc_; }

 private:
  std::unique_ptr<unsigned char[]> block_;
  gss_buffer_desc desc_{};
};

// SetRecord writes a name's record directly: the text through
// ChangeExternalName (nameLength counts the NUL; a null text: Clean, no
// text), then the name type and the mechanism. Reports a failure to the
// running test.
void SetRecord(PLVORBIInternalName& name, const char* text,
               gss_OID type = ORBIGetOID(kORBIDefaultNameTypeIndex),
               gss_OID mech = nullptr);

// BindRecord is SetRecord with the default name type and the mechanism.
void BindRecord(PLVORBIInternalName& name, const char* text);

// TextOf returns a name's text up to its first NUL ("" for no text).
std::string TextOf(const PLVORBIInternalName& name);

// Bytes of a gss_OID as a vector.
std::vector<unsigned char> OidBytes(gss_OID oid);

#endif  // ORBI_NAME_TESTS_TEST_SUPPORT_H_
