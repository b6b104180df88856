#pragma once
// ISectionPlaneDisplayOptions: the display settings of section planes beside the colours of
// IRenderingOptions: whether planes and cuts show, and the colours and width they draw with.
// The rendering options implement both; a section plane finds this one on the options of its
// view. Options without it show the planes and no cuts.

#include "model/IRenderingOptions.h"

class ISectionPlaneDisplayOptions {
public:
    // Bits of GetSectionDisplay.
    enum : int { kPlanesShown = 1, kCutsShown = 2 };

    virtual ~ISectionPlaneDisplayOptions() = default;

    virtual int GetSectionDisplay() const = 0;
    // The colours of the active plane's symbol, of the other planes' symbols and of cut lines.
    virtual orbisk::utils::CColor GetActiveSectionPlaneColor() const = 0;
    virtual orbisk::utils::CColor GetSectionPlaneColor() const = 0;
    virtual orbisk::utils::CColor GetSectionCutColor() const = 0;
    // Pixels.
    virtual double GetSectionCutWidth() const = 0;
};

// The section settings of the options, or null when they have none (or there are no options).
inline const ISectionPlaneDisplayOptions* GetSectionPlaneDisplayOptions(const IRenderingOptions* options)
{
    return dynamic_cast<const ISectionPlaneDisplayOptions*>(options);
}
