#include "image/PLJPEGEncoder.h"

#include "image/PLAnyBmp.h"
#include "image/PLJpegIO.h"

#include <algorithm>

struct PLJPEGEncoder::Impl {
    jpeg_compress_struct info;
    PLJpegErrorManager errors;

    Impl()
    {
        errors.Install(reinterpret_cast<j_common_ptr>(&info));
        if (!PLJpegGuard(errors, [&] { jpeg_create_compress(&info); }))
            errors.Raise();
    }
    ~Impl() { jpeg_destroy_compress(&info); }
};

PLJPEGEncoder::PLJPEGEncoder() : m_impl(std::make_unique<Impl>()) {}

PLJPEGEncoder::~PLJPEGEncoder() = default;

void PLJPEGEncoder::WriteImage(const PLBmp& source, PLDataSink& sink)
{
    PLAnyBmp scratch;
    const PLBmp& bmp = WithDepthIn(source, {24, 32}, scratch);
    jpeg_compress_struct& info = m_impl->info;
    uint8_t* const* rows = bmp.GetLineArray();
    const int quality = m_quality;
    const bool ok = PLJpegGuard(m_impl->errors, [&] {
        JpegSinkDestination(&info, &sink);
        info.image_width = JDIMENSION(bmp.GetWidth());
        info.image_height = JDIMENSION(bmp.GetHeight());
        // Rows go to libjpeg as they are: blue, green, red (and a fourth byte it skips).
        info.input_components = bmp.GetBitsPerPixel() / 8;
        info.in_color_space = bmp.GetBitsPerPixel() == 32 ? JCS_EXT_BGRX : JCS_EXT_BGR;
        jpeg_set_defaults(&info);
        info.X_density = UINT16(std::clamp(bmp.GetResolution().x, 0, 65535));
        info.Y_density = UINT16(std::clamp(bmp.GetResolution().y, 0, 65535));
        info.dct_method = JDCT_FLOAT;
        if (quality)
            jpeg_set_quality(&info, quality, TRUE);
        info.optimize_coding = FALSE;
        info.smoothing_factor = 0;
        jpeg_start_compress(&info, TRUE);
        while (info.next_scanline < info.image_height)
            jpeg_write_scanlines(&info, const_cast<JSAMPARRAY>(rows + info.next_scanline),
                                 info.image_height - info.next_scanline);
        jpeg_finish_compress(&info);
    });
    if (!ok) {
        jpeg_abort_compress(&info);
        m_impl->errors.Raise();
    }
}
