#pragma once

// Cursors that walk the pixels of one row of an ImageRep: PixelRGB over 3-byte pixels
// (blue, green, red) and PixelRGBA over 4-byte ones (blue, green, red, alpha). The
// cursor never owns the row. Next has no end check: callers loop over the pixel count.

#include <cstdint>

namespace orbisk::imageutils {

class PixelRGB {
public:
    PixelRGB() : PixelRGB(3) {}

    int GetBytesPerPixel() const { return m_step; }
    int GetCount() const { return m_count; }

    // A count below 1 empties the cursor and gives false.
    bool SetBuffer(uint8_t* pixels, int count)
    {
        if (!pixels || count < 1) {
            m_pStart = m_pCurrent = nullptr;
            m_count = 0;
            return false;
        }
        m_pStart = m_pCurrent = pixels;
        m_count = count;
        return true;
    }

    uint8_t GetRed() const { return m_pCurrent[kRed]; }
    uint8_t GetGreen() const { return m_pCurrent[kGreen]; }
    uint8_t GetBlue() const { return m_pCurrent[kBlue]; }
    void SetRGB(uint8_t red, uint8_t green, uint8_t blue)
    {
        m_pCurrent[kRed] = red;
        m_pCurrent[kGreen] = green;
        m_pCurrent[kBlue] = blue;
    }

    // False only when the row holds exactly one pixel.
    bool Next()
    {
        m_pCurrent += m_step;
        return m_count != 1;
    }
    // False for a negative index.
    bool SetPosition(int index)
    {
        if (index < 0)
            return false;
        m_pCurrent = m_pStart + index * m_step;
        return true;
    }

protected:
    explicit PixelRGB(int step) : m_step(step) {}

    static constexpr int kBlue = 0;
    static constexpr int kGreen = 1;
    static constexpr int kRed = 2;
    static constexpr int kAlpha = 3;

    uint8_t* m_pCurrent = nullptr;

private:
    uint8_t* m_pStart = nullptr;
    int m_count = 0;
    int m_step;
};

class PixelRGBA : public PixelRGB {
public:
    PixelRGBA() : PixelRGB(4) {}

    uint8_t GetAlpha() const { return m_pCurrent[kAlpha]; }
    float GetAlphaUnit() const { return m_pCurrent[kAlpha] / 255.0f; }
    void SetAlpha(uint8_t alpha) { m_pCurrent[kAlpha] = alpha; }
    void SetRGBA(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha)
    {
        SetRGB(red, green, blue);
        m_pCurrent[kAlpha] = alpha;
    }
};

}  // namespace orbisk::imageutils
