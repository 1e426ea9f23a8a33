// The metrics file: what the service knows of the drives, in the text
// exposition format (version 0.0.4) that a Prometheus collector reads from
// a folder, and the configuration rules that decide when it is written.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/drive_facts.h"

namespace service {

// Where the configuration lives (under HKEY_LOCAL_MACHINE, so that only
// administrators choose where the service writes) and its values.
constexpr char16_t kMetricsKey[] = u"SOFTWARE\\Halvane\\Quenby\\Metrics";
constexpr char16_t kMetricsFolderValue[] = u"Folder";
constexpr char16_t kMetricsIntervalValue[] = u"IntervalSeconds";
constexpr char16_t kMetricsNoWakeValue[] = u"NoWake";
constexpr char16_t kMetricsFileName[] = u"quenby.prom";

constexpr std::uint32_t kDefaultMetricsIntervalSeconds = 300;
constexpr std::uint32_t kShortestMetricsIntervalSeconds = 10;

// The interval a configured value gives: the default when there is none,
// never shorter than the shortest.
std::uint32_t MetricsIntervalSeconds(std::optional<std::uint32_t> configured);
// Whether a scan wakes sleeping drives: only when NoWake is there and 0.
ardmon::SleepingDrives MetricsSleepingDrives(std::optional<std::uint32_t> noWake);

struct DriveScan {
  std::vector<ardmon::DriveFacts> drives;
  double finishedAtSeconds = 0;  // Unix time
  double durationSeconds = 0;
};

std::string MetricsText(const DriveScan& scan);

}  // namespace service
