#include "viewer/ViewerView.h"

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
#include "view/GLContext.h"
#include "view/IAnimation.h"
#include "viewer/BaseDoc.h"
#include "viewer/GLConfigUtils.h"
#include "viewer/MainFrame.h"

IMPLEMENT_DYNCREATE(CViewerView, CBaseGLView)

namespace {

// The payload of "Animation Notification"; code 1 comes before each step.
struct AnimationNotificationPayload {
    int code;
    IAnimation* animation;
    IZphView* view;
};
constexpr int kAnimationStepping = 1;

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
    m_window->Bind(wxEVT_MOTION, [this](wxMouseEvent& event) {
        event.Skip();
        const wxPoint position = event.GetPosition();
        if (position.x == m_lastMouseX && position.y == m_lastMouseY)
            return;
        m_lastMouseX = position.x;
        m_lastMouseY = position.y;
    });
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
    CShadowNotification notification{CShadowNotification::kReplacedByModel, nullptr};
    orbisk::utils::CNotificationCenter::GetInstance().PostNotification(kShadowNotification, &notification);
}
