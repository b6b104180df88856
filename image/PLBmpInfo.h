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
        : m_size(size), m_resolution(resolution), m_pixelFormat(format)
    {}

    int32_t GetWidth() const { return m_size.x; }
    int32_t GetHeight() const { return m_size.y; }
    PLPoint GetSize() const { return m_size; }
    PLPoint GetResolution() const { return m_resolution; }
    const PLPixelFormat& GetPixelFormat() const { return m_pixelFormat; }
    int GetBitsPerPixel() const { return m_pixelFormat.GetBitsPerPixel(); }

    void SetHeader(PLPoint size, PLPoint resolution, const PLPixelFormat& format)
    {
        m_size = size;
        m_resolution = resolution;
        m_pixelFormat = format;
    }
    void CopyHeader(const PLBmpInfo& other)
    {
        SetHeader(other.m_size, other.m_resolution, other.m_pixelFormat);
    }

protected:
    PLPoint m_size;
    PLPoint m_resolution;
    PLPixelFormat m_pixelFormat;
};
