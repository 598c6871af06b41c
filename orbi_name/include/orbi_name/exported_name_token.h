// Deprecated: the earlier names of orbi_name/library_token.h, kept for one
// release so that code written against them still builds, and programs
// linked against liborbi_name.so.1 still load. New code includes
// orbi_name/library_token.h and calls ParseLibraryToken with a
// LibraryTokenView; this header goes away with the next SONAME.
//
// Thread safety: the functions keep no state.
#ifndef ORBI_NAME_EXPORTED_NAME_TOKEN_H_
#define ORBI_NAME_EXPORTED_NAME_TOKEN_H_

#include <stddef.h>
#include <stdint.h>

#include "orbi_name/export.h"
#include "orbi_name/library_token.h"

namespace orbi_name {

// The fields of a token, as LibraryTokenView (a type of its own, so that
// ParseExportedNameToken keeps the symbol it has always had).
struct [[deprecated("use orbi_name::LibraryTokenView")]] TokenView {
  uint32_t token_id = 0;
  const unsigned char* mechanism = nullptr;
  uint32_t mechanism_length = 0;
  const unsigned char* name = nullptr;
  uint32_t name_length = 0;
  bool has_name_type = false;
  const unsigned char* name_type = nullptr;
  uint32_t name_type_length = 0;
};

// ParseExportedNameToken is ParseLibraryToken with a TokenView.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
[[deprecated("use orbi_name::ParseLibraryToken")]] ORBI_NAME_EXPORT TokenField
ParseExportedNameToken(const void* token, size_t length, TokenView* view,
                       TokenRefusal* refusal);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

}  // namespace orbi_name

#endif  // ORBI_NAME_EXPORTED_NAME_TOKEN_H_
