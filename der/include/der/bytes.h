// Bounded byte cursors, shared by the two libraries, the module and the
// tool (compiled into each, hidden), and tested on their own in tests/der/.
//
// ByteReader reads from a span of bytes it does not own; ByteWriter writes
// into a block of a measured size it does not own. Every read or write checks
// the bytes left first: one that does not fit fails and consumes or writes
// nothing, and the writer's failure sticks, so a chain of writes can be
// checked once at the end. Neither allocates. ReadDerHeader reads the tag and
// length octets of a DER element with a reader, for every caller that meets
// one (the module's token reader, the tool's full OID encodings).
#ifndef ORBI_DER_BYTES_H_
#define ORBI_DER_BYTES_H_

#include <assert.h>
#include <stddef.h>
#include <stdint.h>
#include <string.h>

// The DER module is compiled into each library and program that uses it
// and is none of their interfaces: nothing of it, template instantiations
// included, is exported from a shared library.
#pragma GCC visibility push(hidden)

namespace orbi {
namespace der {

class ByteReader {
 public:
  ByteReader(const unsigned char* data, size_t length)
      : data_(data), left_(length) {}

  size_t left() const { return left_; }
  const unsigned char* data() const { return data_; }

  // ReadU8 reads one byte.
  [[nodiscard]] bool ReadU8(uint32_t* value) {
    if (left_ < 1) return false;
    *value = data_[0];
    Skip(1);
    return true;
  }

  // ReadU16 and ReadU32 read a 16- and a 32-bit unsigned integer, most
  // significant byte first.
  [[nodiscard]] bool ReadU16(uint32_t* value) {
    if (left_ < 2) return false;
    *value = (uint32_t{data_[0]} << 8) | data_[1];
    Skip(2);
    return true;
  }
  [[nodiscard]] bool ReadU32(uint32_t* value) {
    if (left_ < 4) return false;
    *value = (uint32_t{data_[0]} << 24) | (uint32_t{data_[1]} << 16) |
             (uint32_t{data_[2]} << 8) | data_[3];
    Skip(4);
    return true;
  }

  // ReadBytes hands out a pointer to the next count bytes.
  [[nodiscard]] bool ReadBytes(size_t count, const unsigned char** bytes) {
    if (left_ < count) return false;
    *bytes = data_;
    Skip(count);
    return true;
  }

 private:
  void Skip(size_t count) {
    data_ += count;
    left_ -= count;
  }

  const unsigned char* data_;
  size_t left_;
};

// StoreU16 and StoreU32 write the low 16 and all 32 bits of value at out,
// most significant byte first: the one home of the fixed-width big-endian
// layout, which ByteWriter's WriteU16 and WriteU32 use after checking the
// room, and which a writer that measured its output exactly (the library's
// token) uses directly. REQUIRES: out has room for 2 (4) bytes.
inline void StoreU16(unsigned char* out, uint32_t value) {
  out[0] = static_cast<unsigned char>(value >> 8);
  out[1] = static_cast<unsigned char>(value);
}
inline void StoreU32(unsigned char* out, uint32_t value) {
  out[0] = static_cast<unsigned char>(value >> 24);
  out[1] = static_cast<unsigned char>(value >> 16);
  out[2] = static_cast<unsigned char>(value >> 8);
  out[3] = static_cast<unsigned char>(value);
}

class ByteWriter {
 public:
  ByteWriter(unsigned char* data, size_t size) : data_(data), left_(size) {}

  // ok is false once a write did not fit; nothing is written after that.
  bool ok() const { return ok_; }
  size_t left() const { return left_; }

  // WriteU8 writes one byte.
  bool WriteU8(uint32_t value) {
    if (!Room(1)) return false;
    data_[0] = static_cast<unsigned char>(value);
    Skip(1);
    return true;
  }

  // WriteU16 and WriteU32 write the low 16 and all 32 bits of value, most
  // significant byte first.
  bool WriteU16(uint32_t value) {
    if (!Room(2)) return false;
    StoreU16(data_, value);
    Skip(2);
    return true;
  }
  bool WriteU32(uint32_t value) {
    if (!Room(4)) return false;
    StoreU32(data_, value);
    Skip(4);
    return true;
  }

  // WriteBigEndian writes the low width bytes of value, most significant
  // byte first: a field whose width is only known at run time (the length
  // octets of a DER long form). A width outside 1 to sizeof(size_t) fails.
  bool WriteBigEndian(size_t width, size_t value) {
    if (width < 1 || width > sizeof(size_t) || !Room(width)) {
      ok_ = false;
      return false;
    }
    for (size_t i = 0; i < width; ++i) {
      data_[i] = static_cast<unsigned char>(value >> (8 * (width - 1 - i)));
    }
    Skip(width);
    return true;
  }

  bool WriteBytes(const void* bytes, size_t count) {
    if (!Room(count)) return false;
    if (count > 0) memcpy(data_, bytes, count);
    Skip(count);
    return true;
  }

 private:
  [[nodiscard]] bool Room(size_t count) {
    if (ok_ && left_ >= count) return true;
    ok_ = false;
    return false;
  }
  void Skip(size_t count) {
    data_ += count;
    left_ -= count;
  }

  unsigned char* data_;
  size_t left_;
  bool ok_ = true;
};

// DerHeaderFault names the rule that a DER tag and length break, in the
// order ReadDerHeader checks them; kNone where they break none.
enum class DerHeaderFault {
  kNone = 0,
  kNoTag,              // no bytes at all
  kWrongTag,           // the tag octet is not the one asked for
  kNoLength,           // nothing follows the tag
  kIndefiniteLength,   // the length octet 80, the indefinite form
  kLengthTruncated,    // fewer length octets than the first one announces
  kLengthLeadingZero,  // a long form whose first length octet is zero
  kLengthTooWide,      // more length octets than the caller takes
  kLengthNotMinimal,   // a long form for a length below 128
};

// ReadDerHeader reads the tag and length octets of one DER element: a
// one-octet tag, which must be tag, then a length in its shortest form:
// one octet below 0x80, or 0x80 | n followed by n octets, most significant
// first, with no leading zero octet, giving 128 or more. n is at most
// max_length_octets; callers pass the widest length they take (a two-byte
// field's contents need 2, any length in memory sizeof(size_t)). On success
// it sets *length to the content length (which it does not check against
// the bytes left) and returns kNone, having consumed the tag and length
// octets; on failure it returns the first rule broken and consumes nothing.
// REQUIRES: 1 <= max_length_octets <= sizeof(size_t).
[[nodiscard]] inline DerHeaderFault ReadDerHeader(ByteReader& in, uint32_t tag,
                                                  size_t max_length_octets,
                                                  size_t* length) {
  assert(max_length_octets >= 1 && max_length_octets <= sizeof(size_t));
  // Where the precondition is broken without assertions, no length wider
  // than size_t is ever taken: value cannot overflow.
  if (max_length_octets > sizeof(size_t)) max_length_octets = sizeof(size_t);
  ByteReader copy = in;  // read on a copy: a refusal consumes nothing
  uint32_t found = 0;
  if (!copy.ReadU8(&found)) return DerHeaderFault::kNoTag;
  if (found != tag) return DerHeaderFault::kWrongTag;
  uint32_t first = 0;
  if (!copy.ReadU8(&first)) return DerHeaderFault::kNoLength;
  size_t value = first;
  if (first >= 0x80) {
    if (first == 0x80) return DerHeaderFault::kIndefiniteLength;
    const size_t count = first & 0x7F;
    const unsigned char* octets = nullptr;
    if (!copy.ReadBytes(count, &octets)) {
      return DerHeaderFault::kLengthTruncated;
    }
    if (octets[0] == 0) return DerHeaderFault::kLengthLeadingZero;
    if (count > max_length_octets) return DerHeaderFault::kLengthTooWide;
    value = 0;
    for (size_t i = 0; i < count; ++i) value = value << 8 | octets[i];
    if (value < 0x80) return DerHeaderFault::kLengthNotMinimal;
  }
  *length = value;
  in = copy;
  return DerHeaderFault::kNone;
}

}  // namespace der
}  // namespace orbi

#pragma GCC visibility pop

#endif  // ORBI_DER_BYTES_H_
