#include "image/PLFilter.h"

#include "image/PLAnyBmp.h"

void PLFilter::Apply(PLBmp& bmp) const
{
    PLAnyBmp result;
    ApplyFilter(bmp, result);
    bmp.CreateConvertedCopy(result, PLPixelFormat());
}

void PLFilter::ApplyFilter(const PLBmp& source, PLBmp& destination) const
{
    if (&source != &destination)
        destination.CreateConvertedCopy(source, PLPixelFormat());
    Apply(destination);
}
