#pragma once
// The 16-byte identifier of models and component definitions.

#include "platform/win32/Guid.h"

#include <string>

namespace orbisk::utils {

class CGuid {
public:
    GUID value{};  // the platform layout: a 32-bit field, two 16-bit fields, 8 bytes

    CGuid() = default;

    // Fills the value from the platform's GUID generator; its result code (S_OK on
    // success) is for the caller to check.
    HRESULT Create();

    bool IsNull() const;

    // 36 lower-case characters, "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx", no braces.
    std::wstring ToString() const;

    friend bool operator==(const CGuid& a, const CGuid& b);
};

static_assert(sizeof(CGuid) == 16);

}  // namespace orbisk::utils
