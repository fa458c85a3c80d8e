#include <gtest/gtest.h>

#include <cstring>

#include "app/Inifile.h"
#include "tests/support/TempFolder.h"

namespace {

const std::string kMark("\xFF\xFE", 2);

// The UTF-16LE bytes of a text, as they stand in the file.
std::string Utf16Bytes(const std::wstring& text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

}  // namespace

TEST(Inifile, CreatesMissingFileHoldingOnlyTheUtf16Mark) {
  TempFolder temp;
  Inifile_CL ini;
  ini.SetFileName(temp.File(L"Glimmerset.ini"));
  EXPECT_EQ(ini.filePath, temp.File(L"Glimmerset.ini"));
  EXPECT_EQ(ReadFileBytes(temp.File(L"Glimmerset.ini")), kMark);
}

TEST(Inifile, LeavesAnExistingFileAsItIs) {
  TempFolder temp;
  const std::wstring path = temp.File(L"old.ini");
  const std::string ansi = "[CONVERT]\r\nJpegQuantization=55\r\n";
  ASSERT_TRUE(WriteFileBytes(path, ansi));
  Inifile_CL ini;
  ini.SetFileName(path);
  EXPECT_EQ(ReadFileBytes(path), ansi);
  EXPECT_EQ(ini.ReadInt(L"CONVERT", L"JpegQuantization", 80), 55);
}

TEST(Inifile, MissingKeySectionOrFileYieldsTheDefault) {
  TempFolder temp;
  Inifile_CL ini;
  ini.SetFileName(temp.File(L"a.ini"));
  ini.WriteInt(L"CONVERT", L"JpegFileSize", 7);
  EXPECT_EQ(ini.ReadInt(L"CONVERT", L"Other", 42), 42);
  EXPECT_EQ(ini.ReadInt(L"NOWHERE", L"JpegFileSize", -5), -5);
  EXPECT_EQ(ini.ReadString(L"CONVERT", L"Other", L"既定"), L"既定");

  Inifile_CL missing;
  missing.filePath = temp.File(L"never-created.ini");
  EXPECT_EQ(missing.ReadInt(L"CONVERT", L"JpegFileSize", 100), 100);
  EXPECT_EQ(missing.ReadString(L"CONVERT", L"MakeFolder", L"Resized"), L"Resized");
}

TEST(Inifile, IntegersAreStoredAsDecimalTextAndReadBack) {
  TempFolder temp;
  Inifile_CL ini;
  ini.SetFileName(temp.File(L"a.ini"));
  ini.WriteInt(L"S", L"minus", -1);
  ini.WriteInt(L"S", L"zero", 0);
  ini.WriteInt(L"S", L"big", 2147483647);
  EXPECT_EQ(ini.ReadString(L"S", L"minus", L""), L"-1");
  EXPECT_EQ(ini.ReadString(L"S", L"zero", L""), L"0");
  EXPECT_EQ(ini.ReadInt(L"S", L"minus", 5), -1);
  EXPECT_EQ(ini.ReadInt(L"S", L"zero", 5), 0);
  EXPECT_EQ(ini.ReadInt(L"S", L"big", 5), 2147483647);
}

TEST(Inifile, JapaneseValuesRoundTripAndTheFileStaysUtf16) {
  TempFolder temp;
  const std::wstring path = temp.File(L"設定.ini");
  Inifile_CL ini;
  ini.SetFileName(path);
  ini.WriteString(L"CONVERT", L"MakeFolder", L"縮小済み写真");
  EXPECT_EQ(ini.ReadString(L"CONVERT", L"MakeFolder", L""), L"縮小済み写真");

  const std::string bytes = ReadFileBytes(path);
  ASSERT_GE(bytes.size(), 2u);
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
  const std::wstring path = temp.File(L"a.ini");
  Inifile_CL ini;
  ini.SetFileName(path);
  const RECT stored{1, 2, 300, -1};
  ini.WriteStruct(L"Window", L"WindowRect", &stored, sizeof(stored));

  // Sixteen bytes as two hex digits each, then the low byte of their sum (0x42C).
  EXPECT_EQ(ini.ReadString(L"Window", L"WindowRect", L""),
            L"01000000020000002C010000FFFFFFFF2C");

  RECT read{};
  EXPECT_TRUE(ini.ReadStruct(L"Window", L"WindowRect", &read, sizeof(read)));
  EXPECT_EQ(std::memcmp(&read, &stored, sizeof(read)), 0);

  ini.WriteString(L"Window", L"WindowRect", L"01000000020000002C010000FFFFFFFF2D");
  EXPECT_FALSE(ini.ReadStruct(L"Window", L"WindowRect", &read, sizeof(read)));
  EXPECT_FALSE(ini.ReadStruct(L"Window", L"Missing", &read, sizeof(read)));
  EXPECT_FALSE(ini.ReadStruct(L"Window", L"WindowRect", &read, sizeof(read) - 4))
      << "a block of another size must not be taken";
}
