// orbi_mech.so: the ORBI mechanism's name operations as a module that MIT
// krb5's GSS-API mechanism glue loads (a line "orbi 1.3.6.1.4.1.32473.1
// /path/orbi_mech.so" in /etc/gss/mech.d/*.conf, or in the file that
// GSS_MECH_CONFIG names).
//
// The glue looks each entry point up by its standard name in the module and
// calls the one it finds with its own copies of the caller's arguments. The
// module defines:
//  - the name operations: gss_import_name, gss_display_name,
//    gss_compare_name, gss_release_name, gss_duplicate_name, gss_export_name,
//    and gss_export_name_composite (RFC 6680), whose token gss_import_name
//    reads under GSS_C_NT_EXPORT_NAME and GSS_C_NT_COMPOSITE_EXPORT alike;
//  - a name's database path and entries as read-only name attributes (RFC
//    6680): gss_inquire_name, gss_get_name_attribute, and
//    gss_set_name_attribute and gss_delete_name_attribute, which refuse;
//  - what the mechanism is: gss_inquire_names_for_mech,
//    gss_inquire_attrs_for_mech (RFC 5587: concrete, never a default
//    mechanism) and gss_inquire_saslname_for_mech (RFC 5801);
//  - gss_internal_release_oid, which keeps the table's OIDs that the module
//    hands out from being freed by a caller's gss_release_oid;
//  - gss_display_status for its minor statuses.
// They are the only symbols it exports; the glue treats every other entry
// point as unavailable. The glue never calls a module's
// gss_canonicalize_name: it canonicalizes by handing the name's bytes and
// type to gss_import_name.
//
// The same entry points, linked with heimdal_glue.cc instead of mit_glue.cc,
// make orbi_mech_heimdal.so, the module for Heimdal's glue; glue.h says what
// differs between the two and why they are two modules.
//
// What the glue relies on, and what each entry point does for it:
//  - Every name the module hands out is a mechanism name: a NameRecord
//    (from new, name_record.h) whose PLVORBIInternalName is bound to the
//    mechanism, ORBIGetOID(kORBIMechanismIndex). gss_release_name deletes
//    it; the glue also calls it with a null name.
//  - Buffers and OID sets handed out come from malloc, since the glue
//    releases them with free; NewOidSet (glue.h) makes a set in the form
//    the loading glue releases.
//  - OIDs are compared by value: the glue passes its own copies, or for a
//    token the caller's type, never the table's objects.
//  - No exception leaves an entry point, and every output is written on every
//    path, as RFC 2744 asks.
//  - The module's entry points never call each other through their exported
//    names: loaded with RTLD_LOCAL next to the glue, such a call would reach
//    the glue's function of the same name. The module is also linked with
//    -Bsymbolic.
//
// This file holds the entry points alone, each a translation: Enter (every
// output emptied, the minor status zeroed), the argument checks, one call
// and its status. What a call does lives beside it: the name logic in
// names.h, the name attributes in name_attributes.h, the mechanism's
// description in mechanism.h. Calls run one way, from here down; nothing
// calls back into this file.
//
// Minor statuses are the library's statuses (orbi_name/status.h) where a
// library call decided, else the module's own (minor_status.h); the major
// status is orbi_name::GssMajorStatus of a library status, or where the call
// site knows better (an argument that cannot be read or written, a malformed
// token) the status that names the fault.
//
// Thread safety: the module keeps no state of its own beyond each name's
// record. A name is never changed after gss_import_name or
// gss_duplicate_name made it, and its record answers reads without a lock
// once it has asked the library (name_record.h), so any entry point may run
// on any thread, and one name may be displayed, compared, duplicated,
// exported and read from several threads at once. Releasing a name while
// another thread uses it is the caller's fault, as for every GSS-API name.

// The GSS-API declarations give the entry points their C linkage; compiled
// with default visibility, the definitions below are exported while
// everything else in the module stays hidden.
//
// MIT's header declares the RFC 5587 and RFC 5801 functions outside its own
// extern "C" block; including it inside one gives them C linkage too.
#pragma GCC visibility push(default)
extern "C" {
#include <gssapi/gssapi.h>
#include <gssapi/gssapi_ext.h>
}
// The glue looks this entry point up in every module without declaring it
// in a public header: gss_release_oid asks each module first, so that a
// module can keep its static OIDs from being freed.
extern "C" OM_uint32 KRB5_CALLCONV gss_internal_release_oid(OM_uint32*,
                                                            gss_OID*);
#pragma GCC visibility pop

#include "mechanism.h"
#include "name_attributes.h"
#include "names.h"
#include "translate.h"

namespace {

using orbi_mech::Enter;
using orbi_mech::FromHandle;
using orbi_mech::Guarded;
using orbi_mech::NoInput;
using orbi_mech::NoName;
using orbi_mech::NoOutput;
using orbi_mech::OtherMechanism;
using orbi_mech::Readable;

// CheckNameAndAttribute refuses a name or attribute name that cannot be
// read.
OM_uint32 CheckNameAndAttribute(OM_uint32* minor, gss_name_t name,
                                gss_buffer_t attr) {
  if (name == GSS_C_NO_NAME) {
    return NoName(minor);
  }
  if (!Readable(attr)) {
    return NoInput(minor);
  }
  return GSS_S_COMPLETE;
}

}  // namespace

extern "C" {

OM_uint32 KRB5_CALLCONV gss_import_name(OM_uint32* minor_status,
                                        gss_buffer_t input_name_buffer,
                                        gss_OID input_name_type,
                                        gss_name_t* output_name) {
  if (!Enter(minor_status, output_name)) return GSS_S_CALL_INACCESSIBLE_WRITE;
  if (output_name == nullptr) {
    return NoOutput(minor_status);
  }
  if (!Readable(input_name_buffer)) {
    return NoName(minor_status);
  }
  return Guarded(minor_status, [&]() -> OM_uint32 {
    return orbi_mech::ImportName(minor_status, *input_name_buffer,
                                 input_name_type, output_name);
  });
}

OM_uint32 KRB5_CALLCONV gss_display_name(OM_uint32* minor_status,
                                         gss_name_t input_name,
                                         gss_buffer_t output_name_buffer,
                                         gss_OID* output_name_type) {
  if (!Enter(minor_status, output_name_buffer, output_name_type)) {
    return GSS_S_CALL_INACCESSIBLE_WRITE;
  }
  if (output_name_buffer == GSS_C_NO_BUFFER) {
    return NoOutput(minor_status);
  }
  if (input_name == GSS_C_NO_NAME) {
    return NoName(minor_status);
  }
  return Guarded(minor_status, [&]() -> OM_uint32 {
    return orbi_mech::DisplayName(minor_status, FromHandle(input_name),
                                  output_name_buffer, output_name_type);
  });
}

OM_uint32 KRB5_CALLCONV gss_compare_name(OM_uint32* minor_status,
                                         gss_name_t name1, gss_name_t name2,
                                         int* name_equal) {
  if (!Enter(minor_status, name_equal)) return GSS_S_CALL_INACCESSIBLE_WRITE;
  if (name_equal == nullptr) {
    return NoOutput(minor_status);
  }
  if (name1 == GSS_C_NO_NAME || name2 == GSS_C_NO_NAME) {
    return NoName(minor_status);
  }
  return Guarded(minor_status, [&]() -> OM_uint32 {
    return orbi_mech::CompareNames(minor_status, FromHandle(name1),
                                   FromHandle(name2), name_equal);
  });
}

OM_uint32 KRB5_CALLCONV gss_release_name(OM_uint32* minor_status,
                                         gss_name_t* input_name) {
  if (!Enter(minor_status)) return GSS_S_CALL_INACCESSIBLE_WRITE;
  if (input_name == nullptr) {
    return NoName(minor_status);
  }
  // The glue also releases a name for which it never got one from the
  // module (a failed canonicalization).
  if (*input_name == GSS_C_NO_NAME) return GSS_S_COMPLETE;
  return Guarded(minor_status, [&]() -> OM_uint32 {
    orbi_mech::ReleaseName(input_name);
    return GSS_S_COMPLETE;
  });
}

OM_uint32 KRB5_CALLCONV gss_duplicate_name(OM_uint32* minor_status,
                                           const gss_name_t src_name,
                                           gss_name_t* dest_name) {
  if (!Enter(minor_status, dest_name)) return GSS_S_CALL_INACCESSIBLE_WRITE;
  if (dest_name == nullptr) {
    return NoOutput(minor_status);
  }
  if (src_name == GSS_C_NO_NAME) {
    return NoName(minor_status);
  }
  return Guarded(minor_status, [&]() -> OM_uint32 {
    return orbi_mech::DuplicateName(minor_status, FromHandle(src_name),
                                    dest_name);
  });
}

OM_uint32 KRB5_CALLCONV gss_export_name(OM_uint32* minor_status,
                                        const gss_name_t input_name,
                                        gss_buffer_t exported_name) {
  if (!Enter(minor_status, exported_name)) return GSS_S_CALL_INACCESSIBLE_WRITE;
  if (exported_name == GSS_C_NO_BUFFER) {
    return NoOutput(minor_status);
  }
  if (input_name == GSS_C_NO_NAME) {
    return NoName(minor_status);
  }
  return Guarded(minor_status, [&]() -> OM_uint32 {
    return orbi_mech::ExportName(minor_status, FromHandle(input_name),
                                 exported_name);
  });
}

OM_uint32 KRB5_CALLCONV
gss_export_name_composite(OM_uint32* minor_status, gss_name_t input_name,
                          gss_buffer_t exp_composite_name) {
  if (!Enter(minor_status, exp_composite_name)) {
    return GSS_S_CALL_INACCESSIBLE_WRITE;
  }
  if (exp_composite_name == GSS_C_NO_BUFFER) {
    return NoOutput(minor_status);
  }
  if (input_name == GSS_C_NO_NAME) {
    return NoName(minor_status);
  }
  return Guarded(minor_status, [&]() -> OM_uint32 {
    return orbi_mech::ExportCompositeName(minor_status, FromHandle(input_name),
                                          exp_composite_name);
  });
}

OM_uint32 KRB5_CALLCONV gss_inquire_names_for_mech(OM_uint32* minor_status,
                                                   gss_OID mechanism,
                                                   gss_OID_set* name_types) {
  if (!Enter(minor_status, name_types)) return GSS_S_CALL_INACCESSIBLE_WRITE;
  if (name_types == nullptr) {
    return NoOutput(minor_status);
  }
  if (mechanism == GSS_C_NO_OID) {
    return NoInput(minor_status);
  }
  return Guarded(minor_status, [&]() -> OM_uint32 {
    const OM_uint32 other = OtherMechanism(minor_status, mechanism);
    if (other != GSS_S_COMPLETE) return other;
    return orbi_mech::NameTypes(minor_status, name_types);
  });
}

OM_uint32 KRB5_CALLCONV gss_display_status(OM_uint32* minor_status,
                                           OM_uint32 status_value,
                                           int status_type, gss_OID mech_type,
                                           OM_uint32* message_context,
                                           gss_buffer_t status_string) {
  if (!Enter(minor_status, status_string)) return GSS_S_CALL_INACCESSIBLE_WRITE;
  if (message_context == nullptr || status_string == GSS_C_NO_BUFFER) {
    return NoOutput(minor_status);
  }
  // Each status has one message, so the only context handed back is 0; a
  // caller's other value is not one of this module's.
  const OM_uint32 context = *message_context;
  *message_context = 0;
  // The glue displays major statuses itself and hands the module only its
  // own minor statuses, with a copy of its OID.
  if (status_type != GSS_C_MECH_CODE || context != 0) {
    return orbi_mech::Fail(minor_status, 0, GSS_S_BAD_STATUS);
  }
  if (mech_type != GSS_C_NO_OID) {
    const OM_uint32 other = OtherMechanism(minor_status, mech_type);
    if (other != GSS_S_COMPLETE) return other;
  }
  return Guarded(minor_status, [&]() -> OM_uint32 {
    return orbi_mech::StatusText(minor_status, status_value, status_string);
  });
}

OM_uint32 KRB5_CALLCONV gss_internal_release_oid(OM_uint32* minor_status,
                                                 gss_OID* oid) {
  if (minor_status != nullptr) *minor_status = 0;
  // Only the table's own objects are the module's to keep; every other OID
  // is left to the glue (or to the next module).
  if (oid == nullptr || !orbi_mech::IsOwnOid(*oid)) {
    return GSS_S_CONTINUE_NEEDED;
  }
  *oid = GSS_C_NO_OID;
  return GSS_S_COMPLETE;
}

OM_uint32 KRB5_CALLCONV gss_inquire_attrs_for_mech(
    OM_uint32* minor_status, gss_const_OID mech, gss_OID_set* mech_attrs,
    gss_OID_set* known_mech_attrs) {
  if (!Enter(minor_status, mech_attrs, known_mech_attrs)) {
    return GSS_S_CALL_INACCESSIBLE_WRITE;
  }
  if (mech == GSS_C_NO_OID) {
    return NoInput(minor_status);
  }
  const OM_uint32 other = OtherMechanism(minor_status, mech);
  if (other != GSS_S_COMPLETE) return other;
  return Guarded(minor_status, [&]() -> OM_uint32 {
    return orbi_mech::MechAttrs(minor_status, mech_attrs, known_mech_attrs);
  });
}

OM_uint32 KRB5_CALLCONV gss_inquire_saslname_for_mech(
    OM_uint32* minor_status, const gss_OID desired_mech,
    gss_buffer_t sasl_mech_name, gss_buffer_t mech_name,
    gss_buffer_t mech_description) {
  if (!Enter(minor_status, sasl_mech_name, mech_name, mech_description)) {
    return GSS_S_CALL_INACCESSIBLE_WRITE;
  }
  if (desired_mech == GSS_C_NO_OID) {
    return NoInput(minor_status);
  }
  const OM_uint32 other = OtherMechanism(minor_status, desired_mech);
  if (other != GSS_S_COMPLETE) return other;
  return Guarded(minor_status, [&]() -> OM_uint32 {
    return orbi_mech::SaslNames(minor_status, sasl_mech_name, mech_name,
                                mech_description);
  });
}

OM_uint32 KRB5_CALLCONV gss_inquire_name(OM_uint32* minor_status,
                                         gss_name_t name, int* name_is_MN,
                                         gss_OID* MN_mech,
                                         gss_buffer_set_t* attrs) {
  if (!Enter(minor_status, name_is_MN, MN_mech, attrs)) {
    return GSS_S_CALL_INACCESSIBLE_WRITE;
  }
  if (name == GSS_C_NO_NAME) {
    return NoName(minor_status);
  }
  return Guarded(minor_status, [&]() -> OM_uint32 {
    if (attrs != nullptr) {
      const OM_uint32 major =
          orbi_mech::InquireAttributes(minor_status, FromHandle(name), attrs);
      if (major != GSS_S_COMPLETE) return major;
    }
    // Every name of the module is a mechanism name. The mechanism is the
    // table's object, which gss_internal_release_oid keeps from being freed.
    if (name_is_MN != nullptr) *name_is_MN = 1;
    if (MN_mech != nullptr) *MN_mech = orbi_mech::Mechanism();
    return GSS_S_COMPLETE;
  });
}

OM_uint32 KRB5_CALLCONV gss_get_name_attribute(
    OM_uint32* minor_status, gss_name_t name, gss_buffer_t attr,
    int* authenticated, int* complete, gss_buffer_t value,
    gss_buffer_t display_value, int* more) {
  if (!Enter(minor_status, authenticated, complete, value, display_value)) {
    return GSS_S_CALL_INACCESSIBLE_WRITE;
  }
  if (more == nullptr) {
    return NoOutput(minor_status);
  }
  const OM_uint32 unreadable = CheckNameAndAttribute(minor_status, name, attr);
  if (unreadable != GSS_S_COMPLETE) return unreadable;
  return Guarded(minor_status, [&]() -> OM_uint32 {
    return orbi_mech::GetAttribute(minor_status, FromHandle(name), *attr,
                                   authenticated, complete, value,
                                   display_value, more);
  });
}

OM_uint32 KRB5_CALLCONV gss_set_name_attribute(OM_uint32* minor_status,
                                               gss_name_t name, int complete,
                                               gss_buffer_t attr,
                                               gss_buffer_t value) {
  (void)complete;
  (void)value;
  if (!Enter(minor_status)) return GSS_S_CALL_INACCESSIBLE_WRITE;
  const OM_uint32 unreadable = CheckNameAndAttribute(minor_status, name, attr);
  if (unreadable != GSS_S_COMPLETE) return unreadable;
  return orbi_mech::ChangeAttribute(minor_status, *attr);
}

OM_uint32 KRB5_CALLCONV gss_delete_name_attribute(OM_uint32* minor_status,
                                                  gss_name_t name,
                                                  gss_buffer_t attr) {
  if (!Enter(minor_status)) return GSS_S_CALL_INACCESSIBLE_WRITE;
  const OM_uint32 unreadable = CheckNameAndAttribute(minor_status, name, attr);
  if (unreadable != GSS_S_COMPLETE) return unreadable;
  return orbi_mech::ChangeAttribute(minor_status, *attr);
}

}  // extern "C"
