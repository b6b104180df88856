#pragma once

#include "image/PLContribDef.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

// Pixel kinds of the scaler: bytes per pixel, each byte a channel scaled on its own.
struct CDataRGBA_UBYTE {
    static constexpr int Channels = 4;
};
struct CDataRGB_UBYTE {
    static constexpr int Channels = 3;
};
struct CDataL_UBYTE {
    static constexpr int Channels = 1;
};

// Scales an image in two passes, rows first, then columns, with integer weights of a
// kernel that sum to 256 for every destination pixel.
template <class Data>
class C2PassScale {
public:
    explicit C2PassScale(const PLContribDef& kernel) : m_kernel(kernel) {}

    // source and target are row tables; target rows hold targetWidth pixels.
    void Scale(const uint8_t* const* source, int32_t sourceWidth, int32_t sourceHeight,
               uint8_t* const* target, int32_t targetWidth, int32_t targetHeight) const
    {
        constexpr int channels = Data::Channels;
        const Table across = MakeTable(targetWidth, sourceWidth);
        std::vector<uint8_t> middle(size_t(targetWidth) * size_t(sourceHeight) * channels);
        for (int32_t y = 0; y < sourceHeight; ++y) {
            const uint8_t* in = source[y];
            uint8_t* out = middle.data() + size_t(y) * size_t(targetWidth) * channels;
            for (int32_t x = 0; x < targetWidth; ++x) {
                const int* weights = across.Weights(x);
                for (int c = 0; c < channels; ++c) {
                    int sum = 0;
                    for (int i = across.left[x]; i <= across.right[x]; ++i)
                        sum += weights[i - across.left[x]] * in[i * channels + c];
                    out[x * channels + c] = uint8_t((sum + 128) / 256);
                }
            }
        }
        const Table down = MakeTable(targetHeight, sourceHeight);
        const size_t rowBytes = size_t(targetWidth) * channels;
        std::vector<int> sums(rowBytes);
        for (int32_t y = 0; y < targetHeight; ++y) {
            std::fill(sums.begin(), sums.end(), 0);
            const int* weights = down.Weights(y);
            for (int i = down.left[y]; i <= down.right[y]; ++i) {
                const int weight = weights[i - down.left[y]];
                const uint8_t* in = middle.data() + size_t(i) * rowBytes;
                for (size_t k = 0; k < rowBytes; ++k)
                    sums[k] += weight * in[k];
            }
            for (size_t k = 0; k < rowBytes; ++k)
                target[y][k] = uint8_t((sums[k] + 128) / 256);
        }
    }

private:
    // For each destination pixel of a line: the source pixels left..right and their weights.
    struct Table {
        int window = 0;
        std::vector<int> left, right, weights;
        const int* Weights(int j) const { return weights.data() + size_t(j) * size_t(window); }
    };

    Table MakeTable(int32_t length, int32_t sourceLength) const
    {
        const double scale = double(length) / double(sourceLength);
        double width = m_kernel.GetWidth();
        double factor = 1;
        if (scale < 1) {
            // Shrinking widens the kernel over the source.
            width /= scale;
            factor = scale;
        }
        Table table;
        table.window = 2 * int(std::ceil(width)) + 1;
        table.left.resize(size_t(length));
        table.right.resize(size_t(length));
        table.weights.assign(size_t(length) * size_t(table.window), 0);
        for (int32_t j = 0; j < length; ++j) {
            const double centre = (j + 0.5) / scale - 0.5;
            int left = std::max(0, int(std::floor(centre - width)));
            int right = std::min(int(std::ceil(centre + width)), sourceLength - 1);
            while (right - left + 1 > table.window) {
                if (left < sourceLength)
                    ++left;
                else
                    --right;
            }
            int* weights = table.weights.data() + size_t(j) * size_t(table.window);
            int sum = 0;
            for (int i = left; i <= right; ++i) {
                weights[i - left] = int(factor * m_kernel.Filter(factor * (centre - i)) * 256);
                sum += weights[i - left];
            }
            if (sum > 0) {
                int others = 0;
                for (int i = left; i < right; ++i) {
                    weights[i - left] = weights[i - left] * 256 / sum;
                    others += weights[i - left];
                }
                weights[right - left] = 256 - others;
            }
            table.left[size_t(j)] = left;
            table.right[size_t(j)] = right;
        }
        return table;
    }

    const PLContribDef& m_kernel;
};
