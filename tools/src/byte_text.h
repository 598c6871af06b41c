// Bytes as one-line text and as hex, and back.
#ifndef ORBI_TOOL_BYTE_TEXT_H_
#define ORBI_TOOL_BYTE_TEXT_H_

#include <stddef.h>

#include <string>
#include <vector>

namespace orbi_tool {

// The lower-case hex digits, indexed by value.
extern const char kHexDigits[];

// Escape writes printable ASCII as it is, a backslash as "\\", a line feed as
// "\n" and every other byte as "\xHH", so that the result is one line.
std::string Escape(const unsigned char* bytes, size_t length);
std::string Escape(const std::string& text);

// HexDigit gives the value of the hex digit c (either case), or -1.
int HexDigit(char c);

// Unescape reads a name text from the command line, the inverse of Escape:
// "\n" is a line feed, "\\" one backslash and "\xHH" the byte HH. Any other
// backslash stands for itself, so that texts written without escapes read
// as typed. False, with error set, for "\x" without two hex digits behind
// it.
[[nodiscard]] bool Unescape(const char* text, std::vector<unsigned char>* out,
                            std::string* error);

// Hex gives bytes as lower-case hex digits, two per byte, nothing between.
std::string Hex(const unsigned char* bytes, size_t length);
std::string Hex(const std::vector<unsigned char>& bytes);

// IsHexSeparator tells whether c may stand between byte pairs in hex: a
// blank, tab, line end or colon.
bool IsHexSeparator(char c);

// ParseHex reads pairs of hex digits. Blanks, tabs, line ends and colons may
// stand between pairs, never inside one: "6 9" is refused rather than read as
// 0x69. On failure error says what is wrong and bytes is unspecified.
[[nodiscard]] bool ParseHex(const char* text, size_t length,
                            std::vector<unsigned char>* bytes,
                            std::string* error);
// The same for a NUL-terminated text.
[[nodiscard]] bool ParseHex(const char* text, std::vector<unsigned char>* bytes,
                            std::string* error);

// LooksLikeHex decides how bytes from standard input or a file are read:
// only hex digits and separators is hex; anything else is raw bytes. A raw
// token starts with 04 01, which is never a hex digit, so no raw token is
// taken for hex, and input of hex digits alone is never a raw token: an odd
// count of them is refused as hex rather than read as bytes.
bool LooksLikeHex(const std::vector<unsigned char>& bytes);

}  // namespace orbi_tool

#endif  // ORBI_TOOL_BYTE_TEXT_H_
