#include "monitor/pages/win32/hdd_info_page.h"

#include <windowsx.h>

#include "common/win32/wide_text.h"
#include "monitor/warning_limit.h"
#include "monitor/win32/app.h"
#include "resources/resource_ids.h"

namespace monitor {
namespace {

constexpr UINT kVolumeAnswerMessage = WM_APP + 1;

}  // namespace

CHDDInfo::CHDDInfo(CVormakApp& app) : PageView(app, IDD_PAGE_HDD_INFO) {}

void CHDDInfo::OnInitDialog() {
  volumes_ = std::make_unique<VolumeWorker>(hwnd(), kVolumeAnswerMessage);
}

std::optional<LRESULT> CHDDInfo::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) != IDC_DRIVE_LETTERS || HIWORD(wParam) != CBN_SELCHANGE) break;
      ShowVolumeInfo();
      return 0;
    case WM_DRAWITEM:
      OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case kVolumeAnswerMessage: {
      const std::unique_ptr<VolumeAnswer> answer = TakePosted<VolumeAnswer>(lParam);
      // An answer for a letter no longer chosen is stale.
      if (answer->root == shownRoot_) ShowVolumeFacts(answer->facts);
      return 0;
    }
    default:
      break;
  }
  return std::nullopt;
}

void CHDDInfo::RefreshDriveInfo() {
  const DriveFacts facts = DriveFactsOf(app_.slots, app_.strings());
  SetItemText(IDC_MAKER, facts.maker);
  SetItemText(IDC_MODEL_NAME, facts.model);
  SetItemText(IDC_SERIAL_NUMBER, facts.serial);
  SetItemText(IDC_FIRMWARE, facts.firmware);
  SetItemText(IDC_POWER_ON_TIME, facts.powerOnTime);
  SetItemText(IDC_DRIVE_POWER, facts.power);
  const std::optional<WarningLimit> limit = SelectedWarningLimit(app_.slots, app_.profile());
  SetItemText(IDC_WARNING_LIMIT, limit ? WarningLimitText(*limit, app_.strings()) : u"");

  const HWND letters = Item(IDC_DRIVE_LETTERS);
  ComboBox_ResetContent(letters);
  for (const std::u16string& letter : facts.letters) {
    ComboBox_AddString(letters, ardmon::Wide(letter).c_str());
  }
  const bool any = !facts.letters.empty();
  EnableWindow(letters, any);
  if (any) ComboBox_SetCurSel(letters, 0);
  ShowVolumeInfo();
  InvalidateRect(hwnd(), nullptr, TRUE);
}

std::u16string CHDDInfo::ChosenRoot() const {
  const HWND letters = Item(IDC_DRIVE_LETTERS);
  const int chosen = ComboBox_GetCurSel(letters);
  if (chosen < 0) return {};
  wchar_t letter[8] = {};
  if (ComboBox_GetLBTextLen(letters, chosen) >= static_cast<int>(std::size(letter))) return {};
  ComboBox_GetLBText(letters, chosen, letter);
  const std::wstring_view text(letter);
  return VolumeRoot(std::u16string(text.begin(), text.end()));
}

// The fields keep showing a volume while it is queried again, so a refresh
// does not blink; another volume empties them until its answer comes.
void CHDDInfo::ShowVolumeInfo() {
  const std::u16string root = ChosenRoot();
  if (root != shownRoot_) {
    shownRoot_ = root;
    ShowVolumeFacts({});
  }
  if (!root.empty()) volumes_->Request(root);
}

void CHDDInfo::ShowVolumeFacts(const VolumeFacts& facts) {
  usedShare_ = facts.usedShare;
  SetItemText(IDC_VOLUME_LABEL, facts.label);
  SetItemText(IDC_FILE_SYSTEM, facts.fileSystem);
  SetItemText(IDC_USED_SPACE, facts.usedSpace);
  SetItemText(IDC_FREE_SPACE, facts.freeSpace);
  InvalidateRect(Item(IDC_USED_BAR), nullptr, FALSE);
}

// The legend squares, and the bar: used space from the left, free space
// after it; no bar while no volume is shown.
void CHDDInfo::OnDrawItem(const DRAWITEMSTRUCT& item) const {
  switch (item.CtlID) {
    case IDC_USED_SQUARE:
      FillDrawnItem(item, kUsedSpaceColour);
      FrameDrawnItem(item);
      return;
    case IDC_FREE_SQUARE:
      FillDrawnItem(item, kFreeSpaceColour);
      FrameDrawnItem(item);
      return;
    case IDC_USED_BAR: {
      if (usedShare_ > 100) {
        FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_3DFACE));
        return;
      }
      FillDrawnItem(item, kUsedSpaceColour);
      DRAWITEMSTRUCT free = item;
      free.rcItem.left =
          UsedBarEnd(item.rcItem.left, item.rcItem.right - item.rcItem.left, usedShare_);
      FillDrawnItem(free, kFreeSpaceColour);
      return;
    }
    default:
      return;
  }
}

}  // namespace monitor
