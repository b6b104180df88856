#pragma once
// Model-file records of the display settings, spelled out field by field for any schema a test
// needs: the camera (its own record and the older inline form), the shadow settings, and the
// newest rendering options record with every setting at its default. The records are the
// bodies after the entity part (CEntity schema 3: a null attribute reference) where the class
// has one.

#include <array>
#include <cstdint>
#include <string>

#include "tests/support/ArchiveBytes.h"

struct CameraFields {
    std::array<double, 3> eye{0, 0, 1};
    std::array<double, 3> target{0, 0, 0};
    std::array<double, 3> up{0, 1, 0};
    double nearDistance = 0.1;
    double farDistance = 2.0;
    bool perspective = true;
    double fieldOfView = 30.0;
    double parallelHeight = 1.0;
    std::array<double, 3> referencePoint{0, 0, 0};
    double imageAspect = 0.0;
    bool fieldOfViewVertical = true;
    bool stored = false;     // schema 2 on
    std::string name = {};   // schema 3 on, 8-bit characters
    double filmWidth = 0.0;  // schema 4 on
    bool panZoom = false;    // schema 5 on, with the three below
    double scale = 1.0;
    double offsetX = 0.0;
    double offsetY = 0.0;
};

// The camera's own record (schema 1 to 5).
Bytes CameraRecord(const CameraFields& fields, int schema);
// The older inline form: eye, the direction target - eye, up, near and far, projection, field
// of view, parallel height, reference point.
Bytes InlineCameraRecord(const CameraFields& fields);

struct ShadowFields {
    int64_t shadowTime = 0;  // seconds since 1970-01-01 00:00 UTC
    bool daylightSaving = false;
    std::string city = "Trondheim";
    std::string country = "Norway";
    double longitude = 10.4;  // schema 1 on, with the two below
    double latitude = 63.4;
    double timeZone = 1.0;
    std::array<double, 3> north{0, 1, 0};  // schema 2 on, with the flag below
    bool northShown = false;
    bool onFaces = true;  // schema 5 on, with the four below
    bool onGround = true;
    bool fromEdges = false;
    int32_t lightIntensity = 80;
    int32_t darkIntensity = 20;
    bool useSunForShading = false;  // schema 6 on
};

// The shadow settings' record after the entity part (schema 0 to 7); schema 3 carries its one
// extra byte (0).
Bytes ShadowInfoRecord(const ShadowFields& fields, int schema);

// The rendering options' record of schema 36 after the entity part, every setting at its
// default.
Bytes DefaultRenderingOptionsRecord();
