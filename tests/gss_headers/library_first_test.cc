// The library's headers first, the platform's GSS-API header after them.
#include "orbi_name/internal_name.h"
#include "orbi_name/status.h"
#include "orbi_services/oid_table.h"
// clang-format off
#include <gssapi/gssapi.h>
// clang-format on
#include "gss_headers_check.h"
