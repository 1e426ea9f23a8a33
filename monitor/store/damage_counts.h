// The counts that measure a drive's damage, as the monitor last saw them:
// ATA 5, 197 and 198 (raw bytes 0 to 3) and NVMe media errors, critical
// warning bits and percentage used. Kept in the profile, one REG_SZ value
// per drive under "COUNTS", named by the drive's key and holding
// `key=count` pairs separated by blanks ("5=8 197=0 198=0"; NVMe:
// "media=0 warning=0 used=12"), so that a restart does not forget them.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/smart_attributes.h"
#include "common/wire_records.h"
#include "monitor/profile.h"

namespace monitor {

enum class DamageCounter : std::uint8_t {
  kReallocated,    // ATA 5
  kPending,        // ATA 197
  kUncorrectable,  // ATA 198
  kMediaErrors,
  kCriticalWarning,  // bit flags
  kPercentageUsed,
};

// Only the counters the drive has: an ATA drive none of the NVMe ones, and
// none of those its family fills with vendor data.
using DamageCounts = std::map<DamageCounter, std::uint64_t>;

constexpr std::u16string_view kCountsSection = u"COUNTS";

// The name in the text of the pairs ("5", "media"), and the string that
// names the counter for people.
std::u16string_view CounterKey(DamageCounter counter);
unsigned CounterNameString(DamageCounter counter);
// The ATA attribute ID of 5, 197 and 198; 0 for the others.
std::uint8_t CounterAttributeId(DamageCounter counter);
// The counter an ATA attribute ID is, if any.
std::optional<DamageCounter> CounterOfAttribute(std::uint8_t id);
// A sector counter's count: raw bytes 0 to 3.
std::uint32_t SectorCount(ardmon::AttributeEntry attribute);

// The counts of a record that holds a reading; none otherwise.
DamageCounts CountsOf(const ardmon::TempInfoRecord& record);

// "5=8 197=0", in the order of the counters.
std::u16string CountsText(const DamageCounts& counts);
// Nothing unless every pair names a known counter with a decimal count.
std::optional<DamageCounts> ParseCounts(std::u16string_view text);

struct Worsening {
  DamageCounter counter;
  std::uint64_t before;
  std::uint64_t now;
};

// What got worse from `before` to `now`: a count that rose, a critical
// warning bit that was not set, percentage used passing 80, 90 or 100 (one
// event however many it passed at once). A counter `before` lacks is a
// first reading and raises nothing.
std::vector<Worsening> Worsenings(const DamageCounts& before, const DamageCounts& now);

// The event's text after the drive's name: "Reallocated Sectors Count 8 -> 16".
std::u16string WorseningText(const Worsening& worsening, const std::u16string& counterName);

}  // namespace monitor
