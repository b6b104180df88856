#pragma once
// Writes model files for tests: the header fields, the class-version map and object records of
// any class under any schema, through a storing archive, so that a test can make exactly the
// file an older or newer writer would have made, or a damaged one.
//
//   ModelFileWriter file;
//   file.WriteHeader({.major = 8, .minor = 0, .build = 3669});
//   file.WriteVersionMap({{"CZephyronModel", 22}, {"CRenderingOptions", 36}});
//   file.Archive() << int32_t(1) << int32_t(1200);
//   auto dib = file.WriteObjectRecord("CDib", 3, [](CArchive& ar) { ar << int32_t(0); });
//   file.WriteObjectReference(dib);                    // a back reference to the same object
//   file.SaveTo(path);
//
// Object records carry the class name and schema given here; the classes need not exist in
// the program, and they are never entered into the list of run-time classes.

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/mfc/Archive.h"
#include "platform/mfc/MemFile.h"
#include "tests/support/ArchiveBytes.h"

class ModelFileWriter {
public:
    struct Header {
        std::wstring text = L"Zephyron Model";
        int32_t major = 8;
        int32_t minor = 0;
        int32_t build = 3669;
        // Written only when the version's value is at least 1046, as readers expect: a 32-bit
        // value, two 16-bit values and 8 bytes, here as the 16 bytes in file order.
        std::array<uint8_t, 16> guid{};
        std::wstring guidText;
        uint32_t creationTime = 0;  // seconds since 1970-01-01 00:00 UTC
    };
    using VersionMap = std::vector<std::pair<std::string, int32_t>>;
    using RecordBody = std::function<void(CArchive&)>;
    // An object written once; writing it again gives a back reference.
    using Record = const CObject*;

    ModelFileWriter();
    ~ModelFileWriter();
    ModelFileWriter(const ModelFileWriter&) = delete;
    ModelFileWriter& operator=(const ModelFileWriter&) = delete;

    // For the fields of records that the helpers below do not cover.
    CArchive& Archive() { return *m_archive; }

    // The value readers compare with their thresholds: (major x 1000 + minor) x 1000 + build,
    // minor and build capped at 999.
    static int32_t VersionValue(int32_t major, int32_t minor, int32_t build);

    // The header string, the version "{major.minor.build}", the GUID and its text when the
    // version's value is at least 1046, and the creation time: everything before the map.
    void WriteHeader(const Header& header);
    // The class-version map as one object record of class "CVersionMap", schema 0, ended by
    // "End-Of-Version-Map" with the value 0.
    void WriteVersionMap(const VersionMap& entries);

    // A new object of the named class: its class record (the first time), then its body.
    Record WriteObjectRecord(std::string_view className, uint32_t schema, RecordBody body);
    // An object written before, as a back reference.
    void WriteObjectReference(Record record);
    void WriteNullObject();

    // Ends the archive; the file's bytes. Nothing may be written afterwards.
    Bytes Finish();
    // Finish, then write the bytes to a file.
    void SaveTo(const std::string& path);

private:
    class RecordObject;
    struct RecordClass;

    const RecordClass& ClassNamed(std::string_view name, uint32_t schema);

    CMemFile m_file;
    std::unique_ptr<CArchive> m_archive;
    std::map<std::string, std::unique_ptr<RecordClass>, std::less<>> m_classes;
    // Alive until the end: the archive numbers objects by their address.
    std::vector<std::unique_ptr<RecordObject>> m_records;
};
