#include "monitor/store/damage_counts.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "common/nvme_health.h"
#include "common/smart_evaluation.h"
#include "monitor/record_text.h"
#include "resources/resource_ids.h"

namespace monitor {
namespace {

using ardmon::nvme::HealthField;

struct CounterRow {
  DamageCounter counter;
  std::u16string_view key;
  unsigned nameString;
  std::uint8_t attributeId;  // ATA counters only
  HealthField nvmeField;     // NVMe counters only
};

constexpr CounterRow kCounters[] = {
    {DamageCounter::kReallocated, u"5", IDS_ATTR_NAME_05, 5, {}},
    {DamageCounter::kPending, u"197", IDS_ATTR_NAME_C5, 197, {}},
    {DamageCounter::kUncorrectable, u"198", IDS_ATTR_NAME_C6, 198, {}},
    {DamageCounter::kMediaErrors, u"media", IDS_NVME_NAME_MEDIA_ERRORS, 0,
     HealthField::MediaErrors},
    {DamageCounter::kCriticalWarning, u"warning", IDS_NVME_NAME_CRITICAL_WARNING, 0,
     HealthField::CriticalWarning},
    {DamageCounter::kPercentageUsed, u"used", IDS_NVME_NAME_PERCENTAGE_USED, 0,
     HealthField::PercentageUsed},
};

constexpr bool RowsFollowTheEnum() {
  for (std::size_t i = 0; i < std::size(kCounters); ++i) {
    if (kCounters[i].counter != static_cast<DamageCounter>(i)) return false;
  }
  return true;
}
static_assert(RowsFollowTheEnum(), "RowOf indexes the table by the enum");

const CounterRow& RowOf(DamageCounter counter) {
  return kCounters[static_cast<std::size_t>(counter)];
}

constexpr std::uint64_t kUsedMarks[] = {80, 90, 100};

bool PassesUsedMark(std::uint64_t before, std::uint64_t now) {
  return std::any_of(std::begin(kUsedMarks), std::end(kUsedMarks),
                     [&](std::uint64_t mark) { return before < mark && now >= mark; });
}

bool Worsened(DamageCounter counter, std::uint64_t before, std::uint64_t now) {
  switch (counter) {
    case DamageCounter::kCriticalWarning:
      return (now & ~before) != 0;
    case DamageCounter::kPercentageUsed:
      return PassesUsedMark(before, now);
    default:
      return now > before;
  }
}

std::u16string Decimal(std::uint64_t value) {
  return Widen(std::to_string(value));
}

std::optional<std::uint64_t> ParseDecimal(std::u16string_view text) {
  if (text.empty() || text.size() > 19) return std::nullopt;
  std::uint64_t value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c - u'0');
  }
  return value;
}

}  // namespace

std::u16string_view CounterKey(DamageCounter counter) {
  return RowOf(counter).key;
}

unsigned CounterNameString(DamageCounter counter) {
  return RowOf(counter).nameString;
}

std::uint8_t CounterAttributeId(DamageCounter counter) {
  return RowOf(counter).attributeId;
}

std::optional<DamageCounter> CounterOfAttribute(std::uint8_t id) {
  for (const CounterRow& row : kCounters) {
    if (row.attributeId != 0 && row.attributeId == id) return row.counter;
  }
  return std::nullopt;
}

std::uint32_t SectorCount(ardmon::AttributeEntry attribute) {
  std::uint32_t count;
  std::memcpy(&count, attribute.rawBytes(), sizeof count);
  return count;
}

DamageCounts CountsOf(const ardmon::TempInfoRecord& record) {
  DamageCounts counts;
  if (!record.SmartSupported || !record.AttributesOk) return counts;
  if (ardmon::nvme::IsNvmeRecord(record)) {
    for (const CounterRow& row : kCounters) {
      if (row.attributeId == 0) {
        counts[row.counter] = ardmon::nvme::ReadHealthField(record.AttributeData, row.nvmeField);
      }
    }
    return counts;
  }
  const ardmon::DriveFamily* family = ardmon::FamilyOf(record);
  for (std::size_t i = 0; i < ardmon::kSmartEntries; ++i) {
    const ardmon::AttributeEntry attribute = ardmon::AttributeAt(record.AttributeData, i);
    const std::optional<DamageCounter> counter = CounterOfAttribute(attribute.id());
    if (!counter || !ardmon::IsSectorCounter(attribute.id(), family)) continue;
    counts.emplace(*counter, SectorCount(attribute));  // the first entry of an ID counts
  }
  return counts;
}

std::u16string CountsText(const DamageCounts& counts) {
  std::u16string text;
  for (const auto& [counter, count] : counts) {
    if (!text.empty()) text += u' ';
    text += CounterKey(counter);
    text += u'=';
    text += Decimal(count);
  }
  return text;
}

std::optional<DamageCounts> ParseCounts(std::u16string_view text) {
  DamageCounts counts;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find(u' '), text.size());
    const std::u16string_view pair = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (pair.empty()) continue;
    const std::size_t equals = pair.find(u'=');
    if (equals == std::u16string_view::npos) return std::nullopt;
    const auto row =
        std::find_if(std::begin(kCounters), std::end(kCounters),
                     [&](const CounterRow& r) { return r.key == pair.substr(0, equals); });
    const std::optional<std::uint64_t> count = ParseDecimal(pair.substr(equals + 1));
    if (row == std::end(kCounters) || !count) return std::nullopt;
    counts[row->counter] = *count;
  }
  return counts;
}

std::vector<Worsening> Worsenings(const DamageCounts& before, const DamageCounts& now) {
  std::vector<Worsening> worse;
  for (const auto& [counter, count] : now) {
    const auto seen = before.find(counter);
    if (seen != before.end() && Worsened(counter, seen->second, count)) {
      worse.push_back({counter, seen->second, count});
    }
  }
  return worse;
}

std::u16string WorseningText(const Worsening& worsening, const std::u16string& counterName) {
  return counterName + u" " + Decimal(worsening.before) + u" -> " + Decimal(worsening.now);
}

}  // namespace monitor
