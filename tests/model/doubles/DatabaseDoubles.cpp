#include "tests/model/doubles/DatabaseDoubles.h"

#include <vector>

#include "model/ComponentNotification.h"
#include "support/NotificationCenter.h"

IMPLEMENT_SERIAL(TestFont, CEntity, VERSIONABLE_SCHEMA | 1)
IMPLEMENT_SERIAL(TestDefinition, TestEntity, VERSIONABLE_SCHEMA | 1)

void TestRenderingOptions::SetAxesShown(bool shown)
{
    axesShown = shown;
    ++axesSettings;
    notificationsOnWhenAxesSet = orbisk::utils::CNotificationCenter::GetInstance().IsEnabled();
}

void TestFont::SetRefCount(int32_t count)
{
    MarkChanged();
    refCount = count;
}

void TestDefinition::Erase()
{
    const std::vector<CEntity*> contents = members;
    members.clear();
    for (CEntity* entity : contents)
        entity->Erase();
    CEntity::Erase();
}

TestInstance::TestInstance(TestDefinition* definition_) : definition(definition_)
{
    if (definition)
        definition->instances.push_back(this);
}

void TestInstance::Erase()
{
    if (definition)
        std::erase(definition->instances, this);
    CDrawingElement::Erase();
}

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
