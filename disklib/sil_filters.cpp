// Registering the SATA upper filter driver on Silicon Image controllers.
#include <algorithm>
#include <string_view>

#include "disklib/disklib.h"
#include "disklib/text.h"

namespace disklib {
namespace {

constexpr std::u16string_view kFilterName = u"OxaSATAFil";
constexpr std::u16string_view kSiliconImageHardware[] = {
    u"PCI\\ven_1095&dev_3132", u"PCI\\ven_1095&dev_3512", u"PCI\\ven_1095&dev_3124"};

// A multi-string property as characters; bytes past the last whole
// character are dropped, and reads past the end see NUL.
class MultiString {
 public:
  explicit MultiString(const std::vector<std::uint8_t>& bytes)
      : chars_(bytes.size() / 2), byteSize_(bytes.size()) {
    for (std::size_t i = 0; i < chars_.size(); ++i) {
      chars_[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
  }
  char16_t At(std::size_t i) const { return i < chars_.size() ? chars_[i] : u'\0'; }

  // The text at character `start`, up to its NUL or the end of the data.
  std::u16string_view EntryAt(std::size_t start) const {
    if (start >= chars_.size()) return {};
    std::size_t end = start;
    while (end < chars_.size() && chars_[end] != u'\0') ++end;
    return std::u16string_view(chars_.data() + start, end - start);
  }

  // True when an entry, walked from the start while it begins inside the
  // reported size, begins with `prefix` ignoring case.
  bool HasEntryStartingWith(std::u16string_view prefix) const {
    for (std::size_t start = 0; 2 * start < byteSize_;) {
      std::u16string_view entry = EntryAt(start);
      if (StartsWithIgnoringCase(entry, prefix)) return true;
      start += entry.size() + 1;
    }
    return false;
  }

 private:
  std::vector<char16_t> chars_;
  std::size_t byteSize_;
};

bool IsSiliconImageController(DeviceEntry& device) {
  std::optional<std::vector<std::uint8_t>> ids = device.ReadProperty(DeviceProperty::HardwareId);
  if (!ids || ids->empty()) return false;
  const MultiString list(*ids);
  const std::u16string_view first = list.EntryAt(0);
  return std::any_of(
      std::begin(kSiliconImageHardware), std::end(kSiliconImageHardware),
      [&](std::u16string_view prefix) { return StartsWithIgnoringCase(first, prefix); });
}

bool ListsFilter(const std::optional<std::vector<std::uint8_t>>& filters) {
  return filters && MultiString(*filters).HasEntryStartingWith(kFilterName);
}

// The filter alone, then the empty string that ends the list.
std::vector<std::uint8_t> FilterListBytes() {
  std::vector<std::uint8_t> bytes;
  for (char16_t c : kFilterName) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  bytes.insert(bytes.end(), 4, 0);
  return bytes;
}

}  // namespace

bool EditSilFilters(DeviceStack& stack, bool add) {
  bool changed = false;
  stack.VisitDevices(/*presentOnly=*/add, [&](DeviceEntry& device) {
    if (add) {
      if (!IsSiliconImageController(device)) return;
      if (ListsFilter(device.ReadProperty(DeviceProperty::UpperFilters))) return;
      if (device.WriteProperty(DeviceProperty::UpperFilters, FilterListBytes())) changed = true;
    } else {
      std::optional<std::vector<std::uint8_t>> filters =
          device.ReadProperty(DeviceProperty::UpperFilters);
      if (!filters || filters->empty() || !ListsFilter(filters)) return;
      // Other filters listed beside it go with the property.
      if (device.WriteProperty(DeviceProperty::UpperFilters, {})) changed = true;
    }
  });
  return changed;
}

}  // namespace disklib
