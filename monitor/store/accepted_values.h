// Counts the user accepted for a drive in Caution: the monitor shows it
// Good, "(accepted)", until one of them rises above its accepted value.
// Kept in the profile, one REG_SZ value per drive under "ACCEPTED", named
// by the drive's key and holding the ATA 5, 197 and 198 counts as
// "5=8 197=0 198=0"; an empty value accepts nothing. Only the monitor's
// view changes: the library's record, the metrics and the JSON keep the
// drive's own verdict.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/wire_records.h"
#include "monitor/profile.h"
#include "monitor/store/damage_counts.h"

namespace monitor {

constexpr std::u16string_view kAcceptedSection = u"ACCEPTED";

struct StoredAcceptance {
  std::optional<DamageCounts> counts;  // nothing: none stored
  bool unreadable = false;             // a value that is not pairs of 5, 197, 198
};
StoredAcceptance ReadAccepted(Profile& profile, const std::u16string& driveKey);

// Whether a drive with this record and verdict may be accepted: an ATA
// drive in Caution. An NVMe drive's own warnings cannot be.
bool CanAccept(const ardmon::TempInfoRecord& record, std::uint8_t ownHealth);
// Stores the record's counts of 5, 197 and 198 as accepted.
bool AcceptValues(Profile& profile, const ardmon::TempInfoRecord& record);
bool ForgetAccepted(Profile& profile, const std::u16string& driveKey);

struct ShownHealth {
  std::uint8_t status;
  bool accepted;  // shown Good only because of the accepted counts
};
// Good and accepted when the only Cautions of the drive's own verdict are
// sector counts at or below their accepted values; otherwise that verdict.
// Bad is never hidden.
ShownHealth HealthShown(const ardmon::TempInfoRecord& record, std::uint8_t ownHealth,
                        const DamageCounts& accepted);

}  // namespace monitor
