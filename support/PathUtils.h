#pragma once
// Paths and the file system. Paths are wide strings, normalised to forward slashes;
// every function that builds a path returns it normalised. The file system is reached
// with the paths' UTF-8 form.

#include <cstdio>
#include <memory>
#include <string>

namespace orbisk::utils {

// Backslashes become slashes; after the prefix ("http://", "file://", "smb://", a
// drive "C:/" or "C:", else the first character) runs of slashes become one and the
// characters " * : < > ? | and controls become "_"; a trailing slash is dropped unless
// it follows a colon or is the whole path (the root "/" stays "/").
std::wstring NormalizePath(std::wstring path);

// folder + "/" + name, normalised; no "/" is added after a folder ending in "/" or "\",
// a leading "/" or "\" of the name is dropped, an empty folder gives the name alone.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);

// base + "." + extension; no "." is added when the extension starts with one; an empty
// extension gives the base. Not normalised.
std::wstring AppendExtension(const std::wstring& base, const std::wstring& extension);

// The text after the last "." when that dot follows the last "/" of the normalised
// path, without the dot; else empty.
std::wstring GetFileExtension(const std::wstring& path);

// The file name part of the path, with its extension (and dot) when asked; empty when
// the name or the extension is longer than 255 characters.
std::wstring GetFileName(const std::wstring& path, bool withExtension);

// Drive and folder part of the path, normalised.
std::wstring GetFolder(const std::wstring& path);

bool PathExists(const std::wstring& path);
bool IsDirectory(const std::wstring& path);
bool IsRegularFile(const std::wstring& path);

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The opened file (fopen modes), or null when either argument is empty or the open fails.
FilePtr OpenFile(const std::wstring& path, const std::wstring& mode);

// Creates the folder and its missing parents; true when the folder exists at the end.
bool CreateDirectories(const std::wstring& path);

// Creates a new folder in `parent` named `prefix` + the local time as "%d%d%d%d%d%d"
// (year, month, day, hour, minute, second), with counters 0, 1, ... appended one after
// another while the name is taken. Stores the new path in `prefix`; true when it exists.
bool CreateUniqueDirectory(const std::wstring& parent, std::wstring& prefix);

// Removes the folder; with `recursive`, first everything in it (symbolic links are
// removed, never followed). Returns whether the folder still exists afterwards.
bool RemoveDirectoryTree(const std::wstring& folder, bool recursive);

void GetTempFolder(std::wstring& path);

}  // namespace orbisk::utils
