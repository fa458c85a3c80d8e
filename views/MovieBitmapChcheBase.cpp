#include "views/MovieBitmapChcheBase.h"

MovieBitmapChcheBase_CL::Entry* MovieBitmapChcheBase_CL::Search(std::int64_t key) const {
  const auto found = positions.find(key);
  return found == positions.end() ? nullptr : &*found->second;
}

MovieBitmapChcheBase_CL::Entry& MovieBitmapChcheBase_CL::MakeMostRecent(std::int64_t key) {
  const Entries::iterator position = positions.at(key);
  entries.splice(entries.begin(), entries, position);
  return *position;
}

void MovieBitmapChcheBase_CL::EvictLeastRecent() {
  if (entries.empty()) return;
  positions.erase(entries.back().key);
  entries.pop_back();
}

GpBitmap* MovieBitmapChcheBase_CL::Find(std::int64_t key) {
  const Entry* const entry = Search(key);
  if (!entry || !entry->bitmap) return nullptr;
  return MakeMostRecent(key).bitmap.get();
}

int MovieBitmapChcheBase_CL::Store(std::int64_t key, GpBitmapPtr bitmap) {
  if (Search(key)) {
    Entry& entry = MakeMostRecent(key);
    entry.bitmap = std::move(bitmap);
    entry.awaitedSequence = 0;
    return 0;
  }
  if (entries.size() >= capacity) EvictLeastRecent();
  entries.push_front(Entry{key, std::move(bitmap), 0});
  positions[key] = entries.begin();
  return 0;
}

GpBitmap* MovieBitmapChcheBase_CL::FindFinished(std::int64_t key) const {
  const Entry* const entry = Search(key);
  return entry != nullptr && entry->awaitedSequence == 0 ? entry->bitmap.get() : nullptr;
}

int MovieBitmapChcheBase_CL::Remove(std::int64_t key) {
  const auto found = positions.find(key);
  if (found == positions.end()) return static_cast<int>(E_FAIL);
  entries.erase(found->second);
  positions.erase(found);
  return 0;
}

void MovieBitmapChcheBase_CL::Clear() {
  positions.clear();
  entries.clear();
}

int MovieBitmapChcheBase_CL::Await(std::int64_t key, int sequence) {
  Entry* const entry = Search(key);
  if (!entry) return static_cast<int>(E_FAIL);
  entry->awaitedSequence = sequence;
  return 0;
}

int MovieBitmapChcheBase_CL::StoreIfAwaited(std::int64_t key, int sequence, GpBitmapPtr bitmap) {
  const Entry* const entry = Search(key);
  if (!entry || sequence == 0 || entry->awaitedSequence != sequence) return static_cast<int>(E_FAIL);
  return Store(key, std::move(bitmap));
}
