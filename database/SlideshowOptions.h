#pragma once
// CSlideshowOptions ("SlideshowOptions"): how the slideshow plays the scenes. The current
// instance (the current model's) is what the slideshow reads through the static accessors,
// which answer the defaults while none is current. Every successful SetOption posts "Option
// Provider Changed".

#include "database/FixedOptionsProvider.h"

struct CSlideshowValues {
    bool loopSlideshow = true;
    // Seconds the slideshow stays on a scene that has no delay of its own.
    double slideTime = 1.0;
};

class CSlideshowOptions : public CFixedOptionsProvider<CSlideshowOptions, CSlideshowValues> {
public:
    static constexpr std::array<COptionField<CSlideshowValues>, 2> kOptions{{
        {L"LoopSlideshow", &CSlideshowValues::loopSlideshow},
        {L"SlideTime", &CSlideshowValues::slideTime},
    }};

    CString GetName() const override { return L"SlideshowOptions"; }
    bool SetOption(const CString& name, const orbisk::utils::CTypedValue& value) override
    {
        return StoreAndAnnounce(name, value);
    }
    bool IsSavedWithModel(const CString&) const override { return true; }
    bool IsSecondaryFlagSet(const CString&) const override { return true; }

    static bool GetLoopSlideshow() { return CurrentValues().loopSlideshow; }
    static double GetSlideTime() { return CurrentValues().slideTime; }
};
