// orbi-name: try the name library from a shell.
//
// The program uses the installed interface only (the public headers and the
// service headers they include). Text goes to stdout, errors to stderr; the
// exit status is 0 on success, 1 when the library or the tool refuses an
// input, 2 on a usage error.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "orbi_name/internal_name.h"
#include "orbi_name/internal_name_set.h"
#include "orbi_name/internal_oid.h"
#include "orbi_name/status.h"
#include "orbi_name/version.h"
#include "orbi_services/gss_types.h"
#include "orbi_services/oid_table.h"
#include "orbi_services/trace.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

constexpr const char kProgram[] = "orbi-name";

// Table indices of the OIDs the tool names (orbi_services/oid_table.h).

// --- Small holders for what the library hands out -----------------------

struct FreeDeleter {
  void operator()(void* block) const { free(block); }
};

// A gss_buffer_desc that the library fills; releases the block it received.
class OwnedBuffer {
 public:
  OwnedBuffer() = default;
  ~OwnedBuffer() { free(desc_.value); }
  OwnedBuffer(const OwnedBuffer&) = delete;
  OwnedBuffer& operator=(const OwnedBuffer&) = delete;

  gss_buffer_t get() { return &desc_; }
  const unsigned char* bytes() const {
    return static_cast<const unsigned char*>(desc_.value);
  }
  size_t length() const { return desc_.length; }

 private:
  gss_buffer_desc desc_ = {0, nullptr};
};

// A gss_OID_desc handed out by PLVORBIInternalOID::get.
class OwnedOid {
 public:
  OwnedOid() = default;
  ~OwnedOid() {
    if (oid_ != nullptr) {
      free(oid_->elements);
      free(oid_);
    }
  }
  OwnedOid(const OwnedOid&) = delete;
  OwnedOid& operator=(const OwnedOid&) = delete;

  gss_OID& ref() { return oid_; }
  gss_OID get() const { return oid_; }

 private:
  gss_OID oid_ = nullptr;
};

// --- Text helpers -------------------------------------------------------

const char* StatusName(OM_uint32 status) {
  namespace s = orbi_name::status;
  switch (status) {
    case s::SUCCESS:
      return "SUCCESS";
    case s::NO_MEMORY:
      return "NO_MEMORY";
    case s::NO_MECH:
      return "NO_MECH";
    case s::LABEL_NOT_SET:
      return "LABEL_NOT_SET";
    case s::END_OF_LIST:
      return "END_OF_LIST";
    case s::NO_SUCH_MEMBER:
      return "NO_SUCH_MEMBER";
    case s::NO_ALGORITHM_CODE:
      return "NO_ALGORITHM_CODE";
    case s::BAD_INPUT:
      return "BAD_INPUT";
    case s::INVALID_MECH:
      return "INVALID_MECH";
    case s::MECH_NOT_SUPPORTED:
      return "MECH_NOT_SUPPORTED";
    case s::BAD_NAME_TYPE:
      return "BAD_NAME_TYPE";
    case s::BAD_OID:
      return "BAD_OID";
    default:
      return "unknown status";
  }
}

std::string StatusText(OM_uint32 status) {
  return std::string(StatusName(status)) + " (" + std::to_string(status) + ")";
}

// Escape writes printable ASCII as it is, a backslash as "\\", a line feed as
// "\n" and every other byte as "\xHH", so that the result is one line.
std::string Escape(const unsigned char* bytes, size_t length) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    const unsigned char c = bytes[i];
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c >= 0x20 && c <= 0x7E) {
      out += static_cast<char>(c);
    } else {
      out += "\\x";
      out += kDigits[c >> 4];
      out += kDigits[c & 0x0F];
    }
  }
  return out;
}

std::string Escape(const std::string& text) {
  return Escape(reinterpret_cast<const unsigned char*>(text.data()),
                text.size());
}

// Unescape reads a name text from the command line: "\n" is a line feed,
// "\\" one backslash; any other backslash stands for itself.
std::string Unescape(const char* text) {
  std::string out;
  for (const char* p = text; *p != '\0'; ++p) {
    if (p[0] == '\\' && p[1] == 'n') {
      out += '\n';
      ++p;
    } else if (p[0] == '\\' && p[1] == '\\') {
      out += '\\';
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

std::string Hex(const unsigned char* bytes, size_t length) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(2 * length);
  for (size_t i = 0; i < length; ++i) {
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 0x0F];
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// ParseHex reads pairs of hex digits; blanks between the digits are skipped.
// On failure error says what is wrong and bytes is unspecified.
[[nodiscard]] bool ParseHex(const char* text, std::vector<unsigned char>* bytes,
                            std::string* error) {
  bytes->clear();
  int high = -1;
  for (size_t i = 0; text[i] != '\0'; ++i) {
    const char c = text[i];
    if (c == ' ' || c == '\t' || c == '\n') continue;
    const int digit = HexDigit(c);
    if (digit < 0) {
      *error = "'" + Escape(reinterpret_cast<const unsigned char*>(&c), 1) +
               "' at offset " + std::to_string(i) + " is not a hex digit";
      return false;
    }
    if (high < 0) {
      high = digit;
    } else {
      bytes->push_back(static_cast<unsigned char>(high << 4 | digit));
      high = -1;
    }
  }
  if (high >= 0) {
    *error = "odd number of hex digits";
    return false;
  }
  return true;
}

// The most bytes inspect reads from standard input: far more than any name
// token a shell user handles, and a bound on memory for an endless input.
constexpr size_t kMaxStdinToken = size_t{64} << 20;

// ReadAll reads in to its end, at most limit bytes; too_long tells whether
// more were there.
[[nodiscard]] bool ReadAll(FILE* in, size_t limit,
                           std::vector<unsigned char>* bytes, bool* too_long) {
  unsigned char chunk[4096];
  size_t got;
  *too_long = false;
  while ((got = fread(chunk, 1, sizeof chunk, in)) > 0) {
    if (got > limit - bytes->size()) {
      *too_long = true;
      return true;
    }
    bytes->insert(bytes->end(), chunk, chunk + got);
  }
  return ferror(in) == 0;
}

void PrintField(const char* label, const std::string& value) {
  printf("%-15s%s\n", label, value.c_str());
}

// --- OID descriptions ---------------------------------------------------

// TableIndex returns the index of the OID table entry with the same value as
// oid, or -1.
int TableIndex(gss_OID oid) {
  for (int i = 0; i < kORBIOIDTableSize; ++i) {
    if (PLVORBIInternalOID::OIDChecker(oid, ORBIGetOID(i)) != 0) return i;
  }
  return -1;
}

std::string TableRole(int index) {
  switch (index) {
    case 0:
      return "exported name type";
    case 1:
      return "default name type";
    case 2:
      return "user name type";
    case 3:
      return "machine uid name type";
    case 4:
      return "string uid name type";
    case 5:
      return "host-based service name type";
    case 6:
      return "anonymous name type";
    case 7:
      return "the library's mechanism";
    case 17:
      return "RC4";
    case 18:
      return "DES-EDE3-CBC";
    case 19:
      return "DES-CBC";
    default:
      return "reserved entry " + std::to_string(index);
  }
}

// DottedForm turns the text form "{1 2 840}" into "1.2.840".
std::string DottedForm(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '{' || c == '}') continue;
    out += c == ' ' ? '.' : c;
  }
  return out;
}

// TextForm gives the text form of value; false when no memory could be had.
[[nodiscard]] bool TextForm(const PLVORBIInternalOID& value,
                            std::string* text) {
  char* raw = nullptr;
  if (value.get(raw) != orbi_name::status::SUCCESS || raw == nullptr) {
    return false;
  }
  std::unique_ptr<char, FreeDeleter> holder(raw);
  *text = raw;
  return true;
}

// DescribeOid gives "{1 2 3} = 1.2.3 (role)" for DER content octets, or an
// explanation when they do not decode. decodes tells which.
std::string DescribeOid(gss_OID oid, bool* decodes) {
  PLVORBIInternalOID value;
  std::string text;
  *decodes = false;
  if (oid == nullptr) return "none";
  const OM_uint32 status = value.set(oid);
  if (status != orbi_name::status::SUCCESS) {
    if (oid->length == 0) {
      return "no bytes: an empty OID does not decode: " + StatusText(status);
    }
    return "bytes " +
           Hex(static_cast<const unsigned char*>(oid->elements), oid->length) +
           " do not decode: " + StatusText(status);
  }
  if (!TextForm(value, &text)) return "(no memory for the text form)";
  *decodes = true;
  std::string out = text + " = " + DottedForm(text);
  const int index = TableIndex(oid);
  out += index < 0 ? " (not in the OID table)" : " (" + TableRole(index) + ")";
  return out;
}

// --- Exported name token ------------------------------------------------

// The fields of an exported name token, pointing into the token's bytes:
//   04 01 | M (2) | mechanism OID (M) | N (4) | name (N) | T (2) | type (T)
// The name type fields may be missing altogether.
struct TokenFields {
  gss_OID_desc mech = {0, nullptr};
  const unsigned char* name = nullptr;
  uint32_t name_length = 0;
  bool has_type = false;
  gss_OID_desc type = {0, nullptr};
};

// ParseToken splits token into its fields. On failure error names the field
// that is wrong.
[[nodiscard]] bool ParseToken(const std::vector<unsigned char>& token,
                              TokenFields* fields, std::string* error) {
  const unsigned char* p = token.data();
  size_t left = token.size();
  // Take returns the next count bytes, or null when the token is shorter.
  auto take = [&](size_t count) -> const unsigned char* {
    if (left < count) return nullptr;
    const unsigned char* at = p;
    p += count;
    left -= count;
    return at;
  };
  auto offset = [&]() { return std::to_string(token.size() - left); };

  const unsigned char* id = take(2);
  if (id == nullptr) {
    *error = "token identifier: the token has " + std::to_string(token.size()) +
             " bytes, the identifier needs 2";
    return false;
  }
  if (id[0] != 0x04 || id[1] != 0x01) {
    *error = "token identifier: 0401 expected, found " + Hex(id, 2);
    return false;
  }
  const std::string mech_length_at = offset();
  const unsigned char* m = take(2);
  if (m == nullptr) {
    *error = "mechanism OID length: the token ends at offset " +
             mech_length_at + ", inside the 2-byte field";
    return false;
  }
  const uint32_t mech_length = static_cast<uint32_t>(m[0]) << 8 | m[1];
  const unsigned char* mech = take(mech_length);
  if (mech == nullptr) {
    *error = "mechanism OID: the length field gives " +
             std::to_string(mech_length) + " bytes, " + std::to_string(left) +
             " are left";
    return false;
  }
  const std::string name_length_at = offset();
  const unsigned char* n = take(4);
  if (n == nullptr) {
    *error = "name length: the token ends at offset " + name_length_at +
             ", inside the 4-byte field";
    return false;
  }
  const uint32_t name_length = static_cast<uint32_t>(n[0]) << 24 |
                               static_cast<uint32_t>(n[1]) << 16 |
                               static_cast<uint32_t>(n[2]) << 8 | n[3];
  const unsigned char* name = take(name_length);
  if (name == nullptr) {
    *error = "name: the length field gives " + std::to_string(name_length) +
             " bytes, " + std::to_string(left) + " are left";
    return false;
  }
  fields->mech = {mech_length,
                  const_cast<void*>(static_cast<const void*>(mech))};
  fields->name = name;
  fields->name_length = name_length;
  fields->has_type = false;
  if (left == 0) return true;

  const std::string type_length_at = offset();
  const unsigned char* t = take(2);
  if (t == nullptr) {
    *error = "name type OID length: the token ends at offset " +
             type_length_at + ", inside the 2-byte field";
    return false;
  }
  const uint32_t type_length = static_cast<uint32_t>(t[0]) << 8 | t[1];
  const unsigned char* type = take(type_length);
  if (type == nullptr) {
    *error = "name type OID: the length field gives " +
             std::to_string(type_length) + " bytes, " + std::to_string(left) +
             " are left";
    return false;
  }
  if (left != 0) {
    *error = "name type OID: " + std::to_string(left) +
             " bytes follow the end of the token";
    return false;
  }
  fields->has_type = true;
  fields->type = {type_length,
                  const_cast<void*>(static_cast<const void*>(type))};
  return true;
}

// --- Tracing ------------------------------------------------------------

// TraceToStderr writes one record per line: its kind, the source position for
// entry and level-1 records, and the text.
int TraceToStderr(void* /*context*/, const char* file, unsigned int line,
                  unsigned long level, const char* text, unsigned int length) {
  std::string kind;
  if (level == 0x80000000ul) {
    kind = "entry";
  } else if (level == 0x40000000ul) {
    kind = "exit";
  } else if (level == 1) {
    kind = "level1";
  } else {
    kind = "level " + std::to_string(level);
  }
  std::string where;
  if (file != nullptr) where = std::string(file) + ":" + std::to_string(line);
  const std::string what =
      text == nullptr
          ? std::string()
          : Escape(reinterpret_cast<const unsigned char*>(text), length);
  fprintf(stderr, "trace %s%s%s %s\n", kind.c_str(), where.empty() ? "" : " ",
          where.c_str(), what.c_str());
  return 1;
}

void TurnTracingOn() {
  PLVTrace* trace = PLVTrace::s_defaultTracePtr;
  if (trace == nullptr) return;
  trace->SetSink(&TraceToStderr, nullptr);
  trace->componentMask = 0xFFFFFFFFu;
  trace->levelMask = 0xFFFFFFFFu;
  trace->on = 1;
}

// --- Errors -------------------------------------------------------------

int Refuse(const char* command, const std::string& message) {
  fprintf(stderr, "%s: %s: %s\n", kProgram, command, message.c_str());
  return kExitRefused;
}

// --- Names --------------------------------------------------------------

// ImportAndCanonicalize fills name from text with the default name type and
// binds it to the library's mechanism. Returns false after reporting.
[[nodiscard]] bool ImportAndCanonicalize(const char* command,
                                         const std::string& text,
                                         PLVORBIInternalName* name) {
  if (text.size() > UINT32_MAX) {
    Refuse(command, "the name is longer than 4294967295 bytes");
    return false;
  }
  gss_buffer_desc input = {static_cast<OM_uint32>(text.size()),
                           const_cast<char*>(text.data())};
  OM_uint32 status = name->Set(static_cast<gss_OID>(nullptr), &input);
  if (status != orbi_name::status::SUCCESS) {
    Refuse(command, "Set refuses the name: " + StatusText(status));
    return false;
  }
  status = name->CanonicalizeName(ORBIGetOID(kORBIMechanismIndex));
  if (status != orbi_name::status::SUCCESS) {
    Refuse(command, "CanonicalizeName refuses the name: " + StatusText(status));
    return false;
  }
  return true;
}

[[nodiscard]] bool ExportToken(const char* command, PLVORBIInternalName* name,
                               std::vector<unsigned char>* token) {
  OwnedBuffer buffer;
  const OM_uint32 status = name->Export(buffer.get());
  if (status != orbi_name::status::SUCCESS) {
    Refuse(command, "Export refuses the name: " + StatusText(status));
    return false;
  }
  token->assign(buffer.bytes(), buffer.bytes() + buffer.length());
  return true;
}

// DisplayText gives the name's text, escaped; false after reporting.
[[nodiscard]] bool DisplayText(const char* command, PLVORBIInternalName* name,
                               std::string* text, gss_OID* type) {
  OwnedBuffer buffer;
  const OM_uint32 status = name->Display(buffer.get(), type);
  if (status != orbi_name::status::SUCCESS) {
    Refuse(command, "Display fails: " + StatusText(status));
    return false;
  }
  *text = Escape(buffer.bytes(), buffer.length());
  return true;
}

// --- Subcommands --------------------------------------------------------

struct Args {
  std::vector<const char*> positional;
  bool raw = false;
};

int RunShow(const Args& args) {
  const char* kCommand = "show";
  PLVORBIInternalName name;
  if (!ImportAndCanonicalize(kCommand, Unescape(args.positional[0]), &name)) {
    return kExitRefused;
  }
  std::string text;
  gss_OID type = nullptr;
  if (!DisplayText(kCommand, &name, &text, &type)) return kExitRefused;
  std::vector<unsigned char> token;
  if (!ExportToken(kCommand, &name, &token)) return kExitRefused;
  TokenFields fields;
  std::string error;
  if (!ParseToken(token, &fields, &error)) {
    return Refuse(kCommand, "the exported token does not read back: " + error);
  }
  bool decodes = false;
  PrintField("name:", text);
  PrintField("name type:", DescribeOid(type, &decodes));
  PrintField("mechanism:", DescribeOid(&fields.mech, &decodes));
  PrintField("token:", Hex(token.data(), token.size()));
  return kExitOk;
}

int RunExport(const Args& args) {
  const char* kCommand = "export";
  PLVORBIInternalName name;
  if (!ImportAndCanonicalize(kCommand, Unescape(args.positional[0]), &name)) {
    return kExitRefused;
  }
  std::vector<unsigned char> token;
  if (!ExportToken(kCommand, &name, &token)) return kExitRefused;
  if (args.raw) {
    fwrite(token.data(), 1, token.size(), stdout);
  } else {
    printf("%s\n", Hex(token.data(), token.size()).c_str());
  }
  return kExitOk;
}

int RunInspect(const Args& args) {
  const char* kCommand = "inspect";
  std::vector<unsigned char> token;
  const char* source = args.positional.empty() ? "-" : args.positional[0];
  if (strcmp(source, "-") == 0) {
    bool too_long = false;
    if (!ReadAll(stdin, kMaxStdinToken, &token, &too_long)) {
      return Refuse(kCommand, "cannot read the token from standard input");
    }
    if (too_long) {
      return Refuse(kCommand, "token: more than " +
                                  std::to_string(kMaxStdinToken) +
                                  " bytes on standard input");
    }
  } else {
    std::string error;
    if (!ParseHex(source, &token, &error)) {
      return Refuse(kCommand, "HEX: " + error);
    }
  }
  if (token.size() > UINT32_MAX) {
    return Refuse(kCommand, "token: longer than 4294967295 bytes");
  }

  TokenFields fields;
  std::string error;
  if (!ParseToken(token, &fields, &error)) return Refuse(kCommand, error);

  bool decodes = false;
  PrintField("identifier:", "0401 (exported name)");
  const std::string mech = DescribeOid(&fields.mech, &decodes);
  if (!decodes) {
    PrintField("mechanism:", mech);
    return Refuse(kCommand, "mechanism OID: " + mech);
  }
  PrintField("mechanism:", TableIndex(&fields.mech) == kORBIMechanismIndex
                               ? mech
                               : mech + ", not the library's mechanism");
  PrintField("name length:", std::to_string(fields.name_length));
  PrintField("name:", Escape(fields.name, fields.name_length));
  if (fields.has_type) {
    const std::string type = DescribeOid(&fields.type, &decodes);
    PrintField("name type:", type);
    if (!decodes) return Refuse(kCommand, "name type OID: " + type);
  } else {
    PrintField("name type:", "none (the token ends after the name)");
  }

  // The library has the last word: import the token as an exported name.
  PLVORBIInternalName name;
  gss_buffer_desc input = {static_cast<OM_uint32>(token.size()), token.data()};
  const OM_uint32 status =
      name.Set(ORBIGetOID(kORBIExportedNameTypeIndex), &input);
  if (status == orbi_name::status::MECH_NOT_SUPPORTED) {
    return Refuse(kCommand, "mechanism OID: not the library's mechanism: " +
                                StatusText(status));
  }
  if (status == orbi_name::status::INVALID_MECH) {
    return Refuse(kCommand, "mechanism OID: the library cannot read it: " +
                                StatusText(status));
  }
  if (status == orbi_name::status::BAD_NAME_TYPE && fields.has_type &&
      TableIndex(&fields.type) < 0) {
    return Refuse(kCommand,
                  "name type OID: not in the OID table: " + StatusText(status));
  }
  if (status != orbi_name::status::SUCCESS) {
    return Refuse(kCommand,
                  "the library refuses the token: " + StatusText(status));
  }
  PrintField("import:", "accepted");
  return kExitOk;
}

int RunExpand(const Args& args) {
  const char* kCommand = "expand";
  const std::string text = Unescape(args.positional[0]);
  if (text.size() > UINT32_MAX) {
    return Refuse(kCommand, "the name is longer than 4294967295 bytes");
  }
  PLVORBIInternalName name;
  gss_buffer_desc input = {static_cast<OM_uint32>(text.size()),
                           const_cast<char*>(text.data())};
  OM_uint32 status = name.Set(static_cast<gss_OID>(nullptr), &input);
  if (status != orbi_name::status::SUCCESS) {
    return Refuse(kCommand, "Set refuses the name: " + StatusText(status));
  }

  {
    OwnedBuffer path;
    status = name.GetDatabasePath(path.get());
    if (status == orbi_name::status::BAD_INPUT) {
      return Refuse(kCommand,
                    "the name has no database path (its text is empty or "
                    "starts with a line feed)");
    }
    if (status != orbi_name::status::SUCCESS) {
      return Refuse(kCommand, "GetDatabasePath fails: " + StatusText(status));
    }
    // The length counts the zero byte behind the path.
    PrintField("database path:",
               Escape(path.bytes(), path.length() > 0 ? path.length() - 1 : 0));
  }

  unsigned long cursor = 0;
  int count = 0;
  for (;;) {
    OwnedBuffer entry;
    status = name.Read(entry.get(), cursor);
    if (status != orbi_name::status::SUCCESS) break;
    ++count;
    const std::string label = "entry " + std::to_string(count) + ":";
    PrintField(
        label.c_str(),
        Escape(entry.bytes(), entry.length() > 0 ? entry.length() - 1 : 0));
  }
  if (status != orbi_name::status::END_OF_LIST) {
    return Refuse(kCommand, "Read fails: " + StatusText(status));
  }
  if (count == 0) PrintField("entries:", "none");

  PLVORBIInternalName* chain = name.CopyExpandedName();
  if (chain == nullptr) {
    return Refuse(kCommand, "CopyExpandedName fails: no memory");
  }
  // The set adopts the chain and releases it below.
  PLVORBIInternalNameSet expanded(chain);
  int index = 0;
  int result = kExitOk;
  for (PLVORBIInternalName* member = expanded.GetMember(nullptr);
       member != nullptr; member = expanded.GetMember(member)) {
    std::string shown;
    gss_OID type = nullptr;
    if (!DisplayText(kCommand, member, &shown, &type)) {
      result = kExitRefused;
      break;
    }
    ++index;
    const std::string label = "expanded " + std::to_string(index) + ":";
    PrintField(label.c_str(), shown);
  }
  expanded.RemoveAllMembers();
  return result;
}

int RunOid(const Args& args) {
  const char* kCommand = "oid";
  const char* input = args.positional[0];
  PLVORBIInternalOID value;
  OM_uint32 status;
  if (input[0] == '{' || strchr(input, '.') != nullptr) {
    status = value.set(input);
    if (status != orbi_name::status::SUCCESS) {
      return Refuse(kCommand,
                    "'" + Escape(std::string(input)) +
                        "' is not an OID text: " + StatusText(status));
    }
  } else {
    std::vector<unsigned char> bytes;
    std::string error;
    if (!ParseHex(input, &bytes, &error)) {
      return Refuse(
          kCommand,
          "not a dotted OID, an OID text in braces or hex DER: " + error);
    }
    if (bytes.empty()) return Refuse(kCommand, "no DER bytes given");
    if (bytes.size() > UINT32_MAX) {
      return Refuse(kCommand, "longer than 4294967295 bytes");
    }
    gss_OID_desc der = {static_cast<OM_uint32>(bytes.size()), bytes.data()};
    status = value.set(&der);
    if (status != orbi_name::status::SUCCESS) {
      return Refuse(kCommand,
                    "the DER bytes do not decode: " + StatusText(status));
    }
  }

  std::string text;
  if (!TextForm(value, &text)) {
    return Refuse(kCommand, "no memory for the text form");
  }
  PrintField("text:", text);
  PrintField("dotted:", DottedForm(text));
  OwnedOid der;
  status = value.get(der.ref());
  if (status != orbi_name::status::SUCCESS) {
    return Refuse(kCommand,
                  "the arcs have no DER encoding: " + StatusText(status));
  }
  PrintField("der:", Hex(static_cast<const unsigned char*>(der.get()->elements),
                         der.get()->length));
  unsigned int code = 0;
  status = PLVORBIInternalOID::ConvertFromOIDToTS(der.get(), &code);
  PrintField("algorithm:", status == orbi_name::status::SUCCESS
                               ? std::to_string(code)
                               : std::string("none"));
  const int index = TableIndex(der.get());
  PrintField("OID table:", index < 0 ? std::string("not held")
                                     : "entry " + std::to_string(index) + " (" +
                                           TableRole(index) + ")");
  return kExitOk;
}

// --- Command line -------------------------------------------------------

struct Command {
  const char* name;
  int (*run)(const Args&);
  size_t min_args;
  size_t max_args;
  bool takes_raw;
  const char* usage;
  const char* help;
};

const Command kCommands[] = {
    {"show", &RunShow, 1, 1, false, "show [--trace] TEXT",
     "Imports TEXT with the default name type, binds it to the library's\n"
     "mechanism and prints the displayed name, the name type and mechanism\n"
     "OIDs and the exported name token in hex. In TEXT, \\n stands for a\n"
     "line feed and \\\\ for a backslash.\n"},
    {"export", &RunExport, 1, 1, true, "export [--trace] [--raw] TEXT",
     "Imports and canonicalizes TEXT as show does and writes the exported\n"
     "name token: hex and a line feed, or with --raw the token's bytes.\n"},
    {"inspect", &RunInspect, 0, 1, false, "inspect [--trace] [HEX | -]",
     "Reads an exported name token, from HEX (blanks allowed) or, for - or\n"
     "no argument, as raw bytes from standard input, and prints its fields:\n"
     "identifier, mechanism OID, name length, name (escaped) and name type\n"
     "OID. Then the library imports the token as an exported name. A token\n"
     "that does not read gets a message naming the wrong field and exit 1.\n"},
    {"expand", &RunExpand, 1, 1, false, "expand [--trace] TEXT",
     "Imports TEXT, whose first line is a database path and each further\n"
     "line an entry (\\n stands for a line feed), and prints the database\n"
     "path, each entry and the expanded names, one per entry.\n"},
    {"oid", &RunOid, 1, 1, false, "oid [--trace] TEXT|HEX",
     "Reads an OID as dotted text (1.2.840.113549), as text in braces\n"
     "(\"{1 2 840 113549}\") or as hex DER content octets (2a864886f70d)\n"
     "and prints all three forms, the algorithm code it maps to (or none)\n"
     "and the OID table entry that holds it.\n"},
};

void PrintUsage(FILE* out) {
  fprintf(out, "usage: %s [--trace] COMMAND [ARGS]\n", kProgram);
  fprintf(out, "       %s --help | --version\n\ncommands:\n", kProgram);
  for (const Command& command : kCommands) {
    fprintf(out, "  %s %s\n", kProgram, command.usage);
  }
  fprintf(out,
          "\n--trace writes the library's trace records to stderr, one per "
          "line.\n"
          "COMMAND --help describes a command. Exit status: 0 success, 1 "
          "input\nrefused, 2 usage error.\n");
}

int UsageError(const std::string& message) {
  fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
  fprintf(stderr, "Try '%s --help'.\n", kProgram);
  return kExitUsage;
}

int PrintVersion() {
  // The version is the ProductVersion line of the library's own data.
  static const char kKey[] = "@(#)ProductVersion: ";
  const char* line = strstr(plvorbiname_SCCSInfo, kKey);
  std::string version = "unknown";
  if (line != nullptr) {
    line += sizeof kKey - 1;
    version.assign(line, strcspn(line, "\n"));
  }
  printf("%s %s\n%s\n", kProgram, version.c_str(), plvorbiname_LegalNotice);
  return kExitOk;
}

int Finish(int result) {
  if (fflush(stdout) != 0 || ferror(stdout) != 0) {
    fprintf(stderr, "%s: cannot write to standard output\n", kProgram);
    return kExitRefused;
  }
  return result;
}

int Main(int argc, char** argv) {
  bool trace = false;
  int i = 1;
  for (; i < argc && argv[i][0] == '-'; ++i) {
    const char* arg = argv[i];
    if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) {
      PrintUsage(stdout);
      return kExitOk;
    }
    if (strcmp(arg, "--version") == 0) return PrintVersion();
    if (strcmp(arg, "--trace") == 0) {
      trace = true;
      continue;
    }
    return UsageError(std::string("unknown option '") + arg + "'");
  }
  if (i == argc) return UsageError("no command given");

  const Command* command = nullptr;
  for (const Command& candidate : kCommands) {
    if (strcmp(argv[i], candidate.name) == 0) command = &candidate;
  }
  if (command == nullptr) {
    return UsageError(std::string("unknown command '") + argv[i] + "'");
  }

  Args args;
  bool options_done = false;
  for (++i; i < argc; ++i) {
    const char* arg = argv[i];
    if (!options_done && arg[0] == '-' && arg[1] != '\0') {
      if (strcmp(arg, "--") == 0) {
        options_done = true;
      } else if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) {
        printf("usage: %s %s\n\n%s", kProgram, command->usage, command->help);
        return kExitOk;
      } else if (strcmp(arg, "--trace") == 0) {
        trace = true;
      } else if (command->takes_raw && strcmp(arg, "--raw") == 0) {
        args.raw = true;
      } else {
        return UsageError(std::string(command->name) + ": unknown option '" +
                          arg + "'");
      }
      continue;
    }
    args.positional.push_back(arg);
  }
  if (args.positional.size() < command->min_args ||
      args.positional.size() > command->max_args) {
    return UsageError(std::string("usage: ") + kProgram + " " + command->usage);
  }

  if (trace) TurnTracingOn();
  return command->run(args);
}

}  // namespace

int main(int argc, char** argv) { return Finish(Main(argc, argv)); }
