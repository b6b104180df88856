#pragma once
// The abstract XML writer through which every XML-serialisable object writes itself.
//
// Names are plain ("x"), used as they are, or a namespace URI, ":" and a local name
// ("http://xmlns.quenta.com/schemas/1.0/documentproperties:title", split at the last
// colon). The writer writes the second form under a prefix declared for the URI,
// declaring a generated one ("n0", "n1", ...) on the current element when no
// declaration in scope has it; callers never handle prefixes. A plain element name is
// in the default namespace in scope; a plain attribute name is in none.
//
// Values: a bool as 0 or 1; char and unsigned char as the byte's value 0 to 255; other
// integers in decimal; float with 7 and double with 13 significant digits (printf's
// "%.7g" and "%.13g"), always with a full stop. UTF-8 text comes as const char*, wide
// text as std::wstring; the writer escapes special characters when it serialises. User
// text goes through XMLEscapedText, which escapes "<" and ">" once more (see there).
//
// Callers write in document order: open an element, set its attributes and namespaces,
// add text and children, close it. An implementation supplies the six primitive
// operations; every value form is built on them.

#include <concepts>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace orbisk {

class IXMLSerializableObject;

std::wstring XMLValueText(bool value);
std::wstring XMLValueText(char value);
std::wstring XMLValueText(unsigned char value);
std::wstring XMLValueText(short value);
std::wstring XMLValueText(unsigned short value);
std::wstring XMLValueText(int value);
std::wstring XMLValueText(unsigned int value);
std::wstring XMLValueText(long value);
std::wstring XMLValueText(unsigned long value);
std::wstring XMLValueText(float value);
std::wstring XMLValueText(double value);
// Each byte's value, separated by commas ("1,20,255"); empty for no bytes.
std::wstring XMLValueText(const std::vector<unsigned char>& bytes);

// Wide text that the writer escapes before it becomes a value: every "<" becomes "&lt;"
// and every ">" "&gt;", and nothing else changes. Serialisation then escapes values as
// always, so the file holds "&amp;lt;" and "&amp;gt;" where the text had "<" and ">":
// the form in which these documents carry names, descriptions and other user text, and
// which their readers take back themselves.
struct XMLEscapedText {
    std::wstring_view text;
};
std::wstring EscapeXMLText(std::wstring_view text);

// The numbers the writer formats; other kinds (long long, wchar_t) must be converted by
// the caller.
template <typename T>
concept XMLNumber = std::is_arithmetic_v<T> && requires(T value)
{
    {
        XMLValueText(value)
        } -> std::same_as<std::wstring>;
};

class IXMLOutput {
public:
    virtual ~IXMLOutput() = default;

    // Opens a child of the current element, which becomes the current element. False,
    // nothing made, when the name is not a valid XML name.
    virtual bool BeginElement(const std::wstring& name) = 0;
    // Closes the current element; the root is never closed. The name is the caller's
    // reminder only: the current element is closed whatever it says.
    virtual void EndElement(const std::wstring& name) = 0;
    // Sets an attribute of the current element, replacing an earlier value of the name.
    virtual void WriteAttribute(const std::wstring& name, const std::wstring& value) = 0;
    // Appends text to the current element.
    virtual void WriteText(const std::wstring& text) = 0;
    // Declares the prefix (the default namespace for an empty prefix) for the URI on the
    // current element and returns it; returns empty, declaring nothing, when the
    // declaration is impossible (a prefix for the empty URI, the reserved prefixes "xml"
    // and "xmlns"). A default namespace declared on an element whose name has no prefix
    // is that element's namespace too.
    virtual std::wstring DeclareNamespace(const std::wstring& namespaceURI, const std::wstring& prefix) = 0;
    // The whole document serialised; the document can be written again afterwards.
    virtual std::wstring GetText() = 0;

    std::wstring DeclareDefaultNamespace(const std::wstring& namespaceURI)
    {
        return DeclareNamespace(namespaceURI, {});
    }

    // BeginElement with the value as text; an empty text adds none, a null UTF-8 text
    // opens no element and fails.
    bool BeginElement(const std::wstring& name, const std::wstring& text);
    bool BeginElement(const std::wstring& name, const wchar_t* text)
    {
        return BeginElement(name, Wide(text));
    }
    bool BeginElement(const std::wstring& name, const char* utf8);
    template <XMLNumber T>
    bool BeginElement(const std::wstring& name, T value)
    {
        return BeginElement(name, XMLValueText(value));
    }

    // A null UTF-8 text sets nothing.
    void WriteAttribute(const std::wstring& name, const wchar_t* value) { WriteAttribute(name, Wide(value)); }
    void WriteAttribute(const std::wstring& name, XMLEscapedText value)
    {
        WriteAttribute(name, EscapeXMLText(value.text));
    }
    void WriteAttribute(const std::wstring& name, const char* utf8);
    template <XMLNumber T>
    void WriteAttribute(const std::wstring& name, T value)
    {
        WriteAttribute(name, XMLValueText(value));
    }
    // "id" followed by the id, the form in which objects refer to each other.
    void WriteIdAttribute(const std::wstring& name, unsigned long id);

    // A null UTF-8 text appends empty text.
    void WriteText(const wchar_t* text) { WriteText(Wide(text)); }
    void WriteText(XMLEscapedText text) { WriteText(EscapeXMLText(text.text)); }
    void WriteText(const char* utf8);
    template <XMLNumber T>
    void WriteText(T value)
    {
        WriteText(XMLValueText(value));
    }

    // A complete child element holding the text; the current element stays current. A
    // null UTF-8 text gives an element with empty text.
    void WriteElement(const std::wstring& name, const std::wstring& text);
    void WriteElement(const std::wstring& name, const wchar_t* text) { WriteElement(name, Wide(text)); }
    void WriteElement(const std::wstring& name, XMLEscapedText text)
    {
        WriteElement(name, EscapeXMLText(text.text));
    }
    void WriteElement(const std::wstring& name, const char* utf8);
    void WriteElement(const std::wstring& name, const std::vector<unsigned char>& bytes)
    {
        WriteElement(name, XMLValueText(bytes));
    }
    template <XMLNumber T>
    void WriteElement(const std::wstring& name, T value)
    {
        WriteElement(name, XMLValueText(value));
    }

    // The object as a child element named `elementName`, or after its class when that is
    // empty. False for a null object or an element that cannot be opened; otherwise true,
    // whatever the object's WriteXML reports.
    bool WriteObject(IXMLSerializableObject* object, const std::wstring& elementName);
    // The object as a child element named after its class, when its PrepareWrite (given
    // the base path) agrees. True for a null object and for one that declines, both
    // writing nothing; false when the element cannot be opened; else WriteXML's result.
    bool WriteObject(IXMLSerializableObject* object);

    // Two pointers for the callers' own use, never interpreted by the writer. The setters
    // return the pointer they were given.
    void* SetContext(void* context) { return m_context = context; }
    void* GetContext() const { return m_context; }
    void* SetSecondContext(void* context) { return m_secondContext = context; }
    void* GetSecondContext() const { return m_secondContext; }

    // The folder of the files written beside the document.
    void SetBasePath(const std::wstring& path) { m_basePath = path; }
    std::wstring GetBasePath() const { return m_basePath; }

private:
    static std::wstring Wide(const wchar_t* text) { return text ? text : L""; }
    bool WriteObjectElement(IXMLSerializableObject& object, const std::wstring& elementName, bool& written);

    void* m_context = nullptr;
    void* m_secondContext = nullptr;
    std::wstring m_basePath;
};

}  // namespace orbisk
