#include "holders.h"

#include "orbi_name/status.h"

namespace orbi_tool {

bool MakeBuffer(std::vector<unsigned char>* bytes, gss_buffer_desc* desc) {
  static unsigned char empty[1] = {0};
  if (!FitsLength<BufferLength>(bytes->size())) return false;
  desc->length = static_cast<BufferLength>(bytes->size());
  desc->value = bytes->empty() ? empty : bytes->data();
  return true;
}

std::string StatusText(OM_uint32 status) {
  const char* name = orbi_name::StatusName(status);
  return std::string(name != nullptr ? name : "unknown status") + " (" +
         std::to_string(status) + ")";
}

}  // namespace orbi_tool
