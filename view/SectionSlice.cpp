#include "view/SectionSlice.h"

#include <GL/gl.h>

#include "components/Component.h"
#include "components/ComponentDefinition.h"
#include "components/ComponentInstance.h"
#include "database/EntityTypes.h"
#include "database/IModelView.h"
#include "database/IRenderingOptions.h"
#include "database/LayerManager.h"
#include "geometry/GeomFilterPlane.h"
#include "geometry/Line3d.h"
#include "geometry/Tolerance.h"
#include "model/ZephyronModel.h"
#include "topology/Edge.h"
#include "topology/Face.h"
#include "topology/FacePolygon.h"
#include "topology/SectionPlane.h"
#include "topology/Vertex.h"

using orbisk::geometry::CLine3d;
using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::kGeomTolerance;
using orbisk::utils::CColor;

namespace {

// Item-buffer drawing shows no cut.
bool IsFlatDrawing(IModelView* view)
{
    return view->GetDrawingMode() == 1;
}

CLayer* DefaultLayerOf(IModelView* view)
{
    CZephyronModel* model = view ? view->GetModel() : nullptr;
    CLayerManager* layers = model ? model->GetLayerManager() : nullptr;
    return layers ? layers->GetDefaultLayer() : nullptr;
}

}  // namespace

void CElementSlice::Draw(IModelView*) {}

CEdgeSlice::CEdgeSlice(CEdge* edge, const CPoint3d& start, const CPoint3d& end)
    : CElementSlice(edge), m_start(start), m_end(end)
{}

void CEdgeSlice::Draw(IModelView* view)
{
    if (IsFlatDrawing(view))
        return;
    view->DrawLine(m_start, m_end);
    view->EndPrimitive();
}

CFaceSlice::CFaceSlice(CFace* face) : CElementSlice(face) {}

void CFaceSlice::Draw(IModelView* view)
{
    if (IsFlatDrawing(view))
        return;
    for (const CFaceSliceSegment& segment : m_segments) {
        // An edge that shows draws this piece itself.
        if (segment.along && segment.along->IsVisible(view))
            continue;
        view->DrawLine(segment.start, segment.end);
    }
    view->EndPrimitive();
}

CComponentSlice::CComponentSlice(CComponent* component, const CPlane3d& plane)
    : CElementSlice(component), m_plane(plane)
{}

void CComponentSlice::Draw(IModelView* view)
{
    if (IsFlatDrawing(view))
        return;
    const IRenderingOptions* options = view->GetRenderingOptions();
    const CColor selected = options ? options->GetSelectedColor() : CColor();
    CColor current;
    view->GetColor(current);
    for (const auto& child : m_children) {
        CDrawingElement* element = child->GetElement();
        // Elements not (or no longer) in the model have no id.
        if (!element || element->GetId() <= 0 || !element->IsVisible(view))
            continue;
        if (element->IsSelected()) {
            view->SetColor(selected);
            child->Draw(view);
            view->SetColor(current);
        } else {
            child->Draw(view);
        }
    }
}

CDefinitionSlice::CDefinitionSlice(CComponentDefinition* definition, const CPlane3d& plane)
    : CComponentSlice(definition, plane)
{}

CInstanceSlice::CInstanceSlice(CComponentInstance* instance, CDefinitionSlice* definition)
    : CElementSlice(instance), m_definition(definition)
{}

void CInstanceSlice::Draw(IModelView* view)
{
    if (IsFlatDrawing(view) || !m_definition)
        return;
    view->PushTransform(static_cast<CComponentInstance*>(GetElement())->GetTransform(), true);
    m_definition->Draw(view);
    view->PopTransform(true);
}

CSectionPlaneSlice::CSectionPlaneSlice(CComponent& component)
    : m_root(std::make_unique<CComponentSlice>(&component, CPlane3d()))
{}

CSectionPlaneSlice::~CSectionPlaneSlice()
{
    while (!m_clipStack.IsEmpty())
        m_clipStack.Pop();
}

std::unique_ptr<ISectionPlaneSlice> CSectionPlaneSlice::Create(CComponent& component)
{
    return std::make_unique<CSectionPlaneSlice>(component);
}

void CSectionPlaneSlice::Build(const CPlane3d& plane, IModelView* view)
{
    if (!m_root->GetChildren().empty())
        return;
    // A cut that found nothing left no definition slice behind; start clean all the same.
    m_definitions.clear();
    m_root->SetPlane(plane);
    view->PushLayer(DefaultLayerOf(view));
    CutComponent(*m_root, plane, view);
    view->PopLayer();
}

void CSectionPlaneSlice::Draw(IModelView* view)
{
    if (IsFlatDrawing(view))
        return;
    m_root->Draw(view);
}

void CSectionPlaneSlice::CutComponent(CComponentSlice& slice, const CPlane3d& plane, IModelView* view)
{
    auto* container = static_cast<CComponent*>(slice.GetElement());
    if (!container)
        return;
    if (!orbisk::geometry::CGeomFilterPlane(plane).IntersectsBox(container->GetBounds()))
        return;
    for (CDrawingElement* element : container->GetEntityList()) {
        if (!element || !element->IsVisible(view))
            continue;
        switch (element->GetEntityType()) {
            case kEntityComponentInstance:
            case kEntityGroup:
            case kEntityImage:
                CutInstance(slice, static_cast<CComponentInstance&>(*element), plane, view);
                break;
            case kEntityEdge: CutEdge(slice, static_cast<CEdge&>(*element), plane); break;
            case kEntityFace: CutFace(slice, static_cast<CFace&>(*element), plane, view); break;
            default: break;
        }
    }
}

void CSectionPlaneSlice::CutInstance(CComponentSlice& slice, CComponentInstance& instance,
                                     const CPlane3d& plane, IModelView* view)
{
    CComponentDefinition* definition = instance.GetDefinition();
    if (!definition)
        return;
    const CTransform3d& transform = instance.GetTransform();
    // The plane in the definition's own coordinates.
    CPlane3d local = plane;
    transform.Inverse().TransformPlane(local);
    m_clipStack.PushTransform(transform);
    CDefinitionSlice* cut = FindDefinitionSlice(definition, local);
    if (!cut) {
        m_definitions.push_back(std::make_unique<CDefinitionSlice>(definition, local));
        cut = m_definitions.back().get();
        // The definition's own section plane cuts its contents.
        auto* active = dynamic_cast<CSectionPlane*>(definition->GetActiveSectionPlane());
        if (active)
            m_clipStack.Push(active);
        instance.PushInheritedLayer(view);
        CutComponent(*cut, local, view);
        instance.PopInheritedLayer(view);
        if (active)
            m_clipStack.Pop();
    }
    m_clipStack.PopTransform();
    slice.AddChild(std::make_unique<CInstanceSlice>(&instance, cut));
}

void CSectionPlaneSlice::CutEdge(CComponentSlice& slice, CEdge& edge, const CPlane3d& plane)
{
    if (!edge.GetStart() || !edge.GetEnd())
        return;
    const CPoint3d& start = edge.GetStart()->GetPosition();
    const CPoint3d& end = edge.GetEnd()->GetPosition();
    if (!start.IsOnPlane(plane) || !end.IsOnPlane(plane))
        return;
    CLine3d line(start, end);
    CPoint3d from;
    CPoint3d to;
    if (!m_clipStack.ClipLine(line) || !line.GetStartPoint(from) || !line.GetEndPoint(to))
        return;
    slice.AddChild(std::make_unique<CEdgeSlice>(&edge, from, to));
}

void CSectionPlaneSlice::CutFace(CComponentSlice& slice, CFace& face, const CPlane3d& plane, IModelView* view)
{
    CFacePolygon polygon(&face, view, false);
    if (!m_clipStack.ClipPolygon(polygon))
        return;
    CFacePolygonSlicer slicer;
    if (!slicer.Slice(polygon, plane))
        return;
    auto cut = std::make_unique<CFaceSlice>(&face);
    for (int i = 0; i < slicer.GetSegmentCount(); ++i) {
        CFaceSliceSegment segment;
        CEdge* along = nullptr;
        slicer.GetSegment(i, segment.start, segment.end, along);
        segment.along = along;
        cut->AddSegment(segment);
    }
    slice.AddChild(std::move(cut));
}

CDefinitionSlice* CSectionPlaneSlice::FindDefinitionSlice(const CComponentDefinition* definition,
                                                          const CPlane3d& plane) const
{
    for (const auto& cached : m_definitions) {
        if (cached->GetElement() == definition && cached->GetPlane().IsEqual(plane, false, kGeomTolerance))
            return cached.get();
    }
    return nullptr;
}
