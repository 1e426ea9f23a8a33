// How a drive's record reads in the drive list, the tray and event texts.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/wire_records.h"
#include "monitor/drive_list.h"
#include "monitor/slot_table.h"
#include "resources/strings.h"

namespace monitor {

// The letters as "C:D:", or "--" when the disk has none.
std::u16string DriveText(const ardmon::DiskInfoTable& record, const ardmon::Strings& strings);
// The model number, else the INQUIRY name, else "Unknown"; trimmed.
std::u16string ModelText(const ardmon::DiskInfoTable& record, const ardmon::Strings& strings);
// The six cells of the drive's row. A sleeping drive's temperature says
// so; one not read yet claims nothing about its S.M.A.R.T. support; one
// shown Good for accepted counts says so beside its health.
std::array<std::u16string, kColumnCount> RowCells(const ardmon::DiskInfoTable& record,
                                                  DriveReading reading, bool accepted,
                                                  const ardmon::Strings& strings);
// "Good", "Caution", "Bad" or "Unknown"; " (accepted)" after a health
// shown Good for accepted counts.
std::u16string HealthText(std::uint8_t status, bool accepted, const ardmon::Strings& strings);
// The temperature as a tray icon shows it: the number, or "--".
std::u16string TemperatureNumber(std::uint8_t temperature, const ardmon::Strings& strings);

}  // namespace monitor
