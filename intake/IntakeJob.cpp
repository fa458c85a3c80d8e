#include "intake/IntakeJob.h"

#include <limits>
#include <unordered_set>
#include <utility>

#include "intake/FindPicture.h"

namespace {

// The key two spellings of one path share: upper case, as the file system compares names.
std::wstring PathKey(const std::wstring& path) {
  std::wstring key = path;
  if (!key.empty()) CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
  return key;
}

// Gathers what one request finds and posts it in batches, at most one per interval.
class BatchSender {
public:
  BatchSender(const std::shared_ptr<WindowPost>& target, const IntakeJob_CL::Receiver& receiver, std::uint64_t request)
      : target(target), receiver(receiver), request(request) {}

  PhotoList found;  // the walker appends here
  std::vector<UnreadFolder> unread;
  std::size_t folders = 0;

  void SendWhenDue() {
    if (GetTickCount64() - lastSent >= IntakeJob_CL::kBatchIntervalMs) Send(false, false);
  }
  void Send(bool done, bool stopped) {
    if (!done && found.items.empty() && unread.empty()) return;
    auto batch = std::make_unique<IntakeBatch>();
    batch->request = request;
    batch->photos = std::move(found.items);
    batch->unread = std::move(unread);
    batch->folders = folders;
    batch->done = done;
    batch->stopped = stopped;
    found.items.clear();
    unread.clear();
    lastSent = GetTickCount64();
    if (!target || !receiver) return;
    // A window gone meanwhile takes nothing: the batch is freed here.
    target->Post([receive = receiver, sent = std::move(batch)]() mutable { receive(std::move(sent)); });
  }

private:
  const std::shared_ptr<WindowPost>& target;
  const IntakeJob_CL::Receiver& receiver;
  std::uint64_t request;
  ULONGLONG lastSent = GetTickCount64();
};

// The picture walk of one path, stoppable between entries, reporting to the sender.
class IntakeWalker : public FindPicture_CL {
public:
  IntakeWalker(BatchSender& sender, const IntakeRequest& request, const std::wstring& root,
               std::unordered_set<std::wstring>* seen, std::function<bool()> stopped,
               const std::function<void(const std::wstring&)>& beforeListing)
      : FindPicture_CL(&sender.found, request.skipped, root),
        sender(sender),
        seen(seen),
        stopped(std::move(stopped)),
        beforeListing(beforeListing) {}

  void OnFolder(std::wstring parentFolder, std::wstring subFolderName) override {
    ++sender.folders;
    if (beforeListing) beforeListing(parentFolder + L"\\" + subFolderName);
  }
  void OnFile(std::wstring folder, const WIN32_FIND_DATAW& entry) override {
    const std::size_t before = sender.found.items.size();
    FindPicture_CL::OnFile(std::move(folder), entry);
    if (seen != nullptr && sender.found.items.size() > before &&
        !seen->insert(PathKey(sender.found.items.back().path)).second) {
      sender.found.items.pop_back();
    }
    sender.SendWhenDue();
  }
  void OnFolderUnreadable(const std::wstring& folder, DWORD error) override {
    sender.unread.push_back(UnreadFolder{folder, error});
  }
  bool Stopped() const override { return stopped(); }

private:
  BatchSender& sender;
  std::unordered_set<std::wstring>* seen;  // null: every photo found is kept
  std::function<bool()> stopped;
  const std::function<void(const std::wstring&)>& beforeListing;
};

}  // namespace

void IntakeJob_CL::Shutdown() {
  {
    const CriticalSectionLock hold(lock);
    quit = true;
    queue.clear();
  }
  stopThrough.store(std::numeric_limits<std::uint64_t>::max());
  WakeAllConditionVariable(&arrived);
  worker.Join();
}

void IntakeJob_CL::SetTarget(std::shared_ptr<WindowPost> post, Receiver receive) {
  target = std::move(post);
  receiver = std::move(receive);
}

std::uint64_t IntakeJob_CL::Add(IntakeRequest request) {
  const std::uint64_t number = ++lastNumber;
  {
    const CriticalSectionLock hold(lock);
    queue.push_back(Queued{number, std::move(request)});
  }
  WakeAllConditionVariable(&arrived);
  if (!worker.Started() && !worker.RunAsync([this] { RunWorker(); })) {
    // No thread: the request ends at once, having found nothing.
    const CriticalSectionLock hold(lock);
    while (!queue.empty()) {
      BatchSender(target, receiver, queue.front().number).Send(true, true);
      queue.pop_front();
    }
  }
  return number;
}

void IntakeJob_CL::StopAll() { stopThrough.store(lastNumber); }

void IntakeJob_CL::RunWorker() {
  Queued next;
  while (WaitForNext(next)) Walk(next);
}

bool IntakeJob_CL::WaitForNext(Queued& next) {
  const CriticalSectionLock hold(lock);
  while (queue.empty() && !quit) lock.Wait(arrived);
  if (quit) return false;
  next = std::move(queue.front());
  queue.pop_front();
  return true;
}

void IntakeJob_CL::Walk(const Queued& queued) {
  const IntakeRequest& request = queued.request;
  BatchSender sender(target, receiver, queued.number);
  std::unordered_set<std::wstring> seen;
  if (request.onceEach) {
    for (const std::wstring& path : request.listed) seen.insert(PathKey(path));
  }
  const auto stopped = [this, number = queued.number] { return IsStopped(number); };
  for (const std::wstring& path : request.paths) {
    if (stopped()) break;
    std::wstring searched;
    std::wstring root;
    if (!PictureSearchOf(path, searched, root)) continue;
    IntakeWalker walker(sender, request, root, request.onceEach ? &seen : nullptr, stopped, beforeListing);
    walker.Search(searched, 1);
  }
  {
    // Going away: the window takes nothing more.
    const CriticalSectionLock hold(lock);
    if (quit) return;
  }
  sender.Send(true, stopped());
}
