#include "view/MeasurementText.h"

#include <string>

#include "platform/win32/WinTypes.h"

void CMeasurementText::Clear()
{
    m_text.Empty();
    m_caret = 0;
}

void CMeasurementText::Set(const wchar_t* text)
{
    m_text = text ? text : L"";
    m_caret = m_text.GetLength();
}

bool CMeasurementText::InsertChar(wchar_t ch)
{
    if (ch < 32)
        return false;
    std::wstring text(m_text.GetString());
    text.insert(static_cast<size_t>(m_caret), 1, ch);
    m_text = CString(std::wstring_view(text));
    ++m_caret;
    return true;
}

bool CMeasurementText::HandleKey(int virtualKey)
{
    const int length = m_text.GetLength();
    auto eraseAt = [this](int index) {
        std::wstring text(m_text.GetString());
        text.erase(static_cast<size_t>(index), 1);
        m_text = CString(std::wstring_view(text));
    };
    switch (virtualKey) {
        case VK_BACK:
            if (m_caret <= 0)
                return false;
            --m_caret;
            eraseAt(m_caret);
            return true;
        case VK_DELETE:
            if (m_caret >= length)
                return false;
            eraseAt(m_caret);
            return true;
        case VK_END: m_caret = length; return false;
        case VK_HOME: m_caret = 0; return false;
        case VK_LEFT:
            if (m_caret > 0)
                --m_caret;
            return false;
        case VK_RIGHT:
            if (m_caret < length)
                ++m_caret;
            return false;
        default: return false;
    }
}
