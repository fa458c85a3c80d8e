#pragma once
// From a photo file to the finished picture that is encoded, all in libvips: read at the
// smallest scale that still covers the output size (JPEG shrink-on-load, WebP and AVIF
// scaled loads), scaled with a Lanczos filter, turned upright by the EXIF orientation and
// then by the user's rotation, the colour effect applied. A HEIC or HEIF is decoded by
// libheif (engine/HeifPhoto), which turns it upright by the file's own rotation, so its EXIF
// orientation is not applied again; the strip's thumbnail may come from the file's own.
//
// The finished picture is 8-bit sRGB held in memory: 3 bands, or 4 when the source has an
// alpha channel (PNG, WebP, GIF, TIFF with transparency); the encoder flattens alpha for the
// formats that have none. It keeps the source's EXIF (its orientation tag removed, the turn
// being done) for the encoder to keep or drop. A source with an embedded colour profile is
// converted from it to sRGB and carries the sRGB profile; one whose profile is an sRGB profile
// already (engine/IccProfile) keeps its pixels and that profile. Profiles that do not fit the
// pixels are dropped.
//
// Every function here may run on several threads at once; none sets libvips' concurrency
// (the batch does), and nothing is kept between photos.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/ConvertSettings.h"
#include "engine/PhotoFailure.h"
#include "engine/PhotoList.h"
#include "engine/VipsOwned.h"

// Photos of more pixels than this (stored size, or asked output size) are refused as
// TooLarge, from the file's header, before any pixel is decoded.
constexpr int64_t kMaxPhotoPixels = 300'000'000;

struct PreparedPhoto {
  VipsImagePtr picture;  // none unless failure is None
  PhotoFailure failure = PhotoFailure::None;
  std::wstring detail;   // libvips' own words or ours, for the log
  std::wstring warning;  // with a picture: what its decoder warned of, the picture whole (engine/DecoderWords)
};

// Size of a W x H picture fitted into a box: it touches the box on one side and keeps its
// aspect ratio. A picture without pixels, or a box without room, fits to 0 x 0.
struct FittedSize {
  int width;
  int height;
};
FittedSize FitSize(int width, int height, int boxWidth, int boxHeight);

// The output size of a photo whose upright size (turned by its EXIF orientation, then by the
// user's rotation) is uprightWidth x uprightHeight: fitted into the box of the settings' size
// choice or the custom box, inside LongEdge x LongEdge for "long edge", times ScalePercent / 100
// (rounded, at least 1) for "scale", or the upright size itself for "keep size". With NoEnlarge
// a photo already inside the box, or scaled above 100 %, keeps its size. 0 x 0 when the
// custom box has no room.
// With CropToFill and a box (one of the nine or the custom one), the photo covers the box and
// is cut to exactly its size, at the centre or, with FillAnchor::Attention, around what draws the eye.
// With NoEnlarge, a photo that does not cover the box is not enlarged: it is cut to the largest
// part of the box's aspect that it holds.
FittedSize OutputSize(int uprightWidth, int uprightHeight, const ConvertSettings& settings);

// The finished picture of `item` under `settings`: exactly OutputSize, turned upright by the
// EXIF orientation and then by item.rotation, with the photo's own effect or the global one;
// with settings.Sharpen a photo made smaller than it is gets a mild unsharp mask before the effect.
// A JPEG whose decoder only warns of something that leaves the picture whole (stray bytes
// before a marker, an odd APP0 or APP14) is taken, its `warning` saying so; engine/DecoderWords
// draws that line for every caller here.
// Failures: Unreadable (no photo, damaged, cut short, a format that is no photo), TooLarge
// (see kMaxPhotoPixels), Cancelled (`stop` became non-zero: every read of the file checks it
// and libvips' computation is killed, so a decode or a resize ends within a fraction of a
// second; a BMP, which GDI+ decodes, is read to its end). `stop` may be null; else it must
// stay alive until the call returns. A photo that could not be read carries libvips' words
// about this photo alone, however many photos are read at once.
//
// `in`: where the finished picture is left. In memory, as every caller but the batch wants it;
// or as a pipeline, which its one reader (an encoder) computes as it reads, so that decoding,
// scaling and encoding run in one pass with the encoder on a thread of its own. A pipeline's
// decode may still fail there, where a stop reaches it only through the file's reads; its
// reader tells such a failure from its own by preparing the photo again in memory.
enum class PictureIn { Memory, Pipeline };
PreparedPhoto PreparePhoto(const PhotoItem& item, const ConvertSettings& settings,
                           const std::atomic<int>* stop = nullptr, PictureIn in = PictureIn::Memory);

// What a photo's header tells before any pixel of it is decoded, for naming its output.
struct PhotoHeader {
  int uprightWidth = 0;  // turned by its EXIF orientation, then by the user's rotation
  int uprightHeight = 0;
  std::string dateTaken;  // its EXIF DateTimeOriginal as stored; empty when it has none
};
// Reads the header of the photo at `path` for `rotation`; false when it cannot be read.
bool ReadPhotoHeader(const std::wstring& path, int rotation, PhotoHeader& header);

// The strip's thumbnail of the photo at `path`: upright, turned by `rotation`, fitted into
// boxWidth x boxHeight and never enlarged; no effect. Same failures as PreparePhoto.
PreparedPhoto ThumbnailPhoto(const std::wstring& path, int rotation, int boxWidth, int boxHeight,
                             const std::atomic<int>* stop = nullptr);

// --- the two halves of PreparePhoto, for a caller that keeps the scaled photo ----------------
// The preview keeps its current photo read and scaled, so that a change of effect, quality or
// rotation starts from here instead of from the file.

// A photo read and scaled to its output size, as stored: not yet turned, no effect.
struct ScaledPhoto {
  VipsImagePtr scaled;  // none unless failure is None
  bool decoded = true;  // `scaled` is in memory (ScalePhoto's always is), not a decoder's pipeline
  PhotoFailure failure = PhotoFailure::None;
  std::wstring detail;
  std::wstring warning;  // as PreparedPhoto's
  int storedWidth = 0;  // the source's size as stored in the file
  int storedHeight = 0;
  bool turnsSides = false;  // its EXIF orientation is a quarter turn
  bool hasProfile = false;  // converted from its own colour profile to sRGB
  bool downscaled = false;  // scaled to less than it is (before any cut)
  VipsInteresting anchor = VIPS_INTERESTING_NONE;  // where it was cut to fill its box; none: not cut
};

// The effect PreparePhoto gives `item`: its own, or the settings' global one.
const EffectParams& PhotoEffect(const PhotoItem& item, const ConvertSettings& settings);
// PreparePhoto's reading and scaling of the photo at `path` for `rotation` and `settings`.
ScaledPhoto ScalePhoto(const std::wstring& path, int rotation, const ConvertSettings& settings,
                       const std::atomic<int>* stop = nullptr);
// Whether `photo` is scaled to exactly the size that `rotation` and `settings` ask for.
bool IsScaledFor(const ScaledPhoto& photo, int rotation, const ConvertSettings& settings);
// PreparePhoto's finishing of a scaled photo: upright by its EXIF orientation, then turned by
// `rotation`, with `effect` (none: the photo as it is), sharpened as settings.Sharpen asks
// when `sharpenDownscaled`. ScalePhoto's failure is passed on.
PreparedPhoto FinishPhoto(const ScaledPhoto& photo, int rotation, const EffectParams* effect,
                          bool sharpenDownscaled = false);

// --- several outputs from one read ------------------------------------------------------
// A batch that makes several outputs of each photo reads and decodes the photo once, at the
// smallest scale that still covers the largest of them (shrink-on-load), and makes every
// output from that picture: each comes out at the size, and very nearly the look, that
// PreparePhoto gives it alone.

// The photo read and scaled, as stored, to the largest size any of `outputs` (at least one)
// asks for, in memory; not cut, not turned. An output whose size cannot be made (0 x 0,
// TooLarge) is left out of the choice; FinishFor refuses it.
ScaledPhoto ScaleForOutputs(const PhotoItem& item, const std::vector<const ConvertSettings*>& outputs,
                            const std::atomic<int>* stop = nullptr);
// PreparePhoto's picture of `item` under `settings`, made from `read` (ScaleForOutputs' photo
// for a set of outputs that holds `settings`): scaled down from it, cut, turned and finished.
PreparedPhoto FinishFor(const ScaledPhoto& read, const PhotoItem& item, const ConvertSettings& settings,
                        const std::atomic<int>* stop = nullptr, PictureIn in = PictureIn::Memory);

// How many times this process has opened a photo file to decode it (every read counts, the
// strip's and the preview's too); tests count a batch's reads with it.
uint64_t PhotoReadsSoFar();
