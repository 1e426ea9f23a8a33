#include <gtest/gtest.h>

#include "disklib/disklib.h"
#include "fake_device_stack.h"

namespace disklib {
namespace {

using testing::FakeRegistryDevice;
using testing::MultiStringBytes;

FakeRegistryDevice Controller(std::vector<std::u16string> hardwareIds,
                              std::optional<std::vector<std::u16string>> filters = {}) {
  FakeRegistryDevice device;
  device.hardwareId = MultiStringBytes(hardwareIds);
  if (filters) device.upperFilters = MultiStringBytes(*filters);
  return device;
}

const std::vector<std::uint8_t> kFilterList = MultiStringBytes({u"OxaSATAFil"});

TEST(AddFilterSil, RegistersOnceOnMatchedControllers) {
  testing::FakeDeviceStack stack;
  stack.registry = {Controller({u"PCI\\VEN_1095&DEV_3132&SUBSYS_71321095", u"PCI\\VEN_1095"}),
                    Controller({u"PCI\\VEN_8086&DEV_2922"})};
  EXPECT_TRUE(EditSilFilters(stack, true));
  EXPECT_EQ(stack.registry[0].upperFilters, kFilterList);
  EXPECT_FALSE(stack.registry[1].upperFilters);
  EXPECT_FALSE(EditSilFilters(stack, true)) << "idempotent";
  EXPECT_EQ(stack.registry[0].writes, 1);
}

TEST(AddFilterSil, ReplacesAnotherDriversListAndKeepsAnyCaseOfItsOwn) {
  testing::FakeDeviceStack stack;
  stack.registry = {Controller({u"pci\\ven_1095&dev_3512"}, {{u"partmgr"}}),
                    Controller({u"PCI\\VEN_1095&DEV_3124"}, {{u"partmgr", u"oXAsatafIL"}}),
                    Controller({u"PCI\\VEN_1095&DEV_3124"}, {{u"OxaSATAFilter2"}})};
  EXPECT_TRUE(EditSilFilters(stack, true));
  EXPECT_EQ(stack.registry[0].upperFilters, kFilterList);
  EXPECT_EQ(stack.registry[1].writes, 0);
  EXPECT_EQ(stack.registry[2].writes, 0) << "a longer name that begins so matches";
}

TEST(AddFilterSil, IgnoresSecondHardwareIdsAbsentDevicesAndFailedWrites) {
  testing::FakeDeviceStack stack;
  stack.registry = {Controller({u"PCI\\VEN_8086&DEV_1", u"PCI\\VEN_1095&DEV_3132"}),
                    Controller({u"PCI\\VEN_1095&DEV_3132"}),
                    Controller({u"PCI\\VEN_1095&DEV_3132"}), FakeRegistryDevice{}};
  stack.registry[1].present = false;
  stack.registry[2].writable = false;
  EXPECT_FALSE(EditSilFilters(stack, true));
  EXPECT_FALSE(stack.registry[0].upperFilters);
  EXPECT_FALSE(stack.registry[1].upperFilters);
}

TEST(AddFilterSil, AShortFilterNameDoesNotMatch) {
  testing::FakeDeviceStack stack;
  stack.registry = {Controller({u"PCI\\VEN_1095&DEV_3132"}, {{u"OxaSATA"}})};
  EXPECT_TRUE(EditSilFilters(stack, true));
}

TEST(DelFilterSil, RemovesTheWholePropertyWhereverItIsListed) {
  testing::FakeDeviceStack stack;
  stack.registry = {Controller({u"ROOT\\ANY"}, {{u"partmgr", u"OXASATAFIL"}}),
                    Controller({u"PCI\\VEN_1095&DEV_3132"}, {{u"partmgr"}}),
                    Controller({u"PCI\\VEN_1095&DEV_3132"})};
  stack.registry[0].present = false;
  EXPECT_TRUE(EditSilFilters(stack, false));
  EXPECT_FALSE(stack.registry[0].upperFilters);
  EXPECT_TRUE(stack.registry[1].upperFilters);
  EXPECT_FALSE(EditSilFilters(stack, false));
}

TEST(DelFilterSil, AnEmptyOrTruncatedListIsHandled) {
  testing::FakeDeviceStack stack;
  FakeRegistryDevice empty;
  empty.upperFilters = std::vector<std::uint8_t>{};
  FakeRegistryDevice unterminated;
  unterminated.upperFilters = std::vector<std::uint8_t>{'O', 0, 'x', 0, 'a'};
  stack.registry = {empty, unterminated};
  EXPECT_FALSE(EditSilFilters(stack, false));
}

}  // namespace
}  // namespace disklib
