#pragma once

namespace orbisk::utils {

// The receiver of named notifications. Receivers inherit it as one base among others;
// the centre holds the address of this base sub-object.
class IObserver {
public:
    virtual ~IObserver() = default;

    virtual void Notify(const char* name, void* payload) { OnNotification(name, payload); }

    // `name` is the poster's pointer: compare it by content, never by address. The
    // payload belongs to the poster and lives only for the duration of the post.
    virtual void OnNotification(const char* name, void* payload) = 0;
};

}  // namespace orbisk::utils
