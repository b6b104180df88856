#pragma once

#include "image/PLFilter.h"
#include "image/PLPixel32.h"

#include <array>
#include <cstdint>
#include <memory>

// Colour quantisation: a bitmap of more than 8 bits becomes "I8" with 256 palette entries.
// The palette comes from a median cut or the popularity of the source's colours, or is a
// fixed or given one; each pixel then takes its nearest entry, with or without dithering.
//
// Colours are counted in the cells of a 5-bit colour cube, and the first colour looked up
// in a cell decides the index of every later colour of that cell: two colours of one cell
// always get the same index.
class PLFilterQuantize : public PLFilter {
public:
    enum PaletteType : int { MedianCut = 0, Popularity = 1, DefaultPalette = 2, UserPalette = 3 };
    enum DitherType : int { NoDither = 0, OrderedDither = 1, FloydSteinberg = 2 };

    PLFilterQuantize(int paletteType, int ditherType);
    ~PLFilterQuantize() override;

    // For UserPalette: 256 entries, copied. Without one, UserPalette uses the default palette.
    void SetUserPalette(const PLPixel32* entries);

    void ApplyFilter(const PLBmp& source, PLBmp& destination) const override;

    // The fixed palette of DefaultPalette.
    static const std::array<PLPixel32, 256>& GetDefaultPalette();

private:
    struct Work;

    int m_paletteType;
    int m_ditherType;
    std::unique_ptr<PLPixel32[]> m_pUserPal;
};
