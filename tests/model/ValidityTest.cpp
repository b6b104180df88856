// The validity framework: the report, the switch, the check pattern and the user interface.

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "database/Attribute.h"
#include "database/AttributeContainer.h"
#include "database/AttributeNamed.h"
#include "database/UndoManager.h"
#include "tests/model/ModelTestSupport.h"
#include "tests/model/doubles/EntityDoubles.h"

namespace {

CString Text(const wchar_t* text)
{
    return CString(text);
}

// An attribute whose own checks are given by the test.
class CheckedAttribute : public CAttribute {
public:
    int CheckValidity(int level, CCheckedObjectMap* map) override
    {
        return CheckAsClass(
            checkedAs, map, [&] { return CAttribute::CheckValidity(level, map); },
            [&] { return ownCheck(); });
    }
    const CRuntimeClass* checkedAs = RUNTIME_CLASS(CAttribute);
    std::function<int()> ownCheck = [] { return 0; };
};

class ValidityTest : public ModelTest {
protected:
    CSuspendUndo noUndo;
};

}  // namespace

TEST_F(ValidityTest, EntitiesAreNamedByClassAndId)
{
    TestEntity entity;
    CString expected;
    expected.Format(L"TestEntity (%d)", entity.GetId());
    EXPECT_EQ(DescribeEntity(&entity), expected);
    EXPECT_EQ(DescribeEntity(nullptr), Text(L"(NULL}"));
}

TEST_F(ValidityTest, OnlyTheFixLevelFixesAndMarksTheFix)
{
    struct Case {
        int level;
        bool fixes;
        const wchar_t* report;
    };
    const Case cases[] = {{kValidityCheck, false, L""},
                          {kValidityFix, true, L" - fixed\n"},
                          {kValidityCheckIgnoringIds, false, L""}};
    for (const Case& c : cases) {
        ClearValidityReport();
        EXPECT_EQ(CEntity::ShouldFix(c.level), c.fixes) << c.level;
        EXPECT_EQ(GetValidityReport(), Text(c.report)) << c.level;
    }
}

TEST_F(ValidityTest, TheSwitchIsOffFromTheStartAndOnlyTheEntityCheckIgnoresIt)
{
    CheckedAttribute attribute;
    attribute.NegateId();
    EXPECT_FALSE(AreValidityChecksEnabled());
    EXPECT_EQ(attribute.CheckValidity(kValidityCheck, nullptr), 0);
    EXPECT_EQ(attribute.CEntity::CheckValidity(kValidityCheck, nullptr), 2);
    {
        CValidityCheckScope checksOn;
        EXPECT_EQ(attribute.CheckValidity(kValidityCheck, nullptr), 2);
    }
    EXPECT_FALSE(AreValidityChecksEnabled());
}

TEST_F(ValidityTest, TheScopeRestoresTheSwitchWhenAnExceptionLeavesIt)
{
    try {
        CValidityCheckScope checksOn;
        throw std::runtime_error("check failed");
    } catch (const std::runtime_error&) {}
    EXPECT_FALSE(AreValidityChecksEnabled());
}

TEST_F(ValidityTest, ANegativeIdIsInvalidExceptAtTheLevelThatAcceptsIt)
{
    TestEntity entity;
    const int32_t id = entity.NegateId();
    CCheckedObjectMap map;
    EXPECT_EQ(entity.CheckValidity(kValidityCheckIgnoringIds, &map), 0);
    EXPECT_TRUE(map.empty()) << "a valid result is not stored";
    EXPECT_FALSE(HasValidityProblems());

    EXPECT_EQ(entity.CheckValidity(kValidityCheck, &map), 2);
    EXPECT_EQ(map.at(&entity), 2);
    CString expected;
    expected.Format(L"The entity at address %x has an invalid id (%d)\n",
                    static_cast<unsigned>(reinterpret_cast<uintptr_t>(&entity)), id);
    EXPECT_EQ(GetValidityReport(), expected);

    ClearValidityReport();
    EXPECT_EQ(entity.CheckValidity(kValidityFix, &map), 2) << "answered from the map";
    EXPECT_FALSE(HasValidityProblems());
}

TEST_F(ValidityTest, AContainerPassesOnTheWorstResultOfItsAttributes)
{
    CValidityCheckScope checksOn;
    TestEntity entity;
    auto* good = new CAttributeNamed(L"good");
    auto* bad = new CAttributeNamed(L"bad");
    entity.AddAttributeDictionary(good);
    entity.AddAttributeDictionary(bad);
    bad->NegateId();
    CCheckedObjectMap map;
    EXPECT_EQ(entity.CheckValidity(kValidityCheck, &map), 2);
    EXPECT_EQ(map.at(bad), 2);
    EXPECT_EQ(map.at(entity.GetAttributeContainer()), 2);
    EXPECT_EQ(map.at(&entity), 2);
    EXPECT_FALSE(map.contains(good));

    ClearValidityReport();
    TestEntity other;
    other.AddAttributeDictionary(new CAttributeNamed(L"bad"));
    other.GetAttributeContainer()->GetAt(0)->NegateId();
    EXPECT_EQ(other.CheckValidity(kValidityCheck, nullptr), 0)
        << "without a map contained objects are not checked";
}

TEST_F(ValidityTest, TheCheckPatternReportsAWrongClass)
{
    CValidityCheckScope checksOn;
    CheckedAttribute attribute;
    attribute.checkedAs = RUNTIME_CLASS(CAttributeContainer);
    CCheckedObjectMap map;
    EXPECT_EQ(attribute.CheckValidity(kValidityCheck, &map), 3);
    EXPECT_EQ(map.at(&attribute), 3);
    CString expected;
    expected.Format(L"Entity %s should be a CAttributeContainer but it is not\n",
                    DescribeEntity(&attribute).GetString());
    EXPECT_EQ(GetValidityReport(), expected);
}

TEST_F(ValidityTest, TheCheckPatternStoresOnlyNonZeroOwnResultsAndTurnsExceptionsIntoThree)
{
    CValidityCheckScope checksOn;
    struct Case {
        std::function<int()> own;
        int result;
        bool stored;
    };
    const Case cases[] = {
        {[] { return 0; }, 0, false},
        {[] { return 1; }, 1, true},
        {[]() -> int { throw std::runtime_error("broken"); }, 3, true},
    };
    for (const Case& c : cases) {
        ClearValidityReport();
        CheckedAttribute attribute;
        attribute.ownCheck = c.own;
        CCheckedObjectMap map;
        EXPECT_EQ(attribute.CheckValidity(kValidityCheck, &map), c.result);
        EXPECT_EQ(map.contains(&attribute), c.stored);
        if (c.result == 3) {
            EXPECT_EQ(GetValidityReport(),
                      L"Unknown Error while validating " + DescribeEntity(&attribute) + L"\n");
        }
    }
}

TEST_F(ValidityTest, TheReportIsShownUnderItsTitle)
{
    RecordingValidityUI ui;
    CheckValidity::ShowReport(L"Checked.");
    EXPECT_EQ(ui.title, Text(L"Validity Check"));
    EXPECT_EQ(ui.text, Text(L"Checked.\nNo problems found.\n"));

    AppendValidityMessage(L"%s is %d\n", L"Face (3)", 7);
    CheckValidity::ShowReport(L"Checked.");
    EXPECT_EQ(ui.text, Text(L"Checked.\nFace (3) is 7\n"));
    EXPECT_EQ(ui.shown, 2);
}

TEST_F(ValidityTest, TheDefaultUserInterfaceAnswersByKind)
{
    EXPECT_EQ(CheckValidity::AskUser(2, L""), 1);
    EXPECT_EQ(CheckValidity::AskUser(1, L""), 2);
    CheckValidity::UI* installed = CheckValidity::SetUI(nullptr);
    EXPECT_EQ(CheckValidity::AskUser(2, L""), 2) << "no UI installed";
    CheckValidity::ShowReport(L"nothing to show it");
    CheckValidity::SetUI(installed);
}
