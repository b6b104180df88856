#pragma once
// CFontManager: the fonts of a model (CZpFont entities, type 19), each kept once so that all
// users of the same face, style and size share one font and its text cache. The manager owns
// the fonts and is their parent (CEntityList: deleting the manager, also half-read, frees the
// fonts it still parents); it finds or creates fonts on request and checks that the fonts'
// reference counts agree with their users, repairing the list in fix mode.
//
// The manager keeps fonts as entities and reaches their properties through IFont
// (database/IFont.h); new fonts come from the model's object factory.

#include <cstdint>
#include <map>

#include "database/Entity.h"
#include "database/EntityList.h"

class CRecordAdoptions;
class IModelContext;

class CFontManager : public CEntity, public CEntityListContainer<CEntity> {
    DECLARE_SERIAL(CFontManager)
public:
    // Font to the number of users found.
    using UseCounts = std::map<CEntity*, int, std::less<>>;

    explicit CFontManager(CEntity* parent = nullptr);
    CFontManager(const CFontManager&) = delete;
    CFontManager& operator=(const CFontManager&) = delete;

    // After the entity record, a count and the fonts as object references (anything but a font
    // is badClass; a font another font manager lists is skipped). A failed record gives up the
    // fonts it listed (CRecordAdoptions). Writing stores, for save formats below 6000, only the
    // fonts in use.
    void Serialize(CArchive& ar) override;
    // Every font is erased, then the manager.
    void Erase() override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityFontManager; }

    // The manager becomes the font's parent; appended unless listed already.
    void Add(CEntity* entity) override;
    bool Remove(CEntity* entity) override;
    // Every font is erased, then the list emptied.
    void RemoveAll() override;

    // The font manager of the current model, or null.
    static CFontManager* GetCurrentFontManager();

    // The first font with that face (without regard to case), style bytes, type, extra byte and
    // text cache whose size differs by less than the library tolerance; else a new font from the
    // object factory of the manager's model (or the current model), added (and recorded). Null
    // only when no font matches and there is no factory to make one.
    CEntity* GetFont(const CString& faceName, uint8_t style1, uint8_t style2, int32_t type,
                     const void* textCache, uint8_t extra, double pointSize);
    // Remove, recording the removal.
    bool RemoveFont(CEntity* font);
    void ClearCacheHandles();
    // Adds one use for every font that the model's styles hold and that its dimensions (from
    // save format 6 on) and texts use, in the root component and in every definition.
    static void CountUsedFonts(IModelContext& model, UseCounts& counts, int saveFormat);

protected:
    const CEntityList<CEntity>& Members() const override { return m_fonts; }

private:
    void ReadFonts(CArchive& ar);
    void ReadFontList(CArchive& ar, CRecordAdoptions& adopted);
    void WriteFonts(CArchive& ar);
    void AddRecorded(CEntity* font);
    int CheckFonts(int level, CCheckedObjectMap* map);
    int CheckUseCounts(int level);

    // First, so that it goes last: the fonts it frees may look at the manager.
    CEntityList<CEntity> m_fonts{*this};
};
