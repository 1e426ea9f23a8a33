// The device tree as the enumeration walks it: disk and port interfaces,
// parents and instance IDs of the fixture's device nodes.
#include "disklib/sim/sim_device_stack.h"
#include "disklib/sim/stack_requests.h"
#include "disklib/text.h"

namespace disklib::sim {

std::optional<std::size_t> DeviceIndex(const Fixture& f, const std::string& id) {
  for (std::size_t i = 0; i < f.devices.size(); ++i) {
    if (f.devices[i].id == id) return i;
  }
  return std::nullopt;
}

bool NodePresent(const Fixture& f, const std::string& node) {
  std::optional<std::size_t> i = DeviceIndex(f, node);
  return i && f.devices[*i].present;
}

// True when `ancestor` lies somewhere above `node`.
bool IsBelow(const Fixture& f, const std::string& node, const std::string& ancestor) {
  std::optional<std::size_t> i = DeviceIndex(f, node);
  for (std::size_t steps = 0; i && steps <= f.devices.size(); ++steps) {
    const std::string& parent = f.devices[*i].parent;
    if (parent.empty()) return false;
    if (parent == ancestor) return true;
    i = DeviceIndex(f, parent);
  }
  return false;
}

bool EqualAsciiNoCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && StartsWithIgnoringCase(a, b);
}

bool SimDeviceStack::VisitInterfaces(InterfaceClass cls,
                                     const std::function<bool(const DeviceInterface&)>& stop) {
  auto visit = [&](const std::string& path, const std::string& node) {
    std::optional<std::size_t> i = DeviceIndex(fixture_, node);
    if (!i || !fixture_.devices[*i].present) return false;
    return stop(DeviceInterface{Utf16FromUtf8(path), static_cast<DevNode>(*i + 1)});
  };
  if (cls == InterfaceClass::Disk) {
    for (const Disk& d : fixture_.disks) {
      if (visit(d.path, d.node)) break;
    }
  } else {
    for (const StoragePort& p : fixture_.storagePorts) {
      if (visit(p.path, p.node)) break;
    }
  }
  return true;
}

std::optional<DevNode> SimDeviceStack::ParentOf(DevNode node) {
  if (node == 0 || node > fixture_.devices.size()) return std::nullopt;
  const std::string& parent = fixture_.devices[node - 1].parent;
  if (parent.empty()) return std::nullopt;
  std::optional<std::size_t> i = DeviceIndex(fixture_, parent);
  if (!i) return std::nullopt;
  return static_cast<DevNode>(*i + 1);
}

std::optional<std::u16string> SimDeviceStack::DeviceIdOf(DevNode node) {
  if (node == 0 || node > fixture_.devices.size()) return std::nullopt;
  std::u16string id = Utf16FromUtf8(fixture_.devices[node - 1].id);
  if (id.size() > 259) id.resize(259);
  return id;
}

}  // namespace disklib::sim
