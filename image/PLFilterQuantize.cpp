#include "image/PLFilterQuantize.h"

#include "image/PLAnyBmp.h"
#include "image/PLTextException.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

namespace {

constexpr int kCellCount = 1 << 15;
constexpr uint32_t kMaxCellCount = 65535;

// One cell of the 5-bit colour cube: how often its colours occur, and the palette index
// that the first look-up chose for them.
struct Cell {
    int32_t index = -1;
    uint32_t count = 0;
};

// Channels in 5-bit units, indexed red, green, blue.
using Colour5 = std::array<int, 3>;

struct Box {
    Colour5 min{};
    Colour5 max{};
    Colour5 average{};
    uint32_t count = 0;
};

// The corners of the cube: black, red, green, blue, red + green, green + blue, red + blue,
// white. Every generated palette starts with them.
constexpr Colour5 kCorners[8] = {{0, 0, 0},   {31, 0, 0},  {0, 31, 0},  {0, 0, 31},
                                 {31, 31, 0}, {0, 31, 31}, {31, 0, 31}, {31, 31, 31}};

// Ordered dither offsets (doubled when applied), indexed by column key × 4 + row mod 4.
constexpr int kDitherMatrix[16] = {-7, 1, -5, 3, 5, -3, 7, -1, -4, 4, -6, 2, 8, 0, 6, -2};

int CellIndex(int r5, int g5, int b5)
{
    return r5 << 10 | g5 << 5 | b5;
}

int CellOf(int r, int g, int b)
{
    return CellIndex(r >> 3, g >> 3, b >> 3);
}

int Clamp8(int v)
{
    return std::clamp(v, 0, 255);
}

// The palette entries this filter makes are opaque: an indexed bitmap converted back to
// 32 bits takes the entries' alpha.
PLPixel32 Entry(int r, int g, int b)
{
    return {uint8_t(b), uint8_t(g), uint8_t(r), 255};
}

std::array<PLPixel32, 256> MakeDefaultPalette()
{
    // Bytes in memory order (blue, green, red).
    static constexpr uint8_t kFirst[16][3] = {
        {0, 0, 0},          {0xBF, 0, 0},       {0, 0xBF, 0},    {0xBF, 0xBF, 0},
        {0, 0, 0xBF},       {0xBF, 0, 0xBF},    {0, 0xBF, 0xBF}, {0xC0, 0xC0, 0xC0},
        {0xC0, 0xDC, 0xC0}, {0xA6, 0xCA, 0xF0}, {0x80, 0, 0},    {0, 0x80, 0},
        {0x80, 0x80, 0},    {0, 0, 0x80},       {0x80, 0, 0x80}, {0, 0x80, 0x80}};
    static constexpr uint8_t kLast[11][3] = {{0x9B, 0xCF, 0xCF}, {0xFF, 0xFB, 0xF0}, {0xA0, 0xA0, 0xA4},
                                             {0x80, 0x80, 0x80}, {0xFF, 0, 0},       {0, 0xFF, 0},
                                             {0xFF, 0xFF, 0},    {0, 0, 0xFF},       {0xFF, 0, 0xFF},
                                             {0, 0xFF, 0xFF},    {0xFF, 0xFF, 0xFF}};
    static constexpr uint8_t kLevels[6] = {0, 0x51, 0x85, 0xB1, 0xD9, 0xFF};
    const auto bytes = [](const uint8_t(&c)[3]) { return PLPixel32{c[0], c[1], c[2], 255}; };

    std::array<PLPixel32, 256> palette{};
    int n = 0;
    for (const auto& c : kFirst)
        palette[n++] = bytes(c);
    // The 6 × 6 × 6 cube, first byte fastest, without the colours the fixed entries hold:
    // its first six (second and third byte 0) and its last (white).
    for (int i = 6; i < 215; ++i)
        palette[n++] = {kLevels[i % 6], kLevels[i / 6 % 6], kLevels[i / 36], 255};
    palette[63].b = 0x37;  // the one entry of the table that leaves the cube
    for (int k = 0; k < 20; ++k) {
        const auto v = uint8_t(0xC4 + 3 * k);
        palette[n++] = {v, v, v, 255};
    }
    for (const auto& c : kLast)
        palette[n++] = bytes(c);
    return palette;
}

}  // namespace

// Everything one quantisation works with; made anew for every image, so that a filter
// object can serve any number of them.
struct PLFilterQuantize::Work {
    std::vector<Cell> cells = std::vector<Cell>(kCellCount);
    std::array<Box, 256> boxes{};

    void CountColors(const PLBmp& source);
    void AddColor(int cell);
    void ShrinkBox(Box& box) const;
    void BuildMedianCutPalette(PLPixel32* palette);
    void BuildPopularityPalette(PLPixel32* palette) const;
    void MapPixels(const PLBmp& source, PLBmp& destination, int ditherType);
    uint8_t FindNearest(int r, int g, int b, const PLPixel32* palette);
};

void PLFilterQuantize::Work::CountColors(const PLBmp& source)
{
    for (int32_t y = 0; y < source.GetHeight(); ++y) {
        const uint8_t* p = source.GetLine(y);
        for (int32_t x = 0; x < source.GetWidth(); ++x, p += 4)
            AddColor(CellOf(p[2], p[1], p[0]));
    }
}

void PLFilterQuantize::Work::AddColor(int cell)
{
    uint32_t& count = cells[size_t(cell)].count;
    if (count < kMaxCellCount)
        ++count;
}

void PLFilterQuantize::Work::ShrinkBox(Box& box) const
{
    const Colour5 lo = box.min;
    const Colour5 hi = box.max;
    box.min = {31, 31, 31};
    box.max = {0, 0, 0};
    box.average = {0, 0, 0};
    // 64 bits: a full cube of saturated cells overflows 32-bit sums.
    uint64_t total = 0;
    uint64_t sums[3] = {};
    for (int r = lo[0]; r <= hi[0]; ++r) {
        for (int g = lo[1]; g <= hi[1]; ++g) {
            for (int b = lo[2]; b <= hi[2]; ++b) {
                const uint32_t count = cells[size_t(CellIndex(r, g, b))].count;
                if (!count)
                    continue;
                const int c[3] = {r, g, b};
                for (int i = 0; i < 3; ++i) {
                    box.min[size_t(i)] = std::min(box.min[size_t(i)], c[i]);
                    box.max[size_t(i)] = std::max(box.max[size_t(i)], c[i]);
                    sums[i] += uint64_t(count) * uint64_t(c[i]);
                }
                total += count;
            }
        }
    }
    if (total > 0) {
        for (size_t i = 0; i < 3; ++i)
            box.average[i] = int(sums[i] / total);
    }
    box.count = uint32_t(std::min<uint64_t>(total, kMaxCellCount));
    if (box.min == box.max)
        box.count = 1;
}

void PLFilterQuantize::Work::BuildMedianCutPalette(PLPixel32* palette)
{
    for (size_t i = 0; i < 8; ++i)
        boxes[i] = {kCorners[i], kCorners[i], kCorners[i], 1};
    boxes[8] = {{0, 0, 0}, {31, 31, 31}, {0, 0, 0}, 0};
    ShrinkBox(boxes[8]);

    for (size_t n = 9; n < 256; ++n) {
        size_t chosen = 8;
        for (size_t i = 9; i < n; ++i)
            if (boxes[i].count > boxes[chosen].count)
                chosen = i;
        if (boxes[chosen].count <= 1) {
            std::fill(boxes.begin() + std::ptrdiff_t(n), boxes.end(), Box{});
            break;
        }
        Box& kept = boxes[chosen];
        Box& split = boxes[n];
        split = kept;
        const int range[3] = {kept.max[0] - kept.min[0], kept.max[1] - kept.min[1],
                              kept.max[2] - kept.min[2]};
        const size_t axis = range[0] >= range[1] && range[0] >= range[2] ? 0 : range[1] >= range[2] ? 1 : 2;
        if (range[axis] == 2) {
            split.max[axis] = split.min[axis];
            kept.min[axis] = kept.max[axis];
        } else {
            const int a = kept.average[axis];
            kept.max[axis] = a == kept.max[axis] ? a - 1 : a;
            split.min[axis] = kept.max[axis] + 1;
        }
        ShrinkBox(split);
        ShrinkBox(kept);
    }

    for (size_t i = 0; i < 256; ++i) {
        const Box& box = boxes[i];
        const auto channel = [&](size_t c) { return (box.min[c] + box.max[c]) * 255 / 62; };
        palette[i] = Entry(channel(0), channel(1), channel(2));
    }
}

void PLFilterQuantize::Work::BuildPopularityPalette(PLPixel32* palette) const
{
    struct Candidate {
        Colour5 colour{};
        uint32_t count = 0;
    };
    // Entries that no cell reaches stay black.
    std::array<Candidate, 256> entries{};
    for (size_t i = 0; i < 8; ++i)
        entries[i].colour = kCorners[i];
    // Cells with a channel of 31 are not candidates: the corners cover the cube's faces.
    for (int r = 0; r < 31; ++r) {
        for (int g = 0; g < 31; ++g) {
            for (int b = 0; b < 31; ++b) {
                const uint32_t count = cells[size_t(CellIndex(r, g, b))].count;
                if (count <= entries[255].count)
                    continue;
                entries[255] = {{r, g, b}, count};
                for (size_t j = 255; j > 8 && entries[j - 1].count < entries[j].count; --j)
                    std::swap(entries[j - 1], entries[j]);
            }
        }
    }
    for (size_t i = 0; i < 256; ++i) {
        const Colour5& c = entries[i].colour;
        palette[i] = Entry(c[0] * 255 / 31, c[1] * 255 / 31, c[2] * 255 / 31);
    }
}

uint8_t PLFilterQuantize::Work::FindNearest(int r, int g, int b, const PLPixel32* palette)
{
    Cell& cell = cells[size_t(CellOf(r, g, b))];
    if (cell.index >= 0)
        return uint8_t(cell.index);
    const auto distance = [&](const PLPixel32& p) {
        const int dr = r - p.r, dg = g - p.g, db = b - p.b;
        return dr * dr + dg * dg + db * db;
    };
    int best = 0;
    int bestDistance = distance(palette[0]);
    for (int i = 1; i < 256; ++i) {
        const int d = distance(palette[i]);
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    cell.index = best;
    return uint8_t(best);
}

void PLFilterQuantize::Work::MapPixels(const PLBmp& source, PLBmp& destination, int ditherType)
{
    const int32_t width = source.GetWidth();
    const PLPixel32* palette = destination.GetPalette();
    const bool diffuse = ditherType == FloydSteinberg;
    // Floyd–Steinberg: the errors of this row and the next, (width + 2) triples each, pixel
    // x at triple x + 1 so that both neighbours always exist.
    std::vector<double> thisRow, nextRow;
    if (diffuse) {
        thisRow.assign(size_t(width + 2) * 3, 0.0);
        nextRow.assign(size_t(width + 2) * 3, 0.0);
    }

    for (int32_t y = 0; y < source.GetHeight(); ++y) {
        const uint8_t* in = source.GetLine(y);
        uint8_t* out = destination.GetLine(y);
        const bool backwards = diffuse && (y & 1);
        const int dir = backwards ? -1 : 1;
        for (int32_t i = 0; i < width; ++i) {
            const int32_t x = backwards ? width - 1 - i : i;
            const uint8_t* p = in + 4 * x;
            int colour[3] = {p[2], p[1], p[0]};
            double value[3] = {};
            if (ditherType == OrderedDither) {
                const int offset = 2 * kDitherMatrix[((width - 1 - x) % 4) * 4 + y % 4];
                for (int& c : colour)
                    c = Clamp8(c + offset);
            } else if (diffuse) {
                const double* error = &thisRow[size_t(x + 1) * 3];
                for (int c = 0; c < 3; ++c) {
                    value[c] = std::clamp(colour[c] + error[c], 0.0, 255.0);
                    colour[c] = int(value[c]);
                }
            }
            const uint8_t index = FindNearest(colour[0], colour[1], colour[2], palette);
            out[x] = index;
            if (!diffuse)
                continue;
            const PLPixel32& chosen = palette[index];
            const int target[3] = {chosen.r, chosen.g, chosen.b};
            const auto at = [](std::vector<double>& row, int32_t column, int c) -> double& {
                return row[size_t(column + 1) * 3 + size_t(c)];
            };
            for (int c = 0; c < 3; ++c) {
                const double e = (value[c] - target[c]) / 16;
                at(thisRow, x + dir, c) += 7 * e;
                at(nextRow, x, c) += 5 * e;
                at(nextRow, x - dir, c) += 3 * e;
                at(nextRow, x + dir, c) += e;
            }
        }
        if (diffuse) {
            std::swap(thisRow, nextRow);
            std::fill(nextRow.begin(), nextRow.end(), 0.0);
        }
    }
}

PLFilterQuantize::PLFilterQuantize(int paletteType, int ditherType)
    : m_paletteType(paletteType), m_ditherType(ditherType)
{}

PLFilterQuantize::~PLFilterQuantize() = default;

void PLFilterQuantize::SetUserPalette(const PLPixel32* entries)
{
    if (!entries) {
        m_pUserPal.reset();
        return;
    }
    m_pUserPal = std::make_unique<PLPixel32[]>(256);
    std::memcpy(m_pUserPal.get(), entries, 256 * sizeof(PLPixel32));
}

const std::array<PLPixel32, 256>& PLFilterQuantize::GetDefaultPalette()
{
    static const std::array<PLPixel32, 256> palette = MakeDefaultPalette();
    return palette;
}

void PLFilterQuantize::ApplyFilter(const PLBmp& source, PLBmp& destination) const
{
    if (&source == &destination) {
        Apply(destination);
        return;
    }
    if (source.GetBitsPerPixel() != 32) {
        // Other depths are quantised from their colours.
        PLAnyBmp colour;
        colour.CreateConvertedCopy(source, PLPixelFormat::FindByName("X8R8G8B8"));
        ApplyFilter(colour, destination);
        return;
    }
    destination.Create(source.GetWidth(), source.GetHeight(), PLPixelFormat::FindByName("I8"), nullptr, 0,
                       source.GetResolution());
    std::unique_ptr<Work> work;
    try {
        work = std::make_unique<Work>();
    } catch (const std::bad_alloc&) {
        throw PLTextException(PLErr::NoMemory, "Out of memory.");
    }
    PLPixel32* palette = destination.GetPalette();
    switch (m_paletteType) {
        case MedianCut:
            work->CountColors(source);
            work->BuildMedianCutPalette(palette);
            break;
        case Popularity:
            work->CountColors(source);
            work->BuildPopularityPalette(palette);
            break;
        case UserPalette:
            if (m_pUserPal) {
                std::memcpy(palette, m_pUserPal.get(), 256 * sizeof(PLPixel32));
                break;
            }
            [[fallthrough]];
        default: std::memcpy(palette, GetDefaultPalette().data(), 256 * sizeof(PLPixel32)); break;
    }
    work->MapPixels(source, destination, m_ditherType);
}
