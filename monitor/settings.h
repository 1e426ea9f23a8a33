// The values of the "SETTING" section and their defaults.
#pragma once

#include <cstdint>
#include <string_view>

#include "monitor/profile.h"

namespace monitor {

constexpr std::u16string_view kSettingSection = u"SETTING";

struct IntSetting {
  std::u16string_view name;
  std::int32_t defaultValue;
};

constexpr IntSetting kWarningTemperature{u"TEMP", 50};
constexpr IntSetting kCheckInterval{u"TIME", 2};  // minutes
constexpr IntSetting kAllowableCount{u"COUNT", 3};
constexpr IntSetting kTemperatureLog{u"TEMPLOG", 1};
constexpr IntSetting kHealthLog{u"HEALTHLOG", 1};
constexpr IntSetting kDeviceLog{u"DEVICELOG", 1};
constexpr IntSetting kTemperatureMail{u"TEMPMAIL", 0};
constexpr IntSetting kHealthMail{u"HEALTHMAIL", 0};
// Nonzero: a drive that sleeps is not read, so not woken, by the cycle.
constexpr IntSetting kNoWake{u"NOWAKE", 1};

inline std::int32_t Read(Profile& profile, const IntSetting& setting) {
  return profile.GetProfileInt(kSettingSection, setting.name, setting.defaultValue);
}

// Read as stored and compared unsigned, as the settings page writes them.
inline std::uint32_t ReadUnsigned(Profile& profile, const IntSetting& setting) {
  return static_cast<std::uint32_t>(Read(profile, setting));
}

inline bool IsOn(Profile& profile, const IntSetting& setting) {
  return Read(profile, setting) != 0;
}

inline bool WriteSetting(Profile& profile, const IntSetting& setting, std::int32_t value) {
  return profile.WriteProfileInt(kSettingSection, setting.name, value);
}

}  // namespace monitor
