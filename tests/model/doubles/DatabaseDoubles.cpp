#include "tests/model/doubles/DatabaseDoubles.h"

#include "database/ComponentNotification.h"
#include "support/NotificationCenter.h"

ComponentPosts::ComponentPosts()
{
    orbisk::utils::CNotificationCenter::GetInstance().AddObserver("Component Notification", this);
}

ComponentPosts::~ComponentPosts()
{
    orbisk::utils::CNotificationCenter::GetInstance().RemoveObserverFromAll(this);
}

void ComponentPosts::OnNotification(const char*, void* payload)
{
    const auto& post = *static_cast<const ComponentNotification*>(payload);
    posts.emplace_back(post.kind, post.definition, post.value);
}
