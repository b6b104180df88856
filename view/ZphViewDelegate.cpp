#include "view/ZphViewDelegate.h"

#include <cstring>

#include "database/UndoManager.h"
#include "model/ZephyronModel.h"
#include "settings/BackgroundImage.h"
#include "settings/RenderingOptions.h"
#include "support/NotificationCenter.h"
#include "view/ZphView.h"

using orbisk::utils::CNotificationCenter;

namespace {

constexpr char kUndoNotification[] = "Undo Notification";
constexpr char kToolNotification[] = "Tool Notification";

}  // namespace

// The use an entry holds is bookkeeping of the view, not an edit of the model: it is not
// recorded for undo.
CameraHistoryEntry::CameraHistoryEntry(const CameraHistoryEntry& other)
    : type(other.type), time(other.time), camera(other.camera)
{
    SetPhoto(other.m_photo);
}

CameraHistoryEntry& CameraHistoryEntry::operator=(const CameraHistoryEntry& other)
{
    if (this == &other)
        return *this;
    type = other.type;
    time = other.time;
    camera = other.camera;
    SetPhoto(other.m_photo);
    return *this;
}

CameraHistoryEntry::~CameraHistoryEntry()
{
    SetPhoto(nullptr);
}

void CameraHistoryEntry::SetPhoto(CBackgroundImage* photo)
{
    if (photo == m_photo)
        return;
    CSuspendUndo unrecorded;
    if (photo)
        photo->AddUse();
    CBackgroundImage* old = m_photo;
    m_photo = photo;
    if (old)
        old->ReleaseUse();
}

void CameraHistoryEntry::Capture(CZphView& view, int32_t changeType, const IClock& clock)
{
    type = changeType;
    time = clock.Now();
    camera = view.GetViewDefinition()->GetCamera();
    CZephyronModel* model = view.GetModel();
    SetPhoto(model ? model->GetBackgroundImage() : nullptr);
}

void CameraHistoryEntry::Apply(CZphView& view) const
{
    CSuspendUndo unrecorded;
    if (CZephyronModel* model = view.GetModel())
        model->SetBackgroundImage(m_photo);
    CCamera current = view.GetViewDefinition()->GetCamera();
    current = camera;
    view.SetCamera(current, 0.0);
}

void CameraHistoryEntry::Clear()
{
    type = 0;
    time = 0.0;
    camera = CCamera();
    SetPhoto(nullptr);
}

void CameraHistory::Reset()
{
    m_capacity = kCapacity;
    m_index = -1;
    m_entries.clear();
    m_steppingMode = kCycle;
    m_flags[0] = m_flags[1] = false;
}

void CameraHistory::Push(const CameraHistoryEntry& entry)
{
    while (GetCount() > m_index + 1)
        m_entries.pop_back();
    m_entries.push_back(std::make_unique<CameraHistoryEntry>(entry));
    if (GetCount() > m_capacity)
        m_entries.pop_front();
    m_index = GetCount() - 1;
    m_flags[0] = m_flags[1] = false;
}

CZphViewDelegate::CZphViewDelegate(CZphView* view, const IClock& clock) : m_view(view), m_clock(&clock)
{
    m_history.Reset();
}

CZphViewDelegate::~CZphViewDelegate()
{
    Detach();
}

void CZphViewDelegate::Attach()
{
    Detach();
    CZephyronModel* model = m_view ? m_view->GetModel() : nullptr;
    if (model) {
        if (CUndoManager* undo = model->GetUndoManager())
            undo->AddListener(this);
        model->GetSelection().AddListener(this);
        m_model = model;
    }
    CNotificationCenter& center = CNotificationCenter::GetInstance();
    center.AddObserver(kRenderingOptionsChangeNotification, this);
    center.AddObserver(kUndoNotification, this);
}

void CZphViewDelegate::Detach()
{
    if (m_model) {
        if (CUndoManager* undo = m_model->GetUndoManager())
            undo->RemoveListener(this);
        m_model->GetSelection().RemoveListener(this);
        m_model = nullptr;
        ResetCameraHistory();
    }
    CNotificationCenter::GetInstance().RemoveObserverFromAll(this);
}

void CZphViewDelegate::BeginCameraChange()
{
    m_pending.Capture(*m_view, 0, *m_clock);
    m_pendingValid = true;
}

void CZphViewDelegate::EndCameraChange(int type)
{
    CameraHistoryEntry now;
    now.Capture(*m_view, type, *m_clock);
    const bool moved = !(now.camera == m_pending.camera) || now.GetPhoto() != m_pending.GetPhoto();
    if (m_pendingValid && moved) {
        CameraHistoryEntry* last = m_history.GetLast();
        m_pending.type = type;
        if (last && type != 0 && type == last->type && m_pending.time <= last->time + kMergeSeconds) {
            // The history keeps the camera from before the first of the merged changes.
            last->time = now.time;
        } else {
            m_pending.time = now.time;
            m_history.Push(m_pending);
        }
    }
    ClearPending();
}

void CZphViewDelegate::CancelCameraChange()
{
    if (m_pendingValid)
        m_pending.Apply(*m_view);
    ClearPending();
}

void CZphViewDelegate::ResetCameraHistory()
{
    m_history.Reset();
    ClearPending();
}

void CZphViewDelegate::ClearPending()
{
    m_pending.Clear();
    m_pendingValid = false;
}

void CZphViewDelegate::SwapAt(int index)
{
    CameraHistoryEntry current;
    current.Capture(*m_view, 0, *m_clock);
    CameraHistoryEntry& entry = m_history.GetAt(index);
    entry.Apply(*m_view);
    entry = current;
}

void CZphViewDelegate::PreviousView()
{
    if (m_history.IsEmpty())
        return;
    SwapAt(m_history.GetIndex());
    const int index = m_history.GetIndex() - 1;
    m_history.SetIndex(index < 0 ? m_history.GetCount() - 1 : index);
}

void CZphViewDelegate::NextView()
{
    if (m_history.IsEmpty())
        return;
    const int index = m_history.GetIndex() + 1;
    m_history.SetIndex(index >= m_history.GetCount() ? 0 : index);
    SwapAt(m_history.GetIndex());
}

void CZphViewDelegate::BreakMerging()
{
    if (CameraHistoryEntry* last = m_history.GetLast())
        last->type = 0;
}

void CZphViewDelegate::OnNotification(const char* name, void* payload)
{
    if (std::strcmp(name, kToolNotification) == 0)
        return;
    if (std::strcmp(name, kRenderingOptionsChangeNotification) == 0) {
        const auto* change = static_cast<const CRenderingOptionsChange*>(payload);
        if (change && change->property != 0) {
            m_settingsChanged = true;
            BreakMerging();
        }
        return;
    }
    if (std::strcmp(name, kUndoNotification) == 0)
        m_settingsChanged = true;
}

void CZphViewDelegate::OnSelectionChanged(CSelectionSet*, int, CEntity*)
{
    BreakMerging();
}

void CZphViewDelegate::OnOperationStart(int, int)
{
    BreakMerging();
}

void CZphViewDelegate::OnModelCleared(IModelContext*)
{
    ResetCameraHistory();
}

void CZphViewDelegate::OnModelDeleted(IModelContext*)
{
    ResetCameraHistory();
}
