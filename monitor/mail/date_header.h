// The "Date:" header line of a mail: the PC's local time with its real
// offset from UTC and English names, as mail readers expect it.
#pragma once

#include <optional>
#include <string>

#include "monitor/clock.h"

namespace monitor {

// "Date: Tue, 08 Dec 2026 15:26:05 +0100" and CR LF; empty when the local
// time is not known, so that no Date line goes out.
std::string FormatDateHeader(const std::optional<CalendarTime>& local);

}  // namespace monitor
