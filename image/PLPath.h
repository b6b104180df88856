#pragma once

#include <string>

// File names of the codec layer. Wide names (UTF-32 wchar_t) become UTF-8 for the file
// system; messages quote a name through PLMessageName, which keeps them short.
std::string PLNarrowPath(const wchar_t* path);
// The UTF-8 form for messages, or "{{Filename too long}}" when it would need 900 bytes or more.
std::string PLMessageName(const wchar_t* path);
// The codec error code for a failed open(2) of path: 3 when the folder is missing, 5 when
// access is refused, 4 otherwise.
int PLOpenErrorCode(int error, const std::string& path);
