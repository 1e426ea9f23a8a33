#include <gtest/gtest.h>

#include "disklib/disklib.h"
#include "fake_device_stack.h"

namespace disklib {
namespace {

using testing::FakeRegistryDevice;
using testing::MultiStringBytes;
using Bytes = std::vector<std::uint8_t>;
using Filters = std::optional<std::vector<std::u16string>>;

constexpr char16_t kSil3132[] = u"PCI\\VEN_1095&DEV_3132&SUBSYS_71321095";
const Filters kNoEntries = std::vector<std::u16string>{};

// The property as a list of filters: absent, present without data, or the
// entries.
std::optional<Bytes> Property(const Filters& filters) {
  if (!filters) return std::nullopt;
  return filters->empty() ? Bytes() : MultiStringBytes(*filters);
}

FakeRegistryDevice Controller(std::vector<std::u16string> hardwareIds, Filters filters = {}) {
  FakeRegistryDevice device;
  device.hardwareId = MultiStringBytes(hardwareIds);
  device.upperFilters = Property(filters);
  return device;
}

constexpr bool kAdd = true, kDelete = false;
const std::u16string kOurs = u"OxaSATAFil", kMixed = u"oXAsatafIL";
constexpr char16_t kSil3124[] = u"PCI\\VEN_1095&DEV_3124";
// A kernel driver started on demand whose file is there.
const DriverService kLoadable{1, 3, true};

// One controller, one edit: what it returns and the filter list it leaves.
TEST(EditSilFilters, EditsOnlyItsOwnEntry) {
  struct Case {
    const char* what;
    bool add;
    bool driverInstalled;
    std::u16string hardwareId;
    Filters before;
    bool changed;
    Filters after;
  };
  const Case cases[] = {
      {"no driver: nothing added", kAdd, false, kSil3132, {}, false, {}},
      {"no driver: list kept", kAdd, false, kSil3132, {{u"pm"}}, false, {{u"pm"}}},
      {"added alone", kAdd, true, kSil3132, {}, true, {{kOurs}}},
      {"to an empty list", kAdd, true, u"pci\\ven_1095&dev_3512", kNoEntries, true, {{kOurs}}},
      {"after others", kAdd, true, kSil3124, {{u"pm", u"b"}}, true, {{u"pm", u"b", kOurs}}},
      {"in any case", kAdd, true, kSil3132, {{u"pm", kMixed}}, false, {{u"pm", kMixed}}},
      {"a longer name", kAdd, true, kSil3132, {{u"OxaSATAFil2"}}, false, {{u"OxaSATAFil2"}}},
      {"a shorter name", kAdd, true, kSil3132, {{u"OxaSATA"}}, true, {{u"OxaSATA", kOurs}}},
      {"another controller", kAdd, true, u"PCI\\VEN_8086&DEV_2922", {}, false, {}},
      {"others kept", kDelete, false, u"X", {{u"pm", kMixed, u"b", kOurs}}, true, {{u"pm", u"b"}}},
      {"nothing else left", kDelete, true, kSil3132, {{kOurs}}, true, {}},
      {"not listed", kDelete, true, kSil3132, {{u"pm"}}, false, {{u"pm"}}},
      {"an empty list", kDelete, true, kSil3132, kNoEntries, false, kNoEntries},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::FakeDeviceStack stack;
    if (c.driverInstalled) stack.services[kOurs] = kLoadable;
    stack.registry = {Controller({c.hardwareId}, c.before)};
    EXPECT_EQ(EditSilFilters(stack, c.add), c.changed);
    EXPECT_EQ(stack.registry[0].upperFilters, Property(c.after));
    EXPECT_EQ(stack.registry[0].writes, c.changed ? 1 : 0);
  }
}

TEST(AddFilterSil, RegistersOnceOnPresentControllersWhoseWriteSucceeds) {
  testing::FakeDeviceStack stack;
  stack.services[kOurs] = kLoadable;
  // The second hardware ID is not looked at.
  stack.registry = {Controller({kSil3132}), Controller({kSil3132}), Controller({kSil3132}),
                    Controller({u"PCI\\VEN_8086&DEV_1", kSil3132}), FakeRegistryDevice{}};
  stack.registry[1].present = false;
  stack.registry[2].writable = false;
  EXPECT_TRUE(EditSilFilters(stack, true));
  EXPECT_EQ(stack.registry[0].upperFilters, Property({{u"OxaSATAFil"}}));
  EXPECT_FALSE(stack.registry[1].upperFilters);
  EXPECT_FALSE(stack.registry[2].upperFilters);
  EXPECT_FALSE(stack.registry[3].upperFilters);
  EXPECT_FALSE(EditSilFilters(stack, true)) << "idempotent";
  EXPECT_EQ(stack.registry[0].writes, 1);
}

TEST(DelFilterSil, ReachesAbsentDevicesAndCopesWithATruncatedList) {
  testing::FakeDeviceStack stack;
  FakeRegistryDevice absent = Controller({u"ROOT\\ANY"}, {{u"OxaSATAFil"}});
  absent.present = false;
  FakeRegistryDevice unterminated;
  unterminated.upperFilters = Bytes{'p', 0, 'm', 0, 0, 0, 'O', 0, 'x', 0, 'a', 0, 'S', 0, 'A'};
  stack.registry = {absent, unterminated};
  EXPECT_TRUE(EditSilFilters(stack, false));
  EXPECT_FALSE(stack.registry[0].upperFilters);
  EXPECT_EQ(stack.registry[1].writes, 0);
}

}  // namespace
}  // namespace disklib
