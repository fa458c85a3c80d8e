#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/Inifile.h"
#include "base/ShellHelpers.h"
#include "engine/SaveData.h"
#include "mainwindow/PropAppSetting.h"
#include "mainwindow/PropAppVersion.h"
#include "mainwindow/PropSheet.h"
#include "tests/mainwindow/PageTestHost.h"
#include "tests/support/ModalScript.h"
#include "toolkit/ControlLayout.h"
#include "update/UpdateCheck.h"

namespace {

constexpr wchar_t kTopMostText[] = L"ウインドウを常に最前面に表示する(&T)";
constexpr wchar_t kNotifyText[] = L"バージョンアップの通知をしない(&N)";

constexpr wchar_t kUserClasses[] = L"Software\\Classes";

// A text value of HKCU\Software\Classes\key, or "<missing>".
std::wstring UserClassesText(const std::wstring& key, const wchar_t* name = nullptr) {
  const std::wstring path = std::wstring(kUserClasses) + L"\\" + key;
  wchar_t text[1024] = {};
  DWORD bytes = sizeof(text);
  if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &bytes) != ERROR_SUCCESS) {
    return L"<missing>";
  }
  return text;
}

bool UserClassesKeyExists(const std::wstring& key) {
  HKEY opened = nullptr;
  const std::wstring path = std::wstring(kUserClasses) + L"\\" + key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  RegCloseKey(opened);
  return true;
}

std::vector<std::wstring>* openedPages = nullptr;
void RecordOpen(std::wstring address) { openedPages->push_back(address); }

int TabCount(HWND sheet) {
  const auto tab = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0));
  return tab ? static_cast<int>(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0)) : -1;
}

bool CheckedWindow(HWND button) { return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// The user ticks (or unticks) the check box with this text, then presses a sheet button.
void ClickThenPress(HWND sheet, const wchar_t* checkText, int sheetButton) {
  const HWND check = FindChildByText(sheet, checkText);
  if (check) SendMessageW(check, BM_CLICK, 0, 0);
  PostMessageW(sheet, PSM_PRESSBUTTON, sheetButton, 0);
}

// Sheets shown over the stand-in main window; settings and INI file as on a first start.
class SettingsSheet : public PageTest {
protected:
  HWND FindSheet() const {
    const HWND owner = mainWindow.hwnd;
    return FindThreadDialog(
        [owner](HWND window) { return GetWindow(window, GW_OWNER) == owner && IsWindowVisible(window); });
  }
  ModalScript::Finder SheetFinder() const {
    return [this] { return FindSheet(); };
  }
  int IniValue(const wchar_t* section, const wchar_t* key) const {
    return static_cast<int>(GetPrivateProfileIntW(section, key, -1, iniPath.c_str()));
  }
  bool MainWindowOnTop() const { return (GetWindowLongW(mainWindow.hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }
};

}  // namespace

TEST_F(SettingsSheet, TopMostTickedAndOkIsStoredAndAppliedAtOnce) {
  std::wstring caption;
  int tabs = 0;
  bool checkedAtStart = true;
  RECT sheetRect{}, ownerRect{};
  ModalScript script(SheetFinder(), [&](HWND sheet) {
    caption = WindowText(sheet);
    tabs = TabCount(sheet);
    GetWindowRect(sheet, &sheetRect);
    GetWindowRect(mainWindow.hwnd, &ownerRect);
    const HWND check = FindChildByText(sheet, kTopMostText);
    checkedAtStart = check && CheckedWindow(check);
    ClickThenPress(sheet, kTopMostText, PSBTN_OK);
  });
  const INT_PTR result = ShowAppSettingsSheet(mainWindow.hwnd, links);
  ASSERT_TRUE(script.Ran());

  EXPECT_EQ(caption, L"アプリ設定");
  EXPECT_EQ(tabs, 2);
  EXPECT_FALSE(checkedAtStart);
  EXPECT_LE(std::abs((sheetRect.left + sheetRect.right) - (ownerRect.left + ownerRect.right)), 1)
      << "centred on the main window";
  EXPECT_LE(std::abs((sheetRect.top + sheetRect.bottom) - (ownerRect.top + ownerRect.bottom)), 1);

  EXPECT_EQ(result, 1);
  EXPECT_EQ(windowState.topMost, 1);
  EXPECT_EQ(IniValue(L"APP_SETTING", L"WindowTopMost"), 1);
  EXPECT_TRUE(MainWindowOnTop());
  EXPECT_EQ(IniValue(L"VERSION", L"notify"), -1) << "the unopened version page writes nothing";
  windowState.topMost = false;
  links.ApplyTopMost();
}

TEST_F(SettingsSheet, ExplorerMenuBoxWritesAndRemovesThisUsersVerbKeysOnly) {
  // Someone else's verb on one of the types, which neither ticking nor unticking touches.
  const std::wstring otherVerb = std::wstring(kUserClasses) + L"\\SystemFileAssociations\\.png\\shell\\Other\\command";
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, otherVerb.c_str(), nullptr, REG_SZ, L"other.exe", 20), ERROR_SUCCESS);
  const std::vector<std::wstring> extensions = ExplorerMenuExtensions();
  for (const wchar_t* type : {L".jpg", L".jpeg", L".tiff", L".webp", L".avif"}) {
    EXPECT_NE(std::find(extensions.begin(), extensions.end(), type), extensions.end()) << "offered for " << type;
  }
  const std::wstring exe = ModuleFileName();
  std::vector<std::wstring> keys = {L"Directory\\shell\\Glimmerset"};
  for (const std::wstring& type : extensions) keys.push_back(L"SystemFileAssociations\\" + type + L"\\shell\\Glimmerset");

  for (const bool tick : {true, false}) {
    SCOPED_TRACE(tick ? "ticked" : "unticked");
    bool checkedAtStart = tick;
    ModalScript script(SheetFinder(), [&](HWND sheet) {
      const HWND check = FindChildByText(sheet, kExplorerMenuText);
      checkedAtStart = check && CheckedWindow(check);
      ClickThenPress(sheet, kExplorerMenuText, PSBTN_OK);
    });
    ShowAppSettingsSheet(mainWindow.hwnd, links);
    ASSERT_TRUE(script.Ran());
    EXPECT_EQ(checkedAtStart, !tick) << "the box shows whether the keys start this program";
    for (const std::wstring& key : keys) {
      SCOPED_TRACE(testing::Message() << key);
      if (tick) {
        EXPECT_EQ(UserClassesText(key + L"\\command"), L"\"" + exe + L"\" \"%1\"");
        EXPECT_EQ(UserClassesText(key, L"MUIVerb"), L"@" + exe + L",-201");
        EXPECT_EQ(UserClassesText(key, L"MultiSelectModel"), L"Player");
        EXPECT_EQ(UserClassesText(key), L"<missing>") << "no text of its own besides MUIVerb";
      } else {
        EXPECT_FALSE(UserClassesKeyExists(key));
      }
    }
  }
  EXPECT_FALSE(UserClassesKeyExists(L"SystemFileAssociations\\.jpg")) << "emptied keys above the verbs go too";
  EXPECT_FALSE(UserClassesKeyExists(L"Directory\\shell"));
  EXPECT_EQ(UserClassesText(L"SystemFileAssociations\\.png\\shell\\Other\\command"), L"other.exe");
  EXPECT_EQ(UserClassesText(L"SystemFileAssociations\\.png\\shell"), L"<missing>") << "no default verb is set";
  const std::wstring png = std::wstring(kUserClasses) + L"\\SystemFileAssociations\\.png";
  RegDeleteTreeW(HKEY_CURRENT_USER, png.c_str());
}

TEST_F(SettingsSheet, CancelKeepsEverythingAsItWas) {
  windowState.topMost = true;
  bool checkedAtStart = false;
  ModalScript script(SheetFinder(), [&](HWND sheet) {
    const HWND check = FindChildByText(sheet, kTopMostText);
    checkedAtStart = check && CheckedWindow(check);
    ClickThenPress(sheet, kTopMostText, PSBTN_CANCEL);
  });
  const INT_PTR result = ShowAppSettingsSheet(mainWindow.hwnd, links);
  ASSERT_TRUE(script.Ran());
  EXPECT_TRUE(checkedAtStart) << "the check box shows the stored setting";
  EXPECT_EQ(result, 0);
  EXPECT_EQ(windowState.topMost, 1);
  EXPECT_EQ(IniValue(L"APP_SETTING", L"WindowTopMost"), -1);
  EXPECT_FALSE(MainWindowOnTop()) << "nothing applied after cancel";
}

TEST_F(SettingsSheet, VersionSheetAloneSwitchesTheUpdateCheckOnAndOff) {
  for (const int expected : {1, 0}) {
    SCOPED_TRACE(expected);
    std::wstring caption;
    int tabs = 0;
    bool checkedAtStart = false;
    ModalScript script(SheetFinder(), [&](HWND sheet) {
      caption = WindowText(sheet);
      tabs = TabCount(sheet);
      const HWND check = FindChildByText(sheet, kNotifyText);
      checkedAtStart = check && CheckedWindow(check);
      ClickThenPress(sheet, kNotifyText, PSBTN_OK);
    });
    ShowVersionSheet(mainWindow.hwnd);
    ASSERT_TRUE(script.Ran());
    EXPECT_EQ(caption, L"バージョン情報");
    EXPECT_EQ(tabs, 1);
    EXPECT_EQ(checkedAtStart, expected == 0) << "loaded from VERSION/notify";
    EXPECT_EQ(IniValue(L"VERSION", L"notify"), expected);
  }
  EXPECT_EQ(IniValue(L"APP_SETTING", L"WindowTopMost"), -1) << "the settings record is not saved";
}

TEST_F(SettingsSheet, VersionPageLaysOutItsControlsAndOpensTheSupportSite) {
  std::vector<std::wstring> opened;
  openedPages = &opened;
  PropAppVersion_CL page;
  page.openPage = RecordOpen;
  PropSheet_CL sheet;
  sheet.AddPage(page, L"バージョン情報");

  LayoutMetrics layout{};
  RECT check{}, icon{}, version{}, supportText{}, button{};
  std::vector<RECT> frames;
  std::vector<std::wstring> frameTitles;
  HWND sheetWindowAtScript = nullptr;
  ModalScript script(SheetFinder(), [&](HWND window) {
    sheetWindowAtScript = sheet.SheetWindow();
    layout = SubClassDialogBase_CL::PageLayout(page.hwnd);
    check = RectInParent(*page.notifyCheck);
    icon = RectInParent(*page.iconButton);
    version = RectInParent(*page.controls.At(2));
    supportText = RectInParent(*page.controls.At(4));
    button = RectInParent(*page.supportButton);
    for (const auto& control : page.controls.controls) {
      if (control->kind != GroupBox_CL::kindCode) continue;
      frames.push_back(RectInParent(*control));
      frameTitles.push_back(control->GetText());
    }
    SendMessageW(page.iconButton->hwnd, BM_CLICK, 0, 0);
    SendMessageW(page.supportButton->hwnd, BM_CLICK, 0, 0);
    ClickThenPress(window, kNotifyText, PSBTN_CANCEL);
  });
  sheet.Run(mainWindow.hwnd, L"バージョン情報");
  openedPages = nullptr;
  ASSERT_TRUE(script.Ran());
  EXPECT_EQ(sheetWindowAtScript, script.Window()) << "the pages report the sheet's window";

  ASSERT_EQ(opened.size(), 2u) << "the icon and the support button";
  EXPECT_EQ(opened[0], SupportSiteAddress());
  EXPECT_EQ(opened[1], SupportSiteAddress());
  EXPECT_EQ(SupportSiteAddress().substr(SupportSiteAddress().size() - 12), L"/Glimmerset/");
  EXPECT_EQ(IniValue(L"VERSION", L"notify"), -1) << "cancel writes nothing";

  const int uw = layout.unitWidth;
  EXPECT_EQ(check.left, uw / 2);
  EXPECT_EQ(check.top, 16);
  EXPECT_EQ(icon.right - icon.left, 36);
  EXPECT_EQ(icon.bottom - icon.top, 36);
  EXPECT_EQ(icon.top, 68);
  EXPECT_EQ(icon.left, uw / 2 + 8) << "moved 8 pixels right after stacking";
  EXPECT_EQ(version.top, icon.bottom + 4);
  EXPECT_EQ(version.left, uw / 2);
  EXPECT_EQ(button.left, uw);
  EXPECT_EQ(button.top, supportText.bottom + 4);

  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frameTitles[0], L"バージョンアップの通知");
  EXPECT_EQ(frames[0].top, 0);
  EXPECT_EQ(frames[0].right - frames[0].left, layout.width);
  EXPECT_EQ(frames[0].bottom, check.bottom + 8);
  EXPECT_EQ(frameTitles[1], L"バージョン情報");
  EXPECT_EQ(frames[1].top, 52);
  EXPECT_EQ(frames[1].bottom, button.bottom + 8);
}

TEST(SettingsSheetBuilder, SheetWithoutPagesIsNotShown) {
  PropSheet_CL sheet;
  EXPECT_EQ(sheet.Run(nullptr, L"empty"), static_cast<INT_PTR>(E_FAIL));
}
