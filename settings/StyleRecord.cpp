#include "settings/StyleRecord.h"

#include <vector>

#include "database/ArchiveReading.h"
#include "database/ArchiveRecords.h"
#include "settings/NPREdge.h"
#include "settings/Style.h"
#include "settings/StyleProperties.h"
#include "settings/Watermark.h"
#include "settings/WatermarkList.h"
#include "support/Variant.h"

namespace {

// The thumbnail of version 1: a presence byte, then a CDib record in place.
void ReadThumbnail(CArchive& ar, orbisk::Style& style)
{
    bool present = false;
    ar >> present;
    if (!present)
        return;
    CDibRef thumbnail(new CDib());
    thumbnail->Serialize(ar);
    if (thumbnail->HasData() && thumbnail->IsValid())
        style.SetThumbnail(thumbnail.Get());
}

// The watermark references of a list; the list holds a use of each. When the record fails, the
// watermarks it made go to the model's pool, which frees them.
orbisk::Variant ReadWatermarkList(CArchive& ar)
{
    const int32_t count = ReadItemCount(ar, kMinObjectReferenceBytes);
    std::vector<CWatermark*> entries;
    std::vector<CWatermark*> made;
    try {
        for (int32_t i = 0; i < count; ++i) {
            bool madeHere = false;
            CWatermark* watermark = ReadReference<CWatermark>(ar, madeHere);
            if (madeHere)
                made.push_back(watermark);
            entries.push_back(watermark);
        }
    } catch (...) {
        for (CWatermark* watermark : made)
            KeepUnownedObject(watermark);
        throw;
    }
    return orbisk::Variant(static_cast<orbisk::XMLSerializableObjectBase*>(new CWatermarkList(entries)));
}

}  // namespace

void ReadStyleRecord(CArchive& ar, orbisk::Style& style)
{
    int32_t version = 0;
    CString name;
    CString description;
    ar >> version >> name >> description;
    style.SetName(name.GetString());
    style.SetDescription(description.GetString());
    if (version == 1)
        ReadThumbnail(ar, style);
    // The smallest property is an id alone (a watermark list of an older record).
    const int32_t count = ReadItemCount(ar, sizeof(int32_t));
    for (int32_t i = 0; i < count; ++i) {
        int32_t id = 0;
        ar >> id;
        orbisk::Variant value;
        if (id == orbisk::style::kStrokeSetId) {
            auto* strokes = new orbisk::NPREdge();
            value.SetObject(strokes);
            ReadNPREdgeRecord(ar, *strokes);
        } else if (id == orbisk::style::kWatermarkListId) {
            if (version > 2)
                value = ReadWatermarkList(ar);
        } else {
            ReadVariantRecord(ar, value);
        }
        style.SetProperty(id, value);
    }
}

void ReadNPREdgeRecord(CArchive& ar, orbisk::NPREdge& strokeSet)
{
    const int32_t version = ReadValue<int32_t>(ar);
    if (version >= 2) {
        const double dropoutLength = ReadValue<double>(ar);
        const double fadeFactor = ReadValue<double>(ar);
        strokeSet.SetDropoutLength(dropoutLength);
        strokeSet.SetFadeFactor(fadeFactor);
    } else {
        const int32_t dropoutPixels = ReadValue<int32_t>(ar);
        const int32_t fadePixels = ReadValue<int32_t>(ar);
        strokeSet.SetDropoutLengthPixels(dropoutPixels);
        strokeSet.SetFadeLengthPixels(fadePixels);
    }
    strokeSet.SetWidth(ReadValue<int32_t>(ar));
    strokeSet.SetUseHalo(ReadValue<bool>(ar));
    strokeSet.SetHaloLength(ReadValue<int32_t>(ar));
    strokeSet.SetNumProtos(ReadValue<int32_t>(ar));
    std::vector<int32_t> lengths(static_cast<size_t>(ReadItemCount(ar, sizeof(int32_t))));
    for (int32_t& length : lengths)
        ar >> length;
    strokeSet.SetLengths(lengths);
    const std::vector<CDibRef> held = records::ReadStrokeImages(ar);
    std::vector<CDib*> images;
    images.reserve(held.size());
    for (const CDibRef& image : held)
        images.push_back(image.Get());
    strokeSet.SetImages(images);
}

namespace records {

std::vector<CDibRef> ReadStrokeImages(CArchive& ar)
{
    const int32_t count = ReadItemCount(ar, kMinObjectReferenceBytes);
    std::vector<CDibRef> images;
    images.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        bool madeHere = false;
        CDib* image = ReadReference<CDib>(ar, madeHere);
        if (madeHere)
            image->LuminanceToAlpha();
        images.emplace_back(image);
    }
    return images;
}

}  // namespace records
