#pragma once

#include <QtGlobal>
#include <functional>

class DataGrid;
class ReactionScheduler;

// What the user typed and the register has not taken yet, when the cursor
// leaves its row or the window closes: tried again, and let go only when
// the user says so.
class UnstoredEdits {
public:
    // `fileGone`: whether the register's file has gone, so that nothing
    // typed can be stored any more (the user was told).
    UnstoredEdits(DataGrid &breweries, DataGrid &chroniks, ReactionScheduler &work, std::function<bool()> fileGone);

    // The cursor left the row with `key` of `grid` before what was typed
    // into it was stored: tries once more, then asks whether to try again,
    // discard it or keep it.
    void leftRow(DataGrid &grid, qint64 key);
    // Before the window closes: stores what was typed, or asks whether to
    // let it go; false when the user keeps the window open.
    bool storedBeforeClosing();

private:
    void discardAll();

    DataGrid &m_breweries;
    DataGrid &m_chroniks;
    ReactionScheduler &m_work;
    std::function<bool()> m_fileGone;
};
