#include "engine/SaveData.h"

#include <string>
#include <vector>

#include "base/Inifile.h"
#include "base/LogFile.h"
#include "engine/OutputNaming.h"

namespace {

constexpr wchar_t kConvert[] = L"CONVERT";
constexpr wchar_t kAppSetting[] = L"APP_SETTING";

// A choice of two read as the default when the file holds anything else.
int OneOfTwo(int value, int fallback) { return value == 0 || value == 1 ? value : fallback; }

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

// Every stored field, one line per key: its section, its key and where it lives in the record.
using IntField = int& (*)(SaveData_CL&);
using TextField = std::wstring& (*)(SaveData_CL&);
struct StoredField {
  const wchar_t* section;
  const wchar_t* key;
  IntField number;  // null for a text field
  TextField text;   // null for a number field
};

constexpr StoredField kStoredFields[] = {
    {kConvert, L"ResizeRadioIndex", [](SaveData_CL& d) -> int& { return d.ResizeRadioIndex; }, nullptr},
    {kConvert, L"ResizeResizeEditWidth", [](SaveData_CL& d) -> int& { return d.outputWidth; }, nullptr},
    {kConvert, L"ResizeEditHeight", [](SaveData_CL& d) -> int& { return d.outputHeight; }, nullptr},
    {kConvert, L"EffectRadioIndex", [](SaveData_CL& d) -> int& { return d.globalEffect.EffectRadioIndex; }, nullptr},
    {kConvert, L"CheckBriteness", [](SaveData_CL& d) -> int& { return d.globalEffect.CheckBriteness; }, nullptr},
    {kConvert, L"ValueBriteness", [](SaveData_CL& d) -> int& { return d.globalEffect.ValueBriteness; }, nullptr},
    {kConvert, L"CheckContrast", [](SaveData_CL& d) -> int& { return d.globalEffect.CheckContrast; }, nullptr},
    {kConvert, L"ValueContrast", [](SaveData_CL& d) -> int& { return d.globalEffect.ValueContrast; }, nullptr},
    {kConvert, L"OutputImageType", [](SaveData_CL& d) -> int& { return d.OutputImageType; }, nullptr},
    {kConvert, L"SaveDirTypeIndex", [](SaveData_CL& d) -> int& { return d.SaveDirTypeIndex; }, nullptr},
    {kConvert, L"MakeFolder", nullptr, [](SaveData_CL& d) -> std::wstring& { return d.MakeFolder; }},
    {kConvert, L"CheckAddFileNameTop", [](SaveData_CL& d) -> int& { return d.CheckAddFileNameTop; }, nullptr},
    {kConvert, L"CheckAddFileNameBottom", [](SaveData_CL& d) -> int& { return d.CheckAddFileNameBottom; }, nullptr},
    {kConvert, L"ValueAddFileNameTop", nullptr, [](SaveData_CL& d) -> std::wstring& { return d.ValueAddFileNameTop; }},
    {kConvert, L"ValueAddFileNameBottom", nullptr, [](SaveData_CL& d) -> std::wstring& { return d.ValueAddFileNameBottom; }},
    {kConvert, L"JpegQualityTypeIndex", [](SaveData_CL& d) -> int& { return d.JpegQualityTypeIndex; }, nullptr},
    {kConvert, L"JpegQuantization", [](SaveData_CL& d) -> int& { return d.JpegQuantization; }, nullptr},
    {kConvert, L"JpegFileSize", [](SaveData_CL& d) -> int& { return d.JpegFileSize; }, nullptr},
    {kAppSetting, L"WindowTopMost", [](SaveData_CL& d) -> int& { return d.topMost; }, nullptr},
    {kConvert, L"KeepMetadata", [](SaveData_CL& d) -> int& { return d.KeepMetadata; }, nullptr},
    {kConvert, L"NoEnlarge", [](SaveData_CL& d) -> int& { return d.NoEnlarge; }, nullptr},
    {kConvert, L"PreviewFit", [](SaveData_CL& d) -> int& { return d.PreviewFit; }, nullptr},
    {kConvert, L"LongEdge", [](SaveData_CL& d) -> int& { return d.LongEdge; }, nullptr},
    {kConvert, L"ScalePercent", [](SaveData_CL& d) -> int& { return d.ScalePercent; }, nullptr},
    {kConvert, L"KeepFileTime", [](SaveData_CL& d) -> int& { return d.KeepFileTime; }, nullptr},
    {kConvert, L"FileTimeFromExif", [](SaveData_CL& d) -> int& { return d.FileTimeFromExif; }, nullptr},
    {kConvert, L"RemoveGps", [](SaveData_CL& d) -> int& { return d.RemoveGps; }, nullptr},
    {kConvert, L"Sharpen", [](SaveData_CL& d) -> int& { return d.Sharpen; }, nullptr},
    {kConvert, L"SkipDone", [](SaveData_CL& d) -> int& { return d.SkipDone; }, nullptr},
    {kConvert, L"CropToFill", [](SaveData_CL& d) -> int& { return d.CropToFill; }, nullptr},
    {kConvert, L"CropAnchor", [](SaveData_CL& d) -> int& { return d.CropAnchor; }, nullptr},
    {kConvert, L"TargetStrict", [](SaveData_CL& d) -> int& { return d.TargetStrict; }, nullptr},
    {kConvert, L"OutputFolder", nullptr, [](SaveData_CL& d) -> std::wstring& { return d.OutputFolder; }},
    {kConvert, L"NeverLarger", [](SaveData_CL& d) -> int& { return d.NeverLarger; }, nullptr},
    {kConvert, L"FileNamePattern", nullptr, [](SaveData_CL& d) -> std::wstring& { return d.FileNamePattern; }},
};

// Whether the file holds any stored key yet: a settings file of an earlier version does, the one
// a first start makes does not.
bool HoldsSettings(const Inifile_CL& ini) {
  constexpr wchar_t kAbsent[] = L"\x01";
  for (const StoredField& field : kStoredFields) {
    if (ini.ReadString(field.section, field.key, kAbsent) != kAbsent) return true;
  }
  return false;
}

// A field's value as the file holds it.
std::wstring StoredText(const StoredField& field, SaveData_CL& data) {
  return field.number != nullptr ? std::to_wstring(field.number(data)) : field.text(data);
}

}  // namespace

void SaveData_CL::Load(const Inifile_CL& ini, LogFile& log) {
  SaveData_CL defaults;
  // New to this version: on from the first start, off for a file of the version before, which
  // then converts as it did.
  defaults.NeverLarger = HoldsSettings(ini) ? 0 : 1;
  for (const StoredField& field : kStoredFields) {
    if (field.number != nullptr) {
      field.number(*this) = ini.ReadInt(field.section, field.key, field.number(defaults));
    } else {
      field.text(*this) = ini.ReadString(field.section, field.key, field.text(defaults));
    }
  }
  SaveDirTypeIndex = InRange(SaveDirTypeIndex, kSaveOnDesktop, kReplaceSource, defaults.SaveDirTypeIndex);
  // A chosen folder without its path (an older version's hand-edited 2) would send the
  // outputs to the drive's root: beside the photos instead, as that version did.
  if (SaveDirTypeIndex == kSaveInChosenFolder && OutputFolder.empty()) SaveDirTypeIndex = defaults.SaveDirTypeIndex;
  MakeFolder = UsableFolderName(MakeFolder, defaults.MakeFolder, log);
  JpegQualityTypeIndex = OneOfTwo(JpegQualityTypeIndex, defaults.JpegQualityTypeIndex);
  PreviewFit = OneOfTwo(PreviewFit, defaults.PreviewFit);
  LongEdge = InRange(LongEdge, kSmallestLongEdge, kLargestLongEdge, defaults.LongEdge);
  ScalePercent = InRange(ScalePercent, kSmallestScalePercent, kLargestScalePercent, defaults.ScalePercent);
  KeepFileTime = OneOfTwo(KeepFileTime, defaults.KeepFileTime);
  FileTimeFromExif = OneOfTwo(FileTimeFromExif, defaults.FileTimeFromExif);
  RemoveGps = OneOfTwo(RemoveGps, defaults.RemoveGps);
  Sharpen = OneOfTwo(Sharpen, defaults.Sharpen);
  SkipDone = OneOfTwo(SkipDone, defaults.SkipDone);
  CropToFill = OneOfTwo(CropToFill, defaults.CropToFill);
  CropAnchor = OneOfTwo(CropAnchor, defaults.CropAnchor);
  TargetStrict = OneOfTwo(TargetStrict, defaults.TargetStrict);
  NeverLarger = OneOfTwo(NeverLarger, defaults.NeverLarger);
  // Not yet written by this record: the first Save writes every field once.
  lastStored.clear();
}

bool SaveData_CL::Save(Inifile_CL& ini, LogFile& log, const std::vector<IniEntry>& alongside) {
  std::vector<IniEntry> changed;
  std::vector<std::wstring> now;
  for (const StoredField& field : kStoredFields) {
    now.push_back(StoredText(field, *this));
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
