#pragma once

#include <cstddef>
#include <cstdint>

class PLDataSource;

// PackBits run-length rows, as Photoshop, PICT and IFF (ByteRun1) files store them. A
// control byte n below 128 copies the next n + 1 units, 128 is skipped, and n above 128
// repeats the next unit 257 - n times; a unit is one byte, or two for 16-bit PICT pixels.
// Runs never write past the end of the row, and a row the data leaves short ends in zeros.

// Unpacks the packed bytes of one row (all of them are the row's, none beyond) into row.
void PLUnpackBits(const uint8_t* packed, size_t packedLength, uint8_t* row, size_t rowLength, int unit = 1);

// Unpacks one row from the source, reading control bytes until the row is full. Running
// out of data throws code 11.
void PLUnpackBitsFrom(PLDataSource& source, uint8_t* row, size_t rowLength);
