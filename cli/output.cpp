#include "cli/output.h"

#include "platform/files.h"

#include <cmath>

#include "logs/utf8.h"

namespace morvane::cli {
Output::Output(std::FILE* file) : file_(file), perLine_(platform::IsTerminal(fileno(file))) { buffer_.reserve(kBlock + 4096); }

void Output::EndLine() {
  buffer_.push_back('\n');
  if (perLine_ || buffer_.size() >= kBlock) Flush();
}

bool Output::Flush() {
  if (!buffer_.empty()) {
    if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) failed_ = true;
    buffer_.clear();
  }
  if (std::fflush(file_) != 0) failed_ = true;
  return !failed_;
}

std::string Number(double value) {
  char text[32];
  const auto r = std::to_chars(text, text + sizeof text, value + 0.0);
  return std::string(text, r.ptr);
}

std::string Shown(double value) {
  char text[32];
  // Whole numbers, most results, the same digits by a quicker way.
  if (std::fabs(value) < 1e15 && value == std::trunc(value))
    return std::string(text, std::to_chars(text, text + sizeof text, static_cast<long long>(value)).ptr);
  const auto r = std::to_chars(text, text + sizeof text, value + 0.0, std::chars_format::general, 15);
  return std::string(text, r.ptr);
}

namespace {

std::string JsonText(std::string_view s, bool fileName) {
  std::string out = "\"";
  while (!s.empty()) {
    const char c = s.front();
    const std::size_t n = Utf8Length(s);
    if (n == 0) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\udc%02x", static_cast<unsigned char>(c));
      out += fileName ? esc : "\\ufffd";
      s.remove_prefix(1);
      continue;
    }
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", static_cast<unsigned>(c));
      out += esc;
    } else {
      out.append(s.substr(0, n));
    }
    s.remove_prefix(n);
  }
  return out + "\"";
}

}  // namespace

std::string JsonString(std::string_view s) { return JsonText(s, false); }
std::string JsonFileName(std::string_view s) { return JsonText(s, true); }

std::string Printable(std::string_view s) {
  std::string out;
  const auto escape = [&](unsigned char b) {
    char esc[8];
    std::snprintf(esc, sizeof esc, "\\x%02x", b);
    out += esc;
  };
  while (!s.empty()) {
    const auto b = static_cast<unsigned char>(s[0]);
    const std::size_t n = b < 0x80 ? 1 : Utf8Length(s);
    // C0, DEL and C1 (CSI among them), as single bytes or as UTF-8.
    const bool c1 = n == 2 && b == 0xc2 && static_cast<unsigned char>(s[1]) < 0xa0;
    if (b < 0x20 || b == 0x7f || (n == 0 && b >= 0x80 && b < 0xa0) || c1) {
      if (c1) escape(b), s.remove_prefix(1);
      escape(static_cast<unsigned char>(s[0]));
      s.remove_prefix(1);
      continue;
    }
    const std::size_t take = n == 0 ? 1 : n;
    out.append(s.substr(0, take));
    s.remove_prefix(take);
  }
  return out;
}

std::string CsvField(std::string_view s, bool guardFormula) {
  const bool formula = guardFormula && !s.empty() && (s[0] == '=' || s[0] == '+' || s[0] == '-' || s[0] == '@');
  const std::string out = (formula ? "'" : "") + std::string(s);
  if (out.find_first_of(",\"\r\n") == std::string::npos) return out;
  std::string quoted = "\"";
  for (const char c : out) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace morvane::cli
