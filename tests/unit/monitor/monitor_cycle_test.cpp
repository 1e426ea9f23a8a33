#include "monitor/monitor_cycle.h"

#include <gmock/gmock.h>

#include <cstring>
#include <set>

#include "monitor/record_text.h"
#include "monitor_fixture.h"

namespace monitor::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::u16string kDrive0 = u"I:MARLOWE MX500AS-01";
const std::u16string kDrive1 = u"D:TESSERA TS1000DM003-1CH1";
const std::u16string kDrive2 = u"E:KESTREL KS2000NV-00A";

TEST_F(MonitorTest, TheFirstCycleFillsTheListAndLogsNoAdd) {
  cycle.Start();
  EXPECT_THAT(ItemData(), ElementsAre(0, 1, 2, 3, 5)) << "the card reader has no medium";
  EXPECT_THAT(list.rows()[0].cells, ElementsAre(u"I:", u"MARLOWE MX500AS-01", u"465.76GB",
                                                u"Supported", u"38\u2103", u"Good"));
  // A disk already in caution when first seen reports it at once.
  EXPECT_THAT(hooks.log, ElementsAre(kDrive1 + u"HealthStatus is \"Caution\"."));
  EXPECT_EQ(table.slots[0].displayName, kDrive0);
  EXPECT_THAT(hooks.samples, ElementsAre(0));
  EXPECT_TRUE(list.Enabled());
  EXPECT_EQ(hooks.trayUpdates, 1);
}

TEST_F(MonitorTest, DisksComingAndGoingAreLoggedWhenAsked) {
  cycle.Start();
  hooks.log.clear();
  Plug(2, false);
  cycle.OnDeviceChange();
  EXPECT_THAT(hooks.log, ElementsAre(kDrive2 + u"Remove"));
  EXPECT_THAT(ItemData(), ElementsAre(0, 1, 3, 5)) << "rows stay packed";
  EXPECT_THAT(hooks.clearedSlots, ::testing::Contains(2));
  EXPECT_EQ(table.slots[2].displayName, u"");

  Plug(2, true);
  cycle.OnDeviceChange();
  EXPECT_THAT(hooks.log, ElementsAre(kDrive2 + u"Remove", kDrive2 + u"Add"));
  EXPECT_THAT(ItemData(), ElementsAre(0, 1, 2, 3, 5));

  Set(kDeviceLog, 0);
  hooks.log.clear();
  Plug(0, false);
  cycle.OnDeviceChange();
  Plug(0, true);
  cycle.OnDeviceChange();
  EXPECT_THAT(hooks.log, IsEmpty());
}

TEST_F(MonitorTest, TheWarningFiresOnceWhenTheCountIsReached) {
  Set(kTemperatureMail, 1);
  cycle.Start();
  std::vector<int> warnings;
  for (std::uint8_t celsius : {50, 51, 52, 53, 49, 50, 60, 70}) {
    Heat(0, celsius);
    hooks.log.clear();
    cycle.RunMonitorCycle(true);
    warnings.push_back(static_cast<int>(hooks.log.size()));
  }
  EXPECT_THAT(warnings, ElementsAre(0, 0, 1, 0, 0, 0, 0, 1));
  EXPECT_EQ(hooks.mail.back(), kDrive0 + u"It is higher than the setting.");
  EXPECT_EQ(hooks.warningBoxes, 2);
}

// The webhook goes with the mail, naming the drive the mail's text names.
TEST_F(MonitorTest, EachMailedEventIsPostedWithItsDrive) {
  cycle.Start();
  Set(kHealthLog, 1);
  SetHealth(1, disklib::sim::Health::Caution);
  cycle.RunMonitorCycle(true);
  EXPECT_THAT(hooks.webhooks, IsEmpty()) << "logged but not mailed";

  Set(kHealthMail, 1);
  SetHealth(1, disklib::sim::Health::Bad);
  cycle.RunMonitorCycle(true);
  ASSERT_EQ(hooks.webhooks.size(), 1u);
  const WebhookEvent& event = hooks.webhooks[0];
  EXPECT_EQ(event.text, hooks.mail.back());
  EXPECT_EQ(event.drive, u"D:");
  EXPECT_EQ(event.model, u"TESSERA TS1000DM003-1CH1");
  EXPECT_EQ(event.serial, Trimmed(WidenField(table.slots[1].slotRecord.Temp.SerialNumber)));
  EXPECT_FALSE(event.serial.empty());
  EXPECT_EQ(event.event, u"health");
}

TEST_F(MonitorTest, DeviceChangeCyclesDoNotCountSamples) {
  Set(kAllowableCount, 1);
  cycle.Start();
  Heat(0, 55);
  cycle.OnDeviceChange();
  EXPECT_EQ(table.slots[0].overCount, 0u);
  EXPECT_EQ(table.slots[0].slotRecord.Temp.Temperature, 38) << "the old reading is kept";
  cycle.RunMonitorCycle(true);
  EXPECT_EQ(table.slots[0].overCount, 1u);
  EXPECT_EQ(hooks.warningBoxes, 1) << "COUNT 1 warns at the first hot sample";
}

TEST_F(MonitorTest, AWarningTemperatureOfZeroCountsEveryDisk) {
  Set(kWarningTemperature, 0);
  Set(kTemperatureLog, 0);
  cycle.Start();
  cycle.RunMonitorCycle(true);
  for (int slot : {0, 1, 2, 3}) EXPECT_EQ(table.slots[slot].overCount, 2u) << slot;
  EXPECT_EQ(table.slots[5].overCount, 0u) << "the NVMe drive keeps to its WCTEMP";
  EXPECT_THAT(hooks.log, ElementsAre(kDrive1 + u"HealthStatus is \"Caution\"."))
      << "TEMPLOG 0 keeps warnings out of the log";
}

TEST_F(MonitorTest, HealthIsReportedOnlyTowardsCautionOrBad) {
  cycle.Start();
  hooks.log.clear();
  SetHealth(1, disklib::sim::Health::Good);
  cycle.RunMonitorCycle(true);
  SetHealth(1, disklib::sim::Health::Bad);
  cycle.RunMonitorCycle(true);
  SetHealth(1, disklib::sim::Health::Caution);
  cycle.RunMonitorCycle(true);
  // Bad counts reallocated sectors as Caution does: they rose once.
  EXPECT_THAT(hooks.log, ElementsAre(kDrive1 + u"Reallocated Sectors Count 0 -> 8",
                                     kDrive1 + u"HealthStatus is \"Bad\".",
                                     kDrive1 + u"HealthStatus is \"Caution\"."));
  EXPECT_EQ(list.rows()[1].cells[kColumnHealth], u"Caution");
}

TEST_F(MonitorTest, ACycleWithoutNewsWritesNoCell) {
  cycle.Start();
  const int writes = list.cellWrites();
  cycle.RunMonitorCycle(true);
  EXPECT_EQ(list.cellWrites(), writes);
  Heat(2, 41);
  cycle.RunMonitorCycle(true);
  EXPECT_EQ(list.cellWrites(), writes + 1);
  EXPECT_EQ(list.rows()[2].cells[kColumnTemperature], u"41\u2103");
}

TEST_F(MonitorTest, CheckBoxesComeFromTheProfileOrSmartSupport) {
  Edit([](auto& f) {
    for (auto& disk : f.disks) {
      if (disk.number == 3) disk.ata->smartSupported = false;
    }
  });
  cycle.Start();
  const std::u16string path0(table.slots[0].slotRecord.DevicePath);
  profile.WriteProfileInt(kSettingSection, path0, 0);
  cycle.RunMonitorCycle(false);
  std::vector<bool> checked;
  for (const auto& row : list.rows()) checked.push_back(row.checked);
  EXPECT_THAT(checked, ElementsAre(false, true, true, false, true));
  EXPECT_EQ(list.rows()[3].cells[kColumnSmart], u"Unsupported");
}

TEST_F(MonitorTest, TheSelectionFollowsTheMarkOrStartsAtTheFirstRow) {
  cycle.Start();
  EXPECT_EQ(list.SelectionMark(), 0);
  list.SetSelectionMark(2);
  cycle.RunMonitorCycle(false);
  EXPECT_EQ(table.selectedSlot, 2);
  Plug(0, false);
  cycle.OnDeviceChange();
  EXPECT_EQ(table.selectedSlot, 3) << "the mark keeps its row, which now shows the next disk";
}

TEST_F(MonitorTest, OneWarningBoxAtATime) {
  Set(kAllowableCount, 1);
  Heat(0, 60);
  Heat(2, 60);
  hooks.whileWarningBoxOpen = [&] {
    EXPECT_TRUE(cycle.warningBoxOpen());
    Heat(0, 40);
    cycle.RunMonitorCycle(true);
    Heat(0, 61);
    cycle.RunMonitorCycle(true);  // warns again, but a box is open
  };
  cycle.Start();
  EXPECT_EQ(hooks.warningBoxes, 1) << "two hot disks and a nested warning: one box";
  EXPECT_FALSE(cycle.warningBoxOpen());
}

// The service as it answers, up to a number of exchanges (-1: no limit),
// and after them not at all: stopped, its pipe broken or its bound passed.
class OutageChannel : public ServiceChannel {
 public:
  explicit OutageChannel(ServiceChannel& service) : service_(service) {}
  int answersLeft = -1, refused = 0;
  std::uint32_t Transact(ardmon::PipeMessage& message) override {
    if (answersLeft == 0) {
      ++refused;
      return 0;
    }
    --answersLeft;  // from below zero it never reaches it
    return service_.Transact(message);
  }

 private:
  ServiceChannel& service_;
};

// A timer cycle makes 52 exchanges: GetDiskInfo and GetTempInfo of each
// slot. Whichever fails, the cycle changes nothing, although the machine
// changed meanwhile; the outage and its end are logged once each, and what
// happened meanwhile comes once the service answers again.
TEST_F(MonitorTest, AnExchangeThatFailsAnywhereLeavesEverySlotAsItWas) {
  Set(kCheckInterval, 0);  // every tick runs a timer cycle
  Set(kAllowableCount, 1);
  Set(kTemperatureMail, 1);
  const std::u16string lost = u"TempService does not answer: the values shown are not current.";
  const std::u16string back = u"TempService answers again.";
  for (int failing = 0; failing < 2 * kSlotCount; ++failing) {
    SCOPED_TRACE(failing);
    Heat(0, 38);
    Plug(2, true);
    SlotTable slots;
    DriveListModel rows;
    RecordingHooks parts;
    OutageChannel service(channel);
    MonitorCycle outage(slots, service, profile, strings, rows, parts, clock);
    outage.Start();
    parts.log.clear();
    parts.clearedSlots.clear();
    const SlotTable before = slots;
    const int cellWrites = rows.cellWrites();

    Heat(0, 60);
    Plug(2, false);
    service.answersLeft = failing;
    outage.OnTimer();
    outage.OnTimer();
    EXPECT_EQ(service.refused, 2) << "one refused exchange ends a cycle";
    for (int slot = 0; slot < kSlotCount; ++slot) {
      const DriveSlot &now = slots.slots[slot], &was = before.slots[slot];
      EXPECT_TRUE(!std::memcmp(&now.slotRecord, &was.slotRecord, sizeof now.slotRecord) &&
                  now.displayName == was.displayName && now.overCount == was.overCount)
          << slot;
    }
    EXPECT_EQ(rows.cellWrites(), cellWrites);
    EXPECT_FALSE(slots.valuesCurrent);
    EXPECT_THAT(parts.log, ElementsAre(lost));
    EXPECT_THAT(parts.mail, IsEmpty());
    EXPECT_THAT(parts.samples, ElementsAre(0)) << "only the first cycle's";
    EXPECT_THAT(parts.clearedSlots, IsEmpty());

    service.answersLeft = -1;
    outage.OnTimer();
    EXPECT_TRUE(slots.valuesCurrent);
    EXPECT_THAT(parts.log, ElementsAre(lost, back, kDrive0 + u"It is higher than the setting.",
                                       kDrive2 + u"Remove"));
    EXPECT_THAT(parts.samples, ElementsAre(0, 0));
  }
}

// Also before the interval has passed, and from the first cycle on.
TEST_F(MonitorTest, WhileTheServiceDoesNotAnswerEveryTickAsksAgain) {
  Set(kDeviceLog, 0);
  OutageChannel service(channel);
  MonitorCycle outage(table, service, profile, strings, list, hooks, clock);
  service.answersLeft = 0;
  outage.Start();
  outage.OnTimer();
  EXPECT_EQ(service.refused, 2);
  service.answersLeft = -1;
  outage.OnTimer();
  EXPECT_THAT(ItemData(), ElementsAre(0, 1, 2, 3, 5));
  EXPECT_THAT(hooks.log, ElementsAre(kDrive1 + u"HealthStatus is \"Caution\"."))
      << "DEVICELOG 0 keeps the outage out of the log; no Add after an empty list";
}

// The service of a machine whose drives in `sleeping` are in standby; or,
// `older`, one that does not know GetTempInfoIfAwake and returns the message
// as it came. It counts the requests that read, so wake, a sleeping drive.
class PowerChannel : public ServiceChannel {
 public:
  explicit PowerChannel(ServiceChannel& service) : service_(service) {}
  std::set<std::uint32_t> sleeping;
  bool older = false;
  int ifAwakeAsked = 0, sleepersRead = 0;

  std::uint32_t Transact(ardmon::PipeMessage& message) override {
    const bool asleep = sleeping.count(message.Argument) > 0;
    if (message.Command == static_cast<std::uint32_t>(ardmon::PipeCommand::GetTempInfoIfAwake)) {
      ++ifAwakeAsked;
      if (older) return message.Result;
      if (asleep) return message.Result = ardmon::kResultAsleep;
    } else if (message.Command == static_cast<std::uint32_t>(ardmon::PipeCommand::GetTempInfo)) {
      sleepersRead += asleep;
    }
    return service_.Transact(message);
  }

 private:
  ServiceChannel& service_;
};

// Drive 1 runs hot, sleeps from the start or after its first reading, and
// turns bad meanwhile; cycles of every kind pass; then it wakes by itself.
TEST_F(MonitorTest, ASleepingDriveIsNotReadAndRaisesNothingUntilItWakes) {
  const std::u16string hot = kDrive1 + u"It is higher than the setting.";
  const std::u16string bad = kDrive1 + u"HealthStatus is \"Bad\".";
  const std::u16string caution = kDrive1 + u"HealthStatus is \"Caution\".";
  const std::u16string model = u"TESSERA TS1000DM003-1CH1";
  using Texts = std::vector<std::u16string>;
  const Texts read = {model, u"Supported", u"60\u2103"};
  struct Case {
    const char* what;
    int noWake;
    bool olderService, asleepAtStart;
    Texts cells;  // model, S.M.A.R.T. and temperature while it sleeps
    Texts events;
    std::uint32_t overCount;
  } cases[] = {
      {"asleep at start", 1, false, true, {u"ATA     TESSERA TS1000DM", u"--", u"Sleeping"}, {}, 0},
      {"asleep later", 1, false, false, {model, u"Supported", u"Sleeping"}, {caution}, 1},
      {"NOWAKE 0", 0, false, true, read, {caution, hot, bad}, 4},
      {"an older service", 1, true, true, read, {caution, hot, bad}, 4},
  };
  Heat(1, 60);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetHealth(1, disklib::sim::Health::Caution);
    MemoryProfile settings;
    for (const auto& [setting, value] : {std::pair{kNoWake, c.noWake},
                                         {kAllowableCount, 2},
                                         {kTemperatureMail, 1},
                                         {kHealthMail, 1}}) {
      settings.WriteProfileInt(kSettingSection, setting.name, value);
    }
    PowerChannel service(channel);
    service.older = c.olderService;
    SlotTable slots;
    DriveListModel rows;
    RecordingHooks parts;
    MonitorCycle power(slots, service, settings, strings, rows, parts, clock);
    if (c.asleepAtStart) service.sleeping = {1};
    power.Start();
    service.sleeping = {1};
    SetHealth(1, disklib::sim::Health::Bad);
    for (int cycle = 0; cycle < 3; ++cycle) power.RunMonitorCycle(true);
    power.OnDeviceChange();

    ASSERT_EQ(rows.RowCount(), 5) << "nothing removed";
    const auto& cells = rows.rows()[1].cells;
    EXPECT_EQ(Texts({cells[kColumnModel], cells[kColumnSmart], cells[kColumnTemperature]}),
              c.cells);
    EXPECT_TRUE(rows.rows()[1].checked);
    EXPECT_EQ(parts.log, c.events);
    EXPECT_EQ(parts.mail, c.events);
    EXPECT_EQ(slots.slots[1].overCount, c.overCount);
    const bool woken = c.cells == read;
    EXPECT_EQ(SampledTemperature(slots.slots[1]), woken ? 60 : 0) << "the graph's sample";
    EXPECT_EQ(service.sleepersRead > 0, woken);
    EXPECT_EQ(service.ifAwakeAsked > 0, c.noWake != 0);

    service.sleeping.clear();
    power.RunMonitorCycle(true);
    power.RunMonitorCycle(true);
    EXPECT_EQ(rows.rows()[1].cells[kColumnTemperature], u"60\u2103");
    EXPECT_EQ(SampledTemperature(slots.slots[1]), 60);
    EXPECT_THAT(parts.log, ::testing::IsSupersetOf({hot, bad})) << "once it is read";
  }
}

TEST_F(MonitorTest, TheTimerRunsACycleOnceTheIntervalHasPassed) {
  cycle.Start();
  Heat(0, 45);
  clock.now += 119;
  cycle.OnTimer();
  EXPECT_EQ(table.slots[0].slotRecord.Temp.Temperature, 38);
  clock.now += 1;
  cycle.OnTimer();
  EXPECT_EQ(table.slots[0].slotRecord.Temp.Temperature, 45);
  EXPECT_THAT(hooks.samples, ElementsAre(0, 2));
  EXPECT_EQ(table.lastSampleTime, clock.now);
}

// Holds the fetches it is asked for until the test ends them, as the worker
// thread would, with the records the service gives at that moment.
class HeldFetcher : public CycleFetcher {
 public:
  std::vector<CycleRequest> requests;
  void StartFetch(const CycleRequest& request) override { requests.push_back(request); }
};

class SplitCycleTest : public MonitorTest {
 protected:
  HeldFetcher fetcher;
  void SetUp() override { cycle.SetFetcher(&fetcher); }
  // Ends the oldest fetch not yet ended.
  void EndFetch(std::size_t index) {
    const CycleRequest request = fetcher.requests.at(index);
    cycle.OnFetched(request, FetchCycleRecords(request, channel).get());
  }
};

TEST_F(SplitCycleTest, FetchingApartGivesWhatTheCycleGaveInOneGo) {
  cycle.Start();
  ASSERT_EQ(fetcher.requests.size(), 1u);
  EXPECT_TRUE(cycle.fetching());
  EXPECT_EQ(list.RowCount(), 0) << "nothing applied before the records come";
  EndFetch(0);
  EXPECT_FALSE(cycle.fetching());
  EXPECT_THAT(ItemData(), ElementsAre(0, 1, 2, 3, 5));
  EXPECT_THAT(hooks.samples, ElementsAre(0));

  // The same machine in one go on this thread gives the same table.
  SlotTable oneGo;
  DriveListModel oneGoList;
  RecordingHooks oneGoHooks;
  MonitorCycle(oneGo, channel, profile, strings, oneGoList, oneGoHooks, clock).Start();
  for (int slot = 0; slot < kSlotCount; ++slot) {
    EXPECT_EQ(std::memcmp(&table.slots[slot].slotRecord, &oneGo.slots[slot].slotRecord,
                          sizeof(ardmon::DiskInfoTable)),
              0)
        << slot;
    EXPECT_EQ(table.slots[slot].displayName, oneGo.slots[slot].displayName);
  }
  EXPECT_EQ(oneGoHooks.log, hooks.log);
}

TEST_F(SplitCycleTest, TicksAndDeviceChangesDuringAFetchGiveExactlyOneMoreCycle) {
  cycle.Start();
  cycle.OnTimer();
  cycle.OnDeviceChange();
  cycle.OnTimer();
  ASSERT_EQ(fetcher.requests.size(), 1u) << "never two fetches at once";
  EndFetch(0);
  // The timer is not due right after the first sample: the device change
  // asks for a cycle without temperatures.
  ASSERT_EQ(fetcher.requests.size(), 2u);
  EXPECT_FALSE(fetcher.requests[1].fullRead);
  EXPECT_FALSE(fetcher.requests[1].sampleInterval);
  EndFetch(1);
  EXPECT_EQ(fetcher.requests.size(), 2u);

  Set(kCheckInterval, 0);
  cycle.OnTimer();
  cycle.OnDeviceChange();
  cycle.OnTimer();
  ASSERT_EQ(fetcher.requests.size(), 3u);
  EndFetch(2);
  // Due again at once: one timer cycle, which covers the device change.
  ASSERT_EQ(fetcher.requests.size(), 4u);
  EXPECT_TRUE(fetcher.requests[3].fullRead);
  EXPECT_EQ(fetcher.requests[3].sampleInterval, 0);
  EndFetch(3);
  EXPECT_EQ(fetcher.requests.size(), 4u);
  EXPECT_THAT(hooks.samples, ElementsAre(0, 0, 0));
}

TEST_F(SplitCycleTest, OnlySlotsThatWereEmptyHaveTheirTemperatureReadByADeviceChange) {
  Plug(3, false);
  cycle.Start();
  EndFetch(0);
  Plug(3, true);
  cycle.OnDeviceChange();
  const CycleRequest& request = fetcher.requests.at(1);
  EXPECT_FALSE(request.readTemperature[0]);
  EXPECT_TRUE(request.readTemperature[3]);
  EXPECT_TRUE(request.readTemperature[25]);
}

TEST(DueSampleInterval, OnlyTheRemainderOfTheHourCounts) {
  EXPECT_FALSE(DueSampleInterval(119, 0, 2));
  EXPECT_EQ(DueSampleInterval(120, 0, 2), 2);
  EXPECT_EQ(DueSampleInterval(0, 0, 0), 0) << "TIME 0: every tick";
  EXPECT_FALSE(DueSampleInterval(3600 + 60, 0, 2)) << "an hour and a minute: remainder 1";
  EXPECT_EQ(DueSampleInterval(3600 + 150, 0, 2), 2);
  EXPECT_FALSE(DueSampleInterval(100, 200, 0)) << "a clock set back";
  for (std::int64_t elapsed = 0; elapsed < 3 * 3600; elapsed += 7) {
    EXPECT_FALSE(DueSampleInterval(elapsed, 0, 60)) << "TIME 60 never fires";
  }
}

}  // namespace
}  // namespace monitor::testing

namespace monitor::testing {
namespace {

class DamageTest : public MonitorTest {
 protected:
  void Reallocated(std::uint64_t count) {
    Edit([&](auto& f) { disklib::sim::SetReallocatedSectors(f, 1, count); });
  }
  std::u16string Health() const { return list.rows()[1].cells[kColumnHealth]; }
};

TEST_F(DamageTest, ARisingCountRaisesOneEventWhateverTheHealthAndARestartRemembers) {
  Set(kHealthMail, 1);
  Reallocated(8);
  cycle.Start();
  cycle.RunMonitorCycle(true);
  Reallocated(16);
  cycle.RunMonitorCycle(true);
  const std::u16string rose = kDrive1 + u"Reallocated Sectors Count 8 -> 16";
  EXPECT_THAT(hooks.log, ElementsAre(kDrive1 + u"HealthStatus is \"Caution\".", rose));
  EXPECT_THAT(hooks.mail, ElementsAre(kDrive1 + u"HealthStatus is \"Caution\".", rose));

  SlotTable restartedTable;
  DriveListModel restartedList;
  RecordingHooks restartedHooks;
  MonitorCycle restarted{restartedTable, channel,        profile, strings,
                         restartedList,  restartedHooks, clock};
  restarted.Start();
  EXPECT_THAT(restartedHooks.log, ElementsAre(kDrive1 + u"HealthStatus is \"Caution\"."));
}

TEST_F(DamageTest, AnUnreadableAcceptanceIsIgnoredAndLoggedOnce) {
  profile.WriteProfileString(u"ACCEPTED", u"TESSERA TS1000DM003-1CH1 Z1D4R9WQ", u"5=lots");
  cycle.Start();
  cycle.RunMonitorCycle(true);
  EXPECT_EQ(Health(), u"Caution");
  EXPECT_THAT(hooks.log,
              ElementsAre(kDrive1 + u"The accepted values cannot be read and are ignored.",
                          kDrive1 + u"HealthStatus is \"Caution\"."));
}

}  // namespace
}  // namespace monitor::testing
