// OID text forms: set(const char*) on arbitrary bytes.
//
// Invariants: set accepts exactly the texts that a plain reading of the two
// forms accepts, with the same arcs; a rejected text leaves the value as it
// was; the text form of an accepted value reads back to the same value and
// is written the same way again; isEqual(text) agrees.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "fuzz_check.h"
#include "orbi_name/internal_oid.h"

namespace {

// The arcs of text by the rules of the two forms, or false. Brace form:
// "{" arcs divided by single blanks "}"; dotted form: arcs divided by single
// dots. An arc is a run of decimal digits worth 1 to 4294967295.
bool ModelParse(const std::string& text, std::vector<uint32_t>* arcs) {
  std::string body = text;
  char separator = '.';
  if (!text.empty() && text[0] == '{') {
    if (text.size() < 2 || text.back() != '}') return false;
    body = text.substr(1, text.size() - 2);
    separator = ' ';
  }
  arcs->clear();
  size_t start = 0;
  while (true) {
    const size_t end = body.find(separator, start);
    const std::string piece = body.substr(
        start, end == std::string::npos ? std::string::npos : end - start);
    if (piece.empty()) return false;
    uint64_t value = 0;
    for (char c : piece) {
      if (c < '0' || c > '9') return false;
      value = value * 10 + static_cast<uint64_t>(c - '0');
      if (value > 0xFFFFFFFFu) return false;
    }
    if (value == 0) return false;
    arcs->push_back(static_cast<uint32_t>(value));
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

std::string TextForm(const std::vector<uint32_t>& arcs) {
  if (arcs.empty()) return "}";
  std::string text = "{";
  for (size_t i = 0; i < arcs.size(); ++i) {
    text += std::to_string(arcs[i]);
    text += i + 1 < arcs.size() ? ' ' : '}';
  }
  return text;
}

// The value's text form, through get(char*&).
std::string Get(const PLVORBIInternalOID& value) {
  char* text = nullptr;
  FUZZ_CHECK(value.get(text) == 0);
  FUZZ_CHECK(text != nullptr);
  std::string result(text);
  free(text);
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The text ends at the first NUL, as a C string does.
  const std::string text(reinterpret_cast<const char*>(data),
                         strnlen(reinterpret_cast<const char*>(data), size));
  std::vector<uint32_t> expected;
  const bool valid = ModelParse(text, &expected);

  PLVORBIInternalOID value;
  FUZZ_CHECK(value.set("1.3.6.1") == 0);
  const OM_uint32 status = value.set(text.c_str());
  if (!valid) {
    FUZZ_CHECK(status == orbi_name::status::BAD_OID);
    FUZZ_CHECK(Get(value) == "{1 3 6 1}");
    return 0;
  }
  FUZZ_CHECK(status == orbi_name::status::SUCCESS);
  const std::string form = Get(value);
  FUZZ_CHECK(form == TextForm(expected));
  FUZZ_CHECK(value.isEqual(text.c_str()) == 1);

  PLVORBIInternalOID again;
  FUZZ_CHECK(again.set(form.c_str()) == 0);
  FUZZ_CHECK(again.isEqual(&value) == 1);
  FUZZ_CHECK(Get(again) == form);
  return 0;
}
