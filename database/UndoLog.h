#pragma once
// CUndoLog: the undo manager's debug log, "ZephyronUndo<n>.log" in the user's temporary folder
// (TMPDIR, else /tmp) with n the first index from 0 to 19 whose file this process can open
// for writing while denying write access to others (an exclusive lock; a file that another
// running instance holds is skipped). The file is truncated when taken. Every write is
// flushed at once. When no name can be taken the log stays closed and writes do nothing.

#include <cstdio>
#include <string>

class CUndoLog {
public:
    static constexpr int kMaxFiles = 20;

    CUndoLog();
    ~CUndoLog();
    CUndoLog(const CUndoLog&) = delete;
    CUndoLog& operator=(const CUndoLog&) = delete;

    bool IsOpen() const { return m_file != nullptr; }
    // The log's full path, empty while closed.
    const std::wstring& GetPath() const { return m_path; }
    // UTF-8 text, written as given (no line end is added).
    void Write(const wchar_t* text);

private:
    std::wstring m_path;
    std::FILE* m_file = nullptr;
};
