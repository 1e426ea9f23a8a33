// The registry as the filter registration sees it: the device nodes'
// multi-string properties, written back to the fixture, and the installed
// driver services.
#include "disklib/multi_string.h"
#include "disklib/sim/sim_device_stack.h"
#include "disklib/sim/stack_requests.h"
#include "disklib/text.h"

namespace disklib::sim {
namespace {

Bytes PropertyBytes(const std::vector<std::string>& entries) {
  if (entries.empty()) return {};  // present without data
  std::vector<std::u16string> wide;
  for (const std::string& entry : entries) wide.push_back(Utf16FromUtf8(entry));
  return MultiStringBytes(wide);
}

std::vector<std::string> PropertyEntries(const Bytes& bytes) {
  std::vector<std::string> entries;
  for (const std::u16string& entry : MultiStringEntries(bytes)) {
    entries.push_back(Utf8FromUtf16(entry));
  }
  return entries;
}

class SimDeviceEntry : public DeviceEntry {
 public:
  SimDeviceEntry(SimDeviceStack& stack, std::size_t device) : stack_(stack), device_(device) {}
  std::optional<std::vector<std::uint8_t>> ReadProperty(DeviceProperty property) override {
    return stack_.ReadProperty(device_, property);
  }
  bool WriteProperty(DeviceProperty property, const std::vector<std::uint8_t>& bytes) override {
    return stack_.WriteProperty(device_, property, bytes);
  }

 private:
  SimDeviceStack& stack_;
  std::size_t device_;
};

}  // namespace

bool SimDeviceStack::VisitDevices(bool presentOnly,
                                  const std::function<void(DeviceEntry&)>& visit) {
  for (std::size_t i = 0; i < fixture_.devices.size(); ++i) {
    if (presentOnly && !fixture_.devices[i].present) continue;
    SimDeviceEntry entry(*this, i);
    visit(entry);
  }
  return true;
}

std::optional<DriverService> SimDeviceStack::FindDriverService(const std::u16string& name) {
  for (const Service& s : fixture_.services) {
    if (EqualAsciiNoCase(Utf16FromUtf8(s.name), name)) {
      return DriverService{s.type, s.start, s.imageExists};
    }
  }
  return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> SimDeviceStack::ReadProperty(
    std::size_t device, DeviceProperty property) const {
  const Device& d = fixture_.devices.at(device);
  const std::optional<std::vector<std::string>>& list =
      property == DeviceProperty::HardwareId ? d.hardwareIds : d.upperFilters;
  if (!list) return std::nullopt;
  return PropertyBytes(*list);
}

bool SimDeviceStack::WriteProperty(std::size_t device, DeviceProperty property,
                                   const std::vector<std::uint8_t>& bytes) {
  // Hardware IDs come from the bus driver; only the filter list is ours.
  if (property != DeviceProperty::UpperFilters) return false;
  Device& d = fixture_.devices.at(device);
  const std::optional<std::vector<std::string>> before = d.upperFilters;
  if (bytes.empty()) {
    d.upperFilters.reset();
  } else {
    d.upperFilters = PropertyEntries(bytes);
  }
  if (saveTo_) {
    try {
      SaveFixture(fixture_, *saveTo_);
    } catch (const std::exception&) {
      d.upperFilters = before;
      return false;
    }
  }
  return true;
}

}  // namespace disklib::sim
