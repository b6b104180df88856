#include "platform/win32/Guid.h"

#include <sys/random.h>

#include <cerrno>
#include <cstring>

namespace {

bool FillRandom(BYTE* bytes, size_t count)
{
    while (count > 0) {
        const ssize_t got = getrandom(bytes, count, 0);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes += got;
        count -= static_cast<size_t>(got);
    }
    return true;
}

}  // namespace

HRESULT CoCreateGuid(GUID* guid)
{
    if (!guid)
        return E_INVALIDARG;
    BYTE bytes[sizeof(GUID)];
    if (!FillRandom(bytes, sizeof bytes))
        return E_FAIL;
    std::memcpy(guid, bytes, sizeof bytes);
    guid->Data3 = static_cast<WORD>((guid->Data3 & 0x0FFF) | 0x4000);    // version 4
    guid->Data4[0] = static_cast<BYTE>((guid->Data4[0] & 0x3F) | 0x80);  // RFC 4122 variant
    return S_OK;
}
