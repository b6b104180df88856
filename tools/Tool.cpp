#include "tools/Tool.h"

#include <GL/gl.h>

#include <cmath>
#include <string_view>

#include "components/Dimension.h"
#include "components/Text.h"
#include "database/CurrentModel.h"
#include "database/IZphView.h"
#include "database/UndoManager.h"
#include "model/ZephyronModel.h"
#include "support/NotificationCenter.h"
#include "support/StringTable.h"
#include "tools/StatusBarHook.h"
#include "tools/ToolManager.h"
#include "view/ZphView.h"

namespace {

IToolHost* g_host = nullptr;
// Shared by all tools: the value a tool typed or measured last.
double g_toolValue = 0.0;

}  // namespace

IToolHost* SetToolHost(IToolHost* host)
{
    IToolHost* previous = g_host;
    g_host = host;
    return previous;
}

IToolHost* GetToolHost()
{
    return g_host;
}

CTool::CTool()
{
    auto& center = orbisk::utils::CNotificationCenter::GetInstance();
    center.AddObserver(kEndEditingTextNotification, this);
    center.AddObserver(kCancelEditingTextNotification, this);
}

CTool::~CTool()
{
    // Whatever a tool subscribed to, it must never be called once gone.
    orbisk::utils::CNotificationCenter::GetInstance().RemoveObserverFromAll(this);
}

void CTool::OnNotification(const char* name, void* payload)
{
    if (!m_editingText)
        return;
    const std::string_view notification(name);
    if (notification == kCancelEditingTextNotification) {
        StopEditing();
        return;
    }
    if (notification != kEndEditingTextNotification || !payload || !GetView())
        return;
    ApplyEditedText(*static_cast<const CString*>(payload));
}

void CTool::BeginEditText(CText* text, IZphView* view)
{
    if (!text || !view)
        return;
    m_editedText = text;
    const CText::LeaderLayout layout = text->ComputeLeaderPoints(view);
    CTextEditingRecord record;
    record.position = layout.textPoint;
    record.alignment = layout.alignment;
    record.screenText = !text->HasLeader();
    record.text = text->GetText().IsEmpty() ? CString(L"Text") : text->GetText();
    AnnounceEditing(record, view);
}

void CTool::BeginEditDimensionText(CDimension* dimension, IZphView* view)
{
    if (!dimension || !view)
        return;
    m_editedDimension = dimension;
    CTextEditingRecord record;
    int justification = 0;
    dimension->GetTextPosition(view, record.position, record.alignment, justification);
    record.aligned = dimension->IsTextAligned();
    record.text = dimension->GetText();
    AnnounceEditing(record, view);
}

void CTool::AnnounceEditing(CTextEditingRecord& record, IZphView* view)
{
    record.view = view;
    orbisk::geometry::CPoint3d window;
    if (view->ModelToScreen(record.position, window)) {
        record.x = static_cast<int>(std::lround(window.x));
        record.y = static_cast<int>(std::lround(window.y));
    }
    orbisk::utils::CNotificationCenter::GetInstance().PostNotification(kBeginEditingTextNotification,
                                                                       &record);
    m_editingText = true;
}

void CTool::ApplyEditedText(const CString& text)
{
    CUndoManager* undo = GetUndoManager();
    if (m_editedText && !text.IsEmpty()) {
        if (undo)
            undo->StartOperation(95, orbisk::utils::TranslateString("Text"), false, false);
        m_editedText->SetText(text);
        if (undo)
            undo->CommitOperation(3, 0, false);
    }
    if (m_editedDimension && text != m_editedDimension->GetText()) {
        if (undo)
            undo->StartOperation(90, L"Edit Dimension", false, false);
        m_editedDimension->SetText(text);
        if (undo)
            undo->CommitOperation(3, 0, false);
    }
    StopEditing();
}

void CTool::ForgetEditedEntity(const CEntity* entity)
{
    if (!m_editingText)
        return;
    if (!entity || entity == static_cast<const CEntity*>(m_editedText) ||
        entity == static_cast<const CEntity*>(m_editedDimension))
        StopEditing();
}

void CTool::StopEditing()
{
    m_editingText = false;
    m_editedText = nullptr;
    m_editedDimension = nullptr;
}

void CTool::OnLButtonDown(int, int, int, IZphView*) {}
void CTool::OnLButtonUp(int, int, int, IZphView*) {}
void CTool::OnLButtonDblClk(int, int, int, IZphView*) {}
void CTool::OnRButtonDown(int, int, int, IZphView*) {}
void CTool::OnRButtonUp(int, int, int, IZphView*) {}
void CTool::OnRButtonDblClk(int, int, int, IZphView*) {}
void CTool::OnMButtonDown(int, int, int, IZphView*) {}
void CTool::OnMButtonUp(int, int, int, IZphView*) {}
void CTool::OnMButtonDblClk(int, int, int, IZphView*) {}
void CTool::OnMouseMove(int, int, int, IZphView*) {}
void CTool::OnMouseEnter(IZphView*) {}

void CTool::OnMouseLeave(IZphView* view)
{
    RefreshOverlay(view);
}

bool CTool::OnKeyDown(int, int, int, IZphView*)
{
    return false;
}

bool CTool::OnKeyUp(int, int, int, IZphView*)
{
    return false;
}

bool CTool::OnSetCursor(int, int, IZphView*)
{
    return ApplyCursor();
}

void CTool::OnUserText(const CString&) {}

void CTool::SetToolValue(double value)
{
    // Window views offer no drawing aid to pass the value on to.
    g_toolValue = value;
}

double CTool::GetToolValue()
{
    return g_toolValue;
}

void CTool::OnCancel(int)
{
    EraseOverlay();
}

void CTool::OnEntityEvent(int, CEntity*) {}
void CTool::OnOperationStart(int, int) {}
void CTool::OnOperationEnd(int) {}
void CTool::OnSelectionChanged(CSelectionSet*, int, CEntity*) {}

void CTool::OnActivate()
{
    SetToolValue(GetToolValue());
}

void CTool::OnDeactivate()
{
    EraseOverlay();
    if (StatusBar::IsValueBoxVisible())
        ShowValueBox(false);
}

bool CTool::CanBeReplacedBy(CTool*)
{
    return false;
}

void CTool::OnSuspend()
{
    m_valueBoxWasShown = StatusBar::IsValueBoxVisible();
    if (m_valueBoxWasShown)
        ShowValueBox(false);
    EraseOverlay();
}

void CTool::OnResume()
{
    ShowValueBox(m_valueBoxWasShown);
    if (SupportsXorOverlay())
        RefreshOverlay(nullptr);
}

void CTool::DrawOverlay(IZphView*) {}

void CTool::DrawXorOverlay(IZphView* view)
{
    auto* zphView = dynamic_cast<CZphView*>(view);
    if (!zphView)
        return;
    // The front buffer shows the last complete frame; the overlay is drawn over it there.
    zphView->MakeCurrent();
    CZphView::SetOverlayLocked(true);
    glFinish();
    zphView->SwapBuffers();
    glDepthMask(GL_FALSE);
    glDrawBuffer(GL_FRONT);
    glDepthFunc(GL_LEQUAL);
    zphView->SetupProjection();
    DrawOverlay(view);
    glFinish();
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
    glReadBuffer(GL_FRONT);
    glDrawBuffer(GL_BACK);
    CZphView::SetOverlayLocked(false);
    m_overlayDrawn = true;
}

void CTool::EraseOverlay()
{
    if (!m_overlayDrawn)
        return;
    IZphView* view = GetView();
    if (UseXorOverlay()) {
        if (auto* zphView = dynamic_cast<CZphView*>(view)) {
            glFinish();
            zphView->SwapBuffers();
        }
    } else {
        RefreshOverlay(view);
    }
    m_overlayDrawn = false;
}

bool CTool::UseXorOverlay()
{
    IZphView* view = GetView();
    return view && view->IsFrameSlow() && SupportsXorOverlay();
}

void CTool::RefreshOverlay(IZphView* view)
{
    if (!view)
        view = GetView();
    if (!view)
        return;
    if (UseXorOverlay())
        DrawXorOverlay(view);
    else
        view->Invalidate(false);
}

bool CTool::OnContextMenu(int, int, int, IZphView*)
{
    return false;
}

void CTool::GetOverlayBounds(orbisk::geometry::CBoundingBox3d& box)
{
    box = orbisk::geometry::CBoundingBox3d();
}

CString CTool::GetDescription()
{
    CString text;
    text.Format(L"%d", m_toolId);
    return text;
}

void CTool::SetCursorId(int id)
{
    m_requestedCursorId = id;
    ApplyCursor();
}

bool CTool::ApplyCursor()
{
    if (m_requestedCursorId != m_loadedCursorId) {
        m_cursor =
            g_host && m_requestedCursorId != 0 ? g_host->GetViewerCursor(m_requestedCursorId) : nullptr;
        m_loadedCursorId = m_requestedCursorId;
    }
    if (!m_cursor || !g_host)
        return false;
    g_host->SetCursor(m_cursor);
    return true;
}

IZphView* CTool::GetView()
{
    if (m_view)
        return m_view;
    return g_host ? g_host->GetCurrentZphView() : nullptr;
}

CZephyronModel* CTool::GetModel()
{
    if (IZphView* view = GetView())
        if (CZephyronModel* model = view->GetModel())
            return model;
    if (m_manager && m_manager->GetModel())
        return m_manager->GetModel();
    return dynamic_cast<CZephyronModel*>(GetCurrentModel());
}

CUndoManager* CTool::GetUndoManager()
{
    CZephyronModel* model = GetModel();
    return model ? model->GetUndoManager() : nullptr;
}

void CTool::SetPromptText(const CString& text)
{
    StatusBar::SetPromptText(text);
}

void CTool::SetValueLabel(const CString& text)
{
    StatusBar::SetValueLabel(text);
}

void CTool::SetValueText(const CString& text)
{
    if (IZphView* view = GetView())
        view->SetMeasurementText(L"");
    StatusBar::SetValueText(text, false);
}

void CTool::ShowValueBox(bool show)
{
    if (StatusBar::IsValueBoxVisible() == show)
        return;
    StatusBar::ShowValueBox(show);
    if (!show)
        SetValueText(CString());
}

void CTool::ShowTip(int x, int y, const CString& text)
{
    IZphView* view = GetView();
    if (!view)
        return;
    POINT point{x, y};
    view->ClientToScreen(point);
    view->ShowTooltipAt(point, text, 0);
}
