// Run-time classes: names, the base chain, factories and the list looked up by name.

#include <gtest/gtest.h>

#include "tests/platform/TestObjects.h"

namespace {

TEST(RuntimeClass, ClassesAreFoundByTheirExactName)
{
    EXPECT_EQ(CRuntimeClass::FromName("CTestValue"), RUNTIME_CLASS(CTestValue));
    EXPECT_EQ(CRuntimeClass::FromName("CObject"), RUNTIME_CLASS(CObject));
    EXPECT_EQ(CRuntimeClass::FromName("CTestDynamicOnly"), RUNTIME_CLASS(CTestDynamicOnly));
    EXPECT_EQ(CRuntimeClass::FromName("ctestvalue"), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName("CTestValu"), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName(""), nullptr);
}

TEST(RuntimeClass, AnObjectIsOfItsClassAndEveryBaseButNoDerivedOne)
{
    CTestDerivedValue derived;
    CTestValue value;
    EXPECT_TRUE(derived.IsKindOf(RUNTIME_CLASS(CTestDerivedValue)));
    EXPECT_TRUE(derived.IsKindOf(RUNTIME_CLASS(CTestValue)));
    EXPECT_TRUE(derived.IsKindOf(RUNTIME_CLASS(CTestObject)));
    EXPECT_TRUE(derived.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(value.IsKindOf(RUNTIME_CLASS(CTestDerivedValue)));
    EXPECT_FALSE(value.IsKindOf(RUNTIME_CLASS(CTestOther)));
    EXPECT_FALSE(value.IsKindOf(nullptr));
}

TEST(RuntimeClass, RecordsCarryNameSizeSchemaAndBase)
{
    const CRuntimeClass* holder = RUNTIME_CLASS(CTestHolder);
    EXPECT_STREQ(holder->m_lpszClassName, "CTestHolder");
    EXPECT_EQ(holder->m_nObjectSize, static_cast<int>(sizeof(CTestHolder)));
    EXPECT_EQ(holder->m_pBaseClass, RUNTIME_CLASS(CTestObject));
    EXPECT_TRUE(holder->IsVersionable());
    EXPECT_EQ(holder->GetSchemaNumber(), 2u);

    const CRuntimeClass* value = RUNTIME_CLASS(CTestValue);
    EXPECT_TRUE(value->IsSerializable());
    EXPECT_FALSE(value->IsVersionable());
    EXPECT_EQ(value->GetSchemaNumber(), 1u);

    EXPECT_FALSE(RUNTIME_CLASS(CTestDynamicOnly)->IsSerializable());
    EXPECT_EQ(RUNTIME_CLASS(CObject)->m_pBaseClass, nullptr);
}

TEST(RuntimeClass, FactoriesMakeObjectsOfTheirClassOnly)
{
    std::unique_ptr<CObject> made(RUNTIME_CLASS(CTestDerivedValue)->CreateObject());
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->GetRuntimeClass(), RUNTIME_CLASS(CTestDerivedValue));
    EXPECT_EQ(RUNTIME_CLASS(CTestDynamicOnly)->CreateObject(), nullptr);
    EXPECT_EQ(RUNTIME_CLASS(CObject)->CreateObject(), nullptr);
}

TEST(RuntimeClass, ASecondClassUnderATakenNameIsRefusedAndRemembered)
{
    // A record of its own that claims the name of an existing class.
    static const CRuntimeClass impostor{"CTestValue", 0, 1, nullptr, RUNTIME_CLASS(CObject)};
    const size_t refusedBefore = CRuntimeClass::GetRefusedRegistrations().size();
    CRuntimeClassRegistration registration(impostor);
    EXPECT_EQ(CRuntimeClass::FromName("CTestValue"), RUNTIME_CLASS(CTestValue));
    ASSERT_EQ(CRuntimeClass::GetRefusedRegistrations().size(), refusedBefore + 1);
    EXPECT_EQ(CRuntimeClass::GetRefusedRegistrations().back(), &impostor);

    // Entering the same record again is no second class.
    CRuntimeClassRegistration again(*RUNTIME_CLASS(CTestValue));
    EXPECT_EQ(CRuntimeClass::GetRefusedRegistrations().size(), refusedBefore + 1);
}

}  // namespace
