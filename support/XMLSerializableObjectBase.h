#pragma once
// The reference-counted base of most XML-serialisable objects (variants, styles, stroke
// sets, watermark lists).
//
// The count starts at 0; Release deletes the object when the count reaches 0, so
// releasing an object that was never added to deletes it. A copy starts with a count of
// its own. Not atomic: one thread only.

#include "support/XMLSerializableObject.h"

namespace orbisk {

class XMLSerializableObjectBase : public IXMLSerializableObject, public IRefCount {
public:
    XMLSerializableObjectBase() = default;
    XMLSerializableObjectBase(const XMLSerializableObjectBase&) : XMLSerializableObjectBase() {}
    XMLSerializableObjectBase& operator=(const XMLSerializableObjectBase&) { return *this; }

    std::uint32_t AddRef() override { return ++m_refCount; }
    std::uint32_t Release() override;
    std::uint32_t GetRefCount() const override { return m_refCount; }

    bool PrepareWrite(const std::wstring&) override { return true; }

private:
    std::uint32_t m_refCount = 0;
};

}  // namespace orbisk
