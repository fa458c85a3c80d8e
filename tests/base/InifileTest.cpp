#include <gtest/gtest.h>

#include <cstring>

#include "base/Inifile.h"
#include "tests/support/TempFolder.h"

namespace {

const std::string kMark("\xFF\xFE", 2);

std::string Utf16Bytes(const std::wstring& text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

}  // namespace

TEST(Inifile, CreatesOnlyAMissingFileAndThenHoldingJustTheUtf16Mark) {
  TempFolder temp;
  Inifile_CL ini;
  ini.SetFileName(temp.File(L"Glimmerset.ini"));
  EXPECT_EQ(ReadFileBytes(temp.File(L"Glimmerset.ini")), kMark);

  const std::string ansi = "[CONVERT]\r\nJpegQuantization=55\r\n";
  ASSERT_TRUE(WriteFileBytes(temp.File(L"old.ini"), ansi));
  ini.SetFileName(temp.File(L"old.ini"));
  EXPECT_EQ(ReadFileBytes(temp.File(L"old.ini")), ansi);
  EXPECT_EQ(ini.ReadInt(L"CONVERT", L"JpegQuantization", 80), 55);
  EXPECT_EQ(ini.ReadInt(L"CONVERT", L"Missing", 42), 42);

  Inifile_CL noFile;
  noFile.filePath = temp.File(L"never-created.ini");
  EXPECT_EQ(noFile.ReadInt(L"CONVERT", L"JpegFileSize", 100), 100);
  EXPECT_EQ(noFile.ReadString(L"CONVERT", L"MakeFolder", L"既定"), L"既定");
}

TEST(Inifile, StoresIntegersAsDecimalTextAndJapaneseAsUtf16) {
  TempFolder temp;
  const std::wstring path = temp.File(L"設定.ini");
  Inifile_CL ini;
  ini.SetFileName(path);
  ini.WriteInt(L"S", L"minus", -1);
  ini.WriteInt(L"S", L"zero", 0);
  ini.WriteString(L"CONVERT", L"MakeFolder", L"縮小済み写真");

  EXPECT_EQ(ini.ReadString(L"S", L"minus", L""), L"-1");
  EXPECT_EQ(ini.ReadString(L"S", L"zero", L""), L"0");
  EXPECT_EQ(ini.ReadInt(L"S", L"minus", 5), -1);
  EXPECT_EQ(ini.ReadString(L"CONVERT", L"MakeFolder", L""), L"縮小済み写真");
  const std::string bytes = ReadFileBytes(path);
  EXPECT_EQ(bytes.substr(0, 2), kMark);
  EXPECT_NE(bytes.find(Utf16Bytes(L"MakeFolder=縮小済み写真")), std::string::npos);
}

TEST(Inifile, LongStringReadsBackAsItsFirst4095Characters) {
  TempFolder temp;
  Inifile_CL ini;
  ini.SetFileName(temp.File(L"a.ini"));
  std::wstring value;
  for (int i = 0; i < 5000; ++i) value.push_back(static_cast<wchar_t>(L'a' + i % 26));
  ini.WriteString(L"S", L"long", value);
  EXPECT_EQ(ini.ReadString(L"S", L"long", L""), value.substr(0, 4095));
}

TEST(Inifile, StructIsStoredAsHexWithChecksumAndChecked) {
  TempFolder temp;
  Inifile_CL ini;
  ini.SetFileName(temp.File(L"a.ini"));
  const RECT stored{1, 2, 300, -1};
  ini.WriteStruct(L"Window", L"WindowRect", &stored, sizeof(stored));
  // Two hex digits per byte, then the low byte of the bytes' sum (0x42C).
  EXPECT_EQ(ini.ReadString(L"Window", L"WindowRect", L""), L"01000000020000002C010000FFFFFFFF2C");

  RECT read{};
  EXPECT_TRUE(ini.ReadStruct(L"Window", L"WindowRect", &read, sizeof(read)));
  EXPECT_EQ(std::memcmp(&read, &stored, sizeof(read)), 0);
  EXPECT_FALSE(ini.ReadStruct(L"Window", L"WindowRect", &read, sizeof(read) - 4));
  ini.WriteString(L"Window", L"WindowRect", L"01000000020000002C010000FFFFFFFF2D");
  EXPECT_FALSE(ini.ReadStruct(L"Window", L"WindowRect", &read, sizeof(read)));
}
