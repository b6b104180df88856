// Reading a large model file: a million triangles as the faces, loops, edge uses, edges and
// vertices of two triangulated grid surfaces that share their vertices and edges like a real
// mesh, one of them in a definition that four instances place. The file is made once per run,
// kept in memory and written to a temporary file. Each way of reading reports bytes/s,
// triangles/s (items) and objects/s (the objects the archive makes):
//  - Serialize: the model reads the bytes from memory;
//  - LoadFromFile: the model reads the temporary file;
//  - Floor: the archive's primitive reads alone walk the same bytes in the mix of reads that
//    the grid's records are made of (tags, references, flags, doubles);
//  - AssimpPly (when built with Debian's assimp): assimp reads the same triangles from a
//    binary PLY file, without post-processing.
// The model and assimp read in child processes that end without freeing what they read. Each
// runs --rounds=N times (default 5); the program prints the median times' ratios at the end.
// For profiling, --save=FILE writes the model file and stops, and --read=FILE reads a file three
// times in this process, printing each read's and each free's time: the first read pays for
// fresh memory pages, the later ones reuse the pages the earlier model gave back to the heap.
//   build/release/bench/model/bench_model [--rounds=N] [--save=FILE] [--read=FILE]

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <malloc.h>
#include <map>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include <benchmark/benchmark.h>

#ifdef ZPH_BENCH_ASSIMP
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#endif

#include "model/ZephyronModel.h"
#include "platform/mfc/Archive.h"
#include "platform/mfc/MemFile.h"
#include "tests/support/ModelFiles.h"

namespace {

using orbisk::geometry::CPoint3d;

// Quads per side; each quad is two triangles. The ground is 600,000 triangles, the tile 400,000.
constexpr int kGroundColumns = 600;
constexpr int kGroundRows = 500;
constexpr int kTileColumns = 500;
constexpr int kTileRows = 400;
constexpr int kTilePlacements = 4;
constexpr double kSpacing = 6.0;  // inches

// A gentle swell, so that neighbouring triangles lie in different planes as on a terrain.
double Height(double x, double y)
{
    return 24.0 * std::sin(x * 0.011) * std::cos(y * 0.007);
}

// The triangles as a PLY file holds them: float positions, indices from 0.
struct Mesh {
    std::vector<std::array<float, 3>> vertices;
    std::vector<std::array<int32_t, 3>> triangles;
};

// A grid of quads over (0, 0), each split along its rising diagonal. Edges run from the lower
// to the higher vertex index; a triangle's loop, counter-clockwise seen from above, uses each
// of its edges forward or reversed, so neighbours share vertices and edges.
class GridSurface {
public:
    GridSurface(WholeModel& model, int columns, int rows, const CObject& material, Mesh& mesh)
        : m_model(model),
          m_columns(columns),
          m_rows(rows),
          m_material(material),
          m_mesh(mesh),
          m_firstMeshVertex(static_cast<int32_t>(mesh.vertices.size()))
    {
        TopologyRecords& topology = model.Topology();
        for (int j = 0; j <= rows; ++j) {
            for (int i = 0; i <= columns; ++i) {
                const CPoint3d point{i * kSpacing, j * kSpacing, Height(i * kSpacing, j * kSpacing)};
                m_points.push_back(point);
                m_vertices.push_back(&topology.Vertex(point));
                mesh.vertices.push_back({float(point.x), float(point.y), float(point.z)});
            }
        }
        for (int j = 0; j <= rows; ++j) {
            for (int i = 0; i < columns; ++i)
                m_horizontal.push_back(&NewEdge(Index(i, j), Index(i + 1, j)));
        }
        for (int j = 0; j < rows; ++j) {
            for (int i = 0; i <= columns; ++i)
                m_vertical.push_back(&NewEdge(Index(i, j), Index(i, j + 1)));
        }
        for (int j = 0; j < rows; ++j) {
            for (int i = 0; i < columns; ++i)
                m_diagonal.push_back(&NewEdge(Index(i, j), Index(i + 1, j + 1)));
        }
        for (int j = 0; j < rows; ++j) {
            for (int i = 0; i < columns; ++i) {
                Triangle({Index(i, j), Index(i + 1, j), Index(i + 1, j + 1)},
                         {Use{Horizontal(i, j), false}, {Vertical(i + 1, j), false}, {Diagonal(i, j), true}});
                Triangle({Index(i, j), Index(i + 1, j + 1), Index(i, j + 1)},
                         {Use{Diagonal(i, j), false}, {Horizontal(i, j + 1), true}, {Vertical(i, j), true}});
            }
        }
    }

    // Faces first, then their edges: what a component lists.
    std::vector<const CObject*> Entities() const
    {
        std::vector<const CObject*> entities(m_faces.begin(), m_faces.end());
        entities.insert(entities.end(), m_edges.begin(), m_edges.end());
        return entities;
    }

private:
    struct Use {
        const TopologyRecords::EdgeRecord* edge;
        bool reversed;
    };

    int Index(int i, int j) const { return j * (m_columns + 1) + i; }
    const TopologyRecords::EdgeRecord* Horizontal(int i, int j) const
    {
        return m_horizontal[j * m_columns + i];
    }
    const TopologyRecords::EdgeRecord* Vertical(int i, int j) const
    {
        return m_vertical[j * (m_columns + 1) + i];
    }
    const TopologyRecords::EdgeRecord* Diagonal(int i, int j) const { return m_diagonal[j * m_columns + i]; }

    TopologyRecords::EdgeRecord& NewEdge(int from, int to)
    {
        auto& edge = m_model.Topology().Edge(*m_vertices[from], *m_vertices[to]);
        m_edges.push_back(&edge);
        return edge;
    }

    void Triangle(const std::array<int, 3>& corners, const std::array<Use, 3>& uses)
    {
        TopologyRecords& topology = m_model.Topology();
        auto& loop = topology.Loop();
        for (const Use& use : uses)
            loop.uses.push_back(&topology.EdgeUse(*use.edge, use.reversed, loop));
        auto& face = m_model.Faces().Face(PlaneOf(corners), {&loop});
        face.frontMaterial = &m_material;
        m_faces.push_back(&face);
        m_mesh.triangles.push_back(
            {m_firstMeshVertex + corners[0], m_firstMeshVertex + corners[1], m_firstMeshVertex + corners[2]});
    }

    // a x + b y + c z + d = 0 with (a, b, c) the unit normal.
    std::array<double, 4> PlaneOf(const std::array<int, 3>& corners) const
    {
        const CPoint3d& a = m_points[corners[0]];
        const CPoint3d& b = m_points[corners[1]];
        const CPoint3d& c = m_points[corners[2]];
        const double ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
        const double vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
        double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
        const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
        nx /= length;
        ny /= length;
        nz /= length;
        return {nx, ny, nz, -(nx * a.x + ny * a.y + nz * a.z)};
    }

    WholeModel& m_model;
    int m_columns;
    int m_rows;
    const CObject& m_material;
    Mesh& m_mesh;
    int32_t m_firstMeshVertex;
    std::vector<CPoint3d> m_points;
    std::vector<const TopologyRecords::VertexRecord*> m_vertices;
    std::vector<const TopologyRecords::EdgeRecord*> m_horizontal;
    std::vector<const TopologyRecords::EdgeRecord*> m_vertical;
    std::vector<const TopologyRecords::EdgeRecord*> m_diagonal;
    std::vector<const CObject*> m_faces;
    std::vector<const CObject*> m_edges;
};

Bytes PlyFile(const Mesh& mesh)
{
    const std::string header =
        "ply\nformat binary_little_endian 1.0\nelement vertex " + std::to_string(mesh.vertices.size()) +
        "\nproperty float x\nproperty float y\nproperty float z\nelement face " +
        std::to_string(mesh.triangles.size()) + "\nproperty list uchar int vertex_indices\nend_header\n";
    Bytes bytes(header.begin(), header.end());
    auto append = [&bytes](const void* data, size_t size) {
        const auto* raw = static_cast<const uint8_t*>(data);
        bytes.insert(bytes.end(), raw, raw + size);
    };
    for (const auto& vertex : mesh.vertices)
        append(vertex.data(), sizeof vertex);
    for (const auto& triangle : mesh.triangles) {
        const uint8_t count = 3;
        append(&count, 1);
        append(triangle.data(), sizeof triangle);
    }
    return bytes;
}

void SaveBytes(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

// What a read in a child process sends back: the seconds it took (negative when it failed)
// and a count of what it made.
struct ChildResult {
    double seconds = -1;
    int64_t count = 0;
};

// Runs work in a child process that ends without freeing what it read: every read starts
// from a fresh heap, as when the viewer opens a file, and freeing a model is left out (for a
// model of this size it takes far longer than reading it).
ChildResult RunInChild(const std::function<ChildResult()>& work)
{
    int channel[2];
    if (pipe(channel) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const ChildResult result = work();
        const bool sent = write(channel[1], &result, sizeof result) == sizeof result;
        _exit(sent ? 0 : 1);
    }
    close(channel[1]);
    ChildResult result;
    if (child < 0 || read(channel[0], &result, sizeof result) != sizeof result)
        result = {};
    close(channel[0]);
    if (child > 0)
        waitpid(child, nullptr, 0);
    return result;
}

template <class Work>
ChildResult Timed(Work work)
{
    const auto start = std::chrono::steady_clock::now();
    const int64_t count = work();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return {count < 0 ? -1 : seconds, count};
}

// A model for one read in a child process: never freed, the process ends instead.
CZephyronModel& NewModel()
{
    return *new CZephyronModel;
}

ChildResult SerializeFromMemory(const Bytes& bytes)
{
    CZephyronModel& model = NewModel();
    CMemFile file(bytes.data(), bytes.size());
    CArchive ar(&file, CArchive::load);
    ChildResult result = Timed([&] {
        model.Serialize(ar);
        return model.GetStatus() == kModelRead ? 0 : -1;
    });
    for (uint32_t number = 1; number < ar.GetLoadCount(); ++number)
        result.count += ar.GetLoadedObject(number) != nullptr;
    return result;
}

// The model file and the PLY file, in memory and in temporary files, made once.
struct LargeModel {
    Bytes bytes;
    Bytes ply;
    std::filesystem::path path;
    std::filesystem::path plyPath;
    int64_t triangles = 0;
    // What one read of the file makes: the archive's objects, classes left out.
    int64_t objects = 0;

    LargeModel()
    {
        Mesh mesh;
        {
            WholeModel model;
            auto& material = model.Material({.name = L"Terrain", .color = {120, 140, 90, 255}});
            model.materials = {&material};
            ComponentRecords& components = model.Components();
            auto& tile = components.Definition(L"Tile");
            GridSurface tileSurface(model, kTileColumns, kTileRows, material, mesh);
            tile.entities = tileSurface.Entities();
            auto& root = components.Component();
            GridSurface ground(model, kGroundColumns, kGroundRows, material, mesh);
            root.entities = ground.Entities();
            for (int k = 0; k < kTilePlacements; ++k) {
                const double offset = (k + 1) * kTileColumns * kSpacing;
                root.entities.push_back(
                    &components.Instance(tile, ComponentTransform::Translation(offset, 0, 0)));
            }
            root.definitions = {&tile};
            model.root = &root;
            bytes = model.Write();
        }
        // The writer's records are gone: give their memory back, so that a child's heap grows
        // into fresh pages as a new process's does, not into pages it shares with this one.
        malloc_trim(0);
        triangles = static_cast<int64_t>(mesh.triangles.size());
        ply = PlyFile(mesh);
        const std::string stem = "zph-bench-model-" + std::to_string(getpid());
        path = std::filesystem::temp_directory_path() / (stem + ".zph");
        plyPath = std::filesystem::temp_directory_path() / (stem + ".ply");
        SaveBytes(path, bytes);
        SaveBytes(plyPath, ply);
        const ChildResult read = RunInChild([&] { return SerializeFromMemory(bytes); });
        if (read.seconds < 0) {
            std::fprintf(stderr, "the model does not read the file\n");
            std::exit(1);
        }
        objects = read.count;
    }

    ~LargeModel()
    {
        std::filesystem::remove(path);
        std::filesystem::remove(plyPath);
    }
};

const LargeModel& GetLargeModel()
{
    static const LargeModel model;
    return model;
}

void ReportRates(benchmark::State& state, int64_t bytes, int64_t objects)
{
    const LargeModel& large = GetLargeModel();
    state.SetBytesProcessed(state.iterations() * bytes);
    state.SetItemsProcessed(state.iterations() * large.triangles);
    if (objects > 0)
        state.counters["objects"] =
            benchmark::Counter(double(state.iterations() * objects), benchmark::Counter::kIsRate);
}

void TimeInChildren(benchmark::State& state, const std::function<ChildResult()>& work)
{
    for (auto _ : state) {
        const ChildResult result = RunInChild(work);
        if (result.seconds < 0) {
            state.SkipWithError("the read failed");
            return;
        }
        state.SetIterationTime(result.seconds);
    }
}

void Serialize(benchmark::State& state)
{
    const LargeModel& large = GetLargeModel();
    TimeInChildren(state, [&] { return SerializeFromMemory(large.bytes); });
    ReportRates(state, static_cast<int64_t>(large.bytes.size()), large.objects);
}

void LoadFromFile(benchmark::State& state)
{
    const LargeModel& large = GetLargeModel();
    const CString path(large.path.c_str());
    TimeInChildren(state, [&] {
        CZephyronModel& model = NewModel();
        return Timed([&] { return model.LoadFromFile(path) && model.GetStatus() == kModelRead ? 0 : -1; });
    });
    ReportRates(state, static_cast<int64_t>(large.bytes.size()), large.objects);
}

// Counts the bytes a walk reads instead of reading them.
struct ByteCounter {
    size_t bytes = 0;
    template <class T>
    ByteCounter& operator>>(T& value)
    {
        value = T{};
        bytes += sizeof(T);
        return *this;
    }
};

// The reads of one quad of a grid in the middle of the file, in the order the records hold
// them: two faces, each with its loop and three edge uses; three edges seen for the first time
// and one vertex, the rest back references; then the component's list naming the three edges.
// Objects past the first 32,766 are referred to by an escape tag and a 32-bit number.
template <class In>
class QuadWalk {
public:
    explicit QuadWalk(In& in) : m_in(in) {}

    void Quad()
    {
        Face({false, true, true}, {false, true, false});    // bottom edge, right edge, diagonal
        Face({false, true, false}, {false, false, false});  // diagonal, top edge, left edge
        for (int i = 0; i < 3; ++i)
            FarReference();
    }

    uint64_t Bits() const { return m_bits; }
    double Sum() const { return m_sum; }

private:
    template <class T>
    void Take()
    {
        T value;
        m_in >> value;
        m_bits += static_cast<uint64_t>(value);
    }
    void Tag() { Take<uint16_t>(); }
    void FarReference()
    {
        Take<uint16_t>();
        Take<uint32_t>();
    }
    void Flags(int count)
    {
        for (int i = 0; i < count; ++i)
            Take<bool>();
    }
    void Doubles(int count)
    {
        for (int i = 0; i < count; ++i) {
            double value;
            m_in >> value;
            m_sum += value;
        }
    }
    // The entity's null attributes, a material, the element's flags, the default layer.
    void DrawingElementPart()
    {
        Tag();
        Tag();
        Flags(6);
        Tag();
    }
    void Vertex()
    {
        Tag();
        Tag();
        Doubles(3);
    }
    void Edge(bool newVertex)
    {
        Tag();
        DrawingElementPart();
        FarReference();
        if (newVertex)
            Vertex();
        else
            FarReference();
        Tag();  // no curve
    }
    void EdgeUse(bool newEdge, bool newVertex)
    {
        Tag();
        Tag();
        if (newEdge)
            Edge(newVertex);
        else
            FarReference();
        Flags(1);
        FarReference();  // the loop
    }
    void Face(const std::array<bool, 3>& newEdges, const std::array<bool, 3>& newVertices)
    {
        Tag();
        DrawingElementPart();
        Doubles(4);
        Take<int32_t>();  // one loop
        Tag();
        Tag();
        Flags(2);
        for (int i = 0; i < 3; ++i)
            EdgeUse(newEdges[i], newVertices[i]);
        Tag();  // the end of the uses
        Tag();  // no back material
    }

    In& m_in;
    uint64_t m_bits = 0;
    double m_sum = 0;
};

size_t QuadBytes()
{
    ByteCounter counter;
    QuadWalk<ByteCounter>(counter).Quad();
    return counter.bytes;
}

void Floor(benchmark::State& state)
{
    const LargeModel& large = GetLargeModel();
    const size_t quadBytes = QuadBytes();
    const size_t quads = large.bytes.size() / quadBytes;
    std::vector<uint8_t> rest(large.bytes.size() - quads * quadBytes);
    for (auto _ : state) {
        const ChildResult result = Timed([&] {
            CMemFile file(large.bytes.data(), large.bytes.size());
            CArchive ar(&file, CArchive::load);
            QuadWalk<CArchive> walk(ar);
            for (size_t i = 0; i < quads; ++i)
                walk.Quad();
            ar.Read(rest.data(), static_cast<uint32_t>(rest.size()));
            benchmark::DoNotOptimize(walk.Bits());
            benchmark::DoNotOptimize(walk.Sum());
            return 0;
        });
        state.SetIterationTime(result.seconds);
    }
    ReportRates(state, static_cast<int64_t>(large.bytes.size()), large.objects);
}

#ifdef ZPH_BENCH_ASSIMP
void AssimpPly(benchmark::State& state)
{
    const LargeModel& large = GetLargeModel();
    TimeInChildren(state, [&] {
        Assimp::Importer importer;
        return Timed([&]() -> int64_t {
            const aiScene* scene = importer.ReadFile(large.plyPath.string(), 0);
            const bool whole =
                scene && scene->mNumMeshes == 1 && scene->mMeshes[0]->mNumFaces == uint32_t(large.triangles);
            return whole ? 0 : -1;
        });
    });
    ReportRates(state, static_cast<int64_t>(large.ply.size()), 0);
}
#endif

// The median real time of each benchmark, for the ratios at the end.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
    }
    std::map<std::string, double> medians;
};

void PrintRatio(const MedianReporter& reporter, const char* name, const char* reference)
{
    const auto ours = reporter.medians.find(name);
    const auto theirs = reporter.medians.find(reference);
    if (ours == reporter.medians.end() || theirs == reporter.medians.end())
        return;
    std::printf("%s / %s = %.2f (median times)\n", name, reference, ours->second / theirs->second);
}

}  // namespace

int main(int argc, char** argv)
{
    int rounds = 5;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--rounds=", 9) == 0)
            rounds = std::max(1, std::atoi(argv[i] + 9));
        if (std::strncmp(argv[i], "--read=", 7) == 0) {
            std::ifstream in(argv[i] + 7, std::ios::binary);
            const Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            // Freed pages stay with the heap for the next read.
            mallopt(M_TRIM_THRESHOLD, INT32_MAX);
            mallopt(M_MMAP_THRESHOLD, 1 << 30);
            for (int k = 0; k < 3; ++k) {
                auto* model = new CZephyronModel;
                CMemFile file(bytes.data(), bytes.size());
                CArchive ar(&file, CArchive::load);
                const ChildResult read = Timed([&] {
                    model->Serialize(ar);
                    return model->GetStatus() == kModelRead ? 0 : -1;
                });
                ar.Close();
                const ChildResult freed = Timed([&] {
                    delete model;
                    return 0;
                });
                std::printf("%.1f MB read in %.3f s, freed in %.3f s\n", bytes.size() / 1e6, read.seconds,
                            freed.seconds);
                if (read.seconds < 0)
                    return 1;
            }
            return 0;
        }
    }
    benchmark::Initialize(&argc, argv);
    const LargeModel& large = GetLargeModel();
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--save=", 7) == 0) {
            SaveBytes(argv[i] + 7, large.bytes);
            return 0;
        }
    }
    std::printf("model file: %.1f MB, %lld triangles, %lld objects; PLY file: %.1f MB\n",
                large.bytes.size() / 1e6, static_cast<long long>(large.triangles),
                static_cast<long long>(large.objects), large.ply.size() / 1e6);
    std::vector<std::pair<const char*, void (*)(benchmark::State&)>> benchmarks = {
        {"Serialize", Serialize}, {"LoadFromFile", LoadFromFile}, {"Floor", Floor}};
#ifdef ZPH_BENCH_ASSIMP
    benchmarks.emplace_back("AssimpPly", AssimpPly);
#endif
    for (const auto& [name, function] : benchmarks) {
        benchmark::RegisterBenchmark(name, function)
            ->Iterations(1)
            ->Repetitions(rounds)
            ->UseManualTime()
            ->ReportAggregatesOnly(true)
            ->Unit(benchmark::kMillisecond);
    }
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatio(reporter, "Serialize", "Floor");
    PrintRatio(reporter, "LoadFromFile", "Floor");
    PrintRatio(reporter, "Serialize", "AssimpPly");
    PrintRatio(reporter, "LoadFromFile", "AssimpPly");
    benchmark::Shutdown();
    return 0;
}
