// The Graph page's history on disk: a header that names the format, its
// version and when the file was last written whole, then records appended
// as the history changes. Little-endian throughout.
//
//   header (24 bytes)  "ARDMHIST", u32 version, u32 zero, i64 written at
//                      (seconds since 1970, UTC)
//   sample      1      varint interval (minutes), zigzag varint seconds
//                      since the previous sample (the first: since the
//                      header's time), u32 mask of the slots whose
//                      temperature is not 0, one byte per slot in the mask
//   clear slots 2      u32 mask: those slots' texts become empty in every
//                      sample so far
//   clear all   3      the history starts anew
//   slot drive  4      u8 slot, u8 length and the model, u8 length and the
//                      serial number of the drive the slot holds from here
//
// A varint holds 7 bits a byte, low bits first, the top bit set in every
// byte but the last.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/wire_records.h"
#include "monitor/pages/graph_history.h"

namespace monitor {

constexpr char kHistoryMagic[] = "ARDMHIST";
constexpr std::uint32_t kHistoryVersion = 1;
constexpr std::size_t kHistoryHeaderSize = 24;

enum class HistoryTag : std::uint8_t { Sample = 1, ClearSlots = 2, ClearAll = 3, SlotDrive = 4 };

// The drive a slot held, as it names itself; both empty for an empty slot.
struct SlotDrive {
  std::string model;
  std::string serial;
  bool operator==(const SlotDrive& other) const {
    return model == other.model && serial == other.serial;
  }
  bool operator!=(const SlotDrive& other) const { return !(*this == other); }
};
using SlotDrives = std::array<SlotDrive, kSlotCount>;

// The model (the INQUIRY name when the drive gives none) and the serial
// number of a present disk, trimmed.
SlotDrive SlotDriveOf(const ardmon::DiskInfoTable& record);

std::string HistoryHeader(std::int64_t writtenAt);
// The header's time; nothing when the bytes do not begin with our header.
std::optional<std::int64_t> HistoryHeaderTime(std::string_view bytes);

// Records to append, in order. Clears with no sample between them are one
// record, so that a cycle that finds many empty slots adds five bytes.
class HistoryRecords {
 public:
  // `lastSampleTime`: the time the next sample's is counted from.
  explicit HistoryRecords(std::int64_t lastSampleTime) : lastSampleTime_(lastSampleTime) {}

  void Sample(std::uint32_t intervalMinutes, std::int64_t time,
              const SlotTemperatures& temperatures);
  void ClearSlots(std::uint32_t slots);
  void ClearAll();
  void Drive(int slot, const SlotDrive& drive);

  const std::string& bytes() const { return bytes_; }
  // The records so far; the next ones continue from them.
  std::string Take();
  std::int64_t lastSampleTime() const { return lastSampleTime_; }

 private:
  std::string bytes_;
  // Where the mask of the last record is, while that record clears slots.
  std::optional<std::size_t> clearMaskAt_;
  std::int64_t lastSampleTime_;
};

// A history as a file holds it.
struct StoredHistory {
  TemperatureHistory history;
  SlotDrives drives;
  // The time the next sample's is counted from in the file.
  std::int64_t lastSampleTime = 0;
};

enum class HistoryEnd {
  Whole,
  Torn,     // the last record stops short: a write that was cut off
  Damaged,  // a record that is not one of ours, and whatever follows it
  NotOurs   // no header of ours
};

struct ReadHistoryResult {
  StoredHistory stored;
  HistoryEnd end = HistoryEnd::Whole;
  // The kept samples written anew when asked for: a whole file.
  std::string rewritten;
};

// Reads a file's bytes, up to the first record that is cut off or not
// ours. Samples taken before `keepFrom` are left out; when `rewriteAt` is
// given the result holds the file anew with a header of that time.
ReadHistoryResult ReadHistory(std::string_view bytes, std::int64_t keepFrom,
                              std::optional<std::int64_t> rewriteAt);

}  // namespace monitor
