#pragma once
// Start-up and shutdown of the program: the data folder with the settings file and the log,
// the check that libvips can be loaded, the single-instance rule, the platform services
// (COM, GDI+, common controls, libvips), the seed refresh and the modal run of the main
// window. wWinMain only calls RunGlimmerset.
#include <windows.h>

#include <string>
#include <vector>

#include "base/DllFunction.h"
#include "base/Owned.h"
#include "base/ShellHelpers.h"

// Fixed name of the single-instance mutex; no namespace prefix, so it is per logon session.
constexpr wchar_t kSingleInstanceMutexName[] = L"Glimmerset.SingleInstance.{6C0E2B31-94D7-4F1A-8E5B-2A7F3D9C1E48}";
constexpr wchar_t kDataFolderName[] = L"\\Glimmerset";
constexpr wchar_t kIniFileName[] = L"\\Glimmerset.ini";
constexpr wchar_t kLogFileName[] = L"\\log.txt";
constexpr wchar_t kStartBanner[] = L"\r\n★★★★★ アプリ起動 ★★★★★";
constexpr wchar_t kAlreadyRunningLine[] = L"多重起動チェックで既に起動中でした。";
constexpr wchar_t kHandedOverLine[] = L"起動中のウインドウに %d 件のパスを渡しました。";
constexpr wchar_t kHandoverFailedLine[] = L"起動中のウインドウにパスを渡せませんでした (%d 件)。";
constexpr wchar_t kHandoverFailedText[] =
    L"起動中の Glimmerset に写真を渡せませんでした。\r\n\r\nGlimmerset のウインドウが応答しているか確かめてから、"
    L"もう一度お試しください。";
constexpr wchar_t kHandoverFailedCaption[] = L"Glimmerset";
// How long a second start waits for the running instance's window to take its paths (it
// may itself be starting, with many others started at the same moment), and how long one
// send may take.
constexpr DWORD kHandoverWaitMs = 60000;
constexpr UINT kHandoverSendMs = 15000;

// The image library. Glimmerset.exe loads it when it first calls into it (a delay-loaded
// import), so the program runs far enough to say that it is missing.
constexpr wchar_t kVipsLibraryName[] = L"libvips-42.dll";
constexpr wchar_t kLibraryFailureCaption[] = L"Glimmerset 起動エラー";
// Exit code of a start that ended because the library could not be loaded.
constexpr int kExitLibraryFailure = 2;

// documentsFolder + "\Glimmerset" is made (only that last level; an existing folder is the
// normal case), the settings file and the log are pointed into it and the two start lines
// are logged. Answers the data folder.
std::wstring PrepareDataFolder(const std::wstring& documentsFolder);

// What the user is told when LoadLibraryFrom failed with `result`: the file, the folder it
// was looked for in, and what to do. A file that is there but cannot be loaded is told apart
// from a missing one.
std::wstring LibraryFailureText(const std::wstring& folder, const wchar_t* name, HRESULT result);

// Loads libvips from folder into `module`. When it cannot, logs why, shows the failure text
// in a message box (which waits for the user) and answers the failure.
HRESULT RequireVipsLibrary(const std::wstring& folder, LoadedModule& module);

// Creates the named mutex, owned. When it existed already, logs so and answers no handle;
// otherwise answers the mutex, which the running instance keeps to its end. A mutex left
// behind by an instance that has ended (abandoned) is taken over.
KernelHandle ClaimSingleInstance(const wchar_t* mutexName);

// The file and folder arguments of the command line, each made a full path against this
// process's current folder (the running instance has a current folder of its own).
std::vector<std::wstring> CommandLinePaths(const std::wstring& commandLine);

// How a start with paths ended while another instance held the mutex.
enum class Handover {
  kHandedOver,  // the running window took the paths
  kClaimed,     // the other instance had ended: this start holds the mutex now (in `instance`)
  kTimedOut,    // no window took them within waitMs
};

// Hands the paths to the running instance's window, waiting for it (it may still be
// starting) and trying again until waitMs have passed. When the running instance ends
// meanwhile, this start claims the mutex into `instance` and runs itself.
Handover HandOverPaths(const std::vector<std::wstring>& paths, const wchar_t* mutexName, DWORD waitMs,
                       KernelHandle& instance);

// Runs the main window modally; returns when it has closed and its object is destroyed.
void RunMainWindow();

// The words and the log line for an imaging library that did not start ("GDI+", "libvips"):
// the program cannot show or convert a photo without it and ends.
std::wstring EngineFailureText(const wchar_t* library);

// The whole program from the locale to the last shutdown step, with the data folder under
// documentsFolder (the user's Documents folder in the program) and libvips loaded from
// libraryFolder (the executable's folder). A start while another instance runs hands the
// paths of its command line to that instance's window and ends. 0; kExitLibraryFailure when
// libvips could not be loaded, after the user has seen why.
int RunGlimmerset(const std::wstring& documentsFolder, const wchar_t* mutexName = kSingleInstanceMutexName,
                  const std::wstring& libraryFolder = ModuleDirectory());
