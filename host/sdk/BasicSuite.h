// The host's basic suite: the door to every other function suite.
#pragma once

#include <cstdint>

typedef int32_t SPErr;
typedef uint8_t SPBoolean;

enum { kSPNoError = 0 };

typedef struct SPBasicSuite {
  // Fills *suite and returns 0, or returns an error code.
  SPErr (*AcquireSuite)(const char* name, int32_t version, const void** suite);
  SPErr (*ReleaseSuite)(const char* name, int32_t version);
  SPBoolean (*IsEqual)(const char* token1, const char* token2);
} SPBasicSuite;
