#include "tools/CameraZoomWindowTool.h"

#include <GL/gl.h>

#include "database/IZphView.h"
#include "support/StringTable.h"
#include "tools/ToolManager.h"

namespace ZoomWindow {
namespace {

UI g_defaultHook;
UI* g_hook = &g_defaultHook;

}  // namespace

UI* SetHook(UI* hook)
{
    UI* previous = g_hook;
    g_hook = hook ? hook : &g_defaultHook;
    return previous;
}

UI& GetHook()
{
    return *g_hook;
}

}  // namespace ZoomWindow

CCameraZoomWindowTool::CCameraZoomWindowTool() : CCameraTool(kZoomWindow)
{
    SetCursorId(CursorForOperation(kZoomWindow, false));
}

CString CCameraZoomWindowTool::GetStatusText()
{
    return orbisk::utils::TranslateString("Drag window area to zoom to");
}

void CCameraZoomWindowTool::OnLButtonDown(int, int x, int y, IZphView* view)
{
    view->SetAutopanEnabled(false);
    SetDragStart(x, y);
    m_rectangleShown = false;
    m_buttonDown = true;
    ZoomWindow::GetHook().Begin(view, x, y);
}

void CCameraZoomWindowTool::OnMouseMove(int flags, int x, int y, IZphView* view)
{
    ApplyCursor();
    ZoomWindow::GetHook().Move(x, y);
    if (!(flags & kLeftButton) || !m_buttonDown)
        return;
    SetLastPoint(x, y);
    const bool shown = x != GetDragStartX() || y != GetDragStartY();
    // The band is part of the next frame; nothing is drawn for a click without a drag.
    if (shown || m_rectangleShown)
        view->Invalidate(false);
    m_rectangleShown = shown;
}

void CCameraZoomWindowTool::OnLButtonUp(int, int x, int y, IZphView* view)
{
    if (!m_buttonDown)
        return;
    m_buttonDown = false;
    ZoomWindow::GetHook().End();
    m_rectangleShown = false;
    view->SetAutopanEnabled(true);
    view->BeginCameraChange();
    const int corner1[2] = {GetDragStartX(), GetDragStartY()};
    const int corner2[2] = {x, y};
    // A rectangle without width or height leaves the camera alone.
    view->ZoomWindow(corner1, corner2);
    view->EndCameraChange(GetHistoryKind());
    view->Invalidate(false);
    // One zoom, then the tool that was active before comes back.
    CToolManager* manager = GetManager() ? GetManager() : GetToolManager();
    if (manager)
        manager->PopTool();
}

void CCameraZoomWindowTool::DrawOverlay(IZphView* view)
{
    if (!m_rectangleShown || !view)
        return;
    int width = 0;
    int height = 0;
    view->GetViewportSize(width, height);
    if (width <= 0 || height <= 0)
        return;
    view->EndPrimitive();
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT | GL_LINE_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    // Window pixels, y down, with pixel centres on half units.
    glOrtho(0.0, width, height, 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LINE_STIPPLE);
    glDisable(GL_BLEND);
    glDisable(GL_FOG);
    glDisable(GL_LINE_SMOOTH);
    glLineWidth(1.0f);
    // White XOR: the band inverts what it crosses, whatever the background.
    glEnable(GL_COLOR_LOGIC_OP);
    glLogicOp(GL_XOR);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    glColor4ub(255, 255, 255, 255);
    const double left = GetDragStartX() + 0.5;
    const double top = GetDragStartY() + 0.5;
    const double right = GetLastX() + 0.5;
    const double bottom = GetLastY() + 0.5;
    glBegin(GL_LINE_LOOP);
    glVertex2d(left, top);
    glVertex2d(left, bottom);
    glVertex2d(right, bottom);
    glVertex2d(right, top);
    glEnd();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}

void SelectZoomWindowTool()
{
    CToolManager* manager = GetToolManager();
    if (!manager)
        return;
    // The tool ends itself after one zoom and the tool before it must then take over: it is
    // suspended under the zoom window rather than replaced (a camera tool would otherwise be
    // dropped, leaving the window without a tool). Only a zoom window already running is
    // replaced, so that choosing the command twice does not stack two.
    const bool replace = dynamic_cast<CCameraZoomWindowTool*>(manager->GetActiveTool()) != nullptr;
    manager->SetTool(new CCameraZoomWindowTool(), CCameraZoomWindowTool::kToolId, replace);
}
