#pragma once
// The reading counterpart of IXMLOutput: the operations through which objects read
// their XML form. Each returns whether it succeeded; a failed read leaves its output
// unchanged.

#include <cstdint>
#include <string>

namespace orbisk {

class IXMLSerializableObject;

class IXMLInput {
public:
    virtual ~IXMLInput() = default;

    // The current element's text as each kind.
    virtual bool ReadText(std::wstring& text) = 0;
    virtual bool ReadBool(bool& value) = 0;
    virtual bool ReadUInt(std::uint32_t& value) = 0;
    virtual bool ReadInt(std::int32_t& value) = 0;
    virtual bool ReadInt64(std::int64_t& value) = 0;
    virtual bool ReadByte(std::uint8_t& value) = 0;
    virtual bool ReadShort(std::int16_t& value) = 0;
    virtual bool ReadFloat(float& value) = 0;
    virtual bool ReadDouble(double& value) = 0;

    // Makes the first child element of the name (in IXMLOutput's name forms) current.
    virtual bool EnterElement(const std::wstring& name) = 0;
    // Makes the parent of the current element current again.
    virtual bool LeaveElement() = 0;

    virtual bool ReadAttribute(const std::wstring& name, std::int32_t& value) = 0;
    virtual bool ReadAttribute(const std::wstring& name, double& value) = 0;

    // Reads the first child element as an object of the class registered for its name
    // (see XMLSerializableClassInfo); the new object belongs to the caller.
    virtual bool ReadObject(IXMLSerializableObject*& object) = 0;
};

}  // namespace orbisk
