// CReport: the Log page. It lists the monitoring cycle's events, newest on
// top, keeps the newest in the log files and exports them all as CSV.
// Nothing logged is lost: the files are written after every change, once
// for all the entries a cycle brings.
#pragma once

#include <windows.h>

#include "monitor/pages/event_log.h"
#include "monitor/pages/win32/page_view.h"
#include "monitor/win32/ansi_code_page.h"
#include "monitor/win32/win32_file_system.h"

namespace monitor {

class CReport final : public PageView {
 public:
  explicit CReport(CVormakApp& app);

  void AddLogEntry(const std::u16string& text);
  void SaveLogFiles();

 private:
  void OnInitDialog() override;
  std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void LoadLogFiles();
  void InsertRow(int row, const LogEntry& entry);
  void Clear();
  // Saves once the entries of this burst are in.
  void SaveSoon();

  Win32FileSystem files_;
  AnsiCodePage codePage_;
  EventLog log_;
  HWND list_ = nullptr;
  bool savePending_ = false;
};

}  // namespace monitor
