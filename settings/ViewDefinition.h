#pragma once
// CViewDefinition: the view state of one window: a camera, the viewport in pixels, the clipping
// range, and the matrices and conversions derived from them. Never stored in a file.
//
// Conventions: window pixels have x to the right and y downward from the viewport's top edge;
// window depth runs from 0 at the near plane to 1 at the far plane; the camera looks along its
// -z axis; matrices are 4x4 doubles in column-major (OpenGL) order. Every setter recomputes the
// derived values at once; the combined (projection x view) matrix and its inverse are rebuilt
// only when read after a change. Conversions report failure (a point at the eye, a singular
// matrix) by their result and still fill their output, with undivided values.

#include "geometry/BoundingBox3d.h"
#include "geometry/Matrix4d.h"
#include "geometry/Plane3d.h"
#include "geometry/Ray3d.h"
#include "settings/Camera.h"

class CViewDefinition {
public:
    using CBoundingBox3d = orbisk::geometry::CBoundingBox3d;
    using CMatrix4d = orbisk::geometry::CMatrix4d;
    using CPlane3d = orbisk::geometry::CPlane3d;
    using CPoint3d = orbisk::geometry::CPoint3d;
    using CRay3d = orbisk::geometry::CRay3d;
    using CUnitVector3d = orbisk::geometry::CUnitVector3d;
    using CVector3d = orbisk::geometry::CVector3d;

    // Frustum planes, in this order; their normals point out of the frustum.
    enum FrustumPlane { kLeftPlane = 0, kRightPlane, kTopPlane, kBottomPlane, kNearPlane, kFarPlane };
    static constexpr int kFrustumPlaneCount = 6;
    using FrustumPlanes = CPlane3d[kFrustumPlaneCount];

    struct Pixel {
        int x;
        int y;
    };

    // The default camera, near 1 and far 10000, no viewport; the matrices are identities until
    // the first setter.
    CViewDefinition();
    virtual ~CViewDefinition() = default;
    CViewDefinition(const CViewDefinition&) = default;
    CViewDefinition& operator=(const CViewDefinition&) = default;

    // Setters; each recomputes.
    // Through the camera's copy, so that its setter rules apply.
    void SetCamera(const CCamera& camera);
    void SetCameraPosition(const CPoint3d& eye, const CPoint3d& target, const CVector3d& up);
    void SetCameraDirection(const CPoint3d& eye, const CVector3d& direction, const CVector3d& up);
    void SetPerspective(bool perspective);
    void SetFieldOfView(double degrees);
    void SetParallelHeight(double height);
    void SetViewport(int x, int y, int width, int height);
    void SetViewportSize(int width, int height) { SetViewport(0, 0, width, height); }
    // Extents at the near plane given outright (tiled printing, offscreen rendering), or not.
    void SetFrustumWindow(bool explicitWindow, double left, double right, double bottom, double top);

    // The camera's 2D pan and zoom, in pixels.
    void Set2DPanZoom(bool enabled, double scale, double offsetX, double offsetY);
    void Pan2D(double dx, double dy);
    void Zoom2DAbout(double px, double py, double factor);
    void Transform2D(double px, double py, double scale);

    // A positive factor moves back (perspective) or widens the view (parallel) by distance x
    // factor; with the 2D pan and zoom on, the picture is scaled instead.
    void Zoom(double distance, double factor);
    // The same, keeping the model point under the pixel there.
    void ZoomAboutPixel(double px, double py, double distance, double factor);
    // Radians about the axis through the point; the point becomes the target.
    void RotateAboutPoint(const CPoint3d& point, const CVector3d& axis, double angle);

    // For print and export at another size: the new viewport shows at least what the old one
    // showed (a relatively taller window keeps the horizontal extent, a wider one the vertical
    // one). Both answer the old field of view (perspective) or view height (parallel), which
    // SetViewportSizeKeepFov gives back afterwards.
    double SetViewportSizeKeepingView(int width, int height);
    // For a camera with an image aspect: the whole image stays visible at the new size.
    double SetViewportSizeKeepingImage(int width, int height);
    void SetViewportSizeKeepFov(double value, int width, int height);

    // Fits the clipping range to the box (the model's bounds, before every frame); returns at
    // once while the box's depth range moved by less than 0.001.
    void SetDepthRangeFromBounds(const CBoundingBox3d& box);
    // From the combined matrix.
    void UpdateFrustumPlanes();

    // Queries.
    const CCamera& GetCamera() const { return m_camera; }
    void GetViewport(int& x, int& y, int& width, int& height) const;
    Pixel GetViewportCenter() const;
    double GetAspect() const { return m_aspect; }
    double GetNear() const { return m_near; }
    double GetFar() const { return m_far; }
    double GetNearHint() const { return m_nearHint; }
    double GetFarHint() const { return m_farHint; }
    // Model units per pixel at the target distance (perspective) or in the view plane.
    double GetPixelSize() const { return m_pixelSize; }
    // 2 tan(vertical field of view / 2).
    double GetFovFactor() const { return m_fovFactor; }
    const CUnitVector3d& GetRight() const { return m_right; }
    const CUnitVector3d& GetUp() const { return m_up; }
    const CUnitVector3d& GetBack() const { return m_back; }
    // Parallel projection: the explicit window's height or the camera's parallel height.
    double GetViewHeight() const;
    // Perspective projection: the height of the view at that distance from the eye.
    double GetViewHeightAtDistance(double distance) const;
    const CMatrix4d& GetProjectionMatrix() const { return m_projection; }
    const CMatrix4d& GetViewProjectionMatrix() const;

    // Window x, y and depth of a model point; false when it lies in the eye's plane.
    bool ModelToScreen(const CPoint3d& point, CPoint3d& window) const;
    // The model point at that window position and depth; false for a singular matrix or a
    // point at infinity.
    bool ScreenToModel3(double x, double y, double depth, CPoint3d& point) const;
    // The point of the near plane under the pixel.
    CPoint3d ScreenToModel(double x, double y) const;
    // The pixel's offset from the viewport centre in model units, y up; z is 0.
    CPoint3d ScreenToViewPlane(double px, double py) const;
    // Perspective: from the eye through the pixel. Parallel: from the eye's plane along the
    // view direction.
    CRay3d GetPickRay(double px, double py) const;
    // Where the pick ray meets the plane through the point facing the camera; the origin when
    // the ray runs along that plane.
    CPoint3d PickPointOnPlaneThrough(double px, double py, const CPoint3d& point) const;
    // The distance from the eye of a window depth.
    double DepthToDistance(double depth) const;

    // The extents of the view at a distance from the eye; with2D applies the 2D pan and zoom.
    void GetFrustumExtents(double distance, double& left, double& right, double& bottom, double& top,
                           bool with2D) const;
    // The explicit window scaled to the distance, or the extents with the 2D pan and zoom.
    void GetFrustumAt(double distance, double& left, double& right, double& bottom, double& top) const;
    void GetFrustumAtNear(double& left, double& right, double& bottom, double& top, bool with2D) const;
    // The explicit window (true), or the extents at the near plane (false).
    bool GetFrustum(double& left, double& right, double& bottom, double& top) const;
    void GetFrustumPlanes(FrustumPlanes& planes) const;
    // The volume of a pixel rectangle (x0 left, x1 right, y0 top, y1 bottom): left, right,
    // bottom and top sides, everything in front of the eye, and a far plane at infinity that
    // volume filters ignore. Normals point out.
    void GetSelectionFrustum(double x0, double x1, double y0, double y1, FrustumPlanes& planes) const;
    void GetPickApertureFrustum(double px, double py, double size, FrustumPlanes& planes) const;

private:
    void Recompute();
    void MarkMatricesDirty();
    // The height the parallel projection shows now.
    double GetCurrentParallelHeight() const;
    // Pixel to picture coordinates -1..1, y up.
    double NormalizedX(double px) const;
    double NormalizedY(double py) const;

    CCamera m_camera;
    double m_aspect = 1.0;
    double m_near = 1.0;
    double m_far = 10000.0;
    int m_viewportX = 0;
    int m_viewportY = 0;
    int m_viewportWidth = 0;
    int m_viewportHeight = 0;
    double m_nearHint = 0.0;
    double m_farHint = 0.0;
    bool m_explicitWindow = false;
    double m_windowLeft = 0.0;
    double m_windowRight = 0.0;
    double m_windowTop = 0.0;
    double m_windowBottom = 0.0;
    FrustumPlanes m_frustumPlanes;
    double m_viewportCenterX = 0.0;
    double m_viewportCenterY = 0.0;
    CUnitVector3d m_right = CUnitVector3d::ZAxis();
    CUnitVector3d m_up = CUnitVector3d::ZAxis();
    CUnitVector3d m_back = CUnitVector3d::ZAxis();
    double m_pixelSize = 0.0;
    double m_fovFactor;
    CMatrix4d m_projection;
    mutable CMatrix4d m_combined;
    mutable bool m_combinedDirty = false;
    mutable CMatrix4d m_inverse;
    mutable bool m_inverseDirty = false;
};
