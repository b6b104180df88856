#include "settings/WatermarkManager.h"

#include <algorithm>
#include <cwctype>
#include <functional>

#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "settings/StyleModel.h"
#include "settings/Watermark.h"
#include "support/NotificationCenter.h"
#include "support/StringUtils.h"

IMPLEMENT_SERIAL(CWatermarkManager, CEntity, VERSIONABLE_SCHEMA | 2)

namespace {

// What a watermark-list record took, given back when the record fails: every use is dropped
// (never erasing: a watermark read earlier belongs to whoever read it), and every watermark
// the record made goes to the model's pool, which frees it.
class CListRecordGuard {
public:
    ~CListRecordGuard()
    {
        if (m_kept)
            return;
        for (auto it = m_taken.rbegin(); it != m_taken.rend(); ++it)
            it->first->DropUse();
        for (const auto& [watermark, madeHere] : m_taken)
            if (madeHere)
                KeepUnownedObject(watermark);
    }
    void Take(CWatermark* watermark, bool madeHere)
    {
        watermark->AddUse();
        m_taken.emplace_back(watermark, madeHere);
    }
    void Keep() { m_kept = true; }

private:
    std::vector<std::pair<CWatermark*, bool>> m_taken;
    bool m_kept = false;
};

}  // namespace

void PostWatermarkNotification(int32_t code, CWatermark* watermark)
{
    CWatermarkNotification payload{code, watermark};
    orbisk::utils::CNotificationCenter::GetInstance().PostNotification(kWatermarkNotification, &payload);
}

CWatermarkManager* GetCurrentWatermarkManager()
{
    IStyleModel* model = GetCurrentStyleModel();
    return model ? model->GetWatermarkManager() : nullptr;
}

CWatermarkManager::~CWatermarkManager()
{
    Clear();
}

IModelContext* CWatermarkManager::GetModel() const
{
    return m_model ? m_model : CEntity::GetModel();
}

CWatermark* CWatermarkManager::GetAt(int index) const
{
    return index >= 0 && index < GetCount() ? m_entries[static_cast<size_t>(index)] : nullptr;
}

namespace {

bool IsNameUniqueIn(const std::wstring& name, const std::vector<CWatermark*>& entries)
{
    return std::none_of(entries.begin(), entries.end(), [&](const CWatermark* watermark) {
        return watermark && orbisk::utils::CompareNoCase(watermark->GetName(), name) == 0;
    });
}

}  // namespace

bool CWatermarkManager::IsNameUnique(const std::wstring& name) const
{
    return IsNameUniqueIn(name, m_entries);
}

CWatermark* CWatermarkManager::FindByName(const std::wstring& name) const
{
    for (CWatermark* watermark : m_entries)
        if (watermark && watermark->GetName() == name)
            return watermark;
    return nullptr;
}

CWatermark* CWatermarkManager::FindEqual(const CWatermark& watermark) const
{
    for (CWatermark* listed : m_entries)
        if (listed && listed->IsEqual(watermark))
            return listed;
    return nullptr;
}

std::wstring CWatermarkManager::MakeUniqueName(const std::wstring& name) const
{
    return MakeUniqueName(name, m_entries);
}

std::wstring CWatermarkManager::MakeUniqueName(const std::wstring& name,
                                               const std::vector<CWatermark*>& entries)
{
    std::wstring base = name;
    while (!base.empty() && std::iswdigit(base.back()))
        base.pop_back();
    for (int n = 1;; ++n) {
        std::wstring candidate = base + std::to_wstring(n);
        if (IsNameUniqueIn(candidate, entries))
            return candidate;
    }
}

void CWatermarkManager::ReplaceAll(const std::vector<CWatermark*>& entries)
{
    // The new uses first, so that a watermark of both lists never reaches 0.
    for (CWatermark* watermark : entries)
        if (watermark)
            watermark->AddUse();
    Clear();
    m_entries = entries;
}

void CWatermarkManager::Clear()
{
    std::vector<CWatermark*> entries;
    entries.swap(m_entries);
    for (CWatermark* watermark : entries)
        if (watermark)
            watermark->ReleaseUse();
}

void CWatermarkManager::DeleteAll()
{
    if (!m_entries.empty())
        PostWatermarkNotification(CWatermarkNotification::kAllDeleted, m_entries.front());
    Clear();
}

void CWatermarkManager::ReleaseGLResources()
{
    for (CWatermark* watermark : m_entries)
        if (watermark)
            watermark->DropTexture();
}

void CWatermarkManager::Erase()
{
    DeleteAll();
    CEntity::Erase();
}

void CWatermarkManager::OnOperationStart(int, int typeCode)
{
    m_insideTypedOperation = typeCode == 2 || typeCode == 3;
}

void CWatermarkManager::OnOperationEnd(int, int, uint32_t)
{
    m_insideTypedOperation = false;
}

void CWatermarkManager::OnEntityChanged(CEntity* entity)
{
    if (m_insideTypedOperation && entity && entity->IsKindOf(RUNTIME_CLASS(CWatermark)))
        PostWatermarkNotification(CWatermarkNotification::kChangedInOperation,
                                  static_cast<CWatermark*>(entity));
}

void CWatermarkManager::OnEntityErased(CEntity* entity)
{
    if (entity && entity->IsKindOf(RUNTIME_CLASS(CWatermark)))
        PostWatermarkNotification(CWatermarkNotification::kErased, static_cast<CWatermark*>(entity));
}

void CWatermarkManager::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] {
        CEntity::Serialize(ar);
        if (ar.IsLoading()) {
            ReadRecord(ar);
            return;
        }
        int32_t count = 0;
        for (CWatermark* watermark : m_entries)
            if (!watermark || watermark->GetImage())
                ++count;
        ar << count;
        for (CWatermark* watermark : m_entries)
            if (!watermark || watermark->GetImage())
                ar << static_cast<CObject*>(watermark);
    });
}

void CWatermarkManager::ReadRecord(CArchive& ar)
{
    const int32_t schema = GetClassVersion(RUNTIME_CLASS(CWatermarkManager));
    // The older list of schema 1, kept only to free what the new list does not name.
    std::vector<std::pair<CWatermark*, bool>> older;
    if (schema < 2) {
        const int32_t count = ReadItemCount(ar, kMinObjectReferenceBytes);
        for (int32_t i = 0; i < count; ++i) {
            bool madeHere = false;
            if (CWatermark* watermark = ReadReference<CWatermark>(ar, madeHere))
                older.emplace_back(watermark, madeHere);
        }
    }
    std::vector<CWatermark*> entries;
    // The older list's watermarks that the new list does not name are freed with the model;
    // all of them when the record fails.
    bool complete = false;
    const auto releaseOlder = [&] {
        for (const auto& [watermark, madeHere] : older)
            if (madeHere &&
                (!complete || std::find(entries.begin(), entries.end(), watermark) == entries.end()))
                KeepUnownedObject(watermark);
    };
    struct OnExit {
        std::function<void()> run;
        ~OnExit() { run(); }
    } olderGuard{releaseOlder};
    const int32_t count = ReadItemCount(ar, kMinObjectReferenceBytes);
    CListRecordGuard uses;
    for (int32_t i = 0; i < count; ++i) {
        bool madeHere = false;
        CWatermark* watermark = ReadReference<CWatermark>(ar, madeHere);
        if (watermark)
            uses.Take(watermark, madeHere);
        entries.push_back(watermark);
    }
    if (entries.size() == 1) {
        CWatermark* only = entries.front();
        if (only && only->IsBackground())
            entries.push_back(nullptr);
        else
            entries.insert(entries.begin(), nullptr);
    }
    uses.Keep();
    complete = true;
    releaseOlder();
    older.clear();
    Clear();
    m_entries = std::move(entries);
}

int CWatermarkManager::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CWatermarkManager), map, [&] { return CEntity::CheckValidity(level, map); },
        [&] {
            int result = 0;
            for (int i = GetCount() - 1; i >= 0; --i) {
                CWatermark* watermark = m_entries[static_cast<size_t>(i)];
                if (!watermark)
                    continue;
                if (!watermark->IsKindOf(RUNTIME_CLASS(CWatermark))) {
                    AppendValidityMessage("The watermark %d for %s is not valid\n", i,
                                          DescribeEntity(this).GetString());
                    RecordValidity(watermark, 3, map);
                    result = 3;
                    continue;
                }
                if (!map)
                    continue;
                const int own = watermark->CheckValidity(level, map);
                if (own == 1)
                    result = std::max(result, 1);
                else if (own >= 2)
                    return own;
            }
            return result;
        });
}
