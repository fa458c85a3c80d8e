#pragma once
// The preview's picture of one photo, made off the user-interface thread: the photo as the
// conversion will write it (decoded back from the output type's own encoding), the photo
// before effect and encoding for the compare view, and what both weigh.
//
// The maker keeps the current photo read and scaled, and its finished picture, so that the
// next request for the same photo redoes only what changed: a new effect or rotation finishes
// again from the scaled photo, a new quality only encodes again. A new photo, a changed file
// or a new output size reads the file again.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "base/GpOwned.h"
#include "engine/PhotoFailure.h"
#include "engine/PhotoResize.h"
#include "engine/SaveData.h"
#include "mainwindow/PreviewWeight.h"

struct PreviewRequest {
  int sequence = 0;
  PhotoItem photo;
  SaveData_CL settings;       // a copy made on the user-interface thread
  bool withOriginal = false;  // the compare view wants the photo before effect and encoding
  int paneWidth = 0;          // when set, the pictures come fitted into this pane as well
  int paneHeight = 0;
};

struct PreviewResult {
  int sequence = 0;
  GpBitmapPtr picture;   // the result as the file will hold it; none when the photo failed
  GpBitmapPtr original;  // the same size, upright, without effect or encoding; when asked
  // Both fitted into the request's pane (never enlarged), so a fitted view draws them pixel
  // for pixel; none when no pane was given or the picture fits as it is.
  GpBitmapPtr fittedPicture;
  GpBitmapPtr fittedOriginal;
  PreviewWeight weight;
  PhotoFailure failure = PhotoFailure::None;
  std::wstring detail;   // libvips' or our words for a failure
};

class PreviewMaker_CL {
public:
  PreviewMaker_CL() = default;
  virtual ~PreviewMaker_CL() = default;
  PreviewMaker_CL(const PreviewMaker_CL&) = delete;
  PreviewMaker_CL& operator=(const PreviewMaker_CL&) = delete;

  // The result of `request`. One thread at a time; `stop` ends a file read early (the result
  // is then a Cancelled failure and nothing is kept).
  std::unique_ptr<PreviewResult> Make(const PreviewRequest& request, const std::atomic<int>* stop = nullptr);

  int fileReads = 0;  // how many times a photo was read from its file

private:
  struct FileStamp {
    std::wstring path;
    uint64_t bytes = 0;
    uint64_t written = 0;  // last write time
    bool operator==(const FileStamp& other) const {
      return path == other.path && bytes == other.bytes && written == other.written;
    }
  };
  static FileStamp StampOf(const std::wstring& path);

  void KeepScaled(const PreviewRequest& request, const FileStamp& stamp, const std::atomic<int>* stop);
  PreparedPhoto Finished(const PreviewRequest& request);
  VipsImagePtr Encode(VipsImage* finished, const PreviewRequest& request, PreviewResult& result) const;
  void Weigh(const FileStamp& stamp, const SaveData_CL& settings, PreviewResult& result) const;

  FileStamp keptFile;
  ScaledPhoto scaled;
  VipsImagePtr finished;
  int finishedRotation = 0;
  EffectParams finishedEffect;
};
