// orbi_mech.so called directly, as the glue calls it: opened with the glue's
// dlopen flags and each entry point looked up by its standard name. This
// reaches what the glue filters out before calling the module (every shape
// of a malformed token, arguments the glue never passes) and checks every
// output on every path.
//
// The program is linked with neither the glue nor the library; only the
// module's RUNPATH finds the library.
#include <dlfcn.h>
#include <gssapi/gssapi.h>
#include <gssapi/gssapi_ext.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>
#include <functional>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "module_test_support.h"
#include "orbi_build_oids.h"

namespace orbi_mech_test {
namespace {

const std::string kMechBytes(ORBI_MECH_OID_DER, ORBI_MECH_OID_DER_LENGTH);

// The glue's declaration of the entry point it looks up in every module.
using InternalReleaseOid = OM_uint32 (*)(OM_uint32*, gss_OID*);

// The entry points, looked up in the module as the glue looks them up.
struct Module {
  void* handle = nullptr;
  decltype(&gss_import_name) import_name = nullptr;
  decltype(&gss_display_name) display_name = nullptr;
  decltype(&gss_compare_name) compare_name = nullptr;
  decltype(&gss_release_name) release_name = nullptr;
  decltype(&gss_duplicate_name) duplicate_name = nullptr;
  decltype(&gss_export_name) export_name = nullptr;
  decltype(&gss_export_name_composite) export_name_composite = nullptr;
  decltype(&gss_inquire_names_for_mech) inquire_names_for_mech = nullptr;
  decltype(&gss_display_status) display_status = nullptr;
  decltype(&gss_inquire_attrs_for_mech) inquire_attrs_for_mech = nullptr;
  decltype(&gss_inquire_saslname_for_mech) inquire_saslname_for_mech = nullptr;
  InternalReleaseOid internal_release_oid = nullptr;
  decltype(&gss_inquire_name) inquire_name = nullptr;
  decltype(&gss_get_name_attribute) get_name_attribute = nullptr;
  decltype(&gss_set_name_attribute) set_name_attribute = nullptr;
  decltype(&gss_delete_name_attribute) delete_name_attribute = nullptr;
};

const Module& Mech() {
  static const Module module = [] {
    Module m;
    m.handle = dlopen(ORBI_MECH_PATH, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (m.handle == nullptr) return m;
    Resolve(m.handle, "gss_import_name", &m.import_name);
    Resolve(m.handle, "gss_display_name", &m.display_name);
    Resolve(m.handle, "gss_compare_name", &m.compare_name);
    Resolve(m.handle, "gss_release_name", &m.release_name);
    Resolve(m.handle, "gss_duplicate_name", &m.duplicate_name);
    Resolve(m.handle, "gss_export_name", &m.export_name);
    Resolve(m.handle, "gss_export_name_composite", &m.export_name_composite);
    Resolve(m.handle, "gss_inquire_names_for_mech", &m.inquire_names_for_mech);
    Resolve(m.handle, "gss_display_status", &m.display_status);
    Resolve(m.handle, "gss_inquire_attrs_for_mech", &m.inquire_attrs_for_mech);
    Resolve(m.handle, "gss_inquire_saslname_for_mech",
            &m.inquire_saslname_for_mech);
    Resolve(m.handle, "gss_internal_release_oid", &m.internal_release_oid);
    Resolve(m.handle, "gss_inquire_name", &m.inquire_name);
    Resolve(m.handle, "gss_get_name_attribute", &m.get_name_attribute);
    Resolve(m.handle, "gss_set_name_attribute", &m.set_name_attribute);
    Resolve(m.handle, "gss_delete_name_attribute", &m.delete_name_attribute);
    return m;
  }();
  return module;
}

// The standard exported name token of name (RFC 2743 section 3.2).
std::string TokenOf(const std::string& name,
                    const std::string& mech = kMechBytes) {
  std::string token("\x04\x01", 2);
  const size_t wrapped = 2 + mech.size();
  token += static_cast<char>(wrapped >> 8);
  token += static_cast<char>(wrapped);
  token += '\x06';
  token += static_cast<char>(mech.size());
  token += mech;
  for (int shift = 24; shift >= 0; shift -= 8) {
    token += static_cast<char>(name.size() >> shift);
  }
  return token + name;
}

// The exported composite name token of name as the module writes it: the
// standard token's fields with the identifier 04 02, then the four-byte
// length of the attribute part and the part itself (empty when the module
// writes it).
std::string CompositeTokenOf(const std::string& name,
                             const std::string& attributes = "",
                             const std::string& mech = kMechBytes) {
  std::string token = TokenOf(name, mech);
  token[1] = '\x02';
  for (int shift = 24; shift >= 0; shift -= 8) {
    token += static_cast<char>(attributes.size() >> shift);
  }
  return token + attributes;
}

// The library's own token of name (PLVORBIInternalName::Export): the
// mechanism's content octets without a DER tag and length, and, when
// with_type, the default name type behind the name.
std::string LibraryTokenOf(const std::string& name, const std::string& mech,
                           bool with_type) {
  std::string token("\x04\x01", 2);
  token += static_cast<char>(mech.size() >> 8);
  token += static_cast<char>(mech.size());
  token += mech;
  for (int shift = 24; shift >= 0; shift -= 8) {
    token += static_cast<char>(name.size() >> shift);
  }
  token += name;
  if (with_type) {
    const std::string type(static_cast<const char*>(kDefaultType.elements),
                           kDefaultType.length);
    token += static_cast<char>(type.size() >> 8);
    token += static_cast<char>(type.size());
    token += type;
  }
  return token;
}

// GSS_C_NT_COMPOSITE_EXPORT, 1.3.6.1.5.6.6 (RFC 6680).
gss_OID_desc kCompositeExportType = {
    6, const_cast<char*>("\x2b\x06\x01\x05\x06\x06")};

gss_buffer_desc BufferOf(const std::string& bytes) {
  return {bytes.size(), const_cast<char*>(bytes.data())};
}

std::string StringOf(const gss_buffer_desc& buffer) {
  return std::string(static_cast<const char*>(buffer.value), buffer.length);
}

// A name of the module, released at the end of the scope.
class Name {
 public:
  Name() = default;
  ~Name() { Release(); }
  Name(const Name&) = delete;
  Name& operator=(const Name&) = delete;

  gss_name_t* out() {
    Release();
    return &name_;
  }
  gss_name_t get() const { return name_; }
  void Release() {
    OM_uint32 minor;
    if (name_ != GSS_C_NO_NAME) Mech().release_name(&minor, &name_);
  }

 private:
  gss_name_t name_ = GSS_C_NO_NAME;
};

// Import calls the module's gss_import_name with bytes and type.
OM_uint32 Import(const std::string& bytes, gss_OID type, Name* name,
                 OM_uint32* minor) {
  gss_buffer_desc input = BufferOf(bytes);
  return Mech().import_name(minor, &input, type, name->out());
}

std::string Export(const Name& name) {
  OM_uint32 minor = 0;
  gss_buffer_desc token = {0, nullptr};
  EXPECT_EQ(Mech().export_name(&minor, name.get(), &token), GSS_S_COMPLETE);
  std::string bytes = token.value != nullptr ? StringOf(token) : "";
  free(token.value);
  return bytes;
}

std::string ExportComposite(const Name& name) {
  OM_uint32 minor = 77;
  gss_buffer_desc token = {77, kJunk};
  EXPECT_EQ(Mech().export_name_composite(&minor, name.get(), &token),
            GSS_S_COMPLETE);
  EXPECT_EQ(minor, 0u);
  std::string bytes = token.value != nullptr ? StringOf(token) : "";
  free(token.value);
  return bytes;
}

int Compare(const Name& a, const Name& b) {
  OM_uint32 minor = 0;
  int equal = -1;
  EXPECT_EQ(Mech().compare_name(&minor, a.get(), b.get(), &equal),
            GSS_S_COMPLETE);
  return equal;
}

TEST(MechModule, LoadsWithTheGlueFlagsAndExportsTheNameEntryPoints) {
  const Module& m = Mech();
  ASSERT_NE(m.handle, nullptr) << dlerror();
  EXPECT_NE(m.import_name, nullptr);
  EXPECT_NE(m.display_name, nullptr);
  EXPECT_NE(m.compare_name, nullptr);
  EXPECT_NE(m.release_name, nullptr);
  EXPECT_NE(m.duplicate_name, nullptr);
  EXPECT_NE(m.export_name, nullptr);
  EXPECT_NE(m.inquire_names_for_mech, nullptr);
  EXPECT_NE(m.display_status, nullptr);
  EXPECT_NE(m.inquire_attrs_for_mech, nullptr);
  EXPECT_NE(m.inquire_saslname_for_mech, nullptr);
  EXPECT_NE(m.internal_release_oid, nullptr);
  EXPECT_NE(m.inquire_name, nullptr);
  EXPECT_NE(m.get_name_attribute, nullptr);
  EXPECT_NE(m.set_name_attribute, nullptr);
  EXPECT_NE(m.delete_name_attribute, nullptr);
  // The glue takes a table from gss_mech_initialize when there is one, and
  // would call a module's interposer, canonicalize or credential entry
  // points: the module has none of them.
  for (const char* absent :
       {"gss_mech_initialize", "gss_mech_interposer", "gss_canonicalize_name",
        "gss_acquire_cred", "gss_init_sec_context", "gss_accept_sec_context",
        "gssspi_import_name_by_mech", "gss_release_buffer",
        "gss_release_oid_set", "gss_display_name_ext", "gss_localname"}) {
    SCOPED_TRACE(absent);
    EXPECT_EQ(dlsym(m.handle, absent), nullptr);
  }
}

// Every name type the mechanism takes, by value; every other type is
// refused with GSS_S_BAD_NAMETYPE and the library's 36.
TEST(MechModule, ImportTakesOnlyItsNameTypes) {
  ASSERT_NE(Mech().handle, nullptr);
  gss_OID_desc default_copy = kDefaultType;  // another address, same value
  gss_OID_desc empty = {0, nullptr};
  const struct {
    const char* label;
    gss_OID type;
    std::string bytes;
    OM_uint32 major;
    const gss_OID_desc* shown_type;
  } kCases[] = {
      {"no type", GSS_C_NO_OID, "alice", GSS_S_COMPLETE, &kDefaultType},
      {"default type", &default_copy, "alice", GSS_S_COMPLETE, &kDefaultType},
      {"exported name", &kExportType, TokenOf("alice"), GSS_S_COMPLETE,
       &kDefaultType},
      {"anonymous", &kAnonymousType, "ignored", GSS_S_COMPLETE,
       &kAnonymousType},
      {"user name", &kUserNameType, "alice", GSS_S_BAD_NAMETYPE, nullptr},
      {"host-based service", &kHostBasedType, "svc@host", GSS_S_BAD_NAMETYPE,
       nullptr},
      {"the mechanism's OID", &kMech, "alice", GSS_S_BAD_NAMETYPE, nullptr},
      {"an empty OID", &empty, "alice", GSS_S_BAD_NAMETYPE, nullptr},
      {"bytes of no OID", &kUndecodable, "alice", GSS_S_BAD_NAMETYPE, nullptr},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    Name name;
    OM_uint32 minor = 77;
    EXPECT_EQ(Import(c.bytes, c.type, &name, &minor), c.major);
    if (c.major != GSS_S_COMPLETE) {
      EXPECT_EQ(minor, kBadNameType);
      EXPECT_EQ(name.get(), GSS_C_NO_NAME);
      continue;
    }
    EXPECT_EQ(minor, 0u);
    gss_buffer_desc shown = {0, nullptr};
    gss_OID type = GSS_C_NO_OID;
    ASSERT_EQ(Mech().display_name(&minor, name.get(), &shown, &type),
              GSS_S_COMPLETE);
    EXPECT_TRUE(SameOid(type, *c.shown_type));
    free(shown.value);
  }
}

// The anonymous type needs no bytes: the glue lets a caller leave them out.
TEST(MechModule, AnonymousImportNeedsNoBytes) {
  ASSERT_NE(Mech().handle, nullptr);
  Name name;
  OM_uint32 minor = 77;
  gss_buffer_desc none = {0, nullptr};
  EXPECT_EQ(Mech().import_name(&minor, &none, &kAnonymousType, name.out()),
            GSS_S_COMPLETE);
  EXPECT_NE(name.get(), GSS_C_NO_NAME);
}

// Names written as tokens and read back: the token has the standard layout,
// reads back to an equal name and exports to the same bytes again.
TEST(MechModule, TokensRoundTrip) {
  ASSERT_NE(Mech().handle, nullptr);
  const struct {
    const char* label;
    std::string text;
    std::string name;  // the bytes the token carries
  } kCases[] = {
      {"a name", "alice", "alice"},
      {"one byte", "a", "a"},
      {"an empty name", "", ""},
      {"a database path and entries", "db/users\nalice\nbob",
       "db/users\nalice\nbob"},
      {"zeros behind a NUL", std::string("al\0\0\0", 5),
       std::string("al\0\0\0", 5)},
      {"a counted NUL", std::string("alice\0", 6), std::string("alice\0", 6)},
      {"300 bytes", std::string(300, 'x'), std::string(300, 'x')},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    Name name;
    OM_uint32 minor = 0;
    ASSERT_EQ(Import(c.text, GSS_C_NO_OID, &name, &minor), GSS_S_COMPLETE);
    const std::string token = Export(name);
    EXPECT_EQ(token, TokenOf(c.name));
    Name back;
    ASSERT_EQ(Import(token, &kExportType, &back, &minor), GSS_S_COMPLETE);
    EXPECT_EQ(Export(back), token);
    EXPECT_EQ(Compare(name, back), 1);
  }
}

// Every other shape of token is refused, and the name output stays null.
TEST(MechModule, ImportRefusesMalformedTokens) {
  ASSERT_NE(Mech().handle, nullptr);
  const std::string good = TokenOf("alice");
  struct Case {
    std::string label;
    std::string token;
    OM_uint32 major;
    OM_uint32 minor;
  };
  std::vector<Case> cases;
  for (size_t n = 0; n < good.size(); ++n) {
    cases.push_back({"cut to " + std::to_string(n), good.substr(0, n),
                     GSS_S_DEFECTIVE_TOKEN, kMalformedToken});
  }
  // Offsets into the token follow the mechanism OID's length L (below 128,
  // so its DER length is one byte): M at 2, the OID at 6, N at 6 + L.
  const size_t L = kMechBytes.size();
  auto with = [&](size_t offset, const std::string& bytes) {
    std::string token = good;
    return token.replace(offset, bytes.size(), bytes);
  };
  const Case kShapes[] = {
      {"identifier 04 02", with(0, "\x04\x02"), GSS_S_DEFECTIVE_TOKEN,
       kMalformedToken},
      {"identifier 05 01", with(0, "\x05\x01"), GSS_S_DEFECTIVE_TOKEN,
       kMalformedToken},
      {"M one too long", with(2, std::string{'\0', char(L + 3)}),
       GSS_S_DEFECTIVE_TOKEN, kMalformedToken},
      {"M one too short", with(2, std::string{'\0', char(L + 1)}),
       GSS_S_DEFECTIVE_TOKEN, kMalformedToken},
      {"tag 07", with(4, "\x07"), GSS_S_DEFECTIVE_TOKEN, kMalformedToken},
      {"DER length too short", with(5, std::string{char(L - 1)}),
       GSS_S_DEFECTIVE_TOKEN, kMalformedToken},
      {"indefinite DER length", with(5, "\x80"), GSS_S_DEFECTIVE_TOKEN,
       kMalformedToken},
      {"long-form DER length",
       std::string{'\x04', '\x01', '\0', char(L + 3), '\x06', '\x81', char(L)} +
           kMechBytes + good.substr(6 + L),
       GSS_S_DEFECTIVE_TOKEN, kMalformedToken},
      {"no OID content",
       std::string("\x04\x01\x00\x02\x06\x00", 6) + good.substr(6 + L),
       GSS_S_DEFECTIVE_TOKEN, kMalformedToken},
      {"name length one too long", with(9 + L, "\x06"), GSS_S_DEFECTIVE_TOKEN,
       kMalformedToken},
      {"name length one too short", with(9 + L, "\x04"), GSS_S_DEFECTIVE_TOKEN,
       kMalformedToken},
      {"name length 4294967295", with(6 + L, "\xff\xff\xff\xff"),
       GSS_S_DEFECTIVE_TOKEN, kMalformedToken},
      {"a trailing byte", good + "x", GSS_S_DEFECTIVE_TOKEN, kMalformedToken},
      {"another mechanism",
       TokenOf("alice",
               std::string(static_cast<const char*>(kKerberosMech.elements),
                           kKerberosMech.length)),
       GSS_S_BAD_MECH, kForeignToken},
      {"a mechanism OID that does not decode",
       TokenOf("alice", std::string("\x2b\x80\x01", 3)), GSS_S_BAD_MECH,
       kInvalidMech},
      {"bytes behind a NUL in the name", TokenOf(std::string("al\0ce", 5)),
       GSS_S_BAD_NAME, kNameHasNul},
      // The library's own layout (PLVORBIInternalName::Export): well formed,
      // and refused for its layout, with or without the name type behind
      // the name; bytes behind it or another mechanism make it no token.
      {"the library's layout", LibraryTokenOf("alice", kMechBytes, true),
       GSS_S_DEFECTIVE_TOKEN, kLibraryToken},
      {"the library's layout without a name type",
       LibraryTokenOf("alice", kMechBytes, false), GSS_S_DEFECTIVE_TOKEN,
       kLibraryToken},
      {"the library's layout with a trailing byte",
       LibraryTokenOf("alice", kMechBytes, true) + "x", GSS_S_DEFECTIVE_TOKEN,
       kMalformedToken},
      {"the library's layout for another mechanism",
       LibraryTokenOf(
           "alice",
           std::string(static_cast<const char*>(kKerberosMech.elements),
                       kKerberosMech.length),
           false),
       GSS_S_DEFECTIVE_TOKEN, kMalformedToken},
  };
  cases.insert(cases.end(), std::begin(kShapes), std::end(kShapes));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Name name;
    OM_uint32 minor = 77;
    EXPECT_EQ(Import(c.token, &kExportType, &name, &minor), c.major);
    EXPECT_EQ(minor, c.minor);
    EXPECT_EQ(name.get(), GSS_C_NO_NAME);
  }
}

// Equality is the names' bytes: names that export different tokens differ,
// and an anonymous name equals no name, itself included.
TEST(MechModule, CompareLooksAtEveryByte) {
  ASSERT_NE(Mech().handle, nullptr);
  const struct {
    const char* label;
    std::string a;
    gss_OID a_type;
    std::string b;
    gss_OID b_type;
    int equal;
  } kCases[] = {
      {"same text", "alice", GSS_C_NO_OID, "alice", &kDefaultType, 1},
      {"text and token", "alice", GSS_C_NO_OID, TokenOf("alice"), &kExportType,
       1},
      {"case", "alice", GSS_C_NO_OID, "Alice", GSS_C_NO_OID, 0},
      {"prefix", "alice", GSS_C_NO_OID, "alic", GSS_C_NO_OID, 0},
      {"a counted NUL", "alice", GSS_C_NO_OID, std::string("alice\0", 6),
       GSS_C_NO_OID, 0},
      {"zeros behind a NUL", std::string("al\0", 3), GSS_C_NO_OID,
       std::string("al\0\0", 4), GSS_C_NO_OID, 0},
      {"two anonymous names", "", &kAnonymousType, "", &kAnonymousType, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    Name a;
    Name b;
    OM_uint32 minor = 0;
    ASSERT_EQ(Import(c.a, c.a_type, &a, &minor), GSS_S_COMPLETE);
    ASSERT_EQ(Import(c.b, c.b_type, &b, &minor), GSS_S_COMPLETE);
    EXPECT_EQ(Compare(a, b), c.equal);
    EXPECT_EQ(Compare(b, a), c.equal);
    EXPECT_EQ(Compare(a, a), c.a_type == &kAnonymousType ? 0 : 1);
  }
}

TEST(MechModule, DuplicateIsAnEqualIndependentName) {
  ASSERT_NE(Mech().handle, nullptr);
  Name name;
  Name copy;
  OM_uint32 minor = 0;
  ASSERT_EQ(Import("db/users\nalice", GSS_C_NO_OID, &name, &minor),
            GSS_S_COMPLETE);
  ASSERT_EQ(Mech().duplicate_name(&minor, name.get(), copy.out()),
            GSS_S_COMPLETE);
  EXPECT_NE(copy.get(), name.get());
  EXPECT_EQ(Compare(name, copy), 1);
  const std::string token = Export(name);
  name.Release();
  EXPECT_EQ(Export(copy), token);
}

TEST(MechModule, DisplayTypeOutputIsOptional) {
  ASSERT_NE(Mech().handle, nullptr);
  Name name;
  OM_uint32 minor = 0;
  ASSERT_EQ(Import("alice", GSS_C_NO_OID, &name, &minor), GSS_S_COMPLETE);
  gss_buffer_desc shown = {0, nullptr};
  ASSERT_EQ(Mech().display_name(&minor, name.get(), &shown, nullptr),
            GSS_S_COMPLETE);
  EXPECT_EQ(StringOf(shown), "alice");
  free(shown.value);
}

// The set and every OID's bytes come from malloc: the glue frees them.
TEST(MechModule, NamesForMechAreTheTypesImportTakes) {
  ASSERT_NE(Mech().handle, nullptr);
  gss_OID_desc mech_copy = kMech;
  OM_uint32 minor = 77;
  gss_OID_set set = reinterpret_cast<gss_OID_set>(kJunk);
  ASSERT_EQ(Mech().inquire_names_for_mech(&minor, &mech_copy, &set),
            GSS_S_COMPLETE);
  EXPECT_EQ(minor, 0u);
  ASSERT_NE(set, GSS_C_NO_OID_SET);
  ASSERT_EQ(set->count, 3u);
  EXPECT_TRUE(SameOid(&set->elements[0], kDefaultType));
  EXPECT_TRUE(SameOid(&set->elements[1], kExportType));
  EXPECT_TRUE(SameOid(&set->elements[2], kAnonymousType));
  for (size_t i = 0; i < set->count; ++i) {
    Name name;
    const std::string bytes =
        SameOid(&set->elements[i], kExportType) ? TokenOf("a") : "a";
    EXPECT_EQ(Import(bytes, &set->elements[i], &name, &minor), GSS_S_COMPLETE);
    free(set->elements[i].elements);
  }
  free(set->elements);
  free(set);
}

// A minor status as the lists give it: its number, name and message.
struct MinorRow {
  OM_uint32 value;
  const char* name;
  const char* message;
};
// The module's own codes (mech/minor_status.def).
constexpr MinorRow kModuleCodes[] = {
#define ORBI_MINOR(NAME, value, major_status, message) {value, #NAME, message},
#include "mech/minor_status.def"
};
// The library's statuses (orbi_name/status.def), each of which the module
// reports where a library call decided.
constexpr MinorRow kLibraryStatuses[] = {
#define ORBI_NAME_STATUS(NAME, value, major_status, message) \
  {value, #NAME, message},
#include "orbi_name/status.def"
};

// Applications see the module's codes through the glue, and a number once
// given keeps its meaning: every code's number and name are written out here
// once, from nowhere else, so that a change of mech/minor_status.def that
// renumbers or renames a code fails. A code added to the list is added here.
TEST(MechModule, MinorStatusNumbersNeverChange) {
  ASSERT_NE(Mech().handle, nullptr);
  const struct {
    OM_uint32 value;
    const char* name;
  } kPinned[] = {
      {100, "MALFORMED_TOKEN"},     {101, "FOREIGN_TOKEN"},
      {102, "NAME_HAS_NUL"},        {103, "NO_SUCH_ATTRIBUTE"},
      {104, "READ_ONLY_ATTRIBUTE"}, {105, "UNEXPECTED"},
      {106, "UNAVAILABLE"},         {107, "VALUE_OUT_OF_REACH"},
      {108, "ATTRIBUTES_DISAGREE"}, {109, "LIBRARY_TOKEN"},
  };
  ASSERT_EQ(std::size(kModuleCodes), std::size(kPinned))
      << "a code was added to or removed from mech/minor_status.def";
  gss_OID_desc mech_copy = kMech;
  for (size_t i = 0; i < std::size(kPinned); ++i) {
    const auto& pinned = kPinned[i];
    SCOPED_TRACE(pinned.name);
    EXPECT_EQ(kModuleCodes[i].value, pinned.value);
    EXPECT_STREQ(kModuleCodes[i].name, pinned.name);
    // The module answers for the number with the name.
    OM_uint32 minor = 77;
    OM_uint32 context = 0;
    gss_buffer_desc text = {0, nullptr};
    ASSERT_EQ(Mech().display_status(&minor, pinned.value, GSS_C_MECH_CODE,
                                    &mech_copy, &context, &text),
              GSS_S_COMPLETE);
    EXPECT_NE(StringOf(text).find(std::string("(") + pinned.name + ", status " +
                                  std::to_string(pinned.value) + ")"),
              std::string::npos)
        << StringOf(text);
    free(text.value);
  }
}

// Applications name the attributes by their URIs: each one's suffix under
// the mechanism's OID is written out here once, from nowhere else, so that a
// change of mech/name_attributes.def that moves or reorders one fails. An
// attribute added to the list is added here.
TEST(MechModule, AttributeUrisNeverChange) {
  const std::string under_mech = std::string("urn:oid:") + ORBI_MECH_OID_DOTTED;
  const std::vector<std::string> kPinned = {under_mech + ".2.1",
                                            under_mech + ".2.2"};
  EXPECT_EQ(kAttributes, kPinned);
  EXPECT_EQ(kPathAttribute, kPinned[0]);
  EXPECT_EQ(kEntriesAttribute, kPinned[1]);
}

// Every minor status the module reports, the library's and its own, has a
// text of its own: the row's message, name and number.
TEST(MechModule, StatusTextsNameEachMinorStatus) {
  ASSERT_NE(Mech().handle, nullptr);
  gss_OID_desc mech_copy = kMech;
  std::vector<MinorRow> rows(std::begin(kLibraryStatuses),
                             std::end(kLibraryStatuses));
  rows.insert(rows.end(), std::begin(kModuleCodes), std::end(kModuleCodes));
  std::vector<std::string> texts;
  for (const MinorRow& row : rows) {
    SCOPED_TRACE(row.name);
    OM_uint32 minor = 77;
    OM_uint32 context = 0;
    gss_buffer_desc text = {0, nullptr};
    ASSERT_EQ(Mech().display_status(&minor, row.value, GSS_C_MECH_CODE,
                                    &mech_copy, &context, &text),
              GSS_S_COMPLETE);
    EXPECT_EQ(minor, 0u);
    EXPECT_EQ(context, 0u);
    const std::string said = StringOf(text);
    EXPECT_EQ(said, std::string("ORBI mechanism: ") + row.message + " (" +
                        row.name + ", status " + std::to_string(row.value) +
                        ")");
    EXPECT_NE(said.find("ORBI"), std::string::npos) << said;
    EXPECT_NE(said.find(std::to_string(row.value)), std::string::npos) << said;
    EXPECT_EQ(strlen(static_cast<const char*>(text.value)), text.length);
    for (const std::string& other : texts) EXPECT_NE(said, other);
    texts.push_back(said);
    free(text.value);
  }
}

// A name is kept exactly or refused: bytes other than NUL behind a NUL would
// be lost by the text import, so no text type takes them. Zeros behind a
// NUL are kept as they are, and the anonymous type ignores the bytes.
TEST(MechModule, ImportRefusesBytesBehindANul) {
  ASSERT_NE(Mech().handle, nullptr);
  gss_OID_desc default_copy = kDefaultType;
  const struct {
    const char* label;
    std::string bytes;
    gss_OID type;
    OM_uint32 major;
    OM_uint32 minor;
  } kCases[] = {
      {"a byte behind a NUL", std::string("ali\0ce", 6), GSS_C_NO_OID,
       GSS_S_BAD_NAME, kNameHasNul},
      {"the same with the default type", std::string("ali\0ce", 6),
       &default_copy, GSS_S_BAD_NAME, kNameHasNul},
      {"a last byte behind zeros", std::string("a\0\0\0x", 5), GSS_C_NO_OID,
       GSS_S_BAD_NAME, kNameHasNul},
      {"a NUL first", std::string("\0a", 2), GSS_C_NO_OID, GSS_S_BAD_NAME,
       kNameHasNul},
      {"an entry behind a NUL", std::string("db\0\nalice", 9), GSS_C_NO_OID,
       GSS_S_BAD_NAME, kNameHasNul},
      {"a type not taken decides first", std::string("ali\0ce", 6),
       &kUserNameType, GSS_S_BAD_NAMETYPE, kBadNameType},
      {"zeros behind a NUL", std::string("ali\0\0", 5), GSS_C_NO_OID,
       GSS_S_COMPLETE, 0},
      {"a NUL alone", std::string("\0", 1), GSS_C_NO_OID, GSS_S_COMPLETE, 0},
      {"anonymous bytes are ignored", std::string("ali\0ce", 6),
       &kAnonymousType, GSS_S_COMPLETE, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    Name name;
    OM_uint32 minor = 77;
    EXPECT_EQ(Import(c.bytes, c.type, &name, &minor), c.major);
    EXPECT_EQ(minor, c.minor);
    if (c.major != GSS_S_COMPLETE) {
      EXPECT_EQ(name.get(), GSS_C_NO_NAME);
      continue;
    }
    if (c.type == &kAnonymousType) continue;
    gss_buffer_desc shown = {0, nullptr};
    ASSERT_EQ(Mech().display_name(&minor, name.get(), &shown, nullptr),
              GSS_S_COMPLETE);
    EXPECT_EQ(StringOf(shown), c.bytes);  // exactly the bytes given
    free(shown.value);
  }
}

// What the mechanism is, for callers that pick mechanisms by attribute:
// concrete, and never a default mechanism. The sets come from malloc, each
// OID's bytes a block of their own, as the glue releases them.
TEST(MechModule, MechAttrsSayConcreteAndNotDefault) {
  ASSERT_NE(Mech().handle, nullptr);
  // 1.3.6.1.5.5.13.N, RFC 5587: 1 GSS_C_MA_MECH_CONCRETE, 8
  // GSS_C_MA_NOT_DFLT_MECH, 27 GSS_C_MA_CTX_TRANS, the last it defines.
  const auto attr = [](unsigned char n) {
    return std::string("\x2b\x06\x01\x05\x05\x0d", 6) + static_cast<char>(n);
  };
  const auto strings = [](gss_OID_set set) {
    std::vector<std::string> out;
    for (size_t i = 0; i < set->count; ++i) {
      out.emplace_back(static_cast<const char*>(set->elements[i].elements),
                       set->elements[i].length);
    }
    return out;
  };
  const auto release = [](gss_OID_set set) {
    for (size_t i = 0; i < set->count; ++i) free(set->elements[i].elements);
    free(set->elements);
    free(set);
  };
  gss_OID_desc mech_copy = kMech;
  OM_uint32 minor = 77;
  gss_OID_set own = static_cast<gss_OID_set>(kJunk);
  gss_OID_set known = static_cast<gss_OID_set>(kJunk);
  ASSERT_EQ(Mech().inquire_attrs_for_mech(&minor, &mech_copy, &own, &known),
            GSS_S_COMPLETE);
  EXPECT_EQ(minor, 0u);
  ASSERT_NE(own, GSS_C_NO_OID_SET);
  ASSERT_NE(known, GSS_C_NO_OID_SET);
  EXPECT_EQ(strings(own), (std::vector<std::string>{attr(1), attr(8)}));
  std::vector<std::string> all;
  for (unsigned char n = 1; n <= 27; ++n) all.push_back(attr(n));
  EXPECT_EQ(strings(known), all);
  release(own);
  release(known);

  // Either output may be left out.
  own = static_cast<gss_OID_set>(kJunk);
  ASSERT_EQ(Mech().inquire_attrs_for_mech(&minor, &mech_copy, &own, nullptr),
            GSS_S_COMPLETE);
  EXPECT_EQ(own->count, 2u);
  release(own);
  EXPECT_EQ(Mech().inquire_attrs_for_mech(&minor, &mech_copy, nullptr, nullptr),
            GSS_S_COMPLETE);
}

// The table's OIDs, which the module hands out as name types and as the
// mechanism of a name, are not the glue's to free; every other OID is.
TEST(MechModule, InternalReleaseOidKeepsOnlyTheModulesOwnOids) {
  ASSERT_NE(Mech().handle, nullptr);
  Name name;
  OM_uint32 minor = 77;
  ASSERT_EQ(Import("alice", GSS_C_NO_OID, &name, &minor), GSS_S_COMPLETE);
  gss_buffer_desc shown = {0, nullptr};
  gss_OID type = GSS_C_NO_OID;
  ASSERT_EQ(Mech().display_name(&minor, name.get(), &shown, &type),
            GSS_S_COMPLETE);
  free(shown.value);
  gss_OID mech = GSS_C_NO_OID;
  ASSERT_EQ(Mech().inquire_name(&minor, name.get(), nullptr, &mech, nullptr),
            GSS_S_COMPLETE);
  for (gss_OID own : {type, mech}) {
    gss_OID oid = own;
    minor = 77;
    EXPECT_EQ(Mech().internal_release_oid(&minor, &oid), GSS_S_COMPLETE);
    EXPECT_EQ(oid, GSS_C_NO_OID);
    EXPECT_EQ(minor, 0u);
    EXPECT_TRUE(SameOid(own, kDefaultType) || SameOid(own, kMech));
  }
  // An equal OID elsewhere, no OID, and no pointer are left to the glue.
  gss_OID_desc copy = kDefaultType;
  gss_OID oid = &copy;
  EXPECT_EQ(Mech().internal_release_oid(&minor, &oid), GSS_S_CONTINUE_NEEDED);
  EXPECT_EQ(oid, &copy);
  oid = GSS_C_NO_OID;
  EXPECT_EQ(Mech().internal_release_oid(&minor, &oid), GSS_S_CONTINUE_NEEDED);
  EXPECT_EQ(Mech().internal_release_oid(&minor, nullptr),
            GSS_S_CONTINUE_NEEDED);
  EXPECT_EQ(Mech().internal_release_oid(nullptr, nullptr),
            GSS_S_CONTINUE_NEEDED);
}

// The SASL names: the GS2 name computed from the OID (checked against an
// independent SHA-1 in sasl_name_test), the mechanism's name and a one-line
// description; any output may be left out.
TEST(MechModule, SaslNameNamesTheMechanism) {
  ASSERT_NE(Mech().handle, nullptr);
  gss_OID_desc mech_copy = kMech;
  OM_uint32 minor = 77;
  gss_buffer_desc sasl = {77, kJunk};
  gss_buffer_desc name = {77, kJunk};
  gss_buffer_desc description = {77, kJunk};
  ASSERT_EQ(Mech().inquire_saslname_for_mech(&minor, &mech_copy, &sasl, &name,
                                             &description),
            GSS_S_COMPLETE);
  EXPECT_EQ(StringOf(sasl).size(), 15u);
  EXPECT_EQ(StringOf(sasl).rfind("GS2-", 0), 0u);
  EXPECT_EQ(StringOf(name), "ORBI");
  const std::string text = StringOf(description);
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(text.find('\n'), std::string::npos);
  for (gss_buffer_desc* b : {&sasl, &name, &description}) free(b->value);

  ASSERT_EQ(Mech().inquire_saslname_for_mech(&minor, &mech_copy, nullptr, &name,
                                             nullptr),
            GSS_S_COMPLETE);
  EXPECT_EQ(StringOf(name), "ORBI");
  free(name.value);
  EXPECT_EQ(Mech().inquire_saslname_for_mech(&minor, &kKerberosMech, &sasl,
                                             &name, &description),
            GSS_S_BAD_MECH);
  EXPECT_EQ(sasl.value, nullptr);
  // Without a minor status to write, nothing is answered: every output is
  // emptied, none is filled.
  sasl = name = description = {77, kJunk};
  EXPECT_EQ(Mech().inquire_saslname_for_mech(nullptr, &mech_copy, &sasl, &name,
                                             &description),
            GSS_S_CALL_INACCESSIBLE_WRITE);
  for (const gss_buffer_desc* b : {&sasl, &name, &description}) {
    EXPECT_EQ(b->value, nullptr);
    EXPECT_EQ(b->length, 0u);
  }
}

// AttributeValues reads every value of attr with the `more` iteration.
struct AttributeValues {
  OM_uint32 major = GSS_S_COMPLETE;
  std::vector<std::string> values;
  std::vector<std::string> shown;
};
AttributeValues ReadAttribute(gss_name_t name, const std::string& attr) {
  AttributeValues out;
  gss_buffer_desc attr_buffer = BufferOf(attr);
  int more = -1;
  do {
    OM_uint32 minor = 77;
    int authenticated = 77;
    int complete = 77;
    gss_buffer_desc value = {77, kJunk};
    gss_buffer_desc shown = {77, kJunk};
    const int asked = more;
    out.major =
        Mech().get_name_attribute(&minor, name, &attr_buffer, &authenticated,
                                  &complete, &value, &shown, &more);
    if (out.major != GSS_S_COMPLETE) {
      EXPECT_EQ(minor, kNoSuchAttribute);
      EXPECT_EQ(more, asked);
      EXPECT_EQ(value.value, nullptr);
      EXPECT_EQ(shown.value, nullptr);
      break;
    }
    EXPECT_EQ(minor, 0u);
    EXPECT_EQ(authenticated, 0);
    EXPECT_EQ(complete, 1);
    out.values.push_back(StringOf(value));
    out.shown.push_back(StringOf(shown));
    EXPECT_EQ(strlen(static_cast<const char*>(shown.value)), shown.length);
    free(value.value);
    free(shown.value);
  } while (more != 0);
  return out;
}

// A name's database path and entries as attributes: listed only where the
// name has them, the values its bytes in order, displayed printably.
TEST(MechModule, NameAttributesAreThePathAndTheEntries) {
  ASSERT_NE(Mech().handle, nullptr);
  using Strings = std::vector<std::string>;
  const struct {
    const char* label;
    std::string text;
    gss_OID type;
    Strings attributes;
    Strings path;
    Strings entries;
    Strings shown_entries;
  } kCases[] = {
      {"a path and two entries",
       "db/users\nalice\nbob",
       GSS_C_NO_OID,
       {kPathAttribute, kEntriesAttribute},
       {"db/users"},
       {"alice", "bob"},
       {"alice", "bob"}},
      {"a path alone",
       "alice",
       GSS_C_NO_OID,
       {kPathAttribute},
       {"alice"},
       {},
       {}},
      {"empty entries",
       "db\n\n",
       GSS_C_NO_OID,
       {kPathAttribute, kEntriesAttribute},
       {"db"},
       {"", ""},
       {"", ""}},
      {"bytes to escape",
       "db\n\x01\\\xff",
       GSS_C_NO_OID,
       {kPathAttribute, kEntriesAttribute},
       {"db"},
       {"\x01\\\xff"},
       {"\\x01\\\\\\xff"}},
      {"a counted NUL ends nothing",
       std::string("db\nalice\0", 9),
       GSS_C_NO_OID,
       {kPathAttribute, kEntriesAttribute},
       {"db"},
       {"alice"},
       {"alice"}},
      {"no path before the entries", "\nalice", GSS_C_NO_OID, {}, {}, {}, {}},
      {"an empty name", "", GSS_C_NO_OID, {}, {}, {}, {}},
      {"the anonymous name", "", &kAnonymousType, {}, {}, {}, {}},
      {"the anonymous sentinel as text",
       "!@#$%&:ORBI-ANONYMOUS:!@#$%&",
       GSS_C_NO_OID,
       {},
       {},
       {},
       {}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    Name name;
    OM_uint32 minor = 77;
    ASSERT_EQ(Import(c.text, c.type, &name, &minor), GSS_S_COMPLETE);
    int is_mn = 77;
    gss_OID mech = static_cast<gss_OID>(kJunk);
    gss_buffer_set_t attrs = static_cast<gss_buffer_set_t>(kJunk);
    ASSERT_EQ(Mech().inquire_name(&minor, name.get(), &is_mn, &mech, &attrs),
              GSS_S_COMPLETE);
    EXPECT_EQ(is_mn, 1);
    EXPECT_TRUE(SameOid(mech, kMech));
    ASSERT_NE(attrs, GSS_C_NO_BUFFER_SET);
    Strings listed;
    for (size_t i = 0; i < attrs->count; ++i) {
      listed.push_back(StringOf(attrs->elements[i]));
      free(attrs->elements[i].value);
    }
    free(attrs->elements);
    free(attrs);
    EXPECT_EQ(listed, c.attributes);

    const AttributeValues path = ReadAttribute(name.get(), kPathAttribute);
    EXPECT_EQ(path.values, c.path);
    EXPECT_EQ(path.major, c.path.empty() ? GSS_S_UNAVAILABLE : GSS_S_COMPLETE);
    const AttributeValues entries =
        ReadAttribute(name.get(), kEntriesAttribute);
    EXPECT_EQ(entries.values, c.entries);
    EXPECT_EQ(entries.shown, c.shown_entries);
    EXPECT_EQ(entries.major,
              c.entries.empty() ? GSS_S_UNAVAILABLE : GSS_S_COMPLETE);
  }
}

// The iteration state is the caller's: each value can be asked for again,
// and a state that designates no value is refused without a change.
TEST(MechModule, AttributeIterationRefusesStatesItDidNotHandOut) {
  ASSERT_NE(Mech().handle, nullptr);
  Name name;
  OM_uint32 minor = 77;
  ASSERT_EQ(Import("db\na\nb", GSS_C_NO_OID, &name, &minor), GSS_S_COMPLETE);
  gss_buffer_desc entries = BufferOf(kEntriesAttribute);
  const struct {
    const char* label;
    std::string attr;
    int more;
    OM_uint32 major;
    std::string value;
    int more_after;
  } kCases[] = {
      {"first", kEntriesAttribute, -1, GSS_S_COMPLETE, "a", 1},
      {"second again", kEntriesAttribute, 1, GSS_S_COMPLETE, "b", 0},
      {"past the last", kEntriesAttribute, 2, GSS_S_UNAVAILABLE, "", 2},
      {"after the last", kEntriesAttribute, 0, GSS_S_UNAVAILABLE, "", 0},
      {"below -1", kEntriesAttribute, -2, GSS_S_UNAVAILABLE, "", -2},
      {"far past the last", kEntriesAttribute, 2147483647, GSS_S_UNAVAILABLE,
       "", 2147483647},
      {"the lowest int", kEntriesAttribute, -2147483647 - 1, GSS_S_UNAVAILABLE,
       "", -2147483647 - 1},
      {"the path's second", kPathAttribute, 1, GSS_S_UNAVAILABLE, "", 1},
      {"another attribute", "urn:oid:1.2.3", -1, GSS_S_UNAVAILABLE, "", -1},
      {"a prefix of one", kEntriesAttribute.substr(0, 10), -1,
       GSS_S_UNAVAILABLE, "", -1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    gss_buffer_desc attr = BufferOf(c.attr);
    gss_buffer_desc value = {0, nullptr};
    int more = c.more;
    EXPECT_EQ(Mech().get_name_attribute(&minor, name.get(), &attr, nullptr,
                                        nullptr, &value, nullptr, &more),
              c.major);
    EXPECT_EQ(more, c.more_after);
    EXPECT_EQ(StringOf(value), c.value);
    if (c.major != GSS_S_COMPLETE) {
      EXPECT_EQ(minor, kNoSuchAttribute);
    }
    free(value.value);
  }
  // Neither the value nor its display need be asked for.
  int more = -1;
  EXPECT_EQ(Mech().get_name_attribute(&minor, name.get(), &entries, nullptr,
                                      nullptr, nullptr, nullptr, &more),
            GSS_S_COMPLETE);
  EXPECT_EQ(more, 1);
}

// EntriesText is a text of count entries "e0", "e1", ... behind the path
// "db".
std::string EntriesText(size_t count) {
  std::string text = "db";
  for (size_t i = 0; i < count; ++i) text += "\ne" + std::to_string(i);
  return text;
}

std::vector<std::string> EntryNames(size_t count) {
  std::vector<std::string> names;
  for (size_t i = 0; i < count; ++i) names.push_back("e" + std::to_string(i));
  return names;
}

// NextEntry reads the entry that more designates and moves more on.
std::string NextEntry(const Name& name, int* more) {
  OM_uint32 minor = 77;
  gss_buffer_desc entries = BufferOf(kEntriesAttribute);
  gss_buffer_desc value = {0, nullptr};
  EXPECT_EQ(Mech().get_name_attribute(&minor, name.get(), &entries, nullptr,
                                      nullptr, &value, nullptr, more),
            GSS_S_COMPLETE);
  std::string got = value.value != nullptr ? StringOf(value) : "";
  free(value.value);
  return got;
}

// EntryAt reads the entry at index with the *more that designates it (-1
// for the first) and checks the *more handed back: the next index, or 0
// after the last of count entries.
std::string EntryAt(const Name& name, int index, int count) {
  int more = index == 0 ? -1 : index;
  const std::string value = NextEntry(name, &more);
  EXPECT_EQ(more, index + 1 == count ? 0 : index + 1);
  return value;
}

// A *more is the index of the entry it designates, and the order of the
// calls is the caller's: every value comes out right however the readings
// of several names interleave on one thread, when a *more is used again or
// out of order, and when another thread goes on with a *more this one
// handed out.
TEST(MechModule, EntryValuesComeOutRightInAnyOrderOfCalls) {
  ASSERT_NE(Mech().handle, nullptr);
  constexpr size_t kNames = 7;
  constexpr size_t kCount = 5;
  Name names[kNames];
  for (size_t n = 0; n < kNames; ++n) {
    OM_uint32 minor = 77;
    ASSERT_EQ(Import("db\n" + std::to_string(n) + "\n" +
                         EntriesText(kCount).substr(3),
                     GSS_C_NO_OID, &names[n], &minor),
              GSS_S_COMPLETE);
  }
  // Round robin over the names, one value of each in turn.
  int more[kNames];
  for (int& m : more) m = -1;
  for (size_t i = 0; i <= kCount; ++i) {
    for (size_t n = 0; n < kNames; ++n) {
      SCOPED_TRACE(testing::Message() << "name " << n << " value " << i);
      EXPECT_EQ(NextEntry(names[n], &more[n]),
                i == 0 ? std::to_string(n) : "e" + std::to_string(i - 1));
    }
  }
  for (int m : more) EXPECT_EQ(m, 0);
  // A *more used twice, and out of order.
  int first = -1;
  EXPECT_EQ(NextEntry(names[0], &first), "0");
  int again = first;
  EXPECT_EQ(NextEntry(names[0], &first), "e0");
  EXPECT_EQ(NextEntry(names[0], &again), "e0");
  for (int index : {3, 1, 5, 2, 2, 4}) {
    SCOPED_TRACE(index);
    EXPECT_EQ(EntryAt(names[0], index, kCount + 1),
              "e" + std::to_string(index - 1));
  }
  // Another thread goes on with this thread's *more.
  int handed = -1;
  EXPECT_EQ(NextEntry(names[1], &handed), "1");
  std::vector<std::string> rest;
  std::thread other([&] {
    while (handed != 0) rest.push_back(NextEntry(names[1], &handed));
  });
  other.join();
  EXPECT_EQ(rest, EntryNames(kCount));
}

// Several threads read one name at once, from its first read on (so they
// may all ask the library for its entries together): one reading whose
// *more they hand to each other, and each its own readings at indices out
// of order. Every value is the entry at its index.
TEST(MechModule, ThreadsShareOneNameAndItsMoreValues) {
  ASSERT_NE(Mech().handle, nullptr);
  constexpr int kThreads = 4;
  constexpr int kCount = 3000;
  Name name;
  OM_uint32 minor = 77;
  ASSERT_EQ(Import(EntriesText(kCount), GSS_C_NO_OID, &name, &minor),
            GSS_S_COMPLETE);
  std::mutex shared_lock;
  int shared_more = -1;  // the shared reading's next *more
  std::vector<std::string> shared_values;
  std::atomic<int> wrong{0};
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      while (!go.load()) std::this_thread::yield();
      for (int step = 0; step < kCount; ++step) {
        // Its own reading: a stride through the indices, different on
        // each thread, so that indices come out of order and again.
        const int index = (step * (2 * t + 7) + t) % kCount;
        int more = index == 0 ? -1 : index;
        if (NextEntry(name, &more) != "e" + std::to_string(index) ||
            more != (index + 1 == kCount ? 0 : index + 1)) {
          ++wrong;
        }
        // The shared reading goes one value on, on whichever thread.
        std::lock_guard<std::mutex> hold(shared_lock);
        if (shared_more != 0) {
          shared_values.push_back(NextEntry(name, &shared_more));
        }
      }
    });
  }
  go = true;
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(shared_more, 0);
  EXPECT_TRUE(shared_values == EntryNames(kCount));
}

// Whether the build's allocator hands a freed block straight back, as
// glibc's does for a block of the size just freed; the sanitizers' never do.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kAllocatorReusesBlocks = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kAllocatorReusesBlocks = false;
#else
constexpr bool kAllocatorReusesBlocks = true;
#endif
#else
constexpr bool kAllocatorReusesBlocks = true;
#endif

// A name is released and another one made at its address (the plain
// allocator hands the block back). The *more values the old name handed
// out designate the new name's entries at those indices, or are refused
// where it has none: nothing of the old name's reading survives it.
TEST(MechModule, MoreValuesOutliveNoName) {
  ASSERT_NE(Mech().handle, nullptr);
  OM_uint32 minor = 77;
  Name old_name;
  ASSERT_EQ(Import("db\nAAAA\nx\ny\nz", GSS_C_NO_OID, &old_name, &minor),
            GSS_S_COMPLETE);
  std::vector<int> handed;  // every *more the old name handed out
  int more = -1;
  EXPECT_EQ(NextEntry(old_name, &more), "AAAA");
  while (more != 0) {
    handed.push_back(more);
    NextEntry(old_name, &more);
  }
  ASSERT_EQ(handed, (std::vector<int>{1, 2, 3}));
  const gss_name_t old_address = old_name.get();
  old_name.Release();

  Name new_name;
  ASSERT_EQ(
      Import(std::string("db\na\nb\n\nZ"), GSS_C_NO_OID, &new_name, &minor),
      GSS_S_COMPLETE);
  if (kAllocatorReusesBlocks) {
    EXPECT_EQ(new_name.get(), old_address);
  }
  // Read honestly from the first value.
  more = -1;
  std::vector<std::string> values;
  while (more != 0) values.push_back(NextEntry(new_name, &more));
  EXPECT_EQ(values, (std::vector<std::string>{"a", "b", "", "Z"}));
  // The old *more values, each on the new name.
  const std::string kNewEntries[] = {"a", "b", "", "Z"};
  for (int old_more : handed) {
    SCOPED_TRACE(old_more);
    EXPECT_EQ(EntryAt(new_name, old_more, 4), kNewEntries[old_more]);
  }
  // One past the new name's last: refused, *more untouched.
  Name short_name;
  new_name.Release();
  ASSERT_EQ(Import("db\nq", GSS_C_NO_OID, &short_name, &minor), GSS_S_COMPLETE);
  for (int old_more : handed) {
    SCOPED_TRACE(old_more);
    gss_buffer_desc entries = BufferOf(kEntriesAttribute);
    gss_buffer_desc value = {77, kJunk};
    int carried = old_more;
    EXPECT_EQ(
        Mech().get_name_attribute(&minor, short_name.get(), &entries, nullptr,
                                  nullptr, &value, nullptr, &carried),
        GSS_S_UNAVAILABLE);
    EXPECT_EQ(minor, kNoSuchAttribute);
    EXPECT_EQ(carried, old_more);
    EXPECT_EQ(value.value, nullptr);
  }
}

// Reading every value of a name of many entries: each value in order, and
// the last one ends the iteration.
TEST(MechModule, EveryEntryOfALargeName) {
  ASSERT_NE(Mech().handle, nullptr);
  constexpr size_t kCount = 100000;
  Name name;
  OM_uint32 minor = 77;
  ASSERT_EQ(Import(EntriesText(kCount), GSS_C_NO_OID, &name, &minor),
            GSS_S_COMPLETE);
  const AttributeValues entries = ReadAttribute(name.get(), kEntriesAttribute);
  EXPECT_EQ(entries.major, GSS_S_COMPLETE);
  EXPECT_TRUE(entries.values == EntryNames(kCount));
}

// Attributes lists the attribute names gss_inquire_name gives for name.
std::vector<std::string> Attributes(const Name& name) {
  OM_uint32 minor = 77;
  gss_buffer_set_t attrs = GSS_C_NO_BUFFER_SET;
  EXPECT_EQ(Mech().inquire_name(&minor, name.get(), nullptr, nullptr, &attrs),
            GSS_S_COMPLETE);
  std::vector<std::string> listed;
  if (attrs == GSS_C_NO_BUFFER_SET) return listed;
  for (size_t i = 0; i < attrs->count; ++i) {
    listed.push_back(StringOf(attrs->elements[i]));
    free(attrs->elements[i].value);
  }
  free(attrs->elements);
  free(attrs);
  return listed;
}

// A name's exported composite token: the standard layout with 04 02 and an
// empty attribute part behind the name, since every attribute comes from
// the name's text. Read back under either token type (MIT's glue hands a
// composite token on under the type its caller gave, which is
// GSS_C_NT_EXPORT_NAME for MIT's own t_namingexts), it and the standard
// token give a name equal to the first, with the same attributes and
// values, which exports both tokens again.
TEST(MechModule, CompositeTokensRoundTrip) {
  ASSERT_NE(Mech().handle, nullptr);
  ASSERT_NE(Mech().export_name_composite, nullptr);
  const struct {
    const char* label;
    std::string text;
  } kCases[] = {
      {"a name", "alice"},
      {"an empty name", ""},
      {"a database path and entries", "db/users\nalice\nbob"},
      {"empty entries", "db\n\n"},
      {"no path before the entries", "\nalice"},
      {"zeros behind a NUL", std::string("al\0\0\0", 5)},
      {"300 bytes", std::string(300, 'x')},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    Name name;
    OM_uint32 minor = 0;
    ASSERT_EQ(Import(c.text, GSS_C_NO_OID, &name, &minor), GSS_S_COMPLETE);
    const std::string composite = ExportComposite(name);
    EXPECT_EQ(composite, CompositeTokenOf(c.text));
    const std::string plain = Export(name);
    for (gss_OID type : {&kCompositeExportType, &kExportType}) {
      for (const std::string& token : {composite, plain}) {
        SCOPED_TRACE(
            testing::Message()
            << (type == &kExportType ? "export type" : "composite type")
            << (token == plain ? ", standard token" : ", composite"));
        Name back;
        minor = 77;
        ASSERT_EQ(Import(token, type, &back, &minor), GSS_S_COMPLETE);
        EXPECT_EQ(minor, 0u);
        EXPECT_EQ(Compare(name, back), 1);
        EXPECT_EQ(Export(back), plain);
        EXPECT_EQ(ExportComposite(back), composite);
        EXPECT_EQ(Attributes(back), Attributes(name));
        for (const std::string& attr : Attributes(name)) {
          EXPECT_EQ(ReadAttribute(back.get(), attr).values,
                    ReadAttribute(name.get(), attr).values);
        }
      }
    }
  }
  // The anonymous name's tokens carry its sentinel, which reads back as the
  // anonymous name.
  Name anonymous;
  OM_uint32 minor = 0;
  ASSERT_EQ(Import("", &kAnonymousType, &anonymous, &minor), GSS_S_COMPLETE);
  Name back;
  ASSERT_EQ(
      Import(ExportComposite(anonymous), &kCompositeExportType, &back, &minor),
      GSS_S_COMPLETE);
  EXPECT_EQ(Export(back), Export(anonymous));
  EXPECT_EQ(Compare(back, back), 0);
}

// A composite token is refused as a standard one is, whatever is wrong with
// it, under either token type, and one with an attribute part is refused
// whole: no name is made.
TEST(MechModule, ImportRefusesMalformedCompositeTokens) {
  ASSERT_NE(Mech().handle, nullptr);
  const std::string good = CompositeTokenOf("db\nalice");
  struct Case {
    std::string label;
    std::string token;
    OM_uint32 major;
    OM_uint32 minor;
  };
  std::vector<Case> cases;
  for (size_t n = 0; n < good.size(); ++n) {
    cases.push_back({"cut to " + std::to_string(n), good.substr(0, n),
                     GSS_S_DEFECTIVE_TOKEN, kMalformedToken});
  }
  // A follows the name: at 10 + L + 8 for the name "db\nalice".
  const size_t a_at = 10 + kMechBytes.size() + 8;
  auto with = [&](size_t offset, const std::string& bytes) {
    std::string token = good;
    return token.replace(offset, bytes.size(), bytes);
  };
  const Case kShapes[] = {
      {"identifier 04 03", with(0, "\x04\x03"), GSS_S_DEFECTIVE_TOKEN,
       kMalformedToken},
      {"identifier 04 01 with an attribute part", with(0, "\x04\x01"),
       GSS_S_DEFECTIVE_TOKEN, kMalformedToken},
      {"A one too long", with(a_at + 3, "\x01"), GSS_S_DEFECTIVE_TOKEN,
       kMalformedToken},
      {"A 4294967295", with(a_at, "\xff\xff\xff\xff"), GSS_S_DEFECTIVE_TOKEN,
       kMalformedToken},
      {"name length one too long", with(a_at - 9, "\x09"),
       GSS_S_DEFECTIVE_TOKEN, kMalformedToken},
      {"a trailing byte", good + "x", GSS_S_DEFECTIVE_TOKEN, kMalformedToken},
      {"an attribute part", CompositeTokenOf("db\nalice", "db\nmallory"),
       GSS_S_DEFECTIVE_TOKEN, kAttributesDisagree},
      {"one attribute byte",
       CompositeTokenOf("db\nalice", std::string(1, '\0')),
       GSS_S_DEFECTIVE_TOKEN, kAttributesDisagree},
      {"another mechanism",
       CompositeTokenOf(
           "alice", "",
           std::string(static_cast<const char*>(kKerberosMech.elements),
                       kKerberosMech.length)),
       GSS_S_BAD_MECH, kForeignToken},
      {"bytes behind a NUL in the name",
       CompositeTokenOf(std::string("al\0ce", 5)), GSS_S_BAD_NAME, kNameHasNul},
  };
  cases.insert(cases.end(), std::begin(kShapes), std::end(kShapes));
  // Both token types read a token alike.
  for (gss_OID type : {&kCompositeExportType, &kExportType}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.label);
      Name name;
      OM_uint32 minor = 77;
      EXPECT_EQ(Import(c.token, type, &name, &minor), c.major);
      EXPECT_EQ(minor, c.minor);
      EXPECT_EQ(name.get(), GSS_C_NO_NAME);
    }
  }
  // The type is told by value: an OID one arc off is refused as a type.
  gss_OID_desc near = {6, const_cast<char*>("\x2b\x06\x01\x05\x06\x07")};
  Name name;
  OM_uint32 minor = 77;
  EXPECT_EQ(Import(good, &near, &name, &minor), GSS_S_BAD_NAMETYPE);
  EXPECT_EQ(minor, kBadNameType);
}

// The attributes come from the name's text, which never changes: setting
// or deleting one of them is not allowed, any other is not known.
TEST(MechModule, AttributesCannotBeSetOrDeleted) {
  ASSERT_NE(Mech().handle, nullptr);
  Name name;
  OM_uint32 minor = 77;
  ASSERT_EQ(Import("db\nalice", GSS_C_NO_OID, &name, &minor), GSS_S_COMPLETE);
  gss_buffer_desc value = BufferOf("mallory");
  const struct {
    std::string attr;
    OM_uint32 major;
    OM_uint32 minor;
  } kCases[] = {
      {kPathAttribute, GSS_S_UNAUTHORIZED, kReadOnlyAttribute},
      {kEntriesAttribute, GSS_S_UNAUTHORIZED, kReadOnlyAttribute},
      {"urn:oid:1.2.3", GSS_S_UNAVAILABLE, kNoSuchAttribute},
      {"", GSS_S_UNAVAILABLE, kNoSuchAttribute},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.attr);
    gss_buffer_desc attr = BufferOf(c.attr);
    minor = 77;
    EXPECT_EQ(Mech().set_name_attribute(&minor, name.get(), 1, &attr, &value),
              c.major);
    EXPECT_EQ(minor, c.minor);
    minor = 77;
    EXPECT_EQ(Mech().delete_name_attribute(&minor, name.get(), &attr), c.major);
    EXPECT_EQ(minor, c.minor);
  }
  EXPECT_EQ(ReadAttribute(name.get(), kEntriesAttribute).values,
            std::vector<std::string>{"alice"});
}

// Each refusal of a call: its major and minor status, and every output it
// can write reset, whatever the caller left there.
TEST(MechModule, RefusalsResetEveryOutput) {
  ASSERT_NE(Mech().handle, nullptr);
  const Module& m = Mech();
  Name alice_name;
  OM_uint32 ignored = 0;
  ASSERT_EQ(Import("alice", GSS_C_NO_OID, &alice_name, &ignored),
            GSS_S_COMPLETE);
  const gss_name_t alice = alice_name.get();
  gss_OID_desc mech = kMech;
  gss_buffer_desc input = BufferOf("alice");
  gss_buffer_desc null_bytes = {5, nullptr};
  gss_name_t no_name = GSS_C_NO_NAME;

  // The outputs a call may be handed, filled with junk.
  struct Outputs {
    OM_uint32 minor = 77;
    gss_name_t name = static_cast<gss_name_t>(kJunk);
    gss_buffer_desc buffer = {77, kJunk};
    gss_OID oid = static_cast<gss_OID>(kJunk);
    gss_OID_set set = static_cast<gss_OID_set>(kJunk);
    int equal = 77;
    OM_uint32 context = 5;
  };
  enum : int {
    kName = 1,
    kBuffer = 2,
    kOid = 4,
    kSet = 8,
    kEqual = 16,
    kContext = 32
  };
  const struct {
    const char* label;
    std::function<OM_uint32(Outputs*)> call;
    OM_uint32 major;
    OM_uint32 minor;
    int resets;  // the outputs the call was handed
  } kCases[] = {
      {"import without a minor status",
       [&](Outputs* o) {
         return m.import_name(nullptr, &input, GSS_C_NO_OID, &o->name);
       },
       GSS_S_CALL_INACCESSIBLE_WRITE, 77, kName},
      {"import without an output",
       [&](Outputs* o) {
         return m.import_name(&o->minor, &input, GSS_C_NO_OID, nullptr);
       },
       GSS_S_CALL_INACCESSIBLE_WRITE, kBadInput, 0},
      {"import without a buffer",
       [&](Outputs* o) {
         return m.import_name(&o->minor, GSS_C_NO_BUFFER, GSS_C_NO_OID,
                              &o->name);
       },
       GSS_S_CALL_INACCESSIBLE_READ | GSS_S_BAD_NAME, kBadInput, kName},
      {"import of a length without bytes",
       [&](Outputs* o) {
         return m.import_name(&o->minor, &null_bytes, GSS_C_NO_OID, &o->name);
       },
       GSS_S_CALL_INACCESSIBLE_READ | GSS_S_BAD_NAME, kBadInput, kName},
      {"display of no name",
       [&](Outputs* o) {
         return m.display_name(&o->minor, no_name, &o->buffer, &o->oid);
       },
       GSS_S_CALL_INACCESSIBLE_READ | GSS_S_BAD_NAME, kBadInput,
       kBuffer | kOid},
      {"display without a buffer",
       [&](Outputs* o) {
         return m.display_name(&o->minor, alice, nullptr, &o->oid);
       },
       GSS_S_CALL_INACCESSIBLE_WRITE, kBadInput, kOid},
      {"compare with no name",
       [&](Outputs* o) {
         return m.compare_name(&o->minor, alice, no_name, &o->equal);
       },
       GSS_S_CALL_INACCESSIBLE_READ | GSS_S_BAD_NAME, kBadInput, kEqual},
      {"compare without a result",
       [&](Outputs* o) {
         return m.compare_name(&o->minor, alice, alice, nullptr);
       },
       GSS_S_CALL_INACCESSIBLE_WRITE, kBadInput, 0},
      {"release without a pointer",
       [&](Outputs* o) { return m.release_name(&o->minor, nullptr); },
       GSS_S_CALL_INACCESSIBLE_READ | GSS_S_BAD_NAME, kBadInput, 0},
      {"release of no name, as the glue does",
       [&](Outputs* o) { return m.release_name(&o->minor, &no_name); },
       GSS_S_COMPLETE, 0, 0},
      {"duplicate of no name",
       [&](Outputs* o) {
         return m.duplicate_name(&o->minor, no_name, &o->name);
       },
       GSS_S_CALL_INACCESSIBLE_READ | GSS_S_BAD_NAME, kBadInput, kName},
      {"duplicate without an output",
       [&](Outputs* o) { return m.duplicate_name(&o->minor, alice, nullptr); },
       GSS_S_CALL_INACCESSIBLE_WRITE, kBadInput, 0},
      {"export of no name",
       [&](Outputs* o) {
         return m.export_name(&o->minor, no_name, &o->buffer);
       },
       GSS_S_CALL_INACCESSIBLE_READ | GSS_S_BAD_NAME, kBadInput, kBuffer},
      {"export without a buffer",
       [&](Outputs* o) { return m.export_name(&o->minor, alice, nullptr); },
       GSS_S_CALL_INACCESSIBLE_WRITE, kBadInput, 0},
      {"names for another mechanism",
       [&](Outputs* o) {
         return m.inquire_names_for_mech(&o->minor, &kKerberosMech, &o->set);
       },
       GSS_S_BAD_MECH, kMechNotSupported, kSet},
      {"names for bytes of no OID",
       [&](Outputs* o) {
         return m.inquire_names_for_mech(&o->minor, &kUndecodable, &o->set);
       },
       GSS_S_BAD_MECH, kInvalidMech, kSet},
      {"names for no mechanism",
       [&](Outputs* o) {
         return m.inquire_names_for_mech(&o->minor, GSS_C_NO_OID, &o->set);
       },
       GSS_S_CALL_INACCESSIBLE_READ, kBadInput, kSet},
      {"names without an output",
       [&](Outputs* o) {
         return m.inquire_names_for_mech(&o->minor, &mech, nullptr);
       },
       GSS_S_CALL_INACCESSIBLE_WRITE, kBadInput, 0},
      {"status text of a major status",
       [&](Outputs* o) {
         o->context = 0;
         return m.display_status(&o->minor, GSS_S_BAD_NAME, GSS_C_GSS_CODE,
                                 &mech, &o->context, &o->buffer);
       },
       GSS_S_BAD_STATUS, 0, kBuffer | kContext},
      {"status text of an unknown status",
       [&](Outputs* o) {
         o->context = 0;
         return m.display_status(&o->minor, 99999, GSS_C_MECH_CODE, &mech,
                                 &o->context, &o->buffer);
       },
       GSS_S_BAD_STATUS, 0, kBuffer | kContext},
      {"status text with a context not handed out",
       [&](Outputs* o) {
         return m.display_status(&o->minor, kBadNameType, GSS_C_MECH_CODE,
                                 &mech, &o->context, &o->buffer);
       },
       GSS_S_BAD_STATUS, 0, kBuffer | kContext},
      {"status text for another mechanism",
       [&](Outputs* o) {
         o->context = 0;
         return m.display_status(&o->minor, kBadNameType, GSS_C_MECH_CODE,
                                 &kKerberosMech, &o->context, &o->buffer);
       },
       GSS_S_BAD_MECH, kMechNotSupported, kBuffer | kContext},
      {"status text without a context",
       [&](Outputs* o) {
         return m.display_status(&o->minor, kBadNameType, GSS_C_MECH_CODE,
                                 &mech, nullptr, &o->buffer);
       },
       GSS_S_CALL_INACCESSIBLE_WRITE, kBadInput, kBuffer},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    Outputs o;
    EXPECT_EQ(c.call(&o), c.major);
    EXPECT_EQ(o.minor, c.minor);
    const Outputs junk;
    EXPECT_EQ(o.name, (c.resets & kName) ? GSS_C_NO_NAME : junk.name);
    EXPECT_EQ(o.buffer.length, (c.resets & kBuffer) ? 0 : junk.buffer.length);
    EXPECT_EQ(o.buffer.value, (c.resets & kBuffer) ? nullptr : kJunk);
    EXPECT_EQ(o.oid, (c.resets & kOid) ? GSS_C_NO_OID : junk.oid);
    EXPECT_EQ(o.set, (c.resets & kSet) ? GSS_C_NO_OID_SET : junk.set);
    EXPECT_EQ(o.equal, (c.resets & kEqual) ? 0 : junk.equal);
    EXPECT_EQ(o.context, (c.resets & kContext) ? 0u : junk.context);
  }
  EXPECT_EQ(no_name, GSS_C_NO_NAME);
}

}  // namespace
}  // namespace orbi_mech_test
