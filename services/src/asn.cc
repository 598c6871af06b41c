#include "orbi_services/asn.h"

#include <assert.h>
#include <limits.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "der/oid.h"

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
  return orbi::der::OidArcsEncodable(arcs_, count_) ? 0 : 2;
}

int PLVASNObjectID::set_value(unsigned char* bytes, unsigned int length) {
  // Validate and count the arcs before allocating anything; the count must
  // fit count_.
  uint64_t count = 0;
  if (!orbi::der::IsValidOidContent(bytes, length, &count) ||
      count >= UINT_MAX) {
    return 1;
  }
  auto* decoded = static_cast<unsigned long*>(
      malloc(sizeof(unsigned long) * static_cast<size_t>(count)));
  if (decoded == nullptr) return 1;
  orbi::der::DecodeOidContent(bytes, length, decoded);
  free(arcs_);
  arcs_ = decoded;
  count_ = static_cast<unsigned int>(count);
  return 0;
}

int PLVASNObjectID::get_value(unsigned long*& arcs, unsigned int& count) const {
  arcs = arcs_;
  count = count_;
  return 0;
}

int PLVASNObjectID::get_value(PLVASNBuffer& buffer) const {
  if (!orbi::der::OidArcsEncodable(arcs_, count_)) return 2;
  const size_t length = orbi::der::EncodedOidLength(arcs_, count_);
  auto* out = static_cast<unsigned char*>(malloc(length));
  if (out == nullptr) return 1;
  const unsigned char* end = orbi::der::PutOidContent(arcs_, count_, out);
  assert(end == out + length);
  (void)end;
  const int result = buffer.append(out, length);
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
