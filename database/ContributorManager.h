#pragma once
// CContributorManager: who contributed to a model, kept as typed values in the attribute
// dictionary "QZP_ContributorsInfo" of the model's root component ("UserIdsKey" and
// "NicknamesKey", arrays of strings in the same order; "VersionKey"; "LastModifiedByKey"),
// and a count of operations done since the model was read or saved, which announces when the
// model turns modified or back.
//
// It posts "ContributorNotification" (CContributorNotificationInfo): 2 the last modifier was
// stored, 3 it was removed, 4 the model changed between modified and not modified. Values of
// the wrong kind in the dictionary count as absent. While disabled (the model disables it when
// it is cleared) it stores, counts and announces nothing.

#include <cstdint>
#include <vector>

#include "database/DBListener.h"
#include "platform/mfc/Object.h"
#include "platform/mfc/String.h"
#include "support/TypedValue.h"

class CAttributeNamed;
class CContributorManager;
class CEntity;
class IModelContext;

struct CContributorNotificationInfo {
    enum Code : int32_t { kLastModifierStored = 2, kLastModifierRemoved = 3, kModifiedChanged = 4 };
    int32_t code;
    CContributorManager* manager;
};

class CContributorManager : public CObject, public CDBListener {
public:
    using Array = orbisk::utils::CTypedValue::Array;
    using ArrayRef = orbisk::utils::CRefPtr<Array>;

    // The model is not owned. The last modifier is removed without an announcement.
    explicit CContributorManager(IModelContext* model);
    CContributorManager(const CContributorManager&) = delete;
    CContributorManager& operator=(const CContributorManager&) = delete;

    // Returns the previous state.
    bool SetEnabled(bool enabled);
    bool IsEnabled() const { return m_enabled; }

    // The dictionary of the model's root component, made (with "VersionKey" 1000) when
    // missing; null when the model has no root component.
    CAttributeNamed* GetOrCreateDictionary();
    // Empty when disabled or not stored as a string.
    CString GetLastModifiedBy() const;
    void SetLastModifiedBy(const CString& text);
    void RemoveLastModifiedBy(bool notify);

    // The stored arrays (a new reference), null when absent.
    ArrayRef GetUserIds() const;
    ArrayRef GetNicknames() const;
    // The nicknames kept on an entity's own contributor dictionary (definitions have one).
    static ArrayRef GetNicknamesOf(const CEntity& entity);
    static int CountNicknamesOf(const CEntity& entity);
    int GetContributorCount() const;
    // The definitions of the model's definition list that carry contributors, internal ones
    // left out; 0 when disabled.
    int CountContributingDefinitions() const;
    // The nicknames whose user id and nickname are both strings, from the last pair shared by
    // both arrays to the first.
    void CollectContributorNames(std::vector<CString>& names) const;
    // The nicknames also become the model property "Contributors".
    void CopyNicknamesToModelProperties();

    int32_t GetUnsavedOperationCount() const { return m_unsavedOperations; }
    // After a model file was read: files of versions before 7 get an empty last modifier; the
    // count starts again.
    void OnModelLoaded();
    void ResetCounter();

    // Committed (0) and redone (3) operations count up, undone ones (2) down.
    void OnOperationEnd(int resultKind, int typeCode, uint32_t flags) override;

private:
    CAttributeNamed* FindDictionary() const;
    ArrayRef GetArray(const wchar_t* key) const;
    void Post(int32_t code);

    IModelContext* m_model;
    bool m_enabled = true;
    int32_t m_unsavedOperations = 0;
};
