#include <gtest/gtest.h>

#include "base/CommandLine.h"
#include "base/ShellHelpers.h"

namespace {

class RecordingCommandLine : public CommandLine_CL {
public:
  void OnArgument(std::wstring argument) override { seen.push_back(argument); }
  std::vector<std::wstring> seen;
};

}  // namespace

TEST(CommandLine, KeepsOptionsWithSlashAndCountsTheRestAsFiles) {
  RecordingCommandLine line;
  line.Parse(L"Glimmerset.exe -x a.jpg /y \"C:\\My Photos\\b.jpg\" \"\"");
  const std::vector<std::wstring> expected{L"/x", L"a.jpg", L"/y", L"C:\\My Photos\\b.jpg", L""};
  EXPECT_EQ(line.arguments, expected);
  EXPECT_EQ(line.seen, expected);
  EXPECT_EQ(line.CountFiles(), 3);
  EXPECT_EQ(line.FileAt(0), L"a.jpg");
  EXPECT_EQ(line.FileAt(1), L"C:\\My Photos\\b.jpg");
  EXPECT_EQ(line.FileAt(2), L"") << "an empty pair of quotes is an empty path";
  EXPECT_EQ(line.FileAt(3), L"");
  EXPECT_EQ(line.FileAt(-1), L"");
}

TEST(PathHelpers, SplitAtTheLastBackslashOrDot) {
  EXPECT_EQ(DirectoryPart(L"photo.jpg"), L"");
  EXPECT_EQ(DirectoryPart(L"C:\\dir\\sub\\photo.jpg"), L"C:\\dir\\sub");
  EXPECT_EQ(FileNamePart(L"photo.jpg"), L"photo.jpg");
  EXPECT_EQ(FileNamePart(L"C:\\dir\\photo.jpg"), L"photo.jpg");
  EXPECT_EQ(ExtensionPart(L"C:\\dir\\photo"), L"");
  EXPECT_EQ(ExtensionPart(L"C:\\a.b\\c"), L".b\\c");
  EXPECT_EQ(WithoutExtension(L"C:\\dir\\photo.tar.gz"), L"C:\\dir\\photo.tar");
  EXPECT_EQ(WithoutExtension(L"C:\\dir\\photo"), L"C:\\dir\\photo");
  EXPECT_EQ(JoinPath(L"C:\\data", L"\\log.txt"), L"C:\\data\\log.txt");
}

TEST(IntText, TextToIntTakesEveryCharacterAsADigit) {
  EXPECT_EQ(TextToInt(L"-15"), -15);
  EXPECT_EQ(TextToInt(L""), 0);
  EXPECT_EQ(TextToInt(L"12a"), 169);
  EXPECT_EQ(TextToInt(L"+3"), -47);
  EXPECT_EQ(TextToInt(L"4294967297"), 1) << "wraps around like 32-bit arithmetic";
  EXPECT_EQ(IntToText(-2147483647 - 1), L"-2147483648");
}

TEST(ShellHelpers, SystemErrorTextIsOneLineOrEmpty) {
  const std::wstring text = SystemErrorText(ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(text.find_first_of(L"\r\n"), std::wstring::npos);
  EXPECT_EQ(SystemErrorText(0x7FFFFFF0), L"");
}

TEST(ShellHelpers, ModuleFileNameGrowsItsBufferUntilThePathFits) {
  const std::wstring full = ModuleFileName();
  ASSERT_GT(full.size(), 8u);
  EXPECT_EQ(ModuleFileName(nullptr, 4), full);
  EXPECT_EQ(ModuleFileName(nullptr, static_cast<DWORD>(full.size())), full);
  EXPECT_EQ(ModuleDirectory() + L"\\" + FileNamePart(full), full);
}
