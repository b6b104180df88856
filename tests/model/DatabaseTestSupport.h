#pragma once
// The fixture of the tests of drawing elements, definition lists, relationship maps and the font
// manager: a new model, current, whose root component holds a layer manager (with its default
// layer first and current), a material manager and the definition list, and helpers for
// hand-written records.

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <utility>

#include "components/Component.h"
#include "database/ArchiveSchema.h"
#include "database/CurrentModel.h"
#include "database/LayerManager.h"
#include "database/MaterialManager.h"
#include "model/ZephyronModel.h"
#include "tests/model/ModelTestSupport.h"
#include "tests/model/doubles/DatabaseDoubles.h"
#include "tests/support/ArchiveBytes.h"

class DatabaseTest : public ModelTest {
protected:
    DatabaseTest();
    ~DatabaseTest() override;

    // Installs a version map with these classes (CEntity at 0 unless named).
    static void UseSchemas(std::initializer_list<std::pair<const char*, int32_t>> schemas);
    // The reference that introduces a new object of the class (schema 0 in the class record).
    static Bytes NewObject(std::string_view className);

    CZephyronModel model;
    CCurrentModelScope current{&model};
    ComponentPosts componentPosts;
    CComponent& root = *model.GetRoot();
    CLayerManager& layers = *model.GetLayerManager();
    CMaterialManager& materials = *model.GetMaterialManager();
    CLayer& defaultLayer = *layers.GetDefaultLayer();
};
