#pragma once
// What the layer and material managers, the options, the contributor manager, the thumbnails
// and the component axes use of the model object, its settings, face texture placements,
// cameras and views, beyond model/EntityLinks.h and model/DatabaseLinks.h. They reach those
// classes only through these functions, so that they never include their headers; each
// function is defined beside the class it serves.

class CArchive;
class CAttributeNamed;
class CCamera;
class CFaceTextureMapping;
class CSelectionSet;
class CVersionInfo;
class CZephyronModel;
class IModelView;
namespace orbisk::geometry {
class CPoint3d;
class CVector3d;
}  // namespace orbisk::geometry

namespace links {

// Whether the model's rendering options show the drawing axes; nothing when the model has no
// rendering options.
void SetAxesShown(CZephyronModel& model, bool shown);
CSelectionSet& GetSelection(CZephyronModel& model);
// The version of the program that wrote the model's file.
const CVersionInfo& GetModelVersion(const CZephyronModel& model);
// The model's "ModelProperties" dictionary, created with undo recording off when missing.
CAttributeNamed& GetOrCreateModelProperties(CZephyronModel& model);
// The component definitions that carry contributor information.
int CountContributingDefinitions(CZephyronModel& model);

// Texture placements of faces (one side of a CFaceTextureCoords): a new copy without the
// reference pairs, its deletion, and its validity test.
CFaceTextureMapping* CopyTextureMapping(const CFaceTextureMapping& mapping);
void DeleteTextureMapping(CFaceTextureMapping* mapping);
bool IsTextureMappingValid(const CFaceTextureMapping& mapping);

// Cameras, which thumbnails hold: made with the camera's defaults, copied, deleted, read or
// written as the camera's embedded record (in the older form an archive object of its own),
// checked, and set from an eye, a view direction and an up direction with the projection
// values (near, far, perspective, field of view in degrees, parallel height).
CCamera* CreateCamera();
void DeleteCamera(CCamera* camera);
void CopyCamera(CCamera& target, const CCamera& source);
void SerializeCamera(CArchive& ar, CCamera& camera, bool olderForm);
bool IsCameraValid(const CCamera& camera);
void SetCameraFromDirection(CCamera& camera, const orbisk::geometry::CPoint3d& eye,
                            const orbisk::geometry::CVector3d& direction,
                            const orbisk::geometry::CVector3d& up, double nearValue, double farValue,
                            bool perspective, double fieldOfView, double parallelHeight);

// Whether the camera of the view's view definition is a perspective one.
bool IsPerspectiveView(IModelView& view);

}  // namespace links
