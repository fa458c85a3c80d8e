#include "engine/SaveData.h"

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
std::wstring UsableFolderName(const std::wstring& stored, const std::wstring& fallback) {
  const FolderNameProblem problem = OutputFolderNameProblem(stored);
  if (problem == FolderNameProblem::None) return stored;
  theLog.Write(L"作成フォルダ名「%s」は使えないため「%s」にしました: %s", stored.c_str(),
               fallback.c_str(), FolderNameProblemText(problem));
  return fallback;
}

}  // namespace

SaveData_CL::SaveData_CL() = default;

SaveData_CL::~SaveData_CL() = default;

void SaveData_CL::Load() {
  const SaveData_CL defaults;
  const Inifile_CL& ini = theIniFile;
  ResizeRadioIndex = ini.ReadInt(kConvert, L"ResizeRadioIndex", defaults.ResizeRadioIndex);
  outputWidth = ini.ReadInt(kConvert, L"ResizeResizeEditWidth", defaults.outputWidth);
  outputHeight = ini.ReadInt(kConvert, L"ResizeEditHeight", defaults.outputHeight);
  OutputImageType = ini.ReadInt(kConvert, L"OutputImageType", defaults.OutputImageType);
  globalEffect.EffectRadioIndex =
      ini.ReadInt(kConvert, L"EffectRadioIndex", defaults.globalEffect.EffectRadioIndex);
  globalEffect.CheckBriteness =
      ini.ReadInt(kConvert, L"CheckBriteness", defaults.globalEffect.CheckBriteness);
  globalEffect.ValueBriteness =
      ini.ReadInt(kConvert, L"ValueBriteness", defaults.globalEffect.ValueBriteness);
  globalEffect.CheckContrast =
      ini.ReadInt(kConvert, L"CheckContrast", defaults.globalEffect.CheckContrast);
  globalEffect.ValueContrast =
      ini.ReadInt(kConvert, L"ValueContrast", defaults.globalEffect.ValueContrast);
  SaveDirTypeIndex = OneOfTwo(ini.ReadInt(kConvert, L"SaveDirTypeIndex", defaults.SaveDirTypeIndex),
                              defaults.SaveDirTypeIndex);
  MakeFolder = UsableFolderName(ini.ReadString(kConvert, L"MakeFolder", defaults.MakeFolder),
                                defaults.MakeFolder);
  CheckAddFileNameTop =
      ini.ReadInt(kConvert, L"CheckAddFileNameTop", defaults.CheckAddFileNameTop);
  CheckAddFileNameBottom =
      ini.ReadInt(kConvert, L"CheckAddFileNameBottom", defaults.CheckAddFileNameBottom);
  ValueAddFileNameTop =
      ini.ReadString(kConvert, L"ValueAddFileNameTop", defaults.ValueAddFileNameTop);
  ValueAddFileNameBottom =
      ini.ReadString(kConvert, L"ValueAddFileNameBottom", defaults.ValueAddFileNameBottom);
  JpegQualityTypeIndex = OneOfTwo(
      ini.ReadInt(kConvert, L"JpegQualityTypeIndex", defaults.JpegQualityTypeIndex),
      defaults.JpegQualityTypeIndex);
  JpegQuantization = ini.ReadInt(kConvert, L"JpegQuantization", defaults.JpegQuantization);
  JpegFileSize = ini.ReadInt(kConvert, L"JpegFileSize", defaults.JpegFileSize);
  topMost = ini.ReadInt(kAppSetting, L"WindowTopMost", defaults.topMost);
  KeepMetadata = ini.ReadInt(kConvert, L"KeepMetadata", defaults.KeepMetadata);
  NoEnlarge = ini.ReadInt(kConvert, L"NoEnlarge", defaults.NoEnlarge);
  PreviewFit = OneOfTwo(ini.ReadInt(kConvert, L"PreviewFit", defaults.PreviewFit), defaults.PreviewFit);
  LongEdge = InRange(ini.ReadInt(kConvert, L"LongEdge", defaults.LongEdge), kSmallestLongEdge, kLargestLongEdge,
                     defaults.LongEdge);
  ScalePercent = InRange(ini.ReadInt(kConvert, L"ScalePercent", defaults.ScalePercent), kSmallestScalePercent,
                         kLargestScalePercent, defaults.ScalePercent);
  KeepFileTime = OneOfTwo(ini.ReadInt(kConvert, L"KeepFileTime", defaults.KeepFileTime), defaults.KeepFileTime);
  FileTimeFromExif =
      OneOfTwo(ini.ReadInt(kConvert, L"FileTimeFromExif", defaults.FileTimeFromExif), defaults.FileTimeFromExif);
  RemoveGps = OneOfTwo(ini.ReadInt(kConvert, L"RemoveGps", defaults.RemoveGps), defaults.RemoveGps);
  Sharpen = OneOfTwo(ini.ReadInt(kConvert, L"Sharpen", defaults.Sharpen), defaults.Sharpen);
  SkipDone = OneOfTwo(ini.ReadInt(kConvert, L"SkipDone", defaults.SkipDone), defaults.SkipDone);
}

void SaveData_CL::Save() const {
  const Inifile_CL& ini = theIniFile;
  ini.WriteInt(kConvert, L"ResizeRadioIndex", ResizeRadioIndex);
  ini.WriteInt(kConvert, L"ResizeResizeEditWidth", outputWidth);
  ini.WriteInt(kConvert, L"ResizeEditHeight", outputHeight);
  ini.WriteInt(kConvert, L"EffectRadioIndex", globalEffect.EffectRadioIndex);
  ini.WriteInt(kConvert, L"CheckBriteness", globalEffect.CheckBriteness);
  ini.WriteInt(kConvert, L"ValueBriteness", globalEffect.ValueBriteness);
  ini.WriteInt(kConvert, L"CheckContrast", globalEffect.CheckContrast);
  ini.WriteInt(kConvert, L"ValueContrast", globalEffect.ValueContrast);
  ini.WriteInt(kConvert, L"OutputImageType", OutputImageType);
  ini.WriteInt(kConvert, L"SaveDirTypeIndex", SaveDirTypeIndex);
  ini.WriteString(kConvert, L"MakeFolder", MakeFolder);
  ini.WriteInt(kConvert, L"CheckAddFileNameTop", CheckAddFileNameTop);
  ini.WriteInt(kConvert, L"CheckAddFileNameBottom", CheckAddFileNameBottom);
  ini.WriteString(kConvert, L"ValueAddFileNameTop", ValueAddFileNameTop);
  ini.WriteString(kConvert, L"ValueAddFileNameBottom", ValueAddFileNameBottom);
  ini.WriteInt(kConvert, L"JpegQualityTypeIndex", JpegQualityTypeIndex);
  ini.WriteInt(kConvert, L"JpegQuantization", JpegQuantization);
  ini.WriteInt(kConvert, L"JpegFileSize", JpegFileSize);
  ini.WriteInt(kAppSetting, L"WindowTopMost", topMost);
  ini.WriteInt(kConvert, L"KeepMetadata", KeepMetadata);
  ini.WriteInt(kConvert, L"NoEnlarge", NoEnlarge);
  ini.WriteInt(kConvert, L"PreviewFit", PreviewFit);
  ini.WriteInt(kConvert, L"LongEdge", LongEdge);
  ini.WriteInt(kConvert, L"ScalePercent", ScalePercent);
  ini.WriteInt(kConvert, L"KeepFileTime", KeepFileTime);
  ini.WriteInt(kConvert, L"FileTimeFromExif", FileTimeFromExif);
  ini.WriteInt(kConvert, L"RemoveGps", RemoveGps);
  ini.WriteInt(kConvert, L"Sharpen", Sharpen);
  ini.WriteInt(kConvert, L"SkipDone", SkipDone);
}

void SaveData_CL::Clear() {
  items.clear();
  currentIndex = -1;
  currentItem = nullptr;
}

void SaveData_CL::AddItem(PhotoItem item) {
  items.push_back(std::move(item));
  // Growing the vector may move its elements: point at the current photo's new place.
  if (currentIndex >= 0 && currentIndex < static_cast<int>(items.size())) {
    currentItem = &items[currentIndex];
  }
}

int SaveData_CL::ValidResizeIndex() const {
  return IsValidSizeChoice(ResizeRadioIndex) ? ResizeRadioIndex : kDefaultSizeChoice;
}

int SaveData_CL::ValidOutputType() const {
  return IsValidOutputType(OutputImageType) ? OutputImageType : kDefaultOutputType;
}
