#include "support/XMLOutput.h"

#include "support/StringUtils.h"
#include "support/XMLSerializableClassInfo.h"
#include "support/XMLSerializableObject.h"

#include <charconv>
#include <concepts>
#include <iterator>

namespace orbisk {

namespace {

template <std::integral T>
std::wstring IntegerText(T value)
{
    char digits[24];
    return std::wstring(digits, std::to_chars(std::begin(digits), std::end(digits), value).ptr);
}

// std::to_chars writes as printf's "%.*g" does in the "C" locale, whatever the process
// locale.
std::wstring FloatingText(double value, int significantDigits)
{
    char digits[64];
    const std::to_chars_result result = std::to_chars(std::begin(digits), std::end(digits), value,
                                                      std::chars_format::general, significantDigits);
    return std::wstring(digits, result.ptr);
}

std::wstring ClassElementName(const IXMLSerializableObject& object)
{
    return utils::WideFromUtf8String(object.GetClassInfo().qualifiedElementName);
}

}  // namespace

std::wstring XMLValueText(bool value)
{
    return value ? L"1" : L"0";
}
std::wstring XMLValueText(char value)
{
    return IntegerText(static_cast<unsigned char>(value));
}
std::wstring XMLValueText(unsigned char value)
{
    return IntegerText(value);
}
std::wstring XMLValueText(short value)
{
    return IntegerText(value);
}
std::wstring XMLValueText(unsigned short value)
{
    return IntegerText(value);
}
std::wstring XMLValueText(int value)
{
    return IntegerText(value);
}
std::wstring XMLValueText(unsigned int value)
{
    return IntegerText(value);
}
std::wstring XMLValueText(long value)
{
    return IntegerText(value);
}
std::wstring XMLValueText(unsigned long value)
{
    return IntegerText(value);
}
// A float is widened exactly, so 7 digits of the double are those of the float.
std::wstring XMLValueText(float value)
{
    return FloatingText(value, 7);
}
std::wstring XMLValueText(double value)
{
    return FloatingText(value, 13);
}

std::wstring XMLValueText(const std::vector<unsigned char>& bytes)
{
    std::wstring text;
    for (const unsigned char byte : bytes) {
        if (!text.empty())
            text += L',';
        text += XMLValueText(byte);
    }
    return text;
}

std::wstring EscapeXMLText(std::wstring_view text)
{
    std::wstring escaped;
    escaped.reserve(text.size());
    for (const wchar_t c : text) {
        if (c == L'<')
            escaped += L"&lt;";
        else if (c == L'>')
            escaped += L"&gt;";
        else
            escaped += c;
    }
    return escaped;
}

bool IXMLOutput::BeginElement(const std::wstring& name, const std::wstring& text)
{
    if (!BeginElement(name))
        return false;
    if (!text.empty())
        WriteText(text);
    return true;
}

bool IXMLOutput::BeginElement(const std::wstring& name, const char* utf8)
{
    return utf8 && BeginElement(name, utils::WideFromUtf8(utf8));
}

void IXMLOutput::WriteAttribute(const std::wstring& name, const char* utf8)
{
    if (utf8)
        WriteAttribute(name, utils::WideFromUtf8(utf8));
}

void IXMLOutput::WriteIdAttribute(const std::wstring& name, unsigned long id)
{
    WriteAttribute(name, L"id" + XMLValueText(id));
}

void IXMLOutput::WriteText(const char* utf8)
{
    WriteText(utils::WideFromUtf8(utf8));
}

void IXMLOutput::WriteElement(const std::wstring& name, const std::wstring& text)
{
    if (!BeginElement(name))
        return;
    WriteText(text);
    EndElement(name);
}

void IXMLOutput::WriteElement(const std::wstring& name, const char* utf8)
{
    WriteElement(name, utils::WideFromUtf8(utf8));
}

bool IXMLOutput::WriteObject(IXMLSerializableObject* object, const std::wstring& elementName)
{
    if (!object)
        return false;
    bool written = false;
    return WriteObjectElement(*object, elementName.empty() ? ClassElementName(*object) : elementName,
                              written);
}

bool IXMLOutput::WriteObject(IXMLSerializableObject* object)
{
    if (!object || !object->PrepareWrite(m_basePath))
        return true;
    bool written = false;
    return WriteObjectElement(*object, ClassElementName(*object), written) && written;
}

bool IXMLOutput::WriteObjectElement(IXMLSerializableObject& object, const std::wstring& elementName,
                                    bool& written)
{
    if (!BeginElement(elementName))
        return false;
    written = object.WriteXML(*this);
    EndElement(elementName);
    return true;
}

}  // namespace orbisk
