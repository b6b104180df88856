#include "tests/model/doubles/ManagerDoubles.h"

#include <GL/gl.h>

#include <algorithm>
#include <utility>

#include "model/EntityDisposal.h"
#include "model/LayerManager.h"
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
}

TestModel::~TestModel()
{
    {
        CCurrentModelScope current(this);
        DeleteUnrecorded(layers);
        DeleteUnrecorded(materials);
        DeleteUnrecorded(root);
    }
    FreeDroppedObjects();
}

std::unique_ptr<IFaceTextureMapping> TestTextureMapping::CopyWithoutPairs() const
{
    auto copy = std::make_unique<TestTextureMapping>(*this);
    copy->pairCount = 0;
    return copy;
}

void TestCamera::ReadEmbedded(CArchive& ar, bool inlineForm)
{
    if (inlineForm) {
        int32_t marker = 0;
        ar >> marker;
        ++inlineReads;
    }
    ar >> fieldOfView;
}

void TestCamera::WriteEmbedded(CArchive& ar) const
{
    ar << fieldOfView;
}

void TestCamera::SetFromDirection(const CPoint3d& eye_, const CVector3d& direction_, const CVector3d& up_,
                                  double, double, bool perspective_, double fieldOfView_, double)
{
    eye = eye_;
    direction = direction_;
    up = up_;
    perspective = perspective_;
    fieldOfView = fieldOfView_;
}

CEntity* TestObjectFactory::CreateFont(const CFontDescription& description)
{
    auto* font = new TestFont;
    font->description = description;
    return font;
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
