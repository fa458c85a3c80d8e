#pragma once
// One batch of photos converted: a snapshot of the photo list and a copy of the settings of
// each output in (one, or several presets: "まとめて書き出す"), one result per photo and output
// out. Photos are converted side by side on several workers; each photo is read and decoded
// once however many outputs it has. The batch knows no window, reports its progress through a
// callback and stops taking new photos when its cancel flag is raised. Used by the progress
// dialog, the command line and the benchmarks.
#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "base/LogFile.h"
#include "engine/ConvertSettings.h"
#include "engine/NamedSettings.h"
#include "engine/OutputPlan.h"
#include "engine/PhotoEncoder.h"
#include "engine/PhotoFailure.h"
#include "engine/PhotoResize.h"
#include "engine/VipsOwned.h"

// What became of one output of one photo.
struct PhotoResult {
  std::wstring source;
  std::wstring preset;  // the output's preset; empty for the working settings
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
  std::size_t outputsPerPhoto = 1;  // with more than one, every count above counts outputs
};

// How the results, the log and the command line name an output: "path [preset]", or the
// path alone for the working settings.
std::wstring OutputName(const PhotoResult& result);

// Why a batch of `outputs` over `photos` must not start, before anything is read or written:
// two outputs would write one file ("プリセット「A」と「B」が同じファイルに書き出します"), or more
// than one output would take the photos' places. Empty when it may start. Reads no file.
std::wstring OutputsRefusal(const std::vector<PhotoItem>& photos, const std::vector<NamedSettings>& outputs);

class ConvertBatch_CL {
public:
  // Called after each photo (all its outputs) from the worker that finished it, one call at a
  // time, with `done` growing by one each call up to `total`, the number of photos.
  using Progress = std::function<void(std::size_t done, std::size_t total)>;

  // Each output that is not written is named in `log` with its reason.
  ConvertBatch_CL(std::vector<PhotoItem> photos, const ConvertSettings& settings, LogFile& log);
  // One output per entry of `outputs` (at least one). At most one of them may replace the
  // photos (OutputsRefusal); it is written last, after the photo's other outputs.
  ConvertBatch_CL(std::vector<PhotoItem> photos, std::vector<NamedSettings> outputs, LogFile& log);
  virtual ~ConvertBatch_CL();

  // Converts every photo on `workers` threads (at least one) and returns when all are done,
  // or soon after `cancel` became non-zero: no photo starts after it, and the photos in hand
  // stop where they are (reported Cancelled, nothing written). Outputs that OutputsRefusal
  // refuses, as planned, write nothing: every result is WriteFailed with Refusal()'s words.
  void Run(const Progress& progress, const std::atomic<int>& cancel, int workers);

  // Photo by photo, each photo's outputs in the order given: Results()[photo * outputs + output].
  const std::vector<PhotoResult>& Results() const { return results; }
  std::size_t PhotoCount() const { return photos.size(); }
  // Why Run wrote nothing; empty when it started.
  const std::wstring& Refusal() const { return refusal; }
  BatchCounts Counts() const;
  // The folder shown when the batch is over: for the first output written, its chosen output
  // folder, or else its own folder; empty when nothing was written.
  std::wstring FolderToShow() const;

  // min(processor cores + 1, kMostWorkers). A worker waits now and then (for libvips' own
  // thread, for the file system, for the flush); one worker more than the cores fills those
  // waits, and a batch on two cores finishes some 4 % sooner.
  static int DefaultWorkers();
  static constexpr int kMostWorkers = 8;

private:
  // The result slot of one photo's output.
  std::size_t Slot(std::size_t photo, std::size_t output) const { return photo * outputs.size() + output; }
  // Plans every output, refuses the batch when two meet, and marks the outputs already done.
  void Plan();
  void ConvertOne(std::size_t photo, const std::atomic<int>& cancel);
  // The outputs of the photo still to be written, in the order they are written.
  std::vector<std::size_t> Pending(std::size_t photo) const;
  // One output made alone: read, finished and encoded in one pass.
  void ConvertAlone(std::size_t photo, std::size_t output, const std::atomic<int>& cancel);
  // Several outputs made from one read of the photo.
  void ConvertFromOneRead(std::size_t photo, const std::vector<std::size_t>& pending, const std::atomic<int>& cancel);
  // The output's folder made, with every level above it that is missing (a chosen folder's
  // tree); false, the result failed, when it cannot be.
  bool MakeOutputFolder(std::size_t slot);
  // The photo decoded, finished and encoded in one pass into `encoded`, `prepared` holding its
  // picture's metadata; or why there is no file.
  PhotoFailure PrepareAndEncode(const PhotoItem& photo, const ConvertSettings& settings, OutputFormat format,
                                const std::atomic<int>& cancel, PreparedPhoto& prepared, VipsBytes& encoded,
                                PhotoResult& result) const;
  // The encoded file of a prepared photo, or why there is none.
  PhotoFailure Encode(VipsImage* picture, const ConvertSettings& settings, OutputFormat format, VipsBytes& encoded,
                      PhotoResult& result) const;
  // Writes the encoded output and logs what became of it.
  void Finish(std::size_t slot, PreparedPhoto& prepared, const VipsBytes& encoded, const std::atomic<int>& cancel);
  void RunWorker(const Progress& progress, const std::atomic<int>& cancel);
  // With SkipDone, marks each photo whose planned output is already there and up to date.
  void MarkDone(std::size_t output, const OutputPlan_CL& plan);
  // The bytes the photo's output gets: `encoded`, or with NeverLarger the photo's own (copied,
  // result.photoKept set; or a JPEG with only its metadata changed) held in `own`, whichever
  // UsePhotoForOutput allows.
  void ChooseBytes(std::size_t slot, const PreparedPhoto& prepared, const VipsBytes& encoded,
                   std::vector<unsigned char>& own, const unsigned char*& data, std::size_t& size);
  // Writes the output: over its path, or in the photo's place with the photo sent to the bin.
  // The prepared picture (and with it the photo's file) is let go first when replacing.
  void WriteOutput(std::size_t slot, PreparedPhoto& prepared, const unsigned char* data, std::size_t size,
                   const std::atomic<int>& cancel);
  const ConvertSettings& SettingsOf(std::size_t slot) const { return outputs[slot % outputs.size()].settings; }
  const PhotoItem& PhotoOf(std::size_t slot) const { return photos[slot / outputs.size()]; }

  std::vector<PhotoItem> photos;
  std::vector<NamedSettings> outputs;
  std::vector<std::size_t> writeOrder;  // the outputs in the order each photo's are written
  std::vector<PhotoResult> results;
  std::vector<PlannedOutput> planned;  // decided when the run starts, by slot
  std::wstring refusal;
  std::atomic<std::size_t> nextPhoto{0};
  std::atomic<std::size_t> finished{0};
  LogFile& log;
};

// "24枚中22枚を変換しました。2枚は変換できませんでした。", how many were made smaller to keep
// under the size limit, how many were copied (or left in place) as smaller than their outputs,
// how many were skipped as already converted, and after a stop how many were not started.
std::wstring SummaryText(const BatchCounts& counts);
