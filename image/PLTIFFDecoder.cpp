#include "image/PLTIFFDecoder.h"

#include "image/PLBmp.h"
#include "image/PLDataSource.h"
#include "image/PLTextException.h"
#include "image/PLTiffIO.h"

#include <cstring>
#include <limits>
#include <vector>

namespace {

struct Layout {
    uint16_t bitsPerSample = 1;
    uint16_t samplesPerPixel = 1;
    uint16_t photometric = PHOTOMETRIC_MINISWHITE;
    uint16_t planar = PLANARCONFIG_CONTIG;
};

Layout ReadLayout(TIFF* tiff)
{
    Layout layout;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &layout.bitsPerSample);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &layout.samplesPerPixel);
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &layout.photometric);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &layout.planar);
    return layout;
}

const char* FormatName(const Layout& layout, bool tiled)
{
    const int spp = layout.samplesPerPixel;
    const int bps = layout.bitsPerSample;
    const char* format = "X8R8G8B8";
    if (!tiled && spp == 1 && bps == 1)
        format = "L1";
    else if (!tiled && spp <= 2 && bps <= 8)
        format = layout.photometric <= PHOTOMETRIC_MINISBLACK ? "L8" : "I8";
    else if (!tiled && spp <= 2 && bps <= 16)
        format = "L16";
    if (spp == 4 && layout.photometric <= PHOTOMETRIC_PALETTE)
        format = "A8R8G8B8";
    return format;
}

// Palette of an image of 2^bits levels: a grey ramp, upward for min-is-black, downward for
// min-is-white, or the colour map. A colour map with any value above 255 holds 16-bit
// values and is scaled to 8 bits; one without holds 8-bit values.
void BuildPalette(TIFF* tiff, const Layout& layout, PLPixel32 (&palette)[256])
{
    const int levels = 1 << layout.bitsPerSample;
    const int step = 255 / (levels - 1);
    for (int i = 0; i < levels; ++i) {
        const int grey = layout.photometric == PHOTOMETRIC_MINISBLACK ? step * i : step * (levels - 1 - i);
        palette[i] = {uint8_t(grey), uint8_t(grey), uint8_t(grey), 255};
    }
    uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    if (layout.photometric != PHOTOMETRIC_PALETTE ||
        !TIFFGetField(tiff, TIFFTAG_COLORMAP, &red, &green, &blue))
        return;
    bool wide = false;
    for (int i = 0; i < levels; ++i)
        wide = wide || red[i] > 255 || green[i] > 255 || blue[i] > 255;
    const auto scale = [wide](uint16_t v) { return uint8_t(wide ? v * 255 / 65535 : v); };
    for (int i = 0; i < levels; ++i)
        palette[i] = {scale(blue[i]), scale(green[i]), scale(red[i]), 255};
}

// Sample 0 of every pixel of a scanline of 1, 2, 4 or 8-bit samples as one byte per pixel
// (1-sample 1-bit images keep their packed bits and never come here).
void Unpack(const uint8_t* line, uint8_t* row, int32_t width, int bits, int stride)
{
    if (bits == 8) {
        for (int32_t x = 0; x < width; ++x)
            row[x] = line[int64_t(x) * stride];
        return;
    }
    const unsigned mask = (1u << bits) - 1;
    for (int32_t x = 0; x < width; ++x) {
        const int64_t bit = int64_t(x) * stride * bits;
        row[x] = uint8_t((line[bit >> 3] >> (8 - bits - (bit & 7))) & mask);
    }
}

// libtiff's RGBA reader multiplies a straight (unassociated) alpha into the colour. These
// put routines keep the colour straight: red, green, blue and alpha samples are copied as
// they are, 16-bit ones reduced to 8 bits with libtiff's own rounding.
uint8_t To8Bits(uint8_t v)
{
    return v;
}

uint8_t To8Bits(uint16_t v)
{
    return uint8_t((v + 128) / 257);
}

template <class Sample>
uint32_t PackRGBA(Sample r, Sample g, Sample b, Sample a)
{
    return uint32_t(To8Bits(r)) | uint32_t(To8Bits(g)) << 8 | uint32_t(To8Bits(b)) << 16 |
           uint32_t(To8Bits(a)) << 24;
}

// Skews are in pixels: samples to skip after each row of the tile, raster values to skip.
template <class Sample>
void PutStraightContig(TIFFRGBAImage* image, uint32_t* raster, uint32_t, uint32_t, uint32_t width,
                       uint32_t height, int32_t fromSkew, int32_t toSkew, unsigned char* bytes)
{
    const int spp = image->samplesperpixel;
    const auto* samples = reinterpret_cast<const Sample*>(bytes);
    for (; height > 0; --height) {
        for (uint32_t x = 0; x < width; ++x, samples += spp)
            *raster++ = PackRGBA(samples[0], samples[1], samples[2], samples[3]);
        raster += toSkew;
        samples += int64_t(fromSkew) * spp;
    }
}

template <class Sample>
void PutStraightSeparate(TIFFRGBAImage*, uint32_t* raster, uint32_t, uint32_t, uint32_t width,
                         uint32_t height, int32_t fromSkew, int32_t toSkew, unsigned char* redBytes,
                         unsigned char* greenBytes, unsigned char* blueBytes, unsigned char* alphaBytes)
{
    const auto* red = reinterpret_cast<const Sample*>(redBytes);
    const auto* green = reinterpret_cast<const Sample*>(greenBytes);
    const auto* blue = reinterpret_cast<const Sample*>(blueBytes);
    const auto* alpha = reinterpret_cast<const Sample*>(alphaBytes);
    const int64_t rowStep = int64_t(width) + fromSkew;
    for (; height > 0; --height) {
        for (uint32_t x = 0; x < width; ++x)
            *raster++ = PackRGBA(red[x], green[x], blue[x], alpha[x]);
        raster += toSkew;
        red += rowStep;
        green += rowStep;
        blue += rowStep;
        alpha += rowStep;
    }
}

// Four-sample RGB images of 8 bits in one plane are copied unchanged, whatever their
// alpha; straight alpha of 8 or 16 bits, in one plane or four, keeps its colour straight.
// Associated (premultiplied) alpha of other layouts goes through libtiff's routines, which
// keep the stored colour as it is.
void KeepColourAsStored(TIFFRGBAImage& image)
{
    if (image.samplesperpixel != 4 || image.photometric != PHOTOMETRIC_RGB)
        return;
    const bool straight = image.alpha == EXTRASAMPLE_UNASSALPHA;
    if (image.bitspersample == 8 && image.isContig)
        image.put.contig = PutStraightContig<uint8_t>;
    else if (straight && image.bitspersample == 8)
        image.put.separate = PutStraightSeparate<uint8_t>;
    else if (straight && image.bitspersample == 16 && image.isContig)
        image.put.contig = PutStraightContig<uint16_t>;
    else if (straight && image.bitspersample == 16)
        image.put.separate = PutStraightSeparate<uint16_t>;
}

}  // namespace

PLTIFFDecoder::PLTIFFDecoder() = default;

PLTIFFDecoder::~PLTIFFDecoder() = default;

void PLTIFFDecoder::Close()
{
    m_pStream.reset();
    PLPicDecoder::Close();
}

void PLTIFFDecoder::CheckLibraryErrors() const
{
    if (m_pStream->HasError())
        m_pStream->Raise(PLErr::FormatUnknown, "");
}

void PLTIFFDecoder::ReadHeader(PLDataSource* source)
{
    m_pStream = PLTiffStream::OpenRead(source->GetCurrentPointer(), source->GetBytesLeft());
    TIFF* tiff = m_pStream->GetHandle();
    if (!tiff)
        m_pStream->Raise(PLErr::WrongSignature, "Not a TIFF file.");
    uint32_t width = 0, height = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    const Layout layout = ReadLayout(tiff);
    float resolutionX = 0, resolutionY = 0;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_XRESOLUTION, &resolutionX);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_YRESOLUTION, &resolutionY);
    uint16_t unit = RESUNIT_INCH;
    const bool hasUnit = TIFFGetField(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
    CheckLibraryErrors();
    if (layout.bitsPerSample == 0 || layout.samplesPerPixel == 0)
        RaiseDecoderError(PLErr::FormatUnknown, "TIFF sample layout is invalid.");
    if (width > uint32_t(std::numeric_limits<int32_t>::max()) ||
        height > uint32_t(std::numeric_limits<int32_t>::max()))
        RaiseDecoderError(PLErr::FormatUnknown, "TIFF image size out of range.");

    double x = resolutionX > 1 ? resolutionX : 0;
    double y = resolutionY > 1 ? resolutionY : 0;
    if (hasUnit && unit != RESUNIT_INCH) {
        x *= 2.54;
        y *= 2.54;
    }
    const auto round = [](double v) {
        return int32_t(std::min(v + 0.5, double(std::numeric_limits<int32_t>::max())));
    };
    SetHeader({int32_t(width), int32_t(height)}, {round(x), round(y)},
              PLPixelFormat::FindByName(FormatName(layout, TIFFIsTiled(tiff))));
}

void PLTIFFDecoder::ReadPixels(PLBmp& bmp)
{
    if (!m_pStream || !m_pStream->GetHandle())
        throw PLTextException(PLErr::Internal, "No TIFF header was read.");
    if (GetBitsPerPixel() == 16)
        RaiseDecoderError(PLErr::WrongSignature, "TIFF subformat not supported.");
    if (GetBitsPerPixel() <= 8)
        DoLoColor(bmp);
    else
        DoRGBA(bmp);
}

void PLTIFFDecoder::DoLoColor(PLBmp& bmp)
{
    TIFF* tiff = m_pStream->GetHandle();
    Layout layout = ReadLayout(tiff);
    if (layout.photometric > PHOTOMETRIC_PALETTE || layout.photometric == PHOTOMETRIC_RGB) {
        CodecTrace(2, "unexpected PhotometricInterpretation, default to PHOTOMETRIC_MINISWHITE");
        layout.photometric = PHOTOMETRIC_MINISWHITE;
    }
    PLPixel32 palette[256];
    BuildPalette(tiff, layout, palette);

    const int32_t width = bmp.GetWidth();
    const int bits = layout.bitsPerSample;
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8)
        RaiseDecoderError(PLErr::WrongSignature, "TIFF subformat not supported.");
    const int stride = layout.planar == PLANARCONFIG_CONTIG ? layout.samplesPerPixel : 1;
    const bool packed = bmp.GetBitsPerPixel() == 1;
    const int64_t rowBytes = PLRowBytes(width, bmp.GetBitsPerPixel());
    const tmsize_t lineBytes = TIFFScanlineSize(tiff);
    const int64_t needed = packed ? rowBytes : PLRowBytes(int64_t(width) * stride, bits);
    CheckLibraryErrors();
    if (lineBytes <= 0 || lineBytes < needed)
        RaiseDecoderError(PLErr::FormatUnknown, "TIFF scanline is shorter than its pixels.");
    // Rows whose scanline is laid out like the bitmap row are read in place.
    const bool inPlace = lineBytes == rowBytes && (packed || (bits == 8 && stride == 1));
    std::vector<uint8_t> line(inPlace ? 0 : size_t(lineBytes));

    for (int32_t y = 0; y < bmp.GetHeight(); ++y) {
        uint8_t* row = bmp.GetLine(y);
        uint8_t* target = inPlace ? row : line.data();
        if (TIFFReadScanline(tiff, target, uint32_t(y), 0) < 0 || m_pStream->HasError()) {
            // Rows far enough down are taken as lost and left blank.
            if (y < bmp.GetHeight() / 3)
                m_pStream->Raise(PLErr::Internal, "Reading a TIFF scanline failed.");
            m_pStream->ClearError();
            std::memset(row, 0, size_t(rowBytes));
            continue;
        }
        if (!inPlace && packed)
            std::memcpy(row, target, size_t(rowBytes));
        else if (!inPlace)
            Unpack(target, row, width, bits, stride);
    }
    bmp.CopyPalette(palette);
}

void PLTIFFDecoder::DoRGBA(PLBmp& bmp)
{
    TIFF* tiff = m_pStream->GetHandle();
    char message[1024] = "";
    TIFFRGBAImage image;
    if (!TIFFRGBAImageOK(tiff, message) || !TIFFRGBAImageBegin(&image, tiff, 0, message))
        RaiseDecoderError(PLErr::WrongSignature, "TIFF subformat not supported.");
    KeepColourAsStored(image);

    const int32_t width = bmp.GetWidth();
    const int32_t height = bmp.GetHeight();
    std::vector<uint32_t> raster;
    try {
        raster.resize(size_t(width) * size_t(height));
    } catch (const std::bad_alloc&) {
        TIFFRGBAImageEnd(&image);
        RaiseDecoderError(PLErr::NoMemory, "Out of memory allocating TIFF buffer.");
    }
    const bool read = TIFFRGBAImageGet(&image, raster.data(), uint32_t(width), uint32_t(height));
    TIFFRGBAImageEnd(&image);
    if (!read || m_pStream->HasError())
        m_pStream->Raise(PLErr::WrongSignature, "Reading the TIFF image failed.");

    // The raster is bottom-up, each value red, green, blue, alpha from the low byte up.
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* in = raster.data() + size_t(height - 1 - y) * size_t(width);
        uint8_t* out = bmp.GetLine(y);
        for (int32_t x = 0; x < width; ++x, out += 4) {
            const uint32_t v = in[x];
            out[0] = uint8_t(v >> 16);
            out[1] = uint8_t(v >> 8);
            out[2] = uint8_t(v);
            out[3] = uint8_t(v >> 24);
        }
    }
}
