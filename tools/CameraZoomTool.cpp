#include "tools/CameraZoomTool.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "database/IZphView.h"
#include "settings/ViewDefinition.h"
#include "support/StringTable.h"
#include "tools/StatusBarHook.h"
#include "tools/ToolManager.h"
#include "view/ViewProfile.h"

namespace {

const wchar_t kToolsSection[] = L"Tools";
const wchar_t kDisplayModeEntry[] = L"FovDisplayMode";

std::string Narrow(const CString& text)
{
    std::string narrow;
    for (const wchar_t* c = text.GetString(); *c; ++c)
        narrow += *c < 128 ? static_cast<char>(*c) : '?';
    return narrow;
}

}  // namespace

CCameraZoomTool::CCameraZoomTool() : CCameraZoomTool(kZoom) {}

CCameraZoomTool::CCameraZoomTool(int fixedOperation) : CCameraTool(fixedOperation)
{
    SetCursorId(CursorForOperation(kZoom, false));
    m_displayMode = ReadViewProfileInt(kToolsSection, kDisplayModeEntry, kDegrees);
}

CCameraZoomTool::~CCameraZoomTool()
{
    WriteViewProfileInt(kToolsSection, kDisplayModeEntry, m_displayMode);
}

CString CCameraZoomTool::GetStatusText()
{
    return orbisk::utils::TranslateString(
        "Drag cursor to zoom.  Up is in, down is out. Shift to change Field of View.");
}

void CCameraZoomTool::OnActivate()
{
    m_refreshValueBox = true;
    if (IZphView* view = GetView())
        UpdateValueBox(view);
    CCameraTool::OnActivate();
}

void CCameraZoomTool::OnDeactivate()
{
    ShowValueBox(false);
    CCameraTool::OnDeactivate();
}

void CCameraZoomTool::UpdateValueBox(IZphView* view)
{
    const CCamera& camera = view->GetViewDefinition()->GetCamera();
    if (camera.IsPerspective()) {
        if (m_refreshValueBox || !StatusBar::IsValueBoxVisible()) {
            SetValueLabel(orbisk::utils::TranslateString(m_displayMode == kMillimetres ? "Focal Length"
                                                                                       : "Field of View"));
            ShowValueBox(true);
        }
        const double f = camera.GetStoredFieldOfView();
        if (m_refreshValueBox || std::abs(f - m_lastShown) > kFieldOfViewTolerance) {
            m_lastShown = f;
            CString text;
            if (m_displayMode == kMillimetres)
                text.Format(orbisk::utils::TranslateString("%.0f mm").GetString(),
                            camera.FovToFocalLength(f));
            else
                text.Format(orbisk::utils::TranslateString("%.2f deg.").GetString(), f);
            SetValueText(text);
        }
    } else if (StatusBar::IsValueBoxVisible()) {
        SetValueText(CString());
        ShowValueBox(false);
        SetValueLabel(CString());
        m_lastShown = -1.0;
    }
    m_refreshValueBox = false;
}

void CCameraZoomTool::SetFieldOfView(IZphView* view, double degrees)
{
    view->GetViewDefinition()->SetFieldOfView(degrees);
}

void CCameraZoomTool::OnUserText(const CString& text)
{
    IZphView* view = GetView();
    if (!view)
        return;
    view->Bake2DPanZoom(-1, -1);
    SetCursorId(CursorForOperation(kZoom, false));
    const CCamera& camera = view->GetViewDefinition()->GetCamera();
    const std::string typed = Narrow(text);
    double value = 0.0;
    double f = camera.GetStoredFieldOfView();
    if (typed.find("mm") != std::string::npos) {
        if (std::sscanf(typed.c_str(), "%lfmm", &value) != 1 || value <= 0)
            return;
        f = camera.FocalLengthToFov(value);
        m_displayMode = kMillimetres;
        m_refreshValueBox = true;
    } else if (typed.find("deg") != std::string::npos) {
        if (std::sscanf(typed.c_str(), "%lfdeg", &value) != 1)
            return;
        f = value;
        m_displayMode = kDegrees;
        m_refreshValueBox = true;
    } else {
        if (std::sscanf(typed.c_str(), "%lf", &value) != 1 || (m_displayMode == kMillimetres && value <= 0))
            return;
        f = m_displayMode == kMillimetres ? camera.FocalLengthToFov(value) : value;
    }
    // A lens of no length has no angle; "nan" and "inf" read as numbers.
    if (!std::isfinite(f))
        return;
    f = std::clamp(f, kMinFieldOfView, kMaxFieldOfView);
    SetFieldOfView(view, f);
    view->Invalidate(false);
    UpdateValueBox(view);
}

CCameraFOVTool::CCameraFOVTool() : CCameraZoomTool(kFieldOfView) {}

CString CCameraFOVTool::GetStatusText()
{
    return orbisk::utils::TranslateString("Drag mouse or enter field of view.");
}

void CCameraFOVTool::SetFieldOfView(IZphView* view, double degrees)
{
    const CViewDefinition::Pixel center = view->GetViewDefinition()->GetViewportCenter();
    view->Bake2DPanZoom(center.x, center.y);
    ComputePivot(center.x, center.y, view);
    SetFieldOfViewKeepingPivot(degrees, view);
}

void SelectZoomTool()
{
    if (CToolManager* manager = GetToolManager())
        manager->SetTool(new CCameraZoomTool(), CCameraZoomTool::kToolId, true);
}

void SelectFieldOfViewTool()
{
    if (CToolManager* manager = GetToolManager())
        manager->SetTool(new CCameraFOVTool(), CCameraFOVTool::kToolId, true);
}
