#include "der/oid.h"

namespace orbi {
namespace der {

bool ValidateOidContentFully(const unsigned char* bytes, size_t length,
                             uint64_t* arc_count) {
  if (bytes == nullptr || length == 0) return false;
  if ((bytes[length - 1] & 0x80) != 0) return false;  // truncated
  uint64_t value = 0;
  uint64_t limit = kMaxFirstSubidentifier;
  uint64_t arcs = 1;  // the first subidentifier holds two arcs
  bool at_start = true;
  for (size_t i = 0; i < length; ++i) {
    const unsigned char byte = bytes[i];
    if (at_start && byte == 0x80) return false;  // not minimal
    value = (value << 7) | (byte & 0x7F);
    if (value > limit) return false;
    at_start = (byte & 0x80) == 0;
    if (!at_start) continue;
    if (++arcs > kMaxArcCount) return false;
    value = 0;
    limit = kMaxArc;
  }
  if (arc_count != nullptr) *arc_count = arcs;
  return true;
}

}  // namespace der
}  // namespace orbi
