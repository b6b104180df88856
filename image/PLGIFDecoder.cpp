#include "image/PLGIFDecoder.h"

#include "image/PLBmp.h"
#include "image/PLDataSource.h"
#include "image/PLTextException.h"

#include <cstdio>
#include <cstring>

#include <gif_lib.h>

struct PLGIFDecoder::Impl {
    GifFileType* gif = nullptr;
    PLDataSource* source = nullptr;
    // An exception of the read callback, thrown once giflib has returned.
    int pendingCode = 0;
    char pendingText[256] = "";

    ~Impl() { CloseGif(); }

    void CloseGif()
    {
        int error = 0;
        if (gif)
            DGifCloseFile(gif, &error);
        gif = nullptr;
    }

    // giflib reported failure: the source ran dry, or the data is malformed.
    [[noreturn]] void Fail(int error)
    {
        if (pendingCode) {
            const int code = pendingCode;
            pendingCode = 0;
            throw PLTextException(code, pendingText);
        }
        RaiseDecoderError(PLErr::FormatUnknown, "%s", GifErrorString(error));
    }

    void Check(int status)
    {
        if (status == GIF_ERROR)
            Fail(gif->Error);
    }

    static int Read(GifFileType* gif, GifByteType* data, int count)
    {
        auto* self = static_cast<Impl*>(gif->UserData);
        try {
            std::memcpy(data, self->source->ReadBytes(size_t(count)), size_t(count));
        } catch (const PLTextException& exception) {
            self->pendingCode = exception.GetCode();
            snprintf(self->pendingText, sizeof self->pendingText, "%s", exception.GetText());
            return 0;
        }
        return count;
    }
};

namespace {

// Rows of an interlaced image come in four passes.
constexpr int kPassStart[] = {0, 4, 2, 1};
constexpr int kPassStep[] = {8, 8, 4, 2};

}  // namespace

PLGIFDecoder::PLGIFDecoder() : m_impl(std::make_unique<Impl>()) {}

PLGIFDecoder::~PLGIFDecoder() = default;

void PLGIFDecoder::Close()
{
    m_impl->CloseGif();
    PLPicDecoder::Close();
}

void PLGIFDecoder::ReadHeader(PLDataSource* source)
{
    Impl& impl = *m_impl;
    impl.CloseGif();
    impl.source = source;
    impl.pendingCode = 0;
    int error = 0;
    impl.gif = DGifOpen(&impl, Impl::Read, &error);
    if (!impl.gif)
        impl.Fail(error);
    SetHeader({impl.gif->SWidth, impl.gif->SHeight}, {}, PLPixelFormat::FindByName("I8"));
}

void PLGIFDecoder::ReadPixels(PLBmp& bmp)
{
    Impl& impl = *m_impl;
    GifFileType* gif = impl.gif;
    if (!gif)
        throw PLTextException(PLErr::Internal, "No GIF header was read.");
    for (int32_t y = 0; y < bmp.GetHeight(); ++y)
        std::memset(bmp.GetLine(y), gif->SBackGroundColor, size_t(bmp.GetWidth()));

    int transparent = -1;
    const ColorMapObject* colours = gif->SColorMap;
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    while (type != TERMINATE_RECORD_TYPE) {
        impl.Check(DGifGetRecordType(gif, &type));
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            impl.Check(DGifGetExtension(gif, &code, &block));
            // Graphic control: block[0] is the length, bit 0 of block[1] flags block[4].
            if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4 && (block[1] & 1))
                transparent = block[4];
            while (block)
                impl.Check(DGifGetExtensionNext(gif, &block));
        } else if (type == IMAGE_DESC_RECORD_TYPE) {
            impl.Check(DGifGetImageDesc(gif));
            const GifImageDesc& image = gif->Image;
            if (image.ColorMap)
                colours = image.ColorMap;
            if (image.Left < 0 || image.Top < 0 || image.Width < 0 || image.Height < 0 ||
                image.Left + image.Width > gif->SWidth || image.Top + image.Height > gif->SHeight) {
                CodecTrace(1, "Image is not confined to screen dimension, aborted.\n");
                break;
            }
            if (image.Width == 0 || image.Height == 0)
                break;
            const int passes = image.Interlace ? 4 : 1;
            for (int pass = 0; pass < passes; ++pass) {
                const int start = image.Interlace ? kPassStart[pass] : 0;
                const int step = image.Interlace ? kPassStep[pass] : 1;
                for (int row = start; row < image.Height; row += step)
                    impl.Check(DGifGetLine(gif, bmp.GetLine(image.Top + row) + image.Left, image.Width));
            }
            break;  // only the first image of an animation
        }
    }

    if (!colours)
        return;
    PLPixel32* palette = bmp.GetPalette();
    for (int i = 0; i < colours->ColorCount && i < 256; ++i) {
        const GifColorType& c = colours->Colors[i];
        palette[i] = {c.Blue, c.Green, c.Red, uint8_t(i == transparent ? 0 : 255)};
    }
}
