#include "image/JpegDirect.h"

#include "image/ImageRep.h"
#include "image/PLBmp.h"
#include "image/PLJpegIO.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace orbisk::imageutils {
namespace {

// The decoder classes' bound: a hostile header must not size an allocation, so the pixels
// may be at most this many times larger than the data, with a floor for tiny files.
constexpr int64_t kMinPixelBudget = int64_t{16} << 20;
constexpr int64_t kPixelBytesPerDataByte = 4096;
// libjpeg scales by 1/1, 1/2, 1/4 or 1/8.
constexpr int kMaxScaleShift = 3;

// A decompressor over a block of memory whose errors end the guarded step instead of
// the process.
class Decompressor {
public:
    Decompressor()
    {
        m_errors.Install(reinterpret_cast<j_common_ptr>(&m_info));
        m_created = PLJpegGuard(m_errors, [&] { jpeg_create_decompress(&m_info); });
    }
    ~Decompressor()
    {
        if (m_created)
            jpeg_destroy_decompress(&m_info);
    }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    jpeg_decompress_struct& Info() { return m_info; }

    bool ReadHeader(const uint8_t* data, size_t size)
    {
        return m_created && Guard([&] {
                   JpegMemorySource(&m_info, data, size, nullptr);
                   jpeg_read_header(&m_info, TRUE);
               });
    }

    // Runs a step that calls into libjpeg; false when libjpeg gave up. The step must
    // keep nothing with a destructor on its own frame.
    template <class Step>
    bool Guard(Step&& step)
    {
        return PLJpegGuard(m_errors, std::forward<Step>(step));
    }

private:
    jpeg_decompress_struct m_info;
    PLJpegErrorManager m_errors;
    bool m_created = false;
};

// The smallest k (at most 3) with box x 2^k covering the image side.
int ScaleShift(int box, JDIMENSION side)
{
    int shift = 0;
    while (shift < kMaxScaleShift && (int64_t(box) << shift) < int64_t(side))
        ++shift;
    return shift;
}

bool FitsBudget(const jpeg_decompress_struct& info, size_t dataSize)
{
    const int64_t bytesPerPixel = info.out_color_space == JCS_GRAYSCALE ? 1 : 4;
    const int64_t bytes = int64_t(info.image_width) * int64_t(info.image_height) * bytesPerPixel;
    const int64_t budget = std::max(kMinPixelBudget, int64_t(dataSize) * kPixelBytesPerDataByte);
    return bytes <= std::min(budget, kPLMaxBitmapBytes);
}

// One scanline of components bytes per pixel into 4-byte opaque pixels.
void ExpandToRGBA(const uint8_t* in, uint8_t* out, JDIMENSION width, int components)
{
    for (JDIMENSION x = 0; x < width; ++x, in += components, out += 4) {
        out[0] = in[0];
        out[1] = in[components == 1 ? 0 : 1];
        out[2] = in[components == 1 ? 0 : 2];
        out[3] = 255;
    }
}

}  // namespace

bool DecodeJpegScaled(const uint8_t* data, size_t size, const JpegScaledRequest& request, ImageRep& image,
                      int& width, int& height)
{
    width = height = 0;
    Decompressor decompressor;
    jpeg_decompress_struct& info = decompressor.Info();
    if (!decompressor.ReadHeader(data, size))
        return false;
    // Colour comes out blue, green, red: the representation's memory order.
    if (info.out_color_space == JCS_RGB)
        info.out_color_space = JCS_EXT_BGR;
    else if (info.out_color_space != JCS_GRAYSCALE)
        return false;
    if (!FitsBudget(info, size))
        return false;

    int shift = 0;
    if (request.boxWidth >= 1 && request.boxHeight >= 1)
        shift = std::max(ScaleShift(request.boxWidth, info.image_width),
                         ScaleShift(request.boxHeight, info.image_height));
    const bool started = decompressor.Guard([&] {
        info.scale_num = 1;
        info.scale_denom = 1u << shift;
        // The settings of the decoder classes, so that both paths give the same pixels.
        info.do_fancy_upsampling = FALSE;
        info.dct_method = JDCT_FLOAT;
        jpeg_start_decompress(&info);
    });
    if (!started)
        return false;
    const JDIMENSION outWidth = info.output_width;
    const JDIMENSION outHeight = info.output_height;
    width = int(outWidth);
    height = int(outHeight);
    const int components = info.output_components;
    if (components != 1 && components != 3)
        return false;

    const bool padded = request.pad && width <= request.boxWidth && height <= request.boxHeight;
    const int canvasWidth = padded ? request.boxWidth : width;
    const int canvasHeight = padded ? request.boxHeight : height;
    const int format = request.withAlpha ? kFormatRGBA : components == 1 ? kFormatGrey : kFormatRGB;
    image.Create(canvasWidth, canvasHeight, format, 0, nullptr);
    if (!image.IsValid())
        return false;

    uint8_t* pixels = image.GetPixels();
    const size_t lineBytes = size_t(image.GetBytesPerLine());
    const size_t imageBytes = size_t(outWidth) * size_t(image.GetBytesPerPixel());
    std::vector<uint8_t> scanline(request.withAlpha ? size_t(outWidth) * size_t(components) : 0);
    const bool decoded = decompressor.Guard([&] {
        while (info.output_scanline < outHeight) {
            uint8_t* row = pixels + info.output_scanline * lineBytes;
            JSAMPROW target = request.withAlpha ? scanline.data() : row;
            if (jpeg_read_scanlines(&info, &target, 1) != 1)
                break;
            if (request.withAlpha)
                ExpandToRGBA(scanline.data(), row, outWidth, components);
            std::memset(row + imageBytes, 0, lineBytes - imageBytes);
        }
        for (JDIMENSION y = info.output_scanline; y < JDIMENSION(canvasHeight); ++y)
            std::memset(pixels + y * lineBytes, 0, lineBytes);
        jpeg_finish_decompress(&info);
    });
    if (!decoded)
        image.Free();
    return decoded;
}

int EstimateJpegQuality(const uint8_t* data, size_t size)
{
    Decompressor decompressor;
    if (!decompressor.ReadHeader(data, size))
        return 0;
    const JQUANT_TBL* table = decompressor.Info().quant_tbl_ptrs[0];
    if (!table)
        return 0;
    // libjpeg's quality scaling inverted; quantval is in natural (row-major) order.
    const int c = table->quantval[6];
    const int quality = c <= 51 ? (5126 - 50 * c) / 51 : (c / 2 + 2550) / c;
    return std::clamp(quality, 1, 100);
}

}  // namespace orbisk::imageutils
