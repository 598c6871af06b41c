// A reference decoder of OID content octets (the bytes of an OBJECT
// IDENTIFIER after its tag and length), for the tests and fuzz targets that
// check the project's DER code. Written from the encoding rules alone and
// plainly, one byte at a time, so that the code under test is measured
// against something that is not itself.
#ifndef ORBI_NAME_TESTS_REFERENCE_OID_H_
#define ORBI_NAME_TESTS_REFERENCE_OID_H_

#include <stddef.h>
#include <stdint.h>

#include <vector>

namespace orbi_reference {

// DecodeOid returns true, with the arcs in *arcs, when the length bytes are
// valid content octets under the library's limits: at least one byte; every
// subidentifier in its shortest form (it does not start with 0x80) and
// ended (the last byte has its top bit clear); every arc at most
// 4294967295, so the first subidentifier, 40 * first + second with first
// at most 2, at most 4294967295 + 80. Returns false otherwise.
inline bool DecodeOid(const unsigned char* bytes, size_t length,
                      std::vector<uint64_t>* arcs) {
  constexpr uint64_t kMaxArc = 0xFFFFFFFFu;
  arcs->clear();
  if (bytes == nullptr || length == 0) return false;
  std::vector<uint64_t> subidentifiers;
  uint64_t value = 0;
  bool open = false;  // inside a subidentifier
  for (size_t i = 0; i < length; ++i) {
    const unsigned int byte = bytes[i];
    if (!open && byte == 0x80) return false;  // a leading zero group
    value = value * 128 + (byte & 0x7F);
    if (value > kMaxArc + 80) return false;  // too large for any arc
    open = true;
    if ((byte & 0x80) == 0) {
      subidentifiers.push_back(value);
      value = 0;
      open = false;
    }
  }
  if (open) return false;  // the last subidentifier does not end
  const uint64_t first = subidentifiers[0];
  if (first < 40) {
    arcs->push_back(0);
    arcs->push_back(first);
  } else if (first < 80) {
    arcs->push_back(1);
    arcs->push_back(first - 40);
  } else {
    arcs->push_back(2);
    arcs->push_back(first - 80);
  }
  for (size_t i = 1; i < subidentifiers.size(); ++i) {
    if (subidentifiers[i] > kMaxArc) return false;
    arcs->push_back(subidentifiers[i]);
  }
  if ((*arcs)[1] > kMaxArc) return false;
  return true;
}

}  // namespace orbi_reference

#endif  // ORBI_NAME_TESTS_REFERENCE_OID_H_
