#pragma once
// CFile: a binary file over a POSIX file descriptor, unbuffered (CArchive does the buffering).
// Paths are wide and reach the system as UTF-8. Share flags are accepted and ignored: POSIX
// has no mandatory sharing modes. Failures raise CFileException, except in Open, which reports
// them through its result.

#include <cstdint>

#include "platform/mfc/String.h"

class CFileException;

class CFile {
public:
    enum OpenFlags : uint32_t {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,  // always the case here: descriptors are opened close-on-exec
        modeCreate = 0x1000,     // create, or truncate an existing file unless modeNoTruncate
        modeNoTruncate = 0x2000,
        typeText = 0x4000,  // files are always binary
        typeBinary = 0x8000,
    };
    enum SeekPosition : uint32_t { begin = 0, current = 1, end = 2 };

    CFile() = default;
    // Opens the file or raises CFileException.
    CFile(const wchar_t* path, uint32_t openFlags);
    virtual ~CFile();

    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // False when the file cannot be opened; the cause goes to error when one is given.
    bool Open(const wchar_t* path, uint32_t openFlags, CFileException* error = nullptr);

    // Reads up to count bytes; fewer only at the end of the file.
    virtual uint32_t Read(void* buffer, uint32_t count);
    virtual void Write(const void* buffer, uint32_t count);
    // Returns the new position from the start.
    virtual uint64_t Seek(int64_t offset, uint32_t from);
    virtual uint64_t GetPosition() const;
    virtual uint64_t GetLength() const;
    virtual void Close();
    // Closes without raising anything.
    virtual void Abort();

    void SeekToBegin() { Seek(0, begin); }
    uint64_t SeekToEnd() { return Seek(0, end); }

    // The path as given to Open; GetFileName is its last component.
    CString GetFilePath() const { return m_strFileName; }
    CString GetFileName() const;

protected:
    [[noreturn]] void ThrowFileException(int cause, int osError = 0) const;

    CString m_strFileName;

private:
    void CheckOpen() const;

    int m_descriptor = -1;
};
