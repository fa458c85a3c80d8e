#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/LogFile.h"
#include "mainwindow/ConvertResults.h"
#include "mainwindow/MyConvertStartProgress.h"
#include "engine/SaveData.h"
#include "tests/support/ProgressProbe.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPhotos.h"

namespace {

constexpr Gdiplus::ARGB kRed = 0xFFFF0000;
constexpr Gdiplus::ARGB kBlue = 0xFF0000FF;
constexpr Gdiplus::ARGB kGreen = 0xFF00FF00;

// A working settings record of the test's own; the log's path is restored whatever the test set.
class ConvertJob : public ::testing::Test {
protected:
  void SetUp() override {
    savedLogPath = theLog.logPath;
    settings.Clear();
    settings.ResizeRadioIndex = SizeChoice::Custom;
    settings.outputWidth = 100;
    settings.outputHeight = 100;
    settings.SaveDirTypeIndex = OutputPlace::BesideSource;
    settings.MakeFolder = L"Resized";
    settings.CheckAddFileNameTop = false;
    settings.CheckAddFileNameBottom = false;
    settings.OutputImageType = kKeepSourceType;
    settings.JpegQualityTypeIndex = QualityMode::Fixed;
    settings.JpegQuantization = 80;
    settings.globalEffect = EffectParams{};
  }
  void TearDown() override { theLog.logPath = savedLogPath; }

  std::wstring Photo(const std::wstring& folder, const std::wstring& name, int width, int height,
                     Gdiplus::ARGB fill, const GUID& format) {
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring path = folder + L"\\" + name;
    GpBitmapPtr bitmap = MakeBitmap(width, height, fill);
    EXPECT_TRUE(SaveAs(bitmap.get(), path, format)) << "cannot write the test photo";
    return path;
  }

  void List(const std::vector<std::wstring>& paths) {
    for (const std::wstring& path : paths) {
      PhotoItem item;
      item.path = path;
      settings.AddItem(item);
    }
  }

  // Runs the job over settings.items the way the main window does.
  INT_PTR Convert(Observed<MyConvertStartProgress_CL>& job) { return job.RunObserved(); }

  TempFolder temp;
  SaveData_CL settings;
  std::wstring savedLogPath;
};

struct Written {
  bool exists = false;
  GUID format{};
  PictureSize size;
  Gdiplus::ARGB centre = 0;
};

Written Inspect(const std::wstring& path) {
  Written result;
  GpImagePtr image = LoadPicture(path);
  if (!image) return result;
  result.exists = true;
  gp::GdipGetImageRawFormat(image.get(), &result.format);
  result.size = SizeOf(image.get());
  Gdiplus::ARGB colour = 0;
  gp::GdipBitmapGetPixel(reinterpret_cast<GpBitmap*>(image.get()), result.size.width / 2, result.size.height / 2,
                         &colour);
  result.centre = colour;
  return result;
}

void ExpectPicture(const std::wstring& path, const GUID& format, int width, int height) {
  const Written written = Inspect(path);
  ASSERT_TRUE(written.exists) << "missing output";
  EXPECT_TRUE(IsEqualGUID(written.format, format)) << "wrong type";
  EXPECT_EQ(written.size.width, width);
  EXPECT_EQ(written.size.height, height);
}

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry;
  const HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(entry.cFileName);
  } while (FindNextFileW(find, &entry));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

// The log's lines (UTF-16LE with a byte-order mark) that contain `text`.
int LogLinesContaining(const std::wstring& logPath, const std::wstring& text) {
  const std::string bytes = ReadFileBytes(logPath);
  std::wstring content(bytes.size() / sizeof(wchar_t), L'\0');
  std::memcpy(content.data(), bytes.data(), content.size() * sizeof(wchar_t));
  int count = 0;
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find(L"\r\n", start);
    if (end == std::wstring::npos) end = content.size();
    if (content.substr(start, end - start).find(text) != std::wstring::npos) ++count;
    start = end + 2;
  }
  return count;
}

}  // namespace

TEST_F(ConvertJob, WritesEveryPhotoIntoResizedBesideItsSourceWithItsNameTypeAndSize) {
  const std::wstring first = temp.File(L"first");
  const std::wstring second = temp.File(L"second");
  List({Photo(first, L"a.jpg", 400, 300, kRed, kTestFormatJpeg),
        Photo(first, L"b.png", 200, 400, kBlue, kTestFormatPng),
        Photo(second, L"c.bmp", 300, 300, kGreen, kTestFormatBmp)});
  settings.CheckAddFileNameTop = true;
  settings.ValueAddFileNameTop = L"p_";
  settings.CheckAddFileNameBottom = true;
  settings.ValueAddFileNameBottom = L"_x";

  Observed<MyConvertStartProgress_CL> job(settings);
  EXPECT_EQ(Convert(job), 0);

  ExpectPicture(first + L"\\Resized\\p_a_x.jpg", kTestFormatJpeg, 100, 75);
  ExpectPicture(first + L"\\Resized\\p_b_x.png", kTestFormatPng, 50, 100);
  ExpectPicture(second + L"\\Resized\\p_c_x.bmp", kTestFormatBmp, 100, 100);
  EXPECT_EQ(FilesIn(first + L"\\Resized").size(), 2u);
  EXPECT_EQ(job.folderToShow, first + L"\\Resized");
  EXPECT_EQ(job.bar.positions, (std::vector<int>{666, 1333, 2000}));
  EXPECT_EQ(job.title, L"ファイル変換中");
  EXPECT_EQ(job.cancelAllowed, 1) << "the conversion offers 中止";
}

TEST_F(ConvertJob, PhotoDeletedAfterListingIsSkippedAndTheBarStillReachesTheEnd) {
  const std::wstring folder = temp.File(L"photos");
  const std::wstring gone = Photo(folder, L"gone.jpg", 80, 80, kRed, kTestFormatJpeg);
  List({Photo(folder, L"a.jpg", 200, 100, kRed, kTestFormatJpeg), gone,
        Photo(folder, L"c.png", 100, 200, kBlue, kTestFormatPng)});
  ASSERT_TRUE(DeleteFileW(gone.c_str()));

  Observed<MyConvertStartProgress_CL> job(settings);
  EXPECT_EQ(Convert(job), 0);

  EXPECT_EQ(FilesIn(folder + L"\\Resized"), (std::vector<std::wstring>{L"a.jpg", L"c.png"}));
  EXPECT_EQ(job.bar.positions, (std::vector<int>{666, 1333, 2000}));
  EXPECT_EQ(job.bar.finalPosition, 2000);
}

TEST_F(ConvertJob, OutputNamingItsOwnSourceLeavesTheSourceIntactAndIsLogged) {
  const std::wstring folder = temp.File(L"photos");
  const std::wstring jpeg = Photo(folder, L"a.jpg", 200, 100, kRed, kTestFormatJpeg);
  const std::wstring png = Photo(folder, L"b.PNG", 120, 120, kBlue, kTestFormatPng);
  List({jpeg, png});
  const std::string jpegBefore = ReadFileBytes(jpeg);
  const std::string pngBefore = ReadFileBytes(png);
  settings.MakeFolder = L"";  // the output folder is the source's own folder
  theLog.logPath = temp.File(L"log.txt");

  Observed<MyConvertStartProgress_CL> job(settings);
  EXPECT_EQ(Convert(job), 0);

  EXPECT_EQ(ReadFileBytes(jpeg), jpegBefore);
  EXPECT_EQ(ReadFileBytes(png), pngBefore);
  EXPECT_EQ(FilesIn(folder).size(), 2u) << "nothing else was written beside them";
  EXPECT_EQ(LogLinesContaining(theLog.logPath, jpeg), 1);
  EXPECT_EQ(LogLinesContaining(theLog.logPath, png), 1);
  EXPECT_EQ(job.bar.positions, (std::vector<int>{1000, 2000})) << "skipped photos count as done";
}

TEST_F(ConvertJob, OwnSourceWithAnotherTypeIsConverted) {
  // The same folder but a new extension: a new file, not the source.
  const std::wstring folder = temp.File(L"photos");
  const std::wstring source = Photo(folder, L"a.bmp", 200, 100, kRed, kTestFormatBmp);
  List({source});
  settings.MakeFolder = L"";
  settings.OutputImageType = kAllPng;  // all PNG

  Observed<MyConvertStartProgress_CL> job(settings);
  EXPECT_EQ(Convert(job), 0);

  ExpectPicture(folder + L"\\a.png", kTestFormatPng, 100, 50);
  ExpectPicture(source, kTestFormatBmp, 200, 100);
}

TEST_F(ConvertJob, TwoPhotosWithOneOutputPathAreBothWrittenTheLaterNumbered) {
  const std::wstring folder = temp.File(L"photos");
  const std::wstring red = Photo(folder, L"a.png", 200, 100, kRed, kTestFormatPng);
  const std::wstring blue = Photo(folder, L"a.bmp", 100, 200, kBlue, kTestFormatBmp);
  const std::wstring other = Photo(folder, L"b.jpg", 100, 100, kGreen, kTestFormatJpeg);
  List({red, blue, other});
  const std::string redBefore = ReadFileBytes(red);
  const std::string blueBefore = ReadFileBytes(blue);
  settings.OutputImageType = kAllJpeg;  // all JPEG: a.png and a.bmp both become Resized\a.jpg

  Observed<MyConvertStartProgress_CL> job(settings);
  EXPECT_EQ(Convert(job), 0);

  const Written first = Inspect(folder + L"\\Resized\\a.jpg");
  const Written second = Inspect(folder + L"\\Resized\\a (2).jpg");
  ASSERT_TRUE(first.exists && second.exists) << "no photo of the batch is lost to another's output";
  EXPECT_TRUE(ColourNear(first.centre, kRed, 24)) << ColourText(first.centre);
  EXPECT_TRUE(ColourNear(second.centre, kBlue, 24)) << ColourText(second.centre);
  EXPECT_EQ(second.size.width, 50);
  ExpectPicture(folder + L"\\Resized\\b.jpg", kTestFormatJpeg, 100, 100);
  EXPECT_EQ(FilesIn(folder + L"\\Resized"), (std::vector<std::wstring>{L"a (2).jpg", L"a.jpg", L"b.jpg"}));
  EXPECT_EQ(ReadFileBytes(red), redBefore);
  EXPECT_EQ(ReadFileBytes(blue), blueBefore);
}

TEST_F(ConvertJob, EmptyListClosesAtOnceAndNamesNoFolder) {
  Observed<MyConvertStartProgress_CL> job(settings);
  EXPECT_EQ(Convert(job), 0);
  EXPECT_TRUE(job.folderToShow.empty());
  EXPECT_EQ(job.bar.positions, std::vector<int>{0});
}

TEST_F(ConvertJob, OnSeveralWorkersTheBarOnlyMovesForwardAndEndsAtTheEnd) {
  const std::wstring folder = temp.File(L"many");
  std::vector<std::wstring> photos;
  for (int i = 0; i < 9; ++i) {
    photos.push_back(Photo(folder, L"p" + std::to_wstring(i) + L".jpg", 160, 120, kGreen, kTestFormatJpeg));
  }
  List(photos);

  Observed<MyConvertStartProgress_CL> job(settings);
  job.workers = 4;
  EXPECT_EQ(Convert(job), 0);

  ASSERT_FALSE(job.bar.positions.empty());
  EXPECT_TRUE(std::is_sorted(job.bar.positions.begin(), job.bar.positions.end()));
  EXPECT_EQ(job.bar.positions.back(), 2000);
  EXPECT_EQ(job.counts.written, 9u);
}

// The results window opens when every photo was written but some were made smaller to keep
// under the size limit, and names them with their size after the photos that were not written.
TEST(ConvertResults, OpenAlsoForPhotosMadeSmallerAndNameTheSizeTheyWereGiven) {
  std::vector<PhotoResult> results(3);
  results[0].source = L"C:\\写真\\a.jpg";
  results[0].failure = PhotoFailure::None;
  results[0].sizeGiven = EncodedSize{1200, 900, true};
  results[1].source = L"C:\\写真\\b.jpg";
  results[1].failure = PhotoFailure::OverSizeLimit;
  results[2].source = L"C:\\写真\\c.jpg";
  results[2].failure = PhotoFailure::None;
  EXPECT_EQ(ResultsList(results),
            L"C:\\写真\\b.jpg : 指定のファイルサイズ以下にできない写真\r\n"
            L"C:\\写真\\a.jpg : ファイルサイズに収めるため縮小しました (1200 x 900)");

  BatchCounts allWritten;
  allWritten.total = allWritten.written = 2;
  EXPECT_FALSE(ResultsNeedWindow(allWritten));
  allWritten.madeSmaller = 1;
  EXPECT_TRUE(ResultsNeedWindow(allWritten));
  EXPECT_EQ(SummaryText(allWritten), L"2枚中2枚を変換しました。1枚はファイルサイズに収めるため縮小しました。");
}
