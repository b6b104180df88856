#include "platform/mfc/ArchiveException.h"

#include <iterator>

namespace {

// Indexed by cause.
constexpr const wchar_t* kCauseTexts[] = {
    L"No error occurred while reading or writing %s.",
    L"An unexpected format was found in %s.",
    L"Cannot write into %s: it is open for reading.",
    L"Unexpected end of data in %s.",
    L"Cannot read from %s: it is open for writing.",
    L"A reference to an object that does not exist was found in %s.",
    L"An object of an unknown or unexpected class was found in %s.",
    L"An object of an unsupported version was found in %s.",
};
static_assert(std::size(kCauseTexts) == CArchiveException::badSchema + 1);

}  // namespace

CArchiveException::CArchiveException(int cause, const CString& archiveName)
    : m_cause(cause), m_strFileName(archiveName)
{
    SetWhat(GetErrorMessage());
}

CString CArchiveException::GetErrorMessage() const
{
    return FormatCauseMessage(kCauseTexts, m_cause, m_strFileName, L"the archive");
}

void AfxThrowArchiveException(int cause, const wchar_t* archiveName)
{
    throw CArchiveException(cause, CString(archiveName));
}
