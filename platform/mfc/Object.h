#pragma once
// CObject: the base of every class with a run-time class and archive serialisation.
//
// A class takes part with one macro in its body and one in its source file, both at the
// namespace scope of the class:
//
//   class CVertex : public CEntity {            // in CVertex.cpp (which includes Archive.h):
//       DECLARE_SERIAL(CVertex)                 //   IMPLEMENT_SERIAL(CVertex, CEntity, 0)
//   public: ...
//   };
//
//   DECLARE_DYNAMIC / IMPLEMENT_DYNAMIC(cls, base)              run-time class only
//   DECLARE_DYNCREATE / IMPLEMENT_DYNCREATE(cls, base)          ... and a factory
//   DECLARE_SERIAL / IMPLEMENT_SERIAL(cls, base, schema)        ... and archive records; the
//       schema may carry VERSIONABLE_SCHEMA. It also defines ar >> (cls*&), which reads an
//       object reference that must be of cls or a class derived from it.
//   RUNTIME_CLASS(cls)   the class's const CRuntimeClass*.
//
// DECLARE_ macros leave the class body in public access.

#include "platform/mfc/RuntimeClass.h"

class CArchive;

class CObject {
public:
    static const CRuntimeClass classCObject;

    virtual const CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() = default;
    // Reads or writes the object's own record, by the archive's mode. CObject's is empty.
    virtual void Serialize(CArchive& ar);

    bool IsKindOf(const CRuntimeClass* runtimeClass) const;

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)               \
public:                                           \
    static const CRuntimeClass class##class_name; \
    const CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
    DECLARE_DYNAMIC(class_name)       \
    static CObject* CreateObject();

#define DECLARE_SERIAL(class_name) \
    DECLARE_DYNCREATE(class_name)  \
    friend CArchive& operator>>(CArchive& ar, class_name*& object);

#define ZPH_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, schema, factory)                             \
    constinit const CRuntimeClass class_name::class##class_name = {                                          \
        #class_name, static_cast<int>(sizeof(class_name)), schema, factory, RUNTIME_CLASS(base_class_name)}; \
    const CRuntimeClass* class_name::GetRuntimeClass() const                                                 \
    {                                                                                                        \
        return RUNTIME_CLASS(class_name);                                                                    \
    }                                                                                                        \
    static const CRuntimeClassRegistration zphRuntimeClassRegistration##class_name(                          \
        class_name::class##class_name);

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
    ZPH_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, CRuntimeClass::kNotSerializable, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                                     \
    CObject* class_name::CreateObject()                                                      \
    {                                                                                        \
        return new class_name;                                                               \
    }                                                                                        \
    ZPH_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, CRuntimeClass::kNotSerializable, \
                               class_name::CreateObject)

#define IMPLEMENT_SERIAL(class_name, base_class_name, schema)                                 \
    CObject* class_name::CreateObject()                                                       \
    {                                                                                         \
        return new class_name;                                                                \
    }                                                                                         \
    ZPH_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, schema, class_name::CreateObject) \
    CArchive& operator>>(CArchive& ar, class_name*& object)                                   \
    {                                                                                         \
        object = static_cast<class_name*>(ar.ReadObject(RUNTIME_CLASS(class_name)));          \
        return ar;                                                                            \
    }
