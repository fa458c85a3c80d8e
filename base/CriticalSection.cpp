#include "base/CriticalSection.h"

CriticalSection_CL::CriticalSection_CL(Creation creation) {
  if (creation == kInitializeNow) Initialize();
}

CriticalSection_CL::~CriticalSection_CL() {
  if (IsInitialized()) DeleteCriticalSection(&section);
}

void CriticalSection_CL::Initialize() {
  if (IsInitialized()) return;
  InitializeCriticalSection(&section);
  initialized.store(1);
}

bool CriticalSection_CL::Enter() {
  if (!IsInitialized()) return false;
  EnterCriticalSection(&section);
  return true;
}

bool CriticalSection_CL::TryEnter() {
  return IsInitialized() && TryEnterCriticalSection(&section) != 0;
}

void CriticalSection_CL::Leave() {
  if (IsInitialized()) LeaveCriticalSection(&section);
}
