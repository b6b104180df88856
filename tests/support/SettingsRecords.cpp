#include "tests/support/SettingsRecords.h"

namespace {

Bytes Triple(const std::array<double, 3>& v)
{
    return LittleEndian(v[0], v[1], v[2]);
}

Bytes Flag(bool value)
{
    return Bytes{static_cast<uint8_t>(value ? 1 : 0)};
}

// An 8-bit archive string of fewer than 255 characters.
Bytes ShortText(const std::string& text)
{
    return Bytes{static_cast<uint8_t>(text.size())} + Ascii(text);
}

Bytes Rgba(uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    return Bytes{r, g, b, a};
}

}  // namespace

Bytes CameraRecord(const CameraFields& f, int schema)
{
    Bytes bytes = Triple(f.eye) + Triple(f.target) + Triple(f.up) +
                  LittleEndian(f.nearDistance, f.farDistance) + Flag(f.perspective) +
                  LittleEndian(f.fieldOfView, f.parallelHeight) + Triple(f.referencePoint) +
                  LittleEndian(f.imageAspect) + Flag(f.fieldOfViewVertical);
    if (schema >= 2)
        bytes = bytes + Flag(f.stored);
    if (schema >= 3)
        bytes = bytes + ShortText(f.name);
    if (schema >= 4)
        bytes = bytes + LittleEndian(f.filmWidth);
    if (schema >= 5)
        bytes = bytes + Flag(f.panZoom) + LittleEndian(f.scale, f.offsetX, f.offsetY);
    return bytes;
}

Bytes InlineCameraRecord(const CameraFields& f)
{
    const std::array<double, 3> direction{f.target[0] - f.eye[0], f.target[1] - f.eye[1],
                                          f.target[2] - f.eye[2]};
    return Triple(f.eye) + Triple(direction) + Triple(f.up) + LittleEndian(f.nearDistance, f.farDistance) +
           Flag(f.perspective) + LittleEndian(f.fieldOfView, f.parallelHeight) + Triple(f.referencePoint);
}

Bytes ShadowInfoRecord(const ShadowFields& f, int schema)
{
    Bytes bytes =
        LittleEndian(f.shadowTime) + Flag(f.daylightSaving) + ShortText(f.city) + ShortText(f.country);
    if (schema >= 1)
        bytes = bytes + LittleEndian(f.longitude, f.latitude, f.timeZone);
    if (schema >= 2)
        bytes = bytes + Triple(f.north) + Flag(f.northShown);
    if (schema == 3)
        return bytes + Flag(false);
    if (schema >= 5)
        bytes = bytes + Flag(f.onFaces) + Flag(f.onGround) + Flag(f.fromEdges) +
                LittleEndian(f.lightIntensity, f.darkIntensity);
    if (schema >= 6)
        bytes = bytes + Flag(f.useSunForShading);
    return bytes;
}

Bytes DefaultRenderingOptionsRecord()
{
    const Bytes noColor = Rgba(0, 0, 0, 0);
    return LittleEndian(int32_t{2}) + Flag(false) + Flag(true) + Flag(false) + LittleEndian(int32_t{1}) +
           noColor + noColor + Rgba(255, 255, 0, 255) + Rgba(128, 128, 128, 255) + Flag(false) + Flag(false) +
           Flag(false) + Flag(true) + LittleEndian(int32_t{1}) +
           // Extensions, profiles, depth cue, endpoints, the preset effect, hidden geometry.
           Flag(false) + LittleEndian(int32_t{8}) + Flag(true) + LittleEndian(int32_t{3}) + Flag(false) +
           LittleEndian(int32_t{4}) + Flag(false) + LittleEndian(int32_t{5}) + Flag(false) + Flag(false) +
           LittleEndian(int32_t{0}) + Rgba(225, 225, 200, 255) + Rgba(128, 128, 200, 255) +
           LittleEndian(0.75, 0.5) + Flag(false) + Flag(false) +
           // Fog.
           Flag(false) + noColor + Flag(true) + LittleEndian(-1.0, -1.0) + LittleEndian(int32_t{1}) +
           LittleEndian(int32_t{0}) + Flag(true) + Flag(true) + Flag(true) + Flag(false) +
           // Sky, horizon, ground.
           Rgba(140, 165, 255, 255) + noColor + Rgba(63, 147, 63, 255) + Flag(false) + Flag(false) +
           Flag(true) + LittleEndian(int32_t{50}) +
           // Sections.
           Rgba(102, 110, 141, 255) + Rgba(192, 192, 192, 255) + Rgba(255, 0, 0, 255) +
           LittleEndian(int32_t{4}, int32_t{3}) +
           // Transparency sort and soft edges; locked colour, watermarks, X-ray and photo.
           LittleEndian(int32_t{0}) + Flag(true) + LittleEndian(0.3490658503988659) + Flag(true) +
           Rgba(255, 0, 0, 255) + Flag(true) + LittleEndian(0.5) + Flag(false) + Flag(true) +
           LittleEndian(1.0) + Flag(true) + LittleEndian(0.8);
}
