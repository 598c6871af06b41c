// The layout of the library's exported name token
// (orbi_name/exported_name_token.h, which reads it back field by field): its
// identifier and the widths of its fixed fields, for the library's own
// reader and writer and the tool.
//
// Not installed: the project's own code includes it.
#ifndef ORBI_NAME_INTERNAL_LIBRARY_TOKEN_H_
#define ORBI_NAME_INTERNAL_LIBRARY_TOKEN_H_

#include <stddef.h>
#include <stdint.h>

#include "orbi_name/exported_name_token.h"

namespace orbi_name {

// The token identifier and the widths in bytes of the fixed fields.
inline constexpr uint32_t kLibraryTokenId = 0x0401;
inline constexpr size_t kLibraryTokenIdWidth = 2;
inline constexpr size_t kLibraryTokenOidLengthWidth = 2;   // M and T
inline constexpr size_t kLibraryTokenNameLengthWidth = 4;  // N

}  // namespace orbi_name

#endif  // ORBI_NAME_INTERNAL_LIBRARY_TOKEN_H_
