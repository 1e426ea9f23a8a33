// A monitor over the simulated demo machine, in process: the real cycle,
// the dispatcher and the library, with a fake clock, an in-memory profile
// and the English strings.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "disklib/sim/fixture.h"
#include "disklib/sim/fixture_edit.h"
#include "disklib/sim/simulated_library.h"
#include "monitor/clock.h"
#include "monitor/drive_list.h"
#include "monitor/in_process_channel.h"
#include "monitor/memory_profile.h"
#include "monitor/monitor_cycle.h"
#include "monitor/settings.h"
#include "resources/strings.h"
#include "sim_machine.h"

namespace monitor::testing {

class FakeClock : public Clock {
 public:
  std::int64_t now = 1'700'000'000;
  int utcOffsetMinutes = 60;
  std::int64_t Now() override { return now; }
  std::optional<CalendarTime> Local(std::int64_t time) override {
    return CalendarAt(time, utcOffsetMinutes);
  }
};

class RecordingHooks : public MonitorHooks {
 public:
  std::vector<std::u16string> log, mail;
  std::vector<WebhookEvent> webhooks;
  std::vector<int> samples, clearedSlots;
  int trayUpdates = 0, warningBoxes = 0;
  std::function<void()> whileWarningBoxOpen;

  void AddLogEntry(const std::u16string& text) override { log.push_back(text); }
  void SendAlertMail(const std::u16string& text) override { mail.push_back(text); }
  void PostWebhook(const WebhookEvent& event) override { webhooks.push_back(event); }
  void AddGraphSample(int interval) override { samples.push_back(interval); }
  void ClearGraphSlot(int slot) override { clearedSlots.push_back(slot); }
  void UpdateTrayIcons(bool) override { ++trayUpdates; }
  void ShowWarningBox() override {
    ++warningBoxes;
    if (whileWarningBoxOpen) whileWarningBoxOpen();
  }
};

class MonitorTest : public ::testing::Test {
 protected:
  ardmon::testing::DemoMachineFile machine;
  disklib::StackLibrary library = disklib::sim::SimulatedLibrary(machine.path());
  InProcessChannel channel{library};
  MemoryProfile profile;
  ardmon::TableStrings strings{ardmon::Language::English};
  DriveListModel list;
  RecordingHooks hooks;
  FakeClock clock;
  SlotTable table;
  MonitorCycle cycle{table, channel, profile, strings, list, hooks, clock};

  void Edit(const std::function<void(disklib::sim::Fixture&)>& change) {
    disklib::sim::Fixture fixture = disklib::sim::LoadFixture(machine.path());
    change(fixture);
    disklib::sim::SaveFixture(fixture, machine.path());
  }
  void Heat(std::uint32_t drive, std::uint8_t celsius) {
    Edit([&](auto& f) { disklib::sim::SetTemperature(f, drive, celsius); });
  }
  void SetHealth(std::uint32_t drive, disklib::sim::Health health) {
    Edit([&](auto& f) { disklib::sim::SetHealth(f, drive, health); });
  }
  void Plug(std::uint32_t drive, bool plugged) {
    Edit([&](auto& f) { disklib::sim::SetPlugged(f, drive, plugged); });
  }
  void Set(const IntSetting& setting, std::int32_t value) {
    profile.WriteProfileInt(kSettingSection, setting.name, value);
  }
  std::vector<std::int32_t> ItemData() const {
    std::vector<std::int32_t> data;
    for (const auto& row : list.rows()) data.push_back(row.itemData);
    return data;
  }
};

}  // namespace monitor::testing
