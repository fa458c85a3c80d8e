#include "mainwindow/SettingsSaveThrottle.h"

#include "engine/SaveData.h"

namespace {

bool SameEntry(const IniEntry& a, const IniEntry& b) {
  return a.section == b.section && a.key == b.key && a.value == b.value;
}

bool Written(const IniEntry& entry, const std::vector<IniEntry>& written) {
  for (const IniEntry& old : written) {
    if (SameEntry(old, entry)) return true;
  }
  return false;
}

}  // namespace

SettingsSaveThrottle_CL::SettingsSaveThrottle_CL(SaveData_CL& record, Inifile_CL& ini, LogFile& log)
    : record(record), ini(ini), log(log) {}

void SettingsSaveThrottle_CL::SaveSoon(HWND window) {
  const ULONGLONG sinceLast = GetTickCount64() - lastWrite;
  if (sinceLast >= kSaveSettingsIntervalMs) {
    SaveNow(window);
    return;
  }
  SetTimer(window, kSaveSettingsTimer, static_cast<UINT>(kSaveSettingsIntervalMs - sinceLast), nullptr);
}

void SettingsSaveThrottle_CL::SaveNow(HWND window) {
  KillTimer(window, kSaveSettingsTimer);
  lastWrite = GetTickCount64();
  std::vector<IniEntry> now;
  const std::vector<IniEntry> changed = ChangedPlacement(now);
  if (record.Save(ini, log, changed)) placementWritten = std::move(now);
}

bool SettingsSaveThrottle_CL::OnTimer(HWND window, UINT_PTR timer) {
  if (timer != kSaveSettingsTimer) return false;
  SaveNow(window);
  return true;
}

std::vector<IniEntry> SettingsSaveThrottle_CL::ChangedPlacement(std::vector<IniEntry>& now) const {
  if (placement) now = placement();
  // A place that cannot be stored now (a minimized window) keeps the last one written.
  for (const IniEntry& old : placementWritten) {
    bool present = false;
    for (const IniEntry& entry : now) present = present || (entry.section == old.section && entry.key == old.key);
    if (!present) now.push_back(old);
  }
  std::vector<IniEntry> changed;
  for (const IniEntry& entry : now) {
    if (!Written(entry, placementWritten)) changed.push_back(entry);
  }
  return changed;
}
