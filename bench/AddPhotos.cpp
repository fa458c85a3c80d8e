// Adding a big tree to the open window: 20,000 photos in 211 folders handed over to the main
// window, as a second start hands them over. Reports how long until all are in the strip and
// the longest time the window's thread kept a message waiting meanwhile (asked every 50 ms
// from another thread), beside the same tree walked on the user-interface thread itself.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchPhotos.h"
#include "base/Inifile.h"
#include "base/LogFile.h"
#include "base/PathHandover.h"
#include "intake/FindPicture.h"
#include "mainwindow/MainWindow.h"
#include "tests/support/UiStallProbe.h"

namespace {

using bench::Clock;
using bench::MillisecondsSince;

constexpr int kFolders = 211;
constexpr int kPhotos = 20000;

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// kPhotos small files named as photos, spread over kFolders folders two levels deep.
bool MakeTree(const std::wstring& root) {
  for (int photo = 0; photo < kPhotos; ++photo) {
    const int folder = photo % kFolders;
    const std::wstring path = root + L"\\day" + std::to_wstring(folder / 20) + L"\\roll" + std::to_wstring(folder);
    if (photo < kFolders && SHCreateDirectoryExW(nullptr, path.c_str(), nullptr) != ERROR_SUCCESS) return false;
    const HANDLE file = CreateFileW((path + L"\\IMG_" + std::to_wstring(photo) + L".jpg").c_str(), GENERIC_WRITE, 0,
                                    nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
  }
  return true;
}

// The bench's folder and everything in it.
void RemoveFolder(const std::wstring& folder) {
  std::wstring from = folder + L'\0';  // a list of one, closed by a second zero
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_NO_UI;
  SHFileOperationW(&operation);
}

int ItemCount(SaveData_CL& photos) {
  const CriticalSectionLock lock(photos.itemsLock);
  return static_cast<int>(photos.items.size());
}

int AddPhotos() {
  const std::wstring folder = bench::MakeTempFolder(L"add");
  theIniFile.SetFileName(folder + L"\\Glimmerset.ini");
  theIniFile.WriteInt(L"VERSION", L"notify", 1);  // no update check
  theLog.logPath = folder + L"\\log.txt";
  const std::wstring root = folder + L"\\photos";
  if (!MakeTree(root)) {
    std::printf("bench: add photos: could not write the tree\n");
    return 1;
  }
  MainWindow_CL window;
  window.commandLineText = L"Glimmerset.exe";
  if (window.CreateModeless(nullptr) == nullptr) return 1;
  Pump();

  double ours = 0;
  ULONGLONG oursStall = 0;
  {
    UiStallProbe probe(window.hwnd);
    std::vector<wchar_t> list = PackPathList({root});
    COPYDATASTRUCT data{kPathListTag, static_cast<DWORD>(list.size() * sizeof(wchar_t)), list.data()};
    const Clock::time_point start = Clock::now();
    SendMessageW(window.hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    do {
      Pump();
      Sleep(1);
    } while (window.intake.Busy() || ItemCount(window.settings) < kPhotos);
    ours = MillisecondsSince(start);
    oursStall = probe.Stop();
  }
  const int added = ItemCount(window.settings);

  // The same tree walked right on the user-interface thread, under the list's lock.
  double before = 0;
  ULONGLONG beforeStall = 0;
  {
    UiStallProbe probe(window.hwnd);
    Sleep(100);
    const Clock::time_point start = Clock::now();
    {
      SaveData_CL& photos = window.settings;
      const CriticalSectionLock lock(photos.itemsLock);
      photos.Clear();
      RegisterPath(root, photos, SkippedFoldersOf({photos}));
    }
    Pump();
    before = MillisecondsSince(start);
    Sleep(100);
    beforeStall = probe.Stop();
  }
  DestroyWindow(window.hwnd);
  Pump();
  RemoveFolder(folder);

  std::printf("bench: add %d photos: ours %.0f ms, longest UI stall %llu ms\n", kPhotos, ours, oursStall);
  std::printf("bench: add %d photos walked on the user-interface thread: %.0f ms, longest UI stall %llu ms\n",
              kPhotos, before, beforeStall);
  if (added != kPhotos) std::printf("bench: add photos: %d of %d photos were added\n", added, kPhotos);
  return added == kPhotos ? 0 : 1;
}

}  // namespace

int main() { return bench::WithSessions([] { return AddPhotos(); }); }
