#include "monitor/pages/hdd_info.h"

#include <gmock/gmock.h>

#include <cstring>
#include <map>

#include "resources/strings.h"

namespace monitor {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const ardmon::TableStrings kEnglish{ardmon::Language::English};

TEST(Maker, ComesFromTheStartOfTheModelOrItsFirstWord) {
  EXPECT_EQ(MakerOf(u"ST2000DM008-2FR102", kEnglish), u"Seagate");
  EXPECT_EQ(MakerOf(u"WD20EZRZ-00Z5HB0", kEnglish), u"Western Digital");
  EXPECT_EQ(MakerOf(u"WDC WD10EZEX-08WN4A0", kEnglish), u"Western Digital");
  EXPECT_EQ(MakerOf(u"TOSHIBA DT01ACA100", kEnglish), u"TOSHIBA");
  EXPECT_EQ(MakerOf(u"XST100 model", kEnglish), u"XST100") << "ST counts at the start only";
  EXPECT_EQ(MakerOf(u"st1000 x", kEnglish), u"st1000") << "case-sensitive";
  EXPECT_EQ(MakerOf(u"HDS721010CLA332", kEnglish), u"Unknown");
  EXPECT_EQ(MakerOf(u" LEADING", kEnglish), u"Unknown") << "a blank at the first position";
  EXPECT_EQ(MakerOf(u"", kEnglish), u"Unknown");
}

TEST(PowerOnTime, GroupsThousandsAtEveryBoundary) {
  const std::map<std::uint32_t, std::u16string> cases = {
      {0, u""},
      {999, u"999hours"},
      {1000, u"1,000hours"},
      {999999, u"999,999hours"},
      {1000000, u"1,000,000hours"},
      {999999999, u"999,999,999hours"},
      {4294967295u, u"4,294,967,295hours"},
  };
  for (const auto& [hours, text] : cases) EXPECT_EQ(PowerOnTimeText(hours, kEnglish), text);
  const ardmon::TableStrings japanese{ardmon::Language::Japanese};
  EXPECT_EQ(PowerOnTimeText(1000, japanese), u"1,000" + japanese.Get(198));
}

ardmon::DiskInfoTable Disk(const char* letters, const char* model, const char* serial,
                           const char* firmware, std::uint32_t hours) {
  ardmon::DiskInfoTable record{};
  record.Present = 1;
  std::strncpy(record.DriveLetters, letters, sizeof record.DriveLetters);
  std::strncpy(record.Temp.ModelNumber, model, sizeof record.Temp.ModelNumber);
  std::strncpy(record.Temp.SerialNumber, serial, sizeof record.Temp.SerialNumber);
  std::strncpy(record.Temp.FirmwareRevision, firmware, sizeof record.Temp.FirmwareRevision);
  record.Temp.PowerOnHours = hours;
  return record;
}

TEST(DriveFacts, ShowTheSelectedDiskTrimmedExceptTheFirmware) {
  SlotTable table;
  table.slots[3].slotRecord =
      Disk("C:D:", "ST500DM002-1BD142                       ", "   Z3T8KQ1A  ", "KC45    ", 5);
  table.selectedSlot = 3;
  const DriveFacts facts = DriveFactsOf(table, kEnglish);
  EXPECT_EQ(facts.maker, u"Seagate");
  EXPECT_EQ(facts.model, u"ST500DM002-1BD142");
  EXPECT_EQ(facts.serial, u"Z3T8KQ1A");
  EXPECT_EQ(facts.firmware, u"KC45    ");
  EXPECT_EQ(facts.powerOnTime, u"5hours");
  EXPECT_THAT(facts.letters, ElementsAre(u"C:", u"D:"));
  EXPECT_EQ(facts.power, u"");
}

TEST(DriveFacts, OfADiskAsleepSinceItCameSaySoAndNameItByInquiry) {
  SlotTable table;
  table.slots[0].slotRecord = Disk("E:", "", "", "", 0);
  std::strcpy(table.slots[0].slotRecord.InquiryId, "ATA     WDC WD40EFRX-68N");
  table.slots[0].reading = DriveReading::kAsleepUnread;
  const DriveFacts facts = DriveFactsOf(table, kEnglish);
  EXPECT_EQ(facts.model, u"ATA     WDC WD40EFRX-68N");
  EXPECT_EQ(facts.power, u"Sleeping");
}

TEST(DriveFacts, AreEmptyWithoutADiskAndUnknownWithoutIdentity) {
  SlotTable table;
  for (int slot : {0, 26, -1}) {
    table.selectedSlot = slot;
    EXPECT_EQ(DriveFactsOf(table, kEnglish).maker, u"") << slot;
  }

  table.slots[0].slotRecord = Disk("", "", "", "", 0);
  table.selectedSlot = 0;
  const DriveFacts facts = DriveFactsOf(table, kEnglish);
  EXPECT_EQ(facts.maker, u"Unknown");
  EXPECT_EQ(facts.model, u"");
  EXPECT_EQ(facts.powerOnTime, u"");
  EXPECT_THAT(facts.letters, IsEmpty());
}

TEST(DriveLetters, StopAtTheEndOfTheFieldEvenWithoutATerminator) {
  ardmon::DiskInfoTable record{};
  std::memset(record.DriveLetters, 'Z', sizeof record.DriveLetters);
  for (std::size_t at = 1; at < sizeof record.DriveLetters; at += 2) record.DriveLetters[at] = ':';
  EXPECT_EQ(DriveLetterItems(record).size(), 27u);
  EXPECT_EQ(DriveLetterItems(record).back(), u"Z:");
}

// Volumes without names cannot be queried; those without a space entry report none.
class FakeVolumes : public VolumeQuery {
 public:
  std::map<std::u16string, VolumeNames> names;
  std::map<std::u16string, VolumeSpace> spaces;
  std::optional<VolumeNames> Names(const std::u16string& root) override {
    if (!names.count(root)) return std::nullopt;
    return names[root];
  }
  VolumeSpace Space(const std::u16string& root) override { return spaces[root]; }
};

constexpr std::uint64_t kGiB = 1ull << 30;

TEST(VolumeFacts, ShowUsedAndFreeGigabytesAndTheUsedShare) {
  FakeVolumes volumes;
  volumes.names[u"C:\\"] = {u"System", u"NTFS"};
  volumes.spaces[u"C:\\"] = {25 * kGiB, 100 * kGiB};
  const VolumeFacts facts = VolumeFactsOf(VolumeRoot(u"C:"), volumes);
  EXPECT_EQ(facts.label, u"System");
  EXPECT_EQ(facts.fileSystem, u"NTFS");
  EXPECT_EQ(facts.usedSpace, u"75.00GB");
  EXPECT_EQ(facts.freeSpace, u"25.00GB");
  EXPECT_EQ(facts.usedShare, 75u);
  EXPECT_EQ(UsedBarEnd(10, 200, facts.usedShare), 160);

  volumes.spaces[u"C:\\"] = {kGiB / 3, kGiB};  // 66.67 % used rounds down
  EXPECT_EQ(VolumeFactsOf(u"C:\\", volumes).usedShare, 66u);
  EXPECT_EQ(VolumeFactsOf(u"C:\\", volumes).freeSpace, u"0.33GB");
  // Free beyond the total, or a total near the 64-bit limit, never wraps.
  volumes.spaces[u"C:\\"] = {2 * kGiB, kGiB};
  EXPECT_EQ(VolumeFactsOf(u"C:\\", volumes).usedShare, 0u);
  volumes.spaces[u"C:\\"] = {0, UINT64_MAX};
  EXPECT_EQ(VolumeFactsOf(u"C:\\", volumes).usedShare, 100u);
}

TEST(VolumeFacts, WithoutATotalShowTheTextsButNoBarAndUnqueriedShowNothing) {
  FakeVolumes volumes;
  volumes.names[u"E:\\"] = {u"", u"FAT32"};
  const VolumeFacts facts = VolumeFactsOf(u"E:\\", volumes);
  EXPECT_EQ(facts.fileSystem, u"FAT32");
  EXPECT_EQ(facts.usedSpace, u"0.00GB");
  EXPECT_EQ(facts.usedShare, kNoUsedShare);

  volumes.spaces[u"G:\\"] = {kGiB, kGiB};
  const VolumeFacts unqueried = VolumeFactsOf(u"G:\\", volumes);
  EXPECT_EQ(unqueried.label, u"");
  EXPECT_EQ(unqueried.usedSpace, u"");
  EXPECT_EQ(unqueried.usedShare, kNoUsedShare);
}

}  // namespace
}  // namespace monitor
