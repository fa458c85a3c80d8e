// Start-up and shutdown: the data folder, the start lines of the log, the check that libvips
// can be loaded, the single-instance rule, the seed refresh, and a whole run of the program
// in this process, closed by a helper thread as soon as its window shows.
#include <gtest/gtest.h>
#include <windows.h>

#include <clocale>
#include <climits>
#include <cstring>
#include <string>
#include <thread>

#include "base/Inifile.h"
#include "base/LogFile.h"
#include "base/ShellHelpers.h"
#include "app/StartUp.h"
#include "engine/SaveData.h"
#include "tests/support/TempFolder.h"
#include "mainwindow/MainWindowLinks.h"

namespace {

// The log as text, without its byte-order mark.
std::wstring LogText(const std::wstring& path) {
  const std::string bytes = ReadFileBytes(path);
  std::wstring text(bytes.size() / 2, L'\0');
  if (!text.empty()) std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
  if (!text.empty() && text[0] == 0xFEFF) text.erase(0, 1);
  return text;
}

int Occurrences(const std::wstring& text, const std::wstring& part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// A mutex name of this test run only, so no real instance of the program is disturbed.
std::wstring TestMutexName(const wchar_t* purpose) {
  return std::wstring(L"Glimmerset.Test.") + purpose + L"." + std::to_wstring(GetCurrentProcessId());
}

class StartUpTest : public testing::Test {
protected:
  void SetUp() override {
    savedIniPath = theIniFile.filePath;
    savedLogPath = theLog.logPath;
    dataFolder = temp.File(L"Glimmerset");
  }
  void TearDown() override {
    theIniFile.filePath = savedIniPath;
    theLog.logPath = savedLogPath;
    std::setlocale(LC_ALL, "C");
  }

  // The settings file a test start finds: the update check switched off.
  void PrepareSettings() {
    CreateDirectoryW(dataFolder.c_str(), nullptr);
    theIniFile.SetFileName(dataFolder + L"\\Glimmerset.ini");
    theIniFile.WriteInt(L"VERSION", L"notify", 1);
  }

  TempFolder temp;
  std::wstring dataFolder;

private:
  std::wstring savedIniPath;
  std::wstring savedLogPath;
};

TEST_F(StartUpTest, FirstStartMakesTheDataFolderSettingsFileAndStartLines) {
  EXPECT_EQ(PrepareDataFolder(temp.Path()), dataFolder);
  EXPECT_EQ(theIniFile.filePath, dataFolder + L"\\Glimmerset.ini");
  EXPECT_EQ(theLog.logPath, dataFolder + L"\\log.txt");
  EXPECT_EQ(ReadFileBytes(theIniFile.filePath), std::string("\xFF\xFE")) << "only the UTF-16LE mark";

  const std::wstring log = LogText(theLog.logPath);
  // The banner begins with a line break: a line of the time stamp alone, then the banner.
  const size_t banner = log.find(L" : \r\n★★★★★ アプリ起動 ★★★★★\r\n");
  ASSERT_NE(banner, std::wstring::npos) << log.c_str();
  EXPECT_EQ(banner, 23u) << "the time stamp comes first";
  EXPECT_NE(log.find(L" : DataFolderPath = \"" + dataFolder + L"\"\r\n"), std::wstring::npos);

  // An existing folder is the normal case: the same lines again, nothing else changes.
  PrepareDataFolder(temp.Path());
  EXPECT_EQ(Occurrences(LogText(theLog.logPath), L"アプリ起動"), 2);
}

TEST_F(StartUpTest, OnlyTheFirstClaimOfTheInstanceMutexSucceeds) {
  PrepareDataFolder(temp.Path());
  const std::wstring name = TestMutexName(L"claim");
  KernelHandle first = ClaimSingleInstance(name.c_str());
  EXPECT_TRUE(first);
  EXPECT_FALSE(ClaimSingleInstance(name.c_str()));
  EXPECT_EQ(Occurrences(LogText(theLog.logPath), L"多重起動チェックで既に起動中でした。"), 1);
}

TEST_F(StartUpTest, SecondInstanceEndsAfterThreeLogLinesWithoutAWindow) {
  const std::wstring name = TestMutexName(L"second");
  const KernelHandle running(CreateMutexW(nullptr, TRUE, name.c_str()));
  ASSERT_TRUE(running);
  EXPECT_EQ(RunGlimmerset(temp.Path(), name.c_str()), 0);
  const std::wstring log = LogText(dataFolder + L"\\log.txt");
  EXPECT_EQ(Occurrences(log, L"\r\n"), 4) << "time-stamp line, banner, folder line, refusal";
  EXPECT_NE(log.find(L"多重起動チェックで既に起動中でした。"), std::wstring::npos);
  EXPECT_EQ(GetPrivateProfileIntW(L"CONVERT", L"ResizeRadioIndex", -1, (dataFolder + L"\\Glimmerset.ini").c_str()),
            static_cast<UINT>(-1))
      << "the refused start goes no further";
}

TEST_F(StartUpTest, LibraryIsLoadedFromTheGivenFolderOnly) {
  // This test program imports libvips itself, from its own folder.
  LoadedModule beside;
  EXPECT_EQ(LoadLibraryFrom(ModuleDirectory(), kVipsLibraryName, beside), S_OK);
  EXPECT_EQ(beside.get(), GetModuleHandleW(kVipsLibraryName)) << "the one this program runs with";

  // Already loaded under the same name is not enough: the file must be in the folder.
  LoadedModule missing;
  const HRESULT result = LoadLibraryFrom(temp.Path(), kVipsLibraryName, missing);
  EXPECT_EQ(result, HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
  EXPECT_FALSE(missing);
  const std::wstring text = LibraryFailureText(temp.Path(), kVipsLibraryName, result);
  EXPECT_EQ(text.find(L"libvips-42.dll が見つからないため起動できません。"), 0u) << text;
  EXPECT_NE(text.find(L"\r\n" + temp.Path() + L"\r\n"), std::wstring::npos) << "the folder it looked in";
}

TEST_F(StartUpTest, ALibraryFileThatCannotBeLoadedIsToldApartFromAMissingOne) {
  ASSERT_TRUE(WriteFileBytes(temp.File(L"libvips-42.dll"), "MZ but nothing of a library after it"));
  LoadedModule module;
  const HRESULT result = LoadLibraryFrom(temp.Path(), kVipsLibraryName, module);
  EXPECT_TRUE(FAILED(result));
  EXPECT_FALSE(module);
  const std::wstring text = LibraryFailureText(temp.Path(), kVipsLibraryName, result);
  EXPECT_EQ(text.find(L"libvips-42.dll を読み込めないため起動できません。"), 0u) << text;
  EXPECT_NE(text.find(temp.Path()), std::wstring::npos);
  EXPECT_NE(text.find(L"(コード " + std::to_wstring(HRESULT_CODE(result)) + L")"), std::wstring::npos) << text;
}

TEST_F(StartUpTest, StartWithoutTheLibraryShowsWhyLogsItAndEndsWithAFailureCode) {
  PrepareSettings();
  const std::wstring libraryFolder = temp.File(L"program");
  ASSERT_TRUE(CreateDirectoryW(libraryFolder.c_str(), nullptr));
  std::wstring shown;
  std::thread answerer([&shown] {
    for (int i = 0; i < 3000 && shown.empty(); ++i) {
      const HWND box = FindWindowW(L"#32770", kLibraryFailureCaption);
      DWORD process = 0;
      if (box != nullptr && GetWindowThreadProcessId(box, &process) && process == GetCurrentProcessId() &&
          IsWindowVisible(box)) {
        wchar_t text[1024] = {};
        GetDlgItemTextW(box, 0xFFFF, text, 1024);  // the message box's text
        shown = text[0] != L'\0' ? text : L"(no text)";
        PostMessageW(box, WM_COMMAND, IDOK, 0);
      }
      Sleep(10);
    }
  });
  const std::wstring mutexName = TestMutexName(L"nolibrary");
  const int result = RunGlimmerset(temp.Path(), mutexName.c_str(), libraryFolder);
  answerer.join();

  EXPECT_EQ(result, kExitLibraryFailure);
  EXPECT_EQ(shown.find(L"libvips-42.dll が見つからないため起動できません。"), 0u) << shown;
  EXPECT_NE(shown.find(libraryFolder), std::wstring::npos) << shown;
  const std::wstring log = LogText(dataFolder + L"\\log.txt");
  EXPECT_NE(log.find(L"libvips-42.dll を読み込めないため終了します。フォルダ \"" + libraryFolder + L"\""),
            std::wstring::npos)
      << log;
  EXPECT_EQ(GetPrivateProfileIntW(L"CONVERT", L"ResizeRadioIndex", -1, (dataFolder + L"\\Glimmerset.ini").c_str()),
            static_cast<UINT>(-1))
      << "the start goes no further";
  EXPECT_TRUE(ClaimSingleInstance(mutexName.c_str())) << "the failed start left the instance mutex free";
}

TEST_F(StartUpTest, WholeRunShowsTheMainWindowAndEndsWhenItCloses) {
  PrepareSettings();
  bool closed = false;
  std::thread closer([&closed] {
    for (int i = 0; i < 3000 && !closed; ++i) {
      const HWND window = FindWindowW(L"#32770", L"Glimmerset");
      DWORD process = 0;
      if (window != nullptr && GetWindowThreadProcessId(window, &process) && process == GetCurrentProcessId() &&
          IsWindowVisible(window)) {
        PostMessageW(window, WM_CLOSE, 0, 0);
        closed = true;
      }
      Sleep(10);
    }
  });
  const int result = RunGlimmerset(temp.Path(), TestMutexName(L"whole").c_str());
  closer.join();
  MSG quit;
  PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);

  EXPECT_EQ(result, 0);
  EXPECT_TRUE(closed);
  const std::wstring ini = dataFolder + L"\\Glimmerset.ini";
  wchar_t rect[256] = {};
  GetPrivateProfileStringW(L"Window", L"WindowRect", L"", rect, 256, ini.c_str());
  EXPECT_NE(rect[0], L'\0') << "the window saved its placement";
  EXPECT_EQ(GetPrivateProfileIntW(L"CONVERT", L"ResizeRadioIndex", 99, ini.c_str()), 3u)
      << "the start-up refresh saved the settings";
}

}  // namespace
