// PLVORBIInternalNameSet: an ordered set of names without duplicates.
//
// Members are chained through their own next-member links; the set holds the
// first member and a lock. Equality is PLVORBIInternalName::operator==. The
// set owns the members it made (copies made with new and operator=) and those
// of an adopted chain: RemoveMember and RemoveAllMembers destroy what they
// take out. Destroying the set destroys no member; call RemoveAllMembers
// first to release them.
//
// Thread safety: every operation except the constructors and the destructor
// holds the set's lock throughout, and takes a member's lock only while
// holding the set's (set first, member second). A pointer from GetMember is
// used after the set's lock is released: callers that walk and remove on
// several threads order those uses themselves. AddMember reads *newMember
// without its lock: the caller keeps it from changing during the call.
//
// Statuses are those of orbi_name/status.h. Every operation writes entry and
// exit trace records under component 0x400.
#ifndef ORBI_NAME_INTERNAL_NAME_SET_H_
#define ORBI_NAME_INTERNAL_NAME_SET_H_

#include "orbi_name/export.h"
#include "orbi_name/internal_name.h"
#include "orbi_name/status.h"
#include "orbi_services/gss_types.h"
#include "orbi_services/mutex.h"

class ORBI_NAME_EXPORT PLVORBIInternalNameSet {
 public:
  // An empty set.
  PLVORBIInternalNameSet();
  // A set that adopts firstMember and every name chained behind it, unchecked
  // and uncopied (equal names included). REQUIRES: the names were made with
  // new. A null firstMember gives an empty set.
  explicit PLVORBIInternalNameSet(PLVORBIInternalName* firstMember);
  // Destroys the lock only; the members stay alive.
  ~PLVORBIInternalNameSet();
  PLVORBIInternalNameSet(const PLVORBIInternalNameSet&) = delete;
  PLVORBIInternalNameSet& operator=(const PLVORBIInternalNameSet&) = delete;

  // AddMember adds a copy of *newMember at the end unless an equal member is
  // present. Returns SUCCESS (0) with index the position (from 1) of the
  // equal or new member; NO_SUCH_MEMBER (6) for a null newMember (index
  // untouched); NO_MEMORY (1) when no memory could be had for the copy (nothing
  // added; index 0 for an empty set, else the number of members).
  OM_uint32 AddMember(PLVORBIInternalName* newMember, int& index)
      ORBI_EXCLUDES(mutex);

  // RemoveMember takes out and destroys the first member equal to
  // *memberToRemove. Returns SUCCESS (0); NO_SUCH_MEMBER (6) when
  // memberToRemove is null, the set is empty or no member is equal (set
  // unchanged).
  OM_uint32 RemoveMember(PLVORBIInternalName* memberToRemove)
      ORBI_EXCLUDES(mutex);

  // RemoveAllMembers takes out and destroys every member. Returns SUCCESS
  // (0).
  OM_uint32 RemoveAllMembers() ORBI_EXCLUDES(mutex);

  // GetCount returns the number of members.
  OM_uint32 GetCount() ORBI_EXCLUDES(mutex);

  // GetMember returns the first member for a null prevName, else prevName's
  // next member (null after the last). The set keeps ownership.
  PLVORBIInternalName* GetMember(PLVORBIInternalName* prevName)
      ORBI_EXCLUDES(mutex);

  // CopyExpandedNameSet adds every name of every member's expansion
  // (PLVORBIInternalName::CopyExpandedName) to newNameSet through AddMember,
  // in order, passing over names already present. Returns SUCCESS (0);
  // NO_MEMORY (1) when a member's expansion failed: the walk stops there and
  // what earlier members added stays; BAD_INPUT (10) when newNameSet is null
  // or this set itself (nothing happens). Takes this set's lock, then
  // newNameSet's through AddMember: never expand two sets into each other at
  // the same time.
  OM_uint32 CopyExpandedNameSet(PLVORBIInternalNameSet* newNameSet)
      ORBI_EXCLUDES(mutex);

 private:
  friend struct PLVORBIInternalNameSetPeer;  // white-box access for tests

  PLVORBIInternalName* firstMember ORBI_GUARDED_BY(mutex);
  PLVMutex mutex;
};

#endif  // ORBI_NAME_INTERNAL_NAME_SET_H_
