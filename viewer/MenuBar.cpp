#include "viewer/MenuBar.h"

#include <wx/menu.h>

#include <string>

#include "platform/mfc/WxText.h"
#include "support/StringTable.h"
#include "viewer/CommandIds.h"

namespace {

using namespace ViewerCommand;

// One row of a menu: a sub-menu path ("" for the menu itself, else the sub-menu's text), the
// item's text (null for a separator), its id, whether it is ticked by its update handler, and
// its status-bar prompt.
struct MenuRow {
    const char* subMenu;
    const char* text;
    int id;
    bool checkable;
    const char* prompt;
};

const MenuRow kViewMenu[] = {
    {"&Toolbars", "&Camera", kCameraToolbar, true, "Show or hide the camera toolbar"},
    {"&Toolbars", "St&yles", kStylesToolbar, true, nullptr},
    {"&Toolbars", "S&hadows", kShadowToolbar, true, "Show or hide the shadow toolbar"},
    {"&Toolbars", "&Standard", kStandardToolbar, true, "Show or hide the standard toolbar"},
    {"&Toolbars", "&Views", kViewsToolbar, true, "Show or hide the standard views toolbar"},
    {"&Toolbars", nullptr, 0, false, nullptr},
    {"&Toolbars", "Large &Buttons", kLargeButtons, true, "Toggle between large and small toolbar buttons."},
    {"", nullptr, 0, false, nullptr},
    {"", "&Hidden Geometry", kHiddenGeometry, true, nullptr},
    {"", "Guides", kGuides, true, nullptr},
    {"", "Section Planes", kSectionPlanes, true, nullptr},
    {"", "Section Cuts", kSectionCuts, true, nullptr},
    {"", "&Axes", kAxes, true, "Show or hide the drawing axes"},
    {"", "Shadows", kShadows, true, "Shadows"},
    {"", nullptr, 0, false, nullptr},
    {"Face Style", "X-ray", kXRay, true, "X-ray Mode"},
    {"Face Style", nullptr, 0, false, nullptr},
    {"Face Style", "Wireframe", kWireframe, true, "Wireframe"},
    {"Face Style", "Hidden Line", kHiddenLine, true, "Hidden Line"},
    {"Face Style", "Shaded", kShaded, true, "Shaded"},
    {"Face Style", "Shaded With Textures", kTextured, true, "Shaded With Textures"},
    {"Face Style", "Monochrome", kMonochrome, true, "Monochrome"},
    {"A&nimation", "P&revious Scene\t[Page Up]", kPreviousScene, false, "Display the previous scene"},
    {"A&nimation", "Ne&xt Scene\t[Page Down]", kNextScene, false, "Display the next scene"},
    {"A&nimation", "&Play", kPlay, false, "Play/pause scene-based animation in the model."},
};

const MenuRow kCameraMenu[] = {
    {"", "Previous", kPreviousView, false, "Undo to the previous camera view."},
    {"", "Next", kNextView, false, nullptr},
    {"Standard &Views", "&Top", kTop, false, "Move the camera to the top view of the model."},
    {"Standard &Views", "B&ottom", kBottom, false, "Move the camera to the bottom view of the model."},
    {"Standard &Views", "&Front", kFront, false, "Move the camera to the front view of the model."},
    {"Standard &Views", "&Back", kBack, false, "Move the camera to the back view of the model."},
    {"Standard &Views", "&Left", kLeft, false, "Move the camera to the left view of the model."},
    {"Standard &Views", "&Right", kRight, false, "Move the camera to the right view of the model."},
    {"Standard &Views", "&Iso", kIso, false, "Move the camera to the nearest isometric view of the model."},
    {"", nullptr, 0, false, nullptr},
    {"", "P&arallel Projection", kParallelProjection, true, nullptr},
    {"", "P&erspective", kPerspective, true, "Toggle perspective viewing on or off"},
    {"", nullptr, 0, false, nullptr},
    {"", "&Orbit", kOrbit, true, "Orbit the camera view about the model."},
    {"", "&Pan", kPan, true, "Pan the camera view vertically or horizontally."},
    {"", "&Zoom", kZoom, true, "Zoom the camera view in or out."},
    {"", "Field Of View", kFieldOfView, true, "Field of View"},
    {"", "Zoom &Window", kZoomWindow, true, "Zoom the camera to show everything inside the selected window."},
    {"", "Zoom &Extents", kZoomExtents, false, "Zoom the camera view in or out to show the entire model."},
    {"", "Zoom to P&hoto", kZoomToPhoto, false, nullptr},
    {"", nullptr, 0, false, nullptr},
    {"", "&Walk", kWalk, true, "Walk with the camera"},
    {"", "&Look Around", kLookAround, true, "Pivot camera view about a stationary point."},
};

wxString Translated(const char* text)
{
    return text ? ToWxString(orbisk::utils::TranslateString(text).GetString()) : wxString();
}

template <size_t N>
wxMenu* BuildMenu(const MenuRow (&rows)[N])
{
    auto* menu = new wxMenu;
    std::string openSubMenu;
    wxMenu* sub = nullptr;
    for (const MenuRow& row : rows) {
        wxMenu* target = menu;
        if (*row.subMenu) {
            if (!sub || openSubMenu != row.subMenu) {
                sub = new wxMenu;
                openSubMenu = row.subMenu;
                menu->AppendSubMenu(sub, Translated(row.subMenu));
            }
            target = sub;
        } else {
            sub = nullptr;
            openSubMenu.clear();
        }
        if (!row.text)
            target->AppendSeparator();
        else
            target->Append(row.id, Translated(row.text), Translated(row.prompt),
                           row.checkable ? wxITEM_CHECK : wxITEM_NORMAL);
    }
    return menu;
}

}  // namespace

wxMenuBar* CreateMainMenuBar()
{
    auto* bar = new wxMenuBar;
    bar->Append(BuildMenu(kViewMenu), Translated("&View"));
    bar->Append(BuildMenu(kCameraMenu), Translated("&Camera"));
    return bar;
}
