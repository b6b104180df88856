#pragma once

#include "image/PLFilter.h"

// Turns a bitmap upside down.
class PLFilterFlip : public PLFilter {
public:
    void ApplyFilter(const PLBmp& source, PLBmp& destination) const override;
};
