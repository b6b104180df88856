#pragma once
// Intrusively counted payloads and the handle that holds one reference to them.

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/mfc/String.h"

namespace orbisk::utils {

// Created with a count of 1; Release at 0 destroys. Not atomic: one thread only.
class CRefCountBase {
 public:
  CRefCountBase() = default;
  virtual ~CRefCountBase() = default;
  CRefCountBase(const CRefCountBase&) = delete;
  CRefCountBase& operator=(const CRefCountBase&) = delete;

  void AddRef() { ++refCount_; }
  void Release() {
    if (refCount_ > 0) --refCount_;
    if (refCount_ == 0) delete this;
  }
  std::uint32_t GetRefCount() const { return refCount_; }

 private:
  std::uint32_t refCount_ = 1;
};

class CRefCountedString : public CRefCountBase {
 public:
  explicit CRefCountedString(CString text_) : text(std::move(text_)) {}
  CString text;
};

template <typename T>
class CRefCountedArrayData : public CRefCountBase {
 public:
  CRefCountedArrayData() = default;
  explicit CRefCountedArrayData(std::vector<T> values_) : values(std::move(values_)) {}
  std::vector<T> values;
};

// Holds one reference: copies add one, destruction releases it.
template <typename T>
class CRefPtr {
 public:
  CRefPtr() = default;
  // Takes over a reference the caller owns (a new object's first one).
  static CRefPtr Adopt(T* object) { return CRefPtr(object); }
  // Adds a reference of its own.
  static CRefPtr Share(T* object) {
    if (object) object->AddRef();
    return CRefPtr(object);
  }

  CRefPtr(const CRefPtr& other) : object_(other.object_) {
    if (object_) object_->AddRef();
  }
  CRefPtr(CRefPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  CRefPtr& operator=(CRefPtr other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ~CRefPtr() {
    if (object_) object_->Release();
  }

  T* Get() const { return object_; }
  T* operator->() const { return object_; }
  T& operator*() const { return *object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  explicit CRefPtr(T* object) : object_(object) {}
  T* object_ = nullptr;
};

}  // namespace orbisk::utils
