#pragma once
// Test doubles of what the model's parts reach above themselves: a model (TestModel) with a
// root component, the real layer and material managers under it, rendering options, the fonts
// of its styles and its font manager, and an object factory; face texture placements; cameras;
// and a view that draws the component axes.

#include <memory>
#include <vector>

#include "geometry/Point3d.h"
#include "geometry/Vector3d.h"
#include "model/ICamera.h"
#include "model/IFaceTextureMapping.h"
#include "model/IObjectFactory.h"
#include "tests/model/doubles/DatabaseDoubles.h"
#include "tests/model/doubles/ModelDouble.h"
#include "tests/model/doubles/ViewDouble.h"

class CFontManager;
class CLayerManager;
class CMaterialManager;

// One side's texture placement; only its validity and the pairs that copies drop matter here.
class TestTextureMapping : public IFaceTextureMapping {
public:
    std::unique_ptr<IFaceTextureMapping> CopyWithoutPairs() const override;
    bool IsValid() const override { return valid; }

    int flags = 0;
    bool valid = true;
    int pairCount = 0;
};

// A camera with the values the thumbnail sets. Its record is the field of view (a double),
// in the older form after a 32-bit value that stands for the camera's own object.
class TestCamera : public ICamera {
public:
    std::unique_ptr<ICamera> Clone() const override { return std::make_unique<TestCamera>(*this); }
    void Assign(const ICamera& other) override { *this = dynamic_cast<const TestCamera&>(other); }
    void ReadEmbedded(CArchive& ar, bool inlineForm) override;
    void WriteEmbedded(CArchive& ar) const override;
    bool IsValid() const override { return valid; }
    void SetFromDirection(const orbisk::geometry::CPoint3d& eye_,
                          const orbisk::geometry::CVector3d& direction_,
                          const orbisk::geometry::CVector3d& up_, double, double, bool perspective_,
                          double fieldOfView_, double) override;

    orbisk::geometry::CPoint3d eye;
    orbisk::geometry::CVector3d direction;
    orbisk::geometry::CVector3d up;
    bool perspective = false;
    double fieldOfView = 0.0;
    bool valid = true;
    int inlineReads = 0;
};

// Makes test cameras and test fonts.
class TestObjectFactory : public IObjectFactory {
public:
    std::unique_ptr<ICamera> CreateCamera() override { return std::make_unique<TestCamera>(); }
    CEntity* CreateFont(const CFontDescription& description) override;
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
// and a material manager, as a new model's does, with rendering options and an object factory.
// It has no font manager and no style fonts until a test gives it some. It frees what it holds
// as a model does: its contents, then the objects that reading dropped, with itself current.
class TestModel : public BareModelContext {
public:
    TestModel();
    ~TestModel() override;

    CEntity* GetRootComponent() const override { return root; }
    CLayerManager* GetLayerManager() const override { return layers; }
    CMaterialManager* GetMaterialManager() const override { return materials; }
    CFontManager* GetFontManager() const override { return fonts; }
    IRenderingOptions* GetRenderingOptions() const override { return &options; }
    CEntity* GetTextStyleFont(int which) const override { return textStyleFonts[which]; }
    CEntity* GetDimensionStyleFont() const override { return dimensionStyleFont; }
    IObjectFactory* GetObjectFactory() override { return &factory; }

    TestRoot* root;
    CLayerManager* layers;
    CMaterialManager* materials;
    CFontManager* fonts = nullptr;
    CEntity* textStyleFonts[2] = {nullptr, nullptr};
    CEntity* dimensionStyleFont = nullptr;
    mutable TestRenderingOptions options;
    TestObjectFactory factory;
};
