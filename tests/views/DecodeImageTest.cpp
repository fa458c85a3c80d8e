#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/support/TempFolder.h"
#include "tests/views/TestImages.h"
#include "toolkit/ControlBase.h"
#include "views/DecodeImage.h"

namespace {

// Keeps every delivered request; can hold the worker inside the first delivery until released.
class RecordingDecoder : public DecodeImage_CL {
public:
  ~RecordingDecoder() override {
    stopRequested = 1;
    Stop();
  }
  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == MSG_DECODE_WORK) ++workMessages;
    return DecodeImage_CL::OnMessage(message, wParam, lParam);
  }
  void DeliverResult(std::unique_ptr<DecodeItem_CL> request) override {
    {
      const std::lock_guard<std::mutex> guard(mutex);
      delivered.push_back(std::move(request));
    }
    SetEvent(firstDelivered.get());
    if (holdFirst.exchange(false)) WaitForSingleObject(release.get(), 10000);
  }
  std::vector<int> DeliveredSequences() {
    const std::lock_guard<std::mutex> guard(mutex);
    std::vector<int> sequences;
    for (const auto& request : delivered) sequences.push_back(request->sequence);
    return sequences;
  }
  bool WaitForDeliveries(size_t n) {
    for (int i = 0; i < 1000 && DeliveredSequences().size() < n; ++i) Sleep(10);
    return DeliveredSequences().size() >= n;
  }
  DecodeItem_CL& Delivered(size_t i) {
    const std::lock_guard<std::mutex> guard(mutex);
    return *delivered.at(i);
  }

  std::atomic<bool> holdFirst{false};
  std::atomic<int> workMessages{0};
  KernelHandle firstDelivered{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  KernelHandle release{CreateEventW(nullptr, TRUE, FALSE, nullptr)};

private:
  std::mutex mutex;
  std::vector<std::unique_ptr<DecodeItem_CL>> delivered;
};

// A request that notes, when destroyed, whether it had been decoded.
class NotingItem : public DecodeItem_CL {
public:
  NotingItem(const std::wstring& path, std::vector<bool>& notes) : DecodeItem_CL(path, 192, 144, 0), notes(notes) {}
  ~NotingItem() override { notes.push_back(static_cast<bool>(result)); }
  std::vector<bool>& notes;
};

std::unique_ptr<DecodeItem_CL> Request(const std::wstring& path, int rotation = 0) {
  return std::make_unique<DecodeItem_CL>(path, 192, 144, rotation);
}

// Decodes one photo file synchronously, as the worker does.
GpBitmapPtr DecodeFile(const std::wstring& path, int rotation = 0) {
  auto request = Request(path, rotation);
  DecodeImage_CL::Decode(*request);
  return std::move(request->result);
}

class DecodeImageTest : public ::testing::Test {
protected:
  TempFolder folder;
};

}  // namespace

TEST_F(DecodeImageTest, RequestsQueuedWhileBusyAreDecodedNewestFirstWithOneWakeUp) {
  const std::wstring photo = folder.File(L"a.png");
  ASSERT_TRUE(SavePicture({40, 30}, photo));
  RecordingDecoder decoder;
  decoder.holdFirst = true;
  decoder.Start();
  const int first = decoder.Enqueue(Request(photo));
  ASSERT_EQ(WaitForSingleObject(decoder.firstDelivered.get(), 5000), WAIT_OBJECT_0);
  const int second = decoder.Enqueue(Request(photo));  // into an empty queue: wakes the worker
  const int third = decoder.Enqueue(Request(photo));   // into a non-empty queue: posts nothing
  const int fourth = decoder.Enqueue(Request(photo));
  EXPECT_EQ(second, first + 1);
  SetEvent(decoder.release.get());
  ASSERT_TRUE(decoder.WaitForDeliveries(4));
  decoder.Stop();
  EXPECT_EQ(decoder.DeliveredSequences(), (std::vector<int>{first, fourth, third, second}));
  EXPECT_EQ(decoder.workMessages, 2);
}

TEST_F(DecodeImageTest, RequestsQueuedBeforeStartAreDecodedOnceStarted) {
  const std::wstring photo = folder.File(L"a.png");
  ASSERT_TRUE(SavePicture({40, 30}, photo));
  RecordingDecoder decoder;
  const int first = decoder.Enqueue(Request(photo));
  const int second = decoder.Enqueue(Request(photo));
  decoder.Start();
  ASSERT_TRUE(decoder.WaitForDeliveries(2));
  EXPECT_EQ(decoder.DeliveredSequences(), (std::vector<int>{second, first}));
}

TEST_F(DecodeImageTest, DestroyingTheDecoderDestroysQueuedRequestsUndecoded) {
  const std::wstring photo = folder.File(L"a.png");
  ASSERT_TRUE(SavePicture({40, 30}, photo));
  std::vector<bool> decodedWhenDestroyed;
  auto decoder = std::make_unique<RecordingDecoder>();
  decoder->holdFirst = true;
  decoder->Start();
  decoder->Enqueue(Request(photo));
  ASSERT_EQ(WaitForSingleObject(decoder->firstDelivered.get(), 5000), WAIT_OBJECT_0);
  decoder->Enqueue(std::make_unique<NotingItem>(photo, decodedWhenDestroyed));
  decoder->Enqueue(std::make_unique<NotingItem>(photo, decodedWhenDestroyed));
  const HANDLE release = decoder->release.get();  // the pointer is cleared before the object dies
  std::thread releaser([release] {
    Sleep(200);
    SetEvent(release);
  });
  decoder.reset();  // waits for the request in hand, then discards the rest
  releaser.join();
  EXPECT_EQ(decodedWhenDestroyed, (std::vector<bool>{false, false}));
}

TEST_F(DecodeImageTest, SeveralThreadsDecodeEveryRequestOnceAndStopPromptly) {
  const std::wstring photo = folder.File(L"a.png");
  ASSERT_TRUE(SavePicture({400, 300}, photo));
  RecordingDecoder decoder;
  decoder.decodeThreads = 3;
  std::vector<int> sequences;
  for (int i = 0; i < 40; ++i) sequences.push_back(decoder.Enqueue(Request(photo)));
  decoder.Start();
  for (int i = 0; i < 20; ++i) sequences.push_back(decoder.Enqueue(Request(photo)));  // while they run
  ASSERT_TRUE(decoder.WaitForDeliveries(60));
  decoder.Stop();

  std::vector<int> delivered = decoder.DeliveredSequences();
  std::sort(delivered.begin(), delivered.end());
  EXPECT_EQ(delivered, sequences) << "each request once, none lost";
  for (size_t i = 0; i < delivered.size(); ++i) EXPECT_TRUE(decoder.Delivered(i).result) << i;
  EXPECT_EQ(decoder.QueuedCount(), 0u);
  // Stopped and started again, it takes work as before.
  decoder.Start();
  decoder.Enqueue(Request(photo));
  EXPECT_TRUE(decoder.WaitForDeliveries(61));
}

TEST_F(DecodeImageTest, ThumbnailsKeepTheFitRuleAndThe16BitFormat) {
  const std::wstring landscape = folder.File(L"landscape.png");
  const std::wstring portrait = folder.File(L"portrait.png");
  ASSERT_TRUE(SavePicture({4000, 3000}, landscape));
  ASSERT_TRUE(SavePicture({3000, 4000}, portrait));

  const GpBitmapPtr wide = DecodeFile(landscape);
  ASSERT_TRUE(wide);
  UINT width = 0, height = 0;
  Gdiplus::PixelFormat format = 0;
  gp::GdipGetImageWidth(wide.get(), &width);
  gp::GdipGetImageHeight(wide.get(), &height);
  gp::GdipGetImagePixelFormat(wide.get(), &format);
  EXPECT_EQ((std::vector<int>{int(width), int(height), format}), (std::vector<int>{192, 144, PixelFormat16bppRGB565}));
  EXPECT_TRUE(IsWhite(PixelAt(wide.get(), 1, 1)));
  EXPECT_TRUE(IsWhite(PixelAt(wide.get(), 190, 142)));

  const GpBitmapPtr tall = DecodeFile(portrait);
  ASSERT_TRUE(tall);
  EXPECT_TRUE(IsBlack(PixelAt(tall.get(), 40, 72)));  // drawn 108 wide from x = 42
  EXPECT_TRUE(IsWhite(PixelAt(tall.get(), 44, 72)));
  EXPECT_TRUE(IsWhite(PixelAt(tall.get(), 147, 72)));
  EXPECT_TRUE(IsBlack(PixelAt(tall.get(), 151, 72)));
}

TEST_F(DecodeImageTest, ExifOrientationSixTurnsASensorImageToPortrait) {
  const std::wstring photo = folder.File(L"sensor.jpg");
  ASSERT_TRUE(SavePicture({4000, 3000}, photo));
  ASSERT_TRUE(AddExifOrientation(photo, 6));
  const GpBitmapPtr thumbnail = DecodeFile(photo);
  ASSERT_TRUE(thumbnail);
  EXPECT_TRUE(IsBlack(PixelAt(thumbnail.get(), 40, 72)));
  EXPECT_TRUE(IsWhite(PixelAt(thumbnail.get(), 96, 72)));
}

TEST_F(DecodeImageTest, ExifOrientationComesBeforeTheUsersRotation) {
  // Red left half, blue right half. Mirrored (orientation 2), then turned a quarter clockwise
  // by the user: blue ends on top. The other order would put red on top.
  const std::wstring photo = folder.File(L"mirrored.jpg");
  ASSERT_TRUE(SavePicture({400, 300, 0xFF0000FF, 0xFFFF0000, 0, 200}, photo));
  ASSERT_TRUE(AddExifOrientation(photo, 2));
  const GpBitmapPtr thumbnail = DecodeFile(photo, 1);
  ASSERT_TRUE(thumbnail);
  EXPECT_TRUE(IsBlue(PixelAt(thumbnail.get(), 96, 20)));
  EXPECT_TRUE(IsRed(PixelAt(thumbnail.get(), 96, 124)));
}

TEST_F(DecodeImageTest, UnreadablePhotoShowsTheUnreadableTile) {
  const std::wstring broken = folder.File(L"broken.png");
  ASSERT_TRUE(WriteFileBytes(broken, "not a picture"));
  for (const std::wstring& path : {broken, folder.File(L"vanished.png")}) {
    const GpBitmapPtr tile = DecodeFile(path);
    ASSERT_TRUE(tile) << "the strip shows the photo is there but cannot be read";
    const Gdiplus::ARGB grey = PixelAt(tile.get(), 96, 20);
    const int red = (grey >> 16) & 0xFF;
    const int blue = grey & 0xFF;
    EXPECT_NEAR(red, 0x9A, 8);
    EXPECT_NEAR(blue, 0x9A, 8);
  }
}

TEST_F(DecodeImageTest, FinishedRequestComesBackOnTheTargetWindowsThread) {
  const std::wstring photo = folder.File(L"a.png");
  ASSERT_TRUE(SavePicture({400, 300}, photo));
  ControlBase_CL target(0);
  ASSERT_NE(target.CreateControl(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, 0, false), nullptr);
  target.Subclass();
  DecodeImage_CL decoder;
  std::unique_ptr<DecodeItem_CL> received;
  DWORD receivedOn = 0;
  decoder.SetTarget(target.PostToken(), [&](std::unique_ptr<DecodeItem_CL> request) {
    received = std::move(request);
    receivedOn = GetCurrentThreadId();
  });
  decoder.Start();
  const int sequence = decoder.Enqueue(Request(photo));
  MSG msg{};
  for (int i = 0; i < 500 && !received; ++i) {
    if (PeekMessageW(&msg, target.hwnd, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    else Sleep(10);
  }
  ASSERT_TRUE(received);
  EXPECT_EQ(receivedOn, GetCurrentThreadId());
  EXPECT_EQ(received->sequence, sequence);
  EXPECT_TRUE(received->result);
  decoder.Stop();
  DestroyWindow(target.hwnd);
}

// A result is shown only on the tile that still waits for it.
TEST(ThumbnailRequest, LateResultNeverLandsOnAnotherPhotosTile) {
  MovieBitmapChcheBase_CL cache;
  DecodeImage_CL decoder;  // never started: requests just queue
  const auto resultFor = [](int index, int sequence) {
    auto request = Request(L"x.png");
    request->cacheKey = index;
    request->sequence = sequence;
    request->result = CreateBlankBitmap(192, 144, kThumbnailPixelFormat);
    return request;
  };

  const int beforeRemoval = RequestThumbnail(cache, decoder, 3, L"old.png", 192, 144, 0);
  cache.Clear();  // a photo was removed: the list cleared its thumbnails
  EXPECT_FALSE(AcceptThumbnail(cache, resultFor(3, beforeRemoval)));
  EXPECT_EQ(cache.Find(3), nullptr);

  const int beforeRotation = RequestThumbnail(cache, decoder, 3, L"new.png", 192, 144, 0);
  GpBitmap* const placeholder = cache.Find(3);
  cache.Remove(3);  // rotated: requested again
  const int afterRotation = RequestThumbnail(cache, decoder, 3, L"new.png", 192, 144, 1);
  EXPECT_FALSE(AcceptThumbnail(cache, resultFor(3, beforeRotation)));
  EXPECT_NE(cache.Find(3), nullptr);

  auto current = resultFor(3, afterRotation);
  GpBitmap* const decoded = current->result.get();
  EXPECT_TRUE(AcceptThumbnail(cache, std::move(current)));
  EXPECT_EQ(cache.Find(3), decoded);
  EXPECT_NE(decoded, placeholder);
  EXPECT_FALSE(AcceptThumbnail(cache, resultFor(3, afterRotation))) << "a second delivery is not awaited";
  EXPECT_EQ(decoder.QueuedCount(), 3u);
}
