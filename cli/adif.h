// Streaming ADIF logs through unchanged but for what is asked: a field added
// before a record's <EOR>, or an existing field's bytes replaced. Everything
// else (header, comments, spacing, line ends, the case of names, unknown
// fields, bytes that are not ASCII, junk between fields) is copied byte for
// byte, and so is any record that cannot be read, with a warning. Memory
// stays bounded: only the record being read is held. Standard C++ only, apart
// from the command line so that it can be fuzzed and tested alone.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "cli/byte_buffer.h"

namespace morvane::adif {

// A field of the record being read. Views stay valid until the record ends.
struct Field {
  std::string_view name;  // as written, any case
  std::string_view type;  // empty when the tag has none
  std::string_view data;
};

// The fields of a record that the filler looks at (missing ones are empty
// optionals) and what it does with them.
struct Record {
  std::optional<Field> gridsquare, gridsquareExt, myGridsquare, myGridsquareExt, distance, antAz;
};

// What to do with one record. New fields are written before <EOR> in the
// given order; a replacement swaps one existing field's tag and data. The
// views need to last until the record is written, which is before the next
// record is decided. With DeferValues, they only say whether a value is
// written (not empty) and are not read.
struct Edit {
  std::string_view distance;  // empty: none
  std::string_view antAz;     // empty: none
  bool replaceDistance = false;
  bool replaceAntAz = false;
};

class Filler {
 public:
  // decide: the edit for a readable record (number counted from 1).
  // write: receives the output bytes in order; added is true for the bytes
  // of new or replaced fields, false for bytes copied from the input.
  // warn: one line per damaged record or unreadable file.
  using Decide = std::function<Edit(const Record&, long number)>;
  using Write = std::function<void(std::string_view bytes, bool added)>;
  using Warn = std::function<void(const std::string&)>;
  Filler(Decide decide, Write write, Warn warn);

  // Values written later by the caller, so that working them out can run
  // beside the reading: in place of a new or replaced field's length and
  // value, writeValue gets the bytes before the length, which value,
  // what stands between the length and the value (">" or ":TYPE>") and the
  // bytes after it. ValueText gives the text that goes in their place.
  enum class Value { Distance, Azimuth };
  using WriteValue =
      std::function<void(std::string_view before, Value value, std::string_view between, std::string_view after)>;
  void DeferValues(WriteValue writeValue) { writeValue_ = std::move(writeValue); }

  void Feed(std::string_view bytes);
  // The same without a copy: up to n bytes are put at Room(n), then Took
  // says how many.
  char* Room(std::size_t n);
  void Took(std::size_t n);
  void Finish();

  long records() const { return records_; }
  long damaged() const { return damaged_; }
  long empty() const { return empty_; }  // "<EOR>" alone: nothing to fill

  // Off: every field goes through the careful loop, to check the quick
  // reading of the usual fields against it.
  static void SetQuickForTesting(bool on) { quick_ = on; }

  // A record longer than this without its <EOR> is copied out as it is.
  static constexpr std::size_t kMaxRecordBytes = 8u << 20;
  // Blanks before the first character that are looked past to tell whether
  // the log has a header.
  static constexpr std::size_t kMaxLeadingBlanks = 1u << 16;

 private:
  enum class Phase { Start, Header, Records };
  // Where a field of interest stands in buf_.
  struct Located {
    std::size_t tagStart, nameEnd, dataStart, dataEnd;
  };
  enum Slot { kGrid, kGridExt, kMyGrid, kMyGridExt, kDistance, kAntAz, kSlots };

  void Process(bool atEnd);
  bool ScanHeader(bool atEnd);
  bool ScanRecord(bool atEnd);
  std::size_t QuickFields(std::size_t from);
  void NoteSlot(std::string_view name, std::size_t at, std::size_t dataStart, std::size_t dataEnd);
  void NoteQuotedEor(std::string_view name, std::size_t dataStart, std::size_t dataEnd);
  void EmitRecord(std::size_t eorStart, std::size_t eorEnd);
  void EmitUpTo(std::size_t end);  // writes buf_[begin_, end) as it is
  void Damaged(long number, const std::string& why);
  void ResetRecord();
  void DropWritten();
  void AddValue(std::string_view before, Value value, std::string_view data, std::string_view between,
                std::string_view after);

  static inline bool quick_ = true;
  Decide decide_;
  Write write_;
  Warn warn_;
  WriteValue writeValue_;
  Phase phase_ = Phase::Start;
  cli::ByteBuffer buf_;
  std::string added_;  // the text of a new or replaced field, reused
  std::size_t begin_ = 0;     // first byte not yet written
  std::size_t scan_ = 0;      // where reading goes on
  std::uint64_t skip_ = 0;    // data bytes of a copied-through field still to pass
  bool passThrough_ = false;  // the record is copied as it is, up to its <EOR>
  bool sawField_ = false;     // the record has at least one field
  long records_ = 0;
  long damaged_ = 0;
  long empty_ = 0;
  bool headerless_ = false;              // the log began with '<'
  // The first <EOR> inside a field's data, judged when the record ends.
  struct QuotedEor {
    std::size_t at, dataEnd;  // in buf_
    std::string field;
  };
  std::optional<QuotedEor> quotedEor_;
  std::optional<Located> slots_[kSlots];
  std::string damage_;  // why the record is damaged, when it is
};

// before, the value's length, between, the value, after: a field's length
// and value as written, appended to `to`.
void AppendValueText(std::string& to, std::string_view before, std::string_view value, std::string_view between,
                     std::string_view after);

}  // namespace morvane::adif
