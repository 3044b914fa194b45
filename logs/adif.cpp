#include "logs/adif.h"

#include <array>
#include <bit>
#include <charconv>
#include <cstring>

#include "logs/byte_scan.h"
#include "locator/ascii.h"

namespace morvane::adif {
namespace {

using morvane::SameLetters;

// Where the first '<' in s from `from` on stands, or npos. Fields are short
// and mostly separated by a blank or two, so the next sixteen bytes are
// looked at before memchr.
std::size_t OpenAt(std::string_view s, std::size_t from) {
  if (s.size() - std::min(from, s.size()) >= 16) {
    if (const unsigned hits = logs::Bytes16(s.data() + from, '<')) return from + std::countr_zero(hits);
    from += 16;
  }
  if (from >= s.size()) return std::string_view::npos;
  const void* hit = std::memchr(s.data() + from, '<', s.size() - from);
  return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - s.data()) : std::string_view::npos;
}

// Where "<eoh>" or "<eor>" (any case) starts in s, or npos.
std::size_t FindMarker(std::string_view s, std::size_t from, std::string_view marker) {
  for (std::size_t at; (at = OpenAt(s, from)) != std::string_view::npos; from = at + 1)
    if (SameLetters(s.substr(at, marker.size()), marker)) return at;
  return std::string_view::npos;
}

// Bytes that can be part of a field's name, looked up in a table: the tag
// scan runs once per field of every record.
constexpr auto kNameBytes = [] {
  std::array<bool, 256> table{};
  for (int c = 0; c < 256; ++c) table[c] = std::string_view(":<>{}, \t\r\n").find(char(c)) == std::string_view::npos;
  return table;
}();
bool NameByte(char c) { return kNameBytes[static_cast<unsigned char>(c)]; }

// A '<' followed by this many name bytes is text, not a tag.
constexpr std::size_t kMaxNameBytes = 1024;
constexpr std::size_t kMaxTypeBytes = 64;
// Digits of a length read at most: a run of more (leading zeros or not) is
// no length, and is not held waiting for its end. The value is capped.
constexpr std::size_t kMaxLengthDigits = kMaxNameBytes;
constexpr std::uint64_t kLengthCap = std::uint64_t(1) << 62;

struct Tag {
  // Malformed: "<NAME:" that does not go on as a tag does; its data cannot
  // be found, so the record it stands in is damaged.
  enum Kind { NotATag, NeedMore, Malformed, Eor, Eoh, FieldTag } kind;
  std::size_t end = 0;  // just after '>'
  std::string_view name = {}, type = {};
  std::uint64_t length = 0;
};

// Reads the tag at s[at] == '<'.
Tag ReadTag(std::string_view s, std::size_t at, bool atEnd) {
  const Tag needMore{atEnd ? Tag::NotATag : Tag::NeedMore};
  std::size_t i = at + 1;
  const std::size_t limit = std::min(s.size(), at + kMaxNameBytes + 1);
  while (i < limit && NameByte(s[i])) ++i;
  if (i - at > kMaxNameBytes) return {Tag::NotATag};
  if (i == s.size()) return needMore;
  const std::string_view name = s.substr(at + 1, i - at - 1);
  if (name.empty()) return {Tag::NotATag};
  if (s[i] == '>') {
    if (SameLetters(name, "eor")) return {Tag::Eor, i + 1};
    if (SameLetters(name, "eoh")) return {Tag::Eoh, i + 1};
    return {Tag::NotATag};
  }
  if (s[i] != ':') return {Tag::NotATag};
  // From here on it is meant as a field: it reads as one or it is damage.
  Tag tag{Tag::FieldTag, 0, name};
  const std::size_t digits = ++i;
  // One digit past the limit is read, to tell a length of exactly
  // kMaxLengthDigits digits (kept) from a longer run (damage).
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9' && i - digits <= kMaxLengthDigits; ++i)
    tag.length = tag.length >= kLengthCap / 10 ? kLengthCap : tag.length * 10 + static_cast<std::uint64_t>(s[i] - '0');
  if (i - digits > kMaxLengthDigits) return {Tag::Malformed};
  if (i == s.size()) return atEnd ? Tag{Tag::Malformed} : needMore;
  if (i == digits) return {Tag::Malformed};
  if (s[i] == ':') {
    const std::size_t type = ++i;
    while (i < s.size() && s[i] != '>' && s[i] != '<' && i - type <= kMaxTypeBytes) ++i;
    if (i == s.size()) return atEnd ? Tag{Tag::Malformed} : needMore;
    if (s[i] != '>' || i - type > kMaxTypeBytes) return {Tag::Malformed};
    tag.type = s.substr(type, i - type);
  }
  if (s[i] != '>') return {Tag::Malformed};
  tag.end = i + 1;
  return tag;
}

// ReadTag for the usual field tag, "<NAME:LENGTH>" with a name of under 32
// letters, digits and '_' and at most 8 digits, without a loop over its bytes; false when the
// tag is another kind (then ReadTag reads it). Needs 64 bytes from at.
[[gnu::always_inline]] inline bool QuickFieldTag(std::string_view s, std::size_t at, Tag& tag) {
  const char* p = s.data() + at + 1;
  // The name ends at its first byte that is not a letter, digit or '_':
  // when that is the ':', the name is all name bytes.
  const unsigned others = logs::NotWordBytes16(p);
  const unsigned name = others ? std::countr_zero(others) : 16 + std::countr_zero(logs::NotWordBytes16(p + 16) | 1u << 16);
  if (name == 0 || name == 32 || p[name] != ':') return false;
  const char* digits = p + name + 1;
  const unsigned count = std::countr_zero(logs::NonDigits16(digits) | 1u << 16);
  if (count == 0 || count > 8 || digits[count] != '>') return false;
  tag = Tag{Tag::FieldTag, static_cast<std::size_t>(digits + count + 1 - s.data()), std::string_view(p, name), {},
            logs::EightDigits(digits, count)};
  return true;
}

// Whether s[from, s.size()) reads as a whole record that begins before
// startsBefore: fields whose data fits, then an <EOR>. Used to tell an <EOR>
// quoted in a field's data from one that a wrong length swallowed.
bool WholeRecordAt(std::string_view s, std::size_t from, std::size_t startsBefore) {
  std::size_t fields = 0;
  for (std::size_t at; (at = OpenAt(s, from)) != std::string_view::npos;) {
    const Tag tag = ReadTag(s, at, true);
    if (tag.kind == Tag::Eor) return fields > 0;
    if (tag.kind == Tag::Malformed) return false;
    if (tag.kind != Tag::FieldTag) {
      from = at + 1;
      continue;
    }
    if (tag.length > s.size() - tag.end || (fields == 0 && at >= startsBefore)) return false;
    from = tag.end + static_cast<std::size_t>(tag.length);
    ++fields;
  }
  return false;
}

void AppendNumber(std::string& to, std::size_t n) {
  char digits[24];
  to.append(digits, std::to_chars(digits, digits + sizeof digits, n).ptr);
}

}  // namespace

Filler::Filler(Decide decide, Write write, Warn warn, bool threaded)
    : decide_(std::move(decide)), write_(std::move(write)), warn_(std::move(warn)) {
  if (!threaded) return;
  // A fixed set of batches, taken in turn: memory is the same for any log
  // of more than a few pieces.
  for (std::size_t i = 0; i < kInFlight; ++i) spare_.push_back(std::make_unique<Batch>());
  try {
    writer_ = std::thread(&Filler::Work, this);
  } catch (const std::system_error&) {
    // No thread to be had: everything in turn on this one.
  }
}

Filler::~Filler() { StopWriter(); }

void Filler::StopWriter() {
  if (!writer_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    done_ = true;
  }
  changed_.notify_all();
  writer_.join();
}

void Filler::NextPiece() {
  // Once per piece rather than once per record.
  if (begin_ == 0) return;
  const std::size_t n = begin_;
  if (writer_.joinable()) {
    Hand();
  } else {
    buf_.DropFront(n);
    written_ -= n;
  }
  begin_ = 0;
  scan_ -= n;
  for (unsigned bits = slots_.present; bits; bits &= bits - 1) {
    Located& l = slots_.at[std::countr_zero(bits)];
    l = {l.tagStart - n, l.nameEnd - n, l.dataStart - n, l.dataEnd - n};
  }
  if (quotedEor_) {
    quotedEor_->at -= n;
    quotedEor_->dataEnd -= n;
  }
}

void Filler::Hand() {
  std::unique_ptr<Batch> batch;
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return inFlight_ < kInFlight; });
    if (!spare_.empty()) {
      batch = std::move(spare_.front());
      spare_.pop_front();
    }
  }
  if (!batch) batch = std::make_unique<Batch>();
  // The batch takes the bytes read and their ops; the record in progress
  // goes on in the batch's spare buffer.
  std::swap(batch->bytes, buf_);
  std::swap(batch->ops, ops_);
  buf_.Append(std::string_view(batch->bytes).substr(begin_));
  {
    std::lock_guard lock(mutex_);
    full_.push_back(std::move(batch));
    ++inFlight_;
  }
  changed_.notify_all();
}

void Filler::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return !full_.empty() || done_; });
    if (full_.empty()) return;
    std::unique_ptr<Batch> batch = std::move(full_.front());
    full_.pop_front();
    lock.unlock();
    WriteBatch(*batch);
    lock.lock();
    spare_.push_back(std::move(batch));
    --inFlight_;
    changed_.notify_all();
  }
}

void Filler::Feed(std::string_view bytes) {
  // In pieces: a record is judged too long by the bytes held after its
  // start, which must not count the records that follow it.
  constexpr std::size_t kPiece = 1 << 20;
  do {
    const std::string_view piece = bytes.substr(0, kPiece);
    bytes.remove_prefix(piece.size());
    NextPiece();
    buf_.Append(piece);
    Process(false);
    if (!writer_.joinable()) WriteInTurn();
  } while (!bytes.empty());
}

char* Filler::Room(std::size_t n) {
  NextPiece();
  return buf_.Room(n);
}

void Filler::Took(std::size_t n) {
  buf_.Grow(n);
  Process(false);
  if (!writer_.joinable()) WriteInTurn();
}

void Filler::Finish() {
  Process(true);
  // What is left never reached an <EOR>.
  if (phase_ == Phase::Records && (sawField_ || passThrough_)) {
    ++records_;
    if (!passThrough_) Damaged(records_, damage_.empty() ? "it ends without <EOR>" : damage_);
  }
  EmitUpTo(buf_.size());
  if (!writer_.joinable()) return WriteInTurn();
  Hand();
  StopWriter();
}

void Filler::WriteInTurn() {
  WriteOps(buf_, ops_, written_);
  ops_.clear();
}

void Filler::EmitUpTo(std::size_t end) {
  if (end > begin_) {
    if (!ops_.empty() && !ops_.back().decide) ops_.back().end = end;
    else ops_.emplace_back().end = end;
  }
  begin_ = end;
  if (scan_ < begin_) scan_ = begin_;
}

void Filler::Damaged(long number, const std::string& why) {
  ++damaged_;
  warn_("record " + std::to_string(number) + ": " + why + "; copied as it is");
}

void Filler::Process(bool atEnd) {
  if (phase_ == Phase::Start) {
    // A log whose first character is '<' has no header; a byte-order mark
    // and blanks before it do not count. Blanks are copied as they come, so
    // that any number of them is judged alike however the bytes arrive.
    std::string_view s = std::string_view(buf_).substr(begin_);
    constexpr std::string_view kBom = "\xef\xbb\xbf";
    if (!bomPassed_) {
      if (s.substr(0, 3) == kBom) s.remove_prefix(3);
      else if (kBom.substr(0, s.size()) == s && !atEnd) return;
      bomPassed_ = true;
    }
    const std::size_t first = s.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
      if (!atEnd) EmitUpTo(buf_.size());
      return;
    }
    phase_ = s[first] == '<' ? Phase::Records : Phase::Header;
    headerless_ = phase_ == Phase::Records;
  }
  if (phase_ == Phase::Header && !ScanHeader(atEnd)) return;
  while (ScanRecord(atEnd)) {
  }
}

// The header's fields are read by their lengths, as a record's are: an
// <EOH> in a field's data is data.
bool Filler::ScanHeader(bool atEnd) {
  for (;;) {
    if (skip_ > 0) {
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(skip_, buf_.size() - scan_));
      scan_ += n;
      skip_ -= n;
    }
    const std::size_t at = skip_ > 0 ? std::string_view::npos : OpenAt(buf_, scan_);
    const Tag tag = at == std::string_view::npos ? Tag{Tag::NeedMore} : ReadTag(buf_, at, atEnd);
    if (tag.kind == Tag::NeedMore) {
      const std::size_t held = at == std::string_view::npos ? buf_.size() : at;
      EmitUpTo(held);
      scan_ = held;
      if (atEnd) {
        warn_("no <EOH> after the header: nothing read, the file is copied as it is");
        noHeaderEnd_ = true;
        ++damaged_;
      }
      return false;
    }
    if (tag.kind == Tag::Eoh) {
      EmitUpTo(tag.end);
      skip_ = 0;
      phase_ = Phase::Records;
      return true;
    }
    if (tag.kind == Tag::FieldTag) {
      scan_ = tag.end;
      skip_ = tag.length;
    } else {
      scan_ = at + 1;  // text, an <EOR> or a tag that cannot be read
    }
  }
}

inline void Filler::NoteSlot(std::string_view name, std::size_t at, std::size_t dataStart, std::size_t dataEnd) {
  static constexpr std::string_view kNames[kSlots] = {"gridsquare", "gridsquare_ext", "my_gridsquare",
                                                      "my_gridsquare_ext", "distance", "ant_az"};
  // The names have lengths of their own. A name's length, first and last
  // letters, packed, are looked up by its length: one test, nearly always
  // false, tells the other fields apart without a branch on the length.
  struct Key {
    std::uint32_t packed = ~0u;
    int slot = 0;
  };
  static constexpr auto kKeys = [] {
    std::array<Key, 32> keys{};
    for (int slot = 0; slot < kSlots; ++slot) {
      const std::string_view n = kNames[slot];
      keys[n.size()] = {static_cast<std::uint32_t>(n.front() | n.back() << 8 | n.size() << 16), slot};
    }
    return keys;
  }();
  const std::size_t size = name.size();
  const Key& key = kKeys[size & 31];
  const std::uint32_t packed = static_cast<std::uint32_t>((name.front() | 0x20) | (name.back() | 0x20) << 8 | size << 16);
  if (packed == key.packed && SameLetters(name, kNames[key.slot]))
    slots_.Set(key.slot, Located{at, at + 1 + size, dataStart, dataEnd});
}

// Reads on through the current record. Returns true when a record ended and
// the next may be read, false when more bytes are needed (or none are left).
bool Filler::ScanRecord(bool atEnd) {
  for (;;) {
    // Too long to hold: copied through to its <EOR>. Only bytes read in this
    // record count, never those after it, so pieces of any size agree.
    if (!passThrough_ && scan_ - begin_ > kMaxRecordBytes) TooLong();
    if (skip_ > 0) {  // inside a field of a record being copied through
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(skip_, buf_.size() - scan_));
      scan_ += n;
      skip_ -= n;
      if (skip_ > 0) {
        EmitUpTo(scan_);
        return false;
      }
    }
    if (!passThrough_ && quick_) scan_ = QuickFields(scan_);
    const std::size_t at = OpenAt(buf_, scan_);
    if (at == std::string_view::npos) {
      if (passThrough_) EmitUpTo(buf_.size());
      scan_ = buf_.size();
      return false;
    }
    Tag tag{Tag::NotATag};
    if (buf_.size() - at < 64 || !QuickFieldTag(buf_, at, tag)) tag = ReadTag(buf_, at, atEnd);
    if (tag.kind == Tag::NeedMore) {
      scan_ = at;
      if (passThrough_) EmitUpTo(at);
      return false;
    }
    if (tag.kind == Tag::Eoh && headerless_ && records_ == 0 && !passThrough_) {
      // "<ADIF_VER:5>3.1.4 <EOH>": a header after all, copied as it is.
      EmitUpTo(tag.end);
      ResetRecord();
      continue;
    }
    if (tag.kind == Tag::NotATag || tag.kind == Tag::Eoh) {  // text between fields
      scan_ = at + 1;
      continue;
    }
    if (tag.kind == Tag::Malformed) {
      if (damage_.empty() && !passThrough_) damage_ = "a tag that cannot be read";
      sawField_ = true;
      scan_ = at + 1;
      continue;
    }
    if (tag.kind == Tag::Eor) {
      ++records_;
      EndRecord(at, tag.end);
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
      if (!atEnd && tag.length > kMaxRecordBytes - std::min(kMaxRecordBytes, dataStart - begin_)) {
        TooLong();  // its data alone ends past the limit: no need to wait for it
        scan_ = dataStart;
        skip_ = tag.length;
        continue;
      }
      if (atEnd) {
        if (damage_.empty()) damage_ = "the data of " + std::string(tag.name) + " runs past the end of the file";
        scan_ = buf_.size();
        return false;
      }
      scan_ = at;
      return false;
    }
    const std::size_t dataEnd = dataStart + static_cast<std::size_t>(tag.length);
    // The next '<' from the data on: mostly the next tag, found here once.
    const std::size_t nextAt = std::min(OpenAt(buf_, dataStart), buf_.size());
    if (nextAt < dataEnd) NoteQuotedEor(tag.name, dataStart, dataEnd);
    NoteSlot(tag.name, at, dataStart, dataEnd);
    scan_ = std::max(dataEnd, nextAt);
  }
}

// The usual run of fields, read apart from the search for '<': the places
// of '<' are found 64 bytes at a time and each is taken for a tag, so that
// the processor reads one tag while it finds the next. A '<' that lies in
// the data before it is passed over. Stops at anything else (<EOR>, a tag
// of another form, data past what is read, the last 64 bytes) and returns
// where the careful loop goes on.
std::size_t Filler::QuickFields(std::size_t from) {
  const std::string_view s(buf_);
  // Blocks of 64 bytes with 64 more after them: a tag read here needs them.
  if (s.size() < 128 || from > s.size() - 128) return from;
  const std::size_t lastBase = s.size() - 128;
  std::size_t base = from;
  std::uint64_t opens = logs::Bytes64(s.data() + base, '<');
  std::size_t lastAt = from, dataStart = from, dataEnd = from;  // the last field read
  std::string_view name;
  for (;;) {
    if (opens == 0) {
      base += 64;
      // The careful loop goes on from here, or reads the last field again
      // if its data has not all been searched for '<'.
      if (base > lastBase) return dataEnd > base ? lastAt : base;
      opens = logs::Bytes64(s.data() + base, '<');
      continue;
    }
    const std::size_t at = base + static_cast<std::size_t>(std::countr_zero(opens));
    opens &= opens - 1;
    if (at < dataEnd) {
      NoteQuotedEor(name, dataStart, dataEnd);
      if (dataEnd - base < 64) {
        opens &= ~std::uint64_t(0) << (dataEnd - base);
      } else {
        base = dataEnd;
        if (base > lastBase) return dataEnd;
        opens = logs::Bytes64(s.data() + base, '<');
      }
      continue;
    }
    Tag tag{Tag::NotATag};
    if (!QuickFieldTag(s, at, tag) || tag.length > s.size() - tag.end) return at;
    sawField_ = true;
    lastAt = at;
    name = tag.name;
    dataStart = tag.end;
    dataEnd = tag.end + static_cast<std::size_t>(tag.length);
    NoteSlot(name, at, dataStart, dataEnd);
  }
}

// An <EOR> in a field's data is data, unless a whole record follows it
// there: then the length is likely wrong (judged once the record has ended).
void Filler::NoteQuotedEor(std::string_view name, std::size_t dataStart, std::size_t dataEnd) {
  if (quotedEor_) return;
  const std::string_view data = std::string_view(buf_).substr(dataStart, dataEnd - dataStart);
  if (const std::size_t eor = FindMarker(data, 0, "<eor>"); eor != std::string::npos)
    quotedEor_ = QuotedEor{dataStart + eor, dataEnd, std::string(name)};
}

void Filler::TooLong() {
  Damaged(records_ + 1, kTooLong);
  passThrough_ = true;
  quotedEor_.reset();
}

void Filler::EndRecord(std::size_t eorStart, std::size_t eorEnd) {
  // Whole in memory, but too long all the same: as if read in small pieces.
  if (!passThrough_ && eorEnd - begin_ > kMaxRecordBytes) damage_ = kTooLong;
  if (damage_.empty() && quotedEor_ &&
      WholeRecordAt(std::string_view(buf_).substr(0, eorEnd), quotedEor_->at + 5, quotedEor_->dataEnd))
    damage_ = "the data of " + quotedEor_->field + " holds an <EOR> and a whole record, so its length is likely wrong";
  if (!sawField_ && !passThrough_) {
    ++empty_;
  } else if (!damage_.empty() && !passThrough_) {
    Damaged(records_, damage_);
  } else if (sawField_ && !passThrough_) {
    Op& op = ops_.emplace_back();
    op.end = eorEnd;
    op.decide = true;
    op.number = records_;
    op.eorStart = eorStart;
    slots_.CopyTo(op.slots);
    begin_ = eorEnd;
  }
  EmitUpTo(eorEnd);
  ResetRecord();
}

// --- The writing side: ops carried out over the bytes they were made for.

void Filler::WriteOps(std::string_view bytes, const std::vector<Op>& ops, std::size_t& from) {
  for (const Op& op : ops) {
    if (op.decide) WriteRecord(bytes, op, from);
    if (op.end > from) write_(bytes.substr(from, op.end - from), false);
    from = op.end;
  }
}

void Filler::WriteBatch(Batch& batch) {
  std::size_t from = 0;
  WriteOps(batch.bytes, batch.ops, from);
  batch.ops.clear();
  batch.bytes.DropFront(batch.bytes.size());
}

void Filler::WriteRecord(std::string_view bytes, const Op& op, std::size_t& from) {
  const auto field = [&](Slot slot) -> std::optional<Field> {
    if (!op.slots[slot]) return std::nullopt;
    const Located& l = *op.slots[slot];
    const std::string_view tag = bytes.substr(l.nameEnd, l.dataStart - l.nameEnd);  // ":LEN[:TYPE]>"
    const std::size_t typeColon = tag.find(':', 1);
    return Field{bytes.substr(l.tagStart + 1, l.nameEnd - l.tagStart - 1),
                 typeColon == std::string_view::npos ? std::string_view()
                                                     : tag.substr(typeColon + 1, tag.size() - typeColon - 2),
                 bytes.substr(l.dataStart, l.dataEnd - l.dataStart)};
  };
  const Record record{field(kGrid), field(kGridExt), field(kMyGrid), field(kMyGridExt), field(kDistance), field(kAntAz)};
  const Edit edit = decide_(record, op.number);
  const auto out = [&](std::size_t to) {
    if (to > from) write_(bytes.substr(from, to - from), false);
    from = to;
  };
  // Replacements in the order the fields stand, then the new fields.
  struct Swap {
    const Located* where;
    std::string_view value;
  } swaps[2] = {{op.slots[kDistance], edit.replaceDistance ? edit.distance : std::string_view()},
                {op.slots[kAntAz], edit.replaceAntAz ? edit.antAz : std::string_view()}};
  if (op.slots[kDistance] && op.slots[kAntAz] && op.slots[kAntAz]->tagStart < op.slots[kDistance]->tagStart)
    std::swap(swaps[0], swaps[1]);
  for (const Swap& s : swaps) {
    if (s.value.empty() || !s.where) continue;
    const Located& l = *s.where;
    out(l.nameEnd);  // the name as written
    const std::string_view tag = bytes.substr(l.nameEnd, l.dataStart - l.nameEnd);
    const std::size_t typeColon = tag.find(':', 1);
    added_.assign(1, ':');
    AppendNumber(added_, s.value.size());
    if (typeColon != std::string_view::npos) added_.append(tag.substr(typeColon, tag.size() - typeColon - 1));
    added_ += '>';
    added_.append(s.value);
    write_(added_, true);
    from = l.dataEnd;
  }
  out(op.eorStart);
  if (!edit.distance.empty() && !edit.replaceDistance) AddField("DISTANCE", edit.distance);
  if (!edit.antAz.empty() && !edit.replaceAntAz) AddField("ANT_AZ", edit.antAz);
}

void Filler::AddField(std::string_view name, std::string_view data) {
  added_.clear();
  added_ += '<';
  added_.append(name);
  added_ += ':';
  AppendNumber(added_, data.size());
  added_ += '>';
  added_.append(data);
  added_ += ' ';
  write_(added_, true);
}

void Filler::ResetRecord() {
  passThrough_ = false;
  sawField_ = false;
  skip_ = 0;
  slots_.present = 0;
  damage_.clear();
  quotedEor_.reset();
}

}  // namespace morvane::adif
