#pragma once
// "Component Notification": announces what happens to component definitions, so that panels
// and the scene-graph renderer can follow. The definition list posts kind 0 when it lists a
// definition and kind 1 when it takes one out or erases unused ones; the definitions post
// their own kinds.

#include <cstdint>

class CEntity;

// The payload.
struct ComponentNotification {
    int32_t kind;
    // The component definition concerned.
    CEntity* definition;
    // An instance for the kinds that concern one, else null.
    void* value;
};

// Posts synchronously through the notification centre.
void PostComponentNotification(int32_t kind, CEntity* definition, void* value);
