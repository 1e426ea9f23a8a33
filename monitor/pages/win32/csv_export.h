// The Save button of the Log and Graph pages: the user names a file, new or
// existing (replacing one is asked first), and the text is written there
// whole; a file that cannot be written is reported.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "monitor/file_system.h"

namespace monitor {

class CVormakApp;

// `text` is made once the user has chosen, so it holds what the page shows
// then.
void ExportCsv(HWND owner, const CVormakApp& app, FileSystem& files,
               const std::function<std::string()>& text);

}  // namespace monitor
