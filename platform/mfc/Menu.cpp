#include "platform/mfc/Menu.h"

#include <algorithm>

#include <wx/event.h>
#include <wx/menu.h>
#include <wx/window.h>

#include "platform/mfc/WxText.h"

namespace {
constexpr UINT kFirstShiftedId = 33536;
constexpr UINT kLastShiftedId = 63535;
constexpr int kShift = 65536;
}  // namespace

int WxIdFromCommandId(UINT id)
{
    if (id >= kFirstShiftedId && id <= kLastShiftedId)
        return static_cast<int>(id) - kShift;
    return static_cast<int>(id);
}

UINT CommandIdFromWxId(int id)
{
    if (id >= static_cast<int>(kFirstShiftedId) - kShift && id <= static_cast<int>(kLastShiftedId) - kShift)
        return static_cast<UINT>(id + kShift);
    return static_cast<UINT>(id);
}

CMenu::~CMenu()
{
    DestroyMenu();
}

bool CMenu::CreatePopupMenu()
{
    if (m_menu)
        return false;
    m_menu = new wxMenu;
    m_owned = true;
    return true;
}

bool CMenu::Attach(wxMenu* menu)
{
    if (m_menu || !menu)
        return false;
    m_menu = menu;
    m_owned = false;
    return true;
}

wxMenu* CMenu::Detach()
{
    wxMenu* menu = m_menu;
    m_menu = nullptr;
    m_owned = false;
    return menu;
}

bool CMenu::DestroyMenu()
{
    if (!m_menu)
        return false;
    if (m_owned)
        delete m_menu;
    m_menu = nullptr;
    m_owned = false;
    return true;
}

int CMenu::GetMenuItemCount() const
{
    return m_menu ? static_cast<int>(m_menu->GetMenuItemCount()) : -1;
}

UINT CMenu::GetMenuItemID(int position) const
{
    if (!m_menu || position < 0 || position >= GetMenuItemCount())
        return static_cast<UINT>(-1);
    const wxMenuItem* item = m_menu->FindItemByPosition(static_cast<size_t>(position));
    if (item->IsSubMenu())
        return static_cast<UINT>(-1);
    if (item->IsSeparator())
        return 0;
    return CommandIdFromWxId(item->GetId());
}

wxMenu* CMenu::GetSubMenu(int position) const
{
    if (!m_menu || position < 0 || position >= GetMenuItemCount())
        return nullptr;
    return m_menu->FindItemByPosition(static_cast<size_t>(position))->GetSubMenu();
}

bool CMenu::CanInsert(UINT position, UINT flags) const
{
    // Only insertion by position is used; by command would need a search the shell never asks for.
    return m_menu && (flags & MF_BYPOSITION) && position <= 0x7fffffffu;
}

bool CMenu::InsertMenu(UINT position, UINT flags, UINT id, const wchar_t* text)
{
    if (!CanInsert(position, flags) || (flags & MF_POPUP))
        return false;
    const size_t at = std::min<size_t>(position, m_menu->GetMenuItemCount());
    if (flags & MF_SEPARATOR)
        return m_menu->InsertSeparator(at) != nullptr;
    const int wxId = WxIdFromCommandId(id);
    // Ids wx cannot carry would be refused or taken for stock items.
    if (id == 0 || (wxId >= 0x7fff) || (wxId < 0 && (wxId < wxID_AUTO_LOWEST || wxId > wxID_AUTO_HIGHEST)))
        return false;
    wxMenuItem* item = m_menu->Insert(at, wxId, ToWxString(text ? text : L""), wxString(), wxITEM_CHECK);
    if (!item)
        return false;
    item->Enable(!(flags & MF_GRAYED));
    item->Check((flags & MF_CHECKED) != 0);
    return true;
}

bool CMenu::InsertMenu(UINT position, UINT flags, CMenu* popup, const wchar_t* text)
{
    if (!CanInsert(position, flags) || !(flags & MF_POPUP) || !popup || !popup->m_menu ||
        popup->m_menu == m_menu)
        return false;
    const size_t at = std::min<size_t>(position, m_menu->GetMenuItemCount());
    wxMenu* sub = popup->m_menu;
    const bool owned = popup->m_owned;
    popup->Detach();
    if (!m_menu->Insert(at, wxID_ANY, ToWxString(text ? text : L""), sub)) {
        if (owned)
            delete sub;
        return false;
    }
    // The parent owns it now; the popup object may still look at it.
    popup->Attach(sub);
    return true;
}

bool CMenu::TrackPopupMenu(UINT /*flags*/, int x, int y, wxWindow* owner)
{
    if (!m_menu || !owner)
        return false;
    return owner->PopupMenu(m_menu, owner->ScreenToClient(wxPoint(x, y)));
}

void CCmdUI::Enable(bool on)
{
    m_enableSet = true;
    m_enabled = on;
}

void CCmdUI::SetCheck(int check)
{
    m_checkSet = true;
    m_check = check;
}

void CCmdUI::ApplyTo(wxUpdateUIEvent& event, bool checkable) const
{
    if (m_enableSet)
        event.Enable(m_enabled);
    if (m_checkSet && checkable)
        event.Check(m_check != 0);
}
