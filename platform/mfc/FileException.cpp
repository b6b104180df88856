#include "platform/mfc/FileException.h"

#include <cerrno>
#include <cstring>

namespace {

const wchar_t* CauseText(int cause)
{
    switch (cause) {
        case CFileException::none: return L"No error occurred with %s.";
        case CFileException::fileNotFound: return L"Cannot find %s.";
        case CFileException::badPath: return L"The path of %s is not valid.";
        case CFileException::tooManyOpenFiles: return L"Too many files are open to open %s.";
        case CFileException::accessDenied: return L"Access to %s was denied.";
        case CFileException::invalidFile: return L"Cannot use %s: it is not open.";
        case CFileException::badSeek: return L"Cannot move to that position in %s.";
        case CFileException::hardIO: return L"A hardware error occurred while accessing %s.";
        case CFileException::diskFull: return L"The disk is full while writing %s.";
        default: return L"An unexpected error occurred while accessing %s.";
    }
}

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
    CString name = m_strFileName.IsEmpty() ? CString(L"the file") : L"\"" + m_strFileName + L"\"";
    CString message;
    message.Format(CauseText(m_cause), name.GetString());
    if (m_lOsError != 0)
        message.AppendFormat(L" (%hs)", std::strerror(m_lOsError));
    return message;
}
