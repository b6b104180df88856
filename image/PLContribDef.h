#pragma once

#include "image/PLObject.h"

// The filter kernel of a scaler: the weight of a source pixel at distance x (in source
// pixels) from a destination pixel's centre.
class PLContribDef : public PLObject {
public:
    explicit PLContribDef(double width) : m_width(width) {}
    double GetWidth() const { return m_width; }
    virtual double Filter(double x) const = 0;

protected:
    double m_width;
};

// The triangle kernel: width − |x| inside the width, 0 outside.
class PLBilinearContribDef : public PLContribDef {
public:
    explicit PLBilinearContribDef(double width) : PLContribDef(width) {}
    double Filter(double x) const override
    {
        const double distance = x < 0 ? -x : x;
        return distance < m_width ? m_width - distance : 0;
    }
};
