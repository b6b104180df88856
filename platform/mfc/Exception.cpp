#include "platform/mfc/Exception.h"

#include "platform/mfc/TextEncoding.h"

void CException::SetWhat(const CString& message)
{
    m_what = WideToUtf8(message.GetString());
}
