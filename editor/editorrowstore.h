#pragma once
// The editor's view of the configuration database: the current row it loads the
// record from and saves it into. The main window's current configuration
// implements it; the editor never touches the database itself.

namespace vyn {

class EditorRowStore
{
public:
    virtual ~EditorRowStore() = default;

    // Makes the record hold the current row (unless it already does). False when
    // the row cannot be read: the edit gives up silently.
    virtual bool loadCurrentRow() = 0;
    // "Отказ": the current row read into the record again, whatever it holds now.
    virtual void reloadCurrentRow() = 0;
    // "Ввод": the record written into the current row, or appended as a new row.
    // The numbered messages of the groups that failed are shown by the store;
    // false when the row was not posted.
    virtual bool saveRecord(bool asNew) = 0;
    // Whether the store has already said why the last save was not posted.
    virtual bool lastSaveReported() const { return false; }
    // Whether the last save was not posted because the user chose to keep the
    // version another program had saved meanwhile.
    virtual bool lastSaveDeclined() const { return false; }
    // Whether the last save found its row deleted by another program.
    virtual bool lastSaveRowGone() const { return false; }
    // Whether the last posted save wrote every group of columns.
    virtual bool lastSaveComplete() const { return true; }
    // After a save: the main window takes up its current row again.
    virtual void refreshCurrentRow() = 0;
};

} // namespace vyn
