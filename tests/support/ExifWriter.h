#pragma once
// Builds EXIF blocks and small TIFF files byte by byte, so tests can give generated photos
// an orientation (the platform's encoders write none).
#include <string>

// A complete APP1 segment (marker FF E1, length, "Exif\0\0", TIFF header, IFD0 with a Make
// entry and tag 274 = orientation as SHORT) in the given byte order.
std::string ExifOrientationSegment(int orientation, bool bigEndian);

// `jpeg` with `segment` inserted right after its start-of-image marker.
std::string InsertAfterSoi(const std::string& jpeg, const std::string& segment);

// `jpeg` with an orientation segment inserted right after its start-of-image marker.
std::string WithExifOrientation(const std::string& jpeg, int orientation, bool bigEndian = false);

// A little-endian, uncompressed 24-bit RGB TIFF of width x height whose IFD0 carries tag 274.
// `rgb` holds the pixels row by row, three bytes each.
std::string UncompressedTiff(int width, int height, const std::string& rgb, int orientation);
