#pragma once
// COptionsManager: a model's options providers, in registration order, owned. The options
// registry is the process-wide manager of prototypes: the system's five kinds are registered
// during static initialisation in this order: "UnitsOptions", "NamedOptions", "PageOptions",
// "SlideshowOptions", "PrintOptions". A model's manager holds a clone of each.
//
// Record (version 2 is written): version, provider count (signed 32-bit each), then per
// provider its name (archive string) and (option name, typed value) pairs of the options saved
// with the model, in index order, ended by an empty option name. Reading hands each value to
// the provider of that name through SetOption; values of unknown providers are skipped, except
// the "AxisOptions" / "DisplayAxes" value of version 1 records, which sets whether the current
// model's rendering options show the axes.

#include <memory>
#include <vector>

#include "database/OptionsProvider.h"

class CArchive;

class COptionsManager {
public:
    COptionsManager() = default;
    COptionsManager(const COptionsManager&) = delete;
    COptionsManager& operator=(const COptionsManager&) = delete;

    void Add(std::unique_ptr<COptionsProvider> provider);
    int GetCount() const { return static_cast<int>(m_providers.size()); }
    // Null outside the count.
    COptionsProvider* GetAt(int index) const;
    // The first provider of that name (exact, case-sensitive), or null.
    COptionsProvider* FindProvider(const CString& name) const;
    // MakeCurrent on every provider, in order.
    void MakeAllCurrent();

    void Serialize(CArchive& ar);

private:
    void Read(CArchive& ar);
    void Write(CArchive& ar) const;

    std::vector<std::unique_ptr<COptionsProvider>> m_providers;
};

// Appends a prototype to the registry.
void RegisterOptionsProvider(std::unique_ptr<COptionsProvider> provider);
// The registry, or null before the first registration.
const COptionsManager* GetOptionsRegistry();
// A new manager with a clone of every registered prototype, in registry order.
std::unique_ptr<COptionsManager> CreateOptionsManager();
// Copies every option of the provider into the registered prototype of the same name, so that
// later models start with these values; false when no prototype has the name.
bool CopyToRegisteredDefaults(const COptionsProvider& provider);
