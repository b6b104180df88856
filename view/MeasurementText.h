#pragma once
// CMeasurementText: the typed-text buffer of the measurement box: the text the user types
// while a tool waits for a value, with a caret the editing keys move. The window view's key
// handling drives it.

#include "platform/mfc/String.h"

class CMeasurementText {
public:
    void Clear();
    // The caret goes to the end.
    void Set(const wchar_t* text);
    // Control characters (below 32) are refused; otherwise inserted at the caret, which moves
    // past it.
    bool InsertChar(wchar_t ch);
    // Backspace, Delete, Home, End, Left and Right; true when the text changed.
    bool HandleKey(int virtualKey);

    CString& GetText() { return m_text; }
    int GetCaret() const { return m_caret; }

private:
    CString m_text;
    int m_caret = 0;
};
