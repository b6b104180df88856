#include "database/DefinitionList.h"

#include <algorithm>
#include <cwctype>
#include <unordered_set>
#include <utility>

#include "database/ArchiveReading.h"
#include "database/ComponentNotification.h"
#include "database/DrawingElement.h"
#include "database/IComponentDefinition.h"
#include "database/IComponentInstance.h"
#include "database/IInstancePath.h"
#include "database/UndoManager.h"
#include "platform/mfc/Archive.h"
#include "support/StringUtils.h"

IMPLEMENT_SERIAL(CDefinitionList, CEntity, VERSIONABLE_SCHEMA | 0)

namespace {

enum { kNotificationAdded = 0, kNotificationRemoved = 1 };

bool IsDefinition(const CEntity* entity)
{
    return IsEntityOfType(entity, kEntityComponentDefinition) && AsComponentDefinition(entity);
}

int InstanceCount(const CEntity* definition)
{
    const IComponentDefinition* asDefinition = AsComponentDefinition(definition);
    return asDefinition ? asDefinition->GetInstanceCount() : 0;
}

CDrawingElement* InstanceAt(const CEntity* definition, int index)
{
    const IComponentDefinition* asDefinition = AsComponentDefinition(definition);
    return asDefinition ? asDefinition->GetInstanceAt(index) : nullptr;
}

CString NameOf(const CEntity* definition)
{
    const IComponentDefinition* asDefinition = AsComponentDefinition(definition);
    return asDefinition ? asDefinition->GetName() : CString();
}

std::wstring Folded(const CString& name)
{
    std::wstring folded(name.GetString());
    orbisk::utils::ToLowerInPlace(folded);
    return folded;
}

CUndoOperation* RecordingOperation()
{
    return IsUndoRecording() ? GetCurrentUndoOperation() : nullptr;
}

// The stem that numbered candidates extend: a trailing "#" and digits are dropped when the text
// after the last "#" is empty or starts with a digit, and a "#" exists past the first character.
std::wstring NameStem(const std::wstring& name)
{
    if (name.find(L'#', 1) == std::wstring::npos)
        return name;
    const std::wstring tail = name.substr(name.rfind(L'#') + 1);
    if (!tail.empty() && !std::iswdigit(static_cast<wint_t>(tail.front())))
        return name;
    std::wstring stem = name;
    stem.erase(stem.find_last_not_of(L"0123456789") + 1);
    stem.erase(stem.find_last_not_of(L'#') + 1);
    return stem;
}

// Empties the name index at the end of a check, however it ends.
class CNameIndexScope {
public:
    explicit CNameIndexScope(CDefinitionList& list) : m_list(list) { m_list.RebuildNameIndex(); }
    ~CNameIndexScope() { m_list.ClearNameIndex(); }
    CNameIndexScope(const CNameIndexScope&) = delete;
    CNameIndexScope& operator=(const CNameIndexScope&) = delete;

private:
    CDefinitionList& m_list;
};

}  // namespace

void CDefinitionList::Serialize(CArchive& ar)
{
    if (ar.IsLoading())
        ReadDefinitions(ar);
    else
        WriteDefinitions(ar);
}

void CDefinitionList::ReadDefinitions(CArchive& ar)
{
    const int32_t count = ReadItemCount(ar, kMinObjectReferenceBytes);
    // The list is replaced. Definitions listed before may still have instances: they stay alive
    // until the model goes, unless a list takes them again.
    for (CEntity* definition : std::exchange(m_definitions, {})) {
        if (definition->GetParent() == this)
            definition->SetParent(nullptr);
        KeepUntilAdopted(definition);
    }
    CRecordAdoptions adopted(*this, [&](CEntity* definition) { std::erase(m_definitions, definition); });
    for (int32_t i = 0; i < count; ++i) {
        bool madeHere = false;
        // Any class that is a definition (entity type 4) is taken; anything else is badClass.
        CObject* object = ReadObjectReference(ar, nullptr, madeHere);
        if (!object)
            continue;
        auto* definition = dynamic_cast<CEntity*>(object);
        if (!IsDefinition(definition)) {
            if (madeHere)
                KeepUnownedObject(object);
            AfxThrowArchiveException(CArchiveException::badClass);
        }
        if (Contains(definition))
            continue;
        // A definition listed by another list stays there: two lists would each free it.
        if (definition->GetParent()) {
            if (madeHere)
                KeepUnownedObject(definition);
            continue;
        }
        // A definition that holds this list would become its own ancestor: every walk up the
        // parents would loop, and freeing it would free the list from inside itself. One whose
        // record is still being read may hold this list once it is whole.
        if (HasAncestor(definition) || ar.IsStillReading(definition))
            AfxThrowArchiveException(CArchiveException::badClass);
        m_definitions.push_back(definition);
        definition->SetParent(this);
        adopted.Note(definition, madeHere);
    }
    adopted.Keep();
}

void CDefinitionList::WriteDefinitions(CArchive& ar) const
{
    CEntity* parent = GetParent();
    std::vector<CEntity*> ordered;
    if (m_orderOnWrite && parent && IsComponentType(parent->GetEntityType()))
        OrderDefinitions(parent, ordered);
    else
        ordered = m_definitions;
    ar << static_cast<int32_t>(ordered.size());
    for (const CEntity* definition : ordered)
        ar << static_cast<const CObject*>(definition);
}

void CDefinitionList::Erase()
{
    EraseUnused(false);
    CEntity::Erase();
}

bool CDefinitionList::Contains(const CEntity* entity) const
{
    return IsDefinition(entity) &&
           std::find(m_definitions.begin(), m_definitions.end(), entity) != m_definitions.end();
}

void CDefinitionList::Add(CEntity* entity)
{
    if (!IsDefinition(entity) || Contains(entity))
        return;
    entity->SetParent(this);
    m_definitions.push_back(entity);
    PostComponentNotification(kNotificationAdded, entity, nullptr);
}

bool CDefinitionList::Remove(CEntity* entity)
{
    if (!Contains(entity))
        return false;
    m_definitions.erase(std::find(m_definitions.begin(), m_definitions.end(), entity));
    PostComponentNotification(kNotificationRemoved, entity, nullptr);
    entity->SetParent(nullptr);
    return true;
}

CEntity* CDefinitionList::GetAt(int index) const
{
    return index >= 0 && index < GetCount() ? m_definitions[static_cast<size_t>(index)] : nullptr;
}

IEntityIterator* CDefinitionList::CreateIterator()
{
    return new CContainerIterator(*this);
}

void CDefinitionList::AddDefinition(CEntity* definition, bool refreshInstances)
{
    if (CUndoOperation* operation = RecordingOperation())
        operation->AddElement(definition, this);
    Add(definition);
    if (!refreshInstances || !GetModel() || !IsDefinition(definition))
        return;
    for (int i = 0; i < InstanceCount(definition); ++i) {
        if (CDrawingElement* instance = InstanceAt(definition, i))
            instance->OnChange();
    }
}

bool CDefinitionList::IsNameUnique(const CString& name, const CEntity* except) const
{
    return std::none_of(m_definitions.begin(), m_definitions.end(), [&](const CEntity* definition) {
        return definition != except &&
               orbisk::utils::CompareNoCase(NameOf(definition).GetString(), name.GetString()) == 0;
    });
}

template <class IsFree>
CString CDefinitionList::MakeUniqueNameWith(const CString& name, bool force, IsFree isFree) const
{
    if (!force && isFree(name))
        return name;
    const std::wstring stem = NameStem(name.GetString());
    for (int n = 1;; ++n) {
        CString candidate;
        candidate.Format(L"%s#%d", stem.c_str(), n);
        if (isFree(candidate))
            return candidate;
    }
}

CString CDefinitionList::MakeUniqueName(const CString& name, bool force, const CEntity* except) const
{
    return MakeUniqueNameWith(name, force,
                              [&](const CString& candidate) { return IsNameUnique(candidate, except); });
}

void CDefinitionList::RebuildNameIndex()
{
    m_nameIndex.clear();
    for (const CEntity* definition : m_definitions) {
        if (IsDefinition(definition))
            m_nameIndex.insert(Folded(NameOf(definition)));
    }
}

void CDefinitionList::ClearNameIndex()
{
    m_nameIndex.clear();
}

bool CDefinitionList::IsNameFree(const CString& name) const
{
    return !m_nameIndex.contains(Folded(name));
}

CString CDefinitionList::MakeUniqueNameIndexed(const CString& name, bool force) const
{
    return MakeUniqueNameWith(name, force, [&](const CString& candidate) { return IsNameFree(candidate); });
}

bool CDefinitionList::RemoveAndErase(CEntity* definition)
{
    if (!Remove(definition))
        return false;
    if (CUndoOperation* operation = RecordingOperation())
        operation->RemoveElement(definition, this);
    definition->Erase();
    return true;
}

void CDefinitionList::EraseDefinitionAndInstances(CEntity* definition)
{
    if (!IsDefinition(definition))
        return;
    for (int i = InstanceCount(definition) - 1; i >= 0; --i) {
        if (CDrawingElement* instance = InstanceAt(definition, i))
            instance->EraseFrom(instance->GetParent());
    }
    RemoveAndErase(definition);
}

void CDefinitionList::PurgeUnused(bool onlyMarked)
{
    for (bool erased = true; erased;) {
        erased = false;
        for (size_t i = 0; i < m_definitions.size();) {
            CEntity* definition = m_definitions[i];
            const IComponentDefinition* asDefinition = AsComponentDefinition(definition);
            const bool keep = InstanceCount(definition) > 0 ||
                              (onlyMarked && !(asDefinition && asDefinition->IsPurgeMarked()));
            if (keep || !RemoveAndErase(definition)) {
                ++i;
                continue;
            }
            erased = true;
        }
    }
}

void CDefinitionList::PurgeUnusedExcept(const IInstancePath& path)
{
    std::unordered_set<const CEntity*> onPath;
    for (int i = 0; i < path.GetSize(); ++i) {
        if (const auto* instance = dynamic_cast<const IComponentInstance*>(path.GetInstance(i)))
            onPath.insert(instance->GetDefinition());
    }
    for (int i = GetCount() - 1; i >= 0; --i) {
        CEntity* definition = m_definitions[static_cast<size_t>(i)];
        if (InstanceCount(definition) == 0 && !onPath.contains(definition))
            EraseDefinitionAndInstances(definition);
    }
}

void CDefinitionList::RemoveEmptyDefinitions(const IInstancePath& path)
{
    std::unordered_set<const CEntity*> onPath;
    for (int i = 0; i < path.GetSize(); ++i) {
        if (const auto* instance = dynamic_cast<const IComponentInstance*>(path.GetInstance(i)))
            onPath.insert(instance->GetDefinition());
    }
    for (int i = GetCount() - 1; i >= 0; --i) {
        CEntity* definition = GetAt(i);
        const auto* contents = dynamic_cast<const IEntityContainer*>(definition);
        if (contents && contents->IsEmpty() && !onPath.contains(definition))
            EraseDefinitionAndInstances(definition);
    }
}

void CDefinitionList::EraseUnused(bool forgetAll)
{
    for (CEntity* definition : m_definitions)
        PostComponentNotification(kNotificationRemoved, definition, nullptr);
    // Erased definitions may be deleted already: they are never looked at again.
    std::unordered_set<const CEntity*> erased;
    for (bool erasedAny = true; erasedAny;) {
        erasedAny = false;
        for (CEntity* definition : m_definitions) {
            if (erased.contains(definition) || InstanceCount(definition) > 0)
                continue;
            erased.insert(definition);
            definition->Erase();
            erasedAny = true;
        }
    }
    if (forgetAll)
        RemoveAll();
}

// The root component is placed first; then, pass by pass, every definition all of whose
// instances lie in placed components (one without instances at once), in list order. The result
// is the reverse order of placement. Definitions never placed (instances in components that the
// root does not reach, or a cycle) follow at the end in list order, so that none is lost.
void CDefinitionList::OrderDefinitions(CEntity* rootComponent, std::vector<CEntity*>& ordered) const
{
    std::unordered_set<const CEntity*> placed{rootComponent};
    std::vector<CEntity*> placement;
    for (bool placedAny = true; placedAny;) {
        std::vector<CEntity*> collected;
        for (CEntity* definition : m_definitions) {
            if (placed.contains(definition))
                continue;
            bool ready = true;
            for (int i = 0; ready && i < InstanceCount(definition); ++i) {
                const CDrawingElement* instance = InstanceAt(definition, i);
                ready = instance && placed.contains(instance->GetParentComponent());
            }
            if (ready)
                collected.push_back(definition);
        }
        for (CEntity* definition : collected) {
            placed.insert(definition);
            placement.push_back(definition);
        }
        placedAny = !collected.empty();
    }
    ordered.assign(placement.rbegin(), placement.rend());
    for (CEntity* definition : m_definitions) {
        if (!placed.contains(definition))
            ordered.push_back(definition);
    }
}

int CDefinitionList::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CDefinitionList), map, [&] { return CEntity::CheckValidity(level, map); },
        [&] { return CheckDefinitions(level, map); });
}

int CDefinitionList::CheckDefinitions(int level, CCheckedObjectMap* map)
{
    CNameIndexScope index(*this);
    int remembered = 0;
    for (int i = 0; i < GetCount(); ++i) {
        CEntity* definition = m_definitions[static_cast<size_t>(i)];
        if (!IsDefinition(definition)) {
            AppendValidityMessage("Component definition %d for %s is not a CComponentDefinition\n", i,
                                  DescribeEntity(this).GetString());
            return RecordValidity(definition, 3, map);
        }
        if (!map)
            continue;
        const int result = definition->CheckValidity(level, map);
        if (result >= 2)
            return result;
        if (result == 1)
            remembered = 1;
    }
    return remembered;
}
