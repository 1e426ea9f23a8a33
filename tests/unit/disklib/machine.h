// Builds fake machines: disks with their interface, controller chain and
// physical-drive device.
#pragma once

#include <string>

#include "common/ata_string.h"
#include "fake_device_stack.h"

namespace disklib::testing {

inline std::u16string U16(const std::string& s) {
  return std::u16string(s.begin(), s.end());
}
inline std::u16string InterfacePath(std::uint32_t n) {
  return U16("\\\\?\\scsi#disk&ven_x#" + std::to_string(n) + "#{53f56307}");
}
inline std::u16string PhysicalDrive(std::uint32_t n) {
  return U16("\\\\.\\PHYSICALDRIVE" + std::to_string(n));
}

// Disk n hangs on node 100+n with the given controller ID; its interface
// device answers the size and INQUIRY queries, PHYSICALDRIVEn the access
// methods in `answers`.
inline void AddDisk(FakeDeviceStack& stack, std::uint32_t n, const std::u16string& controllerId,
                    std::set<std::string> answers = {}) {
  const DevNode disk = 10 + n, controller = 100 + n;
  stack.nodes[disk] = {u"SCSI\\DISK", controller};
  stack.nodes[controller] = {controllerId, std::nullopt};
  stack.diskInterfaces.push_back({InterfacePath(n), disk});
  FakeDevice& itf = stack.devices[InterfacePath(n)];
  itf.typeAndNumber = std::make_pair(FILE_DEVICE_DISK, n);
  itf.length = 500107862016ull;
  itf.inquiry = "ATA     ST500DM002-1BD14";
  FakeDevice& drive = stack.devices[PhysicalDrive(n)];
  drive.answers = std::move(answers);
  drive.scsiAddress = std::make_pair(0, 0);
}

// An IDENTIFY sector with S.M.A.R.T. support and the given strings.
inline std::vector<std::uint8_t> IdentifySector(const std::string& model, const std::string& serial,
                                                const std::string& firmware, bool smart) {
  std::vector<std::uint8_t> sector(512, 0);
  auto put = [&](std::size_t word, std::string text, std::size_t length) {
    text.resize(length, ' ');
    ardmon::SwapAtaString(text.data(), length, sector.data() + 2 * word);
  };
  put(10, serial, 20);
  put(23, firmware, 8);
  put(27, model, 40);
  sector[164] = smart ? 0x6B : 0x6A;
  return sector;
}

}  // namespace disklib::testing
