// A reader meets a class first by its name in a class record, so every persistent class of the
// model library must be registered by name in any program that links the library, even one
// that never mentions the class in code. This program mentions none of them.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>

#include "database/ArchiveSchema.h"
#include "platform/mfc/Object.h"
#include "platform/mfc/RuntimeClass.h"

namespace {

// The classes that the model library's sources implement as serialisable, found in the sources
// themselves so that a class added later is checked without touching this test.
std::set<std::string> SerialClassesInSources()
{
    const char* root = std::getenv("ZPH_SOURCE_DIR");
    if (!root)
        return {};
    const std::string macro = "IMPLEMENT_SERIAL(";
    std::set<std::string> names;
    for (const char* folder : {"model", "topology", "components", "settings"}) {
        const std::filesystem::path dir = std::filesystem::path(root) / folder;
        if (!std::filesystem::is_directory(dir))
            continue;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
            if (entry.path().extension() != ".cpp")
                continue;
            std::ifstream in(entry.path());
            std::string line;
            while (std::getline(in, line)) {
                if (line.rfind(macro, 0) != 0)
                    continue;
                const size_t start = macro.size();
                const size_t end = line.find_first_of(", )", start);
                if (end != std::string::npos && end > start)
                    names.insert(line.substr(start, end - start));
            }
        }
    }
    return names;
}

}  // namespace

TEST(ClassRegistration, EverySerialClassOfTheModelLibraryIsFoundByName)
{
    const std::set<std::string> classes = SerialClassesInSources();
    ASSERT_GE(classes.size(), 15u) << "ZPH_SOURCE_DIR does not lead to the sources";
    for (const std::string& name : classes) {
        const CRuntimeClass* found = CRuntimeClass::FromName(name);
        ASSERT_NE(found, nullptr) << name << " is not registered";
        EXPECT_EQ(name, found->m_lpszClassName);
        EXPECT_TRUE(found->IsSerializable()) << name;
        std::unique_ptr<CObject> made(found->CreateObject());
        EXPECT_NE(made, nullptr) << name;
    }
}

TEST(ClassRegistration, EverySerialClassButTheVersionRecordsHasSchemaNumbers)
{
    std::set<std::string> tableNames;
    for (const ClassSchema& entry : GetClassSchemaTable())
        tableNames.insert(entry.className);
    // The file's version and its class-version map are read before any schema applies.
    const std::set<std::string> outsideTheTable = {"CVersionInfo", "CVersionMap"};
    for (const std::string& name : SerialClassesInSources()) {
        if (outsideTheTable.count(name))
            continue;
        EXPECT_TRUE(tableNames.count(name)) << name << " is missing from the schema table";
    }
}

TEST(ClassRegistration, TheSchemaTableNamesEachClassOnce)
{
    std::set<std::string> seen;
    for (const ClassSchema& entry : GetClassSchemaTable())
        EXPECT_TRUE(seen.insert(entry.className).second) << entry.className;
    EXPECT_EQ(seen.size(), 55u);
}

TEST(ClassRegistration, NoTwoClassesClaimOneName)
{
    for (const CRuntimeClass* refused : CRuntimeClass::GetRefusedRegistrations())
        ADD_FAILURE() << refused->m_lpszClassName << " is registered twice";
}
