#pragma once

#include "image/PLObject.h"
#include "image/PLPixelFormat.h"

#include <cstdint>

struct PLPoint {
    int32_t x = 0;
    int32_t y = 0;

    friend bool operator==(const PLPoint&, const PLPoint&) = default;
};

// Header of an image: size in pixels, resolution in dots per inch (0 when unknown) and
// pixel format. Bitmaps carry one, and so does a decoder for the image it opened.
class PLBmpInfo : public PLObject {
public:
    PLBmpInfo() = default;
    PLBmpInfo(PLPoint size, PLPoint resolution, const PLPixelFormat& format)
        : m_Size(size), m_Resolution(resolution), m_PixelFormat(format)
    {
    }

    int32_t GetWidth() const { return m_Size.x; }
    int32_t GetHeight() const { return m_Size.y; }
    PLPoint GetSize() const { return m_Size; }
    PLPoint GetResolution() const { return m_Resolution; }
    const PLPixelFormat& GetPixelFormat() const { return m_PixelFormat; }
    int GetBitsPerPixel() const { return m_PixelFormat.GetBitsPerPixel(); }

    void SetHeader(PLPoint size, PLPoint resolution, const PLPixelFormat& format)
    {
        m_Size = size;
        m_Resolution = resolution;
        m_PixelFormat = format;
    }
    void CopyHeader(const PLBmpInfo& other) { SetHeader(other.m_Size, other.m_Resolution, other.m_PixelFormat); }

protected:
    PLPoint m_Size;
    PLPoint m_Resolution;
    PLPixelFormat m_PixelFormat;
};
