#pragma once
// The fixture of the tests of layers, materials, textures, component behaviour, contributors
// and thumbnails: a new model, current (its root component holds a layer manager, "Layer0"
// current, and a material manager), and undo recording off unless a test turns it on; helpers
// for hand-written records, recorders of the notifications these classes post, and small
// encoded images.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "database/CurrentModel.h"
#include "model/ZephyronModel.h"
#include "support/Color.h"
#include "support/Observer.h"
#include "tests/model/ModelTestSupport.h"
#include "tests/support/ArchiveBytes.h"

class CDib;
class CLayer;
class CMaterial;

class ManagerTest : public ModelTest {
protected:
    ManagerTest();
    ~ManagerTest() override;

    // Undo recording is off until this; afterwards entities are recorded in open operations.
    void RecordUndo() { m_unrecorded.reset(); }
    // Installs a version map with these classes (CEntity at 3 unless named), or none.
    static void UseSchemas(std::initializer_list<std::pair<const char*, int32_t>> schemas);

    CZephyronModel model;
    CCurrentModelScope current{&model};

private:
    std::optional<CSuspendUndo> m_unrecorded{std::in_place};
};

// The entity record of CEntity schema 3: no attribute container.
Bytes EntityPart();
// The reference that introduces a new object of the class (its record follows).
Bytes NewObject(std::string_view className);
// A back reference to object number n.
Bytes ObjectReference(uint16_t number);
inline const Bytes kNullObject = LittleEndian(uint16_t{0});
// A material record of schema 12 without texture.
Bytes MaterialBody(const char* name, bool managed = false);
// A layer record of schema 2: entity part, name, hidden flag, its material in place (schema
// 12), behaviour.
Bytes LayerBody(const char* name, bool hidden = false, uint32_t behavior = 0);

// The bytes of a CDib record of schema 3 (kind, size, encoded bytes) for a width x height
// RGBA image of one colour (with its alpha).
Bytes ImageRecord(orbisk::utils::CColor color, int width = 4, int height = 4);
// A new image of one colour (32 bits per pixel), without holders.
CDib* MakeImage(orbisk::utils::CColor color, int width = 4, int height = 4, int bitsPerPixel = 32);

// Reads the bytes with a loading archive; the object reference's object, or null.
template <class T>
T* ReadObjectFrom(const Bytes& bytes)
{
    T* object = nullptr;
    ReadFrom(bytes, [&](CArchive& ar) { object = dynamic_cast<T*>(ar.ReadObject(nullptr)); });
    return object;
}

// Keeps every "Material Notification" (material, code) and "Layer Changed" (code, layer)
// posted during its life.
class ManagerNotifications : public orbisk::utils::IObserver {
public:
    struct Seen {
        int code;
        void* subject;
        bool operator==(const Seen&) const = default;
    };

    ManagerNotifications();
    ~ManagerNotifications() override;
    void OnNotification(const char* name, void* payload) override;

    std::vector<Seen> materials;
    std::vector<Seen> layers;
};
