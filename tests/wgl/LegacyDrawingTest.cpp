// The legacy OpenGL that the drawing code relies on works in an offscreen context:
// immediate mode, depth, stencil, user clip planes and the GLU tessellator.
#include "tests/support/OffscreenGLTest.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <array>
#include <vector>

namespace {
const GLPixel kBackground = GLPixel::FromFloats(0.2f, 0.4f, 0.6f);

struct Point {
    int x;
    int y;
};

void SetColor(const GLPixel& color)
{
    glColor4ub(color.r, color.g, color.b, color.a);
}

void FillRect(double left, double bottom, double right, double top, double z = 0.0)
{
    glBegin(GL_QUADS);
    glVertex3d(left, bottom, z);
    glVertex3d(right, bottom, z);
    glVertex3d(right, top, z);
    glVertex3d(left, top, z);
    glEnd();
}

using LegacyDrawing = OffscreenGLTest;

TEST_F(LegacyDrawing, RedTriangleCoversItsInsideAndLeavesTheClearColourOutside)
{
    ClearGLBuffers(kBackground);
    SetColor(kRedPixel);
    glBegin(GL_TRIANGLES);
    glVertex2i(8, 8);
    glVertex2i(56, 8);
    glVertex2i(32, 56);
    glEnd();

    for (Point inside : {Point{32, 24}, Point{20, 12}, Point{44, 12}, Point{32, 50}})
        EXPECT_TRUE(PixelNear(ReadGLPixel(inside.x, inside.y), kRedPixel)) << inside.x << ", " << inside.y;
    for (Point outside :
         {Point{2, 2}, Point{61, 2}, Point{2, 61}, Point{61, 61}, Point{12, 40}, Point{52, 40}})
        EXPECT_TRUE(PixelNear(ReadGLPixel(outside.x, outside.y), kBackground))
            << outside.x << ", " << outside.y;
}

TEST_F(LegacyDrawing, FrontAndBackNameTheOneOffscreenBuffer)
{
    glDrawBuffer(GL_BACK);
    ClearGLBuffers(kGreenPixel);
    glReadBuffer(GL_FRONT);
    EXPECT_TRUE(PixelNear(ReadGLPixel(10, 10), kGreenPixel));

    glDrawBuffer(GL_FRONT);
    ClearGLBuffers(kBluePixel);
    glReadBuffer(GL_BACK);
    EXPECT_TRUE(PixelNear(ReadGLPixel(10, 10), kBluePixel));
}

TEST_F(LegacyDrawing, DepthTestKeepsTheNearerSurfaceWhicheverIsDrawnFirst)
{
    struct Case {
        bool depthTest;
        double firstZ;
        double secondZ;
        GLPixel expected;  // the first quad is red, the second green; +z is nearer
    };
    const Case cases[] = {
        {true, 0.5, -0.5, kRedPixel},
        {true, -0.5, 0.5, kGreenPixel},
        {false, 0.5, -0.5, kGreenPixel},
    };
    for (const Case& c : cases) {
        ClearGLBuffers(kBackground);
        if (c.depthTest)
            glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        SetColor(kRedPixel);
        FillRect(8, 8, 56, 56, c.firstZ);
        SetColor(kGreenPixel);
        FillRect(8, 8, 56, 56, c.secondZ);
        glDisable(GL_DEPTH_TEST);
        EXPECT_TRUE(PixelNear(ReadGLPixel(32, 32), c.expected))
            << "depth test " << c.depthTest << ", first z " << c.firstZ << ", second z " << c.secondZ;
    }
}

TEST_F(LegacyDrawing, StencilMaskLimitsADrawToTheMarkedRegion)
{
    ClearGLBuffers(kBackground);
    glEnable(GL_STENCIL_TEST);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glStencilFunc(GL_ALWAYS, 0, 0xFF);
    glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
    FillRect(0, 0, 32, 64);  // left half: 1
    FillRect(0, 0, 16, 64);  // leftmost quarter: 2, which needs more than one stencil bit
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glStencilFunc(GL_EQUAL, 1, 0xFF);
    SetColor(kGreenPixel);
    FillRect(0, 0, 64, 64);
    glDisable(GL_STENCIL_TEST);

    EXPECT_TRUE(PixelNear(ReadGLPixel(8, 32), kBackground));
    EXPECT_TRUE(PixelNear(ReadGLPixel(24, 32), kGreenPixel));
    EXPECT_TRUE(PixelNear(ReadGLPixel(48, 32), kBackground));
}

TEST_F(LegacyDrawing, UserClipPlaneCutsAwayTheNegativeSide)
{
    ClearGLBuffers(kBackground);
    const GLdouble keepRightOfX40[] = {1.0, 0.0, 0.0, -40.0};
    glClipPlane(GL_CLIP_PLANE0, keepRightOfX40);
    glEnable(GL_CLIP_PLANE0);
    SetColor(kBluePixel);
    FillRect(8, 8, 56, 56);
    glDisable(GL_CLIP_PLANE0);

    EXPECT_TRUE(PixelNear(ReadGLPixel(36, 32), kBackground));
    EXPECT_TRUE(PixelNear(ReadGLPixel(44, 32), kBluePixel));
}

// The tessellator's callbacks, straight into immediate mode.
void TessBegin(GLenum mode)
{
    glBegin(mode);
}
void TessVertex(void* vertex)
{
    glVertex3dv(static_cast<const GLdouble*>(vertex));
}
void TessEnd()
{
    glEnd();
}
void TessError(GLenum error, void* firstError)
{
    GLenum& first = *static_cast<GLenum*>(firstError);
    if (first == 0)
        first = error;
}

using Contour = std::vector<std::array<GLdouble, 3>>;

// Fills the polygon (outer contour and holes, odd winding) through the GLU tessellator;
// the GLU error, or 0.
GLenum TessellateAndFill(std::vector<Contour> contours)
{
    GLUtesselator* tess = gluNewTess();
    gluTessCallback(tess, GLU_TESS_BEGIN, reinterpret_cast<_GLUfuncptr>(&TessBegin));
    gluTessCallback(tess, GLU_TESS_VERTEX, reinterpret_cast<_GLUfuncptr>(&TessVertex));
    gluTessCallback(tess, GLU_TESS_END, reinterpret_cast<_GLUfuncptr>(&TessEnd));
    gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<_GLUfuncptr>(&TessError));
    GLenum error = 0;
    gluTessBeginPolygon(tess, &error);
    for (Contour& contour : contours) {
        gluTessBeginContour(tess);
        for (auto& vertex : contour)
            gluTessVertex(tess, vertex.data(), vertex.data());
        gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
    gluDeleteTess(tess);
    return error;
}

TEST_F(LegacyDrawing, TessellatedPolygonsFillTheirShapeAndNotTheirNotchesOrHoles)
{
    struct Case {
        const char* shape;
        std::vector<Contour> contours;
        std::vector<Point> filled;
        std::vector<Point> empty;
    };
    const std::vector<Case> cases = {
        {"a U, concave",
         {{{8, 8, 0},
           {56, 8, 0},
           {56, 56, 0},
           {40, 56, 0},
           {40, 24, 0},
           {24, 24, 0},
           {24, 56, 0},
           {8, 56, 0}}},
         {{16, 40}, {48, 40}, {32, 16}},
         {{32, 40}, {32, 60}}},
        {"a square with a square hole",
         {{{8, 8, 0}, {56, 8, 0}, {56, 56, 0}, {8, 56, 0}},
          {{24, 24, 0}, {24, 40, 0}, {40, 40, 0}, {40, 24, 0}}},
         {{16, 32}, {48, 32}, {32, 16}, {32, 48}},
         {{32, 32}, {4, 4}}},
    };
    for (const Case& c : cases) {
        ClearGLBuffers(kBackground);
        SetColor(kRedPixel);
        EXPECT_EQ(TessellateAndFill(c.contours), 0u) << c.shape;
        for (Point p : c.filled)
            EXPECT_TRUE(PixelNear(ReadGLPixel(p.x, p.y), kRedPixel))
                << c.shape << " at " << p.x << ", " << p.y;
        for (Point p : c.empty)
            EXPECT_TRUE(PixelNear(ReadGLPixel(p.x, p.y), kBackground))
                << c.shape << " at " << p.x << ", " << p.y;
    }
}
}  // namespace
