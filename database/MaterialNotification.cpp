#include "database/MaterialNotification.h"

#include "support/NotificationCenter.h"

void PostMaterialNotification(CMaterial* material, int32_t code)
{
    CMaterialNotificationInfo info{material, code, CString()};
    orbisk::utils::CNotificationCenter::GetInstance().PostNotification("Material Notification", &info);
}
