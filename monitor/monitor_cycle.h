// The monitoring cycle: one pass over the 26 drive slots, asking the
// service for each disk's record and, when due, its temperature record;
// the events it raises; the drive list it keeps; and the timer rule.
#pragma once

#include <cstdint>
#include <optional>

#include "monitor/clock.h"
#include "monitor/drive_list.h"
#include "monitor/monitor_hooks.h"
#include "monitor/profile.h"
#include "monitor/service_channel.h"
#include "monitor/settings.h"
#include "monitor/slot_table.h"
#include "resources/strings.h"

namespace monitor {

constexpr unsigned kMonitorTimerId = 1195;
constexpr unsigned kMonitorTimerPeriodMs = 1000;

// The graph interval in minutes when a timer-driven cycle is due, else
// nothing. Only the remainder of the elapsed time modulo one hour counts.
std::optional<int> DueSampleInterval(std::int64_t now, std::int64_t lastSampleTime,
                                     std::uint32_t intervalMinutes);

class MonitorCycle {
 public:
  MonitorCycle(SlotTable& table, ServiceChannel& channel, Profile& profile,
               const ardmon::Strings& strings, DriveList& list, MonitorHooks& hooks, Clock& clock);

  // At dialog start: the first cycle, reading every present disk's
  // temperature once, and the first graph sample.
  void Start();
  // The one-second timer.
  void OnTimer();
  // A disk arrived or left.
  void OnDeviceChange() { RunMonitorCycle(false); }
  void RunMonitorCycle(bool fullRead);

  bool warningBoxOpen() const { return warningBoxOpen_; }

 private:
  struct Pass;
  ardmon::PipeMessage Exchange(Pass& pass, ardmon::PipeCommand command, int slot);
  void ReadSlot(Pass& pass, int slot);
  void PresentSlot(Pass& pass, int slot, const ardmon::DiskInfoTable& record);
  void AbsentSlot(int slot);
  void CountTemperature(Pass& pass, int slot, std::uint8_t temperature);
  void ReportHealth(int slot, std::uint8_t before, std::uint8_t now);
  void FillRow(int row, int slot, const ardmon::DiskInfoTable& record);
  void Raise(const std::u16string& text, const IntSetting& log, const IntSetting& mail);
  void Finish(Pass& pass);
  void AddGraphSample(int intervalMinutes);

  SlotTable& table_;
  ServiceChannel& channel_;
  Profile& profile_;
  const ardmon::Strings& strings_;
  DriveList& list_;
  MonitorHooks& hooks_;
  Clock& clock_;
  bool warningBoxOpen_ = false;
};

}  // namespace monitor
