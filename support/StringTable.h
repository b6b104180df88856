#pragma once
// The translations of the user-interface texts, and TranslateString, through which every
// user-visible English text passes.
//
// The table comes from "Localizable.strings" in the language folder. A line counts when
// its first character is a double quote: "key" = "value"; anything between and after
// the quoted texts is ignored. Within them \r, \n and \t stand for carriage return,
// line feed and tab; there is no other escape, so neither text can hold a double
// quote. The first line of a key wins.

#include "platform/mfc/String.h"

#include <cstddef>
#include <map>
#include <string>

namespace orbisk::utils {

class CStringTable {
public:
    // Made and loaded on first use, from the language settled by then.
    static CStringTable& GetInstance();
    // Frees the table; the next GetInstance loads it again.
    static void ReleaseInstance();

    CStringTable() = default;
    // Reads a "Localizable.strings" file; a missing or unreadable one leaves it empty.
    explicit CStringTable(const std::wstring& path);

    // The translation, or the key itself when the key is empty or has none.
    std::wstring Lookup(const std::wstring& key) const;
    size_t GetCount() const { return m_translations.size(); }

private:
    void AddLine(const std::wstring& line);

    std::map<std::wstring, std::wstring> m_translations;
};

// The text (code page 1252) in the user-interface language, or unchanged when there is
// no translation; a null text gives an empty one.
CString TranslateString(const char* english);

}  // namespace orbisk::utils
