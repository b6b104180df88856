// Decoding a 4,000 x 3,000 photo-like image, JPEG and PNG: our decoder against the
// library's own decode loop over the same bytes, with the same settings and output
// layout. The figure is the ratio of the two times, printed at the end.

#include "image/PLAnyBmp.h"
#include "image/PLAnyPicDecoder.h"
#include "image/PLJPEGEncoder.h"
#include "image/PLPNGEncoder.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// Smooth shading with fine texture, so that both codecs work as on a photograph.
PLAnyBmp MakePicture()
{
    PLAnyBmp bmp;
    bmp.Create(kWidth, kHeight, PLPixelFormat::FindByName("X8R8G8B8"), nullptr, 0, {72, 72});
    uint32_t noise = 12345;
    for (int y = 0; y < kHeight; ++y) {
        uint8_t* row = bmp.GetLine(y);
        for (int x = 0; x < kWidth; ++x, row += 4) {
            noise = noise * 1664525u + 1013904223u;
            const int grain = int(noise >> 28) - 8;
            const double wave = 60 * std::sin(x * 0.004) * std::cos(y * 0.003);
            row[0] = uint8_t(std::clamp(int(128 + wave + grain), 0, 255));
            row[1] = uint8_t(std::clamp(int(x * 255 / kWidth + grain), 0, 255));
            row[2] = uint8_t(std::clamp(int(y * 255 / kHeight - wave + grain), 0, 255));
            row[3] = 255;
        }
    }
    return bmp;
}

std::vector<uint8_t> ReadFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The two files, written once into a temporary folder and read back into memory.
struct Pictures {
    std::vector<uint8_t> jpeg;
    std::vector<uint8_t> png;

    Pictures()
    {
        const std::filesystem::path folder = std::filesystem::temp_directory_path() / "zph-image-bench";
        std::filesystem::create_directories(folder);
        const PLAnyBmp picture = MakePicture();
        PLJPEGEncoder jpegEncoder;
        jpegEncoder.SetQuality(90);
        jpegEncoder.EncodeFile((folder / "picture.jpg").c_str(), picture);
        PLPNGEncoder pngEncoder;
        pngEncoder.SetCompressionLevel(6);
        pngEncoder.EncodeFile((folder / "picture.png").c_str(), picture);
        jpeg = ReadFile(folder / "picture.jpg");
        png = ReadFile(folder / "picture.png");
        std::filesystem::remove_all(folder);
    }
};

const Pictures& GetPictures()
{
    static const Pictures pictures;
    return pictures;
}

void DecodeWithOurs(benchmark::State& state, const std::vector<uint8_t>& data)
{
    PLAnyPicDecoder decoder;
    for (auto _ : state) {
        PLAnyBmp bmp;
        decoder.DecodeMemory(data.data(), data.size(), bmp);
        benchmark::DoNotOptimize(bmp.GetLine(0));
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kWidth) * kHeight);
}

void OursJpeg(benchmark::State& state)
{
    DecodeWithOurs(state, GetPictures().jpeg);
}

void OursPng(benchmark::State& state)
{
    DecodeWithOurs(state, GetPictures().png);
}

// libjpeg's loop with our settings: blue-first 32-bit rows, no fancy upsampling, float DCT.
void LibraryJpeg(benchmark::State& state)
{
    const std::vector<uint8_t>& data = GetPictures().jpeg;
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    for (auto _ : state) {
        jpeg_mem_src(&info, data.data(), data.size());
        jpeg_read_header(&info, TRUE);
        info.do_fancy_upsampling = FALSE;
        info.dct_method = JDCT_FLOAT;
        info.out_color_space = JCS_EXT_BGRA;
        jpeg_start_decompress(&info);
        const size_t rowBytes = size_t(info.output_width) * 4;
        auto pixels = std::make_unique_for_overwrite<uint8_t[]>(rowBytes * info.output_height);
        std::vector<JSAMPROW> rows(info.output_height);
        for (size_t y = 0; y < rows.size(); ++y)
            rows[y] = pixels.get() + y * rowBytes;
        while (info.output_scanline < info.output_height)
            jpeg_read_scanlines(&info, rows.data() + info.output_scanline,
                                info.output_height - info.output_scanline);
        jpeg_finish_decompress(&info);
        benchmark::DoNotOptimize(pixels.get());
    }
    jpeg_destroy_decompress(&info);
    state.SetItemsProcessed(state.iterations() * int64_t(kWidth) * kHeight);
}

struct PngMemory {
    const uint8_t* data;
    size_t left;
};

void ReadPng(png_structp png, png_bytep out, size_t count)
{
    auto* memory = static_cast<PngMemory*>(png_get_io_ptr(png));
    if (count > memory->left)
        png_error(png, "end of data");
    std::memcpy(out, memory->data, count);
    memory->data += count;
    memory->left -= count;
}

// libpng's loop: blue-first 24-bit rows straight into one block.
void LibraryPng(benchmark::State& state)
{
    const std::vector<uint8_t>& data = GetPictures().png;
    for (auto _ : state) {
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        PngMemory memory{data.data(), data.size()};
        png_set_read_fn(png, &memory, ReadPng);
        png_read_info(png, info);
        png_set_bgr(png);
        png_read_update_info(png, info);
        const size_t rowBytes = png_get_rowbytes(png, info);
        const png_uint_32 height = png_get_image_height(png, info);
        auto pixels = std::make_unique_for_overwrite<uint8_t[]>(rowBytes * height);
        std::vector<png_bytep> rows(height);
        for (size_t y = 0; y < rows.size(); ++y)
            rows[y] = pixels.get() + y * rowBytes;
        png_read_image(png, rows.data());
        png_read_end(png, nullptr);
        png_destroy_read_struct(&png, &info, nullptr);
        benchmark::DoNotOptimize(pixels.get());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kWidth) * kHeight);
}

BENCHMARK(OursJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(LibraryJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(OursPng)->Unit(benchmark::kMillisecond);
BENCHMARK(LibraryPng)->Unit(benchmark::kMillisecond);

// The console report, plus the time of each benchmark for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            times[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    GetPictures();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* format : {"Jpeg", "Png"}) {
        const auto ours = reporter.times.find(std::string("Ours") + format);
        const auto library = reporter.times.find(std::string("Library") + format);
        if (ours != reporter.times.end() && library != reporter.times.end())
            std::printf("%s: ours / library = %.3f\n", format, ours->second / library->second);
    }
    benchmark::Shutdown();
    return 0;
}
