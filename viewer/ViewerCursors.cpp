#include "viewer/ViewerCursors.h"

#include <utility>

#include "image/CWinBmp.h"
#include "platform/mfc/TextEncoding.h"
#include "platform/win32/Cursor.h"
#include "support/LanguageSettings.h"
#include "support/PathUtils.h"

namespace {

// The image kind that the last four characters of a path name.
std::string GetImageKindFromPath(const std::wstring& path)
{
    if (path.size() < 4)
        return {};
    const std::wstring ending = path.substr(path.size() - 4);
    if (ending == L".jpg")
        return "JPEG";
    if (ending == L".png")
        return "PNG";
    if (ending == L".bmp")
        return "BMP";
    if (ending == L".tif")
        return "TIF";
    return {};
}

}  // namespace

CViewerCursors::CViewerCursors(std::wstring resourceFolder) : m_resourceFolder(std::move(resourceFolder)) {}

CViewerCursors& CViewerCursors::GetInstance()
{
    static CViewerCursors cursors;
    return cursors;
}

int CViewerCursors::AddCursorFromFile(const std::wstring& path, int hotSpotX, int hotSpotY)
{
    HCURSOR cursor = orbisk::bmputils::CreateCursorFromFile(path, hotSpotX, hotSpotY);
    if (!cursor)
        return 0;
    CursorRecord record;
    record.hotSpotX = hotSpotX;
    record.hotSpotY = hotSpotY;
    record.cursor = cursor;
    record.name = WideToAnsi(path);
    record.resourceType = GetImageKindFromPath(path);
    return RegisterCursor(std::move(record));
}

HCURSOR CViewerCursors::GetSystemCursor(int id)
{
    switch (id) {
        case IDC_ARROW:
        case IDC_WAIT:
        case IDC_CROSS:
        case IDC_UPARROW:
        case IDC_SIZE:
        case IDC_ICON:
        case IDC_SIZENWSE:
        case IDC_SIZENESW:
        case IDC_SIZEWE:
        case IDC_SIZENS:
        case IDC_SIZEALL:
        case IDC_NO:
        case IDC_APPSTARTING:
        case IDC_HELP: return LoadCursor(nullptr, id);
        default: return nullptr;
    }
}

HCURSOR CViewerCursors::GetDefaultCursor()
{
    return LoadCursor(nullptr, IDC_ARROW);
}

HCURSOR CViewerCursors::CreateCursor(int id, const std::string& resourceType, int hotSpotX, int hotSpotY)
{
    if (resourceType != kImageResourceType)
        return nullptr;
    const CursorRecord* record = FindTableRecord(id);
    if (!record)
        return nullptr;
    const std::wstring image = FindCursorImage(*record);
    return image.empty() ? nullptr : orbisk::bmputils::CreateCursorFromFile(image, hotSpotX, hotSpotY);
}

std::wstring CViewerCursors::FindCursorImage(const CursorRecord& record) const
{
    const std::wstring fileName = AnsiToWide(record.name) + L".png";
    if (m_resourceFolder.empty())
        return orbisk::utils::FindSupportFile(fileName, L"cursors/");
    const std::wstring path = orbisk::utils::JoinPath(m_resourceFolder, fileName);
    return orbisk::utils::IsRegularFile(path) ? path : std::wstring();
}
