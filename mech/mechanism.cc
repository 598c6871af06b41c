#include "mechanism.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "glue.h"
#include "minor_status.h"
#include "oids.h"
#include "orbi_services/oid_table.h"
#include "sasl_name.h"
#include "translate.h"

namespace orbi_mech {
namespace {

// The name types NameTypes reports, in this order; the exported-name type
// is read by the module, the others by the library.
constexpr int kNameTypeIndices[] = {kORBIDefaultNameTypeIndex,
                                    kORBIExportedNameTypeIndex,
                                    kORBIAnonymousNameTypeIndex};

// The mechanism attributes of RFC 5587, section 3.4: kMechAttrArc.N
// (oids.h) for N from 1 (GSS_C_MA_MECH_CONCRETE) to 27 (GSS_C_MA_CTX_TRANS).
// Made here because the module links no glue, which exports its own copies.
constexpr unsigned kMechAttrCount = 27;
constexpr unsigned kMaMechConcrete = 1;
constexpr unsigned kMaNotDefaultMech = 8;
// N is one content octet.
static_assert(kMechAttrCount < 128);

// What the mechanism is (RFC 5587): a concrete mechanism that is never
// picked by default, since it has names but no security contexts.
constexpr unsigned kOwnMechAttrs[] = {kMaMechConcrete, kMaNotDefaultMech};

// The texts SaslNames gives besides the computed name.
constexpr char kMechName[] = "ORBI";
constexpr char kMechDescription[] =
    "ORBI names: a database path and its entries, without security contexts";

// The content octets of every mechanism attribute, attribute n at n - 1.
struct MechAttrTable {
  static constexpr size_t kSize = kMechAttrArc.der.length + 1;
  unsigned char bytes[kMechAttrCount][kSize];
  constexpr MechAttrTable() : bytes{} {
    for (unsigned n = 1; n <= kMechAttrCount; ++n) {
      for (size_t i = 0; i + 1 < kSize; ++i) {
        bytes[n - 1][i] = static_cast<unsigned char>(kMechAttrArc.der.bytes[i]);
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

}  // namespace

gss_OID Mechanism() { return ORBIGetOID(kORBIMechanismIndex); }

OM_uint32 NameTypes(OM_uint32* minor, gss_OID_set* name_types) {
  constexpr size_t kOwn = sizeof(kNameTypeIndices) / sizeof(int);
  gss_OID_desc types[kOwn + 1];
  size_t count = 0;
  for (int index : kNameTypeIndices) types[count++] = *ORBIGetOID(index);
  // The type under which the glue hands over an untyped text is taken too.
  if (gss_OID untyped = UntypedNameType(); untyped != GSS_C_NO_OID) {
    types[count++] = *untyped;
  }
  return NewOidSet(minor, types, count, name_types);
}

OM_uint32 MechAttrs(OM_uint32* minor, gss_OID_set* mech_attrs,
                    gss_OID_set* known_mech_attrs) {
  gss_OID_set own = GSS_C_NO_OID_SET;
  if (mech_attrs != nullptr) {
    constexpr size_t kOwn = sizeof(kOwnMechAttrs) / sizeof(unsigned);
    gss_OID_desc attrs[kOwn];
    for (size_t i = 0; i < kOwn; ++i) attrs[i] = MechAttr(kOwnMechAttrs[i]);
    const OM_uint32 major = NewOidSet(minor, attrs, kOwn, &own);
    if (major != GSS_S_COMPLETE) return major;
  }
  if (known_mech_attrs != nullptr) {
    gss_OID_desc attrs[kMechAttrCount];
    for (unsigned n = 1; n <= kMechAttrCount; ++n) attrs[n - 1] = MechAttr(n);
    const OM_uint32 major =
        NewOidSet(minor, attrs, kMechAttrCount, known_mech_attrs);
    if (major != GSS_S_COMPLETE) {
      FreeOidSet(own);
      return major;
    }
  }
  if (mech_attrs != nullptr) *mech_attrs = own;
  return GSS_S_COMPLETE;
}

OM_uint32 SaslNames(OM_uint32* minor, gss_buffer_t sasl_mech_name,
                    gss_buffer_t mech_name, gss_buffer_t mech_description) {
  char gs2[kGs2NameLength + 1];
  gss_OID mech = Mechanism();
  if (!ComputeGs2Name(static_cast<const unsigned char*>(mech->elements),
                      mech->length, gs2)) {
    return Refuse<minor::UNEXPECTED>(minor);
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

OM_uint32 StatusText(OM_uint32* minor, OM_uint32 value,
                     gss_buffer_t status_string) {
  const char* name = MinorStatusName(value);
  const char* message = MinorStatusMessage(value);
  if (name == nullptr || message == nullptr) {
    return Fail(minor, 0, GSS_S_BAD_STATUS);
  }
  constexpr char kFormat[] = "ORBI mechanism: %s (%s, status %u)";
  const int length = snprintf(nullptr, 0, kFormat, message, name, value);
  if (length < 0) return Refuse<minor::UNEXPECTED>(minor);
  const size_t size = static_cast<size_t>(length) + 1;
  auto* text = static_cast<char*>(malloc(size));
  if (text == nullptr) return NoMemory(minor);
  snprintf(text, size, kFormat, message, name, value);
  status_string->length = static_cast<size_t>(length);
  status_string->value = text;
  return GSS_S_COMPLETE;
}

bool IsOwnOid(gss_OID oid) {
  // The glue asks every module about every OID it releases, so this is one
  // test of the address.
  return oid != GSS_C_NO_OID && ORBIOIDTableIndex(oid) >= 0;
}

}  // namespace orbi_mech
