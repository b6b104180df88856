#include "components/Text.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "components/ArrowHeads.h"
#include "components/TextLayout.h"
#include "components/ZpFont.h"
#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "database/CurrentModel.h"
#include "database/EntitySet.h"
#include "database/IModelContext.h"
#include "database/IModelView.h"
#include "database/IPickHelper.h"
#include "geometry/Plane3d.h"
#include "geometry/Ray3d.h"
#include "geometry/Tolerance.h"
#include "geometry/Transform3d.h"
#include "geometry/UnitVector3d.h"
#include "platform/mfc/Archive.h"
#include "settings/Camera.h"
#include "settings/GLTextCache.h"
#include "settings/RenderingOptions.h"
#include "settings/ViewDefinition.h"
#include "support/ArchiveOperators.h"
#include "topology/Face.h"
#include "topology/IFace.h"
#include "topology/SectionPlaneStack.h"

IMPLEMENT_SERIAL(CText, CDrawingElement, VERSIONABLE_SCHEMA | 9)

using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;
using orbisk::geometry::kGeomTolerance;

namespace {

constexpr double kOffsetMin = -0.001;
constexpr double kOffsetMax = 1.001;

bool IsValidOffset(double offset)
{
    return std::isfinite(offset) && offset >= kOffsetMin && offset <= kOffsetMax;
}

bool IsFinite(const CVector3d& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

CString ReplaceEscapedNewlines(const CString& text)
{
    std::wstring result;
    const std::wstring_view source(text.GetString(), static_cast<size_t>(text.GetLength()));
    for (size_t i = 0; i < source.size(); ++i) {
        if (source[i] == L'\\' && i + 1 < source.size() && source[i + 1] == L'n') {
            result += L'\n';
            ++i;
        } else {
            result += source[i];
        }
    }
    return CString(std::wstring_view(result));
}

CPoint3d ReadPoint(CArchive& ar)
{
    CPoint3d point;
    ar >> point.x >> point.y >> point.z;
    return point;
}

CZpFont* TextStyleFont()
{
    IModelContext* model = GetCurrentModel();
    return model ? dynamic_cast<CZpFont*>(model->GetTextStyleFont(0)) : nullptr;
}

const CViewDefinition* ViewDefinitionOf(IModelView* view)
{
    return view ? static_cast<const IModelView*>(view)->GetViewDefinition() : nullptr;
}

// The point of segment a-b nearest to the ray's line.
CPoint3d NearestOnSegment(const CRay3d& ray, const CPoint3d& a, const CPoint3d& b)
{
    const CVector3d segment = b - a;
    const double lengthSquared = segment.LengthSquared();
    if (lengthSquared < orbisk::geometry::kZeroLengthSquared)
        return a;
    const CVector3d d(ray.direction);
    const CVector3d w = a - ray.origin;
    const double b1 = d.Dot(segment);
    const double denominator = lengthSquared - b1 * b1;
    double s = 0.0;
    if (std::abs(denominator) > 1e-12)
        s = (b1 * d.Dot(w) - w.Dot(segment)) / denominator;
    else
        s = -w.Dot(segment) / lengthSquared;
    s = std::min(1.0, std::max(0.0, s));
    return a + segment * s;
}

}  // namespace

CText::CText(const CText& other)
    : CDrawingElement(other),
      IFontUser(other),
      m_text(other.m_text),
      m_xOffset(other.m_xOffset),
      m_yOffset(other.m_yOffset),
      m_anchor(other.m_anchor),
      m_leaderVector(other.m_leaderVector),
      m_frontSide(other.m_frontSide),
      m_placementViewDirection(other.m_placementViewDirection),
      m_extraFlag(other.m_extraFlag),
      m_font(other.m_font),
      m_arrowType(other.m_arrowType),
      m_lineWidth(other.m_lineWidth),
      m_hideWhenTurned(other.m_hideWhenTurned),
      m_leaderShown(other.m_leaderShown),
      m_leaderType(other.m_leaderType),
      m_extension(other.m_extension)
{}

CText::~CText()
{
    delete m_textCache;
}

void CText::Serialize(CArchive& ar)
{
    SerializeGuarded(
        ar,
        [&] {
            CDrawingElement::Serialize(ar);
            if (ar.IsLoading())
                ReadRecord(ar);
            else
                WriteRecord(ar);
        },
        [&] {
            // The text goes with the failed record: the font keeps no use of it.
            if (m_font) {
                CZpFont* font = m_font;
                m_font = nullptr;
                font->Release();
            }
        });
}

// Schemas: 4 added the font; 5 the anchor record in place of an entity and a point, and a
// leader vector in place of a second point; 6 the leader vector alone; from 3 to 7 a view scale
// follows the placement direction; 2 added the leader-shown flag, 8 the further flag and 9 the
// extension direction.
void CText::ReadRecord(CArchive& ar)
{
    const int32_t schema = GetClassVersion(RUNTIME_CLASS(CText));
    if (schema == 0) {
        OnChange();
        return;
    }
    if (schema > 3) {
        CZpFont* font = ReadUnownedReference<CZpFont>(ar);
        if (!font)
            font = TextStyleFont();
        SetFont(font, false);
    }
    CDrawingElement* legacyEntity = nullptr;
    if (schema < 5)
        legacyEntity = ReadUnownedReference<CDrawingElement>(ar);
    ar >> m_xOffset >> m_yOffset;
    // Screen text is placed by these fractions of the viewport in whole pixels: a value that is
    // not one (a damaged record) gets the middle, as the validity check repairs it.
    if (!IsValidOffset(m_xOffset))
        m_xOffset = 0.5;
    if (!IsValidOffset(m_yOffset))
        m_yOffset = 0.5;
    if (schema > 4)
        m_anchor.Read(ar);
    else
        ReadLegacyAnchor(ar, legacyEntity);
    CPoint3d first;
    CPoint3d second;
    CVector3d secondVector;
    if (schema < 6) {
        first = ReadPoint(ar);
        if (schema < 5)
            second = ReadPoint(ar);
        else
            secondVector = ReadPoint(ar) - CPoint3d();
    } else {
        m_leaderVector = ReadPoint(ar) - CPoint3d();
    }
    const CPoint3d direction = ReadPoint(ar);
    m_placementViewDirection = CUnitVector3d(direction.x, direction.y, direction.z);
    double viewScale = 0.0;
    if (schema >= 3 && schema <= 7)
        ar >> viewScale;
    ar >> m_leaderType;
    if (schema < 6) {
        if (HasLeader() && schema < 5)
            secondVector = second - m_anchor.GetPosition();
        if (m_leaderType == kViewLeader)
            m_leaderVector = first - CPoint3d();
        else if (m_leaderType == kModelLeader)
            m_leaderVector = secondVector;
    }
    ar >> m_lineWidth >> m_frontSide >> m_hideWhenTurned >> m_arrowType;
    m_hideWhenTurned = false;
    if (schema > 1)
        ar >> m_leaderShown;
    CString text;
    ar >> text;
    m_text = ReplaceEscapedNewlines(text);
    if (m_leaderType == kViewLeader && schema < 7) {
        m_leaderVector.y = -m_leaderVector.y;
        m_leaderVector = m_leaderVector * viewScale;
    }
    if (schema > 7)
        ar >> m_extraFlag;
    m_extension = kExtendAutomatic;
    if (schema > 8)
        ar >> m_extension;
    OnChange();
}

// Older records name the entity and the point on it.
void CText::ReadLegacyAnchor(CArchive& ar, CDrawingElement* legacyEntity)
{
    const CPoint3d point = ReadPoint(ar);
    const int type = legacyEntity ? legacyEntity->GetEntityType() : -1;
    if (type == kEntityEdge || type == kEntityFace)
        m_anchor = CReferencePoint(legacyEntity, point);
}

void CText::WriteRecord(CArchive& ar)
{
    ar << static_cast<const CObject*>(m_font);
    ar << m_xOffset << m_yOffset;
    m_anchor.Write(ar);
    ar << m_leaderVector.x << m_leaderVector.y << m_leaderVector.z;
    ar << m_placementViewDirection.x << m_placementViewDirection.y << m_placementViewDirection.z;
    ar << m_leaderType << m_lineWidth << m_frontSide << m_hideWhenTurned << m_arrowType << m_leaderShown;
    ar << m_text << m_extraFlag << m_extension;
}

void CText::ForgetSharedParts()
{
    CDrawingElement::ForgetSharedParts();
    m_font = nullptr;
    m_anchor.Clear();
}

void CText::Erase()
{
    MarkChanged();
    ReleaseGLResources();
    if (m_font)
        m_font->Release();
    CDrawingElement::Erase();
}

bool CText::CollectWithDependents(CEntitySet& set)
{
    if (set.Contains(this) || !m_anchor.IsAnchoredWithin(set))
        return false;
    return CDrawingElement::CollectWithDependents(set);
}

void CText::Transform(const CTransform3d& transform)
{
    TransformText(transform, kRoleElement, nullptr);
}

void CText::TransformText(const CTransform3d& transform, int role, IModelView* view)
{
    if (transform.IsIdentity())
        return;
    MarkChanged();
    const CPoint3d anchor = GetAnchorPosition();
    m_anchor.Transform(transform);
    // The label goes where the transformation takes the point it stood at, measured from where
    // the anchor is now: moved with it, or left on an entity the transformation did not move.
    auto moveWithAnchor = [&] {
        m_leaderVector = transform.MultiplyPoint(anchor + m_leaderVector) - GetAnchorPosition();
    };
    if (role == kRoleElement) {
        if (m_leaderType == kModelLeader) {
            moveWithAnchor();
        } else if (m_leaderType == kViewLeader) {
            if (view)
                SetLeaderType(kModelLeader, view);
            moveWithAnchor();
            if (view)
                SetLeaderType(kViewLeader, view);
        }
        return;
    }
    if (m_leaderType == kModelLeader) {
        m_leaderVector = transform.MultiplyVector(m_leaderVector);
    } else if (m_leaderType == kScreenText) {
        const CPoint3d offsets = transform.MultiplyPoint(CPoint3d(m_xOffset, m_yOffset, 0.0));
        m_xOffset = offsets.x;
        m_yOffset = offsets.y;
    }
}

CEntity* CText::CreateCopy() const
{
    return new CText(*this);
}

void CText::SwapContents(CEntity& other)
{
    auto& that = static_cast<CText&>(other);
    OnErase();
    CDrawingElement::SwapContents(other);
    std::swap(m_text, that.m_text);
    std::swap(m_frontSide, that.m_frontSide);
    std::swap(m_leaderType, that.m_leaderType);
    std::swap(m_font, that.m_font);
    std::swap(m_xOffset, that.m_xOffset);
    std::swap(m_yOffset, that.m_yOffset);
    std::swap(m_anchor, that.m_anchor);
    std::swap(m_leaderVector, that.m_leaderVector);
    std::swap(m_lineWidth, that.m_lineWidth);
    std::swap(m_hideWhenTurned, that.m_hideWhenTurned);
    std::swap(m_placementViewDirection, that.m_placementViewDirection);
    std::swap(m_arrowType, that.m_arrowType);
    std::swap(m_leaderShown, that.m_leaderShown);
    std::swap(m_extension, that.m_extension);
    OnChange();
}

void CText::OnReferencedEntityEvent(int kind, CEntity* entity, void* data)
{
    if (kind == CReferencePoint::kFaceReversed) {
        if (m_anchor.HandleEntityEvent(this, kind, entity, data))
            m_frontSide = !m_frontSide;
        return;
    }
    // The face held before may be gone once the anchor has handled the event.
    const IFace* faceBefore = AsFace(m_anchor.GetEntity());
    const CVector3d normalBefore = faceBefore ? CVector3d(faceBefore->GetPlane().GetNormal()) : CVector3d();
    if (!m_anchor.HandleEntityEvent(this, kind, entity, data) || !faceBefore)
        return;
    const IFace* faceAfter = AsFace(m_anchor.GetEntity());
    if (faceAfter && normalBefore.Dot(CVector3d(faceAfter->GetPlane().GetNormal())) < 0.0) {
        MarkChanged();
        m_frontSide = !m_frontSide;
    }
}

void CText::OnChange()
{
    if (HasLeader())
        m_anchor.AddBackReferences(this);
}

void CText::OnErase()
{
    if (HasLeader())
        m_anchor.RemoveBackReferences(this);
}

int CText::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CText), map, [&] { return CDrawingElement::CheckValidity(level, map); },
        [&] { return CheckFields(level, map); });
}

int CText::CheckFields(int level, CCheckedObjectMap* map)
{
    const CString name = DescribeEntity(this);
    bool unfixed = false;
    // A problem with a repair: fixed at the fix level, else left and counted.
    auto repair = [&](bool bad, const char* message, auto fix) {
        if (!bad)
            return;
        AppendValidityMessage(message, name.GetString());
        if (ShouldFix(level)) {
            MarkChanged();
            fix();
        } else {
            unfixed = true;
        }
    };
    if (level != kValidityCheckIgnoringIds) {
        repair(!IsValidOffset(m_xOffset), "The X offset value for %s is not valid", [&] { m_xOffset = 0.5; });
        repair(!IsValidOffset(m_yOffset), "The Y offset valid for %s is not valid", [&] { m_yOffset = 0.5; });
        if (!IsFinite(m_leaderVector)) {
            AppendValidityMessage("The leader direction for %s is not valid\n", name.GetString());
            return 2;
        }
        if (!IsFinite(m_placementViewDirection)) {
            AppendValidityMessage("The original view direction for %s is not valid\n", name.GetString());
            return 2;
        }
        repair(m_arrowType < 0 || m_arrowType > 4, "The arrow type for %s is not valid",
               [&] { m_arrowType = 0; });
        repair(m_leaderType < kScreenText || m_leaderType > kModelLeader,
               "The leader type for %s is not valid", [&] { m_leaderType = kScreenText; });
        repair(m_extension < kExtendAutomatic || m_extension > kExtendLeft,
               "The leader extension direction for %s is not valid", [&] { m_extension = kExtendAutomatic; });
        if (m_textCache && !m_textCache->IsValid()) {
            AppendValidityMessage("The image cache for %s is not valid\n", name.GetString());
            return 2;
        }
    }
    if (!m_anchor.Verify(this, level == kValidityFix))
        return 2;
    if (m_font) {
        if (!m_font->IsKindOf(RUNTIME_CLASS(CZpFont))) {
            AppendValidityMessage("The font for %s is not valid\n", name.GetString());
            RecordValidity(m_font, 3, map);
            return 3;
        }
        if (map) {
            const int fontResult = m_font->CheckValidity(level, map);
            if (fontResult >= 2)
                return fontResult;
            if (fontResult == 1)
                unfixed = true;
        }
    }
    return unfixed ? 1 : 0;
}

bool CText::Pick(IPickHelper* picker, double& depth, double& distance)
{
    if (!HasLeader()) {
        distance = -1.0;
        return true;
    }
    const LeaderLayout layout = ComputeLeaderPoints(picker->GetView());
    const CRay3d ray = picker->GetLocalRay();
    CPoint3d nearest = layout.knee;
    if (picker->PickSegment(layout.anchor, layout.textPosition) & 1)
        nearest = NearestOnSegment(ray, layout.anchor, layout.textPosition);
    else if (picker->PickSegment(layout.textPosition, layout.knee) & 1)
        nearest = NearestOnSegment(ray, layout.textPosition, layout.knee);
    distance = ray.origin.DistanceTo(nearest);
    depth = distance;
    return true;
}

void CText::ReleaseGLResources()
{
    if (m_textCache)
        m_textCache->Clear();
}

void CText::Draw(IModelView* view)
{
    if (!view || view->GetDrawingMode() == 1 || !(view->GetFeatures() & 4) || !IsVisible(view))
        return;
    bool hidden = (GetFlags() & kHidden) != 0;
    const CViewDefinition* definition = ViewDefinitionOf(view);
    if (m_hideWhenTurned && definition) {
        const CVector3d direction(definition->GetCamera().GetDirection());
        if (std::abs(direction.Dot(m_placementViewDirection)) < 0.6) {
            const IRenderingOptions* options = view->GetRenderingOptions();
            if (!options || !options->IsHiddenGeometryShown())
                return;
            hidden = true;
        }
    }
    CSectionPlaneStack* sections = view->GetSectionPlaneStack();
    const bool cut = sections && !sections->IsEmpty();
    if (cut && HasLeader() && !sections->IsPointVisible(GetAnchorPosition()))
        return;
    // A label is never clipped by the section planes, only hidden with its anchor.
    if (cut)
        sections->DisablePlanes(0xFFFFFFFFu);
    if (hidden) {
        view->SetLineStipple(0x3333);
        view->SetLineWidth(1.0);
    } else {
        view->SetLineWidth(m_lineWidth);
    }
    view->SetLighting(false);
    view->SetColor(GetColorForView(view));
    // Only a model-term leader that is shown stands among the geometry; everything else lies
    // over it.
    const bool overGeometry = !(m_leaderType == kModelLeader && m_leaderShown);
    GLint depthFunction = GL_LESS;
    if (overGeometry) {
        glGetIntegerv(GL_DEPTH_FUNC, &depthFunction);
        view->SetDepthFunc(GL_ALWAYS);
    }
    DrawLeaderAndText(view, !hidden);
    if (overGeometry)
        view->SetDepthFunc(static_cast<unsigned int>(depthFunction));
    if (hidden)
        view->SetLineStipple(0);
    if (cut)
        sections->EnablePlanes(0xFFFFFFFFu);
}

void CText::DrawLeaderAndText(IModelView* view, bool normal)
{
    const LeaderLayout layout = ComputeLeaderPoints(view);
    const CViewDefinition* definition = ViewDefinitionOf(view);
    CZpFont* font = GetFont();
    if (HasLeader() && m_leaderShown && definition) {
        // Drawn in model coordinates.
        const CTransform3d transform = view->GetTransform();
        const CPoint3d anchor = transform.MultiplyPoint(layout.anchor);
        const CPoint3d textPosition = transform.MultiplyPoint(layout.textPosition);
        const CPoint3d knee = transform.MultiplyPoint(layout.knee);
        view->PushTransform(view->GetInverseTransform(), true);
        view->BeginPrimitive(GL_LINE_STRIP);
        view->Vertex(anchor.x, anchor.y, anchor.z);
        view->Vertex(textPosition.x, textPosition.y, textPosition.z);
        view->Vertex(knee.x, knee.y, knee.z);
        view->EndPrimitive();
        if (font) {
            const CUnitVector3d facing = -definition->GetCamera().GetDirection();
            DrawArrowHead(view, CPlane3d(anchor, facing), anchor, textPosition - anchor, m_arrowType,
                          0.5 * font->GetModelHeight(view, anchor), m_lineWidth);
        }
        view->PopTransform(true);
    }
    if (!font)
        return;
    view->SetLighting(false);
    CPlane3d plane;
    const bool onSurface = HasLeader() && m_anchor.HasPlane();
    if (onSurface)
        plane = m_anchor.GetPlane();
    // Fog would fade a label pinned to the window; the frame's fog is left as it was.
    const bool fog = !HasLeader() && glIsEnabled(GL_FOG);
    if (fog)
        glDisable(GL_FOG);
    m_textCache = font->GetTextCache(m_textCache);
    view->DrawText3D(font, layout.textPoint, m_text.GetString(), layout.alignment, layout.justification,
                     nullptr, !normal, normal, true, onSurface ? &plane : nullptr, false, m_textCache);
    if (fog)
        glEnable(GL_FOG);
}

bool CText::IsVisible(IModelView* view)
{
    if (!CDrawingElement::IsVisible(view))
        return false;
    if (!view)
        return true;
    const CPoint3d anchor = GetAnchorPosition();
    if (ViewDefinitionOf(view) && anchor.IsEqual(view->GetEyePoint(), kGeomTolerance))
        return false;
    if (const auto* options = dynamic_cast<const CRenderingOptions*>(view->GetRenderingOptions());
        options && !options->GetTextShown())
        return false;
    if (CEntity* entity = m_anchor.GetEntity()) {
        const CInstancePath& path = m_anchor.GetPath();
        for (int i = 0; i < path.GetSize(); ++i) {
            CDrawingElement* instance = path.GetInstance(i);
            if (instance && !instance->IsVisible(view))
                return false;
        }
        auto* element = dynamic_cast<CDrawingElement*>(entity);
        if (element && !element->IsVisible(view))
            return false;
        if (auto* face = dynamic_cast<CFace*>(entity); face && m_leaderType == kViewLeader) {
            // Seen through the instances that place the face.
            const bool placed = !path.IsEmpty();
            if (placed)
                view->PushTransform(path.GetTransform(), false);
            const bool front = face->IsFrontFacing(view);
            if (placed)
                view->PopTransform(false);
            if (front != m_frontSide)
                return false;
        }
    }
    return IsAnchorVisible(view);
}

bool CText::IsOnScreen(IModelView* view, const CPoint3d& point)
{
    CPoint3d window;
    if (!view || !view->ModelToScreen(point, window))
        return false;
    int width = 0;
    int height = 0;
    view->GetViewportSize(width, height);
    return window.x >= 0.0 && window.x <= width && window.y >= 0.0 && window.y <= height;
}

bool CText::IsAnchorVisible(IModelView* view)
{
    if (!view || view->GetDrawPurpose() == 4 || !HasLeader())
        return true;
    const CViewDefinition* definition = ViewDefinitionOf(view);
    const CPoint3d anchor = GetAnchorPosition();
    if (!IsOnScreen(view, anchor))
        return false;
    if (m_leaderShown && !IsOnScreen(view, GetTextPosition(view)))
        return false;
    if ((m_leaderType == kModelLeader && m_leaderShown) || m_anchor.IsFree() || !definition)
        return true;
    // Geometry in front of the anchor hides the whole label.
    view->EndPrimitive();
    CPoint3d window;
    view->ModelToScreen(anchor, window);
    int width = 0;
    int height = 0;
    view->GetViewportSize(width, height);
    const int x = std::clamp(static_cast<int>(std::lround(window.x)), 0, std::max(width - 1, 0));
    const int y = std::clamp(height - static_cast<int>(std::lround(window.y)), 0, std::max(height - 1, 0));
    GLfloat depth = 1.0f;
    glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    const double seen = definition->DepthToDistance(depth);
    const CCamera& camera = definition->GetCamera();
    const double distance =
        CVector3d(camera.GetDirection()).Dot(view->GetTransform().MultiplyPoint(anchor) - camera.GetEye());
    return distance - 0.01 * (definition->GetFar() - definition->GetNear()) <= seen;
}

void CText::AddBoundsTransformed(const CTransform3d& transform, CBoundingBox3d& box) const
{
    if (!HasLeader())
        return;
    // Laying the label out only reads the text.
    auto* self = const_cast<CText*>(this);
    IModelView* view = GetCurrentView();
    box.Add(transform.MultiplyPoint(self->GetAnchorPosition()));
    box.Add(transform.MultiplyPoint(self->GetTextPosition(view)));
    if (!view)
        return;
    const CBoundingBox3d label = self->GetLabelBox(view, self->ComputeLeaderPoints(view));
    for (int corner = 0; corner < 8 && !label.IsEmpty(); ++corner)
        box.Add(transform.MultiplyPoint(label.GetCorner(corner)));
}

void CText::AddBounds(CBoundingBox3d& box) const
{
    IModelView* view = GetCurrentView();
    if (!view) {
        AddBoundsTransformed(CTransform3d(), box);
        return;
    }
    const CBoundingBox3d bounds = const_cast<CText*>(this)->GetTextBounds(view);
    if (!bounds.IsEmpty()) {
        box.Add(bounds.GetMin());
        box.Add(bounds.GetMax());
    }
}

CText::CBoundingBox3d CText::GetLabelBox(IModelView* view, const LeaderLayout& layout)
{
    CZpFont* font = GetFont();
    if (!font)
        return CBoundingBox3d();
    std::vector<CString> lines;
    SplitLines(m_text, lines);
    font->UpdateMetrics();
    return font->GetTextBounds(view, lines, layout.textPoint, layout.alignment);
}

CText::CBoundingBox3d CText::GetTextBounds(IModelView* view)
{
    CBoundingBox3d box;
    if (!HasLeader() || !view)
        return box;
    const LeaderLayout layout = ComputeLeaderPoints(view);
    box.Add(layout.textPoint);
    const CBoundingBox3d label = GetLabelBox(view, layout);
    if (!label.IsEmpty()) {
        box.Add(label.GetMin());
        box.Add(label.GetMax());
    }
    box.Add(layout.anchor);
    box.Add(layout.textPosition);
    return box;
}

int CText::PickInside(IPickHelper* picker)
{
    IModelView* view = picker ? picker->GetView() : nullptr;
    if (!view || !picker->IsEntityVisible(this))
        return 0;
    if (!HasLeader() && view->GetDrawPurpose() == 4)
        return 0;
    CZpFont* font = GetFont();
    const LeaderLayout layout = ComputeLeaderPoints(view);
    if (HasLeader() && m_leaderShown && picker->PickPoint(layout.anchor) == 2)
        return 2;
    // Screen text is never cut away by section planes.
    if (!HasLeader())
        picker->SetDrawFlags(true);
    auto pickLabel = [&] {
        return font ? font->PickText(picker, this, layout.textPoint, m_text, layout.alignment,
                                     layout.justification, true, false, false)
                    : 0;
    };
    int result = 0;
    const int mode = picker->GetPickMode();
    if (mode == IPickHelper::kPointPick || mode == IPickHelper::kCrossingPick) {
        if (HasLeader() && ((picker->PickSegment(layout.anchor, layout.textPosition) & 1) ||
                            (picker->PickSegment(layout.textPosition, layout.knee) & 1)))
            result = 1;
        else
            result = pickLabel();
    } else {
        std::vector<CPoint3d> points;
        if (HasLeader()) {
            points.push_back(layout.anchor);
            points.push_back(layout.textPosition);
        }
        if (font) {
            std::vector<CString> lines;
            SplitLines(m_text, lines);
            const CBoundingBox3d label = font->GetTextBounds(view, lines, layout.textPoint, layout.alignment);
            for (int corner = 0; corner < 8 && !label.IsEmpty(); ++corner)
                points.push_back(label.GetCorner(corner));
        }
        bool inside = true;
        for (const CPoint3d& point : points)
            inside = inside && picker->PickPoint(point) == 1;
        result = inside ? pickLabel() : 0;
    }
    if (!HasLeader())
        picker->SetDrawFlags(false);
    return result;
}

CEntity* CText::GetUsedFont() const
{
    return m_font;
}

bool CText::RefersToInstance(const CEntity* instance) const
{
    return m_anchor.RefersTo(instance);
}

void CText::CollectReferencedEntities(CEntitySet& set, bool includeFirst) const
{
    m_anchor.CollectAnchors(set, includeFirst);
}

void CText::ReplaceReference(CEntity* oldEntity, CEntity* newEntity)
{
    m_anchor.ReplaceEntity(this, oldEntity, newEntity);
}

void CText::SetText(const CString& text)
{
    if (text == m_text)
        return;
    MarkChanged();
    m_text = text;
}

void CText::SetFont(CZpFont* font, bool record)
{
    if (font == m_font)
        return;
    if (record)
        MarkChanged();
    if (m_font)
        m_font->Release();
    m_font = font;
    if (m_font)
        m_font->AddRef();
    ReleaseGLResources();
}

CZpFont* CText::GetFont() const
{
    return m_font ? m_font : TextStyleFont();
}

void CText::SetPlacementViewDirection(const CVector3d& direction)
{
    if (direction == m_placementViewDirection)
        return;
    MarkChanged();
    m_placementViewDirection = direction;
}

void CText::SetArrowType(int32_t type)
{
    if (type == m_arrowType)
        return;
    MarkChanged();
    m_arrowType = type;
}

void CText::SetLineWidth(int32_t width)
{
    if (width == m_lineWidth)
        return;
    MarkChanged();
    m_lineWidth = width;
}

void CText::SetHideWhenTurned(bool hide)
{
    if (hide == m_hideWhenTurned)
        return;
    MarkChanged();
    m_hideWhenTurned = hide;
}

void CText::SetExtraFlag(bool flag)
{
    if (flag == m_extraFlag)
        return;
    MarkChanged();
    m_extraFlag = flag;
}

void CText::SetLeaderTypeRaw(int32_t type)
{
    if (type == m_leaderType)
        return;
    MarkChanged();
    m_leaderType = type;
}

void CText::SetLeaderType(int32_t type, IModelView* view)
{
    if (type == kScreenText || m_leaderType == kScreenText || type == m_leaderType)
        return;
    MarkChanged();
    const CViewDefinition* definition = ViewDefinitionOf(view);
    if (!definition)
        return;
    if (m_leaderType == kViewLeader && type == kModelLeader)
        m_leaderVector = GetModelLeaderVector(view);
    else if (m_leaderType == kModelLeader && type == kViewLeader)
        m_leaderVector = GetViewLeaderVector(view);
    m_leaderType = type;
    m_placementViewDirection = CVector3d(definition->GetCamera().GetDirection());
}

void CText::SetLeaderShown(bool shown, IModelView* view)
{
    bool marked = false;
    if (shown != m_leaderShown) {
        MarkChanged();
        marked = true;
        m_leaderShown = shown;
    }
    int32_t extension = m_extension;
    if (shown) {
        extension = kExtendAutomatic;
    } else if (m_extension == kExtendAutomatic && view) {
        // The label stays on the side it is seen on now, whichever way the camera turns later.
        const CVector3d viewVector = GetViewLeaderVector(view);
        if (viewVector.Length() >= kGeomTolerance)
            extension = viewVector.x >= 0.0 ? kExtendRight : kExtendLeft;
    }
    if (extension == m_extension)
        return;
    if (!marked)
        MarkChanged();
    m_extension = extension;
}

void CText::SetAnchor(const CReferencePoint& anchor, bool frontSide)
{
    MarkChanged();
    OnErase();
    m_frontSide = frontSide;
    m_anchor = anchor;
    OnChange();
}

CPoint3d CText::GetAnchorPosition()
{
    return m_anchor.GetPosition();
}

CPoint3d CText::GetTextPosition(IModelView* view)
{
    if (!HasLeader())
        return {};
    return GetAnchorPosition() + GetModelLeaderVector(view);
}

void CText::GetScreenPosition(IModelView* view, int& x, int& y) const
{
    int width = 0;
    int height = 0;
    if (view)
        view->GetViewportSize(width, height);
    x = static_cast<int>(width * m_xOffset);
    y = static_cast<int>(height * m_yOffset);
}

void CText::SetLeaderVector(const CVector3d& vector)
{
    MarkChanged();
    m_leaderVector = vector;
}

void CText::SetOffsets(double x, double y)
{
    MarkChanged();
    m_xOffset = x;
    m_yOffset = y;
}

void CText::PrepareCopy(const CEntitySet& set, bool markOnly)
{
    if (!HasLeader() || m_anchor.IsAnchoredWithin(set))
        return;
    if (markOnly)
        m_anchor.SetDetachOnWrite(true);
    else
        m_anchor.Detach(this);
}

void CText::ReanchorAfterExplode(CDrawingElement* instance, const CMapPtrToPtr* map)
{
    if (HasLeader())
        m_anchor.OnInstanceExploded(this, instance, map);
}

CVector3d CText::ViewVectorToModel(IModelView* view, double x, double y) const
{
    const CViewDefinition* definition = ViewDefinitionOf(view);
    if (!definition)
        return {};
    const CVector3d vector = CVector3d(definition->GetRight()) * x + CVector3d(definition->GetUp()) * y;
    return view->GetInverseTransform().MultiplyVector(vector);
}

CVector3d CText::ModelVectorToView(IModelView* view, const CVector3d& vector)
{
    const CViewDefinition* definition = ViewDefinitionOf(view);
    if (!definition)
        return {};
    const CTransform3d transform = view->GetTransform();
    const CPoint3d anchor = GetAnchorPosition();
    const CPoint3d start = transform.MultiplyPoint(anchor);
    const CPoint3d end = transform.MultiplyPoint(anchor + vector);
    const CCamera& camera = definition->GetCamera();
    const CUnitVector3d direction = camera.GetDirection();
    CRay3d ray(end, direction);
    if (camera.IsPerspective() && (end - camera.GetEye()).IsNonZero())
        ray = CRay3d(camera.GetEye(), CUnitVector3d(camera.GetEye(), end));
    CPoint3d seen = end;
    ray.Intersect(CPlane3d(start, direction), seen);
    const CVector3d offset = seen - start;
    return {offset.Dot(CVector3d(definition->GetRight())), offset.Dot(CVector3d(definition->GetUp())), 0.0};
}

CVector3d CText::GetModelLeaderVector(IModelView* view)
{
    if (m_leaderType == kModelLeader)
        return m_leaderVector;
    if (m_leaderType == kViewLeader)
        return ViewVectorToModel(view, m_leaderVector.x, m_leaderVector.y);
    return {};
}

CVector3d CText::GetViewLeaderVector(IModelView* view)
{
    if (m_leaderType == kViewLeader)
        return m_leaderVector;
    if (m_leaderType == kModelLeader)
        return ModelVectorToView(view, m_leaderVector);
    return {};
}

CText::LeaderLayout CText::ComputeLeaderPoints(IModelView* view)
{
    LeaderLayout layout;
    layout.anchor = GetAnchorPosition();
    layout.textPosition = GetTextPosition(view);
    if (!view) {
        layout.knee = layout.textPoint = layout.textPosition;
        return layout;
    }
    if (!HasLeader()) {
        int x = 0;
        int y = 0;
        GetScreenPosition(view, x, y);
        const CPoint3d point = PixelToModel(view, x, y);
        layout.anchor = layout.textPosition = layout.knee = layout.textPoint = point;
        return layout;
    }
    if (m_leaderVector.Length() < kGeomTolerance) {
        layout.textPosition = layout.knee = layout.textPoint = layout.anchor;
        return layout;
    }
    CVector3d gap;
    const CVector3d viewVector = GetViewLeaderVector(view);
    if (viewVector.Length() >= kGeomTolerance) {
        const bool right =
            m_extension == kExtendRight || (m_extension == kExtendAutomatic && viewVector.x >= 0.0);
        layout.alignment = right ? 9 : 10;
        layout.justification = right ? 0 : 2;
        gap = view->GetInverseTransform().MultiplyVector(
            GetTextGapVector(view, GetFont(), layout.textPosition, layout.alignment));
    }
    layout.knee = layout.textPosition + gap;
    layout.textPoint = layout.textPosition + gap * 1.5;
    return layout;
}

CPoint3d CText::PixelToModel(IModelView* view, int x, int y) const
{
    const CViewDefinition* definition = ViewDefinitionOf(view);
    if (!definition)
        return {};
    const double nearHint = definition->GetNearHint();
    const double nearDistance = definition->GetNear();
    double distance = nearHint;
    if (nearHint - nearDistance <= -kGeomTolerance) {
        CPoint3d point;
        if (view->ScreenToModel(CPoint3d(x, y, 0.1), point))
            return point;
        distance = nearDistance;
    }
    const CCamera& camera = definition->GetCamera();
    const CUnitVector3d direction = camera.GetDirection();
    const CPoint3d onPlane = camera.GetEye() + CVector3d(direction) * distance;
    CPoint3d point = onPlane;
    definition->GetPickRay(x, y).Intersect(CPlane3d(onPlane, direction), point);
    return point;
}
