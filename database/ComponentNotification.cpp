#include "database/ComponentNotification.h"

#include "support/NotificationCenter.h"

void PostComponentNotification(int32_t kind, CEntity* definition, void* value)
{
    ComponentNotification payload{kind, definition, value};
    orbisk::utils::CNotificationCenter::GetInstance().PostNotification("Component Notification", &payload);
}
