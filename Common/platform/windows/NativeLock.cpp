#include "NativeLock.h"

#include <windows.h>

static_assert(sizeof(SRWLOCK) == sizeof(void*), "an SRWLOCK is one pointer");

void NativeLock::Lock() noexcept { AcquireSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&srw_)); }

void NativeLock::Unlock() noexcept { ReleaseSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&srw_)); }
