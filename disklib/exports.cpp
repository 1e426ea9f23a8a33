// The four exports of ArdmonLib.dll. Queries always return 1 and report
// through the record; filter edits return 1 when they changed something.
#include <cstdint>

#include "disklib/disklib.h"
#include "disklib/stack_factory.h"

#define ARDMON_EXPORT extern "C" __declspec(dllexport)

namespace {

// No exception may cross the C boundary; a call that throws (out of
// memory) ends with what it had written, as the callers read flags anyway.
template <typename Call>
std::int32_t Guarded(std::int32_t failure, Call&& call) {
  try {
    std::unique_ptr<disklib::DeviceStack> stack = disklib::MakeDeviceStack();
    return call(*stack);
  } catch (...) {
    return failure;
  }
}

}  // namespace

ARDMON_EXPORT std::int32_t GetDiskInfo(std::int32_t driveNumber, void* record) {
  return Guarded(1, [&](disklib::DeviceStack& stack) {
    disklib::GetDiskInfo(stack, static_cast<std::uint32_t>(driveNumber),
                         static_cast<ardmon::DiskInfoTable*>(record));
    return 1;
  });
}

ARDMON_EXPORT std::int32_t GetTempInfo(std::int32_t driveNumber, void* record) {
  return Guarded(1, [&](disklib::DeviceStack& stack) {
    disklib::GetTempInfo(stack, static_cast<std::uint32_t>(driveNumber),
                         static_cast<ardmon::TempInfoRecord*>(record));
    return 1;
  });
}

ARDMON_EXPORT std::int32_t AddFilterSil() {
  return Guarded(
      0, [](disklib::DeviceStack& stack) { return disklib::EditSilFilters(stack, true) ? 1 : 0; });
}

ARDMON_EXPORT std::int32_t DelFilterSil() {
  return Guarded(
      0, [](disklib::DeviceStack& stack) { return disklib::EditSilFilters(stack, false) ? 1 : 0; });
}
