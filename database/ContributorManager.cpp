#include "database/ContributorManager.h"

#include <algorithm>

#include "database/AttributeContainer.h"
#include "database/AttributeNamed.h"
#include "database/DefinitionList.h"
#include "database/IComponent.h"
#include "database/IComponentDefinition.h"
#include "database/IModelContext.h"
#include "database/VersionInfo.h"
#include "support/NotificationCenter.h"

using orbisk::utils::CTypedValue;

namespace {

const CString kDictionaryName(L"QZP_ContributorsInfo");
constexpr wchar_t kUserIdsKey[] = L"UserIdsKey";
constexpr wchar_t kNicknamesKey[] = L"NicknamesKey";
constexpr wchar_t kVersionKey[] = L"VersionKey";
constexpr wchar_t kLastModifiedByKey[] = L"LastModifiedByKey";
constexpr wchar_t kContributorsProperty[] = L"Contributors";
constexpr int32_t kDictionaryVersion = 1000;
// Files of earlier versions kept no last modifier.
constexpr int32_t kFirstVersionWithLastModifier = 7;

CAttributeNamed* FindContributorDictionary(const CEntity& entity)
{
    const CAttributeContainer* container = entity.GetAttributeContainer();
    if (!container)
        return nullptr;
    return dynamic_cast<CAttributeNamed*>(container->FindNamed(kEntityAttributeNamed, kDictionaryName));
}

CContributorManager::ArrayRef ArrayOf(const CTypedValue& value)
{
    if (value.GetType() != orbisk::utils::kTypeArray)
        return {};
    return value.GetArray();
}

int CountOf(const CContributorManager::ArrayRef& array)
{
    return array ? static_cast<int>(array->values.size()) : 0;
}

}  // namespace

CContributorManager::CContributorManager(IModelContext* model) : m_model(model)
{
    RemoveLastModifiedBy(false);
}

bool CContributorManager::SetEnabled(bool enabled)
{
    const bool previous = m_enabled;
    m_enabled = enabled;
    return previous;
}

CAttributeNamed* CContributorManager::FindDictionary() const
{
    CEntity* root = m_model ? m_model->GetRootComponent() : nullptr;
    return root ? FindContributorDictionary(*root) : nullptr;
}

CAttributeNamed* CContributorManager::GetOrCreateDictionary()
{
    if (CAttributeNamed* found = FindDictionary())
        return found;
    CEntity* root = m_model ? m_model->GetRootComponent() : nullptr;
    if (!root)
        return nullptr;
    auto* dictionary = new CAttributeNamed(kDictionaryName);
    dictionary->SetValue(kVersionKey, CTypedValue(kDictionaryVersion));
    root->AddAttributeDictionary(dictionary);
    return dictionary;
}

CString CContributorManager::GetLastModifiedBy() const
{
    const CAttributeNamed* dictionary = m_enabled ? FindDictionary() : nullptr;
    if (!dictionary)
        return CString();
    const CTypedValue value = dictionary->GetValue(kLastModifiedByKey);
    return value.GetType() == orbisk::utils::kTypeString ? value.GetString() : CString();
}

void CContributorManager::SetLastModifiedBy(const CString& text)
{
    if (!m_enabled)
        return;
    CAttributeNamed* dictionary = GetOrCreateDictionary();
    if (!dictionary)
        return;
    dictionary->SetValue(kLastModifiedByKey, CTypedValue(text));
    Post(CContributorNotificationInfo::kLastModifierStored);
}

void CContributorManager::RemoveLastModifiedBy(bool notify)
{
    if (CAttributeNamed* dictionary = FindDictionary())
        dictionary->RemoveValue(kLastModifiedByKey);
    if (m_enabled && notify)
        Post(CContributorNotificationInfo::kLastModifierRemoved);
}

CContributorManager::ArrayRef CContributorManager::GetArray(const wchar_t* key) const
{
    const CAttributeNamed* dictionary = FindDictionary();
    return dictionary ? ArrayOf(dictionary->GetValue(key)) : ArrayRef();
}

CContributorManager::ArrayRef CContributorManager::GetUserIds() const
{
    return GetArray(kUserIdsKey);
}

CContributorManager::ArrayRef CContributorManager::GetNicknames() const
{
    return GetArray(kNicknamesKey);
}

CContributorManager::ArrayRef CContributorManager::GetNicknamesOf(const CEntity& entity)
{
    const CAttributeNamed* dictionary = FindContributorDictionary(entity);
    return dictionary ? ArrayOf(dictionary->GetValue(kNicknamesKey)) : ArrayRef();
}

int CContributorManager::CountNicknamesOf(const CEntity& entity)
{
    return CountOf(GetNicknamesOf(entity));
}

int CContributorManager::GetContributorCount() const
{
    return CountOf(GetUserIds());
}

int CContributorManager::CountContributingDefinitions() const
{
    const IComponent* root = m_enabled && m_model ? AsComponent(m_model->GetRootComponent()) : nullptr;
    const CDefinitionList* definitions = root ? root->GetDefinitionList() : nullptr;
    int count = 0;
    for (int i = 0; definitions && i < definitions->GetCount(); ++i) {
        const CEntity* definition = definitions->GetAt(i);
        const IComponentDefinition* asDefinition = AsComponentDefinition(definition);
        if (asDefinition && !asDefinition->IsInternal() && CountNicknamesOf(*definition) > 0)
            ++count;
    }
    return count;
}

void CContributorManager::CollectContributorNames(std::vector<CString>& names) const
{
    if (!m_enabled)
        return;
    names.clear();
    const ArrayRef userIds = GetUserIds();
    const ArrayRef nicknames = GetNicknames();
    const int pairs = std::min(CountOf(userIds), CountOf(nicknames));
    for (int i = pairs - 1; i >= 0; --i) {
        const CTypedValue& userId = userIds->values[static_cast<size_t>(i)];
        const CTypedValue& nickname = nicknames->values[static_cast<size_t>(i)];
        if (userId.GetType() == orbisk::utils::kTypeString &&
            nickname.GetType() == orbisk::utils::kTypeString)
            names.push_back(nickname.GetString());
    }
}

void CContributorManager::CopyNicknamesToModelProperties()
{
    const CAttributeNamed* dictionary = m_enabled && m_model ? FindDictionary() : nullptr;
    if (!dictionary)
        return;
    const CTypedValue nicknames = dictionary->GetValue(kNicknamesKey);
    if (CountOf(ArrayOf(nicknames)) > 0)
        m_model->GetOrCreateModelProperties().SetValue(kContributorsProperty, nicknames);
}

void CContributorManager::OnModelLoaded()
{
    if (m_model && m_model->GetVersion().major < kFirstVersionWithLastModifier &&
        GetLastModifiedBy().IsEmpty())
        SetLastModifiedBy(CString());
    m_unsavedOperations = 0;
}

void CContributorManager::ResetCounter()
{
    m_unsavedOperations = 0;
    RemoveLastModifiedBy(false);
}

void CContributorManager::OnOperationEnd(int resultKind, int, uint32_t)
{
    if (!m_enabled)
        return;
    const bool wasModified = m_unsavedOperations > 0;
    if (resultKind == 0 || resultKind == 3)
        ++m_unsavedOperations;
    else if (resultKind == 2 && m_unsavedOperations > 0)
        --m_unsavedOperations;
    if (wasModified != (m_unsavedOperations > 0))
        Post(CContributorNotificationInfo::kModifiedChanged);
}

void CContributorManager::Post(int32_t code)
{
    CContributorNotificationInfo info{code, this};
    orbisk::utils::CNotificationCenter::GetInstance().PostNotification("ContributorNotification", &info);
}
