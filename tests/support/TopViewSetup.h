#pragma once
// A model view over a new model in its own offscreen context, size pixels square, looking down
// the z axis at target in parallel projection, height units high; lights set, depth test off,
// the window cleared white and the drawing state reset: the set-up of the drawing tests.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include "geometry/Point3d.h"
#include "geometry/Vector3d.h"
#include "model/ZephyronModel.h"
#include "settings/Camera.h"
#include "tests/support/GLPixelCheck.h"
#include "view/MemoryGLContext.h"
#include "view/ZphView.h"

// False when no context can be made. The view holds the model.
inline bool SetUpTopView(CZphView& view, int size, const orbisk::geometry::CPoint3d& target = {0, 0, 0},
                         double height = 10.0)
{
    auto context = CreateMemoryGLContext(size, size, 24, 8, 8, 32);
    if (!context)
        return false;
    view.SetGLContext(context.release());
    auto* model = new CZephyronModel();
    view.SetModel(model);
    model->Release();
    view.SetViewportRect(0, 0, size, size);
    CCamera camera;
    camera.SetEyeTargetUp(target + orbisk::geometry::CVector3d(0, 0, 10), target,
                          orbisk::geometry::CVector3d(0, 1, 0));
    camera.SetPerspective(false);
    camera.SetParallelHeight(height);
    view.SetCamera(camera, 0.0);
    view.SetupLights(false);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    view.ResetDrawState();
    return true;
}

// The GL pixel under a model point of a view size pixels high.
inline GLPixel PixelUnder(IModelView& view, const orbisk::geometry::CPoint3d& point, int size)
{
    orbisk::geometry::CPoint3d window;
    EXPECT_TRUE(view.ModelToScreen(point, window));
    glFinish();
    return ReadGLPixel(static_cast<int>(window.x), size - 1 - static_cast<int>(window.y));
}
