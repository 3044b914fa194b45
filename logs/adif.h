// Streaming ADIF logs through unchanged but for what is asked: a field added
// before a record's <EOR>, or an existing field's bytes replaced. Everything
// else (header, comments, spacing, line ends, the case of names, unknown
// fields, bytes that are not ASCII, junk between fields) is copied byte for
// byte, and so is any record that cannot be read, with a warning. Memory
// stays bounded: only the record being read is held, and with the writing
// thread the few pieces on their way out. Standard C++ only, apart
// from the command line so that it can be fuzzed and tested alone.
#pragma once

#include <condition_variable>
#include <bit>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "logs/byte_buffer.h"

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
// record is decided.
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
  // threaded: decide and write are called on a thread of their own, in
  // order, while the next bytes are read (warn stays on the caller's); they
  // have all returned when Finish does.
  Filler(Decide decide, Write write, Warn warn, bool threaded = false);
  ~Filler();
  Filler(const Filler&) = delete;
  Filler& operator=(const Filler&) = delete;

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

  // A record longer than this, <EOR> included, is copied out as it is.
  static constexpr std::size_t kMaxRecordBytes = 8u << 20;
  // The log ended in its header: nothing was read as a record.
  bool noHeaderEnd() const { return noHeaderEnd_; }

 private:
  enum class Phase { Start, Header, Records };
  // Where a field of interest stands in the buffer.
  struct Located {
    std::size_t tagStart, nameEnd, dataStart, dataEnd;
  };
  enum Slot { kGrid, kGridExt, kMyGrid, kMyGridExt, kDistance, kAntAz, kSlots };
  // The fields of interest a record has. Copied once per record, so only
  // the places present are copied.
  struct Slots {
    Located at[kSlots];
    unsigned present = 0;  // bit per Slot
    const Located* operator[](int slot) const { return present >> slot & 1 ? &at[slot] : nullptr; }
    void Set(int slot, const Located& l) {
      at[slot] = l;
      present |= 1u << slot;
    }
    void CopyTo(Slots& to) const {
      to.present = present;
      for (unsigned bits = present; bits; bits &= bits - 1) to.at[std::countr_zero(bits)] = at[std::countr_zero(bits)];
    }
  };
  // What the writing side does, in order: the bytes up to end written, and
  // before that, for a record to decide, its fields edited.
  struct Op {
    Op() {}  // no zeroing of the places: only those present are read
    std::size_t end = 0;
    bool decide = false;
    long number = 0;
    std::size_t eorStart = 0;
    Slots slots;
  };
  // Bytes read and what to write of them, handed to the writing side whole.
  struct Batch {
    logs::ByteBuffer bytes;
    std::vector<Op> ops;
  };

  void Process(bool atEnd);
  bool ScanHeader(bool atEnd);
  bool ScanRecord(bool atEnd);
  std::size_t QuickFields(std::size_t from);
  void NoteSlot(std::string_view name, std::size_t at, std::size_t dataStart, std::size_t dataEnd);
  void NoteQuotedEor(std::string_view name, std::size_t dataStart, std::size_t dataEnd);
  void EndRecord(std::size_t eorStart, std::size_t eorEnd);
  void TooLong();  // the record is copied through to its <EOR>
  static constexpr const char* kTooLong = "it is longer than 8 MiB";
  void EmitUpTo(std::size_t end);  // buf_[begin_, end) to be written as it is
  void Damaged(long number, const std::string& why);
  void ResetRecord();
  void NextPiece();  // before more bytes are read
  void Hand();       // the ops so far to the writing side

  // The writing side.
  void WriteInTurn();  // without a thread: ops_ over buf_
  void WriteBatch(Batch& batch);
  void WriteOps(std::string_view bytes, const std::vector<Op>& ops, std::size_t& from);
  void StopWriter();  // once the last batch is handed over
  void WriteRecord(std::string_view bytes, const Op& op, std::size_t& from);
  void AddField(std::string_view name, std::string_view data);
  void Work();

  static inline bool quick_ = true;
  Decide decide_;
  Write write_;
  Warn warn_;
  Phase phase_ = Phase::Start;
  logs::ByteBuffer buf_;
  std::vector<Op> ops_;       // for buf_'s bytes, not yet written
  std::size_t written_ = 0;   // of buf_, without a thread
  std::size_t begin_ = 0;     // first byte not yet given to an op
  std::size_t scan_ = 0;      // where reading goes on
  std::uint64_t skip_ = 0;    // data bytes of a header field, or of a field copied through, still to pass
  bool passThrough_ = false;  // the record is copied as it is, up to its <EOR>
  bool sawField_ = false;     // the record has at least one field
  long records_ = 0;
  long damaged_ = 0;
  long empty_ = 0;
  bool headerless_ = false;              // the log began with '<'
  bool bomPassed_ = false;               // the byte-order mark, if any, is behind
  bool noHeaderEnd_ = false;
  // The first <EOR> inside a field's data, judged when the record ends.
  struct QuotedEor {
    std::size_t at, dataEnd;  // in buf_
    std::string field;
  };
  std::optional<QuotedEor> quotedEor_;
  Slots slots_;
  std::string damage_;  // why the record is damaged, when it is

  std::string added_;  // the text of a new or replaced field, reused
  // With a thread: batches handed over and not yet written, at most
  // kInFlight, so memory stays flat; and batches written, to be reused.
  static constexpr std::size_t kInFlight = 4;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::unique_ptr<Batch>> full_, spare_;
  std::size_t inFlight_ = 0;
  bool done_ = false;
  std::thread writer_;
};

}  // namespace morvane::adif
