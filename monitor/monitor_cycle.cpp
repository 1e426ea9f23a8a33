#include "monitor/monitor_cycle.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "monitor/drive_texts.h"
#include "monitor/drive_value_name.h"
#include "monitor/record_text.h"
#include "monitor/selection.h"
#include "monitor/settings.h"
#include "monitor/store/accepted_values.h"
#include "monitor/store/damage_counts.h"
#include "monitor/warning_limit.h"
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

namespace {

// A Result no service gives. GetTempInfoIfAwake goes out with it, because a
// service that does not know the command returns the message as it came:
// its Result then tells it from a reading and from a sleeping drive.
constexpr std::uint32_t kUnservedResult = 0xFFFFFFFF;

enum class TemperatureAnswer { kRead, kAsleep, kFailed };

// One exchange into `message`: the reply's Result, 0 when the service was
// not reached.
std::uint32_t Ask(ServiceChannel& channel, ardmon::PipeCommand command, int slot,
                  ardmon::PipeMessage& message, std::uint32_t result = 0) {
  message = {static_cast<std::uint32_t>(command), static_cast<std::uint32_t>(slot), result, {}};
  return channel.Transact(message);
}

bool AllZero(const std::uint8_t* bytes, std::size_t size) {
  return std::all_of(bytes, bytes + size, [](std::uint8_t byte) { return byte == 0; });
}

TemperatureAnswer AskTemperature(ServiceChannel& channel, int slot, bool ifAwake,
                                 ardmon::TempInfoRecord& temp) {
  ardmon::PipeMessage message;
  std::uint32_t result = 0;
  if (ifAwake) {
    result = Ask(channel, ardmon::PipeCommand::GetTempInfoIfAwake, slot, message, kUnservedResult);
    if (result == ardmon::kResultAsleep && AllZero(message.Payload, sizeof temp)) {
      return TemperatureAnswer::kAsleep;
    }
    if (result != 1 && result != kUnservedResult) return TemperatureAnswer::kFailed;
  }
  // GetTempInfo answers 1 whenever the service is reached; an older service
  // can only read the drive.
  if (result != 1 && Ask(channel, ardmon::PipeCommand::GetTempInfo, slot, message) == 0) {
    return TemperatureAnswer::kFailed;
  }
  std::memcpy(&temp, message.Payload, sizeof temp);
  return TemperatureAnswer::kRead;
}

// What the cycle learnt of a present drive's reading: a drive first seen
// asleep has none yet.
DriveReading ReadingAfter(const DriveSlot& drive, bool asked, bool asleep) {
  if (!asked) return drive.reading;
  if (!asleep) return DriveReading::kRead;
  const bool hadReading = drive.slotRecord.Present && drive.reading != DriveReading::kAsleepUnread;
  return hadReading ? DriveReading::kAsleep : DriveReading::kAsleepUnread;
}

}  // namespace

std::unique_ptr<CycleRecords> FetchCycleRecords(const CycleRequest& request,
                                                ServiceChannel& channel) {
  auto records = std::make_unique<CycleRecords>();
  for (int slot = 0; slot < kSlotCount; ++slot) {
    ardmon::DiskInfoTable& record = records->disks[slot];
    ardmon::PipeMessage message;
    // GetDiskInfo answers 1 whenever the service is reached.
    if (Ask(channel, ardmon::PipeCommand::GetDiskInfo, slot, message) == 0) return nullptr;
    std::memcpy(&record, message.Payload, sizeof record);
    record.Temp = {};
    if (!request.readTemperature[slot]) continue;
    switch (AskTemperature(channel, slot, request.ifAwake, record.Temp)) {
      case TemperatureAnswer::kFailed:
        return nullptr;
      case TemperatureAnswer::kAsleep:
        records->asleep[slot] = true;
        break;
      case TemperatureAnswer::kRead:
        break;
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
  CycleRequest request{fullRead, {}, sampleInterval, IsOn(profile_, kNoWake)};
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
    ardmon::DiskInfoTable record = records.disks[slot];
    if (!record.Present) {
      AbsentSlot(slot);
      continue;
    }
    const bool asked = request.readTemperature[slot];
    // Temperatures not read this time, and those of a sleeping drive, are
    // carried over.
    if (!asked || records.asleep[slot]) record.Temp = table_.slots[slot].slotRecord.Temp;
    PresentSlot(pass, slot, record, ReadingAfter(table_.slots[slot], asked, records.asleep[slot]),
                asked && !records.asleep[slot]);
  }
  Finish(pass);
}

// A sleeping drive keeps its last reading and raises nothing from it. The
// slot's record holds the health the monitor shows, its own verdict is kept
// beside it.
void MonitorCycle::PresentSlot(Pass& pass, int slot, ardmon::DiskInfoTable& record,
                               DriveReading reading, bool fresh) {
  DriveSlot& drive = table_.slots[slot];
  const bool wasPresent = drive.slotRecord.Present != 0;
  drive.reading = reading;
  drive.displayName = DriveText(record, strings_) + ModelText(record, strings_);
  if (pass.listHadRows && !wasPresent && IsOn(profile_, kDeviceLog)) {
    hooks_.AddLogEntry(drive.displayName + strings_.Get(IDS_ADD));
  }
  if (!IsAsleep(drive)) {
    if (pass.fullRead || !wasPresent) CountTemperature(pass, slot, record);
    if (fresh) {
      drive.ownHealth = record.Temp.HealthStatus;
      ReportWorsening(slot, record);
    }
    ShowAcceptance(drive, record.Temp);
    ReportHealth(slot, record);
  }
  FillRow(pass.row, slot, record, reading);
  drive.slotRecord = record;
  ++pass.row;
}

// Against the drive's own limit, "TEMP" being only the default.
void MonitorCycle::CountTemperature(Pass& pass, int slot, const ardmon::DiskInfoTable& record) {
  DriveSlot& drive = table_.slots[slot];
  if (record.Temp.Temperature <
      WarningLimitOf(profile_, record.Temp, pass.warningTemperature).celsius) {
    drive.overCount = 0;
    return;
  }
  if (++drive.overCount != pass.allowableCount) return;
  Raise(record, u"temperature", drive.displayName + strings_.Get(IDS_OVER_TEMPERATURE),
        kTemperatureLog, kTemperatureMail);
  pass.anyWarning = true;
}

// Before the record is kept: the slot still holds the last one.
void MonitorCycle::ReportHealth(int slot, const ardmon::DiskInfoTable& record) {
  const std::uint8_t now = record.Temp.HealthStatus;
  if (now == table_.slots[slot].slotRecord.Temp.HealthStatus) return;
  unsigned message;
  if (now == ardmon::kHealthCaution) {
    message = IDS_HEALTH_IS_CAUTION;
  } else if (now == ardmon::kHealthBad) {
    message = IDS_HEALTH_IS_BAD;
  } else {
    return;
  }
  Raise(record, u"health", table_.slots[slot].displayName + strings_.Get(message), kHealthLog,
        kHealthMail);
}

// Compared with the counts the profile kept from the drive's last reading,
// wherever it was plugged in then.
void MonitorCycle::ReportWorsening(int slot, const ardmon::DiskInfoTable& record) {
  const std::u16string key = DriveValueNameOf(record.Temp);
  const DamageCounts now = CountsOf(record.Temp);
  if (key.empty() || now.empty()) return;
  const std::u16string storedText = profile_.GetProfileString(kCountsSection, key, u"");
  DamageCounts counts = ParseCounts(storedText).value_or(DamageCounts{});
  for (const Worsening& worse : Worsenings(counts, now)) {
    const std::u16string name = strings_.Get(CounterNameString(worse.counter));
    Raise(record, u"count", table_.slots[slot].displayName + WorseningText(worse, name), kHealthLog,
          kHealthMail);
  }
  for (const auto& [counter, count] : now) counts[counter] = count;
  const std::u16string text = CountsText(counts);
  if (text != storedText) profile_.WriteProfileString(kCountsSection, key, text);
}

// An accepted value that cannot be read is logged once a run.
void MonitorCycle::ShowAcceptance(DriveSlot& drive, ardmon::TempInfoRecord& record) {
  const std::u16string key = DriveValueNameOf(record);
  const StoredAcceptance stored = key.empty() ? StoredAcceptance{} : ReadAccepted(profile_, key);
  if (stored.unreadable && unreadableAcceptances_.insert(key).second) {
    hooks_.AddLogEntry(drive.displayName + strings_.Get(IDS_ACCEPTED_UNREADABLE));
  }
  const ShownHealth shown =
      HealthShown(record, drive.ownHealth, stored.counts.value_or(DamageCounts{}));
  record.HealthStatus = shown.status;
  drive.accepted = shown.accepted;
}

// The log and the mail are independent of each other; the webhook goes
// with the mail.
void MonitorCycle::Raise(const ardmon::DiskInfoTable& record, std::u16string_view event,
                         const std::u16string& text, const IntSetting& log,
                         const IntSetting& mail) {
  if (IsOn(profile_, log)) hooks_.AddLogEntry(text);
  if (!IsOn(profile_, mail)) return;
  hooks_.SendAlertMail(text);
  WebhookEvent webhook;
  webhook.drive = DriveText(record, strings_);
  webhook.model = ModelText(record, strings_);
  webhook.serial = Trimmed(WidenField(record.Temp.SerialNumber));
  webhook.event = event;
  webhook.text = text;
  hooks_.PostWebhook(webhook);
}

void MonitorCycle::FillRow(int row, int slot, const ardmon::DiskInfoTable& record,
                           DriveReading reading) {
  if (row >= list_.RowCount()) list_.InsertRow(row);
  list_.SetItemData(row, slot);
  const auto cells = RowCells(record, reading, table_.slots[slot].accepted, strings_);
  // Only changed cells are written, so a cycle without news redraws nothing.
  for (int column = 0; column < kColumnCount; ++column) {
    if (list_.CellText(row, column) != cells[column]) list_.SetCellText(row, column, cells[column]);
  }
  const std::u16string devicePath = FieldText(record.DevicePath);
  // A drive not read yet, since it sleeps, counts as having S.M.A.R.T., as
  // the disks that sleep do: else it would be unticked, and stored so with
  // the icons, before its support is known.
  const bool tickedByDefault =
      reading == DriveReading::kAsleepUnread || record.Temp.SmartSupported != 0;
  list_.SetChecked(row, profile_.GetProfileInt(kSettingSection, devicePath, tickedByDefault) != 0);
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
