#pragma once

#include "image/PLDataSource.h"

// A source over the caller's memory, which must outlive the reading.
class PLMemSource : public PLDataSource {
public:
    int OpenMemory(const uint8_t* data, size_t size)
    {
        BeginRead("Mem", data, size);
        return 0;
    }
};
