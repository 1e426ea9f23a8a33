// CGraph: the Graph page. It keeps the temperature history of every slot,
// draws the selected drive's line in a window moved by two scroll bars,
// and exports the whole history as CSV.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>

#include "monitor/pages/graph.h"
#include "monitor/pages/win32/page_view.h"
#include "monitor/store/win32/history_writer.h"
#include "monitor/win32/ansi_code_page.h"
#include "monitor/win32/win32_file_system.h"

namespace monitor {

// Sent to the page: a sample with the interval in wParam, as a timer cycle
// adds it, so that a test can lay down hours of history in moments.
constexpr UINT kGraphSampleMessage = WM_APP + 1;

class CGraph final : public PageView {
 public:
  explicit CGraph(CVormakApp& app);
  // The last changes go to the history file.
  ~CGraph() override;

  // Reads the history kept across runs, away from the window's thread,
  // shows it and then calls `loaded`, with whether the file had to be set
  // aside.
  void LoadHistory(std::function<void(bool setAside)> loaded);

  void AddGraphSample(int intervalMinutes);
  void ClearGraphSlot(int slot);
  // Draws the selected drive's line anew.
  void Repaint() const;

 private:
  void OnInitDialog() override;
  std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  std::optional<LRESULT> OnScroll(HWND bar, WPARAM request);
  void Clear();
  // Hands the changes to the file once the cycle's burst of them is in.
  void RecordSoon();
  void Record();
  // The bars and the axis labels as the window now is.
  void ShowWindowState() const;
  void Draw(const DRAWITEMSTRUCT& item) const;

  GraphPageCore core_;
  Win32FileSystem files_;
  AnsiCodePage codePage_;
  std::function<void(bool)> loaded_;
  bool recordPending_ = false;
  HistoryWriter history_;
};

}  // namespace monitor
