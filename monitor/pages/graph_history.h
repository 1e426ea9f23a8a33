// The temperature history of the 26 slots: one sample per graph step, in
// order, each with its interval and a temperature per slot, held compactly
// (30 bytes a sample) since it grows for the life of the program.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "monitor/slot_table.h"

namespace monitor {

using SlotTemperatures = std::array<std::uint8_t, kSlotCount>;

class TemperatureHistory {
 public:
  // A sample `intervalMinutes` after the previous one (the first one's
  // time is its own interval). Intervals are never negative, so the sample
  // times only grow.
  void Append(std::uint32_t intervalMinutes, const SlotTemperatures& temperatures);
  // The slot's temperature text becomes empty in every sample so far.
  void ClearSlot(int slot) { EmptyBefore(slot, size_); }
  // ... in the samples before `sample`, as a clear when there were so many.
  void EmptyBefore(int slot, std::size_t sample) { emptiedBefore_[slot] = sample; }
  void Clear();

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // The sum of the intervals of samples 0 to `sample`, in minutes.
  std::int64_t TimeOf(std::size_t sample) const;
  std::int64_t TotalMinutes() const { return size_ == 0 ? 0 : TimeOf(size_ - 1); }
  // The temperature a sample holds for a slot; 0 where the text is empty.
  std::uint8_t TemperatureOf(std::size_t sample, int slot) const;
  // The text as the export writes it: the temperature in decimal, or empty
  // after the slot was cleared.
  bool Emptied(std::size_t sample, int slot) const { return sample < emptiedBefore_[slot]; }
  // The first sample whose time is `time` or later; size() when none is.
  std::size_t FirstAtOrAfter(std::int64_t time) const;
  // Every sample in order, as visit(sample, time, temperatures), for the
  // export; the temperatures of emptied texts are left as they were read.
  template <typename Visit>
  void ForEachSample(Visit visit) const {
    for (std::size_t sample = 0; sample < size_; ++sample) {
      const Block& block = *blocks_[sample / kBlockSamples];
      visit(sample, std::int64_t{block.times[sample % kBlockSamples]},
            block.temperatures[sample % kBlockSamples]);
    }
  }

  // What the samples take in memory, the block table included.
  std::size_t MemoryBytes() const;

 private:
  // Samples live in fixed blocks, so growing never copies the history nor
  // holds twice its size for a moment.
  static constexpr std::size_t kBlockSamples = 4096;
  struct Block {
    std::uint32_t times[kBlockSamples];
    SlotTemperatures temperatures[kBlockSamples];
  };

  std::vector<std::unique_ptr<Block>> blocks_;
  std::size_t size_ = 0;
  // ClearSlot empties whole columns, and later samples carry a text again,
  // so each slot's empty texts are always the samples before this one.
  std::array<std::size_t, kSlotCount> emptiedBefore_{};
};

}  // namespace monitor
