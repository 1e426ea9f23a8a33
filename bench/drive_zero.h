// GetDiskInfo of drive 0 from the simulated library beside the benchmark:
// what the service must answer, and what the call alone costs.
#pragma once

#include <windows.h>

#include <cstring>

#include "common/win32/wide_text.h"
#include "common/wire_records.h"
#include "disklib/exports.h"

namespace bench {

class Library {
 public:
  Library()
      : module_(LoadLibraryW((ardmon::ModulePath().parent_path() / L"ArdmonLib.dll").c_str())) {
    if (module_) {
      getDiskInfo_ = reinterpret_cast<GetDiskInfoFn>(
          reinterpret_cast<void (*)()>(GetProcAddress(module_, "GetDiskInfo")));
    }
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  ~Library() {
    if (module_) FreeLibrary(module_);
  }
  bool ok() const { return getDiskInfo_ != nullptr; }
  void DiskInfo(ardmon::DiskInfoTable& table) const { getDiskInfo_(0, &table); }

 private:
  HMODULE module_;
  GetDiskInfoFn getDiskInfo_ = nullptr;
};

inline ardmon::PipeMessage DiskInfoRequest() {
  ardmon::PipeMessage message{};
  message.Command = static_cast<std::uint32_t>(ardmon::PipeCommand::GetDiskInfo);
  return message;
}

inline bool IsDriveZero(const ardmon::PipeMessage& reply, const ardmon::DiskInfoTable& expected) {
  return reply.Result == 1 && std::memcmp(reply.Payload, &expected, sizeof expected) == 0;
}

}  // namespace bench
