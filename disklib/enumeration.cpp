// Finding physical drive n among the disk interfaces, its controller, its
// drive letters, and the GetDiskInfo record.
#include <algorithm>
#include <cstring>

#include "disklib/control_codes.h"
#include "disklib/disklib.h"
#include "disklib/text.h"

namespace disklib {
namespace {

// Bus drivers whose nodes sit between a disk and its real controller.
constexpr std::u16string_view kIntermediateBusPrefix = u"KOV7DN";

std::u16string ControllerIdOf(DeviceStack& stack, DevNode disk) {
  std::optional<DevNode> parent = stack.ParentOf(disk);
  if (!parent) return {};
  std::optional<std::u16string> id = stack.DeviceIdOf(*parent);
  if (id && StartsWithIgnoringCase(*id, kIntermediateBusPrefix)) {
    std::optional<DevNode> grandparent = stack.ParentOf(*parent);
    if (!grandparent) return {};
    id = stack.DeviceIdOf(*grandparent);
  }
  return id.value_or(std::u16string());
}

std::uint32_t ReadU32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Copies at most the field's room less its NUL.
void CopyUtf16Field(const std::u16string& text, char16_t (&field)[ardmon::kIdChars]) {
  std::size_t n = std::min(text.size(), ardmon::kIdChars - 1);
  std::copy_n(text.begin(), n, field);
  field[n] = u'\0';
}

}  // namespace

std::optional<DiskInterface> FindDiskInterface(DeviceStack& stack, std::uint32_t n) {
  std::optional<DiskInterface> found;
  stack.VisitInterfaces(InterfaceClass::Disk, [&](const DeviceInterface& itf) {
    if (!VolumeOnDisk(stack, itf.path, n)) return false;
    found = DiskInterface{ControllerIdOf(stack, itf.node), itf.path};
    return true;
  });
  return found;
}

bool VolumeOnDisk(DeviceStack& stack, const std::u16string& path, std::uint32_t n) {
  ScopedHandle handle(stack, stack.Open(path, kNoAccess));
  if (!handle) return false;

  std::uint8_t number[12] = {};  // STORAGE_DEVICE_NUMBER
  std::uint32_t returned = 0;
  if (stack.Control(handle.get(), IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, number,
                    sizeof number, returned)) {
    return ReadU32(number) == FILE_DEVICE_DISK && ReadU32(number + 4) == n;
  }

  // VOLUME_DISK_EXTENTS with room for one extent: a volume spanning several
  // disks does not fit and so counts for none of them.
  constexpr std::size_t kFirstExtent = 8, kExtentSize = 24;
  std::uint8_t extents[kFirstExtent + kExtentSize] = {};
  if (!stack.Control(handle.get(), IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, extents,
                     sizeof extents, returned)) {
    return false;
  }
  std::uint32_t count = std::min<std::uint32_t>(ReadU32(extents), 1);
  for (std::uint32_t i = 0; i < count; ++i) {
    if (ReadU32(extents + kFirstExtent + i * kExtentSize) == n) return true;
  }
  return false;
}

std::string ListDriveLetters(DeviceStack& stack, std::uint32_t n) {
  static constexpr std::u16string_view kFloppy = u"\\Device\\Floppy";
  std::string letters;
  std::uint32_t mask = stack.LogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (!(mask & (1u << i))) continue;
    const char16_t letter = static_cast<char16_t>(u'A' + i);
    const std::u16string name{letter, u':'};
    const std::uint32_t type = stack.DriveType(name);
    if (type != DRIVE_REMOVABLE && type != DRIVE_FIXED) continue;
    std::optional<std::u16string> device = stack.DosDeviceOf(name);
    if (!device) continue;
    if (device->size() >= kFloppy.size() &&
        stack.EqualIgnoringCase(device->substr(0, kFloppy.size()), std::u16string(kFloppy))) {
      continue;
    }
    if (VolumeOnDisk(stack, u"\\\\.\\" + name, n)) {
      letters += static_cast<char>(letter);
      letters += ':';
    }
  }
  return letters;
}

void GetDiskInfo(DeviceStack& stack, std::uint32_t n, ardmon::DiskInfoTable* record) {
  if (!record) return;
  std::memset(record, 0, sizeof *record);

  std::optional<DiskInterface> disk = FindDiskInterface(stack, n);
  if (!disk) return;
  CopyUtf16Field(disk->controllerId, record->ControllerId);
  // A longer path is cut in the record but opened whole, so the disk stays
  // present and keeps a stable key.
  CopyUtf16Field(disk->path, record->DevicePath);
  const std::string letters = ListDriveLetters(stack, n);
  std::memcpy(record->DriveLetters, letters.data(),
              std::min(letters.size(), sizeof record->DriveLetters - 1));

  ScopedHandle handle(stack, stack.Open(disk->path, kReadWrite));
  if (!handle) return;

  static constexpr std::uint8_t kInquiry[6] = {0x12, 0x00, 0x00, 0x00, 0x24, 0x00};
  constexpr std::size_t kIdentificationStart = 8, kIdentificationLength = 24;
  std::uint8_t inquiry[36] = {};
  if (ScsiPassThrough(stack, handle.get(), kInquiry, sizeof kInquiry, inquiry, sizeof inquiry)) {
    std::memcpy(record->InquiryId, inquiry + kIdentificationStart, kIdentificationLength);
  }

  std::uint64_t length = 0;
  std::uint32_t returned = 0;
  if (stack.Control(handle.get(), IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length, sizeof length,
                    returned)) {
    record->DiskSize = length;
  }
  record->Present = record->DiskSize != 0 ? 1 : 0;
}

}  // namespace disklib
