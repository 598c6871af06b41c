// Names, messages and GSS-API major statuses of the library's statuses: one
// table, so that the three cannot drift apart.
#include "orbi_name/status.h"

namespace orbi_name {

namespace {

// RFC 2744 major status values (routine errors in bits 16 to 23, calling
// errors in bits 24 to 31), written out so that they do not depend on a
// platform header.
constexpr OM_uint32 kGssComplete = 0;
constexpr OM_uint32 kGssCallInaccessibleRead = 1u << 24;
constexpr OM_uint32 kGssBadMech = 1u << 16;
constexpr OM_uint32 kGssBadNameType = 3u << 16;
constexpr OM_uint32 kGssFailure = 13u << 16;
constexpr OM_uint32 kGssUnavailable = 16u << 16;
constexpr OM_uint32 kGssNameNotMn = 18u << 16;

struct StatusInfo {
  OM_uint32 status;
  const char* name;
  const char* message;
  OM_uint32 major;
};

constexpr StatusInfo kStatuses[] = {
    {status::SUCCESS, "SUCCESS", "success", kGssComplete},
    {status::NO_MEMORY, "NO_MEMORY", "no memory could be had", kGssFailure},
    {status::NO_MECH, "NO_MECH", "the name is not bound to a mechanism",
     kGssNameNotMn},
    {status::LABEL_NOT_SET, "LABEL_NOT_SET",
     "the label string refused the entry", kGssFailure},
    {status::END_OF_LIST, "END_OF_LIST", "no entries are left in the name",
     kGssFailure},
    {status::NO_SUCH_MEMBER, "NO_SUCH_MEMBER",
     "the name set holds no such member", kGssFailure},
    {status::NO_ALGORITHM_CODE, "NO_ALGORITHM_CODE",
     "no algorithm code for the OID, or no OID for the code", kGssUnavailable},
    {status::BAD_INPUT, "BAD_INPUT",
     "a required argument is missing or cannot be held",
     kGssCallInaccessibleRead},
    {status::INVALID_MECH, "INVALID_MECH", "the mechanism OID cannot be read",
     kGssBadMech},
    {status::MECH_NOT_SUPPORTED, "MECH_NOT_SUPPORTED",
     "the mechanism is not this library's", kGssBadMech},
    {status::BAD_NAME_TYPE, "BAD_NAME_TYPE",
     "the name type is not accepted or is missing", kGssBadNameType},
    {status::BAD_OID, "BAD_OID", "the OID text or bytes are malformed",
     kGssFailure},
};

[[nodiscard]] const StatusInfo* Find(OM_uint32 status) {
  for (const StatusInfo& info : kStatuses) {
    if (info.status == status) return &info;
  }
  return nullptr;
}

}  // namespace

const char* StatusName(OM_uint32 status) {
  const StatusInfo* info = Find(status);
  return info != nullptr ? info->name : nullptr;
}

const char* StatusMessage(OM_uint32 status) {
  const StatusInfo* info = Find(status);
  return info != nullptr ? info->message : nullptr;
}

OM_uint32 GssMajorStatus(OM_uint32 status) {
  const StatusInfo* info = Find(status);
  return info != nullptr ? info->major : kGssFailure;
}

}  // namespace orbi_name
