#include "database/FontManager.h"

#include <algorithm>
#include <memory>

#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "database/CurrentModel.h"
#include "database/DefinitionList.h"
#include "database/IComponent.h"
#include "database/IFont.h"
#include "database/IFontUser.h"
#include "database/IModelContext.h"
#include "database/IObjectFactory.h"
#include "database/UndoManager.h"
#include "geometry/Tolerance.h"
#include "platform/mfc/Archive.h"
#include "support/StringUtils.h"

IMPLEMENT_SERIAL(CFontManager, CEntity, VERSIONABLE_SCHEMA | 0)

namespace {

bool IsFont(const CEntity* entity)
{
    return IsEntityOfType(entity, kEntityFont) && dynamic_cast<const IFont*>(entity);
}

IFont& AsFont(CEntity* font)
{
    return dynamic_cast<IFont&>(*font);
}

CUndoOperation* RecordingOperation()
{
    return IsUndoRecording() ? GetCurrentUndoOperation() : nullptr;
}

bool Matches(const CFontDescription& font, const CFontDescription& wanted)
{
    return orbisk::utils::CompareNoCase(font.faceName.GetString(), wanted.faceName.GetString()) == 0 &&
           font.style1 == wanted.style1 && font.style2 == wanted.style2 && font.type == wanted.type &&
           font.extra == wanted.extra && font.textCache == wanted.textCache &&
           orbisk::geometry::EqualWithinTolerance(font.pointSize, wanted.pointSize);
}

void CountFont(CEntity* font, CFontManager::UseCounts& counts)
{
    if (font)
        ++counts[font];
}

void CountElementFonts(CEntity* component, CFontManager::UseCounts& counts, int saveFormat)
{
    IComponent* container = AsComponent(component);
    if (!container)
        return;
    std::unique_ptr<IEntityIterator> entities(container->GetEntities().CreateIterator());
    for (CEntity* entity = nullptr; entities && entities->Next(entity);) {
        if (!entity)
            continue;
        const int type = entity->GetEntityType();
        const bool isDimension = type == kEntityDimensionLinear || type == kEntityDimensionRadial;
        if (!(isDimension && saveFormat >= 6) && type != kEntityText)
            continue;
        if (const auto* user = dynamic_cast<const IFontUser*>(entity))
            CountFont(user->GetUsedFont(), counts);
    }
}

}  // namespace

CFontManager::CFontManager(CEntity* parent)
{
    SetParent(parent);
}

void CFontManager::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] {
        CEntity::Serialize(ar);
        if (ar.IsLoading())
            ReadFonts(ar);
        else
            WriteFonts(ar);
    });
}

void CFontManager::ReadFonts(CArchive& ar)
{
    // The list is replaced. Fonts listed before may still be used by texts and styles: they
    // stay alive until the model goes, unless a list takes them again.
    for (CEntity* font : m_fonts.TakeAll()) {
        if (font->GetParent() == this)
            font->SetParent(nullptr);
        KeepUntilAdopted(font);
    }
    CRecordAdoptions adopted(*this, [&](CEntity* font) { m_fonts.Take(font); });
    ReadFontList(ar, adopted);
    adopted.Keep();
}

void CFontManager::ReadFontList(CArchive& ar, CRecordAdoptions& adopted)
{
    const int32_t count = ReadItemCount(ar, kMinObjectReferenceBytes);
    for (int32_t i = 0; i < count; ++i) {
        bool madeHere = false;
        // Any class may stand here; what is not a font is refused below, with its object kept
        // for the pool rather than leaked.
        CObject* object = ReadObjectReference(ar, nullptr, madeHere);
        if (!object)
            continue;
        auto* font = dynamic_cast<CEntity*>(object);
        if (!IsFont(font)) {
            if (madeHere)
                KeepUnownedObject(object);
            AfxThrowArchiveException(CArchiveException::badClass);
        }
        if (Contains(font) || m_fonts.IsListedElsewhere(font))
            continue;
        AddRecorded(font);
        adopted.Note(font, madeHere);
    }
}

void CFontManager::WriteFonts(CArchive& ar)
{
    std::vector<CEntity*> written(m_fonts.begin(), m_fonts.end());
    IModelContext* model = GetModel();
    if (GetSaveFormat() < 6000 && model) {
        UseCounts counts;
        CountUsedFonts(*model, counts, 5);
        written.clear();
        for (const auto& entry : counts)
            written.push_back(entry.first);
    }
    ar << static_cast<int32_t>(written.size());
    for (const CEntity* font : written)
        ar << static_cast<const CObject*>(font);
}

void CFontManager::AddRecorded(CEntity* font)
{
    if (CUndoOperation* operation = RecordingOperation())
        operation->AddElement(font, this);
    Add(font);
}

void CFontManager::Erase()
{
    m_fonts.EraseAll();
    CEntity::Erase();
}

void CFontManager::Add(CEntity* entity)
{
    if (IsFont(entity))
        m_fonts.Adopt(entity);
}

bool CFontManager::Remove(CEntity* entity)
{
    if (!m_fonts.Take(entity))
        return false;
    entity->SetParent(nullptr);
    return true;
}

void CFontManager::RemoveAll()
{
    m_fonts.EraseAll();
}

CFontManager* CFontManager::GetCurrentFontManager()
{
    IModelContext* model = GetCurrentModel();
    return model ? model->GetFontManager() : nullptr;
}

CEntity* CFontManager::GetFont(const CString& faceName, uint8_t style1, uint8_t style2, int32_t type,
                               const void* textCache, uint8_t extra, double pointSize)
{
    const CFontDescription wanted{faceName, style1, style2, type, extra, pointSize, textCache};
    for (CEntity* font : m_fonts) {
        if (Matches(AsFont(font).GetDescription(), wanted))
            return font;
    }
    IModelContext* model = GetModel();
    if (!model)
        model = GetCurrentModel();
    IObjectFactory* factory = model ? model->GetObjectFactory() : nullptr;
    CEntity* font = factory ? factory->CreateFont(wanted) : nullptr;
    if (font)
        AddRecorded(font);
    return font;
}

bool CFontManager::RemoveFont(CEntity* font)
{
    if (!Remove(font))
        return false;
    if (CUndoOperation* operation = RecordingOperation())
        operation->RemoveElement(font, this);
    return true;
}

void CFontManager::ClearCacheHandles()
{
    for (CEntity* font : m_fonts)
        AsFont(font).ClearCacheHandle();
}

void CFontManager::CountUsedFonts(IModelContext& model, UseCounts& counts, int saveFormat)
{
    if (CEntity* first = model.GetTextStyleFont(0)) {
        CountFont(first, counts);
        if (saveFormat > 5)
            CountFont(model.GetTextStyleFont(1), counts);
    }
    CountFont(model.GetDimensionStyleFont(), counts);
    CEntity* root = model.GetRootComponent();
    CountElementFonts(root, counts, saveFormat);
    const IComponent* rootComponent = AsComponent(root);
    CDefinitionList* definitions = rootComponent ? rootComponent->GetDefinitionList() : nullptr;
    for (int i = 0; definitions && i < definitions->GetCount(); ++i)
        CountElementFonts(definitions->GetAt(i), counts, saveFormat);
}

int CFontManager::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CFontManager), map, [&] { return CEntity::CheckValidity(level, map); },
        [&] { return CheckFonts(level, map); });
}

int CFontManager::CheckFonts(int level, CCheckedObjectMap* map)
{
    for (int i = GetCount() - 1; i >= 0; --i) {
        CEntity* font = m_fonts.GetAt(i);
        if (!IsFont(font)) {
            AppendValidityMessage("Font %d for %s is not valid\n", i, DescribeEntity(this).GetString());
            return RecordValidity(font, 3, map);
        }
    }
    return CheckUseCounts(level);
}

// Without a model there are no users to compare with, and nothing is reported.
int CFontManager::CheckUseCounts(int level)
{
    IModelContext* model = GetModel();
    if (!model)
        return 0;
    UseCounts counts;
    CountUsedFonts(*model, counts, 6);
    const bool fix = level == kValidityFix;
    int unreferenced = 0;
    int wronglyCounted = 0;
    for (int i = 0; i < m_fonts.GetCount();) {
        CEntity* font = m_fonts.GetAt(i);
        auto found = counts.find(font);
        if (found == counts.end()) {
            ++unreferenced;
            if (fix) {
                RemoveFont(font);
                font->Erase();
                continue;
            }
            ++i;
            continue;
        }
        if (found->second != AsFont(font).GetRefCount()) {
            ++wronglyCounted;
            if (fix)
                AsFont(font).SetRefCount(found->second);
        }
        counts.erase(found);
        ++i;
    }
    const int missing = static_cast<int>(counts.size());
    if (fix) {
        for (const auto& [font, count] : counts) {
            // A user's font that is not a font is left to the user's own check.
            if (!IsFont(font))
                continue;
            AsFont(font).SetRefCount(count);
            AddRecorded(font);
        }
    }
    int result = 0;
    auto report = [&](const char* format, int number) {
        if (number < 1)
            return;
        AppendValidityMessage(format, number);
        if (!ShouldFix(level))
            result = 1;
    };
    report("Found %d unreferenced fonts", unreferenced);
    report("Found %d fonts with incorrect reference count", wronglyCounted);
    report("Found %d missing fonts", missing);
    return result;
}
