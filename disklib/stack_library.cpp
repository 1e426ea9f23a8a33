#include "disklib/stack_library.h"

#include "disklib/disklib.h"

namespace disklib {
namespace {

template <typename Call>
std::int32_t Guarded(const StackLibrary::StackFactory& makeStack, std::int32_t failure,
                     Call&& call) {
  try {
    std::unique_ptr<DeviceStack> stack = makeStack();
    return call(*stack);
  } catch (...) {
    return failure;
  }
}

}  // namespace

std::int32_t StackLibrary::GetDiskInfo(std::int32_t n, void* diskInfoTable) {
  return Guarded(makeStack_, 1, [&](DeviceStack& stack) {
    disklib::GetDiskInfo(stack, static_cast<std::uint32_t>(n),
                         static_cast<ardmon::DiskInfoTable*>(diskInfoTable));
    return 1;
  });
}

std::int32_t StackLibrary::GetTempInfo(std::int32_t n, void* tempInfoRecord) {
  return Guarded(makeStack_, 1, [&](DeviceStack& stack) {
    disklib::GetTempInfo(stack, static_cast<std::uint32_t>(n),
                         static_cast<ardmon::TempInfoRecord*>(tempInfoRecord));
    return 1;
  });
}

std::int32_t StackLibrary::GetTempInfoIfAwake(std::int32_t n, void* tempInfoRecord) {
  constexpr auto kUnknown = static_cast<std::int32_t>(ardmon::DrivePower::kUnknown);
  return Guarded(makeStack_, kUnknown, [&](DeviceStack& stack) {
    return static_cast<std::int32_t>(
        disklib::GetTempInfoIfAwake(stack, static_cast<std::uint32_t>(n),
                                    static_cast<ardmon::TempInfoRecord*>(tempInfoRecord), memory_));
  });
}

std::int32_t StackLibrary::AddFilterSil() {
  return Guarded(makeStack_, 0, [](DeviceStack& stack) { return EditSilFilters(stack, true); });
}

std::int32_t StackLibrary::DelFilterSil() {
  return Guarded(makeStack_, 0, [](DeviceStack& stack) { return EditSilFilters(stack, false); });
}

}  // namespace disklib
