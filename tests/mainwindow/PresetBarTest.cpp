// The preset area of the main window: picking a preset sets every page, a change of a page
// marks the preset's line, "保存" takes the change in and the file keeps it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/Inifile.h"
#include "base/LogFile.h"
#include "engine/SaveData.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/TabParamSetting.h"
#include "tests/mainwindow/MainWindowHost.h"

namespace {

class PresetBarTest : public MainWindowHost {
protected:
  std::wstring ListText() const {
    const HWND list = window->presetBar.list.hwnd;
    const LRESULT index = SendMessageW(list, CB_GETCURSEL, 0, 0);
    std::wstring text(static_cast<size_t>(SendMessageW(list, CB_GETLBTEXTLEN, index, 0)) + 1, L'\0');
    text.resize(static_cast<size_t>(SendMessageW(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()))));
    return text;
  }
  void Pick(int index) const {
    const HWND list = window->presetBar.list.hwnd;
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(window->hwnd, WM_COMMAND, MAKEWPARAM(kPresetListId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    PumpWindowMessages();
  }
  static void Click(const ControlBase_CL* control) {
    SendMessageW(control->hwnd, BM_CLICK, 0, 0);
    PumpWindowMessages();
  }
  static bool Checked(const ControlBase_CL* control) {
    return SendMessageW(control->hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
};

}  // namespace

TEST_F(PresetBarTest, PickingSetsEveryPageAChangeMarksTheLineAndSaveTakesItIntoTheFile) {
  MainWindow_CL& main = Open();
  PresetBar_CL& bar = main.presetBar;
  ASSERT_EQ(bar.store.presets.size(), 5u) << "a first start's presets";
  const TabItemDialogImageSize_CL& size = *main.paramTabs->sizePage;
  const int web = bar.store.Find(L"Web 長辺1600");
  const int mail = bar.store.Find(L"メール");

  Pick(mail);
  Pick(web);
  EXPECT_EQ(StoredSettingsKeys(main.WorkingSettings()), StoredSettingsKeys(bar.store.presets[static_cast<size_t>(web)].settings));
  for (size_t i = 0; i < size.sizeChoices.size(); ++i) {
    EXPECT_EQ(Checked(size.sizeChoices[i].radio), i == static_cast<size_t>(SizeChoice::LongEdge)) << "only the preset's size: " << i;
  }
  EXPECT_EQ(size.longEdgeEdit->GetText(), L"1600");
  EXPECT_EQ(main.paramTabs->savePage->folderEdit->GetText(), L"Web 長辺1600");
  EXPECT_TRUE(Checked(main.paramTabs->savePage->removeGpsCheck));
  EXPECT_FALSE(main.windowState.refreshPending) << "the preview was refreshed";
  EXPECT_EQ(ListText(), L"Web 長辺1600");

  Click(size.sharpenCheck);
  EXPECT_EQ(ListText(), L"Web 長辺1600 (変更あり)");
  Click(&bar.saveButton);
  EXPECT_EQ(ListText(), L"Web 長辺1600");
  PresetStore_CL stored;
  stored.Load(theIniFile, theLog);
  EXPECT_EQ(stored.chosen, web);
  EXPECT_EQ(stored.presets[static_cast<size_t>(web)].settings.Sharpen, 0) << "the change is in the file";
  EXPECT_EQ(stored.presets[static_cast<size_t>(mail)].settings.Sharpen, 1) << "and in no other preset";
}
