// orbi_mech.so: the ORBI mechanism's name operations as a module that MIT
// krb5's GSS-API mechanism glue loads (a line "orbi 1.3.6.1.4.1.32473.1
// /path/orbi_mech.so" in /etc/gss/mech.d/*.conf, or in the file that
// GSS_MECH_CONFIG names).
//
// The glue looks each entry point up by its standard name in the module and
// calls the one it finds with its own copies of the caller's arguments. The
// module defines only the name operations: gss_import_name,
// gss_display_name, gss_compare_name, gss_release_name, gss_duplicate_name,
// gss_export_name, gss_inquire_names_for_mech and gss_display_status. They
// are the only symbols it exports; the glue treats every other entry point
// as unavailable. The glue never calls a module's gss_canonicalize_name: it
// canonicalizes by handing the name's bytes and type to gss_import_name.
//
// What the glue relies on, and what each entry point does for it:
//  - Every name the module hands out is a mechanism name: a
//    PLVORBIInternalName (from new) bound to the mechanism, ORBIGetOID(7).
//    gss_release_name deletes it; the glue also calls it with a null name.
//  - Buffers and OID sets handed out come from malloc, since the glue
//    releases them with free.
//  - OIDs are compared by value: the glue passes its own copies, or for a
//    token the caller's type, never the table's objects.
//  - No exception leaves an entry point, and every output is written on every
//    path, as RFC 2744 asks.
//  - The module's entry points never call each other through their exported
//    names: loaded with RTLD_LOCAL next to the glue, such a call would reach
//    the glue's function of the same name. The module is also linked with
//    -Bsymbolic.
//
// Minor statuses are the library's statuses (orbi_name/status.h); the major
// status is orbi_name::GssMajorStatus of the minor, or where the call site
// knows better (an argument that cannot be read or written, a malformed
// token) the status that names the fault.
//
// Thread safety: the module keeps no state of its own. Each name carries the
// library's lock, and a name is never changed after gss_import_name or
// gss_duplicate_name made it, so any entry point may run on any thread, and
// one name may be displayed, compared, duplicated and exported from several
// threads at once. Releasing a name while another thread uses it is the
// caller's fault, as for every GSS-API name.

// The GSS-API declarations give the entry points their C linkage; compiled
// with default visibility, the definitions below are exported while
// everything else in the module stays hidden.
#pragma GCC visibility push(default)
#include <gssapi/gssapi.h>
#pragma GCC visibility pop

#include <assert.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <new>

#include "der/oid.h"
#include "orbi_name/internal_name.h"
#include "orbi_name/status.h"
#include "orbi_services/oid_table.h"
#include "standard_name_token.h"

namespace {

namespace status = orbi_name::status;

// The name types gss_inquire_names_for_mech reports, in this order; the
// exported-name type is read by the module, the others by the library.
constexpr int kNameTypeIndices[] = {kORBIDefaultNameTypeIndex,
                                    kORBIExportedNameTypeIndex,
                                    kORBIAnonymousNameTypeIndex};

gss_OID Mechanism() { return ORBIGetOID(kORBIMechanismIndex); }

// SameOid is true when oid holds exactly table_oid's content octets. DER is
// a canonical encoding, so for the table's valid OIDs equal bytes are equal
// values.
[[nodiscard]] bool SameOid(const gss_OID_desc* oid, gss_OID table_oid) {
  return oid != nullptr && oid->length == table_oid->length &&
         oid->elements != nullptr &&
         memcmp(oid->elements, table_oid->elements, oid->length) == 0;
}

PLVORBIInternalName* FromHandle(gss_name_t name) {
  return reinterpret_cast<PLVORBIInternalName*>(name);
}

gss_name_t ToHandle(PLVORBIInternalName* name) {
  return reinterpret_cast<gss_name_t>(name);
}

// Fail sets the minor status and returns major.
OM_uint32 Fail(OM_uint32* minor, OM_uint32 library_status, OM_uint32 major) {
  *minor = library_status;
  return major;
}

// FromLibrary reports a status of a library call that failed.
OM_uint32 FromLibrary(OM_uint32* minor, OM_uint32 library_status) {
  return Fail(minor, library_status, orbi_name::GssMajorStatus(library_status));
}

OM_uint32 NoMemory(OM_uint32* minor) {
  return FromLibrary(minor, status::NO_MEMORY);
}

// MechanismStatus tells why the content octets of an OID that is not the
// mechanism are refused: 23 when they are not a valid encoding, 24 when they
// are another OID.
OM_uint32 MechanismStatus(const void* bytes, size_t length) {
  return bytes != nullptr &&
                 orbi::der::IsValidOidContent(
                     static_cast<const unsigned char*>(bytes), length)
             ? status::MECH_NOT_SUPPORTED
             : status::INVALID_MECH;
}

// Guarded runs body and turns an exception that would cross the C boundary
// into a failure: no memory for std::bad_alloc, else GSS_S_FAILURE with the
// minor status 0, since no library status describes an unexpected
// exception.
template <typename Body>
OM_uint32 Guarded(OM_uint32* minor, Body body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return NoMemory(minor);
  } catch (...) {
    return Fail(minor, 0, GSS_S_FAILURE);
  }
}

// Text holds a block handed out by PLVORBIInternalName::Display and frees
// it with its owner.
struct Text {
  gss_buffer_desc buffer = {0, nullptr};
  gss_OID type = GSS_C_NO_OID;
  ~Text() { free(buffer.value); }
};

// The bytes of a name in a token are a text of this mechanism when the
// library's text import keeps them as they are: the text ends at the first
// NUL and the import makes every later byte zero.
[[nodiscard]] bool IsText(const unsigned char* bytes, size_t length) {
  const void* nul = memchr(bytes, '\0', length);
  if (nul == nullptr) return true;
  for (auto* p = static_cast<const unsigned char*>(nul); p < bytes + length;
       ++p) {
    if (*p != 0) return false;
  }
  return true;
}

// ReadToken checks a standard exported name token and points text at the
// name it carries. Nothing is allocated, so a refused token costs no memory.
OM_uint32 ReadToken(OM_uint32* minor, const gss_buffer_desc& input,
                    gss_buffer_desc* text) {
  orbi_mech::TokenFields fields;
  if (!orbi_mech::ParseStandardToken(
          static_cast<const unsigned char*>(input.value), input.length,
          &fields)) {
    // The library reports a token it cannot read as 36, as for its own
    // token layout.
    return Fail(minor, status::BAD_NAME_TYPE, GSS_S_DEFECTIVE_TOKEN);
  }
  gss_OID mech = Mechanism();
  if (fields.mech_length != mech->length ||
      memcmp(fields.mech, mech->elements, mech->length) != 0) {
    return Fail(minor, MechanismStatus(fields.mech, fields.mech_length),
                GSS_S_BAD_MECH);
  }
  // A name that the text import would change cannot be held as it is;
  // taking it would make a name whose token differs from this one.
  if (!IsText(fields.name, fields.name_length)) {
    return Fail(minor, status::BAD_NAME_TYPE, GSS_S_BAD_NAME);
  }
  text->length = fields.name_length;
  text->value = const_cast<unsigned char*>(fields.name);
  return GSS_S_COMPLETE;
}

OM_uint32 ImportName(OM_uint32* minor, const gss_buffer_desc& input,
                     gss_OID type, gss_name_t* output) {
  // The library reads the text of every type but the exported name and
  // refuses with 36 every type it does not take. The token is read here: its
  // name is then read as a text without a type. The anonymous type ignores
  // the bytes, which the glue lets a caller leave out.
  gss_buffer_desc bytes = input;
  gss_OID library_type = type;
  if (SameOid(type, ORBIGetOID(kORBIExportedNameTypeIndex))) {
    const OM_uint32 major = ReadToken(minor, input, &bytes);
    if (major != GSS_S_COMPLETE) return major;
    library_type = GSS_C_NO_OID;
  } else if (bytes.value == nullptr &&
             SameOid(type, ORBIGetOID(kORBIAnonymousNameTypeIndex))) {
    bytes.value = const_cast<char*>("");
  }
  std::unique_ptr<PLVORBIInternalName> name(new (std::nothrow)
                                                PLVORBIInternalName);
  if (name == nullptr) return NoMemory(minor);
  const OM_uint32 set = name->Set(library_type, &bytes);
  if (set == status::BAD_INPUT) {
    return Fail(minor, set, GSS_S_CALL_INACCESSIBLE_READ | GSS_S_BAD_NAME);
  }
  if (set != status::SUCCESS) return FromLibrary(minor, set);
  // Every name of the module is a mechanism name.
  const OM_uint32 bound = name->SetMechType(Mechanism());
  assert(bound == status::SUCCESS);
  if (bound != status::SUCCESS) return Fail(minor, bound, GSS_S_FAILURE);
  *output = ToHandle(name.release());
  return GSS_S_COMPLETE;
}

// DisplayText fills text from name.
OM_uint32 DisplayText(OM_uint32* minor, PLVORBIInternalName* name, Text* text) {
  const OM_uint32 shown = name->Display(&text->buffer, &text->type);
  if (shown != status::SUCCESS) return FromLibrary(minor, shown);
  return GSS_S_COMPLETE;
}

OM_uint32 CompareNames(OM_uint32* minor, PLVORBIInternalName* name1,
                       PLVORBIInternalName* name2, int* equal) {
  Text text1;
  Text text2;
  OM_uint32 major = DisplayText(minor, name1, &text1);
  if (major == GSS_S_COMPLETE) major = DisplayText(minor, name2, &text2);
  if (major != GSS_S_COMPLETE) return major;
  // An anonymous name equals no name, itself included.
  gss_OID anonymous = ORBIGetOID(kORBIAnonymousNameTypeIndex);
  if (text1.type == anonymous || text2.type == anonymous) return major;
  // Names are equal exactly when their bytes are, which is when their
  // exported tokens are.
  *equal =
      text1.buffer.length == text2.buffer.length &&
      memcmp(text1.buffer.value, text2.buffer.value, text1.buffer.length) == 0;
  return GSS_S_COMPLETE;
}

OM_uint32 DuplicateName(OM_uint32* minor, PLVORBIInternalName* source,
                        gss_name_t* output) {
  std::unique_ptr<PLVORBIInternalName> copy(new (std::nothrow)
                                                PLVORBIInternalName);
  if (copy == nullptr) return NoMemory(minor);
  // operator= leaves the copy empty when it cannot have the memory for the
  // text; an empty copy differs from every name the module makes.
  *copy = *source;
  if (!(*copy == *source)) return NoMemory(minor);
  *output = ToHandle(copy.release());
  return GSS_S_COMPLETE;
}

OM_uint32 ExportName(OM_uint32* minor, PLVORBIInternalName* name,
                     gss_buffer_t token) {
  Text text;
  const OM_uint32 major = DisplayText(minor, name, &text);
  if (major != GSS_S_COMPLETE) return major;
  gss_OID mech = Mechanism();
  const size_t size =
      orbi_mech::StandardTokenSize(mech->length, text.buffer.length);
  // A name too long for the token's four-byte length is reported as the
  // library reports a token that would pass 4294967295 bytes.
  if (size == 0) return NoMemory(minor);
  auto* block = static_cast<unsigned char*>(malloc(size));
  if (block == nullptr) return NoMemory(minor);
  if (!orbi_mech::WriteStandardToken(
          static_cast<const unsigned char*>(mech->elements), mech->length,
          static_cast<const unsigned char*>(text.buffer.value),
          text.buffer.length, block, size)) {
    free(block);
    return Fail(minor, 0, GSS_S_FAILURE);
  }
  token->length = size;
  token->value = block;
  return GSS_S_COMPLETE;
}

// FreeOidSet releases a set made by NameTypes, also a partly filled one.
void FreeOidSet(gss_OID_set set) {
  if (set == GSS_C_NO_OID_SET) return;
  if (set->elements != nullptr) {
    for (size_t i = 0; i < set->count; ++i) free(set->elements[i].elements);
  }
  free(set->elements);
  free(set);
}

OM_uint32 NameTypes(OM_uint32* minor, gss_OID_set* name_types) {
  constexpr size_t kCount = sizeof(kNameTypeIndices) / sizeof(int);
  auto* set = static_cast<gss_OID_set>(malloc(sizeof(gss_OID_set_desc)));
  if (set == nullptr) return NoMemory(minor);
  set->count = 0;
  set->elements = static_cast<gss_OID>(calloc(kCount, sizeof(gss_OID_desc)));
  if (set->elements == nullptr) {
    FreeOidSet(set);
    return NoMemory(minor);
  }
  for (size_t i = 0; i < kCount; ++i) {
    gss_OID type = ORBIGetOID(kNameTypeIndices[i]);
    void* bytes = malloc(type->length);
    if (bytes == nullptr) {
      FreeOidSet(set);
      return NoMemory(minor);
    }
    memcpy(bytes, type->elements, type->length);
    set->elements[i].length = type->length;
    set->elements[i].elements = bytes;
    set->count = i + 1;
  }
  *name_types = set;
  return GSS_S_COMPLETE;
}

OM_uint32 StatusText(OM_uint32* minor, OM_uint32 value,
                     gss_buffer_t status_string) {
  const char* name = orbi_name::StatusName(value);
  const char* message = orbi_name::StatusMessage(value);
  if (name == nullptr || message == nullptr) {
    return Fail(minor, 0, GSS_S_BAD_STATUS);
  }
  constexpr char kFormat[] = "ORBI mechanism: %s (%s, status %u)";
  const int length = snprintf(nullptr, 0, kFormat, message, name, value);
  if (length < 0) return Fail(minor, 0, GSS_S_FAILURE);
  const size_t size = static_cast<size_t>(length) + 1;
  auto* text = static_cast<char*>(malloc(size));
  if (text == nullptr) return NoMemory(minor);
  snprintf(text, size, kFormat, message, name, value);
  status_string->length = static_cast<size_t>(length);
  status_string->value = text;
  return GSS_S_COMPLETE;
}

}  // namespace

extern "C" {

OM_uint32 KRB5_CALLCONV gss_import_name(OM_uint32* minor_status,
                                        gss_buffer_t input_name_buffer,
                                        gss_OID input_name_type,
                                        gss_name_t* output_name) {
  if (output_name != nullptr) *output_name = GSS_C_NO_NAME;
  if (minor_status == nullptr) return GSS_S_CALL_INACCESSIBLE_WRITE;
  *minor_status = 0;
  if (output_name == nullptr) {
    return Fail(minor_status, status::BAD_INPUT, GSS_S_CALL_INACCESSIBLE_WRITE);
  }
  if (input_name_buffer == GSS_C_NO_BUFFER ||
      (input_name_buffer->value == nullptr && input_name_buffer->length != 0)) {
    return Fail(minor_status, status::BAD_INPUT,
                GSS_S_CALL_INACCESSIBLE_READ | GSS_S_BAD_NAME);
  }
  return Guarded(minor_status, [&]() -> OM_uint32 {
    return ImportName(minor_status, *input_name_buffer, input_name_type,
                      output_name);
  });
}

OM_uint32 KRB5_CALLCONV gss_display_name(OM_uint32* minor_status,
                                         gss_name_t input_name,
                                         gss_buffer_t output_name_buffer,
                                         gss_OID* output_name_type) {
  if (output_name_buffer != GSS_C_NO_BUFFER) {
    output_name_buffer->length = 0;
    output_name_buffer->value = nullptr;
  }
  if (output_name_type != nullptr) *output_name_type = GSS_C_NO_OID;
  if (minor_status == nullptr) return GSS_S_CALL_INACCESSIBLE_WRITE;
  *minor_status = 0;
  if (output_name_buffer == GSS_C_NO_BUFFER) {
    return Fail(minor_status, status::BAD_INPUT, GSS_S_CALL_INACCESSIBLE_WRITE);
  }
  if (input_name == GSS_C_NO_NAME) {
    return Fail(minor_status, status::BAD_INPUT,
                GSS_S_CALL_INACCESSIBLE_READ | GSS_S_BAD_NAME);
  }
  return Guarded(minor_status, [&]() -> OM_uint32 {
    Text text;
    const OM_uint32 major =
        DisplayText(minor_status, FromHandle(input_name), &text);
    if (major != GSS_S_COMPLETE) return major;
    // The type is the table's object, which lives as long as the process;
    // RFC 2744 has the caller treat it as read-only.
    *output_name_buffer = text.buffer;
    text.buffer = {0, nullptr};
    if (output_name_type != nullptr) *output_name_type = text.type;
    return GSS_S_COMPLETE;
  });
}

OM_uint32 KRB5_CALLCONV gss_compare_name(OM_uint32* minor_status,
                                         gss_name_t name1, gss_name_t name2,
                                         int* name_equal) {
  if (name_equal != nullptr) *name_equal = 0;
  if (minor_status == nullptr) return GSS_S_CALL_INACCESSIBLE_WRITE;
  *minor_status = 0;
  if (name_equal == nullptr) {
    return Fail(minor_status, status::BAD_INPUT, GSS_S_CALL_INACCESSIBLE_WRITE);
  }
  if (name1 == GSS_C_NO_NAME || name2 == GSS_C_NO_NAME) {
    return Fail(minor_status, status::BAD_INPUT,
                GSS_S_CALL_INACCESSIBLE_READ | GSS_S_BAD_NAME);
  }
  return Guarded(minor_status, [&]() -> OM_uint32 {
    return CompareNames(minor_status, FromHandle(name1), FromHandle(name2),
                        name_equal);
  });
}

OM_uint32 KRB5_CALLCONV gss_release_name(OM_uint32* minor_status,
                                         gss_name_t* input_name) {
  if (minor_status == nullptr) return GSS_S_CALL_INACCESSIBLE_WRITE;
  *minor_status = 0;
  if (input_name == nullptr) {
    return Fail(minor_status, status::BAD_INPUT,
                GSS_S_CALL_INACCESSIBLE_READ | GSS_S_BAD_NAME);
  }
  // The glue also releases a name for which it never got one from the
  // module (a failed canonicalization).
  if (*input_name == GSS_C_NO_NAME) return GSS_S_COMPLETE;
  return Guarded(minor_status, [&]() -> OM_uint32 {
    delete FromHandle(*input_name);
    *input_name = GSS_C_NO_NAME;
    return GSS_S_COMPLETE;
  });
}

OM_uint32 KRB5_CALLCONV gss_duplicate_name(OM_uint32* minor_status,
                                           const gss_name_t src_name,
                                           gss_name_t* dest_name) {
  if (dest_name != nullptr) *dest_name = GSS_C_NO_NAME;
  if (minor_status == nullptr) return GSS_S_CALL_INACCESSIBLE_WRITE;
  *minor_status = 0;
  if (dest_name == nullptr) {
    return Fail(minor_status, status::BAD_INPUT, GSS_S_CALL_INACCESSIBLE_WRITE);
  }
  if (src_name == GSS_C_NO_NAME) {
    return Fail(minor_status, status::BAD_INPUT,
                GSS_S_CALL_INACCESSIBLE_READ | GSS_S_BAD_NAME);
  }
  return Guarded(minor_status, [&]() -> OM_uint32 {
    return DuplicateName(minor_status, FromHandle(src_name), dest_name);
  });
}

OM_uint32 KRB5_CALLCONV gss_export_name(OM_uint32* minor_status,
                                        const gss_name_t input_name,
                                        gss_buffer_t exported_name) {
  if (exported_name != GSS_C_NO_BUFFER) {
    exported_name->length = 0;
    exported_name->value = nullptr;
  }
  if (minor_status == nullptr) return GSS_S_CALL_INACCESSIBLE_WRITE;
  *minor_status = 0;
  if (exported_name == GSS_C_NO_BUFFER) {
    return Fail(minor_status, status::BAD_INPUT, GSS_S_CALL_INACCESSIBLE_WRITE);
  }
  if (input_name == GSS_C_NO_NAME) {
    return Fail(minor_status, status::BAD_INPUT,
                GSS_S_CALL_INACCESSIBLE_READ | GSS_S_BAD_NAME);
  }
  return Guarded(minor_status, [&]() -> OM_uint32 {
    return ExportName(minor_status, FromHandle(input_name), exported_name);
  });
}

OM_uint32 KRB5_CALLCONV gss_inquire_names_for_mech(OM_uint32* minor_status,
                                                   gss_OID mechanism,
                                                   gss_OID_set* name_types) {
  if (name_types != nullptr) *name_types = GSS_C_NO_OID_SET;
  if (minor_status == nullptr) return GSS_S_CALL_INACCESSIBLE_WRITE;
  *minor_status = 0;
  if (name_types == nullptr) {
    return Fail(minor_status, status::BAD_INPUT, GSS_S_CALL_INACCESSIBLE_WRITE);
  }
  if (mechanism == GSS_C_NO_OID) {
    return Fail(minor_status, status::BAD_INPUT, GSS_S_CALL_INACCESSIBLE_READ);
  }
  return Guarded(minor_status, [&]() -> OM_uint32 {
    if (!SameOid(mechanism, Mechanism())) {
      return Fail(minor_status,
                  MechanismStatus(mechanism->elements, mechanism->length),
                  GSS_S_BAD_MECH);
    }
    return NameTypes(minor_status, name_types);
  });
}

OM_uint32 KRB5_CALLCONV gss_display_status(OM_uint32* minor_status,
                                           OM_uint32 status_value,
                                           int status_type, gss_OID mech_type,
                                           OM_uint32* message_context,
                                           gss_buffer_t status_string) {
  if (status_string != GSS_C_NO_BUFFER) {
    status_string->length = 0;
    status_string->value = nullptr;
  }
  if (minor_status == nullptr) return GSS_S_CALL_INACCESSIBLE_WRITE;
  *minor_status = 0;
  if (message_context == nullptr || status_string == GSS_C_NO_BUFFER) {
    return Fail(minor_status, status::BAD_INPUT, GSS_S_CALL_INACCESSIBLE_WRITE);
  }
  // Each status has one message, so the only context handed back is 0; a
  // caller's other value is not one of this module's.
  const OM_uint32 context = *message_context;
  *message_context = 0;
  // The glue displays major statuses itself and hands the module only its
  // own minor statuses, with a copy of its OID.
  if (status_type != GSS_C_MECH_CODE || context != 0) {
    return Fail(minor_status, 0, GSS_S_BAD_STATUS);
  }
  if (mech_type != GSS_C_NO_OID && !SameOid(mech_type, Mechanism())) {
    return Fail(minor_status,
                MechanismStatus(mech_type->elements, mech_type->length),
                GSS_S_BAD_MECH);
  }
  return Guarded(minor_status, [&]() -> OM_uint32 {
    return StatusText(minor_status, status_value, status_string);
  });
}

}  // extern "C"
