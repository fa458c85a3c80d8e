#pragma once
// What a conversion needs to know, as a plain value: the size, the output type and place, the
// names, the JPEG quality, the global effect and the options of the outputs. The engine takes
// it as a parameter (a batch keeps its own copy). Where each field is stored is said in one
// table, kStoredFields in engine/SaveData.cpp: its section and its key, which is not always
// the field's name (outputWidth is "ResizeResizeEditWidth").
#include <string>

#include "engine/OutputFormat.h"

// The colour effect of a photo, by the number the INI stores (EffectRadioIndex).
enum class ColourEffect : int { None = 0, GreyScale = 1, Sepia = 2 };
constexpr int kColourEffectCount = 3;

// Colour effect of a photo: the effect and the brightness and contrast changes.
struct EffectParams {
  ColourEffect EffectRadioIndex = ColourEffect::None;
  bool CheckBriteness = false;
  int ValueBriteness = 50;   // slider 0..100
  bool CheckContrast = false;
  int ValueContrast = 0;     // slider 0..100

  bool operator==(const EffectParams&) const = default;
};

// The size a photo is converted to, by the number the INI stores (ResizeRadioIndex): one of
// nine fixed boxes, the custom box (outputWidth x outputHeight), the photo's own size, the long
// edge made LongEdge pixels, or both sides scaled by ScalePercent.
enum class SizeChoice : int {
  Box1600x1200 = 0,
  Box1280x960 = 1,
  Box1024x768 = 2,
  Box800x600 = 3,
  Box640x480 = 4,
  Box480x480 = 5,
  Box320x240 = 6,
  Box160x120 = 7,
  Box80x60 = 8,
  Custom = 9,
  Keep = 10,
  LongEdge = 11,
  Percent = 12,
};
constexpr int kSizeChoiceCount = 13;
constexpr SizeChoice kDefaultSizeChoice = SizeChoice::Box800x600;

// A box a photo is fitted into (or cropped to fill).
struct SizeBox {
  int width;
  int height;
};
// The boxes of the nine fixed size choices, in their order.
constexpr SizeBox kFixedBoxes[] = {
    {1600, 1200}, {1280, 960}, {1024, 768}, {800, 600}, {640, 480}, {480, 480}, {320, 240}, {160, 120}, {80, 60},
};
constexpr int kFixedBoxCount = static_cast<int>(sizeof(kFixedBoxes) / sizeof(kFixedBoxes[0]));
static_assert(kFixedBoxCount == static_cast<int>(SizeChoice::Custom));

constexpr bool IsFixedBox(SizeChoice choice) {
  return static_cast<int>(choice) >= 0 && static_cast<int>(choice) < kFixedBoxCount;
}
// The nine boxes and the custom one: the choices a photo can be cropped to fill.
constexpr bool HasSizeBox(SizeChoice choice) { return IsFixedBox(choice) || choice == SizeChoice::Custom; }

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

// Where the outputs go, by the number the INI stores (SaveDirTypeIndex).
enum class OutputPlace : int {
  Desktop = 0,       // in the folder MakeFolder on the desktop
  BesideSource = 1,  // in the folder MakeFolder beside each photo
  ChosenFolder = 2,  // under OutputFolder, the photos' sub-folders kept
  // Each output takes its photo's place under the photo's name (the extension of its type), and
  // the photo goes to the Recycle Bin ("元の写真を置き換える（元はごみ箱へ）").
  ReplaceSource = 3,
};
constexpr int kOutputPlaceCount = 4;

// How the JPEG quality is set, by the number the INI stores (JpegQualityTypeIndex): a fixed
// quality (JpegQuantization), or the quality that brings each output near a target file size
// (JpegFileSize KB; TargetStrict makes it a limit).
enum class QualityMode : int { Fixed = 0, TargetSize = 1 };
constexpr int kQualityModeCount = 2;

// Whether a photo is fitted into its box or scaled to cover it and cut to exactly its size
// ("切り抜いてぴったりにする"), by the number the INI stores (CropToFill).
enum class FitOrFill : int { Fit = 0, Fill = 1 };
constexpr int kFitOrFillCount = 2;

// Where a photo cropped to fill its box is cut, by the number the INI stores (CropAnchor).
enum class FillAnchor : int {
  Centre = 0,
  Attention = 1,  // around what draws the eye
};
constexpr int kFillAnchorCount = 2;

struct ConvertSettings {
  bool operator==(const ConvertSettings&) const = default;

  SizeChoice ResizeRadioIndex = kDefaultSizeChoice;
  int outputWidth = 320;
  int outputHeight = 240;
  OutputPlace SaveDirTypeIndex = OutputPlace::BesideSource;
  std::wstring MakeFolder = L"Resized";
  bool CheckAddFileNameTop = false;
  std::wstring ValueAddFileNameTop = L"s_";
  bool CheckAddFileNameBottom = false;
  std::wstring ValueAddFileNameBottom = L"_s";
  QualityMode JpegQualityTypeIndex = QualityMode::Fixed;
  int JpegQuantization = 80;
  int JpegFileSize = 100;
  EffectParams globalEffect;
  OutputTypeChoice OutputImageType = kDefaultOutputType;
  // On: outputs keep the photo's EXIF (Orientation set to 1, no embedded thumbnail) and its
  // colour profile; off: every piece of metadata is stripped.
  bool KeepMetadata = true;
  // On: a photo already inside the box keeps its size instead of being enlarged to it.
  bool NoEnlarge = false;
  // The box of "長辺を指定": a photo's long edge becomes this many pixels (kSmallestLongEdge..).
  int LongEdge = 1600;
  // "元のサイズの N %": both sides times N / 100 (kSmallestScalePercent..kLargestScalePercent).
  int ScalePercent = 50;
  // On: an output's modification time is its photo's (or, with FileTimeFromExif, the date taken).
  bool KeepFileTime = true;
  // On: a photo with an EXIF date taken gives its output that date, read as local time.
  bool FileTimeFromExif = false;
  // On: kept EXIF loses its GPS tags (the date taken, camera and exposure stay).
  bool RemoveGps = false;
  // On: a downscaled photo gets a mild unsharp mask; enlarged or kept-size photos never do.
  bool Sharpen = false;
  // On: a photo whose output exists and was last written no earlier than the photo is skipped.
  bool SkipDone = false;
  // Fill has no effect with the size choices without a box (keep, long edge, percent).
  FitOrFill CropToFill = FitOrFill::Fit;
  FillAnchor CropAnchor = FillAnchor::Centre;
  // On: with the target file size, no output is ever written larger than it: below the lowest
  // quality the picture is made smaller until it fits ("必ずこのサイズ以下にする").
  bool TargetStrict = false;
  // The folder of "フォルダを指定" (OutputPlace::ChosenFolder), absolute.
  std::wstring OutputFolder;
  // On: an output that would be larger than its photo, when the photo's own file already is
  // what the settings ask for (its type, its size, its metadata), is the photo's own bytes
  // ("元より大きくしない"). SaveData_CL turns it on for a first start without a settings file.
  bool NeverLarger = false;
  // "ファイル名の形式": the outputs' names from text and tokens (engine/FileNamePattern) in place
  // of the prefix and the suffix; empty: the prefix and the suffix as they are switched on.
  std::wstring FileNamePattern;
};
