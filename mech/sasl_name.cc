#include "sasl_name.h"

#include <string.h>

namespace orbi_mech {
namespace {

uint32_t RotateLeft(uint32_t value, int bits) {
  return (value << bits) | (value >> (32 - bits));
}

// Sha1Block folds one 64-byte block into state.
void Sha1Block(const unsigned char* block, uint32_t state[5]) {
  uint32_t w[80];
  for (size_t i = 0; i < 16; ++i) {
    w[i] = (static_cast<uint32_t>(block[4 * i]) << 24) |
           (static_cast<uint32_t>(block[4 * i + 1]) << 16) |
           (static_cast<uint32_t>(block[4 * i + 2]) << 8) |
           static_cast<uint32_t>(block[4 * i + 3]);
  }
  for (int i = 16; i < 80; ++i) {
    w[i] = RotateLeft(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
  }
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
  for (int i = 0; i < 80; ++i) {
    uint32_t f = 0;
    uint32_t k = 0;
    if (i < 20) {
      f = (b & c) | (~b & d);
      k = 0x5A827999;
    } else if (i < 40) {
      f = b ^ c ^ d;
      k = 0x6ED9EBA1;
    } else if (i < 60) {
      f = (b & c) | (b & d) | (c & d);
      k = 0x8F1BBCDC;
    } else {
      f = b ^ c ^ d;
      k = 0xCA62C1D6;
    }
    const uint32_t next = RotateLeft(a, 5) + f + e + k + w[i];
    e = d;
    d = c;
    c = RotateLeft(b, 30);
    b = a;
    a = next;
  }
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
  state[4] += e;
}

// Sha1Stream hashes bytes given in pieces.
class Sha1Stream {
 public:
  void Update(const unsigned char* data, size_t length) {
    total_ += length;
    while (length != 0) {
      const size_t take = length < 64 - used_ ? length : 64 - used_;
      memcpy(block_ + used_, data, take);
      used_ += take;
      data += take;
      length -= take;
      if (used_ == 64) {
        Sha1Block(block_, state_);
        used_ = 0;
      }
    }
  }

  // Final appends the 0x80 marker, zero padding and the bit length.
  void Final(unsigned char digest[20]) {
    const uint64_t bits = total_ * 8;
    const unsigned char marker = 0x80;
    Update(&marker, 1);
    const unsigned char zero = 0;
    while (used_ != 56) Update(&zero, 1);
    unsigned char length[8];
    for (int i = 0; i < 8; ++i) {
      length[7 - i] = static_cast<unsigned char>(bits >> (8 * i));
    }
    Update(length, sizeof(length));
    for (size_t i = 0; i < 5; ++i) {
      digest[4 * i] = static_cast<unsigned char>(state_[i] >> 24);
      digest[4 * i + 1] = static_cast<unsigned char>(state_[i] >> 16);
      digest[4 * i + 2] = static_cast<unsigned char>(state_[i] >> 8);
      digest[4 * i + 3] = static_cast<unsigned char>(state_[i]);
    }
  }

 private:
  uint32_t state_[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476,
                        0xC3D2E1F0};
  unsigned char block_[64] = {};
  size_t used_ = 0;
  uint64_t total_ = 0;
};

}  // namespace

void Sha1(const unsigned char* data, size_t length, unsigned char digest[20]) {
  Sha1Stream sha;
  sha.Update(data, length);
  sha.Final(digest);
}

bool ComputeGs2Name(const unsigned char* oid, size_t length,
                    char name[kGs2NameLength + 1]) {
  if (oid == nullptr || length == 0 || length > 0xFFFF) return false;
  // The DER encoding: tag 06, the length in its shortest form, the content.
  unsigned char header[4] = {0x06};
  size_t header_size = 2;
  if (length < 0x80) {
    header[1] = static_cast<unsigned char>(length);
  } else if (length <= 0xFF) {
    header[1] = 0x81;
    header[2] = static_cast<unsigned char>(length);
    header_size = 3;
  } else {
    header[1] = 0x82;
    header[2] = static_cast<unsigned char>(length >> 8);
    header[3] = static_cast<unsigned char>(length);
    header_size = 4;
  }
  Sha1Stream sha;
  sha.Update(header, header_size);
  sha.Update(oid, length);
  unsigned char digest[20];
  sha.Final(digest);

  // The first 55 bits, five at a time, most significant first.
  constexpr char kBase32[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";
  uint64_t bits = 0;
  for (int i = 0; i < 7; ++i) bits = (bits << 8) | digest[i];
  bits >>= 1;  // 56 bits read, 55 used
  memcpy(name, "GS2-", 4);
  for (int i = 0; i < 11; ++i) {
    name[4 + i] = kBase32[(bits >> (5 * (10 - i))) & 0x1F];
  }
  name[kGs2NameLength] = '\0';
  return true;
}

}  // namespace orbi_mech
