#pragma once
// What the preview's photo weighs before and after: the line under the preview, with the
// source's pixel size and bytes, then the output's pixel size, bytes and type.
#include <cstdint>
#include <string>

#include "engine/ConvertSettings.h"
#include "engine/OutputFormat.h"

struct PreviewWeight {
  int sourceWidth = 0;  // upright, as the photo is seen
  int sourceHeight = 0;
  uint64_t sourceBytes = 0;
  int outputWidth = 0;
  int outputHeight = 0;
  uint64_t outputBytes = 0;  // of the encoding the file will hold, not guessed
  OutputFormat type = OutputFormat::Jpeg;
  QualityMode jpegMode = QualityMode::Fixed;
  int quality = 80;      // JPEG (fixed mode), WebP and AVIF quality
  int targetKBytes = 0;  // JPEG target size
};

// "元 4032×3024・2.9 MB → 800×600・118 KB (JPEG 品質80)".
std::wstring PreviewWeightText(const PreviewWeight& weight);

// Bytes as the line shows them: "873 B", "118 KB", "2.9 MB" (1 KB is 1024 bytes).
std::wstring ByteSizeText(uint64_t bytes);
