#include "monitor/store/accepted_values.h"

#include <algorithm>

#include "common/nvme_health.h"
#include "common/smart_evaluation.h"
#include "monitor/drive_value_name.h"

namespace monitor {
namespace {

bool IsAtaCounter(DamageCounter counter) {
  return CounterAttributeId(counter) != 0;
}

// A sector counter's Caution that the accepted count covers.
bool CoveredByAcceptance(ardmon::AttributeEntry attribute, const DamageCounts& accepted) {
  const std::optional<DamageCounter> counter = CounterOfAttribute(attribute.id());
  if (!counter) return false;
  const auto value = accepted.find(*counter);
  return value != accepted.end() && SectorCount(attribute) <= value->second;
}

}  // namespace

StoredAcceptance ReadAccepted(Profile& profile, const std::u16string& driveKey) {
  const std::u16string text = profile.GetProfileString(kAcceptedSection, driveKey, u"");
  if (text.empty()) return {};
  std::optional<DamageCounts> counts = ParseCounts(text);
  if (!counts || !std::all_of(counts->begin(), counts->end(),
                              [](const auto& pair) { return IsAtaCounter(pair.first); })) {
    return {std::nullopt, true};
  }
  return {std::move(counts), false};
}

bool CanAccept(const ardmon::TempInfoRecord& record, std::uint8_t ownHealth) {
  return ownHealth == ardmon::kHealthCaution && !ardmon::nvme::IsNvmeRecord(record) &&
         !DriveValueNameOf(record).empty();
}

bool AcceptValues(Profile& profile, const ardmon::TempInfoRecord& record) {
  return profile.WriteProfileString(kAcceptedSection, DriveValueNameOf(record),
                                    CountsText(CountsOf(record)));
}

bool ForgetAccepted(Profile& profile, const std::u16string& driveKey) {
  return profile.DeleteProfileValue(kAcceptedSection, driveKey);
}

ShownHealth HealthShown(const ardmon::TempInfoRecord& record, std::uint8_t ownHealth,
                        const DamageCounts& accepted) {
  if (accepted.empty() || !CanAccept(record, ownHealth)) return {ownHealth, false};
  const ardmon::DriveFamily* family = ardmon::FamilyOf(record);
  for (std::size_t i = 0; i < ardmon::kSmartEntries; ++i) {
    const ardmon::AttributeEntry attribute = ardmon::AttributeAt(record.AttributeData, i);
    if (attribute.id() == 0) continue;
    const std::uint8_t verdict = ardmon::JudgeAttribute(
        attribute, ardmon::ThresholdFor(record.ThresholdData, attribute.id()), family);
    if (verdict == ardmon::kHealthGood) continue;
    if (verdict == ardmon::kHealthCaution && CoveredByAcceptance(attribute, accepted)) continue;
    return {ownHealth, false};
  }
  return {ardmon::kHealthGood, true};
}

}  // namespace monitor
