#pragma once
// CComponentDefinition: a named, reusable component. Besides its contents (a CComponent) it
// knows its identity (a GUID renewed whenever an operation changes it), its texts, the
// instances, groups and images placed from it, how those behave, and its kind: 0 an ordinary
// component, 1 plain, 2 the definition behind an image. It posts "Component Notification" when
// it is erased, changes, or gains and loses instances.
//
// The instance list does not own its entries; the instances point back at the definition. The
// link is cut by whichever of the two goes first.

#include <cstdint>
#include <vector>

#include "components/Component.h"
#include "database/IComponentDefinition.h"
#include "platform/mfc/Time.h"
#include "support/Guid.h"

class CComponentBehavior;
class CComponentInstance;
class CThumbnail;

class CComponentDefinition : public CComponent, public IComponentDefinition {
    DECLARE_SERIAL(CComponentDefinition)
public:
    enum Kind : int32_t { kKindComponent = 0, kKindPlain = 1, kKindImage = 2 };
    // Kinds of "Component Notification" a definition posts.
    enum Notification : int32_t {
        kNotifyErased = 1,
        kNotifyChanged = 2,
        kNotifyKindChanged = 3,
        kNotifyInstanceAdded = 4,
        kNotifyInstanceRemoved = 5,
    };

    // Empty texts, kind 0, a behaviour, no thumbnail, no layer.
    CComponentDefinition();
    // The identity, texts, time, flags, point, kind and the same instance and thumbnail
    // pointers; no behaviour.
    CComponentDefinition(const CComponentDefinition& other);
    CComponentDefinition& operator=(const CComponentDefinition&) = delete;
    // Instances still pointing here forget the definition.
    ~CComponentDefinition() override;

    // Reads schemas 0 to 10 after the component's record; a definition has a thumbnail
    // afterwards.
    void Serialize(CArchive& ar) override;
    void Erase() override;
    // Moves the contents and the insertion point by the transformation, and gives every instance
    // the inverse first, so that the instances stay where they were.
    void Transform(const orbisk::geometry::CTransform3d& transform) override;
    CEntity* CreateCopy() const override;
    void SwapContents(CEntity& other) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityComponentDefinition; }
    void UpdateDependents() override;

    bool CanContain(const CComponentDefinition* definition) const override;
    void InvalidateBounds() override;
    void AddEntityBounds(const CDrawingElement* entity) override;
    void AddPointToBounds(const orbisk::geometry::CPoint3d& point) override;

    // IComponentDefinition.
    CString GetName() const override { return m_name; }
    int GetInstanceCount() const override { return static_cast<int>(m_instances.size()); }
    // Null outside the list.
    CDrawingElement* GetInstanceAt(int index) const override;
    CComponentInstance* GetInstance(int index) const;
    // Definitions that are no ordinary component go when unused definitions are purged.
    bool IsPurgeMarked() const override { return m_kind != kKindComponent; }
    bool IsInternal() const override { return false; }

    void SetName(const CString& name);
    const CString& GetDescription() const { return m_description; }
    const CString& GetThirdText() const { return m_thirdText; }
    const orbisk::utils::CGuid& GetGuid() const { return m_guid; }
    void RenewGuid();
    CTime GetTime() const { return m_time; }
    bool IsEdited() const { return m_edited; }
    void SetEdited(bool edited);
    const orbisk::geometry::CPoint3d& GetInsertionPoint() const { return m_insertionPoint; }
    void SetInsertionPoint(const orbisk::geometry::CPoint3d& point, bool applySnap);
    void ResetInsertionPoint();
    int32_t GetKind() const { return m_kind; }
    // Change-recorded; nothing when equal.
    void SetKind(int32_t kind);
    CComponentBehavior* GetBehavior() const { return m_behavior.Get(); }
    CThumbnail* GetThumbnail() const { return m_thumbnail; }
    bool GetRunTimeMark() const { return m_runTimeMark; }
    void SetRunTimeMark(bool mark) { m_runTimeMark = mark; }
    void InvalidateThumbnail();
    // Gives a definition without a thumbnail a new one with the default camera.
    void EnsureThumbnail();

    // Instances, groups and images placed from the definition.
    void AddInstance(CComponentInstance* instance);
    void RemoveInstance(CComponentInstance* instance);
    bool HasInstance(const CComponentInstance* instance) const;
    const std::vector<CComponentInstance*>& GetInstances() const { return m_instances; }
    // Takes the instance out of the list without a change record or notification: for an
    // instance that goes with a failed record or is destroyed.
    void ForgetInstance(const CComponentInstance* instance);

    // The components holding the instances; with recursive, those holding those (each once).
    void CollectParentComponents(CEntitySet& set, bool recursive) const;
    bool IsUsedIn(const CComponent* component, bool recursive) const;
    // The component holding each instance is told to invalidate its bounds.
    void InvalidateParentBounds();

private:
    void ReadRecord(CArchive& ar);
    void ReadThumbnail(CArchive& ar);
    int CheckOwnValidity(int level, CCheckedObjectMap* map);
    int CheckInstances(int level, CCheckedObjectMap* map, int result);
    int CheckCycles(int level, int result);
    void Post(int32_t kind, void* value);
    void RecordChange();

    orbisk::utils::CGuid m_guid;
    CString m_name;
    CString m_description;
    CString m_thirdText;
    CTime m_time;
    bool m_edited = false;
    orbisk::geometry::CPoint3d m_insertionPoint;
    std::vector<CComponentInstance*> m_instances;
    COwnedPart<CComponentBehavior> m_behavior;
    int32_t m_kind = kKindComponent;
    // Owned by the definition that made or read it; copies share it.
    CThumbnail* m_thumbnail = nullptr;
    bool m_ownsThumbnail = false;
    uint32_t m_displayList = 0;
    bool m_runTimeMark = false;
};

// The definition behind an entity of type 4, or null.
CComponentDefinition* AsDefinitionClass(CEntity* entity);
const CComponentDefinition* AsDefinitionClass(const CEntity* entity);
