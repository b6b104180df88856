#include "platform/mfc/File.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/mfc/FileException.h"
#include "platform/mfc/TextEncoding.h"

namespace {

int OpenMode(uint32_t flags)
{
    int mode = O_CLOEXEC;
    if (flags & CFile::modeReadWrite)
        mode |= O_RDWR;
    else if (flags & CFile::modeWrite)
        mode |= O_WRONLY;
    else
        mode |= O_RDONLY;
    if (flags & CFile::modeCreate) {
        mode |= O_CREAT;
        if (!(flags & CFile::modeNoTruncate))
            mode |= O_TRUNC;
    }
    return mode;
}

}  // namespace

CFile::CFile(const wchar_t* path, uint32_t openFlags)
{
    CFileException error;
    if (!Open(path, openFlags, &error))
        throw error;
}

CFile::~CFile()
{
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

bool CFile::Open(const wchar_t* path, uint32_t openFlags, CFileException* error)
{
    Abort();
    m_strFileName = path;
    int descriptor = ::open(WideToUtf8(m_strFileName.GetString()).c_str(), OpenMode(openFlags), 0666);
    int osError = errno;
    struct stat status;
    if (descriptor >= 0 && ::fstat(descriptor, &status) == 0 && S_ISDIR(status.st_mode)) {
        ::close(descriptor);
        descriptor = -1;
        osError = EISDIR;
    }
    if (descriptor < 0) {
        if (error)
            *error = CFileException(CFileException::ErrnoToCause(osError), osError, m_strFileName);
        return false;
    }
    m_descriptor = descriptor;
    return true;
}

uint32_t CFile::Read(void* buffer, uint32_t count)
{
    CheckOpen();
    auto* out = static_cast<char*>(buffer);
    uint32_t total = 0;
    while (total < count) {
        ssize_t got = ::read(m_descriptor, out + total, count - total);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            ThrowFileException(CFileException::ErrnoToCause(errno), errno);
        if (got == 0)
            break;
        total += static_cast<uint32_t>(got);
    }
    return total;
}

void CFile::Write(const void* buffer, uint32_t count)
{
    CheckOpen();
    const auto* in = static_cast<const char*>(buffer);
    uint32_t total = 0;
    while (total < count) {
        ssize_t put = ::write(m_descriptor, in + total, count - total);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            ThrowFileException(put < 0 ? CFileException::ErrnoToCause(errno) : CFileException::diskFull,
                               errno);
        total += static_cast<uint32_t>(put);
    }
}

uint64_t CFile::Seek(int64_t offset, uint32_t from)
{
    CheckOpen();
    int whence = from == current ? SEEK_CUR : from == end ? SEEK_END : SEEK_SET;
    off_t position = ::lseek(m_descriptor, offset, whence);
    if (position < 0)
        ThrowFileException(CFileException::badSeek, errno);
    return static_cast<uint64_t>(position);
}

uint64_t CFile::GetPosition() const
{
    CheckOpen();
    off_t position = ::lseek(m_descriptor, 0, SEEK_CUR);
    if (position < 0)
        ThrowFileException(CFileException::badSeek, errno);
    return static_cast<uint64_t>(position);
}

uint64_t CFile::GetLength() const
{
    CheckOpen();
    struct stat status;
    if (::fstat(m_descriptor, &status) != 0)
        ThrowFileException(CFileException::ErrnoToCause(errno), errno);
    return static_cast<uint64_t>(status.st_size);
}

void CFile::Close()
{
    if (m_descriptor < 0)
        return;
    int result = ::close(m_descriptor);
    int osError = errno;
    m_descriptor = -1;
    if (result != 0 && osError != EINTR)
        ThrowFileException(CFileException::ErrnoToCause(osError), osError);
}

void CFile::Abort()
{
    if (m_descriptor >= 0)
        ::close(m_descriptor);
    m_descriptor = -1;
}

CString CFile::GetFileName() const
{
    std::wstring_view path(m_strFileName.GetString(), static_cast<size_t>(m_strFileName.GetLength()));
    size_t slash = path.rfind(L'/');
    return CString(slash == std::wstring_view::npos ? path : path.substr(slash + 1));
}

void CFile::ThrowFileException(int cause, int osError) const
{
    throw CFileException(cause, osError, m_strFileName);
}

void CFile::CheckOpen() const
{
    if (m_descriptor < 0)
        ThrowFileException(CFileException::invalidFile);
}
