// Reads the fuzzer's bytes as a whole model file into a model, the way the document opens a
// file. Whatever the bytes, reading ends with a status or an archive exception, every
// process-wide state of reading is put back, and once the model is gone nothing it read is
// left (the leak checker sees the rest).

#include <cstdint>
#include <cstdlib>

#include "database/ArchiveSchema.h"
#include "database/CurrentArchivePath.h"
#include "database/CurrentModel.h"
#include "database/UndoManager.h"
#include "model/ZephyronModel.h"
#include "platform/mfc/Archive.h"
#include "platform/mfc/ArchiveException.h"
#include "platform/mfc/FileException.h"
#include "platform/mfc/MemFile.h"
#include "topology/CurveFixupList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const bool recording = IsUndoRecording();
    {
        CZephyronModel model;
        CMemFile file(const_cast<uint8_t*>(data), static_cast<unsigned>(size));
        CArchive ar(&file, CArchive::load);
        try {
            model.Serialize(ar);
        } catch (const CArchiveException&) {
        } catch (const CFileException&) {}
        if (GetCurrentModel() || GetCurrentVersionMap() || !CurrentArchivePath().IsEmpty() ||
            IsUndoRecording() != recording || !CCurveFixupList::IsEmpty())
            std::abort();
        // What a failed open does next: the document clears the model.
        model.Clear();
    }
    return 0;
}
