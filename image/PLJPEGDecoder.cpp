#include "image/PLJPEGDecoder.h"

#include "image/PLBmp.h"
#include "image/PLDataSource.h"
#include "image/PLExif.h"
#include "image/PLJpegIO.h"
#include "image/PLTextException.h"

struct PLJPEGDecoder::Impl {
    jpeg_decompress_struct info;
    PLJpegErrorManager errors;
    std::unique_ptr<PLExif> exif;

    Impl()
    {
        errors.Install(reinterpret_cast<j_common_ptr>(&info));
        if (!PLJpegGuard(errors, [&] { jpeg_create_decompress(&info); }))
            errors.Raise();
    }
    ~Impl() { jpeg_destroy_decompress(&info); }

    // Ends a failed decode so that the decompressor serves the next image, then throws.
    [[noreturn]] void Fail()
    {
        jpeg_abort_decompress(&info);
        errors.Raise();
    }
};

namespace {

// CMYK and YCCK files come out as four bytes C, M, Y, K per pixel; Adobe's files store
// them inverted. Turns them into blue, green, red, alpha in place.
void CmykToBgra(uint8_t* row, uint32_t width, bool inverted)
{
    for (uint32_t x = 0; x < width; ++x, row += 4) {
        unsigned c = row[0], m = row[1], y = row[2], k = row[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        row[0] = uint8_t(y * k / 255);
        row[1] = uint8_t(m * k / 255);
        row[2] = uint8_t(c * k / 255);
        row[3] = 255;
    }
}

}  // namespace

PLJPEGDecoder::PLJPEGDecoder() : m_impl(std::make_unique<Impl>()) {}

PLJPEGDecoder::~PLJPEGDecoder() = default;

void PLJPEGDecoder::ReadHeader(PLDataSource* source)
{
    jpeg_decompress_struct& info = m_impl->info;
    m_impl->exif = std::make_unique<PLExif>();
    const bool ok = PLJpegGuard(m_impl->errors, [&] {
        jpeg_abort_decompress(&info);
        JpegMemorySource(&info, source->GetCurrentPointer(), source->GetBytesLeft(), source);
        // APP1 segments of any length are kept for the EXIF reader.
        jpeg_save_markers(&info, JPEG_APP0 + 1, 0xFFFF);
        jpeg_read_header(&info, TRUE);
    });
    if (!ok)
        m_impl->Fail();
    try {
        m_impl->exif->ReadData(info.marker_list);
    } catch (const PLTextException&) {
        // Broken metadata does not make the picture unreadable.
        m_impl->exif->Clear();
    }

    const bool grey = info.out_color_space == JCS_GRAYSCALE;
    PLPoint resolution{info.X_density, info.Y_density};
    if (resolution.x == 1 || resolution.y == 1)
        resolution = {};
    if (info.density_unit == 2)
        resolution = {int32_t(resolution.x * 2.54), int32_t(resolution.y * 2.54)};
    SetHeader({int32_t(info.image_width), int32_t(info.image_height)}, resolution,
              PLPixelFormat::FindByName(grey ? "L8" : "X8R8G8B8"));
}

void PLJPEGDecoder::Close()
{
    m_impl->exif.reset();
    PLPicDecoder::Close();
}

const PLExif* PLJPEGDecoder::GetExif() const
{
    return m_impl->exif.get();
}

void PLJPEGDecoder::ReadPixels(PLBmp& bmp)
{
    jpeg_decompress_struct& info = m_impl->info;
    const bool grey = info.out_color_space == JCS_GRAYSCALE;
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    // Speed before quality: no fancy upsampling, the floating-point DCT.
    info.do_fancy_upsampling = FALSE;
    info.dct_method = JDCT_FLOAT;
    if (!grey)
        info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    uint8_t* const* rows = bmp.GetLineArray();
    const bool ok = PLJpegGuard(m_impl->errors, [&] {
        jpeg_start_decompress(&info);
        if (info.output_width != uint32_t(bmp.GetWidth()) ||
            info.output_height != uint32_t(bmp.GetHeight()) || info.output_components != (grey ? 1 : 4))
            m_impl->errors.Exit(reinterpret_cast<j_common_ptr>(&info), "JPEG output does not fit the bitmap");
        while (info.output_scanline < info.output_height)
            jpeg_read_scanlines(&info, const_cast<JSAMPARRAY>(rows + info.output_scanline),
                                info.output_height - info.output_scanline);
        jpeg_finish_decompress(&info);
    });
    if (!ok)
        m_impl->Fail();
    if (cmyk) {
        for (int32_t y = 0; y < bmp.GetHeight(); ++y)
            CmykToBgra(rows[y], info.output_width, info.saw_Adobe_marker);
    }
}
