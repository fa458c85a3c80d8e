// The batch as the progress dialog and the command line run it: real photo files in a
// temporary folder, converted on several workers, with what must never happen to a file
// checked byte for byte.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "engine/ConvertBatch.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPhotos.h"

namespace {

// A small photo with some detail, written as `format` at `path`.
void WritePhoto(const std::wstring& path, const GUID& format = kTestFormatJpeg) {
  GpBitmapPtr bitmap = MakeBitmap(64, 48, 0xFF3366CC);
  PaintRect(bitmap.get(), 8, 8, 20, 12, 0xFFEEDD22);
  ASSERT_TRUE(SaveAs(bitmap.get(), path, format)) << "could not write " << path.size();
}

std::vector<PhotoItem> Photos(const std::vector<std::wstring>& paths) {
  std::vector<PhotoItem> photos;
  for (const std::wstring& path : paths) photos.push_back(PhotoItem{path, 0, 0, {}});
  return photos;
}

SaveData_CL SmallOutputs() {
  SaveData_CL settings;
  settings.ResizeRadioIndex = kSizeChoiceCustom;
  settings.outputWidth = 32;
  settings.outputHeight = 24;
  return settings;
}

// Files of a folder whose name starts with the atomic writer's temporary prefix.
int TemporaryFilesIn(const std::wstring& folder) {
  WIN32_FIND_DATAW entry{};
  const HANDLE find = FindFirstFileW((folder + L"\\~glimmer-*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return 0;
  int count = 0;
  do ++count;
  while (FindNextFileW(find, &entry));
  FindClose(find);
  return count;
}

struct BatchRun {
  explicit BatchRun(ConvertBatch_CL& batch, int workers = 3) {
    batch.Run([this](std::size_t done, std::size_t total) { reports.push_back({done, total}); }, cancel, workers);
  }
  std::atomic<int> cancel{0};
  std::vector<std::pair<std::size_t, std::size_t>> reports;
};

}  // namespace

TEST(ConvertBatch, WritesEveryPhotoOnSeveralWorkersAndReportsEachOnce) {
  const TempFolder folder;
  std::vector<std::wstring> paths;
  for (int i = 0; i < 7; ++i) {
    paths.push_back(folder.File(L"p" + std::to_wstring(i) + L".jpg"));
    WritePhoto(paths.back());
  }
  ConvertBatch_CL batch(Photos(paths), SmallOutputs());
  const BatchRun run(batch, 3);

  const BatchCounts counts = batch.Counts();
  EXPECT_EQ(counts.written, 7u);
  ASSERT_EQ(run.reports.size(), 7u);
  for (std::size_t i = 0; i < run.reports.size(); ++i) {
    EXPECT_EQ(run.reports[i].first, i + 1) << "progress only moves forward, one photo at a time";
    EXPECT_EQ(run.reports[i].second, 7u);
  }
  for (const PhotoResult& result : batch.Results()) EXPECT_TRUE(FileExists(result.output));
  EXPECT_EQ(batch.FirstOutputFolder(), folder.File(L"Resized"));
  EXPECT_EQ(TemporaryFilesIn(folder.File(L"Resized")), 0);
}

TEST(ConvertBatch, NeverWritesOverAnotherPhotoOfTheList) {
  // x.tif becomes x.jpg; with no folder name it would land on the listed x.jpg (and x.jpg
  // on itself).
  const TempFolder folder;
  const std::wstring jpeg = folder.File(L"x.jpg");
  const std::wstring tiff = folder.File(L"x.tif");
  WritePhoto(jpeg);
  WritePhoto(tiff, kTestFormatTiff);
  const std::string original = ReadFileBytes(jpeg);
  SaveData_CL settings = SmallOutputs();
  settings.MakeFolder = L"";
  ConvertBatch_CL batch(Photos({jpeg, tiff}), settings);
  const BatchRun run(batch);

  EXPECT_EQ(ReadFileBytes(jpeg), original);
  EXPECT_EQ(batch.Results()[0].failure, PhotoFailure::SameAsSource);
  EXPECT_EQ(batch.Results()[1].failure, PhotoFailure::SameAsSource) << "x.tif's output is the listed x.jpg";
}

TEST(ConvertBatch, AFolderNameThatLeavesTheFolderWritesNothing) {
  const TempFolder folder;
  CreateDirectoryW(folder.File(L"child").c_str(), nullptr);
  const std::wstring parentPhoto = folder.File(L"x.jpg");
  const std::wstring childPhoto = folder.File(L"child\\x.jpg");
  WritePhoto(parentPhoto);
  WritePhoto(childPhoto);
  const std::string original = ReadFileBytes(parentPhoto);
  SaveData_CL settings = SmallOutputs();
  settings.MakeFolder = L"..";
  ConvertBatch_CL batch(Photos({childPhoto}), settings);
  const BatchRun run(batch);

  EXPECT_EQ(ReadFileBytes(parentPhoto), original) << "a photo that was never in the list";
  EXPECT_NE(batch.Results()[0].failure, PhotoFailure::None);
}

TEST(ConvertBatch, OutputsOfOneNameAreNumbered) {
  const TempFolder folder;
  const std::wstring png = folder.File(L"x.png");
  const std::wstring jpeg = folder.File(L"x.jpg");
  WritePhoto(png, kTestFormatPng);
  WritePhoto(jpeg);
  SaveData_CL settings = SmallOutputs();
  settings.OutputImageType = 1;  // both become JPEG
  ConvertBatch_CL batch(Photos({png, jpeg}), settings);
  const BatchRun run(batch);

  EXPECT_EQ(batch.Results()[0].output, folder.File(L"Resized\\x.jpg"));
  EXPECT_EQ(batch.Results()[1].output, folder.File(L"Resized\\x (2).jpg"));
  EXPECT_TRUE(FileExists(folder.File(L"Resized\\x (2).jpg")));
}

TEST(ConvertBatch, ResultsNameEachKindOfFailureAndTheSummarySaysHowMany) {
  const TempFolder folder;
  const std::wstring good = folder.File(L"good.jpg");
  const std::wstring damaged = folder.File(L"damaged.jpg");
  const std::wstring locked = folder.File(L"locked.jpg");
  const std::wstring text = folder.File(L"text.png");
  WritePhoto(good);
  WritePhoto(locked);
  WritePhoto(damaged);
  const std::string bytes = ReadFileBytes(damaged);
  ASSERT_TRUE(WriteFileBytes(damaged, bytes.substr(0, bytes.size() / 2)));
  ASSERT_TRUE(WriteFileBytes(text, "this is no picture"));
  CreateDirectoryW(folder.File(L"Resized").c_str(), nullptr);
  const std::wstring readOnly = folder.File(L"Resized\\locked.jpg");
  ASSERT_TRUE(WriteFileBytes(readOnly, "an earlier output"));
  SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);

  ConvertBatch_CL batch(Photos({good, damaged, locked, text}), SmallOutputs());
  const BatchRun run(batch);
  SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);

  EXPECT_EQ(batch.Results()[0].failure, PhotoFailure::None);
  EXPECT_EQ(batch.Results()[1].failure, PhotoFailure::Unreadable);
  EXPECT_EQ(batch.Results()[2].failure, PhotoFailure::WriteFailed);
  EXPECT_EQ(batch.Results()[3].failure, PhotoFailure::Unreadable);
  EXPECT_EQ(ReadFileBytes(readOnly), "an earlier output");
  EXPECT_FALSE(FileExists(folder.File(L"Resized\\damaged.jpg"))) << "never written padded with grey";
  EXPECT_EQ(SummaryText(batch.Counts()), L"4枚中1枚を変換しました。3枚は変換できませんでした。");
}

TEST(ConvertBatch, ACancelStopsNewPhotosAndKeepsWhatWasWritten) {
  const TempFolder folder;
  std::vector<std::wstring> paths;
  for (int i = 0; i < 12; ++i) {
    paths.push_back(folder.File(L"c" + std::to_wstring(i) + L".jpg"));
    WritePhoto(paths.back());
  }
  ConvertBatch_CL batch(Photos(paths), SmallOutputs());
  std::atomic<int> cancel{0};
  batch.Run(
      [&](std::size_t done, std::size_t) {
        if (done == 3) cancel = 1;
      },
      cancel, 2);

  const BatchCounts counts = batch.Counts();
  EXPECT_GE(counts.written, 3u);
  EXPECT_LE(counts.written, 4u) << "at most the photo already running on the other worker";
  EXPECT_EQ(counts.written + counts.notStarted, 12u);
  for (const PhotoResult& result : batch.Results()) {
    EXPECT_EQ(FileExists(result.output), result.failure == PhotoFailure::None) << "no partial file";
  }
  EXPECT_EQ(TemporaryFilesIn(folder.File(L"Resized")), 0);
  EXPECT_NE(SummaryText(counts).find(L"中止"), std::wstring::npos);
}
