#pragma once
// The interfaces of objects that have an XML form, and of reference-counted ones.

#include <cstdint>
#include <string>

namespace orbisk {

class IXMLInput;
class IXMLOutput;
class XMLSerializableClassInfo;

class IXMLSerializableObject {
public:
    virtual ~IXMLSerializableObject() = default;

    // The class's record: its element name and namespace, and its factory.
    virtual const XMLSerializableClassInfo& GetClassInfo() const = 0;
    // Writes the content (attributes and child elements) into the element that the caller
    // has opened.
    virtual bool WriteXML(IXMLOutput& output) = 0;
    // Reads the content from the input's current element.
    virtual bool ReadXML(IXMLInput& input) = 0;
    // Asked before the object is written as a nested object, with the folder of the files
    // written beside the document; false keeps the object out of the document.
    virtual bool PrepareWrite(const std::wstring& basePath) = 0;
};

class IRefCount {
public:
    virtual ~IRefCount() = default;

    // Both return the new count.
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;
    virtual std::uint32_t GetRefCount() const = 0;
};

}  // namespace orbisk
