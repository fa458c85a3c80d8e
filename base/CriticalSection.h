#pragma once
// The program's one lock class: a platform critical section (re-entrant). A lock made with
// kInitializeLater may be used before it exists: until Initialize() has run, Enter and Leave
// do nothing and the guarded code runs unlocked. The decode thread initializes its queue's
// lock before anyone else can reach the queue from a second thread.
#include <windows.h>

#include <atomic>

class CriticalSection_CL {
public:
  enum Creation { kInitializeLater, kInitializeNow };
  explicit CriticalSection_CL(Creation creation = kInitializeLater);
  virtual ~CriticalSection_CL();
  CriticalSection_CL(const CriticalSection_CL&) = delete;
  CriticalSection_CL& operator=(const CriticalSection_CL&) = delete;

  // Creates the platform object once; later calls keep the existing one.
  void Initialize();
  bool IsInitialized() const { return initialized.load() != 0; }

  // Enter answers whether the platform lock was really taken.
  bool Enter();
  // Takes the lock only when nobody else holds it (a painter may skip a frame instead).
  bool TryEnter();
  void Leave();

private:
  std::atomic<int> initialized{0};
  CRITICAL_SECTION section{};
};

// Holds the lock for one scope. Leaves only if it really entered, so a lock that becomes
// initialized while the scope runs is never left without having been entered.
class CriticalSectionLock {
public:
  explicit CriticalSectionLock(CriticalSection_CL& lock) : lock(lock), entered(lock.Enter()) {}
  ~CriticalSectionLock() {
    if (entered) lock.Leave();
  }
  CriticalSectionLock(const CriticalSectionLock&) = delete;
  CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

private:
  CriticalSection_CL& lock;
  const bool entered;
};
