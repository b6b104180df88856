#pragma once
// CCamera: the serialisable camera: where the eye is, what it looks at, which way is up, how
// the picture is projected, and an optional 2D pan and zoom of the finished picture. A plain
// value: copied freely, posting nothing, keeping no matrices (the view definition derives
// them). Lengths are model units, angles degrees; the camera looks along its -z axis.
//
// The setters keep eye and target apart (at least 0.001, and at least a tenth of their distance
// from the origin) and the up vector a unit vector perpendicular to the view direction. The
// file reader takes what it reads and ends with Repair, which mends a camera that breaks them.

#include <memory>

#include "database/EntityTypes.h"
#include "database/ICamera.h"
#include "geometry/Point3d.h"
#include "geometry/Transform3d.h"
#include "geometry/UnitVector3d.h"
#include "platform/mfc/Object.h"
#include "platform/mfc/String.h"

class CCamera : public CObject, public ICamera {
    DECLARE_SERIAL(CCamera)
public:
    using CPoint3d = orbisk::geometry::CPoint3d;
    using CTransform3d = orbisk::geometry::CTransform3d;
    using CUnitVector3d = orbisk::geometry::CUnitVector3d;
    using CVector3d = orbisk::geometry::CVector3d;

    // Eye (0, 0, 1) looking at the origin, up +y; perspective with a vertical field of view of
    // 30 degrees.
    CCamera();
    CCamera(const CCamera& other);
    CCamera& operator=(const CCamera& other);

    virtual int GetEntityType() const { return kEntityCamera; }

    // Eye and target through SetEyeTargetUp (so its adjustments apply), then every other value.
    void Copy(const CCamera& other);
    static void SwapCameras(CCamera& a, CCamera& b);

    // Eye, target and up within 0.001, the same projection, aspect, field of view and its
    // kind, and the same 2D pan and zoom. Near and far, the parallel height, the stored flag,
    // reference point, name and film width are not compared.
    bool operator==(const CCamera& other) const;

    const CPoint3d& GetEye() const { return m_eye; }
    const CPoint3d& GetTarget() const { return m_target; }
    const CUnitVector3d& GetUp() const { return m_up; }
    CUnitVector3d GetDirection() const { return CUnitVector3d(m_eye, m_target); }
    double GetTargetDistance() const { return m_eye.DistanceTo(m_target); }
    double GetNear() const { return m_near; }
    double GetFar() const { return m_far; }
    bool IsPerspective() const { return m_perspective; }
    // The stored angle: vertical or horizontal, as IsFieldOfViewVertical says.
    double GetStoredFieldOfView() const { return m_fieldOfView; }
    bool IsFieldOfViewVertical() const { return m_fovIsVertical; }
    double GetParallelHeight() const { return m_parallelHeight; }
    // Width / height of the picture; 0 or less: none.
    double GetImageAspect() const { return m_imageAspect; }
    bool GetStoredFlag() const { return m_stored; }
    const CPoint3d& GetReferencePoint() const { return m_referencePoint; }
    const CString& GetName() const { return m_name; }
    // Millimetres; below 0.1 means 36.
    double GetFilmWidth() const { return m_filmWidth; }
    bool Is2DPanZoomEnabled() const { return m_panZoom2D; }
    double Get2DScale() const { return m_scale2D; }
    double Get2DOffsetX() const { return m_offsetX2D; }
    double Get2DOffsetY() const { return m_offsetY2D; }
    // Enabled, yet with scale 1 and no offset.
    bool Is2DPanZoomIdentity() const;

    // The vertical field of view of a window of this width / height.
    double GetFieldOfView(double windowAspect) const;
    double FovToFocalLength(double fov) const;
    double FocalLengthToFov(double focalLength) const;
    // The model-to-camera transformation (translation by minus the eye, or minus the target,
    // then a rotation taking right, up and back onto x, y and z) and the eye-target distance;
    // -1, output untouched, when up is parallel to the view direction.
    double GetViewTransform(CTransform3d& transform, bool originAtEye) const;

    // Returns whether the up vector could be kept a unit vector.
    bool SetEyeTargetUp(const CPoint3d& eye, const CPoint3d& target, const CVector3d& up);
    // The target at the current eye-target distance along the direction.
    bool SetEyeDirectionUp(const CPoint3d& eye, const CVector3d& direction, const CVector3d& up);
    // Clears the stored flag.
    void Set(const CPoint3d& eye, const CPoint3d& target, const CVector3d& up, double nearDistance,
             double farDistance, bool perspective, double fov, double parallelHeight);
    void SetTargetDistance(double distance);
    // To parallel: the parallel height keeps the picture's size at the target.
    void SetPerspective(bool perspective);
    void SetFieldOfView(double fov) { m_fieldOfView = fov; }
    void SetFieldOfViewVertical(bool vertical) { m_fovIsVertical = vertical; }
    void SetParallelHeight(double height) { m_parallelHeight = height; }
    void SetNearFar(double nearDistance, double farDistance) { m_near = nearDistance, m_far = farDistance; }
    void SetImageAspect(double aspect) { m_imageAspect = aspect; }
    void SetName(const CString& name) { m_name = name; }
    void SetFilmWidth(double width) { m_filmWidth = width; }
    void SetReferencePoint(const CPoint3d& point) { m_referencePoint = point; }
    // Makes up perpendicular to the view direction; returns whether it is a unit vector.
    bool OrthogonalizeUp();
    void Transform(const CTransform3d& transform);
    // Mends coincident eye and target, a zero up vector or one along the view direction, and
    // a camera whose eye, target or up, field of view or parallel height is not a number.
    // True when nothing had to change.
    bool Repair();

    // The 2D pan and zoom: offsets in half widths and half heights of the picture; x and y are
    // picture coordinates from -1 to 1.
    void Set2DPanZoom(bool enabled, double scale, double offsetX, double offsetY);
    void Copy2DPanZoom(const CCamera& other);
    void Pan2D(double dx, double dy);
    // The point under (x, y) stays put.
    void Zoom2DAbout(double x, double y, double factor);
    void Transform2D(double dx, double dy, double scale);

    // The camera's own record: its fields by schema (1 to 5), then Repair. Storing writes the
    // record of the schema that GetClassVersion answers.
    void Serialize(CArchive& ar) override;

    // ICamera.
    std::unique_ptr<ICamera> Clone() const override;
    // The other is a CCamera.
    void Assign(const ICamera& other) override;
    // With inlineForm, the older inline record read in place; otherwise a separate archive
    // object of this class, copied into this camera.
    void ReadEmbedded(CArchive& ar, bool inlineForm) override;
    // A separate archive object, as ReadEmbedded without the inline form reads it.
    void WriteEmbedded(CArchive& ar) const override;
    // Every number finite and up a unit vector.
    bool IsValid() const override;
    void SetFromDirection(const CPoint3d& eye, const CVector3d& direction, const CVector3d& up,
                          double nearDistance, double farDistance, bool perspective, double fov,
                          double parallelHeight) override;

private:
    void ReadRecord(CArchive& ar);
    void WriteRecord(CArchive& ar) const;
    void ReadInline(CArchive& ar);
    // up from an axis across the view direction: +Z, or +Y when looking along Z.
    void RebuildUp(const CUnitVector3d& direction);

    CPoint3d m_eye{0, 0, 1};
    CPoint3d m_target;
    CUnitVector3d m_up = CUnitVector3d::YAxis();
    double m_near = 0.1;
    double m_far = 2.0;
    bool m_perspective = true;
    double m_fieldOfView = 30.0;
    double m_parallelHeight = 1.0;
    double m_imageAspect = 0.0;
    bool m_fovIsVertical = true;
    bool m_stored = false;
    CPoint3d m_referencePoint;
    CString m_name;
    double m_filmWidth = 0.0;
    bool m_panZoom2D = false;
    double m_scale2D = 1.0;
    double m_offsetX2D = 0.0;
    double m_offsetY2D = 0.0;
};
