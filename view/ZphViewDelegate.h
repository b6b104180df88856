#pragma once
// CZphViewDelegate: what a model view does for itself between frames. It keeps the camera
// history of the previous-view and next-view commands: each completed camera change records
// the camera as it was before the change, changes of one non-zero kind that follow within two
// seconds merge into one record, and stepping swaps the current camera with a recorded one,
// cycling at either end. It listens to the model (operations, selection, rendering options,
// undo) so that unrelated edits break such merging and so that the next frame is drawn at
// full detail.
//
// Every history entry holds a use of the background photo it names, so the photo stays valid
// as long as the entry. The history is emptied when the view's model changes, is cleared or is
// deleted, since its entries name that model's photos.

#include <cstdint>
#include <deque>
#include <memory>

#include "database/DBListener.h"
#include "database/SelectionSet.h"
#include "settings/Camera.h"
#include "support/Observer.h"
#include "view/Clock.h"

class CBackgroundImage;
class CZephyronModel;
class CZphView;

class CameraHistoryEntry {
public:
    CameraHistoryEntry() = default;
    CameraHistoryEntry(const CameraHistoryEntry& other);
    CameraHistoryEntry& operator=(const CameraHistoryEntry& other);
    ~CameraHistoryEntry();

    // The view's camera and its model's photo now; time from the clock.
    void Capture(CZphView& view, int32_t type, const IClock& clock);
    // With undo recording off: the entry's photo becomes the model's photo again and the
    // camera is set at once.
    void Apply(CZphView& view) const;
    // Type 0, time 0, a default camera, no photo.
    void Clear();

    CBackgroundImage* GetPhoto() const { return m_photo; }
    void SetPhoto(CBackgroundImage* photo);

    // The kind of camera change; 0 is never merged.
    int32_t type = 0;
    // Seconds since 1970, millisecond resolution.
    double time = 0.0;
    CCamera camera;

private:
    CBackgroundImage* m_photo = nullptr;
};

class CameraHistory {
public:
    static constexpr int kCapacity = 5;
    // Stepping cycles from either end to the other.
    static constexpr int kCycle = 2;

    void Reset();
    // Drops the entries after the current one, appends a copy, drops the oldest beyond the
    // capacity; the appended entry becomes the current one.
    void Push(const CameraHistoryEntry& entry);

    int GetCount() const { return static_cast<int>(m_entries.size()); }
    bool IsEmpty() const { return m_entries.empty(); }
    // -1 when empty.
    int GetIndex() const { return m_index; }
    void SetIndex(int index) { m_index = index; }
    CameraHistoryEntry& GetAt(int index) { return *m_entries.at(static_cast<size_t>(index)); }
    // Null when empty.
    CameraHistoryEntry* GetLast() { return m_entries.empty() ? nullptr : m_entries.back().get(); }
    int GetSteppingMode() const { return m_steppingMode; }

private:
    int m_capacity = kCapacity;
    int m_index = -1;
    std::deque<std::unique_ptr<CameraHistoryEntry>> m_entries;
    int m_steppingMode = kCycle;
    bool m_flags[2] = {false, false};
};

class CZphViewDelegate : public orbisk::utils::IObserver, public ISSListener, public CDBListener {
public:
    // Changes of one kind that begin within this many seconds of the last one merge.
    static constexpr double kMergeSeconds = 2.0;

    // The clock gives the history's times and must outlive the delegate.
    explicit CZphViewDelegate(CZphView* view, const IClock& clock = WallClock());
    ~CZphViewDelegate() override;
    CZphViewDelegate(const CZphViewDelegate&) = delete;
    CZphViewDelegate& operator=(const CZphViewDelegate&) = delete;

    // Listens to the view's model (when it has one) and to the notifications.
    void Attach();
    // Stops listening and empties the camera history, whose entries name the model's photos.
    void Detach();

    void BeginCameraChange();
    void EndCameraChange(int type);
    void CancelCameraChange();
    void ResetCameraHistory();
    // Nothing with an empty history.
    void PreviousView();
    void NextView();
    bool CanGoPrevious() const { return !m_history.IsEmpty(); }
    bool CanGoNext() const { return !m_history.IsEmpty(); }

    // Set by a rendering-options change or an undo; the next frame resets the level of detail.
    bool AreSettingsChanged() const { return m_settingsChanged; }
    void ClearSettingsChanged() { m_settingsChanged = false; }

    CameraHistory& GetHistory() { return m_history; }
    bool IsChangePending() const { return m_pendingValid; }

    void OnNotification(const char* name, void* payload) override;
    void OnSelectionChanged(CSelectionSet* selection, int kind, CEntity* entity) override;
    void OnOperationStart(int, int typeCode) override;
    void OnModelCleared(IModelContext* model) override;
    void OnModelDeleted(IModelContext* model) override;

private:
    // An unrelated edit: the last record no longer merges with the next change.
    void BreakMerging();
    void ClearPending();
    void SwapAt(int index);

    CZphView* m_view;
    const IClock* m_clock;
    CameraHistory m_history;
    CameraHistoryEntry m_pending;
    bool m_pendingValid = false;
    bool m_settingsChanged = false;
    // The model listened to, null when detached.
    CZephyronModel* m_model = nullptr;
};
