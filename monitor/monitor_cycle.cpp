#include "monitor/monitor_cycle.h"

#include <cstring>

#include "monitor/drive_texts.h"
#include "monitor/selection.h"
#include "monitor/settings.h"
#include "resources/resource_ids.h"

namespace monitor {

struct MonitorCycle::Pass {
  bool fullRead;
  bool listHadRows;
  std::uint32_t warningTemperature;
  std::uint32_t allowableCount;
  int row = 0;
  bool anyWarning = false;
  // Once the service cannot be reached, the rest of the pass does not wait
  // for it again: every slot then reads as absent at once.
  bool serviceLost = false;
};

std::optional<int> DueSampleInterval(std::int64_t now, std::int64_t lastSampleTime,
                                     std::uint32_t intervalMinutes) {
  const std::int64_t elapsed = now - lastSampleTime;
  const std::int64_t minutes = elapsed / 60;
  const std::int64_t hours = elapsed / 3600;
  if (elapsed - hours * 3600 - std::int64_t{intervalMinutes} * 60 < 0) return std::nullopt;
  return static_cast<int>(minutes - hours * 60);
}

MonitorCycle::MonitorCycle(SlotTable& table, ServiceChannel& channel, Profile& profile,
                           const ardmon::Strings& strings, DriveList& list, MonitorHooks& hooks,
                           Clock& clock)
    : table_(table),
      channel_(channel),
      profile_(profile),
      strings_(strings),
      list_(list),
      hooks_(hooks),
      clock_(clock) {}

void MonitorCycle::Start() {
  table_.lastSampleTime = clock_.Now();
  RunMonitorCycle(false);
  AddGraphSample(0);
}

void MonitorCycle::OnTimer() {
  const std::optional<int> interval = DueSampleInterval(clock_.Now(), table_.lastSampleTime,
                                                        ReadUnsigned(profile_, kCheckInterval));
  if (!interval) return;
  RunMonitorCycle(true);
  AddGraphSample(*interval);
}

// The graph keeps the samples; the time of the last one is the base of the
// check interval and belongs to the slot table.
void MonitorCycle::AddGraphSample(int intervalMinutes) {
  table_.lastSampleTime = clock_.Now();
  hooks_.AddGraphSample(intervalMinutes);
}

void MonitorCycle::RunMonitorCycle(bool fullRead) {
  Pass pass{fullRead, list_.RowCount() > 0, ReadUnsigned(profile_, kWarningTemperature),
            ReadUnsigned(profile_, kAllowableCount)};
  // Disabled, the list does not take the check boxes set below for the
  // user's.
  list_.SetEnabled(false);
  for (int slot = 0; slot < kSlotCount; ++slot) ReadSlot(pass, slot);
  Finish(pass);
}

ardmon::PipeMessage MonitorCycle::Exchange(Pass& pass, ardmon::PipeCommand command, int slot) {
  const ardmon::PipeMessage request{
      static_cast<std::uint32_t>(command), static_cast<std::uint32_t>(slot), 0, {}};
  ardmon::PipeMessage message = request;
  // Both queries answer 1 whenever the service is reached.
  if (!pass.serviceLost && channel_.Transact(message) == 0) pass.serviceLost = true;
  return pass.serviceLost ? request : message;
}

void MonitorCycle::ReadSlot(Pass& pass, int slot) {
  const ardmon::DiskInfoTable& stored = table_.slots[slot].slotRecord;
  ardmon::DiskInfoTable record;
  const ardmon::PipeMessage disk = Exchange(pass, ardmon::PipeCommand::GetDiskInfo, slot);
  std::memcpy(&record, disk.Payload, sizeof record);
  record.Temp = stored.Temp;
  if (pass.fullRead || !stored.Present) {
    const ardmon::PipeMessage temp = Exchange(pass, ardmon::PipeCommand::GetTempInfo, slot);
    std::memcpy(&record.Temp, temp.Payload, sizeof record.Temp);
  }
  if (record.Present) {
    PresentSlot(pass, slot, record);
  } else {
    AbsentSlot(slot);
  }
}

void MonitorCycle::PresentSlot(Pass& pass, int slot, const ardmon::DiskInfoTable& record) {
  DriveSlot& drive = table_.slots[slot];
  const bool wasPresent = drive.slotRecord.Present != 0;
  drive.displayName = DriveText(record, strings_) + ModelText(record, strings_);
  if (pass.listHadRows && !wasPresent && IsOn(profile_, kDeviceLog)) {
    hooks_.AddLogEntry(drive.displayName + strings_.Get(IDS_ADD));
  }
  if (pass.fullRead || !wasPresent) CountTemperature(pass, slot, record.Temp.Temperature);
  ReportHealth(slot, drive.slotRecord.Temp.HealthStatus, record.Temp.HealthStatus);
  FillRow(pass.row, slot, record);
  drive.slotRecord = record;
  ++pass.row;
}

void MonitorCycle::CountTemperature(Pass& pass, int slot, std::uint8_t temperature) {
  DriveSlot& drive = table_.slots[slot];
  if (temperature < pass.warningTemperature) {
    drive.overCount = 0;
    return;
  }
  if (++drive.overCount != pass.allowableCount) return;
  Raise(drive.displayName + strings_.Get(IDS_OVER_TEMPERATURE), kTemperatureLog, kTemperatureMail);
  pass.anyWarning = true;
}

void MonitorCycle::ReportHealth(int slot, std::uint8_t before, std::uint8_t now) {
  if (now == before) return;
  unsigned message;
  if (now == ardmon::kHealthCaution) {
    message = IDS_HEALTH_IS_CAUTION;
  } else if (now == ardmon::kHealthBad) {
    message = IDS_HEALTH_IS_BAD;
  } else {
    return;
  }
  Raise(table_.slots[slot].displayName + strings_.Get(message), kHealthLog, kHealthMail);
}

// The log and the mail are independent of each other.
void MonitorCycle::Raise(const std::u16string& text, const IntSetting& log,
                         const IntSetting& mail) {
  if (IsOn(profile_, log)) hooks_.AddLogEntry(text);
  if (IsOn(profile_, mail)) hooks_.SendAlertMail(text);
}

void MonitorCycle::FillRow(int row, int slot, const ardmon::DiskInfoTable& record) {
  if (row >= list_.RowCount()) list_.InsertRow(row);
  list_.SetItemData(row, slot);
  const auto cells = RowCells(record, strings_);
  // Only changed cells are written, so a cycle without news redraws nothing.
  for (int column = 0; column < kColumnCount; ++column) {
    if (list_.CellText(row, column) != cells[column]) list_.SetCellText(row, column, cells[column]);
  }
  const std::u16string devicePath(record.DevicePath);
  list_.SetChecked(
      row, profile_.GetProfileInt(kSettingSection, devicePath, record.Temp.SmartSupported) != 0);
}

void MonitorCycle::AbsentSlot(int slot) {
  DriveSlot& drive = table_.slots[slot];
  if (drive.slotRecord.Present && IsOn(profile_, kDeviceLog)) {
    hooks_.AddLogEntry(drive.displayName + strings_.Get(IDS_REMOVE));
  }
  drive = DriveSlot{};
  hooks_.ClearGraphSlot(slot);
}

void MonitorCycle::Finish(Pass& pass) {
  for (int row = kSlotCount; row >= pass.row; --row) list_.DeleteRow(row);
  SettleSelection(list_, table_);
  list_.SetEnabled(true);
  hooks_.UpdateTrayIcons(true);
  hooks_.RefreshDriveInfo();
  hooks_.RefreshSmartList();
  hooks_.InvalidateDialog();
  // Cycles keep running while the box is open; they must not open another.
  if (pass.anyWarning && !warningBoxOpen_) {
    warningBoxOpen_ = true;
    hooks_.ShowWarningBox();
    warningBoxOpen_ = false;
  }
}

}  // namespace monitor
