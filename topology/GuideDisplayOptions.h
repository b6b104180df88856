#pragma once
// IGuideDisplayOptions: the display settings of guide lines and guide points beside the colours
// of IRenderingOptions: whether guides show at all and their colour. The rendering options
// implement both; a guide finds this one on the options of its view. Options without it show
// guides in the edge colour.

#include "database/IRenderingOptions.h"

class IGuideDisplayOptions {
public:
    virtual ~IGuideDisplayOptions() = default;

    // Set hides every guide, selected or not.
    virtual bool AreGuidesHidden() const = 0;
    virtual orbisk::utils::CColor GetGuideColor() const = 0;
};

// The guide settings of the options, or null when they have none (or there are no options).
inline const IGuideDisplayOptions* GetGuideDisplayOptions(const IRenderingOptions* options)
{
    return dynamic_cast<const IGuideDisplayOptions*>(options);
}
