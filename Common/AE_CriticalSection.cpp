#include "Common/AE_CriticalSection.h"

void AE_CriticalSection::Enter() { mutex_.lock(); }

void AE_CriticalSection::Leave() { mutex_.unlock(); }
