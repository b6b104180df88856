#pragma once
// The cut of a section plane through its component: the lines where the plane crosses faces and
// the edges that lie in it, through every nested instance. Computing it walks the whole
// instance tree, so it is computed once and kept as a tree of slices mirroring the component
// tree; one definition's cut is shared by all its instances that meet the plane alike. The
// section plane owns the cut and drops it when the plane, the active plane or the geometry
// changes.
//
// Elements are not owned: a cut lives no longer than the geometry it was made from.

#include <memory>
#include <vector>

#include "geometry/Plane3d.h"
#include "geometry/Point3d.h"
#include "topology/SectionPlaneSlice.h"
#include "topology/SectionPlaneStack.h"

class CComponent;
class CComponentDefinition;
class CComponentInstance;
class CDrawingElement;
class CEdge;
class CFace;
class IModelView;

// The cut of one element; the base draws nothing. Nothing draws in flat drawing.
class CElementSlice {
public:
    explicit CElementSlice(CDrawingElement* element) : m_element(element) {}
    CElementSlice(const CElementSlice&) = delete;
    CElementSlice& operator=(const CElementSlice&) = delete;
    virtual ~CElementSlice() = default;
    virtual void Draw(IModelView* view);
    CDrawingElement* GetElement() const { return m_element; }

private:
    CDrawingElement* m_element;
};

// The part of an edge lying in the plane that the other section planes keep.
class CEdgeSlice : public CElementSlice {
public:
    using CPoint3d = orbisk::geometry::CPoint3d;

    CEdgeSlice(CEdge* edge, const CPoint3d& start, const CPoint3d& end);
    void Draw(IModelView* view) override;
    const CPoint3d& GetStart() const { return m_start; }
    const CPoint3d& GetEnd() const { return m_end; }

private:
    CPoint3d m_start;
    CPoint3d m_end;
};

// A piece of the cut line inside a face; along is the face edge it runs on, or null.
struct CFaceSliceSegment {
    orbisk::geometry::CPoint3d start;
    orbisk::geometry::CPoint3d end;
    CDrawingElement* along = nullptr;
};

// A piece running along an edge that shows is left to that edge.
class CFaceSlice : public CElementSlice {
public:
    explicit CFaceSlice(CFace* face);
    void Draw(IModelView* view) override;
    void AddSegment(const CFaceSliceSegment& segment) { m_segments.push_back(segment); }
    const std::vector<CFaceSliceSegment>& GetSegments() const { return m_segments; }

private:
    std::vector<CFaceSliceSegment> m_segments;
};

// The cut of a component's (or definition's) contents by a plane in its own coordinates; the
// children follow the component's entities. Selected children draw in the selected colour.
class CComponentSlice : public CElementSlice {
public:
    using CPlane3d = orbisk::geometry::CPlane3d;

    CComponentSlice(CComponent* component, const CPlane3d& plane);
    void Draw(IModelView* view) override;
    void AddChild(std::unique_ptr<CElementSlice> child) { m_children.push_back(std::move(child)); }
    const std::vector<std::unique_ptr<CElementSlice>>& GetChildren() const { return m_children; }
    const CPlane3d& GetPlane() const { return m_plane; }
    void SetPlane(const CPlane3d& plane) { m_plane = plane; }

private:
    std::vector<std::unique_ptr<CElementSlice>> m_children;
    CPlane3d m_plane;
};

// A definition's cut, shared by the instances that meet the plane alike.
class CDefinitionSlice : public CComponentSlice {
public:
    CDefinitionSlice(CComponentDefinition* definition, const CPlane3d& plane);
};

// An instance replays its definition's cut where the instance is placed.
class CInstanceSlice : public CElementSlice {
public:
    CInstanceSlice(CComponentInstance* instance, CDefinitionSlice* definition);
    void Draw(IModelView* view) override;
    CDefinitionSlice* GetDefinitionSlice() const { return m_definition; }

private:
    CDefinitionSlice* m_definition;
};

class CSectionPlaneSlice : public ISectionPlaneSlice {
public:
    using CPlane3d = orbisk::geometry::CPlane3d;

    explicit CSectionPlaneSlice(CComponent& component);
    ~CSectionPlaneSlice() override;
    // What the section planes install to make their cuts.
    static std::unique_ptr<ISectionPlaneSlice> Create(CComponent& component);

    // Once: a cut that produced lines stays as it is until the section plane drops it; one that
    // produced nothing is computed again.
    void Build(const CPlane3d& plane, IModelView* view) override;
    void Draw(IModelView* view) override;
    void CutComponent(CComponentSlice& slice, const CPlane3d& plane, IModelView* view);
    // The cached cut of the definition by the plane, in either orientation, or null.
    CDefinitionSlice* FindDefinitionSlice(const CComponentDefinition* definition,
                                          const CPlane3d& plane) const;

    const CComponentSlice& GetRoot() const { return *m_root; }
    int GetDefinitionSliceCount() const { return static_cast<int>(m_definitions.size()); }

private:
    void CutInstance(CComponentSlice& slice, CComponentInstance& instance, const CPlane3d& plane,
                     IModelView* view);
    void CutEdge(CComponentSlice& slice, CEdge& edge, const CPlane3d& plane);
    void CutFace(CComponentSlice& slice, CFace& face, const CPlane3d& plane, IModelView* view);

    std::unique_ptr<CComponentSlice> m_root;
    std::vector<std::unique_ptr<CDefinitionSlice>> m_definitions;
    // The active planes of the definitions entered, which cut their contents.
    CSectionPlaneStack m_clipStack;
};
