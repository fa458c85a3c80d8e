#include <gtest/gtest.h>

#include <cwctype>

#include "base/LogFile.h"
#include "tests/support/TempFolder.h"

namespace {

const std::string kMark("\xFF\xFE", 2);

// The file's content after the byte-order mark, as UTF-16 text.
std::wstring TextAfterMark(const std::wstring& path) {
  const std::string bytes = ReadFileBytes(path);
  if (bytes.size() < 2) return {};
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
}

// Checks the "YYYY/MM/DD hh:mm:ss.mmm : " prefix and gives what follows it.
std::wstring AfterPrefix(const std::wstring& text) {
  const std::wstring pattern = L"9999/99/99 99:99:99.999 : ";
  if (text.size() < pattern.size()) return L"<no prefix>";
  for (size_t i = 0; i < pattern.size(); ++i) {
    const bool fits = pattern[i] == L'9' ? std::iswdigit(text[i]) != 0 : text[i] == pattern[i];
    if (!fits) return L"<no prefix>";
  }
  return text.substr(pattern.size());
}

class LogFileTest : public testing::Test {
protected:
  TempFolder temp;
  LogFile log;
  void SetUp() override { log.logPath = temp.File(L"log.txt"); }
};

}  // namespace

TEST_F(LogFileTest, EntriesFollowOneMarkWithPrefixMessageAndLineEnd) {
  log.Write(L"\r\n★★★★★ アプリ起動 ★★★★★");
  log.Write(L"InternetOpen()エラー = 0x%08x : %s", 0x2EE7, L"C:\\データ");

  EXPECT_EQ(ReadFileBytes(log.logPath).substr(0, 2), kMark);
  const std::wstring text = TextAfterMark(log.logPath);
  EXPECT_EQ(text.find(L'\xFEFF'), std::wstring::npos) << "only the file's start has a mark";
  // The banner's leading line break leaves the first prefix alone on its line.
  const std::wstring banner = AfterPrefix(text);
  ASSERT_EQ(banner.substr(0, 21), L"\r\n★★★★★ アプリ起動 ★★★★★\r\n");
  EXPECT_EQ(AfterPrefix(banner.substr(21)), L"InternetOpen()エラー = 0x00002ee7 : C:\\データ\r\n");
}

TEST_F(LogFileTest, EmptiesTheFileOnlyOnceItExceedsTheLimit) {
  LogFile small(64);
  small.logPath = log.logPath;
  const std::string atLimit = kMark + std::string(62, 'x');
  ASSERT_TRUE(WriteFileBytes(small.logPath, atLimit));
  small.Write(L"kept");
  EXPECT_EQ(ReadFileBytes(small.logPath).substr(0, 64), atLimit);

  small.Write(L"fresh");
  EXPECT_EQ(ReadFileBytes(small.logPath).substr(0, 2), kMark);
  EXPECT_EQ(AfterPrefix(TextAfterMark(small.logPath)), L"fresh\r\n");
}

TEST_F(LogFileTest, OverlongMessageIsCutToFitNeverInsideASurrogatePair) {
  const std::wstring plain(5000, L'あ');
  log.Write(L"%s", plain.c_str());
  EXPECT_EQ(AfterPrefix(TextAfterMark(log.logPath)),
            plain.substr(0, LogFile::kMaxMessageLength) + L"\r\n");

  // Pairs from the first unit on put one across the cut after 1,039 units.
  std::wstring pairs;
  for (int i = 0; i < 600; ++i) pairs += L"\xD83D\xDCF7";
  LogFile other;
  other.logPath = temp.File(L"pairs.txt");
  other.Write(L"%s", pairs.c_str());
  EXPECT_EQ(AfterPrefix(TextAfterMark(other.logPath)),
            pairs.substr(0, LogFile::kMaxMessageLength - 1) + L"\r\n");
}
