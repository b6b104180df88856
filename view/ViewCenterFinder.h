#pragma once
// CViewCenterFinder: the point to orbit or zoom about. A window pick over the whole viewport
// whose ray runs through the viewport's centre: every visible point within the viewport adds its
// depth along that ray (up to a depth limit) and grows a box. Instances are not entered; the
// corners of their definition's box stand for them.

#include <limits>

#include "geometry/BoundingBox3d.h"
#include "view/PickHelper.h"

class CZphView;

class CViewCenterFinder : public CPickHelper {
public:
    explicit CViewCenterFinder(CZphView* view);

    // For a cursor position: the geometry near the pick ray through the pixel (or through the
    // viewport's centre when the pixel shows nothing), at the average depth of what lies
    // near the ray.
    CPoint3d GetOrbitCenter(const int pixel[2]);
    // The centre of the visible geometry; the centre of the model's bounds when nothing shows.
    CPoint3d GetViewCenter();

    // After a walk.
    int GetCount() const { return m_count; }
    double GetAverageDepth() const { return m_count > 0 ? m_sum : 0.0; }
    const CBoundingBox3d& GetBounds() const { return m_bounds; }

    // IPickHelper.
    int PickPoint(const CPoint3d& point) override;
    int PickSegment(const CPoint3d& start, const CPoint3d& end) override;
    bool DescendsIntoInstances() override { return false; }
    bool GetSecondaryFlag() override { return true; }

private:
    void CenterWalk();

    CZphView* m_zphView;
    CPoint3d m_eye;
    double m_depthLimit = std::numeric_limits<double>::infinity();
    // The sum of the accepted depths; their average once a walk has ended.
    double m_sum = 0.0;
    int m_count = 0;
    CBoundingBox3d m_bounds;
};
