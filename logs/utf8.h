// UTF-8 as logs hold it, or do not: the length of a valid sequence, and a
// header written in a Central or Western European code page made UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace morvane {

// Length of the valid UTF-8 sequence at s[0], or 0: no overlong forms, no
// surrogates, nothing above U+10FFFF.
inline std::size_t Utf8Length(std::string_view s) {
  const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char c = b(0);
  if (c < 0x80) return 1;
  const std::size_t n = c >= 0xc2 && c <= 0xdf ? 2 : c >= 0xe0 && c <= 0xef ? 3 : c >= 0xf0 && c <= 0xf4 ? 4 : 0;
  if (n == 0 || n > s.size()) return 0;
  // The second byte's range depends on the first.
  const unsigned char low = c == 0xe0 ? 0xa0 : c == 0xf0 ? 0x90 : 0x80;
  const unsigned char high = c == 0xed ? 0x9f : c == 0xf4 ? 0x8f : 0xbf;
  if (b(1) < low || b(1) > high) return 0;
  for (std::size_t i = 2; i < n; ++i)
    if ((b(i) & 0xc0) != 0x80) return 0;
  return n;
}

inline bool IsUtf8(std::string_view s) {
  for (std::size_t n; !s.empty(); s.remove_prefix(n))
    if ((n = Utf8Length(s)) == 0) return false;
  return true;
}

// Text that is not UTF-8 read as Windows-1250 (Central European: the
// Czech, Slovak, Polish, Hungarian, Slovenian and Croatian loggers') or as
// Windows-1252 (Western: Latin-1 and its printable 0x80-0x9F); UTF-8 text
// is returned as it is.
std::string ToUtf8(std::string_view text, bool centralEuropean);

}  // namespace morvane
