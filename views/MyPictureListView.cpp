#include "views/MyPictureListView.h"

#include <shellapi.h>

#include "base/ShellHelpers.h"
#include "engine/OutputNaming.h"
#include "views/BitmapHelpers.h"

namespace {

// The cache key of a photo whose file is there; false for a missing file or a folder. The tile
// asks no more on the user-interface thread: opening a picture file may decode it, and only
// the worker decodes.
bool PhotoFileKey(const std::wstring& path, int rotation, std::int64_t& key) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
  key = ThumbnailKey(path, rotation, data.ftLastWriteTime);
  return true;
}

}  // namespace

MyPictureListView_CL::MyPictureListView_CL(SaveData_CL* record)
    : record(record), photos(record != nullptr ? &record->items : nullptr) {
  accessibleName = L"写真一覧";
}

// The decoder, the last member, goes first: its worker stops and its queued requests are
// destroyed undecoded before the cache and the window part go.
MyPictureListView_CL::~MyPictureListView_CL() = default;

LRESULT MyPictureListView_CL::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = PictureListView_CL::HandleMessage(window, message, wParam, lParam);
  if (message == WM_DROPFILES) {
    if (const HWND parent = GetParent(window)) SendMessageW(parent, WM_DROPFILES, wParam, lParam);
  }
  return result;
}

bool MyPictureListView_CL::PhotoAt(int index, std::wstring& path, int& rotation) {
  if (!photos || index < 0 || static_cast<unsigned>(index) >= count) return false;
  // A registration worker may be appending (and moving the vector) right now.
  const CriticalSectionLock lock(record->itemsLock);
  if (static_cast<std::size_t>(index) >= photos->size()) return false;
  const PhotoItem& item = (*photos)[static_cast<std::size_t>(index)];
  path = item.path;
  rotation = item.rotation;
  return true;
}

std::wstring MyPictureListView_CL::ItemName(int index) {
  std::wstring path;
  int rotation = 0;
  if (!PhotoAt(index, path, rotation)) return std::wstring();
  return FileNamePart(path);
}

std::wstring MyPictureListView_CL::CaptionText(int index) {
  std::wstring path;
  int rotation = 0;
  if (!PhotoAt(index, path, rotation)) return std::wstring();
  return OutputBaseName(path, *record);
}

void MyPictureListView_CL::PaintItem(GpGraphics* graphics, const RECT& cell, int index) {
  PaintTile(graphics, cell);
  std::wstring path;
  int rotation = 0;
  if (!PhotoAt(index, path, rotation)) return;
  if (std::int64_t key = 0; PhotoFileKey(path, rotation, key)) {
    GpBitmap* thumbnail = cache.Find(key);
    if (!thumbnail) {
      RequestThumbnail(cache, decoder, key, path, thumbWidth, thumbHeight, rotation);
      thumbnail = cache.Find(key);
    }
    PaintThumbnail(graphics, cell, thumbnail);
  }
  PaintCaption(graphics, cell, OutputBaseName(path, *record));
}

void MyPictureListView_CL::ReceiveThumbnails() {
  decoder.SetTarget(PostToken(), [this](std::unique_ptr<DecodeItem_CL> request) { OnThumbnailReady(std::move(request)); });
}

bool MyPictureListView_CL::OnThumbnailReady(std::unique_ptr<DecodeItem_CL> request) {
  if (!request) return false;
  if (!AcceptThumbnail(cache, std::move(request))) return false;
  Repaint();
  return true;
}

void MyPictureListView_CL::RemoveThumbnail(int index) {
  std::wstring path;
  int rotation = 0;
  std::int64_t key = 0;
  if (PhotoAt(index, path, rotation) && PhotoFileKey(path, rotation, key)) cache.Remove(key);
  Repaint();
}

int MyPictureListView_CL::SetItemCount(unsigned n) { return PictureListBase_CL::SetItemCount(n); }
