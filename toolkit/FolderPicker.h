#pragma once
// The platform's folder picker (the file dialog choosing folders), for "参照..." buttons.
#include <windows.h>

#include <string>

// Shows the picker owned by `owner`, opening at `start` when that folder exists. True with the
// chosen folder's absolute path in `chosen`; false when the user cancelled, the choice is no
// folder of the file system (a library, "PC"), or the picker could not be shown.
bool PickFolder(HWND owner, const std::wstring& title, const std::wstring& start, std::wstring& chosen);
