// The contributor manager: the dictionary on the root component, the last modifier, the
// names shown on the credits page, and the count of operations that tells when the model
// turns modified.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "components/Component.h"
#include "components/ComponentDefinition.h"
#include "database/AttributeContainer.h"
#include "database/AttributeNamed.h"
#include "database/ContributorManager.h"
#include "database/DefinitionList.h"
#include "platform/mfc/MemFile.h"
#include "support/NotificationCenter.h"
#include "tests/model/ManagerTestSupport.h"
#include "tests/support/ModelFiles.h"

using orbisk::utils::CTypedValue;

namespace {

class ContributorCodes : public orbisk::utils::IObserver {
public:
    ContributorCodes()
    {
        orbisk::utils::CNotificationCenter::GetInstance().AddObserver("ContributorNotification", this);
    }
    ~ContributorCodes() override
    {
        orbisk::utils::CNotificationCenter::GetInstance().RemoveObserverFromAll(this);
    }
    void OnNotification(const char*, void* payload) override
    {
        codes.push_back(static_cast<CContributorNotificationInfo*>(payload)->code);
    }
    std::vector<int> codes;
};

CTypedValue Strings(std::initializer_list<const wchar_t*> texts)
{
    std::vector<CTypedValue> values;
    for (const wchar_t* text : texts)
        values.emplace_back(text);
    CTypedValue array;
    array.SetArray(std::move(values));
    return array;
}

// A definition that says it is internal, which no definition read or made by the program does.
class InternalDefinition : public CComponentDefinition {
public:
    bool IsInternal() const override { return true; }
};

class ContributorManagerTest : public ManagerTest {
protected:
    // Reads a whole model file that the given version of the modeller wrote.
    void ReadFileOfVersion(int32_t major, int32_t minor, int32_t build)
    {
        WholeModel file;
        file.header.major = major;
        file.header.minor = minor;
        file.header.build = build;
        Bytes bytes = file.Write();
        CMemFile memory(bytes.data(), static_cast<unsigned>(bytes.size()));
        CArchive ar(&memory, CArchive::load);
        model.Serialize(ar);
    }
    // The root component's dictionary of model properties.
    CTypedValue ModelProperty(const wchar_t* key) { return model.GetOrCreateModelProperties().GetValue(key); }

    CContributorManager contributors{&model};
};

}  // namespace

TEST_F(ContributorManagerTest, OperationsCountTowardsTheModifiedState)
{
    ContributorCodes seen;
    contributors.OnOperationEnd(0, 0, 0);
    contributors.OnOperationEnd(2, 0, 0);
    contributors.OnOperationEnd(3, 0, 0);
    EXPECT_EQ(seen.codes, (std::vector<int>{4, 4, 4}));
    contributors.OnOperationEnd(0, 0, 0);
    contributors.OnOperationEnd(4, 0, 0);
    EXPECT_EQ(seen.codes.size(), 3u) << "a second change and a discarded operation announce nothing";
    EXPECT_EQ(contributors.GetUnsavedOperationCount(), 2);

    contributors.ResetCounter();
    contributors.OnOperationEnd(2, 0, 0);
    EXPECT_EQ(contributors.GetUnsavedOperationCount(), 0) << "never below 0";

    EXPECT_TRUE(contributors.SetEnabled(false));
    contributors.OnOperationEnd(0, 0, 0);
    EXPECT_EQ(contributors.GetUnsavedOperationCount(), 0);
    EXPECT_FALSE(contributors.SetEnabled(true));
}

TEST_F(ContributorManagerTest, TheLastModifierLivesInTheRootComponentsDictionary)
{
    EXPECT_EQ(model.GetRoot()->GetAttributeContainer(), nullptr)
        << "nothing is made until something is stored";
    ContributorCodes seen;
    contributors.SetLastModifiedBy(L"ada");
    CAttributeNamed* dictionary = contributors.GetOrCreateDictionary();
    ASSERT_NE(dictionary, nullptr);
    EXPECT_EQ(dictionary->GetName(), CString(L"QZP_ContributorsInfo"));
    EXPECT_EQ(dictionary->GetParent(), model.GetRoot()->GetAttributeContainer());
    EXPECT_EQ(dictionary->GetValue(L"VersionKey").GetInt(), 1000);
    EXPECT_EQ(contributors.GetLastModifiedBy(), CString(L"ada"));
    contributors.RemoveLastModifiedBy(true);
    contributors.RemoveLastModifiedBy(false);
    EXPECT_EQ(contributors.GetLastModifiedBy(), CString());
    EXPECT_EQ(seen.codes, (std::vector<int>{2, 3}));

    dictionary->SetValue(L"LastModifiedByKey", CTypedValue(5));
    EXPECT_EQ(contributors.GetLastModifiedBy(), CString()) << "a value of another kind counts as absent";

    contributors.SetEnabled(false);
    contributors.SetLastModifiedBy(L"bob");
    EXPECT_EQ(dictionary->GetValue(L"LastModifiedByKey").GetInt(), 5);
}

TEST_F(ContributorManagerTest, CreditsListTheNicknamesFromTheLastPairToTheFirst)
{
    CAttributeNamed* dictionary = contributors.GetOrCreateDictionary();
    dictionary->SetValue(L"UserIdsKey", Strings({L"u1", L"u2", L"u3"}));
    dictionary->SetValue(L"NicknamesKey", Strings({L"first", L"second"}));
    std::vector<CString> names{L"stale"};
    contributors.CollectContributorNames(names);
    EXPECT_EQ(names, (std::vector<CString>{L"second", L"first"}));
    EXPECT_EQ(contributors.GetContributorCount(), 3);

    std::vector<CTypedValue> mixed;
    mixed.emplace_back(L"a");
    mixed.emplace_back(7);
    CTypedValue array;
    array.SetArray(mixed);
    dictionary->SetValue(L"UserIdsKey", array);
    contributors.CollectContributorNames(names);
    EXPECT_EQ(names, (std::vector<CString>{L"first"})) << "pairs that are not both strings are left out";

    dictionary->SetValue(L"NicknamesKey", CTypedValue(L"not a list"));
    contributors.CollectContributorNames(names);
    EXPECT_TRUE(names.empty());
}

TEST_F(ContributorManagerTest, NicknamesBecomeAModelProperty)
{
    contributors.CopyNicknamesToModelProperties();
    EXPECT_TRUE(ModelProperty(L"Contributors").IsEmpty());
    contributors.GetOrCreateDictionary()->SetValue(L"NicknamesKey", Strings({}));
    contributors.CopyNicknamesToModelProperties();
    EXPECT_TRUE(ModelProperty(L"Contributors").IsEmpty()) << "an empty list is not copied";
    contributors.GetOrCreateDictionary()->SetValue(L"NicknamesKey", Strings({L"zoe"}));
    contributors.CopyNicknamesToModelProperties();
    EXPECT_EQ(ModelProperty(L"Contributors").GetArray()->values.size(), 1u);
}

TEST_F(ContributorManagerTest, FilesOfOlderVersionsGetAnEmptyLastModifier)
{
    ReadFileOfVersion(7, 0, 100);
    ASSERT_EQ(model.GetStatus(), kModelRead);
    contributors.OnOperationEnd(0, 0, 0);
    contributors.OnModelLoaded();
    EXPECT_EQ(model.GetRoot()->GetAttributeContainer(), nullptr);
    EXPECT_EQ(contributors.GetUnsavedOperationCount(), 0);

    ReadFileOfVersion(6, 2, 100);
    ASSERT_EQ(model.GetStatus(), kModelRead);
    contributors.OnModelLoaded();
    const CAttributeNamed* dictionary = contributors.GetOrCreateDictionary();
    EXPECT_EQ(dictionary->GetValue(L"LastModifiedByKey").GetType(), orbisk::utils::kTypeString);
}

TEST_F(ContributorManagerTest, DefinitionsCarryNicknamesOfTheirOwn)
{
    CDefinitionList& definitions = *model.GetRoot()->GetDefinitionList();
    auto* plain = new CComponentDefinition;
    auto* credited = new CComponentDefinition;
    auto* internal = new InternalDefinition;
    for (CComponentDefinition* definition : {credited, static_cast<CComponentDefinition*>(internal)}) {
        auto* own = new CAttributeNamed(L"QZP_ContributorsInfo");
        own->SetValue(L"NicknamesKey", Strings({L"x", L"y"}));
        definition->AddAttributeDictionary(own);
    }
    for (CComponentDefinition* definition : {plain, credited, static_cast<CComponentDefinition*>(internal)})
        definitions.Add(definition);
    EXPECT_EQ(CContributorManager::CountNicknamesOf(*plain), 0);
    EXPECT_EQ(CContributorManager::CountNicknamesOf(*credited), 2);
    EXPECT_EQ(contributors.CountContributingDefinitions(), 1)
        << "definitions without nicknames and internal ones do not count";
    contributors.SetEnabled(false);
    EXPECT_EQ(contributors.CountContributingDefinitions(), 0);
}
