#include "support/NotificationCenter.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace orbisk::utils {

CNotificationCenter& CNotificationCenter::GetInstance() {
  static CNotificationCenter instance;
  return instance;
}

void CNotificationCenter::AddObserver(const char* name, IObserver* observer) {
  if (!name || !observer) return;
  observers_[name].push_back(observer);
}

void CNotificationCenter::RemoveObserver(const char* name, IObserver* observer) {
  if (!name || !observer) return;
  if (depth_ > 0) {
    pendingRemovals_.emplace_back(name, observer);
    return;
  }
  const auto found = observers_.find(std::string_view(name));
  if (found == observers_.end()) return;
  std::erase(found->second, observer);
  if (found->second.empty()) observers_.erase(found);
}

void CNotificationCenter::RemoveObserverFromAll(IObserver* observer) {
  if (!observer) return;
  if (depth_ > 0) {
    pendingRemoveFromAll_.push_back(observer);
    return;
  }
  for (auto entry = observers_.begin(); entry != observers_.end();) {
    std::erase(entry->second, observer);
    entry = entry->second.empty() ? observers_.erase(entry) : std::next(entry);
  }
}

bool CNotificationCenter::IsRemovalPending(const char* name, const IObserver* observer) const {
  if (std::find(pendingRemoveFromAll_.begin(), pendingRemoveFromAll_.end(), observer) !=
      pendingRemoveFromAll_.end())
    return true;
  if (!name) return false;
  const std::string_view wanted(name);
  return std::any_of(pendingRemovals_.begin(), pendingRemovals_.end(), [&](const auto& pending) {
    return pending.second == observer && pending.first == wanted;
  });
}

void CNotificationCenter::PostNotification(const char* name, void* payload) {
  if (!enabled_ || !name) return;
  ++depth_;
  struct PostScope {
    CNotificationCenter& centre;
    ~PostScope() { centre.EndPost(); }
  } scope{*this};

  const auto found = observers_.find(std::string_view(name));
  if (found == observers_.end()) return;
  // Removals are deferred while depth_ > 0, so the entry and every element stay put;
  // additions append, and the size is read afresh at each step to reach them.
  const std::vector<IObserver*>& list = found->second;
  for (size_t i = 0; i < list.size(); ++i) {
    IObserver* observer = list[i];
    if (enabled_ && !IsRemovalPending(name, observer)) observer->OnNotification(name, payload);
  }
}

void CNotificationCenter::EndPost() {
  if (--depth_ > 0) return;
  // Taken out first: applying a removal must not see the lists it is emptying.
  const auto removeFromAll = std::exchange(pendingRemoveFromAll_, {});
  for (IObserver* observer : removeFromAll) RemoveObserverFromAll(observer);
  const auto removals = std::exchange(pendingRemovals_, {});
  for (const auto& [pendingName, observer] : removals) RemoveObserver(pendingName.c_str(), observer);
}

CNotificationSuspender::CNotificationSuspender()
    : wasEnabled_(CNotificationCenter::GetInstance().IsEnabled()) {
  if (wasEnabled_) CNotificationCenter::GetInstance().DisableAll();
}

CNotificationSuspender::~CNotificationSuspender() {
  if (wasEnabled_) CNotificationCenter::GetInstance().EnableAll();
}

}  // namespace orbisk::utils
