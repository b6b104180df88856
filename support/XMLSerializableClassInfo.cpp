#include "support/XMLSerializableClassInfo.h"

#include <map>

namespace orbisk {

namespace {

using Registry = std::map<std::string, const XMLSerializableClassInfo*>;

// Constant-initialised, so that records made during static initialisation in any order
// find it; it exists only while it holds records.
Registry* registry = nullptr;

}  // namespace

XMLSerializableClassInfo::XMLSerializableClassInfo(const char* className_, const char* elementName_,
                                                   const char* namespaceURI_, int flags1_, int flags2_,
                                                   Factory factory_)
    : className(className_),
      elementName(elementName_),
      namespaceURI(namespaceURI_),
      qualifiedElementName(namespaceURI + ":" + elementName),
      flags1(flags1_),
      flags2(flags2_),
      factory(factory_)
{
    if (!registry)
        registry = new Registry;
    (*registry)[qualifiedElementName] = this;
}

XMLSerializableClassInfo::~XMLSerializableClassInfo()
{
    if (!registry)
        return;
    registry->erase(qualifiedElementName);
    if (!registry->empty())
        return;
    delete registry;
    registry = nullptr;
}

const XMLSerializableClassInfo* XMLSerializableClassInfo::Find(const std::string& qualifiedElementName)
{
    if (!registry)
        return nullptr;
    const auto found = registry->find(qualifiedElementName);
    return found == registry->end() ? nullptr : found->second;
}

}  // namespace orbisk
