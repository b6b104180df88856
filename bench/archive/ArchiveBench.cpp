// How fast the archive reads what model files are made of. Every benchmark reports bytes/s.
//   build/release/bench/archive/bench_archive

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/mfc/Archive.h"
#include "platform/mfc/MemFile.h"

// The record classes have external linkage: the ar >> (cls*&) operators that IMPLEMENT_SERIAL
// defines would otherwise be unused functions with internal linkage.

// A shared object, stored once and then referred to: a material.
class CBenchMaterial : public CObject {
    DECLARE_SERIAL(CBenchMaterial)
public:
    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring())
            ar << m_name << m_color;
        else
            ar >> m_name >> m_color;
    }

    CString m_name;
    uint32_t m_color = 0;
};

// The common record: a few doubles, flags and a reference to a shared object.
class CBenchVertex : public CObject {
    DECLARE_SERIAL(CBenchVertex)
public:
    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring()) {
            ar << m_x << m_y << m_z << m_flags << m_material;
            return;
        }
        ar >> m_x >> m_y >> m_z >> m_flags >> m_material;
    }

    double m_x = 0, m_y = 0, m_z = 0;
    int32_t m_flags = 0;
    CBenchMaterial* m_material = nullptr;
};

IMPLEMENT_SERIAL(CBenchMaterial, CObject, 1)
IMPLEMENT_SERIAL(CBenchVertex, CObject, 1)

namespace {

constexpr int kRecords = 400000;

std::vector<uint8_t> Store(void (*write)(CArchive&))
{
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    write(ar);
    ar.Close();
    auto data = file.GetData();
    return std::vector<uint8_t>(data.begin(), data.end());
}

void WritePrimitives(CArchive& ar)
{
    for (int32_t i = 0; i < kRecords; ++i)
        ar << i << i * 0.5 << i * 0.25 << i * 0.125 << uint16_t(i) << (i % 2 == 0) << float(i);
}

void WriteStrings(CArchive& ar)
{
    for (int32_t i = 0; i < kRecords / 4; ++i)
        ar << CString(L"Material") + static_cast<wchar_t>(L'A' + i % 26) << CString(L"Layer0");
}

// Vertices in runs of 64 sharing one material; each run's material is new.
void WriteObjects(CArchive& ar)
{
    std::vector<CBenchMaterial> materials(kRecords / 64 + 1);
    std::vector<CBenchVertex> vertices(kRecords);
    ar << int32_t{kRecords};
    for (int32_t i = 0; i < kRecords; ++i) {
        CBenchVertex& vertex = vertices[i];
        vertex.m_x = i;
        vertex.m_y = -i;
        vertex.m_z = i * 0.5;
        vertex.m_flags = i;
        vertex.m_material = &materials[i / 64];
        vertex.m_material->m_name = L"Material";
        ar << &vertex;
    }
}

const std::vector<uint8_t>& Primitives()
{
    static const std::vector<uint8_t> bytes = Store(WritePrimitives);
    return bytes;
}

const std::vector<uint8_t>& Strings()
{
    static const std::vector<uint8_t> bytes = Store(WriteStrings);
    return bytes;
}

const std::vector<uint8_t>& Objects()
{
    static const std::vector<uint8_t> bytes = Store(WriteObjects);
    return bytes;
}

void ReadPrimitives(CArchive& ar)
{
    int32_t i32;
    double a, b, c;
    uint16_t u16;
    bool flag;
    float f;
    for (int i = 0; i < kRecords; ++i) {
        ar >> i32 >> a >> b >> c >> u16 >> flag >> f;
        benchmark::DoNotOptimize(i32 + a + b + c + u16 + flag + f);
    }
}

void ReadStrings(CArchive& ar)
{
    CString material, layer;
    for (int i = 0; i < kRecords / 4; ++i) {
        ar >> material >> layer;
        benchmark::DoNotOptimize(material.GetLength() + layer.GetLength());
    }
}

// Objects and the materials they share; deleting them is not timed.
void ReadObjects(benchmark::State& state, CArchive& ar)
{
    int32_t count = 0;
    ar >> count;
    ar.CheckBytesLeft(static_cast<uint64_t>(count) * 2);
    std::vector<CObject*> read;
    read.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i)
        read.push_back(ar.ReadObject(RUNTIME_CLASS(CBenchVertex)));
    state.PauseTiming();
    CBenchMaterial* lastMaterial = nullptr;
    for (CObject* object : read) {
        auto* vertex = static_cast<CBenchVertex*>(object);
        if (vertex->m_material != lastMaterial)
            delete lastMaterial;
        lastMaterial = vertex->m_material;
        delete vertex;
    }
    delete lastMaterial;
    state.ResumeTiming();
}

template <class Read>
void ReadFromMemory(benchmark::State& state, const std::vector<uint8_t>& bytes, Read read)
{
    for (auto _ : state) {
        CMemFile file(bytes.data(), bytes.size());
        CArchive ar(&file, CArchive::load);
        read(ar);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void BM_ReadPrimitives(benchmark::State& state)
{
    ReadFromMemory(state, Primitives(), ReadPrimitives);
}

void BM_ReadStrings(benchmark::State& state)
{
    ReadFromMemory(state, Strings(), ReadStrings);
}

void BM_ReadObjects(benchmark::State& state)
{
    ReadFromMemory(state, Objects(), [&](CArchive& ar) { ReadObjects(state, ar); });
}

void BM_ReadObjectsFromFile(benchmark::State& state)
{
    const auto& bytes = Objects();
    std::string path = "/tmp/zph-bench-archive-" + std::to_string(getpid()) + ".bin";
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
        state.SkipWithError("cannot write the temporary file");
        return;
    }
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
    CString widePath(path.c_str());
    for (auto _ : state) {
        CFile file(widePath, CFile::modeRead | CFile::shareDenyWrite);
        CArchive ar(&file, CArchive::load);
        ReadObjects(state, ar);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
    std::remove(path.c_str());
}

BENCHMARK(BM_ReadPrimitives)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadStrings)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadObjects)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadObjectsFromFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
