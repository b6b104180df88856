#include "support/PathUtils.h"

#include "platform/win32/SystemInfo.h"
#include "support/StringUtils.h"
#include "support/SystemQueries.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <iterator>
#include <string_view>
#include <system_error>

namespace orbisk::utils {

namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxNameLength = 255;

fs::path FsPath(const std::wstring& path)
{
    return fs::path(ToUtf8(path));
}

bool StartsWith(std::wstring_view text, std::wstring_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

size_t PrefixLength(std::wstring_view path)
{
    if (StartsWith(path, L"http://") || StartsWith(path, L"file://"))
        return 7;
    if (StartsWith(path, L"smb://"))
        return 6;
    if (path.find(L":/") == 1)
        return 3;
    if (path.find(L':') == 1)
        return 2;
    return 1;
}

bool IsReservedCharacter(wchar_t c)
{
    return (c >= 0 && c < 0x20) || std::wstring_view(L"\"*:<>?|").find(c) != std::wstring_view::npos;
}

bool IsSeparator(wchar_t c)
{
    return c == L'/' || c == L'\\';
}

// The parts of a path as the Windows split gives them: "C:", "/dir/", "name", ".ext".
struct PathParts {
    std::wstring_view drive, folder, name, extension;
};

PathParts SplitPath(std::wstring_view path)
{
    PathParts parts;
    if (path.size() >= 2 && path[1] == L':') {
        parts.drive = path.substr(0, 2);
        path.remove_prefix(2);
    }
    const size_t lastSeparator = path.find_last_of(L"/\\");
    if (lastSeparator != std::wstring_view::npos) {
        parts.folder = path.substr(0, lastSeparator + 1);
        path.remove_prefix(lastSeparator + 1);
    }
    const size_t dot = path.rfind(L'.');
    parts.name = path.substr(0, dot);
    if (dot != std::wstring_view::npos)
        parts.extension = path.substr(dot);
    return parts;
}

fs::file_status Status(const std::wstring& path)
{
    std::error_code error;
    return path.empty() ? fs::file_status() : fs::status(FsPath(path), error);
}

bool MakeDirectory(const std::wstring& path)
{
    std::error_code error;
    return fs::create_directory(FsPath(path), error) && !error;
}

}  // namespace

std::wstring NormalizePath(std::wstring path)
{
    if (path.empty())
        return path;
    for (wchar_t& c : path)
        if (c == L'\\')
            c = L'/';
    const size_t prefix = std::min(PrefixLength(path), path.size());
    std::wstring rest = path.substr(prefix);
    ReplaceAll(rest, L"//", L"/");
    path.replace(prefix, std::wstring::npos, rest);
    const bool trailingSlash = path.size() > 1 && path.back() == L'/';
    if (trailingSlash && path[path.size() - 2] != L':')
        path.pop_back();
    for (size_t i = prefix; i < path.size(); ++i)
        if (IsReservedCharacter(path[i]))
            path[i] = L'_';
    return path;
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name)
{
    if (folder.empty())
        return NormalizePath(name);
    std::wstring_view tail = name;
    if (!tail.empty() && IsSeparator(tail.front()))
        tail.remove_prefix(1);
    std::wstring joined = folder;
    if (!IsSeparator(joined.back()))
        joined += L'/';
    joined += tail;
    return NormalizePath(std::move(joined));
}

std::wstring AppendExtension(const std::wstring& base, const std::wstring& extension)
{
    if (extension.empty())
        return base;
    return extension.front() == L'.' ? base + extension : base + L'.' + extension;
}

std::wstring GetFileExtension(const std::wstring& path)
{
    const std::wstring normalized = NormalizePath(path);
    const size_t dot = normalized.rfind(L'.');
    if (dot == std::wstring::npos)
        return {};
    const size_t slash = normalized.rfind(L'/');
    if (slash != std::wstring::npos && slash > dot)
        return {};
    return normalized.substr(dot + 1);
}

std::wstring GetFileName(const std::wstring& path, bool withExtension)
{
    const PathParts parts = SplitPath(path);
    if (parts.name.size() > kMaxNameLength || parts.extension.size() > kMaxNameLength)
        return {};
    std::wstring name(parts.name);
    if (withExtension)
        name += parts.extension;
    return name;
}

std::wstring GetFolder(const std::wstring& path)
{
    const PathParts parts = SplitPath(path);
    return NormalizePath(std::wstring(parts.drive) + std::wstring(parts.folder));
}

bool PathExists(const std::wstring& path)
{
    return fs::exists(Status(path));
}

bool IsDirectory(const std::wstring& path)
{
    return fs::is_directory(Status(path));
}

bool IsRegularFile(const std::wstring& path)
{
    return fs::is_regular_file(Status(path));
}

FilePtr OpenFile(const std::wstring& path, const std::wstring& mode)
{
    if (path.empty() || mode.empty())
        return nullptr;
    return FilePtr(std::fopen(ToUtf8(path).c_str(), ToUtf8(mode).c_str()));
}

bool CreateDirectories(const std::wstring& path)
{
    if (path.empty())
        return false;
    const std::wstring folder = NormalizePath(path);
    if (IsDirectory(folder))
        return true;
    if (MakeDirectory(folder))
        return true;
    const size_t slash = folder.rfind(L'/');
    if (slash == std::wstring::npos)
        return false;
    if (!CreateDirectories(folder.substr(0, slash)))
        return false;
    MakeDirectory(folder);
    return IsDirectory(folder);
}

bool CreateUniqueDirectory(const std::wstring& parent, std::wstring& prefix)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::wstring stamp;
    Format(stamp, L"%d%d%d%d%d%d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
           local.tm_min, local.tm_sec);
    std::wstring candidate = JoinPath(parent, prefix + stamp);
    for (int counter = 0; IsDirectory(candidate); ++counter)
        candidate += std::to_wstring(counter);
    CreateDirectories(candidate);
    prefix = candidate;
    return IsDirectory(candidate);
}

bool RemoveDirectoryTree(const std::wstring& folder, bool recursive)
{
    if (folder.empty() || !IsDirectory(folder))
        return false;
    if (recursive) {
        std::error_code error;
        for (fs::directory_iterator entry(FsPath(folder), error), end; !error && entry != end;
             entry.increment(error)) {
            const std::wstring child = WideFromUtf8String(entry->path().string());
            std::error_code ignored;
            if (entry->is_directory(ignored) && !entry->is_symlink(ignored))
                RemoveDirectoryTree(child, true);
            else
                fs::remove(entry->path(), ignored);
        }
        if (error)
            DebugTrace("Error: File path cannot does not exist or is not directory\n");
    }
    std::error_code ignored;
    fs::remove(FsPath(folder), ignored);
    return IsDirectory(folder);
}

void GetTempFolder(std::wstring& path)
{
    wchar_t buffer[4096];
    const DWORD length = GetTempPath(std::size(buffer), buffer);
    if (length == 0 || length >= std::size(buffer))
        return;
    path = NormalizePath(buffer);
}

}  // namespace orbisk::utils
