#pragma once

// libtiff over the codec layer's memory: a client handle that reads a block in place or
// writes into a data sink. libtiff's errors and warnings are collected on the handle
// instead of being raised inside libtiff; the codec turns them into exceptions after the
// call has returned.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include <tiffio.h>

class PLDataSink;

class PLTiffStream {
public:
    // For reading data, which stays in place and must outlive the stream.
    static std::unique_ptr<PLTiffStream> OpenRead(const uint8_t* data, size_t size);
    // For writing into sink from its current end.
    static std::unique_ptr<PLTiffStream> OpenWrite(PLDataSink& sink);
    ~PLTiffStream();
    PLTiffStream(const PLTiffStream&) = delete;
    PLTiffStream& operator=(const PLTiffStream&) = delete;

    // Null when libtiff refused to open the data.
    TIFF* GetHandle() const { return m_pTiff; }
    // Writes what is pending and closes the handle; false when libtiff failed.
    bool Close();

    // libtiff reported an error since the stream opened or the last ClearError.
    bool HasError() const { return !m_lastError.empty(); }
    void ClearError() { m_lastError.clear(); }
    // A write was refused because the sink was full.
    bool SinkFull() const { return m_sinkFull; }
    // Throws what libtiff reported: code 11 for a full sink, else code 2 with libtiff's
    // message, else fallbackCode with fallbackText.
    [[noreturn]] void Raise(int fallbackCode, const char* fallbackText) const;

private:
    PLTiffStream() = default;
    static std::unique_ptr<PLTiffStream> Open(std::unique_ptr<PLTiffStream> stream, const char* mode);

    static tmsize_t Read(thandle_t handle, void* buffer, tmsize_t count);
    static tmsize_t Write(thandle_t handle, void* buffer, tmsize_t count);
    static toff_t Seek(thandle_t handle, toff_t offset, int whence);
    static int CloseProc(thandle_t handle);
    static toff_t Size(thandle_t handle);
    static int Map(thandle_t handle, void** base, toff_t* size);
    static void Unmap(thandle_t handle, void* base, toff_t size);
    static int OnError(TIFF*, void* user, const char* module, const char* format, va_list args);
    static int OnWarning(TIFF*, void* user, const char* module, const char* format, va_list args);

    TIFF* m_pTiff = nullptr;
    const uint8_t* m_pData = nullptr;  // reading
    size_t m_size = 0;                 // reading
    PLDataSink* m_pSink = nullptr;     // writing
    size_t m_base = 0;                 // writing: where the TIFF data starts in the sink
    uint64_t m_position = 0;
    std::string m_lastError;  // libtiff's last message, with a line feed
    bool m_sinkFull = false;
};
