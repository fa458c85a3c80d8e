#pragma once
// An output taking its photo's place ("元の写真を置き換える（元はごみ箱へ）"), in an order that
// never loses the photo: the output is written to a temporary file beside the photo, the photo
// goes to the Recycle Bin (never deleted for good), and the temporary file then takes the
// output's name. A stop or a crash at any point leaves the photo where it was, or the photo in
// the bin and the output beside it.
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <string>

#include "engine/PhotoFailure.h"

// Writes `size` bytes as the output at `outputPath` in place of the photo at `photoPath` (both
// absolute, in any form; outputPath is the photo's own path, or a free name beside it when the
// type changes), the output's modification time `lastWrite` when given. A stop raised before
// the photo goes to the bin leaves everything as it was (Cancelled); after, the replacement is
// finished. NoRecycleBin when the photo's drive has none (the photo is where it was);
// WriteFailed with the platform's words in `detail` otherwise: a read-only photo or folder, a
// photo another program holds, a full disk, a path the shell cannot take.
PhotoFailure ReplacePhoto(const std::wstring& photoPath, const std::wstring& outputPath, const unsigned char* data,
                          std::size_t size, const FILETIME* lastWrite, const std::atomic<int>& cancel,
                          std::wstring& detail);
