// Names, messages and GSS-API major statuses of the library's statuses: one
// table made from the rows of orbi_name/status.def, so that the three cannot
// drift apart from each other or from the constants.
#include "orbi_name/status.h"

namespace orbi_name {

namespace {

// RFC 2744 major status values (routine errors in bits 16 to 23, calling
// errors in bits 24 to 31), written out so that they do not depend on a
// platform header. Named as status.def's rows name them: GSS_S_ left off.
namespace gss_s {
constexpr OM_uint32 COMPLETE = 0;
constexpr OM_uint32 CALL_INACCESSIBLE_READ = 1u << 24;
constexpr OM_uint32 BAD_MECH = 1u << 16;
constexpr OM_uint32 BAD_NAMETYPE = 3u << 16;
constexpr OM_uint32 FAILURE = 13u << 16;
constexpr OM_uint32 UNAVAILABLE = 16u << 16;
constexpr OM_uint32 NAME_NOT_MN = 18u << 16;
}  // namespace gss_s

struct StatusInfo {
  OM_uint32 status;
  const char* name;
  const char* message;
  OM_uint32 major;
};

constexpr StatusInfo kStatuses[] = {
#define ORBI_NAME_STATUS(NAME, value, major_status, message) \
  {status::NAME, #NAME, message, gss_s::major_status},
#include "orbi_name/status.def"
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
  return info != nullptr ? info->major : gss_s::FAILURE;
}

}  // namespace orbi_name
