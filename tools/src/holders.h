// Holders for what the library hands out, the length fields of its C
// structures, and the text of a status.
#ifndef ORBI_TOOL_HOLDERS_H_
#define ORBI_TOOL_HOLDERS_H_

#include <stddef.h>
#include <stdlib.h>

#include <limits>
#include <string>
#include <vector>

#include "orbi_services/gss_types.h"

namespace orbi_tool {

struct FreeDeleter {
  void operator()(void* block) const { free(block); }
};

// A gss_buffer_desc that the library fills; releases the block it received.
class OwnedBuffer {
 public:
  OwnedBuffer() = default;
  ~OwnedBuffer() { free(desc_.value); }
  OwnedBuffer(const OwnedBuffer&) = delete;
  OwnedBuffer& operator=(const OwnedBuffer&) = delete;

  gss_buffer_t get() { return &desc_; }
  const unsigned char* bytes() const {
    return static_cast<const unsigned char*>(desc_.value);
  }
  size_t length() const { return desc_.length; }

 private:
  gss_buffer_desc desc_ = {0, nullptr};
};

// A gss_OID_desc handed out by PLVORBIInternalOID::get.
class OwnedOid {
 public:
  OwnedOid() = default;
  ~OwnedOid() {
    if (oid_ != nullptr) {
      free(oid_->elements);
      free(oid_);
    }
  }
  OwnedOid(const OwnedOid&) = delete;
  OwnedOid& operator=(const OwnedOid&) = delete;

  gss_OID& ref() { return oid_; }
  gss_OID get() const { return oid_; }

 private:
  gss_OID oid_ = nullptr;
};

using BufferLength = decltype(gss_buffer_desc::length);
using OidLength = decltype(gss_OID_desc::length);

// FitsLength tells whether count can be stored in a length field of type
// Length; written so that it compiles without a constant comparison whatever
// the width of the field.
template <typename Length>
[[nodiscard]] bool FitsLength(size_t count) {
  if constexpr (sizeof(Length) < sizeof(size_t)) {
    return count <= static_cast<size_t>(std::numeric_limits<Length>::max());
  } else {
    return true;
  }
}

// MakeBuffer points desc at bytes. Set refuses a null value even for an empty
// name, so an empty input points at a zero byte of its own. False when the
// count does not fit the length field.
[[nodiscard]] bool MakeBuffer(std::vector<unsigned char>* bytes,
                              gss_buffer_desc* desc);

// StatusText gives a status as "NAME (number)".
std::string StatusText(OM_uint32 status);

}  // namespace orbi_tool

#endif  // ORBI_TOOL_HOLDERS_H_
