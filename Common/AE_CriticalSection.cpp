#include "Common/AE_CriticalSection.h"

void AE_CriticalSection::Enter() { lock_.Lock(); }

void AE_CriticalSection::Leave() { lock_.Unlock(); }
