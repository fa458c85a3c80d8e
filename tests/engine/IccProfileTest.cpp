// Which embedded colour profiles are taken for sRGB: libvips' own, the one Windows ships, and a
// compact parametric one as phones write them; nothing else, and nothing from broken bytes.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include <vips/vips.h>

#include "engine/IccProfile.h"
#include "tests/engine/PipelinePhotos.h"

namespace {

std::string BuiltInProfile(const char* name) {
  VipsBlob* blob = nullptr;
  if (vips_profile_load(name, &blob, nullptr) != 0 || blob == nullptr) return {};
  size_t size = 0;
  const void* data = vips_blob_get(blob, &size);
  std::string bytes(static_cast<const char*>(data), size);
  vips_area_unref(VIPS_AREA(blob));
  return bytes;
}

// A compact ICC v4 matrix/TRC profile, as phones embed them.
class ProfileMaker {
public:
  using Xyz = std::vector<double>;
  Xyz red{0.4361, 0.2225, 0.0139}, green{0.3851, 0.7169, 0.0971}, blue{0.1431, 0.0606, 0.7141};
  // sRGB's curve as ICC function type 3: (a x + b)^g above d, c x below.
  std::vector<double> curve{2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
  bool withLookupTable = false;

  std::string Bytes() const {
    std::vector<std::pair<std::string, std::string>> tags = {
        {"rXYZ", XyzTag(red)},     {"gXYZ", XyzTag(green)},   {"bXYZ", XyzTag(blue)},
        {"rTRC", CurveTag(curve)}, {"gTRC", CurveTag(curve)}, {"bTRC", CurveTag(curve)}};
    if (withLookupTable) tags.push_back({"A2B0", "mAB " + std::string(28, '\0')});
    std::string table = U32(static_cast<uint32_t>(tags.size()));
    std::string data;
    const std::size_t dataStart = 128 + 4 + 12 * tags.size();
    for (const auto& [signature, tag] : tags) {
      table += signature + U32(static_cast<uint32_t>(dataStart + data.size())) + U32(static_cast<uint32_t>(tag.size()));
      data += tag;
    }
    std::string header(128, '\0');
    header.replace(0, 4, U32(static_cast<uint32_t>(dataStart + data.size())));
    header.replace(8, 4, U32(0x04300000));
    header.replace(12, 12, "mntrRGB XYZ ");
    header.replace(36, 4, "acsp");
    return header + table + data;
  }

private:
  static std::string U32(uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
  }
  static std::string Fixed(double v) { return U32(static_cast<uint32_t>(static_cast<int32_t>(std::lround(v * 65536)))); }
  static std::string XyzTag(const Xyz& xyz) { return "XYZ " + U32(0) + Fixed(xyz[0]) + Fixed(xyz[1]) + Fixed(xyz[2]); }
  static std::string CurveTag(const std::vector<double>& parameters) {
    const uint32_t function = parameters.size() == 1 ? 0 : 3;
    std::string tag = "para" + U32(0) + U32(function << 16);
    for (const double p : parameters) tag += Fixed(p);
    return tag;
  }
};

}  // namespace

TEST(IccProfile, TakesSrgbProfilesOfEveryMakeAndNothingElse) {
  const std::string windows = WindowsSrgbProfile();
  ASSERT_FALSE(windows.empty()) << "Windows' sRGB profile";
  const std::string parametric = ProfileMaker().Bytes();
  for (const std::string& srgb : {BuiltInProfile("srgb"), windows, parametric}) {
    ASSERT_FALSE(srgb.empty());
    EXPECT_TRUE(IsSrgbProfile(srgb.data(), srgb.size()));
    for (std::size_t length = 0; length < srgb.size(); length += 7)
      EXPECT_FALSE(IsSrgbProfile(srgb.data(), length)) << "cut short at " << length << " of " << srgb.size();
  }

  EXPECT_FALSE(IsSrgbProfile(BuiltInProfile("p3").data(), BuiltInProfile("p3").size()));
  EXPECT_FALSE(IsSrgbProfile(BuiltInProfile("cmyk").data(), BuiltInProfile("cmyk").size()));
  ProfileMaker gamma22;
  gamma22.curve = {2.2};
  ProfileMaker adobeRed;
  adobeRed.red = {0.6097, 0.3111, 0.0195};
  ProfileMaker nudgedBlue;
  nudgedBlue.blue[2] += 0.003;
  ProfileMaker withTable;
  withTable.withLookupTable = true;
  for (const ProfileMaker* other : {&gamma22, &adobeRed, &nudgedBlue, &withTable}) {
    const std::string bytes = other->Bytes();
    EXPECT_FALSE(IsSrgbProfile(bytes.data(), bytes.size()));
  }
  EXPECT_FALSE(IsSrgbProfile(nullptr, 0));
}
