// How the module's entry points report an outcome: the major status that
// the glue and the caller see, and the minor status (minor_status.h) that
// names the fault.
#ifndef ORBI_MECH_TRANSLATE_H_
#define ORBI_MECH_TRANSLATE_H_

#include <gssapi/gssapi.h>

#include <new>

#include "minor_status.h"
#include "name_record.h"
#include "orbi_name/rules.h"
#include "orbi_name/status.h"

namespace orbi_mech {

// Fail sets the minor status and returns major.
inline OM_uint32 Fail(OM_uint32* minor, OM_uint32 minor_value,
                      OM_uint32 major) {
  *minor = minor_value;
  return major;
}

// Refuse reports the module's own code kCode with the major status that its
// row in minor_status.def gives.
template <OM_uint32 kCode>
OM_uint32 Refuse(OM_uint32* minor) {
  constexpr OM_uint32 kMajor = MinorStatusMajor(kCode);
  static_assert(kMajor != GSS_S_COMPLETE, "one of the module's own codes");
  return Fail(minor, kCode, kMajor);
}

// FromLibrary reports a status of a library call that failed.
inline OM_uint32 FromLibrary(OM_uint32* minor, OM_uint32 library_status) {
  return Fail(minor, library_status, orbi_name::GssMajorStatus(library_status));
}

inline OM_uint32 NoMemory(OM_uint32* minor) {
  return FromLibrary(minor, orbi_name::status::NO_MEMORY);
}

// NoOutput reports an output the entry point needs and the caller did not
// pass.
inline OM_uint32 NoOutput(OM_uint32* minor) {
  return Fail(minor, orbi_name::status::BAD_INPUT,
              GSS_S_CALL_INACCESSIBLE_WRITE);
}

// NoName reports a name the caller did not pass.
inline OM_uint32 NoName(OM_uint32* minor) {
  return Fail(minor, orbi_name::status::BAD_INPUT,
              GSS_S_CALL_INACCESSIBLE_READ | GSS_S_BAD_NAME);
}

// NoInput reports an input other than a name (an OID, a buffer) that the
// caller did not pass or that cannot be read.
inline OM_uint32 NoInput(OM_uint32* minor) {
  return Fail(minor, orbi_name::status::BAD_INPUT,
              GSS_S_CALL_INACCESSIBLE_READ);
}

// Readable is true for a buffer that can be read: there is one, and its
// value is null only when it is empty.
inline bool Readable(const gss_buffer_desc* buffer) {
  return buffer != GSS_C_NO_BUFFER &&
         (buffer->value != nullptr || buffer->length == 0);
}

// OtherMechanism returns GSS_S_COMPLETE when mech is the mechanism by
// value, else GSS_S_BAD_MECH with the library's reason (23 for bytes of no
// OID, 24 for another OID). REQUIRES: mech is not null.
inline OM_uint32 OtherMechanism(OM_uint32* minor, gss_const_OID mech) {
  const OM_uint32 why = orbi_name::CheckMechanism(const_cast<gss_OID>(mech));
  return why == orbi_name::status::SUCCESS ? GSS_S_COMPLETE
                                           : Fail(minor, why, GSS_S_BAD_MECH);
}

// Empty gives an output the caller passed its empty value, so that no way
// out leaves the caller's variable as it was: a buffer {0, null}, a number
// 0, a handle (name, OID, OID set, buffer set, context, credential) null. A
// null output is left alone.
inline void Empty(gss_buffer_t buffer) {
  if (buffer != GSS_C_NO_BUFFER) *buffer = {0, nullptr};
}
inline void Empty(OM_uint32* value) {
  if (value != nullptr) *value = 0;
}
inline void Empty(int* value) {
  if (value != nullptr) *value = 0;
}
template <typename Handle>
void Empty(Handle** handle) {
  if (handle != nullptr) *handle = nullptr;
}

// Enter opens an entry point: it empties every output given and, when
// there is a minor status to write, sets it to 0. False when there is none;
// the entry point then returns GSS_S_CALL_INACCESSIBLE_WRITE.
template <typename... Outputs>
[[nodiscard]] bool Enter(OM_uint32* minor, Outputs... outputs) {
  (Empty(outputs), ...);
  if (minor == nullptr) return false;
  *minor = 0;
  return true;
}

// Guarded runs body and turns an exception that would cross the C boundary
// into a failure: no memory for std::bad_alloc, else GSS_S_FAILURE with the
// minor status UNEXPECTED.
template <typename Body>
OM_uint32 Guarded(OM_uint32* minor, Body body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return NoMemory(minor);
  } catch (...) {
    return Refuse<minor::UNEXPECTED>(minor);
  }
}

// Every gss_name_t the module hands out is a NameRecord from new.
inline NameRecord* FromHandle(gss_name_t name) {
  return reinterpret_cast<NameRecord*>(name);
}

inline gss_name_t ToHandle(NameRecord* name) {
  return reinterpret_cast<gss_name_t>(name);
}

}  // namespace orbi_mech

#endif  // ORBI_MECH_TRANSLATE_H_
