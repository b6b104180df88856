// Reading pixels back in every byte layout and row order, from a small image whose
// rows (5 pixels of 3 or 4 bytes) are not a multiple of 4 bytes long.
#include "tests/support/OffscreenGLTest.h"

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <vector>

namespace {
constexpr int kWidth = 5;
constexpr int kHeight = 3;

// Every pixel distinct in every channel, alpha included.
GLPixel ColorAt(int x, int y)
{
    return {std::uint8_t(40 * x + 10), std::uint8_t(80 * y + 20), std::uint8_t(200 - 30 * x),
            std::uint8_t(255 - 50 * y)};
}

std::vector<std::uint8_t> Bytes(const GLPixel& pixel, GLPixelLayout layout)
{
    switch (layout) {
        case GLPixelLayout::RGB: return {pixel.r, pixel.g, pixel.b};
        case GLPixelLayout::RGBA: return {pixel.r, pixel.g, pixel.b, pixel.a};
        case GLPixelLayout::BGR: return {pixel.b, pixel.g, pixel.r};
        case GLPixelLayout::BGRA: return {pixel.b, pixel.g, pixel.r, pixel.a};
    }
    return {};
}

std::vector<std::uint8_t> ExpectedImage(const GLPixelRect& rect, GLPixelLayout layout, GLRowOrder order)
{
    std::vector<std::uint8_t> image;
    for (int row = 0; row < rect.height; ++row) {
        const int y = order == GLRowOrder::BottomFirst ? rect.y + row : rect.y + rect.height - 1 - row;
        for (int x = rect.x; x < rect.x + rect.width; ++x) {
            const std::vector<std::uint8_t> pixel = Bytes(ColorAt(x, y), layout);
            image.insert(image.end(), pixel.begin(), pixel.end());
        }
    }
    return image;
}

class GLPixelReader : public OffscreenGLTest {
protected:
    GLPixelReader() : OffscreenGLTest(kWidth, kHeight) {}

    void SetUp() override
    {
        OffscreenGLTest::SetUp();
        glEnable(GL_SCISSOR_TEST);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                glScissor(x, y, 1, 1);
                ClearGLBuffers(ColorAt(x, y));
            }
        glDisable(GL_SCISSOR_TEST);
    }
};

constexpr std::uint8_t kUntouched = 0xAB;

TEST_F(GLPixelReader, ReadsEveryLayoutAndRowOrderOfWholeAndPartialRectangles)
{
    const GLPixelLayout layouts[] = {GLPixelLayout::RGB, GLPixelLayout::RGBA, GLPixelLayout::BGR,
                                     GLPixelLayout::BGRA};
    const GLRowOrder orders[] = {GLRowOrder::BottomFirst, GLRowOrder::TopFirst};
    const GLPixelRect rects[] = {{0, 0, kWidth, kHeight}, {1, 1, 3, 2}, {4, 0, 1, 3}, {0, 2, 5, 1}};
    for (GLPixelLayout layout : layouts)
        for (GLRowOrder order : orders)
            for (const GLPixelRect& rect : rects) {
                std::vector<std::uint8_t> image(GLPixelBytes(layout, rect.width, rect.height), kUntouched);
                ASSERT_TRUE(ReadGLPixels(rect, layout, order, image));
                EXPECT_EQ(image, ExpectedImage(rect, layout, order))
                    << "layout " << int(layout) << ", row order " << int(order) << ", rectangle " << rect.x
                    << "," << rect.y << " " << rect.width << "x" << rect.height;
            }
}

TEST_F(GLPixelReader, LeavesBytesBeyondTheImageAlone)
{
    const GLPixelRect rect{0, 0, kWidth, kHeight};
    const std::size_t bytes = GLPixelBytes(GLPixelLayout::RGB, kWidth, kHeight);
    std::vector<std::uint8_t> buffer(bytes + 7, kUntouched);
    ASSERT_TRUE(ReadGLPixels(rect, GLPixelLayout::RGB, GLRowOrder::TopFirst, buffer));
    EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + bytes),
              ExpectedImage(rect, GLPixelLayout::RGB, GLRowOrder::TopFirst));
    EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin() + bytes, buffer.end()),
              std::vector<std::uint8_t>(7, kUntouched));
}

TEST_F(GLPixelReader, RefusesEmptyRectanglesAndShortBuffersWithoutWriting)
{
    struct Case {
        GLPixelRect rect;
        std::size_t bufferBytes;
    };
    const Case cases[] = {
        {{0, 0, 0, 3}, 64}, {{0, 0, 5, 0}, 64}, {{0, 0, -1, 3}, 64}, {{0, 0, 5, 3}, 5 * 3 * 4 - 1},
        {{0, 0, 5, 3}, 0},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> buffer(c.bufferBytes, kUntouched);
        EXPECT_FALSE(ReadGLPixels(c.rect, GLPixelLayout::RGBA, GLRowOrder::BottomFirst, buffer))
            << c.rect.width << "x" << c.rect.height << " into " << c.bufferBytes << " bytes";
        EXPECT_EQ(buffer, std::vector<std::uint8_t>(c.bufferBytes, kUntouched));
    }
}

TEST_F(GLPixelReader, RefusesToReadWhileAPixelPackBufferIsBound)
{
    GLuint packBuffer = 0;
    glGenBuffers(1, &packBuffer);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, packBuffer);
    glBufferData(GL_PIXEL_PACK_BUFFER, 256, nullptr, GL_STREAM_READ);
    std::vector<std::uint8_t> buffer(GLPixelBytes(GLPixelLayout::RGBA, kWidth, kHeight), kUntouched);
    EXPECT_FALSE(ReadGLPixels({0, 0, kWidth, kHeight}, GLPixelLayout::RGBA, GLRowOrder::BottomFirst, buffer));
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glDeleteBuffers(1, &packBuffer);
    EXPECT_EQ(buffer, std::vector<std::uint8_t>(buffer.size(), kUntouched));
}

TEST_F(GLPixelReader, KeepsTheCallersPackState)
{
    glPixelStorei(GL_PACK_ALIGNMENT, 8);
    glPixelStorei(GL_PACK_ROW_LENGTH, 11);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 2);
    const GLPixelRect rect{0, 0, kWidth, kHeight};
    std::vector<std::uint8_t> image(GLPixelBytes(GLPixelLayout::BGR, kWidth, kHeight));
    ASSERT_TRUE(ReadGLPixels(rect, GLPixelLayout::BGR, GLRowOrder::BottomFirst, image));
    EXPECT_EQ(image, ExpectedImage(rect, GLPixelLayout::BGR, GLRowOrder::BottomFirst));

    GLint alignment = 0, rowLength = 0, skipPixels = 0;
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_PACK_ROW_LENGTH, &rowLength);
    glGetIntegerv(GL_PACK_SKIP_PIXELS, &skipPixels);
    EXPECT_EQ(alignment, 8);
    EXPECT_EQ(rowLength, 11);
    EXPECT_EQ(skipPixels, 2);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
}

TEST(GLPixelBytes, CountsTightlyPackedRowsAndNothingForEmptySizes)
{
    EXPECT_EQ(GLPixelBytes(GLPixelLayout::RGB, 5, 3), 45u);
    EXPECT_EQ(GLPixelBytes(GLPixelLayout::BGRA, 5, 3), 60u);
    EXPECT_EQ(GLPixelBytes(GLPixelLayout::RGBA, 4096, 4096), 4096u * 4096u * 4u);
    EXPECT_EQ(GLPixelBytes(GLPixelLayout::RGB, 0, 3), 0u);
    EXPECT_EQ(GLPixelBytes(GLPixelLayout::RGB, 5, -3), 0u);
}
}  // namespace
