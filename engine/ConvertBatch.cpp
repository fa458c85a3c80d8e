#include "engine/ConvertBatch.h"

#include <windows.h>
#include <vips/vips.h>

#include <algorithm>
#include <memory>

#include "base/AtomicFile.h"
#include "base/CriticalSection.h"
#include "base/LogFile.h"
#include "base/PathIdentity.h"
#include "base/ShellHelpers.h"
#include "engine/ChosenFolder.h"
#include "engine/OutputFileTime.h"
#include "engine/OutputPlan.h"
#include "engine/PhotoAsOutput.h"
#include "engine/PhotoEncoder.h"
#include "engine/PhotoResize.h"
#include "engine/ReplacePhoto.h"
#include "engine/VipsErrors.h"
#include "engine/VipsOwned.h"
#include "base/WorkerThread.h"

namespace {

// The form of a path the platform calls accept at any length.
std::wstring PlatformPath(const std::wstring& path) {
  const std::wstring full = FullPathOf(path);
  return full.empty() ? path : ExtendedLengthPath(full);
}

// The file's size in bytes; 0 when it cannot be read.
uint64_t FileSizeOf(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(PlatformPath(path).c_str(), GetFileExInfoStandard, &data)) return 0;
  return (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

void LogFailure(LogFile& log, const PhotoResult& result) {
  log.Write(L"変換できませんでした: %s : %s %s", result.source.c_str(), FailureText(result.failure),
            result.detail.c_str());
}

// A photo written whole although its decoder warned of something, named once.
void LogDecoderWarning(LogFile& log, const PhotoResult& result, const std::wstring& warning) {
  log.Write(L"警告のある写真を変換しました: %s : %s", result.source.c_str(), warning.c_str());
}

void LogMadeSmaller(LogFile& log, const PhotoResult& result) {
  log.Write(L"ファイルサイズに収めるため縮小しました: %s -> %d x %d", result.source.c_str(), result.sizeGiven.width,
            result.sizeGiven.height);
}

void LogPhotoKept(LogFile& log, const PhotoResult& result, bool replacing) {
  if (replacing) {
    log.Write(L"元の写真の方が小さいため、そのままにしました: %s", result.source.c_str());
  } else {
    log.Write(L"元の写真の方が小さいため、そのままコピーしました: %s -> %s", result.source.c_str(),
              result.output.c_str());
  }
}

// Why an encoding gave no file.
PhotoFailure EncodeFailure(HRESULT hr) {
  return hr == kSizeLimitUnmet ? PhotoFailure::OverSizeLimit : PhotoFailure::WriteFailed;
}

// libvips' own thread pool per photo: with several photos at once, one thread each does the
// most work per core; a single worker lets libvips use every core on its photo.
class VipsConcurrencyFor {
public:
  explicit VipsConcurrencyFor(int workers) : previous(vips_concurrency_get()) {
    if (workers > 1) vips_concurrency_set(1);
  }
  ~VipsConcurrencyFor() { vips_concurrency_set(previous); }
  VipsConcurrencyFor(const VipsConcurrencyFor&) = delete;
  VipsConcurrencyFor& operator=(const VipsConcurrencyFor&) = delete;

private:
  const int previous;
};

}  // namespace

ConvertBatch_CL::ConvertBatch_CL(std::vector<PhotoItem> photos, const ConvertSettings& settings, LogFile& log)
    : photos(std::move(photos)), settings(settings), log(log) {
  results.resize(this->photos.size());
  for (std::size_t i = 0; i < this->photos.size(); ++i) results[i].source = this->photos[i].path;
}

ConvertBatch_CL::~ConvertBatch_CL() = default;

int ConvertBatch_CL::DefaultWorkers() {
  SYSTEM_INFO system{};
  GetSystemInfo(&system);
  return std::clamp(static_cast<int>(system.dwNumberOfProcessors) + 1, 1, kMostWorkers);
}

void ConvertBatch_CL::Run(const Progress& progress, const std::atomic<int>& cancel, int workers) {
  const OutputPlan_CL plan(photos, settings);
  planned = plan.Outputs();
  for (std::size_t i = 0; i < photos.size(); ++i) {
    results[i].output = planned[i].path;
    if (planned[i].refusal != PhotoFailure::None) {
      results[i].failure = planned[i].refusal;
      results[i].detail = plan.NameRefusalText(i);
    }
  }
  if (settings.SkipDone) MarkDone(plan);
  // No more workers than photos: a photo alone keeps libvips' own threads for itself.
  const int most = static_cast<int>(std::min<std::size_t>(photos.size(), kMostWorkers));
  const int count = std::clamp(workers, 1, std::max(most, 1));
  const VipsConcurrencyFor concurrency(count);
  // One report at a time, each counting one more photo: the bar only moves forward.
  CriticalSection_CL progressLock;
  const Progress serialized = [&](std::size_t, std::size_t total) {
    const CriticalSectionLock hold(progressLock);
    const std::size_t done = ++finished;
    if (progress) progress(done, total);
  };
  std::vector<std::unique_ptr<WorkerThread>> threads;
  for (int i = 1; i < count; ++i) {
    threads.push_back(std::make_unique<WorkerThread>());
    if (!threads.back()->RunAsync([&] { RunWorker(serialized, cancel); })) threads.pop_back();
  }
  RunWorker(serialized, cancel);
  for (const std::unique_ptr<WorkerThread>& thread : threads) thread->Join();
}

// An output counts as done when it exists and was last written no earlier than its photo. With
// the photo's own time kept on the output the two are equal, which counts as done too.
void ConvertBatch_CL::MarkDone(const OutputPlan_CL& plan) {
  // An output in its photo's place is the photo: no second file tells that it was done.
  if (settings.SaveDirTypeIndex == OutputPlace::ReplaceSource) return;
  std::size_t skipped = 0;
  for (std::size_t i = 0; i < photos.size(); ++i) {
    if (planned[i].refusal != PhotoFailure::None || !plan.OutputWasUpToDate(i)) continue;
    planned[i].refusal = PhotoFailure::AlreadyDone;
    results[i].failure = PhotoFailure::AlreadyDone;
    ++skipped;
  }
  if (skipped > 0) log.Write(L"変換済みの写真を%u枚とばしました", static_cast<unsigned>(skipped));
}

void ConvertBatch_CL::RunWorker(const Progress& progress, const std::atomic<int>& cancel) {
  for (;;) {
    if (cancel.load() != 0) return;
    const std::size_t index = nextPhoto.fetch_add(1);
    if (index >= photos.size()) return;
    ConvertOne(index, cancel);
    progress(0, photos.size());
  }
}

PhotoFailure ConvertBatch_CL::Encode(VipsImage* picture, OutputFormat format, VipsBytes& encoded,
                                     PhotoResult& result) const {
  EncodedSize given;
  const HRESULT hr = RunForWords<HRESULT>(
      [&] {
        encoded = VipsBytes();
        const HRESULT encodedHr = EncodePhoto(picture, format, settings, encoded, &given);
        if (FAILED(encodedHr)) result.detail = TakeVipsError();
        return encodedHr;
      },
      [](const HRESULT& failed) { return FAILED(failed) && failed != kSizeLimitUnmet; });
  if (FAILED(hr)) return EncodeFailure(hr);
  if (given.madeSmaller) result.sizeGiven = given;
  return PhotoFailure::None;
}

PhotoFailure ConvertBatch_CL::PrepareAndEncode(const PhotoItem& photo, OutputFormat format,
                                               const std::atomic<int>& cancel, PreparedPhoto& prepared,
                                               VipsBytes& encoded, PhotoResult& result) const {
  prepared = PreparePhoto(photo, settings, &cancel, PictureIn::Pipeline);
  result.detail = prepared.detail;
  if (prepared.failure != PhotoFailure::None) return prepared.failure;
  HRESULT hr = E_FAIL;
  EncodedSize given;
  {
    const VipsSharedWork shared;
    hr = EncodePhoto(prepared.picture.get(), format, settings, encoded, &given);
  }
  if (SUCCEEDED(hr)) {
    if (given.madeSmaller) result.sizeGiven = given;
    return PhotoFailure::None;
  }
  // The picture was whole and no size of it fits: nothing to learn from a second pass.
  if (hr == kSizeLimitUnmet) return PhotoFailure::OverSizeLimit;
  if (cancel.load() != 0) return PhotoFailure::Cancelled;
  // The pass failed in the decode or in the encoder: done again in two steps, for which and why.
  encoded = VipsBytes();
  prepared = PreparePhoto(photo, settings, &cancel);
  result.detail = prepared.detail;
  if (prepared.failure != PhotoFailure::None) return prepared.failure;
  return Encode(prepared.picture.get(), format, encoded, result);
}

void ConvertBatch_CL::ConvertOne(std::size_t index, const std::atomic<int>& cancel) {
  PhotoResult& result = results[index];
  const PlannedOutput& output = planned[index];
  if (output.refusal == PhotoFailure::AlreadyDone) return;
  if (output.refusal != PhotoFailure::None) {
    LogFailure(log, result);
    return;
  }
  result.failure = PhotoFailure::None;
  const OutputFormat format = output.type.typeCode;
  // The output folder with every level above it that is missing (a chosen folder's tree).
  if (const HRESULT made = MakeFolderTree(FullPathOf(output.folder)); FAILED(made)) {
    result.failure = PhotoFailure::WriteFailed;
    result.detail = SystemErrorText(HRESULT_CODE(made));
  }
  PreparedPhoto prepared;
  VipsBytes encoded;
  if (result.failure == PhotoFailure::None)
    result.failure = PrepareAndEncode(photos[index], format, cancel, prepared, encoded, result);
  // A stop that came while the photo was encoded still leaves no file.
  if (result.failure == PhotoFailure::None && cancel.load() != 0) result.failure = PhotoFailure::Cancelled;
  if (result.failure == PhotoFailure::None) {
    std::vector<unsigned char> own;
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    ChooseBytes(index, prepared, encoded, own, data, size);
    WriteOutput(index, prepared, data, size, cancel);
  }
  if (result.failure != PhotoFailure::None) {
    LogFailure(log, result);
    result.sizeGiven = EncodedSize();
    result.photoKept = false;
    return;
  }
  if (!prepared.warning.empty()) LogDecoderWarning(log, result, prepared.warning);
  if (result.photoKept) {
    LogPhotoKept(log, result, settings.SaveDirTypeIndex == OutputPlace::ReplaceSource);
  } else if (result.sizeGiven.madeSmaller) {
    LogMadeSmaller(log, result);
  }
}

void ConvertBatch_CL::ChooseBytes(std::size_t index, const PreparedPhoto& prepared, const VipsBytes& encoded,
                                  std::vector<unsigned char>& own, const unsigned char*& data, std::size_t& size) {
  data = encoded.begin();
  size = encoded.size;
  if (!settings.NeverLarger) return;
  // Only a photo smaller than its output is read again.
  const uint64_t photoSize = FileSizeOf(photos[index].path);
  if (photoSize == 0 || photoSize >= encoded.size) return;
  if (!ReadWholeFile(PlatformPath(photos[index].path), own)) return;
  const PhotoUse use = UsePhotoForOutput(photos[index], settings, prepared.picture.get(), own, encoded);
  if (use == PhotoUse::None) return;
  data = own.data();
  size = own.size();
  results[index].photoKept = use == PhotoUse::AsItIs;
  results[index].sizeGiven = EncodedSize();
}

void ConvertBatch_CL::WriteOutput(std::size_t index, PreparedPhoto& prepared, const unsigned char* data,
                                  std::size_t size, const std::atomic<int>& cancel) {
  PhotoResult& result = results[index];
  const bool replacing = settings.SaveDirTypeIndex == OutputPlace::ReplaceSource;
  // The photo is smaller than its output and stays in its own place as it is.
  if (replacing && result.photoKept && IsSameFile(result.output, result.source)) return;
  FILETIME fileTime{};
  const bool timed = OutputFileTime(PlatformPath(result.source), prepared.picture.get(), settings, fileTime);
  if (replacing) {
    // The photo's file is closed before it goes: an open one is never sent to the bin.
    prepared.picture.reset();
    result.failure = ReplacePhoto(result.source, result.output, data, size, timed ? &fileTime : nullptr, cancel,
                                  result.detail);
    return;
  }
  const HRESULT written = WriteFileAtomically(PlatformPath(result.output), data, size, timed ? &fileTime : nullptr);
  if (FAILED(written)) {
    result.failure = PhotoFailure::WriteFailed;
    result.detail = SystemErrorText(HRESULT_CODE(written));
  }
}

BatchCounts ConvertBatch_CL::Counts() const {
  BatchCounts counts;
  counts.total = results.size();
  for (const PhotoResult& result : results) {
    if (result.failure == PhotoFailure::None) {
      ++counts.written;
      if (result.sizeGiven.madeSmaller) ++counts.madeSmaller;
      if (result.photoKept) ++(settings.SaveDirTypeIndex == OutputPlace::ReplaceSource ? counts.leftAsIs : counts.copied);
    } else if (result.failure == PhotoFailure::Cancelled) {
      ++counts.notStarted;
    } else if (result.failure == PhotoFailure::AlreadyDone) {
      ++counts.skipped;
    } else {
      ++counts.failed;
    }
  }
  return counts;
}

std::wstring ConvertBatch_CL::FolderToShow() const {
  const std::wstring chosen = ChosenOutputFolder(settings);
  for (std::size_t i = 0; i < results.size(); ++i) {
    if (results[i].failure == PhotoFailure::None) return chosen.empty() ? planned[i].folder : FullPathOf(chosen);
  }
  return {};
}

std::wstring SummaryText(const BatchCounts& counts) {
  std::wstring text = std::to_wstring(counts.total) + L"枚中" + std::to_wstring(counts.written) +
                      L"枚を変換しました。";
  if (counts.madeSmaller > 0)
    text += std::to_wstring(counts.madeSmaller) + L"枚はファイルサイズに収めるため縮小しました。";
  if (counts.copied > 0)
    text += std::to_wstring(counts.copied) + L"枚は元の写真の方が小さいため、そのままコピーしました。";
  if (counts.leftAsIs > 0)
    text += std::to_wstring(counts.leftAsIs) + L"枚は元の写真の方が小さいため、そのままにしました。";
  if (counts.skipped > 0) text += std::to_wstring(counts.skipped) + L"枚は変換済みのためとばしました。";
  if (counts.failed > 0) text += std::to_wstring(counts.failed) + L"枚は変換できませんでした。";
  if (counts.notStarted > 0) text += std::to_wstring(counts.notStarted) + L"枚は中止により変換していません。";
  return text;
}
