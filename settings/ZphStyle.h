#pragma once
// CZphStyle: the model entity that carries a style. It wraps one style document (Style: name,
// description, thumbnail and property values) and gives it an identity in the model: an id, a
// GUID that follows the style across files, a place in the model file and a parent. The style
// manager lists styles and keeps a private working copy of the selected one; scenes that store
// their style refer to a listed one. The style document's name is the entity's name.

#include <string>

#include "database/Entity.h"
#include "settings/Style.h"
#include "support/Guid.h"

class CZphStyleManager;

class CZphStyle : public CEntity {
    DECLARE_SERIAL(CZphStyle)
public:
    // The default style document and a new GUID (announced as a change).
    CZphStyle();
    // The same GUID, text and a copy of the style document; no parent.
    CZphStyle(const CZphStyle& other);
    CZphStyle& operator=(const CZphStyle&) = delete;
    ~CZphStyle() override;

    // GUID, text and a copy of the other's style document.
    void Assign(const CZphStyle& other);

    // The entity part, the GUID, the text and the style document's record, which replaces the
    // whole content (the document is reset first).
    void Serialize(CArchive& ar) override;
    CEntity* CreateCopy() const override;
    // Exchanges the entity part, GUID, text and style documents; a listed style then posts
    // "Style Notification" code 4.
    void SwapContents(CEntity& other) override;
    // An empty name is reported (2), not repaired.
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    CString GetClassName() const override { return "CZphStyle"; }
    int GetEntityType() const override { return kEntityStyle; }

    std::wstring GetName() const { return m_style.GetName(); }
    std::wstring GetDisplayName() const { return m_style.GetName(); }
    // A different name (exact comparison) is announced and set; a style listed by a manager
    // posts "Style Notification" code 2.
    void SetName(const std::wstring& name);

    // Same name, description and properties.
    bool IsSameStyle(const CZphStyle& other) const { return m_style.Equals(other.m_style); }

    orbisk::Style& GetStyle() { return m_style; }
    const orbisk::Style& GetStyle() const { return m_style; }
    const orbisk::utils::CGuid& GetGuid() const { return m_guid; }
    const std::wstring& GetText() const { return m_text; }

private:
    // The parent as a style manager, or null.
    CZphStyleManager* GetManager() const;

    orbisk::utils::CGuid m_guid;
    std::wstring m_text;
    orbisk::Style m_style;
};
