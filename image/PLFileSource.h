#pragma once

#include "image/PLDataSource.h"

// A source over a whole file mapped read-only into memory.
class PLFileSource : public PLDataSource {
public:
    using PLDataSource::PLDataSource;
    ~PLFileSource() override;

    // 0, or the codec error code: 3 folder missing, 4 file missing, 5 access refused or the
    // file cannot be mapped (an empty file, a folder).
    int OpenFile(const char* path);
    int OpenFile(const wchar_t* path);
    void EndRead() override;

private:
    // Maps path; on success fd, view and size are set.
    int Map(const std::string& path);
    void Unmap();

    int m_file = -1;
    void* m_pView = nullptr;
    size_t m_viewSize = 0;
};
