// orbi_mech_heimdal.so called directly, as Heimdal's glue calls it: opened
// with the glue's dlopen flags and each entry point looked up by its
// standard name. This covers what the module adds for that glue (the entry
// points the glue insists on, canonicalization, the mechanism sets, the SASL
// lookup) and what it does differently (OID sets whose bytes the caller does
// not free, untyped text handed over under the user-name type), on every
// path the glue never takes. The shared entry points are the same objects
// as orbi_mech.so's and are covered by mech_module_test.
//
// The program is linked with neither a glue nor the library; only the
// module's RUNPATH finds the library.
#include <dlfcn.h>
#include <gssapi/gssapi.h>
#include <gssapi/gssapi_ext.h>
#include <stdlib.h>
#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "module_test_support.h"

namespace orbi_mech_test {
namespace {

// The entry points, looked up in the module as the glue looks them up.
struct Module {
  void* handle = nullptr;
  decltype(&gss_import_name) import_name = nullptr;
  decltype(&gss_display_name) display_name = nullptr;
  decltype(&gss_compare_name) compare_name = nullptr;
  decltype(&gss_release_name) release_name = nullptr;
  decltype(&gss_export_name) export_name = nullptr;
  decltype(&gss_export_name_composite) export_name_composite = nullptr;
  decltype(&gss_canonicalize_name) canonicalize_name = nullptr;
  decltype(&gss_indicate_mechs) indicate_mechs = nullptr;
  decltype(&gss_inquire_mechs_for_name) inquire_mechs_for_name = nullptr;
  decltype(&gss_inquire_names_for_mech) inquire_names_for_mech = nullptr;
  decltype(&gss_inquire_attrs_for_mech) inquire_attrs_for_mech = nullptr;
  decltype(&gss_inquire_mech_for_saslname) inquire_mech_for_saslname = nullptr;
  decltype(&gss_inquire_saslname_for_mech) inquire_saslname_for_mech = nullptr;
  void* (*mech_initialize)(gss_const_OID) = nullptr;
};

const Module& Mech() {
  static const Module module = [] {
    Module m;
    m.handle =
        dlopen(ORBI_MECH_HEIMDAL_PATH, RTLD_LAZY | RTLD_LOCAL | RTLD_NODELETE);
    if (m.handle == nullptr) return m;
    Resolve(m.handle, "gss_import_name", &m.import_name);
    Resolve(m.handle, "gss_display_name", &m.display_name);
    Resolve(m.handle, "gss_compare_name", &m.compare_name);
    Resolve(m.handle, "gss_release_name", &m.release_name);
    Resolve(m.handle, "gss_export_name", &m.export_name);
    Resolve(m.handle, "gss_export_name_composite", &m.export_name_composite);
    Resolve(m.handle, "gss_canonicalize_name", &m.canonicalize_name);
    Resolve(m.handle, "gss_indicate_mechs", &m.indicate_mechs);
    Resolve(m.handle, "gss_inquire_mechs_for_name", &m.inquire_mechs_for_name);
    Resolve(m.handle, "gss_inquire_names_for_mech", &m.inquire_names_for_mech);
    Resolve(m.handle, "gss_inquire_attrs_for_mech", &m.inquire_attrs_for_mech);
    Resolve(m.handle, "gss_inquire_mech_for_saslname",
            &m.inquire_mech_for_saslname);
    Resolve(m.handle, "gss_inquire_saslname_for_mech",
            &m.inquire_saslname_for_mech);
    Resolve(m.handle, "gss_mech_initialize", &m.mech_initialize);
    return m;
  }();
  return module;
}

// Releases a set as Heimdal's gss_release_oid_set does: the array and the
// set, not the OIDs' bytes.
void ReleaseAsHeimdal(gss_OID_set* set) {
  if (*set == GSS_C_NO_OID_SET) return;
  free((*set)->elements);
  free(*set);
  *set = GSS_C_NO_OID_SET;
}

// A name of the module, released at the end of the scope.
class Name {
 public:
  Name() = default;
  ~Name() {
    OM_uint32 minor;
    if (name_ != GSS_C_NO_NAME) Mech().release_name(&minor, &name_);
  }
  Name(const Name&) = delete;
  Name& operator=(const Name&) = delete;
  gss_name_t* out() { return &name_; }
  gss_name_t get() const { return name_; }

 private:
  gss_name_t name_ = GSS_C_NO_NAME;
};

OM_uint32 Import(const char* text, gss_OID type, Name* name) {
  OM_uint32 minor = 77;
  gss_buffer_desc input = {strlen(text), const_cast<char*>(text)};
  return Mech().import_name(&minor, &input, type, name->out());
}

std::string Export(const Name& name) {
  OM_uint32 minor = 0;
  gss_buffer_desc token = {0, nullptr};
  EXPECT_EQ(Mech().export_name(&minor, name.get(), &token), GSS_S_COMPLETE);
  std::string bytes(static_cast<const char*>(token.value), token.length);
  free(token.value);
  return bytes;
}

// The 29 entry points without which Heimdal's glue leaves a module out.
TEST(MechHeimdalModule, DefinesEveryEntryPointTheGlueRequires) {
  ASSERT_NE(Mech().handle, nullptr) << dlerror();
  for (const char* symbol : {"gss_acquire_cred",
                             "gss_release_cred",
                             "gss_init_sec_context",
                             "gss_accept_sec_context",
                             "gss_process_context_token",
                             "gss_delete_sec_context",
                             "gss_context_time",
                             "gss_get_mic",
                             "gss_verify_mic",
                             "gss_wrap",
                             "gss_unwrap",
                             "gss_display_status",
                             "gss_indicate_mechs",
                             "gss_compare_name",
                             "gss_display_name",
                             "gss_import_name",
                             "gss_export_name",
                             "gss_release_name",
                             "gss_inquire_cred",
                             "gss_inquire_context",
                             "gss_wrap_size_limit",
                             "gss_add_cred",
                             "gss_inquire_cred_by_mech",
                             "gss_export_sec_context",
                             "gss_import_sec_context",
                             "gss_inquire_names_for_mech",
                             "gss_inquire_mechs_for_name",
                             "gss_canonicalize_name",
                             "gss_duplicate_name"}) {
    SCOPED_TRACE(symbol);
    EXPECT_NE(dlsym(Mech().handle, symbol), nullptr);
  }
}

// MIT's glue would free the bytes of this module's OID sets; it asks for a
// table first and leaves out a module that answers null.
TEST(MechHeimdalModule, DeclinesMitsGlue) {
  ASSERT_NE(Mech().mech_initialize, nullptr);
  EXPECT_EQ(Mech().mech_initialize(&kMech), nullptr);
}

// Entry looks up symbol in the module as a function of type F.
template <typename F>
F Entry(const char* symbol) {
  return reinterpret_cast<F>(dlsym(Mech().handle, symbol));
}

// Every operation of credentials, contexts and messages: GSS_S_UNAVAILABLE,
// the minor status UNAVAILABLE and every output emptied; without a minor
// status, GSS_S_CALL_INACCESSIBLE_WRITE and the outputs emptied all the
// same.
TEST(MechHeimdalModule, OperationsItDoesNotHaveEmptyEveryOutput) {
  ASSERT_NE(Mech().handle, nullptr);
  gss_name_t name1, name2;
  gss_OID oid;
  gss_OID_set set;
  gss_cred_id_t cred;
  gss_ctx_id_t context;
  gss_buffer_desc buffer;
  OM_uint32 u1, u2;
  int i1, i2;
  gss_cred_usage_t usage;
  const auto fill = [&] {
    name1 = name2 = static_cast<gss_name_t>(kJunk);
    oid = static_cast<gss_OID>(kJunk);
    set = static_cast<gss_OID_set>(kJunk);
    cred = static_cast<gss_cred_id_t>(kJunk);
    context = static_cast<gss_ctx_id_t>(kJunk);
    buffer = {77, kJunk};
    u1 = u2 = 77;
    i1 = i2 = usage = 77;
  };
  const auto buffer_empty = [&] {
    return buffer.length == 0 && buffer.value == nullptr;
  };
  gss_buffer_desc input = {5, const_cast<char*>("alice")};
  // Handles that are inputs as well stay as they came: none is the
  // module's.
  gss_ctx_id_t in_context = GSS_C_NO_CONTEXT;
  gss_cred_id_t in_cred = GSS_C_NO_CREDENTIAL;
  const struct {
    const char* symbol;
    std::function<OM_uint32(OM_uint32*)> call;
    std::function<bool()> emptied;
  } kCases[] = {
      {"gss_acquire_cred",
       [&](OM_uint32* minor) {
         return Entry<decltype(&gss_acquire_cred)>("gss_acquire_cred")(
             minor, GSS_C_NO_NAME, 0, GSS_C_NO_OID_SET, GSS_C_INITIATE, &cred,
             &set, &u1);
       },
       [&] { return cred == nullptr && set == nullptr && u1 == 0; }},
      {"gss_release_cred",
       [&](OM_uint32* minor) {
         return Entry<decltype(&gss_release_cred)>("gss_release_cred")(
             minor, &in_cred);
       },
       [&] { return in_cred == GSS_C_NO_CREDENTIAL; }},
      {"gss_init_sec_context",
       [&](OM_uint32* minor) {
         return Entry<decltype(&gss_init_sec_context)>("gss_init_sec_context")(
             minor, GSS_C_NO_CREDENTIAL, &in_context, GSS_C_NO_NAME, &kMech, 0,
             0, GSS_C_NO_CHANNEL_BINDINGS, GSS_C_NO_BUFFER, &oid, &buffer, &u1,
             &u2);
       },
       [&] {
         return in_context == GSS_C_NO_CONTEXT && oid == nullptr &&
                buffer_empty() && u1 == 0 && u2 == 0;
       }},
      {"gss_accept_sec_context",
       [&](OM_uint32* minor) {
         return Entry<decltype(&gss_accept_sec_context)>(
             "gss_accept_sec_context")(minor, &in_context, GSS_C_NO_CREDENTIAL,
                                       &input, GSS_C_NO_CHANNEL_BINDINGS,
                                       &name1, &oid, &buffer, &u1, &u2, &cred);
       },
       [&] {
         return in_context == GSS_C_NO_CONTEXT && name1 == nullptr &&
                oid == nullptr && buffer_empty() && u1 == 0 && u2 == 0 &&
                cred == nullptr;
       }},
      {"gss_process_context_token",
       [&](OM_uint32* minor) {
         return Entry<decltype(&gss_process_context_token)>(
             "gss_process_context_token")(minor, GSS_C_NO_CONTEXT, &input);
       },
       [] { return true; }},
      {"gss_delete_sec_context",
       [&](OM_uint32* minor) {
         return Entry<decltype(&gss_delete_sec_context)>(
             "gss_delete_sec_context")(minor, &in_context, &buffer);
       },
       [&] { return buffer_empty(); }},
      {"gss_context_time",
       [&](OM_uint32* minor) {
         return Entry<decltype(&gss_context_time)>("gss_context_time")(
             minor, GSS_C_NO_CONTEXT, &u1);
       },
       [&] { return u1 == 0; }},
      {"gss_get_mic",
       [&](OM_uint32* minor) {
         return Entry<decltype(&gss_get_mic)>("gss_get_mic")(
             minor, GSS_C_NO_CONTEXT, GSS_C_QOP_DEFAULT, &input, &buffer);
       },
       [&] { return buffer_empty(); }},
      {"gss_verify_mic",
       [&](OM_uint32* minor) {
         return Entry<decltype(&gss_verify_mic)>("gss_verify_mic")(
             minor, GSS_C_NO_CONTEXT, &input, &input, &u1);
       },
       [&] { return u1 == 0; }},
      {"gss_wrap",
       [&](OM_uint32* minor) {
         return Entry<decltype(&gss_wrap)>("gss_wrap")(minor, GSS_C_NO_CONTEXT,
                                                       1, GSS_C_QOP_DEFAULT,
                                                       &input, &i1, &buffer);
       },
       [&] { return i1 == 0 && buffer_empty(); }},
      {"gss_unwrap",
       [&](OM_uint32* minor) {
         return Entry<decltype(&gss_unwrap)>("gss_unwrap")(
             minor, GSS_C_NO_CONTEXT, &input, &buffer, &i1, &u1);
       },
       [&] { return buffer_empty() && i1 == 0 && u1 == 0; }},
      {"gss_inquire_cred",
       [&](OM_uint32* minor) {
         return Entry<decltype(&gss_inquire_cred)>("gss_inquire_cred")(
             minor, GSS_C_NO_CREDENTIAL, &name1, &u1, &usage, &set);
       },
       [&] {
         return name1 == nullptr && u1 == 0 && usage == 0 && set == nullptr;
       }},
      {"gss_inquire_context",
       [&](OM_uint32* minor) {
         return Entry<decltype(&gss_inquire_context)>("gss_inquire_context")(
             minor, GSS_C_NO_CONTEXT, &name1, &name2, &u1, &oid, &u2, &i1, &i2);
       },
       [&] {
         return name1 == nullptr && name2 == nullptr && u1 == 0 &&
                oid == nullptr && u2 == 0 && i1 == 0 && i2 == 0;
       }},
      {"gss_wrap_size_limit",
       [&](OM_uint32* minor) {
         return Entry<decltype(&gss_wrap_size_limit)>("gss_wrap_size_limit")(
             minor, GSS_C_NO_CONTEXT, 1, GSS_C_QOP_DEFAULT, 100, &u1);
       },
       [&] { return u1 == 0; }},
      {"gss_add_cred",
       [&](OM_uint32* minor) {
         return Entry<decltype(&gss_add_cred)>("gss_add_cred")(
             minor, GSS_C_NO_CREDENTIAL, GSS_C_NO_NAME, &kMech, GSS_C_BOTH, 0,
             0, &cred, &set, &u1, &u2);
       },
       [&] { return cred == nullptr && set == nullptr && u1 == 0 && u2 == 0; }},
      {"gss_inquire_cred_by_mech",
       [&](OM_uint32* minor) {
         return Entry<decltype(&gss_inquire_cred_by_mech)>(
             "gss_inquire_cred_by_mech")(minor, GSS_C_NO_CREDENTIAL, &kMech,
                                         &name1, &u1, &u2, &usage);
       },
       [&] { return name1 == nullptr && u1 == 0 && u2 == 0 && usage == 0; }},
      {"gss_export_sec_context",
       [&](OM_uint32* minor) {
         return Entry<decltype(&gss_export_sec_context)>(
             "gss_export_sec_context")(minor, &in_context, &buffer);
       },
       [&] { return buffer_empty(); }},
      {"gss_import_sec_context",
       [&](OM_uint32* minor) {
         return Entry<decltype(&gss_import_sec_context)>(
             "gss_import_sec_context")(minor, &input, &context);
       },
       [&] { return context == nullptr; }},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.symbol);
    ASSERT_NE(dlsym(Mech().handle, c.symbol), nullptr);
    OM_uint32 minor = 77;
    fill();
    EXPECT_EQ(c.call(&minor), GSS_S_UNAVAILABLE);
    EXPECT_EQ(minor, kUnavailable);
    EXPECT_TRUE(c.emptied());
    fill();
    EXPECT_EQ(c.call(nullptr), GSS_S_CALL_INACCESSIBLE_WRITE);
    EXPECT_TRUE(c.emptied());
  }
}

// A name of the module canonicalized to the mechanism (given by value) is a
// new name equal to it; any other mechanism, or an argument that cannot be
// read or written, is refused with the output emptied.
TEST(MechHeimdalModule, CanonicalizeCopiesANameOfTheMechanism) {
  ASSERT_NE(Mech().canonicalize_name, nullptr);
  Name alice;
  ASSERT_EQ(Import("alice", GSS_C_NO_OID, &alice), GSS_S_COMPLETE);
  gss_OID_desc mech_copy = kMech;
  {
    Name canonical;
    OM_uint32 minor = 77;
    ASSERT_EQ(Mech().canonicalize_name(&minor, alice.get(), &mech_copy,
                                       canonical.out()),
              GSS_S_COMPLETE);
    EXPECT_EQ(minor, 0u);
    EXPECT_NE(canonical.get(), alice.get());
    int equal = -1;
    EXPECT_EQ(Mech().compare_name(&minor, alice.get(), canonical.get(), &equal),
              GSS_S_COMPLETE);
    EXPECT_EQ(equal, 1);
    EXPECT_EQ(Export(canonical), Export(alice));
  }
  gss_name_t out;
  const struct {
    const char* label;
    gss_name_t name;
    gss_OID mech;
    gss_name_t* output;
    OM_uint32 major;
    OM_uint32 minor;
  } kCases[] = {
      {"another mechanism", alice.get(), &kKerberosMech, &out, GSS_S_BAD_MECH,
       kMechNotSupported},
      {"bytes of no OID", alice.get(), &kUndecodable, &out, GSS_S_BAD_MECH,
       kInvalidMech},
      {"no mechanism", alice.get(), GSS_C_NO_OID, &out,
       GSS_S_CALL_INACCESSIBLE_READ, kBadInput},
      {"no name", GSS_C_NO_NAME, &mech_copy, &out,
       GSS_S_CALL_INACCESSIBLE_READ | GSS_S_BAD_NAME, kBadInput},
      {"no output", alice.get(), &mech_copy, nullptr,
       GSS_S_CALL_INACCESSIBLE_WRITE, kBadInput},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    OM_uint32 minor = 77;
    out = static_cast<gss_name_t>(kJunk);
    EXPECT_EQ(Mech().canonicalize_name(&minor, c.name, c.mech, c.output),
              c.major);
    EXPECT_EQ(minor, c.minor);
    if (c.output != nullptr) {
      EXPECT_EQ(out, GSS_C_NO_NAME);
    }
  }
}

// The sets the module hands out hold OIDs whose bytes are the module's own,
// the same on every call, so that a caller releasing the set as Heimdal
// does (array and set only) leaks nothing and frees nothing of the module's.
TEST(MechHeimdalModule, OidSetsPointAtTheModulesOwnBytes) {
  ASSERT_NE(Mech().handle, nullptr);
  Name alice;
  ASSERT_EQ(Import("alice", GSS_C_NO_OID, &alice), GSS_S_COMPLETE);
  const struct {
    const char* label;
    std::function<OM_uint32(OM_uint32*, gss_OID_set*)> call;
    std::vector<const gss_OID_desc*> expected;
  } kCases[] = {
      {"gss_indicate_mechs",
       [](OM_uint32* minor, gss_OID_set* set) {
         return Mech().indicate_mechs(minor, set);
       },
       {&kMech}},
      {"gss_inquire_mechs_for_name",
       [&](OM_uint32* minor, gss_OID_set* set) {
         return Mech().inquire_mechs_for_name(minor, alice.get(), set);
       },
       {&kMech}},
      {"gss_inquire_names_for_mech",
       [](OM_uint32* minor, gss_OID_set* set) {
         gss_OID_desc mech_copy = kMech;
         return Mech().inquire_names_for_mech(minor, &mech_copy, set);
       },
       {&kDefaultType, &kExportType, &kAnonymousType, &kUserNameType}},
      {"gss_inquire_attrs_for_mech",
       [](OM_uint32* minor, gss_OID_set* set) {
         gss_OID_desc mech_copy = kMech;
         return Mech().inquire_attrs_for_mech(minor, &mech_copy, set, nullptr);
       },
       {}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    OM_uint32 minor = 77;
    gss_OID_set first = GSS_C_NO_OID_SET;
    gss_OID_set second = GSS_C_NO_OID_SET;
    ASSERT_EQ(c.call(&minor, &first), GSS_S_COMPLETE);
    ASSERT_EQ(c.call(&minor, &second), GSS_S_COMPLETE);
    EXPECT_EQ(minor, 0u);
    ASSERT_EQ(first->count, second->count);
    if (!c.expected.empty()) {
      ASSERT_EQ(first->count, c.expected.size());
      for (size_t i = 0; i < c.expected.size(); ++i) {
        EXPECT_TRUE(SameOid(&first->elements[i], *c.expected[i])) << i;
      }
    }
    for (size_t i = 0; i < first->count; ++i) {
      EXPECT_EQ(first->elements[i].elements, second->elements[i].elements) << i;
    }
    ReleaseAsHeimdal(&first);
    ReleaseAsHeimdal(&second);
  }
  // An argument that cannot be read or written.
  gss_OID_set set = static_cast<gss_OID_set>(kJunk);
  OM_uint32 minor = 77;
  EXPECT_EQ(Mech().inquire_mechs_for_name(&minor, GSS_C_NO_NAME, &set),
            GSS_S_CALL_INACCESSIBLE_READ | GSS_S_BAD_NAME);
  EXPECT_EQ(set, GSS_C_NO_OID_SET);
  EXPECT_EQ(minor, kBadInput);
  EXPECT_EQ(Mech().indicate_mechs(&minor, nullptr),
            GSS_S_CALL_INACCESSIBLE_WRITE);
  EXPECT_EQ(Mech().indicate_mechs(nullptr, &set),
            GSS_S_CALL_INACCESSIBLE_WRITE);
}

// Heimdal's glue hands over a text imported without a type under the user
// name type: the module takes it as the untyped text it is, the same name
// (orbi_mech.so refuses the type, 36).
TEST(MechHeimdalModule, TakesTheUserNameTypeAsNoType) {
  ASSERT_NE(Mech().handle, nullptr);
  gss_OID_desc user_copy = kUserNameType;  // the glue's own copy
  Name untyped;
  Name user;
  ASSERT_EQ(Import("db/users\nalice", GSS_C_NO_OID, &untyped), GSS_S_COMPLETE);
  ASSERT_EQ(Import("db/users\nalice", &user_copy, &user), GSS_S_COMPLETE);
  OM_uint32 minor = 77;
  gss_buffer_desc shown = {0, nullptr};
  gss_OID type = GSS_C_NO_OID;
  ASSERT_EQ(Mech().display_name(&minor, user.get(), &shown, &type),
            GSS_S_COMPLETE);
  EXPECT_EQ(std::string(static_cast<char*>(shown.value), shown.length),
            "db/users\nalice");
  EXPECT_TRUE(SameOid(type, kDefaultType));
  free(shown.value);
  EXPECT_EQ(Export(user), Export(untyped));
}

// Heimdal's glue has no GSS_C_NT_COMPOSITE_EXPORT: it looks a module's
// gss_export_name_composite up, and hands an exported composite name token
// (04 02) to the module under GSS_C_NT_EXPORT_NAME, as a standard one. The
// module takes both there, to the same name; a composite token with an
// attribute part is refused whole.
TEST(MechHeimdalModule, TakesCompositeTokensUnderTheExportedNameType) {
  ASSERT_NE(Mech().export_name_composite, nullptr);
  gss_OID_desc export_copy = kExportType;
  Name name;
  ASSERT_EQ(Import("db/users\nalice", GSS_C_NO_OID, &name), GSS_S_COMPLETE);
  OM_uint32 minor = 77;
  gss_buffer_desc composite = {0, nullptr};
  ASSERT_EQ(Mech().export_name_composite(&minor, name.get(), &composite),
            GSS_S_COMPLETE);
  const std::string token(static_cast<const char*>(composite.value),
                          composite.length);
  free(composite.value);
  std::string expected = Export(name);
  expected[1] = '\x02';
  EXPECT_EQ(token, expected + std::string(4, '\0'));
  for (const std::string& bytes : {token, Export(name)}) {
    Name back;
    gss_buffer_desc input = {bytes.size(), const_cast<char*>(bytes.data())};
    ASSERT_EQ(Mech().import_name(&minor, &input, &export_copy, back.out()),
              GSS_S_COMPLETE);
    int equal = -1;
    ASSERT_EQ(Mech().compare_name(&minor, name.get(), back.get(), &equal),
              GSS_S_COMPLETE);
    EXPECT_EQ(equal, 1);
  }
  std::string with_attributes = token;
  with_attributes.back() = '\x01';
  with_attributes += 'x';
  Name refused;
  gss_buffer_desc input = {with_attributes.size(), with_attributes.data()};
  EXPECT_EQ(Mech().import_name(&minor, &input, &export_copy, refused.out()),
            GSS_S_DEFECTIVE_TOKEN);
  EXPECT_EQ(minor, kAttributesDisagree);
  EXPECT_EQ(refused.get(), GSS_C_NO_NAME);
}

// The glue finds the mechanism by its SASL name only by asking the module.
TEST(MechHeimdalModule, FindsTheMechanismByItsSaslName) {
  ASSERT_NE(Mech().inquire_mech_for_saslname, nullptr);
  gss_OID_desc mech_copy = kMech;
  OM_uint32 minor = 77;
  gss_buffer_desc sasl = {0, nullptr};
  ASSERT_EQ(Mech().inquire_saslname_for_mech(&minor, &mech_copy, &sasl,
                                             GSS_C_NO_BUFFER, GSS_C_NO_BUFFER),
            GSS_S_COMPLETE);
  const std::string name(static_cast<char*>(sasl.value), sasl.length);
  free(sasl.value);
  std::string other = name;
  other.back() = other.back() == 'A' ? 'B' : 'A';
  const struct {
    const char* label;
    std::string text;
    OM_uint32 major;
    OM_uint32 minor;
  } kCases[] = {
      {"its own", name, GSS_S_COMPLETE, 0},
      {"one character off", other, GSS_S_BAD_MECH, kMechNotSupported},
      {"a prefix", name.substr(0, 14), GSS_S_BAD_MECH, kMechNotSupported},
      {"a longer one", name + "A", GSS_S_BAD_MECH, kMechNotSupported},
      {"empty", "", GSS_S_BAD_MECH, kMechNotSupported},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    gss_buffer_desc input = {c.text.size(), const_cast<char*>(c.text.data())};
    gss_OID found = static_cast<gss_OID>(kJunk);
    minor = 77;
    EXPECT_EQ(Mech().inquire_mech_for_saslname(&minor, &input, &found),
              c.major);
    EXPECT_EQ(minor, c.minor);
    if (c.major == GSS_S_COMPLETE) {
      EXPECT_TRUE(SameOid(found, kMech));
    } else {
      EXPECT_EQ(found, GSS_C_NO_OID);
    }
  }
  gss_OID found = static_cast<gss_OID>(kJunk);
  EXPECT_EQ(Mech().inquire_mech_for_saslname(&minor, GSS_C_NO_BUFFER, &found),
            GSS_S_CALL_INACCESSIBLE_READ);
  EXPECT_EQ(found, GSS_C_NO_OID);
}

}  // namespace
}  // namespace orbi_mech_test
