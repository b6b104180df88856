#pragma once
// CFileException: raised by CFile and CMemFile when the operating system refuses an operation.

#include "platform/mfc/Exception.h"

class CFileException : public CException {
public:
    enum {
        none = 0,
        genericException = 1,
        fileNotFound = 2,
        badPath = 3,
        tooManyOpenFiles = 4,
        accessDenied = 5,
        invalidFile = 6,  // an operation on a file that is not open
        badSeek = 7,
        hardIO = 8,
        diskFull = 9,
    };

    explicit CFileException(int cause = none, int osError = 0, const CString& fileName = CString());

    // The cause that an errno value stands for.
    static int ErrnoToCause(int error);

    CString GetErrorMessage() const override;

    int m_cause;
    int m_lOsError;  // errno, 0 when the error did not come from the system
    CString m_strFileName;
};
