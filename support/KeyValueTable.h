#pragma once
// The key = value table of the support file "Support/Zephyron.dat": the templates of the
// maker's web addresses and the values of their placeholders.
//
// Lines starting (after blanks) with "/" or "[", and lines without "=", are skipped.
// Key and value are trimmed; the value loses one trailing ";"; each loses one pair of
// surrounding double quotes. Keys are compared without regard to case; a later line
// with the same key replaces the value.

#include <map>
#include <string>

namespace orbisk::utils {

class CKeyValueTable {
public:
    static CKeyValueTable& GetInstance();

    // False, the table staying unloaded, when the file cannot be read. A loaded table
    // stays loaded even when the file held no entry.
    bool Load(const std::wstring& path);
    // Unless the table is loaded: finds "Zephyron.dat" in the folder "Support/" and loads
    // it. Call before every lookup; true when the table is loaded.
    bool LoadSupportFile();
    bool IsLoaded() const { return m_loaded; }

    std::wstring GetValue(const std::wstring& key, const std::wstring& defaultValue = {}) const;

private:
    void AddLine(std::wstring line);

    bool m_loaded = false;
    std::map<std::wstring, std::wstring> m_values;  // by case-folded key
};

}  // namespace orbisk::utils
