#pragma once
// The conversion's results window, seen from a test: found by its caption in any process,
// its list read, and closed as its button would.
#include <windows.h>

#include <string>

// Waits up to timeoutMs for a window captioned "変換結果", answers the text of its list and
// closes it. Empty when none showed.
std::wstring ReadAndCloseResultsWindow(DWORD timeoutMs);
