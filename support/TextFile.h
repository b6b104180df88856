#pragma once
// A line reader for text files whose encoding is given by a byte-order signature at the
// start: FF FE is UTF-16 little-endian, FE FF UTF-16 big-endian, EF BB BF UTF-8. A file
// without one is ANSI text (code page 1252).
//
// A line keeps its line feed. In UTF-8 and UTF-16 files a carriage return before it
// stays in the line; ANSI lines end in a bare line feed, as text mode gives them. Long
// lines come in pieces: 1,022 bytes of ANSI, 1,023 bytes of UTF-8 (never cut inside a
// character), 255 UTF-16 units (a surrogate pair is never cut). In UTF-16 a lone
// surrogate reads as U+FFFD.

#include "platform/mfc/String.h"
#include "support/PathUtils.h"

#include <cstddef>
#include <string>

namespace orbisk::utils {

// Decodes one line of UTF-8 up to its first zero byte into `buffer`, writing at most
// capacity - 1 characters and a terminating null (a capacity of the byte count + 1
// always suffices); returns the characters written. `success` starts true and becomes
// false at the first ill-formed sequence (platform/mfc/TextEncoding.h: a stray
// continuation byte, a byte that leads no sequence, a missing continuation byte, an
// over-long form, an encoded surrogate, a value above 10FFFF), where decoding stops; what
// came before stays.
size_t DecodeUtf8Line(const char* bytes, wchar_t* buffer, size_t capacity, bool& success);

class CTextFile {
public:
    enum Encoding { kAnsi = 0, kUtf8 = 1, kUtf16 = 2 };

    // False when the file cannot be opened or is shorter than two bytes.
    bool Open(const std::wstring& path);
    // False at the end of the file. In a UTF-8 file also false for a line holding an
    // invalid sequence (`line` then holds the characters before it), so a reader that
    // loops while this is true stops there.
    bool ReadLine(CString& line);
    void Close() { m_file.reset(); }

    Encoding GetEncoding() const { return m_encoding; }
    bool HasSignature() const { return m_hasSignature; }
    bool IsBigEndian() const { return m_bigEndian; }

private:
    bool ReadAnsiLine(CString& line);
    bool ReadUtf8Line(CString& line);
    bool ReadUtf16Line(CString& line);
    bool ReadUtf16Unit(char16_t& unit);

    FilePtr m_file;
    Encoding m_encoding = kAnsi;
    bool m_hasSignature = false;
    bool m_bigEndian = false;
};

}  // namespace orbisk::utils
