#pragma once
// The lock around theSaveData.items while a worker appends to it. The registration job
// appends only while holding it, so a reader on another thread (the thumbnail strip's
// painter) that holds it too never sees the vector being moved. Readers on the thread that
// owns the list hold it just long enough to copy what they need. The lock is re-entrant.
// Whoever holds it must not wait for the user-interface thread (no SendMessage, no join).
#include <windows.h>

class ItemsGuard_CL {
public:
  ItemsGuard_CL();
  virtual ~ItemsGuard_CL();
  ItemsGuard_CL(const ItemsGuard_CL&) = delete;
  ItemsGuard_CL& operator=(const ItemsGuard_CL&) = delete;

  void Lock();
  // Takes the lock only when nobody else holds it; a painter may skip a frame instead.
  bool TryLock();
  void Unlock();

private:
  CRITICAL_SECTION section{};
};

extern ItemsGuard_CL theItemsGuard;

// Holds theItemsGuard (or another guard) for one scope.
class ItemsLock {
public:
  explicit ItemsLock(ItemsGuard_CL& guard = theItemsGuard) : guard(guard) { guard.Lock(); }
  ~ItemsLock() { guard.Unlock(); }
  ItemsLock(const ItemsLock&) = delete;
  ItemsLock& operator=(const ItemsLock&) = delete;

private:
  ItemsGuard_CL& guard;
};
