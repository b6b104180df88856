// Drawing a large model offscreen: the first frame after reading the file and frames of a slow
// orbit, each against the same triangles drawn from one display list compiled with plain GL in
// the same context (the fastest way GL 1.x offers to draw a static mesh).
//
// The model: a grid of quads over a gentle swell, each quad one face of two triangles with its
// four edges shared with its neighbours, in three materials by rows; a second grid in a
// component definition placed four times beside it. About a million triangles in all.
//
// Printed: the read time, the first frame, the mean orbit frame, the display list's compile
// plus first replay and its mean replay, and the two ratios
//   first frame / (read + raw frame)   and   orbit frame / raw frame
// where the raw frame is a display-list replay at the same camera.
//   build/release/bench/frame/bench_frame [--frames=N] [--keep=FILE]

#include <GL/gl.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "model/ZephyronModel.h"
#include "settings/Camera.h"
#include "settings/RenderingOptions.h"
#include "tests/support/ModelFiles.h"
#include "view/MemoryGLContext.h"
#include "view/ZphView.h"

namespace {

using orbisk::geometry::CPoint3d;
using orbisk::geometry::CVector3d;

constexpr int kWidth = 1280;
constexpr int kHeight = 800;
// Quads per side; each quad is two triangles. The ground is 320,000 triangles, each of the four
// placed tiles 172,800.
constexpr int kGroundColumns = 400;
constexpr int kGroundRows = 400;
constexpr int kTileColumns = 288;
constexpr int kTileRows = 300;
constexpr int kTilePlacements = 4;
constexpr double kSpacing = 6.0;  // inches
constexpr std::array<std::array<uint8_t, 3>, 3> kColors = {{{168, 74, 50}, {90, 140, 70}, {200, 200, 190}}};

double Height(double x, double y)
{
    return 24.0 * std::sin(x * 0.011) * std::cos(y * 0.007);
}

// The triangles as the display list draws them, in model coordinates.
struct RawMesh {
    std::vector<float> positions;  // three per corner
    std::vector<float> normals;    // three per triangle
    std::vector<uint8_t> colors;   // three per triangle
};

struct Offset {
    double x = 0;
    double y = 0;
};

// A grid of quad faces over (0, 0), neighbours sharing vertices and edges.
class QuadGrid {
public:
    QuadGrid(WholeModel& model, int columns, int rows, const std::vector<const CObject*>& materials)
    {
        TopologyRecords& topology = model.Topology();
        auto index = [columns](int i, int j) { return j * (columns + 1) + i; };
        for (int j = 0; j <= rows; ++j)
            for (int i = 0; i <= columns; ++i) {
                m_points.push_back(Point(i, j));
                m_vertices.push_back(&topology.Vertex(m_points.back()));
            }
        std::vector<const TopologyRecords::EdgeRecord*> across;  // (i, j) to (i + 1, j)
        std::vector<const TopologyRecords::EdgeRecord*> up;      // (i, j) to (i, j + 1)
        for (int j = 0; j <= rows; ++j)
            for (int i = 0; i < columns; ++i)
                across.push_back(&NewEdge(topology, index(i, j), index(i + 1, j)));
        for (int j = 0; j < rows; ++j)
            for (int i = 0; i <= columns; ++i)
                up.push_back(&NewEdge(topology, index(i, j), index(i, j + 1)));
        for (int j = 0; j < rows; ++j)
            for (int i = 0; i < columns; ++i) {
                auto& loop = topology.Loop();
                loop.uses.push_back(&topology.EdgeUse(*across[j * columns + i], false, loop));
                loop.uses.push_back(&topology.EdgeUse(*up[j * (columns + 1) + i + 1], false, loop));
                loop.uses.push_back(&topology.EdgeUse(*across[(j + 1) * columns + i], true, loop));
                loop.uses.push_back(&topology.EdgeUse(*up[j * (columns + 1) + i], true, loop));
                const std::array<int, 4> corners = {index(i, j), index(i + 1, j), index(i + 1, j + 1),
                                                    index(i, j + 1)};
                auto& face = model.Faces().Face(PlaneOf(corners), {&loop});
                const size_t material = static_cast<size_t>(j / 8) % materials.size();
                face.frontMaterial = materials[material];
                m_faces.push_back(&face);
                m_quads.push_back({corners, material});
            }
    }

    std::vector<const CObject*> Entities() const
    {
        std::vector<const CObject*> entities(m_faces.begin(), m_faces.end());
        entities.insert(entities.end(), m_edges.begin(), m_edges.end());
        return entities;
    }

    // Each quad as the two triangles of its rising diagonal, moved by the offset.
    void AppendTriangles(RawMesh& mesh, Offset offset) const
    {
        for (const Quad& quad : m_quads) {
            for (const std::array<int, 3>& triangle :
                 {std::array<int, 3>{0, 1, 2}, std::array<int, 3>{0, 2, 3}}) {
                const std::array<double, 4> plane = PlaneOf(quad.corners);
                for (int k = 0; k < 3; ++k) {
                    const CPoint3d& p = m_points[quad.corners[triangle[k]]];
                    mesh.positions.insert(mesh.positions.end(),
                                          {float(p.x + offset.x), float(p.y + offset.y), float(p.z)});
                }
                mesh.normals.insert(mesh.normals.end(), {float(plane[0]), float(plane[1]), float(plane[2])});
                mesh.colors.insert(mesh.colors.end(), kColors[quad.material].begin(),
                                   kColors[quad.material].end());
            }
        }
    }

    size_t Triangles() const { return m_quads.size() * 2; }

private:
    struct Quad {
        std::array<int, 4> corners;
        size_t material;
    };

    static CPoint3d Point(int i, int j)
    {
        const double x = i * kSpacing;
        const double y = j * kSpacing;
        return {x, y, Height(x, y)};
    }

    const TopologyRecords::EdgeRecord& NewEdge(TopologyRecords& topology, int from, int to)
    {
        auto& edge = topology.Edge(*m_vertices[from], *m_vertices[to]);
        m_edges.push_back(&edge);
        return edge;
    }

    // The plane of the quad's first three corners (the swell is gentle: the fourth lies within
    // the tolerance a face allows only roughly, which the tessellation does not mind).
    std::array<double, 4> PlaneOf(const std::array<int, 4>& corners) const
    {
        const CPoint3d& a = m_points[corners[0]];
        const CPoint3d& b = m_points[corners[1]];
        const CPoint3d& c = m_points[corners[2]];
        CVector3d n = (b - a).Cross(c - a);
        n.Normalize();
        return {n.x, n.y, n.z, -(n.x * a.x + n.y * a.y + n.z * a.z)};
    }

    std::vector<CPoint3d> m_points;
    std::vector<const TopologyRecords::VertexRecord*> m_vertices;
    std::vector<const CObject*> m_faces;
    std::vector<const CObject*> m_edges;
    std::vector<Quad> m_quads;
};

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The model file on disk and the raw triangles.
struct LargeModel {
    std::filesystem::path path;
    RawMesh mesh;
    size_t triangles = 0;
    CPoint3d centre;

    explicit LargeModel(const std::filesystem::path& file) : path(file)
    {
        WholeModel model;
        std::vector<const CObject*> materials;
        const wchar_t* names[] = {L"Brick", L"Moss", L"Stone"};
        for (size_t k = 0; k < kColors.size(); ++k)
            materials.push_back(&model.Material(
                {.name = names[k], .color = {kColors[k][0], kColors[k][1], kColors[k][2], 255}}));
        model.materials = materials;
        ComponentRecords& components = model.Components();
        auto& tile = components.Definition(L"Tile");
        QuadGrid tileGrid(model, kTileColumns, kTileRows, materials);
        tile.entities = tileGrid.Entities();
        auto& root = components.Component();
        QuadGrid ground(model, kGroundColumns, kGroundRows, materials);
        root.entities = ground.Entities();
        ground.AppendTriangles(mesh, {});
        for (int k = 0; k < kTilePlacements; ++k) {
            const Offset offset{(k % 2) * kTileColumns * kSpacing - kTileColumns * kSpacing,
                                (k / 2) * kTileRows * kSpacing + kGroundRows * kSpacing};
            root.entities.push_back(
                &components.Instance(tile, ComponentTransform::Translation(offset.x, offset.y, 0)));
            tileGrid.AppendTriangles(mesh, offset);
        }
        root.definitions = {&tile};
        model.root = &root;
        model.SaveTo(path.string());
        triangles = ground.Triangles() + kTilePlacements * tileGrid.Triangles();
        centre = CPoint3d(kGroundColumns * kSpacing / 2, kGroundRows * kSpacing, 0);
    }
};

GLuint CompileDisplayList(const RawMesh& mesh)
{
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glBegin(GL_TRIANGLES);
    const size_t count = mesh.normals.size() / 3;
    for (size_t t = 0; t < count; ++t) {
        glNormal3fv(&mesh.normals[3 * t]);
        glColor3ubv(&mesh.colors[3 * t]);
        for (size_t k = 0; k < 3; ++k)
            glVertex3fv(&mesh.positions[9 * t + 3 * k]);
    }
    glEnd();
    glEndList();
    return list;
}

// The view's camera turned about the vertical through the target.
CCamera Orbit(const CCamera& start, const CPoint3d& target, double degrees)
{
    const double a = degrees * M_PI / 180.0;
    const CVector3d v = start.GetEye() - target;
    const CVector3d turned(v.x * std::cos(a) - v.y * std::sin(a), v.x * std::sin(a) + v.y * std::cos(a), v.z);
    CCamera camera = start;
    camera.SetEyeTargetUp(target + turned, target, CVector3d(0, 0, 1));
    return camera;
}

// The raw frame: the same projection, lights and clearing as the view's, then the list.
double RawFrame(CZphView& view, GLuint list)
{
    const auto start = std::chrono::steady_clock::now();
    view.SetupLights(false);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glCallList(list);
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_LIGHTING);
    glFinish();
    return Seconds(start);
}

double ViewFrame(CZphView& view)
{
    const auto start = std::chrono::steady_clock::now();
    view.PrepareFrame(false, 0);
    glFinish();
    return Seconds(start);
}

}  // namespace

int main(int argc, char** argv)
{
    int frames = 10;
    std::string keep;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--frames=", 9) == 0)
            frames = std::max(1, std::atoi(argv[i] + 9));
        else if (std::strncmp(argv[i], "--keep=", 7) == 0)
            keep = argv[i] + 7;
    }
    const std::filesystem::path path = keep.empty()
                                           ? std::filesystem::temp_directory_path() /
                                                 ("zph-bench-frame-" + std::to_string(getpid()) + ".zph")
                                           : std::filesystem::path(keep);
    std::printf("writing the model ...\n");
    LargeModel large(path);
    std::printf("%zu triangles, %.1f MB\n", large.triangles, std::filesystem::file_size(path) / 1e6);

    auto context = CreateMemoryGLContext(kWidth, kHeight, 24, 8, 8, 32);
    if (!context) {
        std::fprintf(stderr, "no offscreen GL context\n");
        return 1;
    }
    CZphView view;
    view.SetGLContext(context.release());
    view.SetDetailControlEnabled(false);

    auto* model = new CZephyronModel();
    auto start = std::chrono::steady_clock::now();
    const bool read = model->LoadFromFile(CString(path.c_str())) && model->GetStatus() == 0;
    const double readTime = Seconds(start);
    if (keep.empty())
        std::filesystem::remove(path);
    if (!read) {
        std::fprintf(stderr, "the model does not read\n");
        return 1;
    }
    view.SetModel(model);
    model->Release();
    view.SetViewportRect(0, 0, kWidth, kHeight);
    CCamera camera;
    camera.SetEyeTargetUp(large.centre + CVector3d(-1500, -2600, 1400), large.centre, CVector3d(0, 0, 1));
    camera.SetPerspective(true);
    view.SetCamera(camera, 0.0);

    const double firstFrame = ViewFrame(view);
    double orbitTotal = 0;
    for (int i = 1; i <= frames; ++i) {
        view.SetCamera(Orbit(camera, large.centre, 2.0 * i), 0.0);
        orbitTotal += ViewFrame(view);
    }
    const double orbitFrame = orbitTotal / frames;

    view.SetCamera(camera, 0.0);
    start = std::chrono::steady_clock::now();
    const GLuint list = CompileDisplayList(large.mesh);
    const double compile = Seconds(start);
    const double rawFirst = compile + RawFrame(view, list);
    double rawTotal = 0;
    for (int i = 1; i <= frames; ++i) {
        view.SetCamera(Orbit(camera, large.centre, 2.0 * i), 0.0);
        rawTotal += RawFrame(view, list);
    }
    const double rawFrame = rawTotal / frames;
    glDeleteLists(list, 1);

    std::printf("read                %8.3f s\n", readTime);
    std::printf("first frame         %8.3f s\n", firstFrame);
    std::printf("orbit frame         %8.3f s (mean of %d)\n", orbitFrame, frames);
    std::printf("raw list compile    %8.3f s (with its first replay %.3f s)\n", compile, rawFirst);
    std::printf("raw frame           %8.3f s (mean of %d)\n", rawFrame, frames);
    std::printf("first frame / (read + raw frame) = %.2f\n", firstFrame / (readTime + rawFrame));
    std::printf("orbit frame / raw frame          = %.2f\n", orbitFrame / rawFrame);
    return 0;
}
