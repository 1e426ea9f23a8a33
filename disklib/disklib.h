// The disk library's operations over a DeviceStack. The DLL exports wrap
// these with the platform's or the simulated stack.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/disk_library.h"
#include "common/smart_evaluation.h"
#include "common/wire_records.h"
#include "disklib/device_stack.h"
#include "disklib/drive_memory.h"

namespace disklib {

// Fills the record of physical drive n; a null record is left alone.
void GetDiskInfo(DeviceStack& stack, std::uint32_t n, ardmon::DiskInfoTable* record);
// Reads drive n's identity and S.M.A.R.T. data; a null record is left alone.
void GetTempInfo(DeviceStack& stack, std::uint32_t n, ardmon::TempInfoRecord* record);
// GetTempInfo for a drive that does not sleep: one that may spin is asked
// for its power first, and a sleeping one is sent nothing that would wake
// it. What it learns of the drive goes to `memory`.
ardmon::DrivePower GetTempInfoIfAwake(DeviceStack& stack, std::uint32_t n,
                                      ardmon::TempInfoRecord* record, DriveMemory& memory);
// "\\.\PHYSICALDRIVEn", the handle the drive's ATA commands go to.
std::optional<DeviceHandle> OpenPhysicalDrive(DeviceStack& stack, std::uint32_t n);
// Reads the drive into the zeroed record: by the access methods its
// controller calls for, else as an NVMe drive.
void ReadOpenDrive(DeviceStack& stack, DeviceHandle drive, std::uint32_t n,
                   const std::u16string& controllerId, ardmon::TempInfoRecord& record);
// Registers (add) or removes the SATA upper filter; true when a device changed.
bool EditSilFilters(DeviceStack& stack, bool add);

struct DiskInterface {
  std::u16string controllerId;  // empty when the parent could not be had
  std::u16string path;
};
std::optional<DiskInterface> FindDiskInterface(DeviceStack& stack, std::uint32_t n);
bool VolumeOnDisk(DeviceStack& stack, const std::u16string& path, std::uint32_t n);
// The letters of drive n's volumes, e.g. "C:E:".
std::string ListDriveLetters(DeviceStack& stack, std::uint32_t n);
// Sends a data-in CDB; copies at most `transferLength` bytes to `output`.
// The byte count the driver reports transferred, or nothing when the request
// failed or the device did not answer GOOD.
std::optional<std::uint32_t> ScsiPassThrough(DeviceStack& stack, DeviceHandle handle,
                                             const std::uint8_t* cdb, std::uint8_t cdbLength,
                                             std::uint8_t* output, std::uint32_t transferLength);

// For a drive that answered no ATA IDENTIFY: its NVMe Identify Controller
// data and health log, or else at least its temperature.
void ReadNvmeDrive(DeviceStack& stack, DeviceHandle drive, ardmon::TempInfoRecord& record);
// Fills the record from the NVMe sectors its flags say it holds; without a
// health log the temperature is the one the driver reports, if any.
void FillNvmeRecord(ardmon::TempInfoRecord& record, std::optional<std::int16_t> reportedCelsius);

// The record's drive as the one evaluation that the monitor shares reads it.
using ardmon::EvaluateSmart;
using ardmon::SmartVerdict;

}  // namespace disklib
