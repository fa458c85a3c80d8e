#include "mainwindow/PreviewWeight.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr uint64_t kKByte = 1024;
constexpr uint64_t kMByte = kKByte * kKByte;

std::wstring PixelSizeText(int width, int height) {
  return std::to_wstring(width) + L"×" + std::to_wstring(height);
}

// The output type with what sets its size: the quality, or the JPEG target.
std::wstring TypeText(const PreviewWeight& weight) {
  switch (weight.type) {
    case OutputFormat::Jpeg:
      if (weight.jpegMode == QualityMode::TargetSize) return L"JPEG 目標" + std::to_wstring(std::max(weight.targetKBytes, 0)) + L" KB";
      return L"JPEG 品質" + std::to_wstring(std::clamp(weight.quality, 1, 100));
    case OutputFormat::Webp:
      return L"WebP 品質" + std::to_wstring(std::clamp(weight.quality, 0, 100));
    case OutputFormat::Avif:
      return L"AVIF 品質" + std::to_wstring(std::clamp(weight.quality, 0, 100));
    case OutputFormat::Png:
      return L"PNG";
    case OutputFormat::Bmp:
      return L"BMP";
  }
  return L"";
}

}  // namespace

std::wstring ByteSizeText(uint64_t bytes) {
  if (bytes < kKByte) return std::to_wstring(bytes) + L" B";
  const uint64_t kbytes = (bytes + kKByte / 2) / kKByte;
  if (kbytes < kKByte) return std::to_wstring(kbytes) + L" KB";
  wchar_t text[32] = {};
  std::swprintf(text, 32, L"%.1f MB", static_cast<double>(bytes) / static_cast<double>(kMByte));
  return text;
}

std::wstring PreviewWeightText(const PreviewWeight& weight) {
  return L"元 " + PixelSizeText(weight.sourceWidth, weight.sourceHeight) + L"・" + ByteSizeText(weight.sourceBytes) +
         L" → " + PixelSizeText(weight.outputWidth, weight.outputHeight) + L"・" + ByteSizeText(weight.outputBytes) +
         L" (" + TypeText(weight) + L")";
}
