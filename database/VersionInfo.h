#pragma once
// CVersionInfo: a program or file version {major.minor.build}. A default-constructed one is
// this program's own version, 8.0.3669. In a model file it is one archive string
// "{major.minor.build}".
//
// CurrentFileVersion: the version of the model file being read (or last read), which class
// readers compare to repair records of particular writers. 8.0.3669 until a file is read;
// never reset.

#include <cstdint>

#include "platform/mfc/Object.h"
#include "platform/mfc/String.h"

class CVersionInfo : public CObject {
    DECLARE_SERIAL(CVersionInfo)
public:
    CVersionInfo() = default;
    CVersionInfo(int32_t major_, int32_t minor_, int32_t build_) : major(major_), minor(minor_), build(build_)
    {}

    void Copy(const CVersionInfo& other);
    // Reading scans "{%d.%d.%d}" and stops at the first field that does not match: the fields
    // after it keep their values.
    void Serialize(CArchive& ar) override;
    // (major x 1000 + min(minor, 999)) x 1000 + min(build, 999), wrapping like signed 32-bit
    // arithmetic on overflow; negative parts are not clamped.
    int32_t GetValue() const;
    // "major.minor.build".
    CString ToString() const;

    int32_t major = 8;
    int32_t minor = 0;
    int32_t build = 3669;
};

CVersionInfo& CurrentFileVersion();
