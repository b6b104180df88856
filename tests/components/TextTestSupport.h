#pragma once
// The fixture of the font, text style and text tests: the real model, current, with its font manager
// (whose new fonts are real fonts) and its text style; a view that answers the camera, the
// viewport, the pixel size and the transform stack from its fields; undo recording off, so that
// erased entities go at once.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "components/TextStyle.h"
#include "components/ZpFont.h"
#include "database/FontManager.h"
#include "database/UndoManager.h"
#include "model/ZephyronModel.h"
#include "settings/ViewDefinition.h"
#include "tests/model/doubles/ViewDouble.h"
#include "tests/support/ArchiveBytes.h"
#include "tests/support/TextRecords.h"

using orbisk::geometry::CPoint3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CVector3d;

// A camera at (0, 0, 100) looking down -z with y up (right is +x) over a 800 x 600 viewport,
// parallel unless asked; one pixel is `pixelSize` model units everywhere.
class TextView : public RecordingView {
public:
    TextView();

    const CViewDefinition* GetViewDefinition() const override { return &definition; }
    CViewDefinition* GetViewDefinition() override { return &definition; }
    void GetViewportSize(int& width, int& height) override;
    double PixelsToModel(int pixels, const CPoint3d&) override
    {
        return pixels > 0 ? pixels * pixelSize : 0.0;
    }
    double GetPixelSizeScale() override { return pixelScale; }
    void PushTransform(const CTransform3d& t, bool) override;
    void PopTransform(bool) override;
    CTransform3d GetTransform() override;
    CTransform3d GetInverseTransform() override;
    bool ScreenToModel(const CPoint3d&, CPoint3d&) override { return false; }
    // Through the pushed transformations and the camera.
    bool ModelToScreen(const CPoint3d& local, CPoint3d& out) override;

    CViewDefinition definition;
    double pixelSize = 0.5;
    double pixelScale = 1.0;
    std::vector<CTransform3d> transforms;
};

class TextTest : public ::testing::Test {
protected:
    TextTest();
    ~TextTest() override;

    // Installs the records' schemas as the version map of the file being read.
    static void UseSchemas(const TextRecords& records);
    // Reads `count` references and expects nothing left.
    std::vector<CObject*> ReadObjects(const Bytes& bytes, size_t count);
    template <class T>
    T* ReadOne(const Bytes& bytes)
    {
        return dynamic_cast<T*>(ReadObjects(bytes, 1).front());
    }
    // The archive exception cause of reading one reference (none when it reads).
    static int ReadFailure(const Bytes& bytes);

    CSuspendUndo m_unrecorded;
    CZephyronModel model;
};

std::wstring TextReport();
