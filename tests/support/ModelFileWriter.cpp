#include "tests/support/ModelFileWriter.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

// A run-time class record made at run time for any name, so that the archive writes the
// name and schema a test asks for.
struct ModelFileWriter::RecordClass {
    std::string name;
    CRuntimeClass runtimeClass;
};

class ModelFileWriter::RecordObject : public CObject {
public:
    RecordObject(const CRuntimeClass& runtimeClass, RecordBody body)
        : m_runtimeClass(runtimeClass), m_body(std::move(body))
    {}
    const CRuntimeClass* GetRuntimeClass() const override { return &m_runtimeClass; }
    void Serialize(CArchive& ar) override
    {
        if (m_body)
            m_body(ar);
    }

private:
    const CRuntimeClass& m_runtimeClass;
    RecordBody m_body;
};

ModelFileWriter::ModelFileWriter() : m_archive(std::make_unique<CArchive>(&m_file, CArchive::store)) {}

ModelFileWriter::~ModelFileWriter() = default;

int32_t ModelFileWriter::VersionValue(int32_t major, int32_t minor, int32_t build)
{
    return (major * 1000 + std::min(minor, 999)) * 1000 + std::min(build, 999);
}

void ModelFileWriter::WriteHeader(const Header& header)
{
    CArchive& ar = Archive();
    ar.WriteString(CString(header.text.c_str()));
    const std::wstring version = L"{" + std::to_wstring(header.major) + L"." + std::to_wstring(header.minor) +
                                 L"." + std::to_wstring(header.build) + L"}";
    ar.WriteString(CString(version.c_str()));
    if (VersionValue(header.major, header.minor, header.build) >= 1046) {
        ar.Write(header.guid.data(), static_cast<uint32_t>(header.guid.size()));
        ar.WriteString(CString(header.guidText.c_str()));
    }
    ar << header.creationTime;
}

void ModelFileWriter::WriteVersionMap(const VersionMap& entries)
{
    WriteObjectRecord("CVersionMap", 0, [entries](CArchive& ar) {
        for (const auto& [name, version] : entries) {
            ar.WriteString(CString(std::wstring(name.begin(), name.end()).c_str()));
            ar << version;
        }
        ar.WriteString(CString(L"End-Of-Version-Map"));
        ar << int32_t(0);
    });
}

const ModelFileWriter::RecordClass& ModelFileWriter::ClassNamed(std::string_view name, uint32_t schema)
{
    auto found = m_classes.find(name);
    if (found != m_classes.end()) {
        if (found->second->runtimeClass.m_wSchema != schema)
            throw std::logic_error("a class keeps the schema of its first record in one archive");
        return *found->second;
    }
    auto record = std::make_unique<RecordClass>();
    record->name = std::string(name);
    record->runtimeClass = {record->name.c_str(), static_cast<int>(sizeof(RecordObject)), schema, nullptr,
                            RUNTIME_CLASS(CObject)};
    return *m_classes.emplace(record->name, std::move(record)).first->second;
}

ModelFileWriter::Record ModelFileWriter::WriteObjectRecord(std::string_view className, uint32_t schema,
                                                           RecordBody body)
{
    const RecordClass& recordClass = ClassNamed(className, schema);
    m_records.push_back(std::make_unique<RecordObject>(recordClass.runtimeClass, std::move(body)));
    Archive().WriteObject(m_records.back().get());
    return m_records.back().get();
}

void ModelFileWriter::WriteObjectReference(Record record)
{
    Archive().WriteObject(record);
}

void ModelFileWriter::WriteNullObject()
{
    Archive().WriteObject(nullptr);
}

Bytes ModelFileWriter::Finish()
{
    m_archive->Close();
    return ToBytes(m_file.GetData());
}

void ModelFileWriter::SaveTo(const std::string& path)
{
    const Bytes bytes = Finish();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}
