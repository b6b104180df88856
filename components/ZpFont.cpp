#include "components/ZpFont.h"

#include <GL/gl.h>

#include <cmath>
#include <memory>
#include <utility>

#include "components/TextLayoutMeasure.h"
#include "database/ArchiveSchema.h"
#include "database/FontManager.h"
#include "database/IModelView.h"
#include "database/IPickHelper.h"
#include "geometry/Plane3d.h"
#include "geometry/Ray3d.h"
#include "geometry/Transform3d.h"
#include "geometry/UnitVector3d.h"
#include "platform/mfc/Archive.h"
#include "settings/Camera.h"
#include "settings/GLTextCache.h"
#include "settings/ViewDefinition.h"
#include "support/StringUtils.h"
#include "support/SystemQueries.h"

IMPLEMENT_SERIAL(CZpFont, CEntity, VERSIONABLE_SCHEMA | 1)

using orbisk::geometry::CBoundingBox2d;
using orbisk::geometry::CBoundingBox3d;
using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;
using orbisk::utils::CColor;

namespace {

constexpr int32_t kMinPointSize = 1;
constexpr int32_t kMaxPointSize = 1000;

bool SameFace(const CString& a, const CString& b)
{
    return orbisk::utils::CompareNoCase(a.GetString(), b.GetString()) == 0;
}

// The transformation with the axes as columns, placed at the origin.
CTransform3d Frame(const CVector3d& x, const CVector3d& y, const CVector3d& z, const CPoint3d& origin)
{
    const double matrix[9] = {x.x, y.x, z.x, x.y, y.y, z.y, x.z, y.z, z.z};
    CTransform3d frame;
    frame.Set(matrix, origin - CPoint3d(), 1.0);
    return frame;
}

// Whether the ray passes through the parallelogram from the corner along w and h.
bool RayThroughBox(const CRay3d& ray, const CPoint3d& corner, const CVector3d& w, const CVector3d& h)
{
    const CUnitVector3d normal(w.Cross(h));
    if (!normal.IsNonZero())
        return false;
    CPoint3d hit;
    if (!ray.Intersect(CPlane3d(corner, normal), hit))
        return false;
    const CVector3d d = hit - corner;
    const double ww = w.Dot(w), wh = w.Dot(h), hh = h.Dot(h);
    const double determinant = ww * hh - wh * wh;
    if (std::abs(determinant) < 1e-20)
        return false;
    const double a = (d.Dot(w) * hh - d.Dot(h) * wh) / determinant;
    const double b = (d.Dot(h) * ww - d.Dot(w) * wh) / determinant;
    return a >= 0.0 && a <= 1.0 && b >= 0.0 && b <= 1.0;
}

}  // namespace

CZpFont::CZpFont(const CFontDescription& description)
    : m_faceName(description.faceName),
      m_italic(description.style1),
      m_bold(description.style2),
      m_pointSize(description.type),
      m_modelSize(description.extra),
      m_modelHeight(description.pointSize),
      m_glCache(description.textCache)
{}

CZpFont::CZpFont(const CZpFont& other)
    : CEntity(other),
      m_faceName(other.m_faceName),
      m_italic(other.m_italic),
      m_bold(other.m_bold),
      m_pointSize(other.m_pointSize),
      m_modelSize(other.m_modelSize),
      m_modelHeight(other.m_modelHeight),
      m_referenceCount(other.m_referenceCount)
{}

void CZpFont::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] {
        CEntity::Serialize(ar);
        if (ar.IsLoading())
            ReadRecord(ar);
        else
            WriteRecord(ar);
    });
}

void CZpFont::ReadRecord(CArchive& ar)
{
    const int32_t schema = GetClassVersion(RUNTIME_CLASS(CZpFont));
    ar >> m_faceName >> m_italic >> m_bold >> m_pointSize;
    m_modelSize = 0;
    m_modelHeight = 10.0;
    if (schema >= 1)
        ar >> m_modelSize >> m_modelHeight;
    // Metrics are whole pixels from the point size: a size no font has (a damaged record) gets
    // the size the validity check repairs it to.
    if (m_pointSize < kMinPointSize || m_pointSize > kMaxPointSize)
        m_pointSize = 10;
    if (!std::isfinite(m_modelHeight))
        m_modelHeight = 10.0;
    m_metricsComputed = 0;
}

void CZpFont::WriteRecord(CArchive& ar) const
{
    ar << m_faceName << m_italic << m_bold << m_pointSize;
    if (GetSaveFormat() >= 6000)
        ar << m_modelSize << m_modelHeight;
}

void CZpFont::Erase()
{
    MarkChanged();
    CEntity::Erase();
}

CEntity* CZpFont::CreateCopy() const
{
    return new CZpFont(*this);
}

void CZpFont::SwapContents(CEntity& other)
{
    auto& that = static_cast<CZpFont&>(other);
    CEntity::SwapContents(other);
    std::swap(m_faceName, that.m_faceName);
    std::swap(m_italic, that.m_italic);
    std::swap(m_bold, that.m_bold);
    std::swap(m_pointSize, that.m_pointSize);
    std::swap(m_modelSize, that.m_modelSize);
    std::swap(m_modelHeight, that.m_modelHeight);
    std::swap(m_referenceCount, that.m_referenceCount);
    m_metricsComputed = 0;
    that.m_metricsComputed = 0;
}

void CZpFont::AddRef()
{
    MarkChanged();
    ++m_referenceCount;
}

void CZpFont::Release()
{
    MarkChanged();
    if (--m_referenceCount != 0)
        return;
    if (auto* manager = dynamic_cast<CFontManager*>(GetParent())) {
        manager->RemoveFont(this);
        Erase();
    }
}

void CZpFont::SetReferenceCount(int32_t count)
{
    MarkChanged();
    m_referenceCount = count;
}

CFontDescription CZpFont::GetDescription() const
{
    return {m_faceName, m_italic, m_bold, m_pointSize, m_modelSize, m_modelHeight, m_glCache};
}

void CZpFont::SetFont(const CString& face, bool italic, bool bold, int32_t pointSize, bool modelSize,
                      double modelHeight)
{
    MarkChanged();
    const bool same = SameFace(face, m_faceName) && (m_italic != 0) == italic && (m_bold != 0) == bold &&
                      m_pointSize == pointSize && (m_modelSize != 0) == modelSize &&
                      m_modelHeight == modelHeight;
    if (same)
        return;
    MarkChanged();
    m_metricsComputed = 0;
    m_faceName = face;
    m_italic = italic ? 1 : 0;
    m_bold = bold ? 1 : 0;
    m_pointSize = pointSize;
    m_modelSize = modelSize ? 1 : 0;
    m_modelHeight = modelHeight;
}

void CZpFont::UpdateMetrics()
{
    if (m_metricsComputed)
        return;
    m_lineMetric = static_cast<int32_t>(m_pointSize * 1.3333);
    m_metricsComputed = 1;
}

int CZpFont::GetPixelHeight(IModelView* view, const CPoint3d& point) const
{
    double points = m_pointSize;
    if (m_modelSize) {
        const double pixel = view ? view->PixelsToModel(1, point) : 0.0;
        const int dpi = orbisk::utils::GetScreenDpi();
        // A view that cannot tell the size of a pixel there cannot size the text either.
        if (!(pixel > 0.0) || dpi <= 0)
            return 0;
        points = m_modelHeight / pixel * 72.0 / dpi;
    }
    const double scale = view ? view->GetPixelSizeScale() : 1.0;
    const double height = scale * points + 0.5;
    if (!std::isfinite(height) || std::abs(height) > 1e6)
        return 0;
    return static_cast<int>(height);
}

double CZpFont::GetModelHeight(IModelView* view, const CPoint3d& point) const
{
    if (m_modelSize)
        return m_modelHeight;
    if (!view)
        return 0.0;
    const int pixels =
        static_cast<int>(static_cast<long long>(m_pointSize) * orbisk::utils::GetScreenDpi() / 72);
    return view->PixelsToModel(pixels, point);
}

CBoundingBox2d CZpFont::GetTextExtents(IModelView* view, const CString& text, const CPoint3d& point) const
{
    CBoundingBox2d box;
    const int height = GetPixelHeight(view, point);
    CTextMeasure measure;
    if (height > 0 &&
        MeasureText(text.GetString(), 0, m_faceName, m_bold != 0, m_italic != 0, height, measure)) {
        box.Add({0.0, 0.0});
        box.Add({static_cast<double>(measure.width), static_cast<double>(measure.height)});
    }
    return box;
}

CBoundingBox2d CZpFont::GetLinesExtents(IModelView* view, const std::vector<CString>& lines,
                                        const CPoint3d& point) const
{
    return GetTextExtents(view, JoinLines(lines), point);
}

CBoundingBox3d CZpFont::GetTextBounds(IModelView* view, const std::vector<CString>& lines,
                                      const CPoint3d& point, int alignment)
{
    CBoundingBox3d box;
    const CViewDefinition* definition = view ? view->GetViewDefinition() : nullptr;
    if (!definition)
        return box;
    const CBoundingBox2d extents = GetLinesExtents(view, lines, point);
    const double width = extents.IsEmpty() ? 0.0 : extents.x.max;
    const double height = extents.IsEmpty() ? 0.0 : extents.y.max;
    const double pixel = view->PixelsToModel(1, point);
    const CVector3d w = CVector3d(definition->GetRight()) * (pixel * width);
    const CVector3d h = CVector3d(definition->GetUp()) * (pixel * height);
    const CPoint3d corner = point + GetAlignmentOffset(w, h, alignment, static_cast<int>(lines.size()));
    box.Add(corner);
    box.Add(corner + w);
    box.Add(corner + w + h);
    box.Add(corner + h);
    return box;
}

CVector3d CZpFont::GetAlignmentOffset(const CVector3d& width, const CVector3d& height, int alignment,
                                      int lineCount) const
{
    CVector3d offset;
    switch (alignment) {
        case 1:
        case 4:
        case 7: offset = offset - width * 0.5; break;
        case 2:
        case 5:
        case 8:
        case 10: offset = offset - width; break;
        default: break;
    }
    switch (alignment) {
        case 3:
        case 4:
        case 5: offset = offset - height * 0.5; break;
        case 6:
        case 7:
        case 8: offset = offset - height; break;
        case 9:
        case 10:
            if (lineCount <= 1) {
                offset = offset - height * 0.5;
            } else {
                // The middle of the first line, from the top of the box.
                const double firstLine = m_lineMetric != 0 ? 0.5 : 0.0;
                offset = offset - height * (1.0 - firstLine / lineCount);
            }
            break;
        default: break;
    }
    return offset;
}

IGLTextCache* CreateTextCache(int renderType)
{
    switch (renderType) {
        case CZpFont::kRenderImage:
        case CZpFont::kRenderOutline:
        case CZpFont::kRenderFilledOutline: return new CGLTiledTextImageCache();
        default: return nullptr;
    }
}

IGLTextCache* CZpFont::GetTextCache(IGLTextCache* cache) const
{
    // Every kind this program draws is an image cache (kind 0); a cache of another kind, or one
    // for an unknown render type, is replaced.
    const bool known = m_renderType >= kRenderImage && m_renderType <= kRenderFilledOutline;
    if (cache && known && cache->GetKind() == 0)
        return cache;
    delete cache;
    return CreateTextCache(m_renderType);
}

void CZpFont::UpdateTextCache(const CString& text, int justification, IModelView* view, const CPoint3d& point,
                              IGLTextCache& cache) const
{
    cache.SetText(text, justification, m_faceName, m_bold != 0, m_italic != 0, GetPixelHeight(view, point));
}

bool BringTextInFront(IModelView* view, const CPlane3d& plane, const CVector3d& wm, const CVector3d& hm,
                      CPoint3d& origin)
{
    const CViewDefinition* definition =
        view ? static_cast<const IModelView*>(view)->GetViewDefinition() : nullptr;
    if (!definition)
        return false;
    const CCamera& camera = definition->GetCamera();
    const CPoint3d eye = camera.GetEye();
    const CVector3d side = wm.Cross(hm);
    CVector3d normal = plane.GetNormal();
    if (plane.SignedDistance(eye) < 0.0)
        normal = -normal;
    // Within the box's plane, the direction that leads behind the plane.
    const CVector3d behind = normal.Cross(side).Cross(side);
    CPoint3d corner = origin;
    if (behind.Dot(wm) >= 0.0)
        corner = corner + wm;
    if (behind.Dot(hm) >= 0.0)
        corner = corner + hm;
    const bool perspective = camera.IsPerspective();
    CUnitVector3d direction = perspective ? CUnitVector3d(corner, eye) : CUnitVector3d(side);
    if (!direction.IsNonZero())
        return false;
    double t = 0.0;
    if (!CRay3d(corner, direction).IntersectParameter(plane, t))
        return false;
    if (t <= 0.0)
        return true;
    // Never past the plane just beyond the near plane.
    const CUnitVector3d viewDirection = camera.GetDirection();
    const double nearest = definition->GetNear() + 0.01 * (definition->GetFar() - definition->GetNear());
    const CPlane3d nearPlane(eye + CVector3d(viewDirection) * nearest, viewDirection);
    double limit = 0.0;
    if (CRay3d(corner, direction).IntersectParameter(nearPlane, limit) && limit > 0.0 && limit < t)
        t = limit;
    const CUnitVector3d move = perspective ? CUnitVector3d(origin, eye) : direction;
    origin = origin + CVector3d(move) * t;
    return true;
}

bool CZpFont::SetupTextTransform(IModelView* view, IDrawingBase* sink, const CPoint3d& anchor,
                                 const CString& text, int alignment, bool screenFacing, const CPlane3d* plane,
                                 bool keepReadable, int width, int height, CVector3d& w, CVector3d& h)
{
    const CViewDefinition* definition =
        view ? static_cast<const IModelView*>(view)->GetViewDefinition() : nullptr;
    if (!definition || !sink)
        return false;
    std::vector<CString> lines;
    const int lineCount = SplitLines(text, lines);
    w = CVector3d(width, 0.0, 0.0);
    h = CVector3d(0.0, height, 0.0);
    const CVector3d offset = GetAlignmentOffset(w, h, alignment, lineCount);
    const double scale = view->GetPixelSizeScale();
    double xScale = scale > 0.0 ? 1.0 / scale : 1.0;
    double yScale = xScale;
    if (keepReadable && !screenFacing)
        FlipTextToReadable(view, anchor, xScale, yScale);
    const CTransform3d transform = sink->GetTransform();
    const CPoint3d origin = transform.MultiplyPoint(anchor);
    CVector3d x = CVector3d(transform.GetXAxis());
    CVector3d y = CVector3d(transform.GetYAxis());
    CVector3d z = CVector3d(transform.GetZAxis());
    sink->PushTransform(sink->GetInverseTransform(), true);
    if (screenFacing) {
        x = CVector3d(definition->GetRight());
        y = CVector3d(definition->GetUp());
        z = x.Cross(y);
    }
    const double pixel = view->PixelsToModel(1, origin);
    CTransform3d translation;
    translation.SetTranslation(offset);
    CTransform3d placed =
        Frame(x, y, z, origin) * CTransform3d(pixel * xScale, pixel * yScale, 1.0) * translation;
    if (screenFacing && plane) {
        CPoint3d boxOrigin = placed.MultiplyPoint(CPoint3d());
        if (!BringTextInFront(view, transform.MultiplyPlane(*plane), placed.MultiplyVector(w),
                              placed.MultiplyVector(h), boxOrigin)) {
            sink->PopTransform(true);
            return false;
        }
        const double movedPixel = view->PixelsToModel(1, boxOrigin);
        placed = Frame(x, y, z, boxOrigin) * CTransform3d(movedPixel * xScale, movedPixel * yScale, 1.0);
    }
    sink->PushTransform(placed, true);
    return true;
}

void CZpFont::DrawText(IModelView* view, const CPoint3d& anchor, const CString& text, int alignment,
                       int justification, const CColor* color, bool outline, bool drawText, bool screenFacing,
                       const CPlane3d* plane, bool keepReadable, IGLTextCache* cache)
{
    if (!view)
        return;
    UpdateMetrics();
    std::unique_ptr<CGLTextImageCache> temporary;
    if (!cache) {
        temporary = std::make_unique<CGLTextImageCache>();
        cache = temporary.get();
    }
    UpdateTextCache(text, justification, view, anchor, *cache);
    CVector3d w;
    CVector3d h;
    if (!SetupTextTransform(view, view, anchor, text, alignment, screenFacing, plane, keepReadable,
                            cache->GetWidth(), cache->GetHeight(), w, h))
        return;
    if (outline) {
        view->BeginPrimitive(GL_LINE_LOOP);
        view->Vertex(0.0, 0.0, 0.0);
        view->Vertex(w.x, w.y, w.z);
        view->Vertex(w.x + h.x, w.y + h.y, w.z + h.z);
        view->Vertex(h.x, h.y, h.z);
        view->EndPrimitive();
    }
    if (drawText) {
        if (color)
            view->SetColor(*color);
        view->PushPolygonOffset(true, -2.5f, -2.5f);
        view->EndPrimitive();
        cache->Draw();
        view->PopPolygonOffset();
    }
    view->PopTransform(true);
    view->PopTransform(true);
}

int CZpFont::PickText(IPickHelper* picker, CDrawingElement* /*element*/, const CPoint3d& anchor,
                      const CString& text, int alignment, int /*justification*/, bool screenFacing,
                      bool keepReadable, bool extraPop)
{
    UpdateMetrics();
    IModelView* view = picker ? picker->GetView() : nullptr;
    if (!view)
        return 0;
    CTextMeasure measure;
    MeasureText(text.GetString(), 0, m_faceName, m_bold != 0, m_italic != 0, GetPixelHeight(view, anchor),
                measure);
    CVector3d w;
    CVector3d h;
    if (!SetupTextTransform(view, picker, anchor, text, alignment, screenFacing, nullptr, keepReadable,
                            measure.width, measure.height, w, h))
        return 0;
    const CTransform3d placed = picker->GetTransform();
    CPoint3d corners[4] = {CPoint3d(), CPoint3d() + w, CPoint3d() + w + h, CPoint3d() + h};
    for (CPoint3d& corner : corners)
        corner = placed.MultiplyPoint(corner);
    picker->PopTransform(true);
    picker->PopTransform(true);
    if (extraPop)
        picker->PopTransform(true);
    // Back into the caller's coordinates.
    const CTransform3d back = picker->GetInverseTransform();
    for (CPoint3d& corner : corners)
        corner = back.MultiplyPoint(corner);
    switch (picker->GetPickMode()) {
        case IPickHelper::kWindowPick:
            for (const CPoint3d& corner : corners) {
                if (picker->PickPoint(corner) != 1)
                    return 0;
            }
            return 1;
        case IPickHelper::kCrossingPick:
            for (int i = 0; i < 4; ++i) {
                if (picker->PickSegment(corners[i], corners[(i + 1) % 4]) & 1)
                    return 1;
            }
            break;
        default: break;
    }
    return RayThroughBox(picker->GetLocalRay(), corners[0], corners[1] - corners[0], corners[3] - corners[0])
               ? 1
               : 0;
}

void FlipTextToReadable(IModelView* view, const CPoint3d& point, double& xScale, double& yScale)
{
    CPoint3d origin;
    CPoint3d alongX;
    CPoint3d alongY;
    if (!view || !view->ModelToScreen(point, origin) ||
        !view->ModelToScreen(point + CVector3d(1, 0, 0), alongX) ||
        !view->ModelToScreen(point + CVector3d(0, 1, 0), alongY))
        return;
    // Window directions; window y grows downwards.
    const CUnitVector3d a(alongX.x - origin.x, alongX.y - origin.y, 0.0);
    const CUnitVector3d b(alongY.x - origin.x, alongY.y - origin.y, 0.0);
    if (a.x * b.y - a.y * b.x > 0.0)
        yScale = -yScale;
    const bool flip = std::abs(a.x) < 0.1 ? a.y > 0.0 : a.x < 0.0;
    if (flip) {
        xScale = -xScale;
        yScale = -yScale;
    }
}

int CZpFont::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CZpFont), map, [&] { return CEntity::CheckValidity(level, map); },
        [&] { return CheckFields(level); });
}

int CZpFont::CheckFields(int level)
{
    int result = 0;
    const CString name = DescribeEntity(this);
    if (level != kValidityCheckIgnoringIds) {
        if (m_faceName.IsEmpty()) {
            AppendValidityMessage("The font face for %s is not valid", name.GetString());
            if (ShouldFix(level)) {
                MarkChanged();
                m_faceName = L"Tahoma";
                m_metricsComputed = 0;
            } else {
                result = 1;
            }
        }
        if (m_pointSize < kMinPointSize || m_pointSize > kMaxPointSize) {
            AppendValidityMessage("The point size for %s is not valid", name.GetString());
            if (ShouldFix(level)) {
                MarkChanged();
                m_pointSize = 10;
                m_metricsComputed = 0;
            } else {
                result = 1;
            }
        }
    }
    if (m_referenceCount < 0) {
        AppendValidityMessage("The reference count for %s is not valid\n", name.GetString());
        return 2;
    }
    return result;
}

int SplitLines(const CString& text, std::vector<CString>& lines)
{
    std::wstring normal;
    const std::wstring_view source(text.GetString(), static_cast<size_t>(text.GetLength()));
    for (size_t i = 0; i < source.size(); ++i) {
        if (source[i] == L'\\' && i + 1 < source.size() && source[i + 1] == L'n') {
            normal += L'\n';
            ++i;
        } else {
            normal += source[i];
        }
    }
    int count = 0;
    std::wstring_view rest(normal);
    for (;;) {
        const size_t end = rest.find(L'\n');
        lines.emplace_back(rest.substr(0, end));
        ++count;
        if (end == std::wstring_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    return count;
}

CString JoinLines(const std::vector<CString>& lines)
{
    CString joined;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            joined += L'\n';
        joined += lines[i];
    }
    return joined;
}
