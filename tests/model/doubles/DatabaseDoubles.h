#pragma once
// A recorder of the "Component Notification" posts that definition lists and component
// definitions make, for the tests that check what was announced.

#include <tuple>
#include <vector>

#include "support/Observer.h"

class CEntity;

// Keeps every "Component Notification" posted during its life: kind, definition, value.
class ComponentPosts : public orbisk::utils::IObserver {
public:
    using Post = std::tuple<int, CEntity*, void*>;

    ComponentPosts();
    ~ComponentPosts() override;
    void OnNotification(const char* name, void* payload) override;

    std::vector<Post> posts;
};
