#pragma once
// The program's one lock class: a platform critical section (re-entrant), ready from its
// construction to its destruction.
#include <windows.h>

class CriticalSection_CL {
public:
  CriticalSection_CL();
  virtual ~CriticalSection_CL();
  CriticalSection_CL(const CriticalSection_CL&) = delete;
  CriticalSection_CL& operator=(const CriticalSection_CL&) = delete;

  void Enter();
  // Takes the lock only when nobody else holds it (a painter may skip a frame instead).
  bool TryEnter();
  void Leave();
  // Leaves the lock, sleeps until `condition` is woken, and takes the lock again. The caller
  // holds the lock once (not re-entered) and checks its condition again afterwards.
  void Wait(CONDITION_VARIABLE& condition);

private:
  CRITICAL_SECTION section{};
};

// Holds the lock for one scope.
class CriticalSectionLock {
public:
  explicit CriticalSectionLock(CriticalSection_CL& lock) : lock(lock) { lock.Enter(); }
  ~CriticalSectionLock() { lock.Leave(); }
  CriticalSectionLock(const CriticalSectionLock&) = delete;
  CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

private:
  CriticalSection_CL& lock;
};
