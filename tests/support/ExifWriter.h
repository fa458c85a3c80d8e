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

// What a camera writes about a photo, for the EXIF block of a generated one.
struct CameraExif {
  std::string make = "Glimmer Optics";
  std::string model = "GX-7 Mark II";
  std::string dateTimeOriginal = "2023:10:14 16:42:05";  // "YYYY:MM:DD HH:MM:SS"
  unsigned exposureNumerator = 1;                        // ExposureTime, seconds
  unsigned exposureDenominator = 250;
  // GPS position as degrees, minutes and seconds (each a whole number) with N/S and E/W.
  unsigned latitude[3] = {35, 39, 31};
  char latitudeRef = 'N';
  unsigned longitude[3] = {139, 44, 43};
  char longitudeRef = 'E';
  int orientation = 6;
  // A JPEG stored as the embedded thumbnail (IFD1); none when empty.
  std::string thumbnailJpeg;
};

// A complete APP1 EXIF segment with IFD0 (Make, Model, Orientation, resolution), the EXIF
// IFD (ExposureTime, ExifVersion, DateTimeOriginal), the GPS IFD (version, latitude,
// longitude) and, when the camera gives one, IFD1 with the thumbnail behind it.
std::string CameraExifSegment(const CameraExif& camera, bool bigEndian = false);

// An APP2 segment carrying a whole ICC profile (one chunk of one).
std::string IccProfileSegment(const std::string& profile);

// An APP1 segment carrying an XMP packet.
std::string XmpSegment(const std::string& packet);

// An APP13 segment with an IPTC record whose caption is `caption`.
std::string IptcSegment(const std::string& caption);
