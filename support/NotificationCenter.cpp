#include "support/NotificationCenter.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace orbisk::utils {

CNotificationCenter& CNotificationCenter::GetInstance()
{
    static CNotificationCenter instance;
    return instance;
}

void CNotificationCenter::AddObserver(const char* name, IObserver* observer)
{
    if (!name || !observer)
        return;
    m_observers[name].push_back(observer);
}

void CNotificationCenter::RemoveObserver(const char* name, IObserver* observer)
{
    if (!name || !observer)
        return;
    if (m_depth > 0) {
        m_pendingRemovals.emplace_back(name, observer);
        return;
    }
    const auto found = m_observers.find(std::string_view(name));
    if (found == m_observers.end())
        return;
    std::erase(found->second, observer);
    if (found->second.empty())
        m_observers.erase(found);
}

void CNotificationCenter::RemoveObserverFromAll(IObserver* observer)
{
    if (!observer)
        return;
    if (m_depth > 0) {
        m_pendingRemoveFromAll.push_back(observer);
        return;
    }
    for (auto entry = m_observers.begin(); entry != m_observers.end();) {
        std::erase(entry->second, observer);
        entry = entry->second.empty() ? m_observers.erase(entry) : std::next(entry);
    }
}

bool CNotificationCenter::IsRemovalPending(const char* name, const IObserver* observer) const
{
    if (std::find(m_pendingRemoveFromAll.begin(), m_pendingRemoveFromAll.end(), observer) !=
        m_pendingRemoveFromAll.end())
        return true;
    if (!name)
        return false;
    const std::string_view wanted(name);
    return std::any_of(m_pendingRemovals.begin(), m_pendingRemovals.end(), [&](const auto& pending) {
        return pending.second == observer && pending.first == wanted;
    });
}

void CNotificationCenter::PostNotification(const char* name, void* payload)
{
    if (!m_enabled || !name)
        return;
    ++m_depth;
    struct PostScope {
        CNotificationCenter& centre;
        ~PostScope() { centre.EndPost(); }
    } scope{*this};

    const auto found = m_observers.find(std::string_view(name));
    if (found == m_observers.end())
        return;
    // Removals are deferred while m_depth > 0, so the entry and every element stay put;
    // additions append, and the size is read afresh at each step to reach them.
    const std::vector<IObserver*>& list = found->second;
    for (size_t i = 0; i < list.size(); ++i) {
        IObserver* observer = list[i];
        if (m_enabled && !IsRemovalPending(name, observer))
            observer->OnNotification(name, payload);
    }
}

void CNotificationCenter::EndPost()
{
    if (--m_depth > 0)
        return;
    // Taken out first: applying a removal must not see the lists it is emptying.
    const auto removeFromAll = std::exchange(m_pendingRemoveFromAll, {});
    for (IObserver* observer : removeFromAll)
        RemoveObserverFromAll(observer);
    const auto removals = std::exchange(m_pendingRemovals, {});
    for (const auto& [pendingName, observer] : removals)
        RemoveObserver(pendingName.c_str(), observer);
}

CNotificationSuspender::CNotificationSuspender()
    : m_wasEnabled(CNotificationCenter::GetInstance().IsEnabled())
{
    if (m_wasEnabled)
        CNotificationCenter::GetInstance().DisableAll();
}

CNotificationSuspender::~CNotificationSuspender()
{
    if (m_wasEnabled)
        CNotificationCenter::GetInstance().EnableAll();
}

}  // namespace orbisk::utils
