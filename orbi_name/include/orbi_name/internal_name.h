// PLVORBIInternalName: one GSS-API internal name of the ORBI mechanism.
//
// A name holds its text (a malloc block that always ends with a NUL), the
// number of bytes that make up the name (nameLength), and pointers to its name
// type and mechanism. The two OID pointers are always objects handed out by
// ORBIGetOID (orbi_services/oid_table.h): a name never keeps a caller's OID,
// and two names have the same type or mechanism only when they hold the very
// same pointer.
//
// The text may carry several names: its first line (up to the first line
// feed) is a database path, each further line one entry.
//
// Thread safety: every operation holds the name's own lock while it reads or
// writes the name's fields, so one name may be used from several threads.
// operator== and operator= read the right-hand name without its lock: the
// caller keeps that name from changing during the call. The constructor and
// destructor take no lock: no other thread may use the name then.
//
// Statuses are those of orbi_name/status.h (spelled orbi_name::status::NAME).
// Every block handed out through a gss_buffer_desc comes from malloc and is
// released by the caller with free; a gss_buffer_desc that an operation fills
// is overwritten, never released first. Names handed out come from new and
// are released with delete.
//
// Every operation writes trace records to PLVTrace::s_defaultTracePtr
// (orbi_services/trace.h) under component 0x400.
#ifndef ORBI_NAME_INTERNAL_NAME_H_
#define ORBI_NAME_INTERNAL_NAME_H_

#include <stdint.h>

#include "orbi_name/export.h"
#include "orbi_name/status.h"
#include "orbi_services/asn.h"
#include "orbi_services/gss_types.h"
#include "orbi_services/mutex.h"

class ORBI_NAME_EXPORT PLVORBIInternalName {
 public:
  // An empty name: no text, no name type, no mechanism, no next member.
  PLVORBIInternalName();
  // Releases the text through Clean. Does not unlink the name from a chain.
  ~PLVORBIInternalName();
  PLVORBIInternalName(const PLVORBIInternalName&) = delete;

  // --- The record -------------------------------------------------------

  // Clean releases the text and clears the name type, mechanism and length;
  // the next-member link is kept. Returns SUCCESS (0).
  OM_uint32 Clean() ORBI_EXCLUDES(mutex);

  // GetNameType returns the name type, or the default name type
  // (ORBIGetOID(kORBIDefaultNameTypeIndex)) when the name has none; the field
  // itself stays null.
  gss_OID GetNameType() ORBI_EXCLUDES(mutex);

  // SetMechType binds the name to mech. Returns SUCCESS (0) and stores mech
  // when it is the very pointer ORBIGetOID(kORBIMechanismIndex); BAD_INPUT
  // (10) for a null mech, MECH_NOT_SUPPORTED (24) for any other pointer (an
  // equal OID at another address included); the name is then unchanged.
  // CanonicalizeName is the operation that takes a caller's OID.
  OM_uint32 SetMechType(gss_OID mech) ORBI_EXCLUDES(mutex);

  // ChangeExternalName replaces the text with a copy of the C string newName;
  // nameLength becomes its length plus 1 (the NUL is counted). Name type and
  // mechanism are kept. Returns SUCCESS (0); BAD_INPUT (10) for a null
  // newName (name unchanged, lock not taken); NO_MEMORY (1) when no memory
  // could be had: the old text is then released and the name holds no text,
  // with nameLength 0.
  OM_uint32 ChangeExternalName(char* newName) ORBI_EXCLUDES(mutex);

  // GetNextMember returns the next name of a name set's chain, or null.
  PLVORBIInternalName* GetNextMember() ORBI_EXCLUDES(mutex);
  // SetNextMember links next behind this name (null ends the chain); the
  // name does not own next. Returns SUCCESS (0).
  OM_uint32 SetNextMember(PLVORBIInternalName* next) ORBI_EXCLUDES(mutex);

  // operator== is 1 when both names have the same nameLength, texts that agree
  // as C strings over nameLength bytes (bytes behind a NUL common to both are
  // not compared; a name without text compares as the empty text), the same
  // name type pointer and the same mechanism pointer; else 0.
  int operator==(const PLVORBIInternalName& other) ORBI_EXCLUDES(mutex);

  // operator= makes this name a deep copy of other's text (all nameLength
  // bytes, embedded NULs included, with a NUL behind them) and takes other's
  // nameLength, name type and mechanism pointers; the next-member link is
  // kept. Self-assignment changes nothing. When no memory could be had for
  // the copy, this name is left unchanged.
  PLVORBIInternalName& operator=(const PLVORBIInternalName& other)
      ORBI_EXCLUDES(mutex);

  // CopyFrom is operator= with a status: SUCCESS (0) when this name is the
  // copy; NO_MEMORY (1) when no memory could be had for the copy of other's
  // text, and this name is then unchanged. Locks and reads other as operator=
  // does.
  OM_uint32 CopyFrom(const PLVORBIInternalName& other) ORBI_EXCLUDES(mutex);

  // --- Import -----------------------------------------------------------

  // Set(inputNameType, inputName) fills the name from a caller's buffer.
  // Checks, without the lock, a later failing check overriding an earlier
  // one: a null inputName or a null inputName->value gives BAD_INPUT (10);
  // an inputNameType that is neither null nor, by value, the default, the
  // exported-name or the anonymous name type of the OID table gives
  // BAD_NAME_TYPE (36). Then a
  // length above 4294967295 (nameLength and the token's fields are 32-bit)
  // gives BAD_INPUT before a byte is read. The name is unchanged on
  // BAD_INPUT and BAD_NAME_TYPE.
  //  - Default type or none: the text is the buffer's bytes up to the first
  //    NUL, nameLength the buffer's length (NUL counted only if the buffer
  //    holds one); the name type is the anonymous name type when the text is
  //    the anonymous sentinel "!@#$%&:ORBI-ANONYMOUS:!@#$%&", else the
  //    default name type (the table's own objects).
  //  - Anonymous type: the bytes are ignored; the text is the sentinel,
  //    nameLength 29 (the NUL counted), the type the anonymous name type.
  //  - Exported-name type: the bytes are read as a token in the library's
  //    layout (orbi_name/exported_name_token.h), which Export writes.
  //    BAD_NAME_TYPE (36) for a token that cannot be read (wrong identifier, a
  //    length field running past the buffer, trailing bytes that are not a
  //    name-type field, a name type the table does not hold), INVALID_MECH (23)
  //    for a mechanism OID that does not decode, MECH_NOT_SUPPORTED (24) for a
  //    mechanism other than the library's; the name is then unchanged. On
  //    success the mechanism is ORBIGetOID(kORBIMechanismIndex), the text the
  //    token's name bytes with a NUL behind them,
  //    nameLength the token's name length, and the name type the table's own
  //    object equal to the token's (null when the token ends after the name).
  // The mechanism is left as it was, except by the exported-name type.
  // NO_MEMORY (1) when no memory could be had, also for a length of
  // 4294967295 (its text block cannot be had): the old text is released and the
  // name holds no text, with nameLength 0; the name type is unchanged. Note:
  // the overloads make Set(type, nullptr) ambiguous; cast the null.
  OM_uint32 Set(gss_OID inputNameType, gss_buffer_t inputName)
      ORBI_EXCLUDES(mutex);

  // Set(inputNameType, inputName) with an ASN.1 buffer: BAD_INPUT (10) for
  // a null inputName or a null inputName->data; BAD_NAME_TYPE (36) when
  // inputNameType is null or not the default name type by value; NO_MEMORY
  // (1) when no memory could be had for the name's new text, also for a buffer
  // longer than 4294967295 bytes: unlike the gss_buffer_t form, this form then
  // leaves the name unchanged, old text included. Otherwise as the gss_buffer_t
  // form on the buffer's bytes. Takes no lock of its own.
  OM_uint32 Set(gss_OID inputNameType, PLVASNBuffer* inputName)
      ORBI_EXCLUDES(mutex);

  // CanonicalizeName binds the name to mech, the library's mechanism.
  // Returns BAD_INPUT (10) for a null mech, INVALID_MECH (23) when mech does
  // not decode, MECH_NOT_SUPPORTED (24) when it is not the library's
  // mechanism, ORBIGetOID(kORBIMechanismIndex), by value (these three
  // without the lock), BAD_NAME_TYPE (36) when the name's type is not the
  // default name type by value (a null type included). On SUCCESS (0) the
  // name type and the mechanism are the table's own pointers: the caller may
  // release mech at once. Nothing changes on failure.
  OM_uint32 CanonicalizeName(gss_OID mech) ORBI_EXCLUDES(mutex);

  // Export writes the library's exported name token
  // (orbi_name/exported_name_token.h: the mechanism OID of M bytes, the name of
  // N and the name type OID of T, 10 + M + N + T bytes) into a new block in
  // *token. Checks, all made in this order, a later failing one overriding:
  // token null BAD_INPUT (10), no mechanism NO_MECH (2), no name type
  // BAD_NAME_TYPE (36); token is then not written. Returns SUCCESS (0);
  // NO_MEMORY (1) when no memory could be had: token->value is then null and
  // token->length 0. The name never changes.
  OM_uint32 Export(gss_buffer_t token) ORBI_EXCLUDES(mutex);

  // Display hands out a copy of the text (with its NUL) in *outputName, whose
  // length is nameLength, and the name type itself (null when the name has
  // none; not a copy) through outputNameType when that is not null. A name
  // without text gives a one-byte block holding a NUL and length 0. Returns
  // SUCCESS (0); BAD_INPUT (10) for a null outputName (nothing written);
  // NO_MEMORY (1) when no memory could be had (outputName->value null, the
  // type not written).
  OM_uint32 Display(gss_buffer_t outputName, gss_OID* outputNameType)
      ORBI_EXCLUDES(mutex);

  // --- Database path and entries ----------------------------------------

  // GetDatabasePath hands out the text up to the first line feed (or the
  // whole text) plus a zero byte; length counts the zero byte. Returns
  // SUCCESS (0); BAD_INPUT (10) when path is null or the name has no database
  // path (no text, an empty text, a text that starts with a line feed): path
  // is then untouched; NO_MEMORY (1) when no memory could be had
  // (path->value null).
  OM_uint32 GetDatabasePath(gss_buffer_t path) ORBI_EXCLUDES(mutex);

  // Read hands out the next entry and advances cursor. cursor is 0 before the
  // first entry and all ones (~0ul) after the last; any other value is a
  // position that only Read makes, valid for this name while its text is
  // unchanged. The entry comes as its characters plus a zero byte; length
  // counts the zero byte. Returns SUCCESS (0); END_OF_LIST (5) when no
  // entries are left (a cursor of 0 on a text with no line feed, or on a
  // name without text, becomes all ones); BAD_INPUT (10) when entry is null
  // or cursor is not a position of this name's current text (stale or made
  // up): cursor and entry are then untouched; NO_MEMORY (1) when no memory
  // could be had (cursor unchanged, entry->value null).
  // A position is checked against a stamp of the text it was made for,
  // drawn anew for every new text in the process, of which the cursor keeps
  // 31 bits (it is 64 bits wide and holds the offset too). So a stale cursor
  // can be accepted again only after 2^31 further texts in the process, and
  // then only where it lands on the start of an entry of the current text,
  // which it then reads.
  OM_uint32 Read(gss_buffer_t entry, unsigned long& cursor)
      ORBI_EXCLUDES(mutex);

  // Read into an ASN.1 buffer: on SUCCESS the buffer is cleared and holds the
  // entry's characters and one zero byte; otherwise it is untouched.
  // Statuses as above. Takes no lock of its own.
  OM_uint32 Read(PLVASNBuffer* entry, unsigned long& cursor)
      ORBI_EXCLUDES(mutex);

  // Read into a label string: stores the entry as the visible string and
  // selects alternative 1. Statuses as above, plus BAD_NAME_TYPE (36) when
  // the name type is not the very pointer
  // ORBIGetOID(kORBIDefaultNameTypeIndex) (cursor untouched), and
  // LABEL_NOT_SET (4) when the label string refuses the entry (the cursor is
  // then past it).
  OM_uint32 Read(PLVASNLabelString* label, unsigned long& cursor)
      ORBI_EXCLUDES(mutex);

  // CopyExpandedName returns a chain of new names linked through their next
  // member, one per entry, each a copy of this name whose text is the
  // database path, a line feed and the entry; a text without entries gives
  // one copy whose text is the database path. The caller deletes every name
  // of the chain. Returns null when no memory could be had (nothing is left
  // behind) or the name has no database path (see GetDatabasePath). Takes no
  // lock of its own; the caller keeps the text unchanged meanwhile.
  PLVORBIInternalName* CopyExpandedName() ORBI_EXCLUDES(mutex);

 private:
  friend struct PLVORBIInternalNamePeer;  // white-box access for tests
  friend class PLVORBIInternalNameSet;    // walks members with MatchThenNext

  // The fields that operator== and operator= read on their right-hand name,
  // without that name's lock: their caller keeps the name from changing.
  struct RightHandFields {
    gss_OID nameType;
    gss_OID mechType;
    uint32_t nameLength;
    const char* nameValue;
  };
  ORBI_NAME_LOCAL RightHandFields
  ReadUnlocked() const ORBI_NO_THREAD_SAFETY_ANALYSIS;

  // MatchThenNext is `*this == other` and, when that is 0, GetNextMember,
  // with the records of both, under one hold of this name's lock: 1 when
  // equal (*next untouched), else 0 with the next member in *next.
  // EqualsLocked is operator== without its record. REQUIRES: mutex is held.
  ORBI_NAME_LOCAL bool EqualsLocked(const PLVORBIInternalName& other)
      ORBI_REQUIRES(mutex);

  ORBI_NAME_LOCAL int MatchThenNext(const PLVORBIInternalName& other,
                                    PLVORBIInternalName** next);

  // NewMember makes a member of an expansion: a new name (from new) holding
  // type and mech and no text yet; null when no memory could be had.
  ORBI_NAME_LOCAL static PLVORBIInternalName* NewMember(gss_OID type,
                                                        gss_OID mech);

  // Import is the gss_buffer_t form of Set with one choice left open: when
  // no memory can be had for the new text, keepOnNoMemory leaves the name
  // unchanged, else the old text is released as that form documents.
  ORBI_NAME_LOCAL OM_uint32 Import(gss_OID inputNameType,
                                   gss_buffer_t inputName, bool keepOnNoMemory);

  // Layout of the exported name token; set by the constructor, never changed.
  uint32_t tokenIdSize;
  uint32_t nameTypeOidLengthSize;
  uint32_t mechOidLengthSize;
  uint32_t nameLengthSize;
  char separator;  // divides the database path and the entries: line feed
  uint32_t tokenId;

  // Guarded by mutex: read and written only while it is held, except by the
  // constructor and destructor and where operator== and operator= read the
  // right-hand name (whose caller keeps it from changing).
  gss_OID nameType ORBI_GUARDED_BY(mutex);  // an ORBIGetOID object, or null
  gss_OID mechType ORBI_GUARDED_BY(mutex);  // an ORBIGetOID object, or null
  // Bytes of nameValue that make up the name.
  uint32_t nameLength ORBI_GUARDED_BY(mutex);
  // malloc block ending with a NUL, or null.
  char* nameValue ORBI_GUARDED_BY(mutex);
  // Next name of a set's chain; not owned.
  PLVORBIInternalName* nextMember ORBI_GUARDED_BY(mutex);
  PLVMutex mutex;
};

#endif  // ORBI_NAME_INTERNAL_NAME_H_
