// The windows laid out at several DPIs, checked the way a user looking at them would.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/HighDpiHelper.h"
#include "base/Inifile.h"
#include "base/LogFile.h"
#include "engine/SaveData.h"
#include "mainwindow/ConvertResults.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/TabParamSetting.h"
#include "tests/mainwindow/MainWindowHost.h"
#include "tests/support/LayoutCheck.h"
#include "tests/support/TempFolder.h"
#include "update/UpdateDialog.h"
#include "views/MyPictureListView.h"

namespace {

void Pump() { PumpWindowMessages(); }

using WindowLayout = MainWindowHost;

// Where every window below the main window stands, in the main window's client coordinates.
std::vector<RECT> Placements(HWND main) {
  std::vector<RECT> rects;
  EnumChildWindows(
      main,
      [](HWND child, LPARAM into) {
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, GetAncestor(child, GA_ROOT), reinterpret_cast<POINT*>(&r), 2);
        reinterpret_cast<std::vector<RECT>*>(into)->push_back(r);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&rects));
  return rects;
}

// The position a stored splitter text gives the named node ("name, l, t, r, b, position").
int StoredBarPosition(const std::wstring& text, const std::wstring& name) {
  size_t at = text.find(name);
  for (int field = 0; field < 5 && at != std::wstring::npos; ++field) at = text.find(L',', at + 1);
  return at == std::wstring::npos ? -1 : _wtoi(text.c_str() + at + 1);
}

void SendDpiChange(HWND window, int dpi, RECT suggested) {
  SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
  Pump();
}

std::string Utf8(const std::wstring& text) {
  std::string bytes(text.size() * 3 + 1, '\0');
  bytes.resize(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                                       bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr)));
  return bytes;
}

}  // namespace

// Each page laid out at the main window's page size grown with the DPI has no fault that
// the page at 96 DPI does not have: nothing leaves its page or its group, covers a title or
// another control, and every text fits in the font made for the DPI.
TEST_F(WindowLayout, PagesAtEveryDpiHaveNoFaultOfTheirOwn) {
  MainWindow_CL& main = Open();
  RECT pageRect{};
  GetClientRect(main.paramTabs->CurrentPageWindow(), &pageRect);
  const int system = HighDpiHelper_CL::SystemDpi();
  std::vector<std::set<std::wstring>> atSystemDpi(TabParamSetting_CL::pageCount);
  for (const int dpi : {system, 96, 120, 144, 168, 192}) {
    const GdiFont font = HighDpiHelper_CL::MakeGuiFont(dpi);
    main.paramTabs->UseDpi(dpi, font.get());
    const LayoutExpectation expected{dpi, FontCharacterHeight(font.get())};
    for (int page = 0; page < TabParamSetting_CL::pageCount; ++page) {
      main.paramTabs->ShowPage(page);
      SetWindowPos(main.paramTabs->CurrentPageWindow(), nullptr, 0, 0, MulDiv(pageRect.right, dpi, system),
                   MulDiv(pageRect.bottom, dpi, system), SWP_NOZORDER | SWP_NOMOVE);
      Pump();
      const std::vector<std::wstring> faults = LayoutFaults(main.paramTabs->CurrentPageWindow(), expected);
      if (dpi == system) {
        atSystemDpi[static_cast<size_t>(page)].insert(faults.begin(), faults.end());
        continue;
      }
      for (const std::wstring& fault : faults) {
        EXPECT_EQ(atSystemDpi[static_cast<size_t>(page)].count(fault), 1u)
            << "page " << page << " at " << dpi << " DPI: " << Utf8(fault);
      }
    }
  }
}

// A move to a 200 % screen and back leaves every window where it stood, in the fonts it had.
TEST_F(WindowLayout, DpiChangeAndBackLeavesTheLayoutAsItWas) {
  MainWindow_CL& main = Open();
  RECT frame{};
  GetWindowRect(main.hwnd, &frame);
  const std::vector<RECT> before = Placements(main.hwnd);
  const int dpi = main.dpi;
  const auto startFontHeight = [&main] {
    return FontCharacterHeight(
        reinterpret_cast<HFONT>(SendMessageW(main.paramTabs->startButton->hwnd, WM_GETFONT, 0, 0)));
  };
  const int startHeight = startFontHeight();

  wchar_t storedBars[512] = {};
  GetPrivateProfileStringW(L"Window", L"SpliterRect", L"", storedBars, 512, iniPath.c_str());
  const std::wstring barsAtStart = storedBars;
  const auto barPositions = [&main] {
    std::vector<int> positions;
    for (const SplitNode& node : main.splitter.nodes) positions.push_back(node.position);
    return positions;
  };
  const std::vector<int> barsBefore = barPositions();

  RECT larger = frame;
  larger.right = frame.left + 2 * (frame.right - frame.left);
  larger.bottom = frame.top + 2 * (frame.bottom - frame.top);
  SendDpiChange(main.hwnd, 2 * dpi, larger);
  EXPECT_EQ(main.paramTabs->dpi, 2 * dpi);
  EXPECT_EQ(main.thumbnailList->thumbWidth, MulDiv(kThumbWidth, 2 * dpi, 96));
  EXPECT_GE(startFontHeight(), 2 * startHeight - 2) << "the start button's big font grew with the DPI";
  EXPECT_EQ(barPositions()[1], 2 * barsBefore[1]) << "the bar between preview and pages keeps its place";
  GetPrivateProfileStringW(L"Window", L"SpliterRect", L"", storedBars, 512, iniPath.c_str());
  EXPECT_EQ(StoredBarPosition(storedBars, L"LT(H)"), StoredBarPosition(barsAtStart, L"LT(H)"))
      << "the INI keeps the bar in 96-DPI lengths";

  SendDpiChange(main.hwnd, dpi, frame);
  const std::vector<RECT> after = Placements(main.hwnd);
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < before.size(); ++i) EXPECT_TRUE(EqualRect(&before[i], &after[i])) << "window " << i;
  EXPECT_EQ(main.thumbnailList->thumbWidth, MulDiv(kThumbWidth, dpi, 96));
  EXPECT_EQ(startFontHeight(), startHeight);
}

// A measurement rather than a check (run it with --gtest_also_run_disabled_tests): the faults
// of each page in the main window as it opens at the DPI of the Wine prefix.
TEST_F(WindowLayout, DISABLED_CountFaultsAtThePrefixDpi) {
  MainWindow_CL& main = Open();
  const int dpi = main.dpi;
  const GdiFont font = HighDpiHelper_CL::MakeGuiFont(dpi);
  const LayoutExpectation expected{dpi, FontCharacterHeight(font.get())};
  int total = 0;
  for (int page = 0; page < TabParamSetting_CL::pageCount; ++page) {
    SendMessageW(main.paramTabs->hwnd, TCM_SETCURSEL, static_cast<WPARAM>(page), 0);
    main.paramTabs->ShowPage(page);
    SendMessageW(main.hwnd, WM_SIZE, 0, 0);
    Pump();
    const std::vector<std::wstring> faults = LayoutFaults(main.hwnd, expected);
    std::printf("page %d: %zu faults\n", page, faults.size());
    for (const std::wstring& fault : faults) std::printf("  %s\n", Utf8(fault).c_str());
    total += static_cast<int>(faults.size());
  }
  std::printf("total %d at %d DPI\n", total, dpi);
}

// The results window and the update question, each made and laid out again at every DPI:
// no control leaves its window or covers another, and every text fits in the DPI's font.
TEST(DialogLayout, ResultsAndUpdateQuestionHaveNoFaultsAtAnyDpi) {
  for (const int dpi : {96, 120, 144, 192}) {
    ConvertResults_CL results(L"3 枚のうち 1 枚は書き出せませんでした。",
                              L"C:\\写真\\iphone_hdr_YES.heic: 読めない写真です");
    ASSERT_NE(results.CreateModeless(nullptr), nullptr);
    results.UseDpi(dpi);
    UpdateDialog_CL question(L"Glimmerset", L"1.0.7", L"1.0.8");
    ASSERT_NE(question.CreateModeless(nullptr), nullptr);
    question.UseDpi(dpi);
    PumpWindowMessages();
    for (const SubClassDialogBase_CL* dialog : {static_cast<SubClassDialogBase_CL*>(&results),
                                                static_cast<SubClassDialogBase_CL*>(&question)}) {
      for (const std::wstring& fault : LayoutFaults(dialog->hwnd, {dpi, FontCharacterHeight(dialog->font)}))
        ADD_FAILURE() << dpi << " DPI: " << Utf8(fault);
    }
    DestroyWindow(results.hwnd);
    DestroyWindow(question.hwnd);
  }
}
