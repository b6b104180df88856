#pragma once
// "Material Notification": what materials, their textures, the material managers and the
// units options announce about materials. The payload is a CMaterialNotificationInfo: the
// material (null for the codes that concern no single material), the change code and a text
// (empty from every poster in this program).

#include <cstdint>

#include "platform/mfc/String.h"

class CMaterial;

enum MaterialChange : int32_t {
    kMaterialAdded = 0,
    kMaterialRemoved = 1,
    // A property changed; also a texture's scale.
    kMaterialChanged = 2,
    kMaterialCurrentChanged = 3,
    // Material or texture contents exchanged for undo or redo.
    kMaterialSwapped = 4,
    kMaterialUseCountChanged = 6,
    // Length format or unit changed: sizes are shown in other units.
    kMaterialUnitsChanged = 7,
    kMaterialsCleared = 10,
};

struct CMaterialNotificationInfo {
    CMaterial* material;
    int32_t code;
    CString text;
};

void PostMaterialNotification(CMaterial* material, int32_t code);
