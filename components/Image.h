#pragma once
// CImage: a picture placed in the model. Its definition (of the image kind) holds the
// picture's rectangle as ordinary geometry: edges and one face whose material carries the
// picture as a texture. The image keeps no material of its own and keeps its transformation
// free of scale along its normal. Three run-time bytes remember how it was seen at its last
// draw; they are never stored.

#include "components/ComponentInstance.h"

class CFace;
class CMaterial;

class CImage : public CComponentInstance {
    DECLARE_SERIAL(CImage)
public:
    // Casts no shadows.
    CImage();
    // The run-time bytes start clear.
    CImage(const CImage& other);
    CImage& operator=(const CImage&) = delete;

    // The instance's record, then the transformation is rebuilt and the material read with it
    // is let go.
    void Serialize(CArchive& ar) override;
    CEntity* CreateCopy() const override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityImage; }
    // The picture's face with fixed display settings (shaded, textured, lit, no profiles, no
    // colouring by layer; edges only while a component holding the image is selected), pulled
    // towards the viewer or pushed away by a polygon offset so that it neither fights the face
    // it lies on nor shows through it. The settings are put back afterwards without anyone being
    // told of the passing change. Remembers how the image was seen for later picks.
    void Draw(IModelView* view) override;
    // The distance along the pick ray to the plane of the image's face (its boundary is not
    // tested).
    bool Pick(IPickHelper* picker, double& depth, double& distance) override;
    bool AcceptsMaterial() const override { return false; }
    // Drops the scale along the normal: the z axis becomes the unit normal of the x and y axes.
    void OnTransformChanged() override;

    // The definition's entity at index 4 when it is a face, else its first face; null without.
    CFace* GetFace() const;
    // Of the texture of the face's material, in model units; 0 without face, material or texture.
    double GetWidth() const;
    double GetHeight() const;
    bool IsFrontFacing() const { return m_forcedFront || m_glued == m_facing; }
    void SetForcedFront(bool forced) { m_forcedFront = forced; }
    void SetSeenState(bool glued, bool facing) { m_glued = glued, m_facing = facing; }

    // The first material of the face material's manager whose texture shows the same image;
    // null when there is none.
    CMaterial* FindMaterial() const;
    // A new material of the manager like the face's, with a texture of the picture's size
    // named after the picture's file; null without face material, texture or manager.
    CMaterial* CreateMaterial() const;
    // The file name without folders (either separator) and extension, trimmed; "Image" when
    // nothing is left.
    static CString MaterialNameFromFile(const CString& fileName);

private:
    bool m_forcedFront = false;
    bool m_glued = false;
    bool m_facing = false;
};
