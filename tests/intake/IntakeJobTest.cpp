#include "intake/IntakeJob.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/Owned.h"
#include "base/PostToWindow.h"
#include "tests/support/TempFolder.h"

namespace {

// A window of the test's own that only takes messages, with the inbox the job posts to.
struct MessageWindow {
  HWND hwnd = CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  PostInbox inbox;
  MessageWindow() { inbox.Open(hwnd); }
  ~MessageWindow() {
    inbox.Close();
    if (hwnd != nullptr) DestroyWindow(hwnd);
  }
  HWND get() const { return hwnd; }
};

// What the job posted to a window of the test, gathered by request.
struct Received {
  std::vector<std::wstring> photos;
  std::vector<std::wstring> unread;
  int batches = 0;
  bool done = false;
  bool stopped = false;
};

// What the job's batches say, gathered by request on the test's thread.
using ReceivedByRequest = std::map<std::uint64_t, Received>;
IntakeJob_CL::Receiver GatherInto(ReceivedByRequest& received) {
  return [&received](std::unique_ptr<IntakeBatch> batch) {
    Received& request = received[batch->request];
    EXPECT_FALSE(request.done) << "nothing comes after a request's last batch";
    for (const PhotoItem& photo : batch->photos) request.photos.push_back(photo.path);
    for (const UnreadFolder& folder : batch->unread) request.unread.push_back(folder.folder);
    ++request.batches;
    request.done = batch->done;
    request.stopped = batch->stopped;
  };
}

// Pumps the test's message window until `requests` requests are done (at most 10 s).
void ReceiveUntilDone(MessageWindow& window, const ReceivedByRequest& received, std::size_t requests) {
  const auto doneCount = [&received] {
    std::size_t done = 0;
    for (const auto& request : received) done += request.second.done ? 1 : 0;
    return done;
  };
  const ULONGLONG end = GetTickCount64() + 10000;
  while (doneCount() < requests && GetTickCount64() < end) {
    MSG msg;
    while (PeekMessageW(&msg, window.get(), 0, 0, PM_REMOVE)) window.inbox.Handle(msg.message);
    Sleep(5);
  }
}

}  // namespace

TEST(IntakeJob, RequestsRunInTurnAVanishedFolderIsNamedOnceEachHoldsAndAStopEndsEveryRequest) {
  TempFolder temp;
  for (const wchar_t* folder : {L"a", L"a\\gone", L"a\\later"}) CreateDirectoryW(temp.File(folder).c_str(), nullptr);
  for (const wchar_t* file : {L"a\\x.jpg", L"a\\gone\\y.jpg", L"a\\later\\z.png", L"a\\notes.txt"}) {
    ASSERT_TRUE(WriteFileBytes(temp.File(file), "x"));
  }
  MessageWindow window;
  ASSERT_NE(window.get(), nullptr);

  const KernelHandle entered(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  const KernelHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  IntakeJob_CL job;
  ReceivedByRequest received;
  job.SetTarget(window.inbox.Token(), GatherInto(received));
  job.beforeListing = [&](const std::wstring& folder) {
    // A folder that goes while the tree is read, between its discovery and its listing.
    if (folder == temp.File(L"a\\gone")) RemoveTree(folder);
    if (folder == temp.File(L"b")) {
      SetEvent(entered.get());
      WaitForSingleObject(release.get(), 10000);
    }
  };

  IntakeRequest once;
  once.paths = {temp.File(L"a")};
  once.onceEach = true;
  once.listed = {temp.File(L"A\\X.JPG")};  // already in the list, spelled otherwise
  IntakeRequest twice;
  twice.paths = {temp.File(L"a\\x.jpg"), temp.File(L"a\\x.jpg"), temp.File(L"missing.jpg")};
  EXPECT_EQ(job.Add(once), 1u);
  EXPECT_EQ(job.Add(twice), 2u);
  ReceiveUntilDone(window, received, 2);
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[1].photos, std::vector<std::wstring>{temp.File(L"a\\later\\z.png")});
  EXPECT_EQ(received[1].unread, std::vector<std::wstring>{temp.File(L"a\\gone")}) << "named, and the walk goes on";
  EXPECT_FALSE(received[1].stopped);
  EXPECT_EQ(received[2].photos, (std::vector<std::wstring>{temp.File(L"a\\x.jpg"), temp.File(L"a\\x.jpg")}))
      << "without once-each a photo named twice is listed twice";
  EXPECT_TRUE(received[2].unread.empty()) << "a missing file is no unreadable folder";

  // A stop ends the walk in hand and the request waiting behind it; each still says so.
  CreateDirectoryW(temp.File(L"b").c_str(), nullptr);
  ASSERT_TRUE(WriteFileBytes(temp.File(L"b\\w.jpg"), "x"));
  IntakeRequest slow;
  slow.paths = {temp.File(L"b")};
  job.Add(slow);
  ASSERT_EQ(WaitForSingleObject(entered.get(), 10000), WAIT_OBJECT_0);
  IntakeRequest waiting;
  waiting.paths = {temp.File(L"a")};
  job.Add(waiting);
  received.clear();
  job.StopAll();
  SetEvent(release.get());
  ReceiveUntilDone(window, received, 2);
  ASSERT_EQ(received.size(), 2u);
  for (const std::uint64_t request : {3u, 4u}) {
    EXPECT_TRUE(received[request].stopped) << request;
    EXPECT_TRUE(received[request].photos.empty()) << request;
    EXPECT_EQ(received[request].batches, 1) << request;
  }
}
