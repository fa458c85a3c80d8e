#include "engine/IccProfile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// The layout of an ICC profile: a 128-byte header, a tag count, then 12-byte tag entries.
constexpr std::size_t kHeaderBytes = 128;
constexpr std::size_t kTagEntryBytes = 12;
constexpr std::size_t kColourSpaceAt = 16;
constexpr std::size_t kConnectionSpaceAt = 20;
constexpr std::size_t kSignatureAt = 36;
constexpr std::size_t kMostTags = 100;

// sRGB's primaries adapted to D50 (Bradford), as sRGB profiles store them, and how far a
// profile's may lie from them: the rounding of the profiles in use stays within 0.0002.
constexpr double kSrgbColorants[3][3] = {
    {0.4361, 0.2225, 0.0139}, {0.3851, 0.7169, 0.0971}, {0.1431, 0.0606, 0.7141}};
constexpr double kColorantTolerance = 0.001;
// How far, in levels of 255, a tone curve may lie from sRGB's.
constexpr double kCurveToleranceLevels = 0.1;
constexpr int kLevels = 255;

// A view of the profile's bytes that refuses to read past them.
class ProfileBytes {
public:
  ProfileBytes(const void* data, std::size_t size) : data(static_cast<const unsigned char*>(data)), size(size) {}

  bool Has(std::size_t at, std::size_t length) const { return at <= size && length <= size - at; }
  bool Is(std::size_t at, const char (&signature)[5]) const {
    return Has(at, 4) && std::memcmp(data + at, signature, 4) == 0;
  }
  uint32_t U32(std::size_t at) const {
    return uint32_t{data[at]} << 24 | uint32_t{data[at + 1]} << 16 | uint32_t{data[at + 2]} << 8 | data[at + 3];
  }
  uint16_t U16(std::size_t at) const { return static_cast<uint16_t>(data[at] << 8 | data[at + 1]); }
  double S15Fixed16(std::size_t at) const { return static_cast<int32_t>(U32(at)) / 65536.0; }

private:
  const unsigned char* data;
  std::size_t size;
};

struct Tag {
  std::size_t at = 0;
  std::size_t length = 0;
  bool found = false;
};

Tag FindTag(const ProfileBytes& bytes, const char (&signature)[5]) {
  const uint32_t count = bytes.U32(kHeaderBytes);
  for (uint32_t i = 0; i < count && i < kMostTags; ++i) {
    const std::size_t entry = kHeaderBytes + 4 + i * kTagEntryBytes;
    if (!bytes.Has(entry, kTagEntryBytes)) return {};
    if (!bytes.Is(entry, signature)) continue;
    const Tag tag{bytes.U32(entry + 4), bytes.U32(entry + 8), true};
    return bytes.Has(tag.at, tag.length) ? tag : Tag{};
  }
  return {};
}

// A whole profile (its bytes as many as its header says) from RGB to the XYZ connection space.
bool HeaderIsRgbToXyz(const ProfileBytes& bytes) {
  return bytes.Has(0, kHeaderBytes + 4) && bytes.Has(0, bytes.U32(0)) && bytes.Is(kSignatureAt, "acsp") &&
         bytes.Is(kColourSpaceAt, "RGB ") && bytes.Is(kConnectionSpaceAt, "XYZ ");
}

// Lookup tables take the place of the matrix and the curves in a colour engine.
bool HasLookupTables(const ProfileBytes& bytes) {
  for (const auto& table : {"A2B0", "A2B1", "A2B2", "B2A0", "B2A1", "B2A2", "D2B0", "D2B1", "D2B2", "D2B3"}) {
    char signature[5] = {};
    std::memcpy(signature, table, 4);
    if (FindTag(bytes, signature).found) return true;
  }
  return false;
}

bool ColorantIs(const ProfileBytes& bytes, const char (&signature)[5], const double (&expected)[3]) {
  const Tag tag = FindTag(bytes, signature);
  if (!tag.found || tag.length < 20 || !bytes.Is(tag.at, "XYZ ")) return false;
  for (int i = 0; i < 3; ++i)
    if (!(std::fabs(bytes.S15Fixed16(tag.at + 8 + 4 * i) - expected[i]) <= kColorantTolerance)) return false;
  return true;
}

// sRGB's tone curve, from linear light to the encoded value.
double LinearToSrgb(double y) { return y <= 0.0031308 ? y * 12.92 : 1.055 * std::pow(y, 1 / 2.4) - 0.055; }

// A tone curve of the profile ('curv' or 'para'), from the encoded value to linear light.
class ToneCurve {
public:
  ToneCurve(const ProfileBytes& bytes, Tag tag) : bytes(bytes), tag(tag) {}

  // False when the curve is of no type this reader knows, or its bytes are cut short.
  bool Valid() const {
    if (!tag.found || tag.length < 12) return false;
    if (bytes.Is(tag.at, "curv")) return tag.length >= 12 + 2 * std::size_t{bytes.U32(tag.at + 8)};
    return bytes.Is(tag.at, "para") && bytes.U16(tag.at + 8) <= 4 &&
           tag.length >= 12 + 4 * ParameterCount(bytes.U16(tag.at + 8));
  }

  double operator()(double v) const { return bytes.Is(tag.at, "curv") ? Sampled(v) : Parametric(v); }

private:
  static std::size_t ParameterCount(uint16_t function) {
    constexpr std::size_t kCounts[] = {1, 3, 4, 5, 7};
    return kCounts[function];
  }

  double Sampled(double v) const {
    const uint32_t entries = bytes.U32(tag.at + 8);
    if (entries == 0) return v;
    if (entries == 1) return std::pow(v, bytes.U16(tag.at + 12) / 256.0);
    const double position = v * (entries - 1);
    const uint32_t below = std::min(static_cast<uint32_t>(position), entries - 2);
    const double fraction = position - below;
    const double low = bytes.U16(tag.at + 12 + 2 * below) / 65535.0;
    const double high = bytes.U16(tag.at + 14 + 2 * below) / 65535.0;
    return low + (high - low) * fraction;
  }

  double Parametric(double v) const {
    const uint16_t function = bytes.U16(tag.at + 8);
    double p[7] = {};
    for (std::size_t i = 0; i < ParameterCount(function); ++i) p[i] = bytes.S15Fixed16(tag.at + 12 + 4 * i);
    const double g = p[0], a = p[1], b = p[2], c = p[3], d = p[4], e = p[5], f = p[6];
    const auto power = [g](double base) { return base > 0 ? std::pow(base, g) : 0.0; };
    switch (function) {
    case 0: return power(v);
    case 1: return power(a * v + b);  // zero below -b / a
    case 2: return power(a * v + b) + c;
    case 3: return v >= d ? power(a * v + b) : c * v;
    default: return v >= d ? power(a * v + b) + e : c * v + f;
    }
  }

  const ProfileBytes& bytes;
  Tag tag;
};

// Each level, taken to linear light by the profile's curve and back by sRGB's, lands on itself.
bool ToneCurveIsSrgb(const ProfileBytes& bytes, const char (&signature)[5]) {
  const ToneCurve curve(bytes, FindTag(bytes, signature));
  if (!curve.Valid()) return false;
  for (int level = 0; level <= kLevels; ++level) {
    const double v = static_cast<double>(level) / kLevels;
    if (!(std::fabs(LinearToSrgb(curve(v)) * kLevels - level) <= kCurveToleranceLevels)) return false;
  }
  return true;
}

}  // namespace

bool IsSrgbProfile(const void* profile, std::size_t size) {
  if (profile == nullptr) return false;
  const ProfileBytes bytes(profile, size);
  return HeaderIsRgbToXyz(bytes) && !HasLookupTables(bytes) && ColorantIs(bytes, "rXYZ", kSrgbColorants[0]) &&
         ColorantIs(bytes, "gXYZ", kSrgbColorants[1]) && ColorantIs(bytes, "bXYZ", kSrgbColorants[2]) &&
         ToneCurveIsSrgb(bytes, "rTRC") && ToneCurveIsSrgb(bytes, "gTRC") && ToneCurveIsSrgb(bytes, "bTRC");
}
