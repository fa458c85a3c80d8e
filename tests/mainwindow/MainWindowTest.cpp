// The main window driven as a user drives it: files dropped, named on the command line,
// thumbnails clicked, photos turned and removed, "変換開始" pressed, with photos made in a
// temporary folder and the settings file and the log there too.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/Inifile.h"
#include "base/LogFile.h"
#include "base/PathHandover.h"
#include "engine/OutputNaming.h"
#include "engine/SaveData.h"
#include "mainwindow/MainMenus.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/MyPictureImage.h"
#include "mainwindow/TabParamSetting.h"
#include "tests/mainwindow/MainWindowHost.h"
#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/ResultsWindow.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPhotos.h"
#include "tests/support/UiStallProbe.h"
#include "toolkit/Button.h"
#include "views/MyPictureListView.h"
#include "mainwindow/MainWindowLinks.h"

namespace {

constexpr Gdiplus::ARGB kRed = 0xFFFF0000;
constexpr Gdiplus::ARGB kBlue = 0xFF0000FF;

// Runs every message waiting for this thread's windows.
void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// Pumps until done() holds or the time is up; answers done().
bool PumpUntil(const std::function<bool()>& done, int milliseconds = 15000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    Pump();
    Sleep(10);
  }
  return true;
}

// The log written so far (UTF-16LE).
std::wstring ReadLog() {
  const std::string bytes = ReadFileBytes(theLog.logPath);
  std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
  std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
  return text;
}

// Counts the queued messages of one kind for window and takes them out of the queue.
int TakeQueued(HWND window, UINT message) {
  int count = 0;
  MSG msg;
  while (PeekMessageW(&msg, window, message, message, PM_REMOVE)) ++count;
  return count;
}

// The drop handle a shell drag would give: DROPFILES followed by the wide paths.
HDROP MakeDrop(const std::vector<std::wstring>& paths) {
  size_t characters = 1;
  for (const std::wstring& path : paths) characters += path.size() + 1;
  const HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + characters * sizeof(wchar_t));
  auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = TRUE;
  auto* at = reinterpret_cast<wchar_t*>(reinterpret_cast<BYTE*>(header) + sizeof(DROPFILES));
  for (const std::wstring& path : paths) {
    std::memcpy(at, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
    at += path.size() + 1;
  }
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

// Answers a dialog of this process from another thread as soon as it shows: `answer` gets
// the dialog's window once.
class DialogAnswerer {
public:
  DialogAnswerer(std::wstring title, std::function<void(HWND)> answer)
      : title(std::move(title)), answer(std::move(answer)) {
    worker = std::thread([this] { Watch(); });
  }
  ~DialogAnswerer() {
    stop = true;
    worker.join();
  }
  DialogAnswerer(const DialogAnswerer&) = delete;
  DialogAnswerer& operator=(const DialogAnswerer&) = delete;

  int Seen() const { return seen; }

private:
  void Watch() {
    while (!stop && seen == 0) {
      const HWND dialog = FindWindowW(L"#32770", title.c_str());
      DWORD process = 0;
      if (dialog != nullptr && GetWindowThreadProcessId(dialog, &process) && process == GetCurrentProcessId() &&
          IsWindowVisible(dialog)) {
        Sleep(100);  // let it finish opening
        answer(dialog);
        ++seen;
      }
      Sleep(20);
    }
  }

  std::wstring title;
  std::function<void(HWND)> answer;
  std::atomic<bool> stop{false};
  std::atomic<int> seen{0};
  std::thread worker;
};

// The texts of a message box's static controls, joined.
std::wstring StaticTexts(HWND dialog) {
  std::wstring text;
  EnumChildWindows(
      dialog,
      [](HWND child, LPARAM lParam) -> BOOL {
        wchar_t name[32] = {};
        GetClassNameW(child, name, 32);
        if (lstrcmpiW(name, L"Static") != 0) return TRUE;
        wchar_t buffer[256] = {};
        GetWindowTextW(child, buffer, 256);
        reinterpret_cast<std::wstring*>(lParam)->append(buffer);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&text));
  return text;
}

// The texts of a combo box's list, in order.
std::vector<std::wstring> ComboTexts(HWND combo) {
  std::vector<std::wstring> texts;
  const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, i, 0);
    if (length < 0) continue;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    texts.push_back(text);
  }
  return texts;
}

class MainWindowTest : public MainWindowHost {
protected:
  // A width x height photo at folder\name (folders made as needed).
  std::wstring Photo(const std::wstring& relative, int width, int height, Gdiplus::ARGB fill = kRed,
                     const GUID& format = kTestFormatJpeg) {
    const std::wstring path = temp.File(relative);
    SHCreateDirectoryExW(nullptr, path.substr(0, path.rfind(L'\\')).c_str(), nullptr);
    GpBitmapPtr bitmap = MakeBitmap(width, height, fill);
    EXPECT_TRUE(SaveAs(bitmap.get(), path, format)) << "cannot write the test photo";
    return path;
  }

  void Drop(const std::vector<std::wstring>& paths) {
    SendMessageW(window->hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(paths)), 0);
    SettleIntake();
  }
  void Command(UINT id) {
    SendMessageW(window->hwnd, WM_COMMAND, id, 0);
  }
  // What a click on a tile sends: the list tells the main window, and selects the tile.
  void ClickTile(int index) {
    window->thumbnailList->ClickItem(index);
    Pump();
  }

  MyPictureListView_CL& List() const { return *window->thumbnailList; }
  MyPictureImage_CL& Preview() const { return *window->preview; }
  int ItemCount() const { return static_cast<int>(window->settings.items.size()); }
  // The preview's picture once the render asked for has come.
  PictureSize PreviewSize() const {
    EXPECT_TRUE(PumpUntil([this] { return !Preview().RenderPending(); })) << "the preview's render never came";
    return SizeOf(Preview().Picture());
  }
  bool ConvertEnabled() const {
    EXPECT_NE(window->links.convertButton, nullptr);
    return window->links.convertButton != nullptr && IsWindowEnabled(window->links.convertButton->hwnd);
  }
};

// ---- opening ----------------------------------------------------------------------------

TEST_F(MainWindowTest, OpensAsSizableTitledWindowWithEmptyStripAndPlaceholder) {
  MainWindow_CL& main = Open();
  ASSERT_NE(main.hwnd, nullptr);
  wchar_t title[64] = {};
  GetWindowTextW(main.hwnd, title, 64);
  EXPECT_STREQ(title, L"Glimmerset");
  const LONG style = GetWindowLongW(main.hwnd, GWL_STYLE);
  EXPECT_EQ(style & WS_THICKFRAME, WS_THICKFRAME);
  EXPECT_EQ(style & WS_MAXIMIZEBOX, WS_MAXIMIZEBOX);
  EXPECT_TRUE(IsWindowVisible(main.hwnd));
  EXPECT_NE(GetMenu(main.hwnd), nullptr);
  EXPECT_NE(GetWindowLongW(main.hwnd, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);

  EXPECT_EQ(window->links.mainWindow, main.hwnd);
  EXPECT_EQ(window->links.previewControl, main.preview.get());
  EXPECT_EQ(window->links.thumbnailList, main.thumbnailList.get());
  EXPECT_EQ(window->settings.currentIndex, -1);
  EXPECT_EQ(List().GetCount(), 0u);
  EXPECT_FALSE(ConvertEnabled());
  EXPECT_EQ(window->windowState.refreshPending, 0) << "the start-up refresh has run";

  // The start-up refresh shows the placeholder picture and saves the settings.
  GpImagePtr placeholder = LoadPicture(PlaceholderPicturePath());
  ASSERT_TRUE(placeholder) << "Glimmerset.jpg belongs beside the executable";
  EXPECT_EQ(PreviewSize().width, SizeOf(placeholder.get()).width);
  EXPECT_EQ(PreviewSize().height, SizeOf(placeholder.get()).height);
  EXPECT_EQ(GetPrivateProfileIntW(L"CONVERT", L"ResizeRadioIndex", -1, iniPath.c_str()), 3u);
  wchar_t stored[512] = {};
  GetPrivateProfileStringW(L"Window", L"WindowRect", L"", stored, 512, iniPath.c_str());
  EXPECT_NE(stored[0], L'\0') << "the placement is saved at the first layout";
}

TEST_F(MainWindowTest, StripKeepsItsHeightAndWindowItsLeastSize) {
  // A strip height from an earlier run is not taken back.
  theIniFile.WriteString(L"Window", L"SpliterRect",
                         L"Root(V), 0, 0, 800, 600, 400, LT(H)  , 0, 0, 800, 200, 300");
  MainWindow_CL& main = Open();
  RECT strip{};
  GetClientRect(List().hwnd, &strip);
  RECT frame{};
  GetWindowRect(List().hwnd, &frame);
  EXPECT_EQ(frame.bottom - frame.top, GetSystemMetrics(SM_CYHSCROLL) + kStripExtraHeight);
  const int tabHostWidth = main.splitter.nodes[static_cast<size_t>(main.splitter.FindNode(L"LT(H)  "))].position;
  EXPECT_EQ(tabHostWidth, 300) << "the tab host keeps its stored width";

  const LayoutMetrics metrics = SubClassDialogBase_CL::ClientLayout(main.hwnd);
  RECT small{100, 100, 150, 130};
  SendMessageW(main.hwnd, WM_SIZING, WMSZ_TOPLEFT, reinterpret_cast<LPARAM>(&small));
  EXPECT_EQ(small.left, 100);
  EXPECT_EQ(small.top, 100);
  EXPECT_EQ(small.right, 100 + 40 * metrics.unitWidth);
  EXPECT_EQ(small.bottom, 100 + kMinimumHeightUnits * metrics.unitHeight);
  RECT large{0, 0, 4000, 3000};
  SendMessageW(main.hwnd, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&large));
  EXPECT_EQ(large.right, 4000);
  EXPECT_EQ(large.bottom, 3000);
}

TEST_F(MainWindowTest, DamagedSettingsFileStillGivesAUsableWindow) {
  theIniFile.WriteString(L"Window", L"WindowRect", L"zz-not-a-block");
  theIniFile.WriteString(L"Window", L"SpliterRect", L"Root(V), 1, 2, 3, 4, -99999, LT(H)  , 0, 0, 0, 0, 99999999");
  theIniFile.WriteInt(L"CONVERT", L"ResizeRadioIndex", 99);
  theIniFile.WriteInt(L"CONVERT", L"OutputImageType", -7);
  theIniFile.WriteInt(L"CONVERT", L"EffectRadioIndex", 42);
  theIniFile.WriteInt(L"CONVERT", L"JpegQuantization", 5000);
  const std::wstring photo = Photo(L"in\\a.jpg", 200, 100);
  MainWindow_CL& main = Open(L"Glimmerset.exe \"" + temp.File(L"in") + L"\"");

  RECT rect{};
  GetWindowRect(main.hwnd, &rect);
  const RECT least = main.DefaultWindowRect();
  EXPECT_GE(rect.right - rect.left, least.right - least.left);
  EXPECT_GE(rect.bottom - rect.top, least.bottom - least.top);
  for (HWND pane : {List().hwnd, Preview().hwnd}) {
    RECT r{};
    GetWindowRect(pane, &r);
    EXPECT_GE(r.right - r.left, 0);
    EXPECT_GE(r.bottom - r.top, 0);
    EXPECT_LE(r.right - r.left, rect.right - rect.left);
  }
  ClickTile(0);
  EXPECT_EQ(window->settings.currentIndex, 0);
  EXPECT_GT(PreviewSize().width, 0) << "the preview renders with the damaged values";
  SendMessageW(main.hwnd, WM_COMMAND, CMD_CONVERT, 0);
  Pump();
  EXPECT_TRUE(FileExists(temp.File(L"in\\Resized\\a.jpg")));
  EXPECT_TRUE(FileExists(photo));
}

TEST_F(MainWindowTest, ChosenTabShowsItsPageOverTheTabDisplayArea) {
  MainWindow_CL& main = Open();
  TabParamSetting_CL& tabs = *main.paramTabs;
  ASSERT_NE(tabs.currentPage, nullptr);
  RECT first{};
  GetWindowRect(tabs.currentPage->hwnd, &first);
  RECT area{};
  GetWindowRect(tabs.hwnd, &area);
  SendMessageW(tabs.hwnd, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  EXPECT_EQ(first.left, area.left);
  EXPECT_EQ(first.top, area.top);
  EXPECT_EQ(first.right, area.right);
  EXPECT_EQ(first.bottom, area.bottom);

  SendMessageW(tabs.hwnd, TCM_SETCURSEL, 2, 0);
  NMHDR change{tabs.hwnd, static_cast<UINT_PTR>(tabs.id), static_cast<UINT>(TCN_SELCHANGE)};
  SendMessageW(main.hwnd, WM_NOTIFY, change.idFrom, reinterpret_cast<LPARAM>(&change));
  EXPECT_EQ(tabs.currentTab, 2);
  RECT shown{};
  GetWindowRect(tabs.currentPage->hwnd, &shown);
  EXPECT_TRUE(EqualRect(&shown, &first)) << "the new page takes the old one's place";
  EXPECT_TRUE(IsWindowVisible(tabs.currentPage->hwnd));

  // A notification from another control with the same code changes nothing.
  NMHDR other{List().hwnd, static_cast<UINT_PTR>(List().id), static_cast<UINT>(TCN_SELCHANGE)};
  SendMessageW(tabs.hwnd, TCM_SETCURSEL, 0, 0);
  SendMessageW(main.hwnd, WM_NOTIFY, other.idFrom, reinterpret_cast<LPARAM>(&other));
  EXPECT_EQ(tabs.currentTab, 2);
}

TEST_F(MainWindowTest, AtTheLeastWindowSizeNoControlOfAnyPageLiesUnderTheStartButton) {
  MainWindow_CL& main = Open();
  TabParamSetting_CL& tabs = *main.paramTabs;
  const RECT least = main.DefaultWindowRect();
  SetWindowPos(main.hwnd, nullptr, 0, 0, least.right - least.left, least.bottom - least.top, SWP_NOZORDER);
  Pump();
  for (int index = 0; index < TabParamSetting_CL::pageCount; ++index) {
    tabs.ShowPage(index);
    Pump();
    RECT button{};
    GetWindowRect(tabs.startButton->hwnd, &button);
    const HWND page = tabs.currentPage->hwnd;
    for (HWND child = GetWindow(page, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
      if (child == tabs.startButton->hwnd) continue;
      RECT r{};
      GetWindowRect(child, &r);
      wchar_t text[128] = {};
      GetWindowTextW(child, text, 128);
      EXPECT_LE(r.bottom, button.top) << "page " << index << ": " << text;
    }
  }
}

TEST_F(MainWindowTest, NewChoicesOfThePagesReachTheSettingsFileAtTheRefresh) {
  MainWindow_CL& main = Open();
  TabParamSetting_CL& tabs = *main.paramTabs;
  const auto stored = [this](const wchar_t* key) {
    return static_cast<int>(GetPrivateProfileIntW(L"CONVERT", key, -12345, iniPath.c_str()));
  };
  ASSERT_EQ(stored(L"NoEnlarge"), 0) << "the start-up refresh saved the defaults";
  ASSERT_EQ(stored(L"KeepMetadata"), 1);

  SendMessageW(tabs.sizePage->typeRadios[4]->hwnd, BM_CLICK, 0, 0);
  EXPECT_EQ(stored(L"OutputImageType"), 4) << "the type is saved at once";
  SendMessageW(tabs.sizePage->noEnlargeCheck->hwnd, BM_CLICK, 0, 0);
  SendMessageW(tabs.savePage->keepMetadataCheck->hwnd, BM_CLICK, 0, 0);
  EXPECT_EQ(window->settings.NoEnlarge, 1);
  EXPECT_EQ(window->settings.KeepMetadata, 0);
  Pump();
  EXPECT_EQ(window->windowState.refreshPending, 0);
  // The refresh saves within a few hundred milliseconds of the last save.
  for (int i = 0; i < 100 && stored(L"NoEnlarge") != 1; ++i) {
    Sleep(10);
    Pump();
  }
  EXPECT_EQ(stored(L"NoEnlarge"), 1);
  EXPECT_EQ(stored(L"KeepMetadata"), 0);

  // A whole set of settings put on every page at once, as a stored set is picked.
  ConvertSettings picked;
  picked.ResizeRadioIndex = SizeChoice::Box320x240;
  picked.outputWidth = 500;
  picked.OutputImageType = kAllPng;
  picked.CropToFill = FitOrFill::Fill;
  picked.globalEffect.EffectRadioIndex = ColourEffect::Sepia;
  picked.SaveDirTypeIndex = OutputPlace::Desktop;
  picked.JpegQualityTypeIndex = QualityMode::TargetSize;
  picked.KeepMetadata = false;
  picked.MakeFolder = L"Web";
  main.ShowSettings(picked);
  EXPECT_TRUE(main.WorkingSettings() == picked) << "showing the boxes' texts changes no choice";
  EXPECT_EQ(tabs.sizePage->sizeChoices[static_cast<size_t>(SizeChoice::Box320x240)].radio->IsChecked(), BST_CHECKED);
  EXPECT_EQ(tabs.sizePage->sizeChoices[static_cast<size_t>(SizeChoice::Box800x600)].radio->IsChecked(), BST_UNCHECKED);
  EXPECT_EQ(tabs.sizePage->typeRadios[kAllPng]->IsChecked(), BST_CHECKED);
  EXPECT_EQ(tabs.sizePage->typeRadios[4]->IsChecked(), BST_UNCHECKED);
  EXPECT_EQ(tabs.sizePage->fillCheck->IsChecked(), BST_CHECKED);
  EXPECT_EQ(tabs.effectPage->allGroup.sepiaRadio->IsChecked(), BST_CHECKED);
  EXPECT_EQ(tabs.savePage->desktopRadio->IsChecked(), BST_CHECKED);
  EXPECT_EQ(tabs.savePage->fileSizeRadio->IsChecked(), BST_CHECKED);
  EXPECT_EQ(tabs.savePage->keepMetadataCheck->IsChecked(), BST_UNCHECKED);
  EXPECT_FALSE(IsWindowEnabled(tabs.savePage->removeGpsCheck->hwnd));
  EXPECT_EQ(tabs.savePage->folderEdit->GetText(), L"Web");
  for (int i = 0; i < 100 && stored(L"OutputImageType") != kAllPng; ++i) {
    Sleep(10);
    Pump();
  }
  EXPECT_EQ(stored(L"CropToFill"), 1) << "the refresh saves what was shown";
}

// A slider dragged through 50 values writes the settings file a few times, never half a file,
// and the last value is on disk once the window has closed.
TEST_F(MainWindowTest, BurstOfChangesWritesTheWholeFileAFewTimesAndTheLastValueAtClose) {
  MainWindow_CL& main = Open();
  Pump();
  const unsigned writesBefore = theIniFile.wholeWrites;
  std::atomic<bool> stop{false};
  std::atomic<int> brokenReads{0};
  std::thread reader([&] {
    while (!stop) {
      const std::string bytes = ReadFileBytes(iniPath);
      if (bytes.empty()) continue;  // not opened: the move was replacing it at that moment
      const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
      const bool whole = text.find(L"notify=1") != std::wstring::npos &&
                         text.find(L"[APP_SETTING]") != std::wstring::npos &&
                         text.find(L"Sharpen=") != std::wstring::npos;
      if (!whole) ++brokenReads;
      Sleep(1);  // a reader, not a lock held on the file without a pause
    }
  });
  for (int value = 1; value <= 50; ++value) {
    window->settings.globalEffect.ValueBriteness = value;
    PostMessageW(main.hwnd, WM_REFRESH_PREVIEW, 0, 0);
    PumpWindowMessages();
    Sleep(20);
  }
  stop = true;
  reader.join();
  const unsigned writes = theIniFile.wholeWrites - writesBefore;
  EXPECT_GE(writes, 1u);
  EXPECT_LE(writes, 8u) << "at most a few writes a second";
  EXPECT_EQ(brokenReads.load(), 0) << "the file on disk always parses whole";
  window.reset();
  EXPECT_EQ(GetPrivateProfileIntW(L"CONVERT", L"ValueBriteness", 0, iniPath.c_str()), 50u);
}

// The window dragged across the screen writes the settings file a few times, not once a
// move; where it was left is on disk after the close, and nothing else in the file changed.
TEST_F(MainWindowTest, MovingTheWindowAHundredTimesWritesTheFileAFewTimesAndItsLastPlaceAtClose) {
  MainWindow_CL& main = Open();
  Sleep(kSaveSettingsIntervalMs);
  Pump();
  const std::string before = ReadFileBytes(iniPath);
  const unsigned writesBefore = theIniFile.wholeWrites;
  RECT start{};
  GetWindowRect(main.hwnd, &start);
  const ULONGLONG began = GetTickCount64();
  for (int step = 1; step <= 100; ++step) {
    SetWindowPos(main.hwnd, nullptr, start.left + step, start.top + step % 9, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Pump();
  }
  const ULONGLONG took = GetTickCount64() - began;
  RECT last{};
  GetWindowRect(main.hwnd, &last);
  window.reset();
  const unsigned writes = theIniFile.wholeWrites - writesBefore;
  EXPECT_GE(writes, 1u) << "the close writes the last place";
  EXPECT_LE(writes, 2 + took / kSaveSettingsIntervalMs) << "one write every " << kSaveSettingsIntervalMs << " ms at most";
  EXPECT_LE(writes, 10u) << "a handful, not one a move; the moves took " << took << " ms";
  RECT stored{};
  EXPECT_TRUE(GetPrivateProfileStructW(L"Window", L"WindowRect", &stored, sizeof(stored), iniPath.c_str()));
  EXPECT_TRUE(EqualRect(&stored, &last)) << stored.left << "," << stored.top;
  const auto lines = [](const std::string& bytes) {
    std::vector<std::wstring> found;
    const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    for (size_t at = 0; at < text.size();) {
      const size_t end = std::min(text.find(L"\r\n", at), text.size());
      found.push_back(text.substr(at, end - at));
      at = end + 2;
    }
    return found;
  };
  const std::vector<std::wstring> old = lines(before), now = lines(ReadFileBytes(iniPath));
  ASSERT_EQ(old.size(), now.size());
  for (size_t i = 0; i < old.size(); ++i) {
    if (old[i].rfind(L"WindowRect=", 0) == 0) continue;
    EXPECT_EQ(old[i], now[i]) << "line " << i;
  }
}

// ---- gathering photos ---------------------------------------------------------------------

TEST_F(MainWindowTest, CommandLineFolderAddsItsPicturesWithoutMakingOneCurrent) {
  Photo(L"set\\top.jpg", 64, 48);
  Photo(L"set\\sub folder\\deep.png", 64, 48, kBlue, kTestFormatPng);
  Photo(L"set\\写真\\日本.bmp", 64, 48, kBlue, kTestFormatBmp);
  WriteFileBytes(temp.File(L"set\\notes.txt"), "not a picture");
  const std::wstring single = Photo(L"single.jpg", 32, 32);
  Open(L"Glimmerset.exe /quiet \"" + temp.File(L"set") + L"\" -x \"" + single + L"\"");

  EXPECT_EQ(ItemCount(), 4);
  EXPECT_EQ(List().GetCount(), 4u);
  EXPECT_EQ(window->settings.items.back().path, single);
  EXPECT_EQ(window->settings.currentIndex, -1);
  EXPECT_EQ(window->settings.CurrentItem(), nullptr);
  EXPECT_TRUE(ConvertEnabled());
  // The thumbnails come from the decode thread as the strip paints.
  WIN32_FILE_ATTRIBUTE_DATA file{};
  ASSERT_TRUE(GetFileAttributesExW(window->settings.items[0].path.c_str(), GetFileExInfoStandard, &file));
  const std::int64_t first = ThumbnailKey(window->settings.items[0].path, 0, file.ftLastWriteTime);
  EXPECT_TRUE(PumpUntil([&] { return List().cache.FindFinished(first) != nullptr && List().decoder.QueuedCount() == 0; }));
}

TEST_F(MainWindowTest, DropReplacesTheListAndLeavesThePreviewAlone) {
  const std::wstring a = Photo(L"a.jpg", 80, 60);
  const std::wstring b = Photo(L"b.jpg", 80, 60);
  const std::wstring c = Photo(L"more\\c.jpg", 80, 60);
  Open(L"Glimmerset.exe \"" + a + L"\" \"" + b + L"\"");
  ClickTile(1);
  ASSERT_EQ(window->settings.currentIndex, 1);

  Drop({temp.File(L"more"), temp.File(L"missing.jpg"), temp.File(L"nothing.txt")});
  ASSERT_EQ(ItemCount(), 1);
  EXPECT_EQ(window->settings.items[0].path, c);
  EXPECT_EQ(List().GetCount(), 1u);
  EXPECT_EQ(window->settings.currentIndex, -1);
  EXPECT_EQ(window->settings.CurrentItem(), nullptr);
  EXPECT_EQ(TakeQueued(window->hwnd, WM_REFRESH_PREVIEW), 0) << "a drop asks for no refresh";

  // A drop on the preview or the strip reaches the main window the same way.
  SendMessageW(Preview().hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({a, b})), 0);
  SettleIntake();
  EXPECT_EQ(ItemCount(), 2);
  SendMessageW(List().hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({c})), 0);
  SettleIntake();
  EXPECT_EQ(ItemCount(), 1);
}

TEST_F(MainWindowTest, HandedOverPathsWaitWhileAModalWindowIsOpenThenJoinTheStripOnce) {
  const std::wstring a = Photo(L"a.jpg", 80, 60);
  const std::wstring b = Photo(L"more\\b.jpg", 80, 60);
  const std::wstring c = Photo(L"more\\deeper\\c.png", 60, 80, kBlue, kTestFormatPng);
  MainWindow_CL& main = Open(L"Glimmerset.exe \"" + a + L"\"");
  ClickTile(0);
  EXPECT_EQ(FindHandoverWindow(), main.hwnd) << "the ready window is the one a second start finds";

  // A job's progress dialog disables the window while its worker goes through the list.
  EnableWindow(main.hwnd, FALSE);
  std::vector<wchar_t> list = PackPathList({temp.File(L"more"), a, b});
  COPYDATASTRUCT data{kPathListTag, static_cast<DWORD>(list.size() * sizeof(wchar_t)), list.data()};
  EXPECT_EQ(SendMessageW(main.hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)), TRUE);
  COPYDATASTRUCT cut = data;
  cut.cbData -= sizeof(wchar_t);  // the list's closing zero is missing
  EXPECT_EQ(SendMessageW(main.hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cut)), FALSE);
  PumpUntil([] { return false; }, 600);
  EXPECT_EQ(ItemCount(), 1) << "nothing joins while the modal window is open";

  EnableWindow(main.hwnd, TRUE);
  ASSERT_TRUE(PumpUntil([&] { return ItemCount() == 3; }, 5000));
  PumpUntil([] { return false; }, 300);
  ASSERT_EQ(ItemCount(), 3) << "a.jpg, already there, and b.jpg, named twice, join once";
  EXPECT_EQ(window->settings.items[0].path, a);
  EXPECT_EQ(window->settings.items[1].path, b);
  EXPECT_EQ(window->settings.items[2].path, c) << "folders are searched with their sub-folders";
  EXPECT_EQ(List().GetCount(), 3u);
  EXPECT_EQ(window->settings.CurrentItem(), &window->settings.items[0]) << "the current photo stays current";
  EXPECT_TRUE(ConvertEnabled());
}

TEST_F(MainWindowTest, DroppedPathLongerThanTheClassicLimitIsRead) {
  std::wstring folder = temp.Path();
  while (folder.size() < 600) {
    folder += L"\\folder_with_a_rather_long_name";
    CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr);
  }
  const std::wstring photo = folder + L"\\p.jpg";
  GpBitmapPtr bitmap = MakeBitmap(16, 16, kRed);
  ASSERT_TRUE(SaveAs(bitmap.get(), L"\\\\?\\" + photo, kTestFormatJpeg));
  Open();
  Drop({folder});
  ASSERT_EQ(ItemCount(), 1);
  EXPECT_NE(window->settings.items[0].path.find(L"folder_with_a_rather_long_name\\p.jpg"), std::wstring::npos);
}

// A tree read slowly, as from a network share: 20 ms for every folder listed.
TEST_F(MainWindowTest, SlowTreeFillsTheStripWhileTheWindowAnswersAndAStopKeepsWhatWasFound) {
  constexpr int kFolders = 60;
  constexpr int kPerFolder = 20;
  const auto tree = [this](const std::wstring& name) {
    for (int folder = 0; folder < kFolders; ++folder) {
      const std::wstring path = temp.File(name + L"\\d" + std::to_wstring(folder));
      SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
      for (int file = 0; file < kPerFolder; ++file) WriteFileBytes(path + L"\\p" + std::to_wstring(file) + L".jpg", "x");
    }
    return temp.File(name);
  };
  const std::wstring first = tree(L"first");
  const std::wstring second = tree(L"second");
  const std::wstring third = temp.File(L"third");
  CreateDirectoryW(third.c_str(), nullptr);
  const std::wstring photo = Photo(L"third\\only.jpg", 40, 30);
  Open();
  window->intake.job.beforeListing = [](const std::wstring&) { Sleep(20); };
  const HWND status = GetDlgItem(window->hwnd, kIntakeStatusLineId);
  ASSERT_NE(status, nullptr);
  EXPECT_FALSE(IsWindowVisible(status));

  UiStallProbe probe(window->hwnd);
  // Dropped twice in a row while the first walk runs: the second replaces the first.
  SendMessageW(window->hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({first})), 0);
  SendMessageW(window->hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({second})), 0);
  EXPECT_TRUE(window->intake.Busy());
  EXPECT_TRUE(IsWindowVisible(status)) << "a status line counts the photos while they are found";
  ASSERT_TRUE(PumpUntil([&] { return ItemCount() >= kPerFolder; }));
  EXPECT_LT(ItemCount(), kFolders * kPerFolder) << "the strip fills as the photos are found";
  EXPECT_EQ(static_cast<int>(List().GetCount()), ItemCount());
  EXPECT_TRUE(ConvertEnabled());
  SettleIntake();
  EXPECT_EQ(ItemCount(), kFolders * kPerFolder);
  for (const PhotoItem& item : window->settings.items) ASSERT_EQ(item.path.rfind(second, 0), 0u) << "only the second drop's";
  EXPECT_FALSE(IsWindowVisible(status));

  // The open dialog's way and a hand-over go through the same walk; Esc stops it.
  std::vector<wchar_t> list = PackPathList({first, third});
  COPYDATASTRUCT data{kPathListTag, static_cast<DWORD>(list.size() * sizeof(wchar_t)), list.data()};
  SendMessageW(window->hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
  ASSERT_TRUE(PumpUntil([&] { return ItemCount() >= kFolders * kPerFolder + kPerFolder; }));
  wchar_t text[128] = {};
  GetWindowTextW(status, text, 128);
  EXPECT_NE(std::wstring(text).find(L"枚"), std::wstring::npos) << text;
  Command(IDCANCEL);
  SettleIntake();
  const int kept = ItemCount();
  EXPECT_GT(kept, kFolders * kPerFolder) << "what was found before the stop stays";
  EXPECT_LT(kept, 2 * kFolders * kPerFolder) << "the walk stopped";
  EXPECT_EQ(window->settings.items.back().path.find(L"only.jpg"), std::wstring::npos) << "the rest of the request is not walked";
  EXPECT_EQ(static_cast<int>(List().GetCount()), kept);
  EXPECT_FALSE(IsWindowVisible(status));

  const ULONGLONG stall = probe.Stop();
  EXPECT_GT(probe.Probes(), 10);
  EXPECT_LT(stall, 120u) << "the window answers every message within 120 ms while the tree is read";
  EXPECT_NE(ReadLog().find(L"写真の検索を中止しました"), std::wstring::npos);

  // Closed while a walk runs: the walk ends with the window, and what it had posted goes too.
  SendMessageW(window->hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({first})), 0);
  ASSERT_TRUE(PumpUntil([&] { return ItemCount() > 0; }));
  Sleep(300);
  const int found = ItemCount();
  window.reset();
  // What the walk had posted is refused with the window's list, never run after it.
  PumpWindowMessages();
  EXPECT_LT(found, kFolders * kPerFolder);
}

// ---- the current photo -------------------------------------------------------------------

TEST_F(MainWindowTest, ClickedTileBecomesCurrentAndIsPreviewedConverted) {
  const std::wstring wide = Photo(L"wide.jpg", 640, 320);
  const std::wstring tall = Photo(L"tall.jpg", 300, 600, kBlue);
  Open(L"Glimmerset.exe \"" + wide + L"\" \"" + tall + L"\"");
  window->settings.ResizeRadioIndex = SizeChoice::Box320x240;  // the 320 x 240 box

  ClickTile(1);
  EXPECT_EQ(window->settings.currentIndex, 1);
  EXPECT_EQ(window->settings.CurrentItem(), &window->settings.items[1]);
  EXPECT_EQ(PreviewSize().width, 120);
  EXPECT_EQ(PreviewSize().height, 240);

  // A click asks for its refresh even while another one is pending.
  window->windowState.refreshPending = true;
  ClickTile(0);
  EXPECT_EQ(window->settings.currentIndex, 0);
  EXPECT_EQ(PreviewSize().width, 320);
  EXPECT_EQ(PreviewSize().height, 160);
  EXPECT_EQ(window->windowState.refreshPending, 0);

  // A current index that points past the list (the list shrank) shows the placeholder.
  window->settings.currentIndex = 7;
  SendMessageW(window->hwnd, WM_REFRESH_PREVIEW, 0, 0);
  EXPECT_EQ(window->settings.CurrentItem(), nullptr);
  GpImagePtr placeholder = LoadPicture(PlaceholderPicturePath());
  EXPECT_EQ(PreviewSize().width, SizeOf(placeholder.get()).width);
}

TEST_F(MainWindowTest, RotationTurnsTheAnchorPhotoAndAsksForOneRefresh) {
  const std::wstring a = Photo(L"a.jpg", 200, 100);
  const std::wstring b = Photo(L"b.jpg", 200, 100);
  Open(L"Glimmerset.exe \"" + a + L"\" \"" + b + L"\"");
  window->settings.ResizeRadioIndex = SizeChoice::Box320x240;  // 320 x 240

  // No anchor yet: nothing turns.
  Command(CMD_ROTATE_RIGHT);
  EXPECT_EQ(window->settings.items[0].rotation, 0);
  EXPECT_EQ(window->settings.items[1].rotation, 0);

  ClickTile(1);
  Command(CMD_ROTATE_LEFT);
  Command(CMD_ROTATE_LEFT);
  EXPECT_EQ(window->settings.items[1].rotation, 2);
  EXPECT_EQ(TakeQueued(window->hwnd, WM_REFRESH_PREVIEW), 1) << "two quick turns, one refresh";
  window->windowState.refreshPending = false;
  Command(CMD_ROTATE_LEFT);
  Command(CMD_ROTATE_RIGHT);
  Command(CMD_ROTATE_RIGHT);
  Command(CMD_ROTATE_RIGHT);
  EXPECT_EQ(window->settings.items[1].rotation, 0) << "left from 0 gives 3 and right from 3 gives 0";
  Command(CMD_ROTATE_RIGHT);
  Pump();
  EXPECT_EQ(window->settings.items[0].rotation, 0);
  EXPECT_EQ(PreviewSize().width, 120) << "the preview shows the turned photo";
  EXPECT_EQ(PreviewSize().height, 240);

  // A hand-made rotation outside 0..3 still ends up a quarter turn.
  window->settings.items[1].rotation = 9;
  Command(CMD_ROTATE_RIGHT);
  EXPECT_EQ(window->settings.items[1].rotation, 2);

  // Ids without an entry in the command table do nothing.
  for (UINT id : {1u, 2u, 169u, 171u, 179u, 183u, 189u, 194u}) Command(id);
  EXPECT_EQ(window->settings.items[1].rotation, 2);
  EXPECT_EQ(ItemCount(), 2);

  // The anchor outlives a drop that shortened the list: no turn then.
  Drop({a});
  ASSERT_EQ(List().GetAnchor(), 1);
  Command(CMD_ROTATE_RIGHT);
  EXPECT_EQ(window->settings.items[0].rotation, 0);
}

TEST_F(MainWindowTest, RemovingSelectedPhotosMovesTheCurrentOneBelowThem) {
  std::wstring commandLine = L"Glimmerset.exe";
  for (int i = 0; i < 5; ++i) commandLine += L" \"" + Photo(L"p" + std::to_wstring(i) + L".jpg", 40, 30) + L"\"";
  Open(commandLine);
  ASSERT_EQ(ItemCount(), 5);

  List().SetSelected(2, kSelectSet);
  List().SetSelected(3, kSelectSet);
  Command(CMD_REMOVE_ITEM);
  Pump();
  ASSERT_EQ(ItemCount(), 3);
  EXPECT_EQ(window->settings.items[2].path, temp.File(L"p4.jpg"));
  EXPECT_EQ(window->settings.currentIndex, 1) << "the photo just below the lowest removed one";
  EXPECT_EQ(window->settings.CurrentItem(), &window->settings.items[1]);
  EXPECT_EQ(List().GetCount(), 3u);
  EXPECT_EQ(List().selectedCount, 1u);
  EXPECT_EQ(List().IsSelected(1), 1) << "the photo made current is selected: a second Delete takes it";

  List().SelectAll(kSelectClear);
  List().SetSelected(0, kSelectSet);
  List().SetSelected(2, kSelectSet);
  Command(CMD_REMOVE_ITEM);
  Pump();
  ASSERT_EQ(ItemCount(), 1);
  EXPECT_EQ(window->settings.items[0].path, temp.File(L"p1.jpg"));
  EXPECT_EQ(window->settings.currentIndex, 0);

  // Removing the last photo leaves none current and shows the placeholder.
  List().SetSelected(0, kSelectSet);
  Command(CMD_REMOVE_ITEM);
  Pump();
  EXPECT_EQ(ItemCount(), 0);
  EXPECT_EQ(window->settings.currentIndex, -1);
  EXPECT_EQ(window->settings.CurrentItem(), nullptr);
  GpImagePtr placeholder = LoadPicture(PlaceholderPicturePath());
  EXPECT_EQ(PreviewSize().width, SizeOf(placeholder.get()).width);
  EXPECT_FALSE(ConvertEnabled());

  // Nothing selected: nothing goes.
  Command(CMD_REMOVE_ITEM);
  Pump();
  EXPECT_EQ(ItemCount(), 0);
}

TEST_F(MainWindowTest, OpenedFilesAreAddedAndTheFirstPhotoBecomesCurrent) {
  const std::wstring a = Photo(L"a.jpg", 80, 60);
  const std::wstring b = Photo(L"b.jpg", 60, 80);
  Open(L"Glimmerset.exe \"" + a + L"\"");
  {
    std::vector<std::wstring> types;
    DialogAnswerer cancel(kOpenDialogTitle, [&types](HWND dialog) {
      types = ComboTexts(GetDlgItem(dialog, cmb1));
      PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    Command(CMD_OPEN);
    EXPECT_EQ(cancel.Seen(), 1);
    ASSERT_EQ(types.size(), 2u) << "the photos, or every file";
    EXPECT_EQ(types[0],
              L"写真ファイル (*.jpg;*.jpeg;*.png;*.bmp;*.dib;*.gif;*.tif;*.tiff;*.webp;*.avif;*.heic;*.heif;*.hif)");
    EXPECT_EQ(types[1], L"すべてのファイル (*.*)");
  }
  EXPECT_EQ(ItemCount(), 1);
  EXPECT_EQ(window->settings.currentIndex, -1) << "a cancelled dialog changes nothing";

  {
    DialogAnswerer choose(kOpenDialogTitle, [&b](HWND dialog) {
      SendMessageW(dialog, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(b.c_str()));
      PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    Command(CMD_OPEN);
    EXPECT_EQ(choose.Seen(), 1);
  }
  SettleIntake();
  ASSERT_EQ(ItemCount(), 2) << "opening adds to the list";
  EXPECT_EQ(window->settings.items[1].path, b);
  EXPECT_EQ(List().GetCount(), 2u);
  EXPECT_EQ(window->settings.currentIndex, 0);
  EXPECT_EQ(window->settings.CurrentItem(), &window->settings.items[0]);
}

// ---- conversion -------------------------------------------------------------------------

TEST_F(MainWindowTest, ConvertWritesEveryPhotoAndOpensTheFirstOutputFolder) {
  Photo(L"photos\\a.jpg", 400, 300);
  Photo(L"photos\\b.png", 300, 400, kBlue, kTestFormatPng);
  Photo(L"photos\\sub\\c.bmp", 100, 50, kRed, kTestFormatBmp);
  WriteFileBytes(temp.File(L"photos\\broken.jpg"), "\xFF\xD8 this is not a JPEG");
  MainWindow_CL& main = Open(L"Glimmerset.exe \"" + temp.File(L"photos") + L"\"");
  ASSERT_EQ(ItemCount(), 4);
  window->settings.ResizeRadioIndex = SizeChoice::Custom;
  window->settings.outputWidth = 200;
  window->settings.outputHeight = 200;
  window->settings.SaveDirTypeIndex = OutputPlace::BesideSource;
  window->settings.MakeFolder = L"Resized";
  window->settings.CheckAddFileNameTop = true;
  window->settings.ValueAddFileNameTop = L"s_";
  window->settings.OutputImageType = kKeepSourceType;

  // broken.jpg is not written: the results window names it. It is read and closed from a
  // helper thread while the convert command waits for it.
  std::future<std::wstring> shown = std::async(std::launch::async, ReadAndCloseResultsWindow, 30000);
  SendMessageW(main.hwnd, WM_COMMAND, CMD_CONVERT, 0);
  Pump();
  EXPECT_NE(shown.get().find(L"broken.jpg : 読み込めない写真"), std::wstring::npos);

  const std::wstring out = temp.File(L"photos\\Resized\\");
  GpImagePtr a = LoadPicture(out + L"s_a.jpg");
  GpImagePtr b = LoadPicture(out + L"s_b.png");
  GpImagePtr c = LoadPicture(temp.File(L"photos\\sub\\Resized\\s_c.bmp"));
  ASSERT_TRUE(a && b && c);
  EXPECT_EQ(SizeOf(a.get()).width, 200);
  EXPECT_EQ(SizeOf(a.get()).height, 150);
  EXPECT_EQ(SizeOf(b.get()).width, 150);
  EXPECT_EQ(SizeOf(b.get()).height, 200);
  EXPECT_EQ(SizeOf(c.get()).width, 200);
  EXPECT_FALSE(FileExists(out + L"s_broken.jpg")) << "an unreadable photo gives no output";
  ASSERT_EQ(openedFolders.size(), 1u);
  EXPECT_EQ(openedFolders[0], temp.File(L"photos\\Resized"));
  EXPECT_TRUE(IsWindowEnabled(main.hwnd)) << "the progress dialog has gone";
}

TEST_F(MainWindowTest, SettingsThatWouldWriteOverEveryPhotoDoNotStartAndSayWhatToChange) {
  const std::wstring photo = Photo(L"keep\\same.jpg", 400, 300);
  const std::string before = ReadFileBytes(photo);
  MainWindow_CL& main = Open(L"Glimmerset.exe \"" + photo + L"\"");
  window->settings.ResizeRadioIndex = SizeChoice::Box80x60;  // 80 x 60
  window->settings.SaveDirTypeIndex = OutputPlace::BesideSource;
  window->settings.MakeFolder = L"";
  window->settings.CheckAddFileNameTop = false;
  window->settings.CheckAddFileNameBottom = false;
  window->settings.OutputImageType = kKeepSourceType;
  std::wstring text;
  {
    DialogAnswerer answerer(kOverwriteSourcesCaption, [&text](HWND box) {
      text = StaticTexts(box);
      PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    SendMessageW(main.hwnd, WM_COMMAND, CMD_CONVERT, 0);
    EXPECT_EQ(answerer.Seen(), 1);
  }
  Pump();
  EXPECT_EQ(text, OverwriteSourcesText());
  EXPECT_EQ(ReadFileBytes(photo), before);
  EXPECT_TRUE(openedFolders.empty()) << "no conversion ran";
}

TEST_F(MainWindowTest, SizeBelowTwoPixelsIsRefusedWhateverTheSizeChoice) {
  const std::wstring photo = Photo(L"p\\a.jpg", 40, 30);
  MainWindow_CL& main = Open(L"Glimmerset.exe \"" + photo + L"\"");
  window->settings.ResizeRadioIndex = SizeChoice::Keep;
  window->settings.outputWidth = 1;
  std::wstring text;
  {
    DialogAnswerer answerer(kTooSmallCaption, [&text](HWND box) {
      text = StaticTexts(box);
      PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    SendMessageW(main.hwnd, WM_COMMAND, CMD_CONVERT, 0);
    EXPECT_EQ(answerer.Seen(), 1);
  }
  EXPECT_EQ(text, kTooSmallText);
  EXPECT_FALSE(FileExists(temp.File(L"p\\Resized")));
  EXPECT_TRUE(openedFolders.empty());
  EXPECT_EQ(window->settings.outputWidth, 1) << "the parameters stay as they are";
}

// ---- running as the program does ---------------------------------------------------------

TEST_F(MainWindowTest, ModalRunEndsOnClose) {
  MainWindow_CL main;
  main.commandLineText = L"Glimmerset.exe";
  std::thread closer([&main] {
    for (int i = 0; i < 1500; ++i) {
      const HWND target = main.links.mainWindow;
      if (target != nullptr && IsWindowVisible(target)) {
        PostMessageW(target, WM_CLOSE, 0, 0);
        return;
      }
      Sleep(10);
    }
  });
  const INT_PTR result = main.RunModal(0, 0, nullptr);
  closer.join();
  EXPECT_EQ(result, 0);
  MSG quit;  // the quit message the close posts must not end a later test's dialog
  PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  EXPECT_FALSE(IsWindow(main.hwnd));
}

// A network that takes the connection and never answers (a captive portal, a dead proxy)
// neither holds the window back nor its close, and the fetch that ends after the close writes
// nothing to the log; an answer that does come is acted on.
TEST_F(MainWindowTest, UpdateCheckHoldsUpNeitherTheWindowNorItsCloseAndLogsNothingAfterIt) {
  const auto versionFile = [](const std::string& version) {
    std::string body = version;
    body.resize(9, '\0');
    return LoopbackHttpServer::Response(200, "OK", body + "https://www.glimmerset.example/\r\n");
  };
  theIniFile.WriteInt(L"VERSION", L"notify", 0);
  DWORD fetchTimeoutMs = UpdateCheck_CL::kFetchTimeoutMs;
  const auto open = [this, &fetchTimeoutMs](unsigned short port) {
    window = std::make_unique<MainWindow_CL>();
    window->commandLineText = L"Glimmerset.exe";
    window->updateQuestions.endpoint = UpdateEndpoint::PlainLoopback(port);
    window->updateQuestions.timeoutMs = fetchTimeoutMs;
    const ULONGLONG start = GetTickCount64();
    EXPECT_NE(window->CreateModeless(nullptr), nullptr);
    EXPECT_TRUE(IsWindowVisible(window->hwnd));
    return GetTickCount64() - start;
  };
  const auto pumpUntil = [](const std::function<bool()>& done) {
    for (int i = 0; i < 500 && !done(); ++i) {
      PumpWindowMessages();
      Sleep(10);
    }
    return done();
  };
  const auto closeTime = [this] {
    const ULONGLONG closing = GetTickCount64();
    window.reset();
    return GetTickCount64() - closing;
  };
  theIniFile.WriteInt(L"VERSION", L"notify", 1);
  open(LoopbackHttpServer::ClosedPort());
  const ULONGLONG closeWithoutCheck = closeTime();
  theIniFile.WriteInt(L"VERSION", L"notify", 0);
  {
    LoopbackHttpServer silent(versionFile("1.0.8"));
    silent.SetReplyDelay(600000);
    // The fetch gives up, and writes why to its log, a good while after the window has gone.
    fetchTimeoutMs = static_cast<DWORD>(closeWithoutCheck + 1500);
    EXPECT_LT(open(silent.Port()), 1000u) << "shown at once";
    ASSERT_TRUE(pumpUntil([&] { return silent.Connections() == 1; }));
    const ULONGLONG asked = GetTickCount64();
    // The close's own work (the panes' workers) is the same with or without a check.
    EXPECT_LT(closeTime(), closeWithoutCheck + 500) << "the close does not wait for the network";
    // The program's log is gone with the window: nothing may be written to it any more.
    theLog.logPath = temp.File(L"after-close.txt");
    const ULONGLONG givenUp = asked + fetchTimeoutMs + 1000;
    if (GetTickCount64() < givenUp) Sleep(static_cast<DWORD>(givenUp - GetTickCount64()));
    EXPECT_FALSE(FileExists(temp.File(L"after-close.txt"))) << "the fetch wrote to the log after the close";
    theLog.logPath = temp.File(L"log.txt");
  }
  fetchTimeoutMs = UpdateCheck_CL::kFetchTimeoutMs;
  // A current version arrives while the window is open: done for the day.
  LoopbackHttpServer current(versionFile(GLIMMER_VERSION_TEXT));
  current.SetReplyDelay(300);
  open(current.Port());
  EXPECT_TRUE(pumpUntil([this] { return GetPrivateProfileIntW(L"VERSION", L"last_date", 0, iniPath.c_str()) != 0; }));
  window.reset();
}

// ---- the preview's bar --------------------------------------------------------------------

TEST_F(MainWindowTest, PreviewBarSwitchesAndStoresTheModeComparesUntilEscAndWeighsThePhoto) {
  theIniFile.WriteInt(L"CONVERT", L"PreviewFit", 1);
  const std::wstring photo = Photo(L"p.jpg", 200, 100);
  MainWindow_CL& main = Open(L"Glimmerset.exe \"" + photo + L"\"");
  const PreviewBar_CL& bar = main.previewBar;
  const auto stored = [this] { return static_cast<int>(GetPrivateProfileIntW(L"CONVERT", L"PreviewFit", -1, iniPath.c_str())); };
  const auto checked = [](const Button_CL& button) { return SendMessageW(button.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED; };
  EXPECT_EQ(Preview().displayMode, kDisplayFit) << "the stored mode";
  EXPECT_TRUE(checked(bar.fitButton) && !checked(bar.actualSizeButton) && !checked(bar.compareButton));

  // The picture lies between the buttons' row and the weight line.
  RECT buttons{}, picture{}, line{};
  GetWindowRect(bar.compareButton.hwnd, &buttons);
  GetWindowRect(Preview().hwnd, &picture);
  GetWindowRect(bar.weightLine.hwnd, &line);
  EXPECT_LE(buttons.bottom, picture.top);
  EXPECT_LE(picture.bottom, line.top);
  EXPECT_GT(picture.bottom - picture.top, 100);

  Command(kPreviewActualSizeCommand);
  EXPECT_EQ(Preview().displayMode, kDisplayActualSize);
  EXPECT_EQ(stored(), 0);
  EXPECT_TRUE(!checked(bar.fitButton) && checked(bar.actualSizeButton));
  SendMessageW(Preview().hwnd, WM_LBUTTONDBLCLK, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(Preview().displayMode, kDisplayFit);
  EXPECT_EQ(stored(), 1);
  EXPECT_TRUE(checked(bar.fitButton) && !checked(bar.actualSizeButton));

  ClickTile(0);
  ASSERT_EQ(PreviewSize().width, 800);
  const std::wstring weight = Preview().WeightText();
  wchar_t text[256] = {};
  GetWindowTextW(bar.weightLine.hwnd, text, 256);
  EXPECT_NE(std::wstring(text).find(L"800×400"), std::wstring::npos) << "in one row or two";
  EXPECT_EQ(weight.rfind(L"元 200×100・", 0), 0u) << testing::PrintToString(weight);
  EXPECT_NE(weight.find(L" → 800×400・"), std::wstring::npos) << testing::PrintToString(weight);
  EXPECT_NE(weight.find(L" (JPEG 品質80)"), std::wstring::npos) << testing::PrintToString(weight);

  // The compare view renders the photo before conversion; Esc or the toggle end it.
  Command(kPreviewCompareCommand);
  EXPECT_TRUE(Preview().compare && checked(bar.compareButton));
  EXPECT_TRUE(PumpUntil([this] { return Preview().Comparing(); })) << "the original never came";
  Command(IDCANCEL);
  EXPECT_FALSE(Preview().compare || checked(bar.compareButton));
  EXPECT_TRUE(IsWindow(main.hwnd)) << "Esc ends the compare view, not the program";
  Command(kPreviewCompareCommand);
  Command(kPreviewCompareCommand);
  EXPECT_FALSE(Preview().compare || checked(bar.compareButton));
  Pump();
}

}  // namespace
