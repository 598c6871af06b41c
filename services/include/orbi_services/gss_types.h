// RFC 2744 C types that the name library's interface is written in.
//
// gss_OID_desc has the exact RFC 2744 layout (32-bit length, then a pointer),
// so a gss_OID from any GSS-API implementation can be passed in.
// gss_buffer_desc carries a 32-bit length, as this mechanism's interface
// defines it; on LP64 platforms the value pointer still sits at offset 8, as
// in the size_t form of RFC 2744.
#ifndef ORBI_SERVICES_GSS_TYPES_H_
#define ORBI_SERVICES_GSS_TYPES_H_

#include <stdint.h>

typedef uint32_t OM_uint32;

typedef struct gss_OID_desc_struct {
  OM_uint32 length;  // number of content octets in elements
  void* elements;    // DER content octets of the OID: no tag, no length
} gss_OID_desc, *gss_OID;

typedef struct gss_buffer_desc_struct {
  OM_uint32 length;  // number of bytes in value
  void* value;
} gss_buffer_desc, *gss_buffer_t;

#endif  // ORBI_SERVICES_GSS_TYPES_H_
