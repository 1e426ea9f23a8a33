// How an ATA drive's attribute and threshold sectors are read: the verdict
// on each attribute, the drive's health, temperature and power-on hours.
// The library's record, the S.M.A.R.T. page, the metrics and the JSON all
// read them here, so they never disagree.
#pragma once

#include <cstdint>

#include "common/drive_families.h"
#include "common/smart_attributes.h"
#include "common/wire_records.h"

namespace ardmon {

// Reallocated, pending and offline-uncorrectable sectors (5, 197, 198),
// unless the family fills that attribute with vendor data: any of them
// counted is a warning before the value falls to its threshold.
bool IsSectorCounter(std::uint8_t id, const DriveFamily* family);

// The threshold of attribute `id`: that of the threshold entry with the
// same ID wherever it stands, 0 when there is none.
std::uint8_t ThresholdFor(const std::uint8_t* thresholds, std::uint8_t id);

// The verdict on one attribute: an unknown attribute is not judged (Good);
// at or below a threshold that is not 0, Bad, but only Caution for a
// lifetime counter, which says the drive is old, not failing; else Caution
// for a sector counter whose low 16 raw bits are not 0, unless the family
// fills it with vendor data.
HealthStatus JudgeAttribute(AttributeEntry attribute, std::uint8_t threshold,
                            const DriveFamily* family);

// Whole degrees Celsius from attribute 194's or 190's raw bytes, 0 when
// they hold none.
std::uint8_t TemperatureFromRaw(const std::uint8_t* raw, bool inTenths);

// Whole hours from attribute 9's raw bytes in the family's unit.
std::uint32_t PowerOnHoursFromRaw(const std::uint8_t* raw, PowerOnUnit unit);

struct SmartVerdict {
  std::uint8_t status;  // the worst verdict over all attributes
  std::uint8_t temperature;
  std::uint32_t powerOnHours;
};

// A drive of the given family, or of none.
SmartVerdict EvaluateSmart(const std::uint8_t* attributes, const std::uint8_t* thresholds,
                           const DriveFamily* family);
// The drive of the record, its family known by its model and firmware.
SmartVerdict EvaluateSmart(const TempInfoRecord& record);

// The record's family, by its model number and firmware revision.
const DriveFamily* FamilyOf(const TempInfoRecord& record);

}  // namespace ardmon
