#include "database/Dib.h"

#include <cstdlib>

#include "database/ArchiveSchema.h"
#include "image/ImageFileType.h"
#include "image/ImageMemoryRep.h"
#include "image/ImageRep.h"
#include "platform/mfc/Archive.h"

IMPLEMENT_SERIAL(CDib, CObject, VERSIONABLE_SCHEMA | 3)

using orbisk::imageutils::ImageMemoryRep;
using orbisk::imageutils::ImageRep;

namespace {

constexpr int kPngLevel = 4;
constexpr int kJpegQuality = 70;

struct FreeBytes {
    void operator()(uint8_t* bytes) const { std::free(bytes); }
};

// What ImageRep::SaveFile writes.
bool IsSupportedSaveExtension(const std::wstring& path)
{
    const std::wstring extension = orbisk::imageutils::GetLowerExtension(path);
    for (const wchar_t* supported : {L"jpg", L"jpeg", L"bmp", L"tif", L"tiff", L"png"}) {
        if (extension == supported)
            return true;
    }
    return false;
}

// The quality argument of ImageMemoryRep::Encode: JPEG quality, else the PNG level.
int EncodingQuality(int type, int jpegQuality)
{
    return type == orbisk::imageutils::kImageFileJPEG ? jpegQuality : kPngLevel;
}

}  // namespace

CDib::CDib() = default;

CDib::~CDib() = default;

void CDib::Release()
{
    if (m_refCount-- == 1)
        delete this;
}

void CDib::Free()
{
    m_encoded.reset();
    m_decoded.reset();
    // The bytes that failed are gone: new ones may decode.
    m_decodingFailed = false;
    m_opaqueCount = m_transparentCount = m_partialCount = 0;
}

void CDib::Assign(const CDib& other)
{
    if (&other == this)
        return;
    Free();
    if (other.m_encoded) {
        m_encoded = std::make_unique<ImageMemoryRep>();
        m_encoded->Assign(*other.m_encoded);
    }
    if (other.m_decoded) {
        m_decoded = std::make_unique<ImageRep>();
        m_decoded->CopyFrom(*other.m_decoded);
    }
    m_decodingFailed = other.m_decodingFailed;
    m_opaqueCount = other.m_opaqueCount;
    m_transparentCount = other.m_transparentCount;
    m_partialCount = other.m_partialCount;
}

bool CDib::HasData() const
{
    return m_encoded && m_encoded->IsValid() && m_encoded->GetSize() > 0;
}

bool CDib::IsValid() const
{
    if (!m_encoded)
        return true;
    const int type = m_encoded->GetType();
    return type >= 0 && type <= 8 && m_encoded->GetWidth() != 0 && m_encoded->GetHeight() != 0 &&
           m_encoded->GetBytesPerPixel() != 0;
}

int CDib::GetWidth() const
{
    if (m_decoded)
        return m_decoded->GetWidth();
    return m_encoded ? m_encoded->GetWidth() : 0;
}

int CDib::GetHeight() const
{
    if (m_decoded)
        return m_decoded->GetHeight();
    return m_encoded ? m_encoded->GetHeight() : 0;
}

bool CDib::Equals(const CDib* other) const
{
    if (!other)
        return false;
    if (other == this)
        return true;
    return m_encoded && other->m_encoded && m_encoded->Equals(*other->m_encoded);
}

void CDib::Decode()
{
    if (m_decoded || m_decodingFailed || !HasData())
        return;
    auto image = std::make_unique<ImageRep>();
    if (!image->LoadMemory(*m_encoded) || !image->IsValid()) {
        m_decodingFailed = true;
        return;
    }
    m_decoded = std::move(image);
    TakeCounts();
}

ImageRep* CDib::GetImageRep()
{
    Decode();
    return m_decoded.get();
}

uint8_t* CDib::GetPixels()
{
    ImageRep* image = GetImageRep();
    return image ? image->GetPixels() : nullptr;
}

bool CDib::SetImageRep(ImageRep* image)
{
    Decode();
    if (image && image == m_decoded.get())
        return true;
    Free();
    if (!image)
        return false;
    m_decoded.reset(image);
    TakeCounts();
    return Encode();
}

bool CDib::Encode()
{
    const bool withAlpha = m_decoded->GetBytesPerPixel() == 4;
    const int type = withAlpha ? orbisk::imageutils::kImageFilePNG : orbisk::imageutils::kImageFileJPEG;
    m_encoded = std::make_unique<ImageMemoryRep>();
    return m_encoded->Encode(*m_decoded, type, EncodingQuality(type, kJpegQuality));
}

void CDib::TakeCounts()
{
    m_decoded->CountAlphaPixels(m_opaqueCount, m_transparentCount, m_partialCount);
}

bool CDib::CreateFromPixels(int width, int height, int bitsPerPixel, const uint8_t* pixels, double scale)
{
    int format = 0;
    switch (bitsPerPixel) {
        case 32: format = orbisk::imageutils::kFormatRGBA; break;
        case 24: format = orbisk::imageutils::kFormatRGB; break;
        case 8: format = orbisk::imageutils::kFormatGrey; break;
        default: return false;
    }
    Free();
    auto image = std::make_unique<ImageRep>();
    image->Create(width, height, format, 0, pixels);
    if (!image->IsValid())
        return false;
    if (scale != 1.0)
        image->Scale(scale);
    SetImageRep(image.release());
    return true;
}

bool CDib::LoadFile(const std::wstring& path)
{
    Free();
    m_encoded = std::make_unique<ImageMemoryRep>();
    if (!m_encoded->LoadFile(path)) {
        m_encoded.reset();
        return false;
    }
    return HasData();
}

bool CDib::CanSaveAs(const std::wstring& path)
{
    if (!GetImageRep())
        return false;
    return IsSupportedSaveExtension(path) || (m_encoded && m_encoded->MatchesExtension(path));
}

bool CDib::SaveFile(const std::wstring& path)
{
    try {
        if (!GetImageRep())
            return false;
        const int pathType = orbisk::imageutils::GetImageFileType(path);
        if (HasData() && m_encoded->GetType() != 0 && (pathType == 0 || pathType == m_encoded->GetType()) &&
            m_encoded->SaveFile(path))
            return true;
        return m_decoded->SaveFile(path);
    } catch (...) {
        return false;
    }
}

bool CDib::HasOpaquePixels()
{
    return GetImageRep() && m_opaqueCount > 0;
}

bool CDib::HasTransparentPixels()
{
    return GetImageRep() && m_transparentCount > 0;
}

bool CDib::HasPartialAlpha()
{
    const ImageRep* image = GetImageRep();
    if (!image)
        return false;
    const int64_t pixels = static_cast<int64_t>(image->GetWidth()) * image->GetHeight();
    return static_cast<int64_t>(m_opaqueCount) + m_transparentCount < pixels;
}

bool CDib::IsOpaque()
{
    if (!GetImageRep())
        return true;
    return !HasTransparentPixels() && !HasPartialAlpha();
}

orbisk::utils::CColor CDib::GetAverageColor()
{
    const ImageRep* image = GetImageRep();
    return image ? image->GetAverageColor() : orbisk::utils::CColor();
}

bool CDib::Resize(int width, int height, bool reencode)
{
    ImageRep* image = GetImageRep();
    if (!image || !image->Resize(width, height))
        return false;
    if (reencode && m_encoded) {
        const int type = m_encoded->GetType();
        m_encoded->Encode(*image, type, EncodingQuality(type, m_encoded->GetQuality()));
    }
    TakeCounts();
    return true;
}

bool CDib::LuminanceToAlpha()
{
    ImageRep* image = GetImageRep();
    if (!image || !image->LuminanceToAlpha())
        return false;
    TakeCounts();
    return true;
}

bool CDib::AlphaToGrey()
{
    ImageRep* image = GetImageRep();
    if (!image || !image->AlphaToGrey())
        return false;
    TakeCounts();
    return true;
}

CDib* CDib::MakeScaledCopy(int size, const CDib* source)
{
    if (!source)
        return nullptr;
    auto* copy = new CDib;
    auto image = std::make_unique<ImageRep>();
    if (source->HasData() && image->LoadMemory(*source->m_encoded, size, size))
        copy->SetImageRep(image.release());
    return copy;
}

void CDib::Serialize(CArchive& ar)
{
    if (ar.IsLoading())
        ReadRecord(ar);
    else
        WriteRecord(ar);
}

void CDib::ReadRecord(CArchive& ar)
{
    Free();
    const int32_t schema = GetClassVersion(RUNTIME_CLASS(CDib));
    if (schema == 0)
        return;
    int32_t kind = orbisk::imageutils::kImageFilePNG;
    if (schema >= 2)
        ar >> kind;
    int32_t size = 0;
    ar >> size;
    // A negative size reads nothing and counts as no data.
    std::unique_ptr<uint8_t, FreeBytes> bytes;
    if (size > 0) {
        ar.CheckBytesLeft(static_cast<uint64_t>(size));
        bytes.reset(static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size))));
        if (!bytes)
            AfxThrowArchiveException(CArchiveException::genericException);
        ar.Read(bytes.get(), static_cast<uint32_t>(size));
    }
    int32_t quality = 0;
    if (schema >= 3 && kind == orbisk::imageutils::kImageFileJPEG)
        ar >> quality;
    if (!bytes)
        return;
    m_encoded = std::make_unique<ImageMemoryRep>();
    m_encoded->SetData(size, bytes.release(), true, quality);
}

void CDib::WriteRecord(CArchive& ar)
{
    if (!HasData() && GetImageRep())
        Encode();
    const bool hasData = HasData();
    const int32_t kind = hasData ? m_encoded->GetType() : 0;
    const int32_t size = hasData ? m_encoded->GetSize() : 0;
    ar << kind << size;
    if (hasData)
        ar.Write(m_encoded->GetData(), static_cast<uint32_t>(size));
    if (kind == orbisk::imageutils::kImageFileJPEG)
        ar << static_cast<int32_t>(m_encoded->GetQuality());
}
