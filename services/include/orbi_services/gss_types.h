// RFC 2744 C types that the name library's interface is written in:
// OM_uint32, gss_OID_desc / gss_OID and gss_buffer_desc / gss_buffer_t.
//
// Where the platform has a GSS-API header (<gssapi/gssapi.h>: MIT krb5's or
// Heimdal's), the types are that header's, so a source file may include it
// and the library's headers in either order and hand the same gss_buffer_desc
// and gss_OID to both. Where it has none, or where ORBI_NAME_OWN_GSS_TYPES is
// defined, identical definitions are made here under the same struct tags
// (gss_OID_desc_struct, gss_buffer_desc_struct): the library's functions have
// the same mangled names, and so the same ABI, whichever definitions a build
// saw. A GSS-API header that a caller included before this one (any header
// that defines GSS_S_COMPLETE) is used as it is.
//
//   gss_OID_desc     OM_uint32 length; void* elements (DER content octets:
//                    no tag, no length)
//   gss_buffer_desc  size_t length; void* value
#ifndef ORBI_SERVICES_GSS_TYPES_H_
#define ORBI_SERVICES_GSS_TYPES_H_

#include <stddef.h>
#include <stdint.h>

#if !defined(GSS_S_COMPLETE) && !defined(ORBI_NAME_OWN_GSS_TYPES) && \
    defined(__has_include)
#if __has_include(<gssapi/gssapi.h>)
#include <gssapi/gssapi.h>
#endif
#endif

#if !defined(GSS_S_COMPLETE)
// No platform header: the RFC 2744 definitions, as every platform spells
// them. GSS_S_COMPLETE marks them as made, as it marks a platform header.
#define GSS_S_COMPLETE 0

typedef uint32_t OM_uint32;

typedef struct gss_OID_desc_struct {
  OM_uint32 length;  // number of content octets in elements
  void* elements;    // DER content octets of the OID: no tag, no length
} gss_OID_desc, *gss_OID;

typedef struct gss_buffer_desc_struct {
  size_t length;  // number of bytes in value
  void* value;
} gss_buffer_desc, *gss_buffer_t;
#endif

#ifdef __cplusplus
static_assert(sizeof(OM_uint32) == 4, "OM_uint32 is 32 bits wide");
static_assert(sizeof(static_cast<gss_buffer_t>(nullptr)->length) ==
                  sizeof(size_t),
              "gss_buffer_desc counts its bytes in a size_t");
static_assert(sizeof(static_cast<gss_OID>(nullptr)->length) == 4,
              "gss_OID_desc counts its octets in an OM_uint32");
#endif

#endif  // ORBI_SERVICES_GSS_TYPES_H_
