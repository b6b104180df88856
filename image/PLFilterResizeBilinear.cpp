#include "image/PLFilterResizeBilinear.h"

#include "image/C2PassScale.h"
#include "image/PLBmp.h"
#include "image/PLTextException.h"

#include <cstring>

namespace {

constexpr double kKernelWidth = 0.64;

}  // namespace

void PLFilterResizeBilinear::ApplyFilter(const PLBmp& source, PLBmp& destination) const
{
    if (&source == &destination) {
        Apply(destination);
        return;
    }
    const int bits = source.GetBitsPerPixel();
    if (bits != 24 && bits != 32 && !(bits == 8 && source.IsGreyscale()))
        throw PLTextException(PLErr::NotSupported, "Resizing needs 24 or 32-bit or greyscale pixels.");
    destination.Create(m_newXSize, m_newYSize, source.GetPixelFormat(), nullptr, 0, source.GetResolution());
    if (bits == 8)
        destination.CopyPalette(source.GetPalette());
    if (source.GetWidth() == 0 || source.GetHeight() == 0) {
        const size_t rowBytes = size_t(PLRowBytes(m_newXSize, bits));
        for (int32_t y = 0; y < m_newYSize; ++y)
            std::memset(destination.GetLine(y), 0, rowBytes);
        return;
    }
    if (m_newXSize == 0 || m_newYSize == 0)
        return;
    const PLBilinearContribDef kernel(kKernelWidth);
    const auto scale = [&](auto scaler) {
        scaler.Scale(source.GetLineArray(), source.GetWidth(), source.GetHeight(), destination.GetLineArray(),
                     m_newXSize, m_newYSize);
    };
    if (bits == 32)
        scale(C2PassScale<CDataRGBA_UBYTE>(kernel));
    else if (bits == 24)
        scale(C2PassScale<CDataRGB_UBYTE>(kernel));
    else
        scale(C2PassScale<CDataL_UBYTE>(kernel));
}
