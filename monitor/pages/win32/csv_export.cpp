#include "monitor/pages/win32/csv_export.h"

#include <commdlg.h>

#include <vector>

#include "common/win32/wide_text.h"
#include "monitor/win32/app.h"
#include "resources/resource_ids.h"

namespace monitor {
namespace {

constexpr wchar_t kCsvFilter[] = L"CSV files {*.csv}\0*.csv\0All files{*.*}\0*.*\0";
// Room for the longest path the platform takes.
constexpr DWORD kPathChars = 32768;

}  // namespace

void ExportCsv(HWND owner, const CVormakApp& app, FileSystem& files,
               const std::function<std::string()>& text) {
  std::vector<wchar_t> path(kPathChars, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kCsvFilter;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = kPathChars;
  dialog.lpstrDefExt = L"csv";
  dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
  if (!GetSaveFileNameW(&dialog)) return;

  const std::u16string target(reinterpret_cast<const char16_t*>(path.data()));
  if (ReplaceUserFile(files, target, text())) return;
  const std::wstring message =
      ardmon::Wide(app.strings().Get(IDS_FILE_NOT_WRITTEN) + u"\n") + ardmon::Wide(target);
  MessageBoxW(owner, message.c_str(), ardmon::Wide(app.title()).c_str(), MB_OK);
}

}  // namespace monitor
