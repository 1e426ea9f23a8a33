// What the GUI tests need around the real Ardmon.exe: its process, its
// windows and message boxes, waiting with a bound, its registry profile,
// the simulated machine's fixture and screenshots of the X display.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/win32/wide_text.h"
#include "disklib/sim/fixture.h"

namespace monitorgui {

// Polls `done` every `pollMs` until it holds or `timeoutMs` has passed.
template <typename Done>
bool WaitUntil(Done done, DWORD timeoutMs, DWORD pollMs = 20) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    if (done()) return true;
    if (GetTickCount64() >= deadline) return false;
    Sleep(pollMs);
  }
}

inline std::filesystem::path OwnFolder() {
  return ardmon::ModulePath().parent_path();
}

// A Unix path as Wine's Z: drive shows it.
inline std::filesystem::path FromUnix(const std::string& path) {
  return std::filesystem::path(L"Z:" + std::filesystem::path(path).wstring());
}

// A program started here, ended here if it is still running at the end.
class Process {
 public:
  Process() = default;
  // `arguments` are appended to the quoted program path as they are.
  explicit Process(const std::filesystem::path& exe, const std::wstring& arguments = L"") {
    std::wstring commandLine = L"\"" + exe.wstring() + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       exe.parent_path().c_str(), &startup, &process)) {
      CloseHandle(process.hThread);
      handle_ = process.hProcess;
      id_ = process.dwProcessId;
    }
  }
  Process(Process&& other) noexcept { *this = std::move(other); }
  Process& operator=(Process&& other) noexcept {
    std::swap(handle_, other.handle_);
    std::swap(id_, other.id_);
    return *this;
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process() {
    if (!handle_) return;
    if (Running()) Kill();
    CloseHandle(handle_);
  }

  bool started() const { return handle_ != nullptr; }
  DWORD id() const { return id_; }
  bool Running() const { return handle_ && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT; }
  bool WaitForExit(DWORD timeoutMs) const {
    return handle_ && WaitForSingleObject(handle_, timeoutMs) == WAIT_OBJECT_0;
  }
  DWORD ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (handle_) GetExitCodeProcess(handle_, &code);
    return code;
  }
  void Kill() const {
    TerminateProcess(handle_, 1);
    WaitForSingleObject(handle_, 5000);
  }

 private:
  HANDLE handle_ = nullptr;
  DWORD id_ = 0;
};

inline std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

// Marshalled across processes by the system, unlike the controls' own
// text messages.
inline std::wstring TextOf(HWND window) {
  wchar_t text[1024] = {};
  DWORD_PTR length = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000,
                      &length);
  return text;
}

// Top-level windows of a class, of one process or (id 0) of any.
inline std::vector<HWND> TopLevelWindows(const std::wstring& className, DWORD processId = 0) {
  struct Search {
    const std::wstring& className;
    DWORD processId;
    std::vector<HWND> found;
  } search{className, processId, {}};
  EnumWindows(
      [](HWND window, LPARAM context) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(context);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if ((s.processId == 0 || owner == s.processId) && ClassOf(window) == s.className) {
          s.found.push_back(window);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

struct MessageBoxView {
  HWND window;
  std::wstring caption;
  std::wstring text;
};

// The message boxes a process shows: visible top-level dialogs of the
// system class, whose text is the static control 0xFFFF.
inline std::vector<MessageBoxView> MessageBoxes(DWORD processId) {
  std::vector<MessageBoxView> boxes;
  for (HWND box : TopLevelWindows(L"#32770", processId)) {
    if (!IsWindowVisible(box)) continue;
    const HWND text = GetDlgItem(box, 0xFFFF);
    boxes.push_back({box, TextOf(box), text ? TextOf(text) : std::wstring()});
  }
  return boxes;
}

// As if the button had been clicked.
inline void Answer(HWND box, int button) {
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
}

// A box's way out: No for a question, else OK.
inline void Dismiss(HWND box) {
  Answer(box, GetDlgItem(box, IDNO) ? IDNO : IDOK);
}

// HKEY_CURRENT_USER\Software\<company>\<application>\SETTING.
class TestProfile {
 public:
  TestProfile(const std::wstring& company, const std::wstring& application)
      : application_(L"Software\\" + company + L"\\" + application),
        section_(application_ + L"\\SETTING") {}

  // Back to a new user's profile: nothing stored.
  void Reset() const { RegDeleteTreeW(HKEY_CURRENT_USER, application_.c_str()); }

  bool WriteInt(const std::wstring& name, DWORD value) const {
    return RegSetKeyValueW(HKEY_CURRENT_USER, section_.c_str(), name.c_str(), REG_DWORD, &value,
                           sizeof value) == ERROR_SUCCESS;
  }
  std::optional<DWORD> ReadInt(const std::wstring& name) const {
    DWORD value = 0, size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, section_.c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr,
                     &value, &size) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    return value;
  }
  void DeleteValue(const std::wstring& name) const {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, section_.c_str(), name.c_str());
  }

 private:
  std::wstring application_;
  std::wstring section_;
};

// Counts finished monitoring cycles. Every cycle ends by storing the check
// state of each listed drive, so the value of a ticked drive, deleted here,
// comes back once per cycle (a missing value reads as ticked, so deleting
// it changes nothing else).
class CycleCounter {
 public:
  CycleCounter(const TestProfile& profile, std::wstring devicePath)
      : profile_(profile), path_(std::move(devicePath)) {
    Restart();
  }
  void Restart() {
    profile_.DeleteValue(path_);
    count_ = 0;
  }
  // Notes a cycle that has ended since the last call; returns the count.
  int Poll() {
    if (profile_.ReadInt(path_)) {
      ++count_;
      profile_.DeleteValue(path_);
    }
    return count_;
  }
  bool WaitFor(int cycles, DWORD timeoutMs) {
    return WaitUntil([&] { return Poll() >= cycles; }, timeoutMs);
  }
  int count() const { return count_; }

 private:
  const TestProfile& profile_;
  std::wstring path_;
  int count_ = 0;
};

// The fixture the simulated library beside the service reads at every call;
// rewritten whole and atomically, so the service never reads half a file.
class SimulatedMachine {
 public:
  explicit SimulatedMachine(std::filesystem::path file) : file_(std::move(file)) {}

  void RestoreDemo() const {
    disklib::sim::SaveFixture(disklib::sim::LoadFixture(FromUnix(ARDMON_DEMO_FIXTURE)), file_);
  }
  template <typename Edit>
  void Change(Edit edit) const {
    disklib::sim::Fixture fixture = disklib::sim::LoadFixture(file_);
    edit(fixture);
    disklib::sim::SaveFixture(fixture, file_);
  }
  // The disk's interface path: the name of its value in the profile.
  std::wstring DevicePath(std::uint32_t drive) const {
    for (const auto& disk : disklib::sim::LoadFixture(file_).disks) {
      if (disk.number == drive) {
        const std::u16string path = disklib::sim::Utf16FromUtf8(disk.path);
        return std::wstring(path.begin(), path.end());
      }
    }
    return {};
  }

 private:
  std::filesystem::path file_;
};

// Whether the window and its visible descendants have painted what was
// invalidated; a screenshot taken before shows holes.
inline bool Painted(HWND window) {
  if (GetUpdateRect(window, nullptr, FALSE)) return false;
  bool painted = true;
  EnumChildWindows(
      window,
      [](HWND child, LPARAM context) -> BOOL {
        if (IsWindowVisible(child) && GetUpdateRect(child, nullptr, FALSE)) {
          *reinterpret_cast<bool*>(context) = false;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&painted));
  return painted;
}

// Screenshots come from the watcher that "tools/wine/prefix up" runs beside
// the prefix, since a Windows program cannot reach the X server: a request
// file names the PNG to write, the part of the screen (WxH+X+Y, empty for
// all of it) and a scale; the watcher deletes it when the PNG is written.
// Window rectangles are places on the X screen as long as the Wine desktop
// sits at its top left corner, as on the prefix's own Xvfb. Returns false
// when no PNG came. Another format (its file extension), such as "bmp" for
// a test to read pixels from, goes the same way.
inline bool Screenshot(const std::string& name, const RECT* area = nullptr, int scalePercent = 100,
                       const std::string& format = "png") {
  const char* root = std::getenv("ARDMON_WINE_ROOT");
  if (!root) return false;
  const std::string shot = std::string(ARDMON_SCREENSHOT_DIR) + "/" + name + "." + format;
  std::error_code ignored;
  std::filesystem::create_directories(FromUnix(ARDMON_SCREENSHOT_DIR), ignored);
  std::filesystem::remove(FromUnix(shot), ignored);

  std::string request = shot + "\n";
  if (area) {
    request += std::to_string(area->right - area->left) + "x" +
               std::to_string(area->bottom - area->top) + "+" + std::to_string(area->left) + "+" +
               std::to_string(area->top);
  }
  request += "\n";
  if (scalePercent != 100) request += std::to_string(scalePercent) + "%";
  request += "\n";

  const std::filesystem::path shots = FromUnix(std::string(root) + "/shots");
  const std::filesystem::path draft = shots / (name + ".draft");
  const std::filesystem::path ready = shots / (name + ".request");
  const HANDLE file = CreateFileW(draft.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  WriteFile(file, request.data(), static_cast<DWORD>(request.size()), &written, nullptr);
  CloseHandle(file);
  // Renamed whole, so the watcher never reads half a request.
  if (!MoveFileExW(draft.c_str(), ready.c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
  const bool taken = WaitUntil([&] { return !std::filesystem::exists(ready, ignored); }, 15000, 50);
  if (!taken) std::filesystem::remove(ready, ignored);
  return taken && std::filesystem::exists(FromUnix(shot), ignored);
}

}  // namespace monitorgui
