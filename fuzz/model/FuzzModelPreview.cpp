// Reads the head of the fuzzer's bytes as the file-open preview does: the thumbnail and the
// description. It never throws; a thumbnail it hands out is the caller's, and no version map
// stays installed.

#include <cstdint>
#include <cstdlib>

#include "database/ArchiveSchema.h"
#include "model/ZephyronModel.h"
#include "platform/mfc/Archive.h"
#include "platform/mfc/MemFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CMemFile file(const_cast<uint8_t*>(data), static_cast<unsigned>(size));
    CArchive ar(&file, CArchive::load);
    CDib* thumbnail = nullptr;
    CString description;
    int result = kPreviewFailed;
    try {
        result = CZephyronModel::ReadFileHeader(ar, thumbnail, description);
    } catch (...) {
        // ReadPreview turns these into its failure code.
    }
    if (thumbnail)
        thumbnail->Release();
    if (GetCurrentVersionMap() || result < kPreviewRead || result > kPreviewFailed)
        std::abort();
    return 0;
}
