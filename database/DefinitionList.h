#pragma once
// CDefinitionList: the model's component definitions, held by the root component. The list is
// their parent; it keeps their names unique (compared without regard to case), and purges and
// erases the definitions that nothing uses. Its record has no entity part: a count and the
// definitions as object references.
//
// The list keeps definitions (entity type 4) as entities and reaches their names and instances
// through IComponentDefinition (database/IComponentDefinition.h).

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "database/Entity.h"
#include "database/EntityContainer.h"

class IInstancePath;

class CDefinitionList : public CEntity, public IEntityContainer {
    DECLARE_SERIAL(CDefinitionList)
public:
    CDefinitionList() = default;
    CDefinitionList(const CDefinitionList&) = delete;
    CDefinitionList& operator=(const CDefinitionList&) = delete;

    // Reading lists a definition referenced twice once; anything but a definition is badClass. A
    // failed record gives up the definitions it listed (CRecordAdoptions). Writing orders the definitions
    // innermost first (OrderDefinitions) when the list's parent is a component and the order flag is set.
    void Serialize(CArchive& ar) override;
    // EraseUnused(false), then the entity's erase.
    void Erase() override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityDefinitionList; }

    int GetCount() const override { return static_cast<int>(m_definitions.size()); }
    bool IsEmpty() const override { return m_definitions.empty(); }
    bool Contains(const CEntity* entity) const override;
    // Posts "Component Notification" kind 0 for a definition not yet listed; ignores other
    // entities.
    void Add(CEntity* entity) override;
    // Posts kind 1.
    bool Remove(CEntity* entity) override;
    // Empties the list; nothing is erased or posted.
    void RemoveAll() override { m_definitions.clear(); }
    CEntity* GetAt(int index) const override;
    IEntityIterator* CreateIterator() override;

    // Records the addition, then Add; with refreshInstances, and when the list belongs to a
    // model, every instance of the definition has its OnChange hook called.
    void AddDefinition(CEntity* definition, bool refreshInstances);
    // False when a definition other than except has the name, without regard to case.
    bool IsNameUnique(const CString& name, const CEntity* except) const;
    // The name itself when unique (and not forced), else the name's stem followed by "#1",
    // "#2"... (the first unique one). The stem drops a "#n" suffix: Box#3 gives Box#1, but a "#"
    // in the first position (#5) or followed by other text (Box#12a) is not a suffix.
    CString MakeUniqueName(const CString& name, bool force, const CEntity* except) const;
    // The name index, filled only while the list checks itself, makes the uniqueness tests of
    // the definitions' own checks cheap.
    void RebuildNameIndex();
    void ClearNameIndex();
    bool IsNameFree(const CString& name) const;
    CString MakeUniqueNameIndexed(const CString& name, bool force) const;

    // Erases every instance of the definition from its parent component, then removes
    // (recording the removal) and erases the definition.
    void EraseDefinitionAndInstances(CEntity* definition);
    // Erases the definitions without instances (with onlyMarked, only those with the purge mark),
    // in passes until none goes.
    void PurgeUnused(bool onlyMarked);
    // Erases the definitions without instances that no instance on the path uses.
    void PurgeUnusedExcept(const IInstancePath& path);
    // Erases, with their instances, the definitions whose contents are empty and that no
    // instance on the path (the active path) uses; from the last definition to the first.
    void RemoveEmptyDefinitions(const IInstancePath& path);
    // Posts kind 1 for every definition, then erases the definitions left without instances in
    // passes until none goes; with forgetAll the list is emptied at the end.
    void EraseUnused(bool forgetAll);
    // Every definition once, deepest nested first; see the source.
    void OrderDefinitions(CEntity* rootComponent, std::vector<CEntity*>& ordered) const;

    bool GetOrderOnWrite() const { return m_orderOnWrite != 0; }
    void SetOrderOnWrite(bool on) { m_orderOnWrite = on ? 1 : 0; }

private:
    template <class IsFree>
    CString MakeUniqueNameWith(const CString& name, bool force, IsFree isFree) const;
    void ReadDefinitions(CArchive& ar);
    void WriteDefinitions(CArchive& ar) const;
    bool RemoveAndErase(CEntity* definition);
    int CheckDefinitions(int level, CCheckedObjectMap* map);

    std::vector<CEntity*> m_definitions;
    uint8_t m_orderOnWrite = 1;
    // Case-folded names.
    std::set<std::wstring, std::less<>> m_nameIndex;
};
