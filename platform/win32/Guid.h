#pragma once
// The platform GUID and its generator.

#include "platform/win32/WinTypes.h"

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};

// A random (version 4) GUID from the kernel's random source: S_OK, E_INVALIDARG for a
// null target, E_FAIL when no random bytes could be had.
HRESULT CoCreateGuid(GUID* guid);
