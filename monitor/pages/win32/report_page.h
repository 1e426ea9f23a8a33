// CReport: the Log page. It lists the monitoring cycle's events, newest on
// top, keeps the newest in the log files and exports them all as CSV.
// Nothing logged is lost: the files are written after every change, once
// for all the entries a cycle brings; the files are read and written away
// from the window's thread.
#pragma once

#include <windows.h>

#include <memory>

#include "monitor/pages/event_log.h"
#include "monitor/pages/win32/page_view.h"
#include "monitor/store/log_store.h"
#include "monitor/win32/ansi_code_page.h"
#include "monitor/win32/win32_file_system.h"

namespace monitor {

class CReport final : public PageView {
 public:
  explicit CReport(CVormakApp& app);

  void AddLogEntry(const std::u16string& text);
  // Before the program ends: writes the files and waits for them, briefly.
  void SaveLogFiles();

 private:
  void OnInitDialog() override;
  std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnLoaded(LoadedLog loaded);
  void InsertRow(int row, const LogEntry& entry);
  void Clear();
  // Saves once the entries of this burst are in.
  void SaveSoon();

  std::shared_ptr<Win32FileSystem> files_ = std::make_shared<Win32FileSystem>();
  std::shared_ptr<AnsiCodePage> codePage_ = std::make_shared<AnsiCodePage>();
  EventLog log_;
  LogStore store_{files_, codePage_};
  HWND list_ = nullptr;
  bool savePending_ = false;
};

}  // namespace monitor
