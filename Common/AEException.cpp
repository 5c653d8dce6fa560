#include "Common/AEException.h"

#include <cstring>

AEException::AEException() : code_(1) { SetMessage("Unknown Error"); }

AEException::AEException(PF_Err code, const char* message) : code_(code) {
  SetMessage(message);
}

AEException::AEException(const AEException& other) : code_(other.code_) {
  SetMessage(other.message_);
}

AEException& AEException::operator=(const AEException& other) {
  if (this != &other) {
    code_ = other.code_;
    SetMessage(other.message_);
  }
  return *this;
}

// Copies at most 255 characters, then terminates at 254, so a longer message
// keeps its first 254 characters.
void AEException::SetMessage(const char* message) {
  std::memset(message_, 0, sizeof message_);
  if (message != nullptr) {
    std::memcpy(message_, message, strnlen(message, kMessageSize - 1));
  }
  message_[kMaxMessageLength] = '\0';
}

SuiteNotFound::SuiteNotFound() : AEException(kCode, "Suite not found") {}
