#include "image/PLPath.h"

#include "image/PLTextException.h"

#include <cerrno>
#include <sys/stat.h>

namespace {

void AppendUtf8(std::string& out, char32_t c)
{
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        c = 0xFFFD;
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

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
    std::string out;
    for (; *path; ++path)
        AppendUtf8(out, char32_t(*path));
    return out;
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
