#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "app/ShellHelpers.h"

namespace {

class RecordingCommandLine : public CommandLine_CL {
public:
  void OnArgument(std::wstring argument) override { seen.push_back(argument); }
  std::vector<std::wstring> seen;
};

}  // namespace

TEST(CommandLine, KeepsOptionsWithSlashAndCountsTheRestAsFiles) {
  RecordingCommandLine line;
  line.Parse(L"Glimmerset.exe -x a.jpg /y \"C:\\My Photos\\b.jpg\"");
  const std::vector<std::wstring> expected{L"/x", L"a.jpg", L"/y", L"C:\\My Photos\\b.jpg"};
  EXPECT_EQ(line.arguments, expected);
  EXPECT_EQ(line.seen, expected) << "every argument is announced once, in order";
  EXPECT_EQ(line.CountFiles(), 2);
  EXPECT_EQ(line.FileAt(0), L"a.jpg");
  EXPECT_EQ(line.FileAt(1), L"C:\\My Photos\\b.jpg");
  EXPECT_EQ(line.FileAt(2), L"");
  EXPECT_EQ(line.FileAt(-1), L"");
}

TEST(CommandLine, EmptyQuotedArgumentCountsAsAFile) {
  CommandLine_CL line;
  line.Parse(L"Glimmerset.exe \"\" c.png");
  EXPECT_EQ(line.arguments, (std::vector<std::wstring>{L"", L"c.png"}));
  EXPECT_EQ(line.CountFiles(), 2);
  EXPECT_EQ(line.FileAt(0), L"");
  EXPECT_EQ(line.FileAt(1), L"c.png");
}

TEST(CommandLine, ProgramNameAloneGivesNoArguments) {
  CommandLine_CL line;
  line.Parse(L"\"C:\\Program Files\\Glimmerset.exe\"");
  EXPECT_TRUE(line.arguments.empty());
  EXPECT_EQ(line.CountFiles(), 0);
}

TEST(PathHelpers, SplitAtTheLastBackslashOrDot) {
  EXPECT_EQ(DirectoryPart(L"photo.jpg"), L"");
  EXPECT_EQ(DirectoryPart(L"C:\\dir\\sub\\photo.jpg"), L"C:\\dir\\sub");
  EXPECT_EQ(FileNamePart(L"photo.jpg"), L"photo.jpg");
  EXPECT_EQ(FileNamePart(L"C:\\dir\\photo.jpg"), L"photo.jpg");
  EXPECT_EQ(FileNamePart(L"C:\\dir\\"), L"");
  EXPECT_EQ(ExtensionPart(L"C:\\dir\\photo"), L"");
  EXPECT_EQ(ExtensionPart(L"C:\\dir\\photo.JPG"), L".JPG");
  EXPECT_EQ(ExtensionPart(L"C:\\a.b\\c"), L".b\\c");
  EXPECT_EQ(WithoutExtension(L"C:\\dir\\photo.tar.gz"), L"C:\\dir\\photo.tar");
  EXPECT_EQ(WithoutExtension(L"C:\\dir\\photo"), L"C:\\dir\\photo");
  EXPECT_EQ(JoinPath(L"C:\\data", L"\\log.txt"), L"C:\\data\\log.txt");
}

TEST(PathHelpers, HandleLongPathsWithoutLimit) {
  std::wstring folder = L"C:";
  for (int i = 0; i < 60; ++i) folder += L"\\フォルダ" + std::to_wstring(i);
  ASSERT_GT(folder.size(), 300u);
  const std::wstring path = folder + L"\\写真.jpeg";
  EXPECT_EQ(DirectoryPart(path), folder);
  EXPECT_EQ(FileNamePart(path), L"写真.jpeg");
  EXPECT_EQ(ExtensionPart(path), L".jpeg");
  EXPECT_EQ(WithoutExtension(path), folder + L"\\写真");
}

TEST(IntText, TextToIntTakesEveryCharacterAsADigit) {
  EXPECT_EQ(TextToInt(L"-15"), -15);
  EXPECT_EQ(TextToInt(L"320"), 320);
  EXPECT_EQ(TextToInt(L""), 0);
  EXPECT_EQ(TextToInt(L"12a"), 169);
  EXPECT_EQ(TextToInt(L"+3"), -47);
  EXPECT_EQ(TextToInt(L"4294967297"), 1) << "wraps around like 32-bit arithmetic";
}

TEST(IntText, IntToTextPrintsDecimal) {
  EXPECT_EQ(IntToText(0), L"0");
  EXPECT_EQ(IntToText(-1), L"-1");
  EXPECT_EQ(IntToText(-2147483647 - 1), L"-2147483648");
  EXPECT_EQ(TextToInt(IntToText(-2147483647 - 1)), -2147483647 - 1);
}

TEST(ShellHelpers, SystemErrorTextIsOneLineOrEmpty) {
  const std::wstring text = SystemErrorText(ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(text.find_first_of(L"\r\n"), std::wstring::npos);
  EXPECT_EQ(SystemErrorText(0x7FFFFFF0), L"");
}

TEST(ShellHelpers, ModuleDirectoryHoldsTheRunningProgram) {
  const std::wstring folder = ModuleDirectory();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), L'\\');
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  EXPECT_EQ(JoinPath(folder, L"\\" + FileNamePart(path)), std::wstring(path));
}

// A path longer than the first buffer is read whole: the buffer grows.
TEST(ShellHelpers, ModuleFileNameGrowsItsBufferUntilThePathFits) {
  const std::wstring full = ModuleFileName();
  ASSERT_GT(full.size(), 8u);
  EXPECT_EQ(ModuleFileName(nullptr, 4), full);
  EXPECT_EQ(ModuleFileName(nullptr, static_cast<DWORD>(full.size())), full);
  EXPECT_EQ(DirectoryPart(full), ModuleDirectory());
}

TEST(ShellHelpers, KnownFoldersAreNamed) {
  EXPECT_FALSE(DocumentsFolder().empty());
  EXPECT_FALSE(DesktopFolder().empty());
}
