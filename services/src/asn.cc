#include "orbi_services/asn.h"

#include <limits.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

namespace {

constexpr uint64_t kMaxArc = 0xFFFFFFFFu;
// The first subidentifier carries 40 * first + second with first at most 2,
// so it may exceed kMaxArc by up to 80 while the second arc still fits.
constexpr uint64_t kMaxFirstSubidentifier = kMaxArc + 80;

[[nodiscard]] bool Encodable(const unsigned long* arcs, unsigned int count) {
  if (count < 2 || arcs == nullptr) return false;
  if (arcs[0] > 2) return false;
  if (arcs[0] < 2 && arcs[1] >= 40) return false;
  for (unsigned int i = 0; i < count; ++i) {
    if (static_cast<uint64_t>(arcs[i]) > kMaxArc) return false;
  }
  return true;
}

// Writes value base 128 into out (at least 10 bytes); returns the byte count.
[[nodiscard]] unsigned int EncodeBase128(uint64_t value, unsigned char* out) {
  unsigned char scratch[10];
  unsigned int n = 0;
  do {
    scratch[n++] = static_cast<unsigned char>(value & 0x7F);
    value >>= 7;
  } while (value != 0);
  for (unsigned int i = 0; i < n; ++i) {
    out[i] =
        static_cast<unsigned char>(scratch[n - 1 - i] | (i + 1 < n ? 0x80 : 0));
  }
  return n;
}

}  // namespace

// --- PLVASNBuffer ---------------------------------------------------------

PLVASNBuffer::PLVASNBuffer(PLVASNSecurityType) {}

PLVASNBuffer::~PLVASNBuffer() { free(data); }

void PLVASNBuffer::clear() {
  free(data);
  data = nullptr;
  length = 0;
  capacity_ = 0;
}

int PLVASNBuffer::append(unsigned char* bytes, unsigned long count) {
  if (count > 0 && bytes == nullptr) return 2;
  if (count > static_cast<unsigned long>(-1) - length) return 1;
  const unsigned long needed = length + count;
  if (data == nullptr || needed > capacity_) {
    unsigned long capacity = capacity_ < 16 ? 16 : capacity_;
    while (capacity < needed) {
      capacity =
          capacity > static_cast<unsigned long>(-1) / 2 ? needed : capacity * 2;
    }
    void* grown = realloc(data, capacity);
    if (grown == nullptr) return 1;
    data = static_cast<unsigned char*>(grown);
    capacity_ = capacity;
  }
  if (count > 0) memcpy(data + length, bytes, count);
  length = needed;
  return 0;
}

// --- PLVASNObjectID -------------------------------------------------------

PLVASNObjectID::PLVASNObjectID(PLVASNSecurityType) {}

PLVASNObjectID::~PLVASNObjectID() { free(arcs_); }

int PLVASNObjectID::set_value(unsigned long* arcs, unsigned int count) {
  free(arcs_);
  arcs_ = nullptr;
  count_ = 0;
  if (count == 0 || arcs == nullptr) return 2;
  auto* copy =
      static_cast<unsigned long*>(malloc(sizeof(unsigned long) * count));
  if (copy == nullptr) return 1;
  memcpy(copy, arcs, sizeof(unsigned long) * count);
  arcs_ = copy;
  count_ = count;
  return Encodable(arcs_, count_) ? 0 : 2;
}

int PLVASNObjectID::set_value(unsigned char* bytes, unsigned int length) {
  if (bytes == nullptr || length == 0) return 1;
  // Validate and count the subidentifiers before allocating anything.
  if ((bytes[length - 1] & 0x80) != 0) return 1;  // truncated subidentifier
  unsigned int subidentifiers = 0;
  bool at_start = true;
  for (unsigned int i = 0; i < length; ++i) {
    if (at_start && bytes[i] == 0x80) return 1;  // not minimal
    at_start = (bytes[i] & 0x80) == 0;
    // The arc count (one more than the subidentifiers) must fit count_.
    if (at_start && ++subidentifiers == UINT_MAX) return 1;
  }
  const unsigned int count = subidentifiers + 1;
  auto* decoded =
      static_cast<unsigned long*>(malloc(sizeof(unsigned long) * count));
  if (decoded == nullptr) return 1;
  unsigned int arc = 0;
  uint64_t value = 0;
  for (unsigned int i = 0; i < length; ++i) {
    value = (value << 7) | (bytes[i] & 0x7F);
    const uint64_t limit = arc == 0 ? kMaxFirstSubidentifier : kMaxArc;
    if (value > limit) {
      free(decoded);
      return 1;
    }
    if ((bytes[i] & 0x80) != 0) continue;
    if (arc == 0) {
      const uint64_t first = value < 40 ? 0 : value < 80 ? 1 : 2;
      const uint64_t second = value - 40 * first;
      if (second > kMaxArc) {
        free(decoded);
        return 1;
      }
      decoded[0] = static_cast<unsigned long>(first);
      decoded[1] = static_cast<unsigned long>(second);
      arc = 2;
    } else {
      decoded[arc++] = static_cast<unsigned long>(value);
    }
    value = 0;
  }
  free(arcs_);
  arcs_ = decoded;
  count_ = count;
  return 0;
}

int PLVASNObjectID::get_value(unsigned long*& arcs, unsigned int& count) const {
  arcs = arcs_;
  count = count_;
  return 0;
}

int PLVASNObjectID::get_value(PLVASNBuffer& buffer) const {
  if (!Encodable(arcs_, count_)) return 2;
  // At most 5 bytes per 32-bit arc, one more for the combined first pair.
  const unsigned long capacity = 5ul * count_ + 1;
  auto* out = static_cast<unsigned char*>(malloc(capacity));
  if (out == nullptr) return 1;
  unsigned long n = EncodeBase128(
      40 * static_cast<uint64_t>(arcs_[0]) + static_cast<uint64_t>(arcs_[1]),
      out);
  for (unsigned int i = 2; i < count_; ++i) {
    n += EncodeBase128(arcs_[i], out + n);
  }
  const int result = buffer.append(out, n);
  free(out);
  return result;
}

// --- PLVASNCharString, PLVASNChoice, PLVASNLabelString --------------------

PLVASNCharString::PLVASNCharString(PLVASNSecurityType) {}

PLVASNCharString::~PLVASNCharString() { free(value_); }

int PLVASNCharString::set_value_visible(char* text) {
  if (text == nullptr) return 2;
  const size_t length = strlen(text);
  for (size_t i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c > 0x7E) return 3;
  }
  auto* copy = static_cast<char*>(malloc(length + 1));
  if (copy == nullptr) return 1;
  memcpy(copy, text, length + 1);
  free(value_);
  value_ = copy;
  return 0;
}

PLVASNChoice::PLVASNChoice(PLVASNSecurityType, unsigned int alternatives)
    : alternatives_(alternatives) {}

int PLVASNChoice::select(unsigned int alternative) {
  if (alternative >= alternatives_) return 1;
  selected_ = static_cast<int>(alternative);
  return 0;
}

PLVASNLabelString::PLVASNLabelString(PLVASNSecurityType type)
    : PLVASNChoice(type, 2), visibleString(type) {}
