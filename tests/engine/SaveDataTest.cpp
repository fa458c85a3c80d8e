#include <gtest/gtest.h>

#include <vector>

#include "base/Inifile.h"
#include "base/LogFile.h"
#include "engine/SaveData.h"
#include "tests/support/TempFolder.h"

namespace {

// Points the program's INI accessor at a file in a temporary folder for one test.
class SaveDataFile : public testing::Test {
protected:
  void SetUp() override {
    previousPath = theIniFile.filePath;
    iniPath = temp.File(L"Glimmerset.ini");
  }
  void TearDown() override { theIniFile.filePath = previousPath; }

  // "key=value" entries of a section, in file order.
  std::vector<std::wstring> Section(const wchar_t* name) const {
    std::vector<wchar_t> buffer(32768);
    const DWORD length = GetPrivateProfileSectionW(
        name, buffer.data(), static_cast<DWORD>(buffer.size()), iniPath.c_str());
    std::vector<std::wstring> entries;
    for (DWORD at = 0; at < length && buffer[at] != L'\0';) {
      entries.emplace_back(buffer.data() + at);
      at += static_cast<DWORD>(entries.back().size()) + 1;
    }
    return entries;
  }

  // Replaces the file with `lines` (UTF-16LE with its mark, as the program writes it) and
  // points the accessor at it.
  void WriteIni(const std::wstring& lines) {
    const std::wstring text = L"\xFEFF" + lines;
    ASSERT_TRUE(WriteFileBytes(
        iniPath, std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2)));
    theIniFile.SetFileName(iniPath);
  }

  // The file with these lines, through an INI store and a log of the test's own.
  void OpenOwnIni(const std::wstring& lines) {
    WriteIni(lines);
    ini.SetFileName(iniPath);
    log.logPath = temp.File(L"log.txt");
  }

  TempFolder temp;
  std::wstring iniPath;
  std::wstring previousPath;
  Inifile_CL ini;
  LogFile log;
};

// The log's text (UTF-16LE) without its lines' time stamps mattering.
std::wstring LogText(const std::wstring& path) {
  const std::string bytes = ReadFileBytes(path);
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
}

void ExpectDefaultEffect(const EffectParams& effect) {
  EXPECT_EQ(effect.EffectRadioIndex, 0);
  EXPECT_EQ(effect.CheckBriteness, 0);
  EXPECT_EQ(effect.ValueBriteness, 50);
  EXPECT_EQ(effect.CheckContrast, 0);
  EXPECT_EQ(effect.ValueContrast, 0);
}

}  // namespace

TEST_F(SaveDataFile, FirstStartWithoutFileGivesEveryDefault) {
  theIniFile.SetFileName(iniPath);
  SaveData_CL data;
  data.ResizeRadioIndex = 7;
  data.MakeFolder = L"x";
  data.topMost = 1;
  data.Load(theIniFile, theLog);

  EXPECT_EQ(data.ResizeRadioIndex, 3);
  EXPECT_EQ(SizeChoiceBox(3).width, 800);
  EXPECT_EQ(SizeChoiceBox(3).height, 600);
  EXPECT_EQ(data.outputWidth, 320);
  EXPECT_EQ(data.outputHeight, 240);
  EXPECT_EQ(data.SaveDirTypeIndex, 1);
  EXPECT_EQ(data.MakeFolder, L"Resized");
  EXPECT_EQ(data.CheckAddFileNameTop, 0);
  EXPECT_EQ(data.ValueAddFileNameTop, L"s_");
  EXPECT_EQ(data.CheckAddFileNameBottom, 0);
  EXPECT_EQ(data.ValueAddFileNameBottom, L"_s");
  EXPECT_EQ(data.JpegQualityTypeIndex, 0);
  EXPECT_EQ(data.JpegQuantization, 80);
  EXPECT_EQ(data.JpegFileSize, 100);
  EXPECT_EQ(data.OutputImageType, 0);
  EXPECT_EQ(data.KeepMetadata, 1);
  EXPECT_EQ(data.NoEnlarge, 0);
  EXPECT_EQ(data.LongEdge, 1600);
  EXPECT_EQ(data.ScalePercent, 50);
  EXPECT_EQ(data.KeepFileTime, 1) << "outputs keep their photos' dates unless asked";
  EXPECT_EQ(data.FileTimeFromExif, 0);
  EXPECT_EQ(data.RemoveGps, 0);
  EXPECT_EQ(data.Sharpen, 0);
  EXPECT_EQ(data.NeverLarger, 1) << "no output larger than its photo, from the first start";
  EXPECT_EQ(data.topMost, 0);
  ExpectDefaultEffect(data.globalEffect);
  EXPECT_EQ(data.currentIndex, -1);
}

TEST_F(SaveDataFile, SaveWritesExactlyTheStoredKeysAsDecimalText) {
  theIniFile.SetFileName(iniPath);
  SaveData_CL data;
  data.outputWidth = -1;
  data.topMost = 1;
  data.globalEffect.ValueContrast = 73;
  data.Save(theIniFile, theLog);

  EXPECT_EQ(ReadFileBytes(iniPath).substr(0, 2), std::string("\xFF\xFE", 2));
  const std::vector<std::wstring> convert{
      L"ResizeRadioIndex=3",      L"ResizeResizeEditWidth=-1", L"ResizeEditHeight=240",
      L"EffectRadioIndex=0",      L"CheckBriteness=0",         L"ValueBriteness=50",
      L"CheckContrast=0",         L"ValueContrast=73",         L"OutputImageType=0",
      L"SaveDirTypeIndex=1",      L"MakeFolder=Resized",       L"CheckAddFileNameTop=0",
      L"CheckAddFileNameBottom=0", L"ValueAddFileNameTop=s_",  L"ValueAddFileNameBottom=_s",
      L"JpegQualityTypeIndex=0",  L"JpegQuantization=80",      L"JpegFileSize=100",
      L"KeepMetadata=1",          L"NoEnlarge=0",              L"PreviewFit=0",
      L"LongEdge=1600",           L"ScalePercent=50",          L"KeepFileTime=1",
      L"FileTimeFromExif=0",      L"RemoveGps=0",              L"Sharpen=0",
      L"SkipDone=0",              L"CropToFill=0",             L"CropAnchor=0",
      L"TargetStrict=0",          L"OutputFolder=",            L"NeverLarger=0",
      L"FileNamePattern=",
  };
  EXPECT_EQ(Section(L"CONVERT"), convert);
  EXPECT_EQ(Section(L"APP_SETTING"), std::vector<std::wstring>{L"WindowTopMost=1"});
}

TEST_F(SaveDataFile, ValuesRoundTripThroughSaveAndLoadJapaneseIncluded) {
  theIniFile.SetFileName(iniPath);
  SaveData_CL saved;
  saved.ResizeRadioIndex = 9;
  saved.MakeFolder = L"縮小写真";
  saved.ValueAddFileNameBottom = L"_済";
  saved.globalEffect = EffectParams{2, 1, 80, 1, 30};
  saved.OutputImageType = 4;
  saved.KeepMetadata = 0;
  saved.NoEnlarge = 1;
  saved.LongEdge = 2048;
  saved.ScalePercent = 400;
  saved.KeepFileTime = 0;
  saved.FileTimeFromExif = 1;
  saved.RemoveGps = 1;
  saved.Sharpen = 1;
  saved.FileNamePattern = L"{date}\\旅行_{n:3}";
  saved.Save(theIniFile, theLog);

  SaveData_CL loaded;
  loaded.Load(theIniFile, theLog);
  EXPECT_EQ(loaded.ResizeRadioIndex, 9);
  EXPECT_EQ(loaded.MakeFolder, L"縮小写真");
  EXPECT_EQ(loaded.ValueAddFileNameBottom, L"_済");
  EXPECT_EQ(loaded.globalEffect.EffectRadioIndex, 2);
  EXPECT_EQ(loaded.globalEffect.ValueBriteness, 80);
  EXPECT_EQ(loaded.globalEffect.ValueContrast, 30);
  EXPECT_EQ(loaded.OutputImageType, 4);
  EXPECT_EQ(loaded.KeepMetadata, 0);
  EXPECT_EQ(loaded.NoEnlarge, 1);
  EXPECT_EQ(loaded.LongEdge, 2048);
  EXPECT_EQ(loaded.ScalePercent, 400);
  EXPECT_EQ(loaded.KeepFileTime, 0);
  EXPECT_EQ(loaded.FileTimeFromExif, 1);
  EXPECT_EQ(loaded.RemoveGps, 1);
  EXPECT_EQ(loaded.Sharpen, 1);
  EXPECT_EQ(loaded.FileNamePattern, L"{date}\\旅行_{n:3}");
}

TEST_F(SaveDataFile, AFileOfTheVersionBeforeReadsTheSameAndNewKeysOutOfRangeReadAsDefaults) {
  // Every size choice a file of the version before can hold still means the same box.
  WriteIni(L"[CONVERT]\r\nResizeRadioIndex=10\r\nNoEnlarge=1\r\nKeepMetadata=0\r\n");
  SaveData_CL data;
  data.Load(theIniFile, theLog);
  EXPECT_EQ(data.ValidResizeIndex(), 10);
  EXPECT_EQ(SizeChoiceBox(10).width, -2);
  EXPECT_EQ(SizeChoiceBox(9).width, -1);
  EXPECT_EQ(SizeChoiceBox(0).width, 1600);
  EXPECT_EQ(data.NoEnlarge, 1);
  EXPECT_EQ(data.KeepMetadata, 0);
  EXPECT_EQ(data.KeepFileTime, 1);
  EXPECT_EQ(data.LongEdge, 1600);
  EXPECT_EQ(data.NeverLarger, 0) << "converts as that version did";
  EXPECT_EQ(data.FileNamePattern, L"") << "named by the prefix and the suffix, as that version did";

  WriteIni(L"[CONVERT]\r\nResizeRadioIndex=12\r\nLongEdge=1\r\nScalePercent=401\r\nKeepFileTime=2\r\n"
           L"FileTimeFromExif=-1\r\nRemoveGps=5\r\nSharpen=9\r\nNeverLarger=2\r\nSaveDirTypeIndex=3\r\n");
  data.Load(theIniFile, theLog);
  EXPECT_EQ(data.ValidResizeIndex(), kSizeChoiceScale);
  EXPECT_EQ(data.LongEdge, 1600);
  EXPECT_EQ(data.ScalePercent, 50);
  EXPECT_EQ(data.KeepFileTime, 1);
  EXPECT_EQ(data.FileTimeFromExif, 0);
  EXPECT_EQ(data.RemoveGps, 0);
  EXPECT_EQ(data.Sharpen, 0);
  EXPECT_EQ(data.NeverLarger, 0);
  EXPECT_EQ(data.SaveDirTypeIndex, kReplaceSource);

  WriteIni(L"[CONVERT]\r\nResizeRadioIndex=11\r\nLongEdge=65535\r\nScalePercent=1\r\n");
  data.Load(theIniFile, theLog);
  EXPECT_EQ(data.ValidResizeIndex(), kSizeChoiceLongEdge);
  EXPECT_EQ(data.LongEdge, 65535) << "the ends of the ranges are taken";
  EXPECT_EQ(data.ScalePercent, 1);
}

TEST_F(SaveDataFile, HandEditedOddValuesAreKeptButNeverUsedAsIndices) {
  const std::wstring text =
      L"\xFEFF[CONVERT]\r\nResizeRadioIndex=42\r\nOutputImageType=-3\r\n"
      L"ResizeResizeEditWidth=-20\r\nJpegQuantization=400\r\n";
  ASSERT_TRUE(WriteFileBytes(
      iniPath, std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2)));
  theIniFile.SetFileName(iniPath);
  SaveData_CL data;
  data.Load(theIniFile, theLog);
  EXPECT_EQ(data.ResizeRadioIndex, 42);
  EXPECT_EQ(data.OutputImageType, -3);
  EXPECT_EQ(data.outputWidth, -20);
  EXPECT_EQ(data.JpegQuantization, 400);

  EXPECT_EQ(data.ValidResizeIndex(), 3);
  EXPECT_EQ(data.ValidOutputType(), 0);
  EXPECT_EQ(SizeChoiceBox(42).width, 800);
  EXPECT_EQ(SizeChoiceBox(-1).height, 600);

  data.ResizeRadioIndex = 10;
  data.OutputImageType = 3;
  EXPECT_EQ(data.ValidResizeIndex(), 10);
  EXPECT_EQ(data.ValidOutputType(), 3);
  EXPECT_EQ(SizeChoiceBox(5).height, 480) << "the square choice";
}

TEST_F(SaveDataFile, OnlyChoicesThatWouldLoseOrMisplaceOutputsAreReplacedByDefaults) {
  const std::wstring previousLog = theLog.logPath;
  theLog.logPath = temp.File(L"log.txt");
  WriteIni(L"[CONVERT]\r\nSaveDirTypeIndex=2\r\nJpegQualityTypeIndex=7\r\n"
           L"MakeFolder=..\\写真\r\nCropAnchor=2\r\n");
  SaveData_CL data;
  data.Load(theIniFile, theLog);
  theLog.logPath = previousLog;
  EXPECT_EQ(data.SaveDirTypeIndex, 1) << "a chosen folder without its path: beside the photos, as before";
  EXPECT_EQ(data.CropAnchor, kCropCentre);
  EXPECT_EQ(data.JpegQualityTypeIndex, 0) << "not a JPEG setting that writes nothing";
  EXPECT_EQ(data.MakeFolder, L"Resized");
  const std::wstring log = LogText(temp.File(L"log.txt"));
  EXPECT_NE(log.find(L"作成フォルダ名「..\\写真」は使えないため「Resized」にしました"), std::wstring::npos)
      << testing::PrintToString(log);

  WriteIni(L"[CONVERT]\r\nSaveDirTypeIndex=2\r\nOutputFolder=E:\\小さく\r\nJpegQualityTypeIndex=1\r\n"
           L"MakeFolder=縮小 2024.v2\r\n");
  data.Load(theIniFile, theLog);
  EXPECT_EQ(data.SaveDirTypeIndex, kSaveInChosenFolder);
  EXPECT_EQ(data.OutputFolder, L"E:\\小さく");
  EXPECT_EQ(data.JpegQualityTypeIndex, 1);
  EXPECT_EQ(data.MakeFolder, L"縮小 2024.v2") << "a usable name is kept";
  WriteIni(L"[CONVERT]\r\nMakeFolder=\r\n");
  data.Load(theIniFile, theLog);
  EXPECT_EQ(data.MakeFolder, L"") << "no name means the photos' own folder";
}

TEST_F(SaveDataFile, PreviewModeRoundTripsAndAnOlderOrOddFileOpensAtActualSize) {
  theIniFile.SetFileName(iniPath);
  SaveData_CL saved;
  saved.PreviewFit = 1;
  saved.Save(theIniFile, theLog);
  SaveData_CL loaded;
  loaded.Load(theIniFile, theLog);
  EXPECT_EQ(loaded.PreviewFit, 1);

  // A file written before the mode was stored, and hand-edited values.
  for (const wchar_t* lines : {L"[CONVERT]\r\nJpegQuantization=70\r\n", L"[CONVERT]\r\nPreviewFit=2\r\n",
                               L"[CONVERT]\r\nPreviewFit=-1\r\n"}) {
    WriteIni(lines);
    loaded.PreviewFit = 1;
    loaded.Load(theIniFile, theLog);
    EXPECT_EQ(loaded.PreviewFit, 0) << testing::PrintToString(std::wstring(lines));
  }
}

TEST(PhotoList, TheCurrentPhotoFollowsItsIndexThroughGrowthCopiesAndClear) {
  SaveData_CL record;
  record.AddItem(PhotoItem{L"C:\\a.jpg", 1, 0, {}, {}});
  record.AddItem(PhotoItem{L"C:\\b.jpg", 0, 0, {}, {}});
  record.currentIndex = 1;
  for (int i = 0; i < 100; ++i) record.AddItem(PhotoItem{L"C:\\n" + std::to_wstring(i) + L".jpg", 0, 0, {}, {}});
  ASSERT_EQ(record.items.size(), 102u);
  EXPECT_EQ(record.CurrentItem(), &record.items[1]) << "the list grew and moved";
  ExpectDefaultEffect(record.items[101].effect);

  // A copy's current photo is its own list's.
  SaveData_CL copy = record;
  EXPECT_EQ(copy.CurrentItem(), &copy.items[1]);
  EXPECT_NE(copy.items.data(), record.items.data());

  record.currentIndex = 102;
  EXPECT_EQ(record.CurrentItem(), nullptr) << "an index past the end names no photo";
  record.Clear();
  EXPECT_TRUE(record.items.empty());
  EXPECT_EQ(record.currentIndex, -1);
  EXPECT_EQ(record.CurrentItem(), nullptr);
}

// Save writes only what changed, in one whole write that keeps every line it does not own.
TEST_F(SaveDataFile, SaveWritesOnlyChangesAndKeepsWhatItDoesNotOwn) {
  OpenOwnIni(L"; kept comment\r\n[VERSION]\r\nnotify=1\r\n[CONVERT]\r\nNoEnlarge=1\r\nOutputFolder=D:\\写真\r\n"
           L"[WINDOW]\r\nsplit=120\r\n");
  SaveData_CL data;
  data.Load(ini, log);
  ASSERT_TRUE(data.Save(ini, log));
  ASSERT_TRUE(data.Save(ini, log));
  EXPECT_EQ(ini.wholeWrites, 1u) << "a second Save with nothing changed writes nothing";

  data.globalEffect.ValueBriteness = 71;
  data.MakeFolder = L"縮小";
  ASSERT_TRUE(data.Save(ini, log));
  EXPECT_EQ(ini.wholeWrites, 2u);

  const std::string bytes = ReadFileBytes(iniPath);
  ASSERT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE", 2));
  const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
  EXPECT_EQ(text.rfind(L"; kept comment\r\n[VERSION]\r\nnotify=1\r\n[CONVERT]\r\nNoEnlarge=1\r\nOutputFolder=D:\\写真\r\n", 0), 0u);
  EXPECT_NE(text.find(L"[WINDOW]\r\nsplit=120\r\n"), std::wstring::npos);
  EXPECT_EQ(text.find(L"NoEnlarge", text.find(L"NoEnlarge") + 1), std::wstring::npos) << "one line per key";
  SaveData_CL loaded;
  loaded.Load(ini, log);
  EXPECT_EQ(loaded.globalEffect.ValueBriteness, 71);
  EXPECT_EQ(loaded.MakeFolder, L"縮小");
  EXPECT_EQ(loaded.NoEnlarge, 1);
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW(temp.File(L"*.tmp").c_str(), &found);
  EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "no temporary file stays behind";
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

// A file that cannot be written is logged once; the settings stay in memory and are written
// as soon as the file can be written again.
TEST_F(SaveDataFile, FailedSaveIsLoggedOnceAndWrittenAtTheNextChance) {
  OpenOwnIni(L"[CONVERT]\r\nValueBriteness=50\r\n");
  SaveData_CL data;
  data.Load(ini, log);
  ASSERT_TRUE(SetFileAttributesW(iniPath.c_str(), FILE_ATTRIBUTE_READONLY));
  for (const int value : {60, 61, 62}) {
    data.globalEffect.ValueBriteness = value;
    EXPECT_FALSE(data.Save(ini, log));
  }
  const std::wstring logged = LogText(log.logPath);
  size_t lines = 0;
  for (size_t at = logged.find(L"設定ファイルを保存できません"); at != std::wstring::npos;
       at = logged.find(L"設定ファイルを保存できません", at + 1)) {
    ++lines;
  }
  EXPECT_EQ(lines, 1u);
  EXPECT_EQ(GetPrivateProfileIntW(L"CONVERT", L"ValueBriteness", 0, iniPath.c_str()), 50u) << "the file is as it was";

  ASSERT_TRUE(SetFileAttributesW(iniPath.c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(data.Save(ini, log));
  EXPECT_EQ(GetPrivateProfileIntW(L"CONVERT", L"ValueBriteness", 0, iniPath.c_str()), 62u);
}
