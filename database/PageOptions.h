#pragma once
// CPageOptions ("PageOptions"): how scenes are shown. The current instance (the current
// model's) is what scene playback reads through the static accessors, which answer the
// defaults while none is current. Every successful SetOption posts "Option Provider Changed".

#include "database/FixedOptionsProvider.h"

struct CPageValues {
    bool showTransition = true;
    // Seconds of a transition whose scene has no time of its own.
    double transitionTime = 1.5;
};

class CPageOptions : public CFixedOptionsProvider<CPageOptions, CPageValues> {
public:
    static constexpr std::array<COptionField<CPageValues>, 2> kOptions{{
        {L"ShowTransition", &CPageValues::showTransition},
        {L"TransitionTime", &CPageValues::transitionTime},
    }};

    CString GetName() const override { return L"PageOptions"; }
    bool SetOption(const CString& name, const orbisk::utils::CTypedValue& value) override
    {
        return StoreAndAnnounce(name, value);
    }
    bool IsSavedWithModel(const CString&) const override { return true; }
    bool IsSecondaryFlagSet(const CString&) const override { return true; }

    static bool GetShowTransition() { return CurrentValues().showTransition; }
    static double GetTransitionTime() { return CurrentValues().transitionTime; }
};
