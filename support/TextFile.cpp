#include "support/TextFile.h"

#include "platform/mfc/TextEncoding.h"

#include <cstring>
#include <string>
#include <string_view>

namespace orbisk::utils {

namespace {

constexpr size_t kAnsiLineBytes = 1022;
constexpr size_t kUtf8LineBytes = 1023;
constexpr size_t kUtf16LineUnits = 255;
constexpr char32_t kLineSeparator = 0x2028;

// The count of bytes at the end of `bytes` that start a character finished only by
// bytes not yet read.
size_t IncompleteTail(const char* bytes, size_t count)
{
    const auto* data = reinterpret_cast<const unsigned char*>(bytes);
    for (size_t back = 1; back <= 3 && back <= count; ++back) {
        const unsigned char byte = data[count - back];
        if ((byte & 0xC0) == 0x80)
            continue;
        return Utf8SequenceLength(byte) > back ? back : 0;
    }
    return 0;
}

}  // namespace

size_t DecodeUtf8Line(const char* bytes, wchar_t* buffer, size_t capacity, bool& success)
{
    success = true;
    if (capacity == 0)
        return 0;
    const std::string_view text(bytes);
    size_t written = 0;
    for (size_t at = 0; at < text.size() && written + 1 < capacity;) {
        const DecodedCharacter c = DecodeUtf8Character(text.substr(at));
        if (!c.valid) {
            success = false;
            break;
        }
        buffer[written++] = static_cast<wchar_t>(c.value);
        at += c.length;
    }
    buffer[written] = L'\0';
    return written;
}

bool CTextFile::Open(const std::wstring& path)
{
    Close();
    m_encoding = kAnsi;
    m_hasSignature = false;
    m_bigEndian = false;
    m_file = OpenFile(path, L"rb");
    if (!m_file)
        return false;
    unsigned char signature[3] = {};
    if (std::fread(signature, 1, 2, m_file.get()) < 2) {
        Close();
        return false;
    }
    if (signature[0] == 0xFF && signature[1] == 0xFE) {
        m_encoding = kUtf16;
    } else if (signature[0] == 0xFE && signature[1] == 0xFF) {
        m_encoding = kUtf16;
        m_bigEndian = true;
    } else if (signature[0] == 0xEF && signature[1] == 0xBB &&
               std::fread(signature + 2, 1, 1, m_file.get()) == 1 && signature[2] == 0xBF) {
        m_encoding = kUtf8;
    } else {
        std::rewind(m_file.get());
        return true;
    }
    m_hasSignature = true;
    return true;
}

bool CTextFile::ReadLine(CString& line)
{
    line.Empty();
    if (!m_file)
        return false;
    switch (m_encoding) {
        case kUtf8: return ReadUtf8Line(line);
        case kUtf16: return ReadUtf16Line(line);
        default: return ReadAnsiLine(line);
    }
}

bool CTextFile::ReadAnsiLine(CString& line)
{
    char bytes[kAnsiLineBytes + 1];
    if (!std::fgets(bytes, sizeof bytes, m_file.get()))
        return false;
    size_t count = std::strlen(bytes);
    // Text mode on Windows reads "\r\n" as "\n".
    if (count >= 2 && bytes[count - 2] == '\r' && bytes[count - 1] == '\n') {
        bytes[count - 2] = '\n';
        --count;
    }
    line = CString(std::wstring_view(AnsiToWide(std::string_view(bytes, count))));
    return true;
}

bool CTextFile::ReadUtf8Line(CString& line)
{
    char bytes[kUtf8LineBytes + 1];
    if (!std::fgets(bytes, sizeof bytes, m_file.get()))
        return false;
    size_t count = std::strlen(bytes);
    if (count == kUtf8LineBytes && bytes[count - 1] != '\n') {
        // Leave a character cut by the length limit for the next piece.
        const size_t tail = IncompleteTail(bytes, count);
        if (tail > 0 && std::fseek(m_file.get(), -static_cast<long>(tail), SEEK_CUR) == 0) {
            count -= tail;
            bytes[count] = '\0';
        }
    }
    wchar_t wide[kUtf8LineBytes + 1];
    bool success = true;
    const size_t length = DecodeUtf8Line(bytes, wide, count + 1, success);
    line = CString(std::wstring_view(wide, length));
    return success;
}

bool CTextFile::ReadUtf16Unit(char16_t& unit)
{
    unsigned char pair[2];
    if (std::fread(pair, 1, 2, m_file.get()) < 2)
        return false;
    unit = static_cast<char16_t>(m_bigEndian ? (pair[0] << 8 | pair[1]) : (pair[1] << 8 | pair[0]));
    return true;
}

bool CTextFile::ReadUtf16Line(CString& line)
{
    std::wstring text;
    char16_t units[2] = {};
    for (size_t read = 0; read < kUtf16LineUnits && ReadUtf16Unit(units[0]); ++read) {
        // The unit after a high surrogate is read even past the limit, so a pair is never cut.
        const size_t count = IsHighSurrogate(units[0]) && ReadUtf16Unit(units[1]) ? 2 : 1;
        const DecodedCharacter c = DecodeUtf16Character(std::u16string_view(units, count));
        if (c.length < count)
            std::fseek(m_file.get(), -2, SEEK_CUR);
        read += c.length - 1;
        const wchar_t character = c.value == kLineSeparator ? L'\n' : static_cast<wchar_t>(c.value);
        text += character;
        if (character == L'\n')
            break;
    }
    line = CString(std::wstring_view(text));
    return !text.empty();
}

}  // namespace orbisk::utils
