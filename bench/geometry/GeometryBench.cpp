// Speed of the operations that run per point or per vertex of a model: transforming
// points and boxes, building a tessellation mesh, classifying points against an outline.

#include "geometry/Polygon2d.h"
#include "geometry/PolygonMesh.h"
#include "geometry/Transform3d.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

using namespace orbisk::geometry;

std::vector<CPoint3d> GridPoints(int side)
{
    std::vector<CPoint3d> points;
    points.reserve(static_cast<std::size_t>(side) * side);
    for (int i = 0; i < side; ++i) {
        for (int j = 0; j < side; ++j)
            points.emplace_back(i * 0.5, j * 0.5, std::sin(i * 0.1) * std::cos(j * 0.1));
    }
    return points;
}

void TransformPoints(benchmark::State& state)
{
    // From a source array into a destination, so that every pass transforms the same
    // finite points (scaling in place would run them off to infinity).
    const std::vector<CPoint3d> source = GridPoints(316);
    std::vector<CPoint3d> points(source.size());
    CTransform3d transform(CPoint3d(1, 2, 3), CUnitVector3d(1, 1, 1), 0.7);
    transform.scale = 1.5;
    for (auto _ : state) {
        for (std::size_t i = 0; i < source.size(); ++i)
            points[i] = transform.MultiplyPoint(source[i]);
        benchmark::DoNotOptimize(points.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(points.size()));
}
BENCHMARK(TransformPoints);

void TransformBoxes(benchmark::State& state)
{
    const CTransform3d transform(CPoint3d(1, 2, 3), CUnitVector3d(1, 1, 1), 0.7);
    CBoundingBox3d box;
    box.Add(CPoint3d(0, 0, 0));
    box.Add(CPoint3d(1, 2, 3));
    for (auto _ : state)
        benchmark::DoNotOptimize(transform.MultiplyBox(box));
}
BENCHMARK(TransformBoxes);

// Every grid cell as a quad whose corners are shared through AddPoint's linear search.
void BuildMesh(benchmark::State& state)
{
    const int side = static_cast<int>(state.range(0));
    const std::vector<CPoint3d> points = GridPoints(side);
    for (auto _ : state) {
        CPolygonMesh mesh(CPolygonMesh::kNormals);
        mesh.Reserve(points.size(), static_cast<std::size_t>(side - 1) * (side - 1));
        for (int i = 0; i + 1 < side; ++i) {
            for (int j = 0; j + 1 < side; ++j) {
                const int quad[4] = {
                    mesh.AddPoint(points[i * side + j]), mesh.AddPoint(points[(i + 1) * side + j]),
                    mesh.AddPoint(points[(i + 1) * side + j + 1]), mesh.AddPoint(points[i * side + j + 1])};
                mesh.AddPolygon(4, quad);
            }
        }
        benchmark::DoNotOptimize(mesh.indices.data());
    }
}
BENCHMARK(BuildMesh)->Arg(16)->Arg(64);

void ClassifyPoints(benchmark::State& state)
{
    CPolygon2d star;
    const int tips = static_cast<int>(state.range(0));
    for (int k = 0; k < 2 * tips; ++k) {
        const double angle = kPi * k / tips, radius = k % 2 ? 40.0 : 100.0;
        star.AddPoint(CPoint2d(radius * std::cos(angle), radius * std::sin(angle)));
    }
    std::vector<CPoint2d> probes;
    for (int i = -50; i < 50; ++i)
        probes.emplace_back(i * 2.1, i * 1.3);
    for (auto _ : state) {
        int inside = 0;
        for (const CPoint2d& p : probes)
            inside += star.Classify(p) == kInsidePolygon;
        benchmark::DoNotOptimize(inside);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(probes.size()));
}
BENCHMARK(ClassifyPoints)->Arg(5)->Arg(100);

}  // namespace
