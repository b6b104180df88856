#pragma once
// CTextStyle: the model's one set of text settings (entity type 44): two fonts, two colours and
// a few stored settings this program keeps but does not interpret. A text without a font of
// its own draws with the style's font, and a text record without a font takes it.
//
// The style counts one use of each of its fonts (AddRef/Release on the font); the model's font
// manager owns the fonts. Deleting the style gives no uses back: the fonts go with the model.

#include <cstdint>

#include "database/Entity.h"
#include "support/Color.h"

class CZpFont;

class CTextStyle : public CEntity {
    DECLARE_SERIAL(CTextStyle)
public:
    using CColor = orbisk::utils::CColor;

    // Without a model and without fonts (the archive's constructor).
    CTextStyle() = default;
    // The defaults, and the default font from the model's font manager.
    explicit CTextStyle(IModelContext* model);
    // The undo snapshot: no model; the font pointers are shared without uses.
    CTextStyle(const CTextStyle& other);
    CTextStyle& operator=(const CTextStyle&) = delete;

    // Schema 3 describes the font inline (face, height, two style bytes, a dropped string) and
    // takes it from the model's font manager; the others refer to a font. Then settings 4, 2, 3,
    // 1 and 5; from schema 2 the colour, from schema 5 the second colour and the second font
    // (before that both equal the first).
    void Serialize(CArchive& ar) override;
    CEntity* CreateCopy() const override;
    // Everything after the model pointer.
    void SwapContents(CEntity& other) override;
    IModelContext* GetModel() const override { return m_model; }
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityTextStyle; }

    // No-op for the same font; records the change only with record set. The old font loses a
    // use and the new one gains one.
    void SetFont(CZpFont* font, bool record);
    void SetSecondFont(CZpFont* font, bool record);
    // "Tahoma", 12 points, plain, from the model's font manager, as both fonts; not recorded.
    void SetDefaultFont();
    void EnsureFont();
    CZpFont* GetFont();
    CZpFont* GetSecondFont();
    // Without making the default.
    CZpFont* GetOwnFont() const { return m_font; }
    CZpFont* GetOwnSecondFont() const { return m_secondFont; }

    virtual void SetSetting1(int32_t value);
    virtual int32_t GetSetting1() const { return m_setting1; }
    virtual void SetSetting2(int32_t value);
    virtual int32_t GetSetting2() const { return m_setting2; }
    virtual void SetFlag3(bool value);
    virtual bool GetFlag3() const { return m_flag3; }
    virtual void SetSetting4(int32_t value);
    virtual int32_t GetSetting4() const { return m_setting4; }
    virtual void SetFlag5(bool value);
    virtual bool GetFlag5() const { return m_flag5; }
    virtual void SetColor(const CColor& color);
    virtual void GetColor(CColor& out) const { out = m_color; }
    virtual void SetSecondColor(const CColor& color);
    virtual void GetSecondColor(CColor& out) const { out = m_secondColor; }

    int32_t GetSetting6() const { return m_setting6; }

private:
    void ReadRecord(CArchive& ar);
    void WriteRecord(CArchive& ar) const;
    CZpFont* ReadInlineFont(CArchive& ar);
    static void ReplaceFont(CZpFont*& slot, CZpFont* font);

    IModelContext* m_model = nullptr;
    CZpFont* m_font = nullptr;
    CZpFont* m_secondFont = nullptr;
    int32_t m_setting1 = 3;
    int32_t m_setting2 = 1;
    bool m_flag3 = false;
    int32_t m_setting4 = 2;
    bool m_flag5 = true;
    int32_t m_setting6 = 0;
    CColor m_color{0, 0, 0, 255};
    CColor m_secondColor{0, 0, 0, 255};
};
