// The effect's failures: a host error code and a message of at most 254
// characters, thrown by value and caught by reference.
#pragma once

#include "host/sdk/EffectTypes.h"

class AEException {
 public:
  static constexpr int kMessageSize = 256;
  static constexpr int kMaxMessageLength = 254;

  AEException();  // code 1, "Unknown Error"
  AEException(PF_Err code, const char* message);
  AEException(const AEException& other);
  AEException& operator=(const AEException& other);
  virtual ~AEException() = default;

  PF_Err Code() const { return code_; }
  const char* Message() const { return message_; }

 private:
  void SetMessage(const char* message);

  char message_[kMessageSize];
  PF_Err code_;
};

// A host suite that could not be had: code 13, "Suite not found".
class SuiteNotFound : public AEException {
 public:
  static constexpr PF_Err kCode = 13;
  SuiteNotFound();
};
