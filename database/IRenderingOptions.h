#pragma once
// IRenderingOptions: the display settings of a model as drawing elements and the options read
// them: the colours an element is drawn in, colouring by layer, showing hidden geometry and the
// drawing axes, and the transparency and X-ray settings a texture binds with. The rendering
// options class implements it.

#include "support/Color.h"

class IRenderingOptions {
public:
    using CColor = orbisk::utils::CColor;

    virtual ~IRenderingOptions() = default;

    // The colour of elements that have none of their own; no colour (all bytes 0) stands for
    // the system colour.
    virtual CColor GetEdgeColor() const = 0;
    // Selected elements, and those selected with the second highlight.
    virtual CColor GetSelectedColor() const = 0;
    virtual CColor GetLockedColor() const = 0;
    virtual bool IsColorByLayer() const = 0;
    virtual bool IsHiddenGeometryShown() const = 0;
    virtual bool GetTransparencyEnabled() const = 0;
    virtual bool GetXRay() const = 0;
    // A fraction, 1 opaque.
    virtual double GetXRayOpacity() const = 0;
    // With its change notice, as every setter of the options.
    virtual void SetAxesShown(bool shown) = 0;
};
