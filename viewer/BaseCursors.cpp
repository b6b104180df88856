#include "viewer/BaseCursors.h"

#include <iterator>
#include <utility>

namespace {

struct TableEntry {
    int id;
    int hotSpotX;
    int hotSpotY;
    const char* name;
    const char* resourceType;
};

// The program ships images for the "VPNG" records only; the "PNG" records name cursors of
// the modelling application that this program has no images for.
constexpr TableEntry kCursorTable[] = {
    {632, 1, 30, "cursor_Pencil", "PNG"},
    {629, 1, 1, "cursor_Select", "PNG"},
    {630, 1, 1, "cursor_SelectAdd", "PNG"},
    {631, 1, 1, "cursor_SelectSubtract", "PNG"},
    {633, 1, 1, "cursor_SelectInvert", "PNG"},
    {419, 10, 10, "cursor_Camera", "VPNG"},
    {634, 1, 30, "cursor_Rectangle", "PNG"},
    {635, 1, 30, "cursor_Measure", "PNG"},
    {636, 1, 30, "cursor_Measure_makeConstr", "PNG"},
    {637, 16, 16, "cursor_PushPull", "PNG"},
    {638, 16, 16, "cursor_PushPullCopy", "PNG"},
    {639, 16, 16, "cursor_no_PushPull", "PNG"},
    {640, 16, 16, "cursor_FollowMe", "PNG"},
    {641, 16, 16, "cursor_no_FollowMe", "PNG"},
    {1003, 16, 16, "cursor_Dolly", "VPNG"},
    {418, 16, 16, "cursor_Turn", "VPNG"},
    {420, 16, 16, "cursor_Walk", "VPNG"},
    {421, 11, 11, "cursor_Zoom", "VPNG"},
    {422, 11, 11, "cursor_ZoomWindow", "VPNG"},
    {642, 16, 16, "cursor_Move", "PNG"},
    {643, 16, 16, "cursor_MoveCopy", "PNG"},
    {644, 16, 16, "cursor_Move_fold", "PNG"},
    {645, 16, 16, "cursor_no_Move", "PNG"},
    {646, 16, 16, "cursor_Rotate", "PNG"},
    {647, 16, 16, "cursor_RotateCopy", "PNG"},
    {648, 16, 16, "cursor_no_Rotate", "PNG"},
    {649, 16, 16, "cursor_Offset", "PNG"},
    {650, 16, 16, "cursor_no_Offset", "PNG"},
    {651, 4, 28, "cursor_Eraser", "PNG"},
    {652, 1, 30, "cursor_Arc1", "PNG"},
    {653, 1, 30, "cursor_Arc2", "PNG"},
    {654, 1, 30, "cursor_Arc3", "PNG"},
    {655, 4, 28, "cursor_Paint", "PNG"},
    {656, 4, 28, "cursor_Paint5", "PNG"},
    {657, 4, 28, "cursor_no_Paint", "PNG"},
    {658, 4, 28, "cursor_Paint2", "PNG"},
    {659, 4, 28, "cursor_Paint3", "PNG"},
    {660, 4, 28, "cursor_Paint4", "PNG"},
    {661, 1, 30, "cursor_Eyedropper", "PNG"},
    {662, 1, 30, "cursor_Eyedropper1", "PNG"},
    {663, 16, 16, "cursor_PositionCamera", "PNG"},
    {664, 1, 30, "cursor_Freehand", "PNG"},
    {665, 8, 16, "cursor_Text", "PNG"},
    {666, 16, 16, "cursor_Scale", "PNG"},
    {667, 16, 16, "cursor_NS", "PNG"},
    {668, 16, 16, "cursor_EW", "PNG"},
    {669, 16, 16, "cursor_NESW", "PNG"},
    {670, 16, 16, "cursor_NWSE", "PNG"},
    {671, 16, 16, "cursor_ENE", "PNG"},
    {672, 16, 16, "cursor_NNE", "PNG"},
    {673, 16, 16, "cursor_WNW", "PNG"},
    {674, 16, 16, "cursor_NNW", "PNG"},
    {675, 16, 16, "cursor_ScaleNo", "PNG"},
    {676, 16, 16, "cursor_no_Scale", "PNG"},
    {677, 16, 16, "cursor_Nodrop", "PNG"},
    {678, 16, 16, "cursor_ClosedHand", "PNG"},
    {679, 16, 16, "cursor_OpenHand", "PNG"},
    {680, 10, 1, "cursor_PointHand", "PNG"},
    {466, 16, 16, "cursor_WalkNo", "VPNG"},
    {681, 10, 10, "cursor_Camera_SOI", "PNG"},
    {682, 16, 16, "cursor_Dolly_SOI", "PNG"},
    {683, 16, 16, "cursor_PositionCamera_SOI", "PNG"},
    {684, 16, 16, "cursor_Turn_SOI", "PNG"},
    {685, 16, 16, "cursor_Walk_SOI", "PNG"},
    {686, 11, 11, "cursor_ZoomFOV_SOI", "PNG"},
    {687, 11, 11, "cursor_Zoom_SOI", "PNG"},
    {688, 11, 11, "cursor_ZoomWindow_SOI", "PNG"},
    {689, 1, 1, "Cursor_No_Select_SOI2", "PNG"},
    {690, 4, 28, "cursor_Match", "PNG"},
    {923, 1, 1, "cursor_solidselect", "PNG"},
    {924, 1, 1, "cursor_solid1select", "PNG"},
    {925, 1, 1, "cursor_solid2select", "PNG"},
    {926, 1, 1, "cursor_solidnoselect", "PNG"},
};
static_assert(std::size(kCursorTable) == 73);

}  // namespace

CBaseCursors::CBaseCursors()
{
    m_table.reserve(std::size(kCursorTable));
    for (const TableEntry& entry : kCursorTable)
        m_table.push_back(
            {entry.id, entry.hotSpotX, entry.hotSpotY, entry.name, entry.resourceType, nullptr});
}

CBaseCursors::~CBaseCursors()
{
    for (std::vector<CursorRecord>* records : {&m_table, &m_runTime})
        for (CursorRecord& record : *records)
            DestroyCursor(std::exchange(record.cursor, nullptr));
}

int CBaseCursors::AddCursorFromFile(const std::wstring&, int, int)
{
    return 0;
}

HCURSOR CBaseCursors::GetSystemCursor(int)
{
    return nullptr;
}

HCURSOR CBaseCursors::GetDefaultCursor()
{
    return nullptr;
}

HCURSOR CBaseCursors::CreateCursor(int, const std::string&, int, int)
{
    return nullptr;
}

const CursorRecord* CBaseCursors::FindTableRecord(int id) const
{
    for (const CursorRecord& record : m_table)
        if (record.id == id)
            return &record;
    return nullptr;
}

HCURSOR CBaseCursors::GetCursor(int id)
{
    for (CursorRecord& record : m_table) {
        if (record.id != id)
            continue;
        if (!record.cursor)
            record.cursor = CreateCursor(id, record.resourceType, record.hotSpotX, record.hotSpotY);
        return record.cursor;
    }
    return nullptr;
}

HCURSOR CBaseCursors::FindCursor(int id)
{
    if (id == 0)
        return GetDefaultCursor();
    if (HCURSOR cursor = GetSystemCursor(id))
        return cursor;
    if (HCURSOR cursor = GetCursor(id))
        return cursor;
    for (const CursorRecord& record : m_runTime)
        if (record.id == id && record.cursor)
            return record.cursor;
    return GetDefaultCursor();
}

int CBaseCursors::RegisterCursor(CursorRecord record)
{
    record.id = ++m_lastId;
    m_runTime.push_back(std::move(record));
    return m_lastId;
}
