// Damaged models that still read are drawn: every file of the model fuzzers' corpus (the seeds
// and the mutants that once crashed drawing, such as vertices overwritten with NaN, text offsets
// and an X-ray opacity out of range) draws a frame as the file stands and one zoomed to its
// extents, without a crash or a sanitizer report.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "components/TextRasterizer.h"
#include "model/ZephyronModel.h"
#include "platform/mfc/Archive.h"
#include "platform/mfc/ArchiveException.h"
#include "platform/mfc/MemFile.h"
#include "settings/RenderingOptions.h"
#include "view/MemoryGLContext.h"
#include "view/ZphView.h"

namespace {

// Null when the bytes do not read as a model.
CZephyronModel* ReadDamaged(std::vector<uint8_t>& bytes)
{
    auto* model = new CZephyronModel();
    CMemFile file(bytes.data(), static_cast<unsigned>(bytes.size()));
    CArchive ar(&file, CArchive::load);
    try {
        model->Serialize(ar);
        if (model->GetStatus() == kModelRead)
            return model;
    } catch (const CArchiveException&) {}
    model->Clear();
    model->Release();
    return nullptr;
}

}  // namespace

TEST(DamagedModelDrawTest, EveryCorpusModelThatReadsDrawsAsItStandsAndZoomedToItsExtents)
{
    const char* source = std::getenv("ZPH_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    InstallTextRasterizer();
    CZphView view;
    auto context = CreateMemoryGLContext(64, 64, 24, 8, 8, 32);
    ASSERT_TRUE(context);
    view.SetGLContext(context.release());
    view.SetViewportRect(0, 0, 64, 64);
    int drawn = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(source) / "fuzz/model/files")) {
        SCOPED_TRACE(entry.path().filename().string());
        std::ifstream stream(entry.path(), std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(stream)),
                                   std::istreambuf_iterator<char>());
        CZephyronModel* model = ReadDamaged(bytes);
        if (!model)
            continue;
        const double opacity = model->GetOptions()->GetXRayOpacity();
        EXPECT_TRUE(opacity >= 0.0 && opacity <= 1.0) << "the X-ray opacity becomes 8-bit alpha";
        view.SetModel(model);
        model->Release();
        for (bool xRay : {false, true}) {
            model->GetOptions()->SetXRay(xRay);
            view.PrepareFrame(false, 0);
            view.ZoomExtents(nullptr);
            view.PrepareFrame(false, 0);
        }
        view.SetModel(nullptr);
        ++drawn;
    }
    EXPECT_GT(drawn, 0);
}
