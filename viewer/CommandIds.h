#pragma once
// The command ids of the viewer's menus, accelerators and toolbars.

namespace ViewerCommand {

// Standard views.
constexpr int kTop = 10501;
constexpr int kFront = 10502;
constexpr int kRight = 10503;
constexpr int kLeft = 10504;
constexpr int kBack = 10505;
constexpr int kBottom = 10506;
constexpr int kIso = 10507;
// Navigation tools.
constexpr int kOrbit = 10508;
constexpr int kZoom = 10509;
constexpr int kPan = 10523;
constexpr int kFieldOfView = 21494;
constexpr int kZoomWindow = 10526;
constexpr int kWalk = 10520;
constexpr int kLookAround = 10525;
// Face styles: toolbar ids, then menu ids.
constexpr int kWireframeButton = 10510;
constexpr int kHiddenLineButton = 10511;
constexpr int kShadedButton = 10512;
constexpr int kXRayButton = 10513;
constexpr int kTexturedButton = 10539;
constexpr int kMonochromeButton = 10593;
constexpr int kXRay = 10596;
constexpr int kWireframe = 10597;
constexpr int kHiddenLine = 10598;
constexpr int kShaded = 10599;
constexpr int kTextured = 10600;
constexpr int kMonochrome = 10601;
// Edge styles.
constexpr int kProfileEdges = 10603;
constexpr int kExtendedEdges = 10604;
constexpr int kJitterEdges = 10605;
constexpr int kEdges = 10614;
constexpr int kDepthCue = 10615;
constexpr int kEndpoints = 10616;
constexpr int kBackEdges = 10619;
// What is shown.
constexpr int kHiddenGeometry = 21154;
constexpr int kGuides = 21980;
constexpr int kSectionPlanes = 21347;
constexpr int kSectionCuts = 21348;
constexpr int kAxes = 10522;
constexpr int kShadowsButton = 10545;
constexpr int kShadows = 10602;
constexpr int kTransparentMaterials = 59394;
constexpr int kFog = 10618;
// Camera.
constexpr int kPerspective = 10519;
constexpr int kParallelProjection = 10630;
// The planar 2D view: two-point perspective.
constexpr int k2DView = 10627;
constexpr int kZoomExtents = 10527;
constexpr int kZoomToPhoto = 10625;
constexpr int kPreviousView = 10529;
constexpr int kNextView = 10629;
constexpr int kExitCamera = 10530;
// Scenes.
constexpr int kNextScene = 10535;
constexpr int kPreviousScene = 10536;
constexpr int kPlay = 10552;
// Toolbars.
constexpr int kStandardToolbar = 10531;
constexpr int kCameraToolbar = 10532;
constexpr int kViewsToolbar = 10537;
constexpr int kShadowToolbar = 10546;
constexpr int kLargeButtons = 10551;
constexpr int kStylesToolbar = 10576;

}  // namespace ViewerCommand
