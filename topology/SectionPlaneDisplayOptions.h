#pragma once
// ISectionPlaneDisplayOptions: the display settings of section planes beside the colours of
// IRenderingOptions: whether planes and cuts show, and the colours and width they draw with.
// The rendering options implement both; a section plane finds this one on the options of its
// view. Options without it show the planes and no cuts.

#include <cstdint>

#include "database/IRenderingOptions.h"

class ISectionPlaneDisplayOptions {
public:
    // Bits of GetSectionDisplay.
    enum : int32_t { kPlanesShown = 1, kCutsShown = 2 };

    virtual ~ISectionPlaneDisplayOptions() = default;

    virtual int32_t GetSectionDisplay() const = 0;
    // The symbol of the plane whose cut shows (property 40) and of every other plane (41): the
    // stored names read the other way round, the drawing follows the property numbers.
    virtual orbisk::utils::CColor GetInactiveSectionColor() const = 0;
    virtual orbisk::utils::CColor GetActiveSectionColor() const = 0;
    // Cut lines; the all-zero colour leaves the view's colour.
    virtual orbisk::utils::CColor GetSectionCutColor() const = 0;
    // Pixels.
    virtual int32_t GetSectionCutWidth() const = 0;
};

// The section settings of the options, or null when they have none (or there are no options).
inline const ISectionPlaneDisplayOptions* GetSectionPlaneDisplayOptions(const IRenderingOptions* options)
{
    return dynamic_cast<const ISectionPlaneDisplayOptions*>(options);
}
