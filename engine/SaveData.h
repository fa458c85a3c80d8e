#pragma once
// The application record: conversion parameters, the gathered photos and the current photo.
// The main window's instance (mainwindow/TheSaveData.h) is the only global one; everything
// below the windows is handed a record or a copy. It knows no window: the main window keeps
// its own links to the preview, the strip and the start button.
#include <string>
#include <vector>

#include "base/CriticalSection.h"
#include "engine/OutputFormat.h"

// Colour effect of a photo; the field names are the INI keys of the global effect.
class Inifile_CL;
class LogFile;

struct EffectParams {
  int EffectRadioIndex = 0;  // 0 none, 1 grey scale, 2 sepia
  int CheckBriteness = 0;
  int ValueBriteness = 50;   // slider 0..100
  int CheckContrast = 0;
  int ValueContrast = 0;     // slider 0..100
};

// One gathered photo.
struct PhotoItem {
  std::wstring path;
  int rotation = 0;   // the user's quarter turns clockwise 0..3, applied with vips_rot
  int ownEffect = 0;  // 1: use `effect` instead of the global effect
  EffectParams effect;
  // The folder a searched folder was found in (the dropped or named folder's parent), from
  // which the photo's sub-folders are recreated under a chosen output folder; empty for a
  // photo given as a file, which goes to that folder's top.
  std::wstring root;
};

// The size choices, by ResizeRadioIndex: the box a photo is fitted into.
// -1 x -1 means the custom box (outputWidth x outputHeight), -2 x -2 keeps the photo's size,
// -3 x -3 fits the long edge into LongEdge, -4 x -4 scales by ScalePercent.
struct SizeChoice {
  int width;
  int height;
};
constexpr SizeChoice kSizeChoices[] = {
    {1600, 1200}, {1280, 960}, {1024, 768}, {800, 600}, {640, 480}, {480, 480},
    {320, 240},   {160, 120},  {80, 60},    {-1, -1},   {-2, -2},  {-3, -3}, {-4, -4},
};
constexpr int kSizeChoiceCount = static_cast<int>(sizeof(kSizeChoices) / sizeof(kSizeChoices[0]));
constexpr int kSizeChoiceCustom = 9;
constexpr int kSizeChoiceKeep = 10;
constexpr int kSizeChoiceLongEdge = 11;
constexpr int kSizeChoiceScale = 12;
constexpr int kDefaultSizeChoice = 3;

constexpr bool IsValidSizeChoice(int index) { return index >= 0 && index < kSizeChoiceCount; }
// The nine boxes and the custom one: the choices a photo can be cropped to fill.
constexpr bool HasSizeBox(int index) { return index >= 0 && index <= kSizeChoiceCustom; }
// The box of a size choice; an index outside the table gives the default choice's box.
constexpr SizeChoice SizeChoiceBox(int index) {
  return kSizeChoices[IsValidSizeChoice(index) ? index : kDefaultSizeChoice];
}

// The smallest width and height of the custom box: a conversion does not start below it.
constexpr int kSmallestCustomSide = 2;
constexpr bool IsUsableCustomSize(int width, int height) {
  return width >= kSmallestCustomSide && height >= kSmallestCustomSide;
}

// The ranges of the long edge (pixels) and of the scale (percent of the photo's size).
constexpr int kSmallestLongEdge = 2;
constexpr int kLargestLongEdge = 65535;
constexpr int kSmallestScalePercent = 1;
constexpr int kLargestScalePercent = 400;

// SaveDirTypeIndex: where the outputs go.
constexpr int kSaveOnDesktop = 0;
constexpr int kSaveBesideSource = 1;  // in the folder MakeFolder beside each photo
constexpr int kSaveInChosenFolder = 2;  // under OutputFolder, the photos' sub-folders kept

// CropAnchor: where a photo cropped to fill its box is cut.
constexpr int kCropCentre = 0;
constexpr int kCropAttention = 1;  // around what draws the eye

// The lock of a photo list. A copy of the record (a batch's snapshot, a test's saved state)
// gets a lock of its own: a lock is never shared by copying.
class PhotoListLock : public CriticalSection_CL {
public:
  PhotoListLock() = default;
  PhotoListLock(const PhotoListLock&) : PhotoListLock() {}
  PhotoListLock& operator=(const PhotoListLock&) { return *this; }
  ~PhotoListLock() override = default;
};

// The current photo: a pointer into its own record's photo list. A copy of the record (or
// an assignment) never carries the pointer over, since it would point into the other
// record's vector: the copy has no current photo pointer, and currentIndex tells which.
class CurrentPhotoLink {
public:
  CurrentPhotoLink() = default;
  CurrentPhotoLink(const CurrentPhotoLink&) {}
  CurrentPhotoLink& operator=(const CurrentPhotoLink&) {
    item = nullptr;
    return *this;
  }
  CurrentPhotoLink& operator=(PhotoItem* photo) {
    item = photo;
    return *this;
  }
  operator PhotoItem*() const { return item; }
  PhotoItem* operator->() const { return item; }

private:
  PhotoItem* item = nullptr;
};

class SaveData_CL {
public:
  SaveData_CL();
  virtual ~SaveData_CL();

  // Reads every stored field from ini; values are kept as read, except these, which
  // would lose or misplace outputs or lie outside their ranges: SaveDirTypeIndex outside 0..2,
  // or 2 without an OutputFolder, reads as 1, JpegQualityTypeIndex outside 0..1 as 0, a MakeFolder that
  // OutputFolderNameProblem refuses as "Resized" (logged), PreviewFit outside 0..1 as 0, and
  // LongEdge, ScalePercent and the switches after them as their defaults.
  void Load(const Inifile_CL& ini, LogFile& log);
  // Writes the fields whose values differ from the ones this record last wrote, all in one
  // whole write of the file (Inifile_CL::WriteAll); nothing when none differs. A failed write
  // is logged once until one succeeds, and the values are written at the next Save. False
  // when the write failed.
  bool Save(Inifile_CL& ini, LogFile& log);
  // Empties the photo list; no photo is current afterwards.
  void Clear();
  // Appends a copy of item; currentItem keeps pointing at the current photo.
  void AddItem(PhotoItem item);

  // The stored size choice / output type when it is inside its table, else the default.
  int ValidResizeIndex() const;
  int ValidOutputType() const;

  int topMost = 0;
  int ResizeRadioIndex = kDefaultSizeChoice;
  int outputWidth = 320;
  int outputHeight = 240;
  int SaveDirTypeIndex = 1;
  std::wstring MakeFolder = L"Resized";
  int CheckAddFileNameTop = 0;
  std::wstring ValueAddFileNameTop = L"s_";
  int CheckAddFileNameBottom = 0;
  std::wstring ValueAddFileNameBottom = L"_s";
  int JpegQualityTypeIndex = 0;
  int JpegQuantization = 80;
  int JpegFileSize = 100;
  EffectParams globalEffect;
  EffectParams photoEffect;
  std::vector<PhotoItem> items;
  // The photo list's lock, re-entrant. A registration worker appends to `items` only while
  // holding it, and a reader on another thread (the strip's painter) holds it too, so it never
  // sees the vector being moved. Whoever holds it must not wait for the user-interface thread.
  mutable PhotoListLock itemsLock;
  CurrentPhotoLink currentItem;
  int currentIndex = -1;
  int refreshPending = 0;
  int OutputImageType = kDefaultOutputType;
  // 1: outputs keep the photo's EXIF (Orientation set to 1, no embedded thumbnail) and its
  // colour profile; 0: every piece of metadata is stripped.
  int KeepMetadata = 1;
  // 1: a photo already inside the box keeps its size instead of being enlarged to it.
  int NoEnlarge = 0;
  // 1: the preview shows the whole result fitted into the pane; 0: at its actual size.
  int PreviewFit = 0;
  // The box of "長辺を指定": a photo's long edge becomes this many pixels (kSmallestLongEdge..).
  int LongEdge = 1600;
  // "元のサイズの N %": both sides times N / 100 (kSmallestScalePercent..kLargestScalePercent).
  int ScalePercent = 50;
  // 1: an output's modification time is its photo's (or, with FileTimeFromExif, the date taken).
  int KeepFileTime = 1;
  // 1: a photo with an EXIF date taken gives its output that date, read as local time.
  int FileTimeFromExif = 0;
  // 1: kept EXIF loses its GPS tags (the date taken, camera and exposure stay).
  int RemoveGps = 0;
  // 1: a downscaled photo gets a mild unsharp mask; enlarged or kept-size photos never do.
  int Sharpen = 0;
  // 1: a photo whose output exists and was last written no earlier than the photo is skipped.
  int SkipDone = 0;
  // 1: the photo is scaled to cover the box and cut to exactly its size ("切り抜いてぴったりにする");
  // no effect with "サイズ変更無し" or a percent size.
  int CropToFill = 0;
  int CropAnchor = kCropCentre;
  // 1: with the target file size, no output is ever written larger than it: below the lowest
  // quality the picture is made smaller until it fits ("必ずこのサイズ以下にする").
  int TargetStrict = 0;
  // The folder of "フォルダを指定" (SaveDirTypeIndex 2), absolute.
  std::wstring OutputFolder;

private:
  // The values Save last wrote, in the order of the stored fields; empty before the first.
  std::vector<std::wstring> lastStored;
  bool saveFailureLogged = false;
};

