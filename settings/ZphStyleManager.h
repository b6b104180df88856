#pragma once
// CZphStyleManager: the model's list of styles, and the style the views draw with. It keeps
// three things in step:
// - the list of distinct styles of the model, built from the model's display settings and its
//   scenes (RebuildStyles), or read from the model file;
// - the selected style: the listed style the model's display matches, or last matched;
// - the active style: a private working copy, not listed, that follows every change of the
//   model's display settings and watermarks, with a modified flag that tells whether it still
//   equals the selected style.
// It builds styles from display settings and applies styles back to the model and to scenes.
//
// "Style Notification" ({code, style}): 0 added, 1 removed, 2 the active style changed after a
// tracked change (or a listed style was renamed), 3 selected, 4 a listed style swapped its
// contents, 7 the whole list is about to go (the current model's manager only).
//
// Tracking is suspended while a scene is activated ("Page Activation Notification" 0 to 1),
// while an animation runs ("Animation Notification" 0 to 2) and while a style is applied, whose
// setters post back to this manager.

#include <cstdint>
#include <string>
#include <vector>

#include "database/Entity.h"
#include "database/EntityContainer.h"
#include "support/Observer.h"

class CRenderingOptions;
class CWatermark;
class CWatermarkManager;
class CZphStyle;
class IStyleModel;
class IStyledScene;

inline constexpr char kStyleNotification[] = "Style Notification";
inline constexpr char kPageActivationNotification[] = "Page Activation Notification";
inline constexpr char kAnimationNotification[] = "Animation Notification";

// The payload of "Style Notification".
struct CStyleNotification {
    enum Code : int {
        kAdded = 0,
        kRemoved = 1,
        kChanged = 2,
        kSelected = 3,
        kSwapped = 4,
        kAllRemoved = 7,
    };
    int code;
    CZphStyle* style;
};

class CZphStyleManager : public CEntity, public IEntityContainer, public orbisk::utils::IObserver {
    DECLARE_SERIAL(CZphStyleManager)
public:
    // Subscribes, builds nothing: the manager of the file reader's factory.
    CZphStyleManager();
    // Subscribes, then builds the list from the model (RebuildStyles) with notifications off.
    explicit CZphStyleManager(IStyleModel* model);
    CZphStyleManager(const CZphStyleManager&) = delete;
    CZphStyleManager& operator=(const CZphStyleManager&) = delete;
    // Unsubscribes; the styles go with Erase, or with the destructor when nothing erased them.
    ~CZphStyleManager() override;

    // The entity part, then the list (replacing the current one), the selected and the active
    // style; schema 2 adds the modified flag. A list of no styles is rebuilt from the model.
    void Serialize(CArchive& ar) override;
    void Erase() override;
    // An empty manager with the same selected style and nothing else.
    CEntity* CreateCopy() const override;
    // The base part; the two managers exchange their selected styles.
    void SwapContents(CEntity& other) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    CString GetClassName() const override { return "CZphStyleManager"; }
    int GetEntityType() const override { return kEntityStyleManager; }

    virtual void RemoveAllStyles();
    virtual void RebuildStyles();

    // IEntityContainer. Add makes the manager the style's parent and posts code 0; Remove and
    // RemoveAll post code 1 for each style (RemoveAll also erases them); neither touches the
    // active style. The list has no index: GetAt is always null.
    int GetCount() const override { return static_cast<int>(m_styles.size()); }
    bool IsEmpty() const override { return m_styles.empty(); }
    bool Contains(const CEntity* entity) const override;
    void Add(CEntity* entity) override;
    bool Remove(CEntity* entity) override;
    void RemoveAll() override;
    CEntity* GetAt(int) const override { return nullptr; }
    IEntityIterator* CreateIterator() override;

    // IObserver.
    void OnNotification(const char* name, void* payload) override;

    // A new style holding every setting of the options (the edge kind always 0) and a
    // watermark list of the manager's watermarks (none without a manager); no stroke set.
    static CZphStyle* CreateStyleFromOptions(const CRenderingOptions& options,
                                             CWatermarkManager* watermarkManager);
    // Every property with a setting goes through its setter (each announcing its change).
    // With a watermark manager, the manager takes the style's watermarks, or none when the
    // style has no watermark list.
    void ApplyStyleToOptions(CZphStyle& style, CRenderingOptions& options,
                             CWatermarkManager* watermarkManager);
    // To the scene's own settings (nothing when it has none), with the model's watermark
    // manager when withWatermarks; with recordStyle the scene's style becomes this one.
    void ApplyStyleToScene(CZphStyle* style, IStyledScene& scene, bool withWatermarks, bool recordStyle);
    // To the model's settings and watermarks, then "Rendering Options Change" property 0.
    void ApplyStyle(CZphStyle* style, IStyleModel* model);
    // Replaces the active style by a copy of the style (listing it first when it is not) and
    // posts code 3; apply also applies it to the model. Null only drops the active style.
    void SelectStyle(CZphStyle* style, bool apply);

    // Lists the style: an empty name becomes the translated "Style", a name taken (ignoring
    // case) a unique one; the addition is recorded for undo.
    void AddStyle(CZphStyle* style);
    // The first listed style whose properties equal the style's, or null.
    CZphStyle* FindEqualStyle(const CZphStyle& style) const;
    // The first listed style of that name, ignoring case; an empty name finds none.
    CZphStyle* FindStyleByName(const std::wstring& name) const;
    // The name without trailing digits, followed by the first number from 1 that makes a name
    // no listed style has (ignoring case).
    std::wstring MakeUniqueStyleName(const std::wstring& name) const;

    void PostStyleNotification(CZphStyle* style, int code);
    // Releases the GL textures of the active style's stroke set.
    void ReleaseGLResources();

    CZphStyle* GetSelectedStyle() const { return m_selected; }
    CZphStyle* GetActiveStyle() const { return m_active; }
    bool IsModified() const { return m_modified; }
    void SetModified(bool modified) { m_modified = modified; }
    bool IsSuspended() const { return m_suspended; }
    IStyleModel* GetStyleModel() const { return m_model; }
    // The listed styles in the order in which they were added.
    const std::vector<CZphStyle*>& GetStyles() const { return m_styles; }

private:
    void Subscribe();
    // Deletes the working copy and clears the modified flag.
    void DropActiveStyle();
    bool IsCurrentModelsManager() const;
    bool TrackOptionsChange(int32_t property, const CRenderingOptions& options);
    bool TrackWatermarkChange(int code, const CWatermark* watermark);
    void ReadRecord(CArchive& ar);

    std::vector<CZphStyle*> m_styles;
    CZphStyle* m_selected = nullptr;
    CZphStyle* m_active = nullptr;
    bool m_modified = false;
    bool m_suspended = false;
    IStyleModel* m_model = nullptr;
};

// The style manager of the current model, or null.
CZphStyleManager* GetCurrentStyleManager();
