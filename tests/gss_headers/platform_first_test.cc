// The platform's GSS-API header first, the library's headers after it: both
// see one set of RFC 2744 types, and a buffer or OID passes between them.
#include <gssapi/gssapi.h>
// clang-format off
#include "orbi_name/internal_name.h"
#include "orbi_name/status.h"
#include "orbi_services/oid_table.h"
// clang-format on
#include "gss_headers_check.h"
