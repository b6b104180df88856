#include "database/Material.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "database/AttributeContainer.h"
#include "database/Dib.h"
#include "database/EntityDisposal.h"
#include "database/IModelContext.h"
#include "database/IModelView.h"
#include "database/IRenderingOptions.h"
#include "database/MaterialManager.h"
#include "database/MaterialNotification.h"
#include "database/Texture.h"
#include "database/XmlValueHelpers.h"
#include "platform/mfc/Archive.h"
#include "support/ArchiveOperators.h"
#include "support/StringUtils.h"
#include "support/XMLInput.h"
#include "support/XMLNamespaces.h"
#include "support/XMLOutput.h"
#include "support/XMLSerializableClassInfo.h"

IMPLEMENT_SERIAL(CMaterial, CEntity, VERSIONABLE_SCHEMA | 12)

using orbisk::utils::CColor;

namespace {

// Transparencies closer than this are equal.
constexpr double kTransparencyTolerance = 0.001;

bool IsNoColor(const CColor& color)
{
    return color == CColor();
}

bool DifferNoCase(const CString& a, const CString& b)
{
    return orbisk::utils::CompareNoCase(a.GetString(), b.GetString()) != 0;
}

orbisk::IXMLSerializableObject* CreateMaterialForXML()
{
    return new CMaterial;
}

const orbisk::XMLSerializableClassInfo g_materialClassInfo("CMaterial", "material",
                                                           orbisk::kMaterialNamespace, 0, 0,
                                                           CreateMaterialForXML);

bool ReadByteAttribute(orbisk::IXMLInput& input, const wchar_t* name, uint8_t& value)
{
    int32_t number = 0;
    if (!input.ReadAttribute(name, number))
        return false;
    value = static_cast<uint8_t>(std::clamp(number, 0, 255));
    return true;
}

}  // namespace

CMaterial::CMaterial() = default;

CMaterial::CMaterial(const CString& name, bool managed) : m_name(name), m_managed(managed) {}

CMaterial::CMaterial(const CMaterial& other)
    : CEntity(other),
      m_name(other.m_name),
      m_texture(other.m_texture),
      m_color(other.m_color),
      m_useTransparency(other.m_useTransparency),
      m_transparency(other.m_transparency),
      m_managed(other.m_managed),
      m_secondName(other.m_secondName),
      m_type(other.m_type),
      m_colorizeType(other.m_colorizeType),
      m_useCount(other.m_useCount)
{}

void CMaterial::Serialize(CArchive& ar)
{
    SerializeGuarded(
        ar,
        [&] {
            CEntity::Serialize(ar);
            if (ar.IsLoading())
                ReadRecord(ar);
            else
                WriteRecord(ar);
        },
        // A material read in place keeps no texture of the failed record.
        [&] { m_texture.Reset(); });
}

void CMaterial::ReadRecord(CArchive& ar)
{
    const int32_t schema = GetClassVersion(RUNTIME_CLASS(CMaterial));
    ar >> m_name;
    if (schema < 3) {
        bool hasValue = false;
        ar >> hasValue;
        if (hasValue) {
            int32_t ignored = 0;
            ar >> ignored;
        }
    }
    bool hasTexture = false;
    ar >> hasTexture;
    if (hasTexture)
        ReadTexture(ar, schema);
    if (schema >= 2 && schema <= 4)
        ar >> m_useCount;
    if (schema >= 6)
        ar >> m_managed;
    if (schema >= 7)
        ar >> m_color;
    if (schema >= 8)
        ar >> m_secondName;
    m_type = kTextured;
    if (schema >= 9)
        ar >> m_type;
    m_colorizeType = 0;
    if (schema >= 10)
        ar >> m_colorizeType;
    m_transparency = 0.0;
    if (schema >= 11)
        ar >> m_transparency;
    if (schema >= 12)
        ar >> m_useTransparency;
    else
        m_useTransparency = std::fabs(m_transparency) >= kTransparencyTolerance;

    if (!m_texture || !m_texture->GetImage())
        m_type = kPlainColor;
    if (m_texture && m_type == kTextured)
        SetColor(m_texture->GetAverageColor());
    if (IsNoColor(m_color))
        m_color = kDefaultReadColor;
    UpdateTextureColorize();
}

void CMaterial::ReadTexture(CArchive& ar, int32_t schema)
{
    if (schema >= 4) {
        if (!m_texture)
            m_texture.Reset(new CTexture);
        m_texture->SetParent(this);
        m_texture->Serialize(ar);
        return;
    }
    bool madeHere = false;
    CTexture* texture = ReadReference<CTexture>(ar, madeHere);
    if (!texture)
        return;
    // A texture belongs to one material: a reference back to one read before would share it.
    if (!madeHere)
        AfxThrowArchiveException(CArchiveException::genericException);
    m_texture.Reset(texture);
    m_texture->SetParent(this);
}

void CMaterial::WriteRecord(CArchive& ar) const
{
    ar << m_name;
    ar << static_cast<bool>(m_texture);
    if (m_texture)
        m_texture->Serialize(ar);
    ar << m_managed << m_color << m_secondName << m_type << m_colorizeType << m_transparency
       << m_useTransparency;
}

void CMaterial::Erase()
{
    m_texture.Erase();
    CEntity::Erase();
}

CEntity* CMaterial::CreateCopy() const
{
    return new CMaterial(*this);
}

void CMaterial::SwapContents(CEntity& other)
{
    auto& that = static_cast<CMaterial&>(other);
    CEntity::SwapContents(other);
    std::swap(m_name, that.m_name);
    const bool texturesDiffer = m_texture.Get() != that.m_texture.Get() &&
                                !(m_texture && that.m_texture && m_texture->IsSameAs(*that.m_texture.Get()));
    const bool settingsDiffer = m_color != that.m_color || DifferNoCase(m_secondName, that.m_secondName) ||
                                m_type != that.m_type || m_colorizeType != that.m_colorizeType ||
                                std::fabs(m_transparency - that.m_transparency) >= kTransparencyTolerance ||
                                m_useTransparency != that.m_useTransparency;
    m_texture.Swap(that.m_texture);
    std::swap(m_managed, that.m_managed);
    std::swap(m_color, that.m_color);
    if (DifferNoCase(m_secondName, that.m_secondName))
        std::swap(m_secondName, that.m_secondName);
    std::swap(m_type, that.m_type);
    std::swap(m_colorizeType, that.m_colorizeType);
    if (std::fabs(m_transparency - that.m_transparency) >= kTransparencyTolerance)
        std::swap(m_transparency, that.m_transparency);
    std::swap(m_useTransparency, that.m_useTransparency);
    std::swap(m_useCount, that.m_useCount);
    if ((texturesDiffer || settingsDiffer) && m_texture)
        ApplyColorizeToTexture();
    Announce(kMaterialSwapped);
}

int CMaterial::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CMaterial), map, [&] { return CEntity::CheckValidity(level, map); },
        [&] { return CheckOwnValidity(level, map); });
}

int CMaterial::CheckOwnValidity(int level, CCheckedObjectMap* map)
{
    int result = 0;
    if (level != kValidityCheckIgnoringIds && m_texture) {
        if (!m_texture->IsKindOf(RUNTIME_CLASS(CTexture))) {
            AppendValidityMessage("The texture for %s is not valid\n", DescribeEntity(this).GetString());
            RecordValidity(m_texture.Get(), 3, map);
            return 3;
        }
        const int textureResult = m_texture->CheckValidity(level, map);
        if (textureResult > 1)
            return textureResult;
        result = textureResult;
    }
    if (m_name.IsEmpty()) {
        AppendValidityMessage("The name for %s is not valid\n", DescribeEntity(this).GetString());
        result = 2;
    }
    if (!std::isfinite(m_transparency) || m_transparency < -kTransparencyTolerance ||
        m_transparency > 1.0 + kTransparencyTolerance) {
        AppendValidityMessage("The transparency value for %s is not valid", DescribeEntity(this).GetString());
        if (ShouldFix(level)) {
            MarkChanged();
            m_transparency = 0.0;
        } else {
            result = std::max(result, 1);
        }
    }
    if (m_type < kPlainColor || m_type > kColorizedTexture) {
        AppendValidityMessage("The type for %s is not valid", DescribeEntity(this).GetString());
        result = 2;
    } else if (m_colorizeType != 0 && m_colorizeType != 1) {
        AppendValidityMessage("The colorize type for %s is not valid\n", DescribeEntity(this).GetString());
        result = 2;
    }
    return result;
}

CString CMaterial::GetName() const
{
    if (m_name.IsEmpty() || m_name.GetAt(0) != L'*')
        return m_name;
    return CString(kMaterialDisplayPrefix) + CString(m_name.GetString() + 1);
}

void CMaterial::SetName(const CString& name)
{
    if (name == m_name)
        return;
    MarkChanged();
    m_name = name;
    Announce(kMaterialChanged);
}

void CMaterial::SetSecondName(const CString& name)
{
    if (!DifferNoCase(name, m_secondName))
        return;
    MarkChanged();
    m_secondName = name;
}

void CMaterial::SetManaged(bool managed)
{
    if (managed == m_managed)
        return;
    MarkChanged();
    m_managed = managed;
}

bool CMaterial::IsManaged() const
{
    if (!m_managed)
        return false;
    const auto* manager = dynamic_cast<const CMaterialManager*>(GetParent());
    return manager && manager->Contains(this);
}

void CMaterial::SetTexture(CTexture* texture)
{
    if (texture == m_texture.Get())
        return;
    MarkChanged();
    // The texture held before goes as erased: an open operation keeps it.
    m_texture.Erase();
    m_texture.Reset(texture);
    if (m_texture)
        m_texture->SetParent(this);
    UpdateTextureColorize();
    Announce(kMaterialChanged);
}

void CMaterial::DeleteTexture()
{
    m_texture.Reset();
}

void CMaterial::SetColor(CColor color)
{
    if (color == m_color)
        return;
    MarkChanged();
    m_color = color;
    UpdateTextureColorize();
    Announce(kMaterialChanged);
}

void CMaterial::SetUseTransparency(bool use)
{
    if (use == m_useTransparency)
        return;
    MarkChanged();
    m_useTransparency = use;
    UpdateTextureColorize();
    Announce(kMaterialChanged);
}

void CMaterial::SetTransparency(double transparency)
{
    if (std::fabs(transparency - m_transparency) < kTransparencyTolerance)
        return;
    MarkChanged();
    m_transparency = transparency;
    UpdateTextureColorize();
    Announce(kMaterialChanged);
}

void CMaterial::SetType(int32_t type)
{
    if (type == m_type)
        return;
    MarkChanged();
    m_type = type;
    if (m_texture) {
        if (type == kPlainColor)
            DeleteTexture();
        else
            ApplyColorizeToTexture();
    }
    Announce(kMaterialChanged);
}

void CMaterial::SetColorizeType(int32_t colorizeType)
{
    if (colorizeType == m_colorizeType)
        return;
    MarkChanged();
    m_colorizeType = colorizeType;
    UpdateTextureColorize();
    Announce(kMaterialChanged);
}

void CMaterial::AddUse(bool notify)
{
    MarkChanged();
    ++m_useCount;
    if (notify)
        Announce(kMaterialUseCountChanged);
}

void CMaterial::RemoveUse(bool notify)
{
    MarkChanged();
    if (m_useCount > 0)
        --m_useCount;
    if (notify)
        Announce(kMaterialUseCountChanged);
}

void CMaterial::ClearUseCount()
{
    MarkChanged();
    m_useCount = 0;
}

bool CMaterial::IsPlainColor() const
{
    return m_type == kPlainColor || !HasTextureImage();
}

bool CMaterial::HasTextureImage() const
{
    return (m_type == kTextured || m_type == kColorizedTexture) && m_texture && m_texture->GetImage();
}

int CMaterial::ApplyToView(IModelView* view)
{
    if (!view)
        return 0;
    if (HasTextureImage() && !view->IsFaded()) {
        bool mipmap = true;
        bool transparencyEnabled = true;
        bool xRay = false;
        double xRayOpacity = 1.0;
        if (const IModelContext* model = view->GetModelContext()) {
            mipmap = model->AreMipmapsEnabled();
            if (const IRenderingOptions* options = model->GetRenderingOptions()) {
                transparencyEnabled = options->GetTransparencyEnabled();
                xRay = options->GetXRay();
                xRayOpacity = options->GetXRayOpacity();
            }
        }
        return m_texture->BindGLTexture(mipmap, transparencyEnabled, xRay, xRayOpacity) ? 1 : 0;
    }
    if (m_color == CColor())
        return 0;
    CColor color = m_color;
    if (m_useTransparency)
        color.alpha = orbisk::utils::UnitToByte(1.0 - m_transparency);
    view->SetColor(color);
    return 1;
}

int CMaterial::ApplyTexturePlanes(const orbisk::geometry::CPlane3d& sPlane,
                                  const orbisk::geometry::CPlane3d& tPlane)
{
    if (!HasTextureImage())
        return 0;
    m_texture->BeginTexGen(sPlane, tPlane);
    return 1;
}

void CMaterial::EndTexture()
{
    if (HasTextureImage())
        m_texture->EndTexture();
}

bool CMaterial::HasImage(const CDib* image) const
{
    return m_texture ? m_texture->GetImage() == image : image == nullptr;
}

CColor CMaterial::GetDisplayColor() const
{
    return HasTextureImage() ? m_texture->GetAverageColor() : m_color;
}

bool CMaterial::IsTextureOpaque() const
{
    return !HasTextureImage() || m_texture->GetImage()->IsOpaque();
}

bool CMaterial::IsOpaque() const
{
    if (m_useTransparency && std::fabs(m_transparency) >= kTransparencyTolerance)
        return false;
    if (HasTextureImage())
        return m_texture->GetImage()->HasOpaquePixels();
    return m_color.alpha == 255;
}

bool CMaterial::HasTransparentPart() const
{
    if (m_useTransparency && std::fabs(m_transparency - 1.0) < kTransparencyTolerance)
        return true;
    if (HasTextureImage())
        return m_texture->GetImage()->HasTransparentPixels();
    return m_color.alpha == 0;
}

bool CMaterial::IsTransparent() const
{
    return !IsTextureOpaque() || (m_useTransparency && m_transparency >= kTransparencyTolerance);
}

void CMaterial::UpdateTextureColorize()
{
    if (!m_texture || (m_type != kColorizedTexture && !m_useTransparency))
        return;
    ApplyColorizeToTexture();
}

void CMaterial::ApplyColorizeToTexture()
{
    const CColor tint = m_type == kColorizedTexture ? m_color : CColor();
    m_texture->SetColorize(tint, m_colorizeType == 0, m_useTransparency ? m_transparency : 0.0);
}

const orbisk::XMLSerializableClassInfo& CMaterial::ClassInfo()
{
    return g_materialClassInfo;
}

bool CMaterial::WriteXML(orbisk::IXMLOutput& output)
{
    output.WriteAttribute(L"name", orbisk::XMLEscapedText{m_name.GetString()});
    output.WriteAttribute(L"type", static_cast<int>(m_type));
    output.WriteAttribute(L"colorRed", static_cast<int>(m_color.red));
    output.WriteAttribute(L"colorGreen", static_cast<int>(m_color.green));
    output.WriteAttribute(L"colorBlue", static_cast<int>(m_color.blue));
    output.WriteAttribute(L"colorizeType", static_cast<int>(m_colorizeType));
    output.WriteAttribute(L"trans", m_transparency);
    output.WriteAttribute(L"useTrans", m_useTransparency);
    output.WriteAttribute(L"hasTexture", m_texture ? 1 : 0);
    if (m_texture)
        output.WriteObject(m_texture.Get(), L"");
    const CAttributeContainer* attributes = GetAttributeContainer();
    if (attributes && attributes->GetCount() > 0)
        WriteAttributeDictionariesXML(output, attributes);
    return true;
}

bool CMaterial::ReadXML(orbisk::IXMLInput& input)
{
    bool complete = true;
    IXMLSettingsInput* settings = AsSettingsInput(input);
    std::wstring name;
    if (settings && settings->ReadAttribute(L"name", name))
        m_name = CString(UnescapeXMLText(name).c_str());
    else
        complete = false;
    complete &= input.ReadAttribute(L"type", m_type);
    CColor color = m_color;
    complete &= ReadByteAttribute(input, L"colorRed", color.red);
    complete &= ReadByteAttribute(input, L"colorGreen", color.green);
    complete &= ReadByteAttribute(input, L"colorBlue", color.blue);
    color.alpha = 255;
    m_color = color;
    complete &= input.ReadAttribute(L"colorizeType", m_colorizeType);
    complete &= input.ReadAttribute(L"trans", m_transparency);
    int32_t flag = 0;
    if (input.ReadAttribute(L"useTrans", flag))
        m_useTransparency = flag != 0;
    else
        complete = false;
    int32_t hasTexture = 0;
    complete &= input.ReadAttribute(L"hasTexture", hasTexture);
    if (hasTexture != 0) {
        complete &= ReadTextureXML(input);
    } else if (m_texture) {
        m_texture.Erase();
        m_texture.Reset();
        UpdateTextureColorize();
        Announce(kMaterialChanged);
    }
    // The dictionaries read replace the material's own: the container is emptied in place,
    // since the entity keeps pointing at it.
    if (CAttributeContainer* attributes = GetAttributeContainer())
        attributes->ReleaseAll();
    complete &= ReadAttributeDictionariesXML(input, *this);
    return complete;
}

bool CMaterial::ReadTextureXML(orbisk::IXMLInput& input)
{
    orbisk::IXMLSerializableObject* object = nullptr;
    if (!input.ReadObject(object))
        return false;
    auto* texture = dynamic_cast<CTexture*>(object);
    if (!texture) {
        delete object;
        return false;
    }
    SetTexture(texture);
    return true;
}

CString CMaterial::StripTrailingDigits(const CString& text)
{
    int length = text.GetLength();
    while (length > 0 && text.GetAt(length - 1) >= L'0' && text.GetAt(length - 1) <= L'9')
        --length;
    return CString(text.GetString(), length);
}

void CMaterial::Announce(int32_t code)
{
    PostMaterialNotification(this, code);
}
