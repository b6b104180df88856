#include "view/Clock.h"

#include <chrono>

namespace {

class CSteadyClock : public IClock {
public:
    double Now() const override
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    }
};

class CWallClock : public IClock {
public:
    double Now() const override
    {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::system_clock::now().time_since_epoch());
        return static_cast<double>(ms.count()) / 1000.0;
    }
};

}  // namespace

IClock& SteadyClock()
{
    static CSteadyClock clock;
    return clock;
}

IClock& WallClock()
{
    static CWallClock clock;
    return clock;
}
