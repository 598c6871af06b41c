// The name record: construction, destruction, Clean, the name type and
// mechanism accessors, the chain link, the text replacement, equality and
// copy.
#include "orbi_name/internal_name.h"

#include <stdlib.h>
#include <string.h>

#include "orbi_services/oid_table.h"
#include "scoped.h"
#include "short_bytes.h"
#include "table_oids.h"
#include "text_block.h"

using orbi_name::internal::AllocateText;
using orbi_name::internal::CopyBytes;
using orbi_name::internal::kAssignText;
using orbi_name::internal::kNameSource;
using orbi_name::internal::MutexLock;
using orbi_name::internal::Oids;
using orbi_name::internal::ReadTrailer;
using orbi_name::internal::SealText;
namespace status = orbi_name::status;

namespace {

constexpr char kConstructorText[] =
    "PLVORBIInternalName::PLVORBIInternalName()";
constexpr char kDestructorText[] =
    "PLVORBIInternalName::~PLVORBIInternalName()";
constexpr char kCleanText[] = "PLVORBIInternalName::Clean()";
constexpr char kGetNameTypeText[] = "PLVORBIInternalName::GetNameType()";
constexpr char kSetMechTypeText[] = "PLVORBIInternalName::SetMechType(gss_OID)";
constexpr char kChangeExternalNameText[] =
    "PLVORBIInternalName::ChangeExternalName(char *)";
constexpr char kGetNextMemberText[] = "PLVORBIInternalName::GetNextMember()";
constexpr char kSetNextMemberText[] =
    "PLVORBIInternalName::SetNextMember(PLVORBIInternalName *)";
constexpr char kEqualsText[] = "PLVORBIInternalName::operator==";

}  // namespace

PLVORBIInternalName::PLVORBIInternalName()
    : tokenIdSize(2),
      nameTypeOidLengthSize(2),
      mechOidLengthSize(2),
      nameLengthSize(4),
      separator('\n'),
      tokenId(0x0401),
      nameType(nullptr),
      mechType(nullptr),
      nameLength(0),
      nameValue(nullptr),
      nextMember(nullptr),
      mutex() {
  ORBI_TRACE_SCOPE(kNameSource, kConstructorText);
}

PLVORBIInternalName::~PLVORBIInternalName() {
  ORBI_TRACE_SCOPE(kNameSource, kDestructorText);
  // What Clean does, with Clean's records, but without the lock: no other
  // thread may use the name while it is destroyed.
  ORBI_TRACE_SCOPE_NAMED(clean_scope, kNameSource, kCleanText);
  free(nameValue);
}

OM_uint32 PLVORBIInternalName::Clean() {
  ORBI_TRACE_SCOPE(kNameSource, kCleanText);
  MutexLock lock(mutex);
  nameType = nullptr;
  mechType = nullptr;
  nameLength = 0;
  free(nameValue);
  nameValue = nullptr;
  return status::SUCCESS;
}

gss_OID PLVORBIInternalName::GetNameType() {
  ORBI_TRACE_SCOPE(kNameSource, kGetNameTypeText);
  MutexLock lock(mutex);
  return nameType != nullptr ? nameType : Oids().default_type;
}

OM_uint32 PLVORBIInternalName::SetMechType(gss_OID mech) {
  ORBI_TRACE_SCOPE(kNameSource, kSetMechTypeText);
  if (mech == nullptr) return status::BAD_INPUT;
  // Names compare mechanisms by identity, so only the table's own object may
  // be stored; an equal OID elsewhere goes through CanonicalizeName.
  if (mech != Oids().mechanism) return status::MECH_NOT_SUPPORTED;
  MutexLock lock(mutex);
  mechType = mech;
  return status::SUCCESS;
}

OM_uint32 PLVORBIInternalName::ChangeExternalName(char* newName) {
  ORBI_TRACE_LEVEL1(kNameSource, kChangeExternalNameText);
  if (newName == nullptr) return status::BAD_INPUT;
  const size_t length = strlen(newName);
  MutexLock lock(mutex);
  free(nameValue);
  nameValue = nullptr;
  // nameLength is 32-bit and counts the NUL: a longer text cannot be held.
  if (length >= UINT32_MAX) {
    nameLength = 0;
    return status::NO_MEMORY;
  }
  // The counted bytes are the text and its NUL.
  const auto counted = static_cast<uint32_t>(length + 1);
  char* block = AllocateText(counted);
  if (block == nullptr) {
    // The old text is gone: the length must not keep counting it.
    nameLength = 0;
    return status::NO_MEMORY;
  }
  memcpy(block, newName, counted);
  SealText(block, counted, static_cast<uint32_t>(length));
  nameValue = block;
  nameLength = counted;
  return status::SUCCESS;
}

PLVORBIInternalName* PLVORBIInternalName::GetNextMember() {
  ORBI_TRACE_SCOPE(kNameSource, kGetNextMemberText);
  MutexLock lock(mutex);
  return nextMember;
}

OM_uint32 PLVORBIInternalName::SetNextMember(PLVORBIInternalName* next) {
  ORBI_TRACE_SCOPE(kNameSource, kSetNextMemberText);
  MutexLock lock(mutex);
  nextMember = next;
  return status::SUCCESS;
}

PLVORBIInternalName::RightHandFields PLVORBIInternalName::ReadUnlocked() const {
  return RightHandFields{nameType, mechType, nameLength, nameValue};
}

bool PLVORBIInternalName::EqualsLocked(const PLVORBIInternalName& other) {
  const RightHandFields theirs = other.ReadUnlocked();
  if (nameLength != theirs.nameLength) return false;
  // A name without text compares as the empty text.
  const char* mine = nameValue != nullptr ? nameValue : "";
  const char* their_text = theirs.nameValue != nullptr ? theirs.nameValue : "";
  if (strncmp(mine, their_text, nameLength) != 0) return false;
  return nameType == theirs.nameType && mechType == theirs.mechType;
}

int PLVORBIInternalName::operator==(const PLVORBIInternalName& other) {
  ORBI_TRACE_LEVEL1(kNameSource, kEqualsText);
  MutexLock lock(mutex);
  return EqualsLocked(other) ? 1 : 0;
}

int PLVORBIInternalName::MatchThenNext(const PLVORBIInternalName& other,
                                       PLVORBIInternalName** next) {
  ORBI_TRACE_LEVEL1(kNameSource, kEqualsText);
  MutexLock lock(mutex);
  if (EqualsLocked(other)) return 1;
  ORBI_TRACE_SCOPE(kNameSource, kGetNextMemberText);
  *next = nextMember;
  return 0;
}

PLVORBIInternalName& PLVORBIInternalName::operator=(
    const PLVORBIInternalName& other) {
  if (this == &other) {
    // Self-assignment changes nothing; the record is written all the same.
    ORBI_TRACE_LEVEL1(kNameSource, kAssignText);
    return *this;
  }
  (void)CopyFrom(other);
  return *this;
}

OM_uint32 PLVORBIInternalName::CopyFrom(const PLVORBIInternalName& other) {
  ORBI_TRACE_LEVEL1(kNameSource, kAssignText);
  if (this == &other) return status::SUCCESS;
  MutexLock lock(mutex);
  const RightHandFields theirs = other.ReadUnlocked();
  // Build the copy first so that a failed allocation leaves this name as it
  // was.
  char* copy = nullptr;
  if (theirs.nameValue != nullptr) {
    copy = AllocateText(theirs.nameLength);
    if (copy == nullptr) return status::NO_MEMORY;
    CopyBytes(copy, theirs.nameValue, theirs.nameLength);
    // The copy is a new text: it gets a stamp of its own, so cursors into
    // other's text (or into this name's old one) do not fit it. Its first
    // NUL is where other's trailer says, so the text is not scanned again.
    SealText(copy, theirs.nameLength,
             ReadTrailer(theirs.nameValue, theirs.nameLength).text_end);
  }
  free(nameValue);
  nameValue = copy;
  nameLength = copy != nullptr ? theirs.nameLength : 0;
  nameType = theirs.nameType;
  mechType = theirs.mechType;
  return status::SUCCESS;
}
