#pragma once
// The presets ("プリセット"): named, complete conversion settings, in the user's order. The
// settings file keeps each in a section of its own, "PRESET1", "PRESET2", … in that order,
// holding its name in "Name" (in quotes, so that spaces around it stay) and its settings under
// the keys of "CONVERT"; the section "PRESETS" keeps whether the first start's presets were
// given ("Seeded"), the chosen preset ("Chosen", its number, 0 for none) and the ticked ones
// ("Ticked", their numbers joined by commas). A name never becomes a section's name, so any
// text may be one. An exported file holds the preset sections alone, numbered the same way.
#include <windows.h>

#include <string>
#include <vector>

#include "base/Inifile.h"
#include "engine/ConvertSettings.h"
#include "engine/NamedSettings.h"

class LogFile;

struct Preset {
  std::wstring name;
  ConvertSettings settings;
  bool ticked = false;  // one of the presets "まとめて書き出す" writes
};

// Names: 1 to 40 characters, any but control characters, unique without regard to case.
constexpr size_t kLongestPresetName = 40;
// More are not read (a hand-made file of thousands), nor imported.
constexpr size_t kMostPresets = 1000;
// An import file larger than this is refused before it is read.
constexpr long long kLargestPresetFile = 4 * 1024 * 1024;

enum class PresetNameProblem { None, Empty, TooLong, ControlCharacter, Taken };
// The reason in the user's words ("" for None).
const wchar_t* PresetNameProblemText(PresetNameProblem problem);
// Whether two names are one, letter case ignored in every script.
bool SamePresetName(const std::wstring& a, const std::wstring& b);

// What a preset does, short: "長辺1600 / JPEG 80 / 位置情報を消す".
std::wstring PresetSummary(const ConvertSettings& settings);

// The presets a first start brings, each writing into a folder of its own name.
std::vector<Preset> FirstStartPresets();

// What an import did, in the user's words.
struct PresetImport {
  HRESULT result = S_OK;  // a failure: nothing was added
  int added = 0;
  std::wstring message;
};

class PresetStore_CL {
public:
  PresetStore_CL() = default;
  virtual ~PresetStore_CL() = default;

  // Reads the presets from ini, each mended where it must be (a name empty, too long, with
  // control characters or taken; values missing or out of range) with one log line a preset.
  // A file whose presets were never seeded (a first start, or a file of an earlier version) gets
  // FirstStartPresets, and seededNow says so: they are the user's from the next Save on, and a
  // preset deleted then never comes back. Never touches the working settings ("CONVERT").
  void Load(const Inifile_CL& ini, LogFile& log);
  // Every preset and "PRESETS" in one whole write of the file; sections of presets no longer
  // there go. The file's other sections stay as they are.
  HRESULT Save(Inifile_CL& ini) const;

  // The index of a preset of this name (case ignored), -1 when none.
  int Find(const std::wstring& name) const;
  // Why name cannot be a preset's; the preset at `except` (a rename) does not count as taken.
  PresetNameProblem NameProblem(const std::wstring& name, int except = -1) const;
  // name when free, else the first free of "name (2)", "name (3)", …, cut to fit 40 characters.
  std::wstring FreeName(const std::wstring& name) const;

  // Adds a preset at the end under a free name (FreeName); its index, -1 when the store is full.
  int Add(Preset preset);
  void Remove(int index);

  // The ticked presets, in order, for "まとめて書き出す".
  std::vector<NamedSettings> TickedPresets() const;

  // Writes the presets alone as a UTF-16 INI file; S_OK or the platform's error.
  HRESULT Export(const std::wstring& path) const;
  // Adds the presets of an exported file, a taken name with " (2)"; keys it does not know are
  // ignored and bad values mended, one log line a preset. An empty file, one not in UTF-16, one
  // larger than kLargestPresetFile or one without presets adds nothing and says why.
  PresetImport Import(const std::wstring& path, LogFile& log);

  std::vector<Preset> presets;
  int chosen = -1;          // the preset picked last, -1 for none
  bool seededNow = false;   // Load gave the first start's presets: not yet in the file
};
