#include "topology/TopologyReading.h"

#include <vector>

#include "database/ArchiveReading.h"
#include "database/CurrentModel.h"
#include "database/Entity.h"
#include "platform/mfc/Archive.h"

void DropObjectsReadSince(CArchive& ar, uint32_t firstNumber)
{
    std::vector<CObject*> objects;
    for (uint32_t number = firstNumber; number < ar.GetLoadCount(); ++number) {
        if (CObject* object = ar.GetLoadedObject(number))
            objects.push_back(object);
    }
    for (CObject* object : objects) {
        if (auto* links = dynamic_cast<IReadLinks*>(object))
            links->CutLinks();
    }
    std::vector<CObject*> unowned;
    for (CObject* object : objects) {
        auto* entity = dynamic_cast<CEntity*>(object);
        if (!entity || !entity->GetParent())
            unowned.push_back(object);
    }
    // An object refers to those read inside it, after it: it must go first. The model's pool
    // frees the one kept last first; without a model each goes as it is kept.
    if (GetCurrentModel()) {
        for (auto object = unowned.rbegin(); object != unowned.rend(); ++object)
            KeepUnownedObject(*object);
    } else {
        for (CObject* object : unowned)
            KeepUnownedObject(object);
    }
}
