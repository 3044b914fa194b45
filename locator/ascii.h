// ASCII letters compared and upper-cased, for field names, keys and
// locators in logs and on the command line. Inline: log readers ask it of
// every field name.
#pragma once

#include <string>
#include <string_view>

namespace morvane {

constexpr char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// The same text but for the case of ASCII letters; no copy is made.
constexpr bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
  return true;
}

inline std::string UpperCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = Upper(c);
  return out;
}

}  // namespace morvane
