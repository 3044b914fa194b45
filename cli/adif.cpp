#include "cli/adif.h"

#include <cstring>

namespace morvane::adif {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

// Where "<eoh>" or "<eor>" (any case) starts in s, or npos.
std::size_t FindMarker(std::string_view s, std::size_t from, std::string_view marker) {
  while (from < s.size()) {
    const void* hit = std::memchr(s.data() + from, '<', s.size() - from);
    if (!hit) return std::string_view::npos;
    const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(hit) - s.data());
    if (SameName(s.substr(at, marker.size()), marker)) return at;
    from = at + 1;
  }
  return std::string_view::npos;
}

// Tag names and lengths are short; a '<' without a '>' this close is text.
constexpr std::size_t kMaxTagBytes = 128;

struct Tag {
  enum Kind { NotATag, NeedMore, Eor, Eoh, FieldTag } kind;
  std::size_t end = 0;  // just after '>'
  std::string_view name = {}, type = {};
  std::uint64_t length = 0;
};

// Reads the tag at s[at] == '<'.
Tag ReadTag(std::string_view s, std::size_t at, bool atEnd) {
  const std::size_t limit = std::min(s.size(), at + kMaxTagBytes);
  const void* found = std::memchr(s.data() + at + 1, '>', limit - at - 1);
  if (!found) return {limit == s.size() && !atEnd && limit < at + kMaxTagBytes ? Tag::NeedMore : Tag::NotATag};
  const std::size_t close = static_cast<std::size_t>(static_cast<const char*>(found) - s.data());
  // A '<' before the '>' means this '<' was text.
  if (std::memchr(s.data() + at + 1, '<', close - at - 1)) return {Tag::NotATag};
  const std::string_view inside = s.substr(at + 1, close - at - 1);
  const std::size_t colon = inside.find(':');
  if (colon == std::string_view::npos) {
    if (SameName(inside, "eor")) return {Tag::Eor, close + 1};
    if (SameName(inside, "eoh")) return {Tag::Eoh, close + 1};
    return {Tag::NotATag};
  }
  Tag tag{Tag::FieldTag, close + 1, inside.substr(0, colon)};
  if (tag.name.empty()) return {Tag::NotATag};
  std::string_view rest = inside.substr(colon + 1);
  const std::size_t colon2 = rest.find(':');
  std::string_view digits = rest.substr(0, colon2);
  if (colon2 != std::string_view::npos) tag.type = rest.substr(colon2 + 1);
  if (digits.empty() || digits.size() > 15) return {Tag::NotATag};
  for (char c : digits) {
    if (c < '0' || c > '9') return {Tag::NotATag};
    tag.length = tag.length * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return tag;
}

}  // namespace

std::string FieldText(std::string_view name, std::string_view data) {
  std::string out = "<";
  out.append(name);
  out += ':';
  out += std::to_string(data.size());
  out += '>';
  out.append(data);
  out += ' ';
  return out;
}

Filler::Filler(Decide decide, Write write, Warn warn)
    : decide_(std::move(decide)), write_(std::move(write)), warn_(std::move(warn)) {}

void Filler::Feed(std::string_view bytes) {
  // Drop what is written, once per piece rather than once per record.
  if (begin_ > 0) {
    buf_.erase(0, begin_);
    scan_ -= begin_;
    for (auto& slot : slots_)
      if (slot) *slot = {slot->tagStart - begin_, slot->nameEnd - begin_, slot->dataStart - begin_, slot->dataEnd - begin_};
    begin_ = 0;
  }
  buf_.append(bytes);
  Process(false);
}

void Filler::Finish() {
  Process(true);
  // What is left never reached an <EOR>.
  if (phase_ == Phase::Records && (sawField_ || passThrough_)) {
    ++records_;
    if (!passThrough_) Damaged(records_, damage_.empty() ? "it ends without <EOR>" : damage_);
  }
  EmitUpTo(buf_.size());
}

void Filler::EmitUpTo(std::size_t end) {
  if (end > begin_) write_(std::string_view(buf_).substr(begin_, end - begin_), false);
  begin_ = end;
  if (scan_ < begin_) scan_ = begin_;
}

void Filler::Damaged(long number, const std::string& why) {
  ++damaged_;
  warn_("record " + std::to_string(number) + ": " + why + "; copied as it is");
}

void Filler::Process(bool atEnd) {
  if (phase_ == Phase::Start) {
    if (buf_.empty()) return;
    phase_ = buf_[0] == '<' ? Phase::Records : Phase::Header;
  }
  if (phase_ == Phase::Header && !ScanHeader(atEnd)) return;
  while (ScanRecord(atEnd)) {
  }
}

bool Filler::ScanHeader(bool atEnd) {
  const std::size_t at = FindMarker(buf_, scan_, "<eoh>");
  if (at == std::string::npos) {
    if (atEnd) {
      warn_("no <EOH> after the header: nothing read, the file is copied as it is");
      ++damaged_;
      return false;
    }
    // The header is copied unchanged: keep only what a marker could start in.
    if (buf_.size() > 4) EmitUpTo(buf_.size() - 4);
    return false;
  }
  EmitUpTo(at + 5);
  phase_ = Phase::Records;
  return true;
}

// Reads on through the current record. Returns true when a record ended and
// the next may be read, false when more bytes are needed (or none are left).
bool Filler::ScanRecord(bool atEnd) {
  for (;;) {
    if (!passThrough_ && buf_.size() - begin_ > kMaxRecordBytes) {
      // Too long to hold: copied through to its <EOR>.
      Damaged(records_ + 1, "it is longer than " + std::to_string(kMaxRecordBytes >> 20) + " MiB");
      passThrough_ = true;
    }
    if (skip_ > 0) {  // inside a field of a record being copied through
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(skip_, buf_.size() - scan_));
      scan_ += n;
      skip_ -= n;
      if (skip_ > 0) {
        EmitUpTo(scan_);
        return false;
      }
    }
    const void* hit = scan_ < buf_.size() ? std::memchr(buf_.data() + scan_, '<', buf_.size() - scan_) : nullptr;
    if (!hit) {
      if (passThrough_) EmitUpTo(buf_.size());
      scan_ = buf_.size();
      return false;
    }
    const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(hit) - buf_.data());
    const Tag tag = ReadTag(buf_, at, atEnd);
    if (tag.kind == Tag::NeedMore) {
      scan_ = at;
      if (passThrough_) EmitUpTo(at);
      return false;
    }
    if (tag.kind == Tag::NotATag || tag.kind == Tag::Eoh) {  // text between fields
      scan_ = at + 1;
      continue;
    }
    if (tag.kind == Tag::Eor) {
      ++records_;
      EmitRecord(at, tag.end);
      return true;
    }
    // A field: exactly tag.length bytes of data follow.
    sawField_ = true;
    const std::size_t dataStart = tag.end;
    if (passThrough_) {
      scan_ = dataStart;
      skip_ = tag.length;
      continue;
    }
    if (tag.length > buf_.size() - dataStart) {
      if (atEnd) {
        if (damage_.empty()) damage_ = "the data of " + std::string(tag.name) + " runs past the end of the file";
        scan_ = buf_.size();
        return false;
      }
      scan_ = at;
      return false;
    }
    const std::size_t dataEnd = dataStart + static_cast<std::size_t>(tag.length);
    const std::string_view data = std::string_view(buf_).substr(dataStart, dataEnd - dataStart);
    if (damage_.empty() && FindMarker(data, 0, "<eor>") != std::string::npos)
      damage_ = "the data of " + std::string(tag.name) + " holds an <EOR>, so its length is likely wrong";
    // The fields looked at have names of distinct lengths.
    static constexpr std::string_view kNames[kSlots] = {"gridsquare", "gridsquare_ext", "my_gridsquare",
                                                        "my_gridsquare_ext", "distance", "ant_az"};
    int slot = -1;
    switch (tag.name.size()) {
      case 10: slot = kGrid; break;
      case 14: slot = kGridExt; break;
      case 13: slot = kMyGrid; break;
      case 17: slot = kMyGridExt; break;
      case 8: slot = kDistance; break;
      case 6: slot = kAntAz; break;
    }
    if (slot >= 0 && SameName(tag.name, kNames[slot]))
      slots_[slot] = Located{at, at + 1 + tag.name.size(), dataStart, dataEnd};
    scan_ = dataEnd;
  }
}

void Filler::EmitRecord(std::size_t eorStart, std::size_t eorEnd) {
  Edit edit;
  if (!damage_.empty() && !passThrough_) {
    Damaged(records_, damage_);
  } else if (sawField_ && !passThrough_) {
    const auto field = [&](Slot slot) -> std::optional<Field> {
      if (!slots_[slot]) return std::nullopt;
      const Located& l = *slots_[slot];
      const std::string_view b(buf_);
      const std::string_view tag = b.substr(l.nameEnd, l.dataStart - l.nameEnd);  // ":LEN[:TYPE]>"
      const std::size_t typeColon = tag.find(':', 1);
      return Field{b.substr(l.tagStart + 1, l.nameEnd - l.tagStart - 1),
                   typeColon == std::string_view::npos ? std::string_view()
                                                       : tag.substr(typeColon + 1, tag.size() - typeColon - 2),
                   b.substr(l.dataStart, l.dataEnd - l.dataStart)};
    };
    const Record record{field(kGrid), field(kGridExt), field(kMyGrid), field(kMyGridExt), field(kDistance), field(kAntAz)};
    edit = decide_(record, records_);
  }
  // Replacements in the order the fields stand, then the new fields.
  struct Swap {
    const std::optional<Located>* where;
    std::string_view value;
  } swaps[2] = {{&slots_[kDistance], edit.replaceDistance ? std::string_view(edit.distance) : std::string_view()},
                {&slots_[kAntAz], edit.replaceAntAz ? std::string_view(edit.antAz) : std::string_view()}};
  if (slots_[kDistance] && slots_[kAntAz] && slots_[kAntAz]->tagStart < slots_[kDistance]->tagStart)
    std::swap(swaps[0], swaps[1]);
  for (const Swap& s : swaps) {
    if (s.value.empty() || !*s.where) continue;
    const Located& l = **s.where;
    EmitUpTo(l.nameEnd);  // the name as written
    const std::string_view tag(buf_.data() + l.nameEnd, l.dataStart - l.nameEnd);
    const std::size_t typeColon = tag.find(':', 1);
    std::string replaced = ":" + std::to_string(s.value.size());
    if (typeColon != std::string_view::npos) replaced.append(tag.substr(typeColon, tag.size() - typeColon - 1));
    replaced += '>';
    replaced.append(s.value);
    write_(replaced, true);
    begin_ = l.dataEnd;
  }
  EmitUpTo(eorStart);
  if (!edit.distance.empty() && !edit.replaceDistance) write_(FieldText("DISTANCE", edit.distance), true);
  if (!edit.antAz.empty() && !edit.replaceAntAz) write_(FieldText("ANT_AZ", edit.antAz), true);
  EmitUpTo(eorEnd);
  ResetRecord();
}

void Filler::ResetRecord() {
  passThrough_ = false;
  sawField_ = false;
  skip_ = 0;
  for (auto& slot : slots_) slot.reset();
  damage_.clear();
}

}  // namespace morvane::adif
