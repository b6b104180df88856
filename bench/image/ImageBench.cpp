// Decoding a 4,000 x 3,000 photo-like image, JPEG and PNG (into 24 bits, its own format,
// and into 32 bits): our decoder against the library's own decode loop over the same
// bytes, with the same settings and output layout. The two sides run interleaved, round
// after round; the figure is the median of the rounds' time ratios, printed at the end.
//
// The formats we parse ourselves are measured on a 2,000 x 1,500 version of the picture,
// each against a Debian library's decode of the same bytes into 32-bit blue-first pixels:
// netpbm's row reader for PPM and PGM, ImageMagick's MagickCore (one thread) for BMP, TGA,
// PCX, SGI, PSD and PICT, whose files MagickCore also writes; and a Windows metafile of
// many shapes against libwmf's own renderer, which ours runs under. Without libnetpbm-dev
// or libmagickcore-6.q16-dev the comparisons that need them are left out.

#include "image/PLAnyBmp.h"
#include "image/PLAnyPicDecoder.h"
#include "image/PLJPEGEncoder.h"
#include "image/PLPNGEncoder.h"
#include "image/PLTextException.h"

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

#include "image/PLWEMFDecoder.h"

#include <libwmf/api.h>
#include <libwmf/gd.h>

#ifdef ZPH_BENCH_NETPBM
#include <netpbm/pgm.h>
#include <netpbm/ppm.h>
#endif
#ifdef ZPH_BENCH_MAGICK
#include <magick/MagickCore.h>
#endif

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

constexpr int kSmallWidth = 2000;
constexpr int kSmallHeight = 1500;

// The picture's top-left 2,000 x 1,500 pixels.
PLAnyBmp MakeSmallPicture()
{
    const PLAnyBmp picture = MakePicture();
    PLAnyBmp small;
    small.Create(kSmallWidth, kSmallHeight, PLPixelFormat::FindByName("X8R8G8B8"), nullptr, 0, {72, 72});
    for (int y = 0; y < kSmallHeight; ++y)
        std::memcpy(small.GetLine(y), picture.GetLine(y), size_t(kSmallWidth) * 4);
    return small;
}

std::vector<uint8_t> WriteNetpbm(const PLAnyBmp& picture, bool grey)
{
    const std::string header = std::string(grey ? "P5\n" : "P6\n") + std::to_string(kSmallWidth) + " " +
                               std::to_string(kSmallHeight) + "\n255\n";
    std::vector<uint8_t> data(header.begin(), header.end());
    for (int y = 0; y < kSmallHeight; ++y) {
        const uint8_t* row = picture.GetLine(y);
        for (int x = 0; x < kSmallWidth; ++x, row += 4) {
            if (grey) {
                data.push_back(uint8_t((row[0] + 2 * row[1] + row[2]) / 4));
            } else {
                data.push_back(row[2]);
                data.push_back(row[1]);
                data.push_back(row[0]);
            }
        }
    }
    return data;
}

// A placeable metafile of 2,000 x 1,500 pixels at 96 units per inch: 2,000 rectangles
// and ellipses of many colours over each other.
std::vector<uint8_t> WriteMetafile()
{
    std::vector<uint8_t> records;
    const auto u16 = [&](int v) {
        records.push_back(uint8_t(v));
        records.push_back(uint8_t(v >> 8));
    };
    const auto u32 = [&](uint32_t v) {
        u16(int(v & 0xFFFF));
        u16(int(v >> 16));
    };
    u32(5), u16(0x020B), u16(0), u16(0);                       // window origin
    u32(5), u16(0x020C), u16(kSmallHeight), u16(kSmallWidth);  // window extent
    uint32_t noise = 987654321;
    for (int i = 0; i < 2000; ++i) {
        noise = noise * 1664525u + 1013904223u;
        const int left = int(noise % (kSmallWidth - 200)), top = int((noise >> 12) % (kSmallHeight - 200));
        const int size = 20 + int((noise >> 24) % 180);
        u32(7), u16(0x02FC), u16(0), u32(noise & 0xFFFFFF), u16(0);  // solid brush
        u32(4), u16(0x012D), u16(0);                                 // select it
        u32(4), u16(0x01F0), u16(0);                                 // and delete it after
        u32(7), u16(i % 2 ? 0x0418 : 0x041B), u16(top + size), u16(left + size), u16(top), u16(left);
    }
    u32(3), u16(0);
    std::vector<uint8_t> data;
    const auto put16 = [&](int v) {
        data.push_back(uint8_t(v));
        data.push_back(uint8_t(v >> 8));
    };
    const auto put32 = [&](uint32_t v) {
        put16(int(v & 0xFFFF));
        put16(int(v >> 16));
    };
    put32(0x9AC6CDD7), put16(0), put16(0), put16(0), put16(kSmallWidth), put16(kSmallHeight), put16(96),
        put32(0);
    put16(0);
    put16(1), put16(9), put16(0x300), put32(uint32_t(9 + records.size() / 2)), put16(1), put32(7), put16(0);
    data.insert(data.end(), records.begin(), records.end());
    return data;
}

#ifdef ZPH_BENCH_MAGICK
// The picture in one of MagickCore's formats, as MagickCore writes it.
std::vector<uint8_t> WriteWithMagick(const PLAnyBmp& picture, const char* magick, CompressionType compression)
{
    std::vector<uint8_t> pixels(size_t(kSmallWidth) * kSmallHeight * 4);
    for (int y = 0; y < kSmallHeight; ++y)
        std::memcpy(pixels.data() + size_t(y) * kSmallWidth * 4, picture.GetLine(y), size_t(kSmallWidth) * 4);
    ExceptionInfo* exception = AcquireExceptionInfo();
    Image* image = ConstituteImage(kSmallWidth, kSmallHeight, "BGRA", CharPixel, pixels.data(), exception);
    SetImageAlphaChannel(image, DeactivateAlphaChannel);
    image->compression = compression;
    // MagickCore writes TGA rows top first; the descriptor must say so.
    image->orientation = TopLeftOrientation;
    ImageInfo* info = AcquireImageInfo();
    CopyMagickString(info->magick, magick, MaxTextExtent);
    CopyMagickString(image->magick, magick, MaxTextExtent);
    info->compression = compression;
    size_t length = 0;
    void* blob = ImageToBlob(info, image, &length, exception);
    std::vector<uint8_t> data(static_cast<uint8_t*>(blob), static_cast<uint8_t*>(blob) + length);
    RelinquishMagickMemory(blob);
    DestroyImageInfo(info);
    DestroyImage(image);
    DestroyExceptionInfo(exception);
    return data;
}

// MagickCore's decode of the bytes into 32-bit blue-first pixels.
void DecodeWithMagick(const std::vector<uint8_t>& data, const char* magick)
{
    ExceptionInfo* exception = AcquireExceptionInfo();
    ImageInfo* info = AcquireImageInfo();
    CopyMagickString(info->filename, (std::string(magick) + ":bench").c_str(), MaxTextExtent);
    CopyMagickString(info->magick, magick, MaxTextExtent);
    Image* image = BlobToImage(info, data.data(), data.size(), exception);
    if (image) {
        auto pixels = std::make_unique_for_overwrite<uint8_t[]>(image->columns * image->rows * 4);
        ExportImagePixels(image, 0, 0, image->columns, image->rows, "BGRA", CharPixel, pixels.get(),
                          exception);
        benchmark::DoNotOptimize(pixels.get());
        DestroyImage(image);
    }
    DestroyImageInfo(info);
    DestroyExceptionInfo(exception);
}
#endif

#ifdef ZPH_BENCH_NETPBM
// netpbm's row reader, each row spread into 32-bit blue-first pixels.
void DecodeWithNetpbm(const std::vector<uint8_t>& data, bool grey)
{
    FILE* file = fmemopen(const_cast<uint8_t*>(data.data()), data.size(), "rb");
    int columns = 0, rows = 0, format = 0;
    auto pixels = std::make_unique_for_overwrite<uint8_t[]>(size_t(kSmallWidth) * kSmallHeight * 4);
    if (grey) {
        gray maximum = 0;
        pgm_readpgminit(file, &columns, &rows, &maximum, &format);
        gray* row = pgm_allocrow(columns);
        for (int y = 0; y < rows; ++y) {
            pgm_readpgmrow(file, row, columns, maximum, format);
            uint8_t* out = pixels.get() + size_t(y) * columns * 4;
            for (int x = 0; x < columns; ++x, out += 4)
                out[0] = out[1] = out[2] = uint8_t(row[x] * 255 / maximum), out[3] = 255;
        }
        pgm_freerow(row);
    } else {
        pixval maximum = 0;
        ppm_readppminit(file, &columns, &rows, &maximum, &format);
        pixel* row = ppm_allocrow(columns);
        for (int y = 0; y < rows; ++y) {
            ppm_readppmrow(file, row, columns, maximum, format);
            uint8_t* out = pixels.get() + size_t(y) * columns * 4;
            for (int x = 0; x < columns; ++x, out += 4) {
                out[0] = uint8_t(PPM_GETB(row[x]) * 255 / maximum);
                out[1] = uint8_t(PPM_GETG(row[x]) * 255 / maximum);
                out[2] = uint8_t(PPM_GETR(row[x]) * 255 / maximum);
                out[3] = 255;
            }
        }
        ppm_freerow(row);
    }
    fclose(file);
    benchmark::DoNotOptimize(pixels.get());
}
#endif

void DecodeMetafileWithOurs(const std::vector<uint8_t>& data)
{
    PLWEMFDecoder decoder;
    PLAnyBmp bmp;
    decoder.DecodeMemory(data.data(), data.size(), bmp);
    benchmark::DoNotOptimize(bmp.GetLine(0));
}

// libwmf's renderer into its own picture, with the size ours gives the metafile.
void DecodeMetafileWithLibwmf(const std::vector<uint8_t>& data)
{
    wmfAPI* api = nullptr;
    wmfAPI_Options options{};
    options.function = wmf_gd_function;
    wmf_api_create(&api, WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG,
                   &options);
    wmf_mem_open(api, const_cast<unsigned char*>(data.data()), long(data.size()));
    wmfD_Rect box{};
    wmf_scan(api, 0, &box);
    wmf_gd_t* device = WMF_GD_GetData(api);
    // The same output as ours: a PNG in memory that libwmf frees itself.
    char* png = nullptr;
    size_t length = 0;
    FILE* file = open_memstream(&png, &length);
    device->type = wmf_gd_png;
    device->flags |= WMF_GD_OUTPUT_FILE;
    device->file = file;
    device->width = kSmallWidth;
    device->height = kSmallHeight;
    device->bbox = {{0, 0}, {float(kSmallWidth) * 72 / 96, float(kSmallHeight) * 72 / 96}};
    box = device->bbox;
    wmf_play(api, 0, &box);
    fclose(file);
    benchmark::DoNotOptimize(png);
    free(png);
    wmf_api_destroy(api);
}

// The files of the formats we parse ourselves, with the library decode of each.
struct SmallPictures {
    std::vector<std::pair<std::string,
                          std::pair<std::vector<uint8_t>, std::function<void(const std::vector<uint8_t>&)>>>>
        files;
    std::vector<uint8_t> metafile;

    SmallPictures()
    {
        const PLAnyBmp picture = MakeSmallPicture();
#ifdef ZPH_BENCH_NETPBM
        files.push_back(
            {"Ppm", {WriteNetpbm(picture, false), [](const auto& d) { DecodeWithNetpbm(d, false); }}});
        files.push_back(
            {"Pgm", {WriteNetpbm(picture, true), [](const auto& d) { DecodeWithNetpbm(d, true); }}});
#endif
#ifdef ZPH_BENCH_MAGICK
        struct Format {
            const char* name;
            const char* magick;
            CompressionType compression;
        };
        for (const Format& f :
             {Format{"Bmp", "BMP3", NoCompression}, Format{"Tga", "TGA", RLECompression},
              Format{"Pcx", "PCX", RLECompression}, Format{"Sgi", "SGI", RLECompression},
              Format{"Psd", "PSD", RLECompression}, Format{"Pict", "PICT", RLECompression}}) {
            const std::string magick = std::string(f.magick) == "BMP3" ? "BMP" : f.magick;
            files.push_back({f.name,
                             {WriteWithMagick(picture, f.magick, f.compression),
                              [magick](const auto& d) { DecodeWithMagick(d, magick.c_str()); }}});
        }
#endif
        metafile = WriteMetafile();
        // Each file must decode to the picture (grey for PGM), or its figures mean nothing.
        for (const auto& [name, file] : files) {
            PLAnyPicDecoder decoder;
            PLAnyBmp bmp;
            try {
                decoder.DecodeMemory(file.first.data(), file.first.size(), bmp);
            } catch (const PLTextException& e) {
                std::fprintf(stderr, "%s: our decode fails: %s", name.c_str(), e.GetText());
                continue;
            }
            const uint8_t* middle =
                bmp.GetLine(kSmallHeight / 2) + kSmallWidth / 2 * bmp.GetBitsPerPixel() / 8;
            const uint8_t* ours = bmp.GetBitsPerPixel() == 8 ? &bmp.GetPalette()[*middle].b : middle;
            const uint8_t* theirs = picture.GetLine(kSmallHeight / 2) + kSmallWidth / 2 * 4;
            const int grey = (theirs[0] + 2 * theirs[1] + theirs[2]) / 4;
            const bool same =
                bmp.GetSize() == picture.GetSize() &&
                (name == "Pgm" ? std::abs(ours[1] - grey) <= 1 : std::abs(ours[1] - theirs[1]) <= 1);
            if (!same)
                std::fprintf(stderr, "%s: our decode differs from the picture\n", name.c_str());
        }
    }
};

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
#ifdef ZPH_BENCH_MAGICK
    MagickCoreGenesis(argv[0], MagickFalse);
    SetMagickResourceLimit(ThreadResource, 1);  // ours decodes on one thread
#endif
#ifdef ZPH_BENCH_NETPBM
    pm_init(argv[0], 0);
#endif
    const Pictures& pictures = GetPictures();
    static const SmallPictures small;
    const std::pair<const char*, Side> comparisons[] = {
        {"Jpeg", {[&] { DecodeWithOurs(pictures.jpeg, {}); }, [&] { DecodeJpegWithLibrary(pictures.jpeg); }}},
        {"Png24",
         {[&] { DecodeWithOurs(pictures.png, {}); }, [&] { DecodePngWithLibrary(pictures.png, false); }}},
        {"Png32",
         {[&] { DecodeWithOurs(pictures.png, ThirtyTwoBits()); },
          [&] { DecodePngWithLibrary(pictures.png, true); }}},
    };
    std::vector<std::pair<std::string, Side>> all(std::begin(comparisons), std::end(comparisons));
    for (const auto& [name, file] : small.files) {
        const std::vector<uint8_t>* data = &file.first;
        const auto library = file.second;
        all.push_back({name, {[data] { DecodeWithOurs(*data, {}); }, [data, library] { library(*data); }}});
    }
    all.push_back(
        {"Wmf",
         {[] { DecodeMetafileWithOurs(small.metafile); }, [] { DecodeMetafileWithLibwmf(small.metafile); }}});
    for (const auto& [name, side] : all)
        benchmark::RegisterBenchmark(name.c_str(), Compare, side)
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
