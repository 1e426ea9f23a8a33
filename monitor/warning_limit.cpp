#include "monitor/warning_limit.h"

#include "common/nvme_health.h"
#include "common/nvme_identify.h"
#include "monitor/drive_value_name.h"
#include "monitor/pages/settings_form.h"
#include "monitor/record_text.h"
#include "monitor/settings.h"
#include "resources/resource_ids.h"

namespace monitor {

namespace nvme = ardmon::nvme;

std::optional<std::uint32_t> DriveWarningThreshold(const ardmon::TempInfoRecord& temp) {
  if (!nvme::IsNvmeRecord(temp) || !temp.IdentifyOk) return std::nullopt;
  const std::uint8_t celsius = nvme::CelsiusFromKelvin(
      nvme::ReadIdentifyWord(temp.IdentifyData, nvme::kWarningTemperatureOffset));
  if (celsius == 0) return std::nullopt;
  return celsius;
}

WarningLimit ChooseWarningLimit(std::optional<std::uint32_t> own,
                                const ardmon::TempInfoRecord& temp, std::uint32_t setting) {
  if (own) return {*own, LimitSource::kOwn};
  if (const std::optional<std::uint32_t> drive = DriveWarningThreshold(temp)) {
    return {*drive, LimitSource::kDriveThreshold};
  }
  return {setting, LimitSource::kSetting};
}

std::optional<std::uint32_t> OwnWarningLimit(Profile& profile, const ardmon::TempInfoRecord& temp) {
  const std::u16string name = DriveValueNameOf(temp);
  if (name.empty()) return std::nullopt;
  const std::optional<std::int32_t> stored = profile.FindProfileInt(kDriveTempSection, name);
  if (!stored) return std::nullopt;
  return static_cast<std::uint32_t>(*stored);
}

bool StoreOwnWarningLimit(Profile& profile, const ardmon::TempInfoRecord& temp,
                          std::optional<std::uint32_t> own) {
  const std::u16string name = DriveValueNameOf(temp);
  if (name.empty()) return false;
  if (!own) return profile.DeleteProfileValue(kDriveTempSection, name);
  return profile.WriteProfileInt(kDriveTempSection, name, static_cast<std::int32_t>(*own));
}

WarningLimit WarningLimitOf(Profile& profile, const ardmon::TempInfoRecord& temp,
                            std::uint32_t setting) {
  return ChooseWarningLimit(OwnWarningLimit(profile, temp), temp, setting);
}

WarningLimit WarningLimitOf(Profile& profile, const ardmon::TempInfoRecord& temp) {
  return WarningLimitOf(profile, temp, ReadUnsigned(profile, kWarningTemperature));
}

WarningLimit DefaultWarningLimit(Profile& profile, const ardmon::TempInfoRecord& temp) {
  return ChooseWarningLimit(std::nullopt, temp, ReadUnsigned(profile, kWarningTemperature));
}

std::optional<WarningLimit> SelectedWarningLimit(const SlotTable& table, Profile& profile) {
  const DriveSlot* drive = table.SelectedDrive();
  if (!drive) return std::nullopt;
  return WarningLimitOf(profile, drive->slotRecord.Temp);
}

bool SelectedDriveMayHaveOwnLimit(const SlotTable& table) {
  const DriveSlot* drive = table.SelectedDrive();
  return drive && !DriveValueNameOf(drive->slotRecord.Temp).empty();
}

std::u16string OwnWarningLimitText(Profile& profile, const ardmon::TempInfoRecord& temp) {
  const std::optional<std::uint32_t> own = OwnWarningLimit(profile, temp);
  return own ? Widen(std::to_string(*own)) : std::u16string();
}

OwnLimitChange ApplyOwnWarningLimitText(Profile& profile, SlotTable& table,
                                        const ardmon::TempInfoRecord& temp,
                                        const std::u16string& text) {
  std::optional<std::uint32_t> own;
  if (!Trimmed(text).empty()) {
    own = ParseUnsigned(text);
    if (!own) return OwnLimitChange::kNotANumber;
  }
  if (!StoreOwnWarningLimit(profile, temp, own)) return OwnLimitChange::kUnnamed;
  ResetCountsBelowLimits(table, profile);
  return own ? OwnLimitChange::kStored : OwnLimitChange::kRemoved;
}

std::u16string WarningLimitText(const WarningLimit& limit, const ardmon::Strings& strings) {
  unsigned source = IDS_LIMIT_FROM_SETTING;
  if (limit.source == LimitSource::kOwn) source = IDS_LIMIT_FROM_OWN;
  if (limit.source == LimitSource::kDriveThreshold) source = IDS_LIMIT_FROM_DRIVE;
  return Widen(std::to_string(limit.celsius)) + u"\u2103 (" + strings.Get(source) + u")";
}

void ResetCountsBelowLimits(SlotTable& table, Profile& profile) {
  const std::uint32_t setting = ReadUnsigned(profile, kWarningTemperature);
  for (DriveSlot& drive : table.slots) {
    const ardmon::TempInfoRecord& temp = drive.slotRecord.Temp;
    if (temp.Temperature < WarningLimitOf(profile, temp, setting).celsius) drive.overCount = 0;
  }
}

}  // namespace monitor
