#include "platform/mfc/ArchiveException.h"

namespace {

const wchar_t* CauseText(int cause)
{
    switch (cause) {
        case CArchiveException::none: return L"No error occurred while reading or writing %s.";
        case CArchiveException::readOnly: return L"Cannot write into %s: it is open for reading.";
        case CArchiveException::endOfFile: return L"Unexpected end of data in %s.";
        case CArchiveException::writeOnly: return L"Cannot read from %s: it is open for writing.";
        case CArchiveException::badIndex:
            return L"A reference to an object that does not exist was found in %s.";
        case CArchiveException::badClass:
            return L"An object of an unknown or unexpected class was found in %s.";
        case CArchiveException::badSchema: return L"An object of an unsupported version was found in %s.";
        default: return L"An unexpected format was found in %s.";
    }
}

}  // namespace

CArchiveException::CArchiveException(int cause, const CString& archiveName)
    : m_cause(cause), m_strFileName(archiveName)
{
    SetWhat(GetErrorMessage());
}

CString CArchiveException::GetErrorMessage() const
{
    CString name = m_strFileName.IsEmpty() ? CString(L"the archive") : L"\"" + m_strFileName + L"\"";
    CString message;
    message.Format(CauseText(m_cause), name.GetString());
    return message;
}

void AfxThrowArchiveException(int cause, const wchar_t* archiveName)
{
    throw CArchiveException(cause, CString(archiveName));
}
