#include "tests/support/StyleRecords.h"

Bytes ArchiveText(const std::string& text)
{
    return Bytes{static_cast<uint8_t>(text.size())} + Ascii(text);
}

Bytes WatermarkFieldsRecord(const WatermarkFields& f)
{
    const auto flag = [](bool value) { return Bytes{static_cast<uint8_t>(value ? 1 : 0)}; };
    return flag(f.infoFound) + ArchiveText(f.infoFileName) + LittleEndian(f.infoTime, f.position) +
           flag(f.tiled) + flag(f.stretched) + flag(f.maintainAR) + flag(f.background) +
           flag(f.intensForAlpha) + LittleEndian(f.alphaScale, f.scale) + ArchiveText(f.name);
}

Bytes StyleRecordHead(int32_t version, const std::string& name, const std::string& description,
                      int32_t propertyCount)
{
    Bytes bytes = LittleEndian(version) + ArchiveText(name) + ArchiveText(description);
    if (version == 1)
        bytes = bytes + Bytes{0};
    return bytes + LittleEndian(propertyCount);
}

Bytes TypedValueProperty(int32_t id, int32_t type, const Bytes& payload)
{
    return LittleEndian(id, int32_t{1}, type) + payload;
}

Bytes ZphStyleRecordHead(const std::array<uint8_t, 16>& guid, const std::string& text)
{
    return Bytes(guid.begin(), guid.end()) + ArchiveText(text);
}
