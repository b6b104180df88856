#include "image/PLPNGEncoder.h"

#include "image/PLAnyBmp.h"
#include "image/PLDataSink.h"
#include "image/PLPngIO.h"
#include "image/PLTextException.h"

#include <algorithm>

namespace {

struct Output {
    PLDataSink* sink;
    PLPngErrors errors;
};

void Write(png_structp png, png_bytep data, size_t count)
{
    auto* output = static_cast<Output*>(png_get_io_ptr(png));
    bool failed = false;
    try {
        output->sink->WriteBytes(count, data);
    } catch (const PLTextException& exception) {
        output->errors.Hold(exception);
        failed = true;
    }
    if (failed)
        png_error(png, "Error writting file");
}

void Flush(png_structp) {}

// A palette of up to 256 colours in PNG's red, green, blue order.
struct Palette {
    png_color entries[256];
    int count = 0;
};

Palette MakePalette(const PLBmp& bmp)
{
    Palette palette;
    palette.count = bmp.GetPixelFormat().PaletteSize();
    const PLPixel32* entries = bmp.GetPalette();
    for (int i = 0; i < palette.count; ++i)
        palette.entries[i] = {entries[i].r, entries[i].g, entries[i].b};
    return palette;
}

}  // namespace

void PLPNGEncoder::WriteImage(const PLBmp& source, PLDataSink& sink)
{
    PLAnyBmp scratch;
    const PLBmp& bmp = WithDepthIn(source, {1, 8, 24, 32}, scratch);
    const int bits = bmp.GetBitsPerPixel();
    const bool alpha = bmp.GetPixelFormat().HasAlphaChannel();
    const Palette palette = bits <= 8 ? MakePalette(bmp) : Palette{};
    Output output{&sink, {}};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &output.errors, PLPngErrors::OnError,
                                              PLPngErrors::OnWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        throw PLTextException(PLErr::NoMemory, "Out of memory creating the PNG writer.");
    }
    uint8_t* const* rows = bmp.GetLineArray();
    const int level = m_compressionLevel;
    const bool ok = PLPngGuard(png, [&] {
        png_set_compression_level(png, level);
        png_set_write_fn(png, &output, Write, Flush);
        const int colourType = bits <= 8 ? PNG_COLOR_TYPE_PALETTE
                               : alpha   ? PNG_COLOR_TYPE_RGB_ALPHA
                                         : PNG_COLOR_TYPE_RGB;
        png_set_IHDR(png, info, png_uint_32(bmp.GetWidth()), png_uint_32(bmp.GetHeight()),
                     bits <= 8 ? bits : 8, colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        if (bits <= 8)
            png_set_PLTE(png, info, palette.entries, palette.count);
        png_color_8 significant{8, 8, 8, 8, png_byte(alpha ? 8 : 0)};
        png_set_sBIT(png, info, &significant);
        const PLPoint resolution = bmp.GetResolution();
        if (resolution.x > 0) {
            const float inchesPerMetre = 39.37f;
            png_set_pHYs(png, info, png_uint_32(float(resolution.x) * inchesPerMetre),
                         png_uint_32(float(std::max(resolution.y, 0)) * inchesPerMetre),
                         PNG_RESOLUTION_METER);
        }
        png_write_info(png, info);
        if (bits == 32 && !alpha)
            png_set_filler(png, 0, PNG_FILLER_AFTER);
        png_set_bgr(png);
        png_write_image(png, const_cast<png_bytepp>(rows));
        png_write_end(png, info);
    });
    png_destroy_write_struct(&png, &info);
    if (!ok)
        output.errors.Raise(PLErr::NotSupported);
}
