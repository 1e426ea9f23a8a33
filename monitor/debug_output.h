// A line for whoever watches the program's debug output (a debugger, a debug
// output viewer): what went wrong where no one is there to be told.
#pragma once

#include <string_view>

namespace monitor {

// UTF-8; the line end is added.
void DebugOutput(std::string_view line);

}  // namespace monitor
