#pragma once
// Model-file records of scenes and what they hold, spelled out field by field for any class
// version a test needs: the background photo, the scene base, the scene and the scene list.
// Records are the bodies after the entity part (CEntity schema 3: a null attribute reference)
// where the class has one; object references inside them are given as ready bytes (a null
// reference by default).

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/ArchiveBytes.h"

// A null object reference.
Bytes NullReference();

struct PhotoFields {
    std::string path = "photo.jpg";  // 8-bit archive string, as stored
    int32_t mode = 1;                // a bool below image information 3
    Bytes image = NullReference();   // the image information's CDib reference
    int32_t width = 1600;            // image information 1 on, with the two below
    int32_t height = 1200;
    int32_t reserved = 0;
    int32_t fileTime = 0;  // image information 2 on, 32-bit seconds
    bool shown = true;
    double opacity = 1.0;
    std::vector<std::array<double, 3>> points;
    std::array<double, 3> offset{0, 0, 0};  // version 6 on
    double depth = 0.0;                     // version 7 on
    int32_t pairCount = 0;                  // version 8 only: that many discarded point pairs
    Bytes oldImage;                         // version 0: a flag and a CDib record; 1: a reference
    int32_t extra = 0;                      // version 10 on
};

// The photo's record of class version 0 to 10 after the entity part.
Bytes PhotoRecord(const PhotoFields& fields, int version);

struct ScenePageFields {
    std::string name = "Scene 1";  // 8-bit archive strings
    std::string description;
    uint32_t flags = 0;
    // Each part as ready bytes, written when the flags (and the version) call for it.
    Bytes camera;                   // 0x01: the inline form below 7, an object reference from 7
    Bytes options;                  // 0x02: the rendering options with their entity part
    Bytes style = NullReference();  // 0x02, version 10 on
    Bytes shadows;                  // 0x04: the shadow settings with their entity part
    bool shadowsShown = true;       // 0x04, version 2 on
    Bytes axes;                     // 0x08: the axes with their entity part
    bool axesShown = false;
    std::vector<Bytes> hidden;         // 0x10: references
    std::vector<Bytes> layers;         // 0x20, version 1 on
    std::vector<Bytes> sectionPlanes;  // 0x40: one at version 4, counted from 5
    bool included = true;              // version 3 on
    bool watermarksShown = true;       // versions 6 to 10
    double transitionTime = 2.0;       // version 8 on
    double delayTime = 3.0;            // version 9 on
    Bytes photo = NullReference();     // version 10 on
    bool photoFlag = true;             // version 12 on, with the picture
    Bytes picture;                     // empty: no picture; else the image record
};

// The scene's record of class version 1 to 12, its scene-base part included (after the entity
// part of CEntity schema 3).
Bytes ScenePageRecord(const ScenePageFields& fields, int version);
