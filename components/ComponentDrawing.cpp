// The immediate drawing of components: the passes a root component draws a frame with, the
// recursive walk that carries one kind of content through the instance tree, the instances'
// own drawing as elements of their parent, and the pick walks of components and instances.
//
// Every push made on the view or the drawing sink here is popped by the same routine on every
// path, early returns included; GL state changed for a pass is restored at its end.

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "components/Component.h"
#include "components/ComponentDefinition.h"
#include "components/ComponentInstance.h"
#include "components/IEditingContext.h"
#include "components/InstancePath.h"
#include "components/TransparencySorter.h"
#include "database/ComponentAxes.h"
#include "database/ComponentBehavior.h"
#include "database/IModelContext.h"
#include "database/IModelView.h"
#include "database/IPickHelper.h"
#include "database/Layer.h"
#include "database/LayerManager.h"
#include "database/UndoManager.h"
#include "geometry/BoundingBox2d.h"
#include "settings/BackgroundImage.h"
#include "settings/RenderingOptions.h"
#include "settings/SceneModel.h"
#include "settings/ViewDefinition.h"
#include "support/NotificationCenter.h"
#include "topology/Curve.h"
#include "topology/Edge.h"
#include "topology/Face.h"
#include "topology/SectionPlane.h"

using orbisk::geometry::CBoundingBox3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CVector3d;
using orbisk::utils::CColor;

namespace {

// Level-of-detail feature bits the passes read.
constexpr unsigned kFeatureAnnotations = 0x04;
constexpr unsigned kFeatureEdgeEffects = 0x80;
constexpr unsigned kFeatureSortedTransparency = 0x100;
constexpr unsigned kAllFeatures = 511;

// Draw modes of the view while a component is edited.
constexpr int kDrawModeOtherInstance = 2;
constexpr int kDrawModeOutside = 3;

// The view's drawing modes.
constexpr int kDrawingItemBuffer = 1;
constexpr int kDrawingStrokeEdges = 2;

// The lines that dash hidden edges and instances, and soft edges while hidden geometry shows.
constexpr unsigned short kHiddenStipple = 0x3333;
constexpr unsigned short kSoftStipple = 0x0F0F;

constexpr uint32_t kLockedBit = CDrawingElement::kSecondHighlight;
constexpr uint32_t kReceivesShadowsBit = CDrawingElement::kSecondShadow;

CRenderingOptions* OptionsOf(IModelView* view)
{
    return view ? dynamic_cast<CRenderingOptions*>(view->GetRenderingOptions()) : nullptr;
}

bool IsCancelled(IModelView* view)
{
    return view->IsDrawingSuppressed();
}

bool IsInstanceEntity(int type)
{
    return type == kEntityComponentInstance || type == kEntityGroup || type == kEntityImage;
}

// Instances and groups: the kinds whose definitions have edges to draw.
bool HasDrawnEdges(int type)
{
    return type == kEntityComponentInstance || type == kEntityGroup;
}

// The geometry of the walk's current place is hidden while a component is edited: outside the
// edited component, or in its other instances, as the options ask.
bool IsHiddenByDrawMode(IModelView* view)
{
    const CRenderingOptions* options = OptionsOf(view);
    if (!options)
        return false;
    const int mode = view->GetDrawMode();
    return (mode == kDrawModeOutside && options->GetHideInactive()) ||
           (mode == kDrawModeOtherInstance && options->GetHideOtherInstances());
}

CLayer* ModelDefaultLayer(IModelView* view)
{
    IModelContext* model = view->GetModelContext();
    CLayerManager* layers = model ? model->GetLayerManager() : nullptr;
    return layers ? layers->GetDefaultLayer() : nullptr;
}

// Whether the layer that entities on the default layer follow is hidden: the layer the
// enclosing instances hand down, or at the model root the model's default layer. It does not
// change while one component's list is walked, so loops ask once.
bool IsInheritedLayerHidden(IModelView* view)
{
    CLayer* layer = view->GetLayer();
    if (!layer)
        layer = ModelDefaultLayer(view);
    return layer && layer->IsHidden();
}

bool IsOnHiddenLayerForWalk(CDrawingElement* element, bool inheritedLayerHidden)
{
    if (!element->UsesDefaultLayer()) {
        CLayer* own = element->GetLayer();
        return own && own->IsHidden();
    }
    return inheritedLayerHidden;
}

bool IsStencilTestOn()
{
    return glIsEnabled(GL_STENCIL_TEST) == GL_TRUE;
}

// Elements that do not receive shadows are drawn without the stencil test in the lit pass of
// stencil shadows, so that no shadow darkens them.
template <typename DrawFn>
void DrawOutsideShadows(bool receivesShadows, const CRenderingOptions* options, DrawFn draw)
{
    const bool off = !receivesShadows && options &&
                     options->GetShadowPass() == CRenderingOptions::kLitShadowPass && IsStencilTestOn();
    if (off)
        glDisable(GL_STENCIL_TEST);
    draw();
    if (off)
        glEnable(GL_STENCIL_TEST);
}

// What the passes need of one face for a view.
struct FaceDrawKey {
    CMaterial* frontMaterial = nullptr;
    CMaterial* backMaterial = nullptr;
    uint8_t hidden = 0;
    uint8_t usesDefaultLayer = 0;
    uint8_t receivesShadows = 0;

    FaceDrawKey(CFace& face, const CRenderingOptions* options)
        : hidden((face.GetFlags() & CDrawingElement::kHidden) != 0),
          usesDefaultLayer(face.UsesDefaultLayer() || CLayer::IsDefaultLayer(face.GetLayer())),
          receivesShadows((face.GetFlags() & kReceivesShadowsBit) != 0)
    {
        if (options && options->IsColorByLayer()) {
            CLayer* layer = face.GetLayer();
            if (!usesDefaultLayer && layer)
                frontMaterial = backMaterial = layer->GetMaterial();
        } else if (!options || options->GetRenderingMode() != CRenderingOptions::kWireframe) {
            frontMaterial = face.GetMaterial();
            backMaterial = face.GetBackMaterial();
        }
    }
};

// What the passes need of one edge for a view.
struct EdgeDrawKey {
    CColor color;
    uint8_t hidden = 0;
    uint8_t usesDefaultLayer = 0;
    uint8_t soft = 0;

    EdgeDrawKey(CEdge& edge, IModelView* view)
        : color(edge.GetColorForView(view)),
          hidden((edge.GetFlags() & CDrawingElement::kHidden) != 0),
          usesDefaultLayer(edge.UsesDefaultLayer() || CLayer::IsDefaultLayer(edge.GetLayer())),
          soft(edge.IsSoft())
    {}
};

// The colour of the selection on a selected path: the locked colour when the path is locked.
CColor PathSelectionColor(const CRenderingOptions* options, bool locked)
{
    if (!options)
        return CColor(255, 255, 0);
    return locked ? options->GetLockedColor() : options->GetSelectedColor();
}

// Pushes the component's active section plane as a clip for its contents, and pops it again.
class SectionClipScope {
public:
    SectionClipScope(IDrawingBase* sink, CDrawingElement* plane, bool applyToGL)
        : m_sink(sink), m_plane(dynamic_cast<CSectionPlane*>(plane)), m_applyToGL(applyToGL)
    {
        if (m_plane)
            m_sink->PushSectionPlane(m_plane, m_applyToGL);
    }
    ~SectionClipScope()
    {
        if (m_plane)
            m_sink->PopSectionPlane(m_applyToGL);
    }
    SectionClipScope(const SectionClipScope&) = delete;
    SectionClipScope& operator=(const SectionClipScope&) = delete;

private:
    IDrawingBase* m_sink;
    CSectionPlane* m_plane;
    bool m_applyToGL;
};

// The drawers of the recursive walk: each visits one kind of content of an instance's definition.
class FaceDrawer : public CComponentInstance::Drawer {
public:
    void Visit(CComponentInstance* instance, IModelView* view) override
    {
        instance->GetDefinition()->DrawFacesWithChildren(view);
    }
};

class EdgeDrawer : public CComponentInstance::Drawer {
public:
    void Visit(CComponentInstance* instance, IModelView* view) override
    {
        instance->GetDefinition()->DrawEdgesWithChildren(view);
    }
};

class BackEdgeDrawer : public CComponentInstance::Drawer {
public:
    void Visit(CComponentInstance* instance, IModelView* view) override
    {
        instance->GetDefinition()->DrawBackEdges(view);
    }
};

class EdgeItemBufferDrawer : public CComponentInstance::Drawer {
public:
    void Visit(CComponentInstance* instance, IModelView* view) override
    {
        instance->GetDefinition()->DrawEdgesItemBuffer(view);
    }
};

class EdgeNPRDrawer : public CComponentInstance::Drawer {
public:
    void Visit(CComponentInstance* instance, IModelView* view) override
    {
        instance->GetDefinition()->DrawEdgesNPR(view);
    }
};

class AnnotationsDrawer : public CComponentInstance::Drawer {
public:
    void Visit(CComponentInstance* instance, IModelView* view) override
    {
        instance->GetDefinition()->DrawAnnotations(view);
    }
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// The component's section plane and filters

CDrawingElement* CComponent::GetActiveSectionPlane(const IRenderingOptions* options) const
{
    CDrawingElement* plane = GetActiveSectionPlane();
    if (!plane || !options)
        return plane;
    const auto* rendering = dynamic_cast<const CRenderingOptions*>(options);
    if (rendering && !(rendering->GetSectionDisplay() & CRenderingOptions::kSectionCutsShown))
        return nullptr;
    return plane;
}

int CComponent::TestGeometryFilter(IModelView* view)
{
    orbisk::geometry::IGeomFilter* filter = view->GetGeometryFilter();
    if (!filter || HasConstructionLines())
        return 1;
    bool whollyInside = false;
    if (!filter->TestBox(GetBounds(), whollyInside))
        return 0;
    if (whollyInside) {
        view->PushGeometryFilter(nullptr);
        return -1;
    }
    return 1;
}

void CComponent::DrawBoundsBox(IModelView* view, int marginPixels, double lineWidth)
{
    if (view->GetDrawingMode() == kDrawingItemBuffer || IsCancelled(view))
        return;
    CBoundingBox3d box = GetBounds();
    if (box.IsEmpty())
        return;
    if (marginPixels > 0) {
        CVector3d size;
        view->PixelsToLocalSize(size, marginPixels, box.GetCenter());
        box.Expand(size);
    }
    view->SetLighting(false);
    view->DrawBox(box, lineWidth);
}

// ---------------------------------------------------------------------------------------------
// The passes of a root component

void CComponent::DrawModel(IModelView* view)
{
    CRenderingOptions* options = OptionsOf(view);
    const int drawingMode = view->GetDrawingMode();
    const bool transparentPass =
        options && options->GetDrawPass() == CRenderingOptions::kDrawTransparentFaces;
    const int shadowPass = options ? options->GetShadowPass() : CRenderingOptions::kNoShadowPass;

    // The item buffer holds flat colours: textures go off for its frame without anyone being
    // told that the options changed.
    bool texturesWereShown = false;
    const bool itemBuffer = drawingMode == kDrawingItemBuffer;
    if (itemBuffer && options) {
        orbisk::utils::CNotificationSuspender quiet;
        texturesWereShown = options->GetTexturesShown();
        options->SetTexturesShown(false);
    }

    if (transparentPass) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    view->PushPolygonOffset(true, 1.0f, 1.0f);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);

    Draw(view);
    DrawPhotoStencil(view);
    DrawBackEdgePass(view);

    const bool sortedTransparency = options && options->GetLegacySortedTransparency();
    const bool strokeEdges = view->DrawsStrokeEdges();
    if (!sortedTransparency && view->DrawsEdges() && (!strokeEdges || drawingMode == kDrawingStrokeEdges) &&
        shadowPass != CRenderingOptions::kLitShadowPass)
        DrawEdgesWithChildren(view);

    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0);
    if (transparentPass)
        glDisable(GL_BLEND);
    if (itemBuffer && options) {
        orbisk::utils::CNotificationSuspender quiet;
        options->SetTexturesShown(texturesWereShown);
    }

    bool annotations = !itemBuffer && !transparentPass;
    if (!sortedTransparency && view->IsFullDetail() && view->DrawsEdges() && strokeEdges) {
        if (itemBuffer) {
            DrawEdgesItemBuffer(view);
            annotations = false;
        } else if (view->GetStrokeEdgeSettings() &&
                   (!options || options->GetDrawPass() == CRenderingOptions::kDrawEverything ||
                    transparentPass)) {
            // Strokes draw with the view's stroke-edge settings; without them there is nothing
            // to draw them with.
            DrawEdgesNPR(view);
        }
    }
    if (annotations)
        DrawAnnotations(view);
    view->PopPolygonOffset();
}

void CComponent::Draw(IModelView* view)
{
    if (IsCancelled(view))
        return;
    GetAverageNormalCache()->Compute(*this);
    const int filter = TestGeometryFilter(view);
    if (filter == 0)
        return;
    const CRenderingOptions* options = OptionsOf(view);
    {
        SectionClipScope clip(view, GetActiveSectionPlane(options), true);
        if (options && options->GetDrawPass() == CRenderingOptions::kDrawTransparentFaces)
            DrawTransparent(view);
        else
            DrawOpaque(view);
    }
    DrawSectionPlanes(view);
    if (filter < 0)
        view->PopGeometryFilter();
}

void CComponent::DrawOpaque(IModelView* view)
{
    if (IsCancelled(view))
        return;
    const CRenderingOptions* options = OptionsOf(view);
    if (options && options->GetFogShown() && view->GetDrawingMode() != kDrawingItemBuffer)
        view->SetupFog(true);
    DrawFaces(view, false, nullptr);
    DrawOtherEntities(view);
}

void CComponent::DrawTransparent(IModelView* view)
{
    if (IsCancelled(view))
        return;
    const CRenderingOptions* options = OptionsOf(view);
    int sortKind = options ? options->GetTransparencySort() : 0;
    if (!(view->GetFeatures() & kFeatureSortedTransparency))
        sortKind = 0;

    m_transparentCount = 0;
    if (sortKind != 0) {
        for (CDrawingElement* entity : m_entities) {
            const int type = entity->GetEntityType();
            if (type == kEntityFace || IsInstanceEntity(type))
                ++m_transparentCount;
        }
    }
    std::unique_ptr<CTransparencySorter> sorter;
    if (m_transparentCount != 0) {
        sorter = std::make_unique<CTransparencySorter>();
        sorter->Init(sortKind, m_transparentCount, view);
    }

    DrawFaces(view, true, sorter.get());
    const std::vector<CDrawingElement*> entities = m_entities;
    for (CDrawingElement* entity : entities) {
        if (IsCancelled(view))
            break;
        if (!IsInstanceEntity(entity->GetEntityType()))
            continue;
        if (sorter)
            sorter->Add(nullptr, entity);
        else
            entity->Draw(view);
    }
    if (sorter)
        sorter->Draw(view);
}

void CComponent::DrawOtherEntities(IModelView* view)
{
    if (IsCancelled(view))
        return;
    const CRenderingOptions* options = OptionsOf(view);
    for (CDrawingElement* entity : m_entities) {
        if (IsCancelled(view))
            break;
        switch (entity->GetEntityType()) {
            case kEntityDimension:
            case kEntityDimensionLinear:
            case kEntityDimensionRadial:
            case kEntityEdge:
            case kEntityFace:
            case kEntitySectionPlane:
            case kEntityText: continue;
            default: break;
        }
        if (!entity->PassesCulling(view))
            continue;
        bool receives = (entity->GetFlags() & kReceivesShadowsBit) != 0;
        if (const CComponentInstance* instance = AsInstanceClass(entity)) {
            const CComponentDefinition* definition = instance->GetDefinition();
            if (definition && definition->GetBehavior() && definition->GetBehavior()->IsAlwaysFacingCamera())
                receives = false;
        }
        DrawOutsideShadows(receives, options, [&] { entity->Draw(view); });
    }
}

void CComponent::DrawSectionPlanes(IModelView* view)
{
    if (IsCancelled(view))
        return;
    view->ResetDrawState();
    const CRenderingOptions* options = OptionsOf(view);
    if (auto* active = dynamic_cast<CSectionPlane*>(GetActiveSectionPlane(options)); active && options)
        active->DrawCut(view);

    const std::vector<CDrawingElement*>& planes = GetSectionPlanes();
    const int shadowPass = options ? options->GetShadowPass() : CRenderingOptions::kNoShadowPass;
    if (planes.empty() || shadowPass == CRenderingOptions::kAmbientShadowPass)
        return;
    const bool stencilOff = shadowPass == CRenderingOptions::kLitShadowPass;
    if (stencilOff)
        glDisable(GL_STENCIL_TEST);
    view->PushPolygonOffset(true, 3.0f, 3.0f);
    for (CDrawingElement* plane : std::vector<CDrawingElement*>(planes))
        plane->Draw(view);
    view->PopPolygonOffset();
    if (stencilOff)
        glEnable(GL_STENCIL_TEST);
}

void CComponent::DrawPhotoStencil(IModelView* view)
{
    IModelContext* model = view->GetModelContext();
    if (!model || model->GetRootComponent() != this)
        return;
    const auto* options = dynamic_cast<const CRenderingOptions*>(model->GetRenderingOptions());
    if (!options || options->GetDrawPass() == CRenderingOptions::kDrawTransparentFaces ||
        !options->GetPhotoInFrontShown() || view->GetDrawingMode() == kDrawingItemBuffer)
        return;
    const auto* scenes = dynamic_cast<const ISceneModel*>(model);
    CBackgroundImage* photo = scenes ? scenes->GetBackgroundImage() : nullptr;
    if (!photo)
        return;

    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glDepthMask(GL_FALSE);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_EQUAL);
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_ALWAYS, 1, 1);
    glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
    DrawFacesWithChildren(view);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glStencilFunc(GL_EQUAL, 1, 1);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    photo->Draw(view, true, false, true);
    glPopAttrib();
}

void CComponent::DrawBackEdgePass(IModelView* view)
{
    const CRenderingOptions* options = OptionsOf(view);
    if (!options || !options->GetBackEdges() || !options->DrawsPlainEdgesWithFaces())
        return;
    view->SetLighting(false);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    view->SetLineWidth(1.0);
    view->SetLineStipple(kSoftStipple);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    DrawBackEdges(view);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glEnable(GL_DEPTH_TEST);
    view->SetLighting(true);
}

// ---------------------------------------------------------------------------------------------
// The visits of the walk

void CComponent::DrawFaces(IModelView* view, bool transparentClass, CTransparencySorter* sorter)
{
    const CRenderingOptions* options = OptionsOf(view);
    if (IsCancelled(view) || (options && options->GetRenderingMode() == CRenderingOptions::kWireframe) ||
        IsHiddenByDrawMode(view))
        return;
    const bool hiddenShown = options && options->IsHiddenGeometryShown();
    const bool inheritedLayerHidden = IsInheritedLayerHidden(view);
    for (CDrawingElement* entity : m_entities) {
        if (IsCancelled(view))
            break;
        if (entity->GetEntityType() != kEntityFace)
            continue;
        auto* face = static_cast<CFace*>(entity);
        if (IsOnHiddenLayerForWalk(face, inheritedLayerHidden))
            continue;
        const FaceDrawKey key(*face, options);
        if (key.hidden && !hiddenShown)
            continue;
        if (face->IsTransparentInView(view, face->IsFrontFacing(view)) != transparentClass)
            continue;
        if (sorter) {
            sorter->Add(face, nullptr);
            continue;
        }
        DrawOutsideShadows(key.receivesShadows, options, [&] { face->Draw(view); });
    }
}

void CComponent::DrawFacesWithChildren(IModelView* view)
{
    SectionClipScope clip(view, GetActiveSectionPlane(OptionsOf(view)), true);
    DrawFaces(view, false, nullptr);
    for (CDrawingElement* entity : std::vector<CDrawingElement*>(m_entities)) {
        if (IsCancelled(view))
            break;
        if (IsInstanceEntity(entity->GetEntityType()))
            static_cast<CComponentInstance*>(entity)->DrawFacesRecursively(view);
    }
}

void CComponent::DrawEdges(IModelView* view)
{
    if (IsCancelled(view) || IsHiddenByDrawMode(view))
        return;
    const CRenderingOptions* options = OptionsOf(view);
    const bool selectedPath = IsPathSelected(view);
    const bool lockedPath = HasFlaggedInstanceOnPath(view);
    const bool edgeEffects = (view->GetFeatures() & kFeatureEdgeEffects) != 0;
    const bool profiles = edgeEffects && options && options->HasEdgeEffects(1);
    if (options && options->GetEdgeDisplay() == 0 && !profiles &&
        options->GetRenderingMode() != CRenderingOptions::kWireframe &&
        options->GetRenderingMode() != CRenderingOptions::kHiddenLine)
        return;
    const bool hiddenShown = options && options->IsHiddenGeometryShown();

    view->SetLighting(true);
    view->SetLighting(false);
    const bool inheritedLayerHidden = IsInheritedLayerHidden(view);
    const bool strokePass = view->DrawsStrokeEdges() && view->GetDrawingMode() == kDrawingStrokeEdges;
    const bool selectionOverdraw =
        view->GetDrawMode() == kDrawModeOtherInstance && view->GetDrawingMode() != kDrawingItemBuffer;
    const CColor pathColor = PathSelectionColor(options, lockedPath);
    const CEdge::OptionsScope edgeOptions(view);
    for (CDrawingElement* entity : m_entities) {
        if (IsCancelled(view))
            break;
        if (entity->GetEntityType() != kEntityEdge)
            continue;
        auto* edge = static_cast<CEdge*>(entity);
        if (IsOnHiddenLayerForWalk(edge, inheritedLayerHidden))
            continue;
        const EdgeDrawKey key(*edge, view);
        unsigned short stipple = 0;
        if (key.hidden) {
            if (!hiddenShown)
                continue;
            stipple = kHiddenStipple;
        } else if (key.soft) {
            if (hiddenShown)
                stipple = kSoftStipple;
            else if (!edgeEffects)
                continue;
        }
        const CColor color = selectedPath ? pathColor : key.color;
        view->SetColor(color);
        view->SetLineWidth(1.0);
        if (stipple == 0 && strokePass)
            continue;
        view->SetLineStipple(stipple);
        view->SetLineWidth(1.0);
        edge->DrawSegment(view, CEdge::kDrawPlainAndStyled);
        if (selectionOverdraw && edge->IsSelected()) {
            view->SetDepthFunc(GL_LEQUAL);
            view->SetColor(PathSelectionColor(options, false));
            edge->DrawSegment(view, CEdge::kDrawStyled);
            view->SetDepthFunc(GL_LESS);
        }
    }
    view->SetLineStipple(0);
    view->SetLineWidth(1.0);
}

void CComponent::DrawEdgesWithChildren(IModelView* view)
{
    SectionClipScope clip(view, GetActiveSectionPlane(OptionsOf(view)), true);
    DrawEdges(view);
    for (CDrawingElement* entity : std::vector<CDrawingElement*>(m_entities)) {
        if (IsCancelled(view))
            break;
        if (HasDrawnEdges(entity->GetEntityType()))
            static_cast<CComponentInstance*>(entity)->DrawEdgesRecursively(view);
    }
}

void CComponent::DrawBackEdges(IModelView* view)
{
    if (IsCancelled(view) || IsHiddenByDrawMode(view))
        return;
    const CRenderingOptions* options = OptionsOf(view);
    SectionClipScope clip(view, GetActiveSectionPlane(options), true);
    const bool selectedPath = IsPathSelected(view);
    const bool lockedPath = HasFlaggedInstanceOnPath(view);
    const CEdge::OptionsScope edgeOptions(view);
    for (CDrawingElement* entity : m_entities) {
        if (IsCancelled(view))
            break;
        if (entity->GetEntityType() != kEntityEdge)
            continue;
        auto* edge = static_cast<CEdge*>(entity);
        CColor color;
        if (selectedPath)
            color = PathSelectionColor(options, lockedPath);
        else if (edge->IsSelected())
            color = PathSelectionColor(options, false);
        else
            color = edge->GetColorForView(view);
        color.SetAlphaUnit(0.25);
        view->SetColor(color);
        edge->DrawSegment(view, CEdge::kDrawPlain);
    }
    view->EndPrimitive();
    for (CDrawingElement* entity : std::vector<CDrawingElement*>(m_entities)) {
        if (IsCancelled(view))
            break;
        if (HasDrawnEdges(entity->GetEntityType()))
            static_cast<CComponentInstance*>(entity)->DrawBackEdges(view);
    }
}

void CComponent::DrawEdgesItemBuffer(IModelView* view)
{
    SectionClipScope clip(view, GetActiveSectionPlane(OptionsOf(view)), true);
    const CEdge::OptionsScope edgeOptions(view);
    for (CDrawingElement* entity : std::vector<CDrawingElement*>(m_entities)) {
        if (IsCancelled(view))
            break;
        const int type = entity->GetEntityType();
        if (HasDrawnEdges(type)) {
            static_cast<CComponentInstance*>(entity)->DrawEdgesItemBuffer(view);
            continue;
        }
        if (type != kEntityEdge)
            continue;
        if (IsHiddenByDrawMode(view))
            return;
        auto* edge = static_cast<CEdge*>(entity);
        // Every edge takes a colour, drawn or not, so that item colours map back to list order.
        CColor itemColor;
        view->NextItemColor(itemColor);
        if (edge->GetFlags() & kHidden)
            continue;
        view->SetColor(itemColor);
        CCurve* curve = edge->GetCurve();
        if (!curve) {
            edge->DrawSegment(view, CEdge::kDrawStyled);
            continue;
        }
        if (curve->GetFirstEdge() != edge)
            continue;
        std::vector<CEdge*> chain;
        curve->GetEdgesInOrder(chain);
        for (CEdge* link : chain)
            link->DrawSegment(view, CEdge::kDrawStyled);
    }
}

void CComponent::DrawEdgesNPR(IModelView* view)
{
    const CRenderingOptions* options = OptionsOf(view);
    SectionClipScope clip(view, GetActiveSectionPlane(options), false);
    const bool selectedPath = IsPathSelected(view);
    const bool locked = (GetFlags() & kLockedBit) != 0 || HasFlaggedInstanceOnPath(view);
    const CEdge::OptionsScope edgeOptions(view);
    for (CDrawingElement* entity : std::vector<CDrawingElement*>(m_entities)) {
        if (IsCancelled(view))
            break;
        const int type = entity->GetEntityType();
        if (HasDrawnEdges(type)) {
            static_cast<CComponentInstance*>(entity)->DrawEdgesNPR(view);
            continue;
        }
        if (type != kEntityEdge)
            continue;
        if (IsHiddenByDrawMode(view))
            return;
        auto* edge = static_cast<CEdge*>(entity);
        CColor itemColor;
        view->NextItemColor(itemColor);
        if (edge->GetFlags() & kHidden)
            continue;
        const CColor color = edge->IsSelected() || selectedPath ? PathSelectionColor(options, locked)
                                                                : edge->GetColorForView(view);
        view->SetColor(color);
        edge->DrawSegment(view, CEdge::kDrawStyled);
    }
}

void CComponent::DrawAnnotations(IModelView* view)
{
    const CRenderingOptions* options = OptionsOf(view);
    if (m_annotations.empty())
        return;
    if (options && !options->GetTextShown() && !options->GetDimensionsShown())
        return;
    if (options && options->GetShadowPass() == CRenderingOptions::kAmbientShadowPass)
        return;
    if (!(view->GetFeatures() & kFeatureAnnotations))
        return;
    const int filter = TestGeometryFilter(view);
    if (filter == 0)
        return;
    {
        SectionClipScope clip(view, GetActiveSectionPlane(options), true);
        view->ResetDrawState();
        for (CDrawingElement* entity : std::vector<CDrawingElement*>(m_annotations)) {
            if (IsCancelled(view))
                break;
            const int type = entity->GetEntityType();
            if (HasDrawnEdges(type)) {
                auto* instance = static_cast<CComponentInstance*>(entity);
                if (instance->GetDefinition() && !instance->GetDefinition()->GetAnnotations().empty() &&
                    instance->PassesCulling(view))
                    instance->DrawAnnotations(view);
            } else if (type == kEntityDimensionLinear || type == kEntityDimensionRadial ||
                       type == kEntityText) {
                if (entity->PassesCulling(view))
                    entity->Draw(view);
            }
        }
    }
    if (filter < 0)
        view->PopGeometryFilter();
}

// ---------------------------------------------------------------------------------------------
// Component picking

int CComponent::PickInside(IPickHelper* picker)
{
    IModelView* view = picker->GetView();
    const IRenderingOptions* options = view ? view->GetRenderingOptions() : nullptr;
    bool missed = false;
    bool hit = false;
    {
        SectionClipScope clip(picker, GetActiveSectionPlane(options), false);
        for (CDrawingElement* entity : std::vector<CDrawingElement*>(m_entities)) {
            if (!entity || entity->GetEntityType() == kEntitySectionPlane || !picker->IsEntityVisible(entity))
                continue;
            if (picker->GetPickMode() != IPickHelper::kExtentsWalk && view && !entity->PassesCulling(view)) {
                missed = true;
                continue;
            }
            const int result = entity->PickInside(picker);
            if (!(result & 1)) {
                if (!(result & 2))
                    missed = true;
                continue;
            }
            const int type = entity->GetEntityType();
            if (!IsInstanceEntity(type)) {
                const bool force = type == kEntityConstructionLine || type == kEntityConstructionPoint ||
                                   type == kEntityDimension || type == kEntityDimensionLinear ||
                                   type == kEntityDimensionRadial;
                picker->AddHit(entity, force, false);
            }
            hit = true;
        }
    }
    for (CDrawingElement* plane : std::vector<CDrawingElement*>(GetSectionPlanes())) {
        if (view && !plane->PassesCulling(view)) {
            missed = true;
            continue;
        }
        const int result = plane->PickInside(picker);
        if (result & 1) {
            picker->AddHit(plane, false, true);
            hit = true;
        } else if (!(result & 2)) {
            missed = true;
        }
    }
    if (picker->GetPickMode() == IPickHelper::kWindowPick)
        return missed ? 0 : (hit ? 1 : 2);
    return hit ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// Instances

CTransform3d CComponentInstance::GetDrawTransform(IModelView* view) const
{
    if (!view || !IsFacingCamera())
        return m_transform;
    if (auto* model = dynamic_cast<IEditingContext*>(view->GetModelContext())) {
        for (CEntity* entry : model->GetActivePath().GetEntries()) {
            const CComponentInstance* edited = AsInstanceClass(entry);
            if (edited && edited->GetDefinition() == m_definition)
                return m_transform;
        }
    }
    const CViewDefinition* definition = static_cast<const IModelView*>(view)->GetViewDefinition();
    if (!definition)
        return m_transform;
    return GetCameraFacingTransform(definition->GetCamera().GetDirection(), view->GetTransform());
}

bool CComponentInstance::PassesCulling(IModelView* view)
{
    orbisk::geometry::IGeomFilter* filter = view ? view->GetGeometryFilter() : nullptr;
    if (!filter || !m_definition || m_definition->HasConstructionLines())
        return true;
    const CBoundingBox3d box = GetDefinitionBox(true);
    if (box.IsEmpty())
        return true;
    return filter->IntersectsBox(m_transform.MultiplyBox(box));
}

void CComponentInstance::PushInheritedMaterial(IModelView* view)
{
    if (m_material)
        view->PushMaterial(m_material);
}

void CComponentInstance::PopInheritedMaterial(IModelView* view)
{
    if (m_material)
        view->PopMaterial();
}

void CComponentInstance::PushInheritedLayer(IModelView* view)
{
    if (!UsesDefaultLayer())
        view->PushLayer(GetLayer());
}

void CComponentInstance::PopInheritedLayer(IModelView* view)
{
    if (!UsesDefaultLayer())
        view->PopLayer();
}

void CComponentInstance::WalkWithDrawer(CComponentInstance* instance, Drawer& drawer, IModelView* view,
                                        bool applyToGL)
{
    if (!instance || !instance->GetDefinition() || !instance->IsVisible(view))
        return;
    view->PushInstance(instance);
    instance->PushInheritedMaterial(view);
    instance->PushInheritedLayer(view);
    view->PushTransform(instance->GetDrawTransform(view), applyToGL);
    drawer.Visit(instance, view);
    view->PopTransform(applyToGL);
    instance->PopInheritedMaterial(view);
    instance->PopInheritedLayer(view);
    view->PopInstance();
}

void CComponentInstance::DrawFacesRecursively(IModelView* view)
{
    FaceDrawer drawer;
    WalkWithDrawer(this, drawer, view, true);
}

void CComponentInstance::DrawEdgesRecursively(IModelView* view)
{
    EdgeDrawer drawer;
    WalkWithDrawer(this, drawer, view, true);
}

void CComponentInstance::DrawBackEdges(IModelView* view)
{
    BackEdgeDrawer drawer;
    WalkWithDrawer(this, drawer, view, true);
}

void CComponentInstance::DrawEdgesItemBuffer(IModelView* view)
{
    EdgeItemBufferDrawer drawer;
    WalkWithDrawer(this, drawer, view, true);
}

void CComponentInstance::DrawEdgesNPR(IModelView* view)
{
    // The stroke pass draws in window coordinates the view prepares: the sink follows the
    // transforms, the GL matrix does not.
    EdgeNPRDrawer drawer;
    WalkWithDrawer(this, drawer, view, false);
}

void CComponentInstance::DrawAnnotations(IModelView* view)
{
    AnnotationsDrawer drawer;
    WalkWithDrawer(this, drawer, view, true);
}

namespace {

// The 8-pixel grid hidden instances are drawn through, as hidden faces are.
const GLubyte* HiddenInstanceStipple()
{
    static const std::array<GLubyte, 128> pattern = [] {
        std::array<GLubyte, 128> rows{};
        for (int row = 0; row < 32; ++row)
            for (int byte = 0; byte < 4; ++byte)
                rows[row * 4 + byte] = row % 8 == 0 ? 0xFF : 0x01;
        return rows;
    }();
    return pattern.data();
}

}  // namespace

void CComponentInstance::Draw(IModelView* view)
{
    if (!m_definition || !IsVisible(view))
        return;
    auto* model = dynamic_cast<IEditingContext*>(view->GetModelContext());
    const CRenderingOptions* options = OptionsOf(view);

    const int boxLevel = view->GetDegradationLevel();
    if (boxLevel > 0 && (!model || model->GetActiveInstance() != this)) {
        CBoundingBox3d window;
        window.SetEmpty();
        const CBoundingBox3d bounds = GetBounds();
        for (int corner = 0; corner < 8 && !bounds.IsEmpty(); ++corner) {
            CPoint3d screen;
            if (view->ModelToScreen(bounds.GetCorner(corner), screen))
                window.Add(CPoint3d(screen.x, screen.y, 0.0));
        }
        int width = 0;
        int height = 0;
        view->GetViewportSize(width, height);
        const double threshold = std::max(width, height) * boxLevel * 0.05;
        if (!window.IsEmpty() && window.GetMax().x - window.GetMin().x < threshold &&
            window.GetMax().y - window.GetMin().y < threshold) {
            ApplyDrawColor(view);
            view->PushTransform(m_transform, true);
            view->DrawBox(m_definition->GetBounds(), 1.0);
            view->PopTransform(true);
            return;
        }
    }

    view->PushInstance(this);
    PushInheritedMaterial(view);
    PushInheritedLayer(view);
    view->PushTransform(GetDrawTransform(view), true);

    GLint frontFace = GL_CCW;
    glGetIntegerv(GL_FRONT_FACE, &frontFace);
    glFrontFace(view->GetTransform().IsMirrored() ? GL_CW : GL_CCW);

    bool stippleEnabledHere = false;
    bool lineStippleSetHere = false;
    if (m_flags & kHidden) {
        if (!glIsEnabled(GL_POLYGON_STIPPLE)) {
            glEnable(GL_POLYGON_STIPPLE);
            stippleEnabledHere = true;
        }
        glPolygonStipple(HiddenInstanceStipple());
        if (!view->IsStippled()) {
            view->SetLineStipple(kHiddenStipple);
            lineStippleSetHere = true;
        }
    }
    if (IsSelected() && !IsHiddenByDrawMode(view)) {
        view->SetColor(PathSelectionColor(options, (m_flags & kLockedBit) != 0));
        m_definition->DrawBoundsBox(view, 2, 2.0);
    }
    if (boxLevel == 0) {
        m_definition->Draw(view);
    } else if (!IsSelected()) {
        ApplyDrawColor(view);
        m_definition->DrawBoundsBox(view, 0, 1.0);
    }
    if (stippleEnabledHere)
        glDisable(GL_POLYGON_STIPPLE);
    if (lineStippleSetHere)
        view->SetLineStipple(0);
    view->PopTransform(true);
    glFrontFace(static_cast<GLenum>(frontFace));

    if (options && options->GetComponentAxesShown() && view->IsFullDetail() && model &&
        model->GetActiveComponent() == GetParent()) {
        CSuspendUndo noUndo;
        CComponentAxes axes(25, IsGlued(), true, true, CComponentAxes::kDefaultRibbonRatio);
        const CViewDefinition* definition = static_cast<const IModelView*>(view)->GetViewDefinition();
        axes.Draw(*view, m_transform, definition && definition->GetCamera().IsPerspective());
    }

    PopInheritedMaterial(view);
    PopInheritedLayer(view);
    view->PopInstance();
}

CDrawingElement::CBoundingBox3d CComponentInstance::GetSelectionBounds(IModelView* view) const
{
    CBoundingBox3d box;
    box.SetEmpty();
    if (!m_definition)
        return box;
    box = m_definition->GetAxesBounds();
    if (m_definition->GetKind() != CComponentDefinition::kKindImage)
        box.Add(CPoint3d(0, 0, 0));
    if (box.IsEmpty())
        return box;
    CVector3d size;
    view->PixelsToLocalSize(size, 30, box.GetCenter());
    box.Expand(size);
    return box;
}

void CComponentInstance::DrawSelectionBox(IModelView* view)
{
    if (!m_definition || view->GetDrawingMode() == kDrawingItemBuffer)
        return;
    view->PushTransform(m_definition->GetAxesPlacement(), true);
    const CBoundingBox3d box = GetSelectionBounds(view);
    CPoint3d eye;
    if (const CViewDefinition* definition = static_cast<const IModelView*>(view)->GetViewDefinition())
        eye = view->GetInverseTransform().MultiplyPoint(definition->GetCamera().GetEye());
    view->SetLighting(false);
    view->DrawBoxEdgesFacing(box, eye, CColor(64, 64, 64), CColor(192, 192, 192), 2.0, kHiddenStipple);
    view->PopTransform(true);
    view->SetLineStipple(0);
    view->SetColor(CColor(0, 0, 0, 255));
}

void CComponentInstance::DrawComponentAxes(IModelView* view)
{
    if (!m_definition || view->GetDrawingMode() == kDrawingItemBuffer ||
        m_definition->GetKind() != CComponentDefinition::kKindComponent)
        return;
    {
        CSuspendUndo noUndo;
        CComponentAxes axes(100, IsGlued(), true, false, CComponentAxes::kDefaultRibbonRatio);
        const CViewDefinition* definition = static_cast<const IModelView*>(view)->GetViewDefinition();
        axes.Draw(*view, m_definition->GetAxesPlacement(),
                  definition && definition->GetCamera().IsPerspective());
    }
    view->SetColor(CColor(0, 0, 0, 255));
}

int CComponentInstance::PickInside(IPickHelper* picker)
{
    IModelView* view = picker->GetView();
    if (view && view->IsHiddenByEditing(this))
        return 0;
    if (!m_definition)
        return 0;
    if (view) {
        view->PushInstance(this);
        PushInheritedLayer(view);
    }
    picker->PushTransform(GetDrawTransform(view), false);
    int result = 1;
    if (!picker->DescendsIntoInstances()) {
        const CBoundingBox3d box = m_definition->GetBounds();
        bool anyKept = false;
        for (int corner = 0; corner < 8 && !box.IsEmpty(); ++corner) {
            const int answer = picker->PickPoint(box.GetCorner(corner));
            if (answer == 2)
                continue;
            anyKept = true;
            if (!(answer & 1))
                result = answer;
        }
        if (!anyKept)
            result = 2;
    } else if (picker->IsEntityVisible(this)) {
        picker->PushPathEntity(this);
        result = m_definition->PickInside(picker);
        picker->PopPathEntity();
    }
    picker->PopTransform(false);
    if (view) {
        PopInheritedLayer(view);
        view->PopInstance();
    }
    return result;
}
