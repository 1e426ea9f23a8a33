// Finding drive n, its controller and its letters, and the GetDiskInfo
// record in each outcome.
#include <gtest/gtest.h>

#include <cstring>

#include "disklib/disklib.h"
#include "machine.h"

namespace disklib {
namespace {

using testing::AddDisk;
using testing::FakeDeviceStack;
using testing::InterfacePath;

// A volume at letter `letter` of the given type and DOS device, lying on the
// given disks (extents).
void AddVolume(FakeDeviceStack& stack, char16_t letter, std::uint32_t type,
               const std::u16string& dosDevice, std::vector<std::uint32_t> disks) {
  stack.logicalDrives |= 1u << (letter - u'A');
  stack.driveTypes[letter] = type;
  stack.dosDevices[letter] = dosDevice;
  stack.devices[std::u16string(u"\\\\.\\") + letter + u":"].extents = std::move(disks);
}

std::u16string Utf16Of(const char16_t* field) {
  return std::u16string(field);
}

class DriveLetters : public ::testing::Test {
 protected:
  FakeDeviceStack stack;
  void SetUp() override {
    AddVolume(stack, u'A', DRIVE_REMOVABLE, u"\\Device\\FLOPPY0", {0});
    AddVolume(stack, u'C', DRIVE_FIXED, u"\\Device\\HarddiskVolume1", {0});
    AddVolume(stack, u'D', DRIVE_CDROM, u"\\Device\\CdRom0", {0});
    AddVolume(stack, u'E', DRIVE_FIXED, u"\\Device\\HarddiskVolume3", {0});
    AddVolume(stack, u'F', DRIVE_REMOVABLE, u"\\Device\\HarddiskVolume4", {1});
    AddVolume(stack, u'G', DRIVE_FIXED, u"\\Device\\HarddiskVolume5", {0, 1});
  }
};

TEST_F(DriveLetters, ListsTheVolumesOfTheDiskInOrder) {
  EXPECT_EQ(ListDriveLetters(stack, 0), "C:E:");
  EXPECT_EQ(ListDriveLetters(stack, 1), "F:");
  EXPECT_EQ(ListDriveLetters(stack, 2), "");
}

TEST_F(DriveLetters, SkipsLettersWithoutDosDevice) {
  stack.dosDevices.erase(u'C');
  EXPECT_EQ(ListDriveLetters(stack, 0), "E:");
}

TEST_F(DriveLetters, ShortDeviceNamesAreNotTakenForFloppies) {
  stack.dosDevices[u'A'] = u"\\Device\\Flop";
  EXPECT_EQ(ListDriveLetters(stack, 0), "A:C:E:");
}

TEST(VolumeOnDisk, TheDeviceNumberDecidesWhenItAnswers) {
  FakeDeviceStack stack;
  stack.devices[u"disk"].typeAndNumber = std::make_pair(FILE_DEVICE_DISK, 2u);
  stack.devices[u"disk"].extents = std::vector<std::uint32_t>{0};
  stack.devices[u"cdrom"].typeAndNumber = std::make_pair(2u, 0u);
  stack.devices[u"cdrom"].extents = std::vector<std::uint32_t>{0};
  EXPECT_TRUE(VolumeOnDisk(stack, u"disk", 2));
  EXPECT_FALSE(VolumeOnDisk(stack, u"disk", 0)) << "no fall back to the extents";
  EXPECT_FALSE(VolumeOnDisk(stack, u"cdrom", 0));
  EXPECT_FALSE(VolumeOnDisk(stack, u"missing", 0));
  EXPECT_EQ(stack.openHandles, 0);
}

TEST(FindDiskInterface, TakesTheParentOrPastAnIntermediateBusItsGrandparent) {
  FakeDeviceStack stack;
  AddDisk(stack, 0, u"PCIIDE\\IDECHANNEL\\4&1");
  AddDisk(stack, 1, u"kov7dnBUS\\1");
  stack.nodes[101].parent = 200;
  stack.nodes[200] = {u"PCI\\VEN_1095&DEV_3132", std::nullopt};
  AddDisk(stack, 2, u"KOV7DN\\orphan");

  EXPECT_EQ(FindDiskInterface(stack, 0)->controllerId, u"PCIIDE\\IDECHANNEL\\4&1");
  EXPECT_EQ(FindDiskInterface(stack, 1)->controllerId, u"PCI\\VEN_1095&DEV_3132");
  EXPECT_EQ(FindDiskInterface(stack, 1)->path, InterfacePath(1));
  EXPECT_EQ(FindDiskInterface(stack, 2)->controllerId, u"") << "no grandparent";
  EXPECT_FALSE(FindDiskInterface(stack, 3));
}

TEST(FindDiskInterface, TheFirstMatchingInterfaceWins) {
  FakeDeviceStack stack;
  AddDisk(stack, 0, u"PCIIDE\\first");
  stack.nodes[50] = {u"SCSI\\DISK", 51};
  stack.nodes[51] = {u"PCIIDE\\second", std::nullopt};
  stack.diskInterfaces.push_back({u"second", 50});
  stack.devices[u"second"].typeAndNumber = std::make_pair(FILE_DEVICE_DISK, 0u);
  EXPECT_EQ(FindDiskInterface(stack, 0)->controllerId, u"PCIIDE\\first");
}

class DiskInfo : public ::testing::Test {
 protected:
  FakeDeviceStack stack;
  ardmon::DiskInfoTable record;
  void SetUp() override {
    AddDisk(stack, 0, u"PCIIDE\\IDECHANNEL\\4&1");
    AddVolume(stack, u'C', DRIVE_FIXED, u"\\Device\\HarddiskVolume1", {0});
    std::memset(&record, 0xCC, sizeof record);
  }
  bool AllZero() const {
    const ardmon::DiskInfoTable zero{};
    return std::memcmp(&record, &zero, sizeof record) == 0;
  }
};

TEST_F(DiskInfo, FillsThePresentDisk) {
  GetDiskInfo(stack, 0, &record);
  EXPECT_EQ(record.Present, 1);
  EXPECT_EQ(record.DiskSize, 500107862016ull);
  EXPECT_STREQ(record.DriveLetters, "C:");
  EXPECT_EQ(std::string(record.InquiryId), "ATA     ST500DM002-1BD14");
  EXPECT_EQ(record.InquiryId[24], 0);
  EXPECT_EQ(Utf16Of(record.ControllerId), u"PCIIDE\\IDECHANNEL\\4&1");
  EXPECT_EQ(Utf16Of(record.DevicePath), InterfacePath(0));
  EXPECT_EQ(record.Temp.Temperature, 0);
  EXPECT_EQ(stack.openHandles, 0);
}

TEST_F(DiskInfo, AMissingDiskOrNullRecordGivesNothing) {
  GetDiskInfo(stack, 25, &record);
  EXPECT_TRUE(AllZero());
  GetDiskInfo(stack, 0, nullptr);
}

TEST_F(DiskInfo, AnUnopenableDiskKeepsItsIdentityButIsNotPresent) {
  stack.devices[InterfacePath(0)].openable = false;
  GetDiskInfo(stack, 0, &record);
  EXPECT_EQ(record.Present, 0);
  EXPECT_STREQ(record.DriveLetters, "");
  EXPECT_EQ(Utf16Of(record.DevicePath), u"");
}

TEST_F(DiskInfo, AReaderWithoutMediumIsNotPresent) {
  stack.devices[InterfacePath(0)].length = 0;
  stack.devices[InterfacePath(0)].inquiry.clear();
  GetDiskInfo(stack, 0, &record);
  EXPECT_EQ(record.Present, 0);
  EXPECT_EQ(record.DiskSize, 0u);
  EXPECT_EQ(record.InquiryId[0], 0);
  EXPECT_EQ(Utf16Of(record.DevicePath), InterfacePath(0));
}

TEST_F(DiskInfo, ALongPathIsOpenedWholeAndStoredCut) {
  const std::u16string longPath = u"\\\\?\\" + std::u16string(300, u'x');
  stack.diskInterfaces[0].path = longPath;
  stack.devices[longPath] = stack.devices[InterfacePath(0)];
  GetDiskInfo(stack, 0, &record);
  EXPECT_EQ(record.Present, 1);
  EXPECT_EQ(Utf16Of(record.DevicePath), longPath.substr(0, 259));
}

TEST_F(DiskInfo, AnOverlongInquiryAnswerStaysInItsField) {
  stack.devices[InterfacePath(0)].reportedTransfer = 4000;
  GetDiskInfo(stack, 0, &record);
  EXPECT_EQ(record.InquiryId[24], 0);
  EXPECT_EQ(record.Present, 1);
}

}  // namespace
}  // namespace disklib
