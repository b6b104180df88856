#pragma once

// Pixel work for images drawn as a grid of tiles, each its own texture: cutting a tile out
// of an image (padding what lies beyond the image's edges), an inverted-luminance map of
// a tile (uploaded as an alpha texture) and flipping an image upside down.
//
// Pixels are 24 or 32 bits: bytes 0 to 2 are the colour, byte 3 (32 bits) the alpha.
// Rows are stride bytes apart from row 0 on; a stride of 0 means rows packed without gaps.
// Other depths are refused: the functions then return null or do nothing.

#include <cstdint>

namespace orbisk::imageutils {

// Copies the columns firstColumn up to endColumn and the rows firstRow up to endRow (both
// ends excluded) of the source into target, rows packed with targetBits / 8 bytes per
// pixel (targetBits 0: as the source). Pixels of the block outside the source are the fill
// byte throughout; a 32-bit target of a 24-bit source gets the fill byte as alpha. With a
// null target a buffer of the block's size is allocated with new[], for the caller to
// delete[]. Returns the target, or null for unsupported depths.
uint8_t* CopyPixelBlock(int sourceBits, int targetBits, uint8_t fill, const uint8_t* source, int sourceWidth,
                        int sourceHeight, int sourceStride, int firstColumn, int firstRow, int endColumn,
                        int endRow, uint8_t* target);

// One byte per pixel, packed columns × rows: 255 minus the luminance (blue × 11 + green ×
// 59 + red × 30) / 100, so that white gives 0 and black 255. A null target is allocated
// as above. Returns the target, or null for unsupported depths.
uint8_t* InvertedLuminanceFromPixels(int bits, int rows, const uint8_t* pixels, int columns, int stride,
                                     uint8_t* target);

// Exchanges row i with row height − 1 − i.
void FlipRowsInPlace(int bits, uint8_t* pixels, int width, int height, int stride);

}  // namespace orbisk::imageutils
