#pragma once
// The file types the conversion writes, by the code the encoder is chosen by.

enum class OutputFormat { Bmp = 0, Jpeg = 1, Png = 2, Webp = 3 };
