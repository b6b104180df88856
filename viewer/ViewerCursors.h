#pragma once
// CViewerCursors: the program's cursor cache. Standard ids give the system's cursors; the
// "VPNG" records of the cursor table are PNG images named after the record
// ("cursor_Turn.png") in the cursor folder, by default the "cursors" folder among the
// program's support files; image files become cursors at run time.

#include <string>

#include "viewer/BaseCursors.h"

class CViewerCursors : public CBaseCursors {
public:
    // The resource type of the cursor images the program ships.
    static constexpr char kImageResourceType[] = "VPNG";

    // An empty folder: the program's own cursor images.
    explicit CViewerCursors(std::wstring resourceFolder = {});

    // The process-wide cache, made on first use and kept until exit.
    static CViewerCursors& GetInstance();

    int AddCursorFromFile(const std::wstring& path, int hotSpotX, int hotSpotY) override;
    HCURSOR GetSystemCursor(int id) override;
    HCURSOR GetDefaultCursor() override;
    HCURSOR CreateCursor(int id, const std::string& resourceType, int hotSpotX, int hotSpotY) override;

private:
    // The image file of a table record, empty when there is none.
    std::wstring FindCursorImage(const CursorRecord& record) const;

    std::wstring m_resourceFolder;
};
