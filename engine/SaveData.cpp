#include "engine/SaveData.h"

#include <string>
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

}  // namespace

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
