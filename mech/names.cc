#include "names.h"

#include <assert.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <new>

#include "glue.h"
#include "mechanism.h"
#include "minor_status.h"
#include "oids.h"
#include "orbi_name/internal/library_token.h"
#include "orbi_name/internal/rules.h"
#include "orbi_name/internal_oid.h"
#include "orbi_name/status.h"
#include "orbi_services/oid_table.h"
#include "standard_name_token.h"
#include "translate.h"

namespace orbi_mech {
namespace {

namespace status = orbi_name::status;

// IsCompositeExportType is true when type is GSS_C_NT_COMPOSITE_EXPORT
// (oids.h), by value: the library reads no composite token, so its
// classification refuses the type, and the module recognises it here.
bool IsCompositeExportType(gss_OID type) {
  // OIDChecker takes a gss_OID and only reads it.
  gss_OID_desc composite = {kCompositeExportType.der.length,
                            const_cast<char*>(kCompositeExportType.der.bytes)};
  return PLVORBIInternalOID::OIDChecker(type, &composite) != 0;
}

// IsLibraryToken is true for a token in the library's own layout
// (PLVORBIInternalName::Export) for this mechanism: a well-formed token,
// refused for its layout rather than as malformed. The mechanism must be
// this one: a standard token's bytes read in that layout give a mechanism
// field that starts with the DER tag 06, which this OID's first byte
// (40 * its first arc + its second) never is.
bool IsLibraryToken(const gss_buffer_desc& input) {
  orbi_name::TokenView view;
  if (orbi_name::ParseExportedNameToken(input.value, input.length, &view,
                                        nullptr) !=
      orbi_name::TokenField::kNone) {
    return false;
  }
  gss_OID_desc mech = {view.mechanism_length,
                       const_cast<unsigned char*>(view.mechanism)};
  return orbi_name::CheckMechanism(&mech) == status::SUCCESS;
}

// ReadToken checks an exported name token, standard or composite, and
// points text at the name it carries. Nothing is allocated, so a refused
// token costs no memory, and a token is taken whole or not at all.
OM_uint32 ReadToken(OM_uint32* minor, const gss_buffer_desc& input,
                    gss_buffer_desc* text) {
  const auto* bytes = static_cast<const unsigned char*>(input.value);
  TokenFields fields;
  const bool parsed = ParseStandardToken(bytes, input.length, &fields) ||
                      ParseCompositeToken(bytes, input.length, &fields);
  if (!parsed) {
    return IsLibraryToken(input) ? Refuse<minor::LIBRARY_TOKEN>(minor)
                                 : Refuse<minor::MALFORMED_TOKEN>(minor);
  }
  gss_OID_desc mech = {static_cast<OM_uint32>(fields.mech_length),
                       const_cast<unsigned char*>(fields.mech)};
  const OM_uint32 why = orbi_name::CheckMechanism(&mech);
  if (why != status::SUCCESS) {
    // Content octets that are no OID are the library's INVALID_MECH; a
    // well-formed OID is another mechanism's token.
    return why == status::INVALID_MECH ? Fail(minor, why, GSS_S_BAD_MECH)
                                       : Refuse<minor::FOREIGN_TOKEN>(minor);
  }
  // A name that the text import would change cannot be held as it is;
  // taking it would make a name whose token differs from this one.
  if (!orbi_name::KeepsText(fields.name, fields.name_length)) {
    return Refuse<minor::NAME_HAS_NUL>(minor);
  }
  // A name's attributes are its text's (name_attributes.h), and the tokens
  // the module writes carry none beside it: an attribute part claims
  // attributes this name does not have.
  if (fields.attributes_length != 0) {
    return Refuse<minor::ATTRIBUTES_DISAGREE>(minor);
  }
  text->length = fields.name_length;
  text->value = const_cast<unsigned char*>(fields.name);
  return GSS_S_COMPLETE;
}

}  // namespace

OM_uint32 ImportName(OM_uint32* minor, const gss_buffer_desc& input,
                     gss_OID type, gss_name_t* output) {
  // The library reads the text of every type but the exported name and
  // refuses with 36 every type it does not take. The token is read here: its
  // name is then read as a text without a type. The anonymous type ignores
  // the bytes, which the glue lets a caller leave out.
  gss_buffer_desc bytes = input;
  gss_OID library_type = type;
  orbi_name::NameTypeKind kind = orbi_name::ClassifyNameType(type);
  // A token of either kind is read under either token type, as MIT's krb5
  // mechanism reads its own: both glues hand a composite token on under
  // GSS_C_NT_EXPORT_NAME (MIT's keeps its caller's type, which may be
  // either), and RFC 6680 has GSS_C_NT_COMPOSITE_EXPORT take a standard
  // token too.
  if (kind == orbi_name::NameTypeKind::kRefused &&
      IsCompositeExportType(type)) {
    kind = orbi_name::NameTypeKind::kExportedToken;
  }
  // A glue that hands over an untyped text under a type of its own
  // (glue.h) has it read as the untyped text it is. That type is none the
  // library takes, so only a refused type is looked up.
  if (gss_OID untyped = UntypedNameType();
      kind == orbi_name::NameTypeKind::kRefused && untyped != GSS_C_NO_OID &&
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
  // The record has room for the text, the bytes given: a name is made of
  // them only where the library keeps them exactly (below). The anonymous
  // name's text is the library's own, whatever the bytes.
  const bool anonymous = kind == orbi_name::NameTypeKind::kAnonymous;
  std::unique_ptr<NameRecord, NameRecord::Deleter> record(
      NameRecord::New(anonymous ? 0 : bytes.length));
  if (record == nullptr) return NoMemory(minor);
  PLVORBIInternalName& name = record->library_name();
  const OM_uint32 set = name.Set(library_type, &bytes);
  if (set == status::BAD_INPUT) {
    return Fail(minor, set, GSS_S_CALL_INACCESSIBLE_READ | GSS_S_BAD_NAME);
  }
  if (set != status::SUCCESS) return FromLibrary(minor, set);
  if (anonymous) {
    const OM_uint32 kept = record->KeepDisplayedText();
    if (kept != status::SUCCESS) return FromLibrary(minor, kept);
  } else {
    // Every other type keeps the bytes, and the library ends a text at its
    // first NUL and zeroes what follows. Bytes that would not survive that
    // make two different inputs one name, so they are refused (a token's
    // name was checked by ReadToken). Bytes that do are the name's text.
    if (kind == orbi_name::NameTypeKind::kText &&
        !orbi_name::KeepsText(bytes.value, bytes.length)) {
      return Refuse<minor::NAME_HAS_NUL>(minor);
    }
    record->KeepText(bytes.value);
  }
  // Every name of the module is a mechanism name.
  const OM_uint32 bound = name.SetMechType(Mechanism());
  assert(bound == status::SUCCESS);
  if (bound != status::SUCCESS) return Fail(minor, bound, GSS_S_FAILURE);
  *output = ToHandle(record.release());
  return GSS_S_COMPLETE;
}

OM_uint32 DisplayName(OM_uint32* minor, NameRecord* name, gss_buffer_t text,
                      gss_OID* type) {
  const NameText shown = name->Text();
  // A copy with the NUL behind the text, as the library hands it out.
  auto* copy = static_cast<char*>(malloc(shown.length + 1));
  if (copy == nullptr) return NoMemory(minor);
  memcpy(copy, shown.bytes, shown.length + 1);
  *text = {shown.length, copy};
  if (type != nullptr) *type = name->Type();
  return GSS_S_COMPLETE;
}

OM_uint32 CompareNames(OM_uint32* minor, NameRecord* name1, NameRecord* name2,
                       int* equal) {
  (void)minor;
  // An anonymous name equals no name, itself included.
  gss_OID anonymous = ORBIGetOID(kORBIAnonymousNameTypeIndex);
  if (name1->Type() == anonymous || name2->Type() == anonymous) {
    return GSS_S_COMPLETE;
  }
  const NameText text1 = name1->Text();
  const NameText text2 = name2->Text();
  // Names are equal exactly when their bytes are, which is when their
  // exported tokens are.
  *equal = text1.length == text2.length &&
           memcmp(text1.bytes, text2.bytes, text1.length) == 0;
  return GSS_S_COMPLETE;
}

namespace {

// WriteNameToken writes name's token, composite or standard.
OM_uint32 WriteNameToken(OM_uint32* minor, NameRecord* name, bool composite,
                         gss_buffer_t token) {
  const NameText text = name->Text();
  gss_OID mech = Mechanism();
  const auto* mech_bytes = static_cast<const unsigned char*>(mech->elements);
  const auto* name_bytes = reinterpret_cast<const unsigned char*>(text.bytes);
  // The composite token's attribute part is empty (names.h).
  const size_t size = composite
                          ? CompositeTokenSize(mech->length, text.length, 0)
                          : StandardTokenSize(mech->length, text.length);
  // A name too long for the token's four-byte length is reported as the
  // library reports a token that would pass 4294967295 bytes.
  if (size == 0) return NoMemory(minor);
  auto* block = static_cast<unsigned char*>(malloc(size));
  if (block == nullptr) return NoMemory(minor);
  const bool written =
      composite ? WriteCompositeToken(mech_bytes, mech->length, name_bytes,
                                      text.length, nullptr, 0, block, size)
                : WriteStandardToken(mech_bytes, mech->length, name_bytes,
                                     text.length, block, size);
  if (!written) {
    free(block);
    return Refuse<minor::UNEXPECTED>(minor);
  }
  token->length = size;
  token->value = block;
  return GSS_S_COMPLETE;
}

}  // namespace

OM_uint32 ExportName(OM_uint32* minor, NameRecord* name, gss_buffer_t token) {
  return WriteNameToken(minor, name, /*composite=*/false, token);
}

OM_uint32 ExportCompositeName(OM_uint32* minor, NameRecord* name,
                              gss_buffer_t token) {
  return WriteNameToken(minor, name, /*composite=*/true, token);
}

OM_uint32 DuplicateName(OM_uint32* minor, NameRecord* source,
                        gss_name_t* output) {
  // The copy holds the source's text (operator= copies every byte).
  const NameText text = source->Text();
  std::unique_ptr<NameRecord, NameRecord::Deleter> copy(
      NameRecord::New(text.length));
  if (copy == nullptr) return NoMemory(minor);
  const OM_uint32 copied =
      copy->library_name().CopyFrom(source->library_name());
  if (copied != status::SUCCESS) return FromLibrary(minor, copied);
  copy->KeepText(text.bytes);
  *output = ToHandle(copy.release());
  return GSS_S_COMPLETE;
}

void ReleaseName(gss_name_t* name) {
  NameRecord::Delete(FromHandle(*name));
  *name = GSS_C_NO_NAME;
}

}  // namespace orbi_mech
