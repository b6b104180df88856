#include "components/DimensionStyle.h"

#include "components/ZpFont.h"
#include <cmath>

#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "database/CurrentModel.h"
#include "database/DrawingElement.h"
#include "database/FontManager.h"
#include "database/IModelContext.h"
#include "support/ArchiveOperators.h"

IMPLEMENT_SERIAL(CDimensionStyle, CEntity, VERSIONABLE_SCHEMA | 4)

using orbisk::utils::operator<<;
using orbisk::utils::operator>>;

CZpFont* ReadFontReference(CArchive& ar)
{
    // Fonts are listed by the font manager, which the model reads after the styles.
    return ReadUnownedReference<CZpFont>(ar);
}

void ReplaceCountedFont(CZpFont*& slot, CZpFont* font)
{
    if (slot == font)
        return;
    if (font)
        font->AddRef();
    CZpFont* old = slot;
    slot = font;
    if (old)
        old->Release();
}

CDimensionStyle::CDimensionStyle(IModelContext* model) : m_model(model)
{
    SetDefaults();
}

CDimensionStyle::CDimensionStyle(const CDimensionStyle& other)
    : CEntity(other),
      m_font(other.m_font),
      m_fontType(other.m_fontType),
      m_alignedText(other.m_alignedText),
      m_keepTextReadable(other.m_keepTextReadable),
      m_styleValue1(other.m_styleValue1),
      m_styleValue2(other.m_styleValue2),
      m_lineWidth(other.m_lineWidth),
      m_arrowType(other.m_arrowType),
      m_styleValue3(other.m_styleValue3),
      m_highlight(other.m_highlight),
      m_highlightColor(other.m_highlightColor),
      m_showRadiusPrefix(other.m_showRadiusPrefix),
      m_hideOutOfPlane(other.m_hideOutOfPlane),
      m_outOfPlaneValue(other.m_outOfPlaneValue),
      m_hideWhenSmall(other.m_hideWhenSmall),
      m_minimumSize(other.m_minimumSize),
      m_defaultColor(other.m_defaultColor),
      m_styleColor4(other.m_styleColor4),
      m_textPosition(other.m_textPosition)
{}

IModelContext* CDimensionStyle::GetModel() const
{
    return m_model ? m_model : CEntity::GetModel();
}

void CDimensionStyle::SetDefaults()
{
    m_alignedText = false;
    m_keepTextReadable = true;
    m_styleValue1 = 5;
    m_styleValue2 = 10;
    m_lineWidth = 1;
    m_arrowType = 3;
    m_styleValue3 = 10;
    m_highlight = false;
    m_highlightColor = CColor(255, 0, 0, 255);
    m_showRadiusPrefix = true;
    m_hideOutOfPlane = false;
    m_outOfPlaneValue = 0.6;
    m_hideWhenSmall = false;
    m_minimumSize = 10.0;
    m_defaultColor = CColor(64, 64, 64, 255);
    m_styleColor4 = CColor();
    m_textPosition = 1;
    SetDefaultFont();
}

void CDimensionStyle::SetDefaultFont()
{
    m_fontType = 0;
    IModelContext* model = GetModel() ? GetModel() : GetCurrentModel();
    CFontManager* manager = model ? model->GetFontManager() : nullptr;
    if (!manager)
        return;
    // Not italic, not bold, 12 points, sized in points (model height 1).
    ReplaceCountedFont(m_font, dynamic_cast<CZpFont*>(manager->GetFont(L"Arial", 0, 0, 12, nullptr, 0, 1.0)));
}

CZpFont* CDimensionStyle::GetFont()
{
    if (!m_font)
        SetDefaultFont();
    return m_font;
}

void CDimensionStyle::SetFont(CZpFont* font, bool notify)
{
    if (font == m_font)
        return;
    if (notify)
        MarkChanged();
    ReplaceCountedFont(m_font, font);
    ReleaseRootGLResources();
}

void CDimensionStyle::ReleaseRootGLResources() const
{
    IModelContext* model = GetCurrentModel();
    if (auto* root = dynamic_cast<CDrawingElement*>(model ? model->GetRootComponent() : nullptr))
        root->ReleaseGLResources();
}

int32_t CDimensionStyle::GetStyleValue(int which) const
{
    return which == 1 ? m_styleValue1 : which == 2 ? m_styleValue2 : m_styleValue3;
}

void CDimensionStyle::SetAlignedText(bool aligned)
{
    if (aligned == m_alignedText)
        return;
    MarkChanged();
    m_alignedText = aligned;
}

void CDimensionStyle::SetArrowType(int32_t type)
{
    if (type == m_arrowType)
        return;
    MarkChanged();
    m_arrowType = type;
}

void CDimensionStyle::SetHighlight(bool on, CColor color)
{
    if (on == m_highlight && color == m_highlightColor)
        return;
    MarkChanged();
    m_highlight = on;
    m_highlightColor = color;
}

void CDimensionStyle::SetShowRadiusPrefix(bool on)
{
    if (on == m_showRadiusPrefix)
        return;
    MarkChanged();
    m_showRadiusPrefix = on;
}

void CDimensionStyle::SetHideOutOfPlane(bool on, double value)
{
    if (on == m_hideOutOfPlane && value == m_outOfPlaneValue)
        return;
    MarkChanged();
    m_hideOutOfPlane = on;
    m_outOfPlaneValue = value;
}

void CDimensionStyle::SetHideWhenSmall(bool on, double minimumSize)
{
    if (on == m_hideWhenSmall && minimumSize == m_minimumSize)
        return;
    MarkChanged();
    m_hideWhenSmall = on;
    m_minimumSize = minimumSize;
}

void CDimensionStyle::SetDefaultColor(CColor color)
{
    if (color == m_defaultColor)
        return;
    MarkChanged();
    m_defaultColor = color;
}

void CDimensionStyle::SetTextPosition(int32_t position)
{
    if (position == m_textPosition)
        return;
    MarkChanged();
    m_textPosition = position;
}

void CDimensionStyle::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] {
        CEntity::Serialize(ar);
        if (ar.IsLoading())
            Read(ar);
        else
            Write(ar);
    });
}

void CDimensionStyle::Read(CArchive& ar)
{
    const int32_t v = GetClassVersion(RUNTIME_CLASS(CDimensionStyle));
    int32_t ignoredFontType = 0;
    ar >> ignoredFontType;
    m_fontType = 0;
    CZpFont* font = m_font;
    if (v >= 1)
        font = ReadFontReference(ar);
    // Everything is read before anything changes, so that a failed record leaves the style
    // (and the uses of its font) as they were.
    uint8_t aligned = 0, readable = 0, highlight = 0, prefix = 0, hideOutOfPlane = 0, hideWhenSmall = 0;
    int32_t value1 = 0, value2 = m_styleValue2, lineWidth = 0, arrowType = 0, value3 = m_styleValue3;
    CColor highlightColor, defaultColor = m_defaultColor, color4 = m_styleColor4;
    double outOfPlane = 0.0, minimumSize = 0.0;
    int32_t textPosition = m_textPosition;
    ar >> aligned >> readable >> value1;
    if (v >= 3)
        ar >> value2;
    ar >> lineWidth >> arrowType;
    if (v >= 3)
        ar >> value3;
    ar >> highlight >> highlightColor >> prefix >> hideOutOfPlane >> outOfPlane >> hideWhenSmall >>
        minimumSize;
    if (v >= 2)
        ar >> defaultColor >> color4;
    if (v >= 4)
        ar >> textPosition;

    if (font != m_font) {
        ReplaceCountedFont(m_font, font);
        ReleaseRootGLResources();
    }
    if (m_font)
        m_font->SetRenderType(m_fontType);
    m_alignedText = aligned != 0;
    m_keepTextReadable = readable != 0;
    m_styleValue1 = value1;
    m_styleValue2 = value2;
    // Older files kept another meaning in the width field.
    m_lineWidth = v < 3 ? 1 : lineWidth;
    m_arrowType = arrowType;
    m_styleValue3 = value3;
    m_highlight = highlight != 0;
    m_highlightColor = highlightColor;
    m_showRadiusPrefix = prefix != 0;
    m_hideOutOfPlane = hideOutOfPlane != 0;
    m_outOfPlaneValue = outOfPlane;
    m_hideWhenSmall = hideWhenSmall != 0;
    m_minimumSize = minimumSize;
    m_defaultColor = defaultColor;
    m_styleColor4 = color4;
    m_textPosition = textPosition;
}

void CDimensionStyle::Write(CArchive& ar)
{
    ar << int32_t{0} << static_cast<CObject*>(m_font);
    ar << static_cast<uint8_t>(m_alignedText) << static_cast<uint8_t>(m_keepTextReadable) << m_styleValue1
       << m_styleValue2 << m_lineWidth << m_arrowType << m_styleValue3;
    ar << static_cast<uint8_t>(m_highlight) << m_highlightColor << static_cast<uint8_t>(m_showRadiusPrefix)
       << static_cast<uint8_t>(m_hideOutOfPlane) << m_outOfPlaneValue << static_cast<uint8_t>(m_hideWhenSmall)
       << m_minimumSize << m_defaultColor << m_styleColor4 << m_textPosition;
}

void CDimensionStyle::Erase()
{
    MarkChanged();
    CEntity::Erase();
}

CEntity* CDimensionStyle::CreateCopy() const
{
    return new CDimensionStyle(*this);
}

void CDimensionStyle::SwapContents(CEntity& other)
{
    CEntity::SwapContents(other);
    auto& style = static_cast<CDimensionStyle&>(other);
    std::swap(m_font, style.m_font);
    std::swap(m_fontType, style.m_fontType);
    std::swap(m_alignedText, style.m_alignedText);
    std::swap(m_keepTextReadable, style.m_keepTextReadable);
    std::swap(m_styleValue1, style.m_styleValue1);
    std::swap(m_styleValue2, style.m_styleValue2);
    std::swap(m_lineWidth, style.m_lineWidth);
    std::swap(m_arrowType, style.m_arrowType);
    std::swap(m_styleValue3, style.m_styleValue3);
    std::swap(m_highlight, style.m_highlight);
    std::swap(m_highlightColor, style.m_highlightColor);
    std::swap(m_showRadiusPrefix, style.m_showRadiusPrefix);
    std::swap(m_hideOutOfPlane, style.m_hideOutOfPlane);
    std::swap(m_outOfPlaneValue, style.m_outOfPlaneValue);
    std::swap(m_hideWhenSmall, style.m_hideWhenSmall);
    std::swap(m_minimumSize, style.m_minimumSize);
    std::swap(m_defaultColor, style.m_defaultColor);
    std::swap(m_styleColor4, style.m_styleColor4);
    std::swap(m_textPosition, style.m_textPosition);
}

int CDimensionStyle::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CDimensionStyle), map, [&] { return CEntity::CheckValidity(level, map); },
        [&] { return CheckOwnValidity(level, map); });
}

int CDimensionStyle::CheckOwnValidity(int level, CCheckedObjectMap* map)
{
    const CString name = DescribeEntity(this);
    if (!m_font || !m_font->IsKindOf(RUNTIME_CLASS(CZpFont))) {
        AppendValidityMessage("The font for %s is not valid\n", name.GetString());
        if (m_font)
            RecordValidity(m_font, 3, map);
        return 3;
    }
    if (level == kValidityCheckIgnoringIds)
        return 0;
    if (m_fontType != 0) {
        AppendValidityMessage("The font type for %s is not valid\n", name.GetString());
        return 2;
    }
    int result = 0;
    const auto problem = [&](const char* message, auto repair) {
        AppendValidityMessage(message, name.GetString());
        if (ShouldFix(level)) {
            MarkChanged();
            repair();
        } else {
            result = std::max(result, 1);
        }
    };
    if (m_arrowType < 0 || m_arrowType > 4)
        problem("The arrow type for %s is not valid", [&] { m_arrowType = 0; });
    if (!std::isfinite(m_outOfPlaneValue))
        problem("The hide out of plane value for %s is bad", [&] { m_outOfPlaneValue = 0.0; });
    if (m_textPosition < 0 || m_textPosition > 4)
        problem("The text position for %s is not valid", [&] { m_textPosition = 1; });
    return result;
}
