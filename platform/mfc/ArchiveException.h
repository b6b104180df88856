#pragma once
// CArchiveException: raised by CArchive. The cause numbers are fixed; callers compare m_cause.

#include "platform/mfc/Exception.h"

class CArchiveException : public CException {
public:
    enum {
        none = 0,
        genericException = 1,  // a malformed record
        readOnly = 2,          // writing into an archive that is loading
        endOfFile = 3,         // a record cut short, or a length beyond the end of the data
        writeOnly = 4,         // reading from an archive that is storing
        badIndex = 5,          // a class or object number that names nothing read so far
        badClass = 6,          // an unknown class name, or a class of the wrong kind
        badSchema = 7,         // a non-versionable class stored under another schema
    };

    explicit CArchiveException(int cause = none, const CString& archiveName = CString());

    CString GetErrorMessage() const override;

    int m_cause;
    CString m_strFileName;
};

// For records that find their own data malformed (usually with genericException).
[[noreturn]] void AfxThrowArchiveException(int cause, const wchar_t* archiveName = nullptr);
