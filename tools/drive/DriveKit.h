#pragma once
// Drives a running Glimmerset.exe from another process: starts it, finds its windows by the
// process's first thread, sends it commands, waits with a time-out for what it does, and
// captures its window into a PNG file. Used by the end-to-end tests and by glimmer-drive.exe.
// Every wait here is bounded; nothing waits forever on the program.
#include <windows.h>

#include <functional>
#include <string>
#include <initializer_list>
#include <vector>

#include "base/Messages.h"
#include "base/Owned.h"
#include "mainwindow/MainWindowIds.h"

namespace drive {

constexpr wchar_t kMainTitle[] = L"Glimmerset";
constexpr wchar_t kDialogClass[] = L"#32770";
constexpr wchar_t kConvertButtonText[] = L"変換開始";

// A started program: its process and first thread.
struct Program {
  KernelHandle process;
  KernelHandle thread;
  DWORD processId = 0;
  DWORD threadId = 0;
};

// Quotes one argument for a command line as CommandLineToArgvW reads it back.
std::wstring QuoteArgument(const std::wstring& argument);

// Starts exe with the given arguments (each quoted). False when CreateProcessW fails three times.
bool Start(const std::wstring& exe, const std::vector<std::wstring>& arguments, Program& program);

// Waits up to timeoutMs for the process to end; answers its exit code, or STILL_ACTIVE.
DWORD WaitForExit(const Program& program, DWORD timeoutMs);

// Closes the main window (WM_CLOSE) and waits for the process; terminates it when it has not
// ended in time. Answers true when it ended by itself.
bool Close(const Program& program, DWORD timeoutMs);

// Terminates the process when it still runs (always safe to call).
void Kill(const Program& program);

// Calls test every 20 ms until it answers true or timeoutMs have passed.
bool WaitUntil(const std::function<bool()>& test, DWORD timeoutMs);

// The visible top-level dialog titled "Glimmerset" of the thread, or null.
HWND FindMainWindow(DWORD threadId);
HWND WaitForMainWindow(DWORD threadId, DWORD timeoutMs);

// Top-level windows of the thread, visible or not.
std::vector<HWND> ThreadWindows(DWORD threadId);

// The text of a window of any process (WM_GETTEXT with a time-out).
std::wstring WindowText(HWND window);

// Class name of a window.
std::wstring ClassName(HWND window);

// The first descendant of parent whose text is text, key aside (and class cls when given),
// or null.
HWND FindDescendant(HWND parent, const std::wstring& text, const wchar_t* cls = nullptr);

// Real keyboard input (SendInput), as a user types it, to whatever window has the focus:
// a key with modifiers held (VK_CONTROL, VK_SHIFT, VK_MENU), and text typed character by
// character. A short pause follows each, for the program to take it.
void PressKey(WORD key, std::initializer_list<WORD> modifiers = {});
void TypeText(const std::wstring& text);

// The thumbnail strip and the preview, by their control ids.
HWND StripWindow(HWND main);
HWND PreviewWindow(HWND main);

// Posts a left click into the middle of the first thumbnail cell (196 x 164) of the strip,
// which makes that photo the current one, shown in the preview.
void ClickFirstThumbnail(HWND main);

// Sends WM_COMMAND 190 (what a click on "変換開始" leads to) and waits until the conversion
// and everything the window does after it have finished. False on a time-out.
bool ConvertAll(HWND main, DWORD timeoutMs);

// Ids of every process now running.
std::vector<DWORD> ProcessIds();

// The name of a process's executable ("explorer.exe"), lower case; empty when unknown.
std::wstring ProcessName(DWORD processId);

// Visible top-level windows of shell browsers (explorer.exe, winefile.exe) whose process was
// not running at the time of `before`: the windows the shell opened for a folder meanwhile.
// Windows of the desktop's own explorer and of every other program are never included.
std::vector<HWND> NewShellWindows(const std::vector<DWORD>& before);

// Closes each window (WM_CLOSE), then ends its process if it is still there after
// timeoutMs. Answers the number of processes that had to be terminated.
int CloseWindowsAndProcesses(const std::vector<HWND>& windows, DWORD timeoutMs);

// The pixels of a window as they are on the screen, as 0x00RRGGBB values row by row.
struct Capture {
  int width = 0;
  int height = 0;
  std::vector<DWORD> pixels;
  DWORD At(int x, int y) const { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]; }
};
// Brings the window to the top and copies its rectangle from the screen.
Capture CaptureWindow(HWND window);

// Number of pixels of the capture that differ from colour by more than tolerance per channel.
size_t PixelsNotNear(const Capture& capture, DWORD colour, int tolerance);

// Writes the capture as a PNG file with GDI+ (which must be started). False on failure.
bool SavePng(const Capture& capture, const std::wstring& path);

}  // namespace drive
