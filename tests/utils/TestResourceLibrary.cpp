// A localised resource library for the tests: the French text of string 101 only.
// Built without the lookup function (ZPH_TEST_NO_LOOKUP) it is a shared object that is
// no resource library.

#include "support/ResourceLibrary.h"

#include <type_traits>

#ifndef ZPH_TEST_NO_LOOKUP
extern "C" __attribute__((visibility("default"))) int ZphFindResource(uint32_t type, uint32_t id,
                                                                      const void** data, size_t* size)
{
    static constexpr char kOpen[] = "Ouvrir \xE2\x80\xA6";
    if (type != ZPH_RESOURCE_STRING || id != 101)
        return 0;
    *data = kOpen;
    *size = sizeof kOpen - 1;
    return 1;
}
static_assert(std::is_same_v<decltype(&ZphFindResource), ZphFindResourceProc>);
#else
extern "C" __attribute__((visibility("default"))) int ZphSomethingElse()
{
    return 0;
}
#endif
