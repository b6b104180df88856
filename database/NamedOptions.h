#pragma once
// CNamedOptions ("NamedOptions"): free named values of a model, any name, any typed value.
// Names are kept in the 8-bit system code page and ordered byte-wise, which is the order of
// GetOptionName. Setting an empty value removes the name. Nothing is posted.

#include <map>
#include <string>

#include "database/OptionsProvider.h"

class CNamedOptions : public COptionsProvider {
public:
    CString GetName() const override { return L"NamedOptions"; }
    int GetOptionCount() const override { return static_cast<int>(m_options.size()); }
    CString GetOptionName(int index) const override;
    // Always true.
    bool SetOption(const CString& name, const orbisk::utils::CTypedValue& value) override;
    orbisk::utils::CTypedValue GetOption(const CString& name) const override;
    bool IsSavedWithModel(const CString&) const override { return true; }
    bool IsSecondaryFlagSet(const CString&) const override { return false; }
    void ResetDefaults() override {}
    std::unique_ptr<COptionsProvider> Clone() const override
    {
        return std::make_unique<CNamedOptions>(*this);
    }
    void MakeCurrent() override {}

private:
    std::map<std::string, orbisk::utils::CTypedValue> m_options;
};
