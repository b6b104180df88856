#include "database/ArchiveRecords.h"
#include "database/ArchiveReading.h"

#include <cstdlib>

#include "image/ImageMemoryRep.h"
#include "image/ImageRep.h"
#include "support/ArchiveOperators.h"
#include "support/Variant.h"

using orbisk::Variant;

namespace {

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
