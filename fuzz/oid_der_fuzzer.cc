// OID DER content octets: set(const gss_OID) and get(gss_OID&).
//
// Invariants: every accepted byte string re-encodes to itself byte for byte,
// with a zero byte behind it; a refused one leaves the value as it was;
// OIDChecker on two slices of the input is 1 exactly when both decode to the
// same arcs; the algorithm code follows the same comparison.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "../tests/reference_oid.h"
#include "fuzz_check.h"
#include "orbi_name/internal_oid.h"
#include "orbi_services/oid_table.h"

namespace {

// The arcs of a gss_OID as the reference decoder reads them, or false when
// it refuses the bytes: the OID value and the ASN.1 service share the DER
// code under test, the reference shares nothing with them.
bool Decode(gss_OID oid, std::vector<uint64_t>* arcs) {
  return orbi_reference::DecodeOid(
      static_cast<const unsigned char*>(oid->elements), oid->length, arcs);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 0xFFFF) return 0;
  // Each gss_OID gets its own exact-size copy, so a read past its length is
  // caught.
  std::vector<unsigned char> whole(data, data + size);
  gss_OID_desc oid = {static_cast<OM_uint32>(size), whole.data()};

  PLVORBIInternalOID value;
  FUZZ_CHECK(value.set("1.3.6.1") == 0);
  const OM_uint32 status = value.set(&oid);
  std::vector<uint64_t> arcs;
  // The value accepts exactly what the reference decodes.
  FUZZ_CHECK((status == 0) == (size > 0 && Decode(&oid, &arcs)));
  gss_OID out = nullptr;
  if (status != 0) {
    FUZZ_CHECK(status == orbi_name::status::BAD_OID);
    FUZZ_CHECK(value.isEqual("1.3.6.1") == 1);
  } else {
    FUZZ_CHECK(value.get(out) == 0);
    FUZZ_CHECK(out->length == size);
    FUZZ_CHECK(memcmp(out->elements, data, size) == 0);
    FUZZ_CHECK(static_cast<unsigned char*>(out->elements)[size] == 0);
    FUZZ_CHECK(value.isEqual(&oid) == 1);
    // Accepted bytes name the same OID as themselves through OIDChecker.
    FUZZ_CHECK(PLVORBIInternalOID::OIDChecker(&oid, out) == 1);
    free(out->elements);
    free(out);
  }

  // Two slices: the first byte chooses where to cut the rest.
  if (size >= 1) {
    const size_t rest = size - 1;
    const size_t cut = rest == 0 ? 0 : data[0] % (rest + 1);
    std::vector<unsigned char> a_bytes(data + 1, data + 1 + cut);
    std::vector<unsigned char> b_bytes(data + 1 + cut, data + size);
    // Empty slices still carry a non-null pointer.
    a_bytes.reserve(1);
    b_bytes.reserve(1);
    gss_OID_desc a = {static_cast<OM_uint32>(a_bytes.size()), a_bytes.data()};
    gss_OID_desc b = {static_cast<OM_uint32>(b_bytes.size()), b_bytes.data()};
    std::vector<uint64_t> a_arcs, b_arcs;
    const bool a_ok = Decode(&a, &a_arcs);
    const bool b_ok = Decode(&b, &b_arcs);
    const int same = a_ok && b_ok && a_arcs == b_arcs ? 1 : 0;
    FUZZ_CHECK(PLVORBIInternalOID::OIDChecker(&a, &b) == same);
    FUZZ_CHECK(PLVORBIInternalOID::OIDChecker(&b, &a) == same);
    FUZZ_CHECK(PLVORBIInternalOID::OIDChecker(&a, &a) == 1);

    unsigned int code = 0;
    const OM_uint32 code_status =
        PLVORBIInternalOID::ConvertFromOIDToTS(&a, &code);
    std::vector<uint64_t> table_arcs;
    unsigned int expected = 7936;
    const struct {
      int index;
      unsigned int code;
    } kCodes[] = {{kORBIAlgorithm256Index, 256},
                  {kORBIAlgorithm512Index, 512},
                  {kORBIAlgorithm768Index, 768}};
    for (const auto& entry : kCodes) {
      FUZZ_CHECK(Decode(ORBIGetOID(entry.index), &table_arcs));
      if (a_ok && a_arcs == table_arcs) {
        expected = entry.code;
        break;
      }
    }
    FUZZ_CHECK(code == expected);
    FUZZ_CHECK((code_status == 0) == (expected != 7936));
  }
  return 0;
}
