// Name import: both Set forms. The new text is measured, checked and copied
// into a sealed block before the lock is taken; under the lock the fields
// are only exchanged.
#include <assert.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "hints.h"
#include "library_token_codec.h"
#include "orbi_name/internal_name.h"
#include "orbi_services/oid_table.h"
#include "scoped.h"
#include "short_bytes.h"
#include "table_oids.h"
#include "text_block.h"

using orbi_name::NameTypeKind;
using orbi_name::TokenField;
using orbi_name::TokenView;
using orbi_name::internal::AllocateText;
using orbi_name::internal::CheckMechanism;
using orbi_name::internal::ClassifyNameType;
using orbi_name::internal::CopyBytes;
using orbi_name::internal::FindTableOid;
using orbi_name::internal::IsLibraryLayout;
using orbi_name::internal::kNameSource;
using orbi_name::internal::MatchesTableOid;
using orbi_name::internal::MutexLock;
using orbi_name::internal::Oids;
using orbi_name::internal::ParseToken;
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

// The anonymous name's text; kSentinelSize counts its NUL.
constexpr char kAnonymousSentinel[] = "!@#$%&:ORBI-ANONYMOUS:!@#$%&";
constexpr size_t kSentinelSize = sizeof(kAnonymousSentinel);
constexpr size_t kSentinelLength = kSentinelSize - 1;

// What an import gives the name.
struct NewState {
  char* text = nullptr;  // sealed text block; null when none could be had
  uint32_t length = 0;   // nameLength
  gss_OID type = nullptr;
  bool binds_mechanism = false;  // a token also sets the mechanism
};

// TextState reads length bytes as a text: it ends at the first NUL, the
// rest of the counted bytes is zero; the sentinel makes the anonymous name.
// REQUIRES: length < 4294967295, so that the block can be measured.
[[nodiscard]] ORBI_ALWAYS_INLINE NewState TextState(const unsigned char* bytes,
                                                    uint32_t length) {
  NewState state;
  state.length = length;
  const uint32_t copied = TextEnd(reinterpret_cast<const char*>(bytes), length);
  state.text = AllocateText(length);
  if (state.text != nullptr) {
    CopyBytes(state.text, bytes, copied);
    if (copied < length) memset(state.text + copied, 0, length - copied);
    SealText(state.text, length, copied);
  }
  // The sentinel test looks at the text up to its first NUL.
  const bool is_sentinel =
      copied == kSentinelLength &&
      memcmp(bytes, kAnonymousSentinel, kSentinelLength) == 0;
  state.type = is_sentinel ? Oids().anonymous_type : Oids().default_type;
  return state;
}

// AnonymousState is the anonymous name: the sentinel, its NUL counted; like
// every text block, the counted bytes are followed by one more NUL.
[[nodiscard]] NewState AnonymousState() {
  NewState state;
  state.length = static_cast<uint32_t>(kSentinelSize);
  state.text = AllocateText(state.length);
  if (state.text != nullptr) {
    memcpy(state.text, kAnonymousSentinel, kSentinelSize);
    SealText(state.text, state.length, static_cast<uint32_t>(kSentinelLength));
  }
  state.type = Oids().anonymous_type;
  return state;
}

// TokenState reads the length bytes at data as an exported name token. The
// whole token is read before anything is judged by value, so a token whose
// layout is broken gives BAD_NAME_TYPE whatever its mechanism. Returns
// SUCCESS and fills *state; BAD_NAME_TYPE for a token the codec refuses (a
// wrong identifier, a length field running past the end, bytes left over
// that are not exactly one name-type field) or a name type the table does
// not hold; INVALID_MECH for a mechanism OID that does not decode;
// MECH_NOT_SUPPORTED for one that is not the library's.
// The name bytes are kept verbatim, embedded NULs included.
[[nodiscard]] OM_uint32 TokenState(const unsigned char* data, size_t length,
                                   NewState* state) {
  TokenView view;
  if (ParseToken(data, length, &view, nullptr) != TokenField::kNone) {
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
  state->length = view.name_length;
  state->text = AllocateText(view.name_length);
  if (state->text != nullptr) {
    if (view.name_length > 0) {
      memcpy(state->text, view.name, view.name_length);
    }
    SealText(state->text, view.name_length,
             TextEnd(state->text, view.name_length));
  }
  state->type = name_type;
  state->binds_mechanism = true;
  return status::SUCCESS;
}

// What Import reads from its arguments: the new state, or the status that
// refuses them.
struct Reading {
  OM_uint32 status = status::SUCCESS;
  NewState state;
  bool text_path = true;  // the text-path record is due
};

// ReadOther is Import for every case but a measurable text of the default
// type: the refusals of bad arguments, the other name types and a text too
// long to hold.
[[nodiscard]] ORBI_COLD Reading ReadOther(gss_OID type, gss_buffer_t input) {
  Reading reading;
  if (input == nullptr || input->value == nullptr) {
    reading.status = status::BAD_INPUT;
  }
  // A name given without a type is read as a text.
  const NameTypeKind kind = ClassifyNameType(type);
  if (kind == NameTypeKind::kRefused) reading.status = status::BAD_NAME_TYPE;
  if (reading.status != status::SUCCESS) return reading;
  // nameLength and the token's name length are 32-bit: a longer buffer is
  // refused before a byte of it is read, and the name stays as it was.
  if (input->length > UINT32_MAX) {
    reading.status = status::BAD_INPUT;
    return reading;
  }
  const auto* bytes = static_cast<const unsigned char*>(input->value);
  const auto length = static_cast<uint32_t>(input->length);
  switch (kind) {
    case NameTypeKind::kText:
      // A text block needs length + 1 bytes, which a nameLength of
      // 4294967295 cannot count: no block can be had for it.
      if (length != UINT32_MAX) {
        reading.state = TextState(bytes, length);
      } else {
        reading.state.length = length;
      }
      break;
    case NameTypeKind::kAnonymous:
      // The buffer's bytes are ignored.
      reading.state = AnonymousState();
      break;
    case NameTypeKind::kExportedToken:
      reading.status = TokenState(bytes, length, &reading.state);
      reading.text_path = false;
      break;
    case NameTypeKind::kRefused:  // refused above
      break;
  }
  return reading;
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
  // Commit gives the name its new state under the lock. It is inlined into
  // both paths below, so the common one pays for no flag it does not need.
  const auto commit =
      [this, keepOnNoMemory](const NewState& next, bool text_path)
          ORBI_LAMBDA_ALWAYS_INLINE {
            if (next.text == nullptr && keepOnNoMemory) {
              // The record is not touched; the trace shows the path taken all
              // the same.
              if (text_path) ORBI_TRACE_LEVEL1(kNameSource, kSetTextPathText);
              return status::NO_MEMORY;
            }
            MutexLock lock(mutex);
            if (text_path) ORBI_TRACE_LEVEL1(kNameSource, kSetTextPathText);
            if (nameValue != nullptr) free(nameValue);
            nameValue = next.text;
            if (next.text == nullptr) {
              // The old text is gone: the length must not keep counting it. The
              // name type and mechanism stay as they were.
              nameLength = 0;
              return status::NO_MEMORY;
            }
            nameLength = next.length;
            nameType = next.type;
            if (next.binds_mechanism) mechType = Oids().mechanism;
            return status::SUCCESS;
          };

  if (inputName != nullptr && inputName->value != nullptr &&
      inputName->length < UINT32_MAX &&
      (inputNameType == nullptr || inputNameType == Oids().default_type ||
       MatchesTableOid(inputNameType, Oids().default_type))) {
    // The common case: a text of the default type (the table's object, a
    // caller's copy of it, or none) that a block can be measured for.
    return commit(TextState(static_cast<const unsigned char*>(inputName->value),
                            static_cast<uint32_t>(inputName->length)),
                  /*text_path=*/true);
  }
  // A token is read in the library's layout, which every name holds (the
  // constructor writes the constants and nothing changes them).
  assert(IsLibraryLayout(tokenIdSize, tokenId, mechOidLengthSize,
                         nameLengthSize, nameTypeOidLengthSize));
  const Reading reading = ReadOther(inputNameType, inputName);
  if (reading.status != status::SUCCESS) return reading.status;
  return commit(reading.state, reading.text_path);
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
  // No name can hold a longer buffer.
  if (inputName->length > UINT32_MAX) return status::NO_MEMORY;
  // The import copies the bytes and keeps nothing of its argument, so it
  // can read the ASN.1 buffer's bytes in place. Its failure to get memory
  // leaves this name unchanged, as this form promises.
  gss_buffer_desc buffer = {static_cast<size_t>(inputName->length),
                            inputName->data};
  return Import(inputNameType, &buffer, /*keepOnNoMemory=*/true);
}
