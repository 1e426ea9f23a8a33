// The monitoring cycle: one pass over the 26 drive slots, asking the
// service for each disk's record and, when due, its temperature record;
// the events it raises; the drive list it keeps; and the timer rule.
//
// A cycle has two halves: fetching the records, which waits on the service
// and so runs away from the window's thread, and applying them (events,
// log, mail, list, tray, pages, graph sample), which runs on it. One fetch
// at a time: a tick or a device change that comes meanwhile asks for one
// more cycle after it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
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

// What a cycle fetches: every slot's disk record, and the temperature
// record of each slot marked.
struct CycleRequest {
  bool fullRead = false;
  std::array<bool, kSlotCount> readTemperature{};
  // The graph sample that follows the cycle: after the timer's cycles and
  // the first one.
  std::optional<int> sampleInterval;
  // Temperatures are asked for only if the drive is awake, so that a
  // sleeping drive is not woken: the user's choice when the cycle began.
  bool ifAwake = false;
};

// The records of one cycle as the service answered; a temperature record
// not asked for, or of a drive asleep, stays zero.
struct CycleRecords {
  std::array<ardmon::DiskInfoTable, kSlotCount> disks{};
  std::array<bool, kSlotCount> asleep{};
};

// The transactions of one cycle, on any thread. Nothing when one of them
// failed (the service not reached, the pipe broken, the bound passed): a
// cycle is applied whole or not at all, since the records of a service that
// does not answer say nothing about the disks. A service too old to know
// whether a drive sleeps has it read.
std::unique_ptr<CycleRecords> FetchCycleRecords(const CycleRequest& request,
                                                ServiceChannel& channel);

// Fetches a cycle's records away from the window's thread; the window's
// thread then hands them to MonitorCycle::OnFetched.
class CycleFetcher {
 public:
  virtual ~CycleFetcher() = default;
  virtual void StartFetch(const CycleRequest& request) = 0;
};

class MonitorCycle {
 public:
  MonitorCycle(SlotTable& table, ServiceChannel& channel, Profile& profile,
               const ardmon::Strings& strings, DriveList& list, MonitorHooks& hooks, Clock& clock);

  // From now on fetches through `fetcher`; without one, on the calling
  // thread through the channel.
  void SetFetcher(CycleFetcher* fetcher) { fetcher_ = fetcher; }

  // At dialog start: the first cycle, reading every present disk's
  // temperature once, and the first graph sample.
  void Start();
  // The one-second timer. While the service does not answer, every tick
  // asks it again.
  void OnTimer();
  // A disk arrived or left.
  void OnDeviceChange();
  // A cycle that reads the temperatures (timer) or not (device change).
  void RunMonitorCycle(bool fullRead);
  // The fetch under way has ended: apply its records, then run the cycle
  // asked for meanwhile. No records: the service did not answer, and the
  // slots, the list and the graph keep what they had.
  void OnFetched(const CycleRequest& request, const CycleRecords* records);

  bool warningBoxOpen() const { return warningBoxOpen_; }
  bool fetching() const { return fetching_; }

 private:
  struct Pass;
  void Request(bool fullRead, std::optional<int> sampleInterval);
  void NoteServiceAnswering(bool answering);
  void Apply(const CycleRequest& request, const CycleRecords& records);
  void PresentSlot(Pass& pass, int slot, const ardmon::DiskInfoTable& record, DriveReading reading);
  void AbsentSlot(int slot);
  void CountTemperature(Pass& pass, int slot, const ardmon::TempInfoRecord& temp);
  void ReportHealth(int slot, std::uint8_t before, std::uint8_t now);
  void FillRow(int row, int slot, const ardmon::DiskInfoTable& record, DriveReading reading);
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
  CycleFetcher* fetcher_ = nullptr;
  bool warningBoxOpen_ = false;
  bool fetching_ = false;
  // Asked for while a fetch was under way.
  bool timerPending_ = false;
  bool deviceChangePending_ = false;
};

}  // namespace monitor
