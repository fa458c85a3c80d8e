#pragma once
// One batch of photos converted: a snapshot of the photo list and a copy of the settings in,
// one result per photo out. Photos are converted side by side on several workers; the batch
// knows no window, reports its progress through a callback and stops taking new photos when
// its cancel flag is raised. Used by the progress dialog, the command line and the benchmarks.
#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "base/LogFile.h"
#include "engine/ConvertSettings.h"
#include "engine/OutputPlan.h"
#include "engine/PhotoEncoder.h"
#include "engine/PhotoFailure.h"
#include "engine/PhotoResize.h"
#include "engine/VipsOwned.h"

// What became of one photo.
struct PhotoResult {
  std::wstring source;
  std::wstring output;  // the path written, or the one it would have had
  PhotoFailure failure = PhotoFailure::Cancelled;  // a photo no worker took stays cancelled
  std::wstring detail;  // the library's or the platform's own words, for the log
  // The size it was written at when it was made smaller to keep under the strict file-size
  // limit (sizeGiven.madeSmaller); otherwise nothing.
  EncodedSize sizeGiven;
  // "元より大きくしない": the photo's own bytes were written, its output being larger; when the
  // outputs replace their photos, the photo was left as it is.
  bool photoKept = false;
};

struct BatchCounts {
  std::size_t total = 0;
  std::size_t written = 0;
  std::size_t failed = 0;      // tried and not written
  std::size_t notStarted = 0;  // left when the batch was stopped
  std::size_t skipped = 0;     // already converted ("変換済みの写真はとばす")
  std::size_t madeSmaller = 0; // written, made smaller to keep under the strict size limit
  std::size_t copied = 0;      // written as the photo's own bytes, which were smaller
  std::size_t leftAsIs = 0;    // to be replaced, but the photo was smaller: left as it is
};

class ConvertBatch_CL {
public:
  // Called after each photo from the worker that finished it, one call at a time, with
  // `done` growing by one each call.
  using Progress = std::function<void(std::size_t done, std::size_t total)>;

  // Each photo that is not written is named in `log` with its reason.
  ConvertBatch_CL(std::vector<PhotoItem> photos, const ConvertSettings& settings, LogFile& log);
  virtual ~ConvertBatch_CL();

  // Converts every photo on `workers` threads (at least one) and returns when all are done,
  // or soon after `cancel` became non-zero: no photo starts after it, and the photos in hand
  // stop where they are (reported Cancelled, nothing written).
  void Run(const Progress& progress, const std::atomic<int>& cancel, int workers);

  const std::vector<PhotoResult>& Results() const { return results; }
  BatchCounts Counts() const;
  // The folder shown when the batch is over: the chosen output folder, or else the output folder
  // of the first photo written; empty when no photo was written.
  std::wstring FolderToShow() const;

  // min(processor cores + 1, kMostWorkers). A worker waits now and then (for libvips' own
  // thread, for the file system, for the flush); one worker more than the cores fills those
  // waits, and a batch on two cores finishes some 4 % sooner.
  static int DefaultWorkers();
  static constexpr int kMostWorkers = 8;

private:
  void ConvertOne(std::size_t index, const std::atomic<int>& cancel);
  // The photo decoded, finished and encoded in one pass into `encoded`, `prepared` holding its
  // picture's metadata; or why there is no file.
  PhotoFailure PrepareAndEncode(const PhotoItem& photo, OutputFormat format, const std::atomic<int>& cancel,
                                PreparedPhoto& prepared, VipsBytes& encoded, PhotoResult& result) const;
  // The encoded file of a prepared photo, or why there is none.
  PhotoFailure Encode(VipsImage* picture, OutputFormat format, VipsBytes& encoded, PhotoResult& result) const;
  void RunWorker(const Progress& progress, const std::atomic<int>& cancel);
  // With SkipDone, marks each photo whose planned output is already there and up to date.
  void MarkDone(const OutputPlan_CL& plan);
  // The bytes the photo's output gets: `encoded`, or with NeverLarger the photo's own (copied,
  // result.photoKept set; or a JPEG with only its metadata changed) held in `own`, whichever
  // UsePhotoForOutput allows.
  void ChooseBytes(std::size_t index, const PreparedPhoto& prepared, const VipsBytes& encoded,
                   std::vector<unsigned char>& own, const unsigned char*& data, std::size_t& size);
  // Writes the output: over its path, or in the photo's place with the photo sent to the bin.
  // The prepared picture (and with it the photo's file) is let go first when replacing.
  void WriteOutput(std::size_t index, PreparedPhoto& prepared, const unsigned char* data, std::size_t size,
                   const std::atomic<int>& cancel);

  std::vector<PhotoItem> photos;
  ConvertSettings settings;
  std::vector<PhotoResult> results;
  std::vector<PlannedOutput> planned;  // decided when the run starts
  std::atomic<std::size_t> nextPhoto{0};
  std::atomic<std::size_t> finished{0};
  LogFile& log;
};

// "24枚中22枚を変換しました。2枚は変換できませんでした。", how many were made smaller to keep
// under the size limit, how many were copied (or left in place) as smaller than their outputs,
// how many were skipped as already converted, and after a stop how many were not started.
std::wstring SummaryText(const BatchCounts& counts);
