#include "json.h"

#include "byte_text.h"

namespace orbi_tool {

namespace {

void AppendUnicodeEscape(unsigned int code, std::string* out) {
  *out += "\\u00";
  *out += kHexDigits[(code >> 4) & 0x0F];
  *out += kHexDigits[code & 0x0F];
}

}  // namespace

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

std::string JsonBytes(const unsigned char* bytes, size_t length) {
  return "{\"text\":" + JsonString(bytes, length) + ",\"hex\":\"" +
         Hex(bytes, length) + "\"}";
}

void JsonObject::Add(const char* key, const std::string& value) {
  if (!body_.empty()) body_ += ',';
  body_ += JsonString(std::string(key));
  body_ += ':';
  body_ += value;
}

void JsonObject::AddAll(const JsonObject& other) {
  if (other.body_.empty()) return;
  if (!body_.empty()) body_ += ',';
  body_ += other.body_;
}

std::string JsonArray(const std::vector<std::string>& values) {
  std::string out = "[";
  for (size_t i = 0; i < values.size(); ++i) {
    if (i > 0) out += ',';
    out += values[i];
  }
  return out + "]";
}

}  // namespace orbi_tool
