// The module's entry points with the k-th allocation inside one call failed,
// for every k until the call runs to its end (tests/alloc/alloc_loop.h).
// The module's sources are built here against the seam build of the library
// with the same allocator wrapping, so the module's own allocations and the
// library's are counted alike. Each failed step must report GSS_S_FAILURE
// with the library's NO_MEMORY (1), leave every output empty and leave
// nothing allocated.
// MIT's header declares the RFC 5587 and RFC 5801 functions outside its
// extern "C" block.
extern "C" {
#include <gssapi/gssapi.h>
#include <gssapi/gssapi_ext.h>
}
#include <string.h>

#include <functional>
#include <string>

#include "alloc_seam.h"
#include "gtest/gtest.h"
#include "mech_alloc_support.h"
#include "orbi_build_oids.h"
#include "orbi_services/trace.h"

namespace orbi_mech_test {
namespace {

// The standard token of "alice" under the mechanism OID mech.
std::string TokenOf(const std::string& mech) {
  std::string token("\x04\x01\x00", 3);
  token += static_cast<char>(2 + mech.size());
  token += '\x06';
  token += static_cast<char>(mech.size());
  return token + mech + std::string("\x00\x00\x00\x05", 4) + "alice";
}

gss_name_t MakeName(const char* text) {
  OM_uint32 minor = 0;
  gss_buffer_desc input = {strlen(text), const_cast<char*>(text)};
  gss_name_t name = GSS_C_NO_NAME;
  EXPECT_EQ(gss_import_name(&minor, &input, GSS_C_NO_OID, &name),
            GSS_S_COMPLETE);
  return name;
}

void Release(gss_name_t* name) {
  OM_uint32 minor = 0;
  if (*name != GSS_C_NO_NAME) gss_release_name(&minor, name);
}

TEST(MechAlloc, Import) {
  const std::string token = TokenOf(
      std::string(static_cast<const char*>(kMech.elements), kMech.length));
  // The composite token: 04 02 and an empty attribute part.
  const std::string composite =
      "\x04\x02" + token.substr(2) + std::string(4, '\0');
  // GSS_C_NT_COMPOSITE_EXPORT, 1.3.6.1.5.6.6 (RFC 6680).
  gss_OID_desc composite_type = {6,
                                 const_cast<char*>("\x2b\x06\x01\x05\x06\x06")};
  const struct {
    const char* label;
    std::string bytes;
    gss_OID type;
  } kCases[] = {
      {"text", "db/users\nalice", GSS_C_NO_OID},
      {"token", token, &kExportType},
      {"composite token", composite, &composite_type},
      {"anonymous", "", &kAnonymousType},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    gss_name_t name = GSS_C_NO_NAME;
    ExpectNoMemoryOrSuccess(
        [&](OM_uint32* minor) {
          gss_buffer_desc input = {c.bytes.size(),
                                   const_cast<char*>(c.bytes.data())};
          name = reinterpret_cast<gss_name_t>(1);
          return gss_import_name(minor, &input, c.type, &name);
        },
        [&](bool failed) {
          if (failed) {
            EXPECT_EQ(name, GSS_C_NO_NAME);
          }
          Release(&name);
        });
  }
}

// A token is read and refused before the name is made: a refusal costs no
// memory, and so cannot turn into a failure for want of it.
TEST(MechAlloc, RefusedTokensAllocateNothing) {
  const std::string mech(static_cast<const char*>(kMech.elements),
                         kMech.length);
  // 1.2.840.113554.1.2.2, the Kerberos V5 mechanism (RFC 1964).
  const std::string kerberos("\x2a\x86\x48\x86\xf7\x12\x01\x02\x02", 9);
  const struct {
    const char* label;
    std::string token;
    OM_uint32 major;
  } kCases[] = {
      {"another mechanism", TokenOf(kerberos), GSS_S_BAD_MECH},
      {"a trailing byte", TokenOf(mech) + "x", GSS_S_DEFECTIVE_TOKEN},
      {"cut short", TokenOf(mech).substr(0, 20), GSS_S_DEFECTIVE_TOKEN},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    OM_uint32 minor = 77;
    gss_buffer_desc input = {c.token.size(), const_cast<char*>(c.token.data())};
    gss_name_t name = reinterpret_cast<gss_name_t>(1);
    const size_t live = orbi_alloc::LiveBlocks();
    orbi_alloc::FailNth count(-1);
    EXPECT_EQ(gss_import_name(&minor, &input, &kExportType, &name), c.major);
    EXPECT_EQ(count.count(), 0);
    EXPECT_EQ(name, GSS_C_NO_NAME);
    EXPECT_EQ(orbi_alloc::LiveBlocks(), live);
  }
}

// Compare allocates nothing (KeptAnswersCostOnlyTheOutputs).
TEST(MechAlloc, OperationsOnAName) {
  gss_name_t alice = MakeName("alice");
  ASSERT_NE(alice, GSS_C_NO_NAME);
  gss_buffer_desc buffer;
  gss_OID type;
  gss_name_t copy;
  // A buffer handed out is freed; a failed call leaves it empty.
  const auto buffer_out = [&](bool failed) {
    if (failed) {
      EXPECT_EQ(buffer.value, nullptr);
      EXPECT_EQ(buffer.length, 0u);
    } else {
      orbi_alloc::Free(buffer.value);
    }
  };
  const struct {
    const char* label;
    std::function<OM_uint32(OM_uint32*)> call;
    std::function<void(bool failed)> after;
  } kCases[] = {
      {"display",
       [&](OM_uint32* minor) {
         buffer = {77, &buffer};
         type = &kMech;
         return gss_display_name(minor, alice, &buffer, &type);
       },
       [&](bool failed) {
         if (failed) {
           EXPECT_EQ(buffer.value, nullptr);
           EXPECT_EQ(buffer.length, 0u);
           EXPECT_EQ(type, GSS_C_NO_OID);
         } else {
           orbi_alloc::Free(buffer.value);
         }
       }},
      {"export",
       [&](OM_uint32* minor) {
         buffer = {77, &buffer};
         return gss_export_name(minor, alice, &buffer);
       },
       buffer_out},
      {"export composite",
       [&](OM_uint32* minor) {
         buffer = {77, &buffer};
         return gss_export_name_composite(minor, alice, &buffer);
       },
       buffer_out},
      {"duplicate",
       [&](OM_uint32* minor) {
         copy = reinterpret_cast<gss_name_t>(1);
         return gss_duplicate_name(minor, alice, &copy);
       },
       [&](bool failed) {
         if (failed) {
           EXPECT_EQ(copy, GSS_C_NO_NAME);
         }
         Release(&copy);
       }},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    ExpectNoMemoryOrSuccess(c.call, c.after);
  }
  Release(&alice);
}

TEST(MechAlloc, NamesForMech) {
  gss_OID_set set;
  ExpectNoMemoryOrSuccess(
      [&](OM_uint32* minor) {
        set = reinterpret_cast<gss_OID_set>(1);
        return gss_inquire_names_for_mech(minor, &kMech, &set);
      },
      [&](bool failed) {
        if (failed) {
          EXPECT_EQ(set, GSS_C_NO_OID_SET);
          return;
        }
        for (size_t i = 0; i < set->count; ++i) {
          orbi_alloc::Free(set->elements[i].elements);
        }
        orbi_alloc::Free(set->elements);
        orbi_alloc::Free(set);
      });
}

void FreeOidSet(gss_OID_set set) {
  if (set == GSS_C_NO_OID_SET) return;
  for (size_t i = 0; i < set->count; ++i) {
    orbi_alloc::Free(set->elements[i].elements);
  }
  orbi_alloc::Free(set->elements);
  orbi_alloc::Free(set);
}

// The inquiries that hand out several blocks: a failure at any of them
// leaves none behind and every output empty.
TEST(MechAlloc, InquiriesHandingOutSeveralBlocks) {
  // The name is made afresh for each step: it keeps its path and entries
  // once an attribute read asked for them (name_record.h), so a first read
  // is where that allocates.
  gss_name_t name = GSS_C_NO_NAME;
  const auto make = [&] { name = MakeName("db/users\nalice\nbob"); };
  gss_OID_set own;
  gss_OID_set known;
  gss_buffer_desc sasl;
  gss_buffer_desc mech_name;
  gss_buffer_desc description;
  gss_buffer_set_t attrs;
  gss_buffer_desc value;
  gss_buffer_desc shown;
  int more;
  const auto empty = [](const gss_buffer_desc& b) {
    return b.value == nullptr && b.length == 0;
  };
  std::string entries;  // the entries' attribute name, from the inquiry
  gss_buffer_desc entries_attr = {0, nullptr};
  const struct {
    const char* label;
    std::function<OM_uint32(OM_uint32*)> call;
    std::function<void(bool failed)> after;
  } kCases[] = {
      {"mechanism attributes",
       [&](OM_uint32* minor) {
         own = known = reinterpret_cast<gss_OID_set>(1);
         return gss_inquire_attrs_for_mech(minor, &kMech, &own, &known);
       },
       [&](bool failed) {
         if (failed) {
           EXPECT_EQ(own, GSS_C_NO_OID_SET);
           EXPECT_EQ(known, GSS_C_NO_OID_SET);
         }
         FreeOidSet(own);
         FreeOidSet(known);
       }},
      {"SASL names",
       [&](OM_uint32* minor) {
         sasl = mech_name = description = {77, &sasl};
         return gss_inquire_saslname_for_mech(minor, &kMech, &sasl, &mech_name,
                                              &description);
       },
       [&](bool failed) {
         if (failed) {
           EXPECT_TRUE(empty(sasl));
           EXPECT_TRUE(empty(mech_name));
           EXPECT_TRUE(empty(description));
         }
         for (gss_buffer_desc* b : {&sasl, &mech_name, &description}) {
           orbi_alloc::Free(b->value);
         }
       }},
      {"name inquiry",
       [&](OM_uint32* minor) {
         attrs = reinterpret_cast<gss_buffer_set_t>(1);
         return gss_inquire_name(minor, name, nullptr, nullptr, &attrs);
       },
       [&](bool failed) {
         if (failed) {
           EXPECT_EQ(attrs, GSS_C_NO_BUFFER_SET);
           return;
         }
         // The attribute names; the entries' kept for the next case.
         for (size_t i = 0; i < attrs->count; ++i) {
           const std::string listed(
               static_cast<char*>(attrs->elements[i].value),
               attrs->elements[i].length);
           if (listed == kEntriesAttribute) entries = listed;
         }
         ASSERT_EQ(entries, kEntriesAttribute);
         entries_attr = {entries.size(), &entries[0]};
         for (size_t i = 0; i < attrs->count; ++i) {
           orbi_alloc::Free(attrs->elements[i].value);
         }
         orbi_alloc::Free(attrs->elements);
         orbi_alloc::Free(attrs);
       }},
      {"second entry",
       [&](OM_uint32* minor) {
         value = shown = {77, &value};
         more = 1;
         return gss_get_name_attribute(minor, name, &entries_attr, nullptr,
                                       nullptr, &value, &shown, &more);
       },
       [&](bool failed) {
         EXPECT_EQ(more, failed ? 1 : 0);
         if (failed) {
           EXPECT_TRUE(empty(value));
           EXPECT_TRUE(empty(shown));
         } else {
           EXPECT_EQ(std::string(static_cast<char*>(value.value), value.length),
                     "bob");
         }
         orbi_alloc::Free(value.value);
         orbi_alloc::Free(shown.value);
       }},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    ExpectNoMemoryOrSuccess(make, c.call, [&](bool failed) {
      c.after(failed);
      Release(&name);
    });
  }
}

// LibraryCalls counts the library's trace records while it lives: every
// operation of a name writes one on entry, so a read that writes none made
// no library call and took no name's lock.
class LibraryCalls {
 public:
  LibraryCalls() {
    PLVTrace* trace = PLVTrace::s_defaultTracePtr;
    trace->SetSink(&LibraryCalls::Count, this);
    trace->componentMask = kPLVTraceNameComponent;
    trace->levelMask = kPLVTraceEntryLevel;
    trace->on = 1;
  }
  ~LibraryCalls() {
    PLVTrace* trace = PLVTrace::s_defaultTracePtr;
    trace->on = 0;
    trace->SetSink(nullptr, nullptr);
  }
  LibraryCalls(const LibraryCalls&) = delete;
  LibraryCalls& operator=(const LibraryCalls&) = delete;
  int count() const { return count_; }

 private:
  static int Count(void* context, const char*, unsigned int, unsigned long,
                   const char*, unsigned int) {
    ++static_cast<LibraryCalls*>(context)->count_;
    return 0;
  }
  int count_ = 0;
};

// A name keeps what reads need: display, export and compare allocate only
// what they hand out, and so does an attribute read once the name has
// answered one (its first asks the library for the path and entries, and a
// first that fails keeps nothing: the next one succeeds). Once kept, an
// answer is read without a library call, and so without the name's lock.
TEST(MechAlloc, KeptAnswersCostOnlyTheOutputs) {
  gss_buffer_desc attr = {kEntriesAttribute.size(),
                          const_cast<char*>(kEntriesAttribute.data())};
  gss_name_t name = MakeName("db/users\nalice\nbob");
  gss_name_t other = MakeName("db/users\nalice");
  gss_buffer_desc out = {0, nullptr};
  gss_OID type = GSS_C_NO_OID;
  OM_uint32 minor = 0;
  int equal = -1;
  int more = 1;
  const auto read_second = [&] {
    more = 1;
    return gss_get_name_attribute(&minor, name, &attr, nullptr, nullptr, &out,
                                  nullptr, &more);
  };
  // The first attribute read fails at its first allocation, keeping
  // nothing, and then succeeds.
  {
    const size_t live = orbi_alloc::LiveBlocks();
    orbi_alloc::FailNth fail(0);
    EXPECT_EQ(read_second(), GSS_S_FAILURE);
    EXPECT_EQ(out.value, nullptr);
    EXPECT_EQ(orbi_alloc::LiveBlocks(), live);
  }
  ASSERT_EQ(read_second(), GSS_S_COMPLETE);
  orbi_alloc::Free(out.value);
  const struct {
    const char* label;
    std::function<OM_uint32()> call;
    long outputs;  // blocks the call hands out
  } kCases[] = {
      {"display", [&] { return gss_display_name(&minor, name, &out, &type); },
       1},
      {"export", [&] { return gss_export_name(&minor, name, &out); }, 1},
      {"export composite",
       [&] { return gss_export_name_composite(&minor, name, &out); }, 1},
      {"compare", [&] { return gss_compare_name(&minor, name, other, &equal); },
       0},
      {"second entry", read_second, 1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    // The second call finds every answer kept (the first may still ask for
    // the name type).
    for (int round = 0; round < 2; ++round) {
      out = {0, nullptr};
      long count = 0;
      int calls = 0;
      OM_uint32 major;
      {
        LibraryCalls library;
        orbi_alloc::FailNth fail(-1);
        major = c.call();
        count = fail.count();
        calls = library.count();
      }
      EXPECT_EQ(major, GSS_S_COMPLETE);
      EXPECT_EQ(count, c.outputs);
      if (round == 1) {
        EXPECT_EQ(calls, 0);
      }
      orbi_alloc::Free(out.value);
    }
  }
  EXPECT_EQ(equal, 0);
  Release(&name);
  Release(&other);
}

TEST(MechAlloc, StatusText) {
  gss_buffer_desc text;
  OM_uint32 context;
  ExpectNoMemoryOrSuccess(
      [&](OM_uint32* minor) {
        text = {77, &text};
        context = 0;
        return gss_display_status(minor, kBadNameType, GSS_C_MECH_CODE, &kMech,
                                  &context, &text);
      },
      [&](bool failed) {
        EXPECT_EQ(context, 0u);
        if (failed) {
          EXPECT_EQ(text.value, nullptr);
          EXPECT_EQ(text.length, 0u);
        } else {
          orbi_alloc::Free(text.value);
        }
      });
}

}  // namespace
}  // namespace orbi_mech_test
