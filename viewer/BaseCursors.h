#pragma once
// CBaseCursors: the cursor cache behind the program's cursor ids. An id becomes a cursor
// handle on first use and keeps it: the system's standard cursors, the cursors of the static
// table (image resources of the program), and cursors made from image files at run time,
// which get ids from 50001 upwards. What is made, and how, is the derived cache's business;
// this base answers null to all of it.

#include <string>
#include <vector>

#include "platform/win32/Icon.h"

struct CursorRecord {
    int id = 0;
    // Pixels from the image's top-left corner.
    int hotSpotX = 0;
    int hotSpotY = 0;
    std::string name;
    std::string resourceType;
    // Null until made.
    HCURSOR cursor = nullptr;
};

class CBaseCursors {
public:
    // The last id handed out before the first run-time cursor.
    static constexpr int kFirstRunTimeId = 50001;

    CBaseCursors();
    // Destroys the cursors the cache made.
    virtual ~CBaseCursors();
    CBaseCursors(const CBaseCursors&) = delete;
    CBaseCursors& operator=(const CBaseCursors&) = delete;

    // The id of a new cursor made from the image file, 0 when none could be made.
    virtual int AddCursorFromFile(const std::wstring& path, int hotSpotX, int hotSpotY);
    // The system's cursor of a standard id, else null.
    virtual HCURSOR GetSystemCursor(int id);
    // The cursor of the static table's record, made on first use; null for an id not in the
    // table or a cursor that cannot be made (tried again next time).
    virtual HCURSOR GetCursor(int id);
    virtual HCURSOR GetDefaultCursor();
    virtual HCURSOR CreateCursor(int id, const std::string& resourceType, int hotSpotX, int hotSpotY);

    // The cursor of any id; the default cursor for id 0, an unknown id, or one whose cursor
    // cannot be made.
    HCURSOR FindCursor(int id);
    // Gives the record the next run-time id, keeps it, and returns the id.
    int RegisterCursor(CursorRecord record);

    const std::vector<CursorRecord>& GetCursorTable() const { return m_table; }
    const std::vector<CursorRecord>& GetRunTimeCursors() const { return m_runTime; }

protected:
    const CursorRecord* FindTableRecord(int id) const;

private:
    std::vector<CursorRecord> m_table;
    std::vector<CursorRecord> m_runTime;
    int m_lastId = kFirstRunTimeId - 1;
};
