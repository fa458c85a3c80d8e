#include "app/StartUp.h"

#include <commctrl.h>
#include <objbase.h>

#include <clocale>
#include <cstdint>
#include <cstdlib>

#include "base/Inifile.h"
#include "base/LogFile.h"
#include "base/GpOwned.h"
#include "base/ShellHelpers.h"
#include "engine/VipsSession.h"
#include "mainwindow/MainWindow.h"

namespace {

constexpr wchar_t kAppInfoSection[] = L"APP_INFO";
constexpr wchar_t kSeedKey[] = L"rand_seed";
constexpr DWORD kCommonControlClasses = ICC_BAR_CLASSES | ICC_COOL_CLASSES;  // 0x404

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring MissingLibraryText(const std::wstring& folder, const wchar_t* name) {
  return std::wstring(name) + L" が見つからないため起動できません。\r\n\r\n探したフォルダ:\r\n" + folder +
         L"\r\n\r\nGlimmerset をインストールし直すか、" + name + L" を Glimmerset.exe と同じフォルダに置いてください。";
}

std::wstring UnloadableLibraryText(const std::wstring& folder, const wchar_t* name, HRESULT result) {
  const DWORD code = HRESULT_CODE(result);
  return std::wstring(name) + L" を読み込めないため起動できません。\r\n\r\nフォルダ:\r\n" + folder +
         L"\r\n理由: " + SystemErrorText(code) + L" (コード " + IntToText(static_cast<int>(code)) +
         L")\r\n\r\nGlimmerset をインストールし直してください。";
}

}  // namespace

HRESULT LoadLibraryFrom(const std::wstring& folder, const wchar_t* name, LoadedModule& module) {
  const std::wstring path = folder + L"\\" + name;
  module.reset(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  return module ? S_OK : HRESULT_FROM_WIN32(GetLastError());
}

std::wstring LibraryFailureText(const std::wstring& folder, const wchar_t* name, HRESULT result) {
  if (FileExists(folder + L"\\" + name)) return UnloadableLibraryText(folder, name, result);
  return MissingLibraryText(folder, name);
}

HRESULT RequireVipsLibrary(const std::wstring& folder, LoadedModule& module) {
  const HRESULT result = LoadLibraryFrom(folder, kVipsLibraryName, module);
  if (SUCCEEDED(result)) return result;
  theLog.Write(L"%s を読み込めないため終了します。フォルダ \"%s\" (0x%08X)", kVipsLibraryName, folder.c_str(),
               static_cast<unsigned>(result));
  const std::wstring text = LibraryFailureText(folder, kVipsLibraryName, result);
  MessageBoxW(nullptr, text.c_str(), kLibraryFailureCaption, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
  return result;
}

std::wstring EngineFailureText(const wchar_t* library) {
  return std::wstring(library) + L" を開始できないため起動できません。\r\n\r\nGlimmerset をインストールし直してください。";
}

namespace {

// Both imaging libraries started, or the user has been told which did not.
bool EnginesStarted(const GdiplusSession& gdiplus, const VipsSession& vips) {
  if (gdiplus.Started() && vips.Started()) return true;
  const wchar_t* const library = gdiplus.Started() ? L"libvips" : L"GDI+";
  theLog.Write(L"%s を開始できないため終了します。", library);
  MessageBoxW(nullptr, EngineFailureText(library).c_str(), kLibraryFailureCaption, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
  return false;
}

}  // namespace

std::wstring PrepareDataFolder(const std::wstring& documentsFolder) {
  const std::wstring dataFolder = documentsFolder + kDataFolderName;
  CreateDirectoryW(dataFolder.c_str(), nullptr);
  theIniFile.SetFileName(dataFolder + kIniFileName);
  theLog.logPath = dataFolder + kLogFileName;
  theLog.Write(L"%s", kStartBanner);
  theLog.Write(L"DataFolderPath = \"%s\"", dataFolder.c_str());
  return dataFolder;
}

KernelHandle ClaimSingleInstance(const wchar_t* mutexName) {
  KernelHandle mutex(CreateMutexW(nullptr, TRUE, mutexName));
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    theLog.Write(L"%s", kAlreadyRunningLine);
    return KernelHandle();
  }
  return mutex;
}

int RefreshRandomSeed(DWORD tickCount) {
  const int stored = theIniFile.ReadInt(kAppInfoSection, kSeedKey, 0);
  const auto seed = static_cast<std::uint32_t>(tickCount) + static_cast<std::uint32_t>(stored);
  std::srand(seed);
  const int value = static_cast<int>(seed);
  theIniFile.WriteInt(kAppInfoSection, kSeedKey, value);
  return value;
}

void RunMainWindow() {
  MainWindow_CL window;
  window.RunModal(0, 0, nullptr);
}

int RunGlimmerset(const std::wstring& documentsFolder, const wchar_t* mutexName, const std::wstring& libraryFolder) {
  std::setlocale(LC_ALL, "Japanese");
  PrepareDataFolder(documentsFolder);
  // Before the first call into libvips, which would load it: without it the call would end
  // the process with no word to the user.
  LoadedModule vipsLibrary;
  if (FAILED(RequireVipsLibrary(libraryFolder, vipsLibrary))) return kExitLibraryFailure;
  KernelHandle instance = ClaimSingleInstance(mutexName);
  if (!instance) return 0;
  // Kept to the end of the process: the platform drops it when the process ends.
  instance.release();

  CoInitialize(nullptr);
  int exitCode = 0;
  {
    const GdiplusSession gdiplus;
    const VipsSession vips;
    if (EnginesStarted(gdiplus, vips)) {
      const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), kCommonControlClasses};
      InitCommonControlsEx(&classes);
      RefreshRandomSeed(GetTickCount());
      RunMainWindow();
    } else {
      exitCode = kExitLibraryFailure;
    }
  }
  CoUninitialize();
  return exitCode;
}
