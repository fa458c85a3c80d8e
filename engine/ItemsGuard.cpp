#include "engine/ItemsGuard.h"

ItemsGuard_CL theItemsGuard;

ItemsGuard_CL::ItemsGuard_CL() { InitializeCriticalSection(&section); }

ItemsGuard_CL::~ItemsGuard_CL() { DeleteCriticalSection(&section); }

void ItemsGuard_CL::Lock() { EnterCriticalSection(&section); }

bool ItemsGuard_CL::TryLock() { return TryEnterCriticalSection(&section) != 0; }

void ItemsGuard_CL::Unlock() { LeaveCriticalSection(&section); }
