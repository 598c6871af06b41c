// The tool's JSON strings: well-formed UTF-8 passes, everything else is
// escaped, so that any bytes give valid JSON.
#include "json.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orbi_tool {
namespace {

std::string Json(const std::string& bytes) { return JsonString(bytes); }

TEST(JsonString, PassesWellFormedUtf8) {
  const char* kCases[] = {
      "",
      "alice@EXAMPLE.ORG",
      "\xc2\xa0",          // U+00A0, the first 2-byte character after C1
      "\xc3\xa9",          // U+00E9
      "\xdf\xbf",          // U+07FF
      "\xe0\xa0\x80",      // U+0800
      "\xe2\x82\xac",      // U+20AC
      "\xed\x9f\xbf",      // U+D7FF, below the surrogates
      "\xee\x80\x80",      // U+E000, above them
      "\xef\xbf\xbf",      // U+FFFF
      "\xf0\x90\x80\x80",  // U+10000
      "\xf0\x9f\x98\x80",  // U+1F600
      "\xf4\x8f\xbf\xbf",  // U+10FFFF
      "a\xc3\xa9z\xe2\x82\xac\xf0\x9f\x98\x80",
  };
  for (const char* text : kCases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(Json(text), "\"" + std::string(text) + "\"");
  }
}

TEST(JsonString, EscapesQuoteBackslashAndControls) {
  const struct {
    std::string bytes;
    std::string json;
  } kCases[] = {
      {"\"", "\"\\\"\""},
      {"\\", "\"\\\\\""},
      {"a\nb", "\"a\\nb\""},
      {std::string("\0", 1), "\"\\u0000\""},
      {"\t\r\x1f", "\"\\u0009\\u000d\\u001f\""},
      {"\x7f", "\"\\u007f\""},
      {"\xc2\x80", "\"\\u0080\""},  // C1 controls, U+0080 to U+009F
      {"\xc2\x9f", "\"\\u009f\""},
      {"a\xc2\x85z", "\"a\\u0085z\""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.json);
    EXPECT_EQ(Json(c.bytes), c.json);
  }
}

TEST(JsonString, EscapesEachByteOfIllFormedUtf8) {
  const struct {
    std::string bytes;
    std::string json;
  } kCases[] = {
      // Overlong forms.
      {"\xc0\x80", "\"\\u00c0\\u0080\""},
      {"\xc1\xbf", "\"\\u00c1\\u00bf\""},
      {"\xe0\x80\x80", "\"\\u00e0\\u0080\\u0080\""},
      {"\xe0\x9f\xbf", "\"\\u00e0\\u009f\\u00bf\""},
      {"\xf0\x80\x80\x80", "\"\\u00f0\\u0080\\u0080\\u0080\""},
      {"\xf0\x8f\xbf\xbf", "\"\\u00f0\\u008f\\u00bf\\u00bf\""},
      // Surrogates U+D800 and U+DFFF.
      {"\xed\xa0\x80", "\"\\u00ed\\u00a0\\u0080\""},
      {"\xed\xbf\xbf", "\"\\u00ed\\u00bf\\u00bf\""},
      // Above U+10FFFF.
      {"\xf4\x90\x80\x80", "\"\\u00f4\\u0090\\u0080\\u0080\""},
      {"\xf5\x80\x80\x80", "\"\\u00f5\\u0080\\u0080\\u0080\""},
      {"\xff", "\"\\u00ff\""},
      // Truncated sequences, at the end and before another character.
      {"\xc3", "\"\\u00c3\""},
      {"\xe2\x82", "\"\\u00e2\\u0082\""},
      {"\xf0\x9f\x98", "\"\\u00f0\\u009f\\u0098\""},
      {"\xe2\x82"
       "A",
       "\"\\u00e2\\u0082A\""},
      {"\xc3\xc3\xa9", "\"\\u00c3\xc3\xa9\""},
      // A continuation byte alone.
      {"\x80", "\"\\u0080\""},
      {"a\xbfz", "\"a\\u00bfz\""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.json);
    EXPECT_EQ(Json(c.bytes), c.json);
  }
}

TEST(JsonObject, KeepsMembersInTheirOrder) {
  JsonObject inner;
  inner.Add("b", "1");
  inner.Add("a", JsonBytes(reinterpret_cast<const unsigned char*>("x\n"), 2));
  JsonObject outer;
  outer.AddAll(JsonObject());
  outer.Add("command", JsonString(std::string("show")));
  outer.AddAll(inner);
  outer.Add("list", JsonArray({"1", "null"}));
  EXPECT_EQ(outer.Text(),
            "{\"command\":\"show\",\"b\":1,"
            "\"a\":{\"text\":\"x\\n\",\"hex\":\"780a\"},\"list\":[1,null]}");
  EXPECT_EQ(JsonObject().Text(), "{}");
  EXPECT_EQ(JsonArray({}), "[]");
}

}  // namespace
}  // namespace orbi_tool
