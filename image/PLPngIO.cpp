#include "image/PLPngIO.h"

#include "image/PLTextException.h"

#include <cstdio>

void PLPngErrors::Hold(const PLTextException& exception)
{
    pendingCode = exception.GetCode();
    snprintf(pendingText, sizeof pendingText, "%s", exception.GetText());
}

void PLPngErrors::Raise(int code)
{
    const int pending = pendingCode;
    char text[sizeof message];
    snprintf(text, sizeof text, "%s", pending ? pendingText : message);
    pendingCode = 0;
    message[0] = 0;
    if (pending)
        throw PLTextException(pending, text);
    RaiseDecoderError(code, "%s", text);
}

void PLPngErrors::OnError(png_structp png, png_const_charp text)
{
    auto* errors = static_cast<PLPngErrors*>(png_get_error_ptr(png));
    snprintf(errors->message, sizeof errors->message, "%s", text);
    png_longjmp(png, 1);
}

void PLPngErrors::OnWarning(png_structp, png_const_charp text)
{
    CodecTraceF(2, "libpng warning: %s\n", text);
}
