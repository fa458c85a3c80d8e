#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "base/HighContrast.h"
#include "engine/SaveData.h"
#include "tests/support/TempFolder.h"
#include "tests/views/PictureListTestParent.h"
#include "tests/views/TestImages.h"
#include "views/MyPictureListView.h"

namespace {

PhotoItem Photo(const std::wstring& path, int rotation = 0) {
  PhotoItem item;
  item.path = path;
  item.rotation = rotation;
  return item;
}

// Three photos in a strip set up as the main window does it: red, blue, and a red-over-white
// landscape whose turned thumbnail differs from the plain one.
class PictureListViewTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(SavePicture({400, 300, 0xFFFF0000}, folder.File(L"IMG_0001.JPG")));
    ASSERT_TRUE(SavePicture({400, 300, 0xFF0000FF}, folder.File(L"blue.png")));
    ASSERT_TRUE(SavePicture({400, 300, 0xFFFFFFFF, 0xFFFF0000, 150}, folder.File(L"half.png")));
    photos = {Photo(folder.File(L"IMG_0001.JPG")), Photo(folder.File(L"blue.png")), Photo(folder.File(L"half.png"))};
    ASSERT_TRUE(view.Create(parent.hwnd));
    view.backgroundColor = 0xFFC8C8C8;
    ShowScrollBar(view.hwnd, SB_VERT, FALSE);
    view.cache.Clear();
    view.thumbWidth = 192;
    view.thumbHeight = 144;
    view.cellWidth = 196;
    view.cellHeight = 164;
    view.layoutMode = kLayoutRow;
    MoveWindow(view.hwnd, 0, 0, 700, 200, FALSE);
    Recount();
  }
  void Recount() {
    ASSERT_EQ(view.SetItemCount(static_cast<unsigned>(photos.size())), 0);
    view.UpdateLayout();
  }
  void Paint() { SendMessageW(view.hwnd, WM_PAINT, 0, 0); }
  void StartDecoder() {
    parent.CollectFrom(view.decoder);
    ASSERT_EQ(view.decoder.Start(), 0);
  }
  // Hands every arrived result to the view; answers how many it kept.
  int Deliver(std::vector<std::unique_ptr<DecodeItem_CL>> results) {
    int kept = 0;
    for (std::unique_ptr<DecodeItem_CL>& result : results) kept += view.OnThumbnailReady(std::move(result)) ? 1 : 0;
    return kept;
  }
  Gdiplus::ARGB Pixel(int x, int y) { return PixelAt(view.backBuffer.Bitmap(), x, y); }

  TempFolder folder;
  SaveData_CL record;  // the strip's photos and the name settings of its captions
  std::vector<PhotoItem>& photos = record.items;
  PictureListTestParent parent;
  MyPictureListView_CL view{&record};
};

}  // namespace

TEST_F(PictureListViewTest, CaptionIsTheOutputBaseNameWithThePrefix) {
  record.CheckAddFileNameTop = true;
  record.ValueAddFileNameTop = L"s_";
  record.CheckAddFileNameBottom = false;
  EXPECT_EQ(view.CaptionText(0), L"s_IMG_0001");
  record.CheckAddFileNameTop = false;
  record.CheckAddFileNameBottom = true;
  record.ValueAddFileNameBottom = L"_small";
  EXPECT_EQ(view.CaptionText(1), L"blue_small");
  EXPECT_EQ(view.CaptionText(3), L"") << "no photo, no caption";
}

TEST_F(PictureListViewTest, FirstPaintShowsBlackTilesWithCaptionsAndRequestsEachPhotoOnce) {
  Paint();
  ASSERT_NE(view.backBuffer.Bitmap(), nullptr);
  EXPECT_EQ(view.decoder.QueuedCount(), 3u);
  EXPECT_EQ(view.cache.Count(), 3u) << "a blank placeholder for each";
  Paint();
  EXPECT_EQ(view.decoder.QueuedCount(), 3u) << "placeholders are not requested again";

  EXPECT_TRUE(IsBlack(Pixel(100, 60))) << "blank thumbnail on the black tile";
  EXPECT_TRUE(IsBlack(Pixel(194, 160))) << "tile corner";
  EXPECT_EQ(Pixel(195, 60) & 0xFFFFFF, 0xC8C8C8u) << "the one-pixel gap shows the background";
  ASSERT_TRUE(view.captionFont) << "some sans-serif family is always found";
  int light = 0;
  for (int y = 140; y < 163; ++y)
    for (int x = 0; x < 195; ++x) light += IsWhite(Pixel(x, y)) ? 1 : 0;
  EXPECT_GT(light, 10) << "white caption in the bottom band";

  StartDecoder();
  ASSERT_TRUE(parent.WaitForThumbnails(3));
  EXPECT_EQ(Deliver(parent.TakeThumbnails()), 3);
  Paint();
  EXPECT_TRUE(IsRed(Pixel(100, 60)));
  EXPECT_TRUE(IsBlue(Pixel(196 + 100, 60)));
  EXPECT_EQ(view.decoder.QueuedCount(), 0u);
}

TEST_F(PictureListViewTest, TurningOnePhotoRequestsOnlyItsThumbnailAgain) {
  StartDecoder();
  Paint();
  ASSERT_TRUE(parent.WaitForThumbnails(3));
  ASSERT_EQ(Deliver(parent.TakeThumbnails()), 3);
  Paint();
  EXPECT_TRUE(IsWhite(Pixel(2 * 196 + 100, 130))) << "lower half of the landscape is white";

  photos[2].rotation = 1;  // a quarter turn clockwise: the red top goes to the right
  Paint();
  ASSERT_TRUE(parent.WaitForThumbnails(1));
  Sleep(100);
  PictureListTestParent::Pump();
  std::vector<std::unique_ptr<DecodeItem_CL>> results = parent.TakeThumbnails();
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0]->path, folder.File(L"half.png"));
  EXPECT_EQ(results[0]->rotation, 1);
  EXPECT_EQ(Deliver(std::move(results)), 1);
  Paint();
  // Portrait now: 108 x 144 at x = 42 in the thumbnail, red on its right half.
  EXPECT_TRUE(IsRed(Pixel(2 * 196 + 2 + 140, 72)));
  EXPECT_TRUE(IsWhite(Pixel(2 * 196 + 2 + 50, 72)));
  EXPECT_TRUE(IsBlack(Pixel(2 * 196 + 2 + 20, 72))) << "beside the portrait";
  EXPECT_TRUE(IsRed(Pixel(100, 60))) << "the others keep their thumbnails";
}

TEST_F(PictureListViewTest, ThumbnailsFollowTheirPhotosThroughRemovalsAndAdditionsAndALateOneNeverShowsOnATurnedPhoto) {
  StartDecoder();
  Paint();
  ASSERT_TRUE(parent.WaitForThumbnails(3));
  ASSERT_EQ(Deliver(parent.TakeThumbnails()), 3);

  // The red photo is removed: blue moves to index 0, half to 1, each with its thumbnail.
  photos.erase(photos.begin());
  Recount();
  Paint();
  EXPECT_EQ(view.decoder.QueuedCount(), 0u) << "nothing is decoded again";
  EXPECT_TRUE(IsBlue(Pixel(100, 60)));
  EXPECT_TRUE(IsWhite(Pixel(196 + 100, 130)));

  // Added again in front, it moves the others along and shows at once.
  photos.insert(photos.begin(), Photo(folder.File(L"IMG_0001.JPG")));
  Recount();
  Paint();
  EXPECT_EQ(view.decoder.QueuedCount(), 0u);
  EXPECT_TRUE(IsRed(Pixel(100, 60)));
  EXPECT_TRUE(IsBlue(Pixel(196 + 100, 60)));

  // Turned upside down and back before its decode came: the late result is not shown.
  photos[2].rotation = 2;
  Paint();
  ASSERT_TRUE(parent.WaitForThumbnails(1));
  photos[2].rotation = 0;
  Deliver(parent.TakeThumbnails());
  Paint();
  EXPECT_TRUE(IsWhite(Pixel(2 * 196 + 100, 130))) << "the upright thumbnail, white below";
}

TEST_F(PictureListViewTest, MissingPhotoShowsItsCaptionAndIsNotRequested) {
  photos.push_back(Photo(folder.File(L"gone.jpg")));
  photos.push_back(Photo(folder.Path()));  // a folder is no photo either
  Recount();
  MoveWindow(view.hwnd, 0, 0, 5 * 196, 200, FALSE);
  view.UpdateLayout();
  Paint();
  EXPECT_EQ(view.decoder.QueuedCount(), 3u);
  EXPECT_EQ(view.CaptionText(3), L"gone");
  EXPECT_TRUE(IsBlack(Pixel(3 * 196 + 100, 60)));
}

TEST_F(PictureListViewTest, FileDroppedOnTheStripReachesTheParent) {
  const std::wstring path = folder.File(L"IMG_0001.JPG");
  const std::size_t bytes = sizeof(DROPFILES) + (path.size() + 2) * sizeof(wchar_t);
  GlobalMemory memory(GlobalAlloc(GHND, bytes));
  ASSERT_TRUE(memory);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory.get()));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), path.c_str(), path.size() * sizeof(wchar_t));
  GlobalUnlock(memory.get());

  EXPECT_NE(GetWindowLongPtrW(view.hwnd, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
  SendMessageW(view.hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(memory.get()), 0);
  ASSERT_EQ(parent.drops.size(), 1u);
  const auto received = reinterpret_cast<HDROP>(parent.drops[0]);
  EXPECT_EQ(received, reinterpret_cast<HDROP>(memory.get()));
  ASSERT_EQ(DragQueryFileW(received, 0xFFFFFFFF, nullptr, 0), 1u);
  wchar_t name[MAX_PATH * 4] = {};
  DragQueryFileW(received, 0, name, MAX_PATH * 4);
  EXPECT_EQ(std::wstring(name), path);
}

TEST_F(PictureListViewTest, PaintingWhileAWorkerAppendsPhotos) {
  // A registration worker appends under record.itemsLock; the painter copies under it too.
  std::atomic<bool> done{false};
  std::thread worker([&] {
    for (int i = 0; i < 4000; ++i) {
      const CriticalSectionLock lock(record.itemsLock);
      photos.push_back(Photo(L"C:\\nowhere\\photo_" + std::to_wstring(i) + L".jpg"));
    }
    done = true;
  });
  int paints = 0;
  while (!done || paints < 5) {
    Paint();
    ++paints;
  }
  worker.join();
  EXPECT_EQ(photos.size(), 4003u);
  EXPECT_EQ(view.CaptionText(2), L"half");
}

TEST_F(PictureListViewTest, WithHighContrastItPaintsInTheSystemColoursAndFramesTheFocusOnlyWhileFocused) {
  view.highContrast = true;
  view.ClickItem(1);
  view.SelectAll(kSelectClear);
  SetFocus(view.hwnd);
  Paint();
  const Gdiplus::ARGB window = OpaqueArgb(GetSysColor(COLOR_WINDOW));
  const Gdiplus::ARGB text = OpaqueArgb(GetSysColor(COLOR_WINDOWTEXT));
  const Gdiplus::ARGB highlight = OpaqueArgb(GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(Pixel(195, 60), window) << "the gap between the tiles";
  EXPECT_EQ(Pixel(1, 150), window) << "the tile";
  int captionPixels = 0;
  for (int y = 146; y < 163; ++y)
    for (int x = 0; x < 195; ++x) captionPixels += Pixel(x, y) == text ? 1 : 0;
  EXPECT_GT(captionPixels, 10) << "the caption in the text colour";
  EXPECT_EQ(Pixel(196 + 2, 80), highlight) << "the focus frame of the current photo";

  SetFocus(parent.hwnd);
  Paint();
  EXPECT_NE(Pixel(196 + 2, 80), highlight) << "no focus frame while the strip has no focus";

  // A change of the system's colours reads the setting again: high contrast is off here.
  SendMessageW(view.hwnd, WM_SYSCOLORCHANGE, 0, 0);
  if (!HighContrastOn()) {
    Paint();
    EXPECT_EQ(Pixel(195, 60) & 0xFFFFFF, 0xC8C8C8u);
    EXPECT_TRUE(IsBlack(Pixel(1, 150)));
  }
}
