#include "database/Texture.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "database/Dib.h"
#include "database/Material.h"
#include "database/MaterialNotification.h"
#include "database/TextureSizeLimit.h"
#include "database/XMLImageReference.h"
#include "geometry/Plane3d.h"
#include "image/ImageRep.h"
#include "platform/mfc/Archive.h"
#include "support/ArchiveOperators.h"
#include "support/DocumentPersister.h"
#include "support/PathUtils.h"
#include "support/StringUtils.h"
#include "support/XMLInput.h"
#include "support/XMLNamespaces.h"
#include "support/XMLOutput.h"
#include "support/XMLSerializableClassInfo.h"

IMPLEMENT_SERIAL(CTexture, CEntity, VERSIONABLE_SCHEMA | 6)

using orbisk::imageutils::ImageRep;
using orbisk::utils::CColor;

namespace {

orbisk::IXMLSerializableObject* CreateTextureForXML()
{
    return new CTexture;
}

const orbisk::XMLSerializableClassInfo g_textureClassInfo("CTexture", "texture", orbisk::kMaterialNamespace,
                                                          0, 0, CreateTextureForXML);

// (1 - transparency) x 255 truncated; transparencies outside 0..1 clamp, and one that is no
// number leaves the texture opaque.
uint8_t OpacityOf(double transparency)
{
    const double opacity = (1.0 - transparency) * 255.0;
    if (std::isnan(opacity))
        return 255;
    return static_cast<uint8_t>(std::clamp(opacity, 0.0, 255.0));
}

bool ReadElement(orbisk::IXMLInput& input, const wchar_t* name, std::wstring& text)
{
    if (!input.EnterElement(name))
        return false;
    const bool read = input.ReadText(text);
    input.LeaveElement();
    return read;
}

template <class Value, class Read>
bool ReadElement(orbisk::IXMLInput& input, const wchar_t* name, Value& value, Read read)
{
    if (!input.EnterElement(name))
        return false;
    const bool done = (input.*read)(value);
    input.LeaveElement();
    return done;
}

}  // namespace

CTexture::CTexture(const CTexture& other)
    : CEntity(other),
      m_fileName(other.m_fileName),
      m_xScale(other.m_xScale),
      m_yScale(other.m_yScale),
      m_averageColor(other.m_averageColor)
{}

const orbisk::XMLSerializableClassInfo& CTexture::ClassInfo()
{
    return g_textureClassInfo;
}

void CTexture::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] {
        if (ar.IsLoading())
            ReadRecord(ar);
        else
            WriteRecord(ar);
    });
}

void CTexture::ReadRecord(CArchive& ar)
{
    const int32_t schema = GetClassVersion(RUNTIME_CLASS(CTexture));
    if (schema >= 5)
        CEntity::Serialize(ar);
    if (schema >= 6 || schema < 2) {
        bool madeHere = false;
        CDib* image = ReadReference<CDib>(ar, madeHere);
        if (image && (schema < 2 || image->HasData()))
            m_image.Reset(image);
        else if (madeHere)
            KeepUnownedObject(image);
    } else {
        bool hasImage = false;
        ar >> hasImage;
        if (hasImage)
            ReadImageInPlace(ar);
    }
    ar >> m_xScale >> m_yScale >> m_fileName;
    if (schema >= 1)
        ar >> m_averageColor;
    if (schema == 3) {
        int32_t ignored[2] = {};
        ar >> ignored[0] >> ignored[1];
    }
    if (schema == 0)
        m_averageColor = m_image ? m_image->GetAverageColor() : CColor();
}

void CTexture::ReadImageInPlace(CArchive& ar)
{
    // Not an archive object: nothing else can refer to it, and the texture holds it alone.
    CDibRef image(new CDib);
    image->Serialize(ar);
    if (image->HasData())
        m_image = image;
}

void CTexture::WriteRecord(CArchive& ar)
{
    CEntity::Serialize(ar);
    ar << static_cast<const CObject*>(m_image.Get());
    ar << m_xScale << m_yScale << m_fileName << m_averageColor;
}

void CTexture::Erase()
{
    DeleteGLTexture();
    CEntity::Erase();
}

CEntity* CTexture::CreateCopy() const
{
    return new CTexture(*this);
}

void CTexture::SwapContents(CEntity& other)
{
    auto& that = static_cast<CTexture&>(other);
    DeleteGLTexture();
    CEntity::SwapContents(other);
    std::swap(m_xScale, that.m_xScale);
    std::swap(m_yScale, that.m_yScale);
    std::swap(m_fileName, that.m_fileName);
    std::swap(m_averageColor, that.m_averageColor);
    Announce(kMaterialSwapped);
}

int CTexture::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CTexture), map, [&] { return CEntity::CheckValidity(level, map); },
        [&] { return CheckOwnValidity(level); });
}

int CTexture::CheckOwnValidity(int level)
{
    if (m_image && (!m_image->IsKindOf(RUNTIME_CLASS(CDib)) || !m_image->IsValid())) {
        AppendValidityMessage("The DIB for %s is not valid\n", DescribeEntity(this).GetString());
        return m_image->IsKindOf(RUNTIME_CLASS(CDib)) ? 2 : 3;
    }
    if (level == kValidityCheckIgnoringIds)
        return 0;
    const int xResult = CheckScale(level, m_xScale, "The X scale for %s is not valid");
    const int yResult = CheckScale(level, m_yScale, "The Y scale for %s is not valid");
    return std::max(xResult, yResult);
}

int CTexture::CheckScale(int level, double& scale, const char* message)
{
    if (std::isfinite(scale) && scale != 0.0)
        return 0;
    AppendValidityMessage(message, DescribeEntity(this).GetString());
    if (!ShouldFix(level))
        return 1;
    MarkChanged();
    scale = 1.0;
    return 0;
}

bool CTexture::WriteXML(orbisk::IXMLOutput& output)
{
    const std::wstring fileName = orbisk::utils::GetFileName(m_fileName.GetString(), true);
    output.WriteElement(L"textureFilename", fileName);
    output.WriteElement(L"xScale", m_xScale);
    output.WriteElement(L"yScale", m_yScale);
    output.WriteElement(L"avgColor", static_cast<unsigned long>(m_averageColor.GetPacked()));
    if (!m_image)
        return true;
    std::wstring imageName = fileName;
    if (!m_image->CanSaveAs(imageName))
        imageName = orbisk::utils::AppendExtension(orbisk::utils::GetFileName(fileName, false), L"png");
    orbisk::DocumentPersister* persister = orbisk::DocumentPersister::GetCurrent();
    const std::wstring hint =
        orbisk::utils::JoinPath(persister ? persister->GetReferencesFolder() : L"", imageName);
    WriteImageListXML(output, ClassInfo(), m_image.Get(), hint);
    return true;
}

bool CTexture::ReadXML(orbisk::IXMLInput& input)
{
    bool complete = true;
    std::wstring fileName;
    if (ReadElement(input, L"textureFilename", fileName))
        m_fileName = CString(fileName.c_str());
    else
        complete = false;
    complete &= ReadElement(input, L"xScale", m_xScale, &orbisk::IXMLInput::ReadDouble);
    complete &= ReadElement(input, L"yScale", m_yScale, &orbisk::IXMLInput::ReadDouble);
    uint32_t packed = 0;
    if (ReadElement(input, L"avgColor", packed, &orbisk::IXMLInput::ReadUInt))
        m_averageColor = CColor(packed);
    else
        complete = false;
    const CDibRef image = ReadImageListXML(input, ClassInfo());
    if (!image)
        return false;
    SetImage(image.Get());
    return complete;
}

void CTexture::SetXScale(double scale)
{
    if (scale == m_xScale)
        return;
    MarkChanged();
    m_xScale = scale;
    Announce(kMaterialChanged);
}

void CTexture::SetYScale(double scale)
{
    if (scale == m_yScale)
        return;
    MarkChanged();
    m_yScale = scale;
    Announce(kMaterialChanged);
}

void CTexture::SetImage(CDib* image)
{
    if (image == m_image.Get())
        return;
    MarkChanged();
    DeleteGLTexture();
    m_image.Reset(image);
}

void CTexture::SetFileName(const CString& name)
{
    if (orbisk::utils::CompareNoCase(name.GetString(), m_fileName.GetString()) == 0)
        return;
    MarkChanged();
    m_fileName = name;
}

void CTexture::SetAverageColor(CColor color)
{
    MarkChanged();
    m_averageColor = color;
}

int CTexture::GetWidth() const
{
    return m_image ? m_image->GetWidth() : 0;
}

int CTexture::GetHeight() const
{
    return m_image ? m_image->GetHeight() : 0;
}

void CTexture::SetColorize(CColor tint, bool shiftHue, double transparency)
{
    DeleteGLTexture();
    m_colorize = tint;
    m_shiftHue = shiftHue;
    m_opacity = OpacityOf(transparency);
    if (tint != CColor())
        m_averageColor = tint;
    else if (m_image)
        m_averageColor = m_image->GetAverageColor();
}

void CTexture::ComputeColorizeDeltas(double& hue, double& lightness, double& saturation) const
{
    hue = lightness = saturation = 0.0;
    const CColor average = m_image ? m_image->GetAverageColor() : CColor();
    orbisk::utils::CompareHSL(hue, lightness, saturation, average, m_colorize, m_shiftHue);
    if (!m_shiftHue)
        hue = 0.0;
}

const ImageRep* CTexture::PrepareImage(int alpha, bool allowResize, std::unique_ptr<ImageRep>& owned)
{
    owned.reset();
    if (!m_image)
        return nullptr;
    if (alpha == -1)
        alpha = m_opacity;
    double hue = 0.0;
    double lightness = 0.0;
    double saturation = 0.0;
    if (m_colorize != CColor())
        ComputeColorizeDeltas(hue, lightness, saturation);
    const ImageRep* image = m_image->GetImageRep();
    if (!image)
        return nullptr;
    const bool resize = allowResize && NeedsTextureResize(*image);
    const bool adjust = hue != 0.0 || lightness != 0.0 || saturation != 0.0;
    const bool grey = image->GetBytesPerPixel() == 1;
    if (!resize && !adjust && alpha == 255 && !grey)
        return image;

    auto copy = std::make_unique<ImageRep>();
    int32_t width = image->GetWidth();
    int32_t height = image->GetHeight();
    if (resize)
        FitTextureSize(width, height);
    const bool copied = resize ? copy->CopyScaledFrom(*image, width, height) : copy->CopyFrom(*image);
    if (!copied || !copy->IsValid())
        return nullptr;
    if (grey && !(alpha == 255 ? copy->ConvertToRGB() : copy->ConvertToRGBA()))
        return nullptr;
    copy->AdjustHLS(hue, lightness, saturation, m_shiftHue);
    copy->MultiplyAlpha(alpha / 255.0);
    owned = std::move(copy);
    return owned.get();
}

uint32_t CTexture::CreateGLTexture(bool mipmap, bool useOpacity, bool scaleOpacity, double factor)
{
    if (!m_image)
        return 0;
    int alpha = 255;
    if (scaleOpacity)
        alpha = static_cast<int>(std::clamp(m_opacity * factor, 0.0, 255.0));
    else if (useOpacity)
        alpha = m_opacity;
    std::unique_ptr<ImageRep> owned;
    const ImageRep* image = PrepareImage(alpha, true, owned);
    return ::CreateGLTexture(image, mipmap);
}

void CTexture::DeleteGLTexture()
{
    if (m_glTexture == 0)
        return;
    const GLuint name = m_glTexture;
    glDeleteTextures(1, &name);
    m_glTexture = 0;
}

bool CTexture::BindGLTexture(bool mipmap, bool useOpacity, bool scaleOpacity, double factor)
{
    if (m_glTexture == 0 && m_image) {
        m_glTexture = CreateGLTexture(mipmap, useOpacity, scaleOpacity, factor);
        // A texture whose fitted image is one pixel high is one-dimensional and binds to that
        // target only; fitting a long image to the size limit can make it so (2048 x 2 becomes
        // 1024 x 1). The new texture is left bound to its target.
        GLint bound1D = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_1D, &bound1D);
        m_glTarget =
            m_glTexture != 0 && static_cast<uint32_t>(bound1D) == m_glTexture ? GL_TEXTURE_1D : GL_TEXTURE_2D;
    }
    const GLenum target = m_glTarget != 0 ? m_glTarget : GL_TEXTURE_2D;
    glEnable(target);
    glBindTexture(target, m_glTexture);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    return m_glTexture != 0;
}

void CTexture::BeginTexGen(const orbisk::geometry::CPlane3d& sPlane, const orbisk::geometry::CPlane3d& tPlane)
{
    const GLdouble s[4] = {sPlane.a, sPlane.b, sPlane.c, sPlane.d};
    const GLdouble t[4] = {tPlane.a, tPlane.b, tPlane.c, tPlane.d};
    glTexCoord4f(0.0f, 0.0f, 0.0f, 1.0f);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glTexGendv(GL_S, GL_OBJECT_PLANE, s);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glTexGendv(GL_T, GL_OBJECT_PLANE, t);
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glScalef(1.0f / static_cast<float>(m_xScale), -1.0f / static_cast<float>(m_yScale), 1.0f);
    // Drawing between here and EndTexture moves the model-view matrix, not this one.
    glMatrixMode(GL_MODELVIEW);
}

void CTexture::EndTexture()
{
    glBindTexture(GL_TEXTURE_1D, 0);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_1D);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

bool CTexture::IsSameAs(const CTexture& other) const
{
    if (!(m_fileName == other.m_fileName) || GetWidth() != other.GetWidth() ||
        GetHeight() != other.GetHeight() || m_xScale != other.m_xScale || m_yScale != other.m_yScale ||
        m_averageColor != other.m_averageColor)
        return false;
    const ImageRep* mine = m_image ? m_image->GetImageRep() : nullptr;
    const ImageRep* theirs = other.m_image ? other.m_image->GetImageRep() : nullptr;
    if (mine && theirs && mine != theirs)
        return mine->Equals(*theirs);
    return true;
}

void CTexture::Announce(int32_t code)
{
    CEntity* parent = GetParent();
    if (parent && parent->IsKindOf(RUNTIME_CLASS(CMaterial)))
        PostMaterialNotification(static_cast<CMaterial*>(parent), code);
}
