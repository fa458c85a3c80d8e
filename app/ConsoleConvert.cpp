#include "app/ConsoleConvert.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cwctype>

#include "base/GpOwned.h"
#include "base/Inifile.h"
#include "base/LogFile.h"
#include "base/PathIdentity.h"
#include "base/ShellHelpers.h"
#include "engine/ChosenFolder.h"
#include "engine/ConvertBatch.h"
#include "engine/FileNamePattern.h"
#include "engine/OutputNaming.h"
#include "engine/VipsSession.h"
#include "app/StartUp.h"
#include "intake/FindPicture.h"

namespace {

constexpr int kLargestSide = 65535;

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

// "/size" and "-size" alike, in lower case.
std::wstring OptionName(const std::wstring& argument) {
  if (argument.size() < 2 || (argument[0] != L'/' && argument[0] != L'-')) return {};
  return L"/" + Lower(argument.substr(1));
}

bool ParseWholeNumber(const std::wstring& text, int low, int high, int& value) {
  if (text.empty() || text.size() > 9) return false;
  int number = 0;
  for (const wchar_t c : text) {
    if (c < L'0' || c > L'9') return false;
    number = number * 10 + (c - L'0');
  }
  if (number < low || number > high) return false;
  value = number;
  return true;
}

// "800x600" (or "800X600"), each side at least kSmallestCustomSide; or "keep".
bool ApplySize(const std::wstring& text, ConvertSettings& settings) {
  if (Lower(text) == L"keep") {
    settings.ResizeRadioIndex = SizeChoice::Keep;
    return true;
  }
  const size_t x = Lower(text).find(L'x');
  int width = 0;
  int height = 0;
  if (x == std::wstring::npos || !ParseWholeNumber(text.substr(0, x), 0, kLargestSide, width) ||
      !ParseWholeNumber(text.substr(x + 1), 0, kLargestSide, height) || !IsUsableCustomSize(width, height))
    return false;
  settings.ResizeRadioIndex = SizeChoice::Custom;
  settings.outputWidth = width;
  settings.outputHeight = height;
  return true;
}

bool ApplyType(const std::wstring& text, ConvertSettings& settings) {
  struct TypeName {
    const wchar_t* name;
    OutputTypeChoice choice;
  };
  constexpr TypeName kTypes[] = {{L"keep", kKeepSourceType}, {L"jpg", kAllJpeg}, {L"jpeg", kAllJpeg},
                                 {L"png", kAllPng},          {L"bmp", kAllBmp},  {L"webp", kAllWebp},
                                 {L"avif", kAllAvif}};
  const std::wstring wanted = Lower(text);
  for (const TypeName& type : kTypes) {
    if (wanted == type.name) {
      settings.OutputImageType = type.choice;
      return true;
    }
  }
  return false;
}

bool ApplyEffect(const std::wstring& text, ConvertSettings& settings) {
  const std::wstring wanted = Lower(text);
  if (wanted == L"grey" || wanted == L"gray") {
    settings.globalEffect.EffectRadioIndex = ColourEffect::GreyScale;
  } else if (wanted == L"sepia") {
    settings.globalEffect.EffectRadioIndex = ColourEffect::Sepia;
  } else if (wanted == L"none") {
    settings.globalEffect = EffectParams{};
  } else {
    return false;
  }
  return true;
}

// "/out FOLDER": the outputs go under FOLDER (made absolute from the current folder), each
// photo's sub-folders below the folder it was found in recreated there.
bool ApplyChosenFolder(const std::wstring& value, ConvertSettings& settings) {
  const std::wstring full = FullPathOf(value);
  if (value.empty() || full.empty()) return false;
  settings.SaveDirTypeIndex = OutputPlace::ChosenFolder;
  settings.OutputFolder = full;
  return true;
}

// Applies one option that takes a value; false when the value is not good for it.
bool ApplyValue(const std::wstring& option, const std::wstring& value, ConvertSettings& settings, ConsoleRequest& request) {
  if (option == L"/size") return ApplySize(value, settings);
  if (option == L"/type") return ApplyType(value, settings);
  if (option == L"/effect") return ApplyEffect(value, settings);
  if (option == L"/quality") {
    settings.JpegQualityTypeIndex = QualityMode::Fixed;
    return ParseWholeNumber(value, 0, 100, settings.JpegQuantization);
  }
  if (option == L"/target-kb") {
    settings.JpegQualityTypeIndex = QualityMode::TargetSize;
    settings.TargetStrict = false;
    return ParseWholeNumber(value, 1, 1000000, settings.JpegFileSize);
  }
  if (option == L"/max-kb") {
    settings.JpegQualityTypeIndex = QualityMode::TargetSize;
    settings.TargetStrict = true;
    return ParseWholeNumber(value, 1, 1000000, settings.JpegFileSize);
  }
  if (option == L"/out") return ApplyChosenFolder(value, settings);
  if (option == L"/long-edge") {
    settings.ResizeRadioIndex = SizeChoice::LongEdge;
    return ParseWholeNumber(value, kSmallestLongEdge, kLargestLongEdge, settings.LongEdge);
  }
  if (option == L"/scale") {
    settings.ResizeRadioIndex = SizeChoice::Percent;
    return ParseWholeNumber(value, kSmallestScalePercent, kLargestScalePercent, settings.ScalePercent);
  }
  if (option == L"/workers") return ParseWholeNumber(value, 1, ConvertBatch_CL::kMostWorkers, request.workers);
  if (option == L"/folder") {
    if (OutputFolderNameProblem(value) != FolderNameProblem::None) return false;
    settings.MakeFolder = value;
    settings.SaveDirTypeIndex = OutputPlace::BesideSource;
    return true;
  }
  if (option == L"/prefix") {
    settings.CheckAddFileNameTop = true;
    settings.ValueAddFileNameTop = value;
    return true;
  }
  if (option == L"/suffix") {
    settings.CheckAddFileNameBottom = true;
    settings.ValueAddFileNameBottom = value;
    return true;
  }
  if (option == L"/name") {
    settings.FileNamePattern = value;  // checked once every option is read
    return true;
  }
  return false;
}

bool TakesValue(const std::wstring& option) {
  constexpr const wchar_t* kValued[] = {L"/size",   L"/type",   L"/quality", L"/target-kb", L"/effect",   L"/folder",
                                        L"/prefix", L"/suffix", L"/workers", L"/long-edge", L"/scale",
                                        L"/max-kb", L"/out",    L"/name"};
  for (const wchar_t* name : kValued) {
    if (option == name) return true;
  }
  return false;
}

// Applies a switch without a value; false when there is no such switch.
bool ApplySwitch(const std::wstring& option, ConvertSettings& settings, ConsoleRequest& request) {
  if (option == L"/desktop") {
    settings.SaveDirTypeIndex = OutputPlace::Desktop;
  } else if (option == L"/strip") {
    settings.KeepMetadata = false;
  } else if (option == L"/no-enlarge") {
    settings.NoEnlarge = true;
  } else if (option == L"/keep-time") {
    settings.KeepFileTime = true;
    settings.FileTimeFromExif = false;
  } else if (option == L"/exif-time") {
    settings.KeepFileTime = true;
    settings.FileTimeFromExif = true;
  } else if (option == L"/new-time") {
    settings.KeepFileTime = false;
  } else if (option == L"/no-gps") {
    settings.RemoveGps = true;
  } else if (option == L"/sharpen") {
    settings.Sharpen = true;
  } else if (option == L"/no-sharpen") {
    settings.Sharpen = false;
  } else if (option == L"/skip-done") {
    settings.SkipDone = true;
  } else if (option == L"/never-larger") {
    settings.NeverLarger = true;
  } else if (option == L"/allow-larger") {
    settings.NeverLarger = false;
  } else if (option == L"/replace") {
    settings.SaveDirTypeIndex = OutputPlace::ReplaceSource;
  } else if (option == L"/fill") {
    settings.CropToFill = FitOrFill::Fill;
    settings.CropAnchor = FillAnchor::Centre;
  } else if (option == L"/?" || option == L"/help") {
    request.showUsage = true;
  } else if (option == L"/presets") {
    request.listPresets = true;
  } else if (option != L"/convert") {
    return false;
  }
  return true;
}

// Writes to the console the program was started from, or to its redirected output.
class ConsoleOutput {
public:
  ConsoleOutput() {
    handle = GetStdHandle(STD_OUTPUT_HANDLE);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
      if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        console.reset(CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        handle = console.get();
      }
    }
    DWORD mode = 0;
    toConsole = handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
  }
  void Line(const std::wstring& text) const {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
    const std::wstring line = text + L"\r\n";
    DWORD written = 0;
    if (toConsole) {
      WriteConsoleW(handle, line.c_str(), static_cast<DWORD>(line.size()), &written, nullptr);
      return;
    }
    const std::string utf8 = Utf8Path(line);
    WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  }

private:
  HANDLE handle = nullptr;
  KernelHandle console;
  bool toConsole = false;  // a console, written in UTF-16; else a file or pipe, in UTF-8
};

// A path named on the command line that gave no photo to convert, and why, in the user's words.
struct UnusedPath {
  std::wstring path;
  std::wstring reason;
};

// A file named as it is, not a folder and no wildcard.
bool IsPlainFile(const std::wstring& path, DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && path.find_first_of(L"*?") == std::wstring::npos;
}

// The photos under every path, in order. A file named as it is goes to the batch whatever its
// extension, so one that is no photo is reported with the reason it cannot be read; a path
// that does not exist, and a folder without any photo, are named in `unused`. The walk passes
// over the `skipped` folders, which hold outputs.
std::vector<PhotoItem> GatherPhotos(const std::vector<std::wstring>& paths, const SkippedFolders& skipped,
                                    std::vector<UnusedPath>& unused) {
  PhotoList gathered;
  for (const std::wstring& path : paths) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      unused.push_back({path, L"見つかりません"});
      continue;
    }
    const std::size_t before = gathered.items.size();
    if (IsPlainFile(path, attributes) && !HasPictureExtension(path)) {
      PhotoItem named;
      named.path = path;
      gathered.AddItem(named);
      continue;
    }
    RegisterPath(path, gathered, skipped);
    if (gathered.items.size() == before) unused.push_back({path, L"写真が見つかりません"});
  }
  return gathered.items;
}

// While it lives, Ctrl+C (or Ctrl+Break, or the console closing) stops the batch as "中止"
// does: the photos in hand stop, and the results are still printed.
class StopOnConsoleBreak {
public:
  StopOnConsoleBreak() {
    flag = 0;
    SetConsoleCtrlHandler(&OnBreak, TRUE);
  }
  ~StopOnConsoleBreak() { SetConsoleCtrlHandler(&OnBreak, FALSE); }
  StopOnConsoleBreak(const StopOnConsoleBreak&) = delete;
  StopOnConsoleBreak& operator=(const StopOnConsoleBreak&) = delete;

  static inline std::atomic<int> flag{0};

private:
  static BOOL WINAPI OnBreak(DWORD) {
    flag = 1;
    return TRUE;
  }
};

std::wstring ResultLine(const PhotoResult& result) {
  if (result.failure == PhotoFailure::None && result.sizeGiven.madeSmaller)
    return L"OK " + OutputName(result) + L" -> " + result.output + L" (" + std::to_wstring(result.sizeGiven.width) +
           L" x " + std::to_wstring(result.sizeGiven.height) + L" に縮小)";
  if (result.failure == PhotoFailure::None) return L"OK " + OutputName(result) + L" -> " + result.output;
  if (result.failure == PhotoFailure::AlreadyDone) return L"SKIP " + OutputName(result) + L" -> " + result.output;
  std::wstring line = L"NG " + OutputName(result) + L" : " + FailureText(result.failure);
  if (!result.detail.empty()) line += L" (" + result.detail + L")";
  return line;
}

}  // namespace

bool IsConsoleConversion(const std::vector<std::wstring>& arguments) {
  for (const std::wstring& argument : arguments) {
    if (OptionName(argument) == L"/convert" || OptionName(argument) == L"/presets") return true;
  }
  return false;
}

namespace {

// The arguments [begin, end) applied to settings; the paths among them join the request when
// `takePaths`. False at the first bad option, named in request.error.
bool ApplyArguments(const std::vector<std::wstring>& arguments, size_t begin, size_t end, ConvertSettings& settings,
                    ConsoleRequest& request, bool takePaths) {
  for (size_t i = begin; i < end; ++i) {
    const std::wstring option = OptionName(arguments[i]);
    if (option.empty()) {
      if (takePaths) request.paths.push_back(arguments[i]);
      continue;
    }
    if (TakesValue(option)) {
      if (i + 1 >= end || !ApplyValue(option, arguments[i + 1], settings, request)) {
        request.error = arguments[i] + (i + 1 < end ? L" " + arguments[i + 1] : L"");
        return false;
      }
      ++i;
      continue;
    }
    if (!ApplySwitch(option, settings, request)) {
      request.error = arguments[i];
      return false;
    }
    // "/fill smart" cuts around what draws the eye, "/fill centre" (or "/fill") at the centre.
    if (option == L"/fill" && i + 1 < end) {
      const std::wstring anchor = Lower(arguments[i + 1]);
      if (anchor == L"smart") {
        settings.CropAnchor = FillAnchor::Attention;
        ++i;
      } else if (anchor == L"centre" || anchor == L"center") {
        ++i;
      }
    }
  }
  return true;
}

// Where each "/preset NAME" stands: the index of its "/preset"; a value of another option that
// reads "/preset" is no preset.
std::vector<size_t> PresetPositions(const std::vector<std::wstring>& arguments) {
  std::vector<size_t> positions;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::wstring option = OptionName(arguments[i]);
    if (option == L"/preset") {
      positions.push_back(i);
      ++i;
    } else if (TakesValue(option)) {
      ++i;
    }
  }
  return positions;
}

// The settings of the preset named at `position`, with the shared options and its own applied;
// false with request.error set when there is no name, no such preset, or it was named before.
bool AddPresetOutput(const std::vector<std::wstring>& arguments, size_t position, size_t end, size_t sharedEnd,
                     const std::vector<Preset>& presets, ConsoleRequest& request) {
  if (position + 1 >= end) {
    request.error = L"/preset の後にプリセットの名前がありません";
    return false;
  }
  const std::wstring& name = arguments[position + 1];
  const auto preset = std::find_if(presets.begin(), presets.end(), [&name](const Preset& p) { return SamePresetName(p.name, name); });
  if (preset == presets.end()) {
    request.error = L"プリセット「" + name + L"」はありません";
    request.unknownPreset = true;
    return false;
  }
  for (const NamedSettings& output : request.outputs) {
    if (output.name == preset->name) {
      // Its outputs would overwrite each other.
      request.error = L"プリセット「" + name + L"」が2回指定されています";
      return false;
    }
  }
  NamedSettings output{preset->name, preset->settings};
  // Photos are replaced only when this command line says so, as with the working settings.
  if (output.settings.SaveDirTypeIndex == OutputPlace::ReplaceSource) output.settings.SaveDirTypeIndex = OutputPlace::BesideSource;
  if (!ApplyArguments(arguments, 0, sharedEnd, output.settings, request, false) ||
      !ApplyArguments(arguments, position + 2, end, output.settings, request, true)) {
    return false;
  }
  request.outputs.push_back(std::move(output));
  return true;
}

}  // namespace

ConsoleRequest ParseConsoleRequest(const std::vector<std::wstring>& arguments, ConvertSettings& settings,
                                   const std::vector<Preset>& presets) {
  ConsoleRequest request;
  const std::vector<size_t> positions = PresetPositions(arguments);
  const size_t sharedEnd = positions.empty() ? arguments.size() : positions.front();
  if (!ApplyArguments(arguments, 0, sharedEnd, settings, request, true)) return request;
  for (size_t k = 0; k < positions.size(); ++k) {
    const size_t end = k + 1 < positions.size() ? positions[k + 1] : arguments.size();
    if (!AddPresetOutput(arguments, positions[k], end, sharedEnd, presets, request)) return request;
  }
  if (request.paths.empty() && !request.showUsage && !request.listPresets) {
    request.error = L"変換する写真かフォルダーがありません";
  }
  return request;
}

std::vector<std::wstring> PresetLines(const std::vector<Preset>& presets) {
  std::vector<std::wstring> lines;
  for (const Preset& preset : presets) lines.push_back(preset.name + L"\t" + PresetSummary(preset.settings));
  return lines;
}

std::wstring ConsoleUsage() {
  return L"使い方: Glimmerset.exe /convert [オプション] ファイルまたはフォルダー...\r\n"
         L"  /size 800x600 | /size keep   変換サイズ（keep はサイズ変更無し）\r\n"
         L"  /long-edge 1600              長辺を指定 (ピクセル)\r\n"
         L"  /scale 50                    元のサイズの N % (1-400)\r\n"
         L"  /type keep|jpg|png|bmp|webp|avif  変換後の画像タイプ\r\n"
         L"  /quality 80                  JPEG・WebP・AVIF の画質 (0-100)\r\n"
         L"  /target-kb 100               JPEG のファイルサイズの目安 (KB)\r\n"
         L"  /max-kb 500                  必ずこのサイズ以下にする (KB、JPEG・PNG・WebP・AVIF・BMP)\r\n"
         L"  /fill | /fill smart          切り抜いてぴったりにする（中央 | 見どころ）\r\n"
         L"  /effect grey|sepia           エフェクト\r\n"
         L"  /folder NAME                 保存するフォルダー名（元の写真のフォルダーの中）\r\n"
         L"  /desktop                     デスクトップに保存する\r\n"
         L"  /out \"E:\\小さく\"               フォルダを指定（フォルダー構成を保って保存）\r\n"
         L"  /prefix P  /suffix S         ファイル名の前・後ろに付ける文字\r\n"
         L"  /name \"{date}_{name}\"        ファイル名の形式（{name} {preset} {w} {h} {date} {time} {n} {n:3} {folder}、\\ でフォルダー）\r\n"
         L"  /strip                       撮影情報(EXIF)などを残さない\r\n"
         L"  /no-enlarge                  小さい写真は拡大しない\r\n"
         L"  /sharpen | /no-sharpen       縮小後にくっきりさせる | させない\r\n"
         L"  /no-gps                      位置情報を消す（撮影日時・カメラ・露出は残す）\r\n"
         L"  /keep-time | /new-time       更新日時を元の写真と同じにする | 変換した時刻にする\r\n"
         L"  /exif-time                   更新日時を撮影日時にする（無い写真は元の写真の更新日時）\r\n"
         L"  /skip-done                   変換済みの写真はとばす（出力が元の写真より新しいとき）\r\n"
         L"  /never-larger | /allow-larger 元より大きくしない（元の写真の方が小さければそのままコピー）| 大きくてもよい\r\n"
         L"  /replace                     元の写真を置き換える（元はごみ箱へ。ごみ箱の無いドライブでは置き換えない）\r\n"
         L"  /workers 2                   同時に変換する写真の数 (1-8、既定はCPUのコア数+1)\r\n"
         L"  /preset NAME                 [CONVERT] の代わりにプリセットの設定で変換（後のオプションで変更可）\r\n"
         L"  /presets                     プリセットの一覧（名前、タブ、内容）\r\n"
         L"指定しない設定は Glimmerset.ini の値を使います。終了コード: 0 全て変換, 1 変換できない写真あり, 2 オプションの誤り";
}

int RunConsoleConversion(const std::vector<std::wstring>& arguments, const std::wstring& dataFolder,
                         const std::wstring& libraryFolder) {
  const ConsoleOutput out;
  if (dataFolder.empty()) {
    out.Line(L"ドキュメントフォルダの場所がわからないため、設定は既定のままで、ログは残りません。");
  } else if (const HRESULT made = EnsureFolder(dataFolder); FAILED(made)) {
    out.Line(L"設定とログのフォルダ「" + dataFolder + L"」を作れません。設定は既定のままです: " +
             SystemErrorText(static_cast<DWORD>(made)));
  }
  if (!dataFolder.empty()) {
    theIniFile.SetFileName(dataFolder + kIniFileName);
    theLog.logPath = dataFolder + kLogFileName;
  }
  LoadedModule vipsLibrary;
  if (const HRESULT loaded = LoadLibraryFrom(libraryFolder, kVipsLibraryName, vipsLibrary); FAILED(loaded)) {
    out.Line(LibraryFailureText(libraryFolder, kVipsLibraryName, loaded));
    return kConsoleSomeNotWritten;
  }
  SaveData_CL working;
  working.Load(theIniFile, theLog);
  PresetStore_CL presets;
  presets.Load(theIniFile, theLog);
  // Photos are replaced only when this command line says so, whatever the window chose last.
  if (working.SaveDirTypeIndex == OutputPlace::ReplaceSource) working.SaveDirTypeIndex = OutputPlace::BesideSource;
  const ConsoleRequest request = ParseConsoleRequest(arguments, working, presets.presets);
  if (request.showUsage) {
    out.Line(ConsoleUsage());
    return request.error.empty() ? kConsoleAllWritten : kConsoleBadOptions;
  }
  if (!request.error.empty()) {
    out.Line(L"オプションが正しくありません: " + request.error);
    if (request.unknownPreset) {
      out.Line(L"プリセット:");
      for (const Preset& preset : presets.presets) out.Line(L"  " + preset.name);
    } else {
      out.Line(ConsoleUsage());
    }
    return kConsoleBadOptions;
  }
  if (request.listPresets) {
    for (const std::wstring& line : PresetLines(presets.presets)) out.Line(line);
    if (request.paths.empty()) return kConsoleAllWritten;
  }
  // One output per named preset, or the working settings alone.
  const std::vector<NamedSettings> outputs =
      request.outputs.empty() ? std::vector<NamedSettings>{{std::wstring(), working}} : request.outputs;
  for (const NamedSettings& output : outputs) {
    const ConvertSettings& settings = output.settings;
    if (const PatternProblem problem = CheckFileNamePattern(settings.FileNamePattern); problem != PatternProblem::None) {
      out.Line(L"ファイル名の形式「" + settings.FileNamePattern + L"」は使えません: " + PatternProblemText(problem));
      return kConsoleBadOptions;
    }
    if (WouldOverwriteSources(settings)) {
      out.Line(OverwriteSourcesText());
      return kConsoleBadOptions;
    }
    if (std::wstring problem; FAILED(PrepareChosenFolder(settings, problem))) {
      out.Line(problem);
      theLog.Write(L"%s", problem.c_str());
      return kConsoleBadOptions;
    }
  }
  const GdiplusSession gdiplus;
  const VipsSession vips(theLog);
  if (!gdiplus.Started() || !vips.Started()) {
    out.Line(EngineFailureText(gdiplus.Started() ? L"libvips" : L"GDI+"));
    return kConsoleSomeNotWritten;
  }
  // No output of any preset, nor of the working settings, is taken for a photo.
  std::vector<ConvertSettings> everyOutput{working};
  for (const NamedSettings& output : outputs) everyOutput.push_back(output.settings);
  for (const Preset& preset : presets.presets) everyOutput.push_back(preset.settings);
  std::vector<UnusedPath> unused;
  std::vector<PhotoItem> photos = GatherPhotos(request.paths, SkippedFoldersOf(everyOutput), unused);
  if (const std::wstring refusal = OutputsRefusal(photos, outputs); !refusal.empty()) {
    out.Line(refusal);
    theLog.Write(L"%s", refusal.c_str());
    return kConsoleBadOptions;
  }
  ConvertBatch_CL batch(std::move(photos), outputs, theLog);
  const StopOnConsoleBreak stop;
  batch.Run({}, StopOnConsoleBreak::flag, request.workers);
  for (const PhotoResult& result : batch.Results()) out.Line(ResultLine(result));
  const BatchCounts counts = batch.Counts();
  for (const UnusedPath& path : unused) out.Line(L"NG " + path.path + L" : " + path.reason);
  out.Line(SummaryText(counts));
  return counts.written + counts.skipped == counts.total && unused.empty() ? kConsoleAllWritten : kConsoleSomeNotWritten;
}
