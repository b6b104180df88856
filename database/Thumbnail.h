#pragma once
// CThumbnail: the preview of a component definition: an encoded image (CDib) with the camera
// it was taken from. The thumbnail holds one counted reference to its image: as its only
// holder it deletes the image when it replaces or clears it, and an image that other records
// of the file share stays alive for them. Clearing the image, also by undo or redo, posts
// "Thumbnail Cleared" with the thumbnail, so that a new preview is made.

#include <memory>

#include "database/Dib.h"
#include "database/Entity.h"
#include "database/ICamera.h"

class CThumbnail : public CEntity {
    DECLARE_SERIAL(CThumbnail)
public:
    // No image; a camera made by the current model's object factory, aimed by
    // SetDefaultCamera. Without a factory the thumbnail has no camera until SetCamera gives it
    // one.
    CThumbnail();
    // No image; the camera, aimed by SetDefaultCamera.
    explicit CThumbnail(std::unique_ptr<ICamera> camera);
    // A copy of the camera without the image.
    CThumbnail(const CThumbnail& other);
    CThumbnail& operator=(const CThumbnail&) = delete;

    // After the entity record: the camera (in schema 0 as an archive object of its own) and
    // an image reference. An image without encoded bytes is dropped. A thumbnail without a
    // camera cannot take the record: genericException.
    void Serialize(CArchive& ar) override;
    CEntity* CreateCopy() const override;
    // Exchanges the cameras; this thumbnail's image is cleared.
    void SwapContents(CEntity& other) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityThumbnail; }

    // Null while the thumbnail has no camera.
    const ICamera* GetCamera() const { return m_camera.get(); }
    // Marks the change and copies the camera.
    void SetCamera(const ICamera& camera);
    // Looking down on the XY plane: eye (0, 0, 1), direction (0, 0, 1), up (0, 1, 0),
    // perspective with a field of view of 30 degrees.
    void SetDefaultCamera();
    CDib* GetImage() const { return m_image.Get(); }
    // Releases the image held before; null posts "Thumbnail Cleared". Not recorded for undo.
    void SetImage(CDib* image);

private:
    void ReadRecord(CArchive& ar);
    void WriteRecord(CArchive& ar);
    int CheckOwnValidity(int level);
    void PostCleared();

    std::unique_ptr<ICamera> m_camera;
    CDibRef m_image;
};
