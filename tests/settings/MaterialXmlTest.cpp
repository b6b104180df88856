// The XML form of a material: written with its texture and dictionaries and read back equal.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "database/AttributeContainer.h"
#include "database/AttributeNamed.h"
#include "database/Dib.h"
#include "database/Material.h"
#include "database/MaterialNotification.h"
#include "database/Texture.h"
#include "database/UndoManager.h"
#include "support/DocumentPersister.h"
#include "support/NotificationCenter.h"
#include "support/StringUtils.h"
#include "support/TypedValue.h"
#include "support/XMLNamespaces.h"
#include "support/XercesXMLOutput.h"
#include "tests/settings/SettingsTestSupport.h"
#include "tests/settings/XmlTestInput.h"
#include "tests/support/XmlTestSupport.h"

using orbisk::utils::CColor;

namespace {

const std::wstring kMaterialNs = orbisk::utils::WideFromUtf8String(orbisk::kMaterialNamespace);

std::wstring Written(CMaterial& material)
{
    orbisk::IXMLOutput* output = orbisk::CreateXercesXMLOutput(nullptr, L"root", L"", L"");
    EXPECT_TRUE(output->WriteObject(&material, L""));
    const std::wstring text = output->GetText();
    orbisk::ReleaseXercesXMLOutput(output);
    return text;
}

// The change codes of "Material Notification" posts, in order.
class MaterialPosts : public orbisk::utils::IObserver {
public:
    MaterialPosts() { orbisk::utils::CNotificationCenter::GetInstance().AddObserver(kName, this); }
    ~MaterialPosts() override
    {
        orbisk::utils::CNotificationCenter::GetInstance().RemoveObserver(kName, this);
    }
    void OnNotification(const char*, void* payload) override
    {
        codes.push_back(static_cast<CMaterialNotificationInfo*>(payload)->code);
    }
    static constexpr const char* kName = "Material Notification";
    std::vector<int32_t> codes;
};

class MaterialXmlTest : public ::testing::Test {
protected:
    CZephyronModel model;
    CCurrentModelScope current{&model};
    CSuspendUndo noRecording{true};
    orbisk::testing::EmptyTestDocument document;
    orbisk::CurrentPersisterScope persisting{&document};
};

}  // namespace

TEST_F(MaterialXmlTest, AMaterialIsWrittenAndReadBackEqual)
{
    CMaterial material;
    material.SetName(L"Brick <old> & red");
    material.SetColor(CColor(200, 100, 50, 77));
    material.SetTransparency(0.25);
    material.SetUseTransparency(true);
    material.SetColorizeType(1);
    auto* texture = new CTexture;
    const CDibRef image(new CDib);
    std::vector<uint8_t> pixels(16 * 3, 90);
    ASSERT_TRUE(image->CreateFromPixels(4, 4, 24, pixels.data(), 1.0));
    texture->SetImage(image.Get());
    texture->SetXScale(3.0);
    material.SetTexture(texture);
    material.SetType(CMaterial::kColorizedTexture);
    auto* dictionary = new CAttributeNamed(L"survey");
    dictionary->SetValue(L"height", orbisk::utils::CTypedValue(2.5));
    material.AddAttributeDictionary(dictionary);

    const std::wstring text = Written(material);
    const auto parsed = orbisk::testing::ParsedDocument::FromText(text);
    ASSERT_TRUE(parsed.IsWellFormed()) << text;
    const auto* element = orbisk::testing::Child(parsed.Root(), kMaterialNs, L"material");
    ASSERT_NE(element, nullptr) << text;
    EXPECT_EQ(orbisk::testing::Attribute(element, L"", L"hasTexture"), L"1");
    EXPECT_EQ(orbisk::testing::Attribute(element, L"", L"colorRed"), L"200");
    EXPECT_FALSE(orbisk::testing::Attribute(element, L"", L"colorAlpha")) << "alpha is not written";
    EXPECT_NE(orbisk::testing::Child(element, kMaterialNs, L"texture"), nullptr) << text;

    XmlTestInput input(parsed.Root());
    ASSERT_TRUE(input.EnterElement(kMaterialNs + L":material"));
    CMaterial read;
    MaterialPosts posts;
    EXPECT_TRUE(read.ReadXML(input)) << text;
    EXPECT_EQ(std::count(posts.codes.begin(), posts.codes.end(), kMaterialChanged), 1)
        << "the texture's arrival only";
    EXPECT_EQ(read.GetStoredName(), CString(L"Brick <old> & red"));
    EXPECT_EQ(read.GetColor(), CColor(200, 100, 50, 255)) << "alpha 255";
    EXPECT_EQ(read.GetType(), CMaterial::kColorizedTexture);
    EXPECT_EQ(read.GetColorizeType(), 1);
    EXPECT_DOUBLE_EQ(read.GetTransparency(), 0.25);
    EXPECT_TRUE(read.UsesTransparency());
    ASSERT_NE(read.GetTexture(), nullptr);
    EXPECT_EQ(read.GetTexture()->GetParent(), &read);
    EXPECT_DOUBLE_EQ(read.GetTexture()->GetXScale(), 3.0);
    ASSERT_NE(read.GetTexture()->GetImage(), nullptr);
    ASSERT_NE(read.GetAttributeContainer(), nullptr);
    ASSERT_EQ(read.GetAttributeContainer()->GetCount(), 1);
    EXPECT_EQ(static_cast<CAttributeNamed*>(read.GetAttributeContainer()->GetAt(0))->GetName(),
              CString(L"survey"));
}

TEST_F(MaterialXmlTest, AnElementWithoutTextureDropsTheTextureAndMissingValuesAreReported)
{
    CMaterial plain;
    plain.SetName(L"Plain");
    const std::wstring text = Written(plain);
    const auto parsed = orbisk::testing::ParsedDocument::FromText(text);
    ASSERT_TRUE(parsed.IsWellFormed());

    CMaterial textured;
    textured.SetTexture(new CTexture);
    XmlTestInput input(parsed.Root());
    ASSERT_TRUE(input.EnterElement(kMaterialNs + L":material"));
    MaterialPosts posts;
    EXPECT_TRUE(textured.ReadXML(input));
    EXPECT_EQ(textured.GetTexture(), nullptr);
    EXPECT_EQ(posts.codes, std::vector<int32_t>{kMaterialChanged}) << "only the texture's going is announced";

    const auto bare = orbisk::testing::ParsedDocument::FromText(L"<root><material name='x'/></root>");
    XmlTestInput bareInput(bare.Root());
    ASSERT_TRUE(bareInput.EnterElement(L"material"));
    CMaterial partial;
    EXPECT_FALSE(partial.ReadXML(bareInput));
    EXPECT_EQ(partial.GetStoredName(), CString(L"x")) << "what is there is read";
}
