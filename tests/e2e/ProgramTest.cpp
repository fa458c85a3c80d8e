// The real Glimmerset.exe, started beside this test program in the same Wine prefix and
// driven from outside by messages to its windows. Before every start the settings file is
// written fresh, with the update check switched off, so nothing leaves the machine.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include "tests/e2e/E2eSupport.h"
#include "tests/support/ResultsWindow.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPhotos.h"
#include "tools/drive/DriveKit.h"

namespace {

constexpr DWORD kStartMs = 30000;
constexpr DWORD kConvertMs = 60000;
constexpr DWORD kExitMs = 15000;
constexpr DWORD kShellWindowMs = 15000;
constexpr DWORD kStripGrey = 0xC8C8C8;
constexpr wchar_t kBanner[] = L"★★★★★ アプリ起動 ★★★★★";
constexpr wchar_t kAlreadyRunning[] = L"多重起動チェックで既に起動中でした。";

using e2e::DocumentsFolder;
using e2e::Lines;
using e2e::PrivateDocuments;
using e2e::ProgramPath;
using e2e::ReadUtf16;
using e2e::WriteUtf16;

// The text after the "yyyy/mm/dd hh:mm:ss.mmm : " prefix, or the whole line without one.
std::wstring Message(const std::wstring& line) {
  const size_t mark = line.find(L" : ");
  return mark == 23 ? line.substr(mark + 3) : line;
}

// Number of pixels at which two captures of the same window differ by more than tolerance.
size_t Differences(const drive::Capture& a, const drive::Capture& b, int tolerance) {
  if (a.width != b.width || a.height != b.height) return a.pixels.size() + b.pixels.size();
  size_t count = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) {
    for (int shift = 0; shift <= 16; shift += 8) {
      const int x = static_cast<int>((a.pixels[i] >> shift) & 0xFF);
      const int y = static_cast<int>((b.pixels[i] >> shift) & 0xFF);
      if (x - y > tolerance || y - x > tolerance) {
        ++count;
        break;
      }
    }
  }
  return count;
}

bool IsJpeg(const std::string& b) { return b.size() > 3 && b.compare(0, 3, "\xFF\xD8\xFF") == 0; }
bool IsPng(const std::string& b) { return b.size() > 8 && b.compare(0, 8, "\x89PNG\r\n\x1A\n") == 0; }
bool IsBmp(const std::string& b) { return b.size() > 2 && b.compare(0, 2, "BM") == 0; }

std::wstring IniString(const std::wstring& ini, const wchar_t* section, const wchar_t* key) {
  wchar_t value[512] = {};
  GetPrivateProfileStringW(section, key, L"<missing>", value, 512, ini.c_str());
  return value;
}

bool WritePhoto(const std::wstring& path, int width, int height, Gdiplus::ARGB fill, const GUID& format) {
  const GpBitmapPtr bitmap = MakeBitmap(width, height, fill);
  PaintRect(bitmap.get(), width / 4, height / 4, width / 2, height / 2, 0xFF2060C0);
  return SaveAs(bitmap.get(), path, format);
}

class ProgramTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(DocumentsFolder(), documents.Path()) << "the Documents folder could not be moved for the test";
    dataFolder = DocumentsFolder() + L"\\Glimmerset";
    iniPath = dataFolder + L"\\Glimmerset.ini";
    logPath = dataFolder + L"\\log.txt";
    CreateDirectoryW(dataFolder.c_str(), nullptr);
    DeleteFileW(logPath.c_str());
    ASSERT_TRUE(FileExists(ProgramPath())) << "Glimmerset.exe is built beside this test";
  }

  void TearDown() override {
    for (drive::Program* program : {&first, &second}) {
      if (program->process) drive::Close(*program, kExitMs);
    }
    drive::CloseWindowsAndProcesses(drive::NewShellWindows(processesAtStart), 3000);
  }

  // A settings file with the update check off, the 320 x 240 box and these extra lines.
  void PrepareIni(const std::wstring& convertLines = L"") {
    const std::wstring text = L"[VERSION]\r\nnotify=1\r\n[CONVERT]\r\nResizeRadioIndex=6\r\n" + convertLines;
    ASSERT_TRUE(WriteUtf16(iniPath, text));
  }

  HWND StartProgram(drive::Program& program, const std::vector<std::wstring>& arguments = {}) {
    if (processesAtStart.empty()) processesAtStart = drive::ProcessIds();
    if (!drive::Start(ProgramPath(), arguments, program)) return nullptr;
    return drive::WaitForMainWindow(program.threadId, kStartMs);
  }

  // Waits until the strip, captured from the screen, satisfies test.
  static bool StripSettles(HWND main, const std::function<bool(const drive::Capture&)>& test) {
    return drive::WaitUntil([&] { return test(drive::CaptureWindow(drive::StripWindow(main))); }, 10000);
  }

  const TempFolder documents;
  const PrivateDocuments privateDocuments{documents.Path()};
  std::wstring dataFolder;
  std::wstring iniPath;
  std::wstring logPath;
  drive::Program first;
  drive::Program second;
  std::vector<DWORD> processesAtStart;
};

TEST_F(ProgramTest, StartsEmptyWithThePlaceholderAndTheStartButtonOff) {
  PrepareIni();
  const HWND main = StartProgram(first);
  ASSERT_NE(main, nullptr) << "no main window";

  const HWND button = drive::FindDescendant(main, drive::kConvertButtonText, L"Button");
  ASSERT_NE(button, nullptr) << "no \"変換開始\" button";
  EXPECT_FALSE(IsWindowEnabled(button));

  ASSERT_NE(drive::StripWindow(main), nullptr);
  EXPECT_TRUE(StripSettles(main, [](const drive::Capture& c) {
    return !c.pixels.empty() && drive::PixelsNotNear(c, kStripGrey, 8) < c.pixels.size() / 50;
  })) << "the empty strip is plain grey";
  // The placeholder picture is a picture, not an empty pane.
  const HWND preview = drive::PreviewWindow(main);
  ASSERT_NE(preview, nullptr);
  EXPECT_TRUE(drive::WaitUntil(
      [&] {
        const drive::Capture c = drive::CaptureWindow(preview);
        return !c.pixels.empty() && drive::PixelsNotNear(c, c.At(0, 0), 16) > c.pixels.size() / 20;
      },
      10000));

  EXPECT_TRUE(drive::Close(first, kExitMs)) << "WM_CLOSE ends the program";
  EXPECT_EQ(drive::WaitForExit(first, 0), 0u);
}

TEST_F(ProgramTest, ConvertsAFolderFromTheCommandLineAndKeepsTheSettings) {
  const TempFolder temp;
  const std::wstring root = temp.File(L"photos");
  const std::wstring spaced = root + L"\\sub dir";
  const std::wstring japanese = root + L"\\写真";
  const std::wstring deep = japanese + L"\\深い";
  for (const std::wstring& folder : {root, spaced, japanese, deep}) CreateDirectoryW(folder.c_str(), nullptr);
  ASSERT_TRUE(WritePhoto(root + L"\\a.jpg", 640, 480, 0xFFE0A040, kTestFormatJpeg));
  ASSERT_TRUE(WritePhoto(spaced + L"\\b c.png", 300, 400, 0xFF40A060, kTestFormatPng));
  ASSERT_TRUE(WritePhoto(japanese + L"\\夕日.bmp", 200, 100, 0xFFC04040, kTestFormatBmp));
  ASSERT_TRUE(WritePhoto(deep + L"\\d.tif", 100, 100, 0xFF808080, kTestFormatTiff));
  ASSERT_TRUE(WriteFileBytes(root + L"\\broken.jpg", std::string("\xFF\xD8\xFF\xE0 not a photo at all", 24)));
  ASSERT_TRUE(WriteFileBytes(root + L"\\notes.txt", "not a photo"));

  PrepareIni(L"CheckAddFileNameTop=1\r\nValueAddFileNameTop=s_\r\n");
  const HWND main = StartProgram(first, {root});
  ASSERT_NE(main, nullptr) << "no main window";
  const HWND button = drive::FindDescendant(main, drive::kConvertButtonText, L"Button");
  if (button != nullptr) {
    // The photos join as the folders are read, just after the window shows.
    EXPECT_TRUE(drive::WaitUntil([&] { return IsWindowEnabled(button) != 0; }, 10000))
        << "photos in the list enable \"変換開始\"";
  }
  // Thumbnails arrive in the strip.
  EXPECT_TRUE(StripSettles(main, [](const drive::Capture& c) {
    return !c.pixels.empty() && drive::PixelsNotNear(c, kStripGrey, 8) > c.pixels.size() / 20;
  }));

  // broken.jpg is not written: a results window names it with its reason. It is read and
  // closed from here while the conversion call waits.
  std::future<std::wstring> results = std::async(std::launch::async, ReadAndCloseResultsWindow, kConvertMs);
  ASSERT_TRUE(drive::ConvertAll(main, kConvertMs)) << "the conversion did not finish in time";
  const std::wstring shown = results.get();
  EXPECT_NE(shown.find(L"broken.jpg : 読み込めない写真"), std::wstring::npos) << "the results window names the photo";
  // The first photo's output folder is opened with the shell: under Wine a new explorer.exe
  // with a folder window, which is closed again here so that nothing is left behind.
  std::vector<HWND> shellWindows;
  EXPECT_TRUE(drive::WaitUntil([&] { return !(shellWindows = drive::NewShellWindows(processesAtStart)).empty(); },
                               kShellWindowMs))
      << "no folder window opened";
  if (!shellWindows.empty()) {
    EXPECT_EQ(drive::WindowText(shellWindows.front()), L"Resized");
    EXPECT_EQ(drive::CloseWindowsAndProcesses(shellWindows, kExitMs), 0) << "the folder window ends with WM_CLOSE";
  }

  struct Expected {
    std::wstring path;
    bool (*type)(const std::string&);
    int width;
    int height;
  };
  const Expected outputs[] = {
      {root + L"\\Resized\\s_a.jpg", IsJpeg, 320, 240},
      {spaced + L"\\Resized\\s_b c.png", IsPng, 180, 240},
      {japanese + L"\\Resized\\s_夕日.bmp", IsBmp, 320, 160},
      {deep + L"\\Resized\\s_d.jpg", IsJpeg, 240, 240},
  };
  for (const Expected& output : outputs) {
    SCOPED_TRACE(testing::Message() << output.path);
    const std::string bytes = ReadFileBytes(output.path);
    ASSERT_FALSE(bytes.empty()) << "missing output";
    EXPECT_TRUE(output.type(bytes));
    const GpImagePtr image = LoadPicture(output.path);
    ASSERT_TRUE(image);
    const PictureSize size = SizeOf(image.get());
    EXPECT_EQ(size.width, output.width);
    EXPECT_EQ(size.height, output.height);
  }
  EXPECT_FALSE(FileExists(root + L"\\Resized\\s_broken.jpg")) << "a corrupt photo yields nothing";
  EXPECT_FALSE(FileExists(root + L"\\Resized\\s_notes.jpg"));

  EXPECT_TRUE(drive::Close(first, kExitMs));
  EXPECT_EQ(drive::WaitForExit(first, 0), 0u);

  const std::vector<std::wstring> log = Lines(ReadUtf16(logPath));
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[1], kBanner);
  EXPECT_EQ(Message(log[2]), L"DataFolderPath = \"" + dataFolder + L"\"");

  EXPECT_EQ(IniString(iniPath, L"CONVERT", L"ResizeRadioIndex"), L"6");
  EXPECT_EQ(IniString(iniPath, L"CONVERT", L"CheckAddFileNameTop"), L"1");
  EXPECT_EQ(IniString(iniPath, L"CONVERT", L"MakeFolder"), L"Resized");
  EXPECT_EQ(IniString(iniPath, L"CONVERT", L"JpegQuantization"), L"80");
  EXPECT_EQ(IniString(iniPath, L"VERSION", L"notify"), L"1");
  EXPECT_NE(IniString(iniPath, L"Window", L"WindowRect"), L"<missing>");
}

TEST_F(ProgramTest, RemovingTheLastPhotoBringsBackThePlaceholderAndTurnsTheStartButtonOff) {
  const TempFolder temp;
  ASSERT_TRUE(WritePhoto(temp.File(L"only.jpg"), 400, 300, 0xFFE0A040, kTestFormatJpeg));
  PrepareIni();
  const HWND main = StartProgram(first, {temp.File(L"only.jpg")});
  ASSERT_NE(main, nullptr) << "no main window";
  const HWND button = drive::FindDescendant(main, drive::kConvertButtonText, L"Button");
  ASSERT_NE(button, nullptr);
  EXPECT_TRUE(drive::WaitUntil([&] { return IsWindowEnabled(button) != 0; }, 10000));
  const HWND preview = drive::PreviewWindow(main);
  const HWND strip = drive::StripWindow(main);
  ASSERT_TRUE(preview != nullptr && strip != nullptr);

  // No photo is current after the start: the preview holds the placeholder.
  drive::Capture placeholder;
  ASSERT_TRUE(drive::WaitUntil(
      [&] {
        const drive::Capture now = drive::CaptureWindow(preview);
        const bool steady = !now.pixels.empty() && Differences(now, placeholder, 0) == 0;
        placeholder = now;
        return steady;
      },
      10000));

  // A click on the thumbnail makes the photo current.
  drive::ClickFirstThumbnail(main);
  EXPECT_TRUE(drive::WaitUntil(
      [&] { return Differences(drive::CaptureWindow(preview), placeholder, 8) > placeholder.pixels.size() / 20; },
      10000))
      << "the clicked photo is shown";

  PostMessageW(main, WM_COMMAND, 193, 0);  // "このアイテムを一覧から削除"
  EXPECT_TRUE(drive::WaitUntil([&] { return !IsWindowEnabled(button); }, 10000)) << "\"変換開始\" is off again";
  EXPECT_TRUE(drive::WaitUntil(
      [&] { return Differences(drive::CaptureWindow(preview), placeholder, 8) < placeholder.pixels.size() / 100; },
      10000))
      << "the placeholder is back";
  EXPECT_TRUE(StripSettles(main, [](const drive::Capture& c) {
    return !c.pixels.empty() && drive::PixelsNotNear(c, kStripGrey, 8) < c.pixels.size() / 50;
  })) << "the strip is empty";
  EXPECT_TRUE(drive::Close(first, kExitMs));
}

TEST_F(ProgramTest, ASecondStartEndsAtOnceWithThreeLogLines) {
  PrepareIni();
  const HWND main = StartProgram(first);
  ASSERT_NE(main, nullptr) << "no main window";
  const size_t linesBefore = Lines(ReadUtf16(logPath)).size();

  ASSERT_TRUE(drive::Start(ProgramPath(), {}, second));
  bool showedWindow = false;
  const bool ended = drive::WaitUntil(
      [&] {
        for (const HWND window : drive::ThreadWindows(second.threadId)) showedWindow |= IsWindowVisible(window) != 0;
        return WaitForSingleObject(second.process.get(), 0) == WAIT_OBJECT_0;
      },
      kExitMs);
  ASSERT_TRUE(ended) << "the second start did not end";
  EXPECT_EQ(drive::WaitForExit(second, 0), 0u);
  EXPECT_FALSE(showedWindow);

  const std::vector<std::wstring> log = Lines(ReadUtf16(logPath));
  ASSERT_EQ(log.size(), linesBefore + 4) << "an empty-message line, then three lines";
  EXPECT_EQ(log[linesBefore + 1], kBanner);
  EXPECT_EQ(Message(log[linesBefore + 2]), L"DataFolderPath = \"" + dataFolder + L"\"");
  EXPECT_EQ(Message(log[linesBefore + 3]), kAlreadyRunning);

  EXPECT_TRUE(IsWindow(main) && IsWindowVisible(main)) << "the first instance goes on";
  EXPECT_TRUE(drive::Close(first, kExitMs));
}

// Started programs that are ended, if still running, whatever way the test leaves.
struct ProgramGroup {
  std::vector<drive::Program> programs;
  ~ProgramGroup() {
    for (const drive::Program& program : programs) drive::Kill(program);
  }
};

// The message of the running window's last line about handed-over paths, or empty.
std::wstring LastHandoverLine(const std::wstring& logPath) {
  std::wstring last;
  for (const std::wstring& line : Lines(ReadUtf16(logPath))) {
    if (Message(line).find(L"他の起動から受け取ったパス") == 0) last = Message(line);
  }
  return last;
}

TEST_F(ProgramTest, ASecondStartHandsItsPathsToTheRunningWindowWhichAddsEachPhotoOnce) {
  const TempFolder temp;
  const std::wstring more = temp.File(L"more photos");
  const std::wstring deeper = more + L"\\下の階";
  for (const std::wstring& folder : {more, deeper}) CreateDirectoryW(folder.c_str(), nullptr);
  ASSERT_TRUE(WritePhoto(temp.File(L"a.jpg"), 160, 120, 0xFFE0A040, kTestFormatJpeg));
  ASSERT_TRUE(WritePhoto(more + L"\\b.png", 120, 160, 0xFF40A060, kTestFormatPng));
  ASSERT_TRUE(WritePhoto(deeper + L"\\c.jpg", 100, 100, 0xFF4060C0, kTestFormatJpeg));
  PrepareIni();
  const HWND main = StartProgram(first, {temp.File(L"a.jpg")});
  ASSERT_NE(main, nullptr) << "no main window";

  // A folder (searched with its sub-folders) and, once more, the photo already in the strip.
  ASSERT_TRUE(drive::Start(ProgramPath(), {more, temp.File(L"a.jpg")}, second));
  bool showedWindow = false;
  ASSERT_TRUE(drive::WaitUntil(
      [&] {
        for (const HWND window : drive::ThreadWindows(second.threadId)) showedWindow |= IsWindowVisible(window) != 0;
        return WaitForSingleObject(second.process.get(), 0) == WAIT_OBJECT_0;
      },
      kStartMs))
      << "the second start did not end";
  EXPECT_EQ(drive::WaitForExit(second, 0), 0u);
  EXPECT_FALSE(showedWindow) << "only one window ever opens";

  EXPECT_TRUE(drive::WaitUntil([&] { return !LastHandoverLine(logPath).empty(); }, kStartMs));
  EXPECT_EQ(LastHandoverLine(logPath), L"他の起動から受け取ったパス 2 件で写真が 2 枚増えました (一覧 3 枚)。")
      << "b.png and c.jpg join a.jpg, which stays once";
  EXPECT_EQ(GetForegroundWindow(), main) << "the window comes to the front";
  const HWND button = drive::FindDescendant(main, drive::kConvertButtonText, L"Button");
  EXPECT_TRUE(button != nullptr && IsWindowEnabled(button));
  EXPECT_TRUE(drive::Close(first, kExitMs));
}

TEST_F(ProgramTest, FiftyStartsAtOnceEndInOneWindowThatConvertsEveryPhotoOnce) {
  constexpr int kStarts = 50;
  const TempFolder temp;
  std::vector<std::wstring> names;
  for (int i = 0; i < kStarts; ++i) {
    names.push_back(L"p" + std::to_wstring(100 + i) + L".jpg");
    ASSERT_TRUE(WritePhoto(temp.File(names.back()), 64, 48, 0xFF000000 | (0x030507u * static_cast<unsigned>(i)),
                           kTestFormatJpeg));
  }
  PrepareIni();
  processesAtStart = drive::ProcessIds();
  // As Explorer does for 50 chosen files: one process each, all at once.
  ProgramGroup group;
  group.programs.resize(kStarts);
  for (int i = 0; i < kStarts; ++i) ASSERT_TRUE(drive::Start(ProgramPath(), {temp.File(names[i])}, group.programs[i]));

  std::vector<bool> showedWindow(kStarts, false);
  int running = kStarts;
  HWND main = nullptr;
  const bool settled = drive::WaitUntil(
      [&] {
        running = 0;
        for (int i = 0; i < kStarts; ++i) {
          const drive::Program& program = group.programs[i];
          if (WaitForSingleObject(program.process.get(), 0) != WAIT_OBJECT_0) ++running;
          if (const HWND window = drive::FindMainWindow(program.threadId)) {
            showedWindow[i] = true;
            main = window;
          }
        }
        return running == 1 && main != nullptr && LastHandoverLine(logPath).find(L"(一覧 50 枚)") != std::wstring::npos;
      },
      240000);
  EXPECT_TRUE(settled) << running << " still running; last handover: " << LastHandoverLine(logPath);
  int windows = 0;
  int endedWell = 0;
  for (int i = 0; i < kStarts; ++i) {
    windows += showedWindow[i] ? 1 : 0;
    if (!showedWindow[i] && drive::WaitForExit(group.programs[i], 0) == 0) ++endedWell;
  }
  EXPECT_EQ(windows, 1) << "only one window ever opens";
  EXPECT_EQ(endedWell, kStarts - 1) << "every other start ends with 0";
  ASSERT_NE(main, nullptr);

  ASSERT_TRUE(drive::ConvertAll(main, kConvertMs)) << "the conversion did not finish in time";
  std::vector<HWND> shellWindows;
  drive::WaitUntil([&] { return !(shellWindows = drive::NewShellWindows(processesAtStart)).empty(); }, kShellWindowMs);
  drive::CloseWindowsAndProcesses(shellWindows, kExitMs);
  std::vector<std::wstring> written;
  WIN32_FIND_DATAW entry{};
  const HANDLE search = FindFirstFileW(temp.File(L"Resized\\*").c_str(), &entry);
  for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &entry)) {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) written.push_back(entry.cFileName);
  }
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  std::sort(written.begin(), written.end());
  EXPECT_EQ(written, names) << "every photo once: a photo twice would be written again as \" (2)\"";
  for (int i = 0; i < kStarts; ++i) {
    if (showedWindow[i]) {
      EXPECT_TRUE(drive::Close(group.programs[i], kExitMs));
    }
  }
}

TEST_F(ProgramTest, WithoutLibvipsBesideItTheProgramSaysSoAndEndsWithAFailureCode) {
  PrepareIni();
  const TempFolder alone;
  const std::wstring exe = alone.File(L"Glimmerset.exe");
  ASSERT_TRUE(CopyFileW(ProgramPath().c_str(), exe.c_str(), TRUE));
  processesAtStart = drive::ProcessIds();
  ASSERT_TRUE(drive::Start(exe, {}, first));

  HWND box = nullptr;
  const auto boxShownOrEnded = [&] {
    for (const HWND window : drive::ThreadWindows(first.threadId)) {
      if (IsWindowVisible(window) && drive::WindowText(window) == L"Glimmerset 起動エラー") box = window;
    }
    return box != nullptr || WaitForSingleObject(first.process.get(), 0) == WAIT_OBJECT_0;
  };
  ASSERT_TRUE(drive::WaitUntil(boxShownOrEnded, kStartMs)) << "neither a message nor an end";
  ASSERT_NE(box, nullptr) << "ended without a word, exit code " << drive::WaitForExit(first, 0);
  const std::wstring text = drive::WindowText(GetDlgItem(box, 0xFFFF));
  EXPECT_EQ(text.find(L"libvips-42.dll が見つからないため起動できません。"), 0u) << text;
  EXPECT_NE(text.find(alone.Path()), std::wstring::npos) << "the folder it looked in: " << text;
  EXPECT_EQ(drive::FindMainWindow(first.threadId), nullptr);

  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(drive::WaitForExit(first, kExitMs), 2u);
  const std::vector<std::wstring> log = Lines(ReadUtf16(logPath));
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(Message(log.back()), L"libvips-42.dll を読み込めないため終了します。フォルダ \"" + alone.Path() +
                                     L"\" (0x8007007E)");
}

}  // namespace

// The main job with the keyboard alone, typed as real input: photos added with Ctrl+O, a
// size chosen by its key, a setting on another page reached with Ctrl+Tab, one photo removed
// with Delete, the conversion started with F5 and the results closed with Esc.
TEST_F(ProgramTest, TheMainJobCanBeDoneWithTheKeyboardAlone) {
  const TempFolder temp;
  const std::wstring folder = temp.File(L"keys");
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::vector<std::wstring> good{L"p1.jpg", L"p2.jpg", L"p3.jpg"};
  for (const std::wstring& name : good) ASSERT_TRUE(WritePhoto(folder + L"\\" + name, 640, 480, 0xFFE0A040, kTestFormatJpeg));
  // Two that cannot be read, so that whichever photo Delete takes, a results window follows.
  for (const wchar_t* name : {L"x1.jpg", L"x2.jpg"}) {
    ASSERT_TRUE(WriteFileBytes(folder + L"\\" + name, std::string("\xFF\xD8\xFF\xE0 not a photo at all", 24)));
  }
  PrepareIni(L"CheckAddFileNameTop=0\r\nValueAddFileNameTop=k_\r\n");
  const HWND main = StartProgram(first);
  ASSERT_NE(main, nullptr) << "no main window";
  SetForegroundWindow(main);
  ASSERT_TRUE(drive::WaitUntil([&] { return GetForegroundWindow() == main; }, 5000)) << "the window takes the keys";
  const HWND button = drive::FindDescendant(main, drive::kConvertButtonText, L"Button");
  ASSERT_NE(button, nullptr);

  drive::PressKey('O', {VK_CONTROL});
  HWND open = nullptr;
  ASSERT_TRUE(drive::WaitUntil(
      [&] {
        open = GetForegroundWindow();
        return open != main && drive::ClassName(open) == drive::kDialogClass;
      },
      10000))
      << "Ctrl+O opens the file dialog";
  Sleep(500);
  drive::TypeText(folder);
  drive::PressKey(VK_RETURN);
  Sleep(800);
  drive::TypeText(L"\"p1.jpg\" \"p2.jpg\" \"p3.jpg\" \"x1.jpg\" \"x2.jpg\"");
  drive::PressKey(VK_RETURN);
  ASSERT_TRUE(drive::WaitUntil([&] { return IsWindowEnabled(button) && GetForegroundWindow() == main; }, 20000))
      << "the photos are in the strip";

  drive::PressKey('8', {VK_MENU});  // "160 x 120(&8)"
  drive::PressKey(VK_TAB, {VK_CONTROL});
  drive::PressKey(VK_TAB, {VK_CONTROL});  // the save page
  drive::PressKey('M', {VK_MENU});         // "ファイル名の前に文字を追加(&M)"
  drive::PressKey(VK_DELETE);              // the first photo, chosen when they were added
  std::future<std::wstring> results = std::async(std::launch::async, [] {
    // Found, then left to the keyboard: only Esc closes it here.
    for (int waited = 0; waited < 60000; waited += 50) {
      const HWND window = FindWindowW(nullptr, L"変換結果");
      if (window != nullptr && IsWindowVisible(window)) {
        const HWND list = FindWindowExW(window, nullptr, L"Edit", nullptr);
        std::wstring text(4096, L'\0');
        const LRESULT length =
            list ? SendMessageW(list, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())) : 0;
        text.resize(static_cast<size_t>(length));
        return text;
      }
      Sleep(50);
    }
    return std::wstring();
  });
  drive::PressKey(VK_F5);
  const std::wstring failures = results.get();
  ASSERT_FALSE(failures.empty()) << "F5 converts, and the results window names what was not written";
  Sleep(300);
  drive::PressKey(VK_ESCAPE);
  EXPECT_TRUE(drive::WaitUntil([] { return FindWindowW(nullptr, L"変換結果") == nullptr; }, 10000))
      << "Esc closes the results";

  int written = 0;
  for (const std::wstring& name : good) {
    const std::wstring output = folder + L"\\Resized\\k_" + name;
    if (!FileExists(output)) continue;
    ++written;
    const GpImagePtr image = LoadPicture(output);
    ASSERT_TRUE(image);
    EXPECT_EQ(SizeOf(image.get()).width, 160) << "the size chosen by its key";
  }
  int notWritten = 0;
  for (size_t at = failures.find(L"読み込めない写真"); at != std::wstring::npos; at = failures.find(L"読み込めない写真", at + 1)) {
    ++notWritten;
  }
  EXPECT_EQ(written + notWritten, 4) << "one of the five photos was removed with Delete:\n" << failures;
  EXPECT_GE(written, 2);
}
