// Decoding a 4,000 x 3,000 photo-like image, JPEG and PNG (into 24 bits, its own format,
// and into 32 bits): our decoder against the library's own decode loop over the same
// bytes, with the same settings and output layout. The two sides run interleaved, round
// after round; the figure is the median of the rounds' time ratios, printed at the end.

#include "image/PLAnyBmp.h"
#include "image/PLAnyPicDecoder.h"
#include "image/PLJPEGEncoder.h"
#include "image/PLPNGEncoder.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
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

// One decode by our decoder into the requested format (unnamed: the file's own).
void DecodeWithOurs(const std::vector<uint8_t>& data, const PLPixelFormat& format)
{
    PLAnyPicDecoder decoder;
    PLAnyBmp bmp;
    decoder.DecodeMemory(data.data(), data.size(), bmp, format);
    benchmark::DoNotOptimize(bmp.GetLine(0));
}

// libjpeg's loop with our settings: blue-first 32-bit rows, no fancy upsampling, float DCT.
void DecodeJpegWithLibrary(const std::vector<uint8_t>& data)
{
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
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
    jpeg_destroy_decompress(&info);
    benchmark::DoNotOptimize(pixels.get());
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

// libpng's loop: blue-first rows straight into one block, 24 bits or, with the filler,
// 32 bits.
void DecodePngWithLibrary(const std::vector<uint8_t>& data, bool filler)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    PngMemory memory{data.data(), data.size()};
    png_set_read_fn(png, &memory, ReadPng);
    png_read_info(png, info);
    png_set_bgr(png);
    if (filler)
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
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

struct Side {
    std::function<void()> ours;
    std::function<void()> library;
};

double Seconds(const std::function<void()>& decode)
{
    const auto start = std::chrono::steady_clock::now();
    decode();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Each iteration is one round: one decode by each side, back to back, the side that goes
// first alternating from round to round. A burst of load on the machine then hits both
// sides of a round alike, and the median of the rounds' ratios leaves out the rounds it
// hit unevenly. The iteration time reported is ours.
void Compare(benchmark::State& state, const Side& side)
{
    side.ours();  // warm up both, so that no first-touch cost lands in a round
    side.library();
    std::vector<double> ours, library, ratios;
    for (auto _ : state) {
        const bool oursFirst = ours.size() % 2 == 0;
        const double first = Seconds(oursFirst ? side.ours : side.library);
        const double second = Seconds(oursFirst ? side.library : side.ours);
        ours.push_back(oursFirst ? first : second);
        library.push_back(oursFirst ? second : first);
        ratios.push_back(ours.back() / library.back());
        state.SetIterationTime(ours.back());
    }
    state.counters["ours_ms"] = 1000 * Median(ours);
    state.counters["library_ms"] = 1000 * Median(library);
    state.counters["ratio"] = Median(ratios);
    state.SetItemsProcessed(state.iterations() * int64_t(kWidth) * kHeight);
}

int g_rounds = 15;

const PLPixelFormat& ThirtyTwoBits()
{
    static const PLPixelFormat format = PLPixelFormat::FindByName("X8R8G8B8");
    return format;
}

// The median ratio of each comparison, for the summary at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto ratio = run.counters.find("ratio");
            if (ratio != run.counters.end())
                ratios.emplace_back(run.run_name.function_name, ratio->second.value);
        }
    }
    std::vector<std::pair<std::string, double>> ratios;
};

}  // namespace

int main(int argc, char** argv)
{
    // --rounds=N sets the number of rounds of each comparison (default 15).
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--rounds=", 9) == 0)
            g_rounds = std::max(1, std::atoi(argv[i] + 9));
    }
    benchmark::Initialize(&argc, argv);
    const Pictures& pictures = GetPictures();
    const std::pair<const char*, Side> comparisons[] = {
        {"Jpeg", {[&] { DecodeWithOurs(pictures.jpeg, {}); }, [&] { DecodeJpegWithLibrary(pictures.jpeg); }}},
        {"Png24",
         {[&] { DecodeWithOurs(pictures.png, {}); }, [&] { DecodePngWithLibrary(pictures.png, false); }}},
        {"Png32",
         {[&] { DecodeWithOurs(pictures.png, ThirtyTwoBits()); },
          [&] { DecodePngWithLibrary(pictures.png, true); }}},
    };
    for (const auto& [name, side] : comparisons)
        benchmark::RegisterBenchmark(name, Compare, side)
            ->Iterations(g_rounds)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const auto& [name, ratio] : reporter.ratios)
        std::printf("%s: ours / library = %.3f (median of %d interleaved rounds)\n", name.c_str(), ratio,
                    g_rounds);
    benchmark::Shutdown();
    return 0;
}
