#include "image/PLPNGDecoder.h"

#include "image/PLBmp.h"
#include "image/PLDataSource.h"
#include "image/PLPngIO.h"
#include "image/PLTextException.h"

#include <cstring>

struct PLPNGDecoder::Impl {
    png_structp png = nullptr;
    png_infop info = nullptr;
    PLDataSource* source = nullptr;
    int colorType = 0;
    int bitDepth = 0;
    PLPngErrors errors;

    ~Impl() { Destroy(); }

    void Destroy()
    {
        if (png)
            png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        png = nullptr;
        info = nullptr;
    }

    [[noreturn]] void Fail()
    {
        Destroy();
        errors.Raise(PLErr::FormatUnknown);
    }

    static void Read(png_structp png, png_bytep data, size_t count)
    {
        auto* self = static_cast<Impl*>(png_get_io_ptr(png));
        bool failed = false;
        try {
            std::memcpy(data, self->source->ReadBytes(count), count);
        } catch (const PLTextException& exception) {
            self->errors.Hold(exception);
            failed = true;
        }
        if (failed)
            png_error(png, "Read error");
    }
};

PLPNGDecoder::PLPNGDecoder() : m_impl(std::make_unique<Impl>()) {}

PLPNGDecoder::~PLPNGDecoder() = default;

void PLPNGDecoder::Close()
{
    m_impl->Destroy();
    PLPicDecoder::Close();
}

void PLPNGDecoder::ReadHeader(PLDataSource* source)
{
    Impl& impl = *m_impl;
    impl.Destroy();
    impl.source = source;
    impl.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &impl.errors, PLPngErrors::OnError,
                                      PLPngErrors::OnWarning);
    if (impl.png)
        impl.info = png_create_info_struct(impl.png);
    if (!impl.info) {
        impl.Destroy();
        throw PLTextException(PLErr::NoMemory, "Out of memory creating the PNG reader.");
    }
    png_set_read_fn(impl.png, &impl, Impl::Read);

    png_uint_32 width = 0, height = 0;
    png_uint_32 xPerMetre = 0, yPerMetre = 0;
    int unit = 0;
    const bool ok = PLPngGuard(impl.png, [&] {
        png_read_info(impl.png, impl.info);
        png_get_IHDR(impl.png, impl.info, &width, &height, &impl.bitDepth, &impl.colorType, nullptr, nullptr,
                     nullptr);
        if (impl.colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
            png_set_gray_to_rgb(impl.png);
            png_set_expand(impl.png);
        }
        if (impl.colorType != PNG_COLOR_TYPE_GRAY && impl.colorType != PNG_COLOR_TYPE_PALETTE)
            png_set_bgr(impl.png);  // 24 and 32 bits: rows arrive blue first
        png_get_pHYs(impl.png, impl.info, &xPerMetre, &yPerMetre, &unit);
    });
    if (!ok)
        impl.Fail();

    const char* format = "L8";
    switch (impl.colorType) {
        case PNG_COLOR_TYPE_RGB: format = "R8G8B8"; break;
        case PNG_COLOR_TYPE_PALETTE: format = "I8"; break;
        case PNG_COLOR_TYPE_GRAY_ALPHA:
        case PNG_COLOR_TYPE_RGB_ALPHA: format = "A8R8G8B8"; break;
    }
    PLPoint resolution;
    if (unit == PNG_RESOLUTION_METER) {
        const float inchesPerMetre = 39.37f;
        resolution = {int32_t(xPerMetre / inchesPerMetre + 0.5), int32_t(yPerMetre / inchesPerMetre + 0.5)};
    }
    // libpng limits both sides to 1,000,000 pixels by default.
    SetHeader({int32_t(width), int32_t(height)}, resolution, PLPixelFormat::FindByName(format));
}

bool PLPNGDecoder::CanReadPixelsAs(const PLPixelFormat& format) const
{
    return m_impl->png && format.GetBitsPerPixel() == 32 && GetBitsPerPixel() < 32;
}

namespace {

// Rows of palette indices read into the front of 32-bit rows become the palette's colours,
// from the right so that no index is overwritten before it is read.
void SpreadIndices(uint8_t* const* rows, int32_t width, int32_t height, const PLPixel32* palette)
{
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = rows[y];
        for (int32_t x = width - 1; x >= 0; --x)
            std::memcpy(row + 4 * int64_t(x), &palette[row[x]], 4);
    }
}

}  // namespace

void PLPNGDecoder::ReadPixels(PLBmp& bmp)
{
    Impl& impl = *m_impl;
    if (!impl.png)
        throw PLTextException(PLErr::Internal, "No PNG header was read.");
    // A 32-bit bitmap for an image of fewer bits: RGB rows get libpng's filler as their
    // fourth byte, palette indices (grey levels too) are spread through the palette.
    const bool widen = bmp.GetBitsPerPixel() == 32 && GetBitsPerPixel() < 32;
    const bool indexed = GetBitsPerPixel() == 8;
    // Entries the file does not set keep the grey of a new 8-bit bitmap.
    PLPixel32 palette[256];
    for (int i = 0; i < 256; ++i)
        palette[i] = {uint8_t(i), uint8_t(i), uint8_t(i), 255};
    if (impl.colorType == PNG_COLOR_TYPE_GRAY) {
        // Samples arrive as one byte each; 16-bit ones are reduced to 8 bits.
        const int levels = impl.bitDepth >= 8 ? 256 : 1 << impl.bitDepth;
        for (int i = 0; i < levels; ++i) {
            const auto v = uint8_t(i * 255 / (levels - 1));
            palette[i] = {v, v, v, 255};
        }
    }
    const int64_t rowBytes = PLRowBytes(bmp.GetWidth(), indexed ? 8 : bmp.GetBitsPerPixel());
    uint8_t* const* rows = bmp.GetLineArray();
    bool layoutFits = true;
    const bool ok = PLPngGuard(impl.png, [&] {
        if (impl.colorType == PNG_COLOR_TYPE_PALETTE) {
            png_colorp entries = nullptr;
            int count = 0;
            if (png_get_PLTE(impl.png, impl.info, &entries, &count)) {
                for (int i = 0; i < count && i < 256; ++i)
                    palette[i] = {entries[i].blue, entries[i].green, entries[i].red, 255};
            }
        }
        if (impl.bitDepth == 16)
            png_set_strip_16(impl.png);
        if (impl.bitDepth < 8)
            png_set_packing(impl.png);
        if (widen && !indexed)
            png_set_filler(impl.png, 0xFF, PNG_FILLER_AFTER);
        png_set_interlace_handling(impl.png);
        png_read_update_info(impl.png, impl.info);
        layoutFits = png_get_rowbytes(impl.png, impl.info) == size_t(rowBytes);
        if (!layoutFits)
            return;
        png_read_image(impl.png, const_cast<png_bytepp>(rows));
        png_read_end(impl.png, nullptr);
    });
    if (!ok)
        impl.Fail();
    impl.Destroy();
    if (!layoutFits)
        RaiseDecoderError(PLErr::FormatUnknown, "PNG rows do not fit the bitmap.");
    if (widen && indexed)
        SpreadIndices(rows, bmp.GetWidth(), bmp.GetHeight(), palette);
    else if (indexed)
        bmp.CopyPalette(palette);
}
