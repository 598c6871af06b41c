# Checks the dynamic symbols that liborbi_name.so defines: every one belongs
# to one of the three public classes, is one of the status, token or rule
# functions of the public headers or is exported data, and every public
# operation is there. The project's own helpers (orbi_name/internal/) are
# not exported.
#
# cmake -DNM=nm -DLIBRARY=liborbi_name.so -P check_symbols.cmake

include(${CMAKE_CURRENT_LIST_DIR}/dynamic_symbols.cmake)
orbi_dynamic_symbols(${LIBRARY} found DEMANGLE)

# Names as nm -C prints them; the typedefs appear as their structs.
set(expected
  "plvorbiname_SCCSInfo"
  "plvorbiname_LegalNotice"
  "orbi_name::StatusName(unsigned int)"
  "orbi_name::StatusMessage(unsigned int)"
  "orbi_name::GssMajorStatus(unsigned int)"
  "orbi_name::ParseExportedNameToken(void const*, unsigned long, orbi_name::TokenView*, orbi_name::TokenRefusal*)"
  "orbi_name::TokenFieldName(orbi_name::TokenField)"
  "orbi_name::CheckMechanism(gss_OID_desc_struct*)"
  "orbi_name::KeepsText(void const*, unsigned long)"
  "PLVORBIInternalName::PLVORBIInternalName()"
  "PLVORBIInternalName::~PLVORBIInternalName()"
  "PLVORBIInternalName::Clean()"
  "PLVORBIInternalName::GetNameType()"
  "PLVORBIInternalName::SetMechType(gss_OID_desc_struct*)"
  "PLVORBIInternalName::ChangeExternalName(char*)"
  "PLVORBIInternalName::GetNextMember()"
  "PLVORBIInternalName::SetNextMember(PLVORBIInternalName*)"
  "PLVORBIInternalName::operator==(PLVORBIInternalName const&)"
  "PLVORBIInternalName::operator=(PLVORBIInternalName const&)"
  "PLVORBIInternalName::CopyFrom(PLVORBIInternalName const&)"
  "PLVORBIInternalName::Set(gss_OID_desc_struct*, gss_buffer_desc_struct*)"
  "PLVORBIInternalName::Set(gss_OID_desc_struct*, PLVASNBuffer*)"
  "PLVORBIInternalName::CanonicalizeName(gss_OID_desc_struct*)"
  "PLVORBIInternalName::Export(gss_buffer_desc_struct*)"
  "PLVORBIInternalName::Display(gss_buffer_desc_struct*, gss_OID_desc_struct**)"
  "PLVORBIInternalName::GetDatabasePath(gss_buffer_desc_struct*)"
  "PLVORBIInternalName::Read(gss_buffer_desc_struct*, unsigned long&)"
  "PLVORBIInternalName::Read(PLVASNBuffer*, unsigned long&)"
  "PLVORBIInternalName::Read(PLVASNLabelString*, unsigned long&)"
  "PLVORBIInternalName::CopyExpandedName()"
  "PLVORBIInternalNameSet::PLVORBIInternalNameSet()"
  "PLVORBIInternalNameSet::PLVORBIInternalNameSet(PLVORBIInternalName*)"
  "PLVORBIInternalNameSet::~PLVORBIInternalNameSet()"
  "PLVORBIInternalNameSet::AddMember(PLVORBIInternalName*, int&)"
  "PLVORBIInternalNameSet::RemoveMember(PLVORBIInternalName*)"
  "PLVORBIInternalNameSet::RemoveAllMembers()"
  "PLVORBIInternalNameSet::GetCount()"
  "PLVORBIInternalNameSet::GetMember(PLVORBIInternalName*)"
  "PLVORBIInternalNameSet::CopyExpandedNameSet(PLVORBIInternalNameSet*)"
  "PLVORBIInternalOID::PLVORBIInternalOID()"
  "PLVORBIInternalOID::~PLVORBIInternalOID()"
  "PLVORBIInternalOID::Clean()"
  "PLVORBIInternalOID::set(char const*)"
  "PLVORBIInternalOID::get(char*&) const"
  "PLVORBIInternalOID::set(PLVASNObjectID const*)"
  "PLVORBIInternalOID::get(PLVASNObjectID*&) const"
  "PLVORBIInternalOID::writeTo(PLVASNObjectID&) const"
  "PLVORBIInternalOID::set(gss_OID_desc_struct*)"
  "PLVORBIInternalOID::get(gss_OID_desc_struct*&) const"
  "PLVORBIInternalOID::isEqual(PLVORBIInternalOID const*) const"
  "PLVORBIInternalOID::isEqual(char const*) const"
  "PLVORBIInternalOID::isEqual(PLVASNObjectID const*) const"
  "PLVORBIInternalOID::isEqual(gss_OID_desc_struct*) const"
  "PLVORBIInternalOID::OIDChecker(gss_OID_desc_struct*, gss_OID_desc_struct*)"
  "PLVORBIInternalOID::GetMatchingOIDFromTable(gss_OID_desc_struct*) const"
  "PLVORBIInternalOID::ConvertFromOIDToTS(gss_OID_desc_struct*, unsigned int*)"
  "PLVORBIInternalOID::ConvertFromTSToOID(unsigned int, gss_OID_desc_struct**, unsigned int*)")

set(failures "")
foreach(symbol IN LISTS found)
  if(symbol MATCHES "^PLVORBIInternal(Name|NameSet|OID)::" OR
     symbol STREQUAL "plvorbiname_SCCSInfo" OR
     symbol STREQUAL "plvorbiname_LegalNotice")
    continue()
  endif()
  # The functions of orbi_name/status.h, exported_name_token.h and rules.h,
  # each in the public list.
  if(symbol MATCHES "^orbi_name::")
    list(FIND expected "${symbol}" index)
    if(NOT index EQUAL -1)
      continue()
    endif()
  endif()
  string(APPEND failures "  exported but not public: ${symbol}\n")
endforeach()

foreach(symbol IN LISTS expected)
  list(FIND found "${symbol}" index)
  if(index EQUAL -1)
    string(APPEND failures "  missing: ${symbol}\n")
  endif()
endforeach()

# Every exported member belongs to the public list: a member that is
# exported but not declared in a public header would show up here.
foreach(symbol IN LISTS found)
  if(symbol MATCHES "^PLVORBIInternal(Name|NameSet|OID)::")
    list(FIND expected "${symbol}" index)
    if(index EQUAL -1)
      string(APPEND failures "  exported member not in the public list: ${symbol}\n")
    endif()
  endif()
endforeach()

if(failures)
  message(FATAL_ERROR "${LIBRARY}:\n${failures}")
endif()
list(LENGTH found count)
message(STATUS "${count} exported symbols, all public")
