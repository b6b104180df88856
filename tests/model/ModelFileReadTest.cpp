// Reading whole model files into the model: what tells a model file from any other file, files
// that need a newer program, the fields that old and new schemas carry, the repairs after
// reading, the file-open preview, LoadFromFile, and damaged files, which end cleanly with every
// process-wide state of reading put back.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "components/Component.h"
#include "database/ArchiveSchema.h"
#include "database/CurrentArchivePath.h"
#include "database/CurrentModel.h"
#include "database/Material.h"
#include "database/MaterialManager.h"
#include "database/Texture.h"
#include "database/UndoManager.h"
#include "database/VersionInfo.h"
#include "model/ZephyronModel.h"
#include "platform/mfc/Archive.h"
#include "platform/mfc/ArchiveException.h"
#include "platform/mfc/MemFile.h"
#include "platform/mfc/MessageBox.h"
#include "tests/support/ModelFiles.h"
#include "tests/support/TempFolder.h"
#include "topology/CurveFixupList.h"

namespace {

// A small PNG picture for thumbnails and textures, encoded by the image library.
Bytes Picture(uint8_t shade)
{
    const uint8_t pixels[] = {shade, 40, 90, 255, shade, 40, 90, 255, shade, 40, 90, 255, shade, 40, 90, 255};
    CDibRef image(new CDib);
    EXPECT_TRUE(image->CreateFromPixels(2, 2, 32, pixels, 1.0));
    TempFolder folder;
    const std::filesystem::path path = folder.Path() / "picture.png";
    EXPECT_TRUE(image->SaveFile(path.wstring()));
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Reads the bytes into the model as the document does.
void Read(CZephyronModel& model, Bytes bytes)
{
    CMemFile file(bytes.data(), static_cast<unsigned>(bytes.size()));
    CArchive ar(&file, CArchive::load);
    model.Serialize(ar);
}

// Every process-wide state that reading sets is back as it was before.
void ExpectReadingStateRestored(bool recordingBefore)
{
    EXPECT_EQ(GetCurrentModel(), nullptr);
    EXPECT_EQ(GetCurrentVersionMap(), nullptr);
    EXPECT_TRUE(CurrentArchivePath().IsEmpty());
    EXPECT_EQ(IsUndoRecording(), recordingBefore);
    EXPECT_TRUE(CCurveFixupList::IsEmpty());
}

class ModelFileReadTest : public ::testing::Test {
protected:
    void TearDown() override { ExpectReadingStateRestored(true); }

    CZephyronModel model;
};

}  // namespace

TEST_F(ModelFileReadTest, OnlyTheTwoModelHeadersMakeAModelFile)
{
    struct Case {
        const wchar_t* header;
        int32_t status;
    };
    for (const Case c : {Case{L"Zephyron Model", kModelRead}, Case{L"Plumora page", kModelRead},
                         Case{L"Zephyron model", kNotAModelFile}, Case{L"Zephyron Model ", kNotAModelFile}}) {
        SCOPED_TRACE(testing::Message() << std::wstring(c.header).size());
        WholeModel file;
        file.header.text = c.header;
        model.Clear();
        Read(model, file.Write());
        EXPECT_EQ(model.GetStatus(), c.status);
    }
    // Bytes that are no archive string at all, or none.
    for (const Bytes& other : {Bytes{}, Ascii("just some text\n"), Bytes{0xFF, 0xFE, 0xFF, 0x40}}) {
        model.Clear();
        Read(model, other);
        EXPECT_EQ(model.GetStatus(), kNotAModelFile);
    }
}

TEST_F(ModelFileReadTest, AClassNewerThanTheProgramNeedsANewerProgram)
{
    WholeModel file;
    file.versionMap.emplace_back("CText", 10);
    file.header.build = 4000;
    Read(model, file.Write());
    EXPECT_EQ(model.GetStatus(), kNeedsNewerProgram);
    EXPECT_EQ(model.GetVersion().ToString(), CString(L"8.0.4000"));
    EXPECT_EQ(CVersionInfo().ToString(), CString(L"8.0.3669"));

    WholeModel unknown;
    unknown.versionMap.emplace_back("CHologram", 1);
    model.Clear();
    Read(model, unknown.Write());
    EXPECT_EQ(model.GetStatus(), kNeedsNewerProgram);
}

TEST_F(ModelFileReadTest, EveryModelSchemaReadsToTheLastByte)
{
    for (int32_t f = 0; f <= 22; ++f) {
        SCOPED_TRACE(f);
        WholeModel file(f);
        file.description = L"A model of schema " + std::to_wstring(f);
        Bytes bytes = file.Write();
        // One byte more than the model takes: it must be left unread.
        bytes.push_back(0x5A);
        CMemFile memory(bytes.data(), static_cast<unsigned>(bytes.size()));
        CArchive ar(&memory, CArchive::load);
        model.Clear();
        ASSERT_NO_THROW(model.Serialize(ar));
        EXPECT_EQ(model.GetStatus(), kModelRead);
        uint8_t last = 0;
        ar >> last;
        EXPECT_EQ(last, 0x5A);
        const bool hasDescription = file.VersionValue() >= 1059;
        EXPECT_EQ(model.GetDescription().IsEmpty(), !hasDescription);
    }
}

TEST_F(ModelFileReadTest, TheOldestFilesListTheirElementsBeforeAnyComponent)
{
    WholeModel file(0);
    file.header.major = 0;
    file.header.minor = 1;
    file.header.build = 21;
    file.versionMap.clear();
    ASSERT_EQ(file.ModelSchema(), 0u);
    TopologyRecords& topology = file.Topology();
    auto& a = topology.Vertex({0, 0, 0});
    auto& b = topology.Vertex({1, 0, 0});
    auto& edge = topology.Edge(a, b);
    file.rootElements = {&edge};
    Read(model, file.Write());
    ASSERT_EQ(model.GetStatus(), kModelRead);
    EXPECT_TRUE(model.GetGuid().IsNull());
    EXPECT_EQ(model.GetRoot()->GetCount(), 1);
}

TEST_F(ModelFileReadTest, TrailingValueAndMipmapsFollowTheSchema)
{
    struct Case {
        int32_t f;
        uint8_t trailingByte;
        int32_t trailingValue;
        bool mipmaps;
        int32_t expectedTrailing;
        bool expectedMipmaps;
    };
    const Case cases[] = {
        {18, 1, 7, true, 0, false}, {19, 0, 7, true, 2, false}, {19, 1, 7, true, 0, false},
        {20, 1, 7, true, 7, false}, {21, 1, 9, false, 9, true}, {22, 1, 9, false, 9, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.f << " " << int(c.trailingByte));
        WholeModel file(c.f);
        file.trailingByte = c.trailingByte;
        file.trailingValue = c.trailingValue;
        file.mipmaps = c.mipmaps;
        model.Clear();
        Read(model, file.Write());
        EXPECT_EQ(model.GetTrailingValue(), c.expectedTrailing);
        EXPECT_EQ(model.AreMipmapsEnabled(), c.expectedMipmaps);
    }
}

TEST_F(ModelFileReadTest, EqualTextureImagesEndUpSharingTheFirstOne)
{
    WholeModel file;
    MaterialFields firstFields{.name = L"Brick"};
    firstFields.texture = TextureFields();
    firstFields.texture->image = &file.Image(Picture(10));
    auto& first = file.Material(firstFields);
    MaterialFields secondFields{.name = L"Stone"};
    secondFields.texture = TextureFields();
    secondFields.texture->image = &file.Image(Picture(10));
    auto& second = file.Material(secondFields);
    MaterialFields otherFields{.name = L"Wood"};
    otherFields.texture = TextureFields();
    otherFields.texture->image = &file.Image(Picture(99));
    auto& other = file.Material(otherFields);
    file.materials = {&first, &second, &other};
    Read(model, file.Write());
    ASSERT_EQ(model.GetStatus(), kModelRead);
    CMaterialManager* materials = model.GetMaterialManager();
    ASSERT_EQ(materials->GetCount(), 3);
    CDib* brick = materials->GetMaterialAt(0)->GetTexture()->GetImage();
    CDib* stone = materials->GetMaterialAt(1)->GetTexture()->GetImage();
    CDib* wood = materials->GetMaterialAt(2)->GetTexture()->GetImage();
    ASSERT_NE(brick, nullptr);
    EXPECT_EQ(stone, brick);
    EXPECT_NE(wood, brick);
}

TEST_F(ModelFileReadTest, ThumbnailsWithoutImageBytesAreDropped)
{
    WholeModel file;
    file.thumbnail = &file.Image(Bytes{});
    Read(model, file.Write());
    EXPECT_EQ(model.GetStatus(), kModelRead);
    EXPECT_EQ(model.GetThumbnail(), nullptr);

    WholeModel pictured;
    pictured.thumbnail = &pictured.Image(Picture(50));
    model.Clear();
    Read(model, pictured.Write());
    ASSERT_NE(model.GetThumbnail(), nullptr);
    EXPECT_TRUE(model.GetThumbnail()->HasData());
}

TEST_F(ModelFileReadTest, ThePreviewReadsTheThumbnailAndDescription)
{
    TempFolder folder;
    struct Case {
        int32_t f;
        bool thumbnail;
        bool emptyThumbnail;
        int expected;
    };
    const Case cases[] = {
        {22, true, false, kPreviewRead},
        {22, false, false, kPreviewRead},
        {3, false, false, kPreviewNoThumbnail},
        {22, true, true, kPreviewNotAModel},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.f << c.thumbnail << c.emptyThumbnail);
        WholeModel file(c.f);
        file.description = L"Seen before opening";
        if (c.thumbnail)
            file.thumbnail = &file.Image(c.emptyThumbnail ? Bytes{} : Picture(70));
        const std::string path = (folder.Path() / "preview.zph").string();
        file.SaveTo(path);
        CDib* thumbnail = nullptr;
        CString description;
        EXPECT_EQ(CZephyronModel::ReadPreview(CString(path.c_str()), thumbnail, description), c.expected);
        EXPECT_EQ(thumbnail != nullptr, c.thumbnail && !c.emptyThumbnail);
        if (c.expected != kPreviewNotAModel) {
            EXPECT_EQ(description, CString(L"Seen before opening"));
        }
        if (thumbnail)
            thumbnail->Release();
        EXPECT_EQ(GetCurrentVersionMap(), nullptr);
    }
    CDib* thumbnail = nullptr;
    CString description;
    EXPECT_EQ(CZephyronModel::ReadPreview(CString(((folder.Path() / "none.zph").string()).c_str()), thumbnail,
                                          description),
              kPreviewCannotOpen);
    const std::string cut = (folder.Path() / "cut.zph").string();
    WholeModel file;
    file.description = L"never reached";
    Bytes bytes = file.Write();
    bytes.resize(60);
    std::ofstream(cut, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), 60);
    EXPECT_EQ(CZephyronModel::ReadPreview(CString(cut.c_str()), thumbnail, description), kPreviewFailed);
    EXPECT_EQ(thumbnail, nullptr);

    // A header that cannot be read at all fails the preview too; one that reads but is not a
    // model's is no model.
    const std::string header = (folder.Path() / "header.zph").string();
    const Bytes whole = file.Write();
    const std::vector<std::pair<Bytes, int>> heads = {
        {{}, kPreviewFailed},
        {Bytes(whole.begin(), whole.begin() + 5), kPreviewFailed},
        {{0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80, 'Z'}, kPreviewFailed},  // a length of 2^31
        {{0x04, 'T', 'e', 'x', 't'}, kPreviewNotAModel},
    };
    for (const auto& [bytes, expected] : heads) {
        std::ofstream(header, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        EXPECT_EQ(CZephyronModel::ReadPreview(CString(header.c_str()), thumbnail, description), expected)
            << bytes.size() << " bytes";
        EXPECT_EQ(thumbnail, nullptr);
        EXPECT_EQ(GetCurrentVersionMap(), nullptr);
    }
}

TEST_F(ModelFileReadTest, LoadFromFileReadsAFileAndClearsTheModelWhenItFails)
{
    TempFolder folder;
    std::vector<CString> messages;
    MessageBoxHook previous = SetMessageBoxHook([&](const CString& text, unsigned) {
        messages.push_back(text);
        return IDOK;
    });
    const std::string empty = (folder.Path() / "empty.zph").string();
    std::ofstream(empty).close();
    model.SetDescription(L"kept");
    EXPECT_TRUE(model.LoadFromFile(CString(empty.c_str())));
    EXPECT_EQ(model.GetDescription(), CString(L"kept"));
    EXPECT_FALSE(model.LoadFromFile(CString(((folder.Path() / "missing.zph").string()).c_str())));

    WholeModel file;
    file.description = L"From a file";
    const std::string whole = (folder.Path() / "whole.zph").string();
    file.SaveTo(whole);
    model.Clear();
    EXPECT_TRUE(model.LoadFromFile(CString(whole.c_str())));
    EXPECT_EQ(model.GetDescription(), CString(L"From a file"));
    EXPECT_EQ(model.GetPath(), CString(whole.c_str()));

    Bytes bytes = file.Write();
    bytes.resize(bytes.size() - 3);
    const std::string cut = (folder.Path() / "cut.zph").string();
    std::ofstream(cut, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    EXPECT_FALSE(model.LoadFromFile(CString(cut.c_str())));
    EXPECT_EQ(model.GetDescription(), CString());
    EXPECT_TRUE(model.GetPath().IsEmpty());
    EXPECT_EQ(messages.size(), 1u);
    SetMessageBoxHook(previous);
}

// Damaged files: every cut of a file and a byte flipped at every position read into a model
// end in a status or the archive exception, with nothing leaked (the sanitizers watch) and the
// reading state put back.
// One model schema per test, so the three run side by side.
class DamagedModelFileTest : public ModelFileReadTest, public ::testing::WithParamInterface<int32_t> {};

TEST_P(DamagedModelFileTest, EveryCutAndFlippedByteEndsCleanly)
{
    const int32_t f = GetParam();
    WholeModel file(f);
    file.description = L"Damaged";
    file.thumbnail = &file.Image(Picture(30));
    TopologyRecords& topology = file.Topology();
    auto& a = topology.Vertex({0, 0, 0});
    auto& b = topology.Vertex({1, 0, 0});
    auto& c = topology.Vertex({1, 1, 0});
    ComponentRecords& components = file.Components();
    auto& root = components.Component();
    root.entities = {&topology.Edge(a, b), &topology.Edge(b, c)};
    file.root = &root;
    const Bytes whole = file.Write();
    for (size_t length = 0; length < whole.size(); ++length) {
        const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
        CZephyronModel damaged;
        try {
            Read(damaged, cut);
        } catch (const CArchiveException&) {}
        ExpectReadingStateRestored(true);
        damaged.Clear();
    }
    for (size_t position = 0; position < whole.size(); ++position) {
        Bytes flipped = whole;
        flipped[position] ^= 0xA5;
        CZephyronModel damaged;
        try {
            Read(damaged, flipped);
        } catch (const CArchiveException&) {}
        ExpectReadingStateRestored(true);
    }
}

INSTANTIATE_TEST_SUITE_P(Schemas, DamagedModelFileTest, ::testing::Values(22, 12, 4));

// Files the fuzzer found faults with, and the seeds it starts from.
TEST_F(ModelFileReadTest, TheFuzzCorpusReadsToAStatusOrTheArchiveException)
{
    const char* source = std::getenv("ZPH_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    int files = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(source) / "fuzz/model/files")) {
        SCOPED_TRACE(entry.path().filename().string());
        std::ifstream stream(entry.path(), std::ios::binary);
        const Bytes bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
        CZephyronModel read;
        try {
            Read(read, bytes);
        } catch (const CArchiveException&) {}
        ExpectReadingStateRestored(true);
        // The file-open preview reads the same head on its own, without a model.
        CDib* thumbnail = nullptr;
        CString description;
        const int preview =
            CZephyronModel::ReadPreview(CString(entry.path().string().c_str()), thumbnail, description);
        EXPECT_TRUE(preview >= kPreviewRead && preview <= kPreviewFailed);
        if (thumbnail)
            thumbnail->Release();
        ++files;
    }
    EXPECT_GT(files, 0);
}
