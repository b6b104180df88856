#include "platform/mfc/Exception.h"

#include "platform/mfc/TextEncoding.h"

void CException::SetWhat(const CString& message)
{
    m_what = WideToUtf8(message.GetString());
}

CString CException::FormatCauseMessage(std::span<const wchar_t* const> texts, int cause,
                                       const CString& fileName, const wchar_t* unnamed)
{
    const size_t index =
        cause >= 0 && static_cast<size_t>(cause) < texts.size() ? static_cast<size_t>(cause) : 1;
    const CString name = fileName.IsEmpty() ? CString(unnamed) : L"\"" + fileName + L"\"";
    CString message;
    message.Format(texts[index], name.GetString());
    return message;
}
