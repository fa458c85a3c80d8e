// The windows in front of the main window without a mouse and through a screen
// reader's eyes: where Tab takes the focus, the names the platform gives the
// boxes by the label before them, a key of its own on every button and check
// box, and Esc ending each.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cwctype>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/ShellHelpers.h"
#include "mainwindow/ConvertResults.h"
#include "mainwindow/PropSheet.h"
#include "tests/mainwindow/PageTestHost.h"
#include "tests/support/HeldKeys.h"
#include "tests/support/LayoutCheck.h"
#include "tests/support/ModalScript.h"
#include "toolkit/EasyProgress.h"
#include "update/UpdateCheck.h"
#include "update/UpdateDialog.h"

namespace {

// The platform's rule for a control without text of its own: the static text
// right before it in the z-order names it.
std::wstring NameByLabel(HWND control) {
  const HWND before = GetWindow(control, GW_HWNDPREV);
  return before && ClassOf(before) == L"Static" ? WithoutKey(TextOf(before)) : L"";
}

bool IsNamedByLabel(HWND control) {
  const std::wstring cls = ClassOf(control);
  return cls == L"Edit" || cls == L"msctls_trackbar32" || cls == L"msctls_progress32";
}

// A control's text without its key, a box's name in brackets, "<tabs>" for a
// sheet's tabs,
// "<window>" for the window itself.
std::wstring Describe(HWND control) {
  if (!control) return L"<none>";
  if (!(GetWindowLongW(control, GWL_STYLE) & WS_CHILD)) return L"<window>";
  if (ClassOf(control) == L"SysTabControl32") return L"<tabs>";
  if (IsNamedByLabel(control)) return L"[" + NameByLabel(control) + L"]";
  std::wstring text = TextOf(control);
  const size_t key = text.find(L'&');
  if (key != std::wstring::npos && text.find(L"(&") == std::wstring::npos) text.erase(key, 1);
  return WithoutKey(text);
}

// The letter after a single '&' in the text, or 0.
wchar_t KeyOf(const std::wstring& text) {
  for (size_t at = text.find(L'&'); at != std::wstring::npos && at + 1 < text.size(); at = text.find(L'&', at + 2)) {
    if (text[at + 1] != L'&') return static_cast<wchar_t>(towupper(text[at + 1]));
  }
  return 0;
}

// Tab (or Shift+Tab) pressed in the window as its message loop hands the key
// over.
void PressTab(HWND window, bool backwards) {
  const HeldKeys shift(backwards, false);
  MSG message{GetFocus(), WM_KEYDOWN, VK_TAB, 1, 0, {}};
  IsDialogMessageW(window, &message);
}

// The stops Tab (or Shift+Tab) goes round, from the first one it comes back to.
std::vector<std::wstring> TabCycle(HWND window, bool backwards) {
  std::vector<HWND> visited;
  HWND at = GetFocus();
  while (std::find(visited.begin(), visited.end(), at) == visited.end()) {
    visited.push_back(at);
    PressTab(window, backwards);
    at = GetFocus();
  }
  std::vector<std::wstring> cycle;
  for (auto stop = std::find(visited.begin(), visited.end(), at); stop != visited.end(); ++stop) {
    cycle.push_back(Describe(*stop));
  }
  return cycle;
}

// The next page of a sheet as a user turns it: Tab to its tabs, then the right
// arrow.
void NextSheetPage(HWND sheet) {
  const auto tabs = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0));
  SetFocus(tabs);
  SendMessageW(tabs, WM_KEYDOWN, VK_RIGHT, 1);
}

std::vector<HWND> Descendants(HWND window) {
  std::vector<HWND> found;
  EnumChildWindows(
      window,
      [](HWND child, LPARAM list) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// A job that runs until it is asked to stop.
class UntilCancelled : public EasyProgress_CL {
 public:
  UntilCancelled() : EasyProgress_CL(L"変換しています", 1) { autoStart = 1; }
  void Run() override {
    for (int waited = 0; waited < 5000 && cancelRequested.load() == 0; waited += 10) Sleep(10);
    CloseDialog();
  }
};

class DialogKeys : public PageTest {};

}  // namespace

TEST_F(DialogKeys, EveryWindowTabsInReadingOrderNamesItsBoxesKeysItsButtonsAndEndsWithEsc) {
  const HWND owner = mainWindow.hwnd;
  struct Window {
    const wchar_t* title;
    std::function<INT_PTR()> run;       // shows the window modally over the stand-in main window
    std::wstring opensOn;               // the control the focus is on when the window opens
    std::vector<std::wstring> stops;    // Tab's round
    std::vector<std::wstring> names;    // of every box, list and bar, by the label before it
    std::vector<std::wstring> unkeyed;  // the buttons Enter and Esc stand for
    INT_PTR afterEsc;
    int page = 0;  // of a sheet, turned to by its tabs
  };
  const Window windows[] = {
      {L"progress",
       [owner] { return UntilCancelled().RunModal(0, 0, owner); },
       L"<window>",
       {L"中止"},
       {L"[変換しています]"},
       {L"中止"},
       0},
      {L"results",
       [owner] {
         ConvertResults_CL results(L"3枚中2枚を変換しました。1枚は変換できませんでした。",
                                   L"C:\\写真\\a.heic : 読めない写真です");
         return results.RunModal(0, 0, owner);
       },
       L"閉じる",
       {L"閉じる", L"[写真ごとの結果]"},
       {L"[写真ごとの結果]"},
       {L"閉じる"},
       IDOK},
      {L"update question",
       [owner] { return UpdateDialog_CL(L"Glimmerset", L"1.0.7", L"1.0.8").RunModal(0, 0, owner); },
       L"\x3000サイトへ移動する\x3000",
       {L"\x3000サイトへ移動する\x3000", L"後日通知する\x3000"},
       {},
       {},
       kAnswerClosed},
      {L"settings sheet",
       [this, owner] { return ShowAppSettingsSheet(owner, links); },
       L"ウインドウを常に最前面に表示する",
       {L"ウインドウを常に最前面に表示する", L"エクスプローラーの右クリックメニューに追加する", L"OK", L"キャンセル",
        L"<tabs>"},
       {},
       {L"OK", L"キャンセル"},
       0},
      {L"settings sheet, version page",
       [this, owner] { return ShowAppSettingsSheet(owner, links); },
       L"ウインドウを常に最前面に表示する",
       {L"<tabs>", L"バージョンアップの通知をしない", L"Glimmerset", L"\x3000\x3000サポートサイトへ\x3000\x3000", L"OK",
        L"キャンセル"},
       {},
       {L"OK", L"キャンセル"},
       0,
       1},
  };
  for (const Window& row : windows) {
    SCOPED_TRACE(row.title);
    std::wstring openedOn;
    std::vector<std::wstring> forwards, backwards, names, unkeyed;
    std::map<wchar_t, std::wstring> keys;
    std::chrono::steady_clock::time_point escape{};
    ModalScript script(
        [owner] {
          return FindThreadDialog([owner](HWND w) { return GetWindow(w, GW_OWNER) == owner && IsWindowVisible(w); });
        },
        [&](HWND window) {
          openedOn = Describe(GetFocus());
          for (int page = 0; page < row.page; ++page) NextSheetPage(window);
          forwards = TabCycle(window, false);
          backwards = TabCycle(window, true);
          for (const HWND control : Descendants(window)) {
            if (!IsWindowVisible(control)) continue;
            if (IsNamedByLabel(control)) names.push_back(Describe(control));
            const bool frame = (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
            if (ClassOf(control) != L"Button" || frame) continue;
            const std::wstring text = TextOf(control);
            const wchar_t key = KeyOf(text);
            if (!key) unkeyed.push_back(Describe(control));
            if (key && !keys.emplace(key, text).second) ADD_FAILURE() << "one key: " << text << " and " << keys[key];
          }
          escape = std::chrono::steady_clock::now();
          PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 1);
        });
    const INT_PTR result = row.run();
    const auto closedAfter = std::chrono::steady_clock::now() - escape;
    ASSERT_TRUE(script.Ran());

    // Tab goes round in reading order; Shift+Tab goes the same way back.
    EXPECT_EQ(openedOn, row.opensOn);
    EXPECT_EQ(forwards, row.stops);
    ASSERT_FALSE(backwards.empty());
    std::reverse(backwards.begin() + 1, backwards.end());
    EXPECT_EQ(backwards, forwards) << "Shift+Tab";
    EXPECT_EQ(names, row.names);
    EXPECT_EQ(unkeyed, row.unkeyed) << "every other button has its key";
    EXPECT_EQ(result, row.afterEsc);
    EXPECT_LT(closedAfter, std::chrono::seconds(3)) << "Esc ends it";
  }
}
