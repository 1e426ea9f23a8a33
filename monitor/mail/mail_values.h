// The mail values of the "SETTING" section: the Mail page writes them, the
// alert mail reads them at each mail.
#pragma once

#include <string_view>

#include "monitor/settings.h"

namespace monitor {

constexpr IntSetting kMailAuth{u"MAILAUTH", 0};
constexpr IntSetting kMailSecurity{u"SSLTLS", 0};
constexpr IntSetting kSmtpPort{u"SMTPPORT", 25};
constexpr IntSetting kPopPort{u"POPPORT", 110};

constexpr std::u16string_view kSmtpServer = u"SMTPSVR";
constexpr std::u16string_view kPopServer = u"POPSVR";
constexpr std::u16string_view kSenderAddress = u"SENDMAIL";
constexpr std::u16string_view kMailUser = u"SENDUSER";
constexpr std::u16string_view kMailPassword = u"SENDPASS";
constexpr std::u16string_view kRecipient1 = u"RCPTMAIL";
constexpr std::u16string_view kRecipient2 = u"RCPTMAIL2";

inline std::u16string ReadText(Profile& profile, std::u16string_view name) {
  return profile.GetProfileString(kSettingSection, name, u"");
}

inline bool WriteText(Profile& profile, std::u16string_view name, std::u16string_view value) {
  return profile.WriteProfileString(kSettingSection, name, value);
}

}  // namespace monitor
