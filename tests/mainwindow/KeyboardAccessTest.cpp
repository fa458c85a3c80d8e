// The main window without a mouse and through a screen reader's eyes: the order Tab takes,
// the names the platform gives each box by the label before it, the keys of every text, the
// shortcuts, and the strip as a list of named photos.
#include <gtest/gtest.h>
#include <windows.h>
#include <oleacc.h>

#include <algorithm>
#include <chrono>
#include <cwctype>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/DllFunction.h"
#include "base/ShellHelpers.h"
#include "mainwindow/KeyboardShortcuts.h"
#include "mainwindow/MainMenus.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/MyPictureImage.h"
#include "mainwindow/TabParamSetting.h"
#include "tests/mainwindow/MainWindowHost.h"
#include "tests/support/HeldKeys.h"
#include "tests/support/LayoutCheck.h"
#include "tests/support/TestPhotos.h"
#include "views/MyPictureListView.h"

namespace {

// The platform's rule for a control without text of its own: the static text right before
// it in the z-order names it.
std::wstring NameByLabel(HWND control) {
  const HWND before = GetWindow(control, GW_HWNDPREV);
  return before && ClassOf(before) == L"Static" ? WithoutKey(TextOf(before)) : L"";
}

bool IsFrame(HWND window) {
  return ClassOf(window) == L"Button" && (GetWindowLongW(window, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

void PumpFor(int milliseconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < end) {
    PumpWindowMessages();
    Sleep(10);
  }
}

class KeyboardAccess : public MainWindowHost {
protected:
  // The main window with three photos in the strip, the first one current.
  MainWindow_CL& OpenWithPhotos() {
    for (const wchar_t* name : {L"a.jpg", L"b.png", L"c.jpg"}) {
      const GpBitmapPtr photo = MakeBitmap(120, 90, 0xFF3060C0);
      EXPECT_TRUE(SaveAs(photo.get(), temp.File(name), name[2] == L'p' ? kTestFormatPng : kTestFormatJpeg));
    }
    MainWindow_CL& main = Open(L"Glimmerset.exe \"" + temp.File(L"a.jpg") + L"\" \"" + temp.File(L"b.png") + L"\" \"" +
                               temp.File(L"c.jpg") + L"\"");
    main.thumbnailList->ClickItem(0);
    PumpFor(200);
    return main;
  }

  // Where Tab (or Shift+Tab) takes the focus from `first` until it comes round again, as
  // the dialog manager moves it: a control's text, a box's name in brackets, "<strip>" and
  // "<tabs>" for the two panes without text.
  std::vector<std::wstring> TabWalk(HWND first, bool backwards) const {
    std::vector<std::wstring> seen;
    SetFocus(first);
    do {
      seen.push_back(Describe(GetFocus()));
      SendMessageW(window->hwnd, WM_NEXTDLGCTL, backwards ? 1 : 0, FALSE);
    } while (GetFocus() && GetFocus() != first && seen.size() < 64);
    return seen;
  }

  std::wstring Describe(HWND control) const {
    if (control == window->thumbnailList->hwnd) return L"<strip>";
    if (control == window->paramTabs->hwnd) return L"<tabs>";
    const std::wstring cls = ClassOf(control);
    if (cls == L"Edit" || cls == L"msctls_trackbar32" || cls == L"ComboBox") return L"[" + NameByLabel(control) + L"]";
    return WithoutKey(TextOf(control));
  }

  void Press(HWND target, WPARAM key) {
    MSG message{target, WM_KEYDOWN, key, 1, 0, {}};
    if (!window->keys.Translate(message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    PumpWindowMessages();
  }
};

using AccessibleFromWindow = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);

std::wstring AccessibleName(IAccessible* object, long child) {
  VARIANT id{};
  id.vt = VT_I4;
  id.lVal = child;
  BSTR name = nullptr;
  if (object->get_accName(id, &name) != S_OK || !name) return L"<none>";
  std::wstring text(name, SysStringLen(name));
  SysFreeString(name);
  return text;
}

long AccessibleState(IAccessible* object, long child) {
  VARIANT id{};
  id.vt = VT_I4;
  id.lVal = child;
  VARIANT state{};
  return object->get_accState(id, &state) == S_OK && state.vt == VT_I4 ? state.lVal : -1;
}

long ChildCount(IAccessible* object) {
  long count = -1;
  object->get_accChildCount(&count);
  return count;
}

}  // namespace

TEST_F(KeyboardAccess, TabGoesThroughEveryPaneAndPageInReadingOrderAndEveryBoxHasAName) {
  MainWindow_CL& main = OpenWithPhotos();
  const std::wstring mode = window->windowState.PreviewFit ? L"全体" : L"等倍";
  struct Page {
    int index;
    std::vector<std::wstring> stops;  // from the first of the page's own, the start button last
  };
  const Page pages[] = {
      {0,
       {L"変換前の拡張子を維持する", L"800 x 600", L"[幅]", L"[高さ]", L"[長辺 (px)]", L"[縮小率 (%)]",
        L"小さい写真は拡大しない", L"縮小後にくっきりさせる", L"切り抜いてぴったりにする", L"変換開始"}},
      {1,
       {L"全ての写真にエフェクトをかける", L"そのまま", L"写真の明るさ(1.00)", L"[明るさ]", L"コントラスト(0.00)",
        L"[コントラスト]", L"変換開始"}},
      {2,
       {L"元ファイルの場所にフォルダを作成", L"参照...", L"[作成フォルダ名]", L"ファイル名の前に文字を追加",
        L"[ファイル名の前の文字]", L"ファイル名の後ろに文字を追加", L"[ファイル名の後ろの文字]", L"[ファイル名の形式]",
        L"JPEG量子化率を指定(80)", L"[JPEG 品質]", L"[目標サイズ (KB)]", L"元より大きくしない",
        L"撮影情報(EXIF)を残す", L"位置情報を消す", L"更新日時を元の写真と同じにする", L"撮影日時にする",
        L"変換済みの写真はとばす", L"変換開始"}},
  };
  SendMessageW(main.hwnd, WM_COMMAND, kKeyPreviousPage, 0);  // Ctrl+Shift+Tab: round to the last
  ASSERT_EQ(main.paramTabs->currentTab, 2);
  for (const Page& page : pages) {
    SCOPED_TRACE(page.index);
    SendMessageW(main.hwnd, WM_COMMAND, kKeyNextPage, 0);  // Ctrl+Tab
    PumpWindowMessages();
    ASSERT_EQ(main.paramTabs->currentTab, page.index);
    EXPECT_EQ(Describe(GetFocus()), page.stops.front()) << "a page change puts the focus on its first control";

    // From the strip round: the presets (naming and deleting wait for a chosen one), the pages'
    // tabs, the page, then the preview's buttons.
    std::vector<std::wstring> expected{L"<strip>",          L"[プリセット]",       L"保存",  L"名前を付けて保存...",
                                       L"書き出し・読み込み...", L"まとめて書き出す...", L"<tabs>"};
    expected.insert(expected.end(), page.stops.begin(), page.stops.end());
    expected.insert(expected.end(), {mode, L"比較"});
    const std::vector<std::wstring> forwards = TabWalk(main.thumbnailList->hwnd, false);
    EXPECT_EQ(forwards, expected) << "Tab";
    std::vector<std::wstring> backwards = TabWalk(main.thumbnailList->hwnd, true);
    std::reverse(backwards.begin() + 1, backwards.end());
    EXPECT_EQ(backwards, expected) << "Shift+Tab goes the same way back";

    // Every button, check box and radio button of the page has a key, and no two share one.
    std::map<wchar_t, std::wstring> keys;
    const HWND pageWindow = main.paramTabs->CurrentPageWindow();
    for (HWND child = GetWindow(pageWindow, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      const std::wstring text = TextOf(child);
      const size_t key = text.find(L"(&");
      if (ClassOf(child) == L"Button" && !IsFrame(child)) {
        EXPECT_NE(key, std::wstring::npos) << "no key: " << text;
      }
      if (key == std::wstring::npos) continue;
      const wchar_t letter = static_cast<wchar_t>(towupper(text[key + 2]));
      EXPECT_TRUE(keys.emplace(letter, text).second) << text << " and " << keys[letter];
    }
  }
  // The arrows stay within a run of radio buttons: from the size buttons never into a box.
  SendMessageW(main.hwnd, WM_COMMAND, kKeyNextPage, 0);
  ASSERT_EQ(main.paramTabs->currentTab, 0);
  const auto& sizes = main.paramTabs->sizePage->sizeChoices;
  HWND at = sizes.front().radio->hwnd;
  for (size_t step = 0; step < 2 * sizes.size(); ++step) {
    at = GetNextDlgGroupItem(main.paramTabs->sizePage->hwnd, at, FALSE);
    ASSERT_NE(at, nullptr);
    EXPECT_EQ(SendMessageW(at, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON, DLGC_RADIOBUTTON) << Describe(at);
  }
}

TEST_F(KeyboardAccess, TheStripIsANamedListOfPhotosThatTheKeysReachAndADeleteUpdates) {
  MainWindow_CL& main = OpenWithPhotos();
  MyPictureListView_CL& strip = *main.thumbnailList;
  const DllFunction_CL oleacc(L"oleacc.dll");
  const auto fromWindow = oleacc.FindAs<AccessibleFromWindow>("AccessibleObjectFromWindow");
  ASSERT_NE(fromWindow, nullptr);
  IAccessible* list = nullptr;
  ASSERT_EQ(fromWindow(strip.hwnd, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                       reinterpret_cast<void**>(&list)),
            S_OK);
  ASSERT_NE(list, nullptr);

  SetFocus(strip.hwnd);
  Press(strip.hwnd, VK_RIGHT);
  EXPECT_EQ(window->settings.currentIndex, 1) << "the preview follows the strip's arrows";
  EXPECT_EQ(AccessibleName(list, CHILDID_SELF), L"写真一覧");
  EXPECT_EQ(TextOf(main.preview->hwnd).rfind(L"プレビュー", 0), 0u) << "the preview is named";
  EXPECT_EQ(ChildCount(list), 3);
  const std::vector<std::wstring> before{AccessibleName(list, 1), AccessibleName(list, 2), AccessibleName(list, 3)};
  EXPECT_EQ(before, (std::vector<std::wstring>{L"a.jpg", L"b.png", L"c.jpg"}));
  EXPECT_EQ(AccessibleState(list, 2) & (STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED),
            STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED);
  EXPECT_EQ(AccessibleState(list, 1) & STATE_SYSTEM_SELECTED, 0);

  // Delete in a box is the box's own; in the strip it removes the selected photo.
  SetFocus(main.paramTabs->sizePage->widthEdit->hwnd);
  MSG inBox{GetFocus(), WM_KEYDOWN, VK_DELETE, 1, 0, {}};
  EXPECT_FALSE(main.keys.Translate(inBox));
  SetFocus(strip.hwnd);
  Press(strip.hwnd, VK_DELETE);
  EXPECT_EQ(ChildCount(list), 2);
  EXPECT_EQ(AccessibleName(list, 1), L"a.jpg");
  EXPECT_EQ(AccessibleName(list, 2), L"c.jpg");
  EXPECT_EQ(AccessibleState(list, 1) & STATE_SYSTEM_SELECTED, STATE_SYSTEM_SELECTED)
      << "the photo before the removed one is chosen";

  {
    const HeldKeys control(false, true);
    Press(strip.hwnd, 'A');
  }
  EXPECT_EQ(strip.selectedCount, 2u) << "Ctrl+A selects every photo";
  Press(strip.hwnd, VK_F6);
  EXPECT_EQ(GetFocus(), main.paramTabs->hwnd) << "F6: from the strip to the pages";
  {
    const HeldKeys shift(true, false);
    Press(GetFocus(), VK_F6);
  }
  EXPECT_EQ(GetFocus(), strip.hwnd) << "Shift+F6: back";
  SendMessageW(main.hwnd, WM_COMMAND, IDCANCEL, 0);
  EXPECT_NE(GetFocus(), strip.hwnd) << "Esc leaves the strip";

  // With a modal window in front, no key does anything.
  EnableWindow(main.hwnd, FALSE);
  MSG disabled{strip.hwnd, WM_KEYDOWN, VK_DELETE, 1, 0, {}};
  EXPECT_FALSE(main.keys.Translate(disabled));
  EnableWindow(main.hwnd, TRUE);
  EXPECT_EQ(ChildCount(list), 2);

  window.reset();
  EXPECT_EQ(ChildCount(list), -1) << "the object outlives the strip and says so";
  list->Release();
}
