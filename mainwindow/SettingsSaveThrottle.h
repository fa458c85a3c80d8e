#pragma once
// Writes the main window's settings and its place (the window's rectangle and the splitter
// bars) to the settings file at most once per kSaveSettingsIntervalMs while they keep changing
// (a slider dragged, the window moved or resized), and what is left when the window closes.
// Every write is one whole write of the file; a place that has not changed is not written.
#include <windows.h>

#include <functional>
#include <vector>

#include "base/Inifile.h"

class LogFile;
class SaveData_CL;

// The timer on the window that writes a change held back, and the shortest time between writes.
constexpr UINT_PTR kSaveSettingsTimer = 0x4743;
constexpr UINT kSaveSettingsIntervalMs = 300;

class SettingsSaveThrottle_CL {
public:
  SettingsSaveThrottle_CL(SaveData_CL& record, Inifile_CL& ini, LogFile& log);

  // Writes now, or, when the last write was less than kSaveSettingsIntervalMs ago, once that
  // time is up (kSaveSettingsTimer on `window`).
  void SaveSoon(HWND window);
  // Writes what changed now, and forgets a write held back.
  void SaveNow(HWND window);
  // The timer's turn; false for another timer.
  bool OnTimer(HWND window, UINT_PTR timer);

  // The window's place as it is now, as the entries that store it; none while it has none to
  // store (minimized, not laid out yet).
  std::function<std::vector<IniEntry>()> placement;

private:
  // The placement entries that differ from the last ones written.
  std::vector<IniEntry> ChangedPlacement(std::vector<IniEntry>& now) const;

  SaveData_CL& record;
  Inifile_CL& ini;
  LogFile& log;
  std::vector<IniEntry> placementWritten;
  ULONGLONG lastWrite = 0;
};
