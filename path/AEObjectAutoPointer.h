// Owns one heap object (a path source) and deletes it through its virtual
// destructor when the scope ends. Not copyable; ownership can be moved.
#pragma once

#include <utility>

template <typename T>
class AEObjectAutoPointer {
 public:
  AEObjectAutoPointer() = default;
  explicit AEObjectAutoPointer(T* object) : object_(object) {}
  AEObjectAutoPointer(const AEObjectAutoPointer&) = delete;
  AEObjectAutoPointer& operator=(const AEObjectAutoPointer&) = delete;
  AEObjectAutoPointer(AEObjectAutoPointer&& other) noexcept : object_(other.Release()) {}
  AEObjectAutoPointer& operator=(AEObjectAutoPointer&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  ~AEObjectAutoPointer() { delete object_; }

  T* Get() const { return object_; }
  T* operator->() const { return object_; }
  T& operator*() const { return *object_; }
  explicit operator bool() const { return object_ != nullptr; }

  // Gives up ownership without deleting.
  T* Release() { return std::exchange(object_, nullptr); }
  // Deletes the object held and takes `object`.
  void Reset(T* object = nullptr) {
    T* old = std::exchange(object_, object);
    delete old;
  }

 private:
  T* object_ = nullptr;
};
