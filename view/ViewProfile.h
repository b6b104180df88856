#pragma once
// The view's profile values: per-user integers under the application's registry key
// (HKEY_CURRENT_USER "Software\Quenta\Viewer\<section>"), where the application keeps its
// profile. Without a readable value the default is answered.

int ReadViewProfileInt(const wchar_t* section, const wchar_t* entry, int defaultValue);
// False when the value cannot be written.
bool WriteViewProfileInt(const wchar_t* section, const wchar_t* entry, int value);
