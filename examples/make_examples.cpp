// Writes the sample models of this folder: zph_make_examples <output folder>
//
//   house.zph          walls and a pitched roof as faces, two materials, two layers, a window
//                      definition placed by an instance, three scenes
//   textured-box.zph   a box whose faces carry a material with a texture image
//   annotations.zph    a plate with texts and linear and radial dimensions
//
// Lengths are in inches, the unit of model files.
#include <cmath>
#include <cstdio>
#include <exception>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/ModelFiles.h"

namespace {

using orbisk::geometry::CPoint3d;

// Faces over shared vertices and edges: a face's loop uses an edge in the direction it runs,
// the neighbour's loop the other way.
class Surface {
public:
    explicit Surface(WholeModel& model) : m_model(model) {}

    // Corners counter-clockwise as seen from the front of the face.
    FaceRecords::FaceRecord& Face(const std::vector<CPoint3d>& outline, const CObject* material)
    {
        TopologyRecords& topology = m_model.Topology();
        auto& loop = topology.Loop();
        for (size_t i = 0; i < outline.size(); ++i) {
            bool reversed = false;
            auto& edge = EdgeBetween(outline[i], outline[(i + 1) % outline.size()], reversed);
            loop.uses.push_back(&topology.EdgeUse(edge, reversed, loop));
        }
        auto& face = m_model.Faces().Face(PlaneOf(outline), {&loop});
        face.frontMaterial = material;
        m_faces.push_back(&face);
        return face;
    }

    TopologyRecords::VertexRecord& VertexAt(const CPoint3d& point)
    {
        auto& vertex = m_vertices[Key(point)];
        if (!vertex)
            vertex = &m_model.Topology().Vertex(point);
        return *vertex;
    }

    // Faces first, then their edges: what a component lists.
    std::vector<const CObject*> Entities() const
    {
        std::vector<const CObject*> entities(m_faces.begin(), m_faces.end());
        entities.insert(entities.end(), m_edges.begin(), m_edges.end());
        return entities;
    }

private:
    using PointKey = std::tuple<double, double, double>;

    static PointKey Key(const CPoint3d& point) { return {point.x, point.y, point.z}; }

    TopologyRecords::EdgeRecord& EdgeBetween(const CPoint3d& from, const CPoint3d& to, bool& reversed)
    {
        auto& start = VertexAt(from);
        auto& end = VertexAt(to);
        if (auto found = m_edgeOf.find({&end, &start}); found != m_edgeOf.end()) {
            reversed = true;
            return *found->second;
        }
        reversed = false;
        auto& edge = m_model.Topology().Edge(start, end);
        m_edgeOf[{&start, &end}] = &edge;
        m_edges.push_back(&edge);
        return edge;
    }

    // a x + b y + c z + d = 0 with (a, b, c) the unit normal, by Newell's sums.
    static std::array<double, 4> PlaneOf(const std::vector<CPoint3d>& outline)
    {
        double nx = 0, ny = 0, nz = 0;
        for (size_t i = 0; i < outline.size(); ++i) {
            const CPoint3d& p = outline[i];
            const CPoint3d& q = outline[(i + 1) % outline.size()];
            nx += (p.y - q.y) * (p.z + q.z);
            ny += (p.z - q.z) * (p.x + q.x);
            nz += (p.x - q.x) * (p.y + q.y);
        }
        const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
        nx /= length;
        ny /= length;
        nz /= length;
        const CPoint3d& p = outline.front();
        return {nx, ny, nz, -(nx * p.x + ny * p.y + nz * p.z)};
    }

    WholeModel& m_model;
    std::map<PointKey, TopologyRecords::VertexRecord*> m_vertices;
    std::map<std::pair<const void*, const void*>, TopologyRecords::EdgeRecord*> m_edgeOf;
    std::vector<const CObject*> m_faces;
    std::vector<const CObject*> m_edges;
};

CameraFields Camera(const std::array<double, 3>& eye, const std::array<double, 3>& target,
                    const std::string& name)
{
    CameraFields camera;
    camera.eye = eye;
    camera.target = target;
    camera.up = {0, 0, 1};
    camera.nearDistance = 1.0;
    camera.farDistance = 10000.0;
    camera.fieldOfView = 35.0;
    camera.name = name;
    return camera;
}

const CObject& SceneWithCamera(WholeModel& model, const std::string& name, const CameraFields& camera)
{
    SceneFields scene;
    scene.page.name = name;
    scene.page.flags = 0x01;  // the scene keeps its camera
    scene.camera = camera;
    return model.Scene(scene);
}

// Box corners from the low corner and the sizes; faces counter-clockwise seen from outside.
void AddBox(Surface& surface, const CPoint3d& low, double dx, double dy, double dz, const CObject* material)
{
    const double x0 = low.x, y0 = low.y, z0 = low.z;
    const double x1 = x0 + dx, y1 = y0 + dy, z1 = z0 + dz;
    surface.Face({{x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}, {x1, y0, z0}}, material);  // bottom
    surface.Face({{x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}}, material);  // top
    surface.Face({{x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}}, material);  // front
    surface.Face({{x1, y1, z0}, {x0, y1, z0}, {x0, y1, z1}, {x1, y1, z1}}, material);  // back
    surface.Face({{x0, y1, z0}, {x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}}, material);  // left
    surface.Face({{x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1}}, material);  // right
}

void MakeHouse(const std::string& path)
{
    WholeModel model;
    model.description = L"A house: walls, a pitched roof and a window.";
    auto& brick = model.Material({.name = L"Brick", .color = {168, 74, 50, 255}});
    auto& tiles = model.Material({.name = L"Roof tiles", .color = {90, 60, 55, 255}});
    auto& glass = model.Material(
        {.name = L"Glass", .color = {150, 190, 220, 255}, .transparency = 0.5, .useTransparency = true});
    model.materials = {&brick, &tiles, &glass};
    model.layers = {&model.Layer({}), &model.Layer({.name = L"Roof", .color = {200, 120, 100, 255}})};

    // 40 by 30 feet, walls 10 feet high, the ridge 6 feet above them along x.
    const double w = 480, d = 360, h = 120, ridge = 192;
    Surface house(model);
    house.Face({{0, 0, 0}, {0, d, 0}, {w, d, 0}, {w, 0, 0}}, &brick);                     // floor
    house.Face({{0, 0, 0}, {w, 0, 0}, {w, 0, h}, {0, 0, h}}, &brick);                     // front
    house.Face({{w, d, 0}, {0, d, 0}, {0, d, h}, {w, d, h}}, &brick);                     // back
    house.Face({{0, d, 0}, {0, 0, 0}, {0, 0, h}, {0, d / 2, ridge}, {0, d, h}}, &brick);  // gable
    house.Face({{w, 0, 0}, {w, d, 0}, {w, d, h}, {w, d / 2, ridge}, {w, 0, h}}, &brick);  // gable
    house.Face({{0, 0, h}, {w, 0, h}, {w, d / 2, ridge}, {0, d / 2, ridge}}, &tiles);     // roof
    house.Face({{w, d, h}, {0, d, h}, {0, d / 2, ridge}, {w, d / 2, ridge}}, &tiles);     // roof

    // A window pane of its own, set just in front of the front wall.
    Surface pane(model);
    pane.Face({{0, 0, 0}, {48, 0, 0}, {48, 0, 40}, {0, 0, 40}}, &glass);
    ComponentRecords& components = model.Components();
    auto& window = components.Definition(L"Window");
    window.description = L"A fixed window pane";
    window.entities = pane.Entities();
    auto& placed = components.Instance(window, ComponentTransform::Translation(216, -1, 48));
    placed.name = L"Front window";

    auto& root = components.Component();
    root.entities = house.Entities();
    root.entities.push_back(&placed);
    root.definitions = {&window};
    model.root = &root;

    model.camera = Camera({-500, -700, 450}, {240, 180, 80}, "");
    model.scenes = {&SceneWithCamera(model, "Front", Camera({240, -900, 150}, {240, 180, 100}, "Front")),
                    &SceneWithCamera(model, "Corner", Camera({-500, -700, 450}, {240, 180, 80}, "Corner")),
                    &SceneWithCamera(model, "Above", Camera({240, 180, 1500}, {240, 181, 0}, "Above"))};
    model.selectedScene = model.scenes.front();
    model.SaveTo(path);
}

void MakeTexturedBox(const std::string& path)
{
    WholeModel model;
    model.description = L"A box whose faces carry a checkered texture.";
    // 8 by 8 pixels of two colours in squares of two.
    const Rgba light{235, 225, 200, 255};
    const Rgba dark{60, 90, 140, 255};
    std::vector<Rgba> pixels;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x)
            pixels.push_back(((x / 2 + y / 2) % 2 == 0) ? light : dark);
    }
    TextureFields texture;
    texture.image = &model.Image(BitmapFile(8, 8, pixels));
    texture.xScale = 24.0;  // one image per two feet
    texture.yScale = 24.0;
    texture.fileName = L"checker.bmp";
    texture.averageColor = {148, 158, 170, 255};
    auto& checker = model.Material({.name = L"Checker", .color = {148, 158, 170, 255}, .texture = texture});
    model.materials = {&checker};

    Surface box(model);
    AddBox(box, {0, 0, 0}, 48, 48, 48, &checker);
    auto& root = model.Components().Component();
    root.entities = box.Entities();
    model.root = &root;
    model.camera = Camera({-60, -90, 80}, {24, 24, 24}, "");
    model.SaveTo(path);
}

void MakeAnnotations(const std::string& path)
{
    WholeModel model;
    model.description = L"A plate with texts, a linear and a radial dimension.";
    auto& steel = model.Material({.name = L"Steel", .color = {170, 175, 180, 255}});
    model.materials = {&steel};

    Surface plate(model);
    plate.Face({{0, 0, 0}, {100, 0, 0}, {100, 60, 0}, {0, 60, 0}}, &steel);

    TextRecords& texts = model.Texts();
    auto& font = texts.Font(L"Arial", 12);
    model.fonts = {&font};
    model.textStyle.font = &font;

    auto& title = texts.Text(L"Plate 100 x 60");
    title.font = &font;
    title.anchor.kind = 1;  // a free point
    title.anchor.parameters[0] = 50;
    title.anchor.parameters[1] = 75;
    title.leaderShown = false;

    auto& corner = texts.Text(L"Corner");
    corner.font = &font;
    corner.anchor.kind = 2;  // on a vertex
    corner.anchor.entity = &plate.VertexAt({100, 60, 0});
    corner.leaderVector = {20, 20, 0};
    corner.leaderType = 1;

    DimensionRecords& dimensions = model.Dimensions();
    auto& width = dimensions.Linear();
    width.point1 = DimensionRecords::Point::On(2, &plate.VertexAt({0, 0, 0}));
    width.point2 = DimensionRecords::Point::On(2, &plate.VertexAt({100, 0, 0}));
    width.yOffset = -15;
    auto& height = dimensions.Linear();
    height.point1 = DimensionRecords::Point::On(2, &plate.VertexAt({100, 0, 0}));
    height.point2 = DimensionRecords::Point::On(2, &plate.VertexAt({100, 60, 0}));
    height.xAxis = {0, 1, 0};
    height.yOffset = -15;
    auto& hole = dimensions.Radial();
    hole.center = {30, 30, 0};
    hole.radius = 12;
    hole.startAngle = 0;
    hole.endAngle = 2 * std::acos(-1.0);
    hole.leaderAngle = 0.785;
    hole.leaderPosition = 20;
    hole.diameter = true;

    auto& root = model.Components().Component();
    root.entities = plate.Entities();
    root.entities.insert(root.entities.end(), {&title, &corner, &width, &height, &hole});
    model.root = &root;
    model.camera = Camera({50, 30, 250}, {50, 31, 0}, "");
    model.SaveTo(path);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: zph_make_examples <output folder>\n");
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    try {
        MakeHouse(folder + "house.zph");
        MakeTexturedBox(folder + "textured-box.zph");
        MakeAnnotations(folder + "annotations.zph");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zph_make_examples: %s\n", e.what());
        return 1;
    }
    return 0;
}
