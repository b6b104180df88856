#pragma once

// An image kept as the bytes of its file (JPEG, PNG, BMP, TIFF, ...) with what is known
// about it: file type (ImageFileType), JPEG quality, size and bytes per pixel. Decoded
// into an ImageRep only when pixels are needed (ImageRep::LoadMemory).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace orbisk::imageutils {

class ImageRep;

class ImageMemoryRep {
public:
    static constexpr int kDefaultQuality = 70;

    ImageMemoryRep() = default;
    ImageMemoryRep(const ImageMemoryRep&) = delete;
    ImageMemoryRep& operator=(const ImageMemoryRep&) = delete;

    // Drops the bytes; the description stays.
    void Free();
    bool IsValid() const { return m_pData != nullptr; }

    // Same bytes and the same description; two empty ones are not equal.
    bool Equals(const ImageMemoryRep& other) const;
    // A deep copy; always true.
    bool Assign(const ImageMemoryRep& other);

    // Keeps size bytes (taken over when takeOwnership, then they must come from malloc;
    // otherwise copied) and decodes them to learn the image. The quality is kept unless
    // the bytes are a JPEG and it is outside 1 to 100: then it is estimated from them.
    // Bytes that do not decode are dropped (false).
    bool SetData(int size, uint8_t* bytes, bool takeOwnership, int quality);
    // The whole file, described from its header; a JPEG's quality is estimated.
    bool LoadFile(const std::wstring& path);
    // The image encoded as type (ImageFileType): JPEG at quality 1 to 100, BMP, TIFF, or
    // PNG at zlib level quality (0 to 9) for every other type. Fails when the encoding
    // takes more than width x height x 4 + 2000 bytes.
    bool Encode(const ImageRep& image, int type, int quality);
    // Writes the bytes unchanged to a file whose extension names the stored type (or
    // names no known type); there is no re-encoding.
    bool SaveFile(const std::wstring& path) const;
    bool MatchesExtension(const std::wstring& path) const;

    const uint8_t* GetData() const { return m_pData.get(); }
    int GetSize() const { return m_size; }
    int GetType() const { return m_type; }
    int GetQuality() const { return m_quality; }
    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    int GetBytesPerPixel() const { return m_bytesPerPixel; }

private:
    struct FreeBytes {
        void operator()(uint8_t* bytes) const { std::free(bytes); }
    };
    using Bytes = std::unique_ptr<uint8_t, FreeBytes>;

    // A malloc copy of count bytes; null when memory fails.
    static Bytes CopyBytes(const uint8_t* bytes, size_t count);
    void Describe(int type, int width, int height, int bitsPerPixel);
    void DropBytes();

    Bytes m_pData;
    int m_size = 0;
    int m_type = 0;
    int m_quality = kDefaultQuality;
    int m_width = 0;
    int m_height = 0;
    int m_bytesPerPixel = 0;
};

}  // namespace orbisk::imageutils
