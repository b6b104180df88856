#pragma once
// CMaterial: the look of faces, edges, instances, layers and images: a name, a colour,
// optionally a texture (CTexture) that the colour can tint, and a transparency. The material
// manager of a component lists the named materials; drawing elements count as users of
// their material; a layer owns one for its colour.
//
// Every setter that changes something marks the material changed first (recorded for undo),
// then announces the change with "Material Notification" (settings/MaterialNotification.h):
// code 2 for a property, 4 after an exchange of contents, 6 for a use count change.
//
// The material owns its texture and is its parent: deleting the material frees the texture and
// erasing it erases the texture. Copies (undo snapshots) share the texture without owning it.

#include <cstdint>

#include "database/Entity.h"
#include "database/Texture.h"
#include "support/Color.h"
#include "support/XMLSerializableObject.h"

class CDib;
class IModelView;
namespace orbisk::geometry {
class CPlane3d;
}
namespace orbisk {
class XMLSerializableClassInfo;
}

// The process-wide marker that a stored name beginning with "*" is shown with.
inline constexpr wchar_t kMaterialDisplayPrefix[] = L"*";

class CMaterial : public CEntity, public orbisk::IXMLSerializableObject {
    DECLARE_SERIAL(CMaterial)
public:
    using CColor = orbisk::utils::CColor;

    enum Type : int32_t { kPlainColor = 0, kTextured = 1, kColorizedTexture = 2 };
    // The colour a material read without one takes.
    static constexpr CColor kDefaultReadColor{64, 64, 64, 255};

    CMaterial();
    // A material made for an owner (a layer's own): named and flagged without announcements.
    CMaterial(const CString& name, bool managed);
    CMaterial(const CMaterial& other);
    CMaterial& operator=(const CMaterial&) = delete;

    // After the entity record: the name; below schema 3 a flag and an ignored 32-bit value; a
    // texture flag and the texture (below schema 4 an object reference, else its record in
    // place); for schemas 2 to 4 the use count; then managed (6), colour (7), second name (8),
    // type (9, else 1), colorize type (10), transparency (11) and its switch (12, else whether
    // the transparency is 0.001 or more). A material without texture image becomes a plain
    // colour, a textured one takes the texture's average colour, and no colour becomes
    // kDefaultReadColor.
    void Serialize(CArchive& ar) override;
    void Erase() override;
    CEntity* CreateCopy() const override;
    void SwapContents(CEntity& other) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityMaterial; }

    // The stored name, a leading "*" shown through kMaterialDisplayPrefix.
    CString GetName() const;
    const CString& GetStoredName() const { return m_name; }
    // Case-sensitive comparison.
    void SetName(const CString& name);
    const CString& GetSecondName() const { return m_secondName; }
    // Compared ignoring case; no announcement.
    void SetSecondName(const CString& name);
    bool GetManagedFlag() const { return m_managed; }
    // No announcement.
    void SetManaged(bool managed);
    // The managed flag, while the parent is a material manager that still lists the material.
    bool IsManaged() const;

    CTexture* GetTexture() const { return m_texture.Get(); }
    // Erases the texture held before; the material becomes the new one's parent.
    void SetTexture(CTexture* texture);
    // Frees the texture without recording anything, and forgets it.
    void DeleteTexture();

    CColor GetColor() const { return m_color; }
    void SetColor(CColor color);
    bool UsesTransparency() const { return m_useTransparency; }
    void SetUseTransparency(bool use);
    // 0 opaque to 1 fully transparent.
    double GetTransparency() const { return m_transparency; }
    // Values within 0.001 of the stored one change nothing.
    void SetTransparency(double transparency);
    int32_t GetType() const { return m_type; }
    // Type 0 deletes the texture; the others tint it by the colour (2) or not (1).
    void SetType(int32_t type);
    int32_t GetColorizeType() const { return m_colorizeType; }
    void SetColorizeType(int32_t colorizeType);

    int32_t GetUseCount() const { return m_useCount; }
    void AddUse(bool notify);
    // Never below 0.
    void RemoveUse(bool notify);
    // Marks the change; no announcement.
    void ClearUseCount();

    // Type 0, or a texture type without texture image.
    bool IsPlainColor() const;
    bool HasTextureImage() const;
    // With a texture, whether its image is that one; without, whether it is null.
    bool HasImage(const CDib* image) const;
    // The colour, or for a texture type with an image the texture's average colour.
    CColor GetDisplayColor() const;
    bool IsTextureOpaque() const;
    bool IsOpaque() const;
    bool HasTransparentPart() const;
    bool IsTransparent() const;

    // Hands the tint (type 2) and the transparency in use to the texture.
    void UpdateTextureColorize();

    // The GL set-up of the material for a view. A texture material with an image, in a view
    // that is not faded, binds its texture (made on first use with the model's mipmapping and
    // the opacity its rendering options ask for: the transparency when it is enabled, the
    // X-ray opacity under X-ray) and turns on coordinate generation; the answer is whether a
    // texture is bound. Otherwise the colour (with the transparency in use as its alpha) becomes
    // the view's colour; a material without colour sets nothing and answers 0.
    virtual int ApplyToView(IModelView* view);
    // Texture materials with an image: texture coordinates generated from the two planes in
    // model units, divided by the texture's scales, on a texture matrix pushed here and popped by
    // EndTexture. Answers whether anything was set up.
    virtual int ApplyTexturePlanes(const orbisk::geometry::CPlane3d& sPlane,
                                   const orbisk::geometry::CPlane3d& tPlane);
    // Undoes ApplyToView and ApplyTexturePlanes of a texture material.
    virtual void EndTexture();

    // The element "material" of the material namespace: the attributes name, type, colorRed,
    // colorGreen, colorBlue, colorizeType, trans, useTrans and hasTexture, the texture as a
    // nested "texture" element, then the attribute dictionaries when there are any. The alpha of
    // the colour is not written.
    static const orbisk::XMLSerializableClassInfo& ClassInfo();
    const orbisk::XMLSerializableClassInfo& GetClassInfo() const override { return ClassInfo(); }
    bool WriteXML(orbisk::IXMLOutput& output) override;
    // Without announcements, except for a texture that goes (code 2). A missing attribute or a
    // texture or dictionary that cannot be read makes the answer false; reading goes on.
    bool ReadXML(orbisk::IXMLInput& input) override;
    bool PrepareWrite(const std::wstring&) override { return true; }

    // Without its trailing decimal digits.
    static CString StripTrailingDigits(const CString& text);

private:
    bool ReadTextureXML(orbisk::IXMLInput& input);
    void ReadRecord(CArchive& ar);
    void ReadTexture(CArchive& ar, int32_t schema);
    void WriteRecord(CArchive& ar) const;
    void ApplyColorizeToTexture();
    int CheckOwnValidity(int level, CCheckedObjectMap* map);
    void Announce(int32_t code);

    CString m_name{L"<auto>"};
    COwnedPart<CTexture> m_texture;
    CColor m_color;
    bool m_useTransparency = false;
    double m_transparency = 0.5;
    bool m_managed = false;
    CString m_secondName;
    int32_t m_type = kPlainColor;
    int32_t m_colorizeType = 0;
    int32_t m_useCount = 0;
};
