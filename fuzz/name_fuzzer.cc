// A name's life on arbitrary bytes: Set with arbitrary bytes, lengths and
// name types, Display, CanonicalizeName, Export (and the token read back),
// GetDatabasePath, every Read form with the cursors they hand out and with
// made-up and stale ones, and CopyExpandedName.
//
// Invariants: the text always ends with a NUL; the displayed length is
// nameLength; the token is 10 + M + N + T bytes and its fields read back; the
// path, the entries and the expansion are those of a plain reading of the
// text; a made-up or stale cursor never reads outside the current text.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "fuzz_check.h"
#include "orbi_name/internal/library_token.h"
#include "orbi_name/internal_name.h"
#include "orbi_services/asn.h"
#include "orbi_services/oid_table.h"

namespace {

namespace status = orbi_name::status;

constexpr char kSentinel[] = "!@#$%&:ORBI-ANONYMOUS:!@#$%&";

// The input: one byte of choices, eight bytes of a made-up cursor, the name.
struct Input {
  unsigned type_choice;  // 0 none, 1 default, 2 default elsewhere, 3 anonymous
  bool canonicalize;
  unsigned read_form;  // 0 gss_buffer_t, 1 PLVASNBuffer, 2 label string
  size_t trim;         // bytes left out at the end of the buffer's length
  unsigned long made_up_cursor;
  std::string bytes;
};

Input Parse(const uint8_t* data, size_t size) {
  Input in{};
  if (size == 0) return in;
  in.type_choice = data[0] & 3;
  in.canonicalize = (data[0] & 4) != 0;
  in.read_form = ((data[0] >> 3) & 3) % 3;
  in.trim = data[0] >> 5;
  size_t used = 1;
  for (int i = 0; i < 8 && used < size; ++i, ++used) {
    in.made_up_cursor = in.made_up_cursor << 8 | data[used];
  }
  in.bytes.assign(reinterpret_cast<const char*>(data + used), size - used);
  return in;
}

std::string Bytes(const gss_buffer_desc& b) {
  return std::string(static_cast<const char*>(b.value), b.length);
}

// The database path and entries of a text, read plainly.
struct Layout {
  bool has_path;
  std::string path;
  std::vector<std::string> entries;
};

Layout LayoutOf(const std::string& text) {
  Layout layout{};
  // Entries follow the first line feed even when the path before it is
  // empty; such a name has entries but no database path.
  layout.has_path = !text.empty() && text[0] != '\n';
  const size_t first = text.find('\n');
  if (layout.has_path) layout.path = text.substr(0, first);
  if (first == std::string::npos) return layout;
  size_t start = first + 1;
  while (true) {
    const size_t end = text.find('\n', start);
    layout.entries.push_back(text.substr(
        start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return layout;
}

bool Visible(const std::string& s) {
  for (unsigned char c : s) {
    if (c < 0x20 || c > 0x7E) return false;
  }
  return true;
}

// One Read in the chosen form; *entry receives the entry's characters.
OM_uint32 ReadOne(PLVORBIInternalName& name, unsigned form,
                  unsigned long& cursor, std::string* entry) {
  switch (form) {
    case 0: {
      gss_buffer_desc out = {0, nullptr};
      const OM_uint32 result = name.Read(&out, cursor);
      if (result == status::SUCCESS) {
        FUZZ_CHECK(out.length >= 1);
        const std::string copy = Bytes(out);
        FUZZ_CHECK(copy.back() == '\0');
        *entry = copy.substr(0, copy.size() - 1);
        free(out.value);
      } else {
        FUZZ_CHECK(out.value == nullptr);
      }
      return result;
    }
    case 1: {
      PLVASNBuffer out(0);
      const OM_uint32 result = name.Read(&out, cursor);
      if (result == status::SUCCESS) {
        FUZZ_CHECK(out.length >= 1 && out.data[out.length - 1] == 0);
        entry->assign(reinterpret_cast<char*>(out.data), out.length - 1);
      } else {
        FUZZ_CHECK(out.data == nullptr);
      }
      return result;
    }
    default: {
      PLVASNLabelString out(0);
      const OM_uint32 result = name.Read(&out, cursor);
      if (result == status::SUCCESS) {
        FUZZ_CHECK(out.selected() == 1);
        *entry = out.visibleString.value();
      } else {
        FUZZ_CHECK(out.visibleString.value() == nullptr);
      }
      return result;
    }
  }
}

// A Read with a cursor the name did not hand out (or no longer holds): it
// reports 10 or 5, or reads one of the entries of the current text.
void ReadWithForeignCursor(PLVORBIInternalName& name, unsigned long cursor,
                           const Layout& layout) {
  gss_buffer_desc out = {0, nullptr};
  const unsigned long before = cursor;
  const OM_uint32 result = name.Read(&out, cursor);
  if (result == status::SUCCESS) {
    const std::string copy = Bytes(out);
    free(out.value);
    FUZZ_CHECK(!copy.empty() && copy.back() == '\0');
    bool known = false;
    for (const std::string& e : layout.entries) {
      known = known || e == copy.substr(0, copy.size() - 1);
    }
    FUZZ_CHECK(known);
  } else {
    FUZZ_CHECK(result == status::BAD_INPUT || result == status::END_OF_LIST);
    FUZZ_CHECK(out.value == nullptr);
    if (result == status::BAD_INPUT) FUZZ_CHECK(cursor == before);
  }
}

// Checks the exported token of name against its displayed text.
void CheckToken(PLVORBIInternalName& name, const std::string& display) {
  gss_buffer_desc token = {0, nullptr};
  FUZZ_CHECK(name.Export(&token) == status::SUCCESS);
  const std::string t = Bytes(token);
  gss_OID mech = ORBIGetOID(kORBIMechanismIndex);
  gss_OID type = ORBIGetOID(kORBIDefaultNameTypeIndex);
  FUZZ_CHECK(t.size() == 10 + mech->length + display.size() + type->length);
  orbi_name::TokenView view;
  FUZZ_CHECK(
      orbi_name::ParseExportedNameToken(t.data(), t.size(), &view, nullptr) ==
      orbi_name::TokenField::kNone);
  FUZZ_CHECK(view.mechanism_length == mech->length &&
             memcmp(view.mechanism, mech->elements, mech->length) == 0);
  FUZZ_CHECK(std::string(reinterpret_cast<const char*>(view.name),
                         view.name_length) == display);
  FUZZ_CHECK(view.has_name_type && view.name_type_length == type->length &&
             memcmp(view.name_type, type->elements, type->length) == 0);

  // The token reads back into an equal name that exports the same bytes.
  PLVORBIInternalName back;
  FUZZ_CHECK(back.Set(ORBIGetOID(kORBIExportedNameTypeIndex), &token) ==
             status::SUCCESS);
  FUZZ_CHECK(back == name);
  gss_buffer_desc again = {0, nullptr};
  FUZZ_CHECK(back.Export(&again) == status::SUCCESS);
  FUZZ_CHECK(Bytes(again) == t);
  free(again.value);
  free(token.value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in = Parse(data, size);
  // An exact-size copy of the name's bytes (one byte at least, so that the
  // value pointer is never null).
  std::vector<char> bytes;
  bytes.reserve(in.bytes.empty() ? 1 : in.bytes.size());
  bytes.assign(in.bytes.begin(), in.bytes.end());
  const size_t length =
      bytes.size() - (in.trim < bytes.size() ? in.trim : bytes.size());
  gss_buffer_desc buffer = {static_cast<OM_uint32>(length), bytes.data()};

  std::vector<unsigned char> default_copy(
      static_cast<unsigned char*>(
          ORBIGetOID(kORBIDefaultNameTypeIndex)->elements),
      static_cast<unsigned char*>(
          ORBIGetOID(kORBIDefaultNameTypeIndex)->elements) +
          ORBIGetOID(kORBIDefaultNameTypeIndex)->length);
  gss_OID_desc default_elsewhere = {
      ORBIGetOID(kORBIDefaultNameTypeIndex)->length, default_copy.data()};
  gss_OID types[] = {nullptr, ORBIGetOID(kORBIDefaultNameTypeIndex),
                     &default_elsewhere,
                     ORBIGetOID(kORBIAnonymousNameTypeIndex)};

  PLVORBIInternalName name;
  FUZZ_CHECK(name.Set(types[in.type_choice], &buffer) == status::SUCCESS);

  // What the name must hold now.
  std::string text;
  size_t name_length;
  gss_OID type;
  if (in.type_choice == 3) {
    text = kSentinel;
    name_length = sizeof kSentinel;
    type = ORBIGetOID(kORBIAnonymousNameTypeIndex);
  } else {
    text = std::string(bytes.data(), strnlen(bytes.data(), length));
    name_length = length;
    type = text == kSentinel ? ORBIGetOID(kORBIAnonymousNameTypeIndex)
                             : ORBIGetOID(kORBIDefaultNameTypeIndex);
  }

  // Display: the length is nameLength, the text ends with a NUL, the bytes
  // behind the text inside the length are zero.
  gss_buffer_desc shown = {0, nullptr};
  gss_OID shown_type = nullptr;
  FUZZ_CHECK(name.Display(&shown, &shown_type) == status::SUCCESS);
  FUZZ_CHECK(shown.length == name_length);
  FUZZ_CHECK(static_cast<char*>(shown.value)[shown.length] == '\0');
  const std::string display = Bytes(shown);
  std::string expected_display = text;
  expected_display.resize(name_length, '\0');
  FUZZ_CHECK(display == expected_display);
  FUZZ_CHECK(shown_type == type);
  free(shown.value);
  FUZZ_CHECK(name.GetNameType() == type);

  // CanonicalizeName and Export.
  bool bound = false;
  if (in.canonicalize) {
    const OM_uint32 result =
        name.CanonicalizeName(ORBIGetOID(kORBIMechanismIndex));
    bound = type == ORBIGetOID(kORBIDefaultNameTypeIndex);
    FUZZ_CHECK(result == (bound ? status::SUCCESS : status::BAD_NAME_TYPE));
  }
  if (bound) {
    CheckToken(name, display);
  } else {
    gss_buffer_desc token = {0, nullptr};
    FUZZ_CHECK(name.Export(&token) == status::NO_MECH);
    FUZZ_CHECK(token.value == nullptr);
  }

  // The database path.
  const Layout layout = LayoutOf(text);
  gss_buffer_desc path = {0, nullptr};
  const OM_uint32 path_status = name.GetDatabasePath(&path);
  if (layout.has_path) {
    FUZZ_CHECK(path_status == status::SUCCESS);
    FUZZ_CHECK(Bytes(path) == layout.path + '\0');
    free(path.value);
  } else {
    FUZZ_CHECK(path_status == status::BAD_INPUT);
    FUZZ_CHECK(path.value == nullptr);
  }

  // A walk over the entries in the chosen form.
  const bool label_ok = type == ORBIGetOID(kORBIDefaultNameTypeIndex);
  unsigned long cursor = 0;
  unsigned long second_cursor = 0;
  size_t walked = 0;
  while (true) {
    std::string entry;
    const unsigned long before = cursor;
    const OM_uint32 result = ReadOne(name, in.read_form, cursor, &entry);
    if (in.read_form == 2 && !label_ok) {
      FUZZ_CHECK(result == status::BAD_NAME_TYPE && cursor == before);
      break;
    }
    if (result == status::END_OF_LIST) {
      FUZZ_CHECK(cursor == ~0ul);
      break;
    }
    FUZZ_CHECK(walked < layout.entries.size());
    if (in.read_form == 2 && !Visible(layout.entries[walked])) {
      FUZZ_CHECK(result == status::LABEL_NOT_SET);
    } else {
      FUZZ_CHECK(result == status::SUCCESS);
      FUZZ_CHECK(entry == layout.entries[walked]);
    }
    FUZZ_CHECK(cursor != before && cursor != 0);
    if (walked == 0) second_cursor = cursor;
    ++walked;
    if (cursor == ~0ul) {
      std::string none;
      FUZZ_CHECK(ReadOne(name, in.read_form, cursor, &none) ==
                 (in.read_form == 2 && !label_ok ? status::BAD_NAME_TYPE
                                                 : status::END_OF_LIST));
      break;
    }
  }
  FUZZ_CHECK(walked == layout.entries.size() ||
             (in.read_form == 2 && !label_ok));

  // A made-up cursor.
  ReadWithForeignCursor(name, in.made_up_cursor, layout);

  // The expansion.
  PLVORBIInternalName* chain = name.CopyExpandedName();
  if (!layout.has_path) {
    FUZZ_CHECK(chain == nullptr);
  } else {
    FUZZ_CHECK(chain != nullptr);
    size_t members = 0;
    while (chain != nullptr) {
      const std::string expected =
          layout.entries.empty() ? layout.path
                                 : layout.path + '\n' + layout.entries[members];
      gss_buffer_desc member = {0, nullptr};
      gss_OID member_type = nullptr;
      FUZZ_CHECK(chain->Display(&member, &member_type) == status::SUCCESS);
      FUZZ_CHECK(Bytes(member) == expected + '\0');
      FUZZ_CHECK(member_type == type);
      free(member.value);
      PLVORBIInternalName* next = chain->GetNextMember();
      delete chain;
      chain = next;
      ++members;
    }
    FUZZ_CHECK(members == (layout.entries.empty() ? 1 : layout.entries.size()));
  }

  // A stale cursor: the text is replaced by a shorter one, then read with a
  // cursor of the old text.
  if (second_cursor != 0 && second_cursor != ~0ul) {
    gss_buffer_desc shorter = {static_cast<OM_uint32>(length / 2),
                               bytes.data()};
    FUZZ_CHECK(name.Set(static_cast<gss_OID>(nullptr), &shorter) == 0);
    const std::string new_text(bytes.data(), strnlen(bytes.data(), length / 2));
    ReadWithForeignCursor(name, second_cursor, LayoutOf(new_text));
  }
  return 0;
}
