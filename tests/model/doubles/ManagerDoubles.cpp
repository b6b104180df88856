#include "tests/model/doubles/ManagerDoubles.h"

#include <GL/gl.h>

#include <algorithm>
#include <utility>

#include "model/DatabaseLinks.h"
#include "model/EntityDisposal.h"
#include "model/EntityLinks.h"
#include "model/LayerManager.h"
#include "model/ManagerLinks.h"
#include "model/MaterialManager.h"
#include "platform/mfc/Archive.h"
#include "support/NotificationCenter.h"

using orbisk::geometry::CPoint3d;
using orbisk::geometry::CVector3d;

TestModel::TestModel()
{
    CSuspendUndo unrecorded;
    root = new TestRoot(this);
    layers = new CLayerManager;
    layers->SetParent(root);
    layers->AddDefaultLayer();
    layers->SetNotificationsEnabled(true);
    materials = new CMaterialManager;
    materials->SetParent(root);
    selection.ResumeNotifications(false);
}

TestModel::~TestModel()
{
    DeleteUnrecorded(layers);
    DeleteUnrecorded(materials);
    DeleteUnrecorded(root);
}

void AxesView::PushTransform(const orbisk::geometry::CTransform3d& t, bool applyToGL)
{
    transforms.push_back(GetTransform() * t);
    if (!applyToGL)
        return;
    double matrix[16];
    t.GetMatrix(matrix);
    glPushMatrix();
    glMultMatrixd(matrix);
}

void AxesView::PopTransform(bool applyToGL)
{
    if (transforms.empty())
        return;
    transforms.pop_back();
    if (applyToGL)
        glPopMatrix();
}

orbisk::geometry::CTransform3d AxesView::GetInverseTransform()
{
    return GetTransform().Inverse();
}

CPoint3d AxesView::GetEyePoint()
{
    CPoint3d local = eye;
    GetInverseTransform().TransformPoint(local);
    return local;
}

CVector3d AxesView::GetViewDirection()
{
    CVector3d local = direction;
    GetInverseTransform().TransformVector(local);
    return local;
}

void AxesView::DrawStyledLine(const CPoint3d& from, const CPoint3d& to, const CColor& color,
                              const double& width, const unsigned short&)
{
    lines.push_back({from, to, color, width});
    glLineWidth(static_cast<float>(width));
    glColor4ubv(&color.red);
    glBegin(GL_LINES);
    glVertex3d(from.x, from.y, from.z);
    glVertex3d(to.x, to.y, to.z);
    glEnd();
}

void AxesView::BeginPrimitive(int kind)
{
    quads.emplace_back();
    open = true;
    glBegin(static_cast<GLenum>(kind));
}

void AxesView::EndPrimitive()
{
    if (!open)
        return;
    open = false;
    glEnd();
}

void AxesView::Vertex(double x, double y, double z)
{
    quads.back().emplace_back(x, y, z);
    glVertex3d(x, y, z);
}

void AxesView::SetColor(CColor color)
{
    RecordingView::SetColor(color);
    glColor4ubv(&color.red);
}

void AxesView::SetDepthFunc(unsigned int function)
{
    glDepthFunc(function);
}

void AxesView::SetLineWidth(double pixels)
{
    lineWidths.push_back(pixels);
    glLineWidth(static_cast<float>(pixels));
}

bool AxesView::SetLighting(bool on)
{
    return std::exchange(lighting, on);
}

void AxesView::PushPolygonOffset(bool, float, float)
{
    maxOffsetDepth = std::max(maxOffsetDepth, ++offsetDepth);
}

void AxesView::PopPolygonOffset()
{
    --offsetDepth;
}

namespace {

TestModel& Parts(CZephyronModel& model)
{
    return static_cast<TestModel&>(model);
}

}  // namespace

namespace links {

void SetAxesShown(CZephyronModel& model, bool shown)
{
    Parts(model).axesShown = shown;
    ++Parts(model).axesSettings;
    Parts(model).notificationsOnWhenAxesSet = orbisk::utils::CNotificationCenter::GetInstance().IsEnabled();
}

CSelectionSet& GetSelection(CZephyronModel& model)
{
    return Parts(model).selection;
}

const CVersionInfo& GetModelVersion(const CZephyronModel& model)
{
    return static_cast<const TestModel&>(model).version;
}

CAttributeNamed& GetOrCreateModelProperties(CZephyronModel& model)
{
    return Parts(model).properties;
}

int CountContributingDefinitions(CZephyronModel& model)
{
    return Parts(model).contributingDefinitions;
}

CEntity* GetRootComponent(CZephyronModel& model)
{
    return Parts(model).root;
}

CLayerManager* GetRootLayerManager(CZephyronModel& model)
{
    return Parts(model).layers;
}

CMaterialManager* GetRootMaterialManager(CZephyronModel& model)
{
    return Parts(model).materials;
}

CFontManager* GetFontManager(CZephyronModel& model)
{
    return Parts(model).fonts;
}

CEntity* GetTextStyleFont(CZephyronModel& model, int which)
{
    return Parts(model).textStyleFonts[which];
}

CEntity* GetDimensionStyleFont(CZephyronModel& model)
{
    return Parts(model).dimensionStyleFont;
}

CFaceTextureMapping* CopyTextureMapping(const CFaceTextureMapping& mapping)
{
    auto* copy = new CFaceTextureMapping(mapping);
    copy->pairCount = 0;
    return copy;
}

void DeleteTextureMapping(CFaceTextureMapping* mapping)
{
    delete mapping;
}

bool IsTextureMappingValid(const CFaceTextureMapping& mapping)
{
    return mapping.valid;
}

CCamera* CreateCamera()
{
    return new CCamera;
}

void DeleteCamera(CCamera* camera)
{
    delete camera;
}

void CopyCamera(CCamera& target, const CCamera& source)
{
    target = source;
}

void SerializeCamera(CArchive& ar, CCamera& camera, bool olderForm)
{
    if (ar.IsStoring()) {
        ar << camera.fieldOfView;
        return;
    }
    if (olderForm) {
        int32_t marker = 0;
        ar >> marker;
        ++camera.olderFormReads;
    }
    ar >> camera.fieldOfView;
}

bool IsCameraValid(const CCamera& camera)
{
    return camera.valid;
}

void SetCameraFromDirection(CCamera& camera, const CPoint3d& eye, const CVector3d& direction,
                            const CVector3d& up, double, double, bool perspective, double fieldOfView, double)
{
    camera.eye = eye;
    camera.direction = direction;
    camera.up = up;
    camera.perspective = perspective;
    camera.fieldOfView = fieldOfView;
}

bool IsPerspectiveView(IModelView& view)
{
    return dynamic_cast<AxesView&>(view).perspective;
}

}  // namespace links
