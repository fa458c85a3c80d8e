#pragma once
// The gathered photos: the list the strip shows, its lock and which photo is current. The
// current photo is kept as an index, so nothing points into the list when it grows or is
// copied.
#include <string>
#include <vector>

#include "base/CriticalSection.h"
#include "engine/ConvertSettings.h"

// One gathered photo.
struct PhotoItem {
  std::wstring path;
  int rotation = 0;   // the user's quarter turns clockwise 0..3, applied with vips_rot
  int ownEffect = 0;  // 1: use `effect` instead of the global effect
  EffectParams effect;
  // The folder a searched folder was found in (the dropped or named folder's parent), from
  // which the photo's sub-folders are recreated under a chosen output folder; empty for a
  // photo given as a file, which goes to that folder's top.
  std::wstring root;
};

// The lock of a photo list. A copy of the record (a batch's snapshot, a test's saved state)
// gets a lock of its own: a lock is never shared by copying.
class PhotoListLock : public CriticalSection_CL {
public:
  PhotoListLock() = default;
  PhotoListLock(const PhotoListLock&) : PhotoListLock() {}
  PhotoListLock& operator=(const PhotoListLock&) { return *this; }
  ~PhotoListLock() override = default;
};

class PhotoList {
public:
  // Empties the list; no photo is current afterwards.
  void Clear();
  // Appends a copy of item; the current photo stays current.
  void AddItem(PhotoItem item);
  // The current photo, or null when none is (currentIndex outside the list).
  PhotoItem* CurrentItem();
  const PhotoItem* CurrentItem() const;

  std::vector<PhotoItem> items;
  // The list's lock, re-entrant. A registration worker appends to `items` only while holding
  // it, and a reader on another thread (the strip's painter) holds it too, so it never sees
  // the vector being moved. Whoever holds it must not wait for the user-interface thread.
  mutable PhotoListLock itemsLock;
  int currentIndex = -1;
};
