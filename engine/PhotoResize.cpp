#include "engine/PhotoResize.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <utility>

#include "base/GpOwned.h"
#include "engine/DecoderWords.h"
#include "engine/FileSource.h"
#include "engine/HeifPhoto.h"
#include "engine/OutputFileTime.h"
#include "engine/IccProfile.h"
#include "engine/PhotoEffects.h"
#include "engine/PhotoSharpen.h"
#include "engine/StopFlag.h"
#include "engine/VipsBitmap.h"
#include "engine/VipsErrors.h"

namespace {

// a x b / c with truncation toward zero, wide enough that large photos cannot overflow.
int Scale(int a, int b, int c) {
  return static_cast<int>(static_cast<int64_t>(a) * static_cast<int64_t>(b) / static_cast<int64_t>(c));
}

// --- sizes ------------------------------------------------------------------------------

// Fitted into the box, or left as it is when `keepInside` and it already lies inside the box.
FittedSize FitUnlessInside(FittedSize picture, int boxWidth, int boxHeight, bool keepInside) {
  if (keepInside && picture.width <= boxWidth && picture.height <= boxHeight) return picture;
  return FitSize(picture.width, picture.height, boxWidth, boxHeight);
}

FittedSize Across(FittedSize size) { return {size.height, size.width}; }

// a x percent / 100, rounded to the nearest pixel, at least one.
int Percent(int a, int percent) {
  const int64_t scaled = (static_cast<int64_t>(a) * percent + 50) / 100;
  return scaled < 1 ? 1 : static_cast<int>(std::min<int64_t>(scaled, INT32_MAX));
}

// Both sides times percent / 100; a photo that would grow stays as it is when `noEnlarge`.
FittedSize ScaledBy(FittedSize picture, int percent, bool noEnlarge) {
  if (percent <= 0 || (noEnlarge && percent > 100)) return picture;
  return {Percent(picture.width, percent), Percent(picture.height, percent)};
}

// a x b / c rounded to the nearest pixel, wide enough that large photos cannot overflow.
int64_t RoundedScale(int64_t a, int64_t b, int64_t c) { return (a * b + c / 2) / c; }

int Clamped(int64_t value, int least, int most) {
  return static_cast<int>(std::max<int64_t>(least, std::min<int64_t>(value, most)));
}

// The picture is wider than the box, by their aspect ratios (a square one in a square box too).
bool WiderThan(FittedSize picture, FittedSize box) {
  return int64_t{picture.width} * box.height >= int64_t{picture.height} * box.width;
}

// The smallest size of the picture's aspect that covers the box: one side the box's, the other
// at least the box's.
FittedSize CoverSize(FittedSize picture, FittedSize box) {
  if (WiderThan(picture, box))
    return {Clamped(RoundedScale(picture.width, box.height, picture.height), box.width, INT32_MAX), box.height};
  return {box.width, Clamped(RoundedScale(picture.height, box.width, picture.width), box.height, INT32_MAX)};
}

// The largest size of the box's aspect that lies inside the picture, at least one pixel a side.
FittedSize BoxAspectInside(FittedSize picture, FittedSize box) {
  if (WiderThan(picture, box))
    return {Clamped(RoundedScale(picture.height, box.width, box.height), 1, picture.width), picture.height};
  return {picture.width, Clamped(RoundedScale(picture.width, box.height, box.width), 1, picture.height)};
}

bool Inside(FittedSize picture, FittedSize room) {
  return picture.width <= room.width && picture.height <= room.height;
}

bool SameSize(FittedSize a, FittedSize b) { return a.width == b.width && a.height == b.height; }

// How a photo comes out: scaled to `scaled`, then `cut` cut out of that (at the anchor), then
// the cut scaled to `output`. Without a cut all three are the same.
struct SizePlan {
  FittedSize scaled;
  FittedSize cut;
  FittedSize output;
};

SizePlan Uncut(FittedSize size) { return {size, size, size}; }

SizePlan Across(const SizePlan& plan) { return {Across(plan.scaled), Across(plan.cut), Across(plan.output)}; }

// Cropped to fill the box. A photo that covers the box is scaled down to cover it (read at the
// smallest scale that still does) and cut to it. A photo that does not is cut first, at its own
// size, to the box's aspect, and that cut is enlarged to the box, so the enlargement is never
// larger than the box; with `noEnlarge` the cut stays as it is.
SizePlan FillPlan(FittedSize upright, FittedSize box, bool noEnlarge) {
  if (box.width <= 0 || box.height <= 0) return Uncut({0, 0});
  const FittedSize cover = CoverSize(upright, box);
  if (Inside(cover, upright)) return {cover, box, box};
  const FittedSize cut = BoxAspectInside(upright, box);
  return {upright, cut, noEnlarge ? cut : box};
}

// The user's rotation, quarter turns clockwise; other values turn nothing.
bool TurnsSides(int rotation) { return rotation == 1 || rotation == 3; }

bool TooManyPixels(int64_t width, int64_t height) { return width * height > kMaxPhotoPixels; }

std::wstring SizeText(int64_t width, int64_t height) {
  return std::to_wstring(width) + L"×" + std::to_wstring(height);
}

// --- the source file --------------------------------------------------------------------

// The loaders of the photo formats the program converts, by the start of their class names.
// libvips reads more (SVG, PDF, its own formats, ...); those files are not taken as photos.
constexpr const char* kPhotoLoaders[] = {
    "VipsForeignLoadJpeg", "VipsForeignLoadUhdr",  "VipsForeignLoadPng",  "VipsForeignLoadWebp",
    "VipsForeignLoadGif",  "VipsForeignLoadNsgif", "VipsForeignLoadTiff", "VipsForeignLoadHeif",
};

bool StartsWith(const char* text, const char* start) { return std::strncmp(text, start, std::strlen(start)) == 0; }

bool IsPhotoLoader(const char* loader) {
  for (const char* known : kPhotoLoaders)
    if (StartsWith(loader, known)) return true;
  return false;
}

// libjpeg reports damage inside the compressed data (garbage, a file cut short) as warnings
// only, so JPEG files are first read failing on warnings. libpng and the others report damage
// as errors and warn about harmless things (a colour profile libpng thinks wrong), so they fail
// on errors.
bool FailsOnWarnings(const char* loader) {
  return StartsWith(loader, "VipsForeignLoadJpeg") || StartsWith(loader, "VipsForeignLoadUhdr");
}

std::wstring AsciiText(const char* text) { return std::wstring(text, text + std::strlen(text)); }

// How a photo is read: failing on any warning of libjpeg, as every photo is first; or failing
// only on a file cut short and on errors, as a photo that failed so is read once more, alone,
// for JudgeDecoderWords to weigh what the reader says (ReadJudged).
enum class Reading { Strict, Lenient };

// The photo file as its header describes it.
struct Source {
  VipsSourcePtr file;                           // libvips reads the photo from here
  bool viaGdiplus = false;                      // a BMP: this libvips has no reader for it
  const char* loaderOptions = "fail_on=error";  // see FailsOnWarnings
  int64_t width = 0;                            // as stored, before any turn
  int64_t height = 0;
  bool turnsSides = false;  // the EXIF orientation is one of the quarter turns (5..8)
  int orientation = 1;      // the EXIF orientation, 1 (upright as stored) to 8
  bool hasProfile = false;  // an embedded colour profile that fits the pixels
  bool srgbProfile = false;  // ... and it is an sRGB one: the pixels are sRGB as they are
  std::unique_ptr<HeifPhoto> heif;  // a HEIC or HEIF: libheif reads it, not libvips
  VipsImagePtr heifPicture;         // its picture, decoded whole (or its thumbnail)
  std::wstring warning;             // what its decoder said about a picture that came out whole
  std::string dateTaken;            // EXIF DateTimeOriginal as stored; empty when none
};

PreparedPhoto Refused(PhotoFailure failure, std::wstring detail) {
  PreparedPhoto refused;
  refused.failure = failure;
  refused.detail = std::move(detail);
  return refused;
}

bool Refusal(const PreparedPhoto& outcome) { return outcome.failure != PhotoFailure::None; }

uint32_t Little32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
uint16_t Little16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// The size in a BMP file's header (BITMAPCOREHEADER, or BITMAPINFOHEADER and its successors,
// whose height is negative for top-down rows). False when the file is no BMP.
bool ReadBmpSize(VipsSource* file, int64_t& width, int64_t& height) {
  constexpr uint32_t kCoreHeaderSize = 12;
  constexpr uint32_t kInfoHeaderSize = 40;
  constexpr gint64 kHeaderBytes = 26;
  unsigned char* header = nullptr;
  const gint64 read = vips_source_sniff_at_most(file, &header, kHeaderBytes);
  if (read < 22 || header[0] != 'B' || header[1] != 'M') return false;
  const uint32_t infoSize = Little32(header + 14);
  if (infoSize == kCoreHeaderSize) {
    width = Little16(header + 18);
    height = Little16(header + 20);
    return true;
  }
  if (infoSize < kInfoHeaderSize || read < kHeaderBytes) return false;
  width = static_cast<int32_t>(Little32(header + 18));
  height = static_cast<int32_t>(Little32(header + 22));
  if (height < 0) height = -height;
  return width > 0;
}

PreparedPhoto ReadBitmapSource(Source& source, std::wstring libvipsWords) {
  if (!ReadBmpSize(source.file.get(), source.width, source.height))
    return Refused(PhotoFailure::Unreadable, std::move(libvipsWords));
  source.viaGdiplus = true;
  return {};
}

// The embedded colour profile of `header` into `source`: whether there is one that fits the
// pixels, and whether it is an sRGB one.
void ReadProfile(VipsImage* header, Source& source) {
  const void* data = nullptr;
  size_t size = 0;
  source.hasProfile = vips_image_get_typeof(header, VIPS_META_ICC_NAME) &&
                      vips_image_get_blob(header, VIPS_META_ICC_NAME, &data, &size) == 0 &&
                      vips_icc_is_compatible_profile(header, data, size) != FALSE;
  source.srgbProfile = source.hasProfile && IsSrgbProfile(data, size);
}

// A profile other than sRGB's: the pixels are converted from it to sRGB.
bool ConvertsProfile(const Source& source) { return source.hasProfile && !source.srgbProfile; }

// A HEIF whose pictures are HEVC, as its "ftyp" box says; libvips takes it for its own
// (AVIF) reader, which cannot decode it.
bool IsHeifPhoto(VipsSource* file, const char* loader) {
  constexpr gint64 kBrandBytes = 64;
  unsigned char* head = nullptr;
  if (!StartsWith(loader, "VipsForeignLoadHeif")) return false;
  const gint64 read = vips_source_sniff_at_most(file, &head, kBrandBytes);
  return read > 0 && IsHeifPhotoHeader(head, static_cast<std::size_t>(read));
}

PreparedPhoto ReadHeifSource(const std::wstring& path, const std::atomic<int>* stop, Source& source) {
  source.file.reset();
  source.heif = std::make_unique<HeifPhoto>();
  std::wstring why;
  const PhotoFailure failure = source.heif->Open(path, stop, why);
  if (failure != PhotoFailure::None) return Refused(failure, std::move(why));
  source.width = source.heif->Width();
  source.height = source.heif->Height();
  return {};
}

std::atomic<uint64_t> photoReads{0};

// Reads the header of the photo at `path` into `source`: only the header, no pixels.
PreparedPhoto ReadSource(const std::wstring& path, const std::atomic<int>* stop, Reading reading, Source& source) {
  ++photoReads;
  std::wstring why;
  source.file = OpenFileSource(path, stop, why);
  if (!source.file) return Refused(PhotoFailure::Unreadable, std::move(why));
  const char* const loader = vips_foreign_find_load_source(source.file.get());
  if (loader == nullptr) return ReadBitmapSource(source, TakeVipsError());
  if (IsHeifPhoto(source.file.get(), loader)) return ReadHeifSource(path, stop, source);
  if (!IsPhotoLoader(loader))
    return Refused(PhotoFailure::Unreadable, L"写真として扱わない形式です: " + AsciiText(loader));
  if (reading == Reading::Strict && FailsOnWarnings(loader)) source.loaderOptions = "fail_on=warning";
  const VipsImagePtr header(vips_image_new_from_source(source.file.get(), source.loaderOptions, nullptr));
  if (!header) return Refused(PhotoFailure::Unreadable, TakeVipsError());
  source.width = vips_image_get_width(header.get());
  source.height = vips_image_get_height(header.get());
  source.turnsSides = vips_image_get_orientation_swap(header.get()) != FALSE;
  source.orientation = vips_image_get_orientation(header.get());
  source.dateTaken = DateTakenText(header.get());
  ReadProfile(header.get(), source);
  return {};
}

// --- pixels -----------------------------------------------------------------------------

// The file loaded at the smallest scale that covers `size` and scaled to exactly `size`, as
// stored (not turned). A fitting embedded profile is converted to sRGB on the way.
VipsImagePtr ScaledFile(const Source& source, FittedSize size) {
  VipsImagePtr scaled;
  VipsSource* const file = source.file.get();
  const char* const options = source.loaderOptions;  // thumbnail_source hands loaders these, not its fail_on
  const int failed =
      ConvertsProfile(source)
          ? vips_thumbnail_source(file, scaled.receive(), size.width, "height", size.height, "size", VIPS_SIZE_FORCE,
                                  "no_rotate", TRUE, "option_string", options, "output_profile", "srgb", nullptr)
          : vips_thumbnail_source(file, scaled.receive(), size.width, "height", size.height, "size", VIPS_SIZE_FORCE,
                                  "no_rotate", TRUE, "option_string", options, nullptr);
  if (failed != 0) scaled.reset();
  return scaled;
}

// A BMP read by GDI+ and scaled to exactly `size`.
VipsImagePtr ScaledBitmap(const std::wstring& path, FittedSize size) {
  GpBitmapPtr bitmap;
  if (gp::GdipCreateBitmapFromFile(path.c_str(), bitmap.receive()) != Gdiplus::Ok) return {};
  const VipsImagePtr pixels = FromGdiplusBitmap(bitmap.get());
  bitmap.reset();
  if (!pixels) return {};
  VipsImagePtr scaled;
  if (vips_thumbnail_image(pixels.get(), scaled.receive(), size.width, "height", size.height, "size",
                           VIPS_SIZE_FORCE, nullptr) != 0)
    scaled.reset();
  return scaled;
}

// A HEIF's picture scaled to exactly `size`, as stored (libheif turned it upright already).
VipsImagePtr ScaledHeif(const Source& source, FittedSize size) {
  VipsImage* const picture = source.heifPicture.get();
  VipsImagePtr scaled;
  const int failed =
      ConvertsProfile(source)
          ? vips_thumbnail_image(picture, scaled.receive(), size.width, "height", size.height, "size", VIPS_SIZE_FORCE,
                                 "no_rotate", TRUE, "output_profile", "srgb", nullptr)
          : vips_thumbnail_image(picture, scaled.receive(), size.width, "height", size.height, "size", VIPS_SIZE_FORCE,
                                 "no_rotate", TRUE, nullptr);
  if (failed != 0) scaled.reset();
  return scaled;
}

// While it lives, a stop kills the computation of `image`: libvips checks between tiles and
// gives up. Together with the file's reads, which fail once stopped, this ends a decode or a
// resize within a fraction of a second.
class KillOnStop {
public:
  KillOnStop(VipsImage* image, const std::atomic<int>* stop) : image(image) {
    if (image == nullptr || stop == nullptr) return;
    vips_image_set_progress(image, TRUE);
    handler = g_signal_connect(image, "eval", reinterpret_cast<GCallback>(&OnEval), const_cast<std::atomic<int>*>(stop));
  }
  ~KillOnStop() {
    if (handler != 0) g_signal_handler_disconnect(image, handler);
  }
  KillOnStop(const KillOnStop&) = delete;
  KillOnStop& operator=(const KillOnStop&) = delete;

private:
  static void OnEval(VipsImage* image, VipsProgress*, gpointer stop) {
    if (static_cast<const std::atomic<int>*>(stop)->load() != 0) vips_image_set_kill(image, TRUE);
  }

  VipsImage* image;
  gulong handler = 0;
};

// A picture of at most this many pixels (a thumbnail) is computed on the calling thread, in one
// piece: waking libvips' worker threads for it costs more than they save, and the strip
// decodes several photos at once on threads of its own.
constexpr int64_t kComputedHereMostPixels = 320 * 240;

// `picture` computed into a new memory image on this thread, its metadata with it.
VipsImagePtr ComputedHere(VipsImage* picture) {
  const int width = vips_image_get_width(picture);
  const int height = vips_image_get_height(picture);
  const VipsRegionPtr region(vips_region_new(picture));
  VipsRect all{0, 0, width, height};
  if (!region || vips_region_prepare(region.get(), &all) != 0) return {};
  VipsImagePtr memory(vips_image_new_memory());
  if (!memory || vips_image_pipelinev(memory.get(), VIPS_DEMAND_STYLE_ANY, picture, nullptr) != 0 ||
      vips_image_write_prepare(memory.get()) != 0)
    return {};
  for (int y = 0; y < height; ++y)
    if (vips_image_write_line(memory.get(), y, VIPS_REGION_ADDR(region.get(), 0, y)) != 0) return {};
  return memory;
}

// `picture` computed into memory. A stop ends a large computation early (and fails it); a
// thumbnail-sized one takes milliseconds once its file is read, and a stop during the read
// fails the file's next read.
VipsImagePtr Computed(VipsImage* picture, const std::atomic<int>* stop) {
  if (int64_t{vips_image_get_width(picture)} * vips_image_get_height(picture) <= kComputedHereMostPixels)
    return ComputedHere(picture);
  const KillOnStop watch(picture, stop);
  return VipsImagePtr(vips_image_copy_memory(picture));
}

VipsAngle QuarterTurns(int rotation) {
  switch (rotation) {
    case 1: return VIPS_ANGLE_D90;
    case 2: return VIPS_ANGLE_D180;
    case 3: return VIPS_ANGLE_D270;
    default: return VIPS_ANGLE_D0;
  }
}

// Turned by its EXIF orientation (the tag is removed), then by the user's `rotation`.
VipsImagePtr Upright(VipsImage* picture, int rotation) {
  VipsImagePtr upright;
  if (vips_autorot(picture, upright.receive(), nullptr) != 0) return {};
  if (QuarterTurns(rotation) == VIPS_ANGLE_D0) return upright;
  VipsImagePtr turned;
  if (vips_rot(upright.get(), turned.receive(), QuarterTurns(rotation), nullptr) != 0) turned.reset();
  return turned;
}

// The metadata the encoder chooses from: the EXIF stays; the colour profile only when it is
// the sRGB profile the pixels were converted to; no orientation (the turn is done) and no
// HDR gain map (the picture is the plain one).
VipsImagePtr Tagged(VipsImage* picture, bool keepProfile) {
  VipsImagePtr tagged;
  if (vips_copy(picture, tagged.receive(), nullptr) != 0) return {};
  if (!keepProfile) vips_image_remove(tagged.get(), VIPS_META_ICC_NAME);
  vips_image_remove(tagged.get(), VIPS_META_ORIENTATION);
  vips_image_remove(tagged.get(), "gainmap");
  return tagged;
}

// From the decoded, scaled picture to the finished one, in memory or as a pipeline (`in`).
VipsImagePtr Finished(VipsImage* decoded, int rotation, const EffectParams* effect, bool keepProfile, bool sharpen,
                      const std::atomic<int>* stop, PictureIn in) {
  VipsImagePtr picture = InSrgbBytes(decoded);
  if (picture) picture = Upright(picture.get(), rotation);
  if (picture && sharpen) picture = SharpenedAfterDownscale(picture.get());
  if (picture && effect != nullptr) picture = ApplyEffects(picture.get(), *effect);
  if (picture) picture = Tagged(picture.get(), keepProfile);
  if (!picture || in == PictureIn::Pipeline) return picture;
  return Computed(picture.get(), stop);
}

// A libvips step that failed: Cancelled when a stop was asked for, else Unreadable in
// libvips' words (or `ours` when there are none to be had).
PreparedPhoto Failed(const std::atomic<int>* stop, const wchar_t* ours) {
  std::wstring words = TakeVipsError();
  if (Stopped(stop)) return Refused(PhotoFailure::Cancelled, {});
  return Refused(PhotoFailure::Unreadable, words.empty() ? std::wstring(ours) : std::move(words));
}

// None when a picture of `target` can be made, else why not.
PreparedPhoto CheckTarget(FittedSize target) {
  if (target.width <= 0 || target.height <= 0) return Refused(PhotoFailure::Unreadable, L"出力の大きさが 0 です");
  if (TooManyPixels(target.width, target.height) || target.width > VIPS_MAX_COORD || target.height > VIPS_MAX_COORD)
    return Refused(PhotoFailure::TooLarge, L"出力が " + SizeText(target.width, target.height) + L" 画素になります");
  return {};
}

VipsImagePtr Scaled(const std::wstring& path, const Source& source, FittedSize storedTarget) {
  if (source.heif) return ScaledHeif(source, storedTarget);
  return source.viaGdiplus ? ScaledBitmap(path, storedTarget) : ScaledFile(source, storedTarget);
}

// A HEIF's picture decoded into `source`: for the strip (`forStrip`), its embedded thumbnail
// when that covers `storedTarget`; else the whole primary image. libheif starts as many
// decode threads as libvips may use (one per worker in a batch of several), and one for the
// strip, whose decoder runs several photos at once already.
PreparedPhoto DecodeHeif(Source& source, FittedSize storedTarget, bool forStrip, const std::atomic<int>* stop) {
  std::wstring why;
  if (forStrip) source.heifPicture = source.heif->CoveringThumbnail(storedTarget.width, storedTarget.height, why);
  if (!source.heifPicture) {
    why.clear();  // the thumbnail's
    source.heifPicture = source.heif->Decode(forStrip ? 1 : vips_concurrency_get(), why);
  }
  if (Stopped(stop)) return Refused(PhotoFailure::Cancelled, {});
  if (!source.heifPicture) return Refused(PhotoFailure::Unreadable, std::move(why));
  // With a picture, `why` is a warning about it (an EXIF block that could not be read).
  if (!why.empty() && JudgeDecoderWords(why, 1) == DecoderVerdict::Damaged)
    return Refused(PhotoFailure::Unreadable, std::move(why));
  source.warning = DistinctWords(why);
  ReadProfile(source.heifPicture.get(), source);
  return {};
}

// How a photo comes out, from its upright size.
using SizeRule = std::function<SizePlan(FittedSize upright)>;

// `picture` (scaled to `size`) with `cut` cut out of it: at the centre, or around what draws
// the eye, which libvips finds on the whole picture, so that is computed into memory first.
VipsImagePtr Cut(VipsImage* picture, FittedSize cut, VipsInteresting anchor, const std::atomic<int>* stop) {
  VipsImagePtr whole = anchor == VIPS_INTERESTING_ATTENTION ? Computed(picture, stop) : ShareImage(picture);
  VipsImagePtr done;
  if (whole && vips_smartcrop(whole.get(), done.receive(), cut.width, cut.height, "interesting", anchor, nullptr) != 0)
    done.reset();
  return done;
}

// A cut scaled to exactly `size`.
VipsImagePtr ScaledCut(VipsImage* cut, FittedSize size) {
  VipsImagePtr scaled;
  if (vips_thumbnail_image(cut, scaled.receive(), size.width, "height", size.height, "size", VIPS_SIZE_FORCE,
                           "no_rotate", TRUE, nullptr) != 0)
    scaled.reset();
  return scaled;
}

// The scaled picture cut and scaled again as `plan` asks.
VipsImagePtr Planned(VipsImagePtr scaled, const SizePlan& plan, VipsInteresting anchor, const std::atomic<int>* stop) {
  if (scaled && !SameSize(plan.cut, plan.scaled)) scaled = Cut(scaled.get(), plan.cut, anchor, stop);
  if (scaled && !SameSize(plan.output, plan.cut)) scaled = ScaledCut(scaled.get(), plan.output);
  return scaled;
}

// A picture made smaller than the photo: no side grew and at least one shrank.
bool Downscaled(FittedSize from, FittedSize to) {
  return to.width <= from.width && to.height <= from.height && (to.width < from.width || to.height < from.height);
}

// --- the two halves, for a caller that keeps the scaled photo --------------------------

ScaledPhoto Unscaled(PreparedPhoto refusal) {
  ScaledPhoto photo;
  photo.failure = refusal.failure;
  photo.detail = std::move(refusal.detail);
  return photo;
}

// The stored-orientation sizes a photo is scaled and cut to before it is turned, as RenderOnce
// finds them.
SizePlan StoredTarget(int64_t storedWidth, int64_t storedHeight, bool sourceTurnsSides, int rotation,
                      const SizeRule& sizeFor) {
  const bool storedAcross = sourceTurnsSides != TurnsSides(rotation);
  const FittedSize stored{static_cast<int>(storedWidth), static_cast<int>(storedHeight)};
  const SizePlan target = sizeFor(storedAcross ? Across(stored) : stored);
  return storedAcross ? Across(target) : target;
}

// Where ScaleOnce leaves the scaled picture: computed into memory, as the preview keeps it; or,
// for a photo that is finished at once, as the decoder's pipeline, which the finish computes in
// the same pass. A photo to be turned is computed into memory either way: a turn reads the
// picture out of the order the decoder gives it.
enum class ScaledAs { Memory, Pipeline };

// The photo at `path` read and scaled for `rotation`, not yet turned or finished.
// `forStrip`: the strip's thumbnail, for which a picture the file holds for thumbnails serves
// when it is large enough.
ScaledPhoto ScaleOnce(const std::wstring& path, int rotation, const SizeRule& sizeFor, VipsInteresting anchor,
                      bool forStrip, const std::atomic<int>* stop, ScaledAs as, Reading reading) {
  if (Stopped(stop)) return Unscaled(Refused(PhotoFailure::Cancelled, {}));
  Source source;
  PreparedPhoto outcome = ReadSource(path, stop, reading, source);
  if (Refusal(outcome) && Stopped(stop)) return Unscaled(Refused(PhotoFailure::Cancelled, {}));
  if (Refusal(outcome)) return Unscaled(std::move(outcome));
  if (TooManyPixels(source.width, source.height))
    return Unscaled(Refused(PhotoFailure::TooLarge, SizeText(source.width, source.height) + L" 画素の写真です"));
  const SizePlan target = StoredTarget(source.width, source.height, source.turnsSides, rotation, sizeFor);
  outcome = CheckTarget(target.scaled);
  if (!Refusal(outcome)) outcome = CheckTarget(target.output);
  if (Refusal(outcome)) return Unscaled(std::move(outcome));
  if (source.heif) outcome = DecodeHeif(source, target.scaled, forStrip, stop);
  if (Refusal(outcome)) return Unscaled(std::move(outcome));

  ScaledPhoto photo;
  photo.storedWidth = static_cast<int>(source.width);
  photo.storedHeight = static_cast<int>(source.height);
  photo.turnsSides = source.turnsSides;
  photo.hasProfile = source.hasProfile;
  photo.anchor = anchor;
  photo.warning = source.warning;
  photo.downscaled = Downscaled({photo.storedWidth, photo.storedHeight}, target.scaled);
  VipsImagePtr scaled = Planned(Scaled(path, source, target.scaled), target, anchor, stop);
  photo.decoded = as == ScaledAs::Memory || source.orientation != 1 || QuarterTurns(rotation) != VIPS_ANGLE_D0;
  photo.scaled = !scaled ? VipsImagePtr() : photo.decoded ? Computed(scaled.get(), stop) : std::move(scaled);
  if (!photo.scaled || Stopped(stop)) return Unscaled(Failed(stop, L"写真を読み込めません"));
  return photo;
}

// The scaled photo turned, given its effect (and, after a downscale, sharpened when asked)
// and finished, in memory or as a pipeline (`in`).
PreparedPhoto FinishScaled(const ScaledPhoto& photo, int rotation, const EffectParams* effect, bool sharpenDownscaled,
                           const std::atomic<int>* stop, PictureIn in = PictureIn::Memory) {
  if (photo.failure != PhotoFailure::None) return Refused(photo.failure, photo.detail);
  const bool sharpen = sharpenDownscaled && photo.downscaled;
  PreparedPhoto outcome;
  outcome.warning = photo.warning;
  if (photo.scaled)
    outcome.picture = Finished(photo.scaled.get(), rotation, effect, photo.hasProfile, sharpen, stop, in);
  if (!outcome.picture || Stopped(stop))
    return Failed(stop, photo.decoded ? L"写真を仕上げられません" : L"写真を読み込めません");
  return outcome;
}

// `sharpenDownscaled`: a photo that comes out smaller than it is gets a mild unsharp mask. A
// lenient reading is finished in memory, so that all its reader says is said before it returns.
PreparedPhoto RenderOnce(const std::wstring& path, int rotation, const SizeRule& sizeFor, VipsInteresting anchor,
                         const EffectParams* effect, bool forStrip, const std::atomic<int>* stop, bool sharpenDownscaled,
                         PictureIn in, Reading reading) {
  return FinishScaled(ScaleOnce(path, rotation, sizeFor, anchor, forStrip, stop, ScaledAs::Pipeline, reading),
                      rotation, effect, sharpenDownscaled, stop, reading == Reading::Lenient ? PictureIn::Memory : in);
}

// `read` strictly, alongside other photos. A photo that cannot be read so is read once more,
// alone and leniently: libvips' words and its reader's count of warnings are then about this
// photo and no other, and JudgeDecoderWords says whether its picture is whole. A whole one is
// taken with its warning for the log; any other is refused in the reader's words.
template <typename Outcome>
Outcome ReadJudged(const std::function<Outcome(Reading)>& read, const std::atomic<int>* stop) {
  {
    const VipsSharedWork shared;
    Outcome outcome = read(Reading::Strict);
    if (outcome.failure != PhotoFailure::Unreadable || Stopped(stop)) return outcome;
  }
  const VipsAloneWork alone;
  VipsLogLines logLines;
  Outcome outcome = read(Reading::Lenient);
  if (outcome.failure == PhotoFailure::Unreadable) outcome.detail = DistinctWords(outcome.detail);
  if (outcome.failure != PhotoFailure::None) return outcome;
  const std::wstring words = TakeVipsError();
  const int warnings = MostReaderWarnings(logLines.Take());
  if (JudgeDecoderWords(words, warnings) == DecoderVerdict::Damaged) {
    Outcome damaged;
    damaged.failure = PhotoFailure::Unreadable;
    damaged.detail = DistinctWords(words);
    // libvips shows the first warning only: the others, damage among them, go unnamed.
    if (warnings > 1) damaged.detail += L" ほか " + std::to_wstring(warnings - 1) + L" 件の警告";
    return damaged;
  }
  if (!words.empty()) outcome.warning = DistinctWords(words);
  return outcome;
}

PreparedPhoto Render(const std::wstring& path, int rotation, const SizeRule& sizeFor, VipsInteresting anchor,
                     const EffectParams* effect, bool forStrip, const std::atomic<int>* stop,
                     bool sharpenDownscaled = false, PictureIn in = PictureIn::Memory) {
  return ReadJudged<PreparedPhoto>(
      [&](Reading reading) {
        return RenderOnce(path, rotation, sizeFor, anchor, effect, forStrip, stop, sharpenDownscaled, in, reading);
      },
      stop);
}

bool FillsBox(const ConvertSettings& settings) {
  return settings.CropToFill == FitOrFill::Fill && HasSizeBox(settings.ResizeRadioIndex);
}

FittedSize BoxOf(const ConvertSettings& settings) {
  const SizeChoice choice = settings.ResizeRadioIndex;
  if (IsFixedBox(choice)) {
    const SizeBox box = kFixedBoxes[static_cast<int>(choice)];
    return {box.width, box.height};
  }
  return {settings.outputWidth, settings.outputHeight};
}

// Where a photo cropped to fill is cut; none when the settings do not crop.
VipsInteresting AnchorOf(const ConvertSettings& settings) {
  if (!FillsBox(settings)) return VIPS_INTERESTING_NONE;
  return settings.CropAnchor == FillAnchor::Attention ? VIPS_INTERESTING_ATTENTION : VIPS_INTERESTING_CENTRE;
}

SizePlan PlanFor(FittedSize upright, const ConvertSettings& settings) {
  if (upright.width <= 0 || upright.height <= 0) return Uncut({0, 0});
  const SizeChoice choice = settings.ResizeRadioIndex;
  const bool noEnlarge = settings.NoEnlarge;
  if (choice == SizeChoice::Keep) return Uncut(upright);
  if (choice == SizeChoice::Percent) return Uncut(ScaledBy(upright, settings.ScalePercent, noEnlarge));
  if (choice == SizeChoice::LongEdge)
    return Uncut(FitUnlessInside(upright, settings.LongEdge, settings.LongEdge, noEnlarge));
  const FittedSize box = BoxOf(settings);
  if (FillsBox(settings)) return FillPlan(upright, box, noEnlarge);
  return Uncut(FitUnlessInside(upright, box.width, box.height, noEnlarge));
}

SizeRule OutputSizeRule(const ConvertSettings& settings) {
  return [&settings](FittedSize upright) { return PlanFor(upright, settings); };
}

int64_t Area(FittedSize size) { return int64_t{size.width} * size.height; }

// The largest picture any of the outputs is scaled to before its cut, among those that can be
// made. Every one is the photo's own aspect (or the photo itself), so the largest covers all.
SizeRule LargestOutputRule(const std::vector<const ConvertSettings*>& outputs) {
  return [&outputs](FittedSize upright) {
    FittedSize largest{0, 0};
    for (const ConvertSettings* settings : outputs) {
      const SizePlan plan = PlanFor(upright, *settings);
      if (Refusal(CheckTarget(plan.scaled)) || Refusal(CheckTarget(plan.output))) continue;
      if (Area(plan.scaled) > Area(largest)) largest = plan.scaled;
    }
    return Uncut(largest);
  };
}

}  // namespace

FittedSize FitSize(int width, int height, int boxWidth, int boxHeight) {
  if (width <= 0 || height <= 0 || boxWidth <= 0 || boxHeight <= 0) return {0, 0};
  FittedSize size{};
  if (width < height) {  // portrait: fill the box height first
    size = {Scale(width, boxHeight, height), boxHeight};
    if (boxWidth < size.width) size = {boxWidth, Scale(height, boxWidth, width)};
  } else {  // landscape or square: fill the box width first
    size = {boxWidth, Scale(height, boxWidth, width)};
    if (boxHeight < size.height) size = {Scale(width, boxHeight, height), boxHeight};
  }
  // A very long, thin photo would truncate to nothing: keep one row or column of it.
  if (size.width < 1) size.width = 1;
  if (size.height < 1) size.height = 1;
  return size;
}

FittedSize OutputSize(int uprightWidth, int uprightHeight, const ConvertSettings& settings) {
  return PlanFor({uprightWidth, uprightHeight}, settings).output;
}

PreparedPhoto PreparePhoto(const PhotoItem& item, const ConvertSettings& settings, const std::atomic<int>* stop,
                           PictureIn in) {
  return Render(item.path, item.rotation, OutputSizeRule(settings), AnchorOf(settings), &PhotoEffect(item, settings),
                false, stop, settings.Sharpen, in);
}

bool ReadPhotoHeader(const std::wstring& path, int rotation, PhotoHeader& header) {
  Source source;
  if (Refusal(ReadSource(path, nullptr, Reading::Lenient, source))) return false;
  const FittedSize stored{static_cast<int>(source.width), static_cast<int>(source.height)};
  const FittedSize upright = source.turnsSides != TurnsSides(rotation) ? Across(stored) : stored;
  header.uprightWidth = upright.width;
  header.uprightHeight = upright.height;
  header.dateTaken = source.dateTaken;
  return true;
}

PreparedPhoto ThumbnailPhoto(const std::wstring& path, int rotation, int boxWidth, int boxHeight,
                             const std::atomic<int>* stop) {
  const SizeRule sizeFor = [boxWidth, boxHeight](FittedSize upright) {
    return Uncut(FitUnlessInside(upright, boxWidth, boxHeight, true));
  };
  return Render(path, rotation, sizeFor, VIPS_INTERESTING_NONE, nullptr, true, stop);
}

const EffectParams& PhotoEffect(const PhotoItem& item, const ConvertSettings& settings) {
  return item.ownEffect != 0 ? item.effect : settings.globalEffect;
}

ScaledPhoto ScalePhoto(const std::wstring& path, int rotation, const ConvertSettings& settings,
                       const std::atomic<int>* stop) {
  const SizeRule sizeFor = OutputSizeRule(settings);
  return ReadJudged<ScaledPhoto>(
      [&](Reading reading) {
        return ScaleOnce(path, rotation, sizeFor, AnchorOf(settings), false, stop, ScaledAs::Memory, reading);
      },
      stop);
}

bool IsScaledFor(const ScaledPhoto& photo, int rotation, const ConvertSettings& settings) {
  if (!photo.scaled) return false;
  const FittedSize target =
      StoredTarget(photo.storedWidth, photo.storedHeight, photo.turnsSides, rotation, OutputSizeRule(settings)).output;
  return photo.anchor == AnchorOf(settings) && target.width == vips_image_get_width(photo.scaled.get()) &&
         target.height == vips_image_get_height(photo.scaled.get());
}

PreparedPhoto FinishPhoto(const ScaledPhoto& photo, int rotation, const EffectParams* effect, bool sharpenDownscaled) {
  return FinishScaled(photo, rotation, effect, sharpenDownscaled, nullptr);
}

ScaledPhoto ScaleForOutputs(const PhotoItem& item, const std::vector<const ConvertSettings*>& outputs,
                            const std::atomic<int>* stop) {
  const SizeRule sizeFor = LargestOutputRule(outputs);
  return ReadJudged<ScaledPhoto>(
      [&](Reading reading) {
        return ScaleOnce(item.path, item.rotation, sizeFor, VIPS_INTERESTING_NONE, false, stop, ScaledAs::Memory,
                         reading);
      },
      stop);
}

PreparedPhoto FinishFor(const ScaledPhoto& read, const PhotoItem& item, const ConvertSettings& settings,
                        const std::atomic<int>* stop, PictureIn in) {
  if (read.failure != PhotoFailure::None || !read.scaled) return Refused(read.failure, read.detail);
  const SizePlan target =
      StoredTarget(read.storedWidth, read.storedHeight, read.turnsSides, item.rotation, OutputSizeRule(settings));
  PreparedPhoto outcome = CheckTarget(target.scaled);
  if (!Refusal(outcome)) outcome = CheckTarget(target.output);
  if (Refusal(outcome)) return outcome;
  VipsImage* const whole = read.scaled.get();
  const FittedSize readSize{vips_image_get_width(whole), vips_image_get_height(whole)};
  ScaledPhoto photo;
  photo.storedWidth = read.storedWidth;
  photo.storedHeight = read.storedHeight;
  photo.turnsSides = read.turnsSides;
  photo.hasProfile = read.hasProfile;
  photo.warning = read.warning;
  photo.anchor = AnchorOf(settings);
  photo.downscaled = Downscaled({read.storedWidth, read.storedHeight}, target.scaled);
  VipsImagePtr scaled = SameSize(readSize, target.scaled) ? ShareImage(whole) : ScaledCut(whole, target.scaled);
  photo.scaled = Planned(std::move(scaled), target, photo.anchor, stop);
  if (!photo.scaled) return Failed(stop, L"写真を仕上げられません");
  return FinishScaled(photo, item.rotation, &PhotoEffect(item, settings), settings.Sharpen != 0, stop, in);
}

uint64_t PhotoReadsSoFar() { return photoReads.load(); }
