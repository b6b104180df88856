#include "image/PLTextException.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kMessageBuffer = 256;

int g_TraceLevel = 0;
std::string g_TracePath;

void FormatInto(char (&buffer)[kMessageBuffer], const char* format, va_list args)
{
    vsnprintf(buffer, sizeof buffer, format, args);
}

}  // namespace

void RaiseDecoderError(int code, const char* format, ...)
{
    char message[kMessageBuffer];
    va_list args;
    va_start(args, format);
    FormatInto(message, format, args);
    va_end(args);

    static constexpr char kPrefix[] = "Decoder error: ";
    const size_t room = kMessageBuffer - 1 - (sizeof kPrefix - 1) - 1;  // prefix and "\n"
    std::string text = kPrefix;
    text.append(message, std::min(strlen(message), room));
    text += '\n';
    CodecTrace(0, text.c_str());
    throw PLTextException(code, std::move(text));
}

void CodecTrace(int level, const char* message)
{
    if (level > g_TraceLevel || g_TracePath.empty())
        return;
    FILE* file = fopen(g_TracePath.c_str(), "a");
    if (!file)
        return;
    fputs(message, file);
    fclose(file);
}

void CodecTraceF(int level, const char* format, ...)
{
    if (level > g_TraceLevel || g_TracePath.empty())
        return;
    char message[kMessageBuffer];
    va_list args;
    va_start(args, format);
    FormatInto(message, format, args);
    va_end(args);
    CodecTrace(level, message);
}

void SetCodecTrace(int level, const char* path)
{
    g_TraceLevel = level;
    g_TracePath = path ? path : "";
}
