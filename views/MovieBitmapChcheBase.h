#pragma once
// A bounded store of bitmaps by key, most recently used first. When full, storing a new key
// evicts the least recently used entry. The cache owns every bitmap stored in it. Every
// operation takes constant time: the entries sit in a list in order of use, and a map from
// key to list position finds them.
//
// Entries can also remember which decode request they wait for (Await): a decoded thumbnail
// is then accepted only from that request (StoreIfAwaited), so a result that was requested
// before the list changed can never land on another photo's tile.
#include <cstdint>
#include <list>
#include <unordered_map>

#include "base/GpOwned.h"

constexpr unsigned kThumbnailCacheCapacity = 800;

class MovieBitmapChcheBase_CL {
public:
  explicit MovieBitmapChcheBase_CL(unsigned capacity = kThumbnailCacheCapacity) : capacity(capacity) {}
  virtual ~MovieBitmapChcheBase_CL() = default;
  MovieBitmapChcheBase_CL(const MovieBitmapChcheBase_CL&) = delete;
  MovieBitmapChcheBase_CL& operator=(const MovieBitmapChcheBase_CL&) = delete;

  // The bitmap under key (the cache keeps it), or null; a hit becomes the most recent entry.
  GpBitmap* Find(std::int64_t key);
  // The bitmap under key when it is a finished one (no placeholder awaiting its decode), else
  // null; the order of the entries stays as it is.
  GpBitmap* FindFinished(std::int64_t key) const;
  // Puts the bitmap under key, replacing (and destroying) what was there; the entry becomes
  // the most recent. Always 0.
  int Store(std::int64_t key, GpBitmapPtr bitmap);
  // 0, or E_FAIL when no entry has this key.
  int Remove(std::int64_t key);
  void Clear();

  // Marks the entry under key as waiting for the decode request with this sequence number.
  // 0, or E_FAIL when no entry has this key.
  int Await(std::int64_t key, int sequence);
  // Stores a decoded bitmap only when the entry under key still waits for this sequence
  // number; otherwise the bitmap is destroyed and E_FAIL returned.
  int StoreIfAwaited(std::int64_t key, int sequence, GpBitmapPtr bitmap);

  unsigned Count() const { return static_cast<unsigned>(entries.size()); }
  unsigned Capacity() const { return capacity; }

private:
  struct Entry {
    std::int64_t key = 0;
    GpBitmapPtr bitmap;
    int awaitedSequence = 0;  // 0: waits for nothing
  };
  using Entries = std::list<Entry>;

  Entry* Search(std::int64_t key) const;
  // Moves the entry under key to the front (it must be there) and answers it.
  Entry& MakeMostRecent(std::int64_t key);
  void EvictLeastRecent();

  unsigned capacity;
  Entries entries;  // most recently used first
  std::unordered_map<std::int64_t, Entries::iterator> positions;
};
