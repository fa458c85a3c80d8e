#include <gtest/gtest.h>

#include <climits>
#include <initializer_list>
#include <optional>
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
    MONITORINFO primary{};
    primary.cbSize = sizeof(primary);
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &primary);
    const RECT& p = primary.rcWork;
    const LONG left = p.left + (p.right - p.left - 800) / 2;
    const LONG top = p.top + (p.bottom - p.top - 600) / 2;
    centred = RECT{left, top, left + 800, top + 600};
  }
  void TearDown() override { theIniFile.filePath = savedIniPath; }

  static void Store(const RECT& r) { theIniFile.WriteStruct(kSection, kKey, &r, sizeof(r)); }
  static RECT Load() { return LoadWindowRect(kSection, kKey, kDefault); }

  TempFolder folder;
  std::wstring savedIniPath;
  RECT work{};
  RECT centred{};  // the default's size in the middle of the primary monitor's work area
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

// Monitors given by their work areas; the first is the primary one.
MultiScreen_CL Screens(std::initializer_list<RECT> workAreas) {
  MultiScreen_CL screens;
  for (const RECT& work : workAreas) screens.monitors.push_back(MonitorWithWorkArea(work));
  screens.primary = screens.monitors.front();
  screens.primary.info.dwFlags = MONITORINFOF_PRIMARY;
  return screens;
}

RECT Sized(LONG left, LONG top, LONG width, LONG height) { return RECT{left, top, left + width, top + height}; }

TEST(ChooseWindowRect, AWindowLeftAlmostOffTheScreenOpensCentredOnThePrimaryMonitor) {
  const MultiScreen_CL one = Screens({{0, 0, 1280, 994}});  // 1280 x 1024 with a task bar
  const RECT fallback = Sized(10, 20, 800, 600);
  const RECT centred = Sized(240, 197, 800, 600);
  EXPECT_TRUE(SameRect(ChooseWindowRect(Sized(1270, 1010, 800, 600), fallback, one), centred));
  EXPECT_TRUE(SameRect(ChooseWindowRect(Sized(1181, 964, 800, 600), fallback, one), centred))
      << "99 x 30 pixels of title left";
  EXPECT_TRUE(SameRect(ChooseWindowRect(Sized(1180, 965, 800, 600), fallback, one), centred))
      << "100 x 29 pixels of title left";
  EXPECT_TRUE(SameRect(ChooseWindowRect(Sized(-1, 0, 800, 600), fallback, one), centred));
  EXPECT_TRUE(SameRect(ChooseWindowRect(Sized(1180, 964, 800, 600), fallback, one), Sized(1180, 964, 800, 600)))
      << "100 x 30 pixels are enough";
  EXPECT_TRUE(SameRect(ChooseWindowRect(Sized(1230, 974, 50, 20), fallback, one), Sized(1230, 974, 50, 20)))
      << "a window smaller than the grip needs only itself on the screen";
  EXPECT_TRUE(SameRect(ChooseWindowRect(std::nullopt, fallback, one), centred)) << "nothing stored";

  EXPECT_TRUE(SameRect(ChooseWindowRect(std::nullopt, Sized(0, 0, 2000, 1500), one), Sized(0, 0, 2000, 1500)))
      << "a default larger than the screen keeps its title bar on it";
  EXPECT_TRUE(SameRect(ChooseWindowRect(std::nullopt, fallback, MultiScreen_CL()), fallback)) << "no monitors known";
}

TEST(ChooseWindowRect, TheGripMayReachAcrossMonitorsButNotOverAGap) {
  // The primary in the middle, one to its left, a shorter one to its right.
  const MultiScreen_CL three = Screens({{0, 0, 1920, 1040}, {-1280, 0, 0, 1024}, {1920, 200, 3200, 1000}});
  const RECT fallback = Sized(0, 0, 800, 600);
  const RECT centred = Sized(560, 220, 800, 600);
  for (const RECT& kept : {Sized(-1300 + 100, 40, 800, 600), Sized(-50, 10, 800, 600), Sized(1870, 300, 800, 600),
                           Sized(2300, 970, 800, 600)}) {
    EXPECT_TRUE(SameRect(ChooseWindowRect(kept, fallback, three), kept));
  }
  for (const RECT& lost : {Sized(1870, 100, 800, 600),   // half of the grip above the right monitor
                           Sized(2300, 990, 800, 600),   // below the right monitor
                           Sized(-1300, 40, 800, 600),   // left of every monitor
                           Sized(3150, 500, 800, 600)}) {  // off the right edge
    EXPECT_TRUE(SameRect(ChooseWindowRect(lost, fallback, three), centred)) << Describe(lost);
  }

  // With a secondary monitor listed first, the window still goes to the primary one.
  MultiScreen_CL listedLater = Screens({{-1280, 0, 0, 1024}, {0, 0, 1920, 1040}});
  listedLater.primary = listedLater.monitors[1];
  listedLater.primary.info.dwFlags = MONITORINFOF_PRIMARY;
  EXPECT_TRUE(SameRect(ChooseWindowRect(Sized(5000, 10, 800, 600), fallback, listedLater), centred));
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
    EXPECT_TRUE(SameRect(Load(), centred)) << "stored " << Describe(r);
  }
}

TEST_F(WindowPlacement, TitleGripOnTheWorkAreaIsKeptEvenWhenLargerThanScreen) {
  const RECT atOrigin{work.left, work.top, work.left + 800, work.top + 600};
  Store(atOrigin);
  EXPECT_TRUE(SameRect(Load(), atOrigin));

  const RECT huge{work.left + 5, work.top + 5, work.right + 3000, work.bottom + 2000};
  Store(huge);
  EXPECT_TRUE(SameRect(Load(), huge));

  const RECT lastGrip{work.right - 100, work.bottom - 30, work.right + 700, work.bottom + 570};
  Store(lastGrip);
  EXPECT_TRUE(SameRect(Load(), lastGrip));

  const RECT cornerOnly{work.right - 1, work.bottom - 1, work.right + 799, work.bottom + 599};
  Store(cornerOnly);
  EXPECT_TRUE(SameRect(Load(), centred)) << "one pixel on the screen cannot be grabbed";
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
    EXPECT_TRUE(SameRect(Load(), centred)) << "stored " << Describe(r);
  }
}

TEST_F(WindowPlacement, MissingOrDamagedValueFallsBackToDefault) {
  EXPECT_TRUE(SameRect(Load(), centred)) << "first start: nothing stored";

  theIniFile.WriteString(kSection, kKey, L"garbage");
  EXPECT_TRUE(SameRect(Load(), centred));

  const int half[2] = {work.left + 10, work.top + 10};
  theIniFile.WriteStruct(kSection, kKey, half, sizeof(half));
  EXPECT_TRUE(SameRect(Load(), centred)) << "a block of the wrong size";

  const RECT good{work.left + 10, work.top + 10, work.left + 400, work.top + 300};
  Store(good);
  std::wstring text = theIniFile.ReadString(kSection, kKey, L"");
  ASSERT_GT(text.size(), 4u);
  text[2] = text[2] == L'0' ? L'1' : L'0';  // a hand edit that misses the checksum
  theIniFile.WriteString(kSection, kKey, text);
  EXPECT_TRUE(SameRect(Load(), centred)) << "stored text " << testing::PrintToString(text);
}

}  // namespace
