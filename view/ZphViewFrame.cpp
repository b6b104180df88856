// The frame of the model view: from the window's request to draw, through camera, lights, fog
// and clearing, to the chain of draw stages or the immediate frame routine, the view name and
// the foreground watermarks; the drawing steps both of them share; the model's thumbnails and
// the view saved as an image, both drawn by a second view into an offscreen context; the
// bracket in which tools draw into the view between frames.
//
// Not here: shadows on the ground and on faces and the selection (their passes fall back to the
// plain model draw), the scene graph (the frame draws the model immediately), stroke-edge
// brackets and the tools' overlays.

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "components/Component.h"
#include "components/ComponentInstance.h"
#include "components/ZpFont.h"
#include "database/CurrentModel.h"
#include "database/Dib.h"
#include "database/LayerManager.h"
#include "image/ImageRep.h"
#include "model/ZephyronModel.h"
#include "settings/BackgroundImage.h"
#include "settings/DisplayOverride.h"
#include "settings/RenderingOptions.h"
#include "settings/ShadowInfo.h"
#include "settings/Watermark.h"
#include "settings/WatermarkManager.h"
#include "support/NotificationCenter.h"
#include "support/StringTable.h"
#include "topology/ComponentCS.h"
#include "topology/ZphCS.h"
#include "view/GLContext.h"
#include "view/IAnimation.h"
#include "view/MemoryGLContext.h"
#include "view/RenderPipeline.h"
#include "view/ZphView.h"

using orbisk::geometry::CLine3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::imageutils::ImageRep;
using orbisk::utils::CColor;
using orbisk::utils::CNotificationCenter;
using orbisk::utils::CNotificationSuspender;

namespace {

bool g_overlayLock = false;

constexpr int32_t kWireframe = 0;
constexpr double kTolerance = 0.001;

bool HasPixels(ImageRep& image)
{
    return image.IsValid() && image.GetPixels();
}

bool PhotoInFront(CZephyronModel* model)
{
    return model && model->GetBackgroundImage() && model->GetOptions() &&
           model->GetOptions()->GetPhotoInFrontShown();
}

}  // namespace

bool CZphView::IsOverlayLocked()
{
    return g_overlayLock;
}

void CZphView::SetOverlayLocked(bool locked)
{
    g_overlayLock = locked;
}

zephyron::graphics::RenderPipeline& CZphView::GetRenderPipeline()
{
    if (!m_pipeline) {
        m_pipeline = std::make_unique<zephyron::graphics::RenderPipeline>(this);
        m_pipeline->Wire();
    }
    return *m_pipeline;
}

CLayer* CZphView::GetDefaultLayer()
{
    CLayerManager* layers = m_model ? m_model->GetLayerManager() : nullptr;
    return layers ? layers->GetLayerAt(0) : nullptr;
}

// ----------------------------------------------------------------------------------------------
// The frame.

CZephyronModel* CZphView::PrepareFrame(int swapBuffers, int extra)
{
    if (!m_model)
        return nullptr;
    CZephyronModel* model = m_model;
    CCurrentModelScope current(model);
    BeginDetailFrame();
    if (CanUseItemBuffer() && !m_drawingModeFixed)
        PrepareItemBuffer();
    DrawFrame(swapBuffers, extra);
    if (!m_drawingModeFixed)
        m_drawingMode = 0;
    m_itemColorCounter = 0;
    EndDetailFrame();
    CNotificationCenter::GetInstance().PostNotification("ViewRefreshNotification",
                                                        static_cast<IZphView*>(this));
    return model;
}

void CZphView::DrawFrame(int swapBuffers, int)
{
    if (g_overlayLock)
        return;
    const CCamera& camera = m_viewDefinition.GetCamera();
    SetEyeAndDirection(camera.GetEye(), camera.GetDirection());
    ResetDrawState();
    CRenderingOptions* options = GetRenderingOptions();
    if (!m_model || !m_model->GetRoot() || !options)
        return;

    CNotificationSuspender quiet;
    PushLayer(GetDefaultLayer());
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const bool shadowsOn = ShadowsEnabled(false);
    SetupLights(ShadowsEnabled(true));
    SetClearColor(options);
    SetupFog(options->GetFogShown() && m_drawingMode != 1);

    m_transparencyMode = 0;
    if (m_drawingMode != 1) {
        if (options->GetXRay())
            m_transparencyMode = 1;
        else if (options->GetTransparencyEnabled())
            m_transparencyMode = 2;
        if (options->GetRenderingMode() == kWireframe)
            m_transparencyMode = 0;
    }
    CShadowInfo* shadows = GetShadowInfo();
    bool stencilShadows = m_drawingMode != 1 && shadowsOn && HasStencil() && shadows &&
                          shadows->GetOnFaces() && m_transparencyMode != 1;

    bool stencilTest = true;
    if (m_model->GetBackgroundImage() && options->GetPhotoInFrontShown()) {
        stencilShadows = false;
        glClearStencil(0);
        glStencilMask(255);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    } else if (stencilShadows) {
        // Halfway up the stencil range, so that volumes can count both ways.
        const int bits = std::max(GetStencilBits(), 1);
        glClearStencil(1 << (bits - 1));
        glStencilMask((1u << bits) - 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    } else {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        stencilTest = false;
    }
    if (stencilTest) {
        glEnable(GL_STENCIL_TEST);
        glStencilFunc(GL_ALWAYS, 0, ~0u);
        glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    }

    if (m_drawingMode != 1 && UseSceneGraph()) {
        GetRenderPipeline().RunFrame();
        m_transparencyMode = 0;
    } else {
        DrawImmediateFrame(shadowsOn, stencilShadows);
    }

    ResetDrawState();
    if (options->GetShowViewName())
        DrawViewName();
    SetupFog(false);
    EndPrimitive();
    if (stencilTest)
        glDisable(GL_STENCIL_TEST);
    if (ShowsWatermarks(false))
        DrawWatermarks(false);
    DrawToolOverlay();
    if (swapBuffers)
        SwapBuffers();
    if (m_animation && !m_animationPaused)
        StartAnimationTimer();
    PopLayer();
}

void CZphView::DrawImmediateFrame(bool shadowsOn, bool stencilShadows)
{
    CRenderingOptions* options = GetRenderingOptions();
    if (!options || !m_model)
        return;
    // The ground-shadow and stencil-shadow passes are not part of this view: both fall back to
    // the plain model draw.
    (void)shadowsOn;
    (void)stencilShadows;

    if (options->GetSkyShown())
        DrawSkyOrGround(true);
    if (m_drawingMode != 1 && options->GetWatermarksShown() && !options->GetFogShown())
        DrawWatermarks(true);
    if (options->GetGroundShown())
        DrawSkyOrGround(false);
    DrawBackgroundImage(true, false);
    if (options->GetAxesShown())
        DrawDrawingAxes();

    if (m_modelFlag) {
        CShadowInfo* shadows = GetShadowInfo();
        if (shadows && shadows->GetNorthShown())
            DrawNorth(shadows->GetNorth());
        ClearGeometryFilters();
        PushFrustumFilter();
        const bool editingContext = options->GetShowEditingContext();
        if (editingContext)
            PushDrawModeForModel(m_model);
        if (m_transparencyMode != 0)
            options->SetDrawPass(1);
        DrawModel();
        options->SetDrawPass(0);
        if (IsFullDetail())
            DrawGroundPlane(false);
        DrawActivePath();
        if (m_transparencyMode != 0 && m_drawingMode != 1) {
            options->SetDrawPass(2);
            DrawModel();
            EndPrimitive();
            options->SetDrawPass(0);
            m_transparencyMode = 0;
        }
        if (PhotoInFront(m_model))
            DrawSelection();
        if (editingContext) {
            PopDrawMode();
            DrawEditedComponentAxes();
        }
        ClearGeometryFilters();
        DrawCameraBars();
    }
    DrawBackgroundImage(false, true);
}

void CZphView::DrawModel()
{
    m_itemColorCounter = 128;
    // The scene graph draws the opaque model only through its own stages; this view holds no
    // scene, so the model's root draws itself.
    DrawModelRoot();
}

void CZphView::DrawModelRoot()
{
    if (CComponent* root = m_model ? m_model->GetRoot() : nullptr)
        root->DrawModel(this);
}

void CZphView::DrawModelStrokeEdges()
{
    CRenderingOptions* options = GetRenderingOptions();
    CComponent* root = m_model ? m_model->GetRoot() : nullptr;
    if (!options || !root || !DrawsStrokeEdges() || !DrawsEdges())
        return;
    if (m_transparencyMode != 0 && options->GetDrawPass() != 2)
        return;
    // Strokes draw through the view's stroke-edge settings; without them there is nothing to
    // draw them with.
    if (!GetStrokeEdgeSettings())
        return;
    root->DrawEdgesNPR(this);
}

void CZphView::DrawModelAnnotations()
{
    CRenderingOptions* options = GetRenderingOptions();
    CComponent* root = m_model ? m_model->GetRoot() : nullptr;
    if (m_drawingMode == 1 || !options || !root)
        return;
    const int32_t pass = options->GetDrawPass();
    if ((pass == 0 || pass == 1) && options->GetShadowPass() != 1)
        root->DrawAnnotations(this);
}

void CZphView::DrawWatermarks(bool background)
{
    CWatermarkManager* watermarks = m_model ? m_model->GetWatermarkManager() : nullptr;
    if (!watermarks)
        return;
    // The list holds the background watermarks, a separator (null), then the overlays.
    bool drawing = background;
    for (CWatermark* watermark : watermarks->GetEntries()) {
        if (!watermark) {
            drawing = !drawing;
            continue;
        }
        if (drawing && SceneAllowsWatermark(watermark))
            watermark->Draw(this, background);
    }
}

// ----------------------------------------------------------------------------------------------
// Drawing steps shared with the draw stages.

void CZphView::DrawSkyOrGround(bool skyPass)
{
    if (m_drawingMode == 1)
        return;
    CRenderingOptions* options = GetRenderingOptions();
    const bool groundWanted = !skyPass && options && options->GetGroundShown();
    ResetDrawState();
    zephyron::graphics::DrawHorizon(skyPass, groundWanted, m_blendHorizon, m_horizonBlend, *this);
    ResetDrawState();
}

void CZphView::DrawBackgroundImage(bool drawImage, bool drawText)
{
    if (m_drawingMode == 1 || !m_model)
        return;
    if (CBackgroundImage* photo = m_model->GetBackgroundImage())
        photo->Draw(this, drawImage, drawText, false);
}

void CZphView::DrawNorth(const CVector3d& direction)
{
    CZphCS* axes = m_model ? m_model->GetDrawingAxes() : nullptr;
    if (m_drawingMode == 1 || !axes)
        return;
    const CRay3d ray(axes->GetOrigin(), CUnitVector3d(direction));
    DrawInfiniteLine(CLine3d(ray, false, true), 0, false, CColor(255, 127, 0, 255), 3.0);
    SetColor(CColor(0, 0, 0, 255));
    SetLineWidth(1.0);
}

void CZphView::DrawGroundPlane(bool flag)
{
    ResetDrawState();
    zephyron::graphics::DrawGroundPlaneBand(flag, m_blendHorizon, m_horizonBlend, *this);
    ResetDrawState();
}

void CZphView::DrawActivePath()
{
    CRenderingOptions* options = GetRenderingOptions();
    if (m_drawingMode == 1 || !m_model || !options || !options->GetShowEditingContext())
        return;
    const CInstancePath& path = m_model->GetActivePath();
    const int count = path.GetSize();
    for (int i = 0; i < count; ++i) {
        auto* instance = dynamic_cast<CComponentInstance*>(path.GetInstance(i));
        if (!instance)
            continue;
        PushDrawMode(i == count - 1 ? kDrawEdited : kDrawOutside);
        instance->DrawSelectionBox(this);
        instance->DrawComponentAxes(this);
        PopDrawMode();
    }
}

void CZphView::DrawDrawingAxes()
{
    if (CZphCS* axes = m_model ? m_model->GetDrawingAxes() : nullptr)
        axes->Draw(this);
}

void CZphView::DrawEditedComponentAxes()
{
    if (m_model && m_model->GetActiveComponent())
        if (CComponentCS* axes = m_model->GetComponentAxes())
            axes->Draw(this);
}

void CZphView::DrawCameraBars()
{
    if (IsDrawingSuppressed() || !m_model)
        return;
    CRenderingOptions* options = GetRenderingOptions();
    int width = 0;
    int height = 0;
    GetViewportSize(width, height);
    const double aspect = m_viewDefinition.GetCamera().GetImageAspect();
    if (!options || width <= 0 || height <= 0 || aspect < 0.1 || m_model->GetBackgroundImage() ||
        options->GetHideCameraBars())
        return;
    const double viewportAspect = static_cast<double>(width) / height;
    if (std::abs(aspect - viewportAspect) < kTolerance)
        return;

    EndPrimitive();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, width, 0, height, 0, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    SetLighting(false);
    SetColor(options->GetCameraBarColor());
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
    auto bar = [](double x0, double y0, double x1, double y1) {
        glVertex3d(x0, y0, -0.1);
        glVertex3d(x1, y0, -0.1);
        glVertex3d(x1, y1, -0.1);
        glVertex3d(x0, y1, -0.1);
    };
    glBegin(GL_QUADS);
    if (aspect > viewportAspect) {
        const double band = (height - std::trunc(width / aspect)) * 0.5;
        bar(0, height - band, width, height);
        bar(0, 0, width, band);
    } else {
        const double band = (width - std::trunc(aspect * height)) * 0.5;
        bar(0, 0, band, height);
        bar(width - band, 0, width, height);
    }
    glEnd();
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

CString CZphView::GetViewName()
{
    const CCamera& camera = m_viewDefinition.GetCamera();
    const char* name = nullptr;
    const CVector3d d = camera.GetDirection();
    auto is = [](double value, double wanted) { return std::abs(value - wanted) < kTolerance; };
    if (m_model && m_model->GetBackgroundImage())
        name = "Match Photo";
    else if (IsTwoPointPerspective())
        name = "Two Point\nPerspective";
    else if (is(d.z, 1))
        name = "Bottom";
    else if (is(d.z, -1))
        name = "Top";
    else if (is(d.x, 1))
        name = "Left";
    else if (is(d.x, -1))
        name = "Right";
    else if (is(d.y, 1))
        name = "Front";
    else if (is(d.y, -1))
        name = "Back";
    return name ? orbisk::utils::TranslateString(name) : CString();
}

void CZphView::DrawViewName()
{
    const CString name = GetViewName();
    if (name.IsEmpty())
        return;
    if (!m_textFont)
        CreateTextFont();
    if (!m_textFont)
        return;
    if (!m_textFont->AreMetricsComputed())
        m_textFont->UpdateMetrics();
    // Laid out first for its height, which places it.
    m_textFont->UpdateTextCache(name, 0, this, CPoint3d(), m_textCache);
    const double size = m_textCache.GetHeight();
    // DrawScreenText places the text's top edge at y pixels below the top: the origin lands at
    // (s / 4, height - s).
    DrawScreenText(static_cast<int>(size * 0.25), 0, name);
}

// ----------------------------------------------------------------------------------------------
// Offscreen images.

bool CZphView::RenderOffscreen(int width, int height, double lineWidthFactor, int overrideFlags,
                               ImageRep& image)
{
    if (!m_model || width <= 0 || height <= 0)
        return false;
    std::unique_ptr<CGLWinMemoryContext> context = CreateMemoryGLContext(width, height, 24, 8, 8, 32);
    if (!context)
        return false;
    bool ok = false;
    {
        CZphView offscreen;
        offscreen.SetGLContext(context.release());
        offscreen.SetDetailControlEnabled(false);
        offscreen.SetModel(m_model);
        offscreen.SetViewportRect(0, 0, width, height);
        offscreen.SetCamera(m_viewDefinition.GetCamera(), 0.0);
        offscreen.SetLineWidthScale(lineWidthFactor);
        {
            CDisplayOverride override(overrideFlags ? &offscreen : nullptr, overrideFlags);
            offscreen.PrepareFrame(false, 0);
        }
        glFinish();
        ok = offscreen.ReadPixels(image);
        // The names the model's entities made belong to this context, which goes now.
        offscreen.ResetOpenGL();
    }
    return ok;
}

void CZphView::RenderModelThumbnails(int size, int flags)
{
    if (!m_model || size <= 0)
        return;
    CNotificationSuspender quiet;
    SceneGraphSuspender noSceneGraph(true, true);
    int viewportWidth = 0;
    int viewportHeight = 0;
    GetViewportSize(viewportWidth, viewportHeight);
    int width = size;
    int height = size;
    if (viewportWidth > 0 && viewportHeight > 0) {
        const double aspect = static_cast<double>(viewportWidth) / viewportHeight;
        if (aspect > 1)
            height = static_cast<int>(size / aspect);
        else if (aspect < 1)
            width = static_cast<int>(size * aspect);
    }
    const bool slow = GetAverageFrameTime() > 2.0;

    // Drawn four times larger each way and reduced, for smooth edges.
    auto render = [&](int overrideFlags) -> CDib* {
        ResetOpenGL();
        ImageRep image;
        image.Create(4 * width, 4 * height, orbisk::imageutils::kFormatRGBA, 0, nullptr);
        if (!HasPixels(image) || !RenderOffscreen(4 * width, 4 * height, 3.0, overrideFlags, image))
            return nullptr;
        auto* dib = new CDib();
        if (!dib->CreateFromPixels(4 * width, 4 * height, 32, image.GetPixels(), 0.25)) {
            // Counted: the release that reaches 0 frees it.
            dib->AddRef();
            dib->Release();
            return nullptr;
        }
        return dib;
    };
    const int first = flags | CDisplayOverride::kPlainDrawing | (slow ? CDisplayOverride::kHideShadows : 0);
    m_model->SetThumbnail(render(first));
    const int second = CDisplayOverride::kShowAxes | (slow ? CDisplayOverride::kHideShadows : 0);
    m_model->SetSecondImage(render(second));
}

bool CZphView::SaveViewImage(const wchar_t* path, int width, int height, int, int quality, bool thickLines,
                             bool supersample)
{
    if (!path)
        return false;
    double lineWidthFactor = 1.0;
    double scale = 1.0;
    if (supersample) {
        scale = 0.5;
        width *= 2;
        height *= 2;
        if (thickLines)
            lineWidthFactor = 2.0;
    }
    ImageRep image;
    image.Create(width, height, orbisk::imageutils::kFormatRGBA, 0, nullptr);
    if (!HasPixels(image))
        return false;
    if (!RenderOffscreen(width, height, lineWidthFactor, 0, image))
        return false;
    if (scale != 1.0 && !image.Scale(scale))
        return false;
    return image.SaveFile(path, quality);
}

bool CZphView::SaveScreenImage(const wchar_t* path, int quality)
{
    int width = 0;
    int height = 0;
    GetViewportSize(width, height);
    if (!path || width <= 0 || height <= 0)
        return false;
    ImageRep image;
    image.Create(width, height, orbisk::imageutils::kFormatRGBA, 0, nullptr);
    if (!HasPixels(image) || !ReadPixels(image))
        return false;
    return image.SaveFile(path, quality);
}

// ----------------------------------------------------------------------------------------------
// Drawing into the view between frames.

void CZphView::BeginOverlayDraw(bool modelCoordinates)
{
    m_savedDrawPurpose = m_drawPurpose;
    m_drawPurpose = 3;
    PushLayer(GetDefaultLayer());
    PushDrawModeForModel(m_model);
    if (modelCoordinates || !m_model)
        return;
    const CInstancePath& path = m_model->GetActivePath();
    for (int i = 0; i < path.GetSize(); ++i)
        if (auto* instance = dynamic_cast<CComponentInstance*>(path.GetInstance(i))) {
            PushTransform(instance->GetTransform(), true);
            PushInstance(instance);
        }
}

void CZphView::EndOverlayDraw(bool modelCoordinates)
{
    if (!modelCoordinates && m_model) {
        const CInstancePath& path = m_model->GetActivePath();
        for (int i = path.GetSize() - 1; i >= 0; --i)
            if (dynamic_cast<CComponentInstance*>(path.GetInstance(i))) {
                PopTransform(true);
                PopInstance();
            }
    }
    PopDrawMode();
    PopLayer();
    m_drawPurpose = m_savedDrawPurpose;
}
