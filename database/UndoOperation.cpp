#include "database/UndoOperation.h"

#include <algorithm>

#include "database/Entity.h"
#include "database/EntityContainer.h"
#include "database/IModelContext.h"
#include "database/UndoManager.h"
#include "database/Validity.h"
#include "support/StringTable.h"

namespace {

// The maker's support form, named in the message after an operation left invalid geometry.
constexpr const char* kSupportAddress = "https://support.quenta.com/support/bin/request.py";

CEntity* ContainerEntity(IEntityContainer* container)
{
    return dynamic_cast<CEntity*>(container);
}

bool IsComponent(const CEntity* entity)
{
    return entity && IsComponentType(entity->GetEntityType());
}

}  // namespace

CUndoRecord::CUndoRecord(CEntity* entity, bool keepCopy) : m_entity(entity)
{
    if (keepCopy)
        MakeCopy();
}

CUndoRecord::~CUndoRecord()
{
    delete m_copy;
}

void CUndoRecord::MakeCopy()
{
    if (!m_copy)
        m_copy = m_entity->CreateCopy();
}

CUndoOperation::CUndoOperation(int typeCode, const CString& name, CUndoManager* owner, bool joinFlag,
                               int32_t serial)
    : m_typeCode(typeCode), m_name(name), m_serial(serial), m_owner(owner), m_joinFlag(joinFlag)
{}

CUndoOperation::~CUndoOperation()
{
    m_records.clear();
    for (CEntity* entity : m_erased)
        delete entity;
}

void CUndoOperation::Broadcast(int kind, CEntity* entity, IEntityContainer* container)
{
    if (m_owner)
        m_owner->Broadcast(static_cast<CUndoManager::BroadcastKind>(kind), entity, container);
}

void CUndoOperation::EntityCreated(CEntity* entity)
{
    Broadcast(CUndoManager::kCreated, entity);
    m_created.push_back(entity);
}

void CUndoOperation::RecordChange(CEntity* entity, bool keepCopy)
{
    auto found = m_records.find(entity);
    if (found != m_records.end()) {
        if (keepCopy)
            found->second->MakeCopy();
        return;
    }
    m_records.emplace(entity, std::make_unique<CUndoRecord>(entity, keepCopy));
    if (CEntity* parent = entity->GetParent(); IsComponent(parent))
        m_changedComponents.Insert(parent);
}

void CUndoOperation::EntityErased(CEntity* entity)
{
    Broadcast(CUndoManager::kErased, entity);
    auto created = std::find(m_created.begin(), m_created.end(), entity);
    if (created == m_created.end()) {
        m_erased.push_back(entity);
        entity->NegateId();
        return;
    }
    m_created.erase(created);
    ForgetCreatedEntity(entity);
    m_createdAndErased.push_back(entity);
    delete entity;
}

void CUndoOperation::ForgetCreatedEntity(CEntity* entity)
{
    m_records.erase(entity);
    ForgetPairsOf(m_added, entity);
    ForgetPairsOf(m_removed, entity);
    if (IsComponent(entity))
        m_changedComponents.Erase(entity);
}

void CUndoOperation::ForgetPairsOf(std::vector<ElementPair>& pairs, CEntity* entity)
{
    IEntityContainer* asContainer = dynamic_cast<IEntityContainer*>(entity);
    if (!asContainer) {
        auto last = std::find_if(pairs.rbegin(), pairs.rend(),
                                 [&](const ElementPair& p) { return p.entity == entity; });
        if (last != pairs.rend())
            pairs.erase(std::next(last).base());
        return;
    }
    std::erase_if(pairs, [&](const ElementPair& pair) {
        if (pair.entity == entity)
            return true;
        if (pair.container != asContainer)
            return false;
        if (pair.entity->GetParent() == entity)
            pair.entity->SetParent(nullptr);
        return true;
    });
}

void CUndoOperation::AddElement(CEntity* entity, IEntityContainer* container)
{
    Broadcast(CUndoManager::kAdded, entity, container);
    const ElementPair pair{entity, container};
    auto removed = std::find(m_removed.begin(), m_removed.end(), pair);
    if (removed != m_removed.end())
        m_removed.erase(removed);
    else
        m_added.push_back(pair);
    NoteComponentOf(container);
}

void CUndoOperation::RemoveElement(CEntity* entity, IEntityContainer* container)
{
    Broadcast(CUndoManager::kRemoved, entity, container);
    const ElementPair pair{entity, container};
    auto added = std::find(m_added.begin(), m_added.end(), pair);
    if (added != m_added.end())
        m_added.erase(added);
    else
        m_removed.push_back(pair);
    NoteComponentOf(container);
}

void CUndoOperation::NoteComponentOf(IEntityContainer* container)
{
    if (CEntity* entity = ContainerEntity(container); IsComponent(entity))
        m_changedComponents.Insert(entity);
}

void CUndoOperation::BroadcastChanges(uint32_t flags)
{
    if (flags & CUndoManager::kNoChangeBroadcast)
        return;
    for (const auto& [entity, record] : m_records)
        Broadcast(CUndoManager::kChanged, record->GetEntity());
}

bool CUndoOperation::CheckAfterOperation()
{
    ClearValidityReport();
    int result = 0;
    {
        CValidityCheckScope checksOn;
        IModelContext* model = m_owner ? m_owner->GetModel() : nullptr;
        result = model ? model->CheckValidity(kValidityCheck, true) : 0;
    }
    if (result == 0)
        return true;
    CString message = orbisk::utils::TranslateString(
        "The operation has resulted in some invalid geometry.\nPlease undo the last operation and "
        "save the model.\n"
        "Then record what you were trying to do and contact technical\nsupport at ");
    message += CString(kSupportAddress);
    message += orbisk::utils::TranslateString(
        "\nwith the model and the description of what you were doing.\n\nIf you just did an "
        "import, please let us "
        "know which importer.\nMost likely, your model is just fine.");
    CheckValidity::ShowReport(message);
    return false;
}

void CUndoOperation::CollectChangedComponents(CEntitySet& set) const
{
    set.InsertAll(m_changedComponents);
    for (const std::vector<CEntity*>* list : {&m_created, &m_erased}) {
        for (CEntity* entity : *list) {
            if (IsComponent(entity))
                set.Erase(entity);
        }
    }
}

void CUndoOperation::CollectEntities(CEntitySet& set) const
{
    for (const auto& [entity, record] : m_records)
        set.Insert(record->GetEntity());
    set.InsertVector(m_created);
    set.InsertVector(m_erased);
}

bool CUndoOperation::IsEmpty() const
{
    return m_records.empty() && m_added.empty() && m_removed.empty() && m_created.empty() && m_erased.empty();
}

bool CUndoOperation::WasCreatedAndErased(const void* address) const
{
    return std::find(m_createdAndErased.begin(), m_createdAndErased.end(), address) !=
           m_createdAndErased.end();
}

const CUndoRecord* CUndoOperation::FindRecord(const CEntity* entity) const
{
    auto found = m_records.find(entity);
    return found == m_records.end() ? nullptr : found->second.get();
}
