#include "support/StringUtils.h"
#include "support/XMLNamespaces.h"
#include "support/XMLSerializableClassInfo.h"
#include "support/XMLSerializableObjectBase.h"

#include <gtest/gtest.h>

namespace orbisk {
namespace {

class Counted : public XMLSerializableObjectBase {
public:
    explicit Counted(int& destroyed) : m_destroyed(destroyed) {}
    ~Counted() override { ++m_destroyed; }
    const XMLSerializableClassInfo& GetClassInfo() const override { return classInfo; }
    bool WriteXML(IXMLOutput&) override { return true; }
    bool ReadXML(IXMLInput&) override { return true; }

private:
    static const XMLSerializableClassInfo classInfo;
    int& m_destroyed;
};
const XMLSerializableClassInfo Counted::classInfo("Counted", "counted", "urn:test:counted", 0, 0, nullptr);

TEST(XMLClassRegistry, LaterRecordOfANameReplacesTheEarlier)
{
    const std::string name = "urn:test:registry:thing";
    EXPECT_EQ(XMLSerializableClassInfo::Find(name), nullptr);
    auto first =
        std::make_unique<XMLSerializableClassInfo>("First", "thing", "urn:test:registry", 0, 0, nullptr);
    EXPECT_EQ(first->qualifiedElementName, name);
    EXPECT_EQ(XMLSerializableClassInfo::Find(name), first.get());
    auto second =
        std::make_unique<XMLSerializableClassInfo>("Second", "thing", "urn:test:registry", 0, 0, nullptr);
    EXPECT_EQ(XMLSerializableClassInfo::Find(name), second.get());
    first.reset();
    EXPECT_EQ(XMLSerializableClassInfo::Find(name), nullptr) << "destroying either removes the entry";
    second.reset();
    EXPECT_EQ(XMLSerializableClassInfo::Find(name), nullptr);
}

TEST(XMLSerializableObjectBase, ReleaseAtZeroDeletes)
{
    int destroyed = 0;
    auto* never = new Counted(destroyed);
    EXPECT_EQ(never->GetRefCount(), 0u);
    EXPECT_EQ(never->Release(), 0u);
    EXPECT_EQ(destroyed, 1) << "an object never added to is deleted by its first release";

    auto* held = new Counted(destroyed);
    EXPECT_EQ(held->AddRef(), 1u);
    EXPECT_EQ(held->AddRef(), 2u);
    EXPECT_EQ(held->Release(), 1u);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(held->Release(), 0u);
    EXPECT_EQ(destroyed, 2);
    EXPECT_TRUE(Counted(destroyed).PrepareWrite(L"/any"));
}

TEST(XMLNamespaces, ConversionMapTurnsOlderUrisIntoCurrentOnes)
{
    const auto& map = GetOrbiskNamespaceConversionMap().GetMap();
    const std::wstring types = utils::WideFromUtf8(kTypesNamespace);
    const std::wstring preferences = utils::WideFromUtf8(kPreferencesNamespace);
    EXPECT_EQ(map.size(), 14u);
    EXPECT_EQ(map.at(L"http://www.zephyron.com/schemas/1.0/types"), types);
    EXPECT_EQ(map.at(L"http://www.quenta.com/schemas/orbisk/types"), types);
    EXPECT_EQ(map.at(L"http://www.quenta.com/schemas/zephyron/preferences"), preferences);
    EXPECT_EQ(map.at(L"http://www.quenta.com/schemas/zephyron/1.0/documentproperties"),
              kDocumentPropertiesNamespaceW);
    EXPECT_EQ(map.at(L"http://www.zephyron.com/schemas/1.0/references"), kReferencesNamespaceW);
    for (const auto& [older, current] : map) {
        EXPECT_EQ(map.at(current), current) << "every value is a current URI, which maps to itself";
        EXPECT_EQ(older.substr(older.rfind(L'/')), current.substr(current.rfind(L'/')));
    }
}

TEST(XMLNamespaces, ReleasedMapIsBuiltAgain)
{
    GetOrbiskNamespaceConversionMap();
    ReleaseXMLNamespaceMaps();
    EXPECT_EQ(GetOrbiskNamespaceConversionMap().GetMap().size(), 14u);
    ReleaseXMLNamespaceMaps();
    ReleaseXMLNamespaceMaps();
}

}  // namespace
}  // namespace orbisk
