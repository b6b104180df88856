#pragma once
// The system colours that the display settings stand for while they hold no colour of their
// own: the window background and the window text. One provider answers for the whole process.
// The platform's provider asks the system queries (the display's colours in programs with a
// window, Windows' defaults, white and black, elsewhere); tests install one with fixed answers.

#include "support/Color.h"

class ISystemColorProvider {
public:
    virtual ~ISystemColorProvider() = default;

    // Both opaque.
    virtual orbisk::utils::CColor GetWindowColor() const = 0;
    virtual orbisk::utils::CColor GetWindowTextColor() const = 0;
};

// The installed provider; the platform's until another is installed.
const ISystemColorProvider& GetSystemColorProvider();
// Installs a provider (not owned; it must outlive its use), null for the platform's; returns
// the one installed before (null for the platform's).
const ISystemColorProvider* SetSystemColorProvider(const ISystemColorProvider* provider);
