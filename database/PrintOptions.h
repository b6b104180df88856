#pragma once
// CPrintOptions ("PrintOptions"): what a print needs besides the view. Lengths are inches.
// None of its options is written with the model (the model file keeps only the set's name).
// SetOption posts nothing.

#include "database/FixedOptionsProvider.h"

struct CPrintValues {
    float printWidth = 8.5f;
    float printHeight = 11.0f;
    bool computeSizeFromScale = false;
    // The scale pair: "SizeInModel" of the model prints as "SizeInPrint" on paper.
    float sizeInPrint = 1.0f;
    float sizeInModel = 1.0f;
    bool vectorMode = false;
    bool fitToPage = true;
    int32_t numberOfPages = 1;
    float lineWeight = 0.5f;
    float pixelsPerInch = 150.0f;
    bool sectionSlice = false;
    bool modelExtents = true;
    // Quality preset 0 to 4.
    int32_t printQuality = 0;
    double scaleAdjustment = 1.0;
    double qualityAdjustment = 1.0;
};

class CPrintOptions : public CFixedOptionsProvider<CPrintOptions, CPrintValues> {
public:
    static constexpr std::array<COptionField<CPrintValues>, 15> kOptions{{
        {L"PrintWidth", &CPrintValues::printWidth},
        {L"PrintHeight", &CPrintValues::printHeight},
        {L"ComputeSizeFromScale", &CPrintValues::computeSizeFromScale},
        {L"SizeInPrint", &CPrintValues::sizeInPrint},
        {L"SizeInModel", &CPrintValues::sizeInModel},
        {L"VectorMode", &CPrintValues::vectorMode},
        {L"FitToPage", &CPrintValues::fitToPage},
        {L"NumberOfPages", &CPrintValues::numberOfPages},
        {L"LineWeight", &CPrintValues::lineWeight},
        {L"PixelsPerInch", &CPrintValues::pixelsPerInch},
        {L"SectionSlice", &CPrintValues::sectionSlice},
        {L"ModelExtents", &CPrintValues::modelExtents},
        {L"PrintQuality", &CPrintValues::printQuality},
        {L"ScaleAdjustment", &CPrintValues::scaleAdjustment},
        {L"QualityAdjustment", &CPrintValues::qualityAdjustment},
    }};

    CString GetName() const override { return L"PrintOptions"; }
    bool SetOption(const CString& name, const orbisk::utils::CTypedValue& value) override
    {
        return StoreOption(name, value);
    }
    bool IsSavedWithModel(const CString&) const override { return false; }
    bool IsSecondaryFlagSet(const CString&) const override { return true; }
};
