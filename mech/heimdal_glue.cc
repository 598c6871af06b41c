// Where orbi_mech_heimdal.so, the module for Heimdal's GSS-API glue, meets
// its glue (glue.h says why it is a module of its own): the form of an OID
// set, untyped names, and the entry points Heimdal's glue requires of every
// module besides those of orbi_mech.cc.
//
// Heimdal's glue reads /etc/gss/mech alone (no mech.d, no GSS_MECH_CONFIG)
// and skips a line without a fourth field, so the line is
//   orbi 1.3.6.1.4.1.32473.1 /usr/lib/gss/orbi_mech_heimdal.so -
// It opens the module and leaves it out unless it defines 29 entry points,
// those of credentials and security contexts among them. What each one here
// does for it:
//  - gss_canonicalize_name: the glue imports a name's text through
//    gss_import_name and canonicalizes the module's name to the mechanism.
//    Every name of the module already is a mechanism name, so this checks
//    the mechanism and copies the name.
//  - gss_indicate_mechs: the glue lists the mechanisms a module names; one
//    that answers with an error is left out of the glue's list.
//  - gss_inquire_mechs_for_name: the mechanism, for any name of the module
//    (the glue answers an application itself, from the name types).
//  - gss_inquire_mech_for_saslname, which the glue does not insist on: it
//    finds a module's mechanism by its SASL name only by asking the module,
//    where MIT's glue computes the name itself.
//  - the entry points of credentials, security contexts and message
//    protection: the mechanism has none, so each answers GSS_S_UNAVAILABLE
//    with the minor status UNAVAILABLE and every output emptied. A handle
//    that is both input and output is left as it came: the module never
//    hands out a context or credential, so none passed in is its own.
//
// Where the shared entry points meet this glue otherwise:
//  - OID sets. Heimdal's gss_release_oid_set frees the set and its array but
//    not the OIDs' bytes, and its gss_add_oid_set_member copies an OID's
//    descriptor and not its bytes. So the OIDs of a set handed out point at
//    bytes the module keeps for the process's life: the OID table's and the
//    mechanism attributes' table. The glue never unloads a module it took.
//  - Untyped names. The glue hands the module a text imported without a type
//    under GSS_C_NT_USER_NAME (RFC 2744's user name), the same as one
//    imported with that type. The module reads that type as no type, so an
//    untyped name imports as it does under MIT's glue; an explicit user-name
//    import is then taken as well, where orbi_mech.so refuses it
//    (BAD_NAME_TYPE).
//  - MIT's glue must not take this module, since its gss_release_oid_set
//    would free those bytes. It reads /etc/gss/mech too, and asks a module for
//    gss_mech_initialize before anything else and leaves out one whose
//    answer is null, as this module's is: under MIT's glue the line makes
//    the mechanism unavailable (or is overridden by a later line naming
//    orbi_mech.so, in /etc/gss/mech.d/) instead of freeing what is not its
//    own. Heimdal's glue never asks for gss_mech_initialize.
#pragma GCC visibility push(default)
extern "C" {
#include <gssapi/gssapi.h>
}
// MIT's glue calls this with the mechanism's OID for a table of entry
// points; null declines the module.
extern "C" void* KRB5_CALLCONV gss_mech_initialize(gss_const_OID mech);
#pragma GCC visibility pop

#include <stdlib.h>
#include <string.h>

#include "glue.h"
#include "mechanism.h"
#include "names.h"
#include "orbi_services/oid_table.h"
#include "sasl_name.h"
#include "translate.h"

namespace {

namespace status = orbi_name::status;
namespace minor = orbi_mech::minor;
using orbi_mech::Enter;
using orbi_mech::Fail;
using orbi_mech::FromHandle;
using orbi_mech::Guarded;
using orbi_mech::NoInput;
using orbi_mech::NoMemory;
using orbi_mech::NoName;
using orbi_mech::NoOutput;
using orbi_mech::OtherMechanism;
using orbi_mech::Readable;
using orbi_mech::Refuse;

// MechanismSet hands out the set of the one mechanism.
OM_uint32 MechanismSet(OM_uint32* minor, gss_OID_set* out) {
  return orbi_mech::NewOidSet(minor, orbi_mech::Mechanism(), 1, out);
}

// Unavailable empties every output and reports that the mechanism does not
// have the operation.
template <typename... Outputs>
OM_uint32 Unavailable(OM_uint32* minor, Outputs... outputs) {
  if (!Enter(minor, outputs...)) return GSS_S_CALL_INACCESSIBLE_WRITE;
  return Refuse<minor::UNAVAILABLE>(minor);
}

}  // namespace

namespace orbi_mech {

// Heimdal's gss_release_oid_set frees the array and the set alone.
void FreeOidSet(gss_OID_set set) {
  if (set == GSS_C_NO_OID_SET) return;
  free(set->elements);
  free(set);
}

OM_uint32 NewOidSet(OM_uint32* minor, const gss_OID_desc* oids, size_t count,
                    gss_OID_set* out) {
  auto* set = static_cast<gss_OID_set>(malloc(sizeof(gss_OID_set_desc)));
  if (set == nullptr) return NoMemory(minor);
  set->elements = static_cast<gss_OID>(calloc(count, sizeof(gss_OID_desc)));
  if (set->elements == nullptr) {
    free(set);
    return NoMemory(minor);
  }
  for (size_t i = 0; i < count; ++i) set->elements[i] = oids[i];
  set->count = count;
  *out = set;
  return GSS_S_COMPLETE;
}

gss_OID UntypedNameType() { return ORBIGetOID(kORBIUserNameTypeIndex); }

}  // namespace orbi_mech

extern "C" {

void* KRB5_CALLCONV gss_mech_initialize(gss_const_OID mech) {
  (void)mech;
  return nullptr;
}

OM_uint32 KRB5_CALLCONV gss_canonicalize_name(OM_uint32* minor_status,
                                              const gss_name_t input_name,
                                              const gss_OID mech_type,
                                              gss_name_t* output_name) {
  if (!Enter(minor_status, output_name)) return GSS_S_CALL_INACCESSIBLE_WRITE;
  if (output_name == nullptr) {
    return NoOutput(minor_status);
  }
  if (input_name == GSS_C_NO_NAME) {
    return NoName(minor_status);
  }
  if (mech_type == GSS_C_NO_OID) {
    return NoInput(minor_status);
  }
  const OM_uint32 other = OtherMechanism(minor_status, mech_type);
  if (other != GSS_S_COMPLETE) return other;
  return Guarded(minor_status, [&]() -> OM_uint32 {
    return orbi_mech::DuplicateName(minor_status, FromHandle(input_name),
                                    output_name);
  });
}

OM_uint32 KRB5_CALLCONV gss_indicate_mechs(OM_uint32* minor_status,
                                           gss_OID_set* mech_set) {
  if (!Enter(minor_status, mech_set)) return GSS_S_CALL_INACCESSIBLE_WRITE;
  if (mech_set == nullptr) {
    return NoOutput(minor_status);
  }
  return MechanismSet(minor_status, mech_set);
}

OM_uint32 KRB5_CALLCONV gss_inquire_mechs_for_name(OM_uint32* minor_status,
                                                   const gss_name_t input_name,
                                                   gss_OID_set* mech_types) {
  if (!Enter(minor_status, mech_types)) return GSS_S_CALL_INACCESSIBLE_WRITE;
  if (mech_types == nullptr) {
    return NoOutput(minor_status);
  }
  if (input_name == GSS_C_NO_NAME) {
    return NoName(minor_status);
  }
  // Every name of the module is a name of the mechanism.
  return MechanismSet(minor_status, mech_types);
}

OM_uint32 KRB5_CALLCONV gss_inquire_mech_for_saslname(
    OM_uint32* minor_status, const gss_buffer_t sasl_mech_name,
    gss_OID* mech_type) {
  if (!Enter(minor_status, mech_type)) return GSS_S_CALL_INACCESSIBLE_WRITE;
  if (mech_type == nullptr) {
    return NoOutput(minor_status);
  }
  if (!Readable(sasl_mech_name)) {
    return NoInput(minor_status);
  }
  gss_OID mech = orbi_mech::Mechanism();
  char gs2[orbi_mech::kGs2NameLength + 1];
  if (!orbi_mech::ComputeGs2Name(
          static_cast<const unsigned char*>(mech->elements), mech->length,
          gs2)) {
    return Refuse<minor::UNEXPECTED>(minor_status);
  }
  if (sasl_mech_name->length != orbi_mech::kGs2NameLength ||
      memcmp(sasl_mech_name->value, gs2, orbi_mech::kGs2NameLength) != 0) {
    return Fail(minor_status, status::MECH_NOT_SUPPORTED, GSS_S_BAD_MECH);
  }
  // The table's object, which lives as long as the process.
  *mech_type = mech;
  return GSS_S_COMPLETE;
}

// The operations the mechanism does not have. Parameters that only carry
// input are left unnamed.

OM_uint32 KRB5_CALLCONV gss_acquire_cred(OM_uint32* minor_status, gss_name_t,
                                         OM_uint32, gss_OID_set,
                                         gss_cred_usage_t,
                                         gss_cred_id_t* output_cred_handle,
                                         gss_OID_set* actual_mechs,
                                         OM_uint32* time_rec) {
  return Unavailable(minor_status, output_cred_handle, actual_mechs, time_rec);
}

OM_uint32 KRB5_CALLCONV gss_release_cred(OM_uint32* minor_status,
                                         gss_cred_id_t*) {
  return Unavailable(minor_status);
}

OM_uint32 KRB5_CALLCONV gss_init_sec_context(
    OM_uint32* minor_status, gss_cred_id_t, gss_ctx_id_t*, gss_name_t, gss_OID,
    OM_uint32, OM_uint32, gss_channel_bindings_t, gss_buffer_t,
    gss_OID* actual_mech_type, gss_buffer_t output_token, OM_uint32* ret_flags,
    OM_uint32* time_rec) {
  return Unavailable(minor_status, actual_mech_type, output_token, ret_flags,
                     time_rec);
}

OM_uint32 KRB5_CALLCONV gss_accept_sec_context(
    OM_uint32* minor_status, gss_ctx_id_t*, gss_cred_id_t, gss_buffer_t,
    gss_channel_bindings_t, gss_name_t* src_name, gss_OID* mech_type,
    gss_buffer_t output_token, OM_uint32* ret_flags, OM_uint32* time_rec,
    gss_cred_id_t* delegated_cred_handle) {
  return Unavailable(minor_status, src_name, mech_type, output_token, ret_flags,
                     time_rec, delegated_cred_handle);
}

OM_uint32 KRB5_CALLCONV gss_process_context_token(OM_uint32* minor_status,
                                                  gss_ctx_id_t, gss_buffer_t) {
  return Unavailable(minor_status);
}

OM_uint32 KRB5_CALLCONV gss_delete_sec_context(OM_uint32* minor_status,
                                               gss_ctx_id_t*,
                                               gss_buffer_t output_token) {
  return Unavailable(minor_status, output_token);
}

OM_uint32 KRB5_CALLCONV gss_context_time(OM_uint32* minor_status, gss_ctx_id_t,
                                         OM_uint32* time_rec) {
  return Unavailable(minor_status, time_rec);
}

OM_uint32 KRB5_CALLCONV gss_get_mic(OM_uint32* minor_status, gss_ctx_id_t,
                                    gss_qop_t, gss_buffer_t,
                                    gss_buffer_t message_token) {
  return Unavailable(minor_status, message_token);
}

OM_uint32 KRB5_CALLCONV gss_verify_mic(OM_uint32* minor_status, gss_ctx_id_t,
                                       gss_buffer_t, gss_buffer_t,
                                       gss_qop_t* qop_state) {
  return Unavailable(minor_status, qop_state);
}

OM_uint32 KRB5_CALLCONV gss_wrap(OM_uint32* minor_status, gss_ctx_id_t, int,
                                 gss_qop_t, gss_buffer_t, int* conf_state,
                                 gss_buffer_t output_message_buffer) {
  return Unavailable(minor_status, conf_state, output_message_buffer);
}

OM_uint32 KRB5_CALLCONV gss_unwrap(OM_uint32* minor_status, gss_ctx_id_t,
                                   gss_buffer_t,
                                   gss_buffer_t output_message_buffer,
                                   int* conf_state, gss_qop_t* qop_state) {
  return Unavailable(minor_status, output_message_buffer, conf_state,
                     qop_state);
}

OM_uint32 KRB5_CALLCONV gss_inquire_cred(OM_uint32* minor_status, gss_cred_id_t,
                                         gss_name_t* name, OM_uint32* lifetime,
                                         gss_cred_usage_t* cred_usage,
                                         gss_OID_set* mechanisms) {
  return Unavailable(minor_status, name, lifetime, cred_usage, mechanisms);
}

OM_uint32 KRB5_CALLCONV gss_inquire_context(
    OM_uint32* minor_status, gss_ctx_id_t, gss_name_t* src_name,
    gss_name_t* targ_name, OM_uint32* lifetime_rec, gss_OID* mech_type,
    OM_uint32* ctx_flags, int* locally_initiated, int* open) {
  return Unavailable(minor_status, src_name, targ_name, lifetime_rec, mech_type,
                     ctx_flags, locally_initiated, open);
}

OM_uint32 KRB5_CALLCONV gss_wrap_size_limit(OM_uint32* minor_status,
                                            gss_ctx_id_t, int, gss_qop_t,
                                            OM_uint32,
                                            OM_uint32* max_input_size) {
  return Unavailable(minor_status, max_input_size);
}

OM_uint32 KRB5_CALLCONV gss_add_cred(OM_uint32* minor_status, gss_cred_id_t,
                                     gss_name_t, gss_OID, gss_cred_usage_t,
                                     OM_uint32, OM_uint32,
                                     gss_cred_id_t* output_cred_handle,
                                     gss_OID_set* actual_mechs,
                                     OM_uint32* initiator_time_rec,
                                     OM_uint32* acceptor_time_rec) {
  return Unavailable(minor_status, output_cred_handle, actual_mechs,
                     initiator_time_rec, acceptor_time_rec);
}

OM_uint32 KRB5_CALLCONV gss_inquire_cred_by_mech(OM_uint32* minor_status,
                                                 gss_cred_id_t, gss_OID,
                                                 gss_name_t* name,
                                                 OM_uint32* initiator_lifetime,
                                                 OM_uint32* acceptor_lifetime,
                                                 gss_cred_usage_t* cred_usage) {
  return Unavailable(minor_status, name, initiator_lifetime, acceptor_lifetime,
                     cred_usage);
}

OM_uint32 KRB5_CALLCONV gss_export_sec_context(
    OM_uint32* minor_status, gss_ctx_id_t*, gss_buffer_t interprocess_token) {
  return Unavailable(minor_status, interprocess_token);
}

OM_uint32 KRB5_CALLCONV gss_import_sec_context(OM_uint32* minor_status,
                                               gss_buffer_t,
                                               gss_ctx_id_t* context_handle) {
  return Unavailable(minor_status, context_handle);
}

}  // extern "C"
