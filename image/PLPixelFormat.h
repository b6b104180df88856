#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// A named pixel layout such as "A8R8G8B8": groups of a channel name and a bit count, the
// first group in the most significant bits. The name alone decides equality. Bitmaps store
// pixels in memory order blue, green, red (, alpha) whatever the name says; the name only
// tells channels, depth and alpha.
class PLPixelFormat {
public:
    enum Channel { R, G, B, A, I, L, Cbr, Cb, Cr, C, M, Y, K, X, ChannelCount };

    class UnsupportedPixelFormat {
    public:
        explicit UnsupportedPixelFormat(std::string name) : m_name(std::move(name)) {}
        const std::string& GetName() const { return m_name; }

    private:
        std::string m_name;
    };

    // The unnamed format: "the file's own format" to a decoder, "the source's format" to
    // PLBmp::CreateConvertedCopy.
    PLPixelFormat() = default;
    // Throws UnsupportedPixelFormat for a name that is not a sequence of channel groups.
    explicit PLPixelFormat(std::string_view name);

    // The registered format of that name; throws UnsupportedPixelFormat when there is none.
    static const PLPixelFormat& FindByName(std::string_view name);

    const std::string& GetName() const { return m_name; }
    int GetBitsPerPixel() const { return m_bitsPerPixel; }
    uint64_t GetMask(Channel channel) const { return m_masks[channel]; }
    bool HasAlphaChannel() const { return m_masks[A] != 0; }
    bool IsUnnamed() const { return m_name.empty(); }

    // Entries of the palette that bitmaps of this format carry: 2^bits up to 8 bits, else 0.
    int PaletteSize() const;
    // "A8R8G8B8" <-> "X8R8G8B8"; a format without the channel to switch stays as it is.
    const PLPixelFormat& WithAlpha(bool alpha) const;
    // The first R and the first B of the name trade places ("B8G8R8" -> "R8G8B8").
    PLPixelFormat WithRedBlueSwapped() const;

    friend bool operator==(const PLPixelFormat& a, const PLPixelFormat& b) { return a.m_name == b.m_name; }

private:
    std::string m_name;
    int m_bitsPerPixel = 0;
    std::array<uint64_t, ChannelCount> m_masks{};
};
