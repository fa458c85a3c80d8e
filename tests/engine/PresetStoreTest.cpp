// The presets: kept in the settings file and in exported files with every field and any name,
// mended when hand-edited, seeded once, and never in the way of the working settings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Inifile.h"
#include "base/LogFile.h"
#include "engine/PresetStore.h"
#include "engine/SaveData.h"
#include "tests/support/TempFolder.h"

namespace {

// Names that break a naive INI: brackets, "=", ";", quotes, spaces at either end, names of
// sections, the longest name, a character outside the basic plane.
const std::vector<std::wstring> kHostileNames = {
    L"]",        L"a=b;c",    L"  先頭に空白", L"[括弧",  L"末尾に空白  ",           L"\"引用\"",
    L"PRESET1",  L"PRESETS",  L"CONVERT",     L"'単'",   std::wstring(40, L'長'), L"絵文字😀",
};

// Every stored field away from its default, a little differently for each n.
ConvertSettings EveryFieldChanged(int n) {
  ConvertSettings s;
  s.ResizeRadioIndex = SizeChoice::Custom;
  s.outputWidth = 1000 + n;
  s.outputHeight = 700 + n;
  s.SaveDirTypeIndex = OutputPlace::ChosenFolder;
  s.OutputFolder = L"D:\\出力 " + std::to_wstring(n);
  s.MakeFolder = L"縮小" + std::to_wstring(n);
  s.CheckAddFileNameTop = true;
  s.ValueAddFileNameTop = L"前;" + std::to_wstring(n);
  s.CheckAddFileNameBottom = true;
  s.ValueAddFileNameBottom = L"=後";
  s.JpegQualityTypeIndex = QualityMode::TargetSize;
  s.JpegQuantization = 33 + n;
  s.JpegFileSize = 250 + n;
  s.globalEffect = EffectParams{ColourEffect::Sepia, true, 71, true, 29 + n};
  s.OutputImageType = kAllWebp;
  s.KeepMetadata = false;
  s.NoEnlarge = true;
  s.LongEdge = 1234 + n;
  s.ScalePercent = 77;
  s.KeepFileTime = false;
  s.FileTimeFromExif = true;
  s.RemoveGps = true;
  s.Sharpen = true;
  s.SkipDone = true;
  s.CropToFill = FitOrFill::Fill;
  s.CropAnchor = FillAnchor::Attention;
  s.TargetStrict = true;
  s.NeverLarger = true;
  s.FileNamePattern = L"{date}_{name}_" + std::to_wstring(n);
  return s;
}

class PresetFile : public testing::Test {
protected:
  void SetUp() override { log.logPath = temp.File(L"log.txt"); }

  // A UTF-16LE file with its mark holding `text`.
  std::wstring WriteUtf16(const std::wstring& name, const std::wstring& text) const {
    const std::wstring path = temp.File(name);
    const std::wstring marked = L"\xFEFF" + text;
    EXPECT_TRUE(WriteFileBytes(path, std::string(reinterpret_cast<const char*>(marked.data()), marked.size() * 2)));
    return path;
  }
  void OpenIni(const std::wstring& text) { ini.SetFileName(WriteUtf16(L"Glimmerset.ini", text)); }

  std::wstring LogText() const {
    const std::string bytes = ReadFileBytes(log.logPath);
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
  }

  // The working settings as a file of this text gives them.
  std::vector<std::pair<std::wstring, std::wstring>> WorkingSettings() {
    SaveData_CL working;
    working.Load(ini, log);
    return StoredSettingsKeys(working);
  }

  TempFolder temp;
  Inifile_CL ini;
  LogFile log;
};

void ExpectSamePresets(const std::vector<Preset>& actual, const std::vector<Preset>& expected, bool ticks) {
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < actual.size(); ++i) {
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(actual[i].name, expected[i].name);
    EXPECT_EQ(StoredSettingsKeys(actual[i].settings), StoredSettingsKeys(expected[i].settings));
    EXPECT_EQ(actual[i].ticked, ticks && expected[i].ticked);
  }
}

int Occurrences(const std::wstring& text, const std::wstring& part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

}  // namespace

TEST_F(PresetFile, EveryFieldAndHostileNamesRoundTripThroughTheIniExportAndImport) {
  const auto defaults = StoredSettingsKeys(ConvertSettings{});
  const auto changed = StoredSettingsKeys(EveryFieldChanged(0));
  for (size_t k = 0; k < defaults.size(); ++k) EXPECT_NE(changed[k].second, defaults[k].second) << changed[k].first;

  OpenIni(L"[CONVERT]\r\nJpegQuantization=61\r\nMakeFolder=作業\r\n");
  const auto working = WorkingSettings();
  PresetStore_CL store;
  for (size_t i = 0; i < kHostileNames.size(); ++i) {
    ASSERT_EQ(store.Add(Preset{kHostileNames[i], EveryFieldChanged(static_cast<int>(i)), i % 3 == 0}), static_cast<int>(i));
  }
  store.chosen = 5;
  ASSERT_EQ(store.Save(ini), S_OK);

  PresetStore_CL loaded;
  loaded.Load(ini, log);
  ExpectSamePresets(loaded.presets, store.presets, true);
  EXPECT_EQ(loaded.chosen, 5);
  EXPECT_FALSE(loaded.seededNow);
  EXPECT_EQ(WorkingSettings(), working) << "the working settings are not the presets'";

  const std::wstring exported = temp.File(L"書き出し.ini");
  ASSERT_EQ(store.Export(exported), S_OK);
  EXPECT_EQ(ReadFileBytes(exported).substr(0, 2), std::string("\xFF\xFE"));
  EXPECT_EQ(ReadFileBytes(exported).find(std::string("C\0O\0N\0V\0E\0R\0T\0]", 16)), std::string::npos)
      << "the presets only, never the working settings";
  PresetStore_CL fresh;
  const PresetImport all = fresh.Import(exported, log);
  EXPECT_EQ(all.result, S_OK) << all.message;
  EXPECT_EQ(all.added, static_cast<int>(kHostileNames.size()));
  ExpectSamePresets(fresh.presets, store.presets, false);

  PresetStore_CL holding;
  holding.Add(Preset{L"CONVERT", ConvertSettings{}});
  ASSERT_EQ(holding.Import(exported, log).added, static_cast<int>(kHostileNames.size()));
  EXPECT_EQ(holding.presets[9].name, L"CONVERT (2)") << "a taken name, whatever its case, gets \" (2)\"";
  EXPECT_EQ(holding.Find(L"convert (2)"), 9);
}

TEST_F(PresetFile, HostileFilesAreReadWithMendsOrRefusedAndTheWorkingSettingsStayUntouched) {
  const std::wstring convert = L"[CONVERT]\r\nJpegQuantization=61\r\nResizeRadioIndex=11\r\nLongEdge=900\r\n";
  OpenIni(convert);
  const auto working = WorkingSettings();
  std::wstring text = convert +
                      L"[PRESETS]\r\nSeeded=1\r\nChosen=7\r\nTicked=2,x,99999\r\n"
                      L"[PRESET1]\r\nName=Ab\r\nJpegQuantization=500\r\nResizeRadioIndex=77\r\nLongEdge=abc\r\n"
                      L"[PRESET2]\r\nName=\"aB\"\r\nUnknownKey=1\r\n"
                      L"[PRESET3]\r\nName=PRESET1\r\nSaveDirTypeIndex=9\r\nOutputImageType=-4\r\n"
                      L"[PRESET4]\r\nJpegQuantization=70\r\n"
                      L"[PRESET5]\r\nName=" + std::wstring(45, L'x') + L"\r\n";
  for (int n = 6; n <= 1010; ++n) text += L"[PRESET" + std::to_wstring(n) + L"]\r\nName=P" + std::to_wstring(n) + L"\r\n";
  OpenIni(text);

  PresetStore_CL store;
  store.Load(ini, log);
  ASSERT_EQ(store.presets.size(), kMostPresets);
  const std::vector<std::wstring> names{L"Ab", L"aB (2)", L"PRESET1", L"プリセット", std::wstring(40, L'x'), L"P6"};
  for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(store.presets[i].name, names[i]);
  const ConvertSettings& first = store.presets[0].settings;
  EXPECT_EQ(first.JpegQuantization, 80);
  EXPECT_EQ(first.ResizeRadioIndex, kDefaultSizeChoice);
  EXPECT_EQ(first.LongEdge, 1600);
  EXPECT_EQ(store.presets[2].settings.SaveDirTypeIndex, OutputPlace::BesideSource);
  EXPECT_EQ(store.presets[2].settings.OutputImageType, kDefaultOutputType);
  EXPECT_EQ(store.presets[3].settings.JpegQuantization, 70);
  EXPECT_EQ(store.chosen, 6);
  EXPECT_TRUE(store.presets[1].ticked);
  EXPECT_EQ(store.TickedPresets().size(), 1u);
  const std::wstring logText = LogText();
  EXPECT_EQ(Occurrences(logText, L"の値を直しました"), 5) << logText;
  EXPECT_NE(logText.find(L"プリセット「Ab」の値を直しました: ResizeRadioIndex, JpegQuantization, LongEdge"),
            std::wstring::npos)
      << logText;
  EXPECT_EQ(Occurrences(logText, L"1000件まで"), 1) << logText;
  EXPECT_EQ(WorkingSettings(), working);

  OpenIni(convert + L"[PRESETS]\r\nSeeded=1\r\n[PRESET1]\r\nName=\"切れ\r\nJpegQuantization=7\r\n[PRESET2]\r\nJpegQua");
  store.Load(ini, log);
  ASSERT_EQ(store.presets.size(), 2u) << "cut off in the middle of a line";
  EXPECT_EQ(store.presets[0].name, L"\"切れ");
  EXPECT_EQ(store.presets[0].settings.JpegQuantization, 7);
  EXPECT_EQ(WorkingSettings(), working);

  struct Refused {
    const char* what;
    std::wstring path;
  };
  const std::string utf8 = "[PRESET1]\r\nName=UTF-8\r\n";
  ASSERT_TRUE(WriteFileBytes(temp.File(L"empty.ini"), ""));
  ASSERT_TRUE(WriteFileBytes(temp.File(L"utf8.ini"), utf8));
  ASSERT_TRUE(WriteFileBytes(temp.File(L"huge.ini"), "\xFF\xFE" + std::string(10 * 1024 * 1024, 'A')));
  const Refused refused[] = {
      {"empty", temp.File(L"empty.ini")},
      {"not UTF-16", temp.File(L"utf8.ini")},
      {"10 MB", temp.File(L"huge.ini")},
      {"no presets", WriteUtf16(L"none.ini", convert)},
      {"missing", temp.File(L"missing.ini")},
  };
  PresetStore_CL small;
  small.Add(Preset{L"一つ", ConvertSettings{}});
  for (const Refused& file : refused) {
    SCOPED_TRACE(file.what);
    const PresetImport outcome = small.Import(file.path, log);
    EXPECT_TRUE(FAILED(outcome.result));
    EXPECT_EQ(outcome.added, 0);
    EXPECT_FALSE(outcome.message.empty());
    EXPECT_EQ(small.presets.size(), 1u);
  }
}

TEST_F(PresetFile, FirstStartBringsPresetsInFoldersOfTheirOwnAndADeletedOneNeverComesBack) {
  OpenIni(L"[CONVERT]\r\nJpegQuantization=61\r\n");  // a file of the version before
  const auto working = WorkingSettings();
  PresetStore_CL store;
  store.Load(ini, log);
  EXPECT_TRUE(store.seededNow);
  const std::vector<std::wstring> names{L"メール", L"Web 長辺1600", L"SNS 正方形", L"サムネイル 320", L"500KB 以下"};
  ASSERT_EQ(store.presets.size(), names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(store.presets[i].name, names[i]);
    EXPECT_EQ(store.presets[i].settings.SaveDirTypeIndex, OutputPlace::BesideSource);
    EXPECT_EQ(store.presets[i].settings.MakeFolder, names[i]) << "a folder of its own";
  }
  EXPECT_EQ(PresetSummary(store.presets[1].settings), L"長辺1600 / JPEG 85 / 位置情報を消す / くっきり / フォルダ「Web 長辺1600」");
  EXPECT_EQ(PresetSummary(store.presets[4].settings), L"サイズ変更無し / JPEG 500KB以下 / くっきり / フォルダ「500KB 以下」");

  store.Remove(0);
  ASSERT_EQ(store.Save(ini), S_OK);
  PresetStore_CL next;
  next.Load(ini, log);
  EXPECT_FALSE(next.seededNow);
  EXPECT_EQ(next.presets.size(), names.size() - 1);
  EXPECT_EQ(next.Find(L"メール"), -1);
  while (!next.presets.empty()) next.Remove(0);
  ASSERT_EQ(next.Save(ini), S_OK);
  next.Load(ini, log);
  EXPECT_TRUE(next.presets.empty()) << "all deleted stays all deleted";
  EXPECT_EQ(WorkingSettings(), working);
}
