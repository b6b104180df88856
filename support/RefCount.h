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

    void AddRef() { ++m_refCount; }
    void Release()
    {
        if (m_refCount > 0)
            --m_refCount;
        if (m_refCount == 0)
            delete this;
    }
    std::uint32_t GetRefCount() const { return m_refCount; }

private:
    std::uint32_t m_refCount = 1;
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
    explicit CRefCountedArrayData(std::vector<T> m_values) : values(std::move(m_values)) {}
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
    static CRefPtr Share(T* object)
    {
        if (object)
            object->AddRef();
        return CRefPtr(object);
    }

    CRefPtr(const CRefPtr& other) : m_object(other.m_object)
    {
        if (m_object)
            m_object->AddRef();
    }
    CRefPtr(CRefPtr&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    CRefPtr& operator=(CRefPtr other) noexcept
    {
        std::swap(m_object, other.m_object);
        return *this;
    }
    ~CRefPtr()
    {
        if (m_object)
            m_object->Release();
    }

    T* Get() const { return m_object; }
    T* operator->() const { return m_object; }
    T& operator*() const { return *m_object; }
    explicit operator bool() const { return m_object != nullptr; }

private:
    explicit CRefPtr(T* object) : m_object(object) {}
    T* m_object = nullptr;
};

}  // namespace orbisk::utils
