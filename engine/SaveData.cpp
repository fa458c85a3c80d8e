#include "engine/SaveData.h"

#include <climits>
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
// The conversion's fields live in its ConvertSettings; the window's own two in the record.
using IntField = int& (*)(ConvertSettings&);
using TextField = std::wstring& (*)(ConvertSettings&);
using WindowField = int& (*)(SaveData_CL&);
struct StoredField {
  const wchar_t* section;
  const wchar_t* key;
  IntField number;      // a number of the settings
  TextField text;       // a text of the settings
  WindowField window;   // a number of the window's own
};

constexpr StoredField kStoredFields[] = {
    {kConvert, L"ResizeRadioIndex", [](ConvertSettings& d) -> int& { return d.ResizeRadioIndex; }, nullptr, nullptr},
    {kConvert, L"ResizeResizeEditWidth", [](ConvertSettings& d) -> int& { return d.outputWidth; }, nullptr, nullptr},
    {kConvert, L"ResizeEditHeight", [](ConvertSettings& d) -> int& { return d.outputHeight; }, nullptr, nullptr},
    {kConvert, L"EffectRadioIndex", [](ConvertSettings& d) -> int& { return d.globalEffect.EffectRadioIndex; }, nullptr, nullptr},
    {kConvert, L"CheckBriteness", [](ConvertSettings& d) -> int& { return d.globalEffect.CheckBriteness; }, nullptr, nullptr},
    {kConvert, L"ValueBriteness", [](ConvertSettings& d) -> int& { return d.globalEffect.ValueBriteness; }, nullptr, nullptr},
    {kConvert, L"CheckContrast", [](ConvertSettings& d) -> int& { return d.globalEffect.CheckContrast; }, nullptr, nullptr},
    {kConvert, L"ValueContrast", [](ConvertSettings& d) -> int& { return d.globalEffect.ValueContrast; }, nullptr, nullptr},
    {kConvert, L"OutputImageType", [](ConvertSettings& d) -> int& { return d.OutputImageType; }, nullptr, nullptr},
    {kConvert, L"SaveDirTypeIndex", [](ConvertSettings& d) -> int& { return d.SaveDirTypeIndex; }, nullptr, nullptr},
    {kConvert, L"MakeFolder", nullptr, [](ConvertSettings& d) -> std::wstring& { return d.MakeFolder; }, nullptr},
    {kConvert, L"CheckAddFileNameTop", [](ConvertSettings& d) -> int& { return d.CheckAddFileNameTop; }, nullptr, nullptr},
    {kConvert, L"CheckAddFileNameBottom", [](ConvertSettings& d) -> int& { return d.CheckAddFileNameBottom; }, nullptr, nullptr},
    {kConvert, L"ValueAddFileNameTop", nullptr, [](ConvertSettings& d) -> std::wstring& { return d.ValueAddFileNameTop; }, nullptr},
    {kConvert, L"ValueAddFileNameBottom", nullptr, [](ConvertSettings& d) -> std::wstring& { return d.ValueAddFileNameBottom; }, nullptr},
    {kConvert, L"JpegQualityTypeIndex", [](ConvertSettings& d) -> int& { return d.JpegQualityTypeIndex; }, nullptr, nullptr},
    {kConvert, L"JpegQuantization", [](ConvertSettings& d) -> int& { return d.JpegQuantization; }, nullptr, nullptr},
    {kConvert, L"JpegFileSize", [](ConvertSettings& d) -> int& { return d.JpegFileSize; }, nullptr, nullptr},
    {kAppSetting, L"WindowTopMost", nullptr, nullptr, [](SaveData_CL& d) -> int& { return d.topMost; }},
    {kConvert, L"KeepMetadata", [](ConvertSettings& d) -> int& { return d.KeepMetadata; }, nullptr, nullptr},
    {kConvert, L"NoEnlarge", [](ConvertSettings& d) -> int& { return d.NoEnlarge; }, nullptr, nullptr},
    {kConvert, L"PreviewFit", nullptr, nullptr, [](SaveData_CL& d) -> int& { return d.PreviewFit; }},
    {kConvert, L"LongEdge", [](ConvertSettings& d) -> int& { return d.LongEdge; }, nullptr, nullptr},
    {kConvert, L"ScalePercent", [](ConvertSettings& d) -> int& { return d.ScalePercent; }, nullptr, nullptr},
    {kConvert, L"KeepFileTime", [](ConvertSettings& d) -> int& { return d.KeepFileTime; }, nullptr, nullptr},
    {kConvert, L"FileTimeFromExif", [](ConvertSettings& d) -> int& { return d.FileTimeFromExif; }, nullptr, nullptr},
    {kConvert, L"RemoveGps", [](ConvertSettings& d) -> int& { return d.RemoveGps; }, nullptr, nullptr},
    {kConvert, L"Sharpen", [](ConvertSettings& d) -> int& { return d.Sharpen; }, nullptr, nullptr},
    {kConvert, L"SkipDone", [](ConvertSettings& d) -> int& { return d.SkipDone; }, nullptr, nullptr},
    {kConvert, L"CropToFill", [](ConvertSettings& d) -> int& { return d.CropToFill; }, nullptr, nullptr},
    {kConvert, L"CropAnchor", [](ConvertSettings& d) -> int& { return d.CropAnchor; }, nullptr, nullptr},
    {kConvert, L"TargetStrict", [](ConvertSettings& d) -> int& { return d.TargetStrict; }, nullptr, nullptr},
    {kConvert, L"OutputFolder", nullptr, [](ConvertSettings& d) -> std::wstring& { return d.OutputFolder; }, nullptr},
    {kConvert, L"NeverLarger", [](ConvertSettings& d) -> int& { return d.NeverLarger; }, nullptr, nullptr},
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

bool IsSettingsField(const StoredField& field) { return field.window == nullptr; }

// A settings field's value as the file holds it.
std::wstring SettingsText(const StoredField& field, ConvertSettings& settings) {
  return field.number != nullptr ? std::to_wstring(field.number(settings)) : field.text(settings);
}

// A field's value as the file holds it.
std::wstring StoredText(const StoredField& field, SaveData_CL& data) {
  return IsSettingsField(field) ? SettingsText(field, data) : std::to_wstring(field.window(data));
}

// The mends every reading of settings makes: values that would lose or misplace outputs, and
// the newer switches outside their ranges. A folder name refused is logged when `log` is given.
void MendSettings(ConvertSettings& s, const ConvertSettings& defaults, LogFile* log) {
  s.SaveDirTypeIndex = InRange(s.SaveDirTypeIndex, kSaveOnDesktop, kReplaceSource, defaults.SaveDirTypeIndex);
  // A chosen folder without its path (an older version's hand-edited 2) would send the
  // outputs to the drive's root: beside the photos instead, as that version did.
  if (s.SaveDirTypeIndex == kSaveInChosenFolder && s.OutputFolder.empty()) s.SaveDirTypeIndex = defaults.SaveDirTypeIndex;
  if (log != nullptr) {
    s.MakeFolder = UsableFolderName(s.MakeFolder, defaults.MakeFolder, *log);
  } else if (OutputFolderNameProblem(s.MakeFolder) != FolderNameProblem::None) {
    s.MakeFolder = defaults.MakeFolder;
  }
  s.JpegQualityTypeIndex = OneOfTwo(s.JpegQualityTypeIndex, defaults.JpegQualityTypeIndex);
  s.LongEdge = InRange(s.LongEdge, kSmallestLongEdge, kLargestLongEdge, defaults.LongEdge);
  s.ScalePercent = InRange(s.ScalePercent, kSmallestScalePercent, kLargestScalePercent, defaults.ScalePercent);
  using S = ConvertSettings;
  for (int S::*choice : {&S::KeepFileTime, &S::FileTimeFromExif, &S::RemoveGps, &S::Sharpen, &S::SkipDone,
                         &S::CropToFill, &S::CropAnchor, &S::TargetStrict, &S::NeverLarger}) {
    s.*choice = OneOfTwo(s.*choice, defaults.*choice);
  }
}

// The older fields [CONVERT] keeps as read (a file of an earlier version reads the same), which
// a section new to this version need not: each outside its range reads as its default.
void MendOlderFields(ConvertSettings& s, const ConvertSettings& defaults) {
  constexpr int kLargestKb = 1000000;
  if (!IsValidSizeChoice(s.ResizeRadioIndex)) s.ResizeRadioIndex = defaults.ResizeRadioIndex;
  if (!IsValidOutputType(s.OutputImageType)) s.OutputImageType = defaults.OutputImageType;
  s.outputWidth = InRange(s.outputWidth, kSmallestCustomSide, kLargestLongEdge, defaults.outputWidth);
  s.outputHeight = InRange(s.outputHeight, kSmallestCustomSide, kLargestLongEdge, defaults.outputHeight);
  s.JpegQuantization = InRange(s.JpegQuantization, 0, 100, defaults.JpegQuantization);
  s.JpegFileSize = InRange(s.JpegFileSize, 1, kLargestKb, defaults.JpegFileSize);
  EffectParams& e = s.globalEffect;
  e.EffectRadioIndex = InRange(e.EffectRadioIndex, 0, 2, defaults.globalEffect.EffectRadioIndex);
  e.ValueBriteness = InRange(e.ValueBriteness, 0, 100, defaults.globalEffect.ValueBriteness);
  e.ValueContrast = InRange(e.ValueContrast, 0, 100, defaults.globalEffect.ValueContrast);
  e.CheckBriteness = OneOfTwo(e.CheckBriteness, defaults.globalEffect.CheckBriteness);
  e.CheckContrast = OneOfTwo(e.CheckContrast, defaults.globalEffect.CheckContrast);
  using S = ConvertSettings;
  for (int S::*choice : {&S::KeepMetadata, &S::NoEnlarge, &S::CheckAddFileNameTop, &S::CheckAddFileNameBottom}) {
    s.*choice = OneOfTwo(s.*choice, defaults.*choice);
  }
}

// Decimal text, with an optional minus, that fits an int; nothing else.
bool ParseStoredNumber(const std::wstring& text, int& value) {
  const size_t digits = !text.empty() && text[0] == L'-' ? 1 : 0;
  if (text.size() == digits || text.size() - digits > 10) return false;
  long long number = 0;
  for (size_t i = digits; i < text.size(); ++i) {
    if (text[i] < L'0' || text[i] > L'9') return false;
    number = number * 10 + (text[i] - L'0');
  }
  if (digits == 1) number = -number;
  if (number < INT_MIN || number > INT_MAX) return false;
  value = static_cast<int>(number);
  return true;
}

}  // namespace

std::vector<std::pair<std::wstring, std::wstring>> StoredSettingsKeys(const ConvertSettings& settings) {
  ConvertSettings copy = settings;
  std::vector<std::pair<std::wstring, std::wstring>> keys;
  for (const StoredField& field : kStoredFields) {
    if (IsSettingsField(field)) keys.emplace_back(field.key, SettingsText(field, copy));
  }
  return keys;
}

std::vector<std::wstring> ReadStoredSettings(const IniSection& section, ConvertSettings& settings) {
  const ConvertSettings defaults = settings;
  std::vector<bool> unreadable;    // each settings field: a value that is no number
  std::vector<std::wstring> read;  // each settings field's value after reading, before the mends
  for (const StoredField& field : kStoredFields) {
    if (!IsSettingsField(field)) continue;
    const std::wstring* value = IniValue(section, field.key);
    if (value != nullptr && field.text != nullptr) field.text(settings) = *value;
    unreadable.push_back(value != nullptr && field.number != nullptr && !ParseStoredNumber(*value, field.number(settings)));
    read.push_back(SettingsText(field, settings));
  }
  MendSettings(settings, defaults, nullptr);
  MendOlderFields(settings, defaults);
  std::vector<std::wstring> mended;
  size_t index = 0;
  for (const StoredField& field : kStoredFields) {
    if (!IsSettingsField(field)) continue;
    if (unreadable[index] || SettingsText(field, settings) != read[index]) mended.push_back(field.key);
    ++index;
  }
  return mended;
}

void SaveData_CL::Load(const Inifile_CL& ini, LogFile& log) {
  SaveData_CL defaults;
  // New to this version: on from the first start, off for a file of the version before, which
  // then converts as it did.
  defaults.NeverLarger = HoldsSettings(ini) ? 0 : 1;
  for (const StoredField& field : kStoredFields) {
    if (field.window != nullptr) {
      field.window(*this) = ini.ReadInt(field.section, field.key, field.window(defaults));
    } else if (field.number != nullptr) {
      field.number(*this) = ini.ReadInt(field.section, field.key, field.number(defaults));
    } else {
      field.text(*this) = ini.ReadString(field.section, field.key, field.text(defaults));
    }
  }
  MendSettings(*this, defaults, &log);
  PreviewFit = OneOfTwo(PreviewFit, defaults.PreviewFit);
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
