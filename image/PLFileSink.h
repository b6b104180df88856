#pragma once

#include "image/PLDataSink.h"

#include <vector>

// A sink into a file. The bytes collect in memory, which grows as needed (the capacity
// given to OpenFile is only the first size), and go to the file at Close, which leaves
// the file exactly as long as the bytes written.
class PLFileSink : public PLDataSink {
public:
    ~PLFileSink() override;

    // 0, or the codec error code: 3 folder missing, 5 access refused, 4 otherwise. The file
    // is created or emptied at once.
    int OpenFile(const char* path, size_t capacity);
    int OpenFile(const wchar_t* path, size_t capacity);
    // Writes the file; a failed write throws code 11 with the system's reason.
    void Close() override;

protected:
    bool Grow(size_t needed) override;

private:
    int Create(const std::string& path, size_t capacity);
    // The system's error number, 0 when the file was written and closed.
    int WriteAndClose();

    int m_file = -1;
    std::vector<uint8_t> m_buffer;
};
