#include "settings/Watermark.h"

#include <GL/gl.h>

#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "database/CurrentModel.h"
#include "database/IModelContext.h"
#include "database/IModelView.h"
#include "database/IRenderingOptions.h"
#include "database/TextureSizeLimit.h"
#include "database/UndoManager.h"
#include "image/ImageRep.h"
#include "settings/RenderingOptions.h"
#include "settings/ViewDefinition.h"
#include "settings/WatermarkManager.h"
#include "support/StringUtils.h"

IMPLEMENT_SERIAL(CWatermark, CEntity, VERSIONABLE_SCHEMA | 1)

namespace {

bool SameTextIgnoringCase(const std::wstring& a, const std::wstring& b)
{
    return orbisk::utils::CompareNoCase(a, b) == 0;
}

bool SameImageContent(CDib* a, CDib* b)
{
    if (!a || !b)
        return false;
    return a == b || a->Equals(b);
}

}  // namespace

CWatermark::CWatermark() = default;

CWatermark::~CWatermark()
{
    DropTexture();
}

uint32_t CWatermark::ReleaseUse()
{
    if (m_useCount > 0)
        --m_useCount;
    if (m_useCount == 0) {
        // An open operation keeps the erased watermark for undo; without one nothing else
        // would ever free it.
        CSuspendUndo suspend(GetUndoOperation() == nullptr);
        Erase();
        return 0;
    }
    return m_useCount;
}

void CWatermark::GetInfo(std::wstring& fileName, bool& found, int32_t& time) const
{
    fileName = m_infoFileName;
    found = m_infoFound;
    time = m_infoTime;
}

void CWatermark::SetName(const std::wstring& name)
{
    if (SameTextIgnoringCase(name, m_name))
        return;
    MarkChanged();
    m_name = name;
    PostWatermarkNotification(CWatermarkNotification::kNameChanged, this);
}

void CWatermark::SetInfoFileName(const std::wstring& fileName)
{
    MarkChanged();
    m_infoFileName = fileName;
}

void CWatermark::SetInfo(const std::wstring& fileName, bool found, int32_t time)
{
    m_infoFileName = fileName;
    m_infoFound = found;
    m_infoTime = time;
}

void CWatermark::SetTiled(bool tiled)
{
    if (tiled == m_tiled)
        return;
    MarkChanged();
    m_tiled = tiled;
    m_stretched = false;
}

void CWatermark::SetStretched(bool stretched)
{
    if (stretched == m_stretched)
        return;
    MarkChanged();
    m_stretched = stretched;
    m_tiled = false;
}

void CWatermark::SetMaintainAR(bool maintain)
{
    if (maintain == m_maintainAR)
        return;
    MarkChanged();
    m_maintainAR = maintain;
}

void CWatermark::SetBackground(bool background)
{
    if (background == m_background)
        return;
    MarkChanged();
    m_background = background;
    PostWatermarkNotification(CWatermarkNotification::kBackgroundChanged, this);
}

void CWatermark::SetScale(double scale)
{
    if (scale == m_scale)
        return;
    MarkChanged();
    m_scale = scale;
}

void CWatermark::SetAlphaScale(double alphaScale)
{
    if (alphaScale == m_alphaScale)
        return;
    MarkChanged();
    m_alphaScale = alphaScale;
    DropTexture();
}

void CWatermark::SetIntensForAlpha(bool intensForAlpha)
{
    if (intensForAlpha == m_intensForAlpha)
        return;
    MarkChanged();
    m_intensForAlpha = intensForAlpha;
    DropTexture();
}

void CWatermark::SetImage(CDib* image)
{
    if (image == m_image.Get())
        return;
    MarkChanged();
    m_image.Reset(image);
    DropDecodedImage();
    DropTexture();
    PostWatermarkNotification(CWatermarkNotification::kImageChanged, this);
}

bool CWatermark::IsEqual(const CWatermark& other) const
{
    if (!SameImageContent(m_image.Get(), other.m_image.Get()))
        return false;
    if (!SameTextIgnoringCase(m_infoFileName, other.m_infoFileName))
        return false;
    if (m_tiled != other.m_tiled || m_stretched != other.m_stretched)
        return false;
    if (!m_tiled && !m_stretched && m_position != other.m_position)
        return false;
    return m_maintainAR == other.m_maintainAR && m_intensForAlpha == other.m_intensForAlpha &&
           m_alphaScale == other.m_alphaScale && m_scale == other.m_scale &&
           SameTextIgnoringCase(m_name, other.m_name);
}

bool CWatermark::HasSameSettings(const CWatermark& other) const
{
    return SameTextIgnoringCase(m_infoFileName, other.m_infoFileName) && m_position == other.m_position &&
           m_image.Get() == other.m_image.Get() && m_tiled == other.m_tiled &&
           m_stretched == other.m_stretched && m_maintainAR == other.m_maintainAR &&
           m_background == other.m_background && m_intensForAlpha == other.m_intensForAlpha &&
           m_alphaScale == other.m_alphaScale && m_scale == other.m_scale &&
           SameTextIgnoringCase(m_name, other.m_name);
}

CWatermarkQuad CWatermark::Layout(const CWatermarkFrame& frame, int iw, int ih, bool backgroundPass) const
{
    CWatermarkQuad quad;
    quad.z = backgroundPass ? 0.0 : -0.9999;
    double x0 = frame.x0, x1 = frame.x1, y0 = frame.y0, y1 = frame.y1;
    if (m_tiled) {
        const double pixel = frame.pixelSizeScale * m_scale;
        quad = {x0,    x1, y0, y1, frame.viewportWidth / (iw * pixel), frame.viewportHeight / (ih * pixel),
                quad.z};
        return quad;
    }
    if (m_stretched) {
        if (m_maintainAR) {
            const double viewAspect = (x1 - x0) / (y1 - y0);
            const double imageAspect = static_cast<double>(iw) / ih;
            if (viewAspect >= imageAspect) {
                const double margin = (1 - imageAspect / viewAspect) * (x1 - x0) * 0.5;
                x0 += margin;
                x1 -= margin;
            } else {
                const double margin = (1 - viewAspect / imageAspect) * (y1 - y0) * 0.5;
                y0 += margin;
                y1 -= margin;
            }
        }
        quad = {x0, x1, y0, y1, 1, 1, quad.z};
        return quad;
    }
    double width = 0, height = 0;
    if (iw > ih) {
        width = (x1 - x0) * m_scale;
        height = ih * width / iw;
    } else {
        height = (y1 - y0) * m_scale;
        width = iw * height / ih;
    }
    double px = 0, py = 0;
    if (m_position >= kTopLeft && m_position <= kBottomRight) {
        const int column = m_position % 3;
        const int row = m_position / 3;
        px = column == 0 ? x0 : column == 1 ? (x0 + x1 - width) * 0.5 : x1 - width;
        py = row == 0 ? y1 - height : row == 1 ? (y0 + y1 - height) * 0.5 : y0;
    }
    quad = {px, px + width, py, py + height, 1, 1, quad.z};
    return quad;
}

std::optional<CWatermarkQuad> CWatermark::GetDrawQuad(const CWatermarkFrame& frame, bool backgroundPass)
{
    // Without pixels there is nothing to show: an untextured quad would cover the view.
    const orbisk::imageutils::ImageRep* decoded = GetDecodedImage();
    if (!decoded || decoded->GetWidth() <= 0 || decoded->GetHeight() <= 0)
        return std::nullopt;
    if (frame.x1 <= frame.x0 || frame.y1 <= frame.y0 || frame.viewportWidth <= 0 ||
        frame.viewportHeight <= 0 || frame.pixelSizeScale <= 0 || (m_tiled && m_scale <= 0))
        return std::nullopt;
    // The layout uses the image's own size, not the texture's fitted one.
    CDib* image = m_image.Get();
    return Layout(frame, image->GetWidth(), image->GetHeight(), backgroundPass);
}

orbisk::imageutils::ImageRep* CWatermark::GetDecodedImage()
{
    if (m_decoded)
        return m_decoded.get();
    CDib* image = m_image.Get();
    if (!image || m_decodingFailed)
        return nullptr;
    const orbisk::imageutils::ImageRep* source = image->GetImageRep();
    auto decoded = std::make_unique<orbisk::imageutils::ImageRep>();
    if (!source || !decoded->CopyFrom(*source) || !decoded->IsValid()) {
        m_decodingFailed = true;
        return nullptr;
    }
    ResizeImageToFit(decoded.get());
    if (!decoded->ConvertToRGBA()) {
        m_decodingFailed = true;
        return nullptr;
    }
    m_decoded = std::move(decoded);
    return m_decoded.get();
}

void CWatermark::DropTexture()
{
    if (m_texture != 0) {
        const GLuint name = m_texture;
        glDeleteTextures(1, &name);
    }
    m_texture = 0;
}

void CWatermark::PrepareFade(double factor)
{
    DropTexture();
    m_fading = true;
    m_fadeOpacity = m_alphaScale * factor;
}

void CWatermark::EndFade()
{
    DropTexture();
    m_fading = false;
    m_fadeOpacity = 1.0;
}

float CWatermark::GetTextureOpacity() const
{
    if (m_fading)
        return static_cast<float>(m_fadeOpacity);
    return m_alphaScale != 1.0 ? static_cast<float>(m_alphaScale) : 1.0f;
}

bool CWatermark::EnsureTexture()
{
    if (m_texture != 0)
        return true;
    const float opacity = GetTextureOpacity();
    orbisk::utils::CColor mask;
    if (m_intensForAlpha) {
        if (IModelContext* model = GetCurrentModel()) {
            if (const auto* options = dynamic_cast<const CRenderingOptions*>(model->GetRenderingOptions()))
                mask = options->GetBackgroundColor();
        }
    }
    const orbisk::imageutils::ImageRep* decoded = GetDecodedImage();
    if (!decoded)
        return false;
    // An image one pixel high would become a one-dimensional texture, which the quad (drawn
    // with two-dimensional texturing) cannot show: such images are doubled to two rows.
    const bool oneRow = decoded->GetHeight() == 1;
    if (opacity == 1.0f && !m_intensForAlpha && !oneRow) {
        m_texture = CreateGLTexture(decoded, false);
    } else {
        orbisk::imageutils::ImageRep copy;
        if (!copy.CopyFrom(*decoded) || !copy.ConvertToRGBA())
            return false;
        if (oneRow && !copy.Resize(copy.GetWidth(), 2))
            return false;
        if (m_intensForAlpha)
            copy.TintFromLuminance(mask, opacity);
        else if (opacity != 1.0f)
            copy.MultiplyAlpha(opacity);
        m_texture = CreateGLTexture(&copy, false);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    return m_texture != 0;
}

void CWatermark::Draw(IModelView* view, bool backgroundPass)
{
    if (!view || !m_image)
        return;
    CWatermarkFrame frame;
    view->GetFrustumWindow(frame.x0, frame.x1, frame.y0, frame.y1);
    view->GetViewportSize(frame.viewportWidth, frame.viewportHeight);
    frame.pixelSizeScale = view->GetPixelSizeScale();
    const std::optional<CWatermarkQuad> quad = GetDrawQuad(frame, backgroundPass);
    const CViewDefinition* definition = view->GetViewDefinition();
    if (!quad || !definition)
        return;
    double l = 0, r = 0, b = 0, t = 0;
    definition->GetFrustum(l, r, b, t);
    if (!(r > l && t > b))
        return;
    view->EndPrimitive();
    if (!EnsureTexture())
        return;

    const GLboolean textureWasOn = glIsEnabled(GL_TEXTURE_2D);
    const GLboolean blendWasOn = glIsEnabled(GL_BLEND);
    const GLboolean depthWasOn = glIsEnabled(GL_DEPTH_TEST);
    GLint blendSource = GL_ONE;
    GLint blendDestination = GL_ZERO;
    glGetIntegerv(GL_BLEND_SRC, &blendSource);
    glGetIntegerv(GL_BLEND_DST, &blendDestination);

    glEnable(GL_TEXTURE_2D);
    view->SetLighting(false);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glBindTexture(GL_TEXTURE_2D, m_texture);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(l, r, b, t, -1.0, 1.0);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);

    // Texture coordinate (0, 0) is the image's first row, its top.
    glBegin(GL_QUADS);
    glNormal3d(0.0, 0.0, 1.0);
    glTexCoord2d(0.0, 0.0);
    glVertex3d(quad->x0, quad->y1, quad->z);
    glTexCoord2d(quad->sMax, 0.0);
    glVertex3d(quad->x1, quad->y1, quad->z);
    glTexCoord2d(quad->sMax, quad->tMax);
    glVertex3d(quad->x1, quad->y0, quad->z);
    glTexCoord2d(0.0, quad->tMax);
    glVertex3d(quad->x0, quad->y0, quad->z);
    glEnd();

    if (depthWasOn)
        glEnable(GL_DEPTH_TEST);
    glBlendFunc(static_cast<GLenum>(blendSource), static_cast<GLenum>(blendDestination));
    if (!blendWasOn)
        glDisable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, 0);
    if (!textureWasOn)
        glDisable(GL_TEXTURE_2D);
    view->SetLighting(true);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

void CWatermark::DropDecodedImage()
{
    m_decoded.reset();
    m_decodingFailed = false;
}

void CWatermark::Erase()
{
    DropDecodedImage();
    DropTexture();
    CEntity::Erase();
}

CEntity* CWatermark::CreateCopy() const
{
    auto* copy = new CWatermark();
    copy->m_infoFound = m_infoFound;
    copy->m_infoFileName = m_infoFileName;
    copy->m_infoTime = m_infoTime;
    copy->m_position = m_position;
    copy->m_tiled = m_tiled;
    copy->m_stretched = m_stretched;
    copy->m_maintainAR = m_maintainAR;
    copy->m_background = m_background;
    copy->m_intensForAlpha = m_intensForAlpha;
    copy->m_alphaScale = m_alphaScale;
    copy->m_scale = m_scale;
    copy->m_name = m_name;
    return copy;
}

void CWatermark::SwapContents(CEntity& other)
{
    CEntity::SwapContents(other);
    auto* that = dynamic_cast<CWatermark*>(&other);
    if (!that)
        return;
    std::swap(m_infoFound, that->m_infoFound);
    std::swap(m_infoFileName, that->m_infoFileName);
    std::swap(m_infoTime, that->m_infoTime);
    std::swap(m_position, that->m_position);
    std::swap(m_tiled, that->m_tiled);
    std::swap(m_stretched, that->m_stretched);
    std::swap(m_maintainAR, that->m_maintainAR);
    std::swap(m_background, that->m_background);
    std::swap(m_intensForAlpha, that->m_intensForAlpha);
    std::swap(m_alphaScale, that->m_alphaScale);
    std::swap(m_scale, that->m_scale);
    std::swap(m_name, that->m_name);
    for (CWatermark* watermark : {this, that}) {
        watermark->DropDecodedImage();
        watermark->DropTexture();
    }
}

void CWatermark::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] {
        CEntity::Serialize(ar);
        if (ar.IsLoading()) {
            ReadRecord(ar);
            return;
        }
        ar << m_infoFound << CString(m_infoFileName.c_str()) << m_infoTime << m_position << m_tiled
           << m_stretched << m_maintainAR << m_background << m_intensForAlpha << m_alphaScale << m_scale
           << CString(m_name.c_str());
        ar << static_cast<CObject*>(m_image.Get());
    });
}

void CWatermark::ReadRecord(CArchive& ar)
{
    CString fileName;
    CString name;
    ar >> m_infoFound >> fileName >> m_infoTime >> m_position >> m_tiled >> m_stretched >> m_maintainAR >>
        m_background >> m_intensForAlpha >> m_alphaScale >> m_scale >> name;
    m_infoFileName = fileName.GetString();
    m_name = name.GetString();
    m_image.Reset();
    DropDecodedImage();
    DropTexture();
    bool madeHere = false;
    CDib* image = ReadReference<CDib>(ar, madeHere);
    if (!image)
        return;
    if (!image->HasData()) {
        // An image without data shows nothing; one made here may still be named again by a
        // later back reference, so the model's pool keeps it.
        if (madeHere)
            KeepUnownedObject(image);
        return;
    }
    m_image.Reset(image);
}

int CWatermark::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CWatermark), map, [&] { return CEntity::CheckValidity(level, map); },
        [&] {
            int result = 0;
            if (level != kValidityCheckIgnoringIds && (m_position < kTopLeft || m_position > kBottomRight)) {
                AppendValidityMessage("The position value for %s is not valid",
                                      DescribeEntity(this).GetString());
                if (ShouldFix(level)) {
                    MarkChanged();
                    m_position = kBottomRight;
                } else {
                    result = 1;
                }
            }
            CDib* image = m_image.Get();
            if (!image || !image->IsKindOf(RUNTIME_CLASS(CDib))) {
                AppendValidityMessage("The DIB for %s is not valid\n", DescribeEntity(this).GetString());
                return 3;
            }
            if (!image->IsValid()) {
                AppendValidityMessage("The DIB for %s is not valid\n", DescribeEntity(this).GetString());
                return 2;
            }
            return result;
        });
}
