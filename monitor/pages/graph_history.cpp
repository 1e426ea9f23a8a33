#include "monitor/pages/graph_history.h"

#include <algorithm>
#include <limits>

namespace monitor {

void TemperatureHistory::Append(std::uint32_t intervalMinutes,
                                const SlotTemperatures& temperatures) {
  // Saturates rather than wraps, so that the times keep growing (after some
  // eight thousand years of samples).
  const std::uint64_t time = static_cast<std::uint64_t>(TotalMinutes()) + intervalMinutes;
  if (size_ == blocks_.size() * kBlockSamples) blocks_.push_back(std::make_unique<Block>());
  Block& block = *blocks_[size_ / kBlockSamples];
  block.times[size_ % kBlockSamples] = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(time, std::numeric_limits<std::uint32_t>::max()));
  block.temperatures[size_ % kBlockSamples] = temperatures;
  ++size_;
}

void TemperatureHistory::Clear() {
  blocks_.clear();
  blocks_.shrink_to_fit();
  size_ = 0;
  emptiedBefore_.fill(0);
}

std::int64_t TemperatureHistory::TimeOf(std::size_t sample) const {
  return blocks_[sample / kBlockSamples]->times[sample % kBlockSamples];
}

std::uint8_t TemperatureHistory::TemperatureOf(std::size_t sample, int slot) const {
  if (Emptied(sample, slot)) return 0;
  return blocks_[sample / kBlockSamples]->temperatures[sample % kBlockSamples][slot];
}

std::size_t TemperatureHistory::FirstAtOrAfter(std::int64_t time) const {
  std::size_t low = 0, high = size_;
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    if (TimeOf(middle) < time) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

std::size_t TemperatureHistory::MemoryBytes() const {
  return blocks_.size() * sizeof(Block) + blocks_.capacity() * sizeof(blocks_[0]);
}

}  // namespace monitor
