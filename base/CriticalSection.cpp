#include "base/CriticalSection.h"

CriticalSection_CL::CriticalSection_CL() { InitializeCriticalSection(&section); }

CriticalSection_CL::~CriticalSection_CL() { DeleteCriticalSection(&section); }

void CriticalSection_CL::Enter() { EnterCriticalSection(&section); }

bool CriticalSection_CL::TryEnter() { return TryEnterCriticalSection(&section) != 0; }

void CriticalSection_CL::Leave() { LeaveCriticalSection(&section); }

void CriticalSection_CL::Wait(CONDITION_VARIABLE& condition) {
  SleepConditionVariableCS(&condition, &section, INFINITE);
}
