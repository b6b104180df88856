#pragma once

// The glue between libjpeg and the codec layer: an error manager that turns libjpeg's
// errors into codec exceptions without letting one cross libjpeg's frames, a source
// manager over memory and a destination manager into a data sink.

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include <jpeglib.h>

class PLDataSink;
class PLDataSource;
class PLTextException;

// libjpeg's standard error manager whose error exit keeps the message and jumps back to
// the guarded call (PLJpegGuard); the exception is thrown there. An exception raised in one
// of our callbacks is held here meanwhile. Plain data, so that libjpeg's pointer to its
// first member leads back to the whole.
struct PLJpegErrorManager {
    jpeg_error_mgr pub;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    int pendingCode;
    char pendingText[256];

    // Installs the manager on a compressor or decompressor before it is created.
    void Install(jpeg_common_struct* info);
    // Keeps an exception of a callback until the guarded call has returned.
    void Hold(const PLTextException& exception);
    // Ends the guarded call with our own message, as libjpeg's error exit does with its own.
    [[noreturn]] void Exit(jpeg_common_struct* info, const char* text);
    // Throws the held exception, or code 6 with libjpeg's message.
    [[noreturn]] void Raise();
};

// Runs step, which calls into libjpeg; false when libjpeg ended in its error exit. The step
// must keep nothing with a destructor on its own frame.
template <class Step>
bool PLJpegGuard(PLJpegErrorManager& errors, Step&& step)
{
    if (setjmp(errors.jump))
        return false;
    step();
    return true;
}

// Reads data in place. Running out of data is a warning: an End-Of-Image marker follows,
// so a truncated file decodes with its missing part filled by libjpeg. The progress target
// receives the decoder's progress, and a file with an absurd number of scans is refused.
void JpegMemorySource(j_decompress_ptr info, const uint8_t* data, size_t size, PLDataSource* progressTarget);

// Writes through PLDataSink::WriteBytes in blocks of 8,192 bytes.
void JpegSinkDestination(j_compress_ptr info, PLDataSink* sink);
