#include "tests/components/ComponentTestSupport.h"
#include "tests/support/VersionMaps.h"

#include "database/ArchiveSchema.h"
#include "database/DefinitionList.h"
#include "database/Validity.h"

ComponentTest::ComponentTest()
{
    ClearValidityReport();
}

ComponentTest::~ComponentTest()
{
    // Roots first; the model frees what reading left in its pool after them, as it frees itself.
    m_roots.clear();
    SetCurrentVersionMap(nullptr);
}

void ComponentTest::UseSchemas(const ModelFileWriter::VersionMap& entries)
{
    InstallVersionMap(entries);
}

CObject* ComponentTest::ReadObject(const Bytes& bytes)
{
    CObject* object = nullptr;
    EXPECT_EQ(BytesLeftAfter(bytes, [&](CArchive& ar) { object = ar.ReadObject(nullptr); }), 0u);
    if (auto* component = dynamic_cast<CComponent*>(object); component && !component->GetParent())
        Own(component);
    return object;
}

int ComponentTest::ReadFailure(const Bytes& bytes)
{
    return ArchiveCause([&] {
        ReadFrom(bytes, [&](CArchive& ar) {
            CObject* object = ar.ReadObject(nullptr);
            if (auto* component = dynamic_cast<CComponent*>(object))
                Own(component);
        });
    });
}

CComponent* ComponentTest::NewRoot()
{
    auto* root = new CComponent;
    Own(root);
    return root;
}

CComponentDefinition* ComponentTest::NewDefinition(CComponent& root, const wchar_t* name, int32_t kind)
{
    auto* definition = new CComponentDefinition;
    definition->SetName(name);
    definition->SetKind(kind);
    definition->EnsureThumbnail();
    root.GetDefinitionList()->Add(definition);
    return definition;
}

CComponentInstance* ComponentTest::Place(CComponent& component, CComponentDefinition& definition)
{
    auto* instance = new CComponentInstance;
    definition.AddInstance(instance);
    component.Add(instance);
    return instance;
}
