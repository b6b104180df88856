#pragma once

#include "image/PLObject.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Receives the fraction of a source read so far, 0 to 1. Called from inside the codec
// libraries, so it must not throw.
class IProgressNotification {
public:
    virtual ~IProgressNotification() = default;
    virtual void OnProgress(double fraction) noexcept = 0;
};

// Byte input of every decoder: one contiguous block and a read position. Reads hand out
// pointers into the block without copying; every read, peek and seek is checked against
// the size and fails with code 11, "End of file reached while decoding.\n", leaving the
// position where it was.
class PLDataSource : public PLObject {
public:
    explicit PLDataSource(IProgressNotification* progress = nullptr) : m_pProgress(progress) {}
    PLDataSource(const PLDataSource&) = delete;
    PLDataSource& operator=(const PLDataSource&) = delete;

    virtual void EndRead();

    const uint8_t* PeekBytes(size_t count) const;
    const uint8_t* ReadBytes(size_t count);
    const uint8_t* GetCurrentPointer() const { return m_pStart + m_position; }
    void Seek(size_t position);

    // The file path, "Mem", or "Wide" when the name was given wide (then see GetWideName).
    const std::string& GetName() const { return m_name; }
    const std::wstring& GetWideName() const { return m_wideName; }
    bool NameIsWide() const { return m_nameIsWide; }
    size_t GetFileSize() const { return m_size; }
    size_t GetPosition() const { return m_position; }
    size_t GetBytesLeft() const { return m_size - m_position; }
    IProgressNotification* GetProgressNotification() const { return m_pProgress; }

protected:
    void BeginRead(const char* name, const uint8_t* start, size_t size);
    void BeginRead(const wchar_t* name, const uint8_t* start, size_t size);

private:
    [[noreturn]] static void RaiseEndOfData();

    std::string m_name;
    std::wstring m_wideName;
    bool m_nameIsWide = false;
    const uint8_t* m_pStart = nullptr;
    size_t m_size = 0;
    size_t m_position = 0;
    IProgressNotification* m_pProgress;
};
