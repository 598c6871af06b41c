// orbi-name: try the name library from a shell.
//
// The program uses the installed interface only (the public headers and the
// service headers they include). Text goes to stdout, errors to stderr; the
// exit status is 0 on success, 1 when the library or the tool refuses an
// input, 2 on a usage error. A command builds its whole output in memory and
// writes it only when it succeeds, so a failing command writes nothing to
// stdout.
#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "orbi_name/exported_name_token.h"
#include "orbi_name/internal_name.h"
#include "orbi_name/internal_name_set.h"
#include "orbi_name/internal_oid.h"
#include "orbi_name/status.h"
#include "orbi_name/version.h"
#include "orbi_services/asn.h"
#include "orbi_services/gss_types.h"
#include "orbi_services/oid_table.h"
#include "orbi_services/trace.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

constexpr const char kProgram[] = "orbi-name";

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

// --- Lengths of the C structures ----------------------------------------

using BufferLength = decltype(gss_buffer_desc::length);
using OidLength = decltype(gss_OID_desc::length);

// FitsLength tells whether count can be stored in a length field of type
// Length; written so that it compiles without a constant comparison whatever
// the width of the field.
template <typename Length>
[[nodiscard]] bool FitsLength(size_t count) {
  if constexpr (sizeof(Length) < sizeof(size_t)) {
    return count <= static_cast<size_t>(std::numeric_limits<Length>::max());
  } else {
    return true;
  }
}

// MakeBuffer points desc at bytes. Set refuses a null value even for an empty
// name, so an empty input points at a zero byte of its own. False when the
// count does not fit the length field.
[[nodiscard]] bool MakeBuffer(std::vector<unsigned char>* bytes,
                              gss_buffer_desc* desc) {
  static unsigned char empty[1] = {0};
  if (!FitsLength<BufferLength>(bytes->size())) return false;
  desc->length = static_cast<BufferLength>(bytes->size());
  desc->value = bytes->empty() ? empty : bytes->data();
  return true;
}

// --- Text helpers -------------------------------------------------------

std::string StatusText(OM_uint32 status) {
  const char* name = orbi_name::StatusName(status);
  return std::string(name != nullptr ? name : "unknown status") + " (" +
         std::to_string(status) + ")";
}

constexpr char kHexDigits[] = "0123456789abcdef";

// Escape writes printable ASCII as it is, a backslash as "\\", a line feed as
// "\n" and every other byte as "\xHH", so that the result is one line.
std::string Escape(const unsigned char* bytes, size_t length) {
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
      out += kHexDigits[c >> 4];
      out += kHexDigits[c & 0x0F];
    }
  }
  return out;
}

std::string Escape(const std::string& text) {
  return Escape(reinterpret_cast<const unsigned char*>(text.data()),
                text.size());
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Unescape reads a name text from the command line, the inverse of Escape:
// "\n" is a line feed, "\\" one backslash and "\xHH" the byte HH. Any other
// backslash stands for itself, so that texts written without escapes read
// as typed. False, with error set, for
// "\x" without two hex digits behind it.
[[nodiscard]] bool Unescape(const char* text, std::vector<unsigned char>* out,
                            std::string* error) {
  out->clear();
  for (size_t i = 0; text[i] != '\0'; ++i) {
    const char* p = text + i;
    if (p[0] == '\\' && p[1] == 'n') {
      out->push_back('\n');
      ++i;
    } else if (p[0] == '\\' && p[1] == '\\') {
      out->push_back('\\');
      ++i;
    } else if (p[0] == '\\' && p[1] == 'x') {
      // p[2] is checked before p[3] is looked at: a NUL ends the text.
      const int high = HexDigit(p[2]);
      const int low = high < 0 ? -1 : HexDigit(p[3]);
      if (low < 0) {
        *error = "TEXT: the escape at offset " + std::to_string(i) +
                 " is malformed: \\x takes two hex digits (\\x00 to \\xff)";
        return false;
      }
      out->push_back(static_cast<unsigned char>(high << 4 | low));
      i += 3;
    } else {
      out->push_back(static_cast<unsigned char>(*p));
    }
  }
  return true;
}

std::string Hex(const unsigned char* bytes, size_t length) {
  std::string out;
  out.reserve(2 * length);
  for (size_t i = 0; i < length; ++i) {
    out += kHexDigits[bytes[i] >> 4];
    out += kHexDigits[bytes[i] & 0x0F];
  }
  return out;
}

std::string Hex(const std::vector<unsigned char>& bytes) {
  return Hex(bytes.data(), bytes.size());
}

bool IsHexSeparator(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ':';
}

// ParseHex reads pairs of hex digits. Blanks, tabs, line ends and colons may
// stand between pairs, never inside one: "6 9" is refused rather than read as
// 0x69. On failure error says what is wrong and bytes is unspecified.
[[nodiscard]] bool ParseHex(const char* text, size_t length,
                            std::vector<unsigned char>* bytes,
                            std::string* error) {
  bytes->clear();
  int high = -1;
  size_t high_at = 0;
  for (size_t i = 0; i < length; ++i) {
    const char c = text[i];
    if (IsHexSeparator(c)) {
      if (high >= 0) {
        *error = "the hex digit '" + std::string(1, text[high_at]) +
                 "' at offset " + std::to_string(high_at) +
                 " has no partner: blanks and colons go between byte pairs";
        return false;
      }
      continue;
    }
    const int digit = HexDigit(c);
    if (digit < 0) {
      *error = "'" + Escape(reinterpret_cast<const unsigned char*>(&c), 1) +
               "' at offset " + std::to_string(i) + " is not a hex digit";
      return false;
    }
    if (high < 0) {
      high = digit;
      high_at = i;
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

[[nodiscard]] bool ParseHex(const char* text, std::vector<unsigned char>* bytes,
                            std::string* error) {
  return ParseHex(text, strlen(text), bytes, error);
}

// LooksLikeHex decides how bytes from standard input or a file are read:
// only hex digits and separators is hex; anything else is raw bytes. A raw
// token starts with 04 01, which is never a hex digit, so no raw token is
// taken for hex, and input of hex digits alone is never a raw token: an odd
// count of them is refused as hex rather than read as bytes.
bool LooksLikeHex(const std::vector<unsigned char>& bytes) {
  for (unsigned char c : bytes) {
    if (HexDigit(static_cast<char>(c)) < 0 &&
        !IsHexSeparator(static_cast<char>(c))) {
      return false;
    }
  }
  return true;
}

// --- Input --------------------------------------------------------------

// The most bytes read from standard input or a file: far more than any name
// or token a shell user handles, and a bound on memory for an endless input.
constexpr size_t kMaxInput = size_t{64} << 20;

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

// ReadSource reads the whole of path, or standard input for "-", at most
// kMaxInput bytes. what names the input in messages ("TEXT", "token").
[[nodiscard]] bool ReadSource(const char* path, const char* what,
                              std::vector<unsigned char>* bytes,
                              std::string* error) {
  bytes->clear();
  const bool from_stdin = strcmp(path, "-") == 0;
  const std::string where =
      from_stdin ? std::string("standard input") : "'" + Escape(path) + "'";
  FILE* in = stdin;
  std::unique_ptr<FILE, int (*)(FILE*)> file(nullptr, &fclose);
  if (!from_stdin) {
    file.reset(fopen(path, "rb"));
    if (file == nullptr) {
      *error =
          std::string(what) + ": cannot open " + where + ": " + strerror(errno);
      return false;
    }
    in = file.get();
  }
  bool too_long = false;
  if (!ReadAll(in, kMaxInput, bytes, &too_long)) {
    *error = std::string(what) + ": cannot read " + where;
    return false;
  }
  if (too_long) {
    *error = std::string(what) + ": more than " + std::to_string(kMaxInput) +
             " bytes " + (from_stdin ? "on " : "in ") + where;
    return false;
  }
  return true;
}

// --- JSON ---------------------------------------------------------------

// Utf8Length is the length of the well-formed UTF-8 sequence at bytes (2 to
// 4), or 0 when none starts there: no overlong forms, no surrogates, nothing
// above U+10FFFF.
size_t Utf8Length(const unsigned char* bytes, size_t left) {
  auto continuation = [&](size_t i, unsigned char low, unsigned char high) {
    return i < left && bytes[i] >= low && bytes[i] <= high;
  };
  const unsigned char c = bytes[0];
  if (c >= 0xC2 && c <= 0xDF) return continuation(1, 0x80, 0xBF) ? 2 : 0;
  if (c >= 0xE0 && c <= 0xEF) {
    const unsigned char low = c == 0xE0 ? 0xA0 : 0x80;
    const unsigned char high = c == 0xED ? 0x9F : 0xBF;
    return continuation(1, low, high) && continuation(2, 0x80, 0xBF) ? 3 : 0;
  }
  if (c >= 0xF0 && c <= 0xF4) {
    const unsigned char low = c == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = c == 0xF4 ? 0x8F : 0xBF;
    return continuation(1, low, high) && continuation(2, 0x80, 0xBF) &&
                   continuation(3, 0x80, 0xBF)
               ? 4
               : 0;
  }
  return 0;
}

void AppendUnicodeEscape(unsigned int code, std::string* out) {
  *out += "\\u00";
  *out += kHexDigits[(code >> 4) & 0x0F];
  *out += kHexDigits[code & 0x0F];
}

// JsonString writes bytes as a JSON string: well-formed UTF-8 passes as it
// is, quote and backslash are escaped, and control characters (C0, DEL, C1)
// and every byte that is not part of well-formed UTF-8 become \u00XX.
std::string JsonString(const unsigned char* bytes, size_t length) {
  std::string out = "\"";
  for (size_t i = 0; i < length; ++i) {
    const unsigned char c = bytes[i];
    if (c == '"') {
      out += "\\\"";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c < 0x80) {
      // Controls and DEL are escaped; the rest of ASCII stands as it is.
      if (c < 0x20 || c == 0x7F) {
        AppendUnicodeEscape(c, &out);
      } else {
        out += static_cast<char>(c);
      }
    } else if (const size_t n = Utf8Length(bytes + i, length - i); n == 0) {
      AppendUnicodeEscape(c, &out);
    } else if (c == 0xC2 && bytes[i + 1] < 0xA0) {
      AppendUnicodeEscape(bytes[i + 1], &out);  // U+0080 to U+009F
      ++i;
    } else {
      out.append(reinterpret_cast<const char*>(bytes + i), n);
      i += n - 1;
    }
  }
  out += '"';
  return out;
}

std::string JsonString(const std::string& text) {
  return JsonString(reinterpret_cast<const unsigned char*>(text.data()),
                    text.size());
}

// JsonBytes gives a byte string as {"text": ..., "hex": ...}: text for
// reading, hex for the exact bytes.
std::string JsonBytes(const unsigned char* bytes, size_t length) {
  return "{\"text\":" + JsonString(bytes, length) + ",\"hex\":\"" +
         Hex(bytes, length) + "\"}";
}

// JsonObject collects members in the order they are added; each value is
// already JSON.
class JsonObject {
 public:
  void Add(const char* key, const std::string& value) {
    if (!body_.empty()) body_ += ',';
    body_ += JsonString(std::string(key));
    body_ += ':';
    body_ += value;
  }
  // AddAll adds the members of other, in their order.
  void AddAll(const JsonObject& other) {
    if (other.body_.empty()) return;
    if (!body_.empty()) body_ += ',';
    body_ += other.body_;
  }
  std::string Text() const { return "{" + body_ + "}"; }

 private:
  std::string body_;
};

std::string JsonArray(const std::vector<std::string>& values) {
  std::string out = "[";
  for (size_t i = 0; i < values.size(); ++i) {
    if (i > 0) out += ',';
    out += values[i];
  }
  return out + "]";
}

// --- Session: one command's output and errors ---------------------------

// Session gathers a command's output in both forms and writes it only when
// the command succeeds; errors go to stderr at once.
class Session {
 public:
  Session(const char* command, bool json) : command_(command), json_(json) {}

  bool json() const { return json_; }

  // Field adds a line "label value" to the text form and key: json_value to
  // the JSON form.
  void Field(const char* label, const std::string& value, const char* key,
             const std::string& json_value) {
    Line(label, value);
    object_.Add(key, json_value);
  }
  void Line(const char* label, const std::string& value) {
    char padded[32];
    snprintf(padded, sizeof padded, "%-15s", label);
    text_ += padded;
    text_ += value;
    text_ += '\n';
  }
  void Json(const char* key, const std::string& json_value) {
    object_.Add(key, json_value);
  }
  // SetText replaces the text form (export prints a bare token).
  void SetText(std::string text) { text_ = std::move(text); }

  // Refuse reports message and returns kExitRefused. RefuseWithFields also
  // shows the fields gathered so far, on stderr.
  int Refuse(const std::string& message) const {
    return Report(kExitRefused, message, false);
  }
  int RefuseWithFields(const std::string& message) const {
    return Report(kExitRefused, message, true);
  }
  int Usage(const std::string& message) const {
    return Report(kExitUsage, message, false);
  }

  // Write puts the gathered output on stdout: the JSON object with the
  // command's name first, or the text form.
  void Write() const {
    if (json_) {
      JsonObject out;
      out.Add("command", JsonString(std::string(command_)));
      out.AddAll(object_);
      const std::string text = out.Text() + "\n";
      fwrite(text.data(), 1, text.size(), stdout);
    } else {
      fwrite(text_.data(), 1, text_.size(), stdout);
    }
  }

  // ReportError writes an error: "orbi-name: [COMMAND: ]MESSAGE" (usage
  // errors add a pointer to --help), or in JSON mode one object
  // {"command", "error", "exit"[, "fields"]}. command may be null.
  static void ReportError(const char* command, bool json, int exit_code,
                          const std::string& message,
                          const std::string* fields_text,
                          const JsonObject* fields_json) {
    if (json) {
      JsonObject out;
      out.Add("command", command == nullptr ? std::string("null")
                                            : JsonString(std::string(command)));
      out.Add("error", JsonString(message));
      out.Add("exit", std::to_string(exit_code));
      if (fields_json != nullptr) out.Add("fields", fields_json->Text());
      fprintf(stderr, "%s\n", out.Text().c_str());
      return;
    }
    if (fields_text != nullptr) fputs(fields_text->c_str(), stderr);
    if (command == nullptr) {
      fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
    } else {
      fprintf(stderr, "%s: %s: %s\n", kProgram, command, message.c_str());
    }
    if (exit_code == kExitUsage) {
      fprintf(stderr, "Try '%s --help'.\n", kProgram);
    }
  }

 private:
  int Report(int exit_code, const std::string& message, bool fields) const {
    ReportError(command_, json_, exit_code, message, fields ? &text_ : nullptr,
                fields ? &object_ : nullptr);
    return exit_code;
  }

  const char* command_;
  bool json_;
  std::string text_;
  JsonObject object_;
};

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
    case kORBIExportedNameTypeIndex:
      return "exported name type";
    case kORBIDefaultNameTypeIndex:
      return "default name type";
    case 2:
      return "user name type";
    case 3:
      return "machine uid name type";
    case 4:
      return "string uid name type";
    case 5:
      return "host-based service name type";
    case kORBIAnonymousNameTypeIndex:
      return "anonymous name type";
    case kORBIMechanismIndex:
      return "the library's mechanism";
    case kORBIAlgorithm768Index:
      return "RC4";
    case kORBIAlgorithm256Index:
      return "DES-EDE3-CBC";
    case kORBIAlgorithm512Index:
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

// OidInfo is what the tool shows of an OID given as DER content octets.
struct OidInfo {
  bool decodes = false;
  std::string text;     // "{1 2 3}"
  std::string der;      // content octets in hex
  int index = -1;       // OID table entry, or -1
  std::string failure;  // why it does not decode
};

OidInfo DescribeOid(gss_OID oid) {
  OidInfo info;
  if (oid == nullptr) {
    info.failure = "none";
    return info;
  }
  info.der = Hex(static_cast<const unsigned char*>(oid->elements), oid->length);
  PLVORBIInternalOID value;
  const OM_uint32 status = value.set(oid);
  if (status != orbi_name::status::SUCCESS) {
    info.failure =
        oid->length == 0
            ? "no bytes: an empty OID does not decode: " + StatusText(status)
            : "bytes " + info.der + " do not decode: " + StatusText(status);
    return info;
  }
  if (!TextForm(value, &info.text)) {
    info.failure = "no memory for the text form";
    return info;
  }
  info.decodes = true;
  info.index = TableIndex(oid);
  return info;
}

// OidLine gives "{1 2 3} = 1.2.3 (role)", or the failure.
std::string OidLine(const OidInfo& info) {
  if (!info.decodes) return info.failure;
  return info.text + " = " + DottedForm(info.text) +
         (info.index < 0 ? " (not in the OID table)"
                         : " (" + TableRole(info.index) + ")");
}

// OidJson gives {"text", "dotted", "der", "table_entry", "role"}, or null for
// no OID.
std::string OidJson(const OidInfo& info) {
  if (!info.decodes) return "null";
  JsonObject out;
  out.Add("text", JsonString(info.text));
  out.Add("dotted", JsonString(DottedForm(info.text)));
  out.Add("der", JsonString(info.der));
  out.Add("table_entry",
          info.index < 0 ? std::string("null") : std::to_string(info.index));
  out.Add("role", info.index < 0 ? std::string("null")
                                 : JsonString(TableRole(info.index)));
  return out.Text();
}

// --- Why an OID text is refused -----------------------------------------

// The library decides whether a text is an OID; these explain a refusal by
// the same rules (orbi_name/internal_oid.h): a text that starts with '{' is
// arcs divided by single blanks up to a closing '}', any other text arcs
// divided by dots; each arc is a run of decimal digits of value 1 to
// 4294967295. The checks run in the library's order, so the reason given is
// the one the library stopped at.
struct TextDiagnosis {
  std::string reason;
  // Set when the text breaks no rule but the zero arcs: arcs then holds every
  // arc, so the OID can be written as hex content octets instead.
  bool only_zero_arcs = false;
  std::vector<unsigned long> arcs;
};

TextDiagnosis DiagnoseOidText(const std::string& text) {
  constexpr uint64_t kMaxArc = 0xFFFFFFFFu;
  TextDiagnosis result;
  size_t begin = 0;
  size_t end = text.size();
  char separator = '.';
  const char* separator_name = "a dot";
  if (!text.empty() && text[0] == '{') {
    begin = 1;
    separator = ' ';
    separator_name = "a blank";
    if (end == 1 || text[end - 1] != '}') {
      result.reason = "a text that starts with '{' must end with '}'";
      return result;
    }
    --end;
  }
  for (size_t i = begin; i < end; ++i) {
    const char c = text[i];
    if ((c >= '0' && c <= '9') || c == separator) continue;
    result.reason = "'" + Escape(std::string(1, c)) + "' at offset " +
                    std::to_string(i) + " is neither a digit nor " +
                    separator_name;
    return result;
  }
  size_t piece_start = begin;
  size_t arc_number = 1;
  uint64_t value = 0;
  bool too_large = false;
  for (size_t i = begin;; ++i) {
    if (i == end || text[i] == separator) {
      std::string fault;
      if (i == piece_start) {
        fault = "arc " + std::to_string(arc_number) + " is empty (offset " +
                std::to_string(piece_start) + ")";
      } else if (too_large) {
        fault = "arc " + std::to_string(arc_number) + " is above 4294967295";
      } else if (value == 0 && result.reason.empty()) {
        result.reason = "arc " + std::to_string(arc_number) +
                        " is 0, and the text forms take no zero arc";
        result.only_zero_arcs = true;
      }
      if (!fault.empty()) {
        // A zero arc before it is the library's reason; this one only
        // spoils the hex form.
        if (result.reason.empty()) result.reason = fault;
        result.only_zero_arcs = false;
        return result;
      }
      result.arcs.push_back(static_cast<unsigned long>(value));
      if (i == end) break;
      piece_start = i + 1;
      ++arc_number;
      value = 0;
      too_large = false;
      continue;
    }
    if (!too_large) {
      value = value * 10 + static_cast<uint64_t>(text[i] - '0');
      too_large = value > kMaxArc;
    }
  }
  if (result.reason.empty()) {
    // Only the library's bound on the number of arcs is left.
    result.reason = "too many arcs";
  }
  return result;
}

// ZeroArcHex gives the hex content octets of arcs, written by the ASN.1
// service, or "" when they cannot be encoded.
std::string ZeroArcHex(std::vector<unsigned long> arcs) {
  if (!FitsLength<unsigned int>(arcs.size())) return "";
  PLVASNObjectID object;
  if (object.set_value(arcs.data(), static_cast<unsigned int>(arcs.size())) !=
      0) {
    return "";
  }
  PLVASNBuffer buffer;
  if (object.get_value(buffer) != 0 || buffer.data == nullptr) return "";
  return Hex(buffer.data, buffer.length);
}

// EncodingFault explains why the arcs of value have no DER encoding.
std::string EncodingFault(const PLVORBIInternalOID& value, OM_uint32 status) {
  PLVASNObjectID* raw = nullptr;
  if (value.get(raw) != orbi_name::status::SUCCESS || raw == nullptr) {
    return StatusText(status);
  }
  std::unique_ptr<PLVASNObjectID> object(raw);
  unsigned long* arcs = nullptr;
  unsigned int count = 0;
  object->get_value(arcs, count);
  if (count < 2) {
    return "it has " + std::to_string(count) +
           " arc, and an OID needs at least two";
  }
  if (arcs[0] > 2) {
    return "the first arc is " + std::to_string(arcs[0]) +
           ", and it must be at most 2";
  }
  if (arcs[1] >= 40) {
    return "the second arc is " + std::to_string(arcs[1]) +
           ", and under a first arc of 0 or 1 it must be below 40";
  }
  return StatusText(status);
}

// ReadOidText reads text with the library and, on refusal, sets error to the
// reason; hex_hint adds how to give a zero-arc OID in hex.
[[nodiscard]] bool ReadOidText(const char* text, bool hex_hint,
                               PLVORBIInternalOID* value, OwnedOid* der,
                               std::string* error) {
  const std::string quoted = "'" + Escape(std::string(text)) + "'";
  OM_uint32 status = value->set(text);
  if (status == orbi_name::status::NO_MEMORY) {
    *error = quoted + " cannot be read: " + StatusText(status);
    return false;
  }
  if (status != orbi_name::status::SUCCESS) {
    const TextDiagnosis diagnosis = DiagnoseOidText(text);
    *error = quoted + " is not an OID text: " + diagnosis.reason;
    if (diagnosis.only_zero_arcs && hex_hint) {
      const std::string hex = ZeroArcHex(diagnosis.arcs);
      *error += "; give such an OID as hex DER content octets";
      // Content octets that start with 06 would be read as a full encoding.
      if (!hex.empty()) {
        *error += std::string(" (here ") +
                  (hex.compare(0, 2, "06") == 0 ? "--content " : "") + hex +
                  ")";
      }
    }
    return false;
  }
  status = value->get(der->ref());
  if (status != orbi_name::status::SUCCESS) {
    *error =
        quoted + " has no DER encoding: " +
        (status == orbi_name::status::BAD_OID ? EncodingFault(*value, status)
                                              : StatusText(status));
    return false;
  }
  return true;
}

// --- Full DER encoding of an OID ----------------------------------------

// The library reads OIDs as DER content octets; a full encoding, tag 06 and
// length octets in front, is what most tools print. FullEncoding reads that
// header and requires exactly the content octets it announces.
struct FullEncoding {
  size_t header = 0;  // tag and length octets
  size_t length = 0;  // content octets
};

[[nodiscard]] bool ReadFullEncoding(const std::vector<unsigned char>& bytes,
                                    FullEncoding* full, std::string* error) {
  if (bytes.size() < 2) {
    *error = "the length octets are missing";
    return false;
  }
  const unsigned char first = bytes[1];
  size_t length = 0;
  size_t header = 2;
  if (first < 0x80) {
    length = first;
  } else if (first == 0x80) {
    *error = "the length octet 80 is the indefinite form, which DER forbids";
    return false;
  } else {
    const size_t count = first & 0x7F;
    if (count > bytes.size() - 2) {
      *error = "the length octets end early";
      return false;
    }
    if (bytes[2] == 0) {
      *error = "the length octets start with a zero, which DER forbids";
      return false;
    }
    if (count > sizeof(size_t)) {
      *error = "the length is beyond any input";
      return false;
    }
    for (size_t i = 0; i < count; ++i) length = length << 8 | bytes[2 + i];
    header += count;
    if (length < 0x80) {
      *error = "the long form gives " + std::to_string(length) +
               ", which DER writes in one octet";
      return false;
    }
  }
  if (bytes.size() - header != length) {
    *error = "the length octets give " + std::to_string(length) +
             " content octets and " + std::to_string(bytes.size() - header) +
             " follow";
    return false;
  }
  full->header = header;
  full->length = length;
  return true;
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

// ParseToken splits token into its fields with the library's token reader.
// On failure error names the field that is wrong and why.
[[nodiscard]] bool ParseToken(const std::vector<unsigned char>& token,
                              TokenFields* fields, std::string* error) {
  using orbi_name::TokenField;
  orbi_name::TokenView view;
  orbi_name::TokenRefusal refusal;
  const TokenField wrong = orbi_name::ParseExportedNameToken(
      token.data(), token.size(), &view, &refusal);
  if (wrong != TokenField::kNone) {
    const std::string field = orbi_name::TokenFieldName(wrong);
    const std::string at = std::to_string(refusal.offset);
    const std::string left = std::to_string(refusal.left);
    switch (wrong) {
      case TokenField::kIdentifier:
        *error = refusal.left < 2
                     ? field + ": the token has " +
                           std::to_string(token.size()) +
                           " bytes, the identifier needs 2"
                     : field + ": 0401 expected, found " + Hex(token.data(), 2);
        break;
      case TokenField::kMechanismLength:
      case TokenField::kNameTypeLength:
        *error = field + ": the token ends at offset " + at +
                 ", inside the 2-byte field";
        break;
      case TokenField::kNameLength:
        *error = field + ": the token ends at offset " + at +
                 ", inside the 4-byte field";
        break;
      case TokenField::kMechanism:
      case TokenField::kName:
      case TokenField::kNameType:
        *error = field + ": the length field gives " +
                 std::to_string(refusal.found) + " bytes, " + left +
                 " are left";
        break;
      case TokenField::kTrailing:
        *error =
            "name type OID: " + left + " bytes follow the end of the token";
        break;
      case TokenField::kNone:
        break;
    }
    return false;
  }
  fields->mech = {view.mechanism_length,
                  const_cast<unsigned char*>(view.mechanism)};
  fields->name = view.name;
  fields->name_length = view.name_length;
  fields->has_type = view.has_name_type;
  if (view.has_name_type) {
    fields->type = {view.name_type_length,
                    const_cast<unsigned char*>(view.name_type)};
  }
  return true;
}

// TokenRefusal explains why the library refused fields' token with status.
std::string TokenRefusal(const TokenFields& fields, OM_uint32 status) {
  namespace s = orbi_name::status;
  if (status == s::MECH_NOT_SUPPORTED) {
    return "mechanism OID: not the library's mechanism: " + StatusText(status);
  }
  if (status == s::INVALID_MECH) {
    return "mechanism OID: the library cannot read it: " + StatusText(status);
  }
  if (status == s::BAD_NAME_TYPE && fields.has_type &&
      TableIndex(const_cast<gss_OID>(&fields.type)) < 0) {
    return "name type OID: not in the OID table: " + StatusText(status);
  }
  return "the library refuses the token: " + StatusText(status);
}

// DecodeTokenInput turns the bytes of standard input or a file into a token:
// hex when they look like it, else the bytes themselves.
[[nodiscard]] bool DecodeTokenInput(std::vector<unsigned char>* bytes,
                                    std::string* error) {
  if (!LooksLikeHex(*bytes)) return true;
  std::vector<unsigned char> token;
  if (!ParseHex(reinterpret_cast<const char*>(bytes->data()), bytes->size(),
                &token, error)) {
    *error = "HEX: " + *error;
    return false;
  }
  *bytes = std::move(token);
  return true;
}

// --- Tracing ------------------------------------------------------------

// TraceToStderr writes one record per line: its kind, the source position for
// entry and level-1 records, and the text.
int TraceToStderr(void* /*context*/, const char* file, unsigned int line,
                  unsigned long level, const char* text, unsigned int length) {
  std::string kind;
  if (level == kPLVTraceEntryLevel) {
    kind = "entry";
  } else if (level == kPLVTraceExitLevel) {
    kind = "exit";
  } else if (level == kPLVTraceOutcomeLevel) {
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

// --- Command line arguments ---------------------------------------------

struct Args {
  std::vector<const char*> positional;
  bool raw = false;
  bool content = false;
  const char* in = nullptr;    // --in FILE
  const char* type = nullptr;  // --type VALUE
};

// --- Names --------------------------------------------------------------

// NameType is the name type a name is imported with, from --type.
struct NameType {
  gss_OID oid = nullptr;  // null: no --type, the library's default
  OwnedOid owned;         // holds an OID read from text
  bool exported = false;  // the TEXT is an exported name token
};

// ReadNameType reads the value of --type; false with error set when it is
// neither a keyword nor an OID text.
[[nodiscard]] bool ReadNameType(const char* value, NameType* type,
                                std::string* error) {
  int index = -1;
  if (strcmp(value, "default") == 0) {
    index = kORBIDefaultNameTypeIndex;
  } else if (strcmp(value, "anonymous") == 0) {
    index = kORBIAnonymousNameTypeIndex;
  } else if (strcmp(value, "exported") == 0) {
    index = kORBIExportedNameTypeIndex;
  }
  if (index >= 0) {
    type->oid = ORBIGetOID(index);
  } else {
    PLVORBIInternalOID oid;
    std::string why;
    if (!ReadOidText(value, false, &oid, &type->owned, &why)) {
      *error = "--type: not default, anonymous, exported or an OID: " + why;
      return false;
    }
    type->oid = type->owned.get();
    index = TableIndex(type->oid);
  }
  type->exported = index == kORBIExportedNameTypeIndex;
  return true;
}

// ReadNameInput gathers the bytes of a name (or, for the exported-name type,
// of a token) from TEXT, "-" or --in FILE. Returns kExitOk or the exit status
// after reporting.
int ReadNameInput(const Session& session, const Args& args,
                  const NameType& type, std::vector<unsigned char>* bytes) {
  const char* arg = args.positional.empty() ? nullptr : args.positional[0];
  if (args.in != nullptr && arg != nullptr) {
    return session.Usage("TEXT and --in exclude each other");
  }
  const char* path = args.in;
  if (arg != nullptr && strcmp(arg, "-") == 0) path = "-";
  std::string error;
  if (path != nullptr) {
    if (!ReadSource(path, type.exported ? "token" : "TEXT", bytes, &error)) {
      return session.Refuse(error);
    }
    if (type.exported && !DecodeTokenInput(bytes, &error)) {
      return session.Refuse(error);
    }
    return kExitOk;
  }
  if (arg == nullptr) {
    // The anonymous type ignores the bytes; any other needs them.
    if (type.oid != nullptr &&
        TableIndex(type.oid) == kORBIAnonymousNameTypeIndex) {
      bytes->clear();
      return kExitOk;
    }
    return session.Usage("no TEXT given (TEXT, - or --in FILE)");
  }
  if (type.exported) {
    if (!ParseHex(arg, bytes, &error)) return session.Refuse("HEX: " + error);
    return kExitOk;
  }
  if (!Unescape(arg, bytes, &error)) return session.Usage(error);
  return kExitOk;
}

// ImportName fills name from bytes with the type. Returns kExitOk or the exit
// status after reporting.
int ImportName(const Session& session, const NameType& type,
               std::vector<unsigned char>* bytes, PLVORBIInternalName* name) {
  gss_buffer_desc input;
  if (!MakeBuffer(bytes, &input)) {
    return session.Refuse("the input is too long for a name buffer");
  }
  const OM_uint32 status = name->Set(type.oid, &input);
  if (status == orbi_name::status::SUCCESS) return kExitOk;
  if (type.exported) {
    TokenFields fields;
    std::string error;
    if (!ParseToken(*bytes, &fields, &error)) return session.Refuse(error);
    return session.Refuse(TokenRefusal(fields, status));
  }
  if (status == orbi_name::status::BAD_NAME_TYPE) {
    return session.Refuse(
        "Set refuses the name type " + OidLine(DescribeOid(type.oid)) +
        ": it takes the default, exported and anonymous name types only: " +
        StatusText(status));
  }
  return session.Refuse("Set refuses the name: " + StatusText(status));
}

// BindName binds name to the library's mechanism. An exported name comes
// bound already: its token named the mechanism.
int BindName(const Session& session, const NameType& type,
             PLVORBIInternalName* name) {
  if (type.exported) return kExitOk;
  const OM_uint32 status =
      name->CanonicalizeName(ORBIGetOID(kORBIMechanismIndex));
  if (status == orbi_name::status::SUCCESS) return kExitOk;
  std::string message =
      "CanonicalizeName refuses the name: " + StatusText(status);
  if (status == orbi_name::status::BAD_NAME_TYPE) {
    message +=
        ": only a name of the default name type is bound; this one has " +
        OidLine(DescribeOid(name->GetNameType()));
  }
  return session.Refuse(message);
}

// ReadAndImport reads the name's input and imports it with --type; with
// bind it also binds the name to the mechanism. Returns kExitOk or the exit
// status after reporting.
int ReadAndImport(const Session& session, const Args& args, bool bind,
                  PLVORBIInternalName* name) {
  NameType type;
  std::string error;
  if (args.type != nullptr && !ReadNameType(args.type, &type, &error)) {
    return session.Usage(error);
  }
  std::vector<unsigned char> bytes;
  int result = ReadNameInput(session, args, type, &bytes);
  if (result != kExitOk) return result;
  result = ImportName(session, type, &bytes, name);
  if (result != kExitOk || !bind) return result;
  return BindName(session, type, name);
}

int ExportToken(const Session& session, PLVORBIInternalName* name,
                std::vector<unsigned char>* token) {
  OwnedBuffer buffer;
  const OM_uint32 status = name->Export(buffer.get());
  if (status != orbi_name::status::SUCCESS) {
    return session.Refuse("Export refuses the name: " + StatusText(status));
  }
  token->assign(buffer.bytes(), buffer.bytes() + buffer.length());
  return kExitOk;
}

// DisplayName gives the name's bytes and type.
int DisplayName(const Session& session, PLVORBIInternalName* name,
                std::vector<unsigned char>* bytes, gss_OID* type) {
  OwnedBuffer buffer;
  const OM_uint32 status = name->Display(buffer.get(), type);
  if (status != orbi_name::status::SUCCESS) {
    return session.Refuse("Display fails: " + StatusText(status));
  }
  bytes->assign(buffer.bytes(), buffer.bytes() + buffer.length());
  return kExitOk;
}

// BytesField adds a byte string: escaped in the text form, {"text", "hex"}
// in JSON.
void BytesField(Session* session, const char* label, const char* key,
                const unsigned char* bytes, size_t length) {
  session->Field(label, Escape(bytes, length), key, JsonBytes(bytes, length));
}

// --- Subcommands --------------------------------------------------------

int RunShow(Session* session, const Args& args) {
  PLVORBIInternalName name;
  int result = ReadAndImport(*session, args, true, &name);
  if (result != kExitOk) return result;
  std::vector<unsigned char> text;
  gss_OID type = nullptr;
  result = DisplayName(*session, &name, &text, &type);
  if (result != kExitOk) return result;
  std::vector<unsigned char> token;
  result = ExportToken(*session, &name, &token);
  if (result != kExitOk) return result;
  TokenFields fields;
  std::string error;
  if (!ParseToken(token, &fields, &error)) {
    return session->Refuse("the exported token does not read back: " + error);
  }
  BytesField(session, "name:", "name", text.data(), text.size());
  const OidInfo type_info = DescribeOid(type);
  session->Field("name type:", OidLine(type_info), "name_type",
                 OidJson(type_info));
  const OidInfo mech_info = DescribeOid(&fields.mech);
  session->Field("mechanism:", OidLine(mech_info), "mechanism",
                 OidJson(mech_info));
  session->Field("token:", Hex(token), "token", JsonString(Hex(token)));
  return kExitOk;
}

int RunExport(Session* session, const Args& args) {
  if (args.raw && session->json()) {
    return session->Usage("--raw and --json exclude each other");
  }
  PLVORBIInternalName name;
  int result = ReadAndImport(*session, args, true, &name);
  if (result != kExitOk) return result;
  std::vector<unsigned char> token;
  result = ExportToken(*session, &name, &token);
  if (result != kExitOk) return result;
  session->Json("token", JsonString(Hex(token)));
  session->SetText(args.raw ? std::string(token.begin(), token.end())
                            : Hex(token) + "\n");
  return kExitOk;
}

int RunInspect(Session* session, const Args& args) {
  std::vector<unsigned char> token;
  const char* arg = args.positional.empty() ? nullptr : args.positional[0];
  if (args.in != nullptr && arg != nullptr) {
    return session->Usage("HEX and --in exclude each other");
  }
  const char* path = args.in != nullptr ? args.in : arg == nullptr ? "-" : arg;
  std::string error;
  if (args.in != nullptr || strcmp(path, "-") == 0) {
    if (!ReadSource(path, "token", &token, &error) ||
        !DecodeTokenInput(&token, &error)) {
      return session->Refuse(error);
    }
  } else if (!ParseHex(path, &token, &error)) {
    return session->Refuse("HEX: " + error);
  }

  TokenFields fields;
  if (!ParseToken(token, &fields, &error)) return session->Refuse(error);

  session->Field("identifier:", "0401 (exported name)", "identifier",
                 "\"0401\"");
  const OidInfo mech = DescribeOid(&fields.mech);
  if (!mech.decodes) {
    session->Line("mechanism:", mech.failure);
    return session->RefuseWithFields("mechanism OID: " + mech.failure);
  }
  session->Field("mechanism:",
                 mech.index == kORBIMechanismIndex
                     ? OidLine(mech)
                     : OidLine(mech) + ", not the library's mechanism",
                 "mechanism", OidJson(mech));
  session->Field("name length:", std::to_string(fields.name_length),
                 "name_length", std::to_string(fields.name_length));
  BytesField(session, "name:", "name", fields.name, fields.name_length);
  if (fields.has_type) {
    const OidInfo type = DescribeOid(&fields.type);
    if (!type.decodes) {
      session->Line("name type:", type.failure);
      return session->RefuseWithFields("name type OID: " + type.failure);
    }
    session->Field("name type:", OidLine(type), "name_type", OidJson(type));
  } else {
    session->Field("name type:", "none (the token ends after the name)",
                   "name_type", "null");
  }

  // The library has the last word: import the token as an exported name.
  PLVORBIInternalName name;
  gss_buffer_desc input;
  if (!MakeBuffer(&token, &input)) {
    return session->RefuseWithFields("the token is too long for a buffer");
  }
  const OM_uint32 status =
      name.Set(ORBIGetOID(kORBIExportedNameTypeIndex), &input);
  if (status != orbi_name::status::SUCCESS) {
    return session->RefuseWithFields(TokenRefusal(fields, status));
  }
  session->Field("import:", "accepted", "import", "\"accepted\"");
  return kExitOk;
}

int RunExpand(Session* session, const Args& args) {
  PLVORBIInternalName name;
  int result = ReadAndImport(*session, args, false, &name);
  if (result != kExitOk) return result;

  {
    OwnedBuffer path;
    const OM_uint32 status = name.GetDatabasePath(path.get());
    if (status == orbi_name::status::BAD_INPUT) {
      return session->Refuse(
          "the name has no database path (its text is empty or starts with a "
          "line feed)");
    }
    if (status != orbi_name::status::SUCCESS) {
      return session->Refuse("GetDatabasePath fails: " + StatusText(status));
    }
    // The length counts the zero byte behind the path.
    BytesField(session, "database path:", "database_path", path.bytes(),
               path.length() > 0 ? path.length() - 1 : 0);
  }

  unsigned long cursor = 0;
  std::vector<std::string> entries;
  OM_uint32 status;
  for (;;) {
    OwnedBuffer entry;
    status = name.Read(entry.get(), cursor);
    if (status != orbi_name::status::SUCCESS) break;
    const size_t length = entry.length() > 0 ? entry.length() - 1 : 0;
    entries.push_back(JsonBytes(entry.bytes(), length));
    const std::string label = "entry " + std::to_string(entries.size()) + ":";
    session->Line(label.c_str(), Escape(entry.bytes(), length));
  }
  if (status != orbi_name::status::END_OF_LIST) {
    return session->Refuse("Read fails: " + StatusText(status));
  }
  if (entries.empty()) session->Line("entries:", "none");
  session->Json("entries", JsonArray(entries));

  PLVORBIInternalName* chain = name.CopyExpandedName();
  if (chain == nullptr) {
    return session->Refuse("CopyExpandedName fails: no memory");
  }
  // The set adopts the chain and releases it below.
  PLVORBIInternalNameSet expanded(chain);
  std::vector<std::string> names;
  result = kExitOk;
  for (PLVORBIInternalName* member = expanded.GetMember(nullptr);
       member != nullptr; member = expanded.GetMember(member)) {
    std::vector<unsigned char> shown;
    gss_OID member_type = nullptr;
    result = DisplayName(*session, member, &shown, &member_type);
    if (result != kExitOk) break;
    names.push_back(JsonBytes(shown.data(), shown.size()));
    const std::string label = "expanded " + std::to_string(names.size()) + ":";
    session->Line(label.c_str(), Escape(shown.data(), shown.size()));
  }
  expanded.RemoveAllMembers();
  session->Json("expanded", JsonArray(names));
  return result;
}

int RunOid(Session* session, const Args& args) {
  const char* input = args.positional[0];
  PLVORBIInternalOID value;
  OwnedOid der;
  std::string reading;
  std::string reading_json;
  std::string error;
  if (input[0] == '{' || strchr(input, '.') != nullptr) {
    if (args.content) {
      return session->Usage("--content applies to hex input only");
    }
    reading = input[0] == '{' ? "text in braces" : "dotted text";
    reading_json = reading;
    if (!ReadOidText(input, true, &value, &der, &error)) {
      return session->Refuse(error);
    }
  } else {
    std::vector<unsigned char> bytes;
    if (!ParseHex(input, &bytes, &error)) {
      return session->Refuse(
          "not a dotted OID, an OID text in braces or hex DER: " + error);
    }
    if (bytes.empty()) return session->Refuse("no DER bytes given");
    FullEncoding full;
    const bool is_full = !args.content && bytes[0] == 0x06;
    if (is_full) {
      if (!ReadFullEncoding(bytes, &full, &error)) {
        return session->Refuse(
            "the hex starts with 06, the tag of an OID, but is no full DER "
            "encoding: " +
            error + "; --content reads all of it as content octets");
      }
      reading_json = "full DER encoding";
      reading = reading_json + " (tag 06, length " +
                std::to_string(full.length) + ")";
    } else {
      full.length = bytes.size();
      reading = reading_json = "content octets";
    }
    if (!FitsLength<OidLength>(full.length)) {
      return session->Refuse("longer than 4294967295 bytes");
    }
    gss_OID_desc content = {static_cast<OidLength>(full.length),
                            bytes.data() + full.header};
    const OM_uint32 status = value.set(&content);
    if (status != orbi_name::status::SUCCESS) {
      return session->Refuse(
          is_full ? "the content octets of the " + reading +
                        " do not decode: " + StatusText(status) +
                        "; --content reads all of the hex as content octets"
                  : "the DER bytes do not decode: " + StatusText(status));
    }
    const OM_uint32 encoded = value.get(der.ref());
    if (encoded != orbi_name::status::SUCCESS) {
      return session->Refuse("the arcs have no DER encoding: " +
                             StatusText(encoded));
    }
  }

  std::string text;
  if (!TextForm(value, &text)) {
    return session->Refuse("no memory for the text form");
  }
  session->Field("input:", reading, "input", JsonString(reading_json));
  session->Field("text:", text, "text", JsonString(text));
  session->Field("dotted:", DottedForm(text), "dotted",
                 JsonString(DottedForm(text)));
  const std::string der_hex =
      Hex(static_cast<const unsigned char*>(der.get()->elements),
          der.get()->length);
  session->Field("der:", der_hex, "der", JsonString(der_hex));
  unsigned int code = 0;
  const bool has_code = PLVORBIInternalOID::ConvertFromOIDToTS(
                            der.get(), &code) == orbi_name::status::SUCCESS;
  session->Field("algorithm:", has_code ? std::to_string(code) : "none",
                 "algorithm", has_code ? std::to_string(code) : "null");
  const int index = TableIndex(der.get());
  session->Field(
      "OID table:",
      index < 0
          ? std::string("not held")
          : "entry " + std::to_string(index) + " (" + TableRole(index) + ")",
      "table_entry", index < 0 ? std::string("null") : std::to_string(index));
  session->Json("role",
                index < 0 ? std::string("null") : JsonString(TableRole(index)));
  return kExitOk;
}

// --- Command line -------------------------------------------------------

// Options a command takes besides --trace, --json and --help.
enum Option : unsigned {
  kRaw = 1u << 0,
  kIn = 1u << 1,
  kType = 1u << 2,
  kContent = 1u << 3,
};

struct Command {
  const char* name;
  int (*run)(Session*, const Args&);
  size_t min_args;
  size_t max_args;
  unsigned options;
  const char* usage;
  const char* help;
};

#define ORBI_TOOL_TEXT_HELP                                                    \
  "\nTEXT is the name: \\n stands for a line feed, \\\\ for a backslash and\n" \
  "\\xHH for the byte HH (\\x2d for a name that is just '-'); any other\n"     \
  "backslash stands for itself. With - or --in FILE the name is the bytes\n"   \
  "of standard input or FILE, as they are (at most 64 MiB), so a name may\n"   \
  "hold a zero byte.\n"                                                        \
  "\n--type sets the name type: default (also without --type), anonymous,\n"   \
  "exported, or an OID in dotted text or braces. The library takes the\n"      \
  "default, exported and anonymous types only. With exported, TEXT is an\n"    \
  "exported name token in hex, and - or --in FILE give it in hex or as\n"      \
  "raw bytes; such a name is bound to the mechanism already. With\n"           \
  "anonymous, TEXT may be left out.\n"

#define ORBI_TOOL_JSON_HELP                                                 \
  "\n--json prints one JSON object instead; byte strings appear as\n"       \
  "{\"text\": ..., \"hex\": ...}, text with bytes that are not printable\n" \
  "UTF-8 as \\u00XX.\n"

const Command kCommands[] = {
    {"show", &RunShow, 0, 1, kIn | kType,
     "show [--trace] [--json] [--type TYPE] TEXT | - | --in FILE",
     "Imports the name, binds it to the library's mechanism and prints the\n"
     "displayed name, the name type and mechanism OIDs and the exported\n"
     "name token in hex.\n" ORBI_TOOL_TEXT_HELP ORBI_TOOL_JSON_HELP},
    {"export", &RunExport, 0, 1, kRaw | kIn | kType,
     "export [--trace] [--json | --raw] [--type TYPE] TEXT | - | --in FILE",
     "Imports and binds the name as show does and writes the exported name\n"
     "token: hex and a line feed, or with --raw the token's "
     "bytes.\n" ORBI_TOOL_TEXT_HELP ORBI_TOOL_JSON_HELP},
    {"inspect", &RunInspect, 0, 1, kIn,
     "inspect [--trace] [--json] [HEX | - | --in FILE]",
     "Reads an exported name token and prints its fields: identifier,\n"
     "mechanism OID, name length, name (escaped) and name type OID. Then the\n"
     "library imports the token as an exported name. The token is HEX, or\n"
     "for - or no argument standard input, or FILE: input that holds only\n"
     "hex digits, blanks, line ends and colons is read as hex, anything else\n"
     "as the token's raw bytes (at most 64 MiB), so that both\n"
     "'orbi-name export alice | orbi-name inspect' and the same with\n"
     "export --raw work. In hex, blanks or colons may stand between byte\n"
     "pairs. A token that does not read gets, on stderr, the fields read\n"
     "before the wrong one and a message naming it, and exit 1; with\n"
     "--json, one error object that holds those fields under "
     "\"fields\".\n" ORBI_TOOL_JSON_HELP},
    {"expand", &RunExpand, 0, 1, kIn | kType,
     "expand [--trace] [--json] [--type TYPE] TEXT | - | --in FILE",
     "Imports the name, whose first line is a database path and each further\n"
     "line an entry, and prints the database path, each entry and the\n"
     "expanded names, one per entry.\n" ORBI_TOOL_TEXT_HELP
         ORBI_TOOL_JSON_HELP},
    {"oid", &RunOid, 1, 1, kContent, "oid [--trace] [--json] [--content] OID",
     "Reads an OID as dotted text (1.2.840.113549), as text in braces\n"
     "(\"{1 2 840 113549}\") or in hex, and prints which of these it read,\n"
     "all three forms, the algorithm code it maps to (or none) and the OID\n"
     "table entry that holds it. Hex that is a well-formed full DER\n"
     "encoding, tag 06, length octets and exactly that many content octets\n"
     "(06 09 2a 86 48 86 f7 0d 01 01 01), is read as one; other hex as DER\n"
     "content octets (2a864886f70d), and --content reads any hex so. Hex\n"
     "that starts with 06 but is no well-formed full encoding is refused\n"
     "without --content. Blanks or colons may stand between byte pairs. The\n"
     "text forms take no arc of 0: give such an OID in hex.\n\n"
     "--json prints one JSON object instead.\n"},
};

#undef ORBI_TOOL_TEXT_HELP
#undef ORBI_TOOL_JSON_HELP

void PrintUsage(FILE* out) {
  fprintf(out, "usage: %s [--trace] [--json] COMMAND [ARGS]\n", kProgram);
  fprintf(out, "       %s --help | --version\n\ncommands:\n", kProgram);
  for (const Command& command : kCommands) {
    fprintf(out, "  %s %s\n", kProgram, command.usage);
  }
  fprintf(out,
          "\n--trace writes the library's trace records to stderr, one per "
          "line.\n"
          "--json prints one JSON object per command on stdout; an error is "
          "then a\nJSON object on stderr: {\"command\", \"error\", "
          "\"exit\"}.\n"
          "A failing command writes nothing to stdout.\n"
          "COMMAND --help describes a command. Exit status: 0 success, 1 "
          "input\nrefused, 2 usage error.\n");
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

// OptionValue takes the value of an option that has one, given as
// "--name=VALUE" or "--name VALUE"; null when arg is not that option. A
// missing value sets *missing.
const char* OptionValue(const char* name, int argc, char** argv, int* i,
                        bool* missing) {
  const size_t length = strlen(name);
  const char* arg = argv[*i];
  if (strncmp(arg, name, length) != 0) return nullptr;
  if (arg[length] == '=') return arg + length + 1;
  if (arg[length] != '\0') return nullptr;
  if (*i + 1 >= argc) {
    *missing = true;
    return nullptr;
  }
  return argv[++*i];
}

int Main(int argc, char** argv) {
  // --json is known before anything else so that every error, usage errors
  // included, takes its form.
  bool json = false;
  for (int j = 1; j < argc && strcmp(argv[j], "--") != 0; ++j) {
    if (strcmp(argv[j], "--json") == 0) json = true;
  }
  auto usage_error = [&](const char* command, const std::string& message) {
    Session::ReportError(command, json, kExitUsage, message, nullptr, nullptr);
    return kExitUsage;
  };

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
    if (strcmp(arg, "--json") == 0) continue;
    return usage_error(nullptr, std::string("unknown option '") + arg + "'");
  }
  if (i == argc) return usage_error(nullptr, "no command given");

  const Command* command = nullptr;
  for (const Command& candidate : kCommands) {
    if (strcmp(argv[i], candidate.name) == 0) command = &candidate;
  }
  if (command == nullptr) {
    return usage_error(nullptr,
                       std::string("unknown command '") + argv[i] + "'");
  }

  Args args;
  bool options_done = false;
  for (++i; i < argc; ++i) {
    const char* arg = argv[i];
    if (options_done || arg[0] != '-' || arg[1] == '\0') {
      args.positional.push_back(arg);
      continue;
    }
    bool missing = false;
    const char* value = nullptr;
    if (strcmp(arg, "--") == 0) {
      options_done = true;
    } else if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) {
      printf("usage: %s %s\n\n%s", kProgram, command->usage, command->help);
      return kExitOk;
    } else if (strcmp(arg, "--trace") == 0) {
      trace = true;
    } else if (strcmp(arg, "--json") == 0) {
      // Seen above.
    } else if ((command->options & kRaw) != 0 && strcmp(arg, "--raw") == 0) {
      args.raw = true;
    } else if ((command->options & kContent) != 0 &&
               strcmp(arg, "--content") == 0) {
      args.content = true;
    } else if ((command->options & kIn) != 0 &&
               ((value = OptionValue("--in", argc, argv, &i, &missing)) !=
                    nullptr ||
                missing)) {
      if (missing) return usage_error(command->name, "--in needs a FILE");
      args.in = value;
    } else if ((command->options & kType) != 0 &&
               ((value = OptionValue("--type", argc, argv, &i, &missing)) !=
                    nullptr ||
                missing)) {
      if (missing) return usage_error(command->name, "--type needs a TYPE");
      args.type = value;
    } else {
      return usage_error(command->name,
                         std::string("unknown option '") + arg + "'");
    }
  }
  if (args.positional.size() < command->min_args ||
      args.positional.size() > command->max_args) {
    // The text form prints the "orbi-name: usage: ..." line that scripts
    // match.
    return usage_error(
        json ? command->name : nullptr,
        std::string("usage: ") + kProgram + " " + command->usage);
  }

  if (trace) TurnTracingOn();
  Session session(command->name, json);
  const int result = command->run(&session, args);
  if (result == kExitOk) session.Write();
  return result;
}

}  // namespace

int main(int argc, char** argv) { return Finish(Main(argc, argv)); }
