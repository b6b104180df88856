#include "tests/model/ManagerTestSupport.h"
#include "tests/support/VersionMaps.h"

#include <cstring>
#include <vector>

#include "database/ArchiveSchema.h"
#include "database/Dib.h"
#include "database/Layer.h"
#include "database/MaterialNotification.h"
#include "database/UndoManager.h"
#include "database/VersionMap.h"
#include "support/NotificationCenter.h"

using orbisk::utils::CColor;
using orbisk::utils::CNotificationCenter;

ManagerTest::ManagerTest()
{
    UseUndoManager(*model.GetUndoManager());
}

ManagerTest::~ManagerTest()
{
    SetCurrentVersionMap(nullptr);
}

void ManagerTest::UseSchemas(std::initializer_list<std::pair<const char*, int32_t>> schemas)
{
    InstallVersionMap(ModelFileWriter::VersionMap{{"CEntity", 3}}, schemas);
}

Bytes EntityPart()
{
    return kNullObject;
}

Bytes NewObject(std::string_view className)
{
    return LittleEndian(uint16_t{0xFFFF}, uint16_t{0}, static_cast<uint16_t>(className.size())) +
           Ascii(className);
}

Bytes ObjectReference(uint16_t number)
{
    return LittleEndian(number);
}

Bytes MaterialBody(const char* name, bool managed)
{
    return EntityPart() + Text(name) + Bytes{0} + Bytes{static_cast<uint8_t>(managed)} +
           Bytes{10, 20, 30, 255} + Text("") + LittleEndian(int32_t{0}, int32_t{0}, 0.0) + Bytes{0};
}

Bytes LayerBody(const char* name, bool hidden, uint32_t behavior)
{
    const Bytes material = EntityPart() + Text("Layer_x") + Bytes{0} + Bytes{1} + Bytes{5, 6, 7, 255} +
                           Text("") + LittleEndian(int32_t{0}, int32_t{0}, 0.0) + Bytes{0};
    return EntityPart() + Text(name) + Bytes{static_cast<uint8_t>(hidden)} + material +
           LittleEndian(behavior);
}

CDib* MakeImage(CColor color, int width, int height, int bitsPerPixel)
{
    const int bytesPerPixel = bitsPerPixel / 8;
    std::vector<uint8_t> pixels(static_cast<size_t>(width * height * bytesPerPixel));
    const uint8_t bgra[4] = {color.blue, color.green, color.red, color.alpha};
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = bytesPerPixel == 1 ? color.red : bgra[i % static_cast<size_t>(bytesPerPixel)];
    auto* image = new CDib;
    image->CreateFromPixels(width, height, bitsPerPixel, pixels.data(), 1.0);
    return image;
}

Bytes ImageRecord(CColor color, int width, int height)
{
    const CDibRef image(MakeImage(color, width, height));
    return WrittenBy([&](CArchive& ar) { image->Serialize(ar); });
}

ManagerNotifications::ManagerNotifications()
{
    CNotificationCenter::GetInstance().AddObserver("Material Notification", this);
    CNotificationCenter::GetInstance().AddObserver("Layer Changed", this);
}

ManagerNotifications::~ManagerNotifications()
{
    CNotificationCenter::GetInstance().RemoveObserverFromAll(this);
}

void ManagerNotifications::OnNotification(const char* name, void* payload)
{
    if (std::strcmp(name, "Material Notification") == 0) {
        const auto& info = *static_cast<CMaterialNotificationInfo*>(payload);
        materials.push_back({info.code, info.material});
        return;
    }
    const auto& info = *static_cast<CLayerNotificationInfo*>(payload);
    layers.push_back({info.code, info.layer});
}
