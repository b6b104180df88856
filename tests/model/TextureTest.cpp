// Textures: the record of every schema, the setters and what they announce through their
// material, the colour adjustment and the pixels prepared for OpenGL, the comparison and the
// exchange for undo, the self-check and the XML form.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "database/ArchiveSchema.h"
#include "database/Dib.h"
#include "database/EntityDisposal.h"
#include "database/Material.h"
#include "database/MaterialNotification.h"
#include "database/Texture.h"
#include "image/ImageRep.h"
#include "support/DocumentPersister.h"
#include "support/XMLNamespaces.h"
#include "support/XercesXMLOutput.h"
#include "tests/model/ManagerTestSupport.h"
#include "tests/support/XmlTestSupport.h"

using orbisk::imageutils::ImageRep;
using orbisk::utils::CColor;
using Seen = ManagerNotifications::Seen;

namespace {

class TextureTest : public ManagerTest {
protected:
    std::unique_ptr<CTexture> Read(const Bytes& body, int32_t schema)
    {
        UseSchemas({{"CTexture", schema}, {"CDib", 3}});
        return std::unique_ptr<CTexture>(ReadObjectFrom<CTexture>(NewObject("CTexture") + body));
    }
};

// The scales, file name and (from schema 1 on) average colour of a texture record.
Bytes Tail(bool withColor = true)
{
    const Bytes tail = LittleEndian(0.5, 0.25) + Text("wall.png");
    return withColor ? tail + Bytes{10, 20, 30, 255} : tail;
}

}  // namespace

TEST_F(TextureTest, ANewTextureCoversOneFootWithNoImage)
{
    CTexture texture;
    EXPECT_EQ(texture.GetXScale(), 1.0 / 12);
    EXPECT_EQ(texture.GetYScale(), 1.0 / 12);
    EXPECT_EQ(texture.GetImage(), nullptr);
    EXPECT_EQ(texture.GetWidth(), 0);
    EXPECT_EQ(texture.GetOpacity(), 255);
    EXPECT_EQ(texture.GetGLTexture(), 0u);
    EXPECT_EQ(texture.GetEntityType(), kEntityTexture);
}

TEST_F(TextureTest, EverySchemaReadsItsImageScalesNameAndColour)
{
    const Bytes image = ImageRecord(CColor(200, 0, 0));
    struct Case {
        int32_t schema;
        Bytes body;
        bool hasImage;
        CColor average;
    };
    const Case cases[] = {
        {6, EntityPart() + NewObject("CDib") + image + Tail(), true, CColor(10, 20, 30)},
        {5, EntityPart() + Bytes{1} + image + Tail(), true, CColor(10, 20, 30)},
        {4, Bytes{1} + image + Tail(), true, CColor(10, 20, 30)},
        {4, Bytes{0} + Tail(), false, CColor(10, 20, 30)},
        {3, Bytes{1} + image + Tail() + LittleEndian(int32_t{1}, int32_t{2}), true, CColor(10, 20, 30)},
        {2, Bytes{1} + image + Tail(), true, CColor(10, 20, 30)},
        {1, NewObject("CDib") + image + Tail(), true, CColor(10, 20, 30)},
        {0, NewObject("CDib") + image + Tail(false), true, CColor(200, 0, 0, 255)},
        {0, kNullObject + Tail(false), false, CColor()},
    };
    for (const Case& c : cases) {
        std::unique_ptr<CTexture> texture = Read(c.body, c.schema);
        ASSERT_NE(texture, nullptr) << c.schema;
        EXPECT_EQ(texture->GetImage() != nullptr, c.hasImage) << c.schema;
        EXPECT_EQ(texture->GetXScale(), 0.5) << c.schema;
        EXPECT_EQ(texture->GetYScale(), 0.25) << c.schema;
        EXPECT_EQ(texture->GetFileName(), CString(L"wall.png")) << c.schema;
        EXPECT_EQ(texture->GetAverageColor(), c.average) << c.schema;
        if (texture->GetImage()) {
            EXPECT_EQ(texture->GetImage()->GetRefCount(), 1) << c.schema;
            EXPECT_EQ(texture->GetWidth(), 4) << c.schema;
        }
    }
}

TEST_F(TextureTest, AnImageWithoutBytesIsDropped)
{
    const Bytes empty = LittleEndian(int32_t{4}, int32_t{0});
    EXPECT_EQ(Read(EntityPart() + NewObject("CDib") + empty + Tail(), 6)->GetImage(), nullptr);
    EXPECT_EQ(Read(EntityPart() + Bytes{1} + empty + Tail(), 5)->GetImage(), nullptr);
    EXPECT_NE(Read(NewObject("CDib") + empty + Tail(), 1)->GetImage(), nullptr)
        << "the oldest records keep it";
}

TEST_F(TextureTest, ScaleChangesAreAnnouncedThroughTheMaterial)
{
    CMaterial material;
    auto* texture = new CTexture;
    material.SetTexture(texture);
    ManagerNotifications seen;
    texture->SetXScale(texture->GetXScale());
    texture->SetXScale(2.0);
    texture->SetYScale(3.0);
    texture->SetFileName(L"A.png");
    texture->SetFileName(L"a.PNG");
    EXPECT_EQ(seen.materials, (std::vector<Seen>(2, Seen{kMaterialChanged, &material})));
    EXPECT_EQ(texture->GetFileName(), CString(L"A.png")) << "file names compare ignoring case";

    CTexture loose;
    loose.SetXScale(4.0);
    EXPECT_EQ(seen.materials.size(), 2u) << "a texture without material announces nothing";
    CSuspendUndo unrecorded;
    material.DeleteTexture();
}

TEST_F(TextureTest, TheImageIsHeldByOneReference)
{
    CDib* first = MakeImage(CColor(1, 2, 3));
    first->AddRef();
    {
        CTexture texture;
        texture.SetImage(first);
        EXPECT_EQ(first->GetRefCount(), 2);
        texture.SetImage(MakeImage(CColor(4, 5, 6), 8, 2));
        EXPECT_EQ(first->GetRefCount(), 1);
        EXPECT_EQ(texture.GetWidth(), 8);
        EXPECT_EQ(texture.GetHeight(), 2);
    }
    first->Release();
}

TEST_F(TextureTest, AColourAdjustmentSetsOpacityAndAverageColour)
{
    CTexture texture;
    texture.SetImage(MakeImage(CColor(0, 0, 200)));
    struct Case {
        CColor tint;
        double transparency;
        uint8_t opacity;
        CColor average;
    };
    const Case cases[] = {
        {CColor(255, 0, 0), 0.25, 191, CColor(255, 0, 0)},
        {CColor(), 0.0, 255, CColor(0, 0, 200, 255)},
        {CColor(), 1.0, 0, CColor(0, 0, 200, 255)},
        {CColor(), -3.0, 255, CColor(0, 0, 200, 255)},
        {CColor(), std::nan(""), 255, CColor(0, 0, 200, 255)},
    };
    for (const Case& c : cases) {
        texture.SetColorize(c.tint, true, c.transparency);
        EXPECT_EQ(texture.GetOpacity(), c.opacity) << c.transparency;
        EXPECT_EQ(texture.GetAverageColor(), c.average) << c.transparency;
    }
}

TEST_F(TextureTest, ImagesArePreparedUnchangedUnlessSomethingMustChange)
{
    CTexture texture;
    std::unique_ptr<ImageRep> owned;
    EXPECT_EQ(texture.PrepareImage(255, true, owned), nullptr) << "no image";

    texture.SetImage(MakeImage(CColor(0, 128, 0)));
    const ImageRep* own = texture.GetImage()->GetImageRep();
    EXPECT_EQ(texture.PrepareImage(255, true, owned), own);
    EXPECT_EQ(owned, nullptr);

    const ImageRep* faded = texture.PrepareImage(128, true, owned);
    ASSERT_NE(owned, nullptr);
    EXPECT_EQ(faded, owned.get());
    EXPECT_EQ(faded->GetPixels()[3], 128) << "alpha times 128/255";

    texture.SetImage(MakeImage(CColor(90, 90, 90), 3, 5, 8));
    const ImageRep* grey = texture.PrepareImage(255, false, owned);
    ASSERT_NE(grey, nullptr);
    EXPECT_EQ(grey->GetBytesPerPixel(), 3) << "grey images become RGB";
    EXPECT_EQ(grey->GetWidth(), 3);
    const ImageRep* fitted = texture.PrepareImage(255, true, owned);
    EXPECT_EQ(fitted->GetWidth(), 4);
    EXPECT_EQ(fitted->GetHeight(), 8) << "resized to powers of two";

    texture.SetColorize(CColor(255, 0, 0), true, 0.5);
    const ImageRep* tinted = texture.PrepareImage(-1, false, owned);
    ASSERT_NE(tinted, nullptr);
    EXPECT_EQ(tinted->GetBytesPerPixel(), 4) << "the opacity needs alpha";
    EXPECT_EQ(tinted->GetPixels()[3], 127);
}

TEST_F(TextureTest, TexturesAreAlikeWhenTheirDataAndPixelsAre)
{
    CTexture a;
    CTexture b;
    EXPECT_TRUE(a.IsSameAs(b));
    a.SetImage(MakeImage(CColor(1, 2, 3)));
    b.SetImage(MakeImage(CColor(1, 2, 3)));
    EXPECT_TRUE(a.IsSameAs(b));
    b.SetImage(MakeImage(CColor(3, 2, 1)));
    EXPECT_FALSE(a.IsSameAs(b)) << "different pixels";
    b.SetImage(a.GetImage());
    b.SetFileName(L"other.png");
    EXPECT_FALSE(a.IsSameAs(b));
    b.SetFileName(L"");
    b.SetYScale(2.0);
    EXPECT_FALSE(a.IsSameAs(b));
}

TEST_F(TextureTest, AnExchangeForUndoSwapsEverythingButTheImage)
{
    CMaterial material;
    auto* texture = new CTexture;
    material.SetTexture(texture);
    texture->SetImage(MakeImage(CColor(1, 2, 3)));
    std::unique_ptr<CTexture> snapshot(static_cast<CTexture*>(texture->CreateCopy()));
    EXPECT_EQ(snapshot->GetImage(), nullptr);
    texture->SetXScale(5.0);
    texture->SetFileName(L"after.png");
    ManagerNotifications seen;
    texture->SwapContents(*snapshot);
    EXPECT_EQ(texture->GetXScale(), 1.0 / 12);
    EXPECT_EQ(texture->GetFileName(), CString());
    EXPECT_EQ(snapshot->GetFileName(), CString(L"after.png"));
    EXPECT_NE(texture->GetImage(), nullptr);
    EXPECT_EQ(seen.materials, (std::vector<Seen>{{kMaterialSwapped, &material}}));
    CSuspendUndo unrecorded;
    material.DeleteTexture();
}

TEST_F(TextureTest, ScalesOfZeroFailTheCheckAndAreRepairedToOne)
{
    CValidityCheckScope checks;
    CTexture texture;
    texture.SetXScale(0.0);
    texture.SetYScale(std::numeric_limits<double>::infinity());
    EXPECT_EQ(texture.CheckValidity(kValidityCheck, nullptr), 1);
    const std::wstring report = GetValidityReport().GetString();
    EXPECT_NE(report.find(L"The X scale for CTexture"), std::wstring::npos);
    EXPECT_NE(report.find(L"The Y scale for CTexture"), std::wstring::npos);
    EXPECT_EQ(texture.CheckValidity(kValidityCheckIgnoringIds, nullptr), 0);
    EXPECT_EQ(texture.CheckValidity(kValidityFix, nullptr), 0);
    EXPECT_EQ(texture.GetXScale(), 1.0);
    EXPECT_EQ(texture.GetYScale(), 1.0);
}

TEST_F(TextureTest, TheXMLFormNamesTheImageFileBesideTheDocumentAndReadsBack)
{
    orbisk::testing::EmptyTestDocument document;
    orbisk::CurrentPersisterScope persisting(&document);
    CTexture texture;
    texture.SetFileName(L"C:/textures/Stone Wall.tga");
    texture.SetXScale(2.5);
    texture.SetYScale(0.5);
    texture.SetAverageColor(CColor(1, 2, 3, 255));
    texture.SetImage(MakeImage(CColor(70, 80, 90)));

    orbisk::IXMLOutput* output = orbisk::CreateXercesXMLOutput(nullptr, L"root", L"", L"");
    ASSERT_NE(output, nullptr);
    ASSERT_TRUE(output->WriteObject(&texture, L""));
    const std::wstring text = output->GetText();
    orbisk::ReleaseXercesXMLOutput(output);
    EXPECT_NE(text.find(L"<textureFilename>Stone Wall.tga</textureFilename>"), std::wstring::npos) << text;
    EXPECT_NE(text.find(L"path=\"Stone Wall_1.png\""), std::wstring::npos) << "TGA cannot be written: PNG\n"
                                                                           << text;
    EXPECT_TRUE(
        std::filesystem::exists(std::filesystem::path(document.GetReferencesFolder()) / "Stone Wall_1.png"));

    const auto parsed = orbisk::testing::ParsedDocument::FromText(text);
    ASSERT_TRUE(parsed.IsWellFormed());
    orbisk::testing::DomXMLInput input(parsed.Root());
    ASSERT_TRUE(input.EnterElement(L"texture"));
    CTexture read;
    EXPECT_TRUE(read.ReadXML(input));
    EXPECT_EQ(read.GetFileName(), CString(L"Stone Wall.tga"));
    EXPECT_EQ(read.GetXScale(), 2.5);
    EXPECT_EQ(read.GetYScale(), 0.5);
    EXPECT_EQ(read.GetAverageColor(), CColor(1, 2, 3, 255));
    ASSERT_NE(read.GetImage(), nullptr) << "loaded from the document's file of that id";
    EXPECT_TRUE(read.GetImage()->GetImageRep()->Equals(*texture.GetImage()->GetImageRep()));

    CTexture again;
    orbisk::testing::DomXMLInput second(parsed.Root());
    ASSERT_TRUE(second.EnterElement(L"texture"));
    EXPECT_TRUE(again.ReadXML(second));
    EXPECT_EQ(again.GetImage(), read.GetImage()) << "an id read before gives the same image";

    CTexture bare;
    orbisk::testing::DomXMLInput empty(parsed.Root());
    EXPECT_FALSE(bare.ReadXML(empty)) << "nothing to read";
}
