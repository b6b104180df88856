#pragma once

// JPEG data read with libjpeg directly, beside the decoder classes: decoding with DCT
// scaling into an ImageRep (optionally into a padded canvas), and the quality a JPEG was
// written at, estimated from its first quantisation table.

#include <cstddef>
#include <cstdint>

namespace orbisk::imageutils {

class ImageRep;

struct JpegScaledRequest {
    // A box of at least 1 x 1 makes libjpeg decode at 1/2, 1/4 or 1/8 scale, the
    // smallest scale that still covers the box; otherwise full size.
    int boxWidth = 0;
    int boxHeight = 0;
    // The image goes into the top-left corner of a box-sized canvas when it fits in it.
    bool pad = false;
    // RGBA with opaque pixels; otherwise grey (one component) or RGB.
    bool withAlpha = false;
};

// Fills image; false (image left as it was or empty) for data libjpeg refuses, images
// other than greyscale or colour, or an image too large for its data. width and height
// give the decoded size (0 when the header could not be read).
bool DecodeJpegScaled(const uint8_t* data, size_t size, const JpegScaledRequest& request, ImageRep& image,
                      int& width, int& height);

// The libjpeg quality (1 to 100) whose scaling gives the first quantisation table's value
// at row 0, column 6 (51 at quality 50 in the standard luminance table); 0 when the
// header cannot be read.
int EstimateJpegQuality(const uint8_t* data, size_t size);

}  // namespace orbisk::imageutils
