#include "views/MovieBitmapChcheBase.h"

#include <new>

MovieBitmapChcheBase_CL::~MovieBitmapChcheBase_CL() { Clear(); }

MovieBitmapChcheBase_CL::Entry* MovieBitmapChcheBase_CL::Search(std::int64_t key) const {
  for (Entry* entry = first; entry; entry = entry->next) {
    if (entry->kind == 0 && entry->key == key) return entry;
  }
  return nullptr;
}

void MovieBitmapChcheBase_CL::Unlink(Entry* entry) {
  (entry->previous ? entry->previous->next : first) = entry->next;
  (entry->next ? entry->next->previous : last) = entry->previous;
  entry->previous = entry->next = nullptr;
  --count;
}

void MovieBitmapChcheBase_CL::PushFront(Entry* entry) {
  entry->previous = nullptr;
  entry->next = first;
  (first ? first->previous : last) = entry;
  first = entry;
  ++count;
}

void MovieBitmapChcheBase_CL::EvictLeastRecent() {
  Entry* victim = last;
  if (!victim) return;
  Unlink(victim);
  delete victim;
}

GpBitmap* MovieBitmapChcheBase_CL::Find(std::int64_t key) {
  Entry* entry = Search(key);
  if (!entry || !entry->bitmap) return nullptr;
  Unlink(entry);
  PushFront(entry);
  return entry->bitmap.get();
}

int MovieBitmapChcheBase_CL::Store(std::int64_t key, GpBitmapPtr bitmap) {
  if (Entry* entry = Search(key)) {
    entry->bitmap = std::move(bitmap);
    entry->awaitedSequence = 0;
    Unlink(entry);
    PushFront(entry);
    return 0;
  }
  Entry* entry = new (std::nothrow) Entry;
  if (!entry) return static_cast<int>(E_FAIL);
  if (count >= capacity) EvictLeastRecent();
  entry->key = key;
  entry->bitmap = std::move(bitmap);
  PushFront(entry);
  return 0;
}

GpBitmap* MovieBitmapChcheBase_CL::FindFinished(std::int64_t key) const {
  const Entry* entry = Search(key);
  return entry != nullptr && entry->awaitedSequence == 0 ? entry->bitmap.get() : nullptr;
}

int MovieBitmapChcheBase_CL::Remove(std::int64_t key) {
  Entry* entry = Search(key);
  if (!entry) return static_cast<int>(E_FAIL);
  Unlink(entry);
  delete entry;
  return 0;
}

void MovieBitmapChcheBase_CL::Clear() {
  while (first) EvictLeastRecent();
}

int MovieBitmapChcheBase_CL::Await(std::int64_t key, int sequence) {
  Entry* entry = Search(key);
  if (!entry) return static_cast<int>(E_FAIL);
  entry->awaitedSequence = sequence;
  return 0;
}

int MovieBitmapChcheBase_CL::StoreIfAwaited(std::int64_t key, int sequence, GpBitmapPtr bitmap) {
  const Entry* entry = Search(key);
  if (!entry || sequence == 0 || entry->awaitedSequence != sequence) return static_cast<int>(E_FAIL);
  return Store(key, std::move(bitmap));
}
