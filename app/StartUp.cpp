#include "app/StartUp.h"

#include <commctrl.h>
#include <objbase.h>

#include <clocale>

#include "base/CommandLine.h"
#include "base/Inifile.h"
#include "base/LogFile.h"
#include "base/GpOwned.h"
#include "base/PathHandover.h"
#include "base/PathIdentity.h"
#include "base/ShellHelpers.h"
#include "engine/VipsSession.h"
#include "mainwindow/MainWindow.h"

namespace {

constexpr DWORD kCommonControlClasses = ICC_BAR_CLASSES | ICC_COOL_CLASSES;  // 0x404
// Between two looks for the running instance's window.
constexpr DWORD kHandoverPollMs = 100;

// The named mutex, owned by this thread; none while another instance holds it. A mutex whose
// owner ended without releasing it (abandoned) passes to this thread.
KernelHandle TakeInstanceMutex(const wchar_t* mutexName) {
  KernelHandle mutex(CreateMutexW(nullptr, TRUE, mutexName));
  if (GetLastError() != ERROR_ALREADY_EXISTS) return mutex;
  const DWORD wait = WaitForSingleObject(mutex.get(), 0);
  if (wait == WAIT_ABANDONED) return mutex;
  // Free, or held by this very thread already: either way not this start's to keep.
  if (wait == WAIT_OBJECT_0) ReleaseMutex(mutex.get());
  return KernelHandle();
}

void TellHandoverFailed(size_t paths) {
  theLog.Write(kHandoverFailedLine, static_cast<int>(paths));
  MessageBoxW(nullptr, kHandoverFailedText, kHandoverFailedCaption, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

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
  const HRESULT made = EnsureFolder(dataFolder);
  theIniFile.SetFileName(dataFolder + kIniFileName);
  theLog.logPath = dataFolder + kLogFileName;
  theLog.Write(L"%s", kStartBanner);
  theLog.Write(L"DataFolderPath = \"%s\"", dataFolder.c_str());
  if (FAILED(made)) {
    // Nothing can be logged there: the user is told, and the program runs without saving.
    const std::wstring text = L"設定を保存するフォルダ「" + dataFolder + L"」を作れません。設定は保存されません。\r\n" +
                              SystemErrorText(static_cast<DWORD>(made));
    MessageBoxW(nullptr, text.c_str(), L"Glimmerset", MB_OK | MB_ICONWARNING);
  }
  return dataFolder;
}

KernelHandle ClaimSingleInstance(const wchar_t* mutexName) {
  KernelHandle mutex = TakeInstanceMutex(mutexName);
  if (!mutex) theLog.Write(L"%s", kAlreadyRunningLine);
  return mutex;
}

std::vector<std::wstring> CommandLinePaths(const std::wstring& commandLine) {
  CommandLine_CL arguments;
  arguments.Parse(commandLine);
  std::vector<std::wstring> paths;
  for (int index = 0; index < arguments.CountFiles(); ++index) {
    const std::wstring full = FullPathOf(arguments.FileAt(index));
    if (!full.empty()) paths.push_back(full);
  }
  return paths;
}

Handover HandOverPaths(const std::vector<std::wstring>& paths, const wchar_t* mutexName, DWORD waitMs,
                       KernelHandle& instance) {
  const DWORD start = GetTickCount();
  for (;;) {
    // The window is marked only once it is ready to take paths; until then it is starting.
    const HWND window = FindHandoverWindow();
    if (window != nullptr && SendPathList(window, paths, kHandoverSendMs)) {
      theLog.Write(kHandedOverLine, static_cast<int>(paths.size()));
      return Handover::kHandedOver;
    }
    instance = TakeInstanceMutex(mutexName);
    if (instance) return Handover::kClaimed;
    if (GetTickCount() - start >= waitMs) return Handover::kTimedOut;
    Sleep(kHandoverPollMs);
  }
}

void RunMainWindow() {
  MainWindow_CL window;
  window.RunModal(0, 0, nullptr);
}

int RunGlimmerset(const std::wstring& documentsFolder, const wchar_t* mutexName, const std::wstring& libraryFolder) {
  std::setlocale(LC_ALL, "Japanese");
  PrepareDataFolder(documentsFolder);
  KernelHandle instance = ClaimSingleInstance(mutexName);
  if (!instance) {
    // Explorer starts one process per chosen file: each hands its own to the one window.
    const std::vector<std::wstring> paths = CommandLinePaths(GetCommandLineW());
    if (paths.empty()) return 0;
    const Handover handover = HandOverPaths(paths, mutexName, kHandoverWaitMs, instance);
    if (handover == Handover::kTimedOut) TellHandoverFailed(paths.size());
    if (handover != Handover::kClaimed) return 0;
  }
  // Before the first call into libvips, which would load it: without it the call would end
  // the process with no word to the user. A start that only hands its paths over never
  // loads it.
  LoadedModule vipsLibrary;
  if (FAILED(RequireVipsLibrary(libraryFolder, vipsLibrary))) return kExitLibraryFailure;
  // Kept to the end of the process: the platform drops it when the process ends.
  instance.release();

  const HRESULT com = CoInitialize(nullptr);
  if (FAILED(com)) {
    theLog.Write(L"CoInitialize()エラー = 0x%08x : %s", static_cast<unsigned>(com),
                 SystemErrorText(static_cast<DWORD>(com)).c_str());
  }
  int exitCode = 0;
  {
    const GdiplusSession gdiplus;
    const VipsSession vips(theLog);
    if (EnginesStarted(gdiplus, vips)) {
      const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), kCommonControlClasses};
      InitCommonControlsEx(&classes);
      RunMainWindow();
    } else {
      exitCode = kExitLibraryFailure;
    }
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return exitCode;
}
