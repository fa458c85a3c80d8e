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
  log.Write(L"変換できませんでした: %s : %s %s", OutputName(result).c_str(), FailureText(result.failure),
            result.detail.c_str());
}

// A photo written whole although its decoder warned of something, named once per output.
void LogDecoderWarning(LogFile& log, const PhotoResult& result, const std::wstring& warning) {
  log.Write(L"警告のある写真を変換しました: %s : %s", OutputName(result).c_str(), warning.c_str());
}

void LogMadeSmaller(LogFile& log, const PhotoResult& result) {
  log.Write(L"ファイルサイズに収めるため縮小しました: %s -> %d x %d", OutputName(result).c_str(),
            result.sizeGiven.width, result.sizeGiven.height);
}

void LogPhotoKept(LogFile& log, const PhotoResult& result, bool replacing) {
  if (replacing) {
    log.Write(L"元の写真の方が小さいため、そのままにしました: %s", OutputName(result).c_str());
  } else {
    log.Write(L"元の写真の方が小さいため、そのままコピーしました: %s -> %s", OutputName(result).c_str(),
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

// The outputs take their photos' places.
bool Replaces(const ConvertSettings& settings) { return settings.SaveDirTypeIndex == OutputPlace::ReplaceSource; }
bool Replaces(const NamedSettings& output) { return Replaces(output.settings); }

// How a refusal names an output: its preset, or the working settings.
std::wstring PresetWords(const NamedSettings& output) {
  return output.name.empty() ? L"今の設定" : L"プリセット「" + output.name + L"」";
}

std::wstring ClashText(const std::vector<NamedSettings>& outputs, const OutputClash& clash) {
  return PresetWords(outputs[clash.first]) + L"と" + PresetWords(outputs[clash.second]) +
         L"が同じファイルに書き出します。保存先かファイル名を変えてください: " + clash.path;
}

// Two outputs in the photos' places: the second would send the first one's file to the bin.
std::wstring ReplacingTwiceText(const std::vector<NamedSettings>& outputs) {
  std::vector<std::size_t> replacing;
  for (std::size_t i = 0; i < outputs.size(); ++i)
    if (Replaces(outputs[i])) replacing.push_back(i);
  if (replacing.size() < 2) return {};
  return PresetWords(outputs[replacing[0]]) + L"と" + PresetWords(outputs[replacing[1]]) +
         L"がどちらも元の写真を置き換えます。まとめて書き出すとき、元の写真を置き換えられるのは一つだけです。";
}

// Each output's list of paths, by output.
std::vector<std::vector<std::wstring>> PathsByOutput(const std::vector<PlannedOutput>& planned, std::size_t outputs) {
  std::vector<std::vector<std::wstring>> paths(outputs);
  for (std::size_t slot = 0; slot < planned.size(); ++slot) paths[slot % outputs].push_back(planned[slot].path);
  return paths;
}

}  // namespace

std::wstring OutputName(const PhotoResult& result) {
  return result.preset.empty() ? result.source : result.source + L" [" + result.preset + L"]";
}

std::wstring OutputsRefusal(const std::vector<PhotoItem>& photos, const std::vector<NamedSettings>& outputs) {
  if (std::wstring twice = ReplacingTwiceText(outputs); !twice.empty()) return twice;
  if (outputs.size() < 2) return {};
  std::vector<std::vector<std::wstring>> paths(outputs.size());
  for (std::size_t output = 0; output < outputs.size(); ++output) {
    for (const PhotoItem& photo : photos)
      paths[output].push_back(WantedOutputPath(photo.path, photo.root, outputs[output].settings));
  }
  const OutputClash clash = FindOutputClash(paths);
  return clash.path.empty() ? std::wstring() : ClashText(outputs, clash);
}

ConvertBatch_CL::ConvertBatch_CL(std::vector<PhotoItem> photos, const ConvertSettings& settings, LogFile& log)
    : ConvertBatch_CL(std::move(photos), std::vector<NamedSettings>{{std::wstring(), settings}}, log) {}

ConvertBatch_CL::ConvertBatch_CL(std::vector<PhotoItem> photos, std::vector<NamedSettings> outputs, LogFile& log)
    : photos(std::move(photos)), outputs(std::move(outputs)), log(log) {
  if (this->outputs.empty()) this->outputs.push_back({});
  // The output in the photo's place goes last: the others are made while the photo is there.
  for (std::size_t i = 0; i < this->outputs.size(); ++i)
    if (!Replaces(this->outputs[i])) writeOrder.push_back(i);
  for (std::size_t i = 0; i < this->outputs.size(); ++i)
    if (Replaces(this->outputs[i])) writeOrder.push_back(i);
  results.resize(this->photos.size() * this->outputs.size());
  for (std::size_t slot = 0; slot < results.size(); ++slot) {
    results[slot].source = PhotoOf(slot).path;
    results[slot].preset = this->outputs[slot % this->outputs.size()].name;
  }
}

ConvertBatch_CL::~ConvertBatch_CL() = default;

int ConvertBatch_CL::DefaultWorkers() {
  SYSTEM_INFO system{};
  GetSystemInfo(&system);
  return std::clamp(static_cast<int>(system.dwNumberOfProcessors) + 1, 1, kMostWorkers);
}

void ConvertBatch_CL::Plan() {
  planned.resize(results.size());
  std::vector<std::unique_ptr<OutputPlan_CL>> plans;
  for (std::size_t output = 0; output < outputs.size(); ++output) {
    plans.push_back(std::make_unique<OutputPlan_CL>(photos, outputs[output].settings, outputs[output].name));
    const OutputPlan_CL& plan = *plans.back();
    for (std::size_t photo = 0; photo < photos.size(); ++photo) {
      const std::size_t slot = Slot(photo, output);
      planned[slot] = plan.At(photo);
      results[slot].output = planned[slot].path;
      if (planned[slot].refusal == PhotoFailure::None) continue;
      results[slot].failure = planned[slot].refusal;
      results[slot].detail = plan.NameRefusalText(photo);
    }
  }
  // Checked again on the numbered names: " (2)" of one output may be another's own name.
  refusal = ReplacingTwiceText(outputs);
  if (const OutputClash clash = FindOutputClash(PathsByOutput(planned, outputs.size()));
      refusal.empty() && !clash.path.empty())
    refusal = ClashText(outputs, clash);
  if (!refusal.empty()) {
    log.Write(L"変換を始めませんでした: %s", refusal.c_str());
    for (std::size_t slot = 0; slot < planned.size(); ++slot) {
      planned[slot].refusal = PhotoFailure::WriteFailed;
      results[slot].failure = PhotoFailure::WriteFailed;
      results[slot].detail = refusal;
    }
    return;
  }
  for (std::size_t output = 0; output < outputs.size(); ++output)
    if (outputs[output].settings.SkipDone) MarkDone(output, *plans[output]);
}

void ConvertBatch_CL::Run(const Progress& progress, const std::atomic<int>& cancel, int workers) {
  Plan();
  if (!refusal.empty()) return;
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
void ConvertBatch_CL::MarkDone(std::size_t output, const OutputPlan_CL& plan) {
  // An output in its photo's place is the photo: no second file tells that it was done.
  if (Replaces(outputs[output])) return;
  std::size_t skipped = 0;
  for (std::size_t photo = 0; photo < photos.size(); ++photo) {
    const std::size_t slot = Slot(photo, output);
    if (planned[slot].refusal != PhotoFailure::None || !plan.OutputWasUpToDate(photo)) continue;
    planned[slot].refusal = PhotoFailure::AlreadyDone;
    results[slot].failure = PhotoFailure::AlreadyDone;
    ++skipped;
  }
  if (skipped == 0) return;
  if (outputs[output].name.empty()) {
    log.Write(L"変換済みの写真を%u枚とばしました", static_cast<unsigned>(skipped));
  } else {
    log.Write(L"変換済みの写真を%u枚とばしました [%s]", static_cast<unsigned>(skipped), outputs[output].name.c_str());
  }
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

PhotoFailure ConvertBatch_CL::Encode(VipsImage* picture, const ConvertSettings& settings, OutputFormat format,
                                     VipsBytes& encoded, PhotoResult& result) const {
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

PhotoFailure ConvertBatch_CL::PrepareAndEncode(const PhotoItem& photo, const ConvertSettings& settings,
                                               OutputFormat format, const std::atomic<int>& cancel,
                                               PreparedPhoto& prepared, VipsBytes& encoded, PhotoResult& result) const {
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
  return Encode(prepared.picture.get(), settings, format, encoded, result);
}

std::vector<std::size_t> ConvertBatch_CL::Pending(std::size_t photo) const {
  std::vector<std::size_t> pending;
  for (const std::size_t output : writeOrder) {
    const std::size_t slot = Slot(photo, output);
    if (planned[slot].refusal == PhotoFailure::None) {
      pending.push_back(output);
    } else if (planned[slot].refusal != PhotoFailure::AlreadyDone) {
      LogFailure(log, results[slot]);
    }
  }
  return pending;
}

void ConvertBatch_CL::ConvertOne(std::size_t photo, const std::atomic<int>& cancel) {
  const std::vector<std::size_t> pending = Pending(photo);
  if (pending.size() == 1) ConvertAlone(photo, pending.front(), cancel);
  if (pending.size() > 1) ConvertFromOneRead(photo, pending, cancel);
}

bool ConvertBatch_CL::MakeOutputFolder(std::size_t slot) {
  PhotoResult& result = results[slot];
  result.failure = PhotoFailure::None;
  if (const HRESULT made = MakeFolderTree(FullPathOf(planned[slot].folder)); FAILED(made)) {
    result.failure = PhotoFailure::WriteFailed;
    result.detail = SystemErrorText(HRESULT_CODE(made));
  }
  return result.failure == PhotoFailure::None;
}

void ConvertBatch_CL::ConvertAlone(std::size_t photo, std::size_t output, const std::atomic<int>& cancel) {
  const std::size_t slot = Slot(photo, output);
  PreparedPhoto prepared;
  VipsBytes encoded;
  if (MakeOutputFolder(slot))
    results[slot].failure = PrepareAndEncode(photos[photo], outputs[output].settings, planned[slot].type.typeCode,
                                             cancel, prepared, encoded, results[slot]);
  Finish(slot, prepared, encoded, cancel);
}

void ConvertBatch_CL::ConvertFromOneRead(std::size_t photo, const std::vector<std::size_t>& pending,
                                         const std::atomic<int>& cancel) {
  std::vector<const ConvertSettings*> settings;
  for (const std::size_t output : pending) settings.push_back(&outputs[output].settings);
  ScaledPhoto read = ScaleForOutputs(photos[photo], settings, &cancel);
  for (const std::size_t output : pending) {
    const std::size_t slot = Slot(photo, output);
    PhotoResult& result = results[slot];
    const ConvertSettings& own = outputs[output].settings;
    PreparedPhoto prepared;
    VipsBytes encoded;
    if (MakeOutputFolder(slot)) {
      prepared = RunForWords<PreparedPhoto>(
          [&] {
            if (cancel.load() != 0) return PreparedPhoto{{}, PhotoFailure::Cancelled, {}, {}};
            return FinishFor(read, photos[photo], own, &cancel, PictureIn::Pipeline);
          },
          [&](const PreparedPhoto& done) {
            return done.failure != PhotoFailure::None && done.failure != PhotoFailure::Cancelled && read.scaled;
          });
      result.failure = prepared.failure;
      result.detail = prepared.detail;
    }
    if (result.failure == PhotoFailure::None)
      result.failure = Encode(prepared.picture.get(), own, planned[slot].type.typeCode, encoded, result);
    // The photo's place is taken last, its read picture let go first.
    if (Replaces(outputs[output])) read = ScaledPhoto();
    Finish(slot, prepared, encoded, cancel);
  }
}

void ConvertBatch_CL::Finish(std::size_t slot, PreparedPhoto& prepared, const VipsBytes& encoded,
                             const std::atomic<int>& cancel) {
  PhotoResult& result = results[slot];
  // A stop that came while the photo was encoded still leaves no file.
  if (result.failure == PhotoFailure::None && cancel.load() != 0) result.failure = PhotoFailure::Cancelled;
  if (result.failure == PhotoFailure::None) {
    std::vector<unsigned char> own;
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    ChooseBytes(slot, prepared, encoded, own, data, size);
    WriteOutput(slot, prepared, data, size, cancel);
  }
  if (result.failure != PhotoFailure::None) {
    LogFailure(log, result);
    result.sizeGiven = EncodedSize();
    result.photoKept = false;
    return;
  }
  if (!prepared.warning.empty()) LogDecoderWarning(log, result, prepared.warning);
  if (result.photoKept) {
    LogPhotoKept(log, result, Replaces(SettingsOf(slot)));
  } else if (result.sizeGiven.madeSmaller) {
    LogMadeSmaller(log, result);
  }
}

void ConvertBatch_CL::ChooseBytes(std::size_t slot, const PreparedPhoto& prepared, const VipsBytes& encoded,
                                  std::vector<unsigned char>& own, const unsigned char*& data, std::size_t& size) {
  data = encoded.begin();
  size = encoded.size;
  const ConvertSettings& settings = SettingsOf(slot);
  const PhotoItem& photo = PhotoOf(slot);
  if (!settings.NeverLarger) return;
  // Only a photo smaller than its output is read again.
  const uint64_t photoSize = FileSizeOf(photo.path);
  if (photoSize == 0 || photoSize >= encoded.size) return;
  if (!ReadWholeFile(PlatformPath(photo.path), own)) return;
  const PhotoUse use = UsePhotoForOutput(photo, settings, prepared.picture.get(), own, encoded);
  if (use == PhotoUse::None) return;
  data = own.data();
  size = own.size();
  results[slot].photoKept = use == PhotoUse::AsItIs;
  results[slot].sizeGiven = EncodedSize();
}

void ConvertBatch_CL::WriteOutput(std::size_t slot, PreparedPhoto& prepared, const unsigned char* data,
                                  std::size_t size, const std::atomic<int>& cancel) {
  PhotoResult& result = results[slot];
  const ConvertSettings& settings = SettingsOf(slot);
  const bool replacing = Replaces(settings);
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
  counts.outputsPerPhoto = outputs.size();
  for (std::size_t slot = 0; slot < results.size(); ++slot) {
    const PhotoResult& result = results[slot];
    if (result.failure == PhotoFailure::None) {
      ++counts.written;
      if (result.sizeGiven.madeSmaller) ++counts.madeSmaller;
      if (result.photoKept) ++(Replaces(SettingsOf(slot)) ? counts.leftAsIs : counts.copied);
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
  for (std::size_t slot = 0; slot < results.size(); ++slot) {
    if (results[slot].failure != PhotoFailure::None) continue;
    const std::wstring chosen = ChosenOutputFolder(SettingsOf(slot));
    return chosen.empty() ? planned[slot].folder : FullPathOf(chosen);
  }
  return {};
}

std::wstring SummaryText(const BatchCounts& counts) {
  // Several outputs per photo are counted as files: "8枚の写真を3通りに書き出します。24件中24件を…"
  const bool files = counts.outputsPerPhoto > 1;
  const std::wstring unit = files ? L"件" : L"枚";
  const auto count = [&unit](std::size_t n) { return std::to_wstring(n) + unit; };
  std::wstring text;
  if (files)
    text = std::to_wstring(counts.total / counts.outputsPerPhoto) + L"枚の写真を" +
           std::to_wstring(counts.outputsPerPhoto) + L"通りに書き出しました。";
  text += count(counts.total) + L"中" + count(counts.written) + L"を変換しました。";
  if (counts.madeSmaller > 0) text += count(counts.madeSmaller) + L"はファイルサイズに収めるため縮小しました。";
  if (counts.copied > 0) text += count(counts.copied) + L"は元の写真の方が小さいため、そのままコピーしました。";
  if (counts.leftAsIs > 0) text += count(counts.leftAsIs) + L"は元の写真の方が小さいため、そのままにしました。";
  if (counts.skipped > 0) text += count(counts.skipped) + L"は変換済みのためとばしました。";
  if (counts.failed > 0) text += count(counts.failed) + L"は変換できませんでした。";
  if (counts.notStarted > 0) text += count(counts.notStarted) + L"は中止により変換していません。";
  return text;
}
