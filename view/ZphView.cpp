#include "view/ZphView.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "components/Component.h"
#include "components/ComponentInstance.h"
#include "components/ZpFont.h"
#include "database/CurrentModel.h"
#include "database/LayerManager.h"
#include "database/TextureSizeLimit.h"
#include "database/UndoManager.h"
#include "geometry/GeomFilterSelectAll.h"
#include "geometry/GeomFilterVolume.h"
#include "image/ImageRep.h"
#include "model/ZephyronModel.h"
#include "settings/PageList.h"
#include "settings/RenderingOptions.h"
#include "settings/ShadowInfo.h"
#include "settings/ViewPage.h"
#include "settings/ZphStyleManager.h"
#include "support/NotificationCenter.h"
#include "support/StringTable.h"
#include "topology/SectionPlane.h"
#include "topology/ZphCS.h"
#include "view/Clipping.h"
#include "view/GLContext.h"
#include "view/IAnimation.h"
#include "view/RenderPipeline.h"
#include "view/SectionSlice.h"
#include "view/ViewProfile.h"
#include "view/ZphViewDelegate.h"

using orbisk::geometry::CGeomFilterCrossingExpandedVolume;
using orbisk::geometry::CGeomFilterCrossingVolume;
using orbisk::geometry::CGeomFilterInsideVolume;
using orbisk::geometry::CGeomFilterSelectAll;
using orbisk::geometry::VolumePlanes;
using orbisk::utils::CColor;
using orbisk::utils::CNotificationCenter;

namespace {

bool g_sceneGraph = false;
bool g_offscreenSceneGraph = false;
int g_fastFeedback = 1;
bool g_developerMode = false;

constexpr unsigned kWireframe = 0;
constexpr unsigned kHiddenLine = 1;

// The corners and the outward normals (signed axis indices) of the faces of the twelve box
// edges, corners numbered as CBoundingBox3d::GetCorner numbers them.
struct BoxEdge {
    int a;
    int b;
    int face1;
    int face2;
};
constexpr BoxEdge kBoxEdges[12] = {
    {0, 1, -2, -3}, {1, 3, 1, -3}, {3, 2, 2, -3},  {2, 0, -1, -3}, {4, 5, -2, 3}, {5, 7, 1, 3},
    {7, 6, 2, 3},   {6, 4, -1, 3}, {0, 4, -1, -2}, {1, 5, 1, -2},  {3, 7, 1, 2},  {2, 6, -1, 2},
};

VolumePlanes ToVolume(const CViewDefinition::FrustumPlanes& planes)
{
    VolumePlanes volume;
    std::copy(std::begin(planes), std::end(planes), volume.begin());
    return volume;
}

orbisk::geometry::CVector3d Unit(orbisk::geometry::CVector3d v)
{
    v.Normalize();
    return v;
}

void SendColor(const CColor& color)
{
    glColor4ub(color.red, color.green, color.blue, color.alpha);
}

void ApplyLightValues(float modelAmbient, float ambient, float diffuse)
{
    const GLfloat model[4] = {modelAmbient, modelAmbient, modelAmbient, 1.0f};
    const GLfloat lightAmbient[4] = {ambient, ambient, ambient, 1.0f};
    const GLfloat lightDiffuse[4] = {diffuse, diffuse, diffuse, 1.0f};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, model);
    glLightfv(GL_LIGHT0, GL_AMBIENT, lightAmbient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, lightDiffuse);
}

}  // namespace

bool IsSceneGraphEnabled()
{
    return g_sceneGraph;
}
void SetSceneGraphEnabled(bool on)
{
    g_sceneGraph = on;
}
bool IsOffscreenSceneGraphEnabled()
{
    return g_offscreenSceneGraph;
}
void SetOffscreenSceneGraphEnabled(bool on)
{
    g_offscreenSceneGraph = on;
}
int GetFastFeedback()
{
    return g_fastFeedback;
}
void SetFastFeedback(int value)
{
    g_fastFeedback = value;
}
bool IsDeveloperModeEnabled()
{
    return g_developerMode;
}
void SetDeveloperModeEnabled(bool on)
{
    g_developerMode = on;
}

SceneGraphSuspender::SceneGraphSuspender(bool main, bool offscreen)
{
    if (main) {
        m_restoreMain = g_sceneGraph;
        g_sceneGraph = false;
    }
    if (offscreen) {
        m_restoreOffscreen = g_offscreenSceneGraph;
        g_offscreenSceneGraph = false;
    }
}

bool SceneGraphSuspender::Restore()
{
    if (m_restoreMain)
        g_sceneGraph = true;
    if (m_restoreOffscreen)
        g_offscreenSceneGraph = true;
    m_restoreMain = m_restoreOffscreen = false;
    return true;
}

orbisk::geometry::CVector3d AxisVector(int index)
{
    using orbisk::geometry::CVector3d;
    static const std::array<CVector3d, 7> table = {
        CVector3d(0, 0, -1), CVector3d(0, -1, 0), CVector3d(-1, 0, 0), CVector3d(0, 0, 0),
        CVector3d(1, 0, 0),  CVector3d(0, 1, 0),  CVector3d(0, 0, 1)};
    if (index < -3 || index > 3)
        return CVector3d(0, 0, 0);
    return table[static_cast<size_t>(index + 3)];
}

CZphView::CZphView(const IClock& frameClock, const IClock& wallClock)
{
    m_detailControlEnabled = ReadViewProfileInt(L"LODPreferences", L"LODEnabled", 1) != 0;
    m_detailTimer = std::make_unique<LODTimerCallback>(this);
    m_displayListsEnabled = ReadViewProfileInt(L"Preferences", L"UseDisplayLists", 1) != 0;
    m_delegate = std::make_unique<CZphViewDelegate>(this, wallClock);
    m_detail = std::make_unique<LevelOfDetailHelper>(this, frameClock);
    // Section planes cut through the model with the drawing layer's cuts.
    CSectionPlane::SetSliceFactory(&CSectionPlaneSlice::Create);
}

CZphView::~CZphView()
{
    m_detailTimer->Stop();
    m_detailTimer.reset();
    ClearGeometryFilters();
    ReleaseAnimationAndScene();
    ReleaseTextFont();
    SetModel(nullptr);
    m_delegate.reset();
    ReleaseGLContext();
    m_pipeline.reset();
    m_detail.reset();
}

// ----------------------------------------------------------------------------------------------
// Model, GL context and projection.

IModelContext* CZphView::GetModelContext()
{
    return m_model;
}

void CZphView::SetModel(CZephyronModel* model)
{
    if (model == m_model)
        return;
    m_delegate->Detach();
    if (m_model)
        m_model->Release();
    m_model = model;
    if (m_model) {
        m_model->ReleaseGLResources();
        m_model->AddRef();
        m_detail->Reset();
    }
    m_delegate->Attach();
}

void CZphView::SetGLContext(IGLContext* context)
{
    ReleaseGLContext();
    m_glContext.reset(context);
    InitGLState();
}

void CZphView::ReleaseGLContext()
{
    // The context's own teardown must not stop the view from letting go of it.
    try {
        m_glContext.reset();
    } catch (...) {
        m_glContext.release();
    }
}

void CZphView::InitGLState()
{
    glEnable(GL_LIGHT0);
    glEnable(GL_NORMALIZE);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glShadeModel(GL_SMOOTH);
}

void CZphView::MakeCurrent()
{
    if (m_glContext)
        m_glContext->MakeCurrent();
}

void CZphView::SwapBuffers()
{
    if (m_glContext)
        m_glContext->SwapBuffers();
}

CRenderingOptions* CZphView::GetRenderingOptions()
{
    return m_model ? m_model->GetOptions() : nullptr;
}

CShadowInfo* CZphView::GetShadowInfo()
{
    return m_model ? m_model->GetShadowInfo() : nullptr;
}

CZphStyle* CZphView::GetActiveStyle()
{
    CZphStyleManager* styles = m_model ? m_model->GetStyleManager() : nullptr;
    return styles ? styles->GetActiveStyle() : nullptr;
}

void CZphView::GetViewportSize(int& width, int& height)
{
    int x = 0;
    int y = 0;
    m_viewDefinition.GetViewport(x, y, width, height);
}

void CZphView::SetViewportRect(int x, int y, int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    m_viewDefinition.SetViewport(x, y, width, height);
}

CZphView::CBoundingBox3d CZphView::ProjectionBounds(bool withActivePath)
{
    CBoundingBox3d box;
    CComponent* root = m_model ? m_model->GetRoot() : nullptr;
    if (root) {
        box = root->GetBounds();
        // Section planes may stand well outside what they cut.
        if (!box.IsEmpty() && root->HasSectionPlanes()) {
            const double margin = box.GetDiagonal() / 5.0;
            box.Add(box.GetMin() - CVector3d(margin, margin, margin));
            box.Add(box.GetMax() + CVector3d(margin, margin, margin));
        }
    }
    CRenderingOptions* options = GetRenderingOptions();
    if (box.IsEmpty() && options && options->GetAxesShown() && m_model->GetDrawingAxes())
        box.Add(m_model->GetDrawingAxes()->GetOrigin());
    if (withActivePath && m_model) {
        const CInstancePath& path = m_model->GetActivePath();
        for (int i = 0; i < path.GetSize(); ++i)
            if (CDrawingElement* instance = path.GetInstance(i)) {
                const CBoundingBox3d bounds = instance->GetBounds();
                if (!bounds.IsEmpty()) {
                    box.Add(bounds.GetMin());
                    box.Add(bounds.GetMax());
                }
            }
    }
    ExtendBoundsForShadows(box);
    if (box.IsEmpty())
        box.Add(CPoint3d(0, 0, 0));
    return box;
}

void CZphView::SetupProjection()
{
    m_viewDefinition.SetDepthRangeFromBounds(ProjectionBounds(true));
    m_viewDefinition.UpdateFrustumPlanes();

    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    m_viewDefinition.GetViewport(x, y, width, height);
    glViewport(x, y, width, height);

    double matrix[16];
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(m_viewDefinition.GetProjectionMatrix().m);

    CTransform3d view;
    m_viewDefinition.GetCamera().GetViewTransform(view, true);
    view.GetMatrix(matrix);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixd(matrix);
}

void CZphView::UpdateDepthRange()
{
    m_viewDefinition.SetDepthRangeFromBounds(ProjectionBounds(false));
}

void CZphView::ExtendBoundsForShadows(CBoundingBox3d& box)
{
    CShadowInfo* shadows = GetShadowInfo();
    if (!shadows || !AreShadowsShown() || box.IsEmpty())
        return;
    const CVector3d s = shadows->GetSunDirection();
    if (s.z < 0.001)
        return;

    // The top corner on the side away from the sun, pushed out by a thousandth.
    const CPoint3d low = box.GetMin();
    const CPoint3d high = box.GetMax();
    const bool minX = s.x > 0;
    const bool minY = s.y > 0 || (s.y == 0 && !(s.x > 0));
    double x = minX ? low.x : high.x;
    double y = minY ? low.y : high.y;
    x += (minX ? -1 : 1) * 0.001 * std::abs(x);
    y += (minY ? -1 : 1) * 0.001 * std::abs(y);
    const CPoint3d corner(x, y, high.z);

    const double flat = s.x * s.x + s.y * s.y;
    CVector3d direction(-s.x, -s.y, -s.z);
    // A sun near the horizon would throw the point far away: its shadow is steepened.
    if (s.z * s.z < 0.1 * 0.1 * flat)
        direction = CVector3d(-s.x, -s.y, -0.1 * flat);
    const double t = -corner.z / direction.z;
    box.Add(CPoint3d(corner.x + t * direction.x, corner.y + t * direction.y, 0.0));
}

void CZphView::SetupLights(bool shadowsOn)
{
    CRenderingOptions* options = GetRenderingOptions();
    CShadowInfo* shadows = GetShadowInfo();
    const bool hiddenLine = options && options->GetRenderingMode() == static_cast<int32_t>(kHiddenLine);
    float modelAmbient = hiddenLine ? 0.0f : 0.2f;
    float ambient = hiddenLine ? 1.0f : 0.2f;
    float diffuse = hiddenLine ? 0.0f : 0.8f;
    const bool useSun = shadowsOn || (shadows && shadows->GetUseSunForShading());

    if (!useSun) {
        // Given while the model-view matrix is the identity, the light comes from the eye.
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        const GLfloat fromEye[4] = {0.0f, 0.0f, 1.0f, 0.0f};
        glLightfv(GL_LIGHT0, GL_POSITION, fromEye);
        ApplyLightValues(modelAmbient, ambient, diffuse);
    }
    SetupProjection();
    if (!useSun || !shadows)
        return;

    const CVector3d sun = shadows->GetSunDirection();
    const GLfloat position[4] = {static_cast<GLfloat>(sun.x), static_cast<GLfloat>(sun.y),
                                 static_cast<GLfloat>(sun.z), 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    if (!hiddenLine) {
        ambient = static_cast<float>(shadows->GetDarkIntensity() * 0.01);
        diffuse = static_cast<float>(shadows->GetLightIntensity() * 0.01);
    }
    ApplyLightValues(modelAmbient, ambient, diffuse);
}

void CZphView::CommitCamera()
{
    const CCamera& camera = m_viewDefinition.GetCamera();
    if (m_model)
        m_model->SetCamera(camera);
    SetEyeAndDirection(camera.GetEye(), camera.GetDirection());
}

void CZphView::SetCamera(const CCamera& camera, double)
{
    // Animated transitions belong to the animation hosting; the camera is set at once.
    m_viewDefinition.SetCamera(camera);
    SetEyeAndDirection(m_viewDefinition.GetCamera().GetEye(), m_viewDefinition.GetCamera().GetDirection());
}

// ----------------------------------------------------------------------------------------------
// Conversions.

CZphView::CPoint3d CZphView::ToModel(const CPoint3d& local)
{
    return HasElements() ? GetTransform().MultiplyPoint(local) : local;
}

bool CZphView::GetFrustumWindow(double& left, double& right, double& bottom, double& top)
{
    return m_viewDefinition.GetFrustum(left, right, bottom, top);
}

CZphView::CRay3d& CZphView::GetPickRay(CRay3d& out, const int pixel[2])
{
    return out = m_viewDefinition.GetPickRay(pixel[0], pixel[1]);
}

double CZphView::PixelsToModel(int pixels, const CPoint3d& at)
{
    if (pixels <= 0)
        return 0.0;
    int width = 0;
    int height = 0;
    GetViewportSize(width, height);
    if (height <= 0)
        return 0.0;
    const CCamera& camera = m_viewDefinition.GetCamera();
    double viewHeight = m_viewDefinition.GetViewHeight();
    if (camera.IsPerspective()) {
        const CVector3d direction = camera.GetDirection();
        const double distance = (ToModel(at) - camera.GetEye()).Dot(direction);
        viewHeight = m_viewDefinition.GetViewHeightAtDistance(distance);
    }
    double size = viewHeight / height * pixels * m_pixelSizeScale;
    if (camera.Is2DPanZoomEnabled())
        size *= camera.Get2DScale();
    return size;
}

double CZphView::SetPixelSizeScale(double scale)
{
    const double previous = m_pixelSizeScale;
    m_pixelSizeScale = scale;
    return previous;
}

CZphView::CVector3d& CZphView::PixelsToLocalSize(CVector3d& out, int pixels, const CPoint3d& at)
{
    const double size = PixelsToModel(pixels, at);
    const CVector3d scales = GetTransform().GetScales();
    auto divide = [size](double scale) { return scale > 0.0 ? size / scale : size; };
    return out = CVector3d(divide(scales.x), divide(scales.y), divide(scales.z));
}

bool CZphView::ModelToScreen(const CPoint3d& local, CPoint3d& out)
{
    return m_viewDefinition.ModelToScreen(ToModel(local), out);
}

bool CZphView::ScreenToModel(const CPoint3d& window, CPoint3d& out)
{
    CPoint3d model;
    const bool ok = m_viewDefinition.ScreenToModel3(window.x, window.y, window.z, model);
    out = HasElements() ? GetInverseTransform().MultiplyPoint(model) : model;
    return ok;
}

// ----------------------------------------------------------------------------------------------
// Level of detail and frame times.

double CZphView::GetAverageFrameTime()
{
    return m_frameCount > 0 ? m_totalFrameTime / m_frameCount : 0.0;
}

void CZphView::SetFrameDelay(double seconds)
{
    m_frameDelay = seconds;
    Invalidate(false);
}

bool CZphView::IsFrameSlow()
{
    if (GetFastFeedback() == 0 || !IsFullDetail() || m_frameCount < 2)
        return false;
    return GetFrameTime() > m_detail->GetTargetFrameTime();
}

void CZphView::ResetFrameTimes()
{
    m_frameCount = 0;
    m_totalFrameTime = 0.0;
    m_detail->Reset();
}

void CZphView::BeginDetailFrame()
{
    m_detailTimer->Stop();
    if (m_delegate->AreSettingsChanged()) {
        m_detail->ResetToFullDetail();
        m_delegate->ClearSettingsChanged();
    }
    if (m_redrawFeatures == lod::kFullDetail)
        m_detail->ResetToFullDetail();
    m_detail->PushFeatures(m_redrawFeatures);
    m_detail->BeginFrame();
}

void CZphView::EndDetailFrame()
{
    m_detail->EndFrame();
    m_detail->PopFeatures();
    const double frameTime = m_detail->GetLastFrameTime();
    const bool fullDetail = m_detail->IsFullDetail();
    if (frameTime >= 0.0) {
        ++m_frameCount;
        m_totalFrameTime += frameTime;
        if (fullDetail)
            m_fullDetailFrameTime = frameTime;
    }
    if (m_detailControlEnabled && !fullDetail)
        m_detailTimer->Start(std::clamp(m_fullDetailFrameTime, 1.0, 5.0));
    m_redrawFeatures = 0;
}

// ----------------------------------------------------------------------------------------------
// Component editing.

void CZphView::PushInstance(CComponentInstance* instance)
{
    CRenderingOptions* options = GetRenderingOptions();
    if (!options || !options->GetShowEditingContext() || !instance)
        return;
    m_instancePath.PushBack(instance);
    int mode = GetDrawMode();
    if (instance->GetEntityType() == kEntityImage && !options->GetHideInactive())
        mode = kDrawNormal;
    if (m_model && static_cast<CEntity*>(instance->GetDefinition()) ==
                       static_cast<CEntity*>(m_model->GetActiveComponent()))
        mode = m_model->IsActivePath(m_instancePath) ? kDrawEdited : kDrawOtherInstance;
    m_drawModes.push_back(mode);
}

void CZphView::PopInstance()
{
    CRenderingOptions* options = GetRenderingOptions();
    if (!options || !options->GetShowEditingContext())
        return;
    m_instancePath.PopBack();
    PopDrawMode();
}

void CZphView::PopDrawMode()
{
    if (!m_drawModes.empty())
        m_drawModes.pop_back();
}

void CZphView::PushDrawModeForModel(CZephyronModel* model)
{
    const bool atRoot = model && model->GetActiveComponent() == model->GetRoot();
    PushDrawMode(atRoot ? kDrawNormal : kDrawOutside);
}

bool CZphView::IsFaded()
{
    const int mode = GetDrawMode();
    return mode == kDrawOtherInstance || mode == kDrawOutside;
}

void CZphView::FadeColor(CColor& color)
{
    CRenderingOptions* options = GetRenderingOptions();
    const int mode = GetDrawMode();
    if (!options || (mode != kDrawOtherInstance && mode != kDrawOutside))
        return;
    const double f = mode == kDrawOutside ? options->GetInactiveFade() : options->GetInstanceFade();
    CColor::Lerp(color, color, options->GetBackgroundColor(), f);
}

bool CZphView::IsHiddenByEditing(CDrawingElement* element)
{
    CRenderingOptions* options = GetRenderingOptions();
    const int mode = GetDrawMode();
    if (!options || !element || mode == kDrawNormal || mode == kDrawEdited)
        return false;
    const int type = element->GetEntityType();
    if (type == kEntityComponentInstance || type == kEntityGroup || type == kEntityImage)
        return false;
    return (mode == kDrawOutside && options->GetHideInactive()) ||
           (mode == kDrawOtherInstance && options->GetHideOtherInstances());
}

void CZphView::PopLayer()
{
    if (!m_layers.empty())
        m_layers.pop_back();
}

bool CZphView::PushMaterial(CMaterial* material)
{
    m_materials.push_back(material);
    return true;
}

bool CZphView::PopMaterial()
{
    if (!m_materials.empty())
        m_materials.pop_back();
    return true;
}

// ----------------------------------------------------------------------------------------------
// The immediate drawing layer.

void CZphView::PushTransform(const CTransform3d& t, bool applyToGL)
{
    EndPrimitive();
    CDrawingBase::PushTransform(t, applyToGL);
}

void CZphView::PopTransform(bool applyToGL)
{
    EndPrimitive();
    CDrawingBase::PopTransform(applyToGL);
}

void CZphView::BeginPrimitive(int kind)
{
    if (kind == m_openPrimitive)
        return;
    EndPrimitive();
    glBegin(static_cast<GLenum>(kind));
    m_openPrimitive = kind;
}

void CZphView::EndPrimitive()
{
    if (m_openPrimitive < 0)
        return;
    glEnd();
    m_openPrimitive = -1;
}

void CZphView::Vertex(double x, double y, double z)
{
    glVertex3d(x, y, z);
}

void CZphView::Vertex(const double point[3])
{
    glVertex3dv(point);
}

void CZphView::SetDepthFunc(unsigned int function)
{
    glDepthFunc(function);
}

void CZphView::ResetDrawState()
{
    EndPrimitive();
    m_lineWidth = 1.0;
    glLineWidth(1.0f);
    m_stipple = 0;
    glDisable(GL_LINE_STIPPLE);
    m_lighting = false;
    glDisable(GL_LIGHTING);
    m_color = CColor(0, 0, 0, 255);
    SendColor(m_color);
}

void CZphView::SetLineWidth(double pixels)
{
    const double applied = m_drawingMode == 1 ? 1.0 : std::max(1.0, pixels * m_lineWidthScale);
    // The stored width is what GL has (nothing else sets it behind the view), so an unchanged
    // width keeps the open primitive and consecutive lines of one width stay one batch.
    if (applied == m_lineWidth)
        return;
    EndPrimitive();
    glLineWidth(static_cast<GLfloat>(applied));
    m_lineWidth = applied;
}

void CZphView::SetLineStipple(unsigned short pattern)
{
    if (pattern == m_stipple && !m_batchDrawing)
        return;
    EndPrimitive();
    if (pattern != 0) {
        if (m_stipple == 0)
            glEnable(GL_LINE_STIPPLE);
        glLineStipple(1, pattern);
    } else {
        glDisable(GL_LINE_STIPPLE);
    }
    m_stipple = pattern;
}

bool CZphView::SetLighting(bool on)
{
    EndPrimitive();
    m_lighting = on;
    if (on)
        glEnable(GL_LIGHTING);
    else
        glDisable(GL_LIGHTING);
    return true;
}

void CZphView::ApplyPolygonOffset(const PolygonOffsetState& state)
{
    if (state.enabled)
        glEnable(GL_POLYGON_OFFSET_FILL);
    else
        glDisable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(state.factor, state.units);
}

void CZphView::PushPolygonOffset(bool enable, float factor, float units)
{
    const PolygonOffsetState state{enable, factor, units * GetContextScale()};
    ApplyPolygonOffset(state);
    m_polygonOffsets.push_back(state);
}

void CZphView::PopPolygonOffset()
{
    if (!m_polygonOffsets.empty())
        m_polygonOffsets.pop_back();
    ApplyPolygonOffset(m_polygonOffsets.empty() ? PolygonOffsetState{false, 0.0f, 0.0f}
                                                : m_polygonOffsets.back());
}

void CZphView::SetColor(CColor color)
{
    if (m_drawingMode != 1)
        FadeColor(color);
    if (color == CColor(0, 0, 0, 0))
        return;
    m_color = color;
    SendColor(color);
}

void CZphView::SetColorRGBA(double red, double green, double blue, double alpha)
{
    SetColor(CColor::FromUnitRGBA(red, green, blue, alpha));
}

bool CZphView::SetMaterialColor(CMaterial*, const CColor& color, unsigned int face, bool)
{
    const int slot = face == GL_FRONT_AND_BACK ? 2 : face == GL_FRONT ? 0 : 1;
    m_materialColors[slot] = color;
    GLfloat rgba[4];
    color.GetUnitRGBA(rgba);
    glMaterialfv(face, GL_AMBIENT_AND_DIFFUSE, rgba);
    return true;
}

void CZphView::SetClearColor(CRenderingOptions* options)
{
    CColor color(0, 0, 0, 255);
    if (m_drawingMode != 1 && options)
        color = options->GetFogShown() && !options->GetFogUsesBackground() ? options->GetFogColor()
                                                                           : options->GetBackgroundColor();
    glClearColor(color.GetRedUnit(), color.GetGreenUnit(), color.GetBlueUnit(), color.GetAlphaUnit());
}

void CZphView::SetupFog(bool on)
{
    if (!on) {
        glDisable(GL_FOG);
        return;
    }
    EndPrimitive();
    CRenderingOptions* options = GetRenderingOptions();
    if (!options)
        return;
    const double start = options->GetFogStart();
    const double end = options->GetFogEnd();
    if (start < 0 || end < 0 || start >= end)
        return;
    GLfloat color[4];
    options->GetFogColor().GetUnitRGBA(color);
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogfv(GL_FOG_COLOR, color);
    glFogf(GL_FOG_START, static_cast<GLfloat>(start));
    glFogf(GL_FOG_END, static_cast<GLfloat>(end));
    const int32_t hint = options->GetFogHint();
    glHint(GL_FOG_HINT, hint == 2 ? GL_NICEST : hint == 1 ? GL_FASTEST : GL_DONT_CARE);
}

void CZphView::ApplyBackgroundAndFog()
{
    CRenderingOptions* options = GetRenderingOptions();
    SetClearColor(options);
    SetupFog(options && options->GetFogShown() && m_drawingMode != 1);
}

void CZphView::DrawLine(const CPoint3d& from, const CPoint3d& to)
{
    BeginPrimitive(GL_LINES);
    CSectionPlaneStack& planes = *GetSectionPlaneStack();
    if (CSectionPlaneStack::GetClipPlanesSuppressed() && !planes.IsEmpty()) {
        // No GL clip plane cuts the line: the section planes cut it here.
        CPoint3d a = from;
        CPoint3d b = to;
        if (planes.ClipSegment(a, b)) {
            glVertex3d(a.x, a.y, a.z);
            glVertex3d(b.x, b.y, b.z);
        }
    } else {
        Vertex(from.x, from.y, from.z);
        Vertex(to.x, to.y, to.z);
    }
    if (!m_batchDrawing)
        EndPrimitive();
}

void CZphView::DrawStyledLine(const CPoint3d& from, const CPoint3d& to, const CColor& color,
                              const double& width, const unsigned short& stipple)
{
    SetLighting(false);
    SetColor(color);
    SetLineStipple(stipple);
    SetLineWidth(width);
    DrawLine(from, to);
}

void CZphView::DrawClippedToDepthRange(const CPoint3d& from, const CPoint3d& to)
{
    ::DrawLineClippedToDepthRange(this, from, to);
}

void CZphView::DrawLineWithArrows(const CPoint3d& from, const CPoint3d& to, CColor color,
                                  unsigned short stipple, bool arrowAtStart, bool arrowAtEnd)
{
    SetLighting(false);
    SetColor(color);
    SetLineStipple(stipple);
    DrawClippedToDepthRange(from, to);
    SetLineStipple(0);
    for (const auto& [strokeFrom, strokeTo] : ArrowHeadStrokes(this, from, to, arrowAtStart, arrowAtEnd))
        DrawClippedToDepthRange(strokeFrom, strokeTo);
}

void CZphView::DrawBox(const CBoundingBox3d& box, double width)
{
    DisablePlanes(0xFFFFFFFFu);
    SetLineWidth(width);
    auto corner = [&box](int i) { return box.GetCorner(i); };
    auto loop = [&](std::initializer_list<int> corners) {
        BeginPrimitive(GL_LINE_LOOP);
        for (int i : corners) {
            const CPoint3d p = corner(i);
            Vertex(p.x, p.y, p.z);
        }
        EndPrimitive();
    };
    loop({0, 1, 3, 2});
    loop({4, 5, 7, 6});
    BeginPrimitive(GL_LINES);
    for (auto [a, b] : {std::pair{0, 4}, {1, 5}, {3, 7}, {2, 6}}) {
        const CPoint3d p = corner(a);
        const CPoint3d q = corner(b);
        Vertex(p.x, p.y, p.z);
        Vertex(q.x, q.y, q.z);
    }
    EndPrimitive();
    EnablePlanes(0xFFFFFFFFu);
}

void CZphView::DrawBoxEdgesFacing(const CBoundingBox3d& box, const CPoint3d& eye, CColor front, CColor back,
                                  double width, unsigned short stipple)
{
    DisablePlanes(0xFFFFFFFFu);
    for (const BoxEdge& edge : kBoxEdges) {
        const CPoint3d a = box.GetCorner(edge.a);
        const CPoint3d b = box.GetCorner(edge.b);
        const CPoint3d middle((a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2);
        const CVector3d v = middle - eye;
        const bool facing = v.Dot(AxisVector(edge.face1)) < 0 || v.Dot(AxisVector(edge.face2)) < 0;
        DrawStyledLine(a, b, facing ? front : back, width, stipple);
        EndPrimitive();
    }
    EnablePlanes(0xFFFFFFFFu);
}

void CZphView::DrawInfiniteLine(const CLine3d& line, unsigned short stipple, bool bothDirections,
                                CColor color, double width)
{
    ::DrawInfiniteLine(this, line, stipple, bothDirections, color, width);
}

// ----------------------------------------------------------------------------------------------
// Queries of the settings.

void CZphView::GetEdgeColor(CColor& out)
{
    CRenderingOptions* options = GetRenderingOptions();
    out = options ? options->GetEdgeColor() : CColor(0, 0, 0, 255);
}

void CZphView::GetBackgroundColor(CColor& out)
{
    CRenderingOptions* options = GetRenderingOptions();
    out = options ? options->GetBackgroundColor() : CColor(255, 255, 255, 255);
}

void CZphView::GetAxisColor(CColor& out, int kind)
{
    CRenderingOptions* options = GetRenderingOptions();
    out = options ? options->GetAxisColor(kind) : CColor();
}

CColor& CZphView::GetColorByAxis(CColor& out, CPoint3d start, CPoint3d end)
{
    const CVector3d d = Unit(ToModel(end) - ToModel(start));
    if (CZphCS* axes = m_model ? m_model->GetDrawingAxes() : nullptr) {
        for (int axis = 0; axis < 3; ++axis) {
            const CVector3d a = axes->GetAxis(axis);
            if (d.Cross(a).LengthSquared() < 0.000001) {
                GetAxisColor(out, axis + 1);
                return out;
            }
        }
    }
    GetEdgeColor(out);
    return out;
}

void CZphView::GetClearColorValue(int& out)
{
    CColor color;
    GetBackgroundColor(color);
    out = static_cast<int>(color.GetPacked());
}

bool CZphView::DrawsEdges()
{
    CRenderingOptions* options = GetRenderingOptions();
    if (!options)
        return false;
    return options->GetEdgeDisplay() != 0 || (options->GetProfiles() && (GetFeatures() & lod::kEdgeEffects));
}

bool CZphView::DrawsStrokeEdges()
{
    CRenderingOptions* options = GetRenderingOptions();
    return options && options->GetEdgeKind() == 1 && (GetFeatures() & lod::kEdgeEffects);
}

bool CZphView::CanUseItemBuffer()
{
    return DrawsStrokeEdges() && m_drawingMode == 0;
}

bool CZphView::DrawsGround()
{
    CRenderingOptions* options = GetRenderingOptions();
    return options && options->GetGroundShown();
}

bool CZphView::ShowsViewName()
{
    CRenderingOptions* options = GetRenderingOptions();
    return options && options->GetShowViewName();
}

bool CZphView::AreShadowsShown()
{
    CShadowInfo* shadows = GetShadowInfo();
    CRenderingOptions* options = GetRenderingOptions();
    return shadows && options && shadows->AreShadowsShown() &&
           (GetFeatures() & (lod::kGroundShadows | lod::kFaceShadows)) &&
           options->GetRenderingMode() != static_cast<int32_t>(kWireframe);
}

bool CZphView::ShadowsEnabled(bool force)
{
    CShadowInfo* shadows = GetShadowInfo();
    CRenderingOptions* options = GetRenderingOptions();
    if (!shadows || !options || !shadows->AreShadowsShown() ||
        options->GetRenderingMode() == static_cast<int32_t>(kWireframe))
        return false;
    return force || (GetFeatures() & (lod::kGroundShadows | lod::kFaceShadows));
}

bool CZphView::IsNorthShown()
{
    CShadowInfo* shadows = GetShadowInfo();
    return shadows && shadows->GetNorthShown();
}

int CZphView::GetShadowFaceValue()
{
    CShadowInfo* shadows = GetShadowInfo();
    CRenderingOptions* options = GetRenderingOptions();
    if (!shadows || !shadows->AreShadowsShown() || !shadows->GetOnFaces())
        return 32;
    return options && (options->GetXRay() || options->GetTransparencyEnabled()) ? 32 : 16;
}

bool CZphView::ShowsWatermarks(bool background)
{
    CRenderingOptions* options = GetRenderingOptions();
    if (m_drawingMode == 1 || !options || !options->GetWatermarksShown())
        return false;
    return !background || !options->GetFogShown();
}

bool CZphView::SceneAllowsWatermark(CWatermark*)
{
    if (!GetCurrentModel() || !m_model || !m_model->GetPageList())
        return true;
    auto* scene = dynamic_cast<CViewPage*>(m_model->GetPageList()->GetSelectedPage());
    return !scene || scene->IsUnrestricted();
}

bool CZphView::IsViewFromAbove()
{
    const CCamera& camera = m_viewDefinition.GetCamera();
    if (camera.IsPerspective())
        return camera.GetEye().z >= 0.001;
    return camera.GetDirection().z < 0.001;
}

bool CZphView::CanSetTwoPointPerspective()
{
    const CVector3d d = m_viewDefinition.GetCamera().GetDirection();
    const bool alongZ = std::abs(d.x) < 0.001 && std::abs(d.y) < 0.001;
    return !alongZ && !(m_model && m_model->GetBackgroundImage());
}

bool CZphView::IsTwoPointPerspective()
{
    const CCamera& camera = m_viewDefinition.GetCamera();
    return camera.IsPerspective() && camera.Is2DPanZoomEnabled() &&
           std::abs(camera.GetDirection().z) < 0.001 && !(m_model && m_model->GetBackgroundImage());
}

// ----------------------------------------------------------------------------------------------
// GL context queries.

bool CZphView::IsHardwareAccelerated()
{
    return m_glContext && m_glContext->IsHardwareAccelerated();
}

float CZphView::GetContextScale()
{
    return m_glContext ? static_cast<float>(m_glContext->GetScale()) : 1.0f;
}

int CZphView::GetStencilBits()
{
    return m_glContext ? m_glContext->GetStencilBits() : -1;
}

bool CZphView::HasStencil()
{
    return m_glContext && m_glContext->GetStencilBits() > 0;
}

void CZphView::GetDPI(int out[2])
{
    out[0] = out[1] = 0;
    if (m_glContext)
        m_glContext->GetDPI(&out[0], &out[1]);
}

bool CZphView::ReadPixels(ImageRep& image)
{
    // The read writes four bytes a pixel, as only 32-bit images hold them.
    if (!m_glContext || !image.IsValid() || !image.GetPixels() || !image.IsRGBA())
        return false;
    const int width = image.GetWidth();
    const int height = image.GetHeight();
    const int padding = image.GetRowPadding();
    if (width <= 0 || height <= 0 || padding % 4 != 0)
        return false;
    MakeCurrent();
    GLint readBuffer = GL_BACK;
    glGetIntegerv(GL_READ_BUFFER, &readBuffer);
    glReadBuffer(GL_BACK);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, padding ? width + padding / 4 : 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, image.GetPixels());
    const bool ok = glGetError() == GL_NO_ERROR;
    glPopClientAttrib();
    glReadBuffer(static_cast<GLenum>(readBuffer));
    return ok && image.FlipVertical();
}

// ----------------------------------------------------------------------------------------------
// Selection filters.

void CZphView::PushWindowFilter(double left, double right, double top, double bottom)
{
    CViewDefinition::FrustumPlanes planes;
    m_viewDefinition.GetSelectionFrustum(left, right, top, bottom, planes);
    PushGeometryFilter(new CGeomFilterInsideVolume(ToVolume(planes)));
}

void CZphView::PushApertureFilter(const int pixel[2], int size)
{
    CViewDefinition::FrustumPlanes planes;
    m_viewDefinition.GetPickApertureFrustum(pixel[0], pixel[1], size, planes);
    PushGeometryFilter(new CGeomFilterCrossingVolume(ToVolume(planes)));
}

void CZphView::PushCrossingWindowFilter(double left, double right, double top, double bottom)
{
    CViewDefinition::FrustumPlanes planes;
    m_viewDefinition.GetSelectionFrustum(left, right, top, bottom, planes);
    PushGeometryFilter(new CGeomFilterCrossingVolume(ToVolume(planes)));
}

void CZphView::PushSelectAllFilter()
{
    PushGeometryFilter(new CGeomFilterSelectAll());
}

void CZphView::PushFrustumFilter()
{
    CViewDefinition::FrustumPlanes planes;
    m_viewDefinition.GetFrustumPlanes(planes);
    PushGeometryFilter(new CGeomFilterCrossingVolume(ToVolume(planes)));
}

void CZphView::PushExpandedFrustumFilter()
{
    CViewDefinition::FrustumPlanes planes;
    m_viewDefinition.GetFrustumPlanes(planes);
    PushGeometryFilter(new CGeomFilterCrossingExpandedVolume(ToVolume(planes)));
}

// ----------------------------------------------------------------------------------------------
// Camera history, animation and interaction state.

void CZphView::BeginCameraChange()
{
    m_delegate->BeginCameraChange();
}
void CZphView::EndCameraChange(int type)
{
    m_delegate->EndCameraChange(type);
}
void CZphView::CancelCameraChange()
{
    m_delegate->CancelCameraChange();
}
void CZphView::ResetCameraHistory()
{
    m_delegate->ResetCameraHistory();
}
bool CZphView::CanGoPrevious()
{
    return m_delegate->CanGoPrevious();
}
bool CZphView::CanGoNext()
{
    return m_delegate->CanGoNext();
}
void CZphView::PreviousView()
{
    m_delegate->PreviousView();
}
void CZphView::NextView()
{
    m_delegate->NextView();
}

bool CZphView::SetAutopanEnabled(bool enabled)
{
    const bool previous = m_autopanEnabled;
    m_autopanEnabled = enabled;
    return previous;
}

CString& CZphView::SetMeasurementText(const wchar_t* text)
{
    m_measurement.Set(text);
    return m_measurement.GetText();
}

IAnimation* CZphView::SetAnimation(IAnimation* animation)
{
    if (animation == m_animation)
        return animation;
    if (IAnimation* old = m_animation) {
        StopAnimationTimer();
        m_animation = nullptr;
        old->Finish();
        old->Delete();
    }
    m_animation = animation;
    m_animationPaused = false;
    return nullptr;
}

void CZphView::PauseAnimation(bool pause)
{
    if (m_animation)
        m_animation->Pause(pause);
    m_animationPaused = pause;
}

void CZphView::StopAnimation()
{
    if (!m_autopanAnimation)
        return;
    SetAnimation(nullptr);
    m_autopanAnimation = nullptr;
}

void CZphView::ReleaseAnimationAndScene()
{
    if (IAnimation* animation = m_animation) {
        m_animation = nullptr;
        animation->Finish();
        animation->Delete();
    }
    m_autopanAnimation = nullptr;
}

void CZphView::SetRenderMode(int mode)
{
    CRenderingOptions* options = GetRenderingOptions();
    if (!options || (mode == options->GetRenderingMode() && !m_batchDrawing))
        return;
    options->SetRenderingMode(mode);
    Invalidate(false);
}

void CZphView::SetDrawingModeFixed(bool fixed)
{
    m_drawingModeFixed = fixed;
    if (!fixed)
        m_drawingMode = 0;
}

void CZphView::NextItemColor(CColor& out)
{
    if (m_itemColorCounter == 0) {
        out = CColor();
        return;
    }
    out = CColor(static_cast<uint32_t>(m_itemColorCounter++));
}

// ----------------------------------------------------------------------------------------------
// Text font and GL resources.

void CZphView::CreateTextFont()
{
    CString face = orbisk::utils::TranslateString("Tahoma");
    if (face.IsEmpty())
        face = L"Tahoma";
    CSuspendUndo unrecorded;
    if (m_textFont)
        return;
    m_textFont = new CZpFont();
    m_textFont->SetFont(face, false, false, 10, false, 1.0);
    m_textFont->ClearCacheHandle();
}

void CZphView::ReleaseTextFont()
{
    m_textCache.Clear();
    delete m_textFont;
    m_textFont = nullptr;
}

void CZphView::ResetOpenGL()
{
    // The active style's stroke set keeps no GL textures yet; once stroke drawing makes them,
    // they are deleted here first, since they die with the context being rebuilt.
    if (m_model)
        m_model->ReleaseGLResources();
    if (m_textFont)
        m_textFont->ClearCacheHandle();
    m_textCache.Clear();
    CNotificationCenter::GetInstance().PostNotification("ResetOpenGLNotification",
                                                        static_cast<IZphView*>(this));
}

void CZphView::SaveFastFeedbackPreference()
{
    CString entry;
    entry.Format(L"UseFastFeedback%d", 8);
    WriteViewProfileInt(L"Preferences", entry, GetFastFeedback());
}

void CZphView::SaveMaxTextureSizePreference(int size)
{
    SetMaxTextureSizeOverride(size);
    WriteViewProfileInt(L"Textures", L"MaxGLSize", GetMaxTextureSizeOverride());
}

// ----------------------------------------------------------------------------------------------
// Operations whose behaviour comes with the stroke edges, the item buffer and the selection
// drawing: until then they draw nothing and answer "not done".

void CZphView::DrawStrokePolyline(const std::vector<CEntity*>&, bool) {}
void CZphView::DrawSelection() {}
orbisk::NPREdgeSettings* CZphView::GetStrokeEdgeSettings()
{
    return nullptr;
}
CItemBuffer* CZphView::GetItemBuffer()
{
    return nullptr;
}
bool CZphView::PrepareItemBuffer()
{
    return false;
}
