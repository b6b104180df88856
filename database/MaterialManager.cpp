#include "database/MaterialManager.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "database/CurrentModel.h"
#include "database/EntityDisposal.h"
#include "database/IFaceTextureMapping.h"
#include "database/IModelContext.h"
#include "database/Material.h"
#include "database/MaterialNotification.h"
#include "database/Texture.h"
#include "database/UndoManager.h"
#include "platform/mfc/Archive.h"
#include "support/NotificationCenter.h"
#include "support/StringUtils.h"

IMPLEMENT_SERIAL(CMaterialManager, CEntity, VERSIONABLE_SCHEMA | 4)

using orbisk::utils::CColor;
using orbisk::utils::CNotificationCenter;

namespace {

constexpr double kScaleTolerance = 0.001;
// The rendering-options properties whose change makes textures look different.
constexpr int32_t kXRayProperty = 38;
constexpr int32_t kTransparencyProperty = 39;

bool EqualsNoCase(const CString& a, const CString& b)
{
    return orbisk::utils::CompareNoCase(a.GetString(), b.GetString()) == 0;
}

bool IsMaterial(const CEntity* entity)
{
    return entity && entity->IsKindOf(RUNTIME_CLASS(CMaterial));
}

void RecordAddition(CEntity* entity, IEntityContainer* container)
{
    if (CUndoOperation* operation = IsUndoRecording() ? GetCurrentUndoOperation() : nullptr)
        operation->AddElement(entity, container);
}

void RecordRemoval(CEntity* entity, IEntityContainer* container)
{
    if (CUndoOperation* operation = IsUndoRecording() ? GetCurrentUndoOperation() : nullptr)
        operation->RemoveElement(entity, container);
}

// A name as it is shown: a leading "*" through the display prefix.
CString DisplayForm(const CString& name)
{
    if (name.IsEmpty() || name.GetAt(0) != L'*')
        return name;
    return CString(kMaterialDisplayPrefix) + CString(name.GetString() + 1);
}

}  // namespace

CMaterialManager::CMaterialManager()
{
    CNotificationCenter::GetInstance().AddObserver("Rendering Options Change", this);
    CNotificationCenter::GetInstance().AddObserver("Material Notification", this);
}

CMaterialManager::~CMaterialManager()
{
    CNotificationCenter::GetInstance().RemoveObserverFromAll(this);
    DeleteCurrentIfUnlisted();
}

CMaterialManager* CMaterialManager::GetCurrentMaterialManager()
{
    IModelContext* model = GetCurrentModel();
    return model ? model->GetMaterialManager() : nullptr;
}

void CMaterialManager::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] {
        if (ar.IsLoading())
            ReadRecord(ar);
        else
            WriteRecord(ar);
    });
}

void CMaterialManager::ReadRecord(CArchive& ar)
{
    const int32_t schema = GetClassVersion(RUNTIME_CLASS(CMaterialManager));
    if (schema >= 1)
        CEntity::Serialize(ar);
    const int32_t count = ReadItemCount(ar, kMinObjectReferenceBytes);
    CRecordAdoptions adopted(*this, [&](CEntity* material) {
        if (material == m_current)
            m_current = nullptr;
        m_materials.Take(material);
    });
    ReadMaterials(ar, count, adopted);
    ReadCurrentAndExtra(ar, schema);
    adopted.Keep();
}

void CMaterialManager::ReadMaterials(CArchive& ar, int32_t count, CRecordAdoptions& adopted)
{
    for (int32_t i = 0; i < count; ++i) {
        bool madeHere = false;
        CMaterial* material = ReadReference<CMaterial>(ar, madeHere);
        if (!material || Contains(material) || m_materials.IsListedElsewhere(material))
            continue;
        RecordAddition(material, this);
        Add(material);
        adopted.Note(material, madeHere);
    }
}

void CMaterialManager::ReadCurrentAndExtra(CArchive& ar, int32_t schema)
{
    if (schema >= 2) {
        CMaterial* current = ReadUnlistedMaterial(ar);
        m_current = Contains(current) ? current : nullptr;
    }
    if (schema == 3)
        ReadUnlistedMaterial(ar);
}

CMaterial* CMaterialManager::ReadUnlistedMaterial(CArchive& ar)
{
    bool madeHere = false;
    CMaterial* material = ReadReference<CMaterial>(ar, madeHere);
    if (madeHere && !Contains(material))
        KeepUnownedObject(material);
    return material;
}

void CMaterialManager::WriteRecord(CArchive& ar)
{
    CEntity::Serialize(ar);
    ar << static_cast<int32_t>(m_materials.GetCount());
    for (const CMaterial* material : m_materials)
        ar << static_cast<const CObject*>(material);
    ar << static_cast<const CObject*>(Contains(m_current) ? m_current : nullptr);
}

void CMaterialManager::DeleteCurrentIfUnlisted()
{
    CMaterial* current = std::exchange(m_current, nullptr);
    if (current && !Contains(current))
        DeleteUnrecorded(current);
}

void CMaterialManager::Erase()
{
    DeleteCurrentIfUnlisted();
    m_materials.EraseAll();
    CEntity::Erase();
}

void CMaterialManager::ClearMaterials()
{
    IModelContext* model = GetModel();
    if (model && GetParent() == model->GetRootComponent())
        PostMaterialNotification(nullptr, kMaterialsCleared);
    DeleteCurrentIfUnlisted();
    m_materials.EraseAll();
    m_placement.reset();
}

void CMaterialManager::Add(CEntity* entity)
{
    auto* material = dynamic_cast<CMaterial*>(entity);
    if (material && m_materials.Adopt(material))
        PostMaterialNotification(material, kMaterialAdded);
}

bool CMaterialManager::Remove(CEntity* entity)
{
    if (entity && entity == m_current)
        SetCurrentMaterial(nullptr, nullptr);
    if (!m_materials.Take(entity))
        return false;
    auto* material = static_cast<CMaterial*>(entity);
    PostMaterialNotification(material, kMaterialRemoved);
    material->SetParent(nullptr);
    return true;
}

void CMaterialManager::RemoveAll()
{
    m_materials.EraseAll([&](CMaterial* material) {
        if (CTexture* texture = material->GetTexture())
            texture->DeleteGLTexture();
        if (material == m_current)
            m_current = nullptr;
        PostMaterialNotification(material, kMaterialRemoved);
    });
    if (m_current) {
        PostMaterialNotification(m_current, kMaterialRemoved);
        DeleteCurrentIfUnlisted();
    }
}

IEntityIterator* CMaterialManager::CreateIterator()
{
    return new CMaterialIterator(*this, false);
}

IEntityIterator* CMaterialManager::CreateAllMaterialsIterator()
{
    return new CMaterialIterator(*this, true);
}

void CMaterialManager::OnNotification(const char* name, void* payload)
{
    if (!payload || std::strcmp(name, "Rendering Options Change") != 0)
        return;
    const int32_t property = *static_cast<const int32_t*>(payload);
    if (property == kXRayProperty || property == kTransparencyProperty)
        ReleaseMaterialTextures();
}

void CMaterialManager::AddMaterial(CMaterial* material)
{
    if (!material)
        return;
    RecordAddition(material, this);
    Add(material);
}

CMaterial* CMaterialManager::FindMaterialByName(const CString& name) const
{
    if (name.IsEmpty())
        return nullptr;
    for (CMaterial* material : m_materials) {
        if (EqualsNoCase(material->GetName(), name))
            return material;
    }
    return nullptr;
}

CMaterial* CMaterialManager::FindMatchingMaterial(CColor color, const CString& textureFile, double xScale,
                                                  double yScale, bool managed) const
{
    for (CMaterial* material : m_materials) {
        const CTexture* texture = material->GetTexture();
        const CString file = texture ? texture->GetFileName() : CString();
        const bool filesMatch = file.IsEmpty() ? textureFile.IsEmpty()
                                               : !textureFile.IsEmpty() && EqualsNoCase(file, textureFile);
        const double textureX = texture ? texture->GetXScale() : 0.0;
        const double textureY = texture ? texture->GetYScale() : 0.0;
        if (material->GetColor() == color && filesMatch && std::fabs(textureX - xScale) < kScaleTolerance &&
            std::fabs(textureY - yScale) < kScaleTolerance && material->IsManaged() == managed)
            return material;
    }
    return nullptr;
}

CMaterial* CMaterialManager::GetOrCreateColorMaterial(CColor color)
{
    if (CMaterial* found = FindMatchingMaterial(color, CString(), 0.0, 0.0, false))
        return found;
    auto* material = new CMaterial;
    material->SetColor(color);
    material->SetName(MakeColorMaterialName());
    AddMaterial(material);
    return material;
}

CString CMaterialManager::MakeUniqueMaterialName(const CString& base) const
{
    const CString stem = CMaterial::StripTrailingDigits(base);
    // Every material takes at most one candidate, so the count plus two numbers suffice.
    for (int number = 1;; ++number) {
        CString candidate;
        candidate.Format(L"%s%d", stem.GetString(), number);
        const bool taken = FindMaterialByName(DisplayForm(candidate)) || FindMaterialByName(candidate) ||
                           (m_current && EqualsNoCase(candidate, m_current->GetStoredName()));
        if (!taken)
            return candidate;
    }
}

bool CMaterialManager::SetCurrentMaterial(CMaterial* material, const IFaceTextureMapping* placement)
{
    if (material != m_current)
        DeleteCurrentIfUnlisted();
    m_current = material;
    SetCurrentTexturePlacement(placement);
    PostMaterialNotification(m_current, kMaterialCurrentChanged);
    return true;
}

void CMaterialManager::SetCurrentTexturePlacement(const IFaceTextureMapping* placement)
{
    if (placement && placement == m_placement.get())
        return;
    m_placement = placement ? placement->CopyWithoutPairs() : nullptr;
}

void CMaterialManager::ClearUseCounts()
{
    for (CMaterial* material : m_materials)
        material->ClearUseCount();
}

void CMaterialManager::PurgeUnusedMaterials()
{
    std::vector<CMaterial*> unused;
    for (CMaterial* material : m_materials) {
        if (material->GetManagedFlag() && material->GetUseCount() == 0 && material != m_current)
            unused.push_back(material);
    }
    for (CMaterial* material : unused) {
        if (!Remove(material))
            continue;
        RecordRemoval(material, this);
        material->Erase();
    }
}

void CMaterialManager::ReleaseMaterialTextures()
{
    for (CMaterial* material : m_materials) {
        if (material->HasTextureImage())
            material->GetTexture()->DeleteGLTexture();
    }
}

void CMaterialManager::MergeLegacyManager(CMaterialManager* legacy)
{
    if (!legacy)
        return;
    std::vector<CMaterial*> moved;
    CMaterialIterator unmanaged(*legacy, false);
    for (CEntity* entity = nullptr; unmanaged.Next(entity);)
        moved.push_back(static_cast<CMaterial*>(entity));
    for (CMaterial* material : moved) {
        legacy->m_materials.Take(material);
        if (material == legacy->m_current)
            legacy->m_current = nullptr;
        AddMaterial(material);
    }
    // The legacy record is read in the middle of the model file: what it leaves behind may
    // still be referred to by later records.
    std::vector<CMaterial*> left = legacy->m_materials.TakeAll();
    CMaterial* current = std::exchange(legacy->m_current, nullptr);
    if (current && std::find(left.begin(), left.end(), current) == left.end())
        left.push_back(current);
    for (CMaterial* material : left) {
        material->SetParent(nullptr);
        KeepUnownedObject(material);
    }
    DeleteUnrecorded(legacy);
}

int CMaterialManager::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CMaterialManager), map, [&] { return CEntity::CheckValidity(level, map); },
        [&] { return CheckOwnValidity(level, map); });
}

int CMaterialManager::CheckOwnValidity(int level, CCheckedObjectMap* map)
{
    int remembered = 0;
    for (int index = GetCount() - 1; index >= 0; --index) {
        CMaterial* material = m_materials.GetAt(index);
        if (!IsMaterial(material)) {
            AppendValidityMessage("The material %d in %s is not valid\n", index,
                                  DescribeEntity(this).GetString());
            return RecordValidity(material, 3, map);
        }
        const int result = map ? material->CheckValidity(level, map) : 0;
        if (result >= 2)
            return result;
        remembered = std::max(remembered, result);
    }
    if (m_current) {
        if (!IsMaterial(m_current)) {
            AppendValidityMessage("The front material for %s is not valid\n",
                                  DescribeEntity(this).GetString());
            return RecordValidity(m_current, 3, map);
        }
        const int result = map ? m_current->CheckValidity(level, map) : 0;
        if (result >= 2)
            return result;
        remembered = std::max(remembered, result);
    }
    if (level != kValidityCheckIgnoringIds && m_placement && !m_placement->IsValid()) {
        AppendValidityMessage("The texture info for %s is not valid\n", DescribeEntity(this).GetString());
        return 2;
    }
    return remembered;
}

bool CMaterialIterator::Next(CEntity*& entity)
{
    while (CMaterial* material = m_manager.GetMaterialAt(m_position)) {
        ++m_position;
        if (m_all || !material->GetManagedFlag()) {
            entity = material;
            return true;
        }
    }
    entity = nullptr;
    return false;
}
