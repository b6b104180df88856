#pragma once
// CDimensionStyle: the settings every dimension of a model shares (entity type 43): the font of
// dimensions without their own, arrow type, line width, text placement, the rules that hide
// dimensions seen too obliquely or too small, and the colours. The model owns exactly one and
// reads it after the root component.
//
// The style holds one counted use of its font. Style values 1 to 3 and style colour 4 are read, copied and
// swapped, and nothing else.

#include <cstdint>

#include "database/Entity.h"
#include "support/Color.h"

class CZpFont;
class IModelContext;

class CDimensionStyle : public CEntity {
    DECLARE_SERIAL(CDimensionStyle)
public:
    using CColor = orbisk::utils::CColor;

    // The model pointer is given by the model that owns the style; the defaults are set, the
    // default font only when the model (or the current model) has a font manager.
    explicit CDimensionStyle(IModelContext* model = nullptr);
    // Every member but the model pointer, sharing the font without a use (an undo snapshot).
    // Neither the style nor its copies give their font's use back when they are deleted: only
    // erasing and replacing the font do.
    CDimensionStyle(const CDimensionStyle& other);
    CDimensionStyle& operator=(const CDimensionStyle&) = delete;

    void Serialize(CArchive& ar) override;
    void Erase() override;
    CEntity* CreateCopy() const override;
    void SwapContents(CEntity& other) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityDimensionStyle; }
    IModelContext* GetModel() const override;

    void SetDefaults();
    // Arial 12 pt from the font manager of the style's model (or the current model); no notice.
    void SetDefaultFont();
    // Makes the default font first when the style has none.
    CZpFont* GetFont();
    CZpFont* PeekFont() const { return m_font; }
    // Nothing when the font is the same; the root component's text is rendered again.
    void SetFont(CZpFont* font, bool notify);

    int32_t GetFontType() const { return m_fontType; }
    bool IsTextAligned() const { return m_alignedText; }
    bool GetKeepTextReadable() const { return m_keepTextReadable; }
    int32_t GetLineWidth() const { return m_lineWidth; }
    int32_t GetArrowType() const { return m_arrowType; }
    bool GetHighlightFlag() const { return m_highlight; }
    CColor GetHighlightColor() const { return m_highlightColor; }
    bool GetShowRadiusPrefix() const { return m_showRadiusPrefix; }
    bool GetHideOutOfPlane() const { return m_hideOutOfPlane; }
    double GetOutOfPlaneValue() const { return m_outOfPlaneValue; }
    bool GetHideWhenSmall() const { return m_hideWhenSmall; }
    double GetMinimumSize() const { return m_minimumSize; }
    CColor GetDefaultColor() const { return m_defaultColor; }
    int32_t GetTextPosition() const { return m_textPosition; }
    int32_t GetStyleValue(int which) const;
    CColor GetStyleColor4() const { return m_styleColor4; }

    // Each with a change notice when the value differs.
    void SetAlignedText(bool aligned);
    void SetArrowType(int32_t type);
    void SetHighlight(bool on, CColor color);
    void SetShowRadiusPrefix(bool on);
    void SetHideOutOfPlane(bool on, double value);
    void SetHideWhenSmall(bool on, double minimumSize);
    void SetDefaultColor(CColor color);
    void SetTextPosition(int32_t position);

private:
    void Read(CArchive& ar);
    void Write(CArchive& ar);
    void ReleaseRootGLResources() const;
    int CheckOwnValidity(int level, CCheckedObjectMap* map);

    IModelContext* m_model = nullptr;
    CZpFont* m_font = nullptr;
    int32_t m_fontType = 0;
    bool m_alignedText = false;
    bool m_keepTextReadable = true;
    int32_t m_styleValue1 = 5;
    int32_t m_styleValue2 = 10;
    int32_t m_lineWidth = 1;
    int32_t m_arrowType = 3;
    int32_t m_styleValue3 = 10;
    bool m_highlight = false;
    CColor m_highlightColor{255, 0, 0, 255};
    bool m_showRadiusPrefix = true;
    bool m_hideOutOfPlane = false;
    double m_outOfPlaneValue = 0.6;
    bool m_hideWhenSmall = false;
    double m_minimumSize = 10.0;
    CColor m_defaultColor{64, 64, 64, 255};
    CColor m_styleColor4;
    int32_t m_textPosition = 1;
};

// A counted font slot: takes a use of the new font, then gives the old one's back. Either may
// be null.
void ReplaceCountedFont(CZpFont*& slot, CZpFont* font);
// Reads a reference to a font (or null); anything else is badClass.
CZpFont* ReadFontReference(CArchive& ar);
