#pragma once
// CComponentAxes: what the axes of a component (CComponentCS, a kind of the drawing axes
// CZphCS) add to a frame, and their drawing: three axis lines of a fixed length in pixels
// (red X, green Y, blue Z), three pixels wide, optionally as flat ribbons turned towards the
// viewer; for glued components a cross in the XY plane instead of the Z axis and, when asked,
// a translucent rectangle around the component's bounds in that plane.
//
// The drawing uses the view's primitives and pixel measure, and GL state directly (depth
// function and test, blending, depth writes); it leaves every one of them as it found them.

#include <cstdint>

#include "geometry/BoundingBox3d.h"
#include "geometry/Transform3d.h"

class IModelView;

class CComponentAxes {
public:
    // The model's own axes draw nothing (size 0), depth-tested, as lines.
    static constexpr double kDefaultRibbonRatio = 1.0 / 15.0;

    CComponentAxes(int32_t size, bool cross, bool depthTest, bool ribbons, double ribbonRatio)
        : m_size(size), m_cross(cross), m_depthTest(depthTest), m_ribbons(ribbons), m_ribbonRatio(ribbonRatio)
    {}

    // Size 0, no cross, depth-tested, lines, ratio 1/15, no glue plane.
    void ResetDefaults();

    // The axes of the frame (its matrix columns, from its translation) in the view's current
    // coordinates; perspective tells whether the camera of the view is a perspective one, which
    // decides where ribbons turn to. Nothing below one pixel or while the view draws its item
    // buffer.
    void Draw(IModelView& view, const orbisk::geometry::CTransform3d& frame, bool perspective) const;

    int32_t GetSize() const { return m_size; }
    bool HasCross() const { return m_cross; }
    bool IsDepthTested() const { return m_depthTest; }
    bool HasRibbons() const { return m_ribbons; }
    // The half-width of a ribbon as a fraction of the axis length.
    double GetRibbonRatio() const { return m_ribbonRatio; }
    bool IsGluePlaneShown() const { return m_gluePlaneShown; }
    void SetGluePlaneShown(bool shown) { m_gluePlaneShown = shown; }
    // The component's bounds in the axes' coordinates; empty at first.
    const orbisk::geometry::CBoundingBox3d& GetBounds() const { return m_bounds; }
    void SetBounds(const orbisk::geometry::CBoundingBox3d& bounds) { m_bounds = bounds; }

private:
    void DrawAxis(IModelView& view, const orbisk::geometry::CPoint3d& from,
                  const orbisk::geometry::CPoint3d& to, double red, double green, double blue,
                  const orbisk::geometry::CVector3d& towardsEye) const;
    void DrawGluePlane(IModelView& view) const;

    int32_t m_size;
    bool m_cross;
    bool m_depthTest;
    bool m_ribbons;
    double m_ribbonRatio;
    bool m_gluePlaneShown = false;
    orbisk::geometry::CBoundingBox3d m_bounds;
};
