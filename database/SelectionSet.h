#pragma once
// CSelectionSet: the user's selection, a set of entities that marks its drawing elements as
// selected (the run-time bit 0x40) and tells selection listeners of changes. Listeners are
// called only while notifications are on (off at construction; every model turns them on
// for its selection) and no batch is open; a change made otherwise is remembered as pending
// and reported once, as kind 3, when notifications resume or the batch ends.

#include <vector>

#include "database/EntitySet.h"

class CLayer;
class CSelectionSet;

class ISSListener {
public:
    enum Kind { kAdded = 0, kRemoved = 1, kCleared = 2, kBatchEnded = 3 };

    virtual ~ISSListener() = default;
    // entity is null for kCleared and kBatchEnded.
    virtual void OnSelectionChanged(CSelectionSet* selection, int kind, CEntity* entity) = 0;
};

class CSelectionSet : public CEntitySet {
public:
    // Appended unless already present. Listeners must not change the list while called.
    void AddListener(ISSListener* listener);
    // Removes the first occurrence.
    void RemoveListener(ISSListener* listener);

    // With clearMark a drawing element loses its selected bit whether or not it was a member.
    // A member removed is announced ("EntityChanged") and reported (kRemoved). True when it
    // was a member.
    bool Remove(CEntity* entity, bool clearMark);
    // Announces every member, empties the set and reports kCleared; with clearMarks the drawing
    // elements lose their selected bits. Nothing for an empty set.
    void Clear(bool clearMarks);
    // Sets or clears the selected bit of every member that is a drawing element and announces
    // every member.
    void MarkSelected(bool on);
    // Used when a layer is hidden: removes the drawing elements on the layer, with one kBatchEnded
    // report at the end instead of one per element.
    void RemoveOnLayer(const CLayer* layer);

    void SuspendNotifications() { m_notificationsOn = false; }
    // Reports a pending change when asked.
    void ResumeNotifications(bool report);
    bool AreNotificationsOn() const { return m_notificationsOn; }
    void BeginBatch() { m_batchOpen = true; }
    void EndBatch();

private:
    void TellListeners(int kind, CEntity* entity);

    std::vector<ISSListener*> m_listeners;
    bool m_notificationsOn = false;
    bool m_changePending = false;
    bool m_batchOpen = false;
};
