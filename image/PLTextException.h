#pragma once

#include "image/PLObject.h"

#include <string>

// Codes carried by PLTextException. The numbers are part of the interface (callers test
// them), so they never change; 9 is unused.
namespace PLErr {
enum : int {
    WrongSignature = 1,  // the data is not of the expected format
    FormatUnknown = 2,   // a value in the file is unknown or out of range
    PathNotFound = 3,
    FileNotFound = 4,
    AccessDenied = 5,  // also: the file cannot be mapped or is empty
    NotSupported = 6,  // a valid variant that is not supported
    Internal = 7,
    UnknownFileType = 8,
    NoMemory = 10,
    EndOfData = 11,    // end of data while decoding, or sink full while encoding
    NotCompiled = 12,  // format or feature not built in
};
}

// The one exception of the codec layer: an error code and a text.
class PLTextException : public PLObject {
public:
    PLTextException(int code, std::string text) : m_code(code), m_text(std::move(text)) {}

    virtual int GetCode() const { return m_code; }
    virtual const char* GetText() const { return m_text.c_str(); }

private:
    int m_code;
    std::string m_text;
};

// Throws code with "Decoder error: <message>\n". The whole text is held to 255 characters:
// a longer message loses its tail, but the prefix and the final line feed stay.
[[noreturn]] void RaiseDecoderError(int code, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Diagnostic trace of the codecs: a message is appended to the trace file when its level
// is at most the trace level and a file is set. Off unless SetCodecTrace names a file.
void CodecTrace(int level, const char* message);
void CodecTraceF(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
void SetCodecTrace(int level, const char* path);
