#include "tests/model/DatabaseTestSupport.h"
#include "tests/support/VersionMaps.h"

#include <memory>

#include "database/UndoManager.h"
#include "database/VersionMap.h"

DatabaseTest::DatabaseTest()
{
    UseUndoManager(*model.GetUndoManager());
}

DatabaseTest::~DatabaseTest()
{
    SetCurrentVersionMap(nullptr);
    SetSaveFormat(8000);
}

void DatabaseTest::UseSchemas(std::initializer_list<std::pair<const char*, int32_t>> schemas)
{
    InstallVersionMap(ModelFileWriter::VersionMap{{"CEntity", 0}}, schemas);
}

Bytes DatabaseTest::NewObject(std::string_view className)
{
    return LittleEndian(uint16_t{0xFFFF}, uint16_t{0}, static_cast<uint16_t>(className.size())) +
           Ascii(className);
}
