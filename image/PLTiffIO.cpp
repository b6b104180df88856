#include "image/PLTiffIO.h"

#include "image/PLBmp.h"
#include "image/PLDataSink.h"
#include "image/PLTextException.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

// Positions beyond this are refused, so that offset arithmetic never overflows.
constexpr uint64_t kMaxPosition = uint64_t{1} << 40;

std::string Format(const char* format, va_list args)
{
    char text[512];
    vsnprintf(text, sizeof text, format, args);
    return text;
}

// Messages that reach libtiff's process-wide handlers (none of a handle of ours should)
// go to the codec trace instead of the standard error stream.
void GlobalHandler(const char* module, const char* format, va_list args)
{
    CodecTraceF(2, "LIBTIFF(%s): %s\n", module ? module : "", Format(format, args).c_str());
}

void InstallGlobalHandlers()
{
    static const bool installed = [] {
        TIFFSetErrorHandler(GlobalHandler);
        TIFFSetWarningHandler(GlobalHandler);
        return true;
    }();
    (void)installed;
}

}  // namespace

std::unique_ptr<PLTiffStream> PLTiffStream::OpenRead(const uint8_t* data, size_t size)
{
    std::unique_ptr<PLTiffStream> stream(new PLTiffStream);
    stream->m_pData = data;
    stream->m_size = size;
    return Open(std::move(stream), "r");
}

std::unique_ptr<PLTiffStream> PLTiffStream::OpenWrite(PLDataSink& sink)
{
    std::unique_ptr<PLTiffStream> stream(new PLTiffStream);
    stream->m_pSink = &sink;
    stream->m_base = sink.GetDataSize();
    return Open(std::move(stream), "w");
}

std::unique_ptr<PLTiffStream> PLTiffStream::Open(std::unique_ptr<PLTiffStream> stream, const char* mode)
{
    InstallGlobalHandlers();
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options)
        throw PLTextException(PLErr::NoMemory, "Out of memory opening TIFF data.");
    TIFFOpenOptionsSetErrorHandlerExtR(options, OnError, stream.get());
    TIFFOpenOptionsSetWarningHandlerExtR(options, OnWarning, stream.get());
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, kPLMaxBitmapBytes);
    stream->m_pTiff = TIFFClientOpenExt("MemSource", mode, stream.get(), Read, Write, Seek, CloseProc, Size,
                                        Map, Unmap, options);
    TIFFOpenOptionsFree(options);
    return stream;
}

PLTiffStream::~PLTiffStream()
{
    if (m_pTiff)
        TIFFClose(m_pTiff);
}

bool PLTiffStream::Close()
{
    if (!m_pTiff)
        return true;
    const bool flushed = m_pSink ? TIFFFlush(m_pTiff) == 1 : true;
    TIFFClose(m_pTiff);
    m_pTiff = nullptr;
    return flushed && !HasError() && !m_sinkFull;
}

void PLTiffStream::Raise(int fallbackCode, const char* fallbackText) const
{
    if (m_sinkFull)
        throw PLTextException(PLErr::EndOfData, "Buffer overflow while encoding.\n");
    if (HasError())
        RaiseDecoderError(PLErr::FormatUnknown, "%s", m_lastError.c_str());
    RaiseDecoderError(fallbackCode, "%s", fallbackText);
}

tmsize_t PLTiffStream::Read(thandle_t handle, void* buffer, tmsize_t count)
{
    auto* stream = static_cast<PLTiffStream*>(handle);
    if (!stream->m_pData || count <= 0 || stream->m_position >= stream->m_size)
        return 0;
    const size_t n = std::min(size_t(count), size_t(stream->m_size - stream->m_position));
    std::memcpy(buffer, stream->m_pData + stream->m_position, n);
    stream->m_position += n;
    return tmsize_t(n);
}

tmsize_t PLTiffStream::Write(thandle_t handle, void* buffer, tmsize_t count)
{
    auto* stream = static_cast<PLTiffStream*>(handle);
    if (!stream->m_pSink || count <= 0)
        return 0;
    try {
        stream->m_pSink->WriteAt(stream->m_base + stream->m_position, size_t(count), buffer);
    } catch (const PLTextException&) {
        stream->m_sinkFull = true;
        return 0;
    }
    stream->m_position += uint64_t(count);
    return count;
}

toff_t PLTiffStream::Seek(thandle_t handle, toff_t offset, int whence)
{
    auto* stream = static_cast<PLTiffStream*>(handle);
    const uint64_t end = stream->m_pSink ? stream->m_pSink->GetDataSize() - stream->m_base : stream->m_size;
    // libtiff passes relative moves as two's-complement values in the unsigned offset.
    const auto delta = static_cast<int64_t>(offset);
    int64_t base = 0;
    if (whence == SEEK_CUR)
        base = int64_t(stream->m_position);
    else if (whence == SEEK_END)
        base = int64_t(end);
    else if (whence != SEEK_SET)
        return toff_t(-1);
    if (whence == SEEK_SET && offset > kMaxPosition)
        return toff_t(-1);
    const int64_t target = whence == SEEK_SET ? int64_t(offset) : base + delta;
    if ((whence != SEEK_SET && (delta > int64_t(kMaxPosition) || delta < -int64_t(kMaxPosition))) ||
        target < 0 || uint64_t(target) > kMaxPosition)
        return toff_t(-1);
    stream->m_position = uint64_t(target);
    return stream->m_position;
}

int PLTiffStream::CloseProc(thandle_t)
{
    return 0;
}

toff_t PLTiffStream::Size(thandle_t handle)
{
    auto* stream = static_cast<PLTiffStream*>(handle);
    return stream->m_pSink ? stream->m_pSink->GetDataSize() - stream->m_base : stream->m_size;
}

int PLTiffStream::Map(thandle_t handle, void** base, toff_t* size)
{
    auto* stream = static_cast<PLTiffStream*>(handle);
    if (!stream->m_pData)
        return 0;
    // libtiff only reads through a mapping it was given for a file opened for reading.
    *base = const_cast<uint8_t*>(stream->m_pData);
    *size = stream->m_size;
    return 1;
}

void PLTiffStream::Unmap(thandle_t, void*, toff_t) {}

int PLTiffStream::OnError(TIFF*, void* user, const char* module, const char* format, va_list args)
{
    auto* stream = static_cast<PLTiffStream*>(user);
    stream->m_lastError = Format(format, args) + "\n";
    CodecTraceF(0, "LIBTIFF(%s): %s", module ? module : "", stream->m_lastError.c_str());
    return 1;
}

int PLTiffStream::OnWarning(TIFF*, void*, const char* module, const char* format, va_list args)
{
    const std::string text = Format(format, args);
    if (module)
        CodecTraceF(2, "Warning in LIBTIFF(%s): %s\n", module, text.c_str());
    else
        CodecTraceF(2, "Warning in LIBTIFF: %s\n", text.c_str());
    return 1;
}
