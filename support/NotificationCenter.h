#pragma once
// The process-wide dispatcher of named notifications.
//
// A post calls every observer of the name synchronously, in subscription order. Inside
// a post (also from observers, also nested): an added observer is reached in the same
// post; a removal is deferred until the outermost post returns and the removed observer
// is skipped meanwhile; disabling delivery stops the rest of the walk. The centre owns
// neither observers nor payloads.

#include "support/Observer.h"

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace orbisk::utils {

class CNotificationCenter {
public:
    // Built on first use with delivery on; lives until the process exits.
    static CNotificationCenter& GetInstance();

    CNotificationCenter(const CNotificationCenter&) = delete;
    CNotificationCenter& operator=(const CNotificationCenter&) = delete;

    // Appends, with no duplicate check; immediate also during a post.
    void AddObserver(const char* name, IObserver* observer);
    // Removes every occurrence of the observer under the name (deferred during a post).
    void RemoveObserver(const char* name, IObserver* observer);
    // Removes every occurrence under every name (deferred during a post). An observer
    // must be removed before it is destroyed: the centre never learns of its end.
    void RemoveObserverFromAll(IObserver* observer);

    // An exception thrown by an observer passes through to the poster; the centre is
    // left consistent (the post still counts as ended).
    void PostNotification(const char* name, void* payload);

    void EnableAll() { m_enabled = true; }
    void DisableAll() { m_enabled = false; }
    bool IsEnabled() const { return m_enabled; }

    bool IsRemovalPending(const char* name, const IObserver* observer) const;

private:
    CNotificationCenter() = default;

    void EndPost();

    // Byte-wise ordered; a name is present only while its list is non-empty.
    std::map<std::string, std::vector<IObserver*>, std::less<>> m_observers;
    int m_depth = 0;
    std::vector<IObserver*> m_pendingRemoveFromAll;
    bool m_enabled = true;
    std::vector<std::pair<std::string, IObserver*>> m_pendingRemovals;
};

// Turns delivery off for its lifetime when it was on; nested suspenders restore
// delivery only when the outermost one ends.
class CNotificationSuspender {
public:
    CNotificationSuspender();
    ~CNotificationSuspender();

    CNotificationSuspender(const CNotificationSuspender&) = delete;
    CNotificationSuspender& operator=(const CNotificationSuspender&) = delete;

private:
    bool m_wasEnabled;
};

}  // namespace orbisk::utils
