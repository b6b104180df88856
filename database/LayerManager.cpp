#include "database/LayerManager.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "database/CurrentModel.h"
#include "database/EntityDisposal.h"
#include "database/IModelContext.h"
#include "database/Layer.h"
#include "database/Material.h"
#include "database/SelectionSet.h"
#include "database/Texture.h"
#include "database/UndoManager.h"
#include "platform/mfc/Archive.h"
#include "support/NotificationCenter.h"
#include "support/StringUtils.h"

IMPLEMENT_SERIAL(CLayerManager, CEntity, VERSIONABLE_SCHEMA | 4)

using orbisk::utils::CColor;
using orbisk::utils::CNotificationCenter;

// Entries 13 and 30, and 43 and 47, are equal.
const std::array<CColor, CLayerManager::kDefaultColorCount> CLayerManager::kDefaultColors = {{
    {255, 84, 84},   {0, 102, 153},   {102, 68, 0},    {0, 153, 135},   {119, 119, 153}, {153, 0, 255},
    {204, 68, 0},    {170, 68, 0},    {204, 102, 0},   {204, 84, 0},    {153, 153, 204}, {255, 135, 170},
    {128, 128, 20},  {0, 0, 204},     {102, 102, 102}, {119, 0, 119},   {170, 102, 0},   {255, 204, 0},
    {255, 170, 0},   {0, 170, 186},   {102, 221, 0},   {153, 153, 153}, {170, 168, 0},   {204, 135, 204},
    {237, 255, 0},   {186, 68, 0},    {237, 153, 0},   {186, 51, 0},    {255, 119, 102}, {0, 0, 102},
    {0, 0, 204},     {135, 119, 0},   {255, 102, 0},   {255, 68, 0},    {255, 186, 0},   {255, 0, 204},
    {255, 153, 102}, {204, 186, 237}, {17, 102, 0},    {255, 153, 186}, {204, 17, 204},  {204, 84, 204},
    {153, 102, 17},  {119, 68, 0},    {221, 17, 204},  {255, 153, 153}, {186, 237, 204}, {119, 68, 0},
    {119, 119, 119}, {135, 204, 255}, {186, 255, 186}, {135, 135, 204}, {177, 154, 120}, {255, 135, 221},
    {68, 84, 204},   {186, 0, 204},   {186, 0, 255},   {255, 0, 119},
}};

namespace {

// The rendering-options properties whose change makes textures look different.
constexpr int32_t kXRayProperty = 38;
constexpr int32_t kTransparencyProperty = 39;
// What files of schemas 0 and 1 call the default layer.
const CString kOldDefaultLayerName(L"Default");

bool EqualsNoCase(const CString& a, const CString& b)
{
    return orbisk::utils::CompareNoCase(a.GetString(), b.GetString()) == 0;
}

bool IsLayer(const CEntity* entity)
{
    return entity && entity->IsKindOf(RUNTIME_CLASS(CLayer));
}

}  // namespace

CLayerManager::CLayerManager()
{
    CNotificationCenter::GetInstance().AddObserver("Rendering Options Change", this);
}

CLayerManager::CLayerManager(const CLayerManager& other)
    : CEntity(other), m_current(other.m_current), m_notify(other.m_notify)
{}

CLayerManager::~CLayerManager()
{
    CNotificationCenter::GetInstance().RemoveObserverFromAll(this);
}

CLayerManager* CLayerManager::GetCurrentLayerManager()
{
    IModelContext* model = GetCurrentModel();
    return model ? model->GetLayerManager() : nullptr;
}

void CLayerManager::Post(int32_t code, CLayer* layer)
{
    if (m_notify)
        PostLayerNotification(code, layer);
}

void CLayerManager::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] {
        if (ar.IsLoading())
            ReadRecord(ar);
        else
            WriteRecord(ar);
    });
}

void CLayerManager::ReadRecord(CArchive& ar)
{
    const int32_t schema = GetClassVersion(RUNTIME_CLASS(CLayerManager));
    if (schema >= 1)
        CEntity::Serialize(ar);
    const int32_t count = ReadItemCount(ar, kMinObjectReferenceBytes);
    if (count == 0)
        KeepOnlyDefaultLayer();
    else
        RemoveAll();
    CRecordAdoptions adopted(*this, [&](CEntity* layer) {
        m_layers.Take(layer);
        if (layer == m_current)
            m_current = nullptr;
    });
    ReadLayers(ar, schema, count, adopted);
    ReadCurrent(ar, schema, count);
    adopted.Keep();
    if (m_current && m_current->IsHidden())
        m_current->SetHidden(false);
    Post(CLayerNotificationInfo::kCurrentChanged, m_current);
}

void CLayerManager::ReadLayers(CArchive& ar, int32_t schema, int32_t count, CRecordAdoptions& adopted)
{
    for (int32_t i = 0; i < count; ++i) {
        bool madeHere = false;
        CLayer* layer = ReadReference<CLayer>(ar, madeHere);
        if (!layer || Contains(layer) || m_layers.IsListedElsewhere(layer))
            continue;
        if (schema < 2 && layer->GetName() == kOldDefaultLayerName)
            layer->SetName(CLayer::GetDefaultLayerName());
        Add(layer);
        adopted.Note(layer, madeHere);
    }
}

void CLayerManager::ReadCurrent(CArchive& ar, int32_t schema, int32_t count)
{
    if (schema == 3 || (schema > 3 && count > 0)) {
        ReadCurrentLayer(ar);
    } else if (schema < 3) {
        CString name;
        ar >> name;
        if (schema < 2 && name == kOldDefaultLayerName)
            name = CLayer::GetDefaultLayerName();
        m_current = FindLayerByName(name);
    }
}

void CLayerManager::ReadCurrentLayer(CArchive& ar)
{
    bool madeHere = false;
    CLayer* current = ReadReference<CLayer>(ar, madeHere);
    m_current = current;
    if (!current || Contains(current))
        return;
    CLayer* named = FindLayerByName(CLayer::GetLayerName(current));
    m_current = named ? named : GetDefaultLayer();
    if (madeHere)
        KeepUnownedObject(current);
}

void CLayerManager::WriteRecord(CArchive& ar)
{
    CEntity::Serialize(ar);
    ar << static_cast<int32_t>(m_layers.GetCount());
    for (const CLayer* layer : m_layers)
        ar << static_cast<const CObject*>(layer);
    if (!m_layers.IsEmpty())
        ar << static_cast<const CObject*>(m_current);
}

void CLayerManager::Erase()
{
    MarkChanged();
    m_layers.EraseAll();
    CEntity::Erase();
}

CEntity* CLayerManager::CreateCopy() const
{
    return new CLayerManager(*this);
}

void CLayerManager::SwapContents(CEntity& other)
{
    CEntity::SwapContents(other);
    std::swap(m_current, static_cast<CLayerManager&>(other).m_current);
}

void CLayerManager::Add(CEntity* entity)
{
    auto* layer = dynamic_cast<CLayer*>(entity);
    // A layer listed already keeps its name: it would otherwise find itself and be renamed.
    if (!layer || Contains(layer))
        return;
    layer->SetName(MakeUniqueLayerName(CLayer::GetLayerName(layer)));
    m_layers.Adopt(layer);
    Post(CLayerNotificationInfo::kAdded, layer);
}

bool CLayerManager::Remove(CEntity* entity)
{
    if (!Contains(entity))
        return false;
    auto* layer = static_cast<CLayer*>(entity);
    if (layer == m_current) {
        CLayer* fallback = GetDefaultLayer();
        m_current = fallback == layer ? nullptr : fallback;
        Post(CLayerNotificationInfo::kCurrentChanged, m_current);
    }
    // Observers of the post above may have changed the list.
    m_layers.Take(layer);
    Post(CLayerNotificationInfo::kRemoved, layer);
    layer->SetParent(nullptr);
    return true;
}

void CLayerManager::RemoveAll()
{
    m_layers.EraseAll([&](CLayer* layer) { Post(CLayerNotificationInfo::kRemoved, layer); });
    m_current = nullptr;
    Post(CLayerNotificationInfo::kCurrentChanged, nullptr);
}

void CLayerManager::OnNotification(const char* name, void* payload)
{
    if (!payload || std::strcmp(name, "Rendering Options Change") != 0)
        return;
    const int32_t property = *static_cast<const int32_t*>(payload);
    if (property == kXRayProperty || property == kTransparencyProperty)
        ReleaseLayerTextures();
}

CLayer* CLayerManager::AddDefaultLayer()
{
    CLayer* layer = AddLayer(CLayer::GetDefaultLayerName());
    if (layer)
        m_current = layer;
    return layer;
}

CLayer* CLayerManager::AddLayer(const CString& name)
{
    if (!IsLayerNameUnique(name))
        return nullptr;
    auto* layer = new CLayer;
    layer->SetName(name);
    const CColor color = kDefaultColors[static_cast<size_t>(m_colorIndex)];
    m_colorIndex = (m_colorIndex + 1) % kDefaultColorCount;
    layer->SetColor(color);
    if (CUndoOperation* operation = IsUndoRecording() ? GetCurrentUndoOperation() : nullptr)
        operation->AddElement(layer, this);
    Add(layer);
    return layer;
}

bool CLayerManager::SetCurrentLayer(CLayer* layer)
{
    if (layer == m_current)
        return true;
    if (!Contains(layer))
        return false;
    m_current = layer;
    Post(CLayerNotificationInfo::kCurrentChanged, layer);
    return true;
}

CLayer* CLayerManager::GetDefaultLayer() const
{
    return GetLayerAt(0);
}

CLayer* CLayerManager::FindLayerByName(const CString& name) const
{
    for (CLayer* layer : m_layers) {
        if (layer && EqualsNoCase(CLayer::GetLayerName(layer), name))
            return layer;
    }
    return nullptr;
}

bool CLayerManager::IsLayerNameUnique(const CString& name) const
{
    return std::none_of(m_layers.begin(), m_layers.end(),
                        [&](const CLayer* layer) { return EqualsNoCase(CLayer::GetLayerName(layer), name); });
}

CString CLayerManager::MakeUniqueLayerName(const CString& name) const
{
    if (!FindLayerByName(name))
        return name;
    // Each layer takes at most one candidate, so the count plus one numbers suffice.
    for (int number = 0;; ++number) {
        CString candidate;
        candidate.Format(L"%s%d", name.GetString(), number);
        if (!FindLayerByName(candidate))
            return candidate;
    }
}

CLayer* CLayerManager::FindFirstVisibleLayer() const
{
    const auto found = std::find_if(m_layers.begin(), m_layers.end(),
                                    [](const CLayer* layer) { return layer && !layer->IsHidden(); });
    return found == m_layers.end() ? nullptr : *found;
}

bool CLayerManager::SetLayerHidden(CLayer* layer, bool hidden)
{
    if (!layer)
        return false;
    if (hidden && layer == m_current) {
        if (CLayer* visible = FindFirstVisibleLayer())
            SetCurrentLayer(visible);
    }
    if (hidden && layer == m_current)
        return false;
    layer->SetHidden(hidden);
    IModelContext* model = GetModel();
    if (hidden && model)
        model->GetSelection().RemoveOnLayer(layer);
    Post(CLayerNotificationInfo::kVisibilityChanged, layer);
    return true;
}

void CLayerManager::KeepOnlyDefaultLayer()
{
    if (m_layers.IsEmpty())
        AddDefaultLayer();
    for (int index = GetCount() - 1; index >= 1; --index) {
        CLayer* layer = m_layers.GetAt(index);
        Post(CLayerNotificationInfo::kRemoved, layer);
        m_layers.Erase(layer);
    }
    m_current = GetDefaultLayer();
}

void CLayerManager::RemoveAllLayers()
{
    MarkChanged();
    m_layers.EraseAll();
    m_current = nullptr;
    Post(CLayerNotificationInfo::kAllRemoved, nullptr);
}

void CLayerManager::ReleaseLayerTextures()
{
    for (CLayer* layer : m_layers) {
        CMaterial* material = layer ? layer->GetMaterial() : nullptr;
        if (material && material->HasTextureImage())
            material->GetTexture()->DeleteGLTexture();
    }
}

int CLayerManager::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CLayerManager), map, [&] { return CEntity::CheckValidity(level, map); },
        [&] { return CheckOwnValidity(level, map); });
}

int CLayerManager::CheckOwnValidity(int level, CCheckedObjectMap* map)
{
    int remembered = 0;
    for (int index = GetCount() - 1; index >= 0; --index) {
        CLayer* layer = m_layers.GetAt(index);
        if (!IsLayer(layer)) {
            AppendValidityMessage("Layer %d for %s is not valid\n", index, DescribeEntity(this).GetString());
            return RecordValidity(layer, 3, map);
        }
        const int result = map ? layer->CheckValidity(level, map) : 0;
        if (result >= 2)
            return result;
        remembered = std::max(remembered, result);
    }
    if (!IsLayer(m_current)) {
        AppendValidityMessage("The current layer for %s is not valid\n", DescribeEntity(this).GetString());
        return RecordValidity(m_current, 3, map);
    }
    const int result = map ? m_current->CheckValidity(level, map) : 0;
    if (result >= 2)
        return result;
    return std::max(remembered, result);
}
