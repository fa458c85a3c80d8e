#pragma once
// What the parameter-page tests share: a hidden top-level window standing in for the main
// window (it collects the refresh requests and commands the pages post), the working settings
// and the links a main window hands its pages, at a first start with the INI accessor on a
// temporary file, and the messages a user's clicks, keystrokes and slider moves send to the
// pages.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "base/Inifile.h"
#include "base/LogFile.h"
#include "base/Messages.h"
#include "engine/SaveData.h"
#include "tests/support/TempFolder.h"
#include "toolkit/ControlFactory.h"
#include "mainwindow/MainWindowLinks.h"
#include "mainwindow/WindowState.h"

class StandInMainWindow {
public:
  StandInMainWindow()
      : hwnd(CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED | WS_CLIPCHILDREN, 0, 0, 600, 800, nullptr,
                             nullptr, nullptr, nullptr)) {}
  ~StandInMainWindow() { DestroyWindow(hwnd); }
  StandInMainWindow(const StandInMainWindow&) = delete;
  StandInMainWindow& operator=(const StandInMainWindow&) = delete;

  // Takes the queued refresh requests out of the queue and counts them.
  int TakeRefreshes() const { return Take(WM_REFRESH_PREVIEW, 0); }
  // Takes the queued start-conversion commands (WM_COMMAND 190, lParam 0) and counts them.
  int TakeConvertCommands() const { return Take(WM_COMMAND, 190); }

  const HWND hwnd;

private:
  int Take(UINT message, WPARAM wParam) const {
    int count = 0;
    MSG msg;
    while (PeekMessageW(&msg, hwnd, message, message, PM_REMOVE)) {
      EXPECT_EQ(msg.wParam, wParam);
      EXPECT_EQ(msg.lParam, 0);
      ++count;
    }
    return count;
  }
};

// Every page test starts as the program does on its first start: no INI file, every setting
// at its default, the stand-in as main window. The INI path is restored after.
class PageTest : public testing::Test {
protected:
  void SetUp() override {
    savedIniPath = theIniFile.filePath;
    iniPath = temp.File(L"Glimmerset.ini");
    theIniFile.SetFileName(iniPath);
    settings.Load(theIniFile, theLog);
    links.settings = &settings;
    links.state = &windowState;
    links.mainWindow = mainWindow.hwnd;
    links.saveNow = [this] { settings.Save(theIniFile, theLog, windowState.Entries()); };
  }
  void TearDown() override { theIniFile.filePath = savedIniPath; }

  // A photo made current the way the main window does it.
  PhotoItem& MakeCurrent(int index) {
    settings.currentIndex = index;
    return *settings.CurrentItem();
  }

  // The start button as the tab host leaves it: id 190, on the given page.
  void PutStartButtonOn(HWND page) {
    const int index = startButtonFactory.AddButton(page, L"変換開始", 0);
    Button_CL* const button = startButtonFactory.As<Button_CL>(index);
    button->id = 190;
    SetWindowLongPtrW(button->hwnd, GWLP_ID, 190);
    links.convertButton = button;
  }

  int IniInt(const wchar_t* key) const {
    return static_cast<int>(GetPrivateProfileIntW(L"CONVERT", key, -12345, iniPath.c_str()));
  }

  TempFolder temp;
  std::wstring iniPath;
  StandInMainWindow mainWindow;
  ControlFactory_CL startButtonFactory;
  // What a main window owns and hands its pages.
  SaveData_CL settings;
  WindowState windowState;
  MainWindowLinks links;

private:
  std::wstring savedIniPath;
};

// ---- what the user's actions send ----

inline void Click(const ControlBase_CL* control) { SendMessageW(control->hwnd, BM_CLICK, 0, 0); }

// Typing text into an empty box: the box's text grows one character at a time.
inline void TypeInto(const ControlBase_CL* edit, const std::wstring& text) {
  for (size_t length = 1; length <= text.size(); ++length) {
    SendMessageW(edit->hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.substr(0, length).c_str()));
  }
}

// Replaces the whole text at once (a paste over a selection, or clearing the box).
inline void ReplaceText(const ControlBase_CL* edit, const std::wstring& text) {
  SendMessageW(edit->hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// Dragging a slider's thumb to position: the slider moves and tells its parent at every
// step on the way, then once more when the thumb is let go.
inline void DragSlider(const ControlBase_CL* slider, int position) {
  const HWND parent = GetParent(slider->hwnd);
  const int start = static_cast<int>(SendMessageW(slider->hwnd, TBM_GETPOS, 0, 0));
  const int step = position >= start ? 1 : -1;
  for (int at = start; at != position;) {
    at += step;
    SendMessageW(slider->hwnd, TBM_SETPOS, TRUE, at);
    SendMessageW(parent, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, at), reinterpret_cast<LPARAM>(slider->hwnd));
  }
  SendMessageW(parent, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position), reinterpret_cast<LPARAM>(slider->hwnd));
  SendMessageW(parent, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(slider->hwnd));
}

// A key pressed on the focused slider; the slider moves itself and tells its parent.
inline void PressKeyOn(const ControlBase_CL* slider, WPARAM key) {
  SendMessageW(slider->hwnd, WM_KEYDOWN, key, 0);
  SendMessageW(slider->hwnd, WM_KEYUP, key, 0);
}

inline std::wstring TextOf(const ControlBase_CL* control) { return control->GetText(); }
inline bool Checked(const ControlBase_CL* control) { return control->IsChecked() == BST_CHECKED; }
inline bool Enabled(const ControlBase_CL* control) { return IsWindowEnabled(control->hwnd) != FALSE; }
inline int SliderPosition(const ControlBase_CL* slider) {
  return static_cast<int>(SendMessageW(slider->hwnd, TBM_GETPOS, 0, 0));
}
