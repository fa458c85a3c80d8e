#include "views/DecodeImage.h"

#include <algorithm>
#include <atomic>

#include "base/PostToWindow.h"
#include "engine/PhotoResize.h"
#include "engine/VipsBitmap.h"
#include "views/BitmapHelpers.h"

namespace {

std::atomic<int> nextSequence{1};  // shared by every decoder of the process
constexpr int kMostDecodeThreads = 4;

}  // namespace

DecodeImage_CL::DecodeImage_CL() { singleStart = 1; }

DecodeImage_CL::~DecodeImage_CL() {
  stopRequested = 1;
  abandon = 1;  // a decode in hand gives up within a fraction of a second
  Stop();
  queue.clear();
}

int DecodeImage_CL::Start() {
  const int result = ThreadBase_CL::Start();
  if (result != 0) return result;
  if (QueuedCount() > 0) Post(MSG_DECODE_WORK, 0, 0);
  StartHelpers();
  return result;
}

int DecodeImage_CL::DefaultDecodeThreads() {
  SYSTEM_INFO system{};
  GetSystemInfo(&system);
  return std::clamp(static_cast<int>(system.dwNumberOfProcessors), 1, kMostDecodeThreads);
}

void DecodeImage_CL::StartHelpers() {
  if (!helpers.empty()) return;
  {
    const CriticalSectionLock guard(lock);
    helpersQuit = false;
  }
  for (int i = 1; i < std::min(decodeThreads, kMostDecodeThreads); ++i) {
    helpers.push_back(std::make_unique<WorkerThread>());
    if (!helpers.back()->RunAsync([this] { RunHelper(); })) helpers.pop_back();
  }
}

void DecodeImage_CL::Stop() {
  {
    const CriticalSectionLock guard(lock);
    helpersQuit = true;
  }
  WakeAllConditionVariable(&workArrived);
  for (const std::unique_ptr<WorkerThread>& helper : helpers) helper->Join();
  helpers.clear();
  ThreadBase_CL::Stop();
}

std::unique_ptr<DecodeItem_CL> DecodeImage_CL::WaitForNewest() {
  const CriticalSectionLock guard(lock);
  while (!helpersQuit && queue.empty()) lock.Wait(workArrived);
  if (helpersQuit) return nullptr;
  std::unique_ptr<DecodeItem_CL> newest = std::move(queue.back());
  queue.pop_back();
  return newest;
}

void DecodeImage_CL::RunHelper() {
  while (std::unique_ptr<DecodeItem_CL> request = WaitForNewest()) {
    Decode(*request, &abandon);
    DeliverResult(std::move(request));
  }
}

std::size_t DecodeImage_CL::QueuedCount() {
  const CriticalSectionLock guard(lock);
  return queue.size();
}

int DecodeImage_CL::Enqueue(std::unique_ptr<DecodeItem_CL> request) {
  if (!request) return 0;
  const CriticalSectionLock guard(lock);
  const int sequence = nextSequence++;
  request->sequence = sequence;
  queue.push_back(std::move(request));
  if (queue.size() == 1) Post(MSG_DECODE_WORK, 0, 0);  // a non-empty queue already has its message
  WakeConditionVariable(&workArrived);
  return sequence;
}

std::unique_ptr<DecodeItem_CL> DecodeImage_CL::TakeNewest() {
  const CriticalSectionLock guard(lock);
  if (queue.empty()) return nullptr;
  std::unique_ptr<DecodeItem_CL> newest = std::move(queue.back());
  queue.pop_back();
  return newest;
}

int DecodeImage_CL::OnMessage(UINT message, WPARAM, LPARAM) {
  if (message == MSG_DECODE_WORK) DecodeQueued();
  return 0;
}

void DecodeImage_CL::DecodeQueued() {
  if (stopRequested) return;
  while (running) {
    std::unique_ptr<DecodeItem_CL> request = TakeNewest();
    if (!request) break;
    Decode(*request, &abandon);
    DeliverResult(std::move(request));
    if (stopRequested) break;
  }
}

void DecodeImage_CL::Decode(DecodeItem_CL& request, const std::atomic<int>* stop) {
  const PreparedPhoto thumbnail =
      ThumbnailPhoto(request.path, request.rotation, request.boxWidth, request.boxHeight, stop);
  if (thumbnail.failure == PhotoFailure::Cancelled) return;
  request.result = CreateBlankBitmap(request.boxWidth, request.boxHeight, request.pixelFormat);
  if (!request.result) return;
  const GpBitmapPtr photo = thumbnail.picture ? ToGdiplusBitmap(thumbnail.picture.get()) : GpBitmapPtr();
  if (photo) {
    DrawIntoBox(photo.get(), request.result.get());
  } else {
    DrawUnreadableTile(request.result.get());
  }
}

void DecodeImage_CL::SetTarget(std::shared_ptr<WindowPost> post, Receiver receive) {
  target = std::move(post);
  receiver = std::move(receive);
}

void DecodeImage_CL::DeliverResult(std::unique_ptr<DecodeItem_CL> request) {
  if (!target || !receiver) return;  // the request and its thumbnail go with the owner
  // A window gone meanwhile takes nothing: the request is freed here.
  target->Post([receive = receiver, finished = std::move(request)]() mutable { receive(std::move(finished)); });
}

std::int64_t ThumbnailKey(const std::wstring& path, int rotation, const FILETIME& written) {
  // 64-bit FNV-1a over what makes the thumbnail.
  std::uint64_t hash = 14695981039346656037ull;
  const auto mix = [&hash](std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
      hash ^= (value >> (8 * i)) & 0xFF;
      hash *= 1099511628211ull;
    }
  };
  std::wstring name = path;
  if (!name.empty()) CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
  for (const wchar_t c : name) mix(static_cast<std::uint64_t>(c), 2);
  mix(static_cast<std::uint64_t>(rotation & 3), 1);
  mix(written.dwLowDateTime, 4);
  mix(written.dwHighDateTime, 4);
  return static_cast<std::int64_t>(hash);
}

int RequestThumbnail(MovieBitmapChcheBase_CL& cache, DecodeImage_CL& decoder, std::int64_t key, const std::wstring& path,
                     int thumbWidth, int thumbHeight, int rotation) {
  cache.Store(key, CreateBlankBitmap(thumbWidth, thumbHeight, kThumbnailPixelFormat));
  auto request = std::make_unique<DecodeItem_CL>(path, thumbWidth, thumbHeight, rotation);
  request->cacheKey = key;
  const int sequence = decoder.Enqueue(std::move(request));
  cache.Await(key, sequence);
  return sequence;
}

bool AcceptThumbnail(MovieBitmapChcheBase_CL& cache, std::unique_ptr<DecodeItem_CL> request) {
  if (!request || !request->result) return false;
  return cache.StoreIfAwaited(request->cacheKey, request->sequence, std::move(request->result)) == 0;
}
