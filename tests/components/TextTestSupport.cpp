#include "tests/components/TextTestSupport.h"
#include "tests/support/VersionMaps.h"

#include "database/ArchiveSchema.h"
#include "database/CurrentModel.h"
#include "database/Validity.h"
#include "database/VersionMap.h"

TextView::TextView()
{
    definition.SetViewportSize(800, 600);
    definition.SetCameraPosition({0, 0, 100}, {0, 0, 0}, {0, 1, 0});
    definition.SetPerspective(false);
}

void TextView::GetViewportSize(int& width, int& height)
{
    int x = 0;
    int y = 0;
    definition.GetViewport(x, y, width, height);
}

bool TextView::ModelToScreen(const CPoint3d& local, CPoint3d& out)
{
    return definition.ModelToScreen(GetTransform().MultiplyPoint(local), out);
}

void TextView::PushTransform(const CTransform3d& t, bool)
{
    transforms.push_back(GetTransform() * t);
}

void TextView::PopTransform(bool)
{
    if (!transforms.empty())
        transforms.pop_back();
}

CTransform3d TextView::GetTransform()
{
    return transforms.empty() ? CTransform3d() : transforms.back();
}

CTransform3d TextView::GetInverseTransform()
{
    CTransform3d inverse = GetTransform();
    inverse.Invert();
    return inverse;
}

TextTest::TextTest()
{
    SetCurrentModel(&model);
    ClearValidityReport();
}

TextTest::~TextTest()
{
    SetCurrentVersionMap(nullptr);
    SetCurrentModel(nullptr);
    SetValidityChecksEnabled(false);
    ClearValidityReport();
}

void TextTest::UseSchemas(const TextRecords& records)
{
    InstallVersionMap(records.GetVersionMap());
}

std::vector<CObject*> TextTest::ReadObjects(const Bytes& bytes, size_t count)
{
    std::vector<CObject*> objects;
    EXPECT_EQ(BytesLeftAfter(bytes,
                             [&](CArchive& ar) {
                                 for (size_t i = 0; i < count; ++i)
                                     objects.push_back(ar.ReadObject(nullptr));
                             }),
              0u);
    return objects;
}

int TextTest::ReadFailure(const Bytes& bytes)
{
    return ArchiveCause([&] {
        ReadFrom(bytes, [](CArchive& ar) {
            CObject* object = ar.ReadObject(nullptr);
            if (auto* entity = dynamic_cast<CEntity*>(object))
                entity->Erase();
        });
    });
}

std::wstring TextReport()
{
    return GetValidityReport().GetString();
}
