#include "monitor/monitor_cycle.h"

#include <cstring>
#include <utility>

#include "monitor/drive_texts.h"
#include "monitor/record_text.h"
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
};

std::unique_ptr<CycleRecords> FetchCycleRecords(const CycleRequest& request,
                                                ServiceChannel& channel) {
  auto records = std::make_unique<CycleRecords>();
  // Both queries answer 1 whenever the service is reached.
  const auto exchange = [&](ardmon::PipeCommand command, int slot, void* answer, std::size_t size) {
    ardmon::PipeMessage message{
        static_cast<std::uint32_t>(command), static_cast<std::uint32_t>(slot), 0, {}};
    if (channel.Transact(message) == 0) return false;
    std::memcpy(answer, message.Payload, size);
    return true;
  };
  for (int slot = 0; slot < kSlotCount; ++slot) {
    ardmon::DiskInfoTable& record = (*records)[slot];
    if (!exchange(ardmon::PipeCommand::GetDiskInfo, slot, &record, sizeof record)) return nullptr;
    record.Temp = {};
    if (request.readTemperature[slot] &&
        !exchange(ardmon::PipeCommand::GetTempInfo, slot, &record.Temp, sizeof record.Temp)) {
      return nullptr;
    }
  }
  return records;
}

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
  Request(false, 0);
}

void MonitorCycle::OnTimer() {
  if (fetching_) {
    timerPending_ = true;
    return;
  }
  const std::optional<int> interval = DueSampleInterval(clock_.Now(), table_.lastSampleTime,
                                                        ReadUnsigned(profile_, kCheckInterval));
  if (interval) {
    Request(true, interval);
  } else if (!table_.valuesCurrent) {
    RunMonitorCycle(false);
  }
}

void MonitorCycle::OnDeviceChange() {
  if (fetching_) {
    deviceChangePending_ = true;
    return;
  }
  RunMonitorCycle(false);
}

void MonitorCycle::RunMonitorCycle(bool fullRead) {
  Request(fullRead, std::nullopt);
}

// A slot that was empty has its temperature read whatever the cycle.
void MonitorCycle::Request(bool fullRead, std::optional<int> sampleInterval) {
  CycleRequest request{fullRead, {}, sampleInterval};
  for (int slot = 0; slot < kSlotCount; ++slot) {
    request.readTemperature[slot] = fullRead || !table_.Present(slot);
  }
  fetching_ = true;
  if (fetcher_) {
    fetcher_->StartFetch(request);
  } else {
    OnFetched(request, FetchCycleRecords(request, channel_).get());
  }
}

// A timer cycle that is due covers what a device-change cycle would do. A
// timer cycle the service did not answer adds no sample, so it stays due.
void MonitorCycle::OnFetched(const CycleRequest& request, const CycleRecords* records) {
  fetching_ = false;
  NoteServiceAnswering(records != nullptr);
  if (records) {
    Apply(request, *records);
    if (request.sampleInterval) AddGraphSample(*request.sampleInterval);
  }
  if (fetching_) return;  // a cycle began while the warning box was open
  const bool timer = std::exchange(timerPending_, false);
  const bool deviceChange = std::exchange(deviceChangePending_, false);
  if (timer) OnTimer();
  if (deviceChange && !fetching_) RunMonitorCycle(false);
}

// Not being able to ask is logged as that, once when it begins and once
// when it ends, never as drives that left; the list and the tray say that
// their values are not current meanwhile.
void MonitorCycle::NoteServiceAnswering(bool answering) {
  if (table_.valuesCurrent == answering) return;
  table_.valuesCurrent = answering;
  if (IsOn(profile_, kDeviceLog)) {
    hooks_.AddLogEntry(strings_.Get(answering ? IDS_SERVICE_ANSWERS : IDS_SERVICE_NOT_ANSWERING));
  }
  hooks_.ShowValuesCurrent(answering);
  if (!answering) hooks_.UpdateTrayIcons(true);
}

// The graph keeps the samples; the time of the last one is the base of the
// check interval and belongs to the slot table.
void MonitorCycle::AddGraphSample(int intervalMinutes) {
  table_.lastSampleTime = clock_.Now();
  hooks_.AddGraphSample(intervalMinutes);
}

void MonitorCycle::Apply(const CycleRequest& request, const CycleRecords& records) {
  Pass pass{request.fullRead, list_.RowCount() > 0, ReadUnsigned(profile_, kWarningTemperature),
            ReadUnsigned(profile_, kAllowableCount)};
  // Disabled, the list does not take the check boxes set below for the
  // user's.
  list_.SetEnabled(false);
  for (int slot = 0; slot < kSlotCount; ++slot) {
    ardmon::DiskInfoTable record = records[slot];
    // Temperatures not read this time are carried over.
    if (!request.readTemperature[slot]) record.Temp = table_.slots[slot].slotRecord.Temp;
    ApplySlot(pass, slot, record);
  }
  Finish(pass);
}

void MonitorCycle::ApplySlot(Pass& pass, int slot, ardmon::DiskInfoTable record) {
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
  const std::u16string devicePath = FieldText(record.DevicePath);
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
