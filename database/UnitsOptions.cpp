#include "database/UnitsOptions.h"

#include <string>

#include "database/MaterialNotification.h"
#include "support/SystemQueries.h"

bool CUnitsOptions::SetOption(const CString& name, const orbisk::utils::CTypedValue& value)
{
    if (!StoreOption(name, value))
        return false;
    if (name == L"LengthFormat" || name == L"LengthUnit")
        PostMaterialNotification(nullptr, kMaterialUnitsChanged);
    PostOptionChanged(*this, name);
    return true;
}

int32_t CUnitsOptions::GetEffectiveLengthUnit()
{
    switch (GetLengthFormat()) {
        case kFormatArchitectural: return kUnitInches;
        case kFormatEngineering: return kUnitFeet;
        default: return CurrentValues().lengthUnit;
    }
}

wchar_t GetDecimalSeparator()
{
    static const wchar_t separator = orbisk::utils::GetLocaleDecimalPoint();
    return separator;
}

double ParseNumber(const CString& text)
{
    double value = 0.0;
    orbisk::utils::ParseLocaleDouble(std::wstring(text.GetString()), value);
    return value;
}
