#pragma once
// Test doubles of what the model's parts reach above themselves (model/ManagerLinks.h, and the
// model-level functions of model/DatabaseLinks.h): a model with a root component, the real layer
// and material managers under it, the fonts of its styles and its font manager, the drawing axes
// display, a selection, a file version, model properties and a count of contributing
// definitions; face texture placements; cameras.

#include <vector>

#include "geometry/Point3d.h"
#include "geometry/Vector3d.h"
#include "model/AttributeNamed.h"
#include "model/SelectionSet.h"
#include "model/VersionInfo.h"
#include "tests/model/doubles/DatabaseDoubles.h"
#include "tests/model/doubles/ModelDouble.h"
#include "tests/model/doubles/ViewDouble.h"

class CFontManager;
class CLayerManager;
class CMaterialManager;

// One side's texture placement; only its validity and the pairs that copies drop matter here.
class CFaceTextureMapping {
public:
    int flags = 0;
    bool valid = true;
    int pairCount = 0;
};

// A camera with the values the thumbnail sets. Its record is the field of view (a double),
// in the older form after a 32-bit value that stands for the camera's own object.
class CCamera {
public:
    orbisk::geometry::CPoint3d eye;
    orbisk::geometry::CVector3d direction;
    orbisk::geometry::CVector3d up;
    bool perspective = false;
    double fieldOfView = 0.0;
    bool valid = true;
    int olderFormReads = 0;
};

// A view that draws the component axes for real in the current GL context (lines, quads,
// colours, line widths, the transform stack applied to GL) and records what it was asked.
// One pixel is one model unit; the eye and the view direction are given in model
// coordinates and answered in the pushed local ones.
class AxesView : public RecordingView {
public:
    struct Line {
        CPoint3d from;
        CPoint3d to;
        CColor color;
        double width;
    };

    void PushTransform(const orbisk::geometry::CTransform3d& t, bool applyToGL) override;
    void PopTransform(bool applyToGL) override;
    orbisk::geometry::CTransform3d GetTransform() override
    {
        return transforms.empty() ? orbisk::geometry::CTransform3d() : transforms.back();
    }
    orbisk::geometry::CTransform3d GetInverseTransform() override;
    orbisk::geometry::CPoint3d GetEyePoint() override;
    orbisk::geometry::CVector3d GetViewDirection() override;
    double PixelsToModel(int pixels, const CPoint3d&) override { return pixels; }
    void DrawStyledLine(const CPoint3d& from, const CPoint3d& to, const CColor& color, const double& width,
                        const unsigned short& stipple) override;
    void BeginPrimitive(int kind) override;
    void EndPrimitive() override;
    void Vertex(double x, double y, double z) override;
    void SetColor(CColor color) override;
    void SetDepthFunc(unsigned int function) override;
    void SetLineWidth(double pixels) override;
    bool SetLighting(bool on) override;
    void PushPolygonOffset(bool enable, float factor, float units) override;
    void PopPolygonOffset() override;
    int GetDrawingMode() override { return drawingMode; }

    bool perspective = false;
    orbisk::geometry::CPoint3d eye{0, 0, 100};
    orbisk::geometry::CVector3d direction{0, 0, -1};
    int drawingMode = 0;
    bool lighting = true;
    std::vector<orbisk::geometry::CTransform3d> transforms;
    std::vector<Line> lines;
    // The corners of each quad drawn, in local coordinates.
    std::vector<std::vector<CPoint3d>> quads;
    std::vector<double> lineWidths;
    int offsetDepth = 0;
    int maxOffsetDepth = 0;
    bool open = false;
};

// A model whose root component holds a layer manager (notifications on, "Layer0" current)
// and a material manager, as a new model's does. It has no font manager and no style fonts
// until a test gives it some.
class TestModel : public CZephyronModel {
public:
    TestModel();
    ~TestModel();
    TestModel(const TestModel&) = delete;
    TestModel& operator=(const TestModel&) = delete;

    TestRoot* root;
    CLayerManager* layers;
    CMaterialManager* materials;
    CFontManager* fonts = nullptr;
    CEntity* textStyleFonts[2] = {nullptr, nullptr};
    CEntity* dimensionStyleFont = nullptr;

    bool axesShown = false;
    int axesSettings = 0;
    // Whether notifications were delivered while the axes display was set last.
    bool notificationsOnWhenAxesSet = false;
    CSelectionSet selection;
    CVersionInfo version;
    CAttributeNamed properties{L"ModelProperties"};
    int contributingDefinitions = 0;
};
