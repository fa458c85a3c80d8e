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

  TempFolder temp;
  std::wstring iniPath;
  std::wstring previousPath;
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
  data.Load();

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
  data.Save();

  EXPECT_EQ(ReadFileBytes(iniPath).substr(0, 2), std::string("\xFF\xFE", 2));
  const std::vector<std::wstring> convert{
      L"ResizeRadioIndex=3",      L"ResizeResizeEditWidth=-1", L"ResizeEditHeight=240",
      L"EffectRadioIndex=0",      L"CheckBriteness=0",         L"ValueBriteness=50",
      L"CheckContrast=0",         L"ValueContrast=73",         L"OutputImageType=0",
      L"SaveDirTypeIndex=1",      L"MakeFolder=Resized",       L"CheckAddFileNameTop=0",
      L"CheckAddFileNameBottom=0", L"ValueAddFileNameTop=s_",  L"ValueAddFileNameBottom=_s",
      L"JpegQualityTypeIndex=0",  L"JpegQuantization=80",      L"JpegFileSize=100",
      L"KeepMetadata=1",          L"NoEnlarge=0",              L"PreviewFit=0",
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
  saved.Save();

  SaveData_CL loaded;
  loaded.Load();
  EXPECT_EQ(loaded.ResizeRadioIndex, 9);
  EXPECT_EQ(loaded.MakeFolder, L"縮小写真");
  EXPECT_EQ(loaded.ValueAddFileNameBottom, L"_済");
  EXPECT_EQ(loaded.globalEffect.EffectRadioIndex, 2);
  EXPECT_EQ(loaded.globalEffect.ValueBriteness, 80);
  EXPECT_EQ(loaded.globalEffect.ValueContrast, 30);
  EXPECT_EQ(loaded.OutputImageType, 4);
  EXPECT_EQ(loaded.KeepMetadata, 0);
  EXPECT_EQ(loaded.NoEnlarge, 1);
}

TEST_F(SaveDataFile, HandEditedOddValuesAreKeptButNeverUsedAsIndices) {
  const std::wstring text =
      L"\xFEFF[CONVERT]\r\nResizeRadioIndex=42\r\nOutputImageType=-3\r\n"
      L"ResizeResizeEditWidth=-20\r\nJpegQuantization=400\r\n";
  ASSERT_TRUE(WriteFileBytes(
      iniPath, std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2)));
  theIniFile.SetFileName(iniPath);
  SaveData_CL data;
  data.Load();
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
           L"MakeFolder=..\\写真\r\n");
  SaveData_CL data;
  data.Load();
  theLog.logPath = previousLog;
  EXPECT_EQ(data.SaveDirTypeIndex, 1) << "not a folder at the root of the drive";
  EXPECT_EQ(data.JpegQualityTypeIndex, 0) << "not a JPEG setting that writes nothing";
  EXPECT_EQ(data.MakeFolder, L"Resized");
  const std::wstring log = LogText(temp.File(L"log.txt"));
  EXPECT_NE(log.find(L"作成フォルダ名「..\\写真」は使えないため「Resized」にしました"), std::wstring::npos)
      << testing::PrintToString(log);

  WriteIni(L"[CONVERT]\r\nSaveDirTypeIndex=0\r\nJpegQualityTypeIndex=1\r\nMakeFolder=縮小 2024.v2\r\n");
  data.Load();
  EXPECT_EQ(data.SaveDirTypeIndex, 0);
  EXPECT_EQ(data.JpegQualityTypeIndex, 1);
  EXPECT_EQ(data.MakeFolder, L"縮小 2024.v2") << "a usable name is kept";
  WriteIni(L"[CONVERT]\r\nMakeFolder=\r\n");
  data.Load();
  EXPECT_EQ(data.MakeFolder, L"") << "no name means the photos' own folder";
}

TEST_F(SaveDataFile, PreviewModeRoundTripsAndAnOlderOrOddFileOpensAtActualSize) {
  theIniFile.SetFileName(iniPath);
  SaveData_CL saved;
  saved.PreviewFit = 1;
  saved.Save();
  SaveData_CL loaded;
  loaded.Load();
  EXPECT_EQ(loaded.PreviewFit, 1);

  // A file written before the mode was stored, and hand-edited values.
  for (const wchar_t* lines : {L"[CONVERT]\r\nJpegQuantization=70\r\n", L"[CONVERT]\r\nPreviewFit=2\r\n",
                               L"[CONVERT]\r\nPreviewFit=-1\r\n"}) {
    WriteIni(lines);
    loaded.PreviewFit = 1;
    loaded.Load();
    EXPECT_EQ(loaded.PreviewFit, 0) << testing::PrintToString(std::wstring(lines));
  }
}

TEST(SaveData, AddItemKeepsTheCurrentPhotoAndClearEmptiesTheList) {
  SaveData_CL data;
  data.AddItem(PhotoItem{L"C:\\a.jpg", 1, 0, {}});
  data.currentIndex = 0;
  data.currentItem = &data.items[0];
  for (int i = 0; i < 100; ++i) {
    PhotoItem item;
    item.path = L"C:\\n" + std::to_wstring(i) + L".jpg";
    data.AddItem(item);
  }

  ASSERT_EQ(data.items.size(), 101u);
  EXPECT_EQ(data.items[100].path, L"C:\\n99.jpg");
  EXPECT_EQ(data.items[100].rotation, 0);
  ExpectDefaultEffect(data.items[100].effect);
  EXPECT_EQ(data.currentItem, &data.items[0]) << "the current photo must survive the list growing";
  EXPECT_EQ(data.currentItem->path, L"C:\\a.jpg");

  data.Clear();
  EXPECT_TRUE(data.items.empty());
  EXPECT_EQ(data.currentIndex, -1);
  EXPECT_EQ(data.currentItem, nullptr);
}

TEST(SaveData, ACopyOrAnAssignmentPointsIntoNoOtherRecordsList) {
  SaveData_CL record;
  record.AddItem(PhotoItem{L"C:\\a.jpg", 0, 0, {}});
  record.AddItem(PhotoItem{L"C:\\b.jpg", 1, 0, {}});
  record.currentIndex = 1;
  record.currentItem = &record.items[1];

  const SaveData_CL copy = record;
  SaveData_CL assigned;
  assigned = record;
  for (const SaveData_CL* other : std::vector<const SaveData_CL*>{&copy, &assigned}) {
    EXPECT_EQ(static_cast<PhotoItem*>(other->currentItem), nullptr);
    EXPECT_EQ(other->currentIndex, 1);
    ASSERT_EQ(other->items.size(), 2u);
    EXPECT_NE(other->items.data(), record.items.data());
  }
  EXPECT_EQ(static_cast<PhotoItem*>(record.currentItem), &record.items[1]) << "the original keeps its own";
}
