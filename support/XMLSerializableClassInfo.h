#pragma once
// The record of an XML-serialisable class (its element, namespace and factory) and the
// process-wide registry of those records by qualified element name, through which a
// reader finds the class of an element.
//
// Records are static objects, one per class, made at start-up; each enters itself in
// the registry when made and leaves it when destroyed.

#include <string>

namespace orbisk {

class IXMLSerializableObject;

class XMLSerializableClassInfo {
public:
    // A new object of the class, or null.
    using Factory = IXMLSerializableObject* (*)();

    // Enters the record under its qualified element name, replacing a record of the same
    // name.
    XMLSerializableClassInfo(const char* className, const char* elementName, const char* namespaceURI,
                             int flags1, int flags2, Factory factory);
    // Removes the record's qualified name from the registry, whichever record holds it.
    ~XMLSerializableClassInfo();
    XMLSerializableClassInfo(const XMLSerializableClassInfo&) = delete;
    XMLSerializableClassInfo& operator=(const XMLSerializableClassInfo&) = delete;

    // The record registered under the qualified element name, or null.
    static const XMLSerializableClassInfo* Find(const std::string& qualifiedElementName);

    const std::string className;
    const std::string elementName;
    const std::string namespaceURI;
    // The namespace URI, ":" and the element name: a name in IXMLOutput's namespaced form.
    const std::string qualifiedElementName;
    const int flags1;
    const int flags2;
    const Factory factory;
};

}  // namespace orbisk
