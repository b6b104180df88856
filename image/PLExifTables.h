#pragma once

// The tag tables of the EXIF reader, each ended by a row whose short name is null. Only
// PLExif.cpp and the tests use them.

#include "image/PLExif.h"

extern const PLExifTagDescription kExifMainTable[];
extern const PLExifTagDescription kExifSubTable[];
extern const PLExifTagDescription kExifNikonTable[];
extern const PLExifTagDescription kExifNikon2Table[];
extern const PLExifTagDescription kExifOlympusTable[];
extern const PLExifTagDescription kExifCanonTable[];
extern const PLExifTagDescription kExifCanonSet1Table[];
extern const PLExifTagDescription kExifCanonSet2Table[];
extern const PLExifTagDescription kExifCanonCustomTable[];
extern const PLExifTagDescription kExifFujiTable[];
extern const PLExifTagDescription kExifCasioTable[];

// The row of table for id, or null.
const PLExifTagDescription* FindExifTagDescription(const PLExifTagDescription* table, uint32_t id);
