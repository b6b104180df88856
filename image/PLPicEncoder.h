#pragma once

#include "image/PLObject.h"

#include <initializer_list>

class PLAnyBmp;
class PLBmp;
class PLDataSink;

// Base of the image encoders: writes one bitmap into a data sink, or into a file through
// a file sink. Errors are PLTextExceptions; a failed file keeps the bytes written so far.
class PLPicEncoder : public PLObject {
public:
    virtual void EncodeFile(const char* path, const PLBmp& bmp);
    virtual void EncodeFile(const wchar_t* path, const PLBmp& bmp);
    virtual void EncodeToSink(const PLBmp& bmp, PLDataSink& sink) { WriteImage(bmp, sink); }
    virtual void WriteImage(const PLBmp& bmp, PLDataSink& sink) = 0;

protected:
    // bmp when its depth is one of depths, otherwise a 32-bit copy of it in scratch (with
    // alpha when bmp has alpha).
    static const PLBmp& WithDepthIn(const PLBmp& bmp, std::initializer_list<int> depths, PLAnyBmp& scratch);
};
