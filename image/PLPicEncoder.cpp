#include "image/PLPicEncoder.h"

#include "image/PLAnyBmp.h"
#include "image/PLFileSink.h"
#include "image/PLPath.h"
#include "image/PLTextException.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

namespace {

template <class Path>
void Encode(PLPicEncoder& encoder, const Path* path, const std::string& name, const PLBmp& bmp)
{
    CodecTraceF(1, "--- Encoding file %s. ---\n", name.c_str());
    // The first size of the file's block; it grows when the encoding needs more.
    const size_t capacity =
        size_t(PLRowBytes(bmp.GetWidth(), bmp.GetBitsPerPixel()) * bmp.GetHeight()) + 65536;
    PLFileSink sink;
    if (const int result = sink.OpenFile(path, capacity))
        RaiseDecoderError(result, "Opening %s failed: %s", name.c_str(), strerror(errno));
    try {
        encoder.EncodeToSink(bmp, sink);
    } catch (...) {
        try {
            sink.Close();
        } catch (const PLTextException&) {
            // The encoder's failure is the one to report.
        }
        throw;
    }
    sink.Close();
}

}  // namespace

void PLPicEncoder::EncodeFile(const char* path, const PLBmp& bmp)
{
    Encode(*this, path, path, bmp);
}

void PLPicEncoder::EncodeFile(const wchar_t* path, const PLBmp& bmp)
{
    Encode(*this, path, PLMessageName(path), bmp);
}

const PLBmp& PLPicEncoder::WithDepthIn(const PLBmp& bmp, std::initializer_list<int> depths, PLAnyBmp& scratch)
{
    if (std::find(depths.begin(), depths.end(), bmp.GetBitsPerPixel()) != depths.end())
        return bmp;
    const bool alpha = bmp.GetPixelFormat().HasAlphaChannel();
    scratch.CreateConvertedCopy(bmp, PLPixelFormat::FindByName(alpha ? "A8R8G8B8" : "X8R8G8B8"));
    return scratch;
}
