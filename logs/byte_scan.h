// Scans of a log's bytes sixteen at a time, for the few questions the ADIF
// reader asks of every field: where the next '<' is, how long a tag's name
// is, how many digits its length has, and their value. Each answer is the
// same as a byte-by-byte loop would give; a loop is used where SSE2 is
// missing or MORVANE_SCALAR_SCAN is defined. Callers make sure 16 bytes can
// be read at p (64 for Bytes64, 8 for EightDigits), whatever of them
// belongs to the text.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(__SSE2__) && !defined(MORVANE_SCALAR_SCAN)
#include <emmintrin.h>
#endif

namespace morvane::logs {

#if defined(__SSE2__) && !defined(MORVANE_SCALAR_SCAN)
namespace detail {
inline unsigned Mask(__m128i hits) { return static_cast<unsigned>(_mm_movemask_epi8(hits)); }
inline __m128i Load(const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline __m128i Is(__m128i v, char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); }
// 0xff where low <= v <= high, bytes taken as unsigned.
inline __m128i InRange(__m128i v, char low, char high) {
  const __m128i d = _mm_sub_epi8(v, _mm_set1_epi8(low));
  return _mm_cmpeq_epi8(_mm_min_epu8(d, _mm_set1_epi8(static_cast<char>(high - low))), d);
}
}  // namespace detail
#endif

// Bit i set when p[i] is not a digit, for i < 16.
inline unsigned NonDigits16(const char* p) {
#if defined(__SSE2__) && !defined(MORVANE_SCALAR_SCAN)
  return ~detail::Mask(detail::InRange(detail::Load(p), '0', '9')) & 0xffffu;
#else
  unsigned m = 0;
  for (int i = 0; i < 16; ++i) m |= unsigned(p[i] < '0' || p[i] > '9') << i;
  return m;
#endif
}

// Bit i set when p[i] is not an ASCII letter, digit or '_', the bytes of
// nearly every field name, for i < 16. Two ranges and one byte are cheaper
// to test than the ten bytes that end a name.
inline unsigned NotWordBytes16(const char* p) {
#if defined(__SSE2__) && !defined(MORVANE_SCALAR_SCAN)
  using namespace detail;
  const __m128i v = Load(p);
  const __m128i letter = InRange(_mm_or_si128(v, _mm_set1_epi8(0x20)), 'a', 'z');
  return ~Mask(_mm_or_si128(_mm_or_si128(letter, InRange(v, '0', '9')), Is(v, '_'))) & 0xffffu;
#else
  unsigned m = 0;
  for (int i = 0; i < 16; ++i) {
    const char c = static_cast<char>(p[i] | 0x20);
    m |= unsigned(!(c >= 'a' && c <= 'z') && !(p[i] >= '0' && p[i] <= '9') && p[i] != '_') << i;
  }
  return m;
#endif
}

// Bit i set when p[i] == c, for i < 16.
inline unsigned Bytes16(const char* p, char c) {
#if defined(__SSE2__) && !defined(MORVANE_SCALAR_SCAN)
  return detail::Mask(detail::Is(detail::Load(p), c));
#else
  unsigned m = 0;
  for (int i = 0; i < 16; ++i) m |= unsigned(p[i] == c) << i;
  return m;
#endif
}

// Bit i set when p[i] == c, for i < 64.
inline std::uint64_t Bytes64(const char* p, char c) {
  return std::uint64_t(Bytes16(p, c)) | std::uint64_t(Bytes16(p + 16, c)) << 16 |
         std::uint64_t(Bytes16(p + 32, c)) << 32 | std::uint64_t(Bytes16(p + 48, c)) << 48;
}

// The value of the n digits at p, 1 <= n <= 8, without a loop: the digits
// are moved to the top of one 64-bit word, below them zeros, and combined
// in pairs, fours and eights.
inline std::uint32_t EightDigits(const char* p, unsigned n) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  // Little-endian: p[0] is the lowest byte. Bytes after the digits may
  // borrow upwards only, into bytes shifted out.
  v = (v - 0x3030303030303030u) << (8 * (8 - n));
  v = v * 10 + (v >> 8);
  v = ((v & 0x000000ff000000ffu) * (100 + (1000000ull << 32)) +
       ((v >> 16) & 0x000000ff000000ffu) * (1 + (10000ull << 32))) >> 32;
  return static_cast<std::uint32_t>(v);
}

}  // namespace morvane::logs
