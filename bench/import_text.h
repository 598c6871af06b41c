// ImportText: how the benchmark programs give a name its text, as a caller
// does. Without Google Benchmark, so that callgrind_loop can use it too.
#ifndef ORBI_NAME_BENCH_IMPORT_TEXT_H_
#define ORBI_NAME_BENCH_IMPORT_TEXT_H_

#include <stddef.h>

#include "orbi_name/internal_name.h"
#include "orbi_name/status.h"
#include "orbi_services/oid_table.h"

namespace orbi_bench {

// ImportText fills name from the length bytes at text with no name type
// and, when canonical, binds it to the mechanism. Returns whether every step
// succeeded.
inline bool ImportText(PLVORBIInternalName& name, const char* text,
                       size_t length, bool canonical) {
  gss_buffer_desc input;
  input.length = length;
  input.value = const_cast<char*>(text);
  if (name.Set(static_cast<gss_OID>(nullptr), &input) !=
      orbi_name::status::SUCCESS) {
    return false;
  }
  return !canonical || name.CanonicalizeName(ORBIGetOID(kORBIMechanismIndex)) ==
                           orbi_name::status::SUCCESS;
}

}  // namespace orbi_bench

#endif  // ORBI_NAME_BENCH_IMPORT_TEXT_H_
