#include "settings/BackgroundImage.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "components/TextLayoutMeasure.h"
#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "database/CurrentArchivePath.h"
#include "database/IModelView.h"
#include "image/ImageRep.h"
#include "platform/mfc/Archive.h"
#include "settings/Camera.h"
#include "settings/GLTextCache.h"
#include "settings/RenderingOptions.h"
#include "settings/ViewDefinition.h"
#include "support/ArchiveOperators.h"
#include "support/StringTable.h"
#include "support/StringUtils.h"

IMPLEMENT_SERIAL(CBackgroundImage, CEntity, VERSIONABLE_SCHEMA | 9)

using orbisk::geometry::CPoint3d;
using orbisk::geometry::CTransform3d;

namespace {

constexpr uint32_t kPointBytes = 3 * sizeof(double);

CPoint3d ReadPoint(CArchive& ar)
{
    CPoint3d point;
    orbisk::geometry::operator>>(ar, point);
    return point;
}

std::wstring WithBackslashes(std::wstring text)
{
    for (wchar_t& c : text) {
        if (c == L'/')
            c = L'\\';
    }
    return text;
}

bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix)
{
    return text.size() >= prefix.size() &&
           orbisk::utils::CompareNoCase(text.substr(0, prefix.size()).c_str(), prefix.c_str()) == 0;
}

// The frame transform for a photo of aspect a shifted by dx, dy: a uniform scale in x and y and a
// translation, as a column-major matrix.
CTransform3d FrameTransform(double a, double dx, double dy)
{
    const double s = 1.0 / (2.0 * std::fabs(dy) + 1.0);
    const double tx = (dx < 0.0 ? 2.0 * std::fabs(dx) * s : 0.0) - (2.0 * std::fabs(dx) + a) * s / 2.0;
    const double ty = (dy < 0.0 ? 2.0 * std::fabs(dy) * s : 0.0) - 0.5;
    const double matrix[16] = {s, 0, 0, 0, 0, s, 0, 0, 0, 0, 1, 0, tx, ty, 0, 1};
    return CTransform3d(matrix);
}

// A side of the current frustum against the same side without 2D pan and zoom; 1 when the
// reference side is 0.
double SideRatio(double current, double reference)
{
    return reference == 0.0 ? 1.0 : current / reference;
}

}  // namespace

CBackgroundImage::CBackgroundImage(const CBackgroundImage& other)
    : CEntity(other),
      m_useCount(other.m_useCount),
      m_path(other.m_path),
      m_reserved(other.m_reserved),
      m_shown(other.m_shown),
      m_opacity(other.m_opacity),
      m_points(other.m_points),
      m_offset(other.m_offset),
      m_depth(other.m_depth),
      m_extra(other.m_extra)
{
    // Without a full image the mode makes no thumbnail: the copy shows nothing until it gets one.
    SetMode(other.m_mode);
}

CBackgroundImage::~CBackgroundImage() = default;

void CBackgroundImage::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] {
        CEntity::Serialize(ar);
        if (ar.IsLoading())
            ReadRecord(ar);
    });
}

void CBackgroundImage::ReadRecord(CArchive& ar)
{
    const int32_t v = GetClassVersion(RUNTIME_CLASS(CBackgroundImage));
    if (v > 1) {
        const int32_t information = v >= 5 ? 3 : v == 4 ? 2 : v == 3 ? 1 : 0;
        ReadImageInformation(ar, information);
    } else {
        ar >> m_path;
    }
    ar >> m_shown >> m_opacity;
    const int32_t pointCount = ReadItemCount(ar, kPointBytes);
    m_points.clear();
    m_points.reserve(static_cast<size_t>(pointCount));
    for (int32_t i = 0; i < pointCount; ++i)
        m_points.push_back(ReadPoint(ar));
    if (v > 5)
        m_offset = ReadPoint(ar);
    if (v > 6) {
        ar >> m_depth;
        if (m_depth > 0.0)
            m_depth = -m_depth;
    }
    if (v == 8) {
        ReadValue<int32_t>(ar);
        const int32_t pairCount = ReadItemCount(ar, 2 * kPointBytes);
        for (int32_t i = 0; i < 2 * pairCount; ++i)
            ReadPoint(ar);
    }
    if (v == 0 && ReadValue<bool>(ar)) {
        CDibRef image(new CDib);
        image->Serialize(ar);
        TakeImage(image.Get());
    } else if (v == 1) {
        bool madeHere = false;
        if (CDib* image = ReadReference<CDib>(ar, madeHere))
            TakeImage(image);
    }
    m_extra = v >= 10 ? ReadValue<int32_t>(ar) : 0;
}

void CBackgroundImage::ReadImageInformation(CArchive& ar, int32_t version)
{
    CString stored;
    ar >> stored;
    m_path = ResolveStoredPath(stored, CurrentArchivePath());
    if (version < 3)
        m_mode = ReadValue<bool>(ar) ? kModeEmbedded : kModeLinked;
    else
        ar >> m_mode;
    bool madeHere = false;
    CDib* image = ReadReference<CDib>(ar, madeHere);
    if (m_mode == kModeLinked)
        m_thumbnail.Reset(image);
    else
        m_image.Reset(image);
    if (version > 0)
        ar >> m_width >> m_height >> m_reserved;
    if (version > 1)
        m_fileTime = ReadValue<int32_t>(ar);
}

void CBackgroundImage::TakeImage(CDib* image)
{
    m_image.Reset(image);
    m_width = image->GetWidth();
    m_height = image->GetHeight();
}

void CBackgroundImage::Erase()
{
    m_tiledImage.Release();
    CEntity::Erase();
}

CEntity* CBackgroundImage::CreateCopy() const
{
    return new CBackgroundImage(*this);
}

void CBackgroundImage::SwapContents(CEntity& other)
{
    auto& that = static_cast<CBackgroundImage&>(other);
    CEntity::SwapContents(other);
    std::swap(m_useCount, that.m_useCount);
    std::swap(m_shown, that.m_shown);
    std::swap(m_opacity, that.m_opacity);
    std::swap(m_points, that.m_points);
    std::swap(m_path, that.m_path);
    std::swap(m_offset, that.m_offset);
    std::swap(m_depth, that.m_depth);
    const int32_t mode = m_mode;
    SetMode(that.m_mode);
    that.SetMode(mode);
}

int CBackgroundImage::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CBackgroundImage), map, [&] { return CEntity::CheckValidity(level, map); },
        [&] { return CheckOwnValidity(level, map); });
}

int CBackgroundImage::CheckOwnValidity(int level, CCheckedObjectMap*)
{
    for (CDib* image : {m_image.Get(), m_thumbnail.Get()}) {
        if (!image)
            continue;
        if (!image->IsKindOf(RUNTIME_CLASS(CDib))) {
            AppendValidityMessage("The DIB for %s is not valid\n", DescribeEntity(this).GetString());
            return 3;
        }
        if (!image->IsValid()) {
            AppendValidityMessage("The DIB for %s is not valid\n", DescribeEntity(this).GetString());
            return 2;
        }
    }
    if (m_mode == kModeLinked || (std::isfinite(m_opacity) && m_opacity >= 0.0 && m_opacity <= 1.0))
        return 0;
    AppendValidityMessage("The opacity value for %s is not valid", DescribeEntity(this).GetString());
    if (!ShouldFix(level))
        return 1;
    MarkChanged();
    m_opacity = 1.0;
    return 0;
}

int32_t CBackgroundImage::AddUse()
{
    MarkChanged();
    return ++m_useCount;
}

int32_t CBackgroundImage::ReleaseUse()
{
    MarkChanged();
    if (m_useCount > 0 && --m_useCount == 0) {
        // Without undo recording the erase deletes the photo.
        Erase();
        return 0;
    }
    return m_useCount;
}

void CBackgroundImage::SetImage(CDib* image)
{
    if (image == m_image.Get())
        return;
    m_tiledImage.Release();
    m_image.Reset(image);
    if (!image)
        return;
    m_width = image->GetWidth();
    m_height = image->GetHeight();
}

void CBackgroundImage::SetMode(int32_t mode)
{
    if (mode == -1)
        mode = kModeNotSet;
    if (mode == m_mode)
        return;
    m_mode = mode;
    if (mode != kModeLinked) {
        m_thumbnail.Reset();
        return;
    }
    // MakeScaledCopy gives an image without holders: the reference takes the first hold.
    m_thumbnail.Reset(m_image ? CDib::MakeScaledCopy(kThumbnailSize, m_image.Get()) : nullptr);
}

double CBackgroundImage::ComputeAspect() const
{
    const double a = m_height == 0 ? 1.0 : static_cast<double>(m_width) / m_height;
    const double dx = m_offset.x;
    const double dy = m_offset.y;
    if (dx == 0.0 && dy == 0.0)
        return a;
    return (a + 2.0 * std::fabs(dx)) / (2.0 * std::fabs(dy) + 1.0);
}

CTransform3d CBackgroundImage::ComputeFrameTransform() const
{
    const double a = m_height == 0 ? 1.0 : static_cast<double>(m_width) / m_height;
    return FrameTransform(a, m_offset.x, m_offset.y);
}

CBackgroundImage::Rect CBackgroundImage::ComputePhotoRect(const CViewDefinition& view) const
{
    const double v = view.GetAspect();
    if (v == 0.0)
        return {};
    const double A = ComputeAspect();
    Rect rect =
        A <= v ? Rect{-v / 2.0, v / 2.0, -0.5, 0.5} : Rect{-A / 2.0, A / 2.0, -A / (2.0 * v), A / (2.0 * v)};
    double l = 0, r = 0, b = 0, t = 0;
    double l0 = 0, r0 = 0, b0 = 0, t0 = 0;
    view.GetFrustum(l, r, b, t);
    view.GetFrustumAtNear(l0, r0, b0, t0, false);
    rect.left *= SideRatio(l, l0);
    rect.right *= SideRatio(r, r0);
    rect.bottom *= SideRatio(b, b0);
    rect.top *= SideRatio(t, t0);
    return rect;
}

CBackgroundImage::PanZoom CBackgroundImage::ComputeMatchedPanZoom(double e) const
{
    if (!(e > 0.0))
        return {};
    const double a = m_height == 0 ? 1.0 : static_cast<double>(m_width) / m_height;
    const double A = ComputeAspect();
    const CTransform3d frame = ComputeFrameTransform();
    const CPoint3d q = frame.MultiplyPoint(CPoint3d(0, 0, 0));
    const CPoint3d p = frame.MultiplyPoint(CPoint3d(a, 1, 0));
    const CPoint3d c = frame.MultiplyPoint(CPoint3d(a / 2.0, 0.5, 0));
    if (A <= e) {
        const double scale = a <= e ? p.y - q.y : (p.x - q.x) / e;
        return {scale, 2.0 * c.x / e, 2.0 * c.y};
    }
    const double scale = a <= e ? e * (p.y - q.y) / A : (p.x - q.x) / A;
    return {scale, 2.0 * c.x / A, 2.0 * e * c.y / A};
}

void CBackgroundImage::ApplyAspectToCamera(CCamera& camera) const
{
    camera.Set2DPanZoom(true, camera.Get2DScale(), camera.Get2DOffsetX(), camera.Get2DOffsetY());
    camera.SetImageAspect(ComputeAspect());
}

void CBackgroundImage::EnsureTiledImage()
{
    if (m_tiledImage.IsLoaded())
        return;
    CDib* source = GetDisplayImage();
    if (!source || !source->HasData())
        return;
    const orbisk::imageutils::ImageRep* image = source->GetImageRep();
    if (!image || !image->IsValid() || !image->GetPixels())
        return;
    m_tiledImage.LoadColour(image->GetWidth(), image->GetHeight(), image->GetPixels(),
                            image->GetBytesPerPixel() * 8, true, 255, false);
}

void CBackgroundImage::ReleaseGLResources()
{
    m_tiledImage.Release();
}

void CBackgroundImage::Draw(IModelView* view, bool drawImage, bool drawText, bool inFront)
{
    if (!view)
        return;
    const auto* options = dynamic_cast<const CRenderingOptions*>(view->GetRenderingOptions());
    const CViewDefinition* definition = view->GetViewDefinition();
    if (!options || !definition)
        return;
    if (drawImage && !(inFront ? options->GetPhotoInFrontShown() : options->GetPhotoBehindShown()))
        return;
    if (options->GetFogShown())
        return;
    view->EndPrimitive();
    EnsureTiledImage();

    int width = m_width;
    int height = m_height;
    if (!m_image && m_thumbnail) {
        width = m_thumbnail->GetWidth();
        height = m_thumbnail->GetHeight();
    }
    if (width <= 0 || height <= 0)
        return;
    const double a = static_cast<double>(width) / height;
    const double dx = m_offset.x;
    const double dy = m_offset.y;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    if (dx != 0.0 || dy != 0.0) {
        const CTransform3d frame = FrameTransform(a, dx, dy);
        const CPoint3d low = frame.MultiplyPoint(CPoint3d(0, 0, 0));
        const CPoint3d high = frame.MultiplyPoint(CPoint3d(a, 1, 0));
        x0 = low.x;
        y0 = low.y;
        x1 = high.x;
        y1 = high.y;
    } else {
        x0 = -a / 2.0;
        y0 = -0.5;
        x1 = a / 2.0;
        y1 = 0.5;
    }
    const Rect rect = ComputePhotoRect(*definition);
    if (!(rect.right > rect.left && rect.top > rect.bottom))
        return;

    const GLboolean blendWasOn = glIsEnabled(GL_BLEND);
    const GLboolean depthWasOn = glIsEnabled(GL_DEPTH_TEST);
    GLboolean depthWrites = GL_TRUE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    GLint blendSource = GL_ONE;
    GLint blendDestination = GL_ZERO;
    glGetIntegerv(GL_BLEND_SRC, &blendSource);
    glGetIntegerv(GL_BLEND_DST, &blendDestination);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(rect.left, rect.right, rect.bottom, rect.top, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    view->SetLighting(false);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glNormal3d(0.0, 0.0, 1.0);

    if (drawImage)
        DrawImageAndVeil(view, x0, y0, x1, y1, width, height, inFront);
    if (drawText && !m_image)
        DrawPlaceholderText(view);

    view->EndPrimitive();
    if (depthWasOn)
        glEnable(GL_DEPTH_TEST);
    glDepthMask(depthWrites);
    glBlendFunc(static_cast<GLenum>(blendSource), static_cast<GLenum>(blendDestination));
    if (!blendWasOn)
        glDisable(GL_BLEND);
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

void CBackgroundImage::DrawImageAndVeil(IModelView* view, double x0, double y0, double x1, double y1,
                                        int width, int height, bool inFront)
{
    // Image pixels onto the rectangle, pixel row 0 (the top row) at y1.
    glPushMatrix();
    glTranslated(x0, y0, 0.0);
    glScaled((x1 - x0) / width, (y1 - y0) / height, 1.0);
    glTranslated(0.0, height, 0.0);
    glScaled(1.0, -1.0, 1.0);
    if (m_tiledImage.IsLoaded())
        m_tiledImage.DrawAlphaTwoPass();

    const auto* options = static_cast<const CRenderingOptions*>(view->GetRenderingOptions());
    const double opacity = std::clamp(
        inFront ? options->GetPhotoInFrontOpacity() : options->GetPhotoBehindOpacity(), 5.0 / 255.0, 1.0);
    orbisk::utils::CColor veil = options->GetBackgroundColor();
    veil.SetAlphaUnit(1.0 - opacity);
    // A veil of alpha 0 shows nothing; on a black background it would also be the unset colour,
    // which the view does not send, so the quad would take whatever colour came before.
    if (veil.alpha != 0) {
        view->SetColor(veil);
        view->BeginPrimitive(GL_QUADS);
        glVertex2d(0.0, 0.0);
        glVertex2d(width, 0.0);
        glVertex2d(width, height);
        glVertex2d(0.0, height);
        view->EndPrimitive();
    }
    glPopMatrix();

    view->SetColorRGBA(1.0, 0.0, 0.0, 0.5);
    view->SetLineWidth(2.0);
    view->BeginPrimitive(GL_LINE_LOOP);
    glVertex2d(x0, y0);
    glVertex2d(x1, y0);
    glVertex2d(x1, y1);
    glVertex2d(x0, y1);
    view->EndPrimitive();
    view->SetLineWidth(1.0);
}

void CBackgroundImage::DrawPlaceholderText(IModelView* view)
{
    const CString text = orbisk::utils::TranslateString("Original Image Not Found\n");
    const CString face(L"Tahoma");
    CTextMeasure measure;
    if (!MeasureText(text.GetString(), 1, face, false, false, 10, measure) || measure.width <= 0)
        return;
    int viewportWidth = 0;
    int viewportHeight = 0;
    view->GetViewportSize(viewportWidth, viewportHeight);
    const int size = ComputePlaceholderTextSize(viewportWidth, measure.width);
    if (size <= 0 || viewportHeight <= 0)
        return;
    const double ratio = (viewportWidth / 2.0) / measure.width;
    CGLTiledTextImageCache cache;
    cache.SetText(text, 1, face, false, false, size);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-viewportWidth / 2.0, viewportWidth / 2.0, -viewportHeight / 2.0, viewportHeight / 2.0, -1.0,
            1.0);
    glTranslated(-measure.width * ratio / 2.0, 0.0, 0.0);
    glMatrixMode(GL_MODELVIEW);
    view->SetColorRGBA(1.0, 0.0, 0.0, 0.0);
    cache.GetImage().DrawAlphaTwoPass();
    cache.Clear();
}

int CBackgroundImage::ComputePlaceholderTextSize(int viewportWidth, double widthAtSize10)
{
    if (!(widthAtSize10 > 0.0) || viewportWidth <= 0)
        return 0;
    const double ratio = (viewportWidth / 2.0) / widthAtSize10;
    const double size = ratio * 10.0 + 0.5;
    return size >= 2147483647.0 ? 0 : static_cast<int>(size);
}

CString CBackgroundImage::GetFolderOf(const CString& path)
{
    const std::wstring text = WithBackslashes(path.GetString());
    const size_t separator = text.rfind(L'\\');
    if (separator != std::wstring::npos)
        return CString(std::wstring_view(text).substr(0, separator + 1));
    // A drive without a directory ("D:model.zph").
    if (text.size() >= 2 && text[1] == L':')
        return CString(std::wstring_view(text).substr(0, 2)) + L"\\";
    return CString();
}

CString CBackgroundImage::MakeStoredPath(const CString& path, const CString& modelPath)
{
    if (modelPath.IsEmpty())
        return path;
    const std::wstring folder = GetFolderOf(modelPath).GetString();
    const std::wstring text = WithBackslashes(path.GetString());
    if (folder.empty() || !StartsWithNoCase(text, folder))
        return path;
    return CString(L".\\") + CString(std::wstring_view(text).substr(folder.size()));
}

CString CBackgroundImage::ResolveStoredPath(const CString& stored, const CString& modelPath)
{
    if (modelPath.IsEmpty())
        return stored;
    const std::wstring text = WithBackslashes(stored.GetString());
    if (!StartsWithNoCase(text, L".\\"))
        return CString(std::wstring_view(text));
    return GetFolderOf(modelPath) + CString(std::wstring_view(text).substr(2));
}
