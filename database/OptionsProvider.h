#pragma once
// COptionsProvider: a small named set of options that belongs to a model but is not an entity
// (units, scene and slideshow timing, printing, free named values). Options are read and
// written as typed values by name. Every kind registers one prototype at start-up
// (database/OptionsManager.h); every model holds a clone of each and makes them current when it
// becomes the current model.
//
// COptionChangeInfo is the payload of "Option Provider Changed".

#include <memory>

#include "platform/mfc/String.h"
#include "support/TypedValue.h"

class COptionsProvider {
public:
    virtual ~COptionsProvider() = default;
    virtual CString GetName() const = 0;
    virtual int GetOptionCount() const = 0;
    // Empty outside 0 to GetOptionCount() - 1.
    virtual CString GetOptionName(int index) const = 0;
    virtual bool SetOption(const CString& name, const orbisk::utils::CTypedValue& value) = 0;
    // An empty value (type 0) for a name the provider does not have.
    virtual orbisk::utils::CTypedValue GetOption(const CString& name) const = 0;
    // Whether the option is written with the model.
    virtual bool IsSavedWithModel(const CString& name) const = 0;
    // A fixed yes/no answer of each kind that nothing in the program reads.
    virtual bool IsSecondaryFlagSet(const CString& name) const = 0;
    virtual void ResetDefaults() = 0;
    // A new provider of the same kind with the same values.
    virtual std::unique_ptr<COptionsProvider> Clone() const = 0;
    // The provider becomes the one the process-wide accessors of its kind read.
    virtual void MakeCurrent() = 0;
};

struct COptionChangeInfo {
    COptionsProvider* provider;
    CString name;
};

// Posts "Option Provider Changed" with the provider and the option name.
void PostOptionChanged(COptionsProvider& provider, const CString& name);
