// The four exports of ArdmonLib.dll over the device stack this flavour of
// the library links in.
#include <cstdint>

#include "disklib/stack_factory.h"
#include "disklib/stack_library.h"

#define ARDMON_EXPORT extern "C" __declspec(dllexport)

namespace {

disklib::StackLibrary& Library() {
  static disklib::StackLibrary library(disklib::MakeDeviceStack);
  return library;
}

}  // namespace

ARDMON_EXPORT std::int32_t GetDiskInfo(std::int32_t driveNumber, void* record) {
  return Library().GetDiskInfo(driveNumber, record);
}

ARDMON_EXPORT std::int32_t GetTempInfo(std::int32_t driveNumber, void* record) {
  return Library().GetTempInfo(driveNumber, record);
}

ARDMON_EXPORT std::int32_t GetTempInfoIfAwake(std::int32_t driveNumber, void* record) {
  return Library().GetTempInfoIfAwake(driveNumber, record);
}

ARDMON_EXPORT std::int32_t AddFilterSil() {
  return Library().AddFilterSil();
}

ARDMON_EXPORT std::int32_t DelFilterSil() {
  return Library().DelFilterSil();
}
