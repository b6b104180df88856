#include "view/RenderPipeline.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "components/InstancePath.h"
#include "geometry/Transform3d.h"
#include "model/ZephyronModel.h"
#include "settings/RenderingOptions.h"
#include "settings/ShadowInfo.h"
#include "view/LevelOfDetailHelper.h"
#include "view/ZphView.h"

namespace zephyron::graphics {

using orbisk::geometry::CPoint3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CVector3d;
using orbisk::utils::CColor;

// ----------------------------------------------------------------------------------------------
// Stages.

void RenderStage::Run(RenderStageContext& context)
{
    if (!m_enabled)
        return;
    Prepare(context);
    Render(context);
}

int GroupRenderStage::AddStage(RenderStage* stage)
{
    if (!stage)
        return -1;
    m_stages.push_back(stage);
    return static_cast<int>(m_stages.size()) - 1;
}

void GroupRenderStage::Render(RenderStageContext& context)
{
    // By index: the flags of later children are read only when their turn comes.
    for (RenderStage* stage : m_stages)
        stage->Run(context);
}

void LegacyRenderStage::Render(RenderStageContext&)
{
    if (m_view && m_callback)
        m_callback(*m_view);
}

LegacyDrawHorizon::LegacyDrawHorizon(CZphView* view)
    : LegacyRenderStage(view, [](CZphView& v) { v.DrawSkyOrGround(true); })
{}
LegacyDrawBackgroundWatermark::LegacyDrawBackgroundWatermark(CZphView* view)
    : LegacyRenderStage(view, [](CZphView& v) { v.DrawWatermarks(true); })
{}
LegacyDrawGround::LegacyDrawGround(CZphView* view)
    : LegacyRenderStage(view, [](CZphView& v) { v.DrawSkyOrGround(false); })
{}
LegacyDrawBackgroundImage::LegacyDrawBackgroundImage(CZphView* view)
    : LegacyRenderStage(view, [](CZphView& v) { v.DrawBackgroundImage(true, false); })
{}
LegacyDrawZphCoordSystem::LegacyDrawZphCoordSystem(CZphView* view)
    : LegacyRenderStage(view, [](CZphView& v) { v.DrawDrawingAxes(); })
{}
LegacyDrawBackgroundText::LegacyDrawBackgroundText(CZphView* view)
    : LegacyRenderStage(view, [](CZphView& v) { v.DrawBackgroundImage(false, true); })
{}
LegacyDrawNorth::LegacyDrawNorth(CZphView* view)
    : LegacyRenderStage(view, [](CZphView& v) {
          if (CShadowInfo* shadows = v.GetShadowInfo())
              v.DrawNorth(shadows->GetNorth());
      })
{}
LegacyDrawModelRoot::LegacyDrawModelRoot(CZphView* view)
    : LegacyRenderStage(view, [](CZphView& v) { v.DrawModelRoot(); })
{}
LegacyDrawAnnotations::LegacyDrawAnnotations(CZphView* view)
    : LegacyRenderStage(view, [](CZphView& v) { v.DrawModelAnnotations(); })
{}
LegacyDrawNewGroundPlane::LegacyDrawNewGroundPlane(CZphView* view)
    : LegacyRenderStage(view, [](CZphView& v) { v.DrawGroundPlane(false); })
{}
LegacyDrawActivePath::LegacyDrawActivePath(CZphView* view)
    : LegacyRenderStage(view, [](CZphView& v) { v.DrawActivePath(); })
{}
LegacyDrawNPREdges::LegacyDrawNPREdges(CZphView* view)
    : LegacyRenderStage(view, [](CZphView& v) {
          CRenderingOptions* options = v.GetRenderingOptions();
          if (!options)
              return;
          const int32_t pass = options->GetDrawPass();
          options->SetDrawPass(2);
          v.SetItemCounter(128);
          v.DrawModelStrokeEdges();
          options->SetDrawPass(pass);
      })
{}
LegacyDrawSelectionSet::LegacyDrawSelectionSet(CZphView* view)
    : LegacyRenderStage(view, [](CZphView& v) { v.DrawSelection(); })
{}
LegacyDrawCameraBounds::LegacyDrawCameraBounds(CZphView* view)
    : LegacyRenderStage(view, [](CZphView& v) { v.DrawCameraBars(); })
{}

LegacyDrawActiveComponentCoordSystem::LegacyDrawActiveComponentCoordSystem(CZphView* view)
    : LegacyRenderStage(view, [](CZphView& v) { v.DrawEditedComponentAxes(); })
{}

void LegacyDrawActiveComponentCoordSystem::Prepare(RenderStageContext&)
{
    if (m_view)
        m_view->PopDrawMode();
}

void LegacyEndDrawing::Render(RenderStageContext&)
{
    if (m_view)
        m_view->EndPrimitive();
}

void RenderModel::Prepare(RenderStageContext& context)
{
    m_view->ClearGeometryFilters();
    m_view->PushFrustumFilter();
    CRenderingOptions* options = context.GetTarget();
    if (options && options->GetShowEditingContext())
        m_view->PushDrawModeForModel(m_view->GetModel());
}

void RenderModel::Render(RenderStageContext& context)
{
    GroupRenderStage::Render(context);
    m_view->ClearGeometryFilters();
}

RenderOpaqueNoShadow::RenderOpaqueNoShadow(CZphView* view, RenderStage* sceneGraphStage)
    : m_sceneGraph(sceneGraphStage), m_modelRoot(view)
{
    AddStage(m_sceneGraph);
    AddStage(&m_modelRoot);
    m_modelRoot.SetEnabled(false);
}

void RenderOpaqueNoShadow::Prepare(RenderStageContext& context)
{
    if (CRenderingOptions* options = context.GetTarget())
        options->SetDrawPass(1);
}

void RenderOpaqueNoShadow::SetUseSceneGraph(bool useSceneGraph)
{
    if (m_sceneGraph)
        m_sceneGraph->SetEnabled(useSceneGraph);
    m_modelRoot.SetEnabled(!useSceneGraph);
}

RenderOpaqueStage::~RenderOpaqueStage()
{
    delete m_noShadow;
}

void RenderOpaqueStage::Init(CZphView* view, RenderStage* sceneGraphStage)
{
    if (m_noShadow)
        return;
    m_noShadow = new RenderOpaqueNoShadow(view, sceneGraphStage);
    AddStage(m_noShadow);
}

void RenderOpaqueStage::SetUseSceneGraph(bool useSceneGraph)
{
    if (m_noShadow)
        m_noShadow->SetUseSceneGraph(useSceneGraph);
}

RenderTransparent::RenderTransparent(CZphView* view, RenderStage* displayListStage)
    : m_view(view), m_modelRoot(view), m_displayList(displayListStage)
{
    AddStage(&m_modelRoot);
    AddStage(m_displayList);
}

void RenderTransparent::Prepare(RenderStageContext& context)
{
    CRenderingOptions* options = context.GetTarget();
    m_sorted =
        options && options->GetTransparencySort() > 1 && (m_view->GetFeatures() & lod::kSortedTransparency);
    // Without the scene graph's replay, the immediate draw is the only way to the faces.
    const bool immediate = m_sorted || !m_useSceneGraph || !m_displayList;
    m_modelRoot.SetEnabled(immediate);
    if (m_displayList)
        m_displayList->SetEnabled(!immediate);
}

void RenderTransparent::Render(RenderStageContext& context)
{
    CRenderingOptions* options = context.GetTarget();
    if (!options)
        return;
    const bool legacySorted = m_sorted && m_useSceneGraph;
    if (legacySorted)
        options->SetLegacySortedTransparency(true);
    options->SetDrawPass(2);
    GroupRenderStage::Render(context);
    options->SetDrawPass(0);
    if (legacySorted)
        options->SetLegacySortedTransparency(false);
}

// ----------------------------------------------------------------------------------------------
// The pipeline.

RenderPipeline::RenderPipeline(CZphView* view)
    : m_view(view),
      m_horizon(view),
      m_backgroundWatermark(view),
      m_ground(view),
      m_backgroundImage(view),
      m_coordSystem(view),
      m_model(view),
      m_backgroundText(view),
      m_north(view),
      m_annotations(view),
      m_groundPlane(view),
      m_activePath(view),
      m_transparent(view, nullptr),
      m_strokeEdges(view),
      m_endDrawing(view),
      m_componentCoordSystem(view),
      m_selection(view),
      m_cameraBounds(view)
{}

void RenderPipeline::Wire()
{
    if (m_wired)
        return;
    m_wired = true;
    m_root.AddStage(&m_horizon);
    m_root.AddStage(&m_backgroundWatermark);
    m_root.AddStage(&m_ground);
    m_root.AddStage(&m_backgroundImage);
    m_root.AddStage(&m_coordSystem);
    m_root.AddStage(&m_model);
    m_root.AddStage(&m_backgroundText);

    m_opaque.Init(m_view);
    m_model.AddStage(&m_north);
    m_model.AddStage(&m_opaque);
    m_model.AddStage(&m_annotations);
    m_model.AddStage(&m_groundPlane);
    m_model.AddStage(&m_activePath);
    m_model.AddStage(&m_transparent);
    m_model.AddStage(&m_strokeEdges);
    m_model.AddStage(&m_endDrawing);
    m_model.AddStage(&m_componentCoordSystem);
    m_model.AddStage(&m_selection);
    m_model.AddStage(&m_cameraBounds);
}

void RenderPipeline::RunFrame()
{
    Wire();
    CRenderingOptions* options = m_view->GetRenderingOptions();
    if (!options)
        return;
    UpdateBackgroundFlags(*options);
    UpdateStageFlags(*options);
    UpdateScene();
}

bool RenderPipeline::UseSceneGraphFor(CRenderingOptions* options)
{
    CZephyronModel* model = m_view->GetModel();
    CRenderingOptions* own = model ? model->GetOptions() : nullptr;
    if (model && model->GetBackgroundImage() && own && own->GetPhotoInFrontShown()) {
        if (!m_view->IsHardwareAccelerated())
            return false;
        if (options && (options->GetSectionDisplay() & 2))
            return false;
    }
    return m_view->UseSceneGraph();
}

void RenderPipeline::UpdateBackgroundFlags(CRenderingOptions& options)
{
    m_horizon.SetEnabled(options.GetSkyShown());
    m_backgroundWatermark.SetEnabled(options.GetWatermarksShown() && !options.GetFogShown());
    m_ground.SetEnabled(options.GetGroundShown());
    m_coordSystem.SetEnabled(options.GetAxesShown());
    m_model.SetEnabled(m_view->GetModelFlag());
}

void RenderPipeline::UpdateStageFlags(CRenderingOptions& options)
{
    // The scene graph's stages are not wired in this pipeline: whatever the switch says, the
    // legacy stages draw the model.
    const bool sceneGraphStagesPresent = false;
    const bool g = sceneGraphStagesPresent && UseSceneGraphFor(&options);
    m_opaque.SetUseSceneGraph(g);
    m_transparent.SetUseSceneGraph(g);

    CZephyronModel* model = m_view->GetModel();
    CShadowInfo* shadows = m_view->GetShadowInfo();
    const bool photoInFront = model && model->GetBackgroundImage() && model->GetOptions() &&
                              model->GetOptions()->GetPhotoInFrontShown();
    m_north.SetEnabled(shadows && shadows->GetNorthShown());
    m_annotations.SetEnabled(g);
    m_groundPlane.SetEnabled(m_view->IsFullDetail());
    m_activePath.SetEnabled(model && model->GetActivePath().GetSize() > 0 && options.GetShowEditingContext());
    m_transparent.SetEnabled(m_view->GetTransparencyMode() != 0 ||
                             (options.GetBackEdges() && options.DrawsPlainEdgesWithFaces()));
    m_strokeEdges.SetEnabled(m_view->DrawsStrokeEdges() && m_view->DrawsEdges());
    m_componentCoordSystem.SetEnabled(options.GetShowEditingContext());
    m_selection.SetEnabled(!g && photoInFront);
}

void RenderPipeline::UpdateScene()
{
    RenderStageContext context(m_view->GetRenderingOptions(), m_view->GetModel());
    m_root.Run(context);
}

// ----------------------------------------------------------------------------------------------
// Horizon and ground.

namespace {

struct Rgba {
    double r = 0;
    double g = 0;
    double b = 0;
    double a = 1;
};

Rgba ToRgba(const CColor& color, double alpha = 1.0)
{
    return {color.red / 255.0, color.green / 255.0, color.blue / 255.0, alpha};
}

Rgba Mix(const Rgba& a, const Rgba& b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

double Ease(double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return t * t * t;
}

using Polygon = std::vector<CPoint3d>;

// The part of a convex polygon where f(p) >= 0, f affine.
template <class F>
Polygon ClipPolygon(const Polygon& polygon, F f)
{
    Polygon out;
    const size_t n = polygon.size();
    for (size_t i = 0; i < n; ++i) {
        const CPoint3d& a = polygon[i];
        const CPoint3d& b = polygon[(i + 1) % n];
        const double fa = f(a);
        const double fb = f(b);
        if (fa >= 0)
            out.push_back(a);
        if ((fa >= 0) != (fb >= 0)) {
            const double t = fa / (fa - fb);
            out.push_back(a + (b - a) * t);
        }
    }
    return out;
}

// What the backdrop routines see of the camera and the ground, in eye coordinates (the eye at
// the origin looking down -z).
struct GroundView {
    bool perspective = true;
    bool below = false;  // the camera is under the ground
    bool lookingDown = false;
    CVector3d normal;      // the ground's up direction
    double offset = 0;     // normal . p + offset = 0 on the ground; positive above it
    double nearDepth = 0;  // distances, positive
    double farDepth = 0;
    double viewZ = 0;  // z of the view direction in model coordinates
    CViewDefinition* definition = nullptr;

    double Height(const CPoint3d& p) const { return normal.Dot(CVector3d(p.x, p.y, p.z)) + offset; }

    // Looking straight down or up: the ground is parallel to the screen and no horizon line
    // crosses it.
    bool ParallelToScreen() const { return std::abs(normal.x) < 1e-9 && std::abs(normal.y) < 1e-9; }

    // The screen rectangle at a distance from the eye, grown by the margin.
    Polygon Rectangle(double distance, double margin) const
    {
        double left = 0;
        double right = 0;
        double bottom = 0;
        double top = 0;
        definition->GetFrustumAt(distance, left, right, bottom, top);
        const double cx = (left + right) / 2;
        const double cy = (bottom + top) / 2;
        const double hx = (right - left) / 2 * margin;
        const double hy = (top - bottom) / 2 * margin;
        const double z = -distance;
        return {{cx - hx, cy - hy, z}, {cx + hx, cy - hy, z}, {cx + hx, cy + hy, z}, {cx - hx, cy + hy, z}};
    }
};

GroundView MakeGroundView(CZphView& view)
{
    GroundView ground;
    CViewDefinition& definition = *view.GetViewDefinition();
    const CCamera& camera = definition.GetCamera();
    ground.definition = &definition;
    ground.perspective = camera.IsPerspective();
    const CVector3d direction = camera.GetDirection();
    ground.viewZ = direction.z;
    ground.below = ground.perspective ? camera.GetEye().z < 0 : direction.z > 0.001;
    ground.lookingDown = direction.z < 0;
    CTransform3d toEye;
    camera.GetViewTransform(toEye, true);
    ground.normal = toEye.MultiplyVector(CVector3d(0, 0, 1));
    ground.normal.Normalize();
    const CPoint3d origin = toEye.MultiplyPoint(CPoint3d(0, 0, 0));
    ground.offset = -ground.normal.Dot(CVector3d(origin.x, origin.y, origin.z));
    ground.nearDepth = definition.GetNear();
    ground.farDepth = definition.GetFar();
    return ground;
}

void Emit(const CPoint3d& p, const Rgba& c)
{
    glColor4d(c.r, c.g, c.b, c.a);
    glVertex3d(p.x, p.y, p.z);
}

// A convex polygon coloured by a function of position; affine colours come out exact.
template <class ColorOf>
void DrawPolygon(const Polygon& polygon, ColorOf colorOf)
{
    if (polygon.size() < 3)
        return;
    glBegin(GL_POLYGON);
    for (const CPoint3d& p : polygon)
        Emit(p, colorOf(p));
    glEnd();
}

// The model-view matrix set to the identity and lighting off, both given back at its end.
class EyeSpaceScope {
public:
    explicit EyeSpaceScope(CZphView& view)
    {
        view.EndPrimitive();
        glGetIntegerv(GL_MATRIX_MODE, &m_matrixMode);
        m_lighting = glIsEnabled(GL_LIGHTING);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        glDisable(GL_LIGHTING);
        glGetBooleanv(GL_DEPTH_WRITEMASK, &m_depthMask);
        m_depthTest = glIsEnabled(GL_DEPTH_TEST);
        m_blend = glIsEnabled(GL_BLEND);
    }
    ~EyeSpaceScope()
    {
        glDepthMask(m_depthMask);
        SetEnabled(GL_DEPTH_TEST, m_depthTest);
        SetEnabled(GL_BLEND, m_blend);
        SetEnabled(GL_LIGHTING, m_lighting);
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
        glMatrixMode(static_cast<GLenum>(m_matrixMode));
    }
    EyeSpaceScope(const EyeSpaceScope&) = delete;
    EyeSpaceScope& operator=(const EyeSpaceScope&) = delete;

private:
    static void SetEnabled(GLenum cap, GLboolean on)
    {
        if (on)
            glEnable(cap);
        else
            glDisable(cap);
    }
    GLint m_matrixMode = GL_MODELVIEW;
    GLboolean m_lighting = GL_FALSE;
    GLboolean m_depthMask = GL_TRUE;
    GLboolean m_depthTest = GL_TRUE;
    GLboolean m_blend = GL_FALSE;
};

constexpr double kBackdrop = 0.9997;
constexpr double kMargin = 1.1;

// The backdrop's colours, shared by the sky and the ground.
struct BackdropColors {
    Rgba sky;
    Rgba ground;
    Rgba horizon;
    Rgba fogTarget;
};

BackdropColors MakeColors(CRenderingOptions& options, const GroundView& ground, bool blendHorizon,
                          double blendFactor, const CPoint3d& eye)
{
    BackdropColors colors;
    colors.sky = ToRgba(options.GetSkyColor());
    colors.ground = ToRgba(ground.below ? options.GetBackgroundColor() : options.GetGroundColor());
    colors.fogTarget = ToRgba(options.GetFogUsesBackground() ? options.GetBackgroundColor()
                                                             : options.GetFogColorOrBackground());
    colors.horizon = colors.sky;
    if (blendHorizon) {
        colors.horizon = ToRgba(options.GetHorizonColor());
        if (eye.z > 0)
            colors.ground = Mix(colors.ground, Rgba{1, 1, 1, 1}, blendFactor);
    }
    return colors;
}

}  // namespace

void DrawHorizon(bool skyPass, bool groundPass, bool blendHorizon, double blendFactor, CZphView& view)
{
    CRenderingOptions* options = view.GetRenderingOptions();
    if ((!skyPass && !groundPass) || !options)
        return;
    const GroundView ground = MakeGroundView(view);
    const CPoint3d eye = view.GetViewDefinition()->GetCamera().GetEye();
    const BackdropColors colors = MakeColors(*options, ground, blendHorizon, blendFactor, eye);
    const double depth = kBackdrop * ground.farDepth;
    const Polygon screen = ground.Rectangle(depth, kMargin);

    EyeSpaceScope scope(view);
    auto plain = [](const Rgba& color) { return [color](const CPoint3d&) { return color; }; };
    if (ground.perspective) {
        if (ground.ParallelToScreen()) {
            glDisable(GL_DEPTH_TEST);
            const bool groundSide = ground.below || ground.lookingDown;
            if (groundSide && groundPass)
                DrawPolygon(screen, plain(colors.ground));
            else if (!groundSide && skyPass)
                DrawPolygon(screen, plain(colors.sky));
            return;
        }
        if (skyPass && !ground.below) {
            const Polygon sky = ClipPolygon(screen, [&](const CPoint3d& p) { return ground.Height(p); });
            double highest = 0;
            for (const CPoint3d& p : sky)
                highest = std::max(highest, ground.Height(p));
            const Rgba low = options->GetFogShown() ? colors.fogTarget : colors.horizon;
            glDepthMask(GL_FALSE);
            DrawPolygon(sky, [&](const CPoint3d& p) {
                return Mix(low, colors.sky, highest > 0 ? ground.Height(p) / highest : 1.0);
            });
            glDepthMask(GL_TRUE);
        }
        if (groundPass)
            DrawGroundPlaneBand(true, blendHorizon, blendFactor, view);
        return;
    }

    glDepthMask(GL_FALSE);
    if (std::abs(ground.viewZ) < 0.001) {
        if (skyPass)
            DrawPolygon(ClipPolygon(screen, [&](const CPoint3d& p) { return ground.Height(p); }),
                        plain(colors.sky));
        if (groundPass)
            DrawPolygon(ClipPolygon(screen, [&](const CPoint3d& p) { return -ground.Height(p); }),
                        plain(colors.ground));
    } else if (ground.lookingDown) {
        if (groundPass)
            DrawPolygon(screen, plain(colors.ground));
    } else if (skyPass) {
        DrawPolygon(screen, plain(colors.sky));
    }
}

void DrawGroundPlaneBand(bool fromHorizon, bool blendHorizon, double blendFactor, CZphView& view)
{
    CRenderingOptions* options = view.GetRenderingOptions();
    if (!options)
        return;
    const int32_t transparency = options->GetGroundTransparency();
    if (!fromHorizon && !(transparency <= 95 && options->GetGroundShown()))
        return;
    const bool itemBuffer = view.GetDrawingMode() == 1;
    if (itemBuffer && transparency > 0)
        return;
    const GroundView ground = MakeGroundView(view);
    if (ground.below && (fromHorizon || !options->GetGroundFromBelow()))
        return;
    if (!ground.perspective && std::abs(ground.viewZ) < 0.001)
        return;

    const bool blend = transparency > 5 && !fromHorizon;
    const double alpha = blend ? 1.0 - transparency / 100.0 : 1.0;
    const CPoint3d eye = view.GetViewDefinition()->GetCamera().GetEye();
    BackdropColors colors = MakeColors(*options, ground, false, blendFactor, eye);
    Rgba nearColor = colors.ground;
    Rgba farColor = colors.ground;
    if (blendHorizon && ground.perspective)
        farColor = Mix(farColor, Rgba{1, 1, 1, 1}, blendFactor);
    if (options->GetFogShown())
        farColor = colors.fogTarget;
    nearColor.a = farColor.a = alpha;
    // With no horizon in sight the ground is one plain colour, at whatever depth it lies.
    if (ground.ParallelToScreen())
        farColor = nearColor;
    if (itemBuffer)
        nearColor = farColor = Rgba{0, 0, 0, 1};

    EyeSpaceScope scope(view);
    if (!fromHorizon)
        view.PushPolygonOffset(true, 4.0f, 4.0f);
    if (blend) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }

    const double nearZ = -1.0002 * ground.nearDepth;
    const double farZ = -kBackdrop * ground.farDepth;
    auto above = [&](const CPoint3d& p) { return ground.Height(p); };

    if (fromHorizon) {
        // Behind the ground, up to the horizon line: the far colour on the backdrop, so that no
        // gap shows between where the far plane cuts the ground and the horizon.
        glDepthMask(GL_FALSE);
        const Polygon screen = ground.Rectangle(-farZ, kMargin);
        DrawPolygon(ClipPolygon(screen, [&](const CPoint3d& p) { return -above(p); }),
                    [&](const CPoint3d&) { return farColor; });
    }

    // The ground plane inside the frustum between the near and far depths: where it crosses
    // the edges of the frustum, ordered around their centre.
    const Polygon nearRect = ground.Rectangle(-nearZ, 1.0);
    const Polygon farRect = ground.Rectangle(-farZ, 1.0);
    std::array<std::pair<CPoint3d, CPoint3d>, 12> edges;
    for (int i = 0; i < 4; ++i) {
        edges[i] = {nearRect[i], nearRect[(i + 1) % 4]};
        edges[4 + i] = {farRect[i], farRect[(i + 1) % 4]};
        edges[8 + i] = {nearRect[i], farRect[i]};
    }
    Polygon plane;
    for (const auto& [a, b] : edges) {
        const double fa = above(a);
        const double fb = above(b);
        if ((fa > 0) != (fb > 0) && fa != fb)
            plane.push_back(a + (b - a) * (fa / (fa - fb)));
    }
    if (plane.size() >= 3) {
        CPoint3d centre(0, 0, 0);
        for (const CPoint3d& p : plane)
            centre = centre + CVector3d(p.x, p.y, p.z) / static_cast<double>(plane.size());
        CVector3d u = plane[0] - centre;
        u.Normalize();
        const CVector3d v = ground.normal.Cross(u);
        std::sort(plane.begin(), plane.end(), [&](const CPoint3d& a, const CPoint3d& b) {
            return std::atan2((a - centre).Dot(v), (a - centre).Dot(u)) <
                   std::atan2((b - centre).Dot(v), (b - centre).Dot(u));
        });
        // An opaque ground hides what lies below it; a blended one writes no depth.
        glDepthMask(blend ? GL_FALSE : GL_TRUE);
        constexpr int kStrips = 10;
        for (int i = 0; i < kStrips; ++i) {
            const double z0 = farZ + (nearZ - farZ) * i / kStrips;
            const double z1 = farZ + (nearZ - farZ) * (i + 1) / kStrips;
            const Rgba c0 = Mix(farColor, nearColor, Ease(static_cast<double>(i) / kStrips));
            const Rgba c1 = Mix(farColor, nearColor, Ease(static_cast<double>(i + 1) / kStrips));
            Polygon strip = ClipPolygon(plane, [&](const CPoint3d& p) { return p.z - z0; });
            strip = ClipPolygon(strip, [&](const CPoint3d& p) { return z1 - p.z; });
            DrawPolygon(strip, [&](const CPoint3d& p) { return Mix(c0, c1, (p.z - z0) / (z1 - z0)); });
        }
    }

    if (!fromHorizon)
        view.PopPolygonOffset();
}

}  // namespace zephyron::graphics
