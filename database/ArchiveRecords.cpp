#include "database/ArchiveRecords.h"

#include <cstdlib>

#include "image/ImageMemoryRep.h"
#include "image/ImageRep.h"
#include "settings/NPREdge.h"
#include "support/ArchiveOperators.h"
#include "support/Variant.h"

using orbisk::Variant;

namespace {

template <class T>
T ReadValue(CArchive& ar)
{
    T value{};
    ar >> value;
    return value;
}

orbisk::geometry::CVector3d ReadThreeDoubles(CArchive& ar)
{
    orbisk::geometry::CVector3d vector;
    ar >> vector.x >> vector.y >> vector.z;
    return vector;
}

}  // namespace

void ReadVariantRecord(CArchive& ar, Variant& variant)
{
    ReadValue<int32_t>(ar);
    switch (ReadValue<int32_t>(ar)) {
        case Variant::kBool: variant.SetBool(ReadValue<bool>(ar)); break;
        case Variant::kByte: variant.SetByte(ReadValue<uint8_t>(ar)); break;
        case Variant::kShort: variant.SetShort(ReadValue<int16_t>(ar)); break;
        case Variant::kInt: variant.SetInt(ReadValue<int32_t>(ar)); break;
        case Variant::kColor: variant.SetColor(orbisk::utils::CColor(ReadValue<uint32_t>(ar))); break;
        case Variant::kFloat: variant.SetFloat(ReadValue<float>(ar)); break;
        case Variant::kDouble: variant.SetDouble(ReadValue<double>(ar)); break;
        case Variant::kPoint: {
            orbisk::geometry::CPoint3d point;
            orbisk::geometry::operator>>(ar, point);
            variant.SetPoint(point);
            break;
        }
        case Variant::kVector: variant.SetVector(ReadThreeDoubles(ar)); break;
        case Variant::kUnitVector:
            variant.SetUnitVector(orbisk::geometry::CUnitVector3d(ReadThreeDoubles(ar)));
            break;
        case Variant::kTransform: {
            orbisk::geometry::CTransform3d transform;
            orbisk::geometry::operator>>(ar, transform);
            variant.SetTransform(transform);
            break;
        }
        case Variant::kInt64: variant.SetInt64(ReadValue<int64_t>(ar)); break;
        default: break;
    }
}

void ReadImageRecord(CArchive& ar, orbisk::imageutils::ImageRep& image)
{
    if (!ReadValue<bool>(ar))
        return;
    const int32_t size = ReadValue<int32_t>(ar);
    if (size <= 0) {
        image.Free();
        return;
    }
    ar.CheckBytesLeft(static_cast<uint64_t>(size));
    auto* bytes = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size)));
    if (!bytes)
        AfxThrowArchiveException(CArchiveException::genericException);
    try {
        ar.Read(bytes, static_cast<uint32_t>(size));
    } catch (...) {
        std::free(bytes);
        throw;
    }
    orbisk::imageutils::ImageMemoryRep encoded;
    // Quality -1: a JPEG's quality is estimated from its bytes.
    if (!encoded.SetData(size, bytes, true, -1) || !image.LoadMemory(encoded))
        image.Free();
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
