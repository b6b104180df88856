#pragma once
// The fixture of the tests of drawing elements, definition lists, relationship maps and the font
// manager: a current test model whose root component holds a layer manager (with its default
// layer first and current) and a material manager, and helpers for hand-written records.

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <utility>

#include "model/ArchiveSchema.h"
#include "model/LayerManager.h"
#include "model/MaterialManager.h"
#include "tests/model/ModelTestSupport.h"
#include "tests/model/doubles/DatabaseDoubles.h"
#include "tests/model/doubles/ManagerDoubles.h"
#include "tests/model/doubles/ModelDouble.h"
#include "tests/support/ArchiveBytes.h"

class DatabaseTest : public ModelTest {
protected:
    DatabaseTest();
    ~DatabaseTest() override;

    // Installs a version map with these classes (CEntity at 0 unless named).
    static void UseSchemas(std::initializer_list<std::pair<const char*, int32_t>> schemas);
    // The reference that introduces a new object of the class (schema 0 in the class record).
    static Bytes NewObject(std::string_view className);

    TestModel model;
    CCurrentModelScope current{&model};
    ComponentPosts componentPosts;
    TestRoot& root = *model.root;
    CLayerManager& layers = *model.layers;
    CMaterialManager& materials = *model.materials;
    CLayer& defaultLayer = *layers.GetDefaultLayer();
};
