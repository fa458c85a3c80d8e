#include "tests/engine/PipelinePhotos.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "tests/support/TempFolder.h"

VipsImagePtr PictureOf(int width, int height, const std::function<Colour(int x, int y)>& at, bool withAlpha) {
  const int bands = withAlpha ? 4 : 3;
  std::vector<uint8_t> pixels;
  pixels.reserve(static_cast<size_t>(width) * height * bands);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Colour c = at(x, y);
      for (const int v : {c.r, c.g, c.b, c.a}) pixels.push_back(static_cast<uint8_t>(std::clamp(v, 0, 255)));
      if (!withAlpha) pixels.pop_back();
    }
  }
  const VipsImagePtr plain(
      vips_image_new_from_memory_copy(pixels.data(), pixels.size(), width, height, bands, VIPS_FORMAT_UCHAR));
  VipsImagePtr srgb;
  vips_copy(plain.get(), srgb.receive(), "interpretation", VIPS_INTERPRETATION_sRGB, nullptr);
  return srgb;
}

VipsImagePtr VariedPicture(int width, int height) {
  return PictureOf(width, height, [width, height](int x, int y) {
    const int u = x * 255 / width;
    const int v = y * 255 / height;
    if (y < height / 2) return Colour{u, v, 255 - u};                                   // every hue, smoothly
    if (x < width / 3) return ((x / 2 + y / 2) % 2) ? Colour{240, 240, 30} : Colour{20, 40, 160};  // fine detail
    if (x < 2 * width / 3) return Colour{200, 100, 50};                                  // flat orange
    return Colour{v, 255 - v, (u + v) / 2};
  });
}

std::string JpegOf(VipsImage* picture, int quality) {
  void* data = nullptr;
  size_t size = 0;
  if (vips_jpegsave_buffer(picture, &data, &size, "Q", quality, "keep", VIPS_FOREIGN_KEEP_NONE, "subsample_mode",
                           VIPS_FOREIGN_SUBSAMPLE_OFF, nullptr) != 0)
    return {};
  const GMemory owned(data);
  return std::string(static_cast<const char*>(data), size);
}

std::string PngOf(VipsImage* picture) {
  void* data = nullptr;
  size_t size = 0;
  if (vips_pngsave_buffer(picture, &data, &size, "keep", VIPS_FOREIGN_KEEP_NONE, nullptr) != 0) return {};
  const GMemory owned(data);
  return std::string(static_cast<const char*>(data), size);
}

std::string WindowsSrgbProfile() {
  wchar_t system[MAX_PATH] = {};
  if (GetSystemDirectoryW(system, MAX_PATH) == 0) return {};
  return ReadFileBytes(std::wstring(system) + L"\\spool\\drivers\\color\\sRGB Color Space Profile.icm");
}

namespace {

// Bits in the order deflate packs them: each value from its lowest bit, filling each byte from
// its lowest bit; Huffman codes go in from their highest bit.
class BitWriter {
public:
  void Bits(uint32_t value, int count) {
    for (int i = 0; i < count; ++i) Bit((value >> i) & 1);
  }
  void Code(uint32_t code, int length) {
    for (int i = length - 1; i >= 0; --i) Bit((code >> i) & 1);
  }
  std::string Finish() {
    if (used > 0) bytes.push_back(static_cast<char>(current));
    return bytes;
  }

private:
  void Bit(uint32_t bit) {
    current |= bit << used;
    if (++used == 8) {
      bytes.push_back(static_cast<char>(current));
      current = 0;
      used = 0;
    }
  }
  std::string bytes;
  uint32_t current = 0;
  int used = 0;
};

// One block with the fixed Huffman codes: a literal zero, then copies of 258 bytes from one
// byte back, then single zeros for the rest.
std::string DeflatedZeros(uint64_t count) {
  constexpr uint32_t kLiteralZero = 0x30;  // 8-bit code of literals 0..143
  constexpr uint32_t kLength258 = 0xC5;    // 8-bit code of length symbol 285
  BitWriter out;
  out.Bits(1, 1);  // the last block
  out.Bits(1, 2);  // fixed codes
  out.Code(kLiteralZero, 8);
  uint64_t left = count - 1;
  for (; left >= 258; left -= 258) {
    out.Code(kLength258, 8);
    out.Code(0, 5);  // distance 1
  }
  for (; left > 0; --left) out.Code(kLiteralZero, 8);
  out.Code(0, 7);  // end of block
  return out.Finish();
}

uint32_t Crc32(const std::string& bytes) {
  static const std::vector<uint32_t> table = [] {
    std::vector<uint32_t> t(256);
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  uint32_t crc = 0xFFFFFFFFu;
  for (const char byte : bytes) crc = table[(crc ^ static_cast<uint8_t>(byte)) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

std::string BigEndian32(uint32_t value) {
  return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
          static_cast<char>(value)};
}

std::string Chunk(const std::string& type, const std::string& body) {
  return BigEndian32(static_cast<uint32_t>(body.size())) + type + body + BigEndian32(Crc32(type + body));
}

}  // namespace

std::string ZeroPng(int width, int height, int colourType, int bitDepth) {
  const uint64_t rowBytes = static_cast<uint64_t>(width) * (colourType == 2 ? 3 : 1) * bitDepth / 8;
  const uint64_t zeros = static_cast<uint64_t>(height) * (rowBytes + 1);  // a filter byte a row
  const uint32_t adler = static_cast<uint32_t>((zeros % 65521) << 16 | 1);
  const std::string zlib = std::string("\x78\x01", 2) + DeflatedZeros(zeros) + BigEndian32(adler);
  const std::string header = BigEndian32(static_cast<uint32_t>(width)) + BigEndian32(static_cast<uint32_t>(height)) +
                             static_cast<char>(bitDepth) + static_cast<char>(colourType) + std::string(3, '\0');
  return std::string("\x89PNG\r\n\x1A\n", 8) + Chunk("IHDR", header) + Chunk("IDAT", zlib) + Chunk("IEND", "");
}

Colour PixelOf(VipsImage* picture, int x, int y) {
  double* values = nullptr;
  int count = 0;
  if (vips_getpoint(picture, &values, &count, x, y, nullptr) != 0) return {-1, -1, -1, -1};
  const GMemory owned(values);
  const auto at = [&](int i) { return static_cast<int>(values[std::min(i, count - 1)]); };
  return {at(0), at(1), at(2), count > 3 ? at(3) : 255};
}

double MeanDifference(VipsImage* a, VipsImage* b) {
  const int bands = vips_image_get_bands(a);
  if (vips_image_get_width(a) != vips_image_get_width(b) || vips_image_get_height(a) != vips_image_get_height(b) ||
      bands != vips_image_get_bands(b))
    return -1;
  size_t sizeA = 0;
  size_t sizeB = 0;
  const GMemory pixelsA(vips_image_write_to_memory(a, &sizeA));
  const GMemory pixelsB(vips_image_write_to_memory(b, &sizeB));
  if (!pixelsA || !pixelsB || sizeA != sizeB) return -1;
  std::vector<double> sums(static_cast<size_t>(bands));
  const auto* p = static_cast<const uint8_t*>(pixelsA.get());
  const auto* q = static_cast<const uint8_t*>(pixelsB.get());
  for (size_t i = 0; i < sizeA; ++i) sums[i % bands] += std::abs(int{p[i]} - int{q[i]});
  return *std::max_element(sums.begin(), sums.end()) / static_cast<double>(sizeA / bands);
}

double Ssim(VipsImage* a, VipsImage* b) {
  constexpr int kBlock = 8;
  constexpr double kC1 = (0.01 * 255) * (0.01 * 255);
  constexpr double kC2 = (0.03 * 255) * (0.03 * 255);
  const int width = vips_image_get_width(a);
  const int height = vips_image_get_height(a);
  const int bands = vips_image_get_bands(a);
  if (width != vips_image_get_width(b) || height != vips_image_get_height(b) || bands != vips_image_get_bands(b) ||
      width < kBlock || height < kBlock)
    return -1;
  size_t sizeA = 0;
  size_t sizeB = 0;
  const GMemory pixelsA(vips_image_write_to_memory(a, &sizeA));
  const GMemory pixelsB(vips_image_write_to_memory(b, &sizeB));
  if (!pixelsA || !pixelsB || sizeA != sizeB || sizeA != static_cast<size_t>(width) * height * bands) return -1;
  const auto* p = static_cast<const uint8_t*>(pixelsA.get());
  const auto* q = static_cast<const uint8_t*>(pixelsB.get());
  const auto grey = [bands](const uint8_t* pixels, size_t at) {
    double sum = 0;
    for (int band = 0; band < std::min(bands, 3); ++band) sum += pixels[at * bands + band];
    return sum / std::min(bands, 3);
  };
  double total = 0;
  int blocks = 0;
  for (int top = 0; top + kBlock <= height; top += kBlock) {
    for (int left = 0; left + kBlock <= width; left += kBlock) {
      double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
      for (int y = top; y < top + kBlock; ++y) {
        for (int x = left; x < left + kBlock; ++x) {
          const size_t at = static_cast<size_t>(y) * width + x;
          const double u = grey(p, at);
          const double v = grey(q, at);
          sx += u, sy += v, sxx += u * u, syy += v * v, sxy += u * v;
        }
      }
      constexpr double n = kBlock * kBlock;
      const double mx = sx / n, my = sy / n;
      const double vx = sxx / n - mx * mx, vy = syy / n - my * my, cxy = sxy / n - mx * my;
      total += (2 * mx * my + kC1) * (2 * cxy + kC2) / ((mx * mx + my * my + kC1) * (vx + vy + kC2));
      ++blocks;
    }
  }
  return total / blocks;
}

std::string WithStoredSize(std::string heif, uint32_t width, uint32_t height) {
  for (size_t at = heif.find("ispe"); at != std::string::npos; at = heif.find("ispe", at + 4)) {
    for (int i = 0; i < 4; ++i) {
      heif[at + 8 + i] = static_cast<char>(width >> (24 - 8 * i));
      heif[at + 12 + i] = static_cast<char>(height >> (24 - 8 * i));
    }
  }
  return heif;
}
