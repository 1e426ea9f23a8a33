#include "monitor/pages/win32/setting_page.h"

#include <array>

#include "monitor/win32/app.h"
#include "resources/resource_ids.h"

namespace monitor {
namespace {

// The edits of the number fields, in SettingField order.
constexpr std::array<int, kSettingFieldCount> kNumberEdits = {
    IDC_WARNING_TEMPERATURE, IDC_CHECK_INTERVAL, IDC_ALLOWABLE_COUNT};

}  // namespace

CSetting::CSetting(CVormakApp& app, MonitorHooks& host)
    : PageView(app, IDD_PAGE_SETTING), core_(app.profile(), app.slots, host) {}

std::optional<LRESULT> CSetting::OnMessage(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_SHOWWINDOW:
      LoadSettings(wParam != FALSE);
      break;  // the default handling still runs
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) break;
      if (LOWORD(wParam) == IDC_APPLY) {
        ApplySettings();
        return 0;
      }
      if (LOWORD(wParam) == IDC_DEFAULT) {
        Default();
        return 0;
      }
      break;
    default:
      break;
  }
  return std::nullopt;
}

void CSetting::LoadSettings(bool show) {
  if (show) WriteForm(core_.LoadSettings());
}

void CSetting::ApplySettings() {
  core_.ApplySettings(ReadForm(), *this);
}

void CSetting::Default() {
  WriteForm(core_.DefaultSettings());
  ApplySettings();
}

bool CSetting::IsSettingChanged() {
  return core_.IsSettingChanged(ReadForm(), *this);
}

SettingsForm CSetting::ReadForm() const {
  SettingsForm form;
  for (int field = 0; field < kSettingFieldCount; ++field) {
    form.numbers[field] = ItemText(kNumberEdits[field]);
  }
  form.runAtStartup = Checked(IDC_RUN_AT_STARTUP);
  form.temperatureLog = Checked(IDC_TEMPERATURE_LOG);
  form.healthLog = Checked(IDC_HEALTH_LOG);
  form.deviceLog = Checked(IDC_DEVICE_LOG);
  form.noWake = Checked(IDC_NO_WAKE);
  return form;
}

void CSetting::WriteForm(const SettingsForm& form) {
  for (int field = 0; field < kSettingFieldCount; ++field) {
    SetItemText(kNumberEdits[field], form.numbers[field]);
  }
  SetChecked(IDC_RUN_AT_STARTUP, form.runAtStartup);
  SetChecked(IDC_TEMPERATURE_LOG, form.temperatureLog);
  SetChecked(IDC_HEALTH_LOG, form.healthLog);
  SetChecked(IDC_DEVICE_LOG, form.deviceLog);
  SetChecked(IDC_NO_WAKE, form.noWake);
}

void CSetting::ShowMessage(unsigned stringId) {
  monitor::ShowMessage(hwnd(), app_, stringId, MB_OK);
}

void CSetting::Focus(SettingField field) {
  SetFocus(Item(kNumberEdits[static_cast<int>(field)]));
}

}  // namespace monitor
