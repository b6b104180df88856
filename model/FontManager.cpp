#include "model/FontManager.h"

#include <algorithm>
#include <memory>

#include "geometry/Tolerance.h"
#include "model/ArchiveReading.h"
#include "model/ArchiveSchema.h"
#include "model/DatabaseLinks.h"
#include "model/DefinitionList.h"
#include "model/EntityLinks.h"
#include "model/UndoManager.h"
#include "platform/mfc/Archive.h"
#include "support/StringUtils.h"

IMPLEMENT_SERIAL(CFontManager, CEntity, VERSIONABLE_SCHEMA | 0)

namespace {

bool IsFont(const CEntity* entity)
{
    return IsEntityOfType(entity, kEntityFont);
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

void CountElementFonts(CEntity& component, CFontManager::UseCounts& counts, int saveFormat)
{
    std::unique_ptr<IEntityIterator> entities(links::GetEntities(component).CreateIterator());
    for (CEntity* entity = nullptr; entities && entities->Next(entity);) {
        if (!entity)
            continue;
        const int type = entity->GetEntityType();
        const bool isDimension = type == kEntityDimensionLinear || type == kEntityDimensionRadial;
        if ((isDimension && saveFormat >= 6) || type == kEntityText)
            CountFont(links::GetElementFont(*entity), counts);
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
    m_fonts.clear();
    const int32_t count = ReadItemCount(ar, kMinObjectReferenceBytes);
    const CRuntimeClass* fontClass = CRuntimeClass::FromName("CZpFont");
    for (int32_t i = 0; i < count; ++i) {
        CObject* object = ar.ReadObject(fontClass);
        if (!object)
            continue;
        auto* font = dynamic_cast<CEntity*>(object);
        if (!IsFont(font))
            AfxThrowArchiveException(CArchiveException::badClass);
        AddRecorded(font);
    }
}

void CFontManager::WriteFonts(CArchive& ar)
{
    std::vector<CEntity*> written = m_fonts;
    CZephyronModel* model = GetModel();
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
    // Erasing may delete: walk a copy.
    const std::vector<CEntity*> fonts = m_fonts;
    for (CEntity* font : fonts)
        font->Erase();
    CEntity::Erase();
}

bool CFontManager::Contains(const CEntity* entity) const
{
    return IsFont(entity) && std::find(m_fonts.begin(), m_fonts.end(), entity) != m_fonts.end();
}

void CFontManager::Add(CEntity* entity)
{
    if (!IsFont(entity))
        return;
    entity->SetParent(this);
    if (!Contains(entity))
        m_fonts.push_back(entity);
}

bool CFontManager::Remove(CEntity* entity)
{
    if (!Contains(entity))
        return false;
    m_fonts.erase(std::find(m_fonts.begin(), m_fonts.end(), entity));
    entity->SetParent(nullptr);
    return true;
}

void CFontManager::RemoveAll()
{
    const std::vector<CEntity*> fonts = m_fonts;
    m_fonts.clear();
    for (CEntity* font : fonts)
        font->Erase();
}

CEntity* CFontManager::GetAt(int index) const
{
    return index >= 0 && index < GetCount() ? m_fonts[static_cast<size_t>(index)] : nullptr;
}

IEntityIterator* CFontManager::CreateIterator()
{
    return new CContainerIterator(*this);
}

CFontManager* CFontManager::GetCurrentFontManager()
{
    CZephyronModel* model = links::GetCurrentModel();
    return model ? links::GetFontManager(*model) : nullptr;
}

CEntity* CFontManager::GetFont(const CString& faceName, uint8_t style1, uint8_t style2, int32_t type,
                               const void* textCache, uint8_t extra, double pointSize)
{
    const CFontDescription wanted{faceName, style1, style2, type, extra, pointSize, textCache};
    for (CEntity* font : m_fonts) {
        if (Matches(links::DescribeFont(*font), wanted))
            return font;
    }
    CEntity* font = links::CreateFont(wanted);
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
        links::ClearFontCacheHandle(*font);
}

void CFontManager::CountUsedFonts(CZephyronModel& model, UseCounts& counts, int saveFormat)
{
    if (CEntity* first = links::GetTextStyleFont(model, 0)) {
        CountFont(first, counts);
        if (saveFormat > 5)
            CountFont(links::GetTextStyleFont(model, 1), counts);
    }
    CountFont(links::GetDimensionStyleFont(model), counts);
    CEntity* root = links::GetRootComponent(model);
    if (!root)
        return;
    CountElementFonts(*root, counts, saveFormat);
    CDefinitionList* definitions = links::GetDefinitionList(*root);
    for (int i = 0; definitions && i < definitions->GetCount(); ++i)
        CountElementFonts(*definitions->GetAt(i), counts, saveFormat);
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
        CEntity* font = m_fonts[static_cast<size_t>(i)];
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
    CZephyronModel* model = GetModel();
    if (!model)
        return 0;
    UseCounts counts;
    CountUsedFonts(*model, counts, 6);
    const bool fix = level == kValidityFix;
    int unreferenced = 0;
    int wronglyCounted = 0;
    for (size_t i = 0; i < m_fonts.size();) {
        CEntity* font = m_fonts[i];
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
        if (found->second != links::GetFontRefCount(*font)) {
            ++wronglyCounted;
            if (fix)
                links::SetFontRefCount(*font, found->second);
        }
        counts.erase(found);
        ++i;
    }
    const int missing = static_cast<int>(counts.size());
    if (fix) {
        for (const auto& [font, count] : counts) {
            links::SetFontRefCount(*font, count);
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
