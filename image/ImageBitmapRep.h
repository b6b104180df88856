#pragma once

#include "image/ImageRep.h"

namespace orbisk::imageutils {

// Describes pixel memory that the caller owns and keeps alive: nothing is allocated,
// loaded or freed. Create only clears the description.
class ImageBitmapRep : public ImageRep {
public:
    ImageBitmapRep() = default;

    bool IsValid() const override;
    bool SaveFile(const std::wstring& path, int quality) override;
    using ImageRep::SaveFile;
    // Always false: the memory is the caller's, so there is nothing to copy into.
    bool CopyFrom(const ImageRep& other) override;
    bool CopyScaledFrom(const ImageRep& other, int width, int height) override;
    bool LoadFile(const std::wstring& path) override;
    bool LoadMemory(const ImageMemoryRep& memory) override;
    bool LoadFile(const std::wstring& path, int width, int height) override;
    bool LoadMemory(const ImageMemoryRep& memory, int width, int height) override;
    bool LoadMemoryBounded(const ImageMemoryRep& memory, int maxWidth, int maxHeight, bool withAlpha,
                           int& width, int& height) override;
    bool LoadResource(uint32_t id, uint32_t resourceType) override;
    void Create(int width, int height, int format, int padding, const uint8_t* pixels) override;

    int GetHeight() const override { return m_height; }
    int GetWidth() const override { return m_width; }
    int GetBytesPerPixel() const override { return BytesPerPixelForFormat(m_format); }
    int GetBytesPerLine() const override { return m_width * GetBytesPerPixel() + m_padding; }
    int GetRowPadding() const override { return m_padding; }
    uint8_t* GetPixels() override { return m_pPixels; }
    const uint8_t* GetPixels() const override { return m_pPixels; }
    int GetFormat() const override { return m_format; }

    bool SwapRedBlue() override;
    bool FlipVertical() override;

    // Rows of width x bytes per pixel + padding bytes, top row first.
    void Attach(int width, int height, int format, int padding, uint8_t* pixels);
    // RGBA only: every alpha byte becomes 255.
    bool SetOpaque();

private:
    uint8_t* m_pPixels = nullptr;
    int m_width = 0;
    int m_height = 0;
    int m_padding = 0;
    int m_format = kFormatRGBA;
};

// Describes the caller's pixels: 1 channel grey, 3 RGB, 4 RGBA; rows stride bytes apart
// (0: packed). Null for another channel count.
std::unique_ptr<ImageBitmapRep> CreateImageBitmapRep(int width, int height, int channels, int stride,
                                                     uint8_t* pixels);

}  // namespace orbisk::imageutils
