// CSetting: the Setting page. Its edits take effect only through Apply or
// Default; the main dialog asks about unapplied edits when the user leaves.
#pragma once

#include <windows.h>

#include "monitor/pages/settings_form.h"
#include "monitor/pages/win32/page_view.h"

namespace monitor {

class CSetting final : public PageView, private SettingsUi {
 public:
  // `host` is the main dialog, refreshed after an apply.
  CSetting(CVormakApp& app, MonitorHooks& host);

  // Reloads the controls from the stored settings when `show` is true.
  void LoadSettings(bool show);
  void ApplySettings();
  bool IsSettingChanged();

  bool HasUnappliedEdits() override { return IsSettingChanged(); }
  void ApplyEdits() override { ApplySettings(); }
  void DiscardEdits() override { LoadSettings(true); }

 private:
  std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Default();
  SettingsForm ReadForm() const;
  void WriteForm(const SettingsForm& form);
  void ShowMessage(unsigned stringId) override;
  void Focus(SettingField field) override;

  SettingsPageCore core_;
};

}  // namespace monitor
