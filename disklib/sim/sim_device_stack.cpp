// The handles the stack hands out, and the dispatch of each request to the
// family that answers it.
#include "disklib/sim/sim_device_stack.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "disklib/sim/stack_requests.h"
#include "disklib/text.h"

namespace disklib::sim {
namespace {

constexpr std::uint32_t kGenericRead = 0x80000000u;
constexpr std::uint32_t kGenericWrite = 0x40000000u;

// Bits 14-15 of a control code name the access the handle must have.
bool AccessAllows(std::uint32_t code, std::uint32_t access) {
  const std::uint32_t required = (code >> 14) & 3;
  if ((required & 1) && !(access & kGenericRead)) return false;
  if ((required & 2) && !(access & kGenericWrite)) return false;
  return true;
}

}  // namespace

SimDeviceStack::SimDeviceStack(Fixture fixture, std::optional<std::filesystem::path> saveTo)
    : fixture_(std::move(fixture)), saveTo_(std::move(saveTo)) {}

std::optional<DeviceHandle> SimDeviceStack::Open(const std::u16string& path, std::uint32_t access) {
  std::optional<OpenObject> object;
  static constexpr std::u16string_view kDevicePrefix = u"\\\\.\\";
  static constexpr std::u16string_view kPhysicalDrive = u"\\\\.\\PHYSICALDRIVE";
  if (StartsWithIgnoringCase(path, kPhysicalDrive)) {
    const std::u16string digits = path.substr(kPhysicalDrive.size());
    std::uint64_t number = 0;
    bool valid = !digits.empty() && digits.size() <= 10 && (digits == u"0" || digits[0] != u'0');
    for (char16_t c : digits) {
      valid = valid && c >= u'0' && c <= u'9';
      number = number * 10 + (c - u'0');
    }
    if (valid) {
      for (std::size_t i = 0; i < fixture_.disks.size(); ++i) {
        const Disk& d = fixture_.disks[i];
        if (d.number == number && NodePresent(fixture_, d.node)) object = {Kind::Disk, i, access};
      }
    }
  } else if (StartsWithIgnoringCase(path, kDevicePrefix) && LetterOf(path.substr(4)) &&
             path.size() == 6) {
    const char letter = LetterOf(path.substr(4));
    for (std::size_t i = 0; i < fixture_.volumes.size(); ++i) {
      if (fixture_.volumes[i].letter == letter) object = {Kind::Volume, i, access};
    }
  } else {
    for (std::size_t i = 0; i < fixture_.disks.size() && !object; ++i) {
      const Disk& d = fixture_.disks[i];
      if (EqualAsciiNoCase(path, Utf16FromUtf8(d.path)) && NodePresent(fixture_, d.node)) {
        object = {Kind::Disk, i, access};
      }
    }
    for (std::size_t i = 0; i < fixture_.storagePorts.size() && !object; ++i) {
      const StoragePort& p = fixture_.storagePorts[i];
      if (EqualAsciiNoCase(path, Utf16FromUtf8(p.path)) && NodePresent(fixture_, p.node)) {
        object = {Kind::Port, i, access};
      }
    }
  }
  if (!object) return std::nullopt;
  // Reading or writing a disk that refuses it; opens for queries only pass.
  const bool wantsData = (access & (kGenericRead | kGenericWrite)) != 0;
  if (object->kind == Kind::Disk && wantsData && !fixture_.disks[object->index].openable) {
    return std::nullopt;
  }
  const DeviceHandle handle = nextHandle_;
  nextHandle_ += 4;
  handles_.emplace(handle, *object);
  return handle;
}

void SimDeviceStack::Close(DeviceHandle handle) {
  handles_.erase(handle);
}

bool SimDeviceStack::Control(DeviceHandle handle, std::uint32_t code, const void* in,
                             std::uint32_t inSize, void* out, std::uint32_t outSize,
                             std::uint32_t& returned) {
  returned = 0;
  auto it = handles_.find(handle);
  if (it == handles_.end()) return false;
  const OpenObject& object = it->second;
  if (!AccessAllows(code, object.access)) return false;
  if ((inSize != 0 && !in) || (outSize != 0 && !out)) return false;

  Bytes buffer(std::max(inSize, outSize), 0);
  if (inSize != 0) std::memcpy(buffer.data(), in, inSize);
  Request request{code, buffer, inSize, outSize};
  Status status = Status::Failed;
  const std::vector<bool> asleep = AsleepDisks();
  switch (object.kind) {
    case Kind::Disk: {
      Disk& disk = fixture_.disks[object.index];
      // As a slow bridge or a drive spinning up keeps its caller waiting.
      std::this_thread::sleep_for(std::chrono::milliseconds(disk.answerDelayMs));
      status = DiskControl(disk, request);
      break;
    }
    case Kind::Port:
      status = PortControl(fixture_, fixture_.storagePorts[object.index], request);
      break;
    case Kind::Volume:
      status = VolumeControl(fixture_, fixture_.volumes[object.index], request);
      break;
  }
  KeepSpinUps(asleep);
  if (status == Status::Failed) return false;
  returned = std::min(request.returned, outSize);
  if (returned != 0) std::memcpy(out, buffer.data(), returned);
  return status == Status::Done;
}

}  // namespace disklib::sim
