#pragma once
// What a conversion needs to know, as a plain value: the size, the output type and place, the
// names, the JPEG quality, the global effect and the options of the outputs. The engine takes
// it as a parameter (a batch keeps its own copy). Where each field is stored is said in one
// table, kStoredFields in engine/SaveData.cpp: its section and its key, which is not always
// the field's name (outputWidth is "ResizeResizeEditWidth").
#include <string>

#include "engine/OutputFormat.h"

// Colour effect of a photo; the field names are the INI keys of the global effect.
struct EffectParams {
  int EffectRadioIndex = 0;  // 0 none, 1 grey scale, 2 sepia
  int CheckBriteness = 0;
  int ValueBriteness = 50;   // slider 0..100
  int CheckContrast = 0;
  int ValueContrast = 0;     // slider 0..100
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
// Each output takes its photo's place under the photo's name (the extension of its type), and
// the photo goes to the Recycle Bin ("元の写真を置き換える（元はごみ箱へ）").
constexpr int kReplaceSource = 3;

// CropAnchor: where a photo cropped to fill its box is cut.
constexpr int kCropCentre = 0;
constexpr int kCropAttention = 1;  // around what draws the eye

struct ConvertSettings {
  // The stored size choice / output type when it is inside its table, else the default.
  int ValidResizeIndex() const;
  int ValidOutputType() const;

  int ResizeRadioIndex = kDefaultSizeChoice;
  int outputWidth = 320;
  int outputHeight = 240;
  int SaveDirTypeIndex = kSaveBesideSource;
  std::wstring MakeFolder = L"Resized";
  int CheckAddFileNameTop = 0;
  std::wstring ValueAddFileNameTop = L"s_";
  int CheckAddFileNameBottom = 0;
  std::wstring ValueAddFileNameBottom = L"_s";
  int JpegQualityTypeIndex = 0;
  int JpegQuantization = 80;
  int JpegFileSize = 100;
  EffectParams globalEffect;
  int OutputImageType = kDefaultOutputType;
  // 1: outputs keep the photo's EXIF (Orientation set to 1, no embedded thumbnail) and its
  // colour profile; 0: every piece of metadata is stripped.
  int KeepMetadata = 1;
  // 1: a photo already inside the box keeps its size instead of being enlarged to it.
  int NoEnlarge = 0;
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
  // 1: an output that would be larger than its photo, when the photo's own file already is
  // what the settings ask for (its type, its size, its metadata), is the photo's own bytes
  // ("元より大きくしない"). SaveData_CL turns it on for a first start without a settings file.
  int NeverLarger = 0;
  // "ファイル名の形式": the outputs' names from text and tokens (engine/FileNamePattern) in place
  // of the prefix and the suffix; empty: the prefix and the suffix as they are switched on.
  std::wstring FileNamePattern;
};
