#pragma once
// A JPEG file's metadata changed without touching its picture: the segments before the scan
// are kept, dropped or rewritten, and the compressed data after them is copied as it is.
#include <vector>

// `jpeg` with its metadata as the options ask. Without `keepMetadata`, every APP segment but
// JFIF (APP0) and Adobe's colour transform (APP14) goes, and every comment. With `removeGps`
// (and the metadata kept), the XMP goes (it may hold the position too), and the EXIF's GPS
// directory is cut out of IFD0 and its bytes blanked, so no reader finds the position.
// Empty when `jpeg` is no JPEG, or its segments or its EXIF cannot be followed.
std::vector<unsigned char> JpegWithMetadataRemoved(const std::vector<unsigned char>& jpeg, bool keepMetadata,
                                                   bool removeGps);
