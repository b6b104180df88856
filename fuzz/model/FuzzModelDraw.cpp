// Reads the fuzzer's bytes as a whole model file and, when they read as a model, draws it once
// offscreen as the file stands and once zoomed to its extents. A damaged model that reads must
// draw without a crash, a sanitizer report or a hang, whatever values its records hold.

#include <cstdint>
#include <memory>

#include "components/TextRasterizer.h"
#include "model/ZephyronModel.h"
#include "platform/mfc/Archive.h"
#include "platform/mfc/ArchiveException.h"
#include "platform/mfc/FileException.h"
#include "platform/mfc/MemFile.h"
#include "view/MemoryGLContext.h"
#include "view/ZphView.h"

namespace {

constexpr int kSide = 64;

// One context and view for the whole run: making an EGL context costs far more than a frame.
CZphView* SharedView()
{
    static CZphView* view = [] {
        InstallTextRasterizer();
        auto* made = new CZphView();
        auto context = CreateMemoryGLContext(kSide, kSide, 24, 8, 8, 32);
        if (!context)
            return static_cast<CZphView*>(nullptr);
        made->SetGLContext(context.release());
        made->SetViewportRect(0, 0, kSide, kSide);
        return made;
    }();
    return view;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CZphView* view = SharedView();
    if (!view)
        return 0;
    auto* model = new CZephyronModel();
    bool read = false;
    {
        CMemFile file(const_cast<uint8_t*>(data), static_cast<unsigned>(size));
        CArchive ar(&file, CArchive::load);
        try {
            model->Serialize(ar);
            read = model->GetStatus() == kModelRead;
        } catch (const CArchiveException&) {
        } catch (const CFileException&) {}
    }
    if (read) {
        view->SetModel(model);
        view->PrepareFrame(false, 0);
        view->ZoomExtents(nullptr);
        view->PrepareFrame(false, 0);
        view->SetModel(nullptr);
    }
    model->Clear();
    model->Release();
    return 0;
}
