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

  void EnableAll() { enabled_ = true; }
  void DisableAll() { enabled_ = false; }
  bool IsEnabled() const { return enabled_; }

  bool IsRemovalPending(const char* name, const IObserver* observer) const;

 private:
  CNotificationCenter() = default;

  void EndPost();

  // Byte-wise ordered; a name is present only while its list is non-empty.
  std::map<std::string, std::vector<IObserver*>, std::less<>> observers_;
  int depth_ = 0;
  std::vector<IObserver*> pendingRemoveFromAll_;
  bool enabled_ = true;
  std::vector<std::pair<std::string, IObserver*>> pendingRemovals_;
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
  bool wasEnabled_;
};

}  // namespace orbisk::utils
