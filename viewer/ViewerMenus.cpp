#include "viewer/ViewerMenus.h"

#include <wx/menu.h>

#include "database/IZphView.h"
#include "platform/mfc/FrameWnd.h"
#include "platform/mfc/WinApp.h"
#include "support/KeyValueTable.h"
#include "support/LanguageSettings.h"
#include "support/StringUtils.h"
#include "viewer/Command.h"

namespace {

void QueueReleasesOf(const wxMenu& menu)
{
    for (const wxMenuItem* item : menu.GetMenuItems()) {
        const int id = static_cast<int>(CommandIdFromWxId(item->GetId()));
        if (const wxMenu* sub = item->GetSubMenu())
            QueueReleasesOf(*sub);
        else if (!item->IsSeparator() && IsDynamicCommandId(id))
            QueueCommandRelease(id);
    }
}

}  // namespace

CZphMenu::~CZphMenu()
{
    if (wxMenu* menu = GetSafeMenu())
        QueueReleasesOf(*menu);
    DestroyMenu();
}

CZephyronMenuWin::CZephyronMenuWin(CMenu* menu, CZphMenu* ownedPopup) : m_menu(menu), m_ownedPopup(ownedPopup)
{}

CZephyronMenuWin::~CZephyronMenuWin()
{
    delete m_ownedPopup;
}

UINT CZephyronMenuWin::GetInsertPosition() const
{
    const int count = m_menu ? m_menu->GetMenuItemCount() : 0;
    if (count <= 0)
        return 0;
    const UINT first = m_menu->GetMenuItemID(0);
    if (count > 2 && first == kEditUndoCommand)
        return static_cast<UINT>(count - 2);
    if (count > 2 && first == kEditMenuMarkerCommand)
        return static_cast<UINT>(count - 4);
    if (count > 2 && first == kFileNewCommand) {
        // In front of the separator that precedes the recent files.
        for (int position = 1; position < count; ++position)
            if (m_menu->GetMenuItemID(position) == kFirstRecentFileCommand)
                return static_cast<UINT>(position - 1);
    }
    return static_cast<UINT>(count);
}

void CZephyronMenuWin::AddMenuItem(const wchar_t* text, void (*function)(), int stateFlags,
                                   int acceleratorParameter)
{
    if (!m_menu || !m_menu->GetSafeMenu())
        return;
    auto* command = new CCommandFunction(function);
    AddCommandItem(text, command, stateFlags, acceleratorParameter);
    // Without an item to hold it the command would never be released.
    if (m_menu->GetMenuItemCount() <= 0 ||
        !m_menu->GetSafeMenu()->FindItem(WxIdFromCommandId(static_cast<UINT>(command->GetId()))))
        CCommand::Release(command);
}

void CZephyronMenuWin::AddCommandItem(const wchar_t* text, CCommand* command, int stateFlags,
                                      int acceleratorParameter)
{
    if (!m_menu || !m_menu->GetSafeMenu() || !command)
        return;
    CString itemText(text ? text : L"");
    const CString accelerator = ZephyronMenuHelper::GetAcceleratorText(acceleratorParameter);
    if (!accelerator.IsEmpty()) {
        itemText += L'\t';
        itemText += accelerator;
    }
    m_menu->InsertMenu(GetInsertPosition(), MF_BYPOSITION | MF_STRING, static_cast<UINT>(command->GetId()),
                       itemText.GetString());
    command->SetStateFlags(stateFlags);
    if (acceleratorParameter != 0)
        command->SetAcceleratorParameter(acceleratorParameter);
}

void CZephyronMenuWin::AddSeparator()
{
    if (m_menu && m_menu->GetSafeMenu())
        m_menu->InsertMenu(GetInsertPosition(), MF_BYPOSITION | MF_SEPARATOR, 0u, nullptr);
}

CZephyronMenu* CZephyronMenuWin::AddSubMenu(const wchar_t* text)
{
    if (!m_menu || !m_menu->GetSafeMenu())
        return nullptr;
    auto* sub = new CMenu;
    if (!sub->CreatePopupMenu() ||
        !m_menu->InsertMenu(GetInsertPosition(), MF_BYPOSITION | MF_POPUP, sub, text)) {
        delete sub;
        return nullptr;
    }
    auto* result = new CZephyronMenuWin(sub, nullptr);
    result->m_subMenu.reset(sub);
    return result;
}

bool CZephyronMenuWin::TrackPopup(int x, int y, IZphView* owner)
{
    CFrameWnd* frame = AfxGetMainWnd();
    if (!m_menu || !m_menu->GetSafeMenu() || !frame)
        return false;
    POINT point{x, y};
    if (owner)
        owner->ClientToScreen(point);
    return m_menu->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, point.x, point.y, frame);
}

CZephyronMenuWin* CreateZphPopupMenu()
{
    RunDeferredCommandReleases();
    auto* popup = new CZphMenu;
    if (!popup->CreatePopupMenu()) {
        delete popup;
        return new CZephyronMenuWin(nullptr, nullptr);
    }
    return new CZephyronMenuWin(popup, popup);
}

CZephyronMenu* ViewerMenuHelperUI::CreatePopupMenu()
{
    return CreateZphPopupMenu();
}

bool ViewerMenuHelperUI::ShowPopupMenu(CZephyronMenu* menu, int x, int y, IZphView* owner)
{
    auto* windowsMenu = dynamic_cast<CZephyronMenuWin*>(menu);
    return windowsMenu && windowsMenu->TrackPopup(x, y, owner);
}

void GetSupportValue(std::wstring& value, const std::wstring& key, const std::wstring& defaultValue)
{
    using orbisk::utils::CKeyValueTable;
    using orbisk::utils::CLanguageSettings;
    using orbisk::utils::ReplaceAll;
    CKeyValueTable& table = CKeyValueTable::GetInstance();
    // A missing file is looked for again next time.
    table.LoadSupportFile();
    value = table.GetValue(key, defaultValue);
    const CLanguageSettings& language = CLanguageSettings::GetInstance();
    ReplaceAll(value, L"{CULTURE}", language.GetLanguage());
    ReplaceAll(value, L"{QWS_CULTURE}", language.GetServiceCulture());
    for (const wchar_t* placeholder : {L"{VAULTRIX_SERVER}", L"{QWS_SERVER}", L"{VERSION}"}) {
        const std::wstring replacement = table.GetValue(placeholder);
        if (!replacement.empty())
            ReplaceAll(value, placeholder, replacement);
    }
    ReplaceAll(value, L"{PLATFORM}", L"win");
}

void GetSupportValue(std::wstring& value, const std::wstring& key)
{
    GetSupportValue(value, key, std::wstring());
}
