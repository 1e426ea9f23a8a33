#include "monitor/debug_output.h"

#include <windows.h>

#include "common/utf8.h"
#include "common/win32/wide_text.h"

namespace monitor {

void DebugOutput(std::string_view line) {
  OutputDebugStringW(ardmon::Wide(ardmon::Utf16FromUtf8(line) + u"\n").c_str());
}

}  // namespace monitor
