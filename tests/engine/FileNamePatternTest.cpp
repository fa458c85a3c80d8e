// Output names from a pattern: what each token stands for on a photo with a date taken and
// on one without, and the patterns that can make no usable name.
#include "engine/FileNamePattern.h"

#include <gtest/gtest.h>

#include "base/ShellHelpers.h"
#include "engine/OutputPlan.h"
#include "tests/support/ExifWriter.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPhotos.h"

namespace {

// The last write time of the file at `path` set to a local time.
bool SetLocalWriteTime(const std::wstring& path, const SYSTEMTIME& local) {
  SYSTEMTIME universal{};
  FILETIME time{};
  if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &universal) || !SystemTimeToFileTime(&universal, &time))
    return false;
  const HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool set = SetFileTime(file, nullptr, nullptr, &time) != FALSE;
  CloseHandle(file);
  return set;
}

std::wstring Expanded(const std::wstring& text, const std::wstring& path, const ConvertSettings& settings,
                      int number, const std::wstring& preset) {
  const FileNamePattern_CL pattern(text);
  EXPECT_EQ(pattern.Problem(), PatternProblem::None) << testing::PrintToString(text);
  return pattern.Expand(NameFactsOf(pattern, path, 0, settings, number, preset));
}

}  // namespace

TEST(FileNamePattern, TokensNameAPhotoWithADateTakenAndOneWithout) {
  TempFolder temp;
  const std::wstring folder = temp.File(L"旅行");
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  // 400 x 300 as stored, turned a quarter by its EXIF: 300 x 400 upright.
  CameraExif camera;
  camera.dateTimeOriginal = "2026:05:03 07:08:09";
  camera.orientation = 6;
  const std::wstring taken = folder + L"\\taken.jpg";
  const GpBitmapPtr bitmap = MakeBitmap(400, 300, 0xFF336699);
  ASSERT_TRUE(WriteFileBytes(taken, InsertAfterSoi(JpegBytes(bitmap.get()), CameraExifSegment(camera))));
  // No EXIF: the file's own date stands for the date taken.
  const std::wstring plain = folder + L"\\plain.png";
  ASSERT_TRUE(SaveAs(bitmap.get(), plain, kTestFormatPng));
  ASSERT_TRUE(SetLocalWriteTime(plain, SYSTEMTIME{2025, 12, 0, 31, 23, 59, 58, 0}));

  ConvertSettings settings;
  settings.ResizeRadioIndex = SizeChoice::LongEdge;
  settings.LongEdge = 200;
  const struct {
    const wchar_t* pattern;
    const wchar_t* taken;
    const wchar_t* plain;
  } cases[] = {
      {L"{name}", L"taken", L"plain"},
      {L"{date}_{time}", L"20260503_070809", L"20251231_235958"},
      {L"{w}x{h}", L"150x200", L"200x150"},
      {L"{n}-{n:3}-{N:9}", L"7-007-000000007", L"7-007-000000007"},
      // Case does not matter; a "\" of the pattern makes a folder, a token's never does.
      {L"{folder}\\{Preset}_{NAME}", L"旅行\\Web_1_2_taken", L"旅行\\Web_1_2_plain"},
      {L"a<b>:c|d?e*\"f/g\x01", L"a_b__c_d_e__f_g_", L"a_b__c_d_e__f_g_"},
      // Windows would drop a folder's trailing dots and spaces: they are dropped here.
      {L"x. .\\y {name}", L"x\\y taken", L"x\\y plain"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Expanded(c.pattern, taken, settings, 7, L"Web:1/2"), c.taken) << testing::PrintToString(c.pattern);
    EXPECT_EQ(Expanded(c.pattern, plain, settings, 7, L"Web:1/2"), c.plain) << testing::PrintToString(c.pattern);
  }

  // Through the plan: the extension follows the type, sub-folders are made below the output
  // folder, and two photos of one name are numbered as without a pattern.
  const std::wstring copy = folder + L"\\copy.jpg";
  ASSERT_TRUE(CopyFileW(taken.c_str(), copy.c_str(), FALSE));
  settings.FileNamePattern = L"{date}\\{w}";
  const OutputPlan_CL plan(std::vector<std::wstring>{taken, plain, copy}, settings);
  EXPECT_EQ(plan.At(0).path, folder + L"\\Resized\\20260503\\150.jpg");
  EXPECT_EQ(plan.At(0).folder, folder + L"\\Resized\\20260503");
  EXPECT_EQ(plan.At(1).path, folder + L"\\Resized\\20251231\\200.png");
  EXPECT_EQ(plan.At(2).path, folder + L"\\Resized\\20260503\\150 (2).jpg");
  PatternProblem problem = PatternProblem::UnknownToken;
  PhotoItem current;
  current.path = taken;
  EXPECT_EQ(PatternNameOf(current, settings, 1, {}, problem), L"20260503\\150.jpg") << "the save page's line";
  EXPECT_EQ(problem, PatternProblem::None);
}

TEST(FileNamePattern, PatternsThatCanMakeNoUsableNameAreRefusedWithTheirReason) {
  const struct {
    std::wstring pattern;
    PatternProblem problem;
  } cases[] = {
      {L"", PatternProblem::None},
      {L"{n:9}_{name}", PatternProblem::None},
      {L"{nam}", PatternProblem::UnknownToken},
      {L"{name", PatternProblem::UnknownToken},
      {L"{n:x}", PatternProblem::UnknownToken},
      {L"{}", PatternProblem::UnknownToken},
      {L"{n:99}", PatternProblem::NumberTooWide},
      {L"{n:0}", PatternProblem::NumberTooWide},
      {L"{n:10}", PatternProblem::NumberTooWide},
      {L"{preset}", PatternProblem::EmptyName},  // no preset
      {L"   ", PatternProblem::EmptyName},
      {L"\\{name}", PatternProblem::EmptyName},
      {L"a\\\\{name}", PatternProblem::EmptyName},
      {L"{name}\\", PatternProblem::EmptyName},
      {L"...\\{name}", PatternProblem::EmptyName},
      {L".", PatternProblem::RelativeName},
      {L"..", PatternProblem::RelativeName},
      {L"..\\{name}", PatternProblem::RelativeName},
      {L"CON", PatternProblem::ReservedName},
      {L"nul\\{name}", PatternProblem::ReservedName},
      {L"Com1.{date}", PatternProblem::ReservedName},
      {std::wstring(252, L'写'), PatternProblem::TooLong},  // with ".jpg", over 255
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CheckFileNamePattern(c.pattern), c.problem) << testing::PrintToString(c.pattern);
    EXPECT_EQ(std::wstring(PatternProblemText(c.problem)).empty(), c.problem == PatternProblem::None);
  }
  EXPECT_EQ(CheckFileNamePattern(L"{preset}", L"Web"), PatternProblem::None);

  // A name the path limit refuses for one photo refuses that photo alone, saying why.
  TempFolder temp;
  const std::wstring deep = temp.File(std::wstring(100, L'd'));
  ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
  ConvertSettings settings;
  settings.FileNamePattern = std::wstring(150, L'n') + L"_{name}";
  const std::wstring shallow = temp.File(L"a.jpg");
  const std::wstring deeper = deep + L"\\a.jpg";
  for (const std::wstring& photo : {shallow, deeper}) ASSERT_TRUE(WriteFileBytes(photo, "photo"));
  ASSERT_LE(OutputPath(temp.File(L"Resized"), settings.FileNamePattern, L".jpg").size(), kLongestPatternPath);
  const OutputPlan_CL plan(std::vector<std::wstring>{shallow, deeper}, settings);
  EXPECT_EQ(plan.At(0).refusal, PhotoFailure::None);
  EXPECT_EQ(plan.At(1).refusal, PhotoFailure::WriteFailed);
  EXPECT_STREQ(plan.NameRefusalText(1), PatternProblemText(PatternProblem::TooLong));
  EXPECT_STREQ(plan.NameRefusalText(0), L"");

  // A pattern refused whatever the photo refuses every photo.
  settings.FileNamePattern = L"{n:99}";
  const OutputPlan_CL refused(std::vector<std::wstring>{shallow}, settings);
  EXPECT_EQ(refused.At(0).refusal, PhotoFailure::WriteFailed);
  EXPECT_STREQ(refused.NameRefusalText(0), PatternProblemText(PatternProblem::NumberTooWide));
}
