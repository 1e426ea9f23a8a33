// A file written whole into a folder held open by one handle: made under a
// temporary name (the name and ".tmp") and renamed over the one before, so
// that a reader sees the old file or the new one. Both are named relative
// to the folder's handle, and no link is followed on the way.
#pragma once

#include <windows.h>

#include <string>

namespace service {

// The system's error; ERROR_SUCCESS when the file is in place. A reader that
// holds the file a moment delays the rename a little; one that holds it
// longer costs this file, and the one before stays.
DWORD ReplaceFileInFolder(HANDLE folder, const std::wstring& name, const std::string& bytes);

}  // namespace service
