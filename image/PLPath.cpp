#include "image/PLPath.h"

#include "image/PLTextException.h"
#include "platform/mfc/TextEncoding.h"

#include <cerrno>
#include <sys/stat.h>

namespace {

bool FolderExists(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    struct stat info;
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::string PLNarrowPath(const wchar_t* path)
{
    return WideToUtf8(path);
}

std::string PLMessageName(const wchar_t* path)
{
    std::string name = PLNarrowPath(path);
    if (name.size() + 1 >= 900)
        return "{{Filename too long}}";
    return name;
}

int PLOpenErrorCode(int error, const std::string& path)
{
    switch (error) {
        case ENOTDIR: return PLErr::PathNotFound;
        case ENOENT: return FolderExists(path) ? PLErr::FileNotFound : PLErr::PathNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
        case ETXTBSY:
        case EISDIR: return PLErr::AccessDenied;
        default: return PLErr::FileNotFound;
    }
}
