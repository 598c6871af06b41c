// PLVORBIInternalOID: an object identifier held as an array of 32-bit arcs,
// with its text forms, its ASN.1 and gss_OID forms, comparison, and the OID
// checks and algorithm codes that the name operations use.
//
// Thread safety: a value has no lock; use one value from one thread at a
// time. The static operations touch no value and may run on any thread.
//
// Statuses are those of orbi_name/status.h: SUCCESS, NO_MEMORY,
// NO_ALGORITHM_CODE and BAD_OID. Comparisons return 1 (equal) or 0.
// Blocks handed out (text form, gss_OID_desc and its elements) come from
// malloc: the caller releases them with free. A PLVASNObjectID handed out
// comes from new: the caller releases it with delete.
#ifndef ORBI_NAME_INTERNAL_OID_H_
#define ORBI_NAME_INTERNAL_OID_H_

#include <stdint.h>

#include "orbi_name/export.h"
#include "orbi_name/status.h"
#include "orbi_services/asn.h"
#include "orbi_services/gss_types.h"

class ORBI_NAME_EXPORT PLVORBIInternalOID {
 public:
  // An empty value: no arcs.
  PLVORBIInternalOID();
  // Releases the arcs.
  ~PLVORBIInternalOID();
  PLVORBIInternalOID(const PLVORBIInternalOID&) = delete;
  PLVORBIInternalOID& operator=(const PLVORBIInternalOID&) = delete;

  // Clean releases the arcs; the value is empty. Returns SUCCESS.
  OM_uint32 Clean();

  // set(text) reads the text form "{1 2 840 113549}" (arcs divided by one
  // blank, inside braces) or the dotted form "1.2.840.113549". Each arc is a
  // run of decimal digits (leading zeros allowed) whose value is 1 to
  // 4294967295. Returns SUCCESS, or BAD_OID for a null text, a text that
  // breaks the
  // layout (any character other than digits and the form's separator, a
  // missing closing brace, an empty, leading, trailing or doubled separator),
  // an arc of 0 or an arc above 4294967295. On BAD_OID the value is
  // unchanged. Returns NO_MEMORY, with the value unchanged, when no memory
  // could be had.
  OM_uint32 set(const char* text);

  // get(text) hands out the text form: "{" + arcs in unsigned decimal divided
  // by blanks + "}"; an empty value gives "}". Returns SUCCESS; NO_MEMORY
  // when no memory could be had (text is then null). The caller frees text.
  OM_uint32 get(char*& text) const;

  // set(value) takes the arcs of an ASN.1 object. The arcs held before are
  // released first. Returns SUCCESS (an object without arcs leaves the value
  // empty); NO_MEMORY when no memory could be had (the value is empty);
  // BAD_OID when value is null or holds an arc above 4294967295 (the value
  // is empty).
  OM_uint32 set(const PLVASNObjectID* value);

  // get(value) hands out a new PLVASNObjectID holding the arcs. Returns
  // SUCCESS; NO_MEMORY when no memory could be had (value is then null). The
  // caller deletes it.
  OM_uint32 get(PLVASNObjectID*& value) const;

  // writeTo gives value the arcs with PLVASNObjectID::set_value. Returns
  // SUCCESS, also when the arcs are not DER-encodable; NO_MEMORY when value
  // could not take them for want of memory.
  OM_uint32 writeTo(PLVASNObjectID& value) const;

  // set(oid) decodes the DER content octets of oid. Returns SUCCESS;
  // BAD_OID, with the value unchanged, when oid or its elements is null or
  // the bytes do not decode; NO_MEMORY when no memory could be had (the value
  // is then empty).
  OM_uint32 set(const gss_OID oid);

  // get(oid) hands out a new gss_OID_desc holding the DER content octets of
  // the arcs, followed by one zero byte that length does not count. Returns
  // SUCCESS; BAD_OID when the arcs cannot be encoded (fewer than two, a first
  // arc above 2, a second arc of 40 or more under a first arc of 0 or 1),
  // NO_MEMORY when no memory could be had; oid is null on both. The caller
  // frees oid->elements and then oid.
  OM_uint32 get(gss_OID& oid) const;

  // isEqual(other) is 1 when both values have the same text form (the same
  // arcs), else 0. A null other is 0.
  int isEqual(const PLVORBIInternalOID* other) const;
  // isEqual(text), isEqual(value), isEqual(oid) read the argument into a
  // temporary value with the set of the same type, whatever its status, and
  // compare with that: an argument that does not read compares as the empty
  // value.
  int isEqual(const char* text) const;
  int isEqual(const PLVASNObjectID* value) const;
  int isEqual(const gss_OID oid) const;

  // OIDChecker is 1 when a and b are the same OID: the same pointer (bytes not
  // looked at), or both decode to the same arcs. It is 0 when either is null
  // or either does not decode.
  static int OIDChecker(gss_OID a, gss_OID b);

  // GetMatchingOIDFromTable returns oid when it is the very pointer of one of
  // the OID table's entries (0 to kORBIOIDTableSize - 1), else null. Only
  // pointers are compared.
  gss_OID GetMatchingOIDFromTable(const gss_OID oid) const;

  // ConvertFromOIDToTS sets *code to the algorithm code of oid (256 for the
  // OID of table entry kORBIAlgorithm256Index, 512 for
  // kORBIAlgorithm512Index, 768 for kORBIAlgorithm768Index, compared by
  // value) and returns SUCCESS; else *code is 7936 and the status
  // NO_ALGORITHM_CODE. A null code gives NO_ALGORITHM_CODE and writes
  // nothing.
  static OM_uint32 ConvertFromOIDToTS(gss_OID oid, unsigned int* code);

  // ConvertFromTSToOID sets *oid and *secondValue for code: 0 and 256 give
  // the DES-EDE3-CBC record (1.2.840.113549.3.7, the OID of table entry
  // kORBIAlgorithm256Index in a record of the library's own) and 64, 512
  // table entry kORBIAlgorithm512Index and 64, 768 table entry
  // kORBIAlgorithm768Index and 40; returns SUCCESS. Any other code gives
  // null, 0 and status NO_ALGORITHM_CODE. The OID handed out lives as long
  // as the process and is read-only: the caller never releases or changes
  // it. A null oid or secondValue gives NO_ALGORITHM_CODE and writes nothing.
  static OM_uint32 ConvertFromTSToOID(unsigned int code, gss_OID* oid,
                                      unsigned int* secondValue);

 private:
  friend struct PLVORBIInternalOIDPeer;  // white-box access for tests

  uint32_t arcCount;  // number of arcs; 0 when empty
  uint32_t* arcs;     // arcCount arcs from malloc; null when empty
};

#endif  // ORBI_NAME_INTERNAL_OID_H_
