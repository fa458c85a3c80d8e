#include "engine/SaveData.h"

#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "base/Inifile.h"
#include "base/LogFile.h"
#include "engine/OutputNaming.h"
#include "engine/StoredField.h"

namespace {

constexpr wchar_t kConvert[] = L"CONVERT";

// A number read as the default when the file holds one outside low..high.
int InRange(int value, int low, int high, int fallback) { return value >= low && value <= high ? value : fallback; }

// A folder name that breaks a rule (a hand edit, or a file of an older version) would send
// the outputs somewhere else than one folder beside the photos: the default is used instead.
std::wstring UsableFolderName(const std::wstring& stored, const std::wstring& fallback, LogFile& log) {
  const FolderNameProblem problem = OutputFolderNameProblem(stored);
  if (problem == FolderNameProblem::None) return stored;
  log.Write(L"作成フォルダ名「%s」は使えないため「%s」にしました: %s", stored.c_str(),
               fallback.c_str(), FolderNameProblemText(problem));
  return fallback;
}

}  // namespace

SaveData_CL::SaveData_CL() = default;

SaveData_CL::~SaveData_CL() = default;

namespace {

using stored::Choice;
using stored::Flag;
using stored::Number;
using stored::OnOff;
using stored::Text;
using Field = StoredField<SaveData_CL>;

// Every stored field, one line per key: its section, its key, and the field with its type.
constexpr Field kStoredFields[] = {
    Choice<kSizeChoiceCount, SaveData_CL>(kConvert, L"ResizeRadioIndex", [](auto& d) -> auto& { return d.ResizeRadioIndex; }),
    Number<SaveData_CL>(kConvert, L"ResizeResizeEditWidth", [](auto& d) -> auto& { return d.outputWidth; }),
    Number<SaveData_CL>(kConvert, L"ResizeEditHeight", [](auto& d) -> auto& { return d.outputHeight; }),
    Choice<kColourEffectCount, SaveData_CL>(kConvert, L"EffectRadioIndex", [](auto& d) -> auto& { return d.globalEffect.EffectRadioIndex; }),
    Flag<SaveData_CL>(kConvert, L"CheckBriteness", [](auto& d) -> auto& { return d.globalEffect.CheckBriteness; }),
    Number<SaveData_CL>(kConvert, L"ValueBriteness", [](auto& d) -> auto& { return d.globalEffect.ValueBriteness; }),
    Flag<SaveData_CL>(kConvert, L"CheckContrast", [](auto& d) -> auto& { return d.globalEffect.CheckContrast; }),
    Number<SaveData_CL>(kConvert, L"ValueContrast", [](auto& d) -> auto& { return d.globalEffect.ValueContrast; }),
    Choice<kOutputTypeCount, SaveData_CL>(kConvert, L"OutputImageType", [](auto& d) -> auto& { return d.OutputImageType; }),
    Choice<kOutputPlaceCount, SaveData_CL>(kConvert, L"SaveDirTypeIndex", [](auto& d) -> auto& { return d.SaveDirTypeIndex; }),
    Text<SaveData_CL>(kConvert, L"MakeFolder", [](auto& d) -> auto& { return d.MakeFolder; }),
    Flag<SaveData_CL>(kConvert, L"CheckAddFileNameTop", [](auto& d) -> auto& { return d.CheckAddFileNameTop; }),
    Flag<SaveData_CL>(kConvert, L"CheckAddFileNameBottom", [](auto& d) -> auto& { return d.CheckAddFileNameBottom; }),
    Text<SaveData_CL>(kConvert, L"ValueAddFileNameTop", [](auto& d) -> auto& { return d.ValueAddFileNameTop; }),
    Text<SaveData_CL>(kConvert, L"ValueAddFileNameBottom", [](auto& d) -> auto& { return d.ValueAddFileNameBottom; }),
    Choice<kQualityModeCount, SaveData_CL>(kConvert, L"JpegQualityTypeIndex", [](auto& d) -> auto& { return d.JpegQualityTypeIndex; }),
    Number<SaveData_CL>(kConvert, L"JpegQuantization", [](auto& d) -> auto& { return d.JpegQuantization; }),
    Number<SaveData_CL>(kConvert, L"JpegFileSize", [](auto& d) -> auto& { return d.JpegFileSize; }),
    Flag<SaveData_CL>(kConvert, L"KeepMetadata", [](auto& d) -> auto& { return d.KeepMetadata; }),
    Flag<SaveData_CL>(kConvert, L"NoEnlarge", [](auto& d) -> auto& { return d.NoEnlarge; }),
    Number<SaveData_CL>(kConvert, L"LongEdge", [](auto& d) -> auto& { return d.LongEdge; }),
    Number<SaveData_CL>(kConvert, L"ScalePercent", [](auto& d) -> auto& { return d.ScalePercent; }),
    OnOff<SaveData_CL>(kConvert, L"KeepFileTime", [](auto& d) -> auto& { return d.KeepFileTime; }),
    OnOff<SaveData_CL>(kConvert, L"FileTimeFromExif", [](auto& d) -> auto& { return d.FileTimeFromExif; }),
    OnOff<SaveData_CL>(kConvert, L"RemoveGps", [](auto& d) -> auto& { return d.RemoveGps; }),
    OnOff<SaveData_CL>(kConvert, L"Sharpen", [](auto& d) -> auto& { return d.Sharpen; }),
    OnOff<SaveData_CL>(kConvert, L"SkipDone", [](auto& d) -> auto& { return d.SkipDone; }),
    Choice<kFitOrFillCount, SaveData_CL>(kConvert, L"CropToFill", [](auto& d) -> auto& { return d.CropToFill; }),
    Choice<kFillAnchorCount, SaveData_CL>(kConvert, L"CropAnchor", [](auto& d) -> auto& { return d.CropAnchor; }),
    OnOff<SaveData_CL>(kConvert, L"TargetStrict", [](auto& d) -> auto& { return d.TargetStrict; }),
    Text<SaveData_CL>(kConvert, L"OutputFolder", [](auto& d) -> auto& { return d.OutputFolder; }),
    OnOff<SaveData_CL>(kConvert, L"NeverLarger", [](auto& d) -> auto& { return d.NeverLarger; }),
    Text<SaveData_CL>(kConvert, L"FileNamePattern", [](auto& d) -> auto& { return d.FileNamePattern; }),
};

// Whether the file holds any stored key yet: a settings file of an earlier version does, the one
// a first start makes does not.
bool HoldsSettings(const Inifile_CL& ini) {
  constexpr wchar_t kAbsent[] = L"\x01";
  for (const Field& field : kStoredFields) {
    if (ini.ReadString(field.section, field.key, kAbsent) != kAbsent) return true;
  }
  return false;
}

// The mends of a section new to this version (a preset's): besides the rows' own, every number
// outside its range reads as its value before the section was read, as do the folder choices
// that would lose or misplace outputs.
void MendSectionSettings(ConvertSettings& s, const ConvertSettings& before) {
  constexpr int kLargestKb = 1000000;
  if (s.SaveDirTypeIndex == OutputPlace::ChosenFolder && s.OutputFolder.empty()) s.SaveDirTypeIndex = before.SaveDirTypeIndex;
  if (OutputFolderNameProblem(s.MakeFolder) != FolderNameProblem::None) s.MakeFolder = before.MakeFolder;
  s.outputWidth = InRange(s.outputWidth, kSmallestCustomSide, kLargestLongEdge, before.outputWidth);
  s.outputHeight = InRange(s.outputHeight, kSmallestCustomSide, kLargestLongEdge, before.outputHeight);
  s.LongEdge = InRange(s.LongEdge, kSmallestLongEdge, kLargestLongEdge, before.LongEdge);
  s.ScalePercent = InRange(s.ScalePercent, kSmallestScalePercent, kLargestScalePercent, before.ScalePercent);
  s.JpegQuantization = InRange(s.JpegQuantization, 0, 100, before.JpegQuantization);
  s.JpegFileSize = InRange(s.JpegFileSize, 1, kLargestKb, before.JpegFileSize);
  EffectParams& e = s.globalEffect;
  e.ValueBriteness = InRange(e.ValueBriteness, 0, 100, before.globalEffect.ValueBriteness);
  e.ValueContrast = InRange(e.ValueContrast, 0, 100, before.globalEffect.ValueContrast);
}

}  // namespace

std::vector<std::pair<std::wstring, std::wstring>> StoredSettingsKeys(const ConvertSettings& settings) {
  SaveData_CL record;
  static_cast<ConvertSettings&>(record) = settings;
  std::vector<std::pair<std::wstring, std::wstring>> keys;
  for (const Field& field : kStoredFields) {
    keys.emplace_back(field.key, field.text(record));
  }
  return keys;
}

std::vector<std::wstring> ReadStoredSettings(const IniSection& section, ConvertSettings& settings) {
  SaveData_CL record;
  static_cast<ConvertSettings&>(record) = settings;
  SaveData_CL before;
  static_cast<ConvertSettings&>(before) = settings;
  std::vector<bool> refused;       // each settings field: a value that is none of the field's
  std::vector<std::wstring> read;  // each settings field's value after reading, before the mends
  for (const Field& field : kStoredFields) {
    const std::wstring* value = IniValue(section, field.key);
    refused.push_back(value != nullptr && !field.parse(record, *value, before));
    read.push_back(field.text(record));
  }
  MendSectionSettings(record, settings);
  std::vector<std::wstring> mended;
  size_t index = 0;
  for (const Field& field : kStoredFields) {
    if (refused[index] || field.text(record) != read[index]) mended.push_back(field.key);
    ++index;
  }
  settings = static_cast<const ConvertSettings&>(record);
  return mended;
}

void SaveData_CL::Load(const Inifile_CL& ini, LogFile& log) {
  SaveData_CL defaults;
  // New to this version: on from the first start, off for a file of the version before, which
  // then converts as it did.
  defaults.NeverLarger = !HoldsSettings(ini);
  stored::ReadAll(kStoredFields, *this, ini, defaults);
  // A chosen folder without its path (an older version's hand-edited 2) would send the
  // outputs to the drive's root: beside the photos instead, as that version did.
  if (SaveDirTypeIndex == OutputPlace::ChosenFolder && OutputFolder.empty()) SaveDirTypeIndex = defaults.SaveDirTypeIndex;
  MakeFolder = UsableFolderName(MakeFolder, defaults.MakeFolder, log);
  LongEdge = InRange(LongEdge, kSmallestLongEdge, kLargestLongEdge, defaults.LongEdge);
  ScalePercent = InRange(ScalePercent, kSmallestScalePercent, kLargestScalePercent, defaults.ScalePercent);
  // Not yet written by this record: the first Save writes every field once.
  lastStored.clear();
}
bool SaveData_CL::Save(Inifile_CL& ini, LogFile& log, const std::vector<IniEntry>& alongside) {
  std::vector<IniEntry> changed;
  std::vector<std::wstring> now;
  for (const Field& field : kStoredFields) {
    now.push_back(field.text(*this));
    const size_t index = now.size() - 1;
    if (index >= lastStored.size() || lastStored[index] != now.back()) {
      changed.push_back(IniEntry{field.section, field.key, now.back()});
    }
  }
  changed.insert(changed.end(), alongside.begin(), alongside.end());
  if (changed.empty()) return true;
  const HRESULT result = ini.WriteAll(changed);
  if (FAILED(result)) {
    // Logged once until a write succeeds again; the values stay in memory and are written
    // at the next change.
    if (!saveFailureLogged) {
      log.Write(L"設定ファイルを保存できません: 0x%08x %s", static_cast<unsigned>(result), ini.filePath.c_str());
    }
    saveFailureLogged = true;
    return false;
  }
  saveFailureLogged = false;
  lastStored = std::move(now);
  return true;
}
