// The settings as another program or a damaged registry may have left
// them: every value of the "SETTING" section stored with any type and
// length, then read by the Setting and Mail pages, the alert mail and the
// tray. The input: records of a name byte, a type byte, a length byte and
// that many value bytes.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "monitor/drive_list.h"
#include "monitor/mail/alert_mail.h"
#include "monitor/mail/mail_values.h"
#include "monitor/memory_profile.h"
#include "monitor/pages/mail_settings.h"
#include "monitor/pages/settings_form.h"
#include "monitor/tray_icons.h"
#include "resources/strings.h"

namespace {

using namespace monitor;

constexpr std::array<std::u16string_view, 19> kNames = {kWarningTemperature.name,
                                                        kCheckInterval.name,
                                                        kAllowableCount.name,
                                                        kTemperatureLog.name,
                                                        kHealthLog.name,
                                                        kDeviceLog.name,
                                                        kTemperatureMail.name,
                                                        kHealthMail.name,
                                                        kMailAuth.name,
                                                        kMailSecurity.name,
                                                        kSmtpPort.name,
                                                        kPopPort.name,
                                                        kSmtpServer,
                                                        kPopServer,
                                                        kSenderAddress,
                                                        kMailUser,
                                                        kMailPassword,
                                                        kRecipient1,
                                                        kRecipient2};

class XorCipher : public PasswordCipher {
 public:
  bool ProtectPassword(unsigned char* bytes, std::size_t length, bool) override {
    for (std::size_t i = 0; i < length; ++i) bytes[i] ^= static_cast<unsigned char>(0x5A + i);
    return true;
  }
};

class FixedClock : public Clock {
 public:
  std::int64_t Now() override { return 1'800'000'000; }
  std::optional<CalendarTime> Local(std::int64_t time) override { return CalendarAt(time, 0); }
};

class IgnoringUi : public SettingsUi, public MailUi {
 public:
  void ShowMessage(unsigned) override {}
  void Focus(SettingField) override {}
  void Focus(MailField) override {}
};

class IgnoringTray : public TrayArea {
 public:
  bool ShowDriveIcon(const DriveIcon&) override { return true; }
  bool DeleteIcon(int) override { return true; }
  bool ShowAppIcon(const std::u16string&) override { return true; }
  bool RemoveAppIcon() override { return true; }
};

void StoreRecords(const std::uint8_t* data, std::size_t size, MemoryProfile& profile) {
  for (std::size_t at = 0; at + 3 <= size;) {
    const std::u16string_view name = kNames[data[at] % kNames.size()];
    StoredValue value{data[at + 1] % 12u, {}};
    const std::size_t length = std::min<std::size_t>(data[at + 2], size - at - 3);
    at += 3;
    value.bytes.assign(data + at, data + at + length);
    at += length;
    profile.Store(kSettingSection, name, std::move(value));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ardmon::TableStrings strings(ardmon::Language::English);
  MemoryProfile profile;
  StoreRecords(data, size, profile);
  XorCipher cipher;
  IgnoringUi ui;

  SlotTable table;
  MonitorHooks host;
  SettingsPageCore settings(profile, table, host);
  settings.IsSettingChanged(settings.LoadSettings(), ui);

  MailPageCore mail(profile, cipher);
  mail.IsModified(mail.OnShowPage(), ui);

  const Latin1CodePage codePage;
  FixedClock clock;
  ComposeAlertMail(MailSources{profile, cipher, codePage, clock, u"Quenby"}, u"TestMail");

  DriveListModel list;
  IgnoringTray tray;
  UpdateTrayIcons(true, list, table, profile, strings, tray);
  return 0;
}
