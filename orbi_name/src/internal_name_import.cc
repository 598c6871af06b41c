// Name import (both Set forms, the exported name token read back), display,
// canonicalization and the exported name token.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "orbi_name/internal_name.h"
#include "orbi_name/internal_oid.h"
#include "orbi_services/oid_table.h"
#include "scoped.h"
#include "text_block.h"

using orbi_name::internal::AllocateText;
using orbi_name::internal::kNameSource;
using orbi_name::internal::MutexLock;
using orbi_name::internal::SealText;
using orbi_name::internal::TextEnd;
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

// Reader is a bounded read cursor over a caller's bytes: every read checks
// the bytes left first and fails, consuming nothing, when they do not
// suffice.
class Reader {
 public:
  Reader(const unsigned char* data, uint32_t length)
      : data_(data), left_(length) {}

  uint32_t left() const { return left_; }

  // ReadBigEndian reads a width-byte unsigned integer, most significant
  // byte first. The token's widths, 2 and 4, take a path without a loop.
  // REQUIRES: width <= 4.
  [[nodiscard]] bool ReadBigEndian(uint32_t width, uint32_t* value) {
    if (left_ < width) return false;
    const unsigned char* in = data_;
    uint32_t result = 0;
    if (width == 2) {
      result = (uint32_t{in[0]} << 8) | in[1];
    } else if (width == 4) {
      result = (uint32_t{in[0]} << 24) | (uint32_t{in[1]} << 16) |
               (uint32_t{in[2]} << 8) | in[3];
    } else {
      for (uint32_t i = 0; i < width; ++i) result = (result << 8) | in[i];
    }
    Skip(width);
    *value = result;
    return true;
  }

  // ReadBytes hands out a pointer to the next count bytes.
  [[nodiscard]] bool ReadBytes(uint32_t count, const unsigned char** bytes) {
    if (left_ < count) return false;
    *bytes = data_;
    Skip(count);
    return true;
  }

 private:
  void Skip(uint32_t count) {
    data_ += count;
    left_ -= count;
  }

  const unsigned char* data_;
  uint32_t left_;
};

// Writer is a bounded write cursor over a block of a measured size: a write
// that would pass the end fails and writes nothing.
class Writer {
 public:
  Writer(unsigned char* data, size_t size) : data_(data), left_(size) {}

  size_t left() const { return left_; }

  // WriteBigEndian writes the low width bytes of value, most significant
  // byte first. The token's widths, 2 and 4, take a path without a loop.
  // REQUIRES: width <= 4.
  [[nodiscard]] bool WriteBigEndian(uint32_t width, uint32_t value) {
    if (left_ < width) return false;
    unsigned char* out = data_;
    if (width == 2) {
      out[0] = static_cast<unsigned char>(value >> 8);
      out[1] = static_cast<unsigned char>(value);
    } else if (width == 4) {
      out[0] = static_cast<unsigned char>(value >> 24);
      out[1] = static_cast<unsigned char>(value >> 16);
      out[2] = static_cast<unsigned char>(value >> 8);
      out[3] = static_cast<unsigned char>(value);
    } else {
      for (uint32_t i = 0; i < width; ++i) {
        out[i] = static_cast<unsigned char>(value >> (8 * (width - 1 - i)));
      }
    }
    Skip(width);
    return true;
  }

  [[nodiscard]] bool WriteBytes(const void* bytes, size_t count) {
    if (left_ < count) return false;
    if (count > 0) memcpy(data_, bytes, count);
    Skip(count);
    return true;
  }

 private:
  void Skip(size_t count) {
    data_ += count;
    left_ -= count;
  }

  unsigned char* data_;
  size_t left_;
};

// The fields of an exported name token that an import keeps.
struct ParsedToken {
  const unsigned char* name = nullptr;
  uint32_t name_length = 0;
  gss_OID name_type = nullptr;  // the table's own object, or null
};

// The widths of the token's fixed fields, taken from a name's constants.
struct TokenLayout {
  uint32_t token_id_size;
  uint32_t token_id;
  uint32_t mech_oid_length_size;
  uint32_t name_length_size;
  uint32_t name_type_oid_length_size;
};

// ParseExportedToken reads the token in length bytes at data. The whole
// token is read before anything is judged by value, so a token whose layout
// is broken gives 36 whatever its mechanism. Returns 0 and fills *parsed; 36
// for a wrong identifier, a length field running past the end, bytes left
// over that are not exactly one name-type field, or a name type the table
// does not hold; 23 for a mechanism OID that does not decode; 24 for one that
// is not the library's. *parsed is written only on 0.
[[nodiscard]] OM_uint32 ParseExportedToken(const TokenLayout& layout,
                                           const unsigned char* data,
                                           uint32_t length,
                                           ParsedToken* parsed) {
  Reader reader(data, length);
  uint32_t token_id = 0;
  uint32_t mech_length = 0;
  const unsigned char* mech_bytes = nullptr;
  uint32_t name_length = 0;
  const unsigned char* name = nullptr;
  if (!reader.ReadBigEndian(layout.token_id_size, &token_id) ||
      token_id != layout.token_id ||
      !reader.ReadBigEndian(layout.mech_oid_length_size, &mech_length) ||
      !reader.ReadBytes(mech_length, &mech_bytes) ||
      !reader.ReadBigEndian(layout.name_length_size, &name_length) ||
      !reader.ReadBytes(name_length, &name)) {
    return status::BAD_NAME_TYPE;
  }
  // A token that ends after the name carries no name type. Otherwise what
  // follows must be exactly one length field and the OID it announces.
  uint32_t type_length = 0;
  const unsigned char* type_bytes = nullptr;
  const bool has_type = reader.left() > 0;
  if (has_type &&
      (!reader.ReadBigEndian(layout.name_type_oid_length_size, &type_length) ||
       !reader.ReadBytes(type_length, &type_bytes) || reader.left() != 0)) {
    return status::BAD_NAME_TYPE;
  }

  gss_OID_desc mech = {mech_length, const_cast<unsigned char*>(mech_bytes)};
  const OM_uint32 mech_status = CheckMechanism(&mech);
  if (mech_status != status::SUCCESS) return mech_status;

  gss_OID name_type = nullptr;
  if (has_type) {
    gss_OID_desc type = {type_length, const_cast<unsigned char*>(type_bytes)};
    name_type = FindTableOid(&type);
    if (name_type == nullptr) return status::BAD_NAME_TYPE;
  }
  parsed->name = name;
  parsed->name_length = name_length;
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
  const uint32_t mech_length = mechType->length & kOidLengthMask;
  const uint32_t type_length = nameType->length & kOidLengthMask;
  // Measured in size_t (64 bits wide, text_block.h): the sum of the 32-bit
  // fields can pass 4294967295 but not wrap.
  const size_t total = size_t{tokenIdSize} + mechOidLengthSize +
                         mech_length + nameLengthSize + nameLength +
                         nameTypeOidLengthSize + type_length;
  token->value = nullptr;
  token->length = 0;
  auto* block = static_cast<unsigned char*>(malloc(total));
  if (block == nullptr) return status::NO_MEMORY;

  Writer writer(block, total);
  const bool written =
      writer.WriteBigEndian(tokenIdSize, tokenId) &&
      writer.WriteBigEndian(mechOidLengthSize, mech_length) &&
      writer.WriteBytes(mechType->elements, mech_length) &&
      writer.WriteBigEndian(nameLengthSize, nameLength) &&
      writer.WriteBytes(nameValue, nameLength) &&
      writer.WriteBigEndian(nameTypeOidLengthSize, type_length) &&
      writer.WriteBytes(nameType->elements, type_length);
  // What was written must fill exactly what was measured; the writer never
  // passes the end, so a mismatch can only leave bytes unwritten.
  if (!written || writer.left() != 0) {
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
