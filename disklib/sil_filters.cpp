// Registering the SATA upper filter driver on Silicon Image controllers.
// A filter whose driver cannot load makes Windows fail the controller at its
// next start, so the filter is added only when its driver service would
// load, and only our own entry is ever added or removed.
#include <algorithm>
#include <string_view>

#include "disklib/disklib.h"
#include "disklib/driver_service.h"
#include "disklib/multi_string.h"
#include "disklib/text.h"

namespace disklib {
namespace {

constexpr std::u16string_view kFilterName = u"OxaSATAFil";
constexpr std::u16string_view kSiliconImageHardware[] = {
    u"PCI\\ven_1095&dev_3132", u"PCI\\ven_1095&dev_3512", u"PCI\\ven_1095&dev_3124"};

using Bytes = std::vector<std::uint8_t>;

// Our entry: it begins with the filter's name, in any letter case.
bool IsFilter(std::u16string_view entry) {
  return StartsWithIgnoringCase(entry, kFilterName);
}

bool IsSiliconImageController(DeviceEntry& device) {
  std::optional<Bytes> ids = device.ReadProperty(DeviceProperty::HardwareId);
  if (!ids || ids->empty()) return false;
  const std::vector<std::u16string> list = MultiStringEntries(*ids);
  if (list.empty()) return false;
  return std::any_of(
      std::begin(kSiliconImageHardware), std::end(kSiliconImageHardware),
      [&](std::u16string_view prefix) { return StartsWithIgnoringCase(list.front(), prefix); });
}

// Adds the filter behind the filters already listed; true when written.
bool AddFilter(DeviceEntry& device) {
  if (!IsSiliconImageController(device)) return false;
  std::vector<std::u16string> filters =
      MultiStringEntries(device.ReadProperty(DeviceProperty::UpperFilters).value_or(Bytes()));
  if (std::any_of(filters.begin(), filters.end(), IsFilter)) return false;
  filters.emplace_back(kFilterName);
  return device.WriteProperty(DeviceProperty::UpperFilters, MultiStringBytes(filters));
}

// Removes our entries and keeps the others; the property goes only when
// nothing else is left. True when written.
bool RemoveFilter(DeviceEntry& device) {
  std::optional<Bytes> bytes = device.ReadProperty(DeviceProperty::UpperFilters);
  if (!bytes || bytes->empty()) return false;
  std::vector<std::u16string> filters = MultiStringEntries(*bytes);
  const auto ours = std::remove_if(filters.begin(), filters.end(), IsFilter);
  if (ours == filters.end()) return false;
  filters.erase(ours, filters.end());
  return device.WriteProperty(DeviceProperty::UpperFilters,
                              filters.empty() ? Bytes() : MultiStringBytes(filters));
}

}  // namespace

bool EditSilFilters(DeviceStack& stack, bool add) {
  if (add && !DriverCanLoad(stack.FindDriverService(std::u16string(kFilterName)))) return false;
  bool changed = false;
  stack.VisitDevices(/*presentOnly=*/add, [&](DeviceEntry& device) {
    if (add ? AddFilter(device) : RemoveFilter(device)) changed = true;
  });
  return changed;
}

}  // namespace disklib
