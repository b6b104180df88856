#include "platform/mfc/FileException.h"

#include <cerrno>
#include <cstring>
#include <iterator>

namespace {

// Indexed by cause.
constexpr const wchar_t* kCauseTexts[] = {
    L"No error occurred with %s.",
    L"An unexpected error occurred while accessing %s.",
    L"Cannot find %s.",
    L"The path of %s is not valid.",
    L"Too many files are open to open %s.",
    L"Access to %s was denied.",
    L"Cannot use %s: it is not open.",
    L"Cannot move to that position in %s.",
    L"A hardware error occurred while accessing %s.",
    L"The disk is full while writing %s.",
};
static_assert(std::size(kCauseTexts) == CFileException::diskFull + 1);

}  // namespace

CFileException::CFileException(int cause, int osError, const CString& fileName)
    : m_cause(cause), m_lOsError(osError), m_strFileName(fileName)
{
    SetWhat(GetErrorMessage());
}

int CFileException::ErrnoToCause(int error)
{
    switch (error) {
        case 0: return none;
        case ENOENT: return fileNotFound;
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP: return badPath;
        case EMFILE:
        case ENFILE: return tooManyOpenFiles;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case ETXTBSY: return accessDenied;
        case EBADF: return invalidFile;
        case ESPIPE:
        case EINVAL:
        case EOVERFLOW: return badSeek;
        case ENOSPC:
        case EDQUOT:
        case EFBIG: return diskFull;
        case EIO: return hardIO;
        default: return genericException;
    }
}

CString CFileException::GetErrorMessage() const
{
    CString message = FormatCauseMessage(kCauseTexts, m_cause, m_strFileName, L"the file");
    if (m_lOsError != 0)
        message.AppendFormat(L" (%hs)", std::strerror(m_lOsError));
    return message;
}
