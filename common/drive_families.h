// Drive families whose S.M.A.R.T. attributes mean something other than
// what most drives mean by them, as data: which models, and what differs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ardmon {

// What attribute 9's raw count counts.
enum class PowerOnUnit : std::uint8_t { Hours, Minutes, HalfMinutes, Seconds };

struct DriveFamily {
  const char* name;  // for people: the maker's family names
  // Model numbers and firmware revisions, trailing spaces removed, as
  // patterns separated by '|'; an empty firmware pattern takes any.
  const char* models;
  const char* firmware;
  PowerOnUnit powerOn;
  bool temperatureInTenths;  // attribute 194 counts tenths of a degree
  // Of the sector counters 5, 197 and 198, those that hold vendor data and
  // warn of nothing (0 ends the list).
  std::uint8_t notSectorCounts[3];
};

extern const DriveFamily kDriveFamilies[];
extern const std::size_t kDriveFamilyCount;

// The first family that the drive belongs to; null for most drives.
const DriveFamily* FindDriveFamily(std::string_view model, std::string_view firmware);

// Whether one of the '|'-separated patterns matches all of the text: '?' is
// any one character, '*' any run of them, "[...]" one of the characters or
// ranges listed (as in "[0-9A]"), every other character itself.
bool MatchesPattern(std::string_view patterns, std::string_view text);

}  // namespace ardmon
