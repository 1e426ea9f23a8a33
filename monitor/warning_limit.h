// A drive's warning temperature: its own, set from the drive list and kept
// in the profile's "DRIVETEMP" section under its value name; else, for an
// NVMe drive, the warning composite temperature threshold it reports; else
// the "TEMP" setting. The cycle counts, the graph draws and the HDD
// information page names the limit chosen here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/wire_records.h"
#include "monitor/profile.h"
#include "monitor/slot_table.h"
#include "resources/strings.h"

namespace monitor {

constexpr std::u16string_view kDriveTempSection = u"DRIVETEMP";

enum class LimitSource { kOwn, kDriveThreshold, kSetting };

struct WarningLimit {
  std::uint32_t celsius;
  LimitSource source;
  bool operator==(const WarningLimit& other) const {
    return celsius == other.celsius && source == other.source;
  }
};

// An NVMe drive's warning threshold in whole degrees; nothing for an ATA
// drive, without Identify data, or when the drive reports none.
std::optional<std::uint32_t> DriveWarningThreshold(const ardmon::TempInfoRecord& temp);

WarningLimit ChooseWarningLimit(std::optional<std::uint32_t> own,
                                const ardmon::TempInfoRecord& temp, std::uint32_t setting);

// The drive's own limit as stored; nothing for a drive without a name.
std::optional<std::uint32_t> OwnWarningLimit(Profile& profile, const ardmon::TempInfoRecord& temp);
// Stores the drive's own limit, or removes it (nothing); false when the
// drive has no name to store it under or the profile refused.
bool StoreOwnWarningLimit(Profile& profile, const ardmon::TempInfoRecord& temp,
                          std::optional<std::uint32_t> own);

// With "TEMP" as read once for a whole cycle, or read now.
WarningLimit WarningLimitOf(Profile& profile, const ardmon::TempInfoRecord& temp,
                            std::uint32_t setting);
WarningLimit WarningLimitOf(Profile& profile, const ardmon::TempInfoRecord& temp);
// The limit the drive would have without one of its own.
WarningLimit DefaultWarningLimit(Profile& profile, const ardmon::TempInfoRecord& temp);
// The selected drive's; nothing while no drive is selected.
std::optional<WarningLimit> SelectedWarningLimit(const SlotTable& table, Profile& profile);
// Whether the selected drive may have a limit of its own: one that has not
// named itself has nowhere to keep it.
bool SelectedDriveMayHaveOwnLimit(const SlotTable& table);

// "70℃ (where it comes from)".
std::u16string WarningLimitText(const WarningLimit& limit, const ardmon::Strings& strings);

// The drive's own limit as its dialog edits it: a number, or empty for
// none.
std::u16string OwnWarningLimitText(Profile& profile, const ardmon::TempInfoRecord& temp);
enum class OwnLimitChange { kStored, kRemoved, kNotANumber, kUnnamed };
// Takes the dialog's text: a number becomes the drive's own limit, empty
// text removes it; then counts below the limits start afresh.
OwnLimitChange ApplyOwnWarningLimitText(Profile& profile, SlotTable& table,
                                        const ardmon::TempInfoRecord& temp,
                                        const std::u16string& text);

// After a limit changed: a drive now below its limit counts afresh, one at
// or above it keeps its count.
void ResetCountsBelowLimits(SlotTable& table, Profile& profile);

}  // namespace monitor
