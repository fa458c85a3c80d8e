// The batch as the progress dialog and the command line run it: real photo files in a
// temporary folder, converted on several workers, with what must never happen to a file
// checked byte for byte.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include <vips/vips.h>

#include <chrono>
#include <set>
#include <thread>

#include "base/ShellHelpers.h"
#include "engine/ChosenFolder.h"
#include "engine/ConvertBatch.h"
#include "engine/VipsSession.h"
#include "tests/engine/PipelinePhotos.h"
#include "tests/support/ExifWriter.h"
#include "tests/support/RecycleBinFolder.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPhotos.h"

namespace {

// A small photo with some detail, written as `format` at `path`.
void WritePhoto(const std::wstring& path, const GUID& format = kTestFormatJpeg) {
  GpBitmapPtr bitmap = MakeBitmap(64, 48, 0xFF3366CC);
  PaintRect(bitmap.get(), 8, 8, 20, 12, 0xFFEEDD22);
  ASSERT_TRUE(SaveAs(bitmap.get(), path, format)) << "could not write " << path.size();
}

// `count` small photos in `folder`, named `stem` and a number.
std::vector<std::wstring> WritePhotos(const TempFolder& folder, int count, const std::wstring& stem = L"p") {
  std::vector<std::wstring> paths;
  for (int i = 0; i < count; ++i) {
    paths.push_back(folder.File(stem + std::to_wstring(i) + L".jpg"));
    WritePhoto(paths.back());
  }
  return paths;
}

std::vector<PhotoItem> Photos(const std::vector<std::wstring>& paths) {
  std::vector<PhotoItem> photos;
  for (const std::wstring& path : paths) photos.push_back(PhotoItem{path, 0, 0, {}, {}});
  return photos;
}

ConvertSettings SmallOutputs() {
  ConvertSettings settings;
  settings.ResizeRadioIndex = SizeChoice::Custom;
  settings.outputWidth = 32;
  settings.outputHeight = 24;
  return settings;
}

// Files of a folder whose name starts with "~glimmer-": the atomic writer's temporary files and
// the second name a photo keeps while it goes to the bin.
int TemporaryFilesIn(const std::wstring& folder) { return FilesMatching(folder + L"\\~glimmer-*"); }

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
  const std::vector<std::wstring> paths = WritePhotos(folder, 7);
  ConvertBatch_CL batch(Photos(paths), SmallOutputs(), theLog);
  const BatchRun run(batch, 3);

  const BatchCounts counts = batch.Counts();
  EXPECT_EQ(counts.written, 7u);
  ASSERT_EQ(run.reports.size(), 7u);
  for (std::size_t i = 0; i < run.reports.size(); ++i) {
    EXPECT_EQ(run.reports[i].first, i + 1) << "progress only moves forward, one photo at a time";
    EXPECT_EQ(run.reports[i].second, 7u);
  }
  for (const PhotoResult& result : batch.Results()) EXPECT_TRUE(FileExists(result.output));
  EXPECT_EQ(batch.FolderToShow(), folder.File(L"Resized"));
  EXPECT_EQ(TemporaryFilesIn(folder.File(L"Resized")), 0);
}

// A photo on each of five levels, into a chosen folder: the workers make the levels at the same
// time, each keeps its place below the chosen folder, and the chosen folder is the one shown.
TEST(ConvertBatch, AChosenFolderGetsEveryLevelMadeBySeveralWorkersAtOnceAndIsShown) {
  const TempFolder folder;
  const std::wstring root = folder.File(L"写真");
  std::vector<PhotoItem> photos;
  std::vector<std::wstring> below;
  std::wstring level;
  for (const wchar_t* name : {L"2024", L"春", L"桜", L"夜", L"月"}) {
    level += std::wstring(L"\\") + name;
    ASSERT_EQ(MakeFolderTree(root + level), S_OK);
    below.push_back(level + L"\\p.jpg");
    WritePhoto(root + below.back());
    photos.push_back(PhotoItem{root + below.back(), 0, 0, {}, root});
  }
  ConvertSettings settings = SmallOutputs();
  settings.SaveDirTypeIndex = OutputPlace::ChosenFolder;
  settings.OutputFolder = folder.File(L"小さく");
  ConvertBatch_CL batch(photos, settings, theLog);
  const BatchRun run(batch, 4);

  EXPECT_EQ(batch.Counts().written, photos.size());
  for (const std::wstring& path : below) EXPECT_TRUE(FileExists(settings.OutputFolder + path)) << path.size();
  EXPECT_EQ(batch.FolderToShow(), settings.OutputFolder);
}

// Several workers share the cores, each photo on one libvips thread; a photo alone, however
// many workers were asked for, has libvips' own threads. Either way the setting comes back.
TEST(ConvertBatch, LibvipsThreadsAreOnePerWorkerOnlyWhenSeveralPhotosRunAtOnce) {
  const TempFolder folder;
  const std::vector<std::wstring> paths = WritePhotos(folder, 3);
  const int own = vips_concurrency_get();
  const std::atomic<int> cancel{0};
  for (const std::size_t photos : {std::size_t{3}, std::size_t{1}}) {
    SCOPED_TRACE(testing::Message() << photos << " photo(s) on 4 workers");
    ConvertBatch_CL batch(Photos({paths.begin(), paths.begin() + static_cast<std::ptrdiff_t>(photos)}), SmallOutputs(), theLog);
    std::vector<int> seen;
    batch.Run([&](std::size_t, std::size_t) { seen.push_back(vips_concurrency_get()); }, cancel, 4);
    ASSERT_EQ(seen.size(), photos);
    for (const int threads : seen) EXPECT_EQ(threads, photos > 1 ? 1 : own);
    EXPECT_EQ(vips_concurrency_get(), own);
  }
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
  ConvertSettings settings = SmallOutputs();
  settings.MakeFolder = L"";
  ConvertBatch_CL batch(Photos({jpeg, tiff}), settings, theLog);
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
  ConvertSettings settings = SmallOutputs();
  settings.MakeFolder = L"..";
  ConvertBatch_CL batch(Photos({childPhoto}), settings, theLog);
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
  ConvertSettings settings = SmallOutputs();
  settings.OutputImageType = kAllJpeg;  // both become JPEG
  ConvertBatch_CL batch(Photos({png, jpeg}), settings, theLog);
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

  ConvertBatch_CL batch(Photos({good, damaged, locked, text}), SmallOutputs(), theLog);
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
  const std::vector<std::wstring> paths = WritePhotos(folder, 12, L"c");
  ConvertBatch_CL batch(Photos(paths), SmallOutputs(), theLog);
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

namespace {

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
  return text;
}

std::vector<std::wstring> LinesOf(const std::wstring& text) {
  std::vector<std::wstring> lines;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = text.find(L'\n', start);
    lines.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  return lines;
}

}  // namespace

// Several workers fail at once; each photo's line carries libvips' words about that photo.
TEST(ConvertBatch, EachDamagedPhotoKeepsItsOwnWordsOnManyWorkers) {
  const TempFolder folder;
  const VipsImagePtr picture = VariedPicture(256, 192);
  const std::string jpeg = JpegOf(picture.get());
  const std::string png = PngOf(picture.get());
  struct Kind {
    const wchar_t* extension;
    std::string bytes;
    const wchar_t* words;  // what libvips' words about this kind say, in lower case
  };
  const Kind kinds[] = {{L".jpg", jpeg.substr(0, jpeg.size() / 2), L"jpeg"},
                        {L".txt.png", "this is a note, not a picture", L"known"},
                        {L".png", png.substr(0, png.size() * 2 / 3), L"png"}};
  std::vector<std::wstring> paths;
  std::vector<const Kind*> kindOf;
  for (int i = 0; i < 48; ++i) {
    const Kind& kind = kinds[i % 3];
    paths.push_back(folder.File(L"bad" + std::to_wstring(i) + kind.extension));
    ASSERT_TRUE(WriteFileBytes(paths.back(), kind.bytes));
    kindOf.push_back(&kind);
  }
  for (int run = 0; run < 3; ++run) {
    ConvertBatch_CL batch(Photos(paths), SmallOutputs(), theLog);
    const BatchRun ran(batch, 4);
    for (std::size_t i = 0; i < paths.size(); ++i) {
      const PhotoResult& result = batch.Results()[i];
      const std::wstring words = Lower(result.detail);
      SCOPED_TRACE(testing::Message() << "run " << run << ", photo " << i << ": " << Utf8Path(result.detail));
      EXPECT_EQ(result.failure, PhotoFailure::Unreadable);

      EXPECT_NE(words.find(kindOf[i]->words), std::wstring::npos) << "its own words";
      for (const Kind& other : kinds) {
        if (&other == kindOf[i]) continue;
        EXPECT_EQ(words.find(other.words), std::wstring::npos) << "another photo's words";
      }
      const std::vector<std::wstring> lines = LinesOf(result.detail);
      EXPECT_EQ(std::set<std::wstring>(lines.begin(), lines.end()).size(), lines.size()) << "each word once";
    }
  }
}

// "中止" reaches a photo in the middle of its decode: it stops there, and leaves no file.
TEST(ConvertBatch, AStopEndsAHundredMegapixelDecodeWithinHalfASecond) {
  const TempFolder folder;
  const std::wstring path = folder.File(L"huge.jpg");
  {
    VipsImagePtr noise;
    ASSERT_EQ(0, vips_gaussnoise(noise.receive(), 10000, 10000, "mean", 128.0, "sigma", 40.0, nullptr));
    VipsImagePtr bytes;
    ASSERT_EQ(0, vips_cast_uchar(noise.get(), bytes.receive(), nullptr));
    ASSERT_TRUE(WriteFileBytes(path, JpegOf(bytes.get(), 85)));
  }
  ConvertSettings keepSize;
  keepSize.ResizeRadioIndex = SizeChoice::Keep;
  ConvertBatch_CL batch(Photos({path}), keepSize, theLog);
  std::atomic<int> cancel{0};
  std::chrono::steady_clock::time_point stopped;
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    stopped = std::chrono::steady_clock::now();
    cancel = 1;
  });
  batch.Run({}, cancel, 1);
  const auto returned = std::chrono::steady_clock::now();
  stopper.join();

  EXPECT_LT(returned - stopped, std::chrono::milliseconds(500));
  EXPECT_EQ(batch.Results()[0].failure, PhotoFailure::Cancelled);
  EXPECT_STREQ(FailureText(batch.Results()[0].failure), L"中止しました");
  EXPECT_FALSE(FileExists(batch.Results()[0].output));
  EXPECT_EQ(TemporaryFilesIn(folder.File(L"Resized")), 0);
}

namespace {

// Gives the file a last write time `minutes` from now.
bool TouchFile(const std::wstring& path, int minutes) {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER time{};
  time.LowPart = now.dwLowDateTime;
  time.HighPart = now.dwHighDateTime;
  time.QuadPart += static_cast<ULONGLONG>(minutes) * 60 * 10000000;
  const FILETIME touched{time.LowPart, time.HighPart};
  const HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool set = SetFileTime(file, nullptr, nullptr, &touched) != FALSE;
  CloseHandle(file);
  return set;
}

}  // namespace

// A nightly run over a growing folder: what is done stays as it is, a photo edited since its
// output was written and an output deleted since are made again, and the summary counts the rest.
TEST(ConvertBatch, SkipDoneConvertsOnlyPhotosWhoseOutputIsMissingOrOlder) {
  ConvertSettings settings = SmallOutputs();
  settings.SkipDone = true;
  for (int keepTime = 1; keepTime >= 0; --keepTime) {
    const TempFolder folder;
    const std::vector<std::wstring> paths = WritePhotos(folder, 4);
    settings.KeepFileTime = keepTime;
    ConvertBatch_CL first(Photos(paths), settings, theLog);
    BatchRun{first};
    ASSERT_EQ(first.Counts().written, 4u);

    ConvertBatch_CL again(Photos(paths), settings, theLog);
    BatchRun{again};
    EXPECT_EQ(again.Counts().written, 0u);
    EXPECT_EQ(again.Counts().skipped, 4u);
    EXPECT_EQ(again.Counts().failed, 0u);
    EXPECT_EQ(SummaryText(again.Counts()), L"4枚中0枚を変換しました。4枚は変換済みのためとばしました。");

    ASSERT_TRUE(TouchFile(paths[1], 5));
    ASSERT_TRUE(DeleteFileW(first.Results()[3].output.c_str()));
    ConvertBatch_CL third(Photos(paths), settings, theLog);
    BatchRun{third};
    EXPECT_EQ(third.Counts().written, 2u) << "keep time " << keepTime;
    EXPECT_EQ(third.Counts().skipped, 2u);
    EXPECT_EQ(third.Results()[1].failure, PhotoFailure::None);
    EXPECT_EQ(third.Results()[3].failure, PhotoFailure::None);
    EXPECT_TRUE(FileExists(third.Results()[3].output));
    settings.SkipDone = false;
    ConvertBatch_CL off(Photos(paths), settings, theLog);
    BatchRun{off};
    EXPECT_EQ(off.Counts().written, 4u) << "without the option every photo is written again";
    settings.SkipDone = true;
  }
}

// Under "必ずこのサイズ以下にする" a photo too large even at the lowest quality is written smaller,
// with the size it was given in its result; one whose colour profile alone is over the limit is
// refused with the reason and leaves no file.
TEST(ConvertBatch, StrictSizeLimitWritesPhotosSmallerOrNotAtAll) {
  const TempFolder folder;
  uint32_t seed = 7;
  const VipsImagePtr noisy = PictureOf(1200, 900, [&seed](int x, int) {
    seed = seed * 1103515245u + 12345u;
    const int noise = static_cast<int>((seed >> 16) & 0x7F);
    return Colour{x / 5 + noise, noise * 2, 255 - noise};
  });
  const std::wstring plain = folder.File(L"plain.jpg");
  ASSERT_TRUE(WriteFileBytes(plain, JpegOf(noisy.get())));
  const std::string profile = WindowsSrgbProfile();
  VipsImagePtr tagged;
  ASSERT_EQ(0, vips_copy(noisy.get(), tagged.receive(), nullptr));
  vips_image_set_blob_copy(tagged.get(), VIPS_META_ICC_NAME, profile.data(), profile.size());
  void* data = nullptr;
  size_t size = 0;
  ASSERT_EQ(0, vips_jpegsave_buffer(tagged.get(), &data, &size, "keep", VIPS_FOREIGN_KEEP_ICC, nullptr));
  const GMemory taggedJpeg(data);
  const std::wstring profiled = folder.File(L"profiled.jpg");
  ASSERT_TRUE(WriteFileBytes(profiled, std::string(static_cast<const char*>(data), size)));

  ConvertSettings settings;
  settings.ResizeRadioIndex = SizeChoice::Keep;
  settings.JpegQualityTypeIndex = QualityMode::TargetSize;
  settings.JpegFileSize = 2;
  settings.TargetStrict = true;
  ConvertBatch_CL batch(Photos({plain, profiled}), settings, theLog);
  const BatchRun run(batch, 2);

  const PhotoResult& smaller = batch.Results()[0];
  ASSERT_EQ(smaller.failure, PhotoFailure::None);
  EXPECT_TRUE(smaller.sizeGiven.madeSmaller);
  const std::string written = ReadFileBytes(smaller.output);
  EXPECT_LE(written.size(), 2048u);
  const VipsImagePtr decoded(vips_image_new_from_buffer(written.data(), written.size(), "", nullptr));
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded.get()->Xsize, smaller.sizeGiven.width);
  EXPECT_EQ(decoded.get()->Ysize, smaller.sizeGiven.height);
  EXPECT_LT(smaller.sizeGiven.width, 1200);

  const PhotoResult& refused = batch.Results()[1];
  EXPECT_EQ(refused.failure, PhotoFailure::OverSizeLimit);
  EXPECT_STREQ(FailureText(refused.failure), L"指定のファイルサイズ以下にできない写真");
  EXPECT_FALSE(FileExists(refused.output));
  EXPECT_EQ(TemporaryFilesIn(folder.File(L"Resized")), 0);
  EXPECT_FALSE(refused.sizeGiven.madeSmaller);
}

namespace {

FILETIME LastWritten(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
  return data.ftLastWriteTime;
}

bool HasGpsTag(const std::string& file) {
  const VipsImagePtr header(vips_image_new_from_buffer(file.data(), file.size(), "", nullptr));
  if (!header) return false;
  gchar** const fields = vips_image_get_fields(header.get());
  bool found = false;
  for (gchar** field = fields; *field != nullptr; ++field) found = found || std::string(*field).rfind("exif-ifd3-", 0) == 0;
  g_strfreev(fields);
  return found;
}

// Names no earlier test of this run gave a photo in the bin.
std::wstring Fresh(const std::wstring& stem) {
  static int counter = 0;
  return stem + L"-" + std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(counter++);
}

// The bytes the bin holds of a photo named `name`, or "" when the bin cannot be looked into.
std::string InBin(const std::wstring& name) {
  const std::wstring bin = RecycledFilesFolder();
  return bin.empty() ? std::string() : ReadFileBytes(bin + L"\\" + name);
}

}  // namespace

// "元より大きくしない": a small, well-compressed photo is its own output, byte for byte, under the
// output's name and with the photo's time; a large one is converted; one whose location must
// go is written anew, as the smaller of its encoding and itself without the location; and
// without the option the small one is encoded as before.
TEST(ConvertBatch, NeverLargerCopiesOnlyAPhotoThatAlreadyIsWhatIsAsked) {
  const TempFolder folder;
  // Well compressed: our own encoder's file at quality 50, where the output asks for 80.
  ConvertSettings atFifty;
  atFifty.JpegQuantization = 50;
  VipsBytes encoded;
  ASSERT_EQ(EncodePhoto(VariedPicture(320, 240).get(), OutputFormat::Jpeg, atFifty, encoded), S_OK);
  const std::string smallJpeg(reinterpret_cast<const char*>(encoded.begin()), encoded.size);
  CameraExif camera;
  camera.orientation = 1;
  const struct {
    const wchar_t* name;
    std::string bytes;
  } photos[] = {
      {L"small.jpg", smallJpeg},
      {L"large.jpg", JpegOf(VariedPicture(800, 600).get(), 98)},
      {L"located.jpg", InsertAfterSoi(smallJpeg, CameraExifSegment(camera))},
  };
  std::vector<std::wstring> paths;
  for (const auto& photo : photos) {
    paths.push_back(folder.File(photo.name));
    ASSERT_TRUE(WriteFileBytes(paths.back(), photo.bytes));
  }
  ASSERT_TRUE(TouchFile(paths[0], -90));
  ConvertSettings settings;
  settings.ResizeRadioIndex = SizeChoice::Keep;
  settings.RemoveGps = true;
  settings.NeverLarger = true;
  ConvertBatch_CL batch(Photos(paths), settings, theLog);
  BatchRun{batch};

  const std::vector<PhotoResult>& results = batch.Results();
  ASSERT_EQ(batch.Counts().written, 3u);
  EXPECT_TRUE(results[0].photoKept);
  EXPECT_TRUE(ReadFileBytes(results[0].output) == smallJpeg) << "the photo's own bytes";
  const FILETIME outputTime = LastWritten(results[0].output);
  const FILETIME photoTime = LastWritten(paths[0]);
  EXPECT_EQ(CompareFileTime(&outputTime, &photoTime), 0) << "the time rule holds";
  EXPECT_FALSE(results[1].photoKept);
  EXPECT_LT(ReadFileBytes(results[1].output).size(), photos[1].bytes.size()) << "converted, and smaller";
  EXPECT_FALSE(results[2].photoKept) << "the location must go";
  const std::string located = ReadFileBytes(results[2].output);
  EXPECT_TRUE(located != photos[2].bytes);
  EXPECT_LE(located.size(), photos[2].bytes.size()) << "the smaller of the two: the photo without its location";
  EXPECT_TRUE(HasGpsTag(photos[2].bytes));
  EXPECT_FALSE(HasGpsTag(located));
  const auto picture = [](const std::string& file) {
    return VipsImagePtr(vips_image_new_from_buffer(file.data(), file.size(), "", nullptr));
  };
  EXPECT_EQ(MeanDifference(picture(located).get(), picture(smallJpeg).get()), 0.0) << "its picture untouched";
  EXPECT_EQ(SummaryText(batch.Counts()),
            L"3枚中3枚を変換しました。1枚は元の写真の方が小さいため、そのままコピーしました。");

  settings.KeepMetadata = false;
  ConvertBatch_CL stripped(Photos({paths[2]}), settings, theLog);
  BatchRun{stripped};
  const std::string bare = ReadFileBytes(stripped.Results()[0].output);
  EXPECT_LT(bare.size(), located.size()) << "no shooting data at all";
  EXPECT_EQ(vips_image_get_typeof(picture(bare).get(), VIPS_META_EXIF_NAME), 0u);
  EXPECT_EQ(MeanDifference(picture(bare).get(), picture(smallJpeg).get()), 0.0);

  settings.NeverLarger = false;
  ConvertBatch_CL allowed(Photos({paths[0]}), settings, theLog);
  BatchRun{allowed};
  EXPECT_FALSE(allowed.Results()[0].photoKept);
  EXPECT_GT(ReadFileBytes(allowed.Results()[0].output).size(), smallJpeg.size()) << "larger, as it was asked";
}

// "元の写真を置き換える": five photos, a PNG among them made JPEG beside a file of its new name.
// Each original is in the bin, each output in its photo's place; the file of the PNG's new name
// is left alone; a second run replaces the first run's outputs.
TEST(ConvertBatch, ReplacingSendsEachPhotoToTheBinAndPutsItsOutputInItsPlace) {
  const TempFolder folder;
  const std::wstring png = Fresh(L"png");
  std::vector<std::wstring> names;
  for (int i = 0; i < 4; ++i) names.push_back(Fresh(L"photo") + L".jpg");
  names.push_back(png + L".png");
  std::vector<std::wstring> paths;
  std::vector<std::string> originals;
  for (const std::wstring& name : names) {
    paths.push_back(folder.File(name));
    WritePhoto(paths.back(), name == names.back() ? kTestFormatPng : kTestFormatJpeg);
    originals.push_back(ReadFileBytes(paths.back()));
  }
  const std::wstring other = folder.File(png + L".jpg");
  ASSERT_TRUE(WriteFileBytes(other, "another file"));
  ConvertSettings settings = SmallOutputs();
  settings.SaveDirTypeIndex = OutputPlace::ReplaceSource;
  settings.OutputImageType = kAllJpeg;
  ConvertBatch_CL batch(Photos(paths), settings, theLog);
  BatchRun{batch};

  ASSERT_EQ(batch.Counts().written, 5u);
  std::vector<std::wstring> outputs;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    SCOPED_TRACE(i);
    outputs.push_back(batch.Results()[i].output);
    const std::string output = ReadFileBytes(outputs.back());
    const VipsImagePtr decoded(vips_image_new_from_buffer(output.data(), output.size(), "", nullptr));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded.get()->Xsize, 32);
    if (!RecycledFilesFolder().empty()) {
      EXPECT_EQ(InBin(names[i]), originals[i]) << "the original is in the bin";
    }
  }
  EXPECT_EQ(outputs[0], paths[0]) << "in the photo's own place";
  EXPECT_EQ(outputs[4], folder.File(png + L" (2).jpg")) << "a new extension never takes another file's name";
  EXPECT_FALSE(FileExists(paths[4]));
  EXPECT_EQ(ReadFileBytes(other), "another file");
  EXPECT_EQ(TemporaryFilesIn(folder.Path()), 0);

  settings.ResizeRadioIndex = SizeChoice::Keep;
  settings.JpegQuantization = 50;
  ConvertBatch_CL again(Photos(outputs), settings, theLog);
  BatchRun{again};
  EXPECT_EQ(again.Counts().written, 5u) << SummaryText(again.Counts());
  for (std::size_t i = 0; i < outputs.size(); ++i) EXPECT_EQ(again.Results()[i].output, outputs[i]);
}

// Whatever stops a replacement, every photo is either where it was, untouched, or in the bin
// with its output in its place: a stop in the middle, a drive without a bin, a read-only photo.
TEST(ConvertBatch, ReplacingNeverLosesAPhoto) {
  const TempFolder folder;
  ConvertSettings settings = SmallOutputs();
  settings.SaveDirTypeIndex = OutputPlace::ReplaceSource;
  const auto photosIn = [&folder](int count) {
    std::vector<std::wstring> paths;
    for (int i = 0; i < count; ++i) {
      paths.push_back(folder.File(Fresh(L"kept") + L".jpg"));
      WritePhoto(paths.back());
    }
    return paths;
  };
  const auto expectNoneLost = [](const ConvertBatch_CL& batch, const std::vector<std::string>& originals) {
    for (std::size_t i = 0; i < originals.size(); ++i) {
      const PhotoResult& result = batch.Results()[i];
      const std::string now = ReadFileBytes(result.source);
      if (result.failure != PhotoFailure::None) {
        EXPECT_EQ(now, originals[i]) << "left as it was: " << static_cast<int>(result.failure);
        continue;
      }
      EXPECT_NE(now, originals[i]) << "replaced";
      if (!RecycledFilesFolder().empty()) {
        EXPECT_EQ(InBin(FileNamePart(result.source)), originals[i]);
      }
    }
  };

  const std::vector<std::wstring> stopped = photosIn(12);
  std::vector<std::string> originals;
  for (const std::wstring& path : stopped) originals.push_back(ReadFileBytes(path));
  ConvertBatch_CL batch(Photos(stopped), settings, theLog);
  std::atomic<int> cancel{0};
  batch.Run([&](std::size_t done, std::size_t) { cancel = done == 3 ? 1 : cancel.load(); }, cancel, 2);
  EXPECT_GE(batch.Counts().written, 3u);
  EXPECT_GE(batch.Counts().notStarted, 7u);
  expectNoneLost(batch, originals);

  RecycleBinOff binOff;
  if (binOff.Off()) {
    const std::vector<std::wstring> noBin = photosIn(2);
    originals = {ReadFileBytes(noBin[0]), ReadFileBytes(noBin[1])};
    ConvertBatch_CL refused(Photos(noBin), settings, theLog);
    BatchRun{refused};
    for (const PhotoResult& result : refused.Results()) {
      EXPECT_EQ(result.failure, PhotoFailure::NoRecycleBin);
      EXPECT_STREQ(FailureText(result.failure), L"ごみ箱が使えないため置き換えませんでした");
    }
    expectNoneLost(refused, originals);
  }

  const std::vector<std::wstring> readOnly = photosIn(1);
  originals = {ReadFileBytes(readOnly[0])};
  ASSERT_TRUE(SetFileAttributesW(readOnly[0].c_str(), FILE_ATTRIBUTE_READONLY));
  ConvertBatch_CL locked(Photos(readOnly), settings, theLog);
  BatchRun{locked};
  EXPECT_EQ(locked.Results()[0].failure, PhotoFailure::WriteFailed);
  expectNoneLost(locked, originals);
  SetFileAttributesW(readOnly[0].c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(TemporaryFilesIn(folder.Path()), 0);
}

namespace {

NamedSettings Output(const std::wstring& name, SizeChoice sizeChoice, OutputTypeChoice type) {
  NamedSettings output{name, {}};
  output.settings.ResizeRadioIndex = sizeChoice;
  output.settings.OutputImageType = type;
  output.settings.MakeFolder = name;
  return output;
}

}  // namespace

// "まとめて書き出す": three presets of other sizes, types, cuts and metadata made from one read of
// each photo, each output as a run of that preset alone makes it.
TEST(ConvertBatch, SeveralOutputsComeFromOneReadOfEachPhotoAndMatchSeparateRuns) {
  const TempFolder folder;
  const VipsImagePtr landscape = VariedPicture(1600, 1200);
  const VipsImagePtr portrait = VariedPicture(900, 1500);
  const std::vector<std::wstring> paths{folder.File(L"wide.jpg"), folder.File(L"tall.png")};
  ASSERT_TRUE(WriteFileBytes(paths[0], JpegOf(landscape.get())));
  ASSERT_TRUE(WriteFileBytes(paths[1], PngOf(portrait.get())));
  std::vector<PhotoItem> photos = Photos(paths);
  photos[1].rotation = 1;  // turned by the user as well
  NamedSettings web = Output(L"Web", SizeChoice::LongEdge, kAllJpeg);
  web.settings.LongEdge = 800;
  NamedSettings mail = Output(L"Mail", SizeChoice::Custom, kAllWebp);
  mail.settings.outputWidth = 400;
  mail.settings.outputHeight = 300;
  NamedSettings thumb = Output(L"Thumb", SizeChoice::Custom, kAllPng);  // cut to fill around what draws the eye
  thumb.settings.outputWidth = 160;
  thumb.settings.outputHeight = 120;
  thumb.settings.CropToFill = FitOrFill::Fill;
  thumb.settings.CropAnchor = FillAnchor::Attention;
  thumb.settings.KeepMetadata = false;
  const std::vector<NamedSettings> outputs{web, mail, thumb};
  ASSERT_EQ(OutputsRefusal(photos, outputs), L"");

  const uint64_t readsBefore = PhotoReadsSoFar();
  ConvertBatch_CL together(photos, outputs, theLog);
  const BatchRun run(together);
  EXPECT_EQ(PhotoReadsSoFar() - readsBefore, photos.size()) << "each photo read and decoded once";
  EXPECT_EQ(run.reports.back(), (std::pair<std::size_t, std::size_t>{2, 2})) << "the bar counts photos";
  ASSERT_EQ(together.Results().size(), 6u);
  EXPECT_EQ(SummaryText(together.Counts()), L"2枚の写真を3通りに書き出しました。6件中6件を変換しました。");

  for (std::size_t output = 0; output < outputs.size(); ++output) {
    NamedSettings alone = outputs[output];
    alone.settings.MakeFolder += L" alone";
    ConvertBatch_CL separate(photos, alone.settings, theLog);
    const BatchRun separateRun(separate);
    for (std::size_t photo = 0; photo < photos.size(); ++photo) {
      const PhotoResult& ours = together.Results()[photo * outputs.size() + output];
      const PhotoResult& theirs = separate.Results()[photo];
      SCOPED_TRACE(Utf8Path(OutputName(ours)));
      ASSERT_EQ(ours.failure, PhotoFailure::None) << Utf8Path(ours.detail);
      ASSERT_EQ(theirs.failure, PhotoFailure::None);
      EXPECT_EQ(ours.preset, outputs[output].name);
      EXPECT_EQ(ExtensionPart(ours.output), ExtensionPart(theirs.output));
      const VipsImagePtr mine(vips_image_new_from_file(Utf8Path(ours.output).c_str(), nullptr));
      const VipsImagePtr other(vips_image_new_from_file(Utf8Path(theirs.output).c_str(), nullptr));
      ASSERT_TRUE(mine && other);
      EXPECT_EQ(vips_image_get_width(mine.get()), vips_image_get_width(other.get()));
      EXPECT_EQ(vips_image_get_height(mine.get()), vips_image_get_height(other.get()));
      EXPECT_GE(Ssim(mine.get(), other.get()), 0.99);
      EXPECT_EQ(vips_image_get_typeof(mine.get(), VIPS_META_EXIF_NAME) != 0,
                vips_image_get_typeof(other.get(), VIPS_META_EXIF_NAME) != 0);
    }
  }
}

// Two outputs that would write one file, or two that would take the photos' places, stop the
// batch before anything is read or written, naming both presets. One output in the photos'
// places goes with others: it is written after them.
TEST(ConvertBatch, OutputsThatWouldMeetRefuseTheBatchBeforeAnythingIsWritten) {
  const TempFolder folder;
  const std::wstring stem = Fresh(L"meet");  // a name of its own in the bin
  const std::vector<std::wstring> paths = WritePhotos(folder, 2, stem);
  const std::vector<PhotoItem> photos = Photos(paths);
  NamedSettings small = Output(L"小", SizeChoice::Custom, kAllJpeg);
  NamedSettings large = Output(L"大", kDefaultSizeChoice, kAllJpeg);
  large.settings.MakeFolder = L"小";  // the same folder, name and type: one file for both
  NamedSettings png = Output(L"PNG", SizeChoice::Custom, kAllPng);
  png.settings.MakeFolder = L"小";  // the same folder, another type: no clash
  NamedSettings replaceJpeg = Output(L"置換", kDefaultSizeChoice, kAllJpeg);
  replaceJpeg.settings.SaveDirTypeIndex = OutputPlace::ReplaceSource;
  NamedSettings replacePng = replaceJpeg;
  replacePng.name = L"置換PNG";
  replacePng.settings.OutputImageType = kAllPng;
  const uint64_t readsBefore = PhotoReadsSoFar();
  const struct {
    std::vector<NamedSettings> outputs;
    std::vector<std::wstring> named;  // empty: the batch may start
  } cases[] = {
      {{small, png}, {}},
      {{small, png, large}, {L"「小」", L"「大」", L"同じファイル"}},
      {{small, replaceJpeg, replacePng}, {L"「置換」", L"「置換PNG」", L"置き換え"}},
  };
  for (const auto& c : cases) {
    const std::wstring refusal = OutputsRefusal(photos, c.outputs);
    SCOPED_TRACE(Utf8Path(refusal));
    EXPECT_EQ(refusal.empty(), c.named.empty());
    for (const std::wstring& words : c.named) EXPECT_NE(refusal.find(words), std::wstring::npos);
    if (c.named.empty()) continue;
    ConvertBatch_CL batch(photos, c.outputs, theLog);
    const BatchRun run(batch);
    EXPECT_EQ(batch.Refusal(), refusal) << "the batch refuses it too";
    EXPECT_TRUE(run.reports.empty());
    for (const PhotoResult& result : batch.Results()) EXPECT_EQ(result.failure, PhotoFailure::WriteFailed);
  }
  EXPECT_EQ(PhotoReadsSoFar(), readsBefore) << "no photo read";
  EXPECT_FALSE(FileExists(folder.File(L"小"))) << "nothing written";

  const std::string original = ReadFileBytes(paths[0]);
  ConvertBatch_CL replacing(photos, {replaceJpeg, png}, theLog);
  const BatchRun run(replacing);
  ASSERT_EQ(replacing.Counts().written, 4u) << Utf8Path(SummaryText(replacing.Counts()));
  EXPECT_EQ(OutputName(replacing.Results()[1]), paths[0] + L" [PNG]");
  EXPECT_TRUE(FileExists(folder.File(L"小\\" + stem + L"0.png")));
  EXPECT_NE(ReadFileBytes(paths[0]), original) << "replaced";
  if (!RecycledFilesFolder().empty()) {
    EXPECT_EQ(InBin(stem + L"0.jpg"), original) << "the photo in the bin";
  }
}
