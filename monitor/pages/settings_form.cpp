#include "monitor/pages/settings_form.h"

#include <string>

#include "monitor/record_text.h"
#include "monitor/settings.h"
#include "monitor/warning_limit.h"
#include "resources/resource_ids.h"

namespace monitor {
namespace {

constexpr std::array<const IntSetting*, kSettingFieldCount> kNumberSettings = {
    &kWarningTemperature, &kCheckInterval, &kAllowableCount};

std::size_t Index(SettingField field) {
  return static_cast<std::size_t>(field);
}

SettingField FieldAt(std::size_t index) {
  return static_cast<SettingField>(index);
}

}  // namespace

std::optional<std::uint32_t> ParseUnsigned(const std::u16string& text) {
  std::size_t at = 0;
  while (at < text.size() && IsWhiteSpace(text[at])) ++at;
  std::uint64_t value = 0;
  const std::size_t firstDigit = at;
  for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at) {
    value = value * 10 + (text[at] - u'0');
    if (value > UINT32_MAX) return std::nullopt;
  }
  if (at == firstDigit) return std::nullopt;
  while (at < text.size() && IsWhiteSpace(text[at])) ++at;
  if (at != text.size()) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

SettingsPageCore::SettingsPageCore(Profile& profile, SlotTable& table, MonitorHooks& host)
    : profile_(profile), table_(table), host_(host) {}

SettingsForm SettingsPageCore::FormOfMembers() const {
  SettingsForm form;
  for (std::size_t i = 0; i < kSettingFieldCount; ++i) {
    form.numbers[i] = Widen(std::to_string(members_[i]));
  }
  return form;
}

SettingsForm SettingsPageCore::LoadSettings() {
  for (std::size_t i = 0; i < kSettingFieldCount; ++i) {
    members_[i] = ReadUnsigned(profile_, *kNumberSettings[i]);
  }
  SettingsForm form = FormOfMembers();
  form.runAtStartup = profile_.HasRunEntry();
  form.temperatureLog = IsOn(profile_, kTemperatureLog);
  form.healthLog = IsOn(profile_, kHealthLog);
  form.deviceLog = IsOn(profile_, kDeviceLog);
  form.noWake = IsOn(profile_, kNoWake);
  return form;
}

// Stops at the first field that does not parse, after saying so; that
// member and the ones after it keep their earlier values.
void SettingsPageCore::ReadNumbers(const SettingsForm& form, SettingsUi& ui) {
  for (std::size_t i = 0; i < kSettingFieldCount; ++i) {
    const std::optional<std::uint32_t> number = ParseUnsigned(form.numbers[i]);
    if (!number) {
      ui.ShowMessage(IDS_PARSE_POSITIVE_INTEGER);
      ui.Focus(FieldAt(i));
      return;
    }
    members_[i] = *number;
  }
}

bool SettingsPageCore::ApplySettings(const SettingsForm& form, SettingsUi& ui) {
  for (std::size_t i = 0; i < kSettingFieldCount; ++i) {
    if (form.numbers[i].empty()) {
      ui.ShowMessage(IDS_PLEASE_INPUT);
      ui.Focus(FieldAt(i));
      return false;
    }
  }
  ReadNumbers(form, ui);
  if (members_[Index(SettingField::CheckInterval)] == 0) {
    ui.ShowMessage(IDS_CHECK_INTERVAL_TOO_SMALL);
    ui.Focus(SettingField::CheckInterval);
    return false;
  }
  if (members_[Index(SettingField::AllowableCount)] == 0) {
    ui.ShowMessage(IDS_ALLOWABLE_COUNT_TOO_SMALL);
    ui.Focus(SettingField::AllowableCount);
    return false;
  }
  Store(form);
  ResetCountsBelowLimits(table_, profile_);
  host_.UpdateTrayIcons(true);
  host_.InvalidateDialog();
  return true;
}

void SettingsPageCore::Store(const SettingsForm& form) {
  // A Run key that cannot be opened is skipped and failed writes are not
  // reported: the user has no way to act on either.
  profile_.SetRunEntry(form.runAtStartup);
  WriteSetting(profile_, kTemperatureLog, form.temperatureLog ? 1 : 0);
  WriteSetting(profile_, kHealthLog, form.healthLog ? 1 : 0);
  WriteSetting(profile_, kDeviceLog, form.deviceLog ? 1 : 0);
  WriteSetting(profile_, kWarningTemperature,
               static_cast<std::int32_t>(members_[Index(SettingField::WarningTemperature)]));
  WriteSetting(profile_, kCheckInterval,
               static_cast<std::int32_t>(members_[Index(SettingField::CheckInterval)]));
  WriteSetting(profile_, kAllowableCount,
               static_cast<std::int32_t>(members_[Index(SettingField::AllowableCount)]));
  WriteSetting(profile_, kNoWake, form.noWake ? 1 : 0);
}

SettingsForm SettingsPageCore::DefaultSettings() {
  for (std::size_t i = 0; i < kSettingFieldCount; ++i) {
    members_[i] = static_cast<std::uint32_t>(kNumberSettings[i]->defaultValue);
  }
  SettingsForm form = FormOfMembers();
  form.runAtStartup = form.temperatureLog = form.healthLog = form.deviceLog = true;
  form.noWake = kNoWake.defaultValue != 0;
  return form;
}

bool SettingsPageCore::IsSettingChanged(const SettingsForm& form, SettingsUi& ui) {
  for (const std::u16string& number : form.numbers) {
    if (number.empty()) return true;
  }
  ReadNumbers(form, ui);
  return profile_.HasRunEntry() != form.runAtStartup ||
         IsOn(profile_, kTemperatureLog) != form.temperatureLog ||
         IsOn(profile_, kHealthLog) != form.healthLog ||
         IsOn(profile_, kDeviceLog) != form.deviceLog || IsOn(profile_, kNoWake) != form.noWake ||
         ReadUnsigned(profile_, kCheckInterval) != members_[Index(SettingField::CheckInterval)] ||
         ReadUnsigned(profile_, kWarningTemperature) !=
             members_[Index(SettingField::WarningTemperature)] ||
         ReadUnsigned(profile_, kAllowableCount) != members_[Index(SettingField::AllowableCount)];
}

}  // namespace monitor
