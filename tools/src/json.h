// JSON output: strings from arbitrary bytes, objects that keep the order of
// their members, arrays.
#ifndef ORBI_TOOL_JSON_H_
#define ORBI_TOOL_JSON_H_

#include <stddef.h>

#include <string>
#include <vector>

namespace orbi_tool {

// Utf8Length is the length of the well-formed UTF-8 sequence at bytes (2 to
// 4), or 0 when none starts there: no overlong forms, no surrogates, nothing
// above U+10FFFF. left is the number of bytes at bytes. REQUIRES: left >= 1.
size_t Utf8Length(const unsigned char* bytes, size_t left);

// JsonString writes bytes as a JSON string: well-formed UTF-8 passes as it
// is, quote and backslash are escaped, and control characters (C0, DEL, C1)
// and every byte that is not part of well-formed UTF-8 become \u00XX.
std::string JsonString(const unsigned char* bytes, size_t length);
std::string JsonString(const std::string& text);

// JsonBytes gives a byte string as {"text": ..., "hex": ...}: text for
// reading, hex for the exact bytes.
std::string JsonBytes(const unsigned char* bytes, size_t length);

// JsonObject collects members in the order they are added; each value is
// already JSON.
class JsonObject {
 public:
  void Add(const char* key, const std::string& value);
  // AddAll adds the members of other, in their order.
  void AddAll(const JsonObject& other);
  std::string Text() const { return "{" + body_ + "}"; }

 private:
  std::string body_;
};

// JsonArray gives the values, each already JSON, as an array.
std::string JsonArray(const std::vector<std::string>& values);

}  // namespace orbi_tool

#endif  // ORBI_TOOL_JSON_H_
