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

void ExpectDefaultEffect(const EffectParams& effect) { EXPECT_EQ(effect, EffectParams{}); }

// A file of the version before this one, every key at a value other than its default: the
// [CONVERT] section as that version wrote it, key by key.
const std::vector<std::wstring> kPreviousVersion{
    L"ResizeRadioIndex=9",       L"ResizeResizeEditWidth=-1",  L"ResizeEditHeight=480",
    L"EffectRadioIndex=2",       L"CheckBriteness=1",          L"ValueBriteness=80",
    L"CheckContrast=1",          L"ValueContrast=73",          L"OutputImageType=4",
    L"SaveDirTypeIndex=2",       L"MakeFolder=縮小写真",       L"CheckAddFileNameTop=1",
    L"CheckAddFileNameBottom=1", L"ValueAddFileNameTop=a=b;", L"ValueAddFileNameBottom=_済",
    L"JpegQualityTypeIndex=1",   L"JpegQuantization=400",      L"JpegFileSize=250",
    L"KeepMetadata=0",           L"NoEnlarge=1",               L"LongEdge=2048",
    L"ScalePercent=400",         L"KeepFileTime=0",            L"FileTimeFromExif=1",
    L"RemoveGps=1",              L"Sharpen=1",                 L"SkipDone=1",
    L"CropToFill=1",             L"CropAnchor=1",              L"TargetStrict=1",
    L"OutputFolder=E:\\小さく",   L"NeverLarger=1",
};

// The settings that file means.
ConvertSettings PreviousVersionSettings() {
  ConvertSettings s;
  s.ResizeRadioIndex = SizeChoice::Custom;
  s.outputWidth = -1;
  s.outputHeight = 480;
  s.globalEffect = EffectParams{ColourEffect::Sepia, true, 80, true, 73};
  s.OutputImageType = kAllWebp;
  s.SaveDirTypeIndex = OutputPlace::ChosenFolder;
  s.MakeFolder = L"縮小写真";
  s.CheckAddFileNameTop = true;
  s.CheckAddFileNameBottom = true;
  s.ValueAddFileNameTop = L"a=b;";
  s.ValueAddFileNameBottom = L"_済";
  s.JpegQualityTypeIndex = QualityMode::TargetSize;
  s.JpegQuantization = 400;
  s.JpegFileSize = 250;
  s.KeepMetadata = false;
  s.NoEnlarge = true;
  s.LongEdge = 2048;
  s.ScalePercent = 400;
  s.KeepFileTime = false;
  s.FileTimeFromExif = true;
  s.RemoveGps = true;
  s.Sharpen = true;
  s.SkipDone = true;
  s.CropToFill = FitOrFill::Fill;
  s.CropAnchor = FillAnchor::Attention;
  s.TargetStrict = true;
  s.OutputFolder = L"E:\\小さく";
  s.NeverLarger = true;
  return s;
}

// A value a file may hold for one key, and what it reads as: the text the record writes back.
struct StoredValue {
  const wchar_t* key;
  std::wstring stored;
  std::wstring readsAs;
};

// Every value of every choice and yes/no round-trips; a choice outside its enum reads as its
// default, a yes/no other than 0 or 1 as on (the check boxes) or as its default (the rest).
std::vector<StoredValue> StoredValues() {
  struct Choice {
    const wchar_t* key;
    int count;
    int fallback;
  };
  const Choice choices[] = {{L"ResizeRadioIndex", kSizeChoiceCount, 3}, {L"EffectRadioIndex", kColourEffectCount, 0},
                            {L"OutputImageType", kOutputTypeCount, 0},  {L"SaveDirTypeIndex", kOutputPlaceCount, 1},
                            {L"JpegQualityTypeIndex", 2, 0},            {L"CropToFill", 2, 0},
                            {L"CropAnchor", 2, 0}};
  struct Flag {
    const wchar_t* key;
    const wchar_t* odd;  // what 2 and -1 read as
  };
  const Flag flags[] = {{L"CheckBriteness", L"1"},   {L"CheckContrast", L"1"},       {L"CheckAddFileNameTop", L"1"},
                        {L"CheckAddFileNameBottom", L"1"}, {L"KeepMetadata", L"1"}, {L"NoEnlarge", L"1"},
                        {L"KeepFileTime", L"1"},     {L"FileTimeFromExif", L"0"},    {L"RemoveGps", L"0"},
                        {L"Sharpen", L"0"},          {L"SkipDone", L"0"},            {L"TargetStrict", L"0"},
                        {L"NeverLarger", L"0"}};
  std::vector<StoredValue> values{
      // Numbers are kept as read, but for the ends of the long edge and the percent.
      {L"ResizeResizeEditWidth", L"-20", L"-20"}, {L"JpegQuantization", L"400", L"400"},
      {L"LongEdge", L"2", L"2"},    {L"LongEdge", L"65535", L"65535"}, {L"LongEdge", L"1", L"1600"},
      {L"LongEdge", L"65536", L"1600"}, {L"ScalePercent", L"1", L"1"}, {L"ScalePercent", L"401", L"50"},
      {L"ScalePercent", L"0", L"50"},
      // A folder name that would send the outputs elsewhere reads as the default; none is kept.
      {L"MakeFolder", L"縮小 2024.v2", L"縮小 2024.v2"}, {L"MakeFolder", L"..\\写真", L"Resized"},
      // A file-name pattern is kept as typed, even one the batch refuses.
      {L"FileNamePattern", L"{date}_{name}", L"{date}_{name}"}, {L"FileNamePattern", L"{n:99}", L"{n:99}"},
      {L"MakeFolder", L"", L""}};
  for (const Choice& c : choices) {
    for (int v = 0; v < c.count; ++v) values.push_back({c.key, std::to_wstring(v), std::to_wstring(v)});
    for (const int odd : {-1, c.count, 42}) values.push_back({c.key, std::to_wstring(odd), std::to_wstring(c.fallback)});
  }
  for (const Flag& f : flags) {
    values.push_back({f.key, L"0", L"0"});
    values.push_back({f.key, L"1", L"1"});
    values.push_back({f.key, L"2", f.odd});
    values.push_back({f.key, L"-1", f.odd});
  }
  return values;
}

}  // namespace

// The settings file's keys and values meet the typed fields at one table: an older file reads
// the same settings and is written back line for line, every value of every key round-trips,
// and odd values are mended.
TEST_F(SaveDataFile, EveryKeyRoundTripsOddValuesAreMendedAndAnOlderFileReadsTheSame) {
  // A first start: every default, and no output larger than its photo.
  theIniFile.SetFileName(iniPath);
  SaveData_CL data;
  data.ResizeRadioIndex = SizeChoice::Box160x120;
  data.Load(theIniFile, theLog);
  ConvertSettings firstStart;
  firstStart.NeverLarger = true;
  EXPECT_EQ(static_cast<const ConvertSettings&>(data), firstStart);
  EXPECT_EQ(data.currentIndex, -1);

  // The version before: the same settings, and the same lines written back.
  std::wstring lines = L"[CONVERT]\r\n";
  for (const std::wstring& line : kPreviousVersion) lines += line + L"\r\n";
  WriteIni(lines);
  data.Load(theIniFile, theLog);
  EXPECT_EQ(static_cast<const ConvertSettings&>(data), PreviousVersionSettings());
  const TempFolder again;
  Inifile_CL written;
  written.SetFileName(again.File(L"Glimmerset.ini"));
  ASSERT_TRUE(data.Save(written, theLog));
  const std::string bytes = ReadFileBytes(written.filePath);
  EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE", 2));
  std::vector<std::wstring> writtenLines;
  for (const std::wstring& line : kPreviousVersion) {
    const size_t equals = line.find(L'=');
    writtenLines.push_back(line.substr(0, equals + 1) +
                           written.ReadString(L"CONVERT", line.substr(0, equals), L"\x01"));
  }
  EXPECT_EQ(writtenLines, kPreviousVersion);

  // Key by key: each value a file may hold, and what it reads as.
  const std::wstring previousLog = theLog.logPath;
  theLog.logPath = temp.File(L"log.txt");
  for (const StoredValue& value : StoredValues()) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(value.key) + L"=" + value.stored));
    // A chosen folder needs its path to stay chosen.
    WriteIni(L"[CONVERT]\r\nOutputFolder=D:\\out\r\n" + std::wstring(value.key) + L"=" + value.stored + L"\r\n");
    SaveData_CL one;
    one.Load(theIniFile, theLog);
    Inifile_CL back;
    back.SetFileName(again.File(L"back.ini"));
    DeleteFileW(back.filePath.c_str());
    ASSERT_TRUE(one.Save(back, theLog));
    EXPECT_EQ(back.ReadString(L"CONVERT", value.key, L"\x01"), value.readsAs);
  }
  theLog.logPath = previousLog;
  EXPECT_NE(LogText(temp.File(L"log.txt")).find(L"作成フォルダ名「..\\写真」は使えないため「Resized」にしました"),
            std::wstring::npos);

  // A chosen folder without its path would write to the drive's root: beside the photos, as before.
  WriteIni(L"[CONVERT]\r\nSaveDirTypeIndex=2\r\n");
  data.Load(theIniFile, theLog);
  EXPECT_EQ(data.SaveDirTypeIndex, OutputPlace::BesideSource);
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
