// The storage queries for NVMe data, against bytes written out by hand from
// the platform's STORAGE_PROPERTY_QUERY, STORAGE_PROTOCOL_SPECIFIC_DATA,
// STORAGE_PROTOCOL_DATA_DESCRIPTOR and STORAGE_TEMPERATURE_DATA_DESCRIPTOR.
#include "disklib/storage_query.h"

#include <gtest/gtest.h>

#include "hex.h"

namespace disklib {
namespace {

using testing::Hex;

// Query: PropertyId, QueryType; then ProtocolType, DataType, request value,
// sub-value, data offset, data length, fixed return data, sub-values 2-4.
TEST(ProtocolQuery, IdentifyControllerThroughTheAdapterProperty) {
  EXPECT_EQ(
      BuildProtocolQuery(StorageProperty::AdapterProtocolSpecific, NvmeData::IdentifyController),
      Hex("31 00 00 00  00 00 00 00"
          "  03 00 00 00  01 00 00 00  01 00 00 00  00 00 00 00"
          "  28 00 00 00  00 10 00 00  00 00 00 00  00*12"
          "  00*4096"));
}

TEST(ProtocolQuery, HealthLogThroughTheDeviceProperty) {
  EXPECT_EQ(BuildProtocolQuery(StorageProperty::DeviceProtocolSpecific, NvmeData::HealthLog),
            Hex("32 00 00 00  00 00 00 00"
                "  03 00 00 00  02 00 00 00  02 00 00 00  00 00 00 00"
                "  28 00 00 00  00 02 00 00  00 00 00 00  00*12"
                "  00*512"));
}

TEST(TemperatureQuery, IsTheBareQueryOfTwelveBytes) {
  EXPECT_EQ(BuildTemperatureQuery(), Hex("34 00 00 00  00 00 00 00  00 00 00 00"));
  EXPECT_EQ(kTemperatureAnswerSize, 24u + 9 * 16);
}

// A well-formed answer: descriptor Version and Size 48, the protocol data
// as asked, its data at 8 + offset.
std::vector<std::uint8_t> Answer(std::uint32_t offset, std::uint32_t length,
                                 std::uint32_t room = 600) {
  std::vector<std::uint8_t> b =
      Hex("30 00 00 00  30 00 00 00  03 00 00 00  02 00 00 00"
          "  02 00 00 00  00 00 00 00");
  for (std::uint32_t v : {offset, length}) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  b.resize(room, 0);
  return b;
}

TEST(ProtocolAnswer, DataLiesWhereTheDescriptorSays) {
  const auto at40 = Answer(40, 512);
  EXPECT_EQ(ProtocolAnswerData(at40, 560, 512), at40.data() + 48);
  const auto at44 = Answer(44, 512);
  EXPECT_EQ(ProtocolAnswerData(at44, 564, 512), at44.data() + 52);
}

TEST(ProtocolAnswer, MalformedOrShortAnswersAreRefused) {
  auto wrongVersion = Answer(40, 512);
  wrongVersion[0] = 0x28;
  EXPECT_EQ(ProtocolAnswerData(wrongVersion, 560, 512), nullptr);
  auto wrongSize = Answer(40, 512);
  wrongSize[4] = 0x31;
  EXPECT_EQ(ProtocolAnswerData(wrongSize, 560, 512), nullptr);
  EXPECT_EQ(ProtocolAnswerData(Answer(36, 512), 560, 512), nullptr) << "inside the descriptor";
  EXPECT_EQ(ProtocolAnswerData(Answer(40, 256), 560, 512), nullptr) << "less than asked";
  EXPECT_EQ(ProtocolAnswerData(Answer(40, 512), 559, 512), nullptr) << "not all returned";
  EXPECT_EQ(ProtocolAnswerData(Answer(0xFFFFFFF0u, 512), 560, 512), nullptr) << "far outside";
  EXPECT_EQ(ProtocolAnswerData(Answer(40, 512, 100), 560, 512), nullptr) << "past the buffer";
  EXPECT_EQ(ProtocolAnswerData(Answer(40, 512), 47, 0), nullptr) << "no whole descriptor";
}

// Descriptor: Version, Size, critical and warning temperatures, InfoCount,
// reserved; entry: Index, Temperature, thresholds, flags, reserved.
TEST(TemperatureAnswer, TheFirstEntryIsTheDevicesTemperature) {
  const auto answer =
      Hex("28 00 00 00  28 00 00 00  55 00 46 00  01 00 00 00  00*8"
          "  00 00 2B 00 46 00 00 00  00 00 00 00  00 00 00 00");
  EXPECT_EQ(ReportedTemperature(answer.data(), 40), std::optional<std::int16_t>(43));
  auto below = answer;
  below[26] = 0xFB;  // -5
  below[27] = 0xFF;
  EXPECT_EQ(ReportedTemperature(below.data(), 40), std::optional<std::int16_t>(-5));

  EXPECT_EQ(ReportedTemperature(answer.data(), 8), std::nullopt) << "Version and Size alone";
  auto none = answer;
  none[12] = 0;
  EXPECT_EQ(ReportedTemperature(none.data(), 40), std::nullopt) << "no entries";
  auto shortSize = answer;
  shortSize[4] = 24;
  EXPECT_EQ(ReportedTemperature(shortSize.data(), 40), std::nullopt);
}

}  // namespace
}  // namespace disklib
