#include "settings/SystemColors.h"

#include "support/SystemQueries.h"

namespace {

class CPlatformSystemColors : public ISystemColorProvider {
public:
    orbisk::utils::CColor GetWindowColor() const override { return orbisk::utils::GetDefaultWindowColor(); }
    orbisk::utils::CColor GetWindowTextColor() const override
    {
        return orbisk::utils::GetDefaultWindowTextColor();
    }
};

const CPlatformSystemColors s_platformColors;
const ISystemColorProvider* s_provider = nullptr;

}  // namespace

const ISystemColorProvider& GetSystemColorProvider()
{
    return s_provider ? *s_provider : s_platformColors;
}

const ISystemColorProvider* SetSystemColorProvider(const ISystemColorProvider* provider)
{
    const ISystemColorProvider* previous = s_provider;
    s_provider = provider;
    return previous;
}
