#include "monitor/store/history_records.h"

#include <cstring>
#include <limits>
#include <utility>

namespace monitor {
namespace {

constexpr std::uint32_t kAllSlots = (1u << kSlotCount) - 1;
constexpr std::size_t kModelRoom = sizeof(ardmon::TempInfoRecord::ModelNumber) - 1;
constexpr std::size_t kSerialRoom = sizeof(ardmon::TempInfoRecord::SerialNumber) - 1;
static_assert(sizeof(ardmon::DiskInfoTable::InquiryId) - 1 == kModelRoom);
constexpr std::size_t kMagicSize = sizeof kHistoryMagic - 1;

void PutLittleEndian(std::string& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i));
}

void PutVarint(std::string& out, std::uint64_t value) {
  for (; value >= 0x80; value >>= 7) out += static_cast<char>(value | 0x80);
  out += static_cast<char>(value);
}

// Differences of times are taken modulo 2^64, so that no clock value,
// however wrong, overflows.
std::uint64_t ZigZag(std::uint64_t difference) {
  return difference << 1 ^ (0 - (difference >> 63));
}
std::uint64_t UnZigZag(std::uint64_t value) {
  return value >> 1 ^ (0 - (value & 1));
}

std::uint64_t ReadLittleEndian(std::string_view bytes, std::size_t at, int count) {
  std::uint64_t value = 0;
  for (int i = 0; i < count; ++i) {
    value |= std::uint64_t{static_cast<unsigned char>(bytes[at + i])} << (8 * i);
  }
  return value;
}

std::string TrimmedField(const char* field, std::size_t room) {
  std::string text(field, strnlen(field, room));
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Reads the records' fields; a read fails when the bytes end first, or
// when what they hold cannot be ours. A year of samples is read at every
// start, so the common cases take no detours.
class Cursor {
 public:
  Cursor(std::string_view bytes, std::size_t at)
      : at_(reinterpret_cast<const unsigned char*>(bytes.data()) + at),
        end_(reinterpret_cast<const unsigned char*>(bytes.data()) + bytes.size()) {}

  bool AtEnd() const { return at_ == end_; }
  bool CutShort() const { return cutShort_; }

  bool Byte(std::uint8_t& value) {
    if (!Have(1)) return false;
    value = *at_++;
    return true;
  }
  bool Mask(std::uint32_t& value) {
    if (!Have(4)) return false;
    value = std::uint32_t{at_[0]} | std::uint32_t{at_[1]} << 8 | std::uint32_t{at_[2]} << 16 |
            std::uint32_t{at_[3]} << 24;
    at_ += 4;
    return (value & ~kAllSlots) == 0;
  }
  bool Varint(std::uint64_t& value) {
    if (at_ != end_ && *at_ < 0x80) {
      value = *at_++;
      return true;
    }
    value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      std::uint8_t byte;
      if (!Byte(byte)) return false;
      value |= std::uint64_t{byte & 0x7Fu} << shift;
      if ((byte & 0x80) == 0) return true;
    }
    return false;
  }
  // One byte for each slot of the mask, in slot order.
  bool Temperatures(std::uint32_t mask, SlotTemperatures& temperatures) {
    if (!Have(static_cast<std::size_t>(__builtin_popcount(mask)))) return false;
    for (; mask != 0; mask &= mask - 1) temperatures[__builtin_ctz(mask)] = *at_++;
    return true;
  }
  bool Text(std::string& text, std::size_t room) {
    std::uint8_t length;
    if (!Byte(length) || length > room || !Have(length)) return false;
    text.assign(reinterpret_cast<const char*>(at_), length);
    at_ += length;
    return true;
  }

 private:
  bool Have(std::size_t count) {
    if (static_cast<std::size_t>(end_ - at_) >= count) return true;
    cutShort_ = true;
    return false;
  }

  const unsigned char* at_;
  const unsigned char* end_;
  bool cutShort_ = false;
};

// Applies the records to the history and, when asked, writes the kept ones
// anew.
class Replay {
 public:
  Replay(std::int64_t firstTime, std::int64_t keepFrom, std::optional<std::int64_t> rewriteAt)
      : keepFrom_(keepFrom), rewriteAt_(rewriteAt) {
    stored_.lastSampleTime = firstTime;
    if (rewriteAt_) kept_.emplace(*rewriteAt_);
  }

  bool Record(Cursor& in) {
    std::uint8_t tag;
    if (!in.Byte(tag)) return false;
    switch (static_cast<HistoryTag>(tag)) {
      case HistoryTag::Sample:
        return Sample(in);
      case HistoryTag::ClearSlots:
        return ClearSlots(in);
      case HistoryTag::ClearAll:
        clearedSlots_ = 0;
        stored_.history.Clear();
        skipped_ = false;
        if (kept_) kept_.emplace(*rewriteAt_);
        return true;
      case HistoryTag::SlotDrive:
        return Drive(in);
    }
    return false;
  }

  ReadHistoryResult Finish(HistoryEnd end) {
    EmptyBefore(clearedSlots_, clearedAt_);
    ReadHistoryResult result{std::move(stored_), end, {}};
    if (!kept_) return result;
    HistoryRecords drives(*rewriteAt_);
    for (int slot = 0; slot < kSlotCount; ++slot) {
      if (result.stored.drives[slot] != SlotDrive{}) drives.Drive(slot, result.stored.drives[slot]);
    }
    result.rewritten = HistoryHeader(*rewriteAt_) + drives.bytes() + kept_->bytes();
    result.stored.lastSampleTime = kept_->lastSampleTime();
    return result;
  }

 private:
  bool Sample(Cursor& in) {
    std::uint64_t interval, difference;
    std::uint32_t mask;
    if (!in.Varint(interval) || !in.Varint(difference) || !in.Mask(mask)) return false;
    if (interval > std::numeric_limits<std::uint32_t>::max()) return false;
    SlotTemperatures temperatures{};
    if (!in.Temperatures(mask, temperatures)) return false;
    const auto time = static_cast<std::int64_t>(static_cast<std::uint64_t>(stored_.lastSampleTime) +
                                                UnZigZag(difference));
    stored_.lastSampleTime = time;
    if (time < keepFrom_) {
      skipped_ = true;
      return true;
    }
    // The oldest sample kept begins the time axis, as the first of a run.
    const auto minutes =
        stored_.history.empty() && skipped_ ? 0 : static_cast<std::uint32_t>(interval);
    stored_.history.Append(minutes, temperatures);
    if (kept_) kept_->Sample(minutes, time, temperatures);
    return true;
  }

  // Every cycle clears the same empty slots again: each clear only moves
  // the mark of the slots it names, so the marks are set when a slot is
  // left out of a later clear, and at the end.
  bool ClearSlots(Cursor& in) {
    std::uint32_t mask;
    if (!in.Mask(mask)) return false;
    const std::size_t now = stored_.history.size();
    if (now != clearedAt_) {
      EmptyBefore(clearedSlots_ & ~mask, clearedAt_);
      clearedSlots_ = 0;
      clearedAt_ = now;
    }
    clearedSlots_ |= mask;
    if (kept_) kept_->ClearSlots(mask);
    return true;
  }

  void EmptyBefore(std::uint32_t slots, std::size_t sample) {
    for (; slots != 0; slots &= slots - 1)
      stored_.history.EmptyBefore(__builtin_ctz(slots), sample);
  }

  bool Drive(Cursor& in) {
    std::uint8_t slot;
    SlotDrive drive;
    if (!in.Byte(slot) || slot >= kSlotCount || !in.Text(drive.model, kModelRoom) ||
        !in.Text(drive.serial, kSerialRoom)) {
      return false;
    }
    stored_.drives[slot] = std::move(drive);
    return true;
  }

  StoredHistory stored_;
  std::int64_t keepFrom_;
  std::optional<std::int64_t> rewriteAt_;
  std::optional<HistoryRecords> kept_;
  bool skipped_ = false;
  // The slots whose texts are empty before sample `clearedAt_`, not yet
  // marked in the history.
  std::uint32_t clearedSlots_ = 0;
  std::size_t clearedAt_ = 0;
};

}  // namespace

SlotDrive SlotDriveOf(const ardmon::DiskInfoTable& record) {
  SlotDrive drive{TrimmedField(record.Temp.ModelNumber, kModelRoom),
                  TrimmedField(record.Temp.SerialNumber, kSerialRoom)};
  if (drive.model.empty()) drive.model = TrimmedField(record.InquiryId, kModelRoom);
  return drive;
}

std::string HistoryHeader(std::int64_t writtenAt) {
  std::string header(kHistoryMagic, kMagicSize);
  PutLittleEndian(header, kHistoryVersion, 4);
  PutLittleEndian(header, 0, 4);
  PutLittleEndian(header, static_cast<std::uint64_t>(writtenAt), 8);
  return header;
}

std::optional<std::int64_t> HistoryHeaderTime(std::string_view bytes) {
  if (bytes.size() < kHistoryHeaderSize || bytes.substr(0, kMagicSize) != kHistoryMagic ||
      ReadLittleEndian(bytes, 8, 4) != kHistoryVersion || ReadLittleEndian(bytes, 12, 4) != 0) {
    return std::nullopt;
  }
  return static_cast<std::int64_t>(ReadLittleEndian(bytes, 16, 8));
}

void HistoryRecords::Sample(std::uint32_t intervalMinutes, std::int64_t time,
                            const SlotTemperatures& temperatures) {
  bytes_ += static_cast<char>(HistoryTag::Sample);
  PutVarint(bytes_, intervalMinutes);
  PutVarint(bytes_,
            ZigZag(static_cast<std::uint64_t>(time) - static_cast<std::uint64_t>(lastSampleTime_)));
  std::uint32_t mask = 0;
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (temperatures[slot] != 0) mask |= 1u << slot;
  }
  PutLittleEndian(bytes_, mask, 4);
  for (const std::uint8_t temperature : temperatures) {
    if (temperature != 0) bytes_ += static_cast<char>(temperature);
  }
  lastSampleTime_ = time;
  clearMaskAt_.reset();
}

void HistoryRecords::ClearSlots(std::uint32_t slots) {
  if (clearMaskAt_) {
    for (int i = 0; i < 4; ++i) bytes_[*clearMaskAt_ + i] |= static_cast<char>(slots >> (8 * i));
    return;
  }
  bytes_ += static_cast<char>(HistoryTag::ClearSlots);
  clearMaskAt_ = bytes_.size();
  PutLittleEndian(bytes_, slots, 4);
}

void HistoryRecords::ClearAll() {
  bytes_ += static_cast<char>(HistoryTag::ClearAll);
  clearMaskAt_.reset();
}

void HistoryRecords::Drive(int slot, const SlotDrive& drive) {
  bytes_ += static_cast<char>(HistoryTag::SlotDrive);
  bytes_ += static_cast<char>(slot);
  for (const std::string* text : {&drive.model, &drive.serial}) {
    bytes_ += static_cast<char>(text->size());
    bytes_ += *text;
  }
}

std::string HistoryRecords::Take() {
  clearMaskAt_.reset();
  return std::exchange(bytes_, std::string());
}

ReadHistoryResult ReadHistory(std::string_view bytes, std::int64_t keepFrom,
                              std::optional<std::int64_t> rewriteAt) {
  const std::optional<std::int64_t> writtenAt = HistoryHeaderTime(bytes);
  if (!writtenAt) return {{}, HistoryEnd::NotOurs, {}};
  Replay replay(*writtenAt, keepFrom, rewriteAt);
  Cursor in(bytes, kHistoryHeaderSize);
  while (!in.AtEnd()) {
    if (!replay.Record(in)) {
      return replay.Finish(in.CutShort() ? HistoryEnd::Torn : HistoryEnd::Damaged);
    }
  }
  return replay.Finish(HistoryEnd::Whole);
}

}  // namespace monitor
