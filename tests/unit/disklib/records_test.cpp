// The wire records are read byte for byte by the other side of the pipe:
// pin where each field lands.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common/ata_string.h"
#include "common/wire_records.h"

namespace ardmon {
namespace {

template <typename Record>
std::vector<std::uint8_t> BytesOf(const Record& record) {
  std::vector<std::uint8_t> bytes(sizeof record);
  std::memcpy(bytes.data(), &record, sizeof record);
  return bytes;
}

TEST(WireRecords, PipeMessageFieldsLandAtTheirOffsets) {
  PipeMessage message{};
  message.Command = 0x01020304;
  message.Argument = 0x0A0B0C0D;
  message.Result = 0x11223344;
  message.Payload[0] = 0xAA;
  message.Payload[4095] = 0xBB;
  const auto bytes = BytesOf(message);
  ASSERT_EQ(bytes.size(), 4108u);
  EXPECT_EQ(bytes[0], 0x04);
  EXPECT_EQ(bytes[3], 0x01);
  EXPECT_EQ(bytes[4], 0x0D);
  EXPECT_EQ(bytes[8], 0x44);
  EXPECT_EQ(bytes[12], 0xAA);
  EXPECT_EQ(bytes[4107], 0xBB);
}

TEST(WireRecords, DiskInfoTableFieldsLandAtTheirOffsets) {
  DiskInfoTable table{};
  table.Present = 1;
  table.DiskSize = 0x0102030405060708ull;
  std::memcpy(table.DriveLetters, "C:E:", 5);
  table.InquiryId[0] = 'A';
  table.ControllerId[0] = u'P';
  table.DevicePath[259] = u'\x1234';
  table.Temp.Temperature = 41;
  const auto bytes = BytesOf(table);
  ASSERT_EQ(bytes.size(), 2776u);
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(bytes[8], 0x08);
  EXPECT_EQ(bytes[15], 0x01);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[16])), "C:E:");
  EXPECT_EQ(bytes[69], 'A');
  EXPECT_EQ(bytes[110], 'P');
  EXPECT_EQ(bytes[111], 0);
  EXPECT_EQ(bytes[630 + 518], 0x34);
  EXPECT_EQ(bytes[630 + 519], 0x12);
  EXPECT_EQ(bytes[1152 + 1], 41);
}

TEST(WireRecords, TempInfoRecordFieldsLandAtTheirOffsets) {
  TempInfoRecord record{};
  record.SmartSupported = 1;
  record.Temperature = 2;
  record.HealthStatus = 3;
  record.NvmeData = 4;
  record.PowerOnHours = 0xA1B2C3D4;
  record.IdentifyOk = 5;
  record.AttributesOk = 6;
  record.ThresholdsOk = 7;
  record.IdentifyData[0] = 8;
  record.AttributeData[0] = 9;
  record.ThresholdData[511] = 10;
  record.SerialNumber[0] = 'S';
  record.FirmwareRevision[0] = 'F';
  record.ModelNumber[40] = 'M';
  const auto bytes = BytesOf(record);
  ASSERT_EQ(bytes.size(), 1620u);
  EXPECT_EQ((std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 11)),
            (std::vector<std::uint8_t>{1, 2, 3, 4, 0xD4, 0xC3, 0xB2, 0xA1, 5, 6, 7}));
  EXPECT_EQ(bytes[11], 8);
  EXPECT_EQ(bytes[523], 9);
  EXPECT_EQ(bytes[1035 + 511], 10);
  EXPECT_EQ(bytes[1547], 'S');
  EXPECT_EQ(bytes[1568], 'F');
  EXPECT_EQ(bytes[1617], 'M');
}

TEST(AtaString, SwapsTheBytesOfEveryWordBothWays) {
  const std::uint8_t words[] = {'T', 'S', 'A', 'M', ' ', 'P', '1', 'X'};
  char text[9] = {};
  SwapAtaString(words, sizeof words, text);
  EXPECT_STREQ(text, "STMAP X1");
  std::uint8_t back[8] = {};
  SwapAtaString(text, 8, back);
  EXPECT_EQ(std::memcmp(back, words, 8), 0);
}

}  // namespace
}  // namespace ardmon
