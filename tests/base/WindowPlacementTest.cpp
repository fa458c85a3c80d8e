#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "base/Inifile.h"
#include "base/MultiScreen.h"
#include "base/WindowPlacement.h"
#include "tests/support/TempFolder.h"

namespace {

constexpr wchar_t kSection[] = L"Window";
constexpr wchar_t kKey[] = L"WindowRect";
constexpr RECT kDefault{10, 20, 810, 620};

std::string Describe(const RECT& r) {
  return "{" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " +
         std::to_string(r.right) + ", " + std::to_string(r.bottom) + "}";
}

::testing::AssertionResult SameRect(const RECT& actual, const RECT& expected) {
  if (EqualRect(&actual, &expected)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "got " << Describe(actual) << ", expected " << Describe(expected);
}

MonitorRecord MonitorWithWorkArea(RECT work) {
  MonitorRecord record;
  record.info.rcWork = work;
  record.info.rcMonitor = work;
  return record;
}

// A plain top-level window of our own, destroyed with the object.
class TestWindow {
public:
  explicit TestWindow(RECT r) {
    handle = CreateWindowExW(0, L"STATIC", L"placement", WS_OVERLAPPEDWINDOW, r.left, r.top,
                             r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  }
  ~TestWindow() {
    if (handle) DestroyWindow(handle);
  }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;
  HWND get() const { return handle; }

private:
  HWND handle = nullptr;
};

class WindowPlacement : public ::testing::Test {
protected:
  void SetUp() override {
    savedIniPath = theIniFile.filePath;
    theIniFile.SetFileName(folder.File(L"Glimmerset.ini"));
    MultiScreen_CL screens;
    screens.Enumerate();
    ASSERT_FALSE(screens.monitors.empty());
    work = screens.monitors[0].info.rcWork;
  }
  void TearDown() override { theIniFile.filePath = savedIniPath; }

  static void Store(const RECT& r) { theIniFile.WriteStruct(kSection, kKey, &r, sizeof(r)); }
  static RECT Load() { return LoadWindowRect(kSection, kKey, kDefault); }

  TempFolder folder;
  std::wstring savedIniPath;
  RECT work{};
};

TEST(MultiScreen, ListsAttachedMonitorsWithPrimaryCopied) {
  MultiScreen_CL screens;
  EXPECT_EQ(screens.primary.info.cbSize, 104u);
  screens.Enumerate();
  screens.Enumerate();  // a second listing replaces the first
  ASSERT_GE(screens.monitors.size(), 1u);
  EXPECT_EQ(screens.monitors.size(), static_cast<size_t>(GetSystemMetrics(SM_CMONITORS)));
  for (const MonitorRecord& m : screens.monitors) {
    EXPECT_NE(m.monitor, nullptr);
    EXPECT_EQ(m.deviceContext, nullptr);
    EXPECT_EQ(m.info.cbSize, 104u);
    EXPECT_FALSE(IsRectEmpty(&m.info.rcWork));
  }
  EXPECT_EQ(screens.primary.info.dwFlags, static_cast<DWORD>(MONITORINFOF_PRIMARY));
  EXPECT_EQ(screens.primary.monitor, MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY));
}

TEST(MultiScreen, FindsFirstWorkAreaHoldingPointLeftAndTopEdgesInside) {
  MultiScreen_CL screens;
  screens.monitors.push_back(MonitorWithWorkArea({0, 0, 1920, 1040}));
  screens.monitors.push_back(MonitorWithWorkArea({-1280, 100, 0, 1124}));
  screens.monitors.push_back(MonitorWithWorkArea({0, 0, 100, 100}));  // overlaps the first

  EXPECT_EQ(screens.FindMonitor(0, 0), 0);
  EXPECT_EQ(screens.FindMonitor(50, 50), 0) << "the first holding monitor wins";
  EXPECT_EQ(screens.FindMonitor(1919, 1039), 0);
  EXPECT_EQ(screens.FindMonitor(1920, 10), -1) << "right edge is outside";
  EXPECT_EQ(screens.FindMonitor(10, 1040), -1) << "bottom edge (taskbar) is outside";
  EXPECT_EQ(screens.FindMonitor(-1280, 100), 1);
  EXPECT_EQ(screens.FindMonitor(-1, 1123), 1);
  EXPECT_EQ(screens.FindMonitor(-1, 99), -1) << "above the left monitor's work area";
  EXPECT_EQ(MultiScreen_CL().FindMonitor(0, 0), -1) << "no monitors at all";
}

TEST_F(WindowPlacement, NormalRectangleComesBackAndSurvivesMinimizeAndMaximize) {
  TestWindow window({work.left + 40, work.top + 30, work.left + 440, work.top + 330});
  ASSERT_NE(window.get(), nullptr);
  RECT normal{};
  GetWindowRect(window.get(), &normal);
  ASSERT_EQ(SaveWindowRect(window.get(), kSection, kKey), 1);
  EXPECT_TRUE(SameRect(Load(), normal));

  ShowWindow(window.get(), SW_MAXIMIZE);
  ASSERT_TRUE(IsZoomed(window.get()));
  EXPECT_EQ(SaveWindowRect(window.get(), kSection, kKey), 0);
  ShowWindow(window.get(), SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(window.get()));
  EXPECT_EQ(SaveWindowRect(window.get(), kSection, kKey), 0);

  EXPECT_TRUE(SameRect(Load(), normal)) << "the last normal rectangle stays";
  EXPECT_EQ(SaveWindowRect(nullptr, kSection, kKey), 0) << "no window, nothing stored";
  EXPECT_TRUE(SameRect(Load(), normal));
}

TEST_F(WindowPlacement, CornerOnNoWorkAreaFallsBackToDefault) {
  const RECT offScreen[] = {
      {-5000, -5000, -4200, -4400},                                  // a monitor since removed
      {20000, 20000, 20800, 20600},                                  // far right and below
      {work.right, work.top, work.right + 800, work.top + 600},      // on the right edge
      {work.left, work.bottom, work.left + 800, work.bottom + 600},  // on the bottom edge
  };
  for (const RECT& r : offScreen) {
    Store(r);
    EXPECT_TRUE(SameRect(Load(), kDefault)) << "stored " << Describe(r);
  }
}

TEST_F(WindowPlacement, CornerInsideWorkAreaIsKeptEvenWhenLargerThanScreen) {
  const RECT atOrigin{work.left, work.top, work.left + 800, work.top + 600};
  Store(atOrigin);
  EXPECT_TRUE(SameRect(Load(), atOrigin));

  const RECT huge{work.left + 5, work.top + 5, work.right + 3000, work.bottom + 2000};
  Store(huge);
  EXPECT_TRUE(SameRect(Load(), huge));

  const RECT lastPixel{work.right - 1, work.bottom - 1, work.right + 799, work.bottom + 599};
  Store(lastPixel);
  EXPECT_TRUE(SameRect(Load(), lastPixel));
}

TEST_F(WindowPlacement, ImplausibleSizeFromHandEditedFileFallsBackToDefault) {
  const RECT garbage[] = {
      {work.left + 10, work.top + 10, work.left + 10, work.top + 400},  // no width
      {work.left + 10, work.top + 10, work.left + 400, work.top + 10},  // no height
      {work.left + 500, work.top + 400, work.left + 100, work.top + 50},  // inverted
      {work.left + 10, work.top + 10, INT_MAX, work.top + 400},           // absurd width
      {work.left + 10, work.top + 10, work.left + 400, INT_MIN},          // absurd height
  };
  for (const RECT& r : garbage) {
    Store(r);
    EXPECT_TRUE(SameRect(Load(), kDefault)) << "stored " << Describe(r);
  }
}

TEST_F(WindowPlacement, MissingOrDamagedValueFallsBackToDefault) {
  EXPECT_TRUE(SameRect(Load(), kDefault)) << "first start: nothing stored";

  theIniFile.WriteString(kSection, kKey, L"garbage");
  EXPECT_TRUE(SameRect(Load(), kDefault));

  const int half[2] = {work.left + 10, work.top + 10};
  theIniFile.WriteStruct(kSection, kKey, half, sizeof(half));
  EXPECT_TRUE(SameRect(Load(), kDefault)) << "a block of the wrong size";

  const RECT good{work.left + 10, work.top + 10, work.left + 400, work.top + 300};
  Store(good);
  std::wstring text = theIniFile.ReadString(kSection, kKey, L"");
  ASSERT_GT(text.size(), 4u);
  text[2] = text[2] == L'0' ? L'1' : L'0';  // a hand edit that misses the checksum
  theIniFile.WriteString(kSection, kKey, text);
  EXPECT_TRUE(SameRect(Load(), kDefault)) << "stored text " << testing::PrintToString(text);
}

}  // namespace
