#pragma once
// CEntity: the base of every object of a model (geometry, components, materials, layers,
// styles, scenes, fonts, attributes, and the managers that hold them). It gives each object
// an id, a parent in the ownership tree, an optional container of attribute dictionaries, the
// hook through which every change is recorded for undo and announced ("EntityChanged" with
// the entity as payload), the erase protocol, the walk that collects what must go with an
// entity, and the base of every self-check.
//
// Ids: taken from a process-wide counter starting at 1; 0 for copies; negative while the
// entity is erased inside an open operation, which then owns it. Outside undo recording an
// erased entity deletes itself.
//
// The entity owns its attribute container: deleting the entity frees the container and what it
// holds. Undo copies share the original's container without owning it, and an entity erased
// inside an open operation hands its container to the operation with itself.

#include <cstdint>
#include <vector>

#include "database/EntityTypes.h"
#include "database/OwnedPart.h"
#include "database/Validity.h"
#include "platform/mfc/Archive.h"
#include "platform/mfc/Object.h"
#include "platform/mfc/String.h"

namespace orbisk::geometry {
class CTransform3d;
}
class CAttribute;
class CAttributeContainer;
class CEntitySet;
class CUndoOperation;
class IModelContext;

class CEntity : public CObject {
    DECLARE_SERIAL(CEntity)
public:
    // Event kinds of OnReferencedEntityEvent and NotifyReferencers; the geometry classes add
    // kinds of their own.
    enum { kEventErased = 2 };
    // Kinds of HandleEntityEvent.
    enum { kHandleChange = 1, kHandleErase = 2 };

    // Inside an open operation (recording on) the entity is reported as created before it
    // takes its id, while only this part of it exists.
    CEntity();
    // Shares the attribute container; id 0, no parent; tells no operation. Undo copies are
    // made this way.
    CEntity(const CEntity& other);
    CEntity& operator=(const CEntity&) = delete;
    // Frees the attribute container the entity owns. An entity kept in the current model's
    // dropped-object pool leaves it.
    ~CEntity() override;

    // Reading branches on the schema of CEntity in the file: 1 one ignored 32-bit value, 0 and 2
    // nothing, 3 and later an object reference to the attribute container.
    void Serialize(CArchive& ar) override;

    // Erases the attribute container, calls OnErase, tells the referrers (kEventErased), then
    // hands the entity to the open operation, or, with undo recording off, deletes it. With
    // recording on but no open operation the entity stays as it is. Overrides do their own
    // part first and end with this one.
    virtual void Erase();
    virtual CUndoOperation* GetUndoOperation() const;
    // Gathers what must be copied, moved or erased with the entity: what it drives through
    // relationships, what refers to it and its attributes. False when the set already holds it
    // or it is being collected further up the walk.
    virtual bool CollectWithDependents(CEntitySet& set);
    virtual void Transform(const orbisk::geometry::CTransform3d& transform);
    // A snapshot for undo made by the copy constructor, or null for classes without one.
    virtual CEntity* CreateCopy() const;
    // Exchanges the state with another entity of the same class.
    virtual void SwapContents(CEntity& other);
    virtual CString GetClassName() const;
    // The class name without a leading "C".
    virtual CString GetTypeName() const;
    virtual IModelContext* GetModel() const;
    virtual CEntity* GetParent() const;
    // The nearest ancestor that is a component (entity type 2 or 4), or null.
    virtual CEntity* GetParentComponent() const;
    // Called on an entity that refers to `entity` when that one reports an event.
    virtual void OnReferencedEntityEvent(int kind, CEntity* entity, void* data);
    virtual void HandleEntityEvent(int kind);
    virtual void OnChange();
    virtual void OnErase();
    // level: ValidityLevel; map may be null.
    virtual int CheckValidity(int level, CCheckedObjectMap* map);
    virtual bool IsDrawingElement() const;
    virtual int GetEntityType() const;

    int32_t GetId() const { return m_id; }
    void TakeNextId();
    // Returns the new id.
    int32_t NegateId();
    static void ResetIdCounter();

    // Returns the entity's type code. An edge's curve (and so on while the object reached is an
    // edge) takes the same non-null parent. An entity that gets a parent leaves the current
    // model's dropped-object pool: the parent owns it now.
    int SetParent(CEntity* parent);
    // The entity on the given one's parent chain (the given one included) whose parent is this
    // entity's parent; null when the chain ends first.
    CEntity* FindSiblingAncestor(CEntity* entity) const;
    // The entity is this one's parent or a parent of that. Readers ask it before adopting, so
    // that no entity becomes its own ancestor.
    bool HasAncestor(const CEntity* entity) const;

    // Called by every setter before it changes a persistent member: records the change in the
    // open operation (with a snapshot when keepCopy), then posts "EntityChanged" unless the
    // current model's notifications are suspended.
    void MarkChanged(bool keepCopy = true);
    // Only the post.
    void NotifyChanged();

    // The relationship entities, from the relationship map of every enclosing component, in
    // which this entity drives (respectively is driven); returns the number appended.
    int GetRelationshipsAsDriver(std::vector<CEntity*>& relationships) const;
    int GetRelationshipsAsDriven(std::vector<CEntity*>& relationships) const;
    void RemoveRelationshipsOf();
    void ReplaceInRelationships(CEntity* other);

    // The current model's back-reference index; nothing without a current model.
    void AddBackReference(CEntity* referrer);
    void RemoveBackReference(CEntity* referrer);
    void NotifyReferencers(int kind, void* data);

    CAttributeContainer* GetAttributeContainer() const { return m_attributes.Get(); }
    // Creates the container on first use (with a change notice).
    void AddAttributeDictionary(CAttribute* attribute);
    // Copies of the other's attributes, or with share the same attribute objects.
    void CopyAttributesFrom(const CEntity& other, bool share);
    // The first attribute of that entity type, or null.
    CAttribute* FindAttribute(int type) const;

    // True only at kValidityFix, after appending " - fixed\n" to the report.
    static bool ShouldFix(int level);

protected:
    // The check of every class below CEntity: the switch, the map, the class test, the base
    // class's check, then the class's own checks; a non-zero result is stored for the entity.
    // An exception becomes result 3.
    template <class BaseCheck, class OwnCheck>
    int CheckAsClass(const CRuntimeClass* runtimeClass, CCheckedObjectMap* map, BaseCheck baseCheck,
                     OwnCheck ownCheck);
    // Runs a record's reading or writing. When reading throws, undo puts right what the failed
    // record did that deleting the entity would not (objects it took over from earlier records,
    // uses it counted), and the attribute container read so far is discarded, so that an entity
    // read in place keeps no part of the failed record; then the error goes on.
    template <class Body, class Undo>
    void SerializeGuarded(CArchive& ar, Body body, Undo undo);
    template <class Body>
    void SerializeGuarded(CArchive& ar, Body body)
    {
        SerializeGuarded(ar, body, [] {});
    }
    // True while the entity reads its attribute container: a reference back to it from inside
    // that container would make the ownership circular.
    static bool IsReadingAttributeContainer(const CEntity* entity);

private:
    int ReportCheckFailure(CCheckedObjectMap* map);
    void DiscardAttributeContainer();
    void ReadAttributeContainer(CArchive& ar);

    // Undo copies share the original's container without owning it.
    COwnedPart<CAttributeContainer> m_attributes;
    int32_t m_id = 0;
    // Where the dropped-object pool that keeps the entity has it (1 + its place), 0 when none:
    // a reader keeps and releases millions of entities, and this spares a lookup for each.
    friend class CDroppedObjectPool;
    uint32_t m_droppedPlace = 0;
    CEntity* m_parent = nullptr;
};

// True for an entity (checked as such) of that entity type.
inline bool IsEntityOfType(const CEntity* entity, int type)
{
    return entity && entity->IsKindOf(RUNTIME_CLASS(CEntity)) && entity->GetEntityType() == type;
}

template <class Body, class Undo>
void CEntity::SerializeGuarded(CArchive& ar, Body body, Undo undo)
{
    try {
        body();
    } catch (...) {
        if (ar.IsLoading()) {
            undo();
            DiscardAttributeContainer();
        }
        throw;
    }
}

template <class BaseCheck, class OwnCheck>
int CEntity::CheckAsClass(const CRuntimeClass* runtimeClass, CCheckedObjectMap* map, BaseCheck baseCheck,
                          OwnCheck ownCheck)
{
    if (!AreValidityChecksEnabled())
        return 0;
    try {
        int result = 0;
        if (FindValidity(this, map, result))
            return result;
        if (!IsKindOf(runtimeClass)) {
            AppendValidityMessage("Entity %s should be a %s but it is not\n",
                                  DescribeEntity(this).GetString(),
                                  CString(runtimeClass->m_lpszClassName).GetString());
            return RecordValidity(this, 3, map);
        }
        if ((result = baseCheck()) != 0)
            return RecordValidity(this, result, map);
        result = ownCheck();
        return result == 0 ? 0 : RecordValidity(this, result, map);
    } catch (...) {
        return ReportCheckFailure(map);
    }
}
