#include "components/TextStyle.h"

#include <utility>

#include "components/ZpFont.h"
#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "database/CurrentModel.h"
#include "database/FontManager.h"
#include "database/IModelContext.h"
#include "platform/mfc/Archive.h"
#include "support/ArchiveOperators.h"

IMPLEMENT_SERIAL(CTextStyle, CEntity, VERSIONABLE_SCHEMA | 5)

namespace {

CFontManager* FontManagerOf(const IModelContext* model)
{
    if (!model)
        model = GetCurrentModel();
    return model ? model->GetFontManager() : nullptr;
}

// The manager's font for the settings, made when it has none; null without a manager or when
// it answers something that is not a font.
CZpFont* ManagedFont(const IModelContext* model, const CString& face, bool italic, bool bold,
                     int32_t pointSize)
{
    CFontManager* manager = FontManagerOf(model);
    if (!manager)
        return nullptr;
    return dynamic_cast<CZpFont*>(
        manager->GetFont(face, italic ? 1 : 0, bold ? 1 : 0, pointSize, nullptr, 0, 1.0));
}

}  // namespace

CTextStyle::CTextStyle(IModelContext* model) : m_model(model)
{
    SetDefaultFont();
}

CTextStyle::CTextStyle(const CTextStyle& other)
    : CEntity(other),
      m_font(other.m_font),
      m_secondFont(other.m_secondFont),
      m_setting1(other.m_setting1),
      m_setting2(other.m_setting2),
      m_flag3(other.m_flag3),
      m_setting4(other.m_setting4),
      m_flag5(other.m_flag5),
      m_setting6(other.m_setting6),
      m_color(other.m_color),
      m_secondColor(other.m_secondColor)
{}

void CTextStyle::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] {
        CEntity::Serialize(ar);
        if (ar.IsLoading())
            ReadRecord(ar);
        else
            WriteRecord(ar);
    });
}

void CTextStyle::ReadRecord(CArchive& ar)
{
    const int32_t schema = GetClassVersion(RUNTIME_CLASS(CTextStyle));
    CZpFont* font = schema == 3 ? ReadInlineFont(ar) : ReadUnownedReference<CZpFont>(ar);
    SetFont(font, false);
    ar >> m_setting4 >> m_setting2 >> m_flag3 >> m_setting1 >> m_flag5;
    m_color = CColor(0, 0, 0, 255);
    if (schema > 1)
        ar >> m_color;
    if (schema > 4) {
        ar >> m_secondColor;
        SetSecondFont(ReadUnownedReference<CZpFont>(ar), false);
    } else {
        m_secondColor = m_color;
        SetSecondFont(font, false);
    }
}

CZpFont* CTextStyle::ReadInlineFont(CArchive& ar)
{
    CString face;
    int32_t height = 0;
    uint8_t first = 0;
    uint8_t second = 0;
    CString dropped;
    ar >> face >> height >> first >> second >> dropped;
    return ManagedFont(GetModel(), face, second != 0, first != 0, height);
}

void CTextStyle::WriteRecord(CArchive& ar) const
{
    ar << static_cast<const CObject*>(m_font);
    ar << m_setting4 << m_setting2 << m_flag3 << m_setting1 << m_flag5;
    ar << m_color << m_secondColor;
    ar << static_cast<const CObject*>(m_secondFont);
}

CEntity* CTextStyle::CreateCopy() const
{
    return new CTextStyle(*this);
}

void CTextStyle::SwapContents(CEntity& other)
{
    auto& that = static_cast<CTextStyle&>(other);
    CEntity::SwapContents(other);
    std::swap(m_font, that.m_font);
    std::swap(m_secondFont, that.m_secondFont);
    std::swap(m_setting1, that.m_setting1);
    std::swap(m_setting2, that.m_setting2);
    std::swap(m_flag3, that.m_flag3);
    std::swap(m_setting4, that.m_setting4);
    std::swap(m_flag5, that.m_flag5);
    std::swap(m_setting6, that.m_setting6);
    std::swap(m_color, that.m_color);
    std::swap(m_secondColor, that.m_secondColor);
}

int CTextStyle::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CTextStyle), map, [&] { return CEntity::CheckValidity(level, map); }, [] { return 0; });
}

void CTextStyle::ReplaceFont(CZpFont*& slot, CZpFont* font)
{
    // The last use of a font of the font manager erases it.
    if (slot)
        slot->Release();
    slot = font;
    if (font)
        font->AddRef();
}

void CTextStyle::SetFont(CZpFont* font, bool record)
{
    if (font == m_font)
        return;
    if (record)
        MarkChanged();
    ReplaceFont(m_font, font);
}

void CTextStyle::SetSecondFont(CZpFont* font, bool record)
{
    if (font == m_secondFont)
        return;
    if (record)
        MarkChanged();
    ReplaceFont(m_secondFont, font);
}

void CTextStyle::SetDefaultFont()
{
    CZpFont* font = ManagedFont(GetModel(), L"Tahoma", false, false, 12);
    SetFont(font, false);
    SetSecondFont(font, false);
}

void CTextStyle::EnsureFont()
{
    if (!m_font)
        SetDefaultFont();
}

CZpFont* CTextStyle::GetFont()
{
    EnsureFont();
    return m_font;
}

CZpFont* CTextStyle::GetSecondFont()
{
    EnsureFont();
    return m_secondFont;
}

void CTextStyle::SetSetting1(int32_t value)
{
    if (value == m_setting1)
        return;
    MarkChanged();
    m_setting1 = value;
}

void CTextStyle::SetSetting2(int32_t value)
{
    if (value == m_setting2)
        return;
    MarkChanged();
    m_setting2 = value;
}

void CTextStyle::SetFlag3(bool value)
{
    if (value == m_flag3)
        return;
    MarkChanged();
    m_flag3 = value;
}

void CTextStyle::SetSetting4(int32_t value)
{
    if (value == m_setting4)
        return;
    MarkChanged();
    m_setting4 = value;
}

void CTextStyle::SetFlag5(bool value)
{
    if (value == m_flag5)
        return;
    MarkChanged();
    m_flag5 = value;
}

void CTextStyle::SetColor(const CColor& color)
{
    if (color == m_color)
        return;
    MarkChanged();
    m_color = color;
}

void CTextStyle::SetSecondColor(const CColor& color)
{
    if (color == m_secondColor)
        return;
    MarkChanged();
    m_secondColor = color;
}
