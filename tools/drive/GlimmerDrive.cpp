// glimmer-drive.exe SCREENSHOT.png Glimmerset.exe [photos or folders...]
// Starts Glimmerset with the given photos, waits for its window and the thumbnails, converts
// every photo as a click on "変換開始" does (WM_COMMAND 190), closes what the shell opened for
// the output folder, shows the whole first photo in the preview ("全体"), saves a screenshot
// of the window, turns the compare view on ("比較") with the sepia effect and saves a second
// one beside the first (SCREENSHOT-compare.png), takes the effect off again, saves a third
// with the save page chosen (SCREENSHOT-save.png), one of the preset area above the pages with
// its list open (SCREENSHOT-presets.png), and closes the program. Every step has a
// time-out. Exit code 0 when all of it worked.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/GpOwned.h"
#include "base/ShellHelpers.h"
#include "mainwindow/PreviewBar.h"
#include "tools/drive/DriveKit.h"

namespace {

constexpr DWORD kWindowMs = 60000;
constexpr DWORD kThumbnailsMs = 15000;
constexpr DWORD kConvertMs = 120000;
constexpr DWORD kShellWindowMs = 10000;
constexpr DWORD kStripGrey = 0xC8C8C8;

void Say(const char* text) {
  std::fputs(text, stdout);
  std::fputs("\n", stdout);
  std::fflush(stdout);
}

bool ThumbnailsShown(HWND main) {
  const drive::Capture strip = drive::CaptureWindow(drive::StripWindow(main));
  return !strip.pixels.empty() && drive::PixelsNotNear(strip, kStripGrey, 8) > strip.pixels.size() / 20;
}

// SCREENSHOT with `tail` before its extension.
std::wstring ScreenshotPath(const std::wstring& screenshot, const wchar_t* tail) {
  const size_t dot = screenshot.rfind(L'.');
  return dot == std::wstring::npos ? screenshot + tail : screenshot.substr(0, dot) + tail + screenshot.substr(dot);
}

// SCREENSHOT with "-save" before its extension: the window with the third page, "保存",
// chosen by two presses of the right arrow key on the tab control, as a user may choose it.
bool SaveSavePageScreenshot(HWND main, const std::wstring& screenshot) {
  const HWND tabs = drive::FindDescendant(main, L"", L"SysTabControl32");
  if (tabs == nullptr) return false;
  for (int press = 0; press < 2; ++press) {
    PostMessageW(tabs, WM_KEYDOWN, VK_RIGHT, 0);
    PostMessageW(tabs, WM_KEYUP, VK_RIGHT, 0);
  }
  Sleep(1000);
  return drive::SavePng(drive::CaptureWindow(main), ScreenshotPath(screenshot, L"-save"));
}

// The part of a capture of `main` that `area` (screen coordinates) covers.
drive::Capture Cropped(const drive::Capture& whole, HWND main, RECT area) {
  RECT window{};
  GetWindowRect(main, &window);
  OffsetRect(&area, -window.left, -window.top);
  const RECT bounds{0, 0, whole.width, whole.height};
  IntersectRect(&area, &area, &bounds);
  drive::Capture part;
  part.width = area.right - area.left;
  part.height = area.bottom - area.top;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) part.pixels.push_back(whole.At(x, y));
  }
  return part;
}

// SCREENSHOT with "-presets": the preset area over the pages, as wide as the tabs, its list
// open below it.
bool SavePresetScreenshot(HWND main, const std::wstring& screenshot) {
  const HWND list = drive::FindDescendant(main, L"", L"ComboBox");
  const HWND tabs = drive::FindDescendant(main, L"", L"SysTabControl32");
  COMBOBOXINFO info{};
  info.cbSize = sizeof(info);
  if (list == nullptr || tabs == nullptr || !GetComboBoxInfo(list, &info)) return false;
  SendMessageW(list, CB_SHOWDROPDOWN, TRUE, 0);
  Sleep(800);
  RECT tabArea{};
  RECT listArea{};
  RECT dropped{};
  GetWindowRect(tabs, &tabArea);
  GetWindowRect(list, &listArea);
  GetWindowRect(info.hwndList, &dropped);
  const drive::Capture whole = drive::CaptureWindow(main);
  SendMessageW(list, CB_SHOWDROPDOWN, FALSE, 0);
  const RECT area{tabArea.left - 4, listArea.top - 8, tabArea.right + 4, std::max(dropped.bottom, tabArea.top + 32) + 8};
  return drive::SavePng(Cropped(whole, main, area), ScreenshotPath(screenshot, L"-presets"));
}

// The window (at any depth below `main`) whose text is `text`; null when there is none.
HWND ChildWithText(HWND main, const wchar_t* text) {
  struct Search {
    const wchar_t* text;
    HWND found;
  } search{text, nullptr};
  EnumChildWindows(
      main,
      [](HWND window, LPARAM data) -> BOOL {
        auto& wanted = *reinterpret_cast<Search*>(data);
        wchar_t shown[64] = {};
        GetWindowTextW(window, shown, 64);
        if (WithoutKey(shown) != wanted.text) return TRUE;
        wanted.found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A click on a button as the user makes it; nothing without a button.
void Click(HWND button) {
  DWORD_PTR result = 0;
  if (button != nullptr) SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_NORMAL, 5000, &result);
}

// "x\\screenshot.png" -> "x\\screenshot-compare.png".
std::wstring CompareScreenshotPath(const std::wstring& screenshot) {
  const size_t dot = screenshot.rfind(L'.');
  const size_t slash = screenshot.find_last_of(L"\\/");
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return screenshot + L"-compare";
  return screenshot.substr(0, dot) + L"-compare" + screenshot.substr(dot);
}

int Drive(const std::wstring& screenshot, const std::wstring& exe, const std::vector<std::wstring>& photos) {
  drive::Program program;
  if (!drive::Start(exe, photos, program)) {
    Say("glimmer-drive: Glimmerset.exe could not be started");
    return 1;
  }
  const HWND main = drive::WaitForMainWindow(program.threadId, kWindowMs);
  if (main == nullptr) {
    Say("glimmer-drive: the main window did not appear");
    drive::Kill(program);
    return 1;
  }
  if (!drive::WaitUntil([&] { return ThumbnailsShown(main); }, kThumbnailsMs)) {
    Say("glimmer-drive: no thumbnails in the strip (going on)");
  }

  const std::vector<DWORD> before = drive::ProcessIds();
  Say("glimmer-drive: converting (WM_COMMAND 190, as a click on the start button)");
  if (!drive::ConvertAll(main, kConvertMs)) {
    Say("glimmer-drive: the conversion did not finish in time");
    drive::Kill(program);
    return 1;
  }
  // The program opens the output folder with the shell; that window is not wanted here.
  std::vector<HWND> opened;
  drive::WaitUntil([&] { return !(opened = drive::NewShellWindows(before)).empty(); },
                   kShellWindowMs);
  if (!opened.empty()) Say("glimmer-drive: closing the folder window the shell opened");
  drive::CloseWindowsAndProcesses(opened, 5000);

  drive::ClickFirstThumbnail(main);
  PostMessageW(main, WM_COMMAND, kPreviewFitCommand, 0);
  Sleep(1500);
  bool saved = drive::SavePng(drive::CaptureWindow(main), screenshot);
  if (!saved) Say("glimmer-drive: the screenshot could not be saved");
  // Sepia for the compare view, so that before and after differ at a glance; then back.
  Click(ChildWithText(main, L"セピア調"));
  PostMessageW(main, WM_COMMAND, kPreviewCompareCommand, 0);
  Sleep(1500);
  if (!drive::SavePng(drive::CaptureWindow(main), CompareScreenshotPath(screenshot))) {
    Say("glimmer-drive: the screenshot of the compare view could not be saved");
    saved = false;
  }
  Click(ChildWithText(main, L"そのまま"));
  Sleep(500);
  if (!SaveSavePageScreenshot(main, screenshot)) Say("glimmer-drive: no screenshot of the save page (going on)");
  if (!SavePresetScreenshot(main, screenshot)) Say("glimmer-drive: no screenshot of the preset area (going on)");
  const bool closed = drive::Close(program, 15000);
  if (!closed) Say("glimmer-drive: Glimmerset did not end after WM_CLOSE and was terminated");
  return saved && closed ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    Say("usage: glimmer-drive SCREENSHOT.png Glimmerset.exe [photos or folders...]");
    return 2;
  }
  CoInitialize(nullptr);
  int result = 1;
  {
    const GdiplusSession gdiplus;
    if (gdiplus.Started()) result = Drive(argv[1], argv[2], std::vector<std::wstring>(argv + 3, argv + argc));
  }
  CoUninitialize();
  return result;
}
