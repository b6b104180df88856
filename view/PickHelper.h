#pragma once
// CPickHelper: finds what lies under the cursor, or inside a window, without reading pixels. It
// replays the model's own traversal (the entities' PickInside walks) against itself instead of
// a drawing sink: it holds the pick ray through a pixel, the aperture or window around it, the
// pick volume that it installs as the model view's geometry filter, and the hits with their
// depths along the ray (0 at the near plane, 1 at the far plane).
//
// Of the drawing sink it keeps only its own transformation bookkeeping (the pick ray, the
// aperture corners and the depth limits carried into each entered instance); transformations,
// eye, filters and section planes themselves are the model view's.
//
// One helper answers one question: constructing it installs the pick volume, each Pick starts
// afresh, destroying it clears the view's geometry filters. A point pick sorts its hits nearest
// first; with faces drawn opaque, what lies behind the front face is not a valid hit.

#include <utility>
#include <vector>

#include "database/IPickHelper.h"
#include "geometry/Plane3d.h"
#include "geometry/Point3d.h"
#include "geometry/Ray3d.h"
#include "geometry/Transform3d.h"

class CDrawingElement;
class CFace;
class IZphView;

// One entity found by a pick.
struct PickHit {
    // From the outermost instance down to the picked entity; or the outermost instance alone,
    // which then stands for everything inside it.
    std::vector<CEntity*> path;
    // The entity's depth range along the pick ray: 0 at the near plane, 1 at the far plane.
    double nearDepth = 0.0;
    double farDepth = 0.0;
    int tag = 0;

    CEntity* GetEntity() const { return path.empty() ? nullptr : path.back(); }
    // The placement of the picked entity's coordinates in the model.
    orbisk::geometry::CTransform3d GetPathTransform() const;
};

class CPickHelper : public IPickHelper {
public:
    using CBoundingBox3d = orbisk::geometry::CBoundingBox3d;
    using CLine3d = orbisk::geometry::CLine3d;
    using CPlane3d = orbisk::geometry::CPlane3d;
    using CPoint3d = orbisk::geometry::CPoint3d;
    using CRay3d = orbisk::geometry::CRay3d;
    using CTransform3d = orbisk::geometry::CTransform3d;
    using CVector3d = orbisk::geometry::CVector3d;
    using IGeomFilter = orbisk::geometry::IGeomFilter;

    static constexpr int kDefaultAperture = 6;

    // A point pick (mode 1) at a window pixel with a square aperture of that many pixels; 0 or
    // less means the default.
    CPickHelper(IZphView* view, const int pixel[2], int aperture);
    // Without a view until SetupWindow.
    CPickHelper();
    ~CPickHelper() override;
    CPickHelper(const CPickHelper&) = delete;
    CPickHelper& operator=(const CPickHelper&) = delete;

    // A window pick between two window corners: mode 2 keeps what lies wholly inside, mode 3
    // what crosses it too.
    void SetupWindow(IZphView* view, const int cornerA[2], const int cornerB[2], int mode);

    // Walks the component and answers the number of valid hits.
    int Pick(CDrawingElement* root);
    // The nearest point along the pick ray of a picked face or edge of the whole model; false
    // when there is none.
    bool GetNearestPickPoint(CPoint3d& point);
    // Forgets the hits and the front face, and measures the depth limits of the pick ray.
    void Reset();

    int GetHitCount() const { return m_validCount; }
    const PickHit& GetHit(int i) const { return m_hits[i]; }
    // Hits carry their whole instance path.
    void SetFullPath(bool full) { m_fullPath = full; }
    int GetApertureSize() const { return m_apertureSize; }
    // Window pixels: x0 left, x1 right, y0 top, y1 bottom.
    void GetWindow(double& x0, double& x1, double& y0, double& y1) const;
    // The nearest face, when faces hide what lies behind them; null otherwise.
    CFace* GetFrontFace() const { return m_frontFace; }
    // Where the pick ray crosses the near and far planes, along the current local ray.
    double GetNearParameter() const { return m_nearParameter; }
    double GetFarParameter() const { return m_farParameter; }

    // IDrawingBase: the transformations are followed here and passed on; everything else is
    // the model view's.
    void PushTransform(const CTransform3d& t, bool applyToGL) override;
    void PopTransform(bool applyToGL) override;
    bool HasElements() override;
    CTransform3d GetTransform() override;
    CTransform3d GetInverseTransform() override;
    CPoint3d GetEyePoint() override;
    CVector3d GetViewDirection() override;
    void SetEyeAndDirection(const CPoint3d& eye, const CVector3d& direction) override;
    IGeomFilter* GetGeometryFilter() override;
    void ClearGeometryFilters() override;
    void PushGeometryFilter(IGeomFilter* filter) override;
    void PopGeometryFilter() override;
    void PushSectionPlane(CSectionPlane* plane, bool clip) override;
    int PopSectionPlane(bool clip) override;
    void SetDrawFlags(bool off) override;
    CSectionPlaneStack* GetSectionPlaneStack() override;

    // IPickHelper.
    int GetPickMode() override { return m_pickMode; }
    bool IsWindowPick() override { return m_pickMode == kWindowPick || m_pickMode == kCrossingPick; }
    CRay3d GetPickRay() override { return m_modelRay; }
    CRay3d GetLocalRay() override { return m_localRay; }
    int PickLine(const CLine3d& line) override;
    int PickSegment(const CPoint3d& start, const CPoint3d& end) override;
    bool TestBox(const CBoundingBox3d& box) override;
    int PickPoint(const CPoint3d& point) override;
    bool IsEntityVisible(CEntity* entity) override;
    IModelView* GetView() override;
    void PushPathEntity(CEntity* entity) override { m_path.push_back(entity); }
    void PopPathEntity() override;
    bool DescendsIntoInstances() override { return true; }
    bool GetSecondaryFlag() override { return true; }
    bool GetPicksSoftEdges() override { return m_picksSoftEdges; }
    void SetPicksSoftEdges(bool picks) override { m_picksSoftEdges = picks; }
    void AddHit(CEntity* entity, bool force, bool useTag) override;
    void SetHitTag(int tag) override { m_hitTag = tag; }
    CEntity* GetHitElement() override { return m_hitElement; }
    void SetHitElement(CEntity* element) override { m_hitElement = element; }
    double DistanceToFilterPlane(const CPoint3d& point, int index) override;
    void GetApertureCorners(CPoint3d (&corners)[4]) override;

protected:
    // For the pickers that reuse the traversal with another mode.
    void SetPickMode(int mode) { m_pickMode = mode; }

private:
    // Window pixel, ray and aperture corners; the previous filters give way to the new volume.
    void SetupRay(IZphView* view, int x, int y);
    void SetCornersFromWindow();
    void CarryIntoLocal();
    // The depth limits in the current local coordinates.
    std::pair<double, double> LocalDepthLimits() const;
    bool HasActiveSectionPlanes();
    // The draw mode of component editing that the entities' visibility reads.
    void BeginPick(bool atRoot);
    void EndPick();
    void SortHits();
    bool HitLess(const PickHit& a, const PickHit& b) const;
    // The line-like element of one hit lies in the plane of the other hit's face.
    static bool ElementOnFace(const PickHit& element, const PickHit& face);
    void FindFrontFace();
    bool IsBehindFrontFace(const PickHit& hit) const;

    IZphView* m_view = nullptr;
    int m_pixelX = 0;
    int m_pixelY = 0;
    int m_apertureSize = 0;
    int m_pickMode = kPointPick;
    bool m_fullPath = false;
    CRay3d m_modelRay;
    CRay3d m_localRay;
    // Along the model ray, as Reset measures them; the current ones are along the local ray.
    double m_modelNear = 0.0;
    double m_modelFar = 0.0;
    double m_nearParameter = 0.0;
    double m_farParameter = 0.0;
    std::vector<std::pair<double, double>> m_savedParameters;
    double m_x0 = 0.0;
    double m_x1 = 0.0;
    double m_y0 = 0.0;
    double m_y1 = 0.0;
    // (x0, y1), (x1, y1), (x0, y0), (x1, y0) on the near plane.
    CPoint3d m_modelCorners[4];
    CPoint3d m_localCorners[4];
    std::vector<PickHit> m_hits;
    int m_validCount = 0;
    std::vector<CEntity*> m_path;
    CFace* m_frontFace = nullptr;
    // The front face's hit and its plane in model coordinates, the eye on its positive side.
    PickHit m_frontHit;
    CPlane3d m_frontPlane;
    int m_hitTag = 0;
    CEntity* m_hitElement = nullptr;
    bool m_picksSoftEdges = false;
    int m_pushedDrawModes = 0;
};
