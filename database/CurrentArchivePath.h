#pragma once
// The path of the model file being read or written, empty otherwise: process-wide, set by the
// model's reader around a file. Readers of linked files (a scene's photo) resolve a stored path
// that begins with ".\" against the folder of this path. Paths here are stored Windows text.

#include "platform/mfc/String.h"

inline CString& CurrentArchivePath()
{
    static CString path;
    return path;
}

// Sets the path for its lifetime and puts the earlier one back.
class CCurrentArchivePathScope {
public:
    explicit CCurrentArchivePathScope(const CString& path) : m_previous(CurrentArchivePath())
    {
        CurrentArchivePath() = path;
    }
    ~CCurrentArchivePathScope() { CurrentArchivePath() = m_previous; }
    CCurrentArchivePathScope(const CCurrentArchivePathScope&) = delete;
    CCurrentArchivePathScope& operator=(const CCurrentArchivePathScope&) = delete;

private:
    CString m_previous;
};
