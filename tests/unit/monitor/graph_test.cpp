#include "monitor/pages/graph.h"

#include <gmock/gmock.h>

#include "monitor/memory_profile.h"
#include "monitor/settings.h"

namespace monitor {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class GraphTest : public ::testing::Test {
 protected:
  SlotTable table;
  MemoryProfile profile;
  GraphPageCore graph{table, profile};
  ardmon::TableStrings strings{ardmon::Language::English};
  Latin1CodePage latin1;

  void Put(int slot, std::u16string name, std::uint8_t celsius) {
    table.slots[slot].slotRecord.Present = 1;
    table.slots[slot].slotRecord.Temp.Temperature = celsius;
    table.slots[slot].displayName = std::move(name);
  }
  void Unplug(int slot) { table.slots[slot] = DriveSlot{}; }
  void Sample(int interval, std::uint8_t celsius, int slot = 0) {
    table.slots[slot].slotRecord.Temp.Temperature = celsius;
    graph.AddGraphSample(interval);
  }
  // The 61 samples of two hours at "TIME" 2, the first at start.
  void TwoHours() {
    Sample(0, 40);
    for (int i = 0; i < 60; ++i) Sample(2, 40);
  }
};

TEST_F(GraphTest, SamplesLieAtTheSumOfTheirIntervalsFromTimeZero) {
  Put(0, u"C:DISK", 38);
  Sample(0, 38);
  Sample(2, 39);
  Sample(3, 40);
  ASSERT_EQ(graph.history().size(), 3u);
  EXPECT_EQ(graph.history().TimeOf(1), 2);
  EXPECT_EQ(graph.history().TimeOf(2), 5);
  // The first sample sits on the left edge of the initial window.
  const GraphScene scene = graph.Scene(240, 100);
  EXPECT_EQ(scene.line.at(0), (GraphPoint{0, 55}));
}

TEST_F(GraphTest, TheTimeBarAppearsWhenTwoHoursOfSamplesExist) {
  Sample(0, 40);
  for (int i = 0; i < 59; ++i) Sample(2, 40);
  EXPECT_FALSE(graph.window().timeBar.shown) << "118 minutes";
  Sample(2, 40);
  const GraphWindow& window = graph.window();
  EXPECT_TRUE(window.timeBar.shown);
  EXPECT_EQ(window.timeBar.max, 1);
  EXPECT_EQ(window.timeBar.position, 1);
  // Window 10..130 minutes.
  EXPECT_THAT(window.AxisLabels(),
              ElementsAre(u"60", u"50", u"40", u"30", u"20", u"10", u"70", u"130"));
  // It keeps the right edge 10 to 20 minutes ahead of the newest sample.
  for (int i = 0; i < 5; ++i) Sample(2, 40);
  EXPECT_EQ(window.timeBar.max, 2);
  EXPECT_EQ(window.left, 20);
  EXPECT_EQ(window.right, 140);
}

TEST_F(GraphTest, ScrollingStopsAtBothEndsOfEachBar) {
  TwoHours();
  for (int i = 0; i < 40; ++i) Sample(2, 40);  // 200 minutes: range 0 to 9
  GraphWindow window = graph.window();
  ASSERT_EQ(window.timeBar.max, 9);
  window.ScrollTime(ScrollAction::LineForward, 0);
  EXPECT_EQ(window.timeBar.position, 9) << "already at the end";
  window.ScrollTime(ScrollAction::PageBack, 0);
  EXPECT_EQ(window.left, 80);
  window.ScrollTime(ScrollAction::ThumbTrack, 3);
  EXPECT_EQ(window.left, 30);
  EXPECT_EQ(window.right, 150);
  window.ScrollTime(ScrollAction::EndScroll, 7);
  EXPECT_EQ(window.timeBar.position, 3);
  window.ScrollTime(ScrollAction::ToStart, 0);
  window.ScrollTime(ScrollAction::LineBack, 0);
  EXPECT_EQ(window.timeBar.position, 0) << "already at the start";
  window.ScrollTime(ScrollAction::ToEnd, 0);
  EXPECT_EQ(window.timeBar.position, 9);

  window.ScrollTemperature(ScrollAction::ToStart, 0);
  EXPECT_EQ(window.top, 100);
  window.ScrollTemperature(ScrollAction::LineBack, 0);
  EXPECT_EQ(window.temperatureBar.position, 0);
  window.ScrollTemperature(ScrollAction::ToEnd, 0);
  window.ScrollTemperature(ScrollAction::PageForward, 0);
  EXPECT_EQ(window.temperatureBar.position, 6);
  EXPECT_THAT(window.AxisLabels(),
              ElementsAre(u"40", u"30", u"20", u"10", u"0", u"90", u"150", u"210"));
}

TEST_F(GraphTest, TheWarningLineShowsOnlyInsideTheWindow) {
  EXPECT_EQ(graph.Scene(240, 100).warningY, 25) << "TEMP 50 of 20 to 60";
  profile.WriteProfileInt(kSettingSection, kWarningTemperature.name, 70);
  EXPECT_FALSE(graph.Scene(240, 100).warningY);
  graph.ScrollTemperature(ScrollAction::LineBack, 0);
  graph.ScrollTemperature(ScrollAction::LineBack, 0);  // 40 to 80
  EXPECT_EQ(graph.Scene(240, 100).warningY, 25);
  profile.WriteProfileInt(kSettingSection, kWarningTemperature.name, 80);
  EXPECT_EQ(graph.Scene(240, 100).warningY, 0) << "the edge counts";
}

TEST_F(GraphTest, TheGridAndPointsFollowTheAreasSize) {
  Put(0, u"C:DISK", 0);
  Sample(0, 20);
  Sample(50, 40);
  Sample(50, 60);
  const GraphScene scene = graph.Scene(300, 120);
  EXPECT_THAT(scene.gridX, ElementsAre(0, 25, 50, 75, 100, 125, 150, 175, 200, 225, 250, 275, 300));
  EXPECT_THAT(scene.gridY, ElementsAre(0, 30, 60, 90, 120));
  EXPECT_THAT(scene.line, ElementsAre(GraphPoint{0, 120}, GraphPoint{125, 60}, GraphPoint{250, 0}));
}

TEST_F(GraphTest, TheLineBridgesSamplesThatReadZeroAndFollowsTheSelectedSlot) {
  Put(0, u"C:DISK", 0);
  Put(3, u"F:OTHER", 30);
  Sample(0, 40);
  Sample(30, 0);
  Sample(30, 40);
  EXPECT_THAT(graph.Scene(240, 100).line, ElementsAre(GraphPoint{0, 50}, GraphPoint{120, 50}));
  table.selectedSlot = 3;
  EXPECT_THAT(graph.Scene(240, 100).line,
              ElementsAre(GraphPoint{0, 75}, GraphPoint{60, 75}, GraphPoint{120, 75}));
  graph.ClearGraphSlot(3);
  EXPECT_THAT(graph.Scene(240, 100).line, IsEmpty()) << "a cleared slot draws nothing";
}

TEST_F(GraphTest, OnlyTheSamplesInViewAndOneOnEachSideMakeTheLine) {
  Put(0, u"C:DISK", 0);
  Sample(0, 40);
  for (int i = 0; i < 999; ++i) Sample(1, static_cast<std::uint8_t>(30 + i % 20));
  graph.ScrollTime(ScrollAction::ThumbPosition, 50);  // 500 to 620 minutes
  const std::vector<GraphPoint> line = graph.Scene(240, 100).line;
  ASSERT_EQ(line.size(), 122u);
  EXPECT_EQ(line.front().x, -2) << "minute 499 enters from the left";
  EXPECT_EQ(line[1].x, 0);
  EXPECT_EQ(line.back().x, 240) << "minute 620 is just right of the area";

  // Readings of 0 at both edges: the line still reaches the nearest ones.
  GraphPageCore gaps(table, profile);
  table.slots[0].slotRecord.Temp.Temperature = 40;
  gaps.AddGraphSample(0);
  table.slots[0].slotRecord.Temp.Temperature = 0;
  for (int i = 0; i < 300; ++i) gaps.AddGraphSample(1);
  table.slots[0].slotRecord.Temp.Temperature = 50;
  gaps.AddGraphSample(1);
  gaps.ScrollTime(ScrollAction::ThumbPosition, 10);  // 100 to 220 minutes
  EXPECT_THAT(gaps.Scene(240, 100).line, ElementsAre(GraphPoint{-200, 50}, GraphPoint{402, 25}));
}

TEST_F(GraphTest, ClearEmptiesTheHistoryAndRewindsTheTimeOnly) {
  TwoHours();
  graph.ScrollTemperature(ScrollAction::ToStart, 0);
  graph.Clear();
  EXPECT_TRUE(graph.history().empty());
  EXPECT_FALSE(graph.window().timeBar.shown);
  EXPECT_EQ(graph.window().right, 120);
  EXPECT_EQ(graph.window().top, 100) << "the temperatures stay";
  Put(1, u"D:DISK", 35);
  EXPECT_EQ(graph.Csv(strings, latin1), "Time(minute),D:DISK\n") << "the header only";
}

TEST_F(GraphTest, TheCsvHasTheSlotsPresentAtExportTime) {
  Put(0, u"C:OLD", 41);
  Sample(0, 41);
  Put(2, u"E:NEW, 2TB", 30);
  Sample(2, 42);
  Unplug(0);
  graph.ClearGraphSlot(0);
  graph.AddGraphSample(3);
  Put(5, u"G:CAF\u00c9", 50);
  graph.ClearGraphSlot(5);  // empty at every cycle until it came
  graph.AddGraphSample(1);
  EXPECT_EQ(graph.Csv(strings, latin1),
            "Time(minute),\"E:NEW, 2TB\",G:CAF\xc9\n"
            "0,0,,\r\n"
            "2,30,,\r\n"
            "5,30,,\r\n"
            "6,30,50,\r\n");
}

TEST(TemperatureHistory, TakesAtMostThirtyTwoBytesASample) {
  TemperatureHistory history;
  SlotTemperatures temperatures{};
  for (int i = 0; i < 100000; ++i) history.Append(2, temperatures);
  EXPECT_LE(history.MemoryBytes(), history.size() * 32);
  // Sample i lies at minute 2 (i + 1).
  EXPECT_EQ(history.FirstAtOrAfter(100000), 49999u);
  EXPECT_EQ(history.FirstAtOrAfter(100001), 50000u);
  EXPECT_EQ(history.FirstAtOrAfter(-5), 0u);
  EXPECT_EQ(history.FirstAtOrAfter(200001), history.size());
}

}  // namespace
}  // namespace monitor
