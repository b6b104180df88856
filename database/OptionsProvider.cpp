#include "database/OptionsProvider.h"

#include "support/NotificationCenter.h"

void PostOptionChanged(COptionsProvider& provider, const CString& name)
{
    COptionChangeInfo info{&provider, name};
    orbisk::utils::CNotificationCenter::GetInstance().PostNotification("Option Provider Changed", &info);
}
