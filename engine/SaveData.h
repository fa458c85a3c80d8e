#pragma once
// The settings file's record of the conversion settings, with the gathered photos, and the duty
// of reading, mending and writing those settings (the table kStoredFields in SaveData.cpp). The
// main window owns the working one; everything below the windows is handed the settings
// (ConvertSettings) or a photo list. It knows no window.
#include <string>
#include <utility>
#include <vector>

#include "base/Inifile.h"
#include "engine/ConvertSettings.h"
#include "engine/PhotoList.h"

class LogFile;

// The conversion's keys of the settings file (those of "CONVERT" without the window's own) with
// the values of `settings`, in the file's order: a section of the caller's holds them the same.
std::vector<std::pair<std::wstring, std::wstring>> StoredSettingsKeys(const ConvertSettings& settings);
// Reads `settings` from a section's keys (ParseIniText's), with the mends Load makes and, since
// no earlier version wrote such a section, every older key outside its range (or not a number)
// as its value in `settings` before the call; a key missing keeps that value too. Answers the
// keys whose values were mended.
std::vector<std::wstring> ReadStoredSettings(const IniSection& section, ConvertSettings& settings);

class SaveData_CL : public ConvertSettings, public PhotoList {
public:
  SaveData_CL();
  virtual ~SaveData_CL();

  // Reads every stored field from ini; values are kept as read, except these, which
  // would lose or misplace outputs or lie outside their ranges: a choice stored outside its
  // enum reads as its default, OutputPlace::ChosenFolder without an OutputFolder as
  // BesideSource, a MakeFolder that OutputFolderNameProblem refuses as "Resized" (logged),
  // LongEdge and ScalePercent outside their ranges and the yes/no fields from KeepFileTime on
  // other than 0 or 1 as their defaults; the yes/no fields before them read any number but 0
  // as on. NeverLarger missing reads on when the file holds no stored key at all (a first start).
  void Load(const Inifile_CL& ini, LogFile& log);
  // Writes the fields whose values differ from the ones this record last wrote, all in one
  // whole write of the file (Inifile_CL::WriteAll); nothing when none differs. A failed write
  // is logged once until one succeeds, and the values are written at the next Save. False
  // when the write failed. `alongside` (keys the record does not hold: the window's place and state)
  // goes into the same write; it alone is reason enough to write.
  bool Save(Inifile_CL& ini, LogFile& log, const std::vector<IniEntry>& alongside = {});

private:
  // The values Save last wrote, in the order of the stored fields; empty before the first.
  std::vector<std::wstring> lastStored;
  bool saveFailureLogged = false;
};
