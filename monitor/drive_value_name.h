// The name under which the profile keeps a value of one drive in the
// sections that follow a drive rather than a port ("DRIVETEMP",
// "ACCEPTED"): its model and its serial number, each without its trailing
// blanks, joined by a blank. The device path would change with the cable.
#pragma once

#include <string>
#include <string_view>

#include "common/wire_records.h"
#include "monitor/record_text.h"

namespace monitor {

inline std::u16string_view WithoutTrailingBlanks(std::u16string_view text) {
  const std::size_t end = text.find_last_not_of(u' ');
  return end == std::u16string_view::npos ? std::u16string_view() : text.substr(0, end + 1);
}

inline std::u16string DriveValueName(std::u16string_view model, std::u16string_view serial) {
  std::u16string name(WithoutTrailingBlanks(model));
  name += u' ';
  name += WithoutTrailingBlanks(serial);
  return name;
}

// Of a drive as it named itself; empty while it has not (not read yet, or
// it gave neither model nor serial), so that unnamed drives share nothing.
inline std::u16string DriveValueNameOf(const ardmon::TempInfoRecord& temp) {
  const std::u16string model = WidenField(temp.ModelNumber);
  const std::u16string serial = WidenField(temp.SerialNumber);
  if (WithoutTrailingBlanks(model).empty() && WithoutTrailingBlanks(serial).empty()) return {};
  return DriveValueName(model, serial);
}

}  // namespace monitor
