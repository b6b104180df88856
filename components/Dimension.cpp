#include "components/Dimension.h"

#include <algorithm>
#include <cmath>

#include "components/ArrowHeads.h"
#include "components/DimensionStyle.h"
#include "components/ZpFont.h"
#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "database/CurrentModel.h"
#include "database/IModelContext.h"
#include "database/IModelView.h"
#include "database/IPickHelper.h"
#include "database/LengthFormatter.h"
#include "database/Material.h"
#include "database/Validity.h"
#include "geometry/Ray3d.h"
#include "settings/Camera.h"
#include "settings/GLTextCache.h"
#include "settings/RenderingOptions.h"
#include "settings/ViewDefinition.h"

IMPLEMENT_SERIAL(CDimension, CDrawingElement, VERSIONABLE_SCHEMA | 1)

namespace {

// A stored backslash followed by "n" is a line break.
CString ExpandLineBreaks(const CString& text)
{
    std::wstring expanded(text.GetString());
    for (size_t at = expanded.find(L"\\n"); at != std::wstring::npos; at = expanded.find(L"\\n", at + 1))
        expanded.replace(at, 2, L"\n");
    return CString(expanded.c_str());
}

}  // namespace

CDimension::CDimension(const CDimension& other)
    : CDrawingElement(other),
      m_text(other.m_text),
      m_font(other.m_font),
      m_alignedText(other.m_alignedText),
      m_arrowType(other.m_arrowType)
{}

CDimension::~CDimension()
{
    if (m_textCache) {
        m_textCache->Clear();
        delete m_textCache;
    }
}

void CDimension::Serialize(CArchive& ar)
{
    CZpFont* const before = m_font;
    SerializeGuarded(
        ar,
        [&] {
            CDrawingElement::Serialize(ar);
            if (ar.IsLoading())
                ReadRecord(ar);
            else
                WriteRecord(ar);
        },
        [&] { RestoreFont(before); });
}

void CDimension::ReadRecord(CArchive& ar)
{
    CString text;
    ar >> text;
    CZpFont* font = nullptr;
    uint8_t aligned = 0;
    int32_t arrowType = 0;
    if (GetClassVersion(RUNTIME_CLASS(CDimension)) >= 1) {
        font = ReadFontReference(ar);
        ar >> aligned >> arrowType;
    }
    m_text = ExpandLineBreaks(text);
    m_alignedText = aligned != 0;
    m_arrowType = arrowType;
    if (font != m_font) {
        ReplaceCountedFont(m_font, font);
        ReleaseGLResources();
    }
}

void CDimension::WriteRecord(CArchive& ar)
{
    ar << m_text;
    if (GetSaveFormat() < 6000)
        return;
    ar << static_cast<const CObject*>(m_font) << static_cast<uint8_t>(m_alignedText) << m_arrowType;
}

void CDimension::RestoreFont(CZpFont* before)
{
    ReplaceCountedFont(m_font, before);
}

void CDimension::ForgetSharedParts()
{
    CDrawingElement::ForgetSharedParts();
    m_font = nullptr;
}

void CDimension::Erase()
{
    MarkChanged();
    ReleaseGLResources();
    ReplaceCountedFont(m_font, nullptr);
    CDrawingElement::Erase();
}

void CDimension::Transform(const CTransform3d& transform)
{
    TransformWithMode(transform, 0, kTransformMoveAll);
}

CEntity* CDimension::CreateCopy() const
{
    return new CDimension(*this);
}

void CDimension::SwapContents(CEntity& other)
{
    CDrawingElement::SwapContents(other);
    auto& dimension = static_cast<CDimension&>(other);
    std::swap(m_text, dimension.m_text);
    std::swap(m_font, dimension.m_font);
    std::swap(m_alignedText, dimension.m_alignedText);
    std::swap(m_arrowType, dimension.m_arrowType);
}

int CDimension::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CDimension), map, [&] { return CDrawingElement::CheckValidity(level, map); },
        [&] {
            if (level == kValidityCheckIgnoringIds || !m_textCache || m_textCache->IsValid())
                return 0;
            AppendValidityMessage("The image cache for %s is not valid\n", DescribeEntity(this).GetString());
            return 2;
        });
}

bool CDimension::Pick(IPickHelper* picker, double& depth, double& distance)
{
    const orbisk::geometry::CRay3d ray = picker->GetPickRay();
    CPoint3d hit;
    if (!ray.Intersect(GetPlane(), hit))
        return false;
    depth = distance = ray.origin.DistanceTo(hit);
    return true;
}

CEntity* CDimension::GetUsedFont() const
{
    if (m_font)
        return m_font;
    const CDimensionStyle* style = GetStyle();
    return style ? style->PeekFont() : nullptr;
}

bool CDimension::RefersTo(const CEntity*) const
{
    return false;
}

void CDimension::AddReferencedEntities(CEntitySet&, bool) const {}

void CDimension::ReplaceReference(CEntity*, CEntity*) {}

void CDimension::TransformWithMode(const CTransform3d&, int, int) {}

void CDimension::ApplyStyle(CDimensionStyle* style)
{
    if (!style)
        return;
    SetMaterialFromColor(style->GetDefaultColor(), true);
    if (CZpFont* font = style->GetFont(); font != m_font) {
        MarkChanged();
        ReplaceCountedFont(m_font, font);
        ReleaseGLResources();
    }
    if (style->IsTextAligned() != m_alignedText) {
        MarkChanged();
        m_alignedText = style->IsTextAligned();
        ReleaseGLResources();
    }
    if (style->GetArrowType() != m_arrowType) {
        MarkChanged();
        m_arrowType = style->GetArrowType();
    }
}

void CDimension::GetTextPosition(IModelView*, CPoint3d&, int&, int&) {}

CDimension::CPlane3d CDimension::GetPlane() const
{
    return {};
}

CDimension::CPoint3d CDimension::GetLocation() const
{
    return {};
}

void CDimension::PrepareCopy(const CEntitySet&, bool) {}

void CDimension::OnEntitiesGrouped(const CEntitySet&, CDrawingElement*) {}

void CDimension::OnInstanceExploded(CDrawingElement*, const CMapPtrToPtr*) {}

bool CDimension::IsAssociated() const
{
    return true;
}

CString CDimension::GetMeasurementText(IModelView*)
{
    return {};
}

int CDimension::GetScreenSize(IModelView*)
{
    return 0;
}

CDimensionStyle* CDimension::GetStyle() const
{
    IModelContext* model = GetModel();
    if (!model)
        model = GetCurrentModel();
    return model ? dynamic_cast<CDimensionStyle*>(model->GetDimensionStyle()) : nullptr;
}

CZpFont* CDimension::GetFont() const
{
    if (m_font)
        return m_font;
    CDimensionStyle* style = GetStyle();
    return style ? style->GetFont() : nullptr;
}

void CDimension::SetFont(CZpFont* font)
{
    if (font == m_font)
        return;
    MarkChanged();
    ReplaceCountedFont(m_font, font);
    ReleaseGLResources();
}

void CDimension::SetText(const CString& text)
{
    if (text == m_text)
        return;
    MarkChanged();
    m_text = text;
    ReleaseGLResources();
}

CString CDimension::GetDisplayText(IModelView* view, bool& replaced)
{
    const CString measurement = GetMeasurementText(view);
    replaced = false;
    if (m_text.IsEmpty())
        return measurement;
    std::wstring text(m_text.GetString());
    const std::wstring value(measurement.GetString());
    replaced = text.find(L"<>") == std::wstring::npos;
    for (size_t at = text.find(L"<>"); at != std::wstring::npos; at = text.find(L"<>", at + value.size()))
        text.replace(at, 2, value);
    return CString(text.c_str());
}

double CDimension::GetTextHeight(IModelView* view, const CPoint3d& point) const
{
    const CZpFont* font = m_font;
    if (!font) {
        const CDimensionStyle* style = GetStyle();
        font = style ? style->PeekFont() : nullptr;
    }
    return font ? font->GetModelHeight(view, point) : 0.0;
}

CDimension::CColor CDimension::GetNonAssociatedColor(bool wanted) const
{
    const CDimensionStyle* style = GetStyle();
    return wanted && style && style->GetHighlightFlag() ? style->GetHighlightColor() : CColor();
}

bool CDimension::GetKeepTextReadable() const
{
    const CDimensionStyle* style = GetStyle();
    return style ? style->GetKeepTextReadable() : true;
}

int32_t CDimension::GetStyleLineWidth() const
{
    const CDimensionStyle* style = GetStyle();
    return style ? style->GetLineWidth() : 1;
}

CString CDimension::FormatLength(double length) const
{
    std::wstring text(CLengthFormatter().Format(length).GetString());
    const CDimensionStyle* style = GetStyle();
    if (!style || !style->GetHighlightFlag())
        text.erase(0, text.find_first_not_of(L"~ "));
    return CString(text.c_str());
}

void CDimension::DrawArrow(IModelView* view, const CPlane3d& plane, const CPoint3d& tip,
                           const CVector3d& direction)
{
    DrawArrowHead(view, plane, tip, direction, m_arrowType, 0.75 * GetTextHeight(view, tip),
                  GetStyleLineWidth());
}

// ---------------------------------------------------------------------------------------------
// Drawing

namespace {

const CRenderingOptions* FullOptionsOf(IModelView* view)
{
    return view ? dynamic_cast<const CRenderingOptions*>(view->GetRenderingOptions()) : nullptr;
}

bool SameDirection(const orbisk::geometry::CVector3d& a, const orbisk::geometry::CVector3d& b)
{
    return std::abs(a.x - b.x) < orbisk::geometry::kGeomTolerance &&
           std::abs(a.y - b.y) < orbisk::geometry::kGeomTolerance &&
           std::abs(a.z - b.z) < orbisk::geometry::kGeomTolerance;
}

}  // namespace

void CDimension::ReleaseGLResources()
{
    if (m_textCache)
        m_textCache->Clear();
}

bool CDimension::IsVisible(IModelView* view)
{
    if (!CDrawingElement::IsVisible(view))
        return false;
    if (const CRenderingOptions* options = FullOptionsOf(view); options && !options->GetDimensionsShown())
        return false;
    return !view || !IsEdgeOnToView(GetPlane(), GetLocation(), view, orbisk::geometry::kGeomTolerance);
}

CDimension::CColor CDimension::GetColorForView(IModelView* view)
{
    if (IsSelected() || (CRenderingOptions::IsSelectionHighlightEnabled() && IsPathSelected(view)))
        return CDrawingElement::GetColorForView(view);
    CColor color;
    if (const CMaterial* material = GetMaterialForView(view))
        color = material->GetDisplayColor();
    const CDimensionStyle* style = GetStyle();
    if (style && style->GetHighlightFlag() && !IsAssociated())
        color = style->GetHighlightColor();
    if (color == CColor() && style)
        color = style->GetDefaultColor();
    return color;
}

void CDimension::Draw(IModelView* view)
{
    if (!view || !(view->GetFeatures() & 4) || !IsVisible(view) || view->GetDrawingMode() == 1)
        return;
    const CDimensionStyle* style = GetStyle();
    const CViewDefinition* definition = view->GetViewDefinition();
    if (!style || !definition)
        return;
    const IRenderingOptions* options = view->GetRenderingOptions();
    const bool showHidden = options && options->IsHiddenGeometryShown();
    const CVector3d viewDirection(definition->GetCamera().GetDirection());
    CVector3d normal = view->GetTransform().MultiplyPlane(GetPlane()).GetNormal();
    normal.Normalize();

    // Text lying in a plane that is not square to the view is drawn smoothed.
    const bool sharp =
        !m_alignedText || SameDirection(normal, viewDirection) || SameDirection(normal, -viewDirection);
    bool dashed = false;
    if (style->GetHideOutOfPlane() &&
        std::abs(normal.Dot(viewDirection)) < 1.0 - style->GetOutOfPlaneValue()) {
        if (!showHidden)
            return;
        dashed = true;
    }
    if (style->GetHideWhenSmall() && GetScreenSize(view) < style->GetMinimumSize()) {
        if (!showHidden)
            return;
        dashed = true;
    }

    view->ResetDrawState();
    view->SetColor(GetColorForView(view));
    view->SetLighting(false);
    if ((GetFlags() & kHidden) || dashed) {
        view->SetLineStipple(0x3333);
        view->SetLineWidth(1.0);
        dashed = true;
    } else {
        view->SetLineWidth(style->GetLineWidth());
    }
    if (CZpFont* font = GetFont()) {
        m_textCache = font->GetTextCache(m_textCache);
        if (m_textCache)
            m_textCache->SetSmooth(!sharp);
    }
    DrawGeometry(view, !dashed);
    view->EndPrimitive();
    if (dashed)
        view->SetLineStipple(0);
}

void CDimension::DrawGeometry(IModelView*, bool) {}
