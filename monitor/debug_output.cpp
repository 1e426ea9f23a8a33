// Off Windows, where the portable core is tested: the error stream.
#include "monitor/debug_output.h"

#include <cstdio>

namespace monitor {

void DebugOutput(std::string_view line) {
  std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
}

}  // namespace monitor
