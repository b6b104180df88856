#pragma once
// CDib: the image object of the model database (thumbnails, textures, watermarks, background
// photos, style images, image entities). It keeps the image as the bytes of an encoded image
// file, which is what the model file stores, and decodes them into an ImageRep only when pixels
// are first needed; a failed decoding is not tried again until the image is given new bytes or
// pixels. It also keeps the numbers of opaque, transparent and partly transparent pixels, taken
// whenever a decoded image is made or changed.
//
// Shared by one intrusive reference count that starts at 0: the first holder calls AddRef, and
// the last Release frees the image. Nothing else deletes an image: the destructor is private
// (the archive alone deletes one whose record fails, before anyone holds it). CDibRef is a
// holder that keeps one count for its lifetime. Records that name the same image read back as
// one object (archive back references).

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "database/EntityTypes.h"
#include "platform/mfc/Object.h"
#include "support/Color.h"

namespace orbisk::imageutils {
class ImageMemoryRep;
class ImageRep;
}  // namespace orbisk::imageutils

class CDib : public CObject {
    DECLARE_SERIAL(CDib)
public:
    using ImageRep = orbisk::imageutils::ImageRep;
    using ImageMemoryRep = orbisk::imageutils::ImageMemoryRep;

    CDib();
    CDib(const CDib&) = delete;
    CDib& operator=(const CDib&) = delete;

    // Reads by the schema of CDib in the file: nothing (0); size and bytes of a PNG (1); the
    // file type, size and bytes (2); and, for a JPEG, its quality (3). Writing stores the last
    // form, encoding the pixels first when there are no bytes.
    void Serialize(CArchive& ar) override;
    virtual int GetEntityType() const { return kEntityDib; }

    void AddRef() { ++m_refCount; }
    // Deletes the image when the count was 1.
    void Release();
    int32_t GetRefCount() const { return m_refCount; }

    // Drops the bytes, the pixels and the counts.
    void Free();
    // A deep copy of the other's bytes, pixels and counts; the reference count is left alone.
    void Assign(const CDib& other);
    // Encoded bytes are held.
    bool HasData() const;
    // No encoded image, or one of a known type (0 to 8) with a size and a depth.
    bool IsValid() const;
    // From the pixels, else from the encoded image, else 0.
    int GetWidth() const;
    int GetHeight() const;
    // The encoded files are equal byte for byte, with the same description.
    bool Equals(const CDib* other) const;

    // Decodes on first use; null when decoding fails.
    ImageRep* GetImageRep();
    uint8_t* GetPixels();
    // Takes ownership of the image and encodes it: PNG (level 4) with 4 bytes per pixel, else
    // JPEG of quality 70. False for null and when encoding fails.
    bool SetImageRep(ImageRep* image);
    // Depths 32, 24 and 8 make an RGBA, RGB or grey image from a copy of the rows (no padding),
    // scaled by the factor.
    bool CreateFromPixels(int width, int height, int bitsPerPixel, const uint8_t* pixels, double scale);
    // The whole file as the encoded image; true when bytes were read.
    bool LoadFile(const std::wstring& path);
    bool CanSaveAs(const std::wstring& path);
    // The bytes unchanged when the path names their type (or no type), else the pixels encoded
    // by the path's extension. Never throws.
    bool SaveFile(const std::wstring& path);

    // These decode on demand; when decoding fails they answer false (IsOpaque true).
    bool HasOpaquePixels();
    bool HasTransparentPixels();
    bool HasPartialAlpha();
    bool IsOpaque();
    // 0 without pixels.
    orbisk::utils::CColor GetAverageColor();
    // With reencode the encoded image follows, in its own type and quality.
    bool Resize(int width, int height, bool reencode);
    // The pixels change; the encoded image stays as it was.
    bool LuminanceToAlpha();
    bool AlphaToGrey();
    // A new image, without holders yet, holding the source's bytes decoded into a size x size
    // box, keeping the aspect ratio; null for a null source.
    static CDib* MakeScaledCopy(int size, const CDib* source);

    const ImageMemoryRep* GetEncodedImage() const { return m_encoded.get(); }
    int GetOpaqueCount() const { return m_opaqueCount; }
    int GetTransparentCount() const { return m_transparentCount; }
    int GetPartialCount() const { return m_partialCount; }

private:
    ~CDib() override;

    void ReadRecord(CArchive& ar);
    void WriteRecord(CArchive& ar);
    // Decodes when there are bytes and no pixels, unless decoding failed before.
    void Decode();
    bool Encode();
    void TakeCounts();

    std::unique_ptr<ImageMemoryRep> m_encoded;
    int32_t m_refCount = 0;
    std::unique_ptr<ImageRep> m_decoded;
    bool m_decodingFailed = false;
    int32_t m_opaqueCount = 0;
    int32_t m_transparentCount = 0;
    int32_t m_partialCount = 0;
};

// One counted hold on an image for the holder's lifetime: AddRef when it takes an image, Release
// when it lets go. A new image given to a holder is freed with the last holder.
class CDibRef {
public:
    CDibRef() = default;
    explicit CDibRef(CDib* image) : m_image(image)
    {
        if (m_image)
            m_image->AddRef();
    }
    CDibRef(const CDibRef& other) : CDibRef(other.m_image) {}
    CDibRef(CDibRef&& other) noexcept : m_image(std::exchange(other.m_image, nullptr)) {}
    CDibRef& operator=(CDibRef other) noexcept
    {
        std::swap(m_image, other.m_image);
        return *this;
    }
    ~CDibRef()
    {
        if (m_image)
            m_image->Release();
    }

    CDib* Get() const { return m_image; }
    CDib* operator->() const { return m_image; }
    explicit operator bool() const { return m_image != nullptr; }
    // Holds the given image instead (null: none).
    void Reset(CDib* image = nullptr) { *this = CDibRef(image); }

private:
    CDib* m_image = nullptr;
};
