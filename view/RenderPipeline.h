#pragma once
// The chain of draw stages of a frame: a fixed tree, wired once in drawing order, whose
// enabled flags are set before every frame from the rendering options, the shadow settings,
// the level of detail and the model's state. The stages here are the legacy ones, each of which
// calls one drawing step of the model view; the scene-graph renderer's stages (opaque model,
// replay of the transparent faces) take their places in the opaque and transparent groups when
// the renderer supplies them. Until then the opaque model and the transparent faces are drawn
// by the immediate model draw whatever the scene-graph switch says.
//
// Also the two backdrop routines shared by the stages and the immediate frame: the horizon
// (sky and ground behind the model) and the ground plane, both drawn in eye coordinates.

#include <vector>

class CRenderingOptions;
class CZephyronModel;
class CZphView;

namespace zephyron::graphics {

// What every stage of a frame is given.
class RenderStageContext {
public:
    RenderStageContext(CRenderingOptions* options, CZephyronModel* model) : m_options(options), m_model(model)
    {}
    CRenderingOptions* GetTarget() const { return m_options; }
    CZephyronModel* GetModel() const { return m_model; }

private:
    CRenderingOptions* m_options;
    CZephyronModel* m_model;
};

class RenderStage {
public:
    virtual ~RenderStage() = default;
    virtual void Prepare(RenderStageContext& context) { (void)context; }
    virtual void Render(RenderStageContext& context) = 0;
    // Prepare and Render, when enabled.
    void Run(RenderStageContext& context);

    bool IsEnabled() const { return m_enabled; }
    void SetEnabled(bool enabled) { m_enabled = enabled; }

private:
    bool m_enabled = true;
};

// Runs its enabled children in order. A child's flag is read when its turn comes, so an
// earlier sibling may switch it within the same walk. Children are not owned.
class GroupRenderStage : public RenderStage {
public:
    // A null stage is not added; the result is the stage's position (-1 for null).
    int AddStage(RenderStage* stage);
    void Render(RenderStageContext& context) override;
    const std::vector<RenderStage*>& GetStages() const { return m_stages; }

private:
    std::vector<RenderStage*> m_stages;
};

// Calls one drawing step of the model view.
class LegacyRenderStage : public RenderStage {
public:
    using Callback = void (*)(CZphView& view);
    LegacyRenderStage(CZphView* view, Callback callback) : m_view(view), m_callback(callback) {}
    void Render(RenderStageContext& context) override;

protected:
    CZphView* m_view;

private:
    Callback m_callback;
};

// The stages that call a fixed drawing step (the step is named in the class).
class LegacyDrawHorizon : public LegacyRenderStage {
public:
    explicit LegacyDrawHorizon(CZphView* view);
};

class LegacyDrawBackgroundWatermark : public LegacyRenderStage {
public:
    explicit LegacyDrawBackgroundWatermark(CZphView* view);
};

class LegacyDrawGround : public LegacyRenderStage {
public:
    explicit LegacyDrawGround(CZphView* view);
};

class LegacyDrawBackgroundImage : public LegacyRenderStage {
public:
    explicit LegacyDrawBackgroundImage(CZphView* view);
};

class LegacyDrawZphCoordSystem : public LegacyRenderStage {
public:
    explicit LegacyDrawZphCoordSystem(CZphView* view);
};

class LegacyDrawBackgroundText : public LegacyRenderStage {
public:
    explicit LegacyDrawBackgroundText(CZphView* view);
};

class LegacyDrawNorth : public LegacyRenderStage {
public:
    explicit LegacyDrawNorth(CZphView* view);
};

class LegacyDrawModelRoot : public LegacyRenderStage {
public:
    explicit LegacyDrawModelRoot(CZphView* view);
};

class LegacyDrawAnnotations : public LegacyRenderStage {
public:
    explicit LegacyDrawAnnotations(CZphView* view);
};

class LegacyDrawNewGroundPlane : public LegacyRenderStage {
public:
    explicit LegacyDrawNewGroundPlane(CZphView* view);
};

class LegacyDrawActivePath : public LegacyRenderStage {
public:
    explicit LegacyDrawActivePath(CZphView* view);
};

class LegacyDrawNPREdges : public LegacyRenderStage {
public:
    explicit LegacyDrawNPREdges(CZphView* view);
};

class LegacyDrawSelectionSet : public LegacyRenderStage {
public:
    explicit LegacyDrawSelectionSet(CZphView* view);
};

class LegacyDrawCameraBounds : public LegacyRenderStage {
public:
    explicit LegacyDrawCameraBounds(CZphView* view);
};

// The edited component's axes; its Prepare pops the draw mode that RenderModel pushed.
class LegacyDrawActiveComponentCoordSystem : public LegacyRenderStage {
public:
    explicit LegacyDrawActiveComponentCoordSystem(CZphView* view);
    void Prepare(RenderStageContext& context) override;
};

// Ends the open primitive.
class LegacyEndDrawing : public RenderStage {
public:
    explicit LegacyEndDrawing(CZphView* view) : m_view(view) {}
    void Render(RenderStageContext& context) override;

private:
    CZphView* m_view;
};

// The model block: the frustum filter and the editing context's draw mode around its children.
class RenderModel : public GroupRenderStage {
public:
    explicit RenderModel(CZphView* view) : m_view(view) {}
    void Prepare(RenderStageContext& context) override;
    void Render(RenderStageContext& context) override;

private:
    CZphView* m_view;
};

// The opaque model, drawn with the draw pass set to opaque only: by the scene graph's stage
// when there is one and the frame uses it, else by the immediate model draw.
class RenderOpaqueNoShadow : public GroupRenderStage {
public:
    RenderOpaqueNoShadow(CZphView* view, RenderStage* sceneGraphStage);
    void Prepare(RenderStageContext& context) override;
    void SetUseSceneGraph(bool useSceneGraph);

private:
    RenderStage* m_sceneGraph;
    LegacyDrawModelRoot m_modelRoot;
};

// The opaque model group. The stencil-shadow variant joins it with the shadow volumes.
class RenderOpaqueStage : public GroupRenderStage {
public:
    RenderOpaqueStage() = default;
    ~RenderOpaqueStage() override;
    RenderOpaqueStage(const RenderOpaqueStage&) = delete;
    RenderOpaqueStage& operator=(const RenderOpaqueStage&) = delete;

    void Init(CZphView* view, RenderStage* sceneGraphStage = nullptr);
    void SetUseSceneGraph(bool useSceneGraph);

private:
    RenderOpaqueNoShadow* m_noShadow = nullptr;
};

// The transparent faces in a second pass (draw pass 2): replayed from the scene graph's
// display list when the scene graph drew the opaque pass and no sorting is wanted, else drawn
// by the immediate model draw.
class RenderTransparent : public GroupRenderStage {
public:
    RenderTransparent(CZphView* view, RenderStage* displayListStage);
    void Prepare(RenderStageContext& context) override;
    void Render(RenderStageContext& context) override;
    void SetUseSceneGraph(bool useSceneGraph) { m_useSceneGraph = useSceneGraph; }

private:
    CZphView* m_view;
    bool m_useSceneGraph = false;
    bool m_sorted = false;
    LegacyDrawModelRoot m_modelRoot;
    RenderStage* m_displayList;
};

class RenderPipeline {
public:
    explicit RenderPipeline(CZphView* view);
    RenderPipeline(const RenderPipeline&) = delete;
    RenderPipeline& operator=(const RenderPipeline&) = delete;

    // Once, in drawing order.
    void Wire();
    // One frame: the flags of the background stages and of the model stages, then the walk.
    void RunFrame();
    // Whether the scene graph may draw the opaque model this frame (the model's own options
    // decide about the background photo).
    bool UseSceneGraphFor(CRenderingOptions* options);

    const GroupRenderStage& GetRoot() const { return m_root; }

private:
    void UpdateBackgroundFlags(CRenderingOptions& options);
    void UpdateStageFlags(CRenderingOptions& options);
    void UpdateScene();

    CZphView* m_view;
    GroupRenderStage m_root;
    LegacyDrawHorizon m_horizon;
    LegacyDrawBackgroundWatermark m_backgroundWatermark;
    LegacyDrawGround m_ground;
    LegacyDrawBackgroundImage m_backgroundImage;
    LegacyDrawZphCoordSystem m_coordSystem;
    RenderModel m_model;
    LegacyDrawBackgroundText m_backgroundText;
    LegacyDrawNorth m_north;
    RenderOpaqueStage m_opaque;
    LegacyDrawAnnotations m_annotations;
    LegacyDrawNewGroundPlane m_groundPlane;
    LegacyDrawActivePath m_activePath;
    RenderTransparent m_transparent;
    LegacyDrawNPREdges m_strokeEdges;
    LegacyEndDrawing m_endDrawing;
    LegacyDrawActiveComponentCoordSystem m_componentCoordSystem;
    LegacyDrawSelectionSet m_selection;
    LegacyDrawCameraBounds m_cameraBounds;
    bool m_wired = false;
};

// The sky and ground behind the model, on a backdrop just inside the far plane; drawn with
// the view's projection in eye coordinates. Restores the matrices and lighting.
void DrawHorizon(bool skyPass, bool groundPass, bool blendHorizon, double blendFactor, CZphView& view);
// The ground plane z = 0 between the near and far planes, opaque or blended by the ground
// transparency; fromHorizon draws it as the horizon's ground (before the model).
void DrawGroundPlaneBand(bool fromHorizon, bool blendHorizon, double blendFactor, CZphView& view);

}  // namespace zephyron::graphics
