#pragma once
// Handing paths to the running instance. A second start with paths finds the running
// instance's main window by its mark and sends them there with WM_COPYDATA; the main window
// adds them to its strip. The layout of the message, which comes from another process and
// is checked as such on receipt:
//   dwData  kPathListTag
//   lpData  the paths in UTF-16, each ended by one zero unit, then one more zero unit
//           ("a\0b\0\0"; no paths at all is the one unit "\0")
//   cbData  the bytes of lpData: even, at most kMaxPathListBytes
// Every path is a full path (the receiver's current folder is not the sender's), none is
// empty and none is longer than kMaxPathUnits.
#include <windows.h>

#include <string>
#include <vector>

constexpr ULONG_PTR kPathListTag = 0x474C5354;  // "GLST"
constexpr DWORD kMaxPathListBytes = 4u * 1024u * 1024u;
constexpr size_t kMaxPathUnits = 32767;

// The lpData of a path list (see above).
std::vector<wchar_t> PackPathList(const std::vector<std::wstring>& paths);

// The paths of a received WM_COPYDATA, or false (and no paths) when it is not a path list
// or breaks the layout in any way.
bool UnpackPathList(const COPYDATASTRUCT& data, std::vector<std::wstring>& paths);

// Marks the window as the one that takes handed-over paths; UnmarkHandoverWindow takes the
// mark away (before the window goes).
void MarkHandoverWindow(HWND window);
void UnmarkHandoverWindow(HWND window);

// The marked top-level window of this desktop, or null.
HWND FindHandoverWindow();

// Sends the paths to the window, lets it come to the front, and answers true when it took
// them. Waits at most timeoutMs for the answer.
bool SendPathList(HWND window, const std::vector<std::wstring>& paths, UINT timeoutMs);
