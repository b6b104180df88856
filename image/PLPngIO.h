#pragma once

// Error handling between libpng and the codec layer: libpng's errors and exceptions of
// our own callbacks end the guarded call through libpng's long jump, and are thrown
// after it has returned, so no C++ exception crosses libpng's frames.

#include <csetjmp>

#include <png.h>

class PLTextException;

struct PLPngErrors {
    char message[256] = "";
    int pendingCode = 0;
    char pendingText[256] = "";

    // Keeps an exception of a callback; the callback then calls png_error.
    void Hold(const PLTextException& exception);
    // Throws the held exception, or code with libpng's message.
    [[noreturn]] void Raise(int code);

    // For png_create_*_struct: the error pointer is the PLPngErrors.
    static void OnError(png_structp png, png_const_charp text);
    static void OnWarning(png_structp png, png_const_charp text);
};

// Runs step, which calls into libpng; false when libpng ended in an error. The step must
// keep nothing with a destructor on its own frame.
template <class Step>
bool PLPngGuard(png_structp png, Step&& step)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    step();
    return true;
}
