#pragma once
// The thumbnail decoder: a worker thread that takes decode requests newest first, opens each
// photo, turns it upright by its EXIF orientation and the user's rotation, scales it into a
// 16-bit thumbnail and hands the finished request (and its ownership) to its receiver on the
// target window's thread, through that window's post token (base/PostToWindow.h). With
// decodeThreads above one, helper threads beside the worker take requests from the same
// queue, newest first too, so several photos are decoded at once.
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "base/PostToWindow.h"
#include "base/WorkerThread.h"

#include "views/DecodeItem.h"
#include "views/MovieBitmapChcheBase.h"
#include "base/Messages.h"
#include "base/ThreadBase.h"


class DecodeImage_CL : public ThreadBase_CL {
public:
  using DecodeItem_CL = ::DecodeItem_CL;

  DecodeImage_CL();
  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Lets the request in hand finish, stops the worker and destroys the requests still queued
  // without decoding them.
  ~DecodeImage_CL() override;
  // Also wakes the worker for requests queued while no worker was running, and starts the
  // helper threads.
  int Start() override;
  // Stops the helpers (each after the request in hand), then the worker.
  void Stop() override;
  // Posts the request to the receiver; without a target (or when the target's window has
  // gone) the request is destroyed with its thumbnail.
  virtual void DeliverResult(std::unique_ptr<DecodeItem_CL> request);

  // Queues a request and answers the sequence number given to it (0 for no request).
  int Enqueue(std::unique_ptr<DecodeItem_CL> request);
  // Where finished requests go: `receive` runs on the thread of the window that `post`
  // belongs to, while that window lives. Set before Start.
  using Receiver = std::function<void(std::unique_ptr<DecodeItem_CL>)>;
  void SetTarget(std::shared_ptr<WindowPost> post, Receiver receive);
  std::size_t QueuedCount();

  // min(processor cores, 4): the decode threads the strip uses.
  static int DefaultDecodeThreads();
  // Threads that decode at once, the worker included; set before Start.
  int decodeThreads = 1;

  // The thumbnail of the request into request.result: the photo fitted into its box, or the
  // unreadable-photo tile. Nothing when `stop` became true while it decoded. Runs on the
  // worker and its helpers; usable on its own.
  static void Decode(DecodeItem_CL& request, const std::atomic<int>* stop = nullptr);

protected:
  std::shared_ptr<WindowPost> target;
  Receiver receiver;
  std::vector<std::unique_ptr<DecodeItem_CL>> queue;
  std::atomic<int> abandon{0};  // set when the decoder goes: the decode in hand stops

private:
  std::unique_ptr<DecodeItem_CL> TakeNewest();
  void DecodeQueued();
  void StartHelpers();
  // A helper's loop: waits for requests and decodes them until the helpers are stopped.
  void RunHelper();
  // The newest request once there is one; none when the helpers are to stop.
  std::unique_ptr<DecodeItem_CL> WaitForNewest();

  std::vector<std::unique_ptr<WorkerThread>> helpers;
  CONDITION_VARIABLE workArrived = CONDITION_VARIABLE_INIT;  // with `lock`
  bool helpersQuit = false;                                  // under `lock`
};

// The key a photo's thumbnail is cached under: its path (without regard to case), its
// rotation and the time its file was last written, so that the thumbnail follows the photo
// wherever it moves in the list, and a turned or edited photo is decoded anew.
std::int64_t ThumbnailKey(const std::wstring& path, int rotation, const FILETIME& written);

// The two ends of a thumbnail request, as the thumbnail list and the main window use them.
//
// RequestThumbnail: stores a blank placeholder under `key`, queues a request for the photo
// and marks the placeholder as waiting for it. Answers the request's sequence number.
int RequestThumbnail(MovieBitmapChcheBase_CL& cache, DecodeImage_CL& decoder, std::int64_t key, const std::wstring& path,
                     int thumbWidth, int thumbHeight, int rotation);
// AcceptThumbnail: puts a delivered thumbnail into the cache when its placeholder still waits
// for exactly this request; a result overtaken by a cleared or re-requested entry is dropped.
// Answers whether the cache changed (the list then needs repainting). Destroys the request.
bool AcceptThumbnail(MovieBitmapChcheBase_CL& cache, std::unique_ptr<DecodeItem_CL> request);
