#pragma once
// CFixedOptionsProvider: the shared body of the providers whose options are a fixed table of
// typed fields (units, scene transitions, slideshow, printing). A kind supplies its value
// record `Values` (the fields with their defaults as member initialisers), the table
// `kOptions` in index order, its name and the rest of the provider contract; this base answers
// the count, the names and the values, converts and stores by name, clones, and keeps the
// process-wide current instance of the kind.
//
// A kind's `Fallback()` gives the values the accessors read while no instance is current, and
// that ResetDefaults copies: the defaults unless the kind hides it with a set of its own.

#include <array>
#include <variant>

#include "database/OptionsProvider.h"

template <class Values>
struct COptionField {
    using Member = std::variant<int32_t Values::*, bool Values::*, float Values::*, double Values::*>;
    const wchar_t* name;
    Member member;
};

template <class Self, class Values>
class CFixedOptionsProvider : public COptionsProvider {
public:
    CFixedOptionsProvider() = default;
    CFixedOptionsProvider(const CFixedOptionsProvider& other)
        : COptionsProvider(other), m_values(other.m_values)
    {}
    CFixedOptionsProvider& operator=(const CFixedOptionsProvider&) = delete;
    ~CFixedOptionsProvider() override
    {
        if (s_current == this)
            s_current = nullptr;
    }

    int GetOptionCount() const override { return static_cast<int>(Self::kOptions.size()); }
    CString GetOptionName(int index) const override
    {
        return index >= 0 && index < GetOptionCount()
                   ? CString(Self::kOptions[static_cast<size_t>(index)].name)
                   : CString();
    }
    orbisk::utils::CTypedValue GetOption(const CString& name) const override
    {
        const COptionField<Values>* option = Find(name);
        if (!option)
            return {};
        return std::visit([this](auto member) { return orbisk::utils::CTypedValue(m_values.*member); },
                          option->member);
    }
    void ResetDefaults() override { m_values = Self::Fallback(); }
    std::unique_ptr<COptionsProvider> Clone() const override
    {
        return std::make_unique<Self>(static_cast<const Self&>(*this));
    }
    void MakeCurrent() override { s_current = static_cast<Self*>(this); }

    const Values& GetValues() const { return m_values; }
    static Self* GetCurrent() { return s_current; }
    // The current instance's values, or Fallback().
    static Values& CurrentValues() { return s_current ? s_current->m_values : Self::Fallback(); }
    static Values& Fallback()
    {
        static Values defaults;
        return defaults;
    }

protected:
    // Converts the value to the option's type and stores it; false, nothing changed, for a name
    // the kind does not have or a value that does not convert.
    bool StoreOption(const CString& name, const orbisk::utils::CTypedValue& value)
    {
        const COptionField<Values>* option = Find(name);
        if (!option)
            return false;
        try {
            std::visit([&](auto member) { Convert(value, m_values.*member); }, option->member);
        } catch (const orbisk::utils::CConversionError&) {
            return false;
        }
        return true;
    }
    // StoreOption, then "Option Provider Changed" when it stored.
    bool StoreAndAnnounce(const CString& name, const orbisk::utils::CTypedValue& value)
    {
        if (!StoreOption(name, value))
            return false;
        PostOptionChanged(*this, name);
        return true;
    }

    Values m_values;

private:
    static const COptionField<Values>* Find(const CString& name)
    {
        for (const COptionField<Values>& option : Self::kOptions) {
            if (name == option.name)
                return &option;
        }
        return nullptr;
    }
    static void Convert(const orbisk::utils::CTypedValue& value, int32_t& out) { out = value.GetInt(); }
    static void Convert(const orbisk::utils::CTypedValue& value, bool& out) { out = value.GetBool(); }
    static void Convert(const orbisk::utils::CTypedValue& value, float& out) { out = value.GetFloat(); }
    static void Convert(const orbisk::utils::CTypedValue& value, double& out) { out = value.GetDouble(); }

    static inline Self* s_current = nullptr;
};
