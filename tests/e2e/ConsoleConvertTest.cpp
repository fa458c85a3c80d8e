// Glimmerset.exe /convert, started as a user's script would start it: its output goes to a
// pipe, read here as UTF-8 lines, and its exit code tells how the conversion went. The
// settings file is written before, with the update check off, and must be the same after.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/ShellHelpers.h"
#include "tests/e2e/E2eSupport.h"
#include "tests/support/RecycleBinFolder.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPhotos.h"

namespace {

constexpr DWORD kRunMs = 60000;
constexpr wchar_t kIni[] = L"[VERSION]\r\nnotify=1\r\n";

struct Outcome {
  DWORD exitCode = STILL_ACTIVE;
  std::wstring output;
  std::vector<std::wstring> lines;
};

std::wstring FromUtf8(const std::string& bytes) {
  if (bytes.empty()) return {};
  const int size = static_cast<int>(bytes.size());
  std::wstring text(MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, nullptr, 0), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, text.data(), static_cast<int>(text.size()));
  return text;
}

// Every byte waiting in the pipe, appended to `out`.
void Drain(HANDLE pipe, std::string& out) {
  DWORD waiting = 0;
  while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0) {
    std::string chunk(waiting, '\0');
    DWORD read = 0;
    if (!ReadFile(pipe, chunk.data(), waiting, &read, nullptr) || read == 0) return;
    out.append(chunk.data(), read);
  }
}

// Runs `program` (the Glimmerset.exe beside this test unless named) with `arguments`, in the
// program's own folder, its standard output and error into one pipe.
Outcome RunGlimmerset(const std::vector<std::wstring>& arguments, const std::wstring& program = e2e::ProgramPath()) {
  Outcome outcome;
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 1 << 16)) return outcome;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

  std::wstring commandLine = L"\"" + program + L"\"";
  const std::wstring folder = program.substr(0, program.find_last_of(L'\\'));
  for (const std::wstring& argument : arguments) commandLine += L" \"" + argument + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nullptr;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      folder.c_str(), &startup, &process);
  CloseHandle(writeEnd);
  if (!started) {
    CloseHandle(readEnd);
    return outcome;
  }
  CloseHandle(process.hThread);

  std::string bytes;
  const DWORD begin = GetTickCount();
  while (WaitForSingleObject(process.hProcess, 20) == WAIT_TIMEOUT) {
    Drain(readEnd, bytes);
    if (GetTickCount() - begin > kRunMs) {
      TerminateProcess(process.hProcess, STILL_ACTIVE);
      WaitForSingleObject(process.hProcess, 5000);
      break;
    }
  }
  Drain(readEnd, bytes);
  GetExitCodeProcess(process.hProcess, &outcome.exitCode);
  CloseHandle(process.hProcess);
  CloseHandle(readEnd);
  outcome.output = FromUtf8(bytes);
  outcome.lines = e2e::Lines(outcome.output);
  return outcome;
}

bool WritePhoto(const std::wstring& path, int width = 320, int height = 240) {
  const GpBitmapPtr bitmap = MakeBitmap(width, height, 0xFFE0A040);
  PaintRect(bitmap.get(), width / 4, height / 4, width / 2, height / 2, 0xFF2060C0);
  return SaveAs(bitmap.get(), path, kTestFormatJpeg);
}

// A JPEG file cut off halfway through its picture data.
bool WriteBrokenPhoto(const std::wstring& path) {
  const GpBitmapPtr bitmap = MakeBitmap(320, 240, 0xFF40A060);
  PaintRect(bitmap.get(), 10, 10, 200, 150, 0xFFC04040);
  const std::string whole = JpegBytes(bitmap.get());
  return !whole.empty() && WriteFileBytes(path, whole.substr(0, whole.size() / 2));
}

bool HasLine(const Outcome& outcome, const std::wstring& line) {
  return std::find(outcome.lines.begin(), outcome.lines.end(), line) != outcome.lines.end();
}

size_t LinesStartingWith(const Outcome& outcome, const std::wstring& start) {
  return static_cast<size_t>(std::count_if(outcome.lines.begin(), outcome.lines.end(),
                                           [&](const std::wstring& line) { return line.rfind(start, 0) == 0; }));
}

void ExpectPicture(const std::wstring& path, int width, int height) {
  SCOPED_TRACE(testing::Message() << "output " << path);
  const GpImagePtr image = LoadPicture(path);
  ASSERT_TRUE(image) << "missing or unreadable";
  const PictureSize size = SizeOf(image.get());
  EXPECT_EQ(size.width, width);
  EXPECT_EQ(size.height, height);
}

class ConsoleConvertTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(e2e::DocumentsFolder(), documents.Path()) << "the Documents folder could not be moved for the test";
    ASSERT_TRUE(FileExists(e2e::ProgramPath())) << "Glimmerset.exe is built beside this test";
    const std::wstring dataFolder = documents.File(L"Glimmerset");
    CreateDirectoryW(dataFolder.c_str(), nullptr);
    iniPath = dataFolder + L"\\Glimmerset.ini";
    ASSERT_TRUE(e2e::WriteUtf16(iniPath, kIni));
    iniBytes = ReadFileBytes(iniPath);
  }

  // /convert only reads the settings, whatever its options and however it ends.
  void TearDown() override { EXPECT_EQ(ReadFileBytes(iniPath), iniBytes) << "the settings file was written"; }

  const TempFolder documents;
  const e2e::PrivateDocuments privateDocuments{documents.Path()};
  const TempFolder photos;
  std::wstring iniPath;
  std::string iniBytes;
};

TEST_F(ConsoleConvertTest, ConvertsAFolderReportingEachPhotoAndEndsWithOneWhenAPhotoFails) {
  const std::wstring a = photos.File(L"a.jpg");
  const std::wstring b = photos.File(L"b.jpg");
  const std::wstring broken = photos.File(L"broken.jpg");
  ASSERT_TRUE(WritePhoto(a));
  ASSERT_TRUE(WritePhoto(b));
  ASSERT_TRUE(WriteBrokenPhoto(broken));

  const Outcome outcome = RunGlimmerset({L"/convert", L"/size", L"80x60", L"/quality", L"70", L"/folder", L"out", photos.Path()});
  SCOPED_TRACE(testing::Message() << "output:\n" << outcome.output);
  EXPECT_EQ(outcome.exitCode, 1u);
  const std::wstring outA = photos.File(L"out\\a.jpg");
  const std::wstring outB = photos.File(L"out\\b.jpg");
  EXPECT_TRUE(HasLine(outcome, L"OK " + a + L" -> " + outA));
  EXPECT_TRUE(HasLine(outcome, L"OK " + b + L" -> " + outB));
  EXPECT_EQ(LinesStartingWith(outcome, L"NG " + broken + L" : 読み込めない写真"), 1u);
  EXPECT_EQ(LinesStartingWith(outcome, L"OK ") + LinesStartingWith(outcome, L"NG "), 3u) << "one line per photo";
  EXPECT_TRUE(HasLine(outcome, L"3枚中2枚を変換しました。1枚は変換できませんでした。"));

  ExpectPicture(outA, 80, 60);
  ExpectPicture(outB, 80, 60);
  EXPECT_FALSE(FileExists(photos.File(L"out\\broken.jpg"))) << "a broken photo yields nothing";
  EXPECT_FALSE(FileExists(photos.File(L"Resized"))) << "/folder replaces the usual folder";
}

TEST_F(ConsoleConvertTest, ASecondRunIntoANamedFolderConvertsOnlyThePhotosAgainAndSkipDoneSkipsThemAll) {
  for (const wchar_t* name : {L"a.jpg", L"b.jpg", L"c.jpg"}) ASSERT_TRUE(WritePhoto(photos.File(name)));
  const std::vector<std::wstring> arguments = {L"/convert", L"/size", L"80x60", L"/folder", L"縮小", photos.Path()};
  for (int run = 1; run <= 2; ++run) {
    const Outcome outcome = RunGlimmerset(arguments);
    SCOPED_TRACE(testing::Message() << "run " << run << ":\n" << outcome.output);
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_TRUE(HasLine(outcome, L"3枚中3枚を変換しました。"));
    EXPECT_EQ(LinesStartingWith(outcome, L"NG "), 0u);
  }
  EXPECT_FALSE(FileExists(photos.File(L"縮小\\縮小"))) << "the first run's outputs are no photos to convert";
  ExpectPicture(photos.File(L"縮小\\a.jpg"), 80, 60);

  std::vector<std::wstring> skipping = arguments;
  skipping.insert(skipping.begin() + 1, L"/skip-done");
  const Outcome outcome = RunGlimmerset(skipping);
  SCOPED_TRACE(testing::Message() << "skip-done:\n" << outcome.output);
  EXPECT_EQ(outcome.exitCode, 0u) << "photos already converted are no failures";
  EXPECT_EQ(LinesStartingWith(outcome, L"SKIP "), 3u);
  EXPECT_TRUE(HasLine(outcome, L"3枚中0枚を変換しました。3枚は変換済みのためとばしました。"));
}

TEST_F(ConsoleConvertTest, AChosenFolderGetsTheNamedFoldersTreeAndItsOwnOutputsAreNeverReadAsPhotos) {
  // D:\写真\2024 with three levels below it, into a folder that lies inside that tree.
  for (const wchar_t* folder : {L"2024", L"2024\\春", L"2024\\春\\桜", L"2024\\春\\桜\\夜", L"別"}) {
    ASSERT_TRUE(CreateDirectoryW(photos.File(folder).c_str(), nullptr));
  }
  for (const wchar_t* name : {L"2024\\a.jpg", L"2024\\春\\b.jpg", L"2024\\春\\桜\\c.jpg", L"2024\\春\\桜\\夜\\d.jpg",
                              L"e.jpg", L"別\\e.jpg"}) {
    ASSERT_TRUE(WritePhoto(photos.File(name)));
  }
  const std::wstring chosen = photos.File(L"2024\\春\\小さく");
  const std::vector<std::wstring> arguments = {L"/convert", L"/size", L"80x60", L"/out", chosen,
                                               photos.File(L"2024"), photos.File(L"e.jpg"), photos.File(L"別\\e.jpg")};
  for (int run = 1; run <= 2; ++run) {
    const Outcome outcome = RunGlimmerset(arguments);
    SCOPED_TRACE(testing::Message() << "run " << run << ":\n" << outcome.output);
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_TRUE(HasLine(outcome, L"6枚中6枚を変換しました。")) << "the first run's outputs are no photos";
  }
  for (const wchar_t* name : {L"2024\\a.jpg", L"2024\\春\\b.jpg", L"2024\\春\\桜\\c.jpg", L"2024\\春\\桜\\夜\\d.jpg",
                              L"e.jpg", L"e (2).jpg"}) {
    ExpectPicture(chosen + L"\\" + name, 80, 60);
  }
  EXPECT_FALSE(FileExists(chosen + L"\\2024\\春\\小さく")) << "the chosen folder was searched";

  // A folder that cannot be made is said before anything is converted.
  const Outcome blocked = RunGlimmerset({L"/convert", L"/out", photos.File(L"e.jpg") + L"\\out", photos.File(L"2024")});
  SCOPED_TRACE(testing::Message() << "blocked:\n" << blocked.output);
  EXPECT_EQ(blocked.exitCode, 2u);
  EXPECT_EQ(LinesStartingWith(blocked, L"保存先のフォルダ「" + photos.File(L"e.jpg") + L"\\out」を使えません: "), 1u);
  EXPECT_EQ(LinesStartingWith(blocked, L"OK "), 0u);
}

TEST_F(ConsoleConvertTest, FillCutsToTheExactBoxAndMaxKbKeepsEveryFileUnderItsLimit) {
  ASSERT_TRUE(WritePhoto(photos.File(L"wide.jpg"), 480, 120));
  ASSERT_TRUE(WritePhoto(photos.File(L"tall.jpg"), 120, 480));
  const Outcome filled =
      RunGlimmerset({L"/convert", L"/size", L"100x100", L"/fill", L"smart", L"/folder", L"fill", photos.Path()});
  SCOPED_TRACE(testing::Message() << "fill:\n" << filled.output);
  EXPECT_EQ(filled.exitCode, 0u);
  ExpectPicture(photos.File(L"fill\\wide.jpg"), 100, 100);
  ExpectPicture(photos.File(L"fill\\tall.jpg"), 100, 100);

  const Outcome limited = RunGlimmerset(
      {L"/convert", L"/size", L"keep", L"/type", L"png", L"/max-kb", L"1", L"/folder", L"limit", photos.File(L"wide.jpg")});
  SCOPED_TRACE(testing::Message() << "max-kb:\n" << limited.output);
  // A lossless PNG of 480 x 120 is over 1 KB: made smaller until it fits, and said so.
  EXPECT_EQ(limited.exitCode, 0u);
  EXPECT_EQ(LinesStartingWith(limited, L"OK " + photos.File(L"wide.jpg")), 1u);
  EXPECT_EQ(LinesStartingWith(limited, L"1枚中1枚を変換しました。1枚はファイルサイズに収めるため縮小しました。"), 1u);
  const std::string png = ReadFileBytes(photos.File(L"limit\\wide.png"));
  EXPECT_GT(png.size(), 0u);
  EXPECT_LE(png.size(), 1024u);
}

TEST_F(ConsoleConvertTest, ExitCodesForBadOptionsUsageAndAFolderOfGoodPhotos) {
  // Neither side of the box may be lost: a wide photo meets its width, a tall one its height.
  const std::wstring wide = photos.File(L"wide.jpg");
  const std::wstring tall = photos.File(L"tall.jpg");
  ASSERT_TRUE(WritePhoto(wide, 480, 120));
  ASSERT_TRUE(WritePhoto(tall, 120, 480));
  {
    const Outcome outcome = RunGlimmerset({L"/convert", L"/size", L"banana", photos.Path()});
    SCOPED_TRACE(testing::Message() << "bad /size:\n" << outcome.output);
    EXPECT_EQ(outcome.exitCode, 2u);
    EXPECT_NE(outcome.output.find(L"/size banana"), std::wstring::npos) << "the bad option is named";
    EXPECT_FALSE(FileExists(photos.File(L"Resized"))) << "nothing is converted";
  }
  {
    const Outcome outcome = RunGlimmerset({L"/convert", L"/name", L"{n:99}_{name}", photos.Path()});
    SCOPED_TRACE(testing::Message() << "refused /name:\n" << outcome.output);
    EXPECT_EQ(outcome.exitCode, 2u);
    EXPECT_NE(outcome.output.find(L"{n:99}_{name}"), std::wstring::npos) << "the pattern is named";
    EXPECT_NE(outcome.output.find(L"1～9"), std::wstring::npos) << "with its reason";
    EXPECT_FALSE(FileExists(photos.File(L"Resized"))) << "nothing is converted";
  }
  {
    const Outcome outcome = RunGlimmerset({L"/convert", L"/?"});
    SCOPED_TRACE(testing::Message() << "/?:\n" << outcome.output);
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_NE(outcome.output.find(L"使い方"), std::wstring::npos);
  }
  {
    const Outcome outcome = RunGlimmerset({L"/convert", L"/size", L"80x60", photos.Path()});
    SCOPED_TRACE(testing::Message() << "good folder:\n" << outcome.output);
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_TRUE(HasLine(outcome, L"OK " + wide + L" -> " + photos.File(L"Resized\\wide.jpg")));
    EXPECT_TRUE(HasLine(outcome, L"OK " + tall + L" -> " + photos.File(L"Resized\\tall.jpg")));
    EXPECT_TRUE(HasLine(outcome, L"2枚中2枚を変換しました。"));
    ExpectPicture(photos.File(L"Resized\\wide.jpg"), 80, 20);
    ExpectPicture(photos.File(L"Resized\\tall.jpg"), 15, 60);
  }
  {
    const Outcome outcome = RunGlimmerset({L"/convert", L"/size", L"80x60", L"/name", L"{w}x{h}\\{name}", wide});
    SCOPED_TRACE(testing::Message() << "/name:\n" << outcome.output);
    EXPECT_EQ(outcome.exitCode, 0u);
    ExpectPicture(photos.File(L"Resized\\80x20\\wide.jpg"), 80, 20);
  }
}

}  // namespace

TEST_F(ConsoleConvertTest, PresetsAreListedTakenByNameWithTheOptionsAroundThemAndBadNamesEndWithTwo) {
  ASSERT_TRUE(e2e::WriteUtf16(
      iniPath, std::wstring(kIni) +
                   L"[CONVERT]\r\nMakeFolder=作業\r\n[PRESETS]\r\nSeeded=1\r\n"
                   L"[PRESET1]\r\nName=\"Web 1600\"\r\nResizeRadioIndex=11\r\nLongEdge=1600\r\nOutputImageType=1\r\n"
                   L"RemoveGps=1\r\nMakeFolder=Web\r\n"
                   L"[PRESET2]\r\nName=\" ]奇=妙;\"\r\nResizeRadioIndex=9\r\nResizeResizeEditWidth=64\r\n"
                   L"ResizeEditHeight=48\r\nMakeFolder=奇妙\r\n"));
  iniBytes = ReadFileBytes(iniPath);
  const std::wstring photo = photos.File(L"p.jpg");
  ASSERT_TRUE(WritePhoto(photo));
  struct Case {
    const char* what;
    std::vector<std::wstring> arguments;
    DWORD exitCode;
    std::vector<std::wstring> lines;  // each printed as it is
    std::wstring picture = {};  // written, at the size below; empty: nothing is
    int width = 0;
    int height = 0;
  };
  const Case cases[] = {
      {"the list", {L"/presets"}, 0,
       {L"Web 1600\t長辺1600 / JPEG 80 / 位置情報を消す / フォルダ「Web」", L" ]奇=妙;\t64×48 / 元の形式 80 / フォルダ「奇妙」"}},
      {"an option before the preset", {L"/convert", L"/size", L"40x30", L"/preset", L"web 1600", photo}, 0,
       {L"OK " + photo + L" [Web 1600] -> " + photos.File(L"Web\\p.jpg")}, photos.File(L"Web\\p.jpg"), 40, 30},
      {"an option after the preset", {L"/convert", L"/preset", L" ]奇=妙;", L"/size", L"80x60", photo}, 0,
       {L"OK " + photo + L" [ ]奇=妙;] -> " + photos.File(L"奇妙\\p.jpg")}, photos.File(L"奇妙\\p.jpg"), 80, 60},
      {"two presets, one output each", {L"/convert", L"/size", L"20x15", L"/preset", L"Web 1600", L"/preset", L" ]奇=妙;", photo}, 0,
       {L"OK " + photo + L" [Web 1600] -> " + photos.File(L"Web\\p.jpg"),
        L"OK " + photo + L" [ ]奇=妙;] -> " + photos.File(L"奇妙\\p.jpg")}, photos.File(L"奇妙\\p.jpg"), 20, 15},
      {"an unknown name", {L"/convert", L"/preset", L"無い", photo}, 2,
       {L"オプションが正しくありません: プリセット「無い」はありません", L"  Web 1600", L"   ]奇=妙;"}},
      {"no name", {L"/convert", photo, L"/preset"}, 2, {}},
      {"the same preset twice", {L"/convert", L"/preset", L"Web 1600", L"/preset", L"WEB 1600", photo}, 2, {}},
  };
  for (const Case& c : cases) {
    const Outcome outcome = RunGlimmerset(c.arguments);
    SCOPED_TRACE(testing::Message() << c.what << ":\n" << outcome.output);
    EXPECT_EQ(outcome.exitCode, c.exitCode);
    for (const std::wstring& line : c.lines) EXPECT_TRUE(HasLine(outcome, line)) << line;
    if (!c.picture.empty()) ExpectPicture(c.picture, c.width, c.height);
    if (c.exitCode == 2) {
      EXPECT_EQ(LinesStartingWith(outcome, L"OK "), 0u);
    }
  }
  EXPECT_FALSE(FileExists(photos.File(L"作業"))) << "a preset's run never writes where the working settings would";
  const Outcome usage = RunGlimmerset({L"/convert", L"/?"});
  EXPECT_NE(usage.output.find(L"/preset NAME"), std::wstring::npos);
  EXPECT_NE(usage.output.find(L"/presets"), std::wstring::npos);
}

TEST_F(ConsoleConvertTest, HeicIsWrittenAsJpegAndANamedNonPhotoAPhotolessFolderOrAMissingLibheifEndsWithOne) {
  const std::wstring iphone = photos.File(L"IMG_5195.HEIC");
  ASSERT_TRUE(CopyFileW((ModuleDirectory() + L"\\testdata\\heic\\IMG_5195.HEIC").c_str(), iphone.c_str(), TRUE));
  {
    const Outcome outcome = RunGlimmerset({L"/convert", L"/size", L"80x60", iphone});
    SCOPED_TRACE(testing::Message() << "HEIC:\n" << outcome.output);
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_TRUE(HasLine(outcome, L"OK " + iphone + L" -> " + photos.File(L"Resized\\IMG_5195.jpg")));
    ExpectPicture(photos.File(L"Resized\\IMG_5195.jpg"), 46, 60);
  }
  {
    const Outcome outcome =
        RunGlimmerset({L"/convert", L"/size", L"80x60", L"/type", L"avif", L"/folder", L"avif", iphone});
    SCOPED_TRACE(testing::Message() << "HEIC as AVIF:\n" << outcome.output);
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_TRUE(HasLine(outcome, L"OK " + iphone + L" -> " + photos.File(L"avif\\IMG_5195.avif")));
    EXPECT_EQ(ReadFileBytes(photos.File(L"avif\\IMG_5195.avif")).substr(4, 8), "ftypavif");
  }
  const std::wstring notes = photos.File(L"notes.txt");
  ASSERT_TRUE(WriteFileBytes(notes, "Shopping: rice, miso, tofu\r\n"));
  {
    const Outcome outcome = RunGlimmerset({L"/convert", notes});
    SCOPED_TRACE(testing::Message() << "a named text file:\n" << outcome.output);
    EXPECT_EQ(outcome.exitCode, 1u);
    EXPECT_EQ(LinesStartingWith(outcome, L"NG " + notes + L" : 読み込めない写真 ("), 1u) << "with the reason";
  }
  const std::wstring empty = photos.File(L"empty");
  ASSERT_TRUE(CreateDirectoryW(empty.c_str(), nullptr));
  ASSERT_TRUE(WriteFileBytes(empty + L"\\readme.txt", "no photos here"));
  {
    const Outcome outcome = RunGlimmerset({L"/convert", empty});
    SCOPED_TRACE(testing::Message() << "a folder without photos:\n" << outcome.output);
    EXPECT_EQ(outcome.exitCode, 1u);
    EXPECT_TRUE(HasLine(outcome, L"NG " + empty + L" : 写真が見つかりません"));
  }
  {
    // A copy of the program with libvips but no libheif beside it: the HEIC is named with the
    // reason, the JPEG beside it is written, and the program ends as for any photo not written.
    const TempFolder alone;
    const std::wstring program = alone.File(L"Glimmerset.exe");
    ASSERT_TRUE(CopyFileW(e2e::ProgramPath().c_str(), program.c_str(), TRUE));
    ASSERT_TRUE(CopyFileW((ModuleDirectory() + L"\\libvips-42.dll").c_str(), alone.File(L"libvips-42.dll").c_str(), TRUE));
    const std::wstring jpeg = photos.File(L"a.jpg");
    ASSERT_TRUE(WritePhoto(jpeg));
    const Outcome outcome = RunGlimmerset({L"/convert", L"/size", L"80x60", L"/folder", L"alone", iphone, jpeg}, program);
    SCOPED_TRACE(testing::Message() << "without libheif.dll:\n" << outcome.output);
    EXPECT_EQ(outcome.exitCode, 1u);
    EXPECT_TRUE(HasLine(outcome, L"NG " + iphone + L" : 読み込めない写真 (libheif.dll が見つからないため HEIC を読めません)"));
    EXPECT_TRUE(HasLine(outcome, L"OK " + jpeg + L" -> " + photos.File(L"alone\\a.jpg")));
  }
}

namespace {

FILETIME ModificationTimeOf(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
  return data.ftLastWriteTime;
}

TEST_F(ConsoleConvertTest, LongEdgeScaleTimeLocationAndSharpenOptionsReachTheFilesAndTheUsage) {
  const std::wstring wide = photos.File(L"wide.jpg");
  const std::wstring tall = photos.File(L"tall.jpg");
  ASSERT_TRUE(WritePhoto(wide, 480, 120));
  ASSERT_TRUE(WritePhoto(tall, 120, 480));
  const HANDLE file = CreateFileW(wide.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const FILETIME old{0x12345600u, 0x01C00000u};  // in 2001
  SetFileTime(file, nullptr, nullptr, &old);
  CloseHandle(file);
  {
    const Outcome outcome = RunGlimmerset({L"/convert", L"/long-edge", L"200", L"/sharpen", L"/no-gps", L"/keep-time",
                                           L"/folder", L"edge", photos.Path()});
    SCOPED_TRACE(testing::Message() << "/long-edge:\n" << outcome.output);
    EXPECT_EQ(outcome.exitCode, 0u);
    ExpectPicture(photos.File(L"edge\\wide.jpg"), 200, 50);
    ExpectPicture(photos.File(L"edge\\tall.jpg"), 50, 200);
    const FILETIME kept = ModificationTimeOf(photos.File(L"edge\\wide.jpg"));
    EXPECT_EQ(CompareFileTime(&kept, &old), 0) << "/keep-time gives the photo's time";
  }
  {
    const Outcome outcome = RunGlimmerset({L"/convert", L"/scale", L"25", L"/new-time", L"/folder", L"quarter", wide});
    SCOPED_TRACE(testing::Message() << "/scale:\n" << outcome.output);
    EXPECT_EQ(outcome.exitCode, 0u);
    ExpectPicture(photos.File(L"quarter\\wide.jpg"), 120, 30);
    const FILETIME written = ModificationTimeOf(photos.File(L"quarter\\wide.jpg"));
    EXPECT_GT(CompareFileTime(&written, &old), 0) << "/new-time gives the time of writing";
  }
  for (const auto& bad : {std::vector<std::wstring>{L"/scale", L"0"}, {L"/scale", L"401"}, {L"/long-edge", L"1"}}) {
    const Outcome outcome = RunGlimmerset({L"/convert", bad[0], bad[1], wide});
    EXPECT_EQ(outcome.exitCode, 2u) << testing::PrintToString(bad);
  }
  const Outcome usage = RunGlimmerset({L"/convert", L"/?"});
  for (const wchar_t* option :
       {L"/long-edge", L"/scale", L"/sharpen", L"/no-sharpen", L"/no-gps", L"/keep-time", L"/exif-time", L"/new-time",
        L"|avif"})
    EXPECT_NE(usage.output.find(option), std::wstring::npos) << testing::PrintToString(std::wstring(option));
}

// /replace, the command line's own consent: each photo goes to the bin and its output takes its
// place. Where the shell has no bin and deletes for good (its data folder cannot be made),
// every photo stays as it was and is named with the reason.
TEST_F(ConsoleConvertTest, ReplaceSendsThePhotosToTheBinOnlyWhereThereIsOne) {
  const std::wstring stem = L"r" + std::to_wstring(GetTickCount());
  const std::vector<std::wstring> paths{photos.File(stem + L"a.jpg"), photos.File(stem + L"b.jpg")};
  std::vector<std::string> originals;
  for (const std::wstring& path : paths) {
    ASSERT_TRUE(WritePhoto(path));
    originals.push_back(ReadFileBytes(path));
  }
  {
    const Outcome outcome = RunGlimmerset({L"/convert", L"/replace", L"/size", L"160x120", photos.Path()});
    SCOPED_TRACE(testing::Message() << "/replace:\n" << outcome.output);
    EXPECT_EQ(outcome.exitCode, 0u);
    for (std::size_t i = 0; i < paths.size(); ++i) {
      ExpectPicture(paths[i], 160, 120);
      // The program's bin is this test's (it inherits XDG_DATA_HOME) where it can be looked into.
      if (!RecycledFilesFolder().empty()) {
        EXPECT_TRUE(ReadFileBytes(RecycledFilesFolder() + L"\\" + FileNamePart(paths[i])) == originals[i]);
      }
    }
  }
  originals = {ReadFileBytes(paths[0]), ReadFileBytes(paths[1])};
  wchar_t dataHome[MAX_PATH] = {};
  const DWORD saved = GetEnvironmentVariableW(L"XDG_DATA_HOME", dataHome, MAX_PATH);
  SetEnvironmentVariableW(L"XDG_DATA_HOME", L"/nonexistent/glimmerset-no-bin");
  const Outcome noBin = RunGlimmerset({L"/convert", L"/replace", L"/size", L"80x60", photos.Path()});
  SetEnvironmentVariableW(L"XDG_DATA_HOME", saved > 0 ? dataHome : nullptr);
  SCOPED_TRACE(testing::Message() << "no bin:\n" << noBin.output);
  EXPECT_EQ(noBin.exitCode, 1u);
  for (std::size_t i = 0; i < paths.size(); ++i) {
    EXPECT_TRUE(HasLine(noBin, L"NG " + paths[i] + L" : ごみ箱が使えないため置き換えませんでした"));
    EXPECT_TRUE(ReadFileBytes(paths[i]) == originals[i]) << "nothing of it is deleted";
  }
  const Outcome usage = RunGlimmerset({L"/convert", L"/?"});
  for (const wchar_t* option : {L"/replace", L"/never-larger", L"/allow-larger"})
    EXPECT_NE(usage.output.find(option), std::wstring::npos) << testing::PrintToString(std::wstring(option));
}

}  // namespace
