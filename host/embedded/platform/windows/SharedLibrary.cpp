#include "host/embedded/SharedLibrary.h"

#include <windows.h>

#include <vector>

namespace embedded::shared_library {

namespace {

std::wstring Widen(const std::string& text) {
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

// The system's message for the thread's last error, without its line break,
// followed by the code.
std::string LastSystemError() {
  const DWORD code = GetLastError();
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = length != 0 ? std::string(text, length) : "unknown error";
  LocalFree(text);
  while (!message.empty() &&
         (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) {
    message.pop_back();
  }
  return message + " (error " + std::to_string(code) + ")";
}

}  // namespace

void* Open(const std::string& path, std::string& error) {
  HMODULE library = LoadLibraryW(Widen(path).c_str());
  if (library == nullptr) error = LastSystemError();
  return reinterpret_cast<void*>(library);
}

void* Find(void* library, const char* symbol, std::string& error) {
  FARPROC address = GetProcAddress(static_cast<HMODULE>(library), symbol);
  if (address == nullptr) error = LastSystemError();
  return reinterpret_cast<void*>(address);
}

void Close(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }

bool IsLoaded(const std::string& path) { return GetModuleHandleW(Widen(path).c_str()) != nullptr; }

}  // namespace embedded::shared_library
