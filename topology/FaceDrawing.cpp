// The face's drawing in the immediate GL path: which side the viewer sees, the material and
// colour of that side, the GL state around the fill (lighting, stipple for hidden faces, alpha
// test, depth writes in the transparent pass), the fill itself (one primitive for a simple
// convex face, the tessellator otherwise) and the stippled highlight of a selected face. The
// face never draws its edges.
//
// A textured side draws lit white modulated by the material's texture; texture coordinates
// are generated from the side's projection planes and carried through its stored mapping on the
// texture matrix, so the fill itself sends positions only.
//
// Not here yet: the software clipping of faces under suppressed clip planes, and path-aware
// facing tests.

#include <GL/gl.h>

#include <algorithm>

#include "components/Component.h"
#include "database/IModelView.h"
#include "database/Layer.h"
#include "database/Material.h"
#include "settings/Camera.h"
#include "settings/RenderingOptions.h"
#include "settings/ViewDefinition.h"
#include "topology/AverageNormalCache.h"
#include "topology/EdgeUse.h"
#include "topology/Face.h"
#include "topology/FaceTesselator.h"
#include "topology/FaceTextureProjection.h"
#include "topology/Loop.h"
#include "topology/SectionPlaneStack.h"
#include "topology/Vertex.h"

using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CVector3d;
using orbisk::utils::CColor;

namespace {

// The level-of-detail feature of textures.
constexpr unsigned kTextureFeature = 2;

struct StipplePatterns {
    unsigned char hidden[128];
    unsigned char selected[128];
    StipplePatterns()
    {
        for (int row = 0; row < 32; ++row) {
            const unsigned char hiddenByte = row % 8 == 0 ? 0xFF : 0x01;
            const unsigned char selectedByte = row % 8 == 0 ? 0x11 : row % 8 == 4 ? 0x44 : 0x00;
            std::fill_n(hidden + row * 4, 4, hiddenByte);
            std::fill_n(selected + row * 4, 4, selectedByte);
        }
    }
};

const StipplePatterns& Patterns()
{
    static const StipplePatterns patterns;
    return patterns;
}

const CRenderingOptions* OptionsOf(IModelView* view)
{
    return view ? dynamic_cast<const CRenderingOptions*>(view->GetRenderingOptions()) : nullptr;
}

int ModeOf(const CRenderingOptions* options)
{
    return options ? options->GetRenderingMode() : CRenderingOptions::kShaded;
}

// Transparency in use with the value 1, or a colour of alpha 0.
bool HasFullyTransparentParts(const CMaterial* material)
{
    if (!material)
        return false;
    if (material->UsesTransparency())
        return material->GetTransparency() >= 1.0;
    return material->GetColor().alpha == 0;
}

bool DrawsTextures(IModelView* view, const CRenderingOptions* options, const CMaterial* material)
{
    const int mode = ModeOf(options);
    return material && material->HasTextureImage() && (view->GetFeatures() & kTextureFeature) != 0 &&
           !view->IsFaded() && options && options->GetTexturesShown() &&
           mode != CRenderingOptions::kWireframe && mode != CRenderingOptions::kHiddenLine &&
           mode != CRenderingOptions::kMonochrome;
}

uint8_t TruncatedAlpha(double value)
{
    return static_cast<uint8_t>(static_cast<int>(value) & 0xFF);
}

class CDrawVertex : public CPointProc {
public:
    bool Visit(const CPoint3d& point) override
    {
        glVertex3d(point.x, point.y, point.z);
        return true;
    }
};

class CDrawSoftVertex : public CEdgeUseProc {
public:
    CDrawSoftVertex(const CFace& face, const CAverageNormalCache* cache) : m_face(face), m_cache(cache) {}
    bool Visit(CEdgeUse* use) override
    {
        const CVertex* vertex = use->GetStartVertex();
        if (!vertex)
            return true;
        const CVector3d normal = m_face.GetVertexNormal(*use, m_cache);
        glNormal3d(normal.x, normal.y, normal.z);
        const CPoint3d& p = vertex->GetPosition();
        glVertex3d(p.x, p.y, p.z);
        return true;
    }

private:
    const CFace& m_face;
    const CAverageNormalCache* m_cache;
};

void SendNormal(const CVector3d& normal)
{
    glNormal3d(normal.x, normal.y, normal.z);
}

}  // namespace

const unsigned char* CFace::GetHiddenStipple()
{
    return Patterns().hidden;
}

const unsigned char* CFace::GetSelectedStipple()
{
    return Patterns().selected;
}

bool CFace::IsVisible(IModelView* view)
{
    if (!CDrawingElement::IsVisible(view))
        return false;
    return ModeOf(OptionsOf(view)) != CRenderingOptions::kWireframe || IsSelected();
}

bool CFace::IsFrontFacing(IModelView* view) const
{
    const CViewDefinition* definition = view ? view->GetViewDefinition() : nullptr;
    if (!definition)
        return true;
    const CCamera& camera = definition->GetCamera();
    if (camera.IsPerspective())
        return m_plane.SignedDistance(view->GetEyePoint()) > 0.0;
    CVector3d direction = camera.GetTarget() - camera.GetEye();
    view->GetInverseTransform().TransformVector(direction);
    return direction.Dot(m_plane.GetNormal()) < 0.0;
}

CMaterial* CFace::GetSideMaterial(IModelView* view, bool front, int* kind) const
{
    const CRenderingOptions* options = OptionsOf(view);
    int found = kNoMaterial;
    CMaterial* material = nullptr;
    if (ModeOf(options) != CRenderingOptions::kMonochrome) {
        if (options && options->IsColorByLayer()) {
            CLayer* layer = GetLayer();
            if ((!layer || CLayer::IsDefaultLayer(layer)) && view && view->GetLayer())
                layer = view->GetLayer();
            material = layer ? layer->GetMaterial() : nullptr;
            found = kLayerMaterial;
        } else {
            material = front ? GetMaterial() : m_backMaterial;
            found = kOwnMaterial;
            if (!material && view) {
                material = view->GetMaterial();
                found = kInheritedMaterial;
            }
        }
        if (view)
            material = view->ResolveMaterial(material, front ? 1 : 0);
    }
    if (kind)
        *kind = found;
    return material;
}

CMaterial* CFace::GetDrawColor(IModelView* view, bool front, CColor& color, int& kind) const
{
    return GetSideColorAndMaterial(view, front, color, kind, false);
}

void CFace::GetSideColor(CColor& color, IModelView* view, bool front) const
{
    int kind = kNoMaterial;
    GetSideColorAndMaterial(view, front, color, kind, true);
}

CMaterial* CFace::GetSideColorAndMaterial(IModelView* view, bool front, CColor& color, int& kind,
                                          bool halfXRay) const
{
    const CRenderingOptions* options = OptionsOf(view);
    if (options)
        color = front ? options->GetFrontFaceColor() : options->GetBackFaceColor();
    else
        color = front ? CColor(225, 225, 200, 255) : CColor(128, 128, 200, 255);
    CMaterial* material = GetSideMaterial(view, front, &kind);
    const int mode = ModeOf(options);
    const bool background =
        mode == CRenderingOptions::kHiddenLine || (mode == CRenderingOptions::kWireframe && IsSelected());
    if (mode != CRenderingOptions::kMonochrome && options) {
        if (background) {
            color = options->GetBackgroundColor();
            if (m_flags & kHidden) {
                const CColor b = options->GetBackgroundColor();
                const double value = std::max({b.red, b.green, b.blue}) / 255.0;
                const uint8_t grey = value < 0.5 ? 64 : 192;
                color = CColor(grey, grey, grey, 255);
            }
        } else if (material) {
            color = material->GetDisplayColor();
        }
    }
    color.alpha = 255;
    const bool transparentMaterial = material && material->UsesTransparency();
    if (options && options->GetXRay()) {
        // The colour queries of sorting and export see X-ray faces at half opacity.
        double alpha = halfXRay ? 127.0 : static_cast<int>(options->GetXRayOpacity() * 255.0);
        if (transparentMaterial)
            alpha = (1.0 - material->GetTransparency()) * alpha;
        color.alpha = TruncatedAlpha(alpha);
    } else if (options && options->GetTransparencyEnabled() && transparentMaterial) {
        color.alpha = TruncatedAlpha((1.0 - material->GetTransparency()) * 255.0);
    }
    return material;
}

int CFace::BeginSide(IModelView* view, bool front, CMaterial* material, CColor color)
{
    const CRenderingOptions* options = OptionsOf(view);
    const int mode = ModeOf(options);
    int state = 0;
    if (view->GetDrawingMode() == 1) {
        view->SetLighting(false);
        SetDrawColor(view, CColor(0, 0, 0, 255));
    } else if (DrawsTextures(view, options, material)) {
        // The textured path sets the colour.
    } else if (mode == CRenderingOptions::kWireframe && IsSelected()) {
        view->SetLighting(false);
        SetDrawColor(view, color);
    } else {
        view->FadeColor(color);
        view->SetLighting(true);
        if (!view->SetMaterialColor(material, color, front ? GL_FRONT : GL_BACK, false) &&
            front == IsFrontFacing(view)) {
            if (material)
                view->BindMaterial(material, 0, 0);
            else
                SetDrawColor(view, color);
        }
    }
    if (m_flags & kHidden) {
        if (!glIsEnabled(GL_POLYGON_STIPPLE)) {
            state |= kStippleOn;
            glEnable(GL_POLYGON_STIPPLE);
        }
        glPolygonStipple(GetHiddenStipple());
    }
    if (HasFullyTransparentParts(material)) {
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GREATER, 0.0f);
        state |= kAlphaTestOn;
    }
    if (options && options->GetDrawPass() == CRenderingOptions::kDrawTransparentFaces &&
        (options->GetXRay() || !material || !material->IsOpaque())) {
        glDepthMask(GL_FALSE);
        state |= kDepthWritesOff;
    }
    return state;
}

void CFace::EndSide(int state, const CMaterial* material) const
{
    if (state & kDepthWritesOff)
        glDepthMask(GL_TRUE);
    if (state & kAlphaTestOn)
        glDisable(GL_ALPHA_TEST);
    if (state & kStippleOn)
        glDisable(GL_POLYGON_STIPPLE);
    if (state & kTextureMatrixPushed) {
        glMatrixMode(GL_TEXTURE);
        glPopMatrix();
    }
    if ((state & kTextureBound) && material && material->HasTextureImage()) {
        glMatrixMode(GL_TEXTURE);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
    }
}

int CFace::BeginTexturedSide(IModelView* view, bool front, CMaterial* material)
{
    const CRenderingOptions* options = OptionsOf(view);
    if (!DrawsTextures(view, options, material))
        return 0;
    view->SetMaterialColor(material, CColor(255, 255, 255, 255), front ? GL_FRONT : GL_BACK, false);
    view->SetLighting(true);
    int state = PushTextureMatrix(front, material) ? (kTextureBound | kTextureMatrixPushed) : kTextureBound;
    if (HasFullyTransparentParts(material)) {
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GREATER, 0.0f);
        state |= kAlphaTestOn;
    }
    if (options && options->GetDrawPass() == CRenderingOptions::kDrawTransparentFaces &&
        !material->IsOpaque()) {
        glDepthMask(GL_FALSE);
        state |= kDepthWritesOff;
    }
    return state;
}

bool CFace::PushTextureMatrix(bool front, CMaterial* material) const
{
    CFaceTextureProjection projection;
    GetTextureProjection(front, projection);
    const CPlane3d sPlane(projection.sPlane[0], projection.sPlane[1], projection.sPlane[2],
                          projection.sPlane[3]);
    const CPlane3d tPlane(projection.tPlane[0], projection.tPlane[1], projection.tPlane[2],
                          projection.tPlane[3]);
    material->ApplyTexturePlanes(sPlane, tPlane);
    if (projection.hasTransform) {
        double matrix[16];
        projection.transform.GetMatrix4(matrix);
        glMatrixMode(GL_TEXTURE);
        glPushMatrix();
        glMultMatrixd(matrix);
    }
    glMatrixMode(GL_MODELVIEW);
    return projection.hasTransform != 0;
}

void CFace::Draw(IModelView* view)
{
    const bool front = IsFrontFacing(view);
    CColor color;
    int kind = kNoMaterial;
    CMaterial* material = GetDrawColor(view, front, color, kind);
    int state = BeginSide(view, front, material, color);
    if (DrawsTextures(view, OptionsOf(view), material)) {
        // Texture state may not change inside a primitive another face left open.
        view->EndPrimitive();
        material->ApplyToView(view);
        state |= BeginTexturedSide(view, front, material);
        DrawFill(view, front);
        view->EndPrimitive();
        glDisable(GL_TEXTURE_1D);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
        glBindTexture(GL_TEXTURE_1D, 0);
        glBindTexture(GL_TEXTURE_2D, 0);
    } else {
        DrawFill(view, front);
    }
    EndSide(state, material);
    if (IsSelected())
        DrawSelectionHighlight(view);
}

void CFace::DrawFill(IModelView* view, bool front)
{
    if (!IsVisible(view) || GetLoopCount() == 0)
        return;
    if (CSectionPlaneStack* stack = view->GetSectionPlaneStack();
        stack && stack->GetCoplanarMask(m_plane) != 0)
        return;
    FillFace(view, front);
}

void CFace::FillFace(IModelView* view, bool front)
{
    const CLoop* outer = GetOuterLoop();
    if (!outer)
        return;
    if (const CSectionPlaneStack* planes = view->GetSectionPlaneStack();
        CSectionPlaneStack::GetClipPlanesSuppressed() && planes && !planes->IsEmpty())
        return DrawClipped(view);
    std::vector<CEntity*> relationships;
    if (GetLoopCount() == 1 && outer->IsConvex() && outer->GetFirstEdgeUse() &&
        GetRelationshipsAsDriver(relationships) == 0)
        DrawConvexFan(view, front);
    else
        DrawTessellated(view, front);
}

void CFace::DrawConvexFan(IModelView* view, bool /*front*/)
{
    const CLoop* outer = GetOuterLoop();
    const int n = outer->GetEdgeUseCount();
    view->BeginPrimitive(n == 3 ? GL_TRIANGLES : n == 4 ? GL_QUADS : GL_POLYGON);
    if (UsesAveragedNormals(view)) {
        CDrawSoftVertex visitor(*this, GetNormalCache());
        outer->ForEachEdgeUse(visitor);
    } else {
        SendNormal(m_plane.GetNormal());
        CDrawVertex visitor;
        outer->ForEachVertexPoint(visitor);
    }
    view->EndPrimitive();
}

void CFace::DrawTessellated(IModelView* view, bool /*front*/)
{
    view->EndPrimitive();
    SendNormal(m_plane.GetNormal());
    CDisplayTesselator tesselator(this);
    tesselator.Tessellate(view, true, UsesAveragedNormals(view));
}

bool CFace::UsesAveragedNormals(IModelView* view) const
{
    const CRenderingOptions* options = OptionsOf(view);
    return view && view->GetDrawPurpose() != 3 && HasAveragedNormals() && options &&
           options->GetAverageNormals();
}

void CFace::DrawSelectionHighlight(IModelView* view)
{
    view->PushPolygonOffset(true, 0.0f, 0.0f);
    view->SetLighting(false);
    if (const IRenderingOptions* options = view->GetRenderingOptions())
        view->SetColor(options->GetSelectedColor());
    const bool enabled = !glIsEnabled(GL_POLYGON_STIPPLE);
    if (enabled) {
        glEnable(GL_POLYGON_STIPPLE);
        glPolygonStipple(GetSelectedStipple());
    }
    FillFace(view, true);
    if (enabled)
        glDisable(GL_POLYGON_STIPPLE);
    view->PopPolygonOffset();
}

bool CFace::IsTransparentInView(IModelView* view, bool front) const
{
    const CRenderingOptions* options = OptionsOf(view);
    if (!options)
        return false;
    if (options->GetXRay())
        return true;
    if (!options->GetTransparencyEnabled())
        return false;
    const CMaterial* material = GetSideMaterial(view, front, nullptr);
    return material && material->IsTransparent();
}

CVector3d CFace::GetVertexNormal(const CEdgeUse& use, const CAverageNormalCache* cache) const
{
    return cache ? cache->GetUseNormal(use) : m_plane.GetNormal();
}

CAverageNormalCache* CFace::GetNormalCache() const
{
    auto* component = dynamic_cast<CComponent*>(GetParent());
    return component ? component->GetAverageNormalCache() : nullptr;
}
