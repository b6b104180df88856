#include "viewer/ViewerView.h"

#include <wx/event.h>
#include <wx/timer.h>
#include <wx/window.h>

#include <algorithm>
#include <cmath>

#include "model/ZephyronModel.h"
#include "platform/mfc/WinApp.h"
#include "platform/wgl/GLCanvas.h"
#include "settings/ShadowInfo.h"
#include "settings/ViewDefinition.h"
#include "settings/ZphStyleManager.h"
#include "support/NotificationCenter.h"
#include "tools/CameraOrbitTool.h"
#include "tools/StatusBarHook.h"
#include "tools/Tool.h"
#include "tools/ToolManager.h"
#include "view/GLContext.h"
#include "view/IAnimation.h"
#include "viewer/BaseDoc.h"
#include "viewer/GLConfigUtils.h"
#include "viewer/MainFrame.h"
#include "viewer/ViewerDoc.h"

IMPLEMENT_DYNCREATE(CViewerView, CBaseGLView)

namespace {

// The payload of "Animation Notification"; code 1 comes before each step.
struct AnimationNotificationPayload {
    int code;
    IAnimation* animation;
    IZphView* view;
};
constexpr int kAnimationStepping = 1;

// Typed text survives small mouse moves, so that a value can be typed while the mouse rests
// near where it was.
constexpr int kTypedTextMoveTolerance = 50;
constexpr wchar_t kEnter = 13;
constexpr wchar_t kEscape = 27;

// The Win32 mouse-key flags of a mouse event, with Alt as 0x20.
int MouseFlags(const wxMouseEvent& event)
{
    int flags = 0;
    if (event.LeftIsDown())
        flags |= CTool::kLeftButton;
    if (event.RightIsDown())
        flags |= CTool::kRightButton;
    if (event.ShiftDown())
        flags |= CTool::kShiftKey;
    if (event.ControlDown())
        flags |= CTool::kControlKey;
    if (event.MiddleIsDown())
        flags |= CTool::kMiddleButton;
    if (event.AltDown())
        flags |= CTool::kAltKey;
    // As Win32 reports them: a button is held in its own down message and released in its
    // up message, whatever the toolkit's state says at that moment.
    const wxEventType type = event.GetEventType();
    if (type == wxEVT_LEFT_DOWN || type == wxEVT_LEFT_DCLICK)
        flags |= CTool::kLeftButton;
    else if (type == wxEVT_LEFT_UP)
        flags &= ~CTool::kLeftButton;
    else if (type == wxEVT_RIGHT_DOWN || type == wxEVT_RIGHT_DCLICK)
        flags |= CTool::kRightButton;
    else if (type == wxEVT_RIGHT_UP)
        flags &= ~CTool::kRightButton;
    else if (type == wxEVT_MIDDLE_DOWN || type == wxEVT_MIDDLE_DCLICK)
        flags |= CTool::kMiddleButton;
    else if (type == wxEVT_MIDDLE_UP)
        flags &= ~CTool::kMiddleButton;
    return flags;
}

// The Win32 virtual-key code of a toolkit key; 0 for keys the tools never see.
int VirtualKey(int code)
{
    if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9') || code == WXK_BACK || code == WXK_TAB ||
        code == WXK_RETURN || code == WXK_ESCAPE || code == WXK_SPACE)
        return code;
    if (code >= 'a' && code <= 'z')
        return code - 'a' + 'A';
    if (code >= WXK_F1 && code <= WXK_F12)
        return 112 + (code - WXK_F1);
    switch (code) {
        case WXK_SHIFT: return 16;
        case WXK_CONTROL: return 17;
        case WXK_ALT: return 18;
        case WXK_PAGEUP: return 33;
        case WXK_PAGEDOWN: return 34;
        case WXK_END: return 35;
        case WXK_HOME: return 36;
        case WXK_LEFT: return 37;
        case WXK_UP: return 38;
        case WXK_RIGHT: return 39;
        case WXK_DOWN: return 40;
        case WXK_INSERT: return 45;
        case WXK_DELETE: return 46;
        case WXK_MENU:
        case WXK_WINDOWS_MENU: return CTool::kKeyApps;
        default: return 0;
    }
}

// Window timers fire once; the view arms the next step after the next frame.
class CAnimationTimer : public wxTimer {
public:
    explicit CAnimationTimer(CViewerView& view) : m_view(view) {}
    void Notify() override { m_view.OnTimer(CViewerView::kAnimationTimerId); }

private:
    CViewerView& m_view;
};

}  // namespace

CViewerView::CViewerView() : m_timer(std::make_unique<CAnimationTimer>(*this)) {}

CViewerView::~CViewerView()
{
    // OnDestroy is this class's while the object is still whole.
    DestroyWindow();
    SetAnimation(nullptr);
}

int CViewerView::OnCreate()
{
    AttachModelView();
    return 0;
}

void CViewerView::BindWindowEvents()
{
    CBaseGLView::BindWindowEvents();
    BindToolEvents();
}

void CViewerView::BindToolEvents()
{
    for (const auto& type : {wxEVT_LEFT_DOWN, wxEVT_LEFT_UP, wxEVT_LEFT_DCLICK, wxEVT_RIGHT_DOWN,
                             wxEVT_RIGHT_UP, wxEVT_RIGHT_DCLICK, wxEVT_MIDDLE_DOWN, wxEVT_MIDDLE_UP,
                             wxEVT_MIDDLE_DCLICK, wxEVT_MOTION, wxEVT_LEAVE_WINDOW, wxEVT_MOUSEWHEEL})
        m_window->Bind(type, &CViewerView::RouteMouse, this);
    m_window->Bind(wxEVT_KEY_DOWN, [this](wxKeyEvent& event) { RouteKey(event, true); });
    m_window->Bind(wxEVT_KEY_UP, [this](wxKeyEvent& event) { RouteKey(event, false); });
    m_window->Bind(wxEVT_CHAR, [this](wxKeyEvent& event) {
        const wxChar ch = event.GetUnicodeKey();
        if (ch == WXK_NONE) {
            event.Skip();
            return;
        }
        OnChar(static_cast<wchar_t>(ch));
        // Accelerators still see what the view does not consume.
        if (ch != kEnter && ch != kEscape && !StatusBar::IsValueBoxVisible())
            event.Skip();
    });
    // The tool sets the window's cursor, which the toolkit then shows.
    m_window->Bind(wxEVT_SET_CURSOR, [this](wxSetCursorEvent& event) {
        OnSetCursor();
        event.Skip();
    });
    // Keys released while another window had the keyboard never come back up.
    m_window->Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent& event) {
        m_keysDown.clear();
        event.Skip();
    });
    // The toolkit took the mouse away (another window grabbed it): nothing to give back.
    m_window->Bind(wxEVT_MOUSE_CAPTURE_LOST, [](wxMouseCaptureLostEvent&) {});
}

void CViewerView::RouteMouse(wxMouseEvent& event)
{
    event.Skip();
    const int flags = MouseFlags(event);
    const int x = event.GetX();
    const int y = event.GetY();
    const wxEventType type = event.GetEventType();
    if (type == wxEVT_LEFT_DOWN) {
        // The keyboard follows the mouse into the view, for Escape, Enter and typed values.
        m_window->SetFocus();
        OnLButtonDown(flags, x, y);
    } else if (type == wxEVT_LEFT_UP) {
        OnLButtonUp(flags, x, y);
    } else if (type == wxEVT_LEFT_DCLICK) {
        OnLButtonDblClk(flags, x, y);
    } else if (type == wxEVT_RIGHT_DOWN) {
        OnRButtonDown(flags, x, y);
    } else if (type == wxEVT_RIGHT_UP) {
        OnRButtonUp(flags, x, y);
    } else if (type == wxEVT_RIGHT_DCLICK) {
        OnRButtonDblClk(flags, x, y);
    } else if (type == wxEVT_MIDDLE_DOWN) {
        OnMButtonDown(flags, x, y);
    } else if (type == wxEVT_MIDDLE_UP) {
        OnMButtonUp(flags, x, y);
    } else if (type == wxEVT_MIDDLE_DCLICK) {
        OnMButtonDblClk(flags, x, y);
    } else if (type == wxEVT_MOTION) {
        OnMouseMove(flags, x, y);
    } else if (type == wxEVT_LEAVE_WINDOW) {
        OnMouseLeave();
    } else if (type == wxEVT_MOUSEWHEEL) {
        OnMouseWheel(flags, event.GetWheelRotation(), x, y);
        event.Skip(false);
    }
}

void CViewerView::RouteKey(wxKeyEvent& event, bool down)
{
    const int key = VirtualKey(event.GetKeyCode());
    if (key == 0) {
        event.Skip();
        return;
    }
    // Auto-repeated presses never reach the tools: a press of a key already held is one.
    if (down && !m_keysDown.insert(key).second) {
        event.Skip();
        return;
    }
    if (!down)
        m_keysDown.erase(key);
    const bool used = down ? OnKeyDown(key, 1, 0) : OnKeyUp(key, 1, 0);
    if (used)
        return;
    // The editing keys move the caret of a typed value.
    if (down && StatusBar::IsValueBoxVisible() && GetMeasurementText().HandleKey(key)) {
        StatusBar::SetValueText(GetMeasurementText().GetText(), false);
        return;
    }
    event.Skip();
}

CToolManager* CViewerView::GetToolManager()
{
    auto* document = dynamic_cast<CBaseDoc*>(GetDocument());
    return document ? &document->GetToolManager() : nullptr;
}

void CViewerView::DrawToolOverlay()
{
    if (CToolManager* manager = GetToolManager())
        manager->DrawToolOverlay(this);
}

void CViewerView::ReleaseMouseCapture()
{
    if (m_window && m_window->HasCapture())
        m_window->ReleaseMouse();
}

void CViewerView::OnLButtonDown(int flags, int x, int y)
{
    StopAutopan();
    if (CToolManager* manager = GetToolManager())
        manager->OnLButtonDown(flags, x, y, this);
}

void CViewerView::OnLButtonUp(int flags, int x, int y)
{
    StopAutopan();
    if (CToolManager* manager = GetToolManager())
        manager->OnLButtonUp(flags, x, y, this);
    ReleaseMouseCapture();
}

void CViewerView::OnLButtonDblClk(int flags, int x, int y)
{
    StopAutopan();
    if (CToolManager* manager = GetToolManager())
        manager->OnLButtonDblClk(flags, x, y, this);
}

void CViewerView::OnRButtonDown(int flags, int x, int y)
{
    StopAutopan();
    if (CToolManager* manager = GetToolManager())
        manager->OnRButtonDown(flags, x, y, this);
}

void CViewerView::OnRButtonUp(int flags, int x, int y)
{
    StopAutopan();
    if (CToolManager* manager = GetToolManager())
        manager->OnRButtonUp(flags, x, y, this);
    ReleaseMouseCapture();
}

void CViewerView::OnRButtonDblClk(int flags, int x, int y)
{
    StopAutopan();
    if (CToolManager* manager = GetToolManager())
        manager->OnRButtonDblClk(flags, x, y, this);
}

void CViewerView::OnMButtonDown(int flags, int x, int y)
{
    StopAutopan();
    OnMiddleButtonDown(GetToolManager(), flags, x, y, this);
}

void CViewerView::OnMButtonUp(int flags, int x, int y)
{
    StopAutopan();
    OnMiddleButtonUp(GetToolManager(), flags, x, y, this);
    ReleaseMouseCapture();
}

void CViewerView::OnMButtonDblClk(int, int x, int y)
{
    StopAutopan();
    const int pixel[2] = {x, y};
    CenterOnPixel(pixel);
}

void CViewerView::OnMouseMove(int flags, int x, int y)
{
    if (x == m_lastMouseX && y == m_lastMouseY)
        return;
    CMeasurementText& typed = GetMeasurementText();
    if (StatusBar::IsValueBoxVisible() && !typed.GetText().IsEmpty()) {
        // Measured from the last handled move, which a tolerated move does not replace.
        if (std::abs(x - m_lastMouseX) <= kTypedTextMoveTolerance &&
            std::abs(y - m_lastMouseY) <= kTypedTextMoveTolerance)
            return;
        typed.Clear();
    }
    m_lastMouseX = x;
    m_lastMouseY = y;
    CToolManager* manager = GetToolManager();
    if (!manager)
        return;
    manager->OnMouseMove(flags, x, y, this);
    if (!m_mouseInside) {
        m_mouseInside = true;
        manager->OnMouseEnter(this);
    }
}

void CViewerView::OnMouseLeave()
{
    m_mouseInside = false;
    if (CToolManager* manager = GetToolManager())
        manager->OnMouseLeave(this);
}

void CViewerView::OnMouseWheel(int flags, int delta, int x, int y)
{
    CToolManager* manager = GetToolManager();
    CTool* tool = manager ? manager->GetActiveTool() : nullptr;
    if (tool && tool->CanBeInterrupted())
        tool->OnSuspend();
    StopAutopan();
    const int pixel[2] = {x, y};
    MouseWheelZoom(flags, delta > 0 ? 1.0f : -1.0f, pixel);
    // The zoom may have ended the tool meanwhile.
    if (tool && manager->GetActiveTool() == tool && tool->CanBeInterrupted())
        tool->OnResume();
}

bool CViewerView::OnKeyDown(int key, int repeat, int keyFlags)
{
    CToolManager* manager = GetToolManager();
    return manager && manager->OnKeyDown(key, repeat, keyFlags, this);
}

bool CViewerView::OnKeyUp(int key, int repeat, int keyFlags)
{
    CToolManager* manager = GetToolManager();
    return manager && manager->OnKeyUp(key, repeat, keyFlags, this);
}

void CViewerView::OnChar(wchar_t ch)
{
    CToolManager* manager = GetToolManager();
    CMeasurementText& typed = GetMeasurementText();
    const bool valuePending = StatusBar::IsValueBoxVisible() && !typed.GetText().IsEmpty();
    if (ch == kEnter) {
        if (manager) {
            if (valuePending)
                manager->OnUserText(typed.GetText(), this);
            else
                manager->OnReturn(this);
        }
        typed.Clear();
        return;
    }
    if (ch == kEscape) {
        if (!valuePending) {
            if (manager)
                manager->CancelActiveTool(0, this);
            return;
        }
        // The first Escape drops the typed value; the next one ends the tool.
        typed.Clear();
        StatusBar::SetValueText(CString(), false);
        return;
    }
    if (!StatusBar::IsValueBoxVisible())
        return;
    if (typed.InsertChar(ch))
        StatusBar::SetValueText(typed.GetText(), false);
}

bool CViewerView::OnSetCursor()
{
    CToolManager* manager = GetToolManager();
    return manager && manager->OnSetCursor(0, 0, this);
}

void CViewerView::AttachModelView()
{
    if (auto* document = dynamic_cast<CBaseDoc*>(GetDocument()))
        SetModel(&document->GetModel());
}

void CViewerView::ActivateDocument()
{
    if (auto* document = dynamic_cast<CBaseDoc*>(GetDocument()))
        document->MakeCurrent();
}

void CViewerView::OnInitialUpdate()
{
    CBaseGLView::OnInitialUpdate();
    if (CZephyronModel* model = GetModel())
        SetCamera(model->GetCamera(), 0.0);
    ResetCameraHistory();
    CreateTextFont();
}

void CViewerView::OnDraw()
{
    CBaseGLView::OnDraw();
    if (GetAnimation() && !IsAnimationPaused())
        StartTimer();
}

void CViewerView::OnDestroy()
{
    // The document's tools outlive the window; the views they keep must not.
    if (CToolManager* manager = GetToolManager())
        manager->ForgetView(this);
    StopTimer();
    ReleaseTextFont();
    CBaseGLView::OnDestroy();
}

void CViewerView::Invalidate(bool)
{
    if (m_window)
        m_window->Refresh(false);
}

void CViewerView::ClientToScreen(POINT& point)
{
    if (!m_window)
        return;
    const wxPoint screen = m_window->ClientToScreen(wxPoint(point.x, point.y));
    point.x = screen.x;
    point.y = screen.y;
}

void CViewerView::ScreenToClient(POINT& point)
{
    if (!m_window)
        return;
    const wxPoint client = m_window->ScreenToClient(wxPoint(point.x, point.y));
    point.x = client.x;
    point.y = client.y;
}

void CViewerView::SetCapture()
{
    if (m_window && !m_window->HasCapture())
        m_window->CaptureMouse();
}

void CViewerView::GetDPI(int out[2])
{
    out[0] = out[1] = 0;
    if (IGLContext* context = GetGLContext())
        context->GetDPI(&out[0], &out[1]);
}

void CViewerView::SetFrameDelay(double seconds)
{
    m_animationInterval = seconds;
    CBaseGLView::SetFrameDelay(seconds);
}

void CViewerView::StartTimer()
{
    const double interval = std::max(m_animationInterval, 0.001);
    m_timerId = kAnimationTimerId;
    m_timer->StartOnce(std::max(1, static_cast<int>(std::lround(interval * 1000.0))));
}

void CViewerView::StopTimer()
{
    m_timer->Stop();
    m_timerId = 0;
    m_animationInterval = 0.0;
}

void CViewerView::OnTimer(int id)
{
    if (id != m_timerId || id == 0)
        return;
    StopTimer();
    AdvanceAnimation();
}

void CViewerView::AdvanceAnimation()
{
    IAnimation* animation = GetAnimation();
    if (!animation || IsAnimationPaused())
        return;
    AnimationNotificationPayload payload{kAnimationStepping, animation, this};
    orbisk::utils::CNotificationCenter::GetInstance().PostNotification(kAnimationNotification, &payload);
    // An observer may have ended the animation meanwhile.
    if (GetAnimation() != animation)
        return;
    if (!animation->Step(this))
        SetAnimation(nullptr);
}

void CViewerView::UpdateView()
{
    GLConfigUtils::GLTrace("UpdateView\n");
    auto* frame = dynamic_cast<CMainFrame*>(AfxGetMainWnd());
    if (!frame)
        return;
    auto* old = dynamic_cast<CViewerView*>(frame->GetActiveView());
    CDocument* document = old ? old->GetDocument() : nullptr;
    if (!old || !document)
        return;
    const CViewDefinition definition = *old->GetViewDefinition();

    auto* fresh = new CViewerView;
    if (CZephyronModel* model = old->GetModel())
        model->ReleaseGLResources();
    const bool created = fresh->Create(frame, document);
    GLConfigUtils::GLTrace("Create rv=%d\n", created ? 1 : 0);
    if (created) {
        fresh->GetWindow()->SetSize(old->GetWindow()->GetSize());
        fresh->OnInitialUpdate();
        if (fresh->m_error != 0) {
            delete fresh;
            fresh = nullptr;
        } else {
            *fresh->GetViewDefinition() = definition;
            frame->SetActiveView(fresh);
            old->GetWindow()->Hide();
            document->RemoveView(old);
            old->MakeCurrent();
            delete old;
            frame->SendSizeEvent();
            fresh->MakeCurrent();
        }
    } else {
        delete fresh;
        fresh = nullptr;
    }
    GLConfigUtils::GLTrace("pNew=%p\n", static_cast<void*>(fresh));
    // The tools let go of the old window; the document then gives the new one its start tool,
    // so that the window can still be navigated.
    if (CToolManager* manager = ::GetToolManager())
        manager->ClearTools(true, fresh);
    if (auto* viewerDocument = dynamic_cast<CViewerDoc*>(document))
        viewerDocument->ActivateDefaultTool();
    CShadowNotification notification{CShadowNotification::kReplacedByModel, nullptr};
    orbisk::utils::CNotificationCenter::GetInstance().PostNotification(kShadowNotification, &notification);
}
