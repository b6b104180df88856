#include "image/PLFileSource.h"

#include "image/PLPath.h"
#include "image/PLTextException.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

PLFileSource::~PLFileSource()
{
    Unmap();
}

int PLFileSource::OpenFile(const char* path)
{
    const int result = Map(path);
    if (result == 0)
        BeginRead(path, static_cast<const uint8_t*>(m_pView), m_viewSize);
    return result;
}

int PLFileSource::OpenFile(const wchar_t* path)
{
    const int result = Map(PLNarrowPath(path));
    if (result == 0)
        BeginRead(path, static_cast<const uint8_t*>(m_pView), m_viewSize);
    return result;
}

void PLFileSource::EndRead()
{
    Unmap();
    PLDataSource::EndRead();
}

int PLFileSource::Map(const std::string& path)
{
    Unmap();
    const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return PLOpenErrorCode(errno, path);
    struct stat info;
    if (fstat(file, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) {
        close(file);
        return PLErr::AccessDenied;
    }
    void* view = mmap(nullptr, size_t(info.st_size), PROT_READ, MAP_PRIVATE, file, 0);
    if (view == MAP_FAILED) {
        close(file);
        return PLErr::AccessDenied;
    }
    posix_madvise(view, size_t(info.st_size), POSIX_MADV_SEQUENTIAL);
    m_file = file;
    m_pView = view;
    m_viewSize = size_t(info.st_size);
    return 0;
}

void PLFileSource::Unmap()
{
    if (m_pView)
        munmap(m_pView, m_viewSize);
    if (m_file >= 0)
        close(m_file);
    m_file = -1;
    m_pView = nullptr;
    m_viewSize = 0;
}
