#include "database/ComponentAxes.h"

#include <GL/gl.h>

#include "database/IModelView.h"
#include "geometry/UnitVector3d.h"
#include "support/Color.h"

using orbisk::geometry::CBoundingBox3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CVector3d;
using orbisk::utils::CColor;

namespace {

constexpr int kItemBufferDrawing = 1;
constexpr double kAxisWidth = 3.0;
constexpr double kAxisShade = 0.7;
constexpr float kGluePlaneOffset = -2.5f;

// The direction towards the viewer in the view's current (local) coordinates.
CVector3d TowardsEye(IModelView& view, bool perspective)
{
    if (!perspective)
        return -view.GetViewDirection();
    CVector3d towards = view.GetEyePoint() - CPoint3d();
    const double length = towards.Length();
    return length > 0.0 ? towards / length : towards;
}

}  // namespace

void CComponentAxes::ResetDefaults()
{
    m_size = 0;
    m_cross = false;
    m_depthTest = true;
    m_ribbons = false;
    m_ribbonRatio = kDefaultRibbonRatio;
    m_gluePlaneShown = false;
}

void CComponentAxes::Draw(IModelView& view, const CTransform3d& frame, bool perspective) const
{
    if (m_size < 1 || view.GetDrawingMode() == kItemBufferDrawing)
        return;
    GLint depthFunction = GL_LESS;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunction);
    view.SetDepthFunc(GL_LEQUAL);
    const bool depthWasOn = glIsEnabled(GL_DEPTH_TEST);
    if (!m_depthTest)
        glDisable(GL_DEPTH_TEST);
    // Lines are unlit; whoever draws lit geometry next switches lighting on for itself.
    view.SetLighting(false);

    const double length = view.PixelsToModel(m_size, frame.GetOrigin());
    view.SetLineWidth(kAxisWidth);
    view.PushTransform(frame, true);
    const CVector3d towardsEye = TowardsEye(view, perspective);
    const CPoint3d origin;
    DrawAxis(view, origin, CPoint3d(length, 0, 0), kAxisShade, 0, 0, towardsEye);
    DrawAxis(view, origin, CPoint3d(0, length, 0), 0, kAxisShade, 0, towardsEye);
    if (!m_cross) {
        DrawAxis(view, origin, CPoint3d(0, 0, length), 0, 0, kAxisShade, towardsEye);
    } else {
        const double quarter = length / 4;
        DrawAxis(view, CPoint3d(quarter, quarter, 0), CPoint3d(-quarter, -quarter, 0), 0, 0, kAxisShade,
                 towardsEye);
        DrawAxis(view, CPoint3d(-quarter, quarter, 0), CPoint3d(quarter, -quarter, 0), 0, 0, kAxisShade,
                 towardsEye);
    }
    if (!m_depthTest && depthWasOn)
        glEnable(GL_DEPTH_TEST);
    if (m_cross && m_gluePlaneShown)
        DrawGluePlane(view);

    view.SetDepthFunc(static_cast<unsigned>(depthFunction));
    view.PopTransform(true);
    view.SetLineWidth(1.0);
}

void CComponentAxes::DrawAxis(IModelView& view, const CPoint3d& from, const CPoint3d& to, double red,
                              double green, double blue, const CVector3d& towardsEye) const
{
    const CColor color = CColor::FromUnitRGBA(red, green, blue, 1.0);
    if (!m_ribbons) {
        const double width = kAxisWidth;
        const unsigned short solid = 0;
        view.DrawStyledLine(from, to, color, width, solid);
        return;
    }
    const CVector3d along = to - from;
    CVector3d side = towardsEye.Cross(along);
    const double sideLength = side.Length();
    if (sideLength > 0.0)
        side = side * (along.Length() * m_ribbonRatio / sideLength);
    view.SetColor(color);
    view.BeginPrimitive(GL_QUADS);
    for (const CPoint3d& corner : {from - side, from + side, to + side, to - side})
        view.Vertex(corner.x, corner.y, corner.z);
    view.EndPrimitive();
}

void CComponentAxes::DrawGluePlane(IModelView& view) const
{
    CBoundingBox3d box = m_bounds;
    box.Add(CPoint3d());
    box.Expand(box.GetDiagonal() / 10);
    const bool blending = glIsEnabled(GL_BLEND);
    if (!blending) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    GLboolean depthWrites = GL_TRUE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    glDepthMask(GL_FALSE);
    view.PushPolygonOffset(true, kGluePlaneOffset, kGluePlaneOffset);
    view.SetColor(CColor::FromUnitRGBA(0.5, 0.5, 0.5, 0.3));
    view.BeginPrimitive(GL_QUADS);
    view.Vertex(box.x.min, box.y.min, 0.0);
    view.Vertex(box.x.max, box.y.min, 0.0);
    view.Vertex(box.x.max, box.y.max, 0.0);
    view.Vertex(box.x.min, box.y.max, 0.0);
    view.EndPrimitive();
    view.PopPolygonOffset();
    glDepthMask(depthWrites);
    if (!blending)
        glDisable(GL_BLEND);
}
