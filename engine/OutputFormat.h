#pragma once
// The output types, in one place: the type code a file is encoded by, and the output type
// the user chooses ("OutputImageType" in the INI, the size page's buttons, /type).

// The type code of an output file, by which the encoder is chosen.
enum class OutputFormat { Bmp = 0, Jpeg = 1, Png = 2, Webp = 3, Avif = 4 };

// The output type chosen: keep each source's own type, or write every photo as one type.
// The values are those the INI stores.
enum OutputTypeChoice : int {
  kKeepSourceType = 0,  // "変換前の拡張子を維持する"
  kAllJpeg = 1,         // "全てjpgにする"
  kAllPng = 2,          // "全てpngにする"
  kAllBmp = 3,          // "全てbmpにする"
  kAllWebp = 4,         // "全てwebpにする"
  kAllAvif = 5,         // "全てavifにする"
};
constexpr int kOutputTypeCount = 6;
constexpr OutputTypeChoice kDefaultOutputType = kKeepSourceType;
constexpr bool IsValidOutputType(int type) { return type >= 0 && type < kOutputTypeCount; }

// The type code every photo gets under a choice of one type; false for kKeepSourceType
// and values outside the table.
constexpr bool ForcedFormat(int choice, OutputFormat& format) {
  switch (choice) {
    case kAllJpeg: format = OutputFormat::Jpeg; return true;
    case kAllPng: format = OutputFormat::Png; return true;
    case kAllBmp: format = OutputFormat::Bmp; return true;
    case kAllWebp: format = OutputFormat::Webp; return true;
    case kAllAvif: format = OutputFormat::Avif; return true;
    default: return false;
  }
}
