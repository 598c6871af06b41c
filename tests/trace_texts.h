// The trace records the suites expect the library to write: the component,
// the levels, the source paths that entry and level-1 records carry, and the
// text of every traced operation.
//
// These are the expected values, typed out here on their own: the tests must
// not read them from the library's constants, or a changed text in the
// library would change the expectation with it. The texts are fixed, odd
// spacing and argument spellings included.
#ifndef ORBI_NAME_TESTS_TRACE_TEXTS_H_
#define ORBI_NAME_TESTS_TRACE_TEXTS_H_

#include <stdint.h>

// The library's trace component.
inline constexpr uint32_t kTraceComponent = 0x400;

// Levels: the entry and exit records every traced operation writes, and the
// level-1 records some write on the way.
inline constexpr unsigned long kEntryLevel = 0x80000000ul;
inline constexpr unsigned long kExitLevel = 0x40000000ul;
inline constexpr unsigned long kLevel1 = 1;

// The file of the names' and the name sets' records (exit records carry none).
inline constexpr char kNameSource[] = "orbi_name/src/internal_name";
inline constexpr char kNameSetSource[] = "orbi_name/src/internal_name_set";

// --- Name: the record -------------------------------------------------------

inline constexpr char kNameConstructorText[] =
    "PLVORBIInternalName::PLVORBIInternalName()";
inline constexpr char kNameDestructorText[] =
    "PLVORBIInternalName::~PLVORBIInternalName()";
inline constexpr char kCleanText[] = "PLVORBIInternalName::Clean()";
inline constexpr char kGetNameTypeText[] = "PLVORBIInternalName::GetNameType()";
inline constexpr char kSetMechTypeText[] =
    "PLVORBIInternalName::SetMechType(gss_OID)";
inline constexpr char kGetNextMemberText[] =
    "PLVORBIInternalName::GetNextMember()";
inline constexpr char kSetNextMemberText[] =
    "PLVORBIInternalName::SetNextMember(PLVORBIInternalName *)";
// Level-1 records.
inline constexpr char kChangeExternalNameText[] =
    "PLVORBIInternalName::ChangeExternalName(char *)";
inline constexpr char kEqualText[] = "PLVORBIInternalName::operator==";
inline constexpr char kAssignText[] = "PLVORBIInternalName::Operator=";

// --- Name: import, display, canonicalization, export -------------------------

inline constexpr char kSetText[] =
    "PLVORBIInternalName::Set(gss_oid, gss_buffer_t)";
inline constexpr char kSetAsnText[] =
    "PLVORBIInternalName::Set(gss_OID, PLVASNBuffer)";
// Level 1, inside kSetText, for a text (not a token) import.
inline constexpr char kSetTextPathText[] =
    "PLVORBIInternalName::Set() handling non-exported name";
inline constexpr char kDisplayText[] =
    "PLVORBIInternalName::Display(gss_buffer_t, gss_OID*)";
inline constexpr char kCanonicalizeText[] =
    "PLVORBIInternalName::CanonicalizeName()";
// Level 1, for each refusal.
inline constexpr char kCanonicalizeBadInputText[] =
    "PLVORBIInternalName::CanonicalizeName() returns BAD_INPUT";
inline constexpr char kCanonicalizeInvalidMechText[] =
    "PLVORBIInternalName::CanonicalizeName() returns INVALID_MECH";
inline constexpr char kCanonicalizeMechNotSupportedText[] =
    "PLVORBIInternalName::CanonicalizeName() returns MECH_NOT_SUPPORTED";
inline constexpr char kExportText[] = "PLVORBIInternalName::Export()";

// --- Name: database path, entries, expansion --------------------------------

inline constexpr char kGetDatabasePathText[] =
    "PLVORBIInternalName::GetDatabasePath()";
inline constexpr char kReadBufferText[] =
    "PLVORBIInternalName::Read(gss_buffer_t, ulong&)";
inline constexpr char kReadAsnBufferText[] =
    "PLVORBIInternalName::Read(PLVASNBuffer *, ulong&)";
inline constexpr char kReadLabelText[] =
    "PLVORBIInternalName::Read(PLVASNLabelString*, ulong&, int)";
inline constexpr char kCopyExpandedNameText[] =
    "PLVORBIInternalName::CopyExpandedName()";
// Level 1: each starts with kCopyExpandedNameText.
inline constexpr char kCopyExpandedNameEndOfListText[] =
    "PLVORBIInternalName::CopyExpandedName() hit end of list.";
inline constexpr char kCopyExpandedNameNoMemoryText[] =
    "PLVORBIInternalName::CopyExpandedName() ran out of memory.";

// --- Name set ---------------------------------------------------------------

inline constexpr char kNameSetConstructorText[] =
    "PLVORBIInternalNameSet::PLVORBIInternalNameSet()";
inline constexpr char kNameSetAdoptingConstructorText[] =
    "PLVORBIInternalNameSet::PLVORBIInternalNameSet("
    "PLVORBIInternalName *firstMember)";
inline constexpr char kNameSetDestructorText[] =
    "PLVORBIInternalNameSet::~PLVORBIInternalNameSet()";
inline constexpr char kAddMemberText[] =
    "OM_uint32  PLVORBIInternalNameSet::AddMember(PLVORBIInternalName * "
    "newMember, int  &index)";
inline constexpr char kGetCountText[] =
    "OM_uint32 PLVORBIInternalNameSet::GetCount(void)";
inline constexpr char kGetMemberText[] =
    "PLVORBIInternalName * PLVORBIInternalNameSet::GetMember("
    "PLVORBIInternalName *prevName)";
inline constexpr char kRemoveMemberText[] =
    "OM_uint32 PLVORBIInternalNameSet::RemoveMember(PLVORBIInternalName * "
    "memberToRemove)";
inline constexpr char kCopyExpandedNameSetText[] =
    "OM_uint32 PLVORBIInternalNameSet::CopyExpandedNameSet("
    "PLVORBIInternalNameSet * newNameSet)";
inline constexpr char kRemoveAllMembersText[] =
    "OM_uint32 PLVORBIInternalNameSet::RemoveAllMembers(void)";

#endif  // ORBI_NAME_TESTS_TRACE_TEXTS_H_
