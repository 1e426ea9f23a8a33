// The Setting page's rules: what its controls show after loading, how an
// apply validates and stores them, Default, and whether the controls hold
// edits that were not applied.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "monitor/monitor_hooks.h"
#include "monitor/profile.h"
#include "monitor/slot_table.h"

namespace monitor {

// The three number fields, in the order they are read.
enum class SettingField { WarningTemperature, CheckInterval, AllowableCount };
constexpr int kSettingFieldCount = 3;

// What the page's controls hold.
struct SettingsForm {
  std::array<std::u16string, kSettingFieldCount> numbers;  // by SettingField
  bool runAtStartup = false;
  bool temperatureLog = false;
  bool healthLog = false;
  bool deviceLog = false;
  bool noWake = false;  // sleeping disks are not woken
};

// What an apply shows the user: a message box, then the keyboard focus.
class SettingsUi {
 public:
  virtual ~SettingsUi() = default;
  virtual void ShowMessage(unsigned stringId) = 0;
  virtual void Focus(SettingField field) = 0;
};

// An unsigned 32-bit decimal number, blanks around it allowed; nothing for
// any other text, a number beyond 32 bits included.
std::optional<std::uint32_t> ParseUnsigned(const std::u16string& text);

class SettingsPageCore {
 public:
  // `host` is the main dialog: its tray icons and its repaint after an apply.
  SettingsPageCore(Profile& profile, SlotTable& table, MonitorHooks& host);

  // The stored settings, for the controls.
  SettingsForm LoadSettings();
  // Validates and stores the controls' values; false when it refused them.
  bool ApplySettings(const SettingsForm& form, SettingsUi& ui);
  // The defaults, for the controls; the page then applies them.
  SettingsForm DefaultSettings();
  // True when the controls differ from the stored settings or a number
  // field is empty.
  bool IsSettingChanged(const SettingsForm& form, SettingsUi& ui);

 private:
  void ReadNumbers(const SettingsForm& form, SettingsUi& ui);
  SettingsForm FormOfMembers() const;
  void Store(const SettingsForm& form);

  Profile& profile_;
  SlotTable& table_;
  MonitorHooks& host_;
  // The numbers as last read; a field that does not parse keeps its value.
  std::array<std::uint32_t, kSettingFieldCount> members_{};
};

}  // namespace monitor
