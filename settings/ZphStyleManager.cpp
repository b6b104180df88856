#include "settings/ZphStyleManager.h"

#include <algorithm>
#include <cstring>
#include <cwctype>

#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "database/UndoManager.h"
#include "database/UndoOperation.h"
#include "platform/mfc/ArchiveException.h"
#include "settings/RenderingOptions.h"
#include "settings/StyleModel.h"
#include "settings/StyleProperties.h"
#include "settings/Watermark.h"
#include "settings/WatermarkList.h"
#include "settings/WatermarkManager.h"
#include "settings/ZphStyle.h"
#include "support/NotificationCenter.h"
#include "support/StringTable.h"
#include "support/StringUtils.h"

IMPLEMENT_SERIAL(CZphStyleManager, CEntity, VERSIONABLE_SCHEMA | 2)

using orbisk::Variant;
using orbisk::utils::CNotificationCenter;

namespace {

bool Is(const char* name, const char* expected)
{
    return name && std::strcmp(name, expected) == 0;
}

// The translated name of new styles, or "default" when the translation is empty.
std::wstring BaseStyleName()
{
    const CString translated = orbisk::utils::TranslateString("Style");
    return translated.IsEmpty() ? std::wstring(L"default") : std::wstring(translated.GetString());
}

// Deletes a style that is not listed (a discarded candidate, the working copy).
void DeleteStyle(CZphStyle* style)
{
    if (!style)
        return;
    CSuspendUndo suspend;
    style->Erase();
}

// A style of the manager's own with the source's identity and content; unlike an undo copy it
// has attributes of its own.
CZphStyle* MakeWorkingCopy(const CZphStyle& source, CEntity* manager)
{
    auto* copy = new CZphStyle();
    copy->Assign(source);
    copy->SetParent(manager);
    return copy;
}

class CZphStyleIterator : public IEntityIterator {
public:
    explicit CZphStyleIterator(std::vector<CZphStyle*> styles) : m_styles(std::move(styles)) {}
    void Reset() override { m_index = 0; }
    bool Next(CEntity*& entity) override
    {
        entity = m_index < m_styles.size() ? m_styles[m_index++] : nullptr;
        return entity != nullptr;
    }

private:
    std::vector<CZphStyle*> m_styles;
    size_t m_index = 0;
};

}  // namespace

CZphStyleManager* GetCurrentStyleManager()
{
    IStyleModel* model = GetCurrentStyleModel();
    return model ? model->GetStyleManager() : nullptr;
}

CZphStyleManager::CZphStyleManager()
{
    Subscribe();
}

CZphStyleManager::CZphStyleManager(IStyleModel* model) : m_model(model)
{
    Subscribe();
    orbisk::utils::CNotificationSuspender quiet;
    RebuildStyles();
}

CZphStyleManager::~CZphStyleManager()
{
    CNotificationCenter::GetInstance().RemoveObserverFromAll(this);
    // What no Erase freed goes with the manager.
    std::vector<CZphStyle*> styles;
    styles.swap(m_styles);
    for (CZphStyle* style : styles)
        delete style;
    delete m_active;
}

void CZphStyleManager::Subscribe()
{
    CNotificationCenter& centre = CNotificationCenter::GetInstance();
    centre.AddObserver(kRenderingOptionsChangeNotification, this);
    centre.AddObserver(kWatermarkNotification, this);
    centre.AddObserver(kAnimationNotification, this);
    centre.AddObserver(kPageActivationNotification, this);
}

bool CZphStyleManager::IsCurrentModelsManager() const
{
    IStyleModel* model = GetCurrentStyleModel();
    return model && model->GetStyleManager() == this;
}

void CZphStyleManager::PostStyleNotification(CZphStyle* style, int code)
{
    CStyleNotification payload{code, style};
    CNotificationCenter::GetInstance().PostNotification(kStyleNotification, &payload);
}

void CZphStyleManager::ReleaseGLResources()
{
    // The stroke set's textures belong to the drawing code, which releases them with its
    // context; the style keeps only images.
}

// IEntityContainer.

bool CZphStyleManager::Contains(const CEntity* entity) const
{
    return entity && std::find(m_styles.begin(), m_styles.end(), entity) != m_styles.end();
}

void CZphStyleManager::Add(CEntity* entity)
{
    auto* style = dynamic_cast<CZphStyle*>(entity);
    if (!style || Contains(style))
        return;
    style->SetParent(this);
    m_styles.push_back(style);
    PostStyleNotification(style, CStyleNotification::kAdded);
}

bool CZphStyleManager::Remove(CEntity* entity)
{
    const auto it = std::find(m_styles.begin(), m_styles.end(), entity);
    if (it == m_styles.end())
        return false;
    CZphStyle* style = *it;
    PostStyleNotification(style, CStyleNotification::kRemoved);
    m_styles.erase(std::find(m_styles.begin(), m_styles.end(), style));
    if (style->GetParent() == this)
        style->SetParent(nullptr);
    if (m_selected == style)
        m_selected = nullptr;
    return true;
}

void CZphStyleManager::RemoveAll()
{
    std::vector<CZphStyle*> styles;
    styles.swap(m_styles);
    m_selected = nullptr;
    for (CZphStyle* style : styles) {
        PostStyleNotification(style, CStyleNotification::kRemoved);
        DeleteStyle(style);
    }
}

IEntityIterator* CZphStyleManager::CreateIterator()
{
    return new CZphStyleIterator(m_styles);
}

// Building and applying styles.

CZphStyle* CZphStyleManager::CreateStyleFromOptions(const CRenderingOptions& options,
                                                    CWatermarkManager* watermarkManager)
{
    auto* style = new CZphStyle();
    orbisk::Style& content = style->GetStyle();
    for (const orbisk::style::PropertyEntry& entry : orbisk::style::GetPropertyTable()) {
        if (entry.id == orbisk::style::kEdgeKindId)
            content.SetProperty(entry.id, Variant(0));
        else
            content.SetProperty(entry.id, entry.get(options));
    }
    if (watermarkManager)
        content.SetProperty(orbisk::style::kWatermarkListId,
                            Variant(static_cast<orbisk::XMLSerializableObjectBase*>(
                                new CWatermarkList(watermarkManager->GetEntries()))));
    return style;
}

void CZphStyleManager::ApplyStyleToOptions(CZphStyle& style, CRenderingOptions& options,
                                           CWatermarkManager* watermarkManager)
{
    // Every setter posts back to this manager, which must not follow its own application.
    const bool wasSuspended = m_suspended;
    m_suspended = true;
    bool listMet = false;
    for (const auto& [id, value] : style.GetStyle().GetProperties()) {
        if (id == orbisk::style::kWatermarkListId) {
            CWatermarkList* list = style.GetStyle().GetWatermarkList();
            if (list && watermarkManager) {
                watermarkManager->ReplaceAll(list->GetEntries());
                listMet = true;
            }
            continue;
        }
        const orbisk::style::PropertyEntry* entry = orbisk::style::FindProperty(id);
        if (entry && !value.IsEmpty())
            entry->set(options, value);
    }
    if (!listMet && watermarkManager)
        watermarkManager->ReplaceAll({});
    m_suspended = wasSuspended;
}

void CZphStyleManager::ApplyStyleToScene(CZphStyle* style, IStyledScene& scene, bool withWatermarks,
                                         bool recordStyle)
{
    if (!style)
        return;
    if (CRenderingOptions* options = scene.GetSceneOptions()) {
        CWatermarkManager* watermarks = nullptr;
        if (withWatermarks)
            watermarks = m_model ? m_model->GetWatermarkManager() : GetCurrentWatermarkManager();
        ApplyStyleToOptions(*style, *options, watermarks);
    }
    if (recordStyle)
        scene.SetSceneStyle(style);
}

void CZphStyleManager::ApplyStyle(CZphStyle* style, IStyleModel* model)
{
    CRenderingOptions* options = model ? model->GetModelOptions() : nullptr;
    if (!style || !options)
        return;
    ApplyStyleToOptions(*style, *options, model->GetWatermarkManager());
    CRenderingOptionsChange change{CRenderingOptions::kAnyProperty, options};
    CNotificationCenter::GetInstance().PostNotification(kRenderingOptionsChangeNotification, &change);
}

void CZphStyleManager::DropActiveStyle()
{
    CZphStyle* active = m_active;
    m_active = nullptr;
    m_modified = false;
    DeleteStyle(active);
}

void CZphStyleManager::SelectStyle(CZphStyle* style, bool apply)
{
    DropActiveStyle();
    m_selected = style;
    if (!style)
        return;
    AddStyle(style);
    m_active = MakeWorkingCopy(*style, this);
    m_modified = false;
    if (apply)
        ApplyStyle(m_active, m_model);
    PostStyleNotification(m_selected, CStyleNotification::kSelected);
}

void CZphStyleManager::AddStyle(CZphStyle* style)
{
    if (!style || Contains(style))
        return;
    if (style->GetName().empty())
        style->SetName(BaseStyleName());
    if (FindStyleByName(style->GetName()))
        style->SetName(MakeUniqueStyleName(style->GetName()));
    if (CUndoOperation* operation = IsUndoRecording() ? GetCurrentUndoOperation() : nullptr)
        operation->AddElement(style, this);
    Add(style);
}

CZphStyle* CZphStyleManager::FindEqualStyle(const CZphStyle& style) const
{
    for (CZphStyle* listed : m_styles)
        if (listed->GetStyle().PropertiesEqual(style.GetStyle()))
            return listed;
    return nullptr;
}

CZphStyle* CZphStyleManager::FindStyleByName(const std::wstring& name) const
{
    if (name.empty())
        return nullptr;
    for (CZphStyle* listed : m_styles)
        if (orbisk::utils::CompareNoCase(listed->GetName(), name) == 0)
            return listed;
    return nullptr;
}

std::wstring CZphStyleManager::MakeUniqueStyleName(const std::wstring& name) const
{
    std::wstring base = name;
    while (!base.empty() && std::iswdigit(base.back()))
        base.pop_back();
    for (int n = 1;; ++n) {
        std::wstring candidate = base + std::to_wstring(n);
        if (!FindStyleByName(candidate))
            return candidate;
    }
}

void CZphStyleManager::RebuildStyles()
{
    RemoveAllStyles();
    CRenderingOptions* options = m_model ? m_model->GetModelOptions() : nullptr;
    if (!options)
        return;
    const std::wstring baseName = BaseStyleName();
    CWatermarkManager* watermarks = m_model->GetWatermarkManager();
    m_active = CreateStyleFromOptions(*options, watermarks);
    m_active->SetParent(this);
    m_modified = true;

    IStyledScene* selectedScene = m_model->GetSelectedStyledScene();
    for (IStyledScene* scene : m_model->GetStyledScenes()) {
        const bool isSelected = scene == selectedScene;
        if (!scene->StoresStyleAndOptions() && !isSelected) {
            scene->SetSceneStyle(nullptr);
            continue;
        }
        CRenderingOptions* sceneOptions = scene->GetSceneOptions();
        CZphStyle* made = CreateStyleFromOptions(sceneOptions ? *sceneOptions : *options, watermarks);
        CZphStyle* style = FindEqualStyle(*made);
        if (style) {
            DeleteStyle(made);
        } else {
            made->SetName(baseName);
            AddStyle(made);
            style = made;
        }
        scene->SetSceneStyle(style);
        if (isSelected) {
            m_selected = style;
            m_active->GetStyle().SetName(style->GetName());
            m_modified = !m_active->IsSameStyle(*style);
        }
    }
    if (m_selected)
        return;
    auto* made = new CZphStyle();
    made->GetStyle().CopyPropertiesFrom(m_active->GetStyle());
    made->SetName(baseName);
    if (CZphStyle* equal = FindEqualStyle(*made)) {
        DeleteStyle(made);
        m_selected = equal;
    } else {
        AddStyle(made);
        m_selected = made;
    }
    m_active->GetStyle().SetName(m_selected->GetName());
    m_modified = false;
}

void CZphStyleManager::RemoveAllStyles()
{
    if (IsCurrentModelsManager())
        PostStyleNotification(nullptr, CStyleNotification::kAllRemoved);
    std::vector<CZphStyle*> styles;
    styles.swap(m_styles);
    m_selected = nullptr;
    for (CZphStyle* style : styles)
        DeleteStyle(style);
    DropActiveStyle();
}

// Following the model.

void CZphStyleManager::OnNotification(const char* name, void* payload)
{
    if (!m_model || !m_active || !payload)
        return;
    if (Is(name, kPageActivationNotification)) {
        const int code = *static_cast<const int*>(payload);
        if (code == 0)
            m_suspended = true;
        else if (code == 1)
            m_suspended = false;
        return;
    }
    if (Is(name, kAnimationNotification)) {
        const int code = *static_cast<const int*>(payload);
        if (code == 0)
            m_suspended = true;
        else if (code == 2)
            m_suspended = false;
        return;
    }
    if (m_suspended)
        return;
    bool counted = false;
    if (Is(name, kRenderingOptionsChangeNotification)) {
        const auto* change = static_cast<const CRenderingOptionsChange*>(payload);
        if (change->options && change->options == m_model->GetModelOptions())
            counted = TrackOptionsChange(change->property, *change->options);
    } else if (Is(name, kWatermarkNotification)) {
        const auto* change = static_cast<const CWatermarkNotification*>(payload);
        counted = TrackWatermarkChange(change->code, change->watermark);
    }
    if (!counted)
        return;
    m_modified = true;
    if (m_selected)
        m_modified = !m_active->IsSameStyle(*m_selected);
    PostStyleNotification(m_active, CStyleNotification::kChanged);
}

bool CZphStyleManager::TrackOptionsChange(int32_t property, const CRenderingOptions& options)
{
    if (property == CRenderingOptions::kAnyProperty)
        return false;
    bool found = false;
    for (const orbisk::style::PropertyEntry& entry : orbisk::style::GetPropertyTable()) {
        if (entry.property != property)
            continue;
        m_active->GetStyle().SetProperty(entry.id, entry.get(options));
        found = true;
    }
    return found;
}

bool CZphStyleManager::TrackWatermarkChange(int code, const CWatermark* watermark)
{
    orbisk::Style& active = m_active->GetStyle();
    switch (code) {
        case 1: return true;
        case 2:
        case 9: {
            CWatermarkManager* manager = GetCurrentWatermarkManager();
            if (!manager)
                manager = m_model->GetWatermarkManager();
            const std::vector<CWatermark*> entries =
                manager ? manager->GetEntries() : std::vector<CWatermark*>();
            active.SetProperty(
                orbisk::style::kWatermarkListId,
                Variant(static_cast<orbisk::XMLSerializableObjectBase*>(new CWatermarkList(entries))));
            return true;
        }
        case CWatermarkNotification::kAllDeleted: return false;
        default: break;
    }
    const CWatermarkList* list = active.GetWatermarkList();
    if (!list || !list->Contains(watermark))
        return false;
    if (code == CWatermarkNotification::kImageChanged || code == 8)
        active.DiscardThumbnail();
    return true;
}

// The entity.

void CZphStyleManager::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] {
        CEntity::Serialize(ar);
        if (!ar.IsLoading()) {
            // Nothing in this program stores a model.
            AfxThrowArchiveException(CArchiveException::genericException);
        }
        ReadRecord(ar);
    });
}

void CZphStyleManager::ReadRecord(CArchive& ar)
{
    const int32_t schema = GetClassVersion(RUNTIME_CLASS(CZphStyleManager));
    RemoveAllStyles();
    int32_t count = 0;
    ar >> count;
    if (count <= 0) {
        RebuildStyles();
        if (schema >= 2) {
            uint8_t modified = 0;
            ar >> modified;
            m_modified = modified != 0;
        }
        return;
    }
    // The count is checked against the bytes left before anything is read for it.
    ar.CheckBytesLeft(static_cast<uint64_t>(count) * kMinObjectReferenceBytes);
    CRecordAdoptions adopted(*this, [&](CEntity* entity) {
        if (entity == m_active)
            m_active = nullptr;
        if (entity == m_selected)
            m_selected = nullptr;
        m_styles.erase(std::remove(m_styles.begin(), m_styles.end(), entity), m_styles.end());
    });
    for (int32_t i = 0; i < count; ++i) {
        bool madeHere = false;
        CZphStyle* style = ReadReference<CZphStyle>(ar, madeHere);
        if (!style || Contains(style) || (!madeHere && style->GetParent()))
            continue;
        AddStyle(style);
        adopted.Note(style, madeHere);
    }
    bool madeHere = false;
    CZphStyle* selected = ReadReference<CZphStyle>(ar, madeHere);
    if (madeHere && !Contains(selected))
        KeepUntilAdopted(selected);
    m_selected = Contains(selected) ? selected : nullptr;

    CZphStyle* active = ReadReference<CZphStyle>(ar, madeHere);
    if (active && madeHere && !Contains(active)) {
        active->SetParent(this);
        m_active = active;
        adopted.Note(active, true);
    } else if (active) {
        // Never share a listed or foreign style as the working copy.
        m_active = MakeWorkingCopy(*active, this);
        adopted.Note(m_active, true);
    }
    if (schema >= 2) {
        uint8_t modified = 0;
        ar >> modified;
        m_modified = modified != 0;
    }
    adopted.Keep();
}

void CZphStyleManager::Erase()
{
    RemoveAllStyles();
    CEntity::Erase();
}

CEntity* CZphStyleManager::CreateCopy() const
{
    auto* copy = new CZphStyleManager();
    CNotificationCenter::GetInstance().RemoveObserverFromAll(copy);
    copy->m_selected = m_selected;
    return copy;
}

void CZphStyleManager::SwapContents(CEntity& other)
{
    CEntity::SwapContents(other);
    if (auto* that = dynamic_cast<CZphStyleManager*>(&other))
        std::swap(m_selected, that->m_selected);
}

int CZphStyleManager::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CZphStyleManager), map, [&] { return CEntity::CheckValidity(level, map); },
        [&] {
            for (CZphStyle* style : m_styles) {
                if (!style || !style->IsKindOf(RUNTIME_CLASS(CZphStyle))) {
                    AppendValidityMessage("An invalid style %s was found in the style manager.",
                                          DescribeEntity(this).GetString());
                    return 3;
                }
            }
            if (!map)
                return 0;
            int result = 0;
            for (CZphStyle* style : m_styles) {
                const int own = style->CheckValidity(level, map);
                if (own == 1)
                    result = 1;
                else if (own >= 2)
                    return own;
            }
            return result;
        });
}
