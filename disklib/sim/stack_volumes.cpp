// Drive letters: the volumes' types and DOS devices, and the disks a
// volume lies on.
#include "disklib/control_codes.h"
#include "disklib/sim/sim_device_stack.h"
#include "disklib/sim/stack_requests.h"
#include "disklib/text.h"

namespace disklib::sim {
namespace {

constexpr std::uint32_t kDriveNoRootDir = 1;

}  // namespace

char LetterOf(const std::u16string& name) {
  if (name.size() < 2 || name.size() > 3 || name[1] != u':') return 0;
  if (name.size() == 3 && name[2] != u'\\') return 0;
  const char16_t c = AsciiLower(name[0]);
  return (c >= u'a' && c <= u'z') ? static_cast<char>(c - u'a' + 'A') : 0;
}

// A volume on one disk has that disk's device number, as a partition of it;
// its extents name the disks it lies on. VOLUME_DISK_EXTENTS: a count, then
// 24-byte extents from offset 8.
Status VolumeControl(const Fixture& f, const Volume& volume, Request& r) {
  constexpr std::uint32_t kFirstExtent = 8, kExtentSize = 24;
  if (r.code == IOCTL_STORAGE_GET_DEVICE_NUMBER) {
    if (volume.disks.size() != 1) return Status::Failed;
    return DeviceNumber(volume.disks.front(), 1, r);
  }
  if (r.code != IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS || volume.disks.empty()) {
    return Status::Failed;
  }
  if (r.outSize < kFirstExtent + kExtentSize) return Status::Failed;
  const auto count = static_cast<std::uint32_t>(volume.disks.size());
  PutU32(r.buffer, 0, count);
  if (r.outSize < kFirstExtent + std::uint64_t{kExtentSize} * count) {
    r.returned = kFirstExtent;
    return Status::MoreData;
  }
  constexpr std::uint64_t kPartitionStart = 1 << 20;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t at = kFirstExtent + i * kExtentSize;
    std::uint64_t length = 0;
    for (const Disk& d : f.disks) {
      if (d.number == volume.disks[i] && d.size > kPartitionStart) {
        length = d.size - kPartitionStart;
      }
    }
    PutU32(r.buffer, at, volume.disks[i]);
    PutU32(r.buffer, at + 4, 0);
    PutU64(r.buffer, at + 8, kPartitionStart);
    PutU64(r.buffer, at + 16, length);
  }
  r.returned = kFirstExtent + kExtentSize * count;
  return Status::Done;
}

std::uint32_t SimDeviceStack::LogicalDrives() {
  std::uint32_t mask = 0;
  for (const Volume& v : fixture_.volumes) mask |= 1u << (v.letter - 'A');
  return mask;
}

const Volume* SimDeviceStack::VolumeOf(const std::u16string& name) const {
  const char letter = LetterOf(name);
  for (const Volume& v : fixture_.volumes) {
    if (letter != 0 && v.letter == letter) return &v;
  }
  return nullptr;
}

std::uint32_t SimDeviceStack::DriveType(const std::u16string& name) {
  const Volume* v = VolumeOf(name);
  return v ? v->type : kDriveNoRootDir;
}

std::optional<std::u16string> SimDeviceStack::DosDeviceOf(const std::u16string& name) {
  const Volume* v = VolumeOf(name);
  if (!v || name.size() != 2) return std::nullopt;
  return Utf16FromUtf8(v->dosDevice);
}

bool SimDeviceStack::EqualIgnoringCase(const std::u16string& a, const std::u16string& b) {
  return EqualAsciiNoCase(a, b);
}

}  // namespace disklib::sim
