// Name-set operations driven by the input: add, remove, count, walk, expand
// and clear on two sets, with a plain model of each set kept beside them.
//
// Invariants: after every step each set holds no two equal members, its count
// and its members in order match the model, AddMember reports the model's
// position, and RemoveMember the model's outcome.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "fuzz_check.h"
#include "orbi_name/internal_name.h"
#include "orbi_name/internal_name_set.h"
#include "orbi_services/oid_table.h"

namespace {

namespace status = orbi_name::status;

// A name as the model sees it: the text up to its first NUL, nameLength and
// the two OID pointers.
struct Model {
  std::string text;
  uint32_t length;
  gss_OID type;
  gss_OID mech;
};

// operator== of two names: same length, texts agreeing as C strings over
// that many bytes, same pointers.
bool Equal(const Model& a, const Model& b) {
  return a.length == b.length &&
         a.text.substr(0, a.length) == b.text.substr(0, b.length) &&
         a.type == b.type && a.mech == b.mech;
}

// The expansion of a name, or false when it has no database path.
bool Expand(const Model& m, std::vector<Model>* out) {
  out->clear();
  const std::string& t = m.text;
  if (t.empty() || t[0] == '\n') return false;
  const size_t first = t.find('\n');
  const std::string path = t.substr(0, first);
  auto member = [&](const std::string& text) {
    out->push_back(
        Model{text, static_cast<uint32_t>(text.size() + 1), m.type, m.mech});
  };
  if (first == std::string::npos) {
    member(path);
    return true;
  }
  size_t start = first + 1;
  while (true) {
    const size_t end = t.find('\n', start);
    member(path + '\n' +
           t.substr(start, end == std::string::npos ? end : end - start));
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

// Adds to the model set as AddMember does; returns the position.
int ModelAdd(std::vector<Model>& set, const Model& m) {
  for (size_t i = 0; i < set.size(); ++i) {
    if (Equal(set[i], m)) return static_cast<int>(i + 1);
  }
  set.push_back(m);
  return static_cast<int>(set.size());
}

struct Pool {
  PLVORBIInternalName names[4];
  Model models[4];
};

// Makes pool name i from a slice of the input: its text, the way it is made
// and whether it is bound to the mechanism.
void MakeName(Pool& pool, int i, uint8_t how, const std::string& bytes) {
  PLVORBIInternalName& name = pool.names[i];
  Model& m = pool.models[i];
  if ((how & 1) == 0) {
    // Imported: the text ends at the first NUL, the length counts all bytes.
    std::string copy = bytes;
    gss_buffer_desc b = {static_cast<OM_uint32>(copy.size()), &copy[0]};
    FUZZ_CHECK(name.Set(static_cast<gss_OID>(nullptr), &b) == 0);
    m.text = std::string(copy.data(), strnlen(copy.data(), copy.size()));
    m.length = static_cast<uint32_t>(copy.size());
    m.type = m.text == "!@#$%&:ORBI-ANONYMOUS:!@#$%&"
                 ? ORBIGetOID(kORBIAnonymousNameTypeIndex)
                 : ORBIGetOID(kORBIDefaultNameTypeIndex);
  } else {
    // A text without a name type.
    std::string text(bytes.c_str());
    FUZZ_CHECK(name.ChangeExternalName(&text[0]) == 0);
    m.text = text;
    m.length = static_cast<uint32_t>(text.size() + 1);
    m.type = nullptr;
  }
  m.mech = nullptr;
  if ((how & 2) != 0) {
    const OM_uint32 r = name.CanonicalizeName(ORBIGetOID(kORBIMechanismIndex));
    if (m.type == ORBIGetOID(kORBIDefaultNameTypeIndex)) {
      FUZZ_CHECK(r == 0);
      m.mech = ORBIGetOID(kORBIMechanismIndex);
    } else {
      FUZZ_CHECK(r == status::BAD_NAME_TYPE);
    }
  }
}

// The set's members, in order, against the model; and no two equal.
void CheckSet(PLVORBIInternalNameSet& set, const std::vector<Model>& model) {
  FUZZ_CHECK(set.GetCount() == model.size());
  size_t i = 0;
  std::vector<PLVORBIInternalName*> members;
  for (PLVORBIInternalName* m = set.GetMember(nullptr); m != nullptr;
       m = set.GetMember(m), ++i) {
    FUZZ_CHECK(i < model.size());
    gss_buffer_desc shown = {0, nullptr};
    gss_OID type = nullptr;
    FUZZ_CHECK(m->Display(&shown, &type) == 0);
    FUZZ_CHECK(shown.length == model[i].length);
    FUZZ_CHECK(strcmp(static_cast<char*>(shown.value), model[i].text.c_str()) ==
               0);
    FUZZ_CHECK(type == model[i].type);
    free(shown.value);
    members.push_back(m);
  }
  FUZZ_CHECK(i == model.size());
  for (size_t a = 0; a < members.size(); ++a) {
    for (size_t b = a + 1; b < members.size(); ++b) {
      FUZZ_CHECK(!(*members[a] == *members[b]));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Four names first: each a length byte, a byte of choices and its text.
  Pool pool;
  size_t used = 0;
  for (int i = 0; i < 4; ++i) {
    uint8_t len = used < size ? data[used++] % 16 : 0;
    const uint8_t how = used < size ? data[used++] : 0;
    if (len > size - used) len = static_cast<uint8_t>(size - used);
    MakeName(pool, i, how,
             std::string(reinterpret_cast<const char*>(data + used), len));
    used += len;
  }

  PLVORBIInternalNameSet sets[2];
  std::vector<Model> models[2];
  // Then one step per byte: the low bits choose the operation, the others
  // the set and the name.
  for (; used < size && used < 4096; ++used) {
    const uint8_t op = data[used];
    const int s = (op >> 3) & 1;
    const int n = (op >> 4) & 3;
    switch (op & 7) {
      case 0:
      case 1: {
        int index = -1;
        FUZZ_CHECK(sets[s].AddMember(&pool.names[n], index) == 0);
        FUZZ_CHECK(index == ModelAdd(models[s], pool.models[n]));
        break;
      }
      case 2: {
        size_t i = 0;
        while (i < models[s].size() && !Equal(models[s][i], pool.models[n]))
          ++i;
        const OM_uint32 r = sets[s].RemoveMember(&pool.names[n]);
        if (i == models[s].size()) {
          FUZZ_CHECK(r == status::NO_SUCH_MEMBER);
        } else {
          FUZZ_CHECK(r == 0);
          models[s].erase(models[s].begin() + static_cast<long>(i));
        }
        break;
      }
      case 3: {
        // Remove by a member's own pointer, the n-th in the walk.
        PLVORBIInternalName* m = sets[s].GetMember(nullptr);
        for (int k = 0; k < n && m != nullptr; ++k) m = sets[s].GetMember(m);
        if (m != nullptr) {
          const size_t i = static_cast<size_t>(n);
          FUZZ_CHECK(sets[s].RemoveMember(m) == 0);
          models[s].erase(models[s].begin() + static_cast<long>(i));
        }
        break;
      }
      case 4: {
        // Expand the first set into the second. Always this way round: the
        // source set's lock is taken before the destination's, and expanding
        // the other way as well would make a lock-order cycle (harmless here,
        // one call at a time, but ThreadSanitizer reports it).
        std::vector<Model>& to = models[1];
        OM_uint32 expected = 0;
        for (const Model& member : models[0]) {
          std::vector<Model> expansion;
          if (!Expand(member, &expansion)) {
            expected = status::NO_MEMORY;
            break;
          }
          for (const Model& e : expansion) ModelAdd(to, e);
        }
        FUZZ_CHECK(sets[0].CopyExpandedNameSet(&sets[1]) == expected);
        break;
      }
      case 5:
        FUZZ_CHECK(sets[s].RemoveAllMembers() == 0);
        models[s].clear();
        break;
      case 6:
        FUZZ_CHECK(sets[s].CopyExpandedNameSet(&sets[s]) == status::BAD_INPUT);
        break;
      default: {
        // Adding one of the set's own members finds it where it stands.
        PLVORBIInternalName* m = sets[s].GetMember(nullptr);
        for (int k = 0; k < n && m != nullptr; ++k) m = sets[s].GetMember(m);
        if (m != nullptr) {
          int index = 0;
          FUZZ_CHECK(sets[s].AddMember(m, index) == 0);
          FUZZ_CHECK(index == n + 1 ||
                     Equal(models[s][static_cast<size_t>(index - 1)],
                           models[s][static_cast<size_t>(n)]));
        }
        break;
      }
    }
    CheckSet(sets[0], models[0]);
    CheckSet(sets[1], models[1]);
  }
  FUZZ_CHECK(sets[0].RemoveAllMembers() == 0);
  FUZZ_CHECK(sets[1].RemoveAllMembers() == 0);
  return 0;
}
