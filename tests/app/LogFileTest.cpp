#include <gtest/gtest.h>

#include <cwctype>

#include "app/LogFile.h"
#include "tests/support/TempFolder.h"

namespace {

// The file's content after the byte-order mark, as UTF-16 text.
std::wstring TextAfterMark(const std::string& bytes) {
  if (bytes.size() < 2) return {};
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
}

// "YYYY/MM/DD hh:mm:ss.mmm : "
bool IsPrefix(const std::wstring& text) {
  const std::wstring pattern = L"9999/99/99 99:99:99.999 : ";
  if (text.size() < pattern.size()) return false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == L'9' ? !std::iswdigit(text[i]) : text[i] != pattern[i]) return false;
  }
  return true;
}

}  // namespace

TEST(LogFile, FirstEntryStartsTheFileWithMarkPrefixMessageAndLineEnd) {
  TempFolder temp;
  LogFile log;
  log.logPath = temp.File(L"log.txt");
  log.Write(L"DataFolderPath = \"%s\"", L"C:\\データ");

  const std::string bytes = ReadFileBytes(log.logPath);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE", 2));
  const std::wstring text = TextAfterMark(bytes);
  ASSERT_TRUE(IsPrefix(text)) << "line: " << testing::PrintToString(text);
  EXPECT_EQ(text.substr(LogFile::kPrefixLength), L"DataFolderPath = \"C:\\データ\"\r\n");
  EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string("\x0D\x00\x0A\x00", 4));
}

TEST(LogFile, FormatsNumbersAndAppendsEntriesBehindOneMark) {
  TempFolder temp;
  LogFile log;
  log.logPath = temp.File(L"log.txt");
  log.Write(L"InternetOpen()エラー = 0x%08x : %s", 0x2EE7, L"not found");
  log.Write(L"%d", -12);

  const std::wstring text = TextAfterMark(ReadFileBytes(log.logPath));
  const size_t firstEnd = text.find(L"\r\n");
  ASSERT_NE(firstEnd, std::wstring::npos);
  EXPECT_EQ(text.substr(LogFile::kPrefixLength, firstEnd - LogFile::kPrefixLength),
            L"InternetOpen()エラー = 0x00002ee7 : not found");
  const std::wstring second = text.substr(firstEnd + 2);
  EXPECT_TRUE(IsPrefix(second));
  EXPECT_EQ(second.substr(LogFile::kPrefixLength), L"-12\r\n");
  EXPECT_EQ(text.find(L'\xFEFF'), std::wstring::npos) << "only the file's start has a mark";
}

TEST(LogFile, BannerStartingWithLineBreakLeavesThePrefixAloneOnItsLine) {
  TempFolder temp;
  LogFile log;
  log.logPath = temp.File(L"log.txt");
  log.Write(L"\r\n★★★★★ アプリ起動 ★★★★★");

  const std::wstring text = TextAfterMark(ReadFileBytes(log.logPath));
  ASSERT_TRUE(IsPrefix(text));
  EXPECT_EQ(text.substr(LogFile::kPrefixLength), L"\r\n★★★★★ アプリ起動 ★★★★★\r\n");
}

TEST(LogFile, EmptiesTheFileOnlyOnceItExceedsTheLimit) {
  TempFolder temp;
  const std::wstring path = temp.File(L"log.txt");
  LogFile log(64);
  log.logPath = path;

  // Exactly at the limit: kept, the entry is appended.
  ASSERT_TRUE(WriteFileBytes(path, std::string("\xFF\xFE", 2) + std::string(62, 'x')));
  log.Write(L"kept");
  std::string bytes = ReadFileBytes(path);
  EXPECT_EQ(bytes.substr(0, 64), std::string("\xFF\xFE", 2) + std::string(62, 'x'));
  EXPECT_GT(bytes.size(), 64u);

  // Now past the limit: the next entry starts a fresh file.
  log.Write(L"fresh");
  bytes = ReadFileBytes(path);
  EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE", 2));
  const std::wstring text = TextAfterMark(bytes);
  ASSERT_TRUE(IsPrefix(text));
  EXPECT_EQ(text.substr(LogFile::kPrefixLength), L"fresh\r\n");
}

TEST(LogFile, OverlongMessageIsCutToFitTheLine) {
  TempFolder temp;
  LogFile log;
  log.logPath = temp.File(L"log.txt");
  const std::wstring message(5000, L'あ');
  log.Write(L"%s", message.c_str());
  log.Write(L"after");

  const std::wstring text = TextAfterMark(ReadFileBytes(log.logPath));
  const size_t firstEnd = text.find(L"\r\n");
  ASSERT_NE(firstEnd, std::wstring::npos);
  EXPECT_EQ(text.substr(LogFile::kPrefixLength, firstEnd - LogFile::kPrefixLength),
            message.substr(0, LogFile::kMaxMessageLength));
  EXPECT_EQ(text.substr(text.size() - 7), L"after\r\n");
}

TEST(LogFile, OverlongMessageIsNotCutInsideASurrogatePair) {
  TempFolder temp;
  LogFile log;
  log.logPath = temp.File(L"log.txt");
  // Pairs from the first unit on put one across the cut after 1,039 units.
  std::wstring message;
  for (int i = 0; i < 600; ++i) message += L"\xD83D\xDCF7";
  log.Write(L"%s", message.c_str());

  const std::wstring text = TextAfterMark(ReadFileBytes(log.logPath));
  const std::wstring written =
      text.substr(LogFile::kPrefixLength, text.size() - LogFile::kPrefixLength - 2);
  EXPECT_EQ(written, message.substr(0, LogFile::kMaxMessageLength - 1));
}

TEST(LogFile, UnopenableFileLosesTheEntryQuietly) {
  TempFolder temp;
  LogFile log;
  log.logPath = temp.File(L"missing-folder\\log.txt");
  log.Write(L"lost");
  EXPECT_FALSE(FileExists(log.logPath));
}
