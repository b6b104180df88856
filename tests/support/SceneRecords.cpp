#include "tests/support/SceneRecords.h"

namespace {

Bytes Text(const std::string& text)
{
    return Bytes{static_cast<uint8_t>(text.size())} + Ascii(text);
}

Bytes Point(const std::array<double, 3>& point)
{
    return LittleEndian(point[0], point[1], point[2]);
}

Bytes ImageInformation(const PhotoFields& fields, int information)
{
    Bytes bytes = Text(fields.path);
    if (information < 3)
        bytes = bytes + Bytes{static_cast<uint8_t>(fields.mode == 1 ? 1 : 0)};
    else
        bytes = bytes + LittleEndian(fields.mode);
    bytes = bytes + fields.image;
    if (information > 0)
        bytes = bytes + LittleEndian(fields.width, fields.height, fields.reserved);
    if (information > 1)
        bytes = bytes + LittleEndian(fields.fileTime);
    return bytes;
}

}  // namespace

Bytes NullReference()
{
    return LittleEndian(uint16_t{0});
}

Bytes PhotoRecord(const PhotoFields& fields, int version)
{
    Bytes bytes;
    if (version > 1)
        bytes = ImageInformation(fields, version >= 5 ? 3 : version == 4 ? 2 : version == 3 ? 1 : 0);
    else
        bytes = Text(fields.path);
    bytes = bytes + Bytes{static_cast<uint8_t>(fields.shown)} + LittleEndian(fields.opacity) +
            LittleEndian(static_cast<int32_t>(fields.points.size()));
    for (const auto& point : fields.points)
        bytes = bytes + Point(point);
    if (version > 5)
        bytes = bytes + Point(fields.offset);
    if (version > 6)
        bytes = bytes + LittleEndian(fields.depth);
    if (version == 8) {
        bytes = bytes + LittleEndian(int32_t{0}, fields.pairCount);
        for (int32_t i = 0; i < fields.pairCount; ++i)
            bytes = bytes + Point({1.0 * i, 2, 3}) + Point({4, 5, 6});
    }
    if (version <= 1)
        bytes = bytes + (fields.oldImage.empty() && version == 0 ? Bytes{0} : fields.oldImage);
    if (version == 1 && fields.oldImage.empty())
        bytes = bytes + NullReference();
    if (version >= 10)
        bytes = bytes + LittleEndian(fields.extra);
    return bytes;
}

namespace {

Bytes Counted(const std::vector<Bytes>& references)
{
    Bytes bytes = LittleEndian(static_cast<int32_t>(references.size()));
    for (const Bytes& reference : references)
        bytes = bytes + reference;
    return bytes;
}

}  // namespace

Bytes ScenePageRecord(const ScenePageFields& fields, int version)
{
    const uint32_t flags = fields.flags;
    Bytes bytes = Text(fields.name) + Text(fields.description) + LittleEndian(flags);
    if (flags & 0x01)
        bytes = bytes + fields.camera;
    if (flags & 0x02) {
        bytes = bytes + fields.options;
        if (version >= 10)
            bytes = bytes + fields.style;
    }
    if (flags & 0x04) {
        bytes = bytes + fields.shadows;
        if (version >= 2)
            bytes = bytes + Bytes{static_cast<uint8_t>(fields.shadowsShown)};
    }
    if (flags & 0x08)
        bytes = bytes + fields.axes + Bytes{static_cast<uint8_t>(fields.axesShown)};
    if (flags & 0x10)
        bytes = bytes + Counted(fields.hidden);
    if (version >= 1 && (flags & 0x20))
        bytes = bytes + Counted(fields.layers);
    if (version == 4 && (flags & 0x40))
        bytes = bytes + (fields.sectionPlanes.empty() ? NullReference() : fields.sectionPlanes.front());
    if (version >= 5 && (flags & 0x40))
        bytes = bytes + Counted(fields.sectionPlanes);
    if (version >= 3)
        bytes = bytes + Bytes{static_cast<uint8_t>(fields.included)};
    if (version >= 6 && version <= 10)
        bytes = bytes + Bytes{static_cast<uint8_t>(fields.watermarksShown)};
    if (version >= 8)
        bytes = bytes + LittleEndian(fields.transitionTime);
    if (version >= 9)
        bytes = bytes + LittleEndian(fields.delayTime);
    if (version >= 10)
        bytes = bytes + fields.photo;
    if (version >= 12) {
        bytes = bytes + Bytes{static_cast<uint8_t>(fields.photoFlag)} +
                Bytes{static_cast<uint8_t>(!fields.picture.empty())} + fields.picture;
    }
    return bytes;
}
