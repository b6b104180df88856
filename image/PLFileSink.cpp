#include "image/PLFileSink.h"

#include "image/PLPath.h"
#include "image/PLTextException.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

PLFileSink::~PLFileSink()
{
    WriteAndClose();
}

int PLFileSink::OpenFile(const char* path, size_t capacity)
{
    const int result = Create(path, capacity);
    if (result == 0)
        BeginWrite(path, m_buffer.data(), m_buffer.size());
    return result;
}

int PLFileSink::OpenFile(const wchar_t* path, size_t capacity)
{
    const int result = Create(PLNarrowPath(path), capacity);
    if (result == 0)
        BeginWrite(path, m_buffer.data(), m_buffer.size());
    return result;
}

int PLFileSink::Create(const std::string& path, size_t capacity)
{
    WriteAndClose();
    const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (file < 0) {
        const int error = errno;
        const int code = PLOpenErrorCode(error, path);
        errno = error;  // the caller quotes the system's reason
        return code;
    }
    m_file = file;
    m_buffer.assign(std::max<size_t>(capacity, 1), 0);
    return 0;
}

bool PLFileSink::Grow(size_t needed)
{
    if (m_file < 0)
        return false;
    try {
        m_buffer.resize(std::max(needed, m_buffer.size() * 2));
    } catch (const std::exception&) {
        return false;
    }
    SetBlock(m_buffer.data(), m_buffer.size());
    return true;
}

int PLFileSink::WriteAndClose()
{
    if (m_file < 0)
        return 0;
    int error = 0;
    const uint8_t* data = m_buffer.data();
    size_t left = GetDataSize();
    while (left > 0 && error == 0) {
        const ssize_t written = write(m_file, data, left);
        if (written < 0 && errno != EINTR)
            error = errno;
        if (written > 0) {
            data += written;
            left -= size_t(written);
        }
    }
    if (close(m_file) != 0 && error == 0)
        error = errno;
    m_file = -1;
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    PLDataSink::Close();
    return error;
}

void PLFileSink::Close()
{
    const std::string name = NameIsWide() ? PLMessageName(GetWideName().c_str()) : GetName();
    const int error = WriteAndClose();
    if (error)
        RaiseDecoderError(PLErr::EndOfData, "Writing %s failed: %s", name.c_str(), strerror(error));
}
