#include "image/PLTIFFEncoder.h"

#include "image/PLAnyBmp.h"
#include "image/PLTextException.h"
#include "image/PLTiffIO.h"

#include <algorithm>
#include <vector>

namespace {

// Bilevel images: min-is-black when palette entry 1 is the brighter one.
uint16_t BilevelPhotometric(const PLBmp& bmp)
{
    const PLPixel32* p = bmp.GetPalette();
    const bool oneIsBrighter = p[1].r > p[0].r && p[1].g > p[0].g && p[1].b > p[0].b;
    return oneIsBrighter ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_MINISWHITE;
}

void SetTags(TIFF* tiff, const PLBmp& bmp, int compression)
{
    const int bits = bmp.GetBitsPerPixel();
    const bool alpha = bits > 8 && bmp.GetPixelFormat().HasAlphaChannel();
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(bmp.GetWidth()));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(bmp.GetHeight()));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, uint16_t(bits <= 8 ? bits : 8));
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, uint16_t(bits <= 8 ? 1 : alpha ? 4 : 3));
    if (alpha) {
        const uint16_t extra[] = {EXTRASAMPLE_ASSOCALPHA};
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, uint16_t(1), extra);
    }
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, uint16_t(compression));
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
    TIFFSetField(tiff, TIFFTAG_XRESOLUTION, float(bmp.GetResolution().x));
    TIFFSetField(tiff, TIFFTAG_YRESOLUTION, float(bmp.GetResolution().y));
    TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, uint16_t(RESUNIT_INCH));
    const uint16_t photometric = bits == 1   ? BilevelPhotometric(bmp)
                                 : bits == 8 ? PHOTOMETRIC_PALETTE
                                             : PHOTOMETRIC_RGB;
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, photometric);
}

}  // namespace

void PLTIFFEncoder::WriteImage(const PLBmp& source, PLDataSink& sink)
{
    PLAnyBmp scratch;
    const PLBmp& bmp = WithDepthIn(source, {1, 8, 24, 32}, scratch);
    const auto stream = PLTiffStream::OpenWrite(sink);
    if (!stream->GetHandle())
        stream->Raise(PLErr::Internal, "Opening TIFF output failed.");
    SetTags(stream->GetHandle(), bmp, m_compression);
    if (stream->HasError())
        stream->Raise(PLErr::NotSupported, "");
    WriteRows(bmp, *stream);
    if (!stream->Close())
        stream->Raise(PLErr::Internal, "Writing the TIFF directory failed.");
}

void PLTIFFEncoder::WriteRows(const PLBmp& bmp, PLTiffStream& stream)
{
    TIFF* tiff = stream.GetHandle();
    const int bits = bmp.GetBitsPerPixel();
    const int32_t width = bmp.GetWidth();
    if (bits == 8) {
        // The colour map holds the 8-bit components unscaled; readers take a map whose
        // values all stay below 256 for an 8-bit one.
        uint16_t red[256], green[256], blue[256];
        const PLPixel32* palette = bmp.GetPalette();
        for (int i = 0; i < 256; ++i) {
            red[i] = palette[i].r;
            green[i] = palette[i].g;
            blue[i] = palette[i].b;
        }
        TIFFSetField(tiff, TIFFTAG_COLORMAP, red, green, blue);
    }
    const bool alpha = bits == 32 && bmp.GetPixelFormat().HasAlphaChannel();
    const int samples = alpha ? 4 : 3;
    const int pixelBytes = bits / 8;
    const int64_t rowBytes = PLRowBytes(width, bits);
    // libtiff may change the line while compressing it, so it gets a copy.
    std::vector<uint8_t> line(bits > 8 ? size_t(width) * size_t(samples) : size_t(rowBytes));
    for (int32_t y = 0; y < bmp.GetHeight(); ++y) {
        const uint8_t* row = bmp.GetLine(y);
        if (bits <= 8)
            std::copy(row, row + rowBytes, line.begin());
        for (int32_t x = 0; bits > 8 && x < width; ++x) {
            const uint8_t* in = row + int64_t(x) * pixelBytes;
            uint8_t* out = line.data() + int64_t(x) * samples;
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            if (alpha)
                out[3] = in[3];
        }
        if (TIFFWriteScanline(tiff, line.data(), uint32_t(y), 0) < 0 || stream.HasError() ||
            stream.SinkFull())
            stream.Raise(PLErr::Internal, "Writing a TIFF scanline failed.");
    }
}
