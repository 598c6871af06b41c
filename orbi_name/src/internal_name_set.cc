// The name set: an ordered chain of names without duplicates, and its
// expansion into another set.
//
// Locks: every operation but the constructors and the destructor holds the
// set's lock from just after its entry record to just before its exit
// record, and calls member operations (which take the member's lock) only
// while holding it: set first, member second. CopyExpandedNameSet holds the
// source set's lock and takes the destination's through AddMember.
#include "orbi_name/internal_name_set.h"

#include <memory>
#include <new>

#include "holders.h"
#include "scoped.h"

using orbi_name::internal::DeleteChain;
using orbi_name::internal::kNameSetSource;
using orbi_name::internal::MutexLock;
using orbi_name::internal::NameChain;
namespace status = orbi_name::status;

namespace {

constexpr char kConstructorText[] =
    "PLVORBIInternalNameSet::PLVORBIInternalNameSet()";
constexpr char kAdoptingConstructorText[] =
    "PLVORBIInternalNameSet::PLVORBIInternalNameSet(PLVORBIInternalName "
    "*firstMember)";
constexpr char kDestructorText[] =
    "PLVORBIInternalNameSet::~PLVORBIInternalNameSet()";
// Two blanks after "OM_uint32" and after "int".
constexpr char kAddMemberText[] =
    "OM_uint32  PLVORBIInternalNameSet::AddMember(PLVORBIInternalName * "
    "newMember, int  &index)";
constexpr char kRemoveMemberText[] =
    "OM_uint32 PLVORBIInternalNameSet::RemoveMember(PLVORBIInternalName * "
    "memberToRemove)";
constexpr char kRemoveAllMembersText[] =
    "OM_uint32 PLVORBIInternalNameSet::RemoveAllMembers(void)";
constexpr char kGetCountText[] =
    "OM_uint32 PLVORBIInternalNameSet::GetCount(void)";
constexpr char kGetMemberText[] =
    "PLVORBIInternalName * PLVORBIInternalNameSet::GetMember("
    "PLVORBIInternalName *prevName)";
constexpr char kCopyExpandedNameSetText[] =
    "OM_uint32 PLVORBIInternalNameSet::CopyExpandedNameSet("
    "PLVORBIInternalNameSet * newNameSet)";

}  // namespace

PLVORBIInternalNameSet::PLVORBIInternalNameSet()
    : firstMember(nullptr), mutex() {
  ORBI_TRACE_SCOPE(kNameSetSource, kConstructorText);
}

PLVORBIInternalNameSet::PLVORBIInternalNameSet(PLVORBIInternalName* firstMember)
    : firstMember(firstMember), mutex() {
  ORBI_TRACE_SCOPE(kNameSetSource, kAdoptingConstructorText);
}

PLVORBIInternalNameSet::~PLVORBIInternalNameSet() {
  ORBI_TRACE_SCOPE(kNameSetSource, kDestructorText);
}

OM_uint32 PLVORBIInternalNameSet::AddMember(PLVORBIInternalName* newMember,
                                            int& index) {
  ORBI_TRACE_SCOPE(kNameSetSource, kAddMemberText);
  MutexLock lock(mutex);
  if (newMember == nullptr) return status::NO_SUCH_MEMBER;
  index = 0;
  PLVORBIInternalName* last = nullptr;
  // Each member is compared and asked for its successor under one hold of
  // its lock; the set's lock keeps the links from changing meanwhile.
  PLVORBIInternalName* member = firstMember;
  while (member != nullptr) {
    ++index;
    PLVORBIInternalName* next = nullptr;
    if (member->MatchThenNext(*newMember, &next) != 0) return status::SUCCESS;
    last = member;
    member = next;
  }
  std::unique_ptr<PLVORBIInternalName> copy(new (std::nothrow)
                                                PLVORBIInternalName());
  if (copy == nullptr) return status::NO_MEMORY;
  if (copy->CopyFrom(*newMember) != status::SUCCESS) return status::NO_MEMORY;
  if (last == nullptr) {
    firstMember = copy.release();
  } else {
    (void)last->SetNextMember(copy.release());
  }
  ++index;
  return status::SUCCESS;
}

OM_uint32 PLVORBIInternalNameSet::RemoveMember(
    PLVORBIInternalName* memberToRemove) {
  ORBI_TRACE_SCOPE(kNameSetSource, kRemoveMemberText);
  MutexLock lock(mutex);
  if (memberToRemove == nullptr || firstMember == nullptr) {
    return status::NO_SUCH_MEMBER;
  }
  PLVORBIInternalName* previous = nullptr;
  for (PLVORBIInternalName* member = firstMember; member != nullptr;
       member = member->GetNextMember()) {
    if (*member == *memberToRemove) {
      // memberToRemove may be this very member: it is not looked at again.
      PLVORBIInternalName* next = member->GetNextMember();
      if (previous == nullptr) {
        firstMember = next;
      } else {
        (void)previous->SetNextMember(next);
      }
      (void)member->SetNextMember(nullptr);
      delete member;
      return status::SUCCESS;
    }
    previous = member;
  }
  return status::NO_SUCH_MEMBER;
}

OM_uint32 PLVORBIInternalNameSet::RemoveAllMembers() {
  ORBI_TRACE_SCOPE(kNameSetSource, kRemoveAllMembersText);
  MutexLock lock(mutex);
  DeleteChain(firstMember);
  firstMember = nullptr;
  return status::SUCCESS;
}

OM_uint32 PLVORBIInternalNameSet::GetCount() {
  ORBI_TRACE_SCOPE(kNameSetSource, kGetCountText);
  MutexLock lock(mutex);
  OM_uint32 count = 0;
  for (PLVORBIInternalName* member = firstMember; member != nullptr;
       member = member->GetNextMember()) {
    ++count;
  }
  return count;
}

PLVORBIInternalName* PLVORBIInternalNameSet::GetMember(
    PLVORBIInternalName* prevName) {
  ORBI_TRACE_SCOPE(kNameSetSource, kGetMemberText);
  MutexLock lock(mutex);
  return prevName != nullptr ? prevName->GetNextMember() : firstMember;
}

OM_uint32 PLVORBIInternalNameSet::CopyExpandedNameSet(
    PLVORBIInternalNameSet* newNameSet) {
  ORBI_TRACE_SCOPE(kNameSetSource, kCopyExpandedNameSetText);
  MutexLock lock(mutex);
  // AddMember on this set would wait for the lock held here for ever.
  if (newNameSet == nullptr || newNameSet == this) return status::BAD_INPUT;
  for (PLVORBIInternalName* member = firstMember; member != nullptr;
       member = member->GetNextMember()) {
    NameChain expansion(member->CopyExpandedName());
    if (expansion.first() == nullptr) return status::NO_MEMORY;
    // A name that cannot be added (no memory for its copy) is left out and
    // the expansion goes on; the status is not changed by it.
    for (PLVORBIInternalName* name = expansion.first(); name != nullptr;
         name = name->GetNextMember()) {
      int index = 0;
      (void)newNameSet->AddMember(name, index);
    }
  }
  return status::SUCCESS;
}
