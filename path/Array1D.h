// The effect's own bounds-checked array. Storage comes from the global
// allocation functions, which the module routes to the host's handle
// allocator; a failed allocation throws std::bad_alloc. Every element access
// is checked and a bad index throws std::out_of_range("Index out of Range").
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>
#include <stdexcept>
#include <utility>

template <typename T>
class Array1D {
 public:
  Array1D() = default;
  explicit Array1D(int32_t count, const T& fill = T()) { Resize(count, fill); }
  Array1D(const Array1D& other) { CopyFrom(other); }
  Array1D& operator=(const Array1D& other) {
    if (this != &other) {
      Release();
      CopyFrom(other);
    }
    return *this;
  }
  Array1D(Array1D&& other) noexcept { Swap(other); }
  Array1D& operator=(Array1D&& other) noexcept {
    if (this != &other) {
      Release();
      Swap(other);
    }
    return *this;
  }
  virtual ~Array1D() { Release(); }

  // Destroys the old elements, then holds `count` copies of `fill` (none, and
  // a null data pointer, for count < 1).
  void Resize(int32_t count, const T& fill = T()) {
    Release();
    if (count < 1) return;
    if (static_cast<std::size_t>(count) > std::numeric_limits<std::size_t>::max() / sizeof(T)) {
      throw std::bad_alloc();
    }
    T* storage = static_cast<T*>(::operator new(sizeof(T) * static_cast<std::size_t>(count)));
    int32_t built = 0;
    try {
      for (; built < count; ++built) new (storage + built) T(fill);
    } catch (...) {
      while (built > 0) storage[--built].~T();
      ::operator delete(storage);
      throw;
    }
    data_ = storage;
    count_ = count;
    capacity_ = count;
    owned_ = true;
  }

  // Shortens the visible count without touching the storage (the elements
  // past the new count stay alive until the next Resize or destruction).
  void Truncate(int32_t count) {
    if (count < 0 || count > capacity_) throw std::out_of_range("Index out of Range");
    count_ = count;
  }

  T& operator[](int32_t i) { return data_[Checked(i)]; }
  const T& operator[](int32_t i) const { return data_[Checked(i)]; }

  int32_t Count() const { return count_; }
  int32_t Capacity() const { return capacity_; }
  bool Owned() const { return owned_; }
  T* Data() { return data_; }
  const T* Data() const { return data_; }

 private:
  int32_t Checked(int32_t i) const {
    if (data_ == nullptr || i < 0 || i >= count_) throw std::out_of_range("Index out of Range");
    return i;
  }

  void Release() {
    if (data_ != nullptr && owned_) {
      for (int32_t i = capacity_; i > 0; --i) data_[i - 1].~T();
      ::operator delete(data_);
    }
    data_ = nullptr;
    count_ = 0;
    capacity_ = 0;
    owned_ = false;
  }

  void CopyFrom(const Array1D& other) {
    if (other.data_ == nullptr || other.capacity_ < 1) return;
    T* storage =
        static_cast<T*>(::operator new(sizeof(T) * static_cast<std::size_t>(other.capacity_)));
    int32_t built = 0;
    try {
      for (; built < other.capacity_; ++built) new (storage + built) T(other.data_[built]);
    } catch (...) {
      while (built > 0) storage[--built].~T();
      ::operator delete(storage);
      throw;
    }
    data_ = storage;
    count_ = other.count_;
    capacity_ = other.capacity_;
    owned_ = true;
  }

  void Swap(Array1D& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(count_, other.count_);
    std::swap(capacity_, other.capacity_);
    std::swap(owned_, other.owned_);
  }

  T* data_ = nullptr;
  int32_t count_ = 0;
  int32_t capacity_ = 0;  // elements constructed in data_ (count_ after Truncate may be less)
  bool owned_ = false;
};
