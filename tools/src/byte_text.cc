#include "byte_text.h"

#include <string.h>

namespace orbi_tool {

const char kHexDigits[] = "0123456789abcdef";

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

bool Unescape(const char* text, std::vector<unsigned char>* out,
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

bool ParseHex(const char* text, size_t length,
              std::vector<unsigned char>* bytes, std::string* error) {
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

bool ParseHex(const char* text, std::vector<unsigned char>* bytes,
              std::string* error) {
  return ParseHex(text, strlen(text), bytes, error);
}

bool LooksLikeHex(const std::vector<unsigned char>& bytes) {
  for (unsigned char c : bytes) {
    if (HexDigit(static_cast<char>(c)) < 0 &&
        !IsHexSeparator(static_cast<char>(c))) {
      return false;
    }
  }
  return true;
}

}  // namespace orbi_tool
