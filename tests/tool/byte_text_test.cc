// The tool's byte texts: hex in and out, and the escapes of name texts.
#include "byte_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orbi_tool {
namespace {

std::vector<unsigned char> Bytes(const std::string& text) {
  return std::vector<unsigned char>(text.begin(), text.end());
}

std::vector<unsigned char> AllBytes() {
  std::vector<unsigned char> all;
  for (int b = 0; b <= 255; ++b) all.push_back(static_cast<unsigned char>(b));
  return all;
}

TEST(ParseHex, AcceptsPairsWithSeparatorsBetweenThem) {
  const struct {
    std::string text;
    std::string bytes;
  } kCases[] = {
      {"", ""},
      {"   ", ""},
      {"0a1B", "\x0a\x1b"},
      {"0A 1b", "\x0a\x1b"},
      {"0a:1b", "\x0a\x1b"},
      {"0a\t1b\r\n", "\x0a\x1b"},
      {" :0a  ::1b: ", "\x0a\x1b"},
      {"06 09 2A 86 48", "\x06\x09\x2a\x86\x48"},
      {"00ff", std::string("\x00\xff", 2)},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    std::vector<unsigned char> bytes = {0x55};
    std::string error;
    ASSERT_TRUE(ParseHex(c.text.c_str(), &bytes, &error)) << error;
    EXPECT_EQ(bytes, Bytes(c.bytes));
  }
}

TEST(ParseHex, RefusesOddCountsSplitPairsAndOtherCharacters) {
  const struct {
    std::string text;
    std::string error;
  } kCases[] = {
      {"0a1", "odd number of hex digits"},
      {"0a 1", "odd number of hex digits"},
      {"6 9",
       "the hex digit '6' at offset 0 has no partner: blanks and colons go "
       "between byte pairs"},
      {"0a 1:b",
       "the hex digit '1' at offset 3 has no partner: blanks and colons go "
       "between byte pairs"},
      {"0a1\n",
       "the hex digit '1' at offset 2 has no partner: blanks and colons go "
       "between byte pairs"},
      {"0g", "'g' at offset 1 is not a hex digit"},
      {"0x0a", "'x' at offset 1 is not a hex digit"},
      {"0a-1b", "'-' at offset 2 is not a hex digit"},
      {"0a\x01", "'\\x01' at offset 2 is not a hex digit"},
      {"\xff", "'\\xff' at offset 0 is not a hex digit"},
      {std::string("0a\0"
                   "0b",
                   5),
       "'\\x00' at offset 2 is not a hex digit"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    std::vector<unsigned char> bytes;
    std::string error;
    EXPECT_FALSE(ParseHex(c.text.data(), c.text.size(), &bytes, &error));
    EXPECT_EQ(error, c.error);
  }
}

TEST(Hex, WritesTwoLowerCaseDigitsPerByteAndReadsBack) {
  EXPECT_EQ(Hex(Bytes("")), "");
  EXPECT_EQ(Hex(Bytes("\x06\x09\x2a\xab\xff")), "06092aabff");
  const std::vector<unsigned char> all = AllBytes();
  const std::string hex = Hex(all);
  ASSERT_EQ(hex.size(), 2 * all.size());
  EXPECT_EQ(hex.find_first_not_of("0123456789abcdef"), std::string::npos);
  std::vector<unsigned char> back;
  std::string error;
  ASSERT_TRUE(ParseHex(hex.c_str(), &back, &error)) << error;
  EXPECT_EQ(back, all);
}

TEST(LooksLikeHex, OnlyHexDigitsAndSeparatorsAreHex) {
  const struct {
    std::string input;
    bool hex;
  } kCases[] = {
      {"", true},
      {"0401000b06", true},
      {"04:01 00\t0B\r\n", true},
      {"abc", true},  // an odd count is still hex, refused as such
      {std::string("\x04\x01\x00\x0b", 4), false},
      {"0401 zz", false},
      {"0401-00", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(LooksLikeHex(Bytes(c.input)), c.hex);
  }
}

TEST(Escape, WritesOneLineOfPrintableAscii) {
  const struct {
    std::string bytes;
    std::string text;
  } kCases[] = {
      {"alice", "alice"},
      {" ~", " ~"},
      {"\\", "\\\\"},
      {"\n", "\\n"},
      {"\r\t", "\\x0d\\x09"},
      {std::string("\0", 1), "\\x00"},
      {"\x1f\x7f\x80\xff", "\\x1f\\x7f\\x80\\xff"},
      {"db/users\nalice", "db/users\\nalice"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Escape(c.bytes), c.text);
  }
}

TEST(Unescape, ReadsBackEveryByteThatEscapeWrote) {
  std::vector<unsigned char> back;
  std::string error;
  for (unsigned char b : AllBytes()) {
    SCOPED_TRACE(static_cast<int>(b));
    const std::string text = Escape(&b, 1);
    ASSERT_TRUE(Unescape(text.c_str(), &back, &error)) << error;
    EXPECT_EQ(back, std::vector<unsigned char>{b});
  }
  const std::vector<unsigned char> all = AllBytes();
  const std::string text = Escape(all.data(), all.size());
  ASSERT_TRUE(Unescape(text.c_str(), &back, &error)) << error;
  EXPECT_EQ(back, all);
}

TEST(Unescape, KeepsOtherBackslashesAndTakesHexInEitherCase) {
  const struct {
    std::string text;
    std::string bytes;
  } kCases[] = {
      {"", ""},         {"\\t", "\\t"},
      {"a\\", "a\\"},   {"\\X41", "\\X41"},
      {"\\N", "\\N"},   {"\\x41\\xfF\\xFF", "A\xff\xff"},
      {"\\\\n", "\\n"}, {"\\\\x41", "\\x41"},
      {"\\x2d", "-"},   {"\\x00a", std::string("\0a", 2)},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    std::vector<unsigned char> bytes;
    std::string error;
    ASSERT_TRUE(Unescape(c.text.c_str(), &bytes, &error)) << error;
    EXPECT_EQ(bytes, Bytes(c.bytes));
  }
}

TEST(Unescape, RefusesBackslashXWithoutTwoHexDigits) {
  const struct {
    const char* text;
    size_t offset;
  } kCases[] = {
      {"\\x", 0},      {"\\x4", 0},     {"\\xg1", 0},    {"\\x4g", 0},
      {"ab\\x 41", 2}, {"\\x41\\x", 4}, {"\\n\\x-1", 2},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    std::vector<unsigned char> bytes;
    std::string error;
    EXPECT_FALSE(Unescape(c.text, &bytes, &error));
    EXPECT_EQ(error, "TEXT: the escape at offset " + std::to_string(c.offset) +
                         " is malformed: \\x takes two hex digits (\\x00 to "
                         "\\xff)");
  }
}

}  // namespace
}  // namespace orbi_tool
