#include "tests/model/DatabaseTestSupport.h"

#include <memory>

#include "model/VersionMap.h"

DatabaseTest::DatabaseTest() = default;

DatabaseTest::~DatabaseTest()
{
    SetCurrentVersionMap(nullptr);
    SetSaveFormat(8000);
}

void DatabaseTest::UseSchemas(std::initializer_list<std::pair<const char*, int32_t>> schemas)
{
    auto map = std::make_unique<CVersionMap>();
    map->Set("CEntity", 0);
    for (const auto& [name, schema] : schemas)
        map->Set(name, schema);
    SetCurrentVersionMap(map.release());
}

Bytes DatabaseTest::NewObject(std::string_view className)
{
    return LittleEndian(uint16_t{0xFFFF}, uint16_t{0}, static_cast<uint16_t>(className.size())) +
           Ascii(className);
}
