#include "image/PLWEMFDecoder.h"

#include "image/PLAnyBmp.h"
#include "image/PLBmp.h"
#include "image/PLDataSource.h"
#include "image/PLPNGDecoder.h"
#include "image/PLSourceReader.h"
#include "image/PLTextException.h"
#include "platform/win32/SystemInfo.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include <libwmf/api.h>
#include <libwmf/gd.h>

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableBytes = 22;
constexpr size_t kHeaderBytes = 18;
constexpr size_t kRecordHeaderBytes = 6;

uint16_t Le16(const uint8_t* b)
{
    return uint16_t(b[0] | b[1] << 8);
}

uint32_t Le32(const uint8_t* b)
{
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

void PutLe32(uint8_t* b, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[i] = uint8_t(v >> (8 * i));
}

[[noreturn]] void RaiseFailed()
{
    RaiseDecoderError(PLErr::NotSupported, "Windows Metafile functions failed to load this image.");
}

template <class Char>
bool NameHasEmf(const std::basic_string<Char>& name)
{
    const char* const part = ".EMF";
    for (size_t start = 0; start + 4 <= name.size(); ++start) {
        size_t i = 0;
        while (i < 4) {
            const auto c = static_cast<std::make_unsigned_t<Char>>(name[start + i]);
            const auto upper = c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
            if (upper != static_cast<unsigned char>(part[i]))
                break;
            ++i;
        }
        if (i == 4)
            return true;
    }
    return false;
}

bool IsEnhanced(const PLDataSource& source, const uint8_t* data, size_t size)
{
    // The first record of an enhanced metafile is its header, with " EMF" at offset 40.
    if (size >= 44 && Le32(data) == 1 && std::memcmp(data + 40, " EMF", 4) == 0)
        return true;
    return source.NameIsWide() ? NameHasEmf(source.GetWideName()) : NameHasEmf(source.GetName());
}

// The metafile as libwmf gets it: its structure checked (header, then records that each
// lie within the data) and the header's record size and total size replaced by the true
// ones, so that no figure of the file sizes what libwmf allocates.
std::vector<uint8_t> CheckedCopy(const uint8_t* data, size_t size)
{
    size_t at = 0;
    if (size >= 4 && Le32(data) == kPlaceableKey) {
        if (size < kPlaceableBytes || Le16(data + 14) == 0)
            RaiseFailed();
        at = kPlaceableBytes;
    }
    if (size - at < kHeaderBytes)
        RaiseFailed();
    const uint8_t* header = data + at;
    const uint16_t type = Le16(header);
    const uint16_t version = Le16(header + 4);
    if ((type != 1 && type != 2) || Le16(header + 2) != 9 || (version != 0x100 && version != 0x300))
        RaiseFailed();
    const size_t first = at + kHeaderBytes;
    size_t end = first;
    uint32_t largest = 3;
    bool ended = false;
    while (!ended && size - end >= kRecordHeaderBytes) {
        const uint32_t words = Le32(data + end);
        if (words < 3 || words > (size - end) / 2)
            RaiseFailed();
        ended = Le16(data + end + 4) == 0;
        largest = std::max(largest, words);
        end += size_t(words) * 2;
    }
    if (!ended)
        RaiseFailed();
    std::vector<uint8_t> copy(data, data + end);
    PutLe32(copy.data() + at + 6, uint32_t((end - at) / 2));
    PutLe32(copy.data() + at + 12, largest);
    return copy;
}

}  // namespace

struct PLWEMFDecoder::Impl {
    wmfAPI* api = nullptr;
    std::vector<uint8_t> data;
    wmfD_Rect bbox{};

    ~Impl() { Destroy(); }

    void Destroy()
    {
        if (api)
            wmf_api_destroy(api);
        api = nullptr;
        data.clear();
    }

    void Check(wmf_error_t error)
    {
        if (error != wmf_E_None || (api && api->err != wmf_E_None))
            RaiseFailed();
    }
};

PLWEMFDecoder::PLWEMFDecoder() : m_impl(std::make_unique<Impl>()) {}

PLWEMFDecoder::~PLWEMFDecoder() = default;

void PLWEMFDecoder::Close()
{
    m_impl->Destroy();
    PLPicDecoder::Close();
}

void PLWEMFDecoder::ReadHeader(PLDataSource* source)
{
    Impl& impl = *m_impl;
    impl.Destroy();
    const uint8_t* bytes = source->GetCurrentPointer();
    const size_t size = source->GetBytesLeft();
    if (IsEnhanced(*source, bytes, size))
        RaiseDecoderError(PLErr::NotCompiled, "Library not compiled for EMF.");
    impl.data = CheckedCopy(bytes, size);

    wmfAPI_Options options{};
    options.function = wmf_gd_function;
    const unsigned long flags =
        WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    if (wmf_api_create(&impl.api, flags, &options) != wmf_E_None) {
        if (impl.api)
            wmf_api_destroy(impl.api);
        impl.api = nullptr;
        RaiseFailed();
    }
    impl.Check(wmf_mem_open(impl.api, impl.data.data(), long(impl.data.size())));
    wmfD_Rect drawn{};  // the extent of what the records draw, in points
    impl.Check(wmf_scan(impl.api, 0, &drawn));
    impl.bbox = drawn;

    const int dpiX = std::max(1, GetScreenDeviceCaps(LOGPIXELSX));
    const int dpiY = std::max(1, GetScreenDeviceCaps(LOGPIXELSY));
    int64_t width = 0;
    int64_t height = 0;
    const uint8_t* d = impl.data.data();
    const auto left = int16_t(Le16(d + 6)), top = int16_t(Le16(d + 8));
    const auto right = int16_t(Le16(d + 10)), bottom = int16_t(Le16(d + 12));
    if (Le32(d) == kPlaceableKey && right > left && bottom > top) {
        // Bounding box in units of 1/inch of an inch: the picture's size on the screen.
        const int inch = Le16(d + 14);
        width = int64_t(right - left) * dpiX / inch;
        height = int64_t(bottom - top) * dpiY / inch;
        // libwmf places the picture in points.
        impl.bbox.TL.x = float(left) * 72 / inch;
        impl.bbox.TL.y = float(top) * 72 / inch;
        impl.bbox.BR.x = float(right) * 72 / inch;
        impl.bbox.BR.y = float(bottom) * 72 / inch;
    } else {
        // Without a box of its own the picture is what it draws.
        unsigned int w = 0, h = 0;
        impl.Check(wmf_display_size(impl.api, &w, &h, dpiX, dpiY));
        width = w;
        height = h;
    }
    // An empty picture gets a size of its own, and a box of that size, so that it is
    // drawn at the screen's resolution like any other.
    if (width < 1) {
        width = 320;
        impl.bbox.BR.x = impl.bbox.TL.x + float(width) * 72 / dpiX;
    }
    if (height < 1) {
        height = 200;
        impl.bbox.BR.y = impl.bbox.TL.y + float(height) * 72 / dpiY;
    }
    plread::CheckSides(*source, width, height);

    // libwmf fills shapes pixel by pixel without clipping them to the picture first, so
    // drawing far beyond the picture costs time in proportion to its area: a metafile that
    // draws more than a few dozen times the picture's area (a box of a sliver, or shapes
    // thousands of times its size) is refused.
    const double boxWidth = double(impl.bbox.BR.x) - impl.bbox.TL.x;
    const double boxHeight = double(impl.bbox.BR.y) - impl.bbox.TL.y;
    if (!(boxWidth > 0) || !(boxHeight > 0))
        RaiseFailed();
    const double drawnPixels = (double(drawn.BR.x) - drawn.TL.x) * double(width) / boxWidth *
                               ((double(drawn.BR.y) - drawn.TL.y) * double(height) / boxHeight);
    if (!(drawnPixels <= 64.0 * double(std::max<int64_t>(width * height, 1 << 16))))
        RaiseFailed();
    SetHeader({int32_t(width), int32_t(height)}, {}, PLPixelFormat::FindByName("B8G8R8A8"));
}

namespace {

// An in-memory file that libwmf writes the picture into.
class MemoryFile {
public:
    MemoryFile() : m_file(open_memstream(&m_data, &m_size)) {}
    ~MemoryFile()
    {
        if (m_file)
            fclose(m_file);
        free(m_data);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    FILE* Get() const { return m_file; }
    // Closes the file; then the bytes written are Data() and Size().
    void Finish()
    {
        if (m_file)
            fclose(m_file);
        m_file = nullptr;
    }
    const uint8_t* Data() const { return reinterpret_cast<const uint8_t*>(m_data); }
    size_t Size() const { return m_size; }

private:
    char* m_data = nullptr;
    size_t m_size = 0;
    FILE* m_file;
};

}  // namespace

void PLWEMFDecoder::ReadPixels(PLBmp& bmp)
{
    Impl& impl = *m_impl;
    if (!impl.api)
        throw PLTextException(PLErr::Internal, "No metafile header was read.");
    // libwmf's renderer keeps the picture it draws for the caller but offers no way to
    // free it, so the picture is taken as the PNG file that libwmf writes (and frees).
    MemoryFile png;
    if (!png.Get())
        RaiseDecoderError(PLErr::NoMemory, "Out of memory rendering a metafile.");
    wmf_gd_t* device = WMF_GD_GetData(impl.api);
    device->type = wmf_gd_png;
    device->flags = (device->flags & ~(unsigned long)WMF_GD_OUTPUT_MEMORY) | WMF_GD_OUTPUT_FILE;
    device->file = png.Get();
    device->width = unsigned(bmp.GetWidth());
    device->height = unsigned(bmp.GetHeight());
    device->bbox = impl.bbox;
    impl.Check(wmf_play(impl.api, 0, &impl.bbox));
    png.Finish();

    PLAnyBmp picture;
    PLPNGDecoder decoder;
    try {
        decoder.DecodeMemory(png.Data(), png.Size(), picture);
        if (picture.GetBitsPerPixel() != 32)
            picture.CreateConvertedCopy(PLAnyBmp(picture), PLPixelFormat::FindByName("X8R8G8B8"));
    } catch (const PLTextException&) {
        RaiseFailed();
    }
    if (picture.GetSize() != bmp.GetSize())
        RaiseFailed();
    const size_t rowBytes = size_t(bmp.GetWidth()) * 4;
    for (int32_t y = 0; y < bmp.GetHeight(); ++y) {
        uint8_t* out = bmp.GetLine(y);
        std::memcpy(out, picture.GetLine(y), rowBytes);
        for (size_t x = 3; x < rowBytes; x += 4)
            out[x] = 255;
    }
}
