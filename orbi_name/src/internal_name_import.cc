// Name import (both Set forms, the exported name token read back), display,
// canonicalization and the exported name token.
#include <assert.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "orbi_name/internal_name.h"
#include "orbi_name/internal_oid.h"
#include "orbi_services/oid_table.h"
#include "scoped.h"
#include "text_block.h"
#include "token.h"

using orbi_name::TokenField;
using orbi_name::TokenView;
using orbi_name::internal::AllocateText;
using orbi_name::internal::kNameSource;
using orbi_name::internal::MutexLock;
using orbi_name::internal::ParseToken;
using orbi_name::internal::SealText;
using orbi_name::internal::TextEnd;
using orbi_name::internal::TokenLayout;
using orbi_name::internal::TokenSize;
using orbi_name::internal::WriteToken;
namespace status = orbi_name::status;

namespace {

constexpr char kSetBufferText[] =
    "PLVORBIInternalName::Set(gss_oid, gss_buffer_t)";
constexpr char kSetAsnText[] =
    "PLVORBIInternalName::Set(gss_OID, PLVASNBuffer)";
constexpr char kSetTextPathText[] =
    "PLVORBIInternalName::Set() handling non-exported name";
constexpr char kCanonicalizeText[] = "PLVORBIInternalName::CanonicalizeName()";
constexpr char kCanonicalizeBadInputText[] =
    "PLVORBIInternalName::CanonicalizeName() returns BAD_INPUT";
constexpr char kCanonicalizeInvalidMechText[] =
    "PLVORBIInternalName::CanonicalizeName() returns INVALID_MECH";
constexpr char kCanonicalizeMechNotSupportedText[] =
    "PLVORBIInternalName::CanonicalizeName() returns MECH_NOT_SUPPORTED";
constexpr char kExportText[] = "PLVORBIInternalName::Export()";
constexpr char kDisplayText[] =
    "PLVORBIInternalName::Display(gss_buffer_t, gss_OID*)";

// The anonymous name's text; kSentinelSize counts its NUL.
constexpr char kAnonymousSentinel[] = "!@#$%&:ORBI-ANONYMOUS:!@#$%&";
constexpr size_t kSentinelSize = sizeof(kAnonymousSentinel);
constexpr size_t kSentinelLength = kSentinelSize - 1;

// The table's objects that this unit uses. ORBIGetOID hands out the same
// object for an index for the life of the process, so each is asked for
// once.
struct TableOids {
  gss_OID exported_type;
  gss_OID default_type;
  gss_OID anonymous_type;
  gss_OID mechanism;
};
const TableOids& Oids() {
  static const TableOids oids = {ORBIGetOID(kORBIExportedNameTypeIndex),
                                 ORBIGetOID(kORBIDefaultNameTypeIndex),
                                 ORBIGetOID(kORBIAnonymousNameTypeIndex),
                                 ORBIGetOID(kORBIMechanismIndex)};
  return oids;
}

// The OID length fields of the token are two bytes wide.
constexpr uint32_t kOidLengthMask = 0xFFFF;

// SameBytes is true when oid holds exactly the content octets of table_oid.
// The table's objects are valid encodings, so equal bytes mean equal OIDs;
// this settles the common case without decoding anything.
[[nodiscard]] bool SameBytes(gss_OID oid, gss_OID table_oid) {
  return oid->length == table_oid->length && oid->elements != nullptr &&
         memcmp(oid->elements, table_oid->elements, oid->length) == 0;
}

// MatchesTableOid is true when oid is table_oid by value (OIDChecker's
// answer); the table's own pointer and a byte-for-byte copy are recognised
// without validating the bytes. A null oid matches nothing.
[[nodiscard]] bool MatchesTableOid(gss_OID oid, gss_OID table_oid) {
  if (oid == nullptr) return false;
  if (oid == table_oid || SameBytes(oid, table_oid)) return true;
  return PLVORBIInternalOID::OIDChecker(oid, table_oid) != 0;
}

// CheckMechanism returns 0 when mech is the library's mechanism by value, 23
// when its bytes do not decode and 24 when it is another OID.
// REQUIRES: mech is not null.
[[nodiscard]] OM_uint32 CheckMechanism(gss_OID mech) {
  gss_OID own = Oids().mechanism;
  if (mech == own || SameBytes(mech, own)) return status::SUCCESS;
  // Whether the bytes decode is asked of OIDChecker with a second descriptor
  // of the same bytes: at another address it looks at them, and answers 1
  // exactly when they decode. Unlike loading an OID value this needs no
  // memory, so running out of it cannot pass for an unreadable mechanism.
  gss_OID_desc same_bytes = *mech;
  if (PLVORBIInternalOID::OIDChecker(mech, &same_bytes) == 0) {
    return status::INVALID_MECH;
  }
  if (PLVORBIInternalOID::OIDChecker(mech, own) == 0) {
    return status::MECH_NOT_SUPPORTED;
  }
  return status::SUCCESS;
}

// FindTableOid returns the table's own object holding the same OID as oid,
// or null when the table holds none. The table's entries are distinct OIDs.
[[nodiscard]] gss_OID FindTableOid(gss_OID oid) {
  for (int i = 0; i < kORBIOIDTableSize; ++i) {
    gss_OID entry = ORBIGetOID(i);
    if (MatchesTableOid(oid, entry)) return entry;
  }
  return nullptr;
}

// The fields of an exported name token that an import keeps.
struct ParsedToken {
  const unsigned char* name = nullptr;
  uint32_t name_length = 0;
  gss_OID name_type = nullptr;  // the table's own object, or null
};

// ParseExportedToken reads the token in length bytes at data. The whole
// token is read before anything is judged by value, so a token whose layout
// is broken gives 36 whatever its mechanism. Returns 0 and fills *parsed; 36
// for a token the codec refuses (a wrong identifier, a length field running
// past the end, bytes left over that are not exactly one name-type field) or
// a name type the table does not hold; 23 for a mechanism OID that does not
// decode; 24 for one that is not the library's. *parsed is written only on 0.
[[nodiscard]] OM_uint32 ParseExportedToken(const TokenLayout& layout,
                                           const unsigned char* data,
                                           size_t length, ParsedToken* parsed) {
  TokenView view;
  if (ParseToken(layout, data, length, &view, nullptr) != TokenField::kNone) {
    return status::BAD_NAME_TYPE;
  }
  gss_OID_desc mech = {view.mechanism_length,
                       const_cast<unsigned char*>(view.mechanism)};
  const OM_uint32 mech_status = CheckMechanism(&mech);
  if (mech_status != status::SUCCESS) return mech_status;

  gss_OID name_type = nullptr;
  if (view.has_name_type) {
    gss_OID_desc type = {view.name_type_length,
                         const_cast<unsigned char*>(view.name_type)};
    name_type = FindTableOid(&type);
    if (name_type == nullptr) return status::BAD_NAME_TYPE;
  }
  parsed->name = view.name;
  parsed->name_length = view.name_length;
  parsed->name_type = name_type;
  return status::SUCCESS;
}

// How Set reads the caller's buffer, decided by the name type.
enum class ImportKind { kText, kAnonymous, kExportedToken };

// ClassifyNameType tells how a name of the given type is read, or returns
// false for a type that Set does not take.
[[nodiscard]] bool ClassifyNameType(gss_OID type, ImportKind* kind) {
  const TableOids& oids = Oids();
  const struct {
    gss_OID type;
    ImportKind kind;
  } kAccepted[] = {
      {oids.default_type, ImportKind::kText},
      {oids.exported_type, ImportKind::kExportedToken},
      {oids.anonymous_type, ImportKind::kAnonymous},
  };
  for (const auto& accepted : kAccepted) {
    if (MatchesTableOid(type, accepted.type)) {
      *kind = accepted.kind;
      return true;
    }
  }
  return false;
}

}  // namespace

OM_uint32 PLVORBIInternalName::Set(gss_OID inputNameType,
                                   gss_buffer_t inputName) {
  return Import(inputNameType, inputName, /*keepOnNoMemory=*/false);
}

OM_uint32 PLVORBIInternalName::Import(gss_OID inputNameType,
                                      gss_buffer_t inputName,
                                      bool keepOnNoMemory) {
  ORBI_TRACE_SCOPE(kNameSource, kSetBufferText);
  OM_uint32 result = status::SUCCESS;
  if (inputName == nullptr || inputName->value == nullptr) {
    result = status::BAD_INPUT;
  }
  // A name given without a type is read as a text.
  ImportKind kind = ImportKind::kText;
  if (inputNameType != nullptr && !ClassifyNameType(inputNameType, &kind)) {
    result = status::BAD_NAME_TYPE;
  }
  if (result != status::SUCCESS) return result;
  // nameLength and the token's name length are 32-bit: a longer buffer is
  // refused before a byte of it is read, and the name stays as it was.
  if (inputName->length > UINT32_MAX) return status::BAD_INPUT;

  const auto* bytes = static_cast<const unsigned char*>(inputName->value);
  const auto length = static_cast<uint32_t>(inputName->length);

  // The new text is measured, checked and copied before the lock is taken:
  // only the exchange of the fields needs it.
  ParsedToken token;
  if (kind == ImportKind::kExportedToken) {
    // The layout constants are written by the constructor only, so they are
    // read without the lock.
    const TokenLayout layout = {tokenIdSize, tokenId, mechOidLengthSize,
                                nameLengthSize, nameTypeOidLengthSize};
    result = ParseExportedToken(layout, bytes, length, &token);
    if (result != status::SUCCESS) return result;
  }

  char* text = nullptr;
  uint32_t text_length = 0;
  bool is_sentinel = false;
  switch (kind) {
    case ImportKind::kAnonymous:
      // nameLength counts the sentinel's NUL; like every text block, the
      // counted bytes are followed by one more NUL.
      text_length = static_cast<uint32_t>(kSentinelSize);
      text = AllocateText(text_length);
      if (text != nullptr) {
        memcpy(text, kAnonymousSentinel, kSentinelSize);
        SealText(text, text_length, static_cast<uint32_t>(kSentinelLength));
      }
      break;
    case ImportKind::kExportedToken:
      // The name bytes are kept verbatim, embedded NULs included.
      text_length = token.name_length;
      text = AllocateText(text_length);
      if (text != nullptr) {
        if (text_length > 0) memcpy(text, token.name, text_length);
        SealText(text, text_length, TextEnd(text, text_length));
      }
      break;
    case ImportKind::kText:
      text_length = length;
      // nameLength is 32-bit and a text block needs length + 1 bytes: a
      // length of 4294967295 cannot be held. It is refused before a byte of
      // the buffer is read.
      if (length != UINT32_MAX) {
        // The text ends at the first NUL within length bytes; the rest of
        // the counted bytes is zero.
        const uint32_t copied =
            TextEnd(reinterpret_cast<const char*>(bytes), length);
        text = AllocateText(length);
        if (text != nullptr) {
          memcpy(text, bytes, copied);
          if (copied < length) memset(text + copied, 0, length - copied);
          SealText(text, length, copied);
        }
        // The sentinel test looks at the text up to its first NUL.
        is_sentinel = copied == kSentinelLength &&
                      memcmp(bytes, kAnonymousSentinel, kSentinelLength) == 0;
      }
      break;
  }

  if (text == nullptr && keepOnNoMemory) {
    // The record is not touched; the trace shows the path taken all the same.
    if (kind != ImportKind::kExportedToken) {
      ORBI_TRACE_LEVEL1(kNameSource, kSetTextPathText);
    }
    return status::NO_MEMORY;
  }

  MutexLock lock(mutex);
  if (kind != ImportKind::kExportedToken) {
    ORBI_TRACE_LEVEL1(kNameSource, kSetTextPathText);
  }
  free(nameValue);
  nameValue = text;
  if (text == nullptr) {
    // The old text is gone: the length must not keep counting it. The name
    // type and mechanism stay as they were.
    nameLength = 0;
    return status::NO_MEMORY;
  }
  nameLength = text_length;
  switch (kind) {
    case ImportKind::kAnonymous:
      nameType = Oids().anonymous_type;
      break;
    case ImportKind::kExportedToken:
      nameType = token.name_type;
      mechType = Oids().mechanism;
      break;
    case ImportKind::kText:
      nameType = is_sentinel ? Oids().anonymous_type : Oids().default_type;
      break;
  }
  return status::SUCCESS;
}

OM_uint32 PLVORBIInternalName::Set(gss_OID inputNameType,
                                   PLVASNBuffer* inputName) {
  ORBI_TRACE_SCOPE(kNameSource, kSetAsnText);
  OM_uint32 result = status::SUCCESS;
  if (inputName == nullptr || inputName->data == nullptr) {
    result = status::BAD_INPUT;
  }
  // Unlike the buffer form, this form needs the default name type.
  if (!MatchesTableOid(inputNameType, Oids().default_type)) {
    result = status::BAD_NAME_TYPE;
  }
  if (result != status::SUCCESS) return result;
  // A gss_buffer_desc counts 32 bits; a longer buffer cannot be handed on
  // without cutting it, and no name could hold it.
  if (inputName->length > UINT32_MAX) return status::NO_MEMORY;
  // The import copies the bytes and keeps nothing of its argument, so it
  // can read the ASN.1 buffer's bytes in place. Its failure to get memory
  // leaves this name unchanged, as this form promises.
  gss_buffer_desc buffer = {static_cast<size_t>(inputName->length),
                            inputName->data};
  return Import(inputNameType, &buffer, /*keepOnNoMemory=*/true);
}

OM_uint32 PLVORBIInternalName::CanonicalizeName(gss_OID mech) {
  ORBI_TRACE_SCOPE(kNameSource, kCanonicalizeText);
  if (mech == nullptr) {
    ORBI_TRACE_LEVEL1(kNameSource, kCanonicalizeBadInputText);
    return status::BAD_INPUT;
  }
  const OM_uint32 mech_status = CheckMechanism(mech);
  if (mech_status == status::INVALID_MECH) {
    ORBI_TRACE_LEVEL1(kNameSource, kCanonicalizeInvalidMechText);
    return mech_status;
  }
  if (mech_status == status::MECH_NOT_SUPPORTED) {
    ORBI_TRACE_LEVEL1(kNameSource, kCanonicalizeMechNotSupportedText);
    return mech_status;
  }
  gss_OID default_type = Oids().default_type;
  MutexLock lock(mutex);
  if (!MatchesTableOid(nameType, default_type)) return status::BAD_NAME_TYPE;
  nameType = default_type;
  mechType = Oids().mechanism;
  return status::SUCCESS;
}

OM_uint32 PLVORBIInternalName::Export(gss_buffer_t token) {
  ORBI_TRACE_SCOPE(kNameSource, kExportText);
  OM_uint32 result = status::SUCCESS;
  if (token == nullptr) result = status::BAD_INPUT;
  // One hold covers the tests, the measuring and the copying, so the token
  // shows one state of the name.
  MutexLock lock(mutex);
  if (mechType == nullptr) result = status::NO_MECH;
  if (nameType == nullptr) result = status::BAD_NAME_TYPE;
  if (result != status::SUCCESS) return result;

  // The OID length fields carry 16 bits; M and T are what they announce.
  TokenView view;
  view.mechanism = static_cast<const unsigned char*>(mechType->elements);
  view.mechanism_length = mechType->length & kOidLengthMask;
  view.name = reinterpret_cast<const unsigned char*>(nameValue);
  view.name_length = nameLength;
  view.name_type = static_cast<const unsigned char*>(nameType->elements);
  view.name_type_length = nameType->length & kOidLengthMask;
  const TokenLayout layout = {tokenIdSize, tokenId, mechOidLengthSize,
                              nameLengthSize, nameTypeOidLengthSize};
  const size_t total = TokenSize(layout, view.mechanism_length,
                                 view.name_length, view.name_type_length);
  token->value = nullptr;
  token->length = 0;
  auto* block = static_cast<unsigned char*>(malloc(total));
  if (block == nullptr) return status::NO_MEMORY;
  // The token fills exactly what was measured; anything else is a fault in
  // the codec, not a shortage of memory.
  const bool written = WriteToken(layout, view, block, total);
  assert(written);
  if (!written) {
    free(block);
    return status::NO_MEMORY;
  }
  token->value = block;
  token->length = total;
  return status::SUCCESS;
}

OM_uint32 PLVORBIInternalName::Display(gss_buffer_t outputName,
                                       gss_OID* outputNameType) {
  ORBI_TRACE_SCOPE(kNameSource, kDisplayText);
  if (outputName == nullptr) return status::BAD_INPUT;
  MutexLock lock(mutex);
  outputName->length = nameLength;
  // The block holds all nameLength bytes and a NUL behind them, so a caller
  // may read length bytes even when the text ends at an embedded NUL; a name
  // without text (nameLength 0) gives a block holding only the NUL.
  auto* block = static_cast<char*>(malloc(static_cast<size_t>(nameLength) + 1));
  if (block == nullptr) {
    outputName->value = nullptr;
    return status::NO_MEMORY;
  }
  if (nameLength > 0) memcpy(block, nameValue, nameLength);
  block[nameLength] = '\0';
  outputName->value = block;
  if (outputNameType != nullptr) *outputNameType = nameType;
  return status::SUCCESS;
}
