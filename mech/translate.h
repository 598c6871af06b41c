// How the module's entry points report an outcome: the major status that
// the glue and the caller see, and the minor status (orbi_mech/minor_status.h)
// that names the fault.
#ifndef ORBI_MECH_TRANSLATE_H_
#define ORBI_MECH_TRANSLATE_H_

#include <gssapi/gssapi.h>

#include "minor_status.h"
#include "orbi_name/internal_name.h"
#include "orbi_name/status.h"

namespace orbi_mech {

// Fail sets the minor status and returns major.
inline OM_uint32 Fail(OM_uint32* minor, OM_uint32 minor_value,
                      OM_uint32 major) {
  *minor = minor_value;
  return major;
}

// FromLibrary reports a status of a library call that failed.
inline OM_uint32 FromLibrary(OM_uint32* minor, OM_uint32 library_status) {
  return Fail(minor, library_status, orbi_name::GssMajorStatus(library_status));
}

inline OM_uint32 NoMemory(OM_uint32* minor) {
  return FromLibrary(minor, orbi_name::status::NO_MEMORY);
}

inline PLVORBIInternalName* FromHandle(gss_name_t name) {
  return reinterpret_cast<PLVORBIInternalName*>(name);
}

inline gss_name_t ToHandle(PLVORBIInternalName* name) {
  return reinterpret_cast<gss_name_t>(name);
}

}  // namespace orbi_mech

#endif  // ORBI_MECH_TRANSLATE_H_
