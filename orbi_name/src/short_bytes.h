// memcpy, memcmp and memchr for the short spans names are made of.
//
// An OID is a dozen bytes and most names a few dozen; for those, the call
// into the C library (through the PLT, with the caller's live registers
// saved around it) costs more than the work. CopyBytes copies up to 32
// bytes inline, as at most two loads and two stores that may overlap;
// EqualBytes compares up to 16 bytes the same way; FirstNul looks for a NUL
// in up to 32 bytes with at most two wide loads; FindByte looks for a byte
// in the first 16 bytes of a span of any length with one. Longer spans go to
// the C library.
#ifndef ORBI_NAME_SRC_SHORT_BYTES_H_
#define ORBI_NAME_SRC_SHORT_BYTES_H_

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace orbi_name {
namespace internal {

// Chunk<W> is W bytes moved as one unit; the fixed-size memcpy calls below
// compile to single unaligned loads and stores.
template <size_t W>
struct Chunk {
  unsigned char bytes[W];
};

template <size_t W>
inline void CopyEnds(void* dst, const void* src, size_t n) {
  // REQUIRES: W <= n <= 2 * W. The first and the last W bytes cover all n.
  Chunk<W> head;
  Chunk<W> tail;
  memcpy(&head, src, W);
  memcpy(&tail, static_cast<const unsigned char*>(src) + n - W, W);
  memcpy(dst, &head, W);
  memcpy(static_cast<unsigned char*>(dst) + n - W, &tail, W);
}

// CopyBytes copies n bytes from src to dst; the spans must not overlap.
// Either pointer may be null when n is 0.
inline void CopyBytes(void* dst, const void* src, size_t n) {
  if (n >= 8) {
    if (n <= 16) {
      CopyEnds<8>(dst, src, n);
    } else if (n <= 32) {
      CopyEnds<16>(dst, src, n);
    } else {
      memcpy(dst, src, n);
    }
  } else if (n >= 4) {
    CopyEnds<4>(dst, src, n);
  } else if (n > 0) {
    // One to three bytes: the first, the middle and the last cover them.
    const auto* in = static_cast<const unsigned char*>(src);
    auto* out = static_cast<unsigned char*>(dst);
    const unsigned char first = in[0];
    const unsigned char middle = in[n / 2];
    const unsigned char last = in[n - 1];
    out[0] = first;
    out[n / 2] = middle;
    out[n - 1] = last;
  }
}

template <typename Word>
inline bool EqualEnds(const unsigned char* x, const unsigned char* y,
                      size_t n) {
  // REQUIRES: sizeof(Word) <= n <= 2 * sizeof(Word). The first and the last
  // sizeof(Word) bytes cover all n.
  constexpr size_t kWidth = sizeof(Word);
  Word x0, x1, y0, y1;
  memcpy(&x0, x, kWidth);
  memcpy(&x1, x + n - kWidth, kWidth);
  memcpy(&y0, y, kWidth);
  memcpy(&y1, y + n - kWidth, kWidth);
  return ((x0 ^ y0) | (x1 ^ y1)) == 0;
}

// EqualBytes is memcmp(a, b, n) == 0; up to 16 bytes are compared inline,
// as the first and the last 8 (or 4) bytes of each, which may overlap.
inline bool EqualBytes(const void* a, const void* b, size_t n) {
  const auto* x = static_cast<const unsigned char*>(a);
  const auto* y = static_cast<const unsigned char*>(b);
  if (n >= 8 && n <= 16) return EqualEnds<uint64_t>(x, y, n);
  if (n >= 4 && n < 8) return EqualEnds<uint32_t>(x, y, n);
  if (n < 4) {
    for (size_t i = 0; i < n; ++i) {
      if (x[i] != y[i]) return false;
    }
    return true;
  }
  return memcmp(a, b, n) == 0;
}

// IndexOrEnd is the index of found (a memchr result) in the span of n bytes
// at p, or n when found is null.
inline size_t IndexOrEnd(const void* found, const void* p, size_t n) {
  return found != nullptr
             ? static_cast<size_t>(static_cast<const unsigned char*>(found) -
                                   static_cast<const unsigned char*>(p))
             : n;
}

// FirstNul returns the index of the first NUL among the n bytes at p, or n
// when there is none. It reads only those n bytes.
inline size_t FirstNul(const void* p, size_t n) {
#if defined(__SSE2__)
  if (n >= 16 && n <= 32) {
    // Two 16-byte windows, the first and the last, cover the span; a NUL in
    // the first wins, and the last one's bits are counted from n - 16.
    const auto* bytes = static_cast<const unsigned char*>(p);
    const __m128i zero = _mm_setzero_si128();
    const auto head = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes)), zero)));
    if (head != 0) return static_cast<size_t>(__builtin_ctz(head));
    const auto tail = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + n - 16)),
        zero)));
    if (tail != 0) return n - 16 + static_cast<size_t>(__builtin_ctz(tail));
    return n;
  }
#endif
  return IndexOrEnd(memchr(p, '\0', n), p, n);
}

// FindByte returns the index of the first byte c among the n bytes at p, or
// n when there is none. It reads only those n bytes. Made for the line
// search of a name's text, where the span runs to the end of the text but
// the byte sought usually lies within the first few: the first 16 bytes are
// looked at inline, and only a longer search goes to the C library.
inline size_t FindByte(const void* p, size_t n, unsigned char c) {
  const auto* bytes = static_cast<const unsigned char*>(p);
#if defined(__SSE2__)
  if (n >= 16) {
    const auto head = static_cast<unsigned>(_mm_movemask_epi8(
        _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes)),
                       _mm_set1_epi8(static_cast<char>(c)))));
    if (head != 0) return static_cast<size_t>(__builtin_ctz(head));
    if (n == 16) return n;
    return IndexOrEnd(memchr(bytes + 16, c, n - 16), bytes, n);
  }
  for (size_t i = 0; i < n; ++i) {
    if (bytes[i] == c) return i;
  }
  return n;
#else
  return IndexOrEnd(memchr(bytes, c, n), bytes, n);
#endif
}

}  // namespace internal
}  // namespace orbi_name

#endif  // ORBI_NAME_SRC_SHORT_BYTES_H_
