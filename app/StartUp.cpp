#include "app/StartUp.h"

#include <commctrl.h>
#include <objbase.h>

#include <clocale>
#include <cstdint>
#include <cstdlib>

#include "base/Inifile.h"
#include "base/LogFile.h"
#include "base/GpOwned.h"
#include "engine/VipsSession.h"
#include "mainwindow/MainWindow.h"

namespace {

constexpr wchar_t kAppInfoSection[] = L"APP_INFO";
constexpr wchar_t kSeedKey[] = L"rand_seed";
constexpr DWORD kCommonControlClasses = ICC_BAR_CLASSES | ICC_COOL_CLASSES;  // 0x404

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

int RunGlimmerset(const std::wstring& documentsFolder, const wchar_t* mutexName) {
  std::setlocale(LC_ALL, "Japanese");
  PrepareDataFolder(documentsFolder);
  KernelHandle instance = ClaimSingleInstance(mutexName);
  if (!instance) return 0;
  // Kept to the end of the process: the platform drops it when the process ends.
  instance.release();

  CoInitialize(nullptr);
  {
    const GdiplusSession gdiplus;
    const VipsSession vips;
    const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), kCommonControlClasses};
    InitCommonControlsEx(&classes);
    RefreshRandomSeed(GetTickCount());
    RunMainWindow();
  }
  CoUninitialize();
  return 0;
}
