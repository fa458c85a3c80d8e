#include "engine/PresetStore.h"

#include <algorithm>

#include "base/AtomicFile.h"
#include "base/CaselessText.h"
#include "base/LogFile.h"
#include "base/Owned.h"
#include "base/ShellHelpers.h"
#include "engine/SaveData.h"

namespace {

constexpr wchar_t kStateSection[] = L"PRESETS";
constexpr wchar_t kSectionPrefix[] = L"PRESET";
constexpr wchar_t kNameKey[] = L"Name";
constexpr wchar_t kSeededKey[] = L"Seeded";
constexpr wchar_t kChosenKey[] = L"Chosen";
constexpr wchar_t kTickedKey[] = L"Ticked";
constexpr wchar_t kUnnamed[] = L"プリセット";

// "PRESET" and a number: the section of one preset.
bool IsPresetSection(const std::wstring& name) {
  const size_t prefix = std::size(kSectionPrefix) - 1;
  if (name.size() <= prefix || name.size() > prefix + 9 || !SameIgnoringCase(name.substr(0, prefix), kSectionPrefix)) {
    return false;
  }
  return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix), name.end(),
                     [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

int SectionNumber(const std::wstring& name) { return _wtoi(name.c_str() + std::size(kSectionPrefix) - 1); }

bool IsControl(wchar_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }
bool IsTrailSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Characters, a surrogate pair counted once.
size_t CharacterCount(const std::wstring& text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](wchar_t c) { return !IsTrailSurrogate(c); }));
}

// The first `count` characters, never half a pair.
std::wstring FirstCharacters(const std::wstring& text, size_t count) {
  size_t units = 0;
  for (size_t seen = 0; units < text.size(); ++units) {
    if (!IsTrailSurrogate(text[units]) && seen++ == count) break;
  }
  return text.substr(0, units);
}

// A stored name made usable: without control characters, at most 40 characters, never empty.
std::wstring CleanName(std::wstring name) {
  name.erase(std::remove_if(name.begin(), name.end(), IsControl), name.end());
  name = FirstCharacters(name, kLongestPresetName);
  return name.empty() ? kUnnamed : name;
}

std::wstring Joined(const std::vector<std::wstring>& parts, const wchar_t* separator) {
  std::wstring text;
  for (const std::wstring& part : parts) text += (text.empty() ? L"" : separator) + part;
  return text;
}

// ---- the summary ------------------------------------------------------------------------

std::wstring SizeSummary(const ConvertSettings& s) {
  const SizeChoice choice = s.ResizeRadioIndex;
  if (choice == SizeChoice::Keep) return L"サイズ変更無し";
  if (choice == SizeChoice::LongEdge) return L"長辺" + std::to_wstring(s.LongEdge);
  if (choice == SizeChoice::Percent) return std::to_wstring(s.ScalePercent) + L"%";
  const SizeBox box = IsFixedBox(choice) ? kFixedBoxes[static_cast<int>(choice)] : SizeBox{s.outputWidth, s.outputHeight};
  std::wstring text = std::to_wstring(box.width) + L"×" + std::to_wstring(box.height);
  if (s.CropToFill == FitOrFill::Fill) text += s.CropAnchor == FillAnchor::Attention ? L" 切り抜き（見どころ）" : L" 切り抜き";
  return text;
}

std::wstring TypeSummary(const ConvertSettings& s) {
  constexpr const wchar_t* kTypeNames[] = {L"元の形式", L"JPEG", L"PNG", L"BMP", L"WebP", L"AVIF"};
  static_assert(std::size(kTypeNames) == kOutputTypeCount);
  const int type = IsValidOutputType(s.OutputImageType) ? s.OutputImageType : kDefaultOutputType;
  const std::wstring text = kTypeNames[type];
  // PNG and BMP have no quality: only a strict limit changes them.
  const bool hasQuality = type != kAllPng && type != kAllBmp;
  if (s.JpegQualityTypeIndex == QualityMode::TargetSize && (s.TargetStrict || hasQuality)) {
    return text + L" " + std::to_wstring(s.JpegFileSize) + (s.TargetStrict ? L"KB以下" : L"KB目安");
  }
  return hasQuality ? text + L" " + std::to_wstring(s.JpegQuantization) : text;
}

std::wstring PlaceSummary(const ConvertSettings& s) {
  switch (s.SaveDirTypeIndex) {
    case OutputPlace::Desktop: return L"デスクトップの「" + s.MakeFolder + L"」";
    case OutputPlace::ChosenFolder: return s.OutputFolder;
    case OutputPlace::ReplaceSource: return L"元の写真を置き換える";
    default: return L"フォルダ「" + s.MakeFolder + L"」";
  }
}

// ---- reading ----------------------------------------------------------------------------

// Whether the store can take one more preset; logs once when it cannot.
bool HasRoom(const std::vector<Preset>& presets, bool& fullLogged, LogFile& log) {
  if (presets.size() < kMostPresets) return true;
  if (!fullLogged) log.Write(L"プリセットは%u件までです。それより後のプリセットは読みません", static_cast<unsigned>(kMostPresets));
  fullLogged = true;
  return false;
}

std::vector<char> ReadLimitedFile(const std::wstring& path, HRESULT& result) {
  const KernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size)) {
    result = HRESULT_FROM_WIN32(GetLastError());
    return {};
  }
  if (size.QuadPart > kLargestPresetFile) {
    result = HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
    return {};
  }
  std::vector<char> bytes(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!bytes.empty() && (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                         read != bytes.size())) {
    result = HRESULT_FROM_WIN32(GetLastError());
    return {};
  }
  result = S_OK;
  return bytes;
}

bool HasUtf16Mark(const std::vector<char>& bytes) {
  return bytes.size() >= 2 && static_cast<BYTE>(bytes[0]) == 0xFF && static_cast<BYTE>(bytes[1]) == 0xFE;
}

}  // namespace

const wchar_t* PresetNameProblemText(PresetNameProblem problem) {
  switch (problem) {
    case PresetNameProblem::None: return L"";
    case PresetNameProblem::Empty: return L"名前を入力してください";
    case PresetNameProblem::TooLong: return L"名前は40文字までにしてください";
    case PresetNameProblem::ControlCharacter: return L"名前に制御文字は使えません";
    case PresetNameProblem::Taken: return L"同じ名前のプリセットがあります";
  }
  return L"";
}

bool SamePresetName(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

std::wstring PresetSummary(const ConvertSettings& s) {
  std::vector<std::wstring> parts{SizeSummary(s), TypeSummary(s)};
  if (!s.KeepMetadata) {
    parts.emplace_back(L"撮影情報を残さない");
  } else if (s.RemoveGps) {
    parts.emplace_back(L"位置情報を消す");
  }
  if (s.globalEffect.EffectRadioIndex == ColourEffect::GreyScale) parts.emplace_back(L"白黒");
  if (s.globalEffect.EffectRadioIndex == ColourEffect::Sepia) parts.emplace_back(L"セピア調");
  if (s.Sharpen) parts.emplace_back(L"くっきり");
  if (s.SkipDone) parts.emplace_back(L"変換済みはとばす");
  parts.push_back(PlaceSummary(s));
  return Joined(parts, L" / ");
}

std::vector<Preset> FirstStartPresets() {
  ConvertSettings base;
  base.OutputImageType = kAllJpeg;
  base.JpegQuantization = 85;
  base.NoEnlarge = true;
  base.Sharpen = true;
  base.NeverLarger = true;
  base.SaveDirTypeIndex = OutputPlace::BesideSource;
  const auto make = [&base](const wchar_t* name, auto change) {
    Preset preset{name, base};
    preset.settings.MakeFolder = name;
    change(preset.settings);
    return preset;
  };
  return {
      make(L"メール", [](ConvertSettings& s) { s.ResizeRadioIndex = SizeChoice::Box1280x960, s.JpegQuantization = 80; }),
      make(L"Web 長辺1600", [](ConvertSettings& s) { s.ResizeRadioIndex = SizeChoice::LongEdge, s.LongEdge = 1600, s.RemoveGps = true; }),
      make(L"SNS 正方形", [](ConvertSettings& s) {
        s.ResizeRadioIndex = SizeChoice::Custom, s.outputWidth = s.outputHeight = 1080;
        s.CropToFill = FitOrFill::Fill, s.CropAnchor = FillAnchor::Attention, s.RemoveGps = true;
      }),
      make(L"サムネイル 320", [](ConvertSettings& s) {
        s.ResizeRadioIndex = SizeChoice::LongEdge, s.LongEdge = 320, s.JpegQuantization = 80, s.KeepMetadata = false;
      }),
      make(L"500KB 以下", [](ConvertSettings& s) {
        s.ResizeRadioIndex = SizeChoice::Keep, s.JpegQualityTypeIndex = QualityMode::TargetSize, s.JpegFileSize = 500, s.TargetStrict = true;
      }),
  };
}

// ---- the store --------------------------------------------------------------------------

namespace {

// The presets of `sections` ("PRESET<n>", in file order) added to `store` under free names,
// each mended where it must be, with one log line a mended preset. The section number of each
// preset added goes to `numbers`.
void TakePresets(PresetStore_CL& store, const std::vector<IniSection>& sections, LogFile& log,
                 std::vector<int>* numbers) {
  bool fullLogged = false;
  for (const IniSection& section : sections) {
    if (!IsPresetSection(section.name) || !HasRoom(store.presets, fullLogged, log)) continue;
    Preset preset;
    std::vector<std::wstring> mended = ReadStoredSettings(section, preset.settings);
    const std::wstring* stored = IniValue(section, kNameKey);
    preset.name = store.FreeName(CleanName(stored != nullptr ? *stored : L""));
    if (stored == nullptr || *stored != preset.name) mended.insert(mended.begin(), kNameKey);
    if (!mended.empty()) {
      log.Write(L"プリセット「%s」の値を直しました: %s", preset.name.c_str(), Joined(mended, L", ").c_str());
    }
    store.presets.push_back(std::move(preset));
    if (numbers != nullptr) numbers->push_back(SectionNumber(section.name));
  }
}

std::vector<IniSection> PresetSections(const std::vector<Preset>& presets) {
  std::vector<IniSection> sections;
  for (size_t i = 0; i < presets.size(); ++i) {
    IniSection section{kSectionPrefix + std::to_wstring(i + 1), {{kNameKey, L"\"" + presets[i].name + L"\""}}};
    for (auto& key : StoredSettingsKeys(presets[i].settings)) section.keys.push_back(std::move(key));
    sections.push_back(std::move(section));
  }
  return sections;
}

// The index of the preset read from section `number`, -1 for none.
int IndexOfNumber(const std::vector<int>& numbers, int number) {
  const auto found = std::find(numbers.begin(), numbers.end(), number);
  return number > 0 && found != numbers.end() ? static_cast<int>(found - numbers.begin()) : -1;
}

}  // namespace

void PresetStore_CL::Load(const Inifile_CL& ini, LogFile& log) {
  presets.clear();
  chosen = -1;
  seededNow = false;
  std::vector<IniSection> sections;
  if (!ini.ReadSections(sections)) log.Write(L"プリセットを読めません: %s", ini.filePath.c_str());
  std::vector<int> numbers;
  TakePresets(*this, sections, log, &numbers);
  const IniSection* state = nullptr;
  for (const IniSection& section : sections) {
    if (SameIgnoringCase(section.name, kStateSection)) state = &section;
  }
  const std::wstring* seeded = state != nullptr ? IniValue(*state, kSeededKey) : nullptr;
  if ((seeded == nullptr || *seeded != L"1") && presets.empty()) {
    presets = FirstStartPresets();
    seededNow = true;
    return;
  }
  if (state == nullptr) return;
  if (const std::wstring* value = IniValue(*state, kChosenKey)) chosen = IndexOfNumber(numbers, _wtoi(value->c_str()));
  if (const std::wstring* value = IniValue(*state, kTickedKey)) {
    for (size_t at = 0; at < value->size();) {
      const size_t comma = std::min(value->find(L',', at), value->size());
      const int index = IndexOfNumber(numbers, _wtoi(value->substr(at, comma - at).c_str()));
      if (index >= 0) presets[static_cast<size_t>(index)].ticked = true;
      at = comma + 1;
    }
  }
}

HRESULT PresetStore_CL::Save(Inifile_CL& ini) const {
  std::vector<IniSection> sections = PresetSections(presets);
  std::vector<std::wstring> ticked;
  for (size_t i = 0; i < presets.size(); ++i) {
    if (presets[i].ticked) ticked.push_back(std::to_wstring(i + 1));
  }
  sections.push_back(IniSection{kStateSection,
                                {{kSeededKey, L"1"}, {kChosenKey, std::to_wstring(chosen + 1)}, {kTickedKey, Joined(ticked, L",")}}});
  const auto drop = [](const std::wstring& name) { return IsPresetSection(name) || SameIgnoringCase(name, kStateSection); };
  return ini.ReplaceSections(drop, {}, sections);
}

int PresetStore_CL::Find(const std::wstring& name) const {
  for (size_t i = 0; i < presets.size(); ++i) {
    if (SamePresetName(presets[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

PresetNameProblem PresetStore_CL::NameProblem(const std::wstring& name, int except) const {
  if (name.empty()) return PresetNameProblem::Empty;
  if (CharacterCount(name) > kLongestPresetName) return PresetNameProblem::TooLong;
  if (std::any_of(name.begin(), name.end(), IsControl)) return PresetNameProblem::ControlCharacter;
  const int found = Find(name);
  if (found >= 0 && found != except) return PresetNameProblem::Taken;
  return PresetNameProblem::None;
}

std::wstring PresetStore_CL::FreeName(const std::wstring& name) const {
  if (Find(name) < 0) return name;
  for (size_t number = 2;; ++number) {
    const std::wstring tail = L" (" + std::to_wstring(number) + L")";
    const std::wstring candidate = FirstCharacters(name, kLongestPresetName - tail.size()) + tail;
    if (Find(candidate) < 0) return candidate;
  }
}

int PresetStore_CL::Add(Preset preset) {
  if (presets.size() >= kMostPresets) return -1;
  preset.name = FreeName(CleanName(preset.name));
  presets.push_back(std::move(preset));
  return static_cast<int>(presets.size()) - 1;
}

void PresetStore_CL::Remove(int index) {
  if (index < 0 || index >= static_cast<int>(presets.size())) return;
  presets.erase(presets.begin() + index);
  if (chosen == index) chosen = -1;
  if (chosen > index) --chosen;
}

std::vector<NamedSettings> PresetStore_CL::TickedPresets() const {
  std::vector<NamedSettings> ticked;
  for (const Preset& preset : presets) {
    if (preset.ticked) ticked.push_back(NamedSettings{preset.name, preset.settings});
  }
  return ticked;
}

HRESULT PresetStore_CL::Export(const std::wstring& path) const {
  const std::wstring text = IniSectionsText(PresetSections(presets));
  std::string bytes = "\xFF\xFE";
  bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
  return WriteFileAtomically(path, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

PresetImport PresetStore_CL::Import(const std::wstring& path, LogFile& log) {
  PresetImport outcome;
  const std::vector<char> bytes = ReadLimitedFile(path, outcome.result);
  if (outcome.result == HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE)) {
    outcome.message = L"ファイルが大きすぎます（プリセットのファイルは4MBまでです）。";
  } else if (FAILED(outcome.result)) {
    outcome.message = L"ファイルを読めません: " + SystemErrorText(static_cast<DWORD>(outcome.result));
  } else if (bytes.empty()) {
    outcome.message = L"空のファイルです。";
  } else if (!HasUtf16Mark(bytes)) {
    outcome.message = L"UTF-16 で書かれたプリセットのファイルではありません。";
  }
  if (!outcome.message.empty()) {
    if (SUCCEEDED(outcome.result)) outcome.result = E_FAIL;
    return outcome;
  }
  const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / sizeof(wchar_t));
  const size_t before = presets.size();
  TakePresets(*this, ParseIniText(text), log, nullptr);
  outcome.added = static_cast<int>(presets.size() - before);
  if (outcome.added == 0) {
    outcome.result = E_FAIL;
    outcome.message = presets.size() >= kMostPresets ? L"プリセットがいっぱいです（1000件まで）。"
                                                      : L"プリセットが入っていません。";
    return outcome;
  }
  outcome.message = std::to_wstring(outcome.added) + L"件のプリセットを読み込みました。";
  return outcome;
}
