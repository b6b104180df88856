#pragma once
// Model-file records of styles and watermarks, spelled out field by field: a watermark's fields
// (after the entity part, before its image reference), the typed-value properties and the head
// of a style document's record, and the head of a style entity's record. References to other
// objects (images, watermarks, styles) are written by the caller, through ModelFileWriter.

#include <array>
#include <cstdint>
#include <string>

#include "tests/support/ArchiveBytes.h"

struct WatermarkFields {
    bool infoFound = false;
    std::string infoFileName;  // 8-bit characters
    int32_t infoTime = 0;
    int32_t position = 4;
    bool tiled = false;
    bool stretched = true;
    bool maintainAR = true;
    bool background = false;
    bool intensForAlpha = false;
    double alphaScale = 1.0;
    double scale = 0.5;
    std::string name;
};

// The watermark's record after the entity part, without the image reference that ends it.
Bytes WatermarkFieldsRecord(const WatermarkFields& fields);

// The head of a style document's record: version, name, description, for version 1 an absent
// thumbnail, and the property count.
Bytes StyleRecordHead(int32_t version, const std::string& name, const std::string& description,
                      int32_t propertyCount);
// A property whose value is a typed-value record: id, record version 1, type code, payload.
Bytes TypedValueProperty(int32_t id, int32_t type, const Bytes& payload);

// The head of a style entity's record after the entity part: the GUID's 16 bytes in file order
// and the text.
Bytes ZphStyleRecordHead(const std::array<uint8_t, 16>& guid, const std::string& text);

// An 8-bit archive string (shorter than 255 characters).
Bytes ArchiveText(const std::string& text);
