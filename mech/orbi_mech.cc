// orbi_mech.so: the ORBI mechanism's name operations as a module that MIT
// krb5's GSS-API mechanism glue loads (a line "orbi 1.3.6.1.4.1.32473.1
// /path/orbi_mech.so" in /etc/gss/mech.d/*.conf, or in the file that
// GSS_MECH_CONFIG names).
//
// The glue looks each entry point up by its standard name in the module and
// calls the one it finds with its own copies of the caller's arguments. The
// module defines:
//  - the name operations: gss_import_name, gss_display_name,
//    gss_compare_name, gss_release_name, gss_duplicate_name, gss_export_name;
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
//  - Every name the module hands out is a mechanism name: a
//    PLVORBIInternalName (from new) bound to the mechanism, ORBIGetOID(7).
//    gss_release_name deletes it; the glue also calls it with a null name.
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
// Minor statuses are the library's statuses (orbi_name/status.h) where a
// library call decided, else the module's own (minor_status.h); the major
// status is orbi_name::GssMajorStatus of a library status, or where the call
// site knows better (an argument that cannot be read or written, a malformed
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

#include <assert.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <initializer_list>
#include <memory>
#include <new>

#include "glue.h"
#include "minor_status.h"
#include "name_attributes.h"
#include "orbi_name/internal_name.h"
#include "orbi_name/rules.h"
#include "orbi_name/status.h"
#include "orbi_services/oid_table.h"
#include "sasl_name.h"
#include "standard_name_token.h"
#include "translate.h"

namespace {

namespace status = orbi_name::status;
namespace minor = orbi_mech::minor;
using orbi_mech::Enter;
using orbi_mech::Fail;
using orbi_mech::FromHandle;
using orbi_mech::FromLibrary;
using orbi_mech::Guarded;
using orbi_mech::NoInput;
using orbi_mech::NoMemory;
using orbi_mech::NoName;
using orbi_mech::NoOutput;
using orbi_mech::OtherMechanism;
using orbi_mech::Readable;
using orbi_mech::ToHandle;

// The name types gss_inquire_names_for_mech reports, in this order; the
// exported-name type is read by the module, the others by the library.
constexpr int kNameTypeIndices[] = {kORBIDefaultNameTypeIndex,
                                    kORBIExportedNameTypeIndex,
                                    kORBIAnonymousNameTypeIndex};

gss_OID Mechanism() { return ORBIGetOID(kORBIMechanismIndex); }

// The mechanism attributes of RFC 5587, section 3.4: 1.3.6.1.5.5.13.N for N
// from 1 (GSS_C_MA_MECH_CONCRETE) to 27 (GSS_C_MA_CTX_TRANS). Defined here
// because the module links no glue, which exports its own copies.
constexpr unsigned kMechAttrCount = 27;
constexpr unsigned kMaMechConcrete = 1;
constexpr unsigned kMaNotDefaultMech = 8;
constexpr unsigned char kMechAttrPrefix[] = {0x2B, 0x06, 0x01,
                                             0x05, 0x05, 0x0D};

// What the mechanism is (RFC 5587): a concrete mechanism that is never
// picked by default, since it has names but no security contexts.
constexpr unsigned kOwnMechAttrs[] = {kMaMechConcrete, kMaNotDefaultMech};

// The texts gss_inquire_saslname_for_mech gives besides the computed name.
constexpr char kMechName[] = "ORBI";
constexpr char kMechDescription[] =
    "ORBI names: a database path and its entries, without security contexts";

// Text holds a block handed out by PLVORBIInternalName::Display and frees
// it with its owner.
struct Text {
  gss_buffer_desc buffer = {0, nullptr};
  gss_OID type = GSS_C_NO_OID;
  ~Text() { free(buffer.value); }
};

// ReadToken checks a standard exported name token and points text at the
// name it carries. Nothing is allocated, so a refused token costs no memory.
OM_uint32 ReadToken(OM_uint32* minor, const gss_buffer_desc& input,
                    gss_buffer_desc* text) {
  orbi_mech::TokenFields fields;
  if (!orbi_mech::ParseStandardToken(
          static_cast<const unsigned char*>(input.value), input.length,
          &fields)) {
    return Fail(minor, minor::MALFORMED_TOKEN, GSS_S_DEFECTIVE_TOKEN);
  }
  gss_OID_desc mech = {static_cast<OM_uint32>(fields.mech_length),
                       const_cast<unsigned char*>(fields.mech)};
  const OM_uint32 why = orbi_name::CheckMechanism(&mech);
  if (why != status::SUCCESS) {
    // Content octets that are no OID are the library's INVALID_MECH; a
    // well-formed OID is another mechanism's token.
    return Fail(minor, why == status::INVALID_MECH ? why : minor::FOREIGN_TOKEN,
                GSS_S_BAD_MECH);
  }
  // A name that the text import would change cannot be held as it is;
  // taking it would make a name whose token differs from this one.
  if (!orbi_name::KeepsText(fields.name, fields.name_length)) {
    return Fail(minor, minor::NAME_HAS_NUL, GSS_S_BAD_NAME);
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
  orbi_name::NameTypeKind kind = orbi_name::ClassifyNameType(type);
  // A glue that hands over an untyped text under a type of its own
  // (glue.h) has it read as the untyped text it is.
  if (gss_OID untyped = orbi_mech::UntypedNameType();
      untyped != GSS_C_NO_OID && type != GSS_C_NO_OID &&
      orbi_name::FindTableEntry(type) == ORBIOIDTableIndex(untyped)) {
    library_type = GSS_C_NO_OID;
    kind = orbi_name::NameTypeKind::kText;
  }
  if (kind == orbi_name::NameTypeKind::kExportedToken) {
    const OM_uint32 major = ReadToken(minor, input, &bytes);
    if (major != GSS_S_COMPLETE) return major;
    library_type = GSS_C_NO_OID;
  } else if (bytes.value == nullptr &&
             kind == orbi_name::NameTypeKind::kAnonymous) {
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
  // The anonymous type ignores the bytes; every other type keeps them, and
  // the library ends a text at its first NUL and zeroes what follows. Bytes
  // that would not survive that make two different inputs one name, so
  // they are refused (a token's name was checked above).
  if (kind != orbi_name::NameTypeKind::kAnonymous &&
      !orbi_name::KeepsText(bytes.value, bytes.length)) {
    return Fail(minor, minor::NAME_HAS_NUL, GSS_S_BAD_NAME);
  }
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
    return Fail(minor, minor::UNEXPECTED, GSS_S_FAILURE);
  }
  token->length = size;
  token->value = block;
  return GSS_S_COMPLETE;
}

OM_uint32 NameTypes(OM_uint32* minor, gss_OID_set* name_types) {
  constexpr size_t kOwn = sizeof(kNameTypeIndices) / sizeof(int);
  gss_OID_desc types[kOwn + 1];
  size_t count = 0;
  for (int index : kNameTypeIndices) types[count++] = *ORBIGetOID(index);
  // The type under which the glue hands over an untyped text is taken too.
  if (gss_OID untyped = orbi_mech::UntypedNameType(); untyped != GSS_C_NO_OID) {
    types[count++] = *untyped;
  }
  return orbi_mech::NewOidSet(minor, types, count, name_types);
}

// The content octets of every mechanism attribute, attribute n at n - 1.
struct MechAttrTable {
  static constexpr size_t kSize = sizeof(kMechAttrPrefix) + 1;
  unsigned char bytes[kMechAttrCount][kSize];
  constexpr MechAttrTable() : bytes{} {
    for (unsigned n = 1; n <= kMechAttrCount; ++n) {
      for (size_t i = 0; i + 1 < kSize; ++i) {
        bytes[n - 1][i] = kMechAttrPrefix[i];
      }
      bytes[n - 1][kSize - 1] = static_cast<unsigned char>(n);
    }
  }
};
constexpr MechAttrTable kMechAttrTable;

gss_OID_desc MechAttr(unsigned n) {
  return {static_cast<OM_uint32>(MechAttrTable::kSize),
          const_cast<unsigned char*>(kMechAttrTable.bytes[n - 1])};
}

OM_uint32 MechAttrs(OM_uint32* minor, gss_OID_set* mech_attrs,
                    gss_OID_set* known_mech_attrs) {
  gss_OID_set own = GSS_C_NO_OID_SET;
  if (mech_attrs != nullptr) {
    constexpr size_t kOwn = sizeof(kOwnMechAttrs) / sizeof(unsigned);
    gss_OID_desc attrs[kOwn];
    for (size_t i = 0; i < kOwn; ++i) attrs[i] = MechAttr(kOwnMechAttrs[i]);
    const OM_uint32 major = orbi_mech::NewOidSet(minor, attrs, kOwn, &own);
    if (major != GSS_S_COMPLETE) return major;
  }
  if (known_mech_attrs != nullptr) {
    gss_OID_desc attrs[kMechAttrCount];
    for (unsigned n = 1; n <= kMechAttrCount; ++n) attrs[n - 1] = MechAttr(n);
    const OM_uint32 major =
        orbi_mech::NewOidSet(minor, attrs, kMechAttrCount, known_mech_attrs);
    if (major != GSS_S_COMPLETE) {
      orbi_mech::FreeOidSet(own);
      return major;
    }
  }
  if (mech_attrs != nullptr) *mech_attrs = own;
  return GSS_S_COMPLETE;
}

// CopyText fills buffer with a malloc copy of text, NUL behind it, not
// counted.
bool CopyText(const char* text, gss_buffer_t buffer) {
  const size_t length = strlen(text);
  void* copy = malloc(length + 1);
  if (copy == nullptr) return false;
  memcpy(copy, text, length + 1);
  buffer->length = length;
  buffer->value = copy;
  return true;
}

void ClearBuffer(gss_buffer_t buffer) {
  if (buffer == GSS_C_NO_BUFFER) return;
  free(buffer->value);
  buffer->length = 0;
  buffer->value = nullptr;
}

OM_uint32 SaslNames(OM_uint32* minor, gss_buffer_t sasl_mech_name,
                    gss_buffer_t mech_name, gss_buffer_t mech_description) {
  char gs2[orbi_mech::kGs2NameLength + 1];
  gss_OID mech = Mechanism();
  if (!orbi_mech::ComputeGs2Name(
          static_cast<const unsigned char*>(mech->elements), mech->length,
          gs2)) {
    return Fail(minor, minor::UNEXPECTED, GSS_S_FAILURE);
  }
  const bool made =
      (sasl_mech_name == GSS_C_NO_BUFFER || CopyText(gs2, sasl_mech_name)) &&
      (mech_name == GSS_C_NO_BUFFER || CopyText(kMechName, mech_name)) &&
      (mech_description == GSS_C_NO_BUFFER ||
       CopyText(kMechDescription, mech_description));
  if (!made) {
    ClearBuffer(sasl_mech_name);
    ClearBuffer(mech_name);
    ClearBuffer(mech_description);
    return NoMemory(minor);
  }
  return GSS_S_COMPLETE;
}

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

OM_uint32 StatusText(OM_uint32* minor, OM_uint32 value,
                     gss_buffer_t status_string) {
  const char* name = orbi_mech::MinorStatusName(value);
  const char* message = orbi_mech::MinorStatusMessage(value);
  if (name == nullptr || message == nullptr) {
    return Fail(minor, 0, GSS_S_BAD_STATUS);
  }
  constexpr char kFormat[] = "ORBI mechanism: %s (%s, status %u)";
  const int length = snprintf(nullptr, 0, kFormat, message, name, value);
  if (length < 0) return Fail(minor, minor::UNEXPECTED, GSS_S_FAILURE);
  const size_t size = static_cast<size_t>(length) + 1;
  auto* text = static_cast<char*>(malloc(size));
  if (text == nullptr) return NoMemory(minor);
  snprintf(text, size, kFormat, message, name, value);
  status_string->length = static_cast<size_t>(length);
  status_string->value = text;
  return GSS_S_COMPLETE;
}

}  // namespace

namespace orbi_mech {

OM_uint32 DuplicateName(OM_uint32* minor, PLVORBIInternalName* source,
                        gss_name_t* output) {
  std::unique_ptr<PLVORBIInternalName> copy(new (std::nothrow)
                                                PLVORBIInternalName);
  if (copy == nullptr) return NoMemory(minor);
  const OM_uint32 copied = copy->CopyFrom(*source);
  if (copied != status::SUCCESS) return FromLibrary(minor, copied);
  *output = ToHandle(copy.release());
  return GSS_S_COMPLETE;
}

}  // namespace orbi_mech

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
    return ImportName(minor_status, *input_name_buffer, input_name_type,
                      output_name);
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
  if (!Enter(minor_status, name_equal)) return GSS_S_CALL_INACCESSIBLE_WRITE;
  if (name_equal == nullptr) {
    return NoOutput(minor_status);
  }
  if (name1 == GSS_C_NO_NAME || name2 == GSS_C_NO_NAME) {
    return NoName(minor_status);
  }
  return Guarded(minor_status, [&]() -> OM_uint32 {
    return CompareNames(minor_status, FromHandle(name1), FromHandle(name2),
                        name_equal);
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
    delete FromHandle(*input_name);
    *input_name = GSS_C_NO_NAME;
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
    return ExportName(minor_status, FromHandle(input_name), exported_name);
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
    return NameTypes(minor_status, name_types);
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
    return Fail(minor_status, 0, GSS_S_BAD_STATUS);
  }
  if (mech_type != GSS_C_NO_OID) {
    const OM_uint32 other = OtherMechanism(minor_status, mech_type);
    if (other != GSS_S_COMPLETE) return other;
  }
  return Guarded(minor_status, [&]() -> OM_uint32 {
    return StatusText(minor_status, status_value, status_string);
  });
}

OM_uint32 KRB5_CALLCONV gss_internal_release_oid(OM_uint32* minor_status,
                                                 gss_OID* oid) {
  if (minor_status != nullptr) *minor_status = 0;
  // Only the table's own objects are the module's to keep; every other OID
  // is left to the glue (or to the next module).
  if (oid == nullptr || *oid == GSS_C_NO_OID) return GSS_S_CONTINUE_NEEDED;
  // The glue asks every module about every OID it releases, so this is one
  // test of the address.
  if (ORBIOIDTableIndex(*oid) < 0) return GSS_S_CONTINUE_NEEDED;
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
    return MechAttrs(minor_status, mech_attrs, known_mech_attrs);
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
    return SaslNames(minor_status, sasl_mech_name, mech_name, mech_description);
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
    if (MN_mech != nullptr) *MN_mech = Mechanism();
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
  return orbi_mech::RefuseChange(minor_status, *attr);
}

OM_uint32 KRB5_CALLCONV gss_delete_name_attribute(OM_uint32* minor_status,
                                                  gss_name_t name,
                                                  gss_buffer_t attr) {
  if (!Enter(minor_status)) return GSS_S_CALL_INACCESSIBLE_WRITE;
  const OM_uint32 unreadable = CheckNameAndAttribute(minor_status, name, attr);
  if (unreadable != GSS_S_COMPLETE) return unreadable;
  return orbi_mech::RefuseChange(minor_status, *attr);
}

}  // extern "C"
