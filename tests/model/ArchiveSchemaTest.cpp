// The schema registries, the class-version map of a file and its compatibility check, and the
// version of a file.

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "database/ArchiveSchema.h"
#include "database/AttributeNamed.h"
#include "database/Entity.h"
#include "database/VersionInfo.h"
#include "platform/mfc/Archive.h"
#include "tests/support/ArchiveBytes.h"

namespace {

// Run-time records of classes that this library does not define, with their declared schemas.
constexpr CRuntimeClass kViewPageClass = {"CViewPage", 0, VERSIONABLE_SCHEMA | 11, nullptr, nullptr};
constexpr CRuntimeClass kModelClass = {"CZephyronModel", 0, VERSIONABLE_SCHEMA | 22, nullptr, nullptr};

Bytes Entry(std::string_view name, int32_t number)
{
    return Text(name) + LittleEndian(number);
}

// A CVersionMap object record around the given records, ended by the end record.
Bytes VersionMapRecord(const Bytes& records, uint16_t schema = 0)
{
    return LittleEndian(uint16_t{0xFFFF}, schema, uint16_t{11}) + Ascii("CVersionMap") + records +
           Entry("End-Of-Version-Map", 0);
}

std::unique_ptr<CVersionMap> ReadMap(const Bytes& bytes)
{
    std::unique_ptr<CVersionMap> map;
    ReadFrom(bytes, [&](CArchive& ar) {
        map.reset(static_cast<CVersionMap*>(ar.ReadObject(RUNTIME_CLASS(CVersionMap))));
    });
    return map;
}

std::unique_ptr<CVersionMap> MapOf(const std::vector<std::pair<std::string, int32_t>>& entries)
{
    auto map = std::make_unique<CVersionMap>();
    for (const auto& [name, number] : entries)
        map->Set(name, number);
    return map;
}

std::optional<int32_t> RegistryNumber(int registry, const char* className)
{
    int32_t number = 0;
    const CVersionMap* map = GetClassVersionRegistry(registry);
    if (!map || !map->Lookup(className, number))
        return std::nullopt;
    return number;
}

class CurrentMapTest : public ::testing::Test {
protected:
    ~CurrentMapTest() override { SetCurrentVersionMap(nullptr); }
};

}  // namespace

TEST(ClassVersionRegistries, HoldEachFormatsSchemaNumbersFromStartUp)
{
    struct Case {
        const char* className;
        int registry;
        std::optional<int32_t> number;
    };
    const Case cases[] = {
        {"CZephyronModel", 1, 22},
        {"CZephyronModel", 3, 18},
        {"CZephyronModel", 6, 10},
        {"CRenderingOptions", 1, 36},
        {"CRenderingOptions", 2, 35},
        {"CViewPage", 1, 12},
        {"CBackgroundImage", 3, 1},
        {"CBackgroundImage", 4, std::nullopt},
        {"CCamera", 6, std::nullopt},
        {"CAttributeNamed", 3, 0},
        {"CEntity", 6, 2},
        {"CDrawingElement", 5, 8},
        {"CConstructionGeometry", 6, 0},
        {"CVersionMap", 1, std::nullopt},
        {"CVersionInfo", 1, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RegistryNumber(c.registry, c.className), c.number)
            << c.className << " in registry " << c.registry;
    EXPECT_EQ(GetClassVersionRegistry(1)->GetEntries().size(), GetClassSchemaTable().size());
}

TEST(ClassVersionRegistries, AgreeWithTheSchemaEveryExistingClassDeclares)
{
    int existing = 0;
    for (const ClassSchema& row : GetClassSchemaTable()) {
        const CRuntimeClass* runtimeClass = CRuntimeClass::FromName(row.className);
        if (!runtimeClass)
            continue;
        ++existing;
        EXPECT_TRUE(runtimeClass->IsVersionable()) << row.className;
        EXPECT_EQ(static_cast<int32_t>(runtimeClass->GetSchemaNumber()), row.ownSchema) << row.className;
    }
    EXPECT_GE(existing, 4);
    for (const CRuntimeClass* plain : {RUNTIME_CLASS(CVersionMap), RUNTIME_CLASS(CVersionInfo)}) {
        EXPECT_EQ(CRuntimeClass::FromName(plain->m_lpszClassName), plain);
        EXPECT_FALSE(plain->IsVersionable());
        EXPECT_EQ(plain->GetSchemaNumber(), 0u);
    }
}

TEST(ClassVersionRegistries, FreedRegistriesRefuseEveryFileUntilRegisteredAgain)
{
    auto map = MapOf({{"CEntity", 3}});
    FreeClassVersionRegistries();
    for (int k = 1; k <= kClassVersionRegistryCount; ++k)
        EXPECT_EQ(GetClassVersionRegistry(k), nullptr);
    EXPECT_TRUE(IsVersionMapIncompatible(map.get()));
    RegisterClassSchemaTable();
    EXPECT_FALSE(IsVersionMapIncompatible(map.get()));
    EXPECT_EQ(RegistryNumber(2, "CRenderingOptions"), 35);
}

TEST_F(CurrentMapTest, WithoutAMapEveryClassAnswersItsOwnSchema)
{
    EXPECT_EQ(GetClassVersion(&kViewPageClass), 11);
    EXPECT_EQ(GetClassVersion(RUNTIME_CLASS(CEntity)), 3);
    EXPECT_EQ(GetClassVersion(RUNTIME_CLASS(CAttributeNamed)), 1);
}

TEST_F(CurrentMapTest, WhileAMapIsInstalledItAloneAnswers)
{
    SetCurrentVersionMap(MapOf({{"CViewPage", 9}}).release());
    EXPECT_EQ(GetClassVersion(&kViewPageClass), 9);
    EXPECT_EQ(GetClassVersion(RUNTIME_CLASS(CEntity)), 0) << "a class the file does not name is schema 0";
    SetCurrentVersionMap(nullptr);
    EXPECT_EQ(GetClassVersion(RUNTIME_CLASS(CEntity)), 3);
}

TEST_F(CurrentMapTest, AMapReadFromAFileInstallsAndAnswersUnderTheCurrentClassNames)
{
    const Bytes records = Entry("CPlumoraDoc", 22) + Entry("CAnnotation", 9) + Entry("CPlumoraPage", 1) +
                          Entry("CEntity", 2) + Entry("CEntity", 3) + Bytes{0xFF, 0xFE, 0xFF, 5} +
                          Utf16Le(u"CDib\u00E9") + LittleEndian(int32_t{2});
    std::unique_ptr<CVersionMap> map = ReadMap(VersionMapRecord(records));
    ASSERT_TRUE(map);
    const CVersionMap::Entries expected = {
        {"CZephyronModel", 22}, {"CText", 9}, {"CZephyronPage", 1}, {"CEntity", 3}, {"CDib\xE9", 2}};
    EXPECT_EQ(map->GetEntries(), expected);
    SetCurrentVersionMap(map.release());
    EXPECT_EQ(GetClassVersion(&kModelClass), 22);
    EXPECT_EQ(GetClassVersion(RUNTIME_CLASS(CEntity)), 3);
}

TEST(VersionMapRecord, WithOnlyTheEndRecordIsEmptyAndCompatible)
{
    std::unique_ptr<CVersionMap> map = ReadMap(VersionMapRecord({}));
    ASSERT_TRUE(map);
    EXPECT_TRUE(map->IsEmpty());
    EXPECT_FALSE(IsVersionMapIncompatible(map.get()));
    EXPECT_FALSE(IsVersionMapIncompatible(nullptr));
}

TEST(VersionMapRecord, CutShortAnywhereRaisesEndOfFile)
{
    const Bytes whole = VersionMapRecord(Entry("CEntity", 3) + Entry("CComponent", 11));
    for (size_t length = 0; length < whole.size(); ++length) {
        const Bytes cut(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(length));
        EXPECT_EQ(ArchiveCause([&] { ReadMap(cut); }), CArchiveException::endOfFile) << "cut at " << length;
    }
}

TEST(VersionMapRecord, UnderAnotherSchemaIsRefused)
{
    EXPECT_EQ(ArchiveCause([] { ReadMap(VersionMapRecord({}, 1)); }), CArchiveException::badSchema);
}

TEST(VersionMapRecord, CannotBeReadThroughAStoringArchive)
{
    CVersionMap map;
    EXPECT_EQ(ArchiveCause([&] { WrittenBy([&](CArchive& ar) { map.Serialize(ar); }); }),
              CArchiveException::writeOnly);
}

TEST(VersionMapCompatibility, RefusesUnknownClassesAndNewerSchemas)
{
    struct Case {
        std::vector<std::pair<std::string, int32_t>> entries;
        bool incompatible;
    };
    const Case cases[] = {
        {{{"CCircularArc", 99}}, false},
        {{{"CRenderingOptions", 36}}, false},
        {{{"CRenderingOptions", 37}}, true},
        {{{"CRenderingOptions", -1}}, true},
        {{{"CZephyronModel", 21}, {"CText", 9}}, false},
        {{{"CText", 10}}, true},
        {{{"CHiddenEntities", 7}, {"CExportOptions", 1}}, false},
        {{{"CExportoptions", 1}}, true},
        {{{"CUnknownThing", 0}}, true},
        {{{"CEntity", 3}, {"CUnknownThing", 0}}, true},
    };
    for (const Case& c : cases) {
        auto map = MapOf(c.entries);
        EXPECT_EQ(IsVersionMapIncompatible(map.get()), c.incompatible) << c.entries.front().first;
    }
}

// The version of the file being read keeps the last file read, so its value before any read is
// taken as the process starts, whichever tests run before this one.
namespace {
const CString g_fileVersionAtStart = CurrentFileVersion().ToString();
}  // namespace

TEST(VersionInfo, DefaultIsThisProgramsVersion)
{
    const CVersionInfo version;
    EXPECT_EQ(version.ToString(), CString(L"8.0.3669"));
    EXPECT_EQ(version.GetValue(), 8000999);
    EXPECT_EQ(g_fileVersionAtStart, CString(L"8.0.3669"));
}

TEST(VersionInfo, ValueClampsMinorAndBuildAndWrapsLikeSigned32Bits)
{
    struct Case {
        CVersionInfo version;
        int32_t value;
    };
    const Case cases[] = {
        {{5, 0, 150}, 5000150},  {{6, 0, 1}, 6000001},   {{8, 1, 1234}, 8001999}, {{0, 1, 21}, 1021},
        {{1, 2000, 5}, 1999005}, {{-1, 0, 0}, -1000000}, {{0, -5, 3}, -4997},     {{3000, 0, 0}, -1294967296},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.version.GetValue(), c.value) << CString(c.version.ToString()).GetString();
}

TEST(VersionInfo, ReadScansFieldsUntilTheFirstMismatch)
{
    struct Case {
        std::string text;
        int32_t major, minor, build;
    };
    const Case cases[] = {
        {"{6.1.21}", 6, 1, 21},   {"{7.2}", 7, 2, 3669},     {"{4", 4, 0, 3669},
        {"Zephyron", 8, 0, 3669}, {"{ 5. -2.+9}", 5, -2, 9}, {"{99999999999.0.1}", INT_MAX, 0, 1},
        {"{1.x.3}", 1, 0, 3669},
    };
    for (const Case& c : cases) {
        CVersionInfo version;
        ReadFrom(Text(c.text), [&](CArchive& ar) { version.Serialize(ar); });
        EXPECT_EQ(version.major, c.major) << c.text;
        EXPECT_EQ(version.minor, c.minor) << c.text;
        EXPECT_EQ(version.build, c.build) << c.text;
    }
}

TEST(VersionInfo, IsStoredAsItsBracedText)
{
    CVersionInfo version(1, 2, 3);
    const Bytes expected = Bytes{0xFF, 0xFE, 0xFF, 7} + Utf16Le(u"{1.2.3}");
    EXPECT_EQ(WrittenBy([&](CArchive& ar) { version.Serialize(ar); }), expected);
}
