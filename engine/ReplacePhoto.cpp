#include "engine/ReplacePhoto.h"

#include <utility>

#include "base/AtomicFile.h"
#include "base/PathIdentity.h"
#include "base/RecycleBin.h"
#include "base/ShellHelpers.h"

namespace {

// The output's temporary file, removed when it goes out of scope unless it was kept.
class WrittenOutput {
public:
  ~WrittenOutput() {
    if (!path.empty()) DeleteFileW(path.c_str());
  }
  std::wstring path;
  std::wstring Keep() { return std::exchange(path, std::wstring()); }
};

std::wstring ErrorText(HRESULT hr) { return SystemErrorText(HRESULT_CODE(hr)); }

}  // namespace

PhotoFailure ReplacePhoto(const std::wstring& photoPath, const std::wstring& outputPath, const unsigned char* data,
                          std::size_t size, const FILETIME* lastWrite, const std::atomic<int>& cancel,
                          std::wstring& detail) {
  const std::wstring photo = FullPathOf(photoPath);
  const std::wstring output = ExtendedLengthPath(FullPathOf(outputPath));
  if (photo.empty() || output.empty()) return PhotoFailure::WriteFailed;
  WrittenOutput written;
  if (const HRESULT hr = WriteFileBeside(output, data, size, lastWrite, written.path); FAILED(hr)) {
    detail = ErrorText(hr);
    return PhotoFailure::WriteFailed;
  }
  if (cancel.load() != 0) return PhotoFailure::Cancelled;
  if (const HRESULT hr = MoveToRecycleBin(photo); FAILED(hr)) {
    if (hr == kNoRecycleBin) return PhotoFailure::NoRecycleBin;
    detail = ErrorText(hr);
    return PhotoFailure::WriteFailed;
  }
  // The photo is in the bin: from here the output stays, under its name or its temporary one.
  const std::wstring temporary = written.Keep();
  if (!MoveFileExW(temporary.c_str(), output.c_str(), MOVEFILE_WRITE_THROUGH)) {
    detail = ErrorText(HRESULT_FROM_WIN32(GetLastError())) + L" (" + temporary + L")";
    return PhotoFailure::WriteFailed;
  }
  return PhotoFailure::None;
}
