#include "monitor/win32/app.h"
#include "common/win32/wide_text.h"

#include <commctrl.h>

#include "common/service_protocol.h"
#include "monitor/win32/main_dialog.h"
#include "monitor/win32/shell_tray_area.h"
#include "resources/resource_ids.h"

namespace monitor {
namespace {

using ardmon::Wide;

constexpr wchar_t kMutexName[] = L"Temperature";
constexpr wchar_t kDialogClass[] = L"CVormakDlg";
constexpr char16_t kCompany[] = u"Halvane";
constexpr int kServiceAttempts = 10;
constexpr DWORD kServiceRetryMs = 1000;

bool ServiceRunning() {
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return false;
  bool running = false;
  SC_HANDLE service = OpenServiceW(manager, reinterpret_cast<const wchar_t*>(ardmon::kServiceName),
                                   SERVICE_QUERY_STATUS);
  if (service) {
    SERVICE_STATUS status{};
    running = QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_RUNNING;
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
  return running;
}

}  // namespace

int ShowMessage(HWND owner, const CVormakApp& app, unsigned stringId, UINT buttons) {
  const std::wstring text = Wide(app.strings().Get(stringId));
  return MessageBoxW(owner, text.c_str(), Wide(app.title()).c_str(), buttons);
}

CVormakApp::CVormakApp(HINSTANCE instance)
    : instance_(instance), language_(ardmon::UserLanguage()), strings_(instance, language_) {}

CVormakApp::~CVormakApp() {
  if (instanceMutex_) {
    ReleaseMutex(instanceMutex_);
    CloseHandle(instanceMutex_);
  }
}

// The application title names the profile; without it, the program's name.
std::u16string CVormakApp::title() const {
  std::u16string title = strings_.Get(IDS_APP_TITLE);
  if (!title.empty()) return title;
  const std::wstring name = ardmon::ModulePath().stem().wstring();
  return std::u16string(name.begin(), name.end());
}

// The running copy, if its window exists yet, comes forward showing the
// first drive.
bool CVormakApp::IsSecondCopy() {
  instanceMutex_ = CreateMutexW(nullptr, TRUE, kMutexName);
  if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
  if (HWND running = FindWindowW(kDialogClass, nullptr)) {
    PostMessageW(running, WM_TRAYNOTIFY, 0, WM_LBUTTONDOWN);
    SetForegroundWindow(running);
  }
  return true;
}

// The dialog template names this class so a second copy can find the window.
bool CVormakApp::RegisterDialogClass() {
  WNDCLASSW dialogClass{};
  if (!GetClassInfoW(nullptr, L"#32770", &dialogClass)) return false;
  dialogClass.hInstance = instance_;
  dialogClass.lpszClassName = kDialogClass;
  return RegisterClassW(&dialogClass) != 0;
}

bool CVormakApp::WaitForService() {
  for (int attempt = 0; attempt < kServiceAttempts; ++attempt) {
    if (ServiceRunning()) return true;
    Sleep(kServiceRetryMs);
  }
  return false;
}

void CVormakApp::SetRegistryKey(const std::u16string& company) {
  profile_ = std::make_unique<RegistryProfile>(company, title());
}

int CVormakApp::Run() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);
  if (IsSecondCopy()) return 0;
  if (!RegisterDialogClass()) return 1;
  if (!WaitForService()) {
    ShowMessage(nullptr, *this, IDS_SERVICE_NOT_STARTED, MB_OK);
    return 0;
  }
  SetRegistryKey(kCompany);
  CVormakDlg dialog(*this);
  dialog.DoModal();
  return 0;
}

}  // namespace monitor

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  monitor::CVormakApp app(instance);
  return app.Run();
}
