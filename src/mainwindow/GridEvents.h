#pragma once

#include <QVariant>
#include <functional>

class StoreError;

// The program's reactions to a grid. Each is a plain call, made before or
// after the grid's own step; a reaction may throw StoreError, which the
// grid catches, undoing the step it interrupted.
struct GridEvents {
    std::function<void(int colIndex, const QVariant &oldValue, bool &cancel)> BeforeColUpdate;
    std::function<void(int colIndex)> AfterColUpdate;
    // Asked before a row is deleted, with nothing written yet and no
    // transaction open: a question must never hold one open, where what
    // other editors commit meanwhile is copied in.
    std::function<void(bool &cancel)> ConfirmDelete;
    // Inside the delete's transaction: what goes with the row.
    std::function<void(bool &cancel)> BeforeDelete;
    std::function<void()> AfterInsert;
    std::function<void(int lastRow, int lastCol)> RowColChange;
    // The argument-less notification: raised when the grid gains the input
    // focus from another control of the window, or when it loses it to one.
    std::function<void()> FocusGained;
    std::function<void()> FocusLost;
    // A failed step, already undone; the grid shows what is stored.
    std::function<void(const StoreError &)> Failed;
    // A write the register refused for now (busy, disk full) whose value
    // the grid keeps to store later; Failed when not set.
    std::function<void(const StoreError &)> WriteKept;
    // The cursor left record `key` while values typed into it are still
    // not stored.
    std::function<void(qint64 key)> LeftUnstoredRow;
    // The reactions to a move of the cursor failed (they read, never
    // write); Failed when not set.
    std::function<void(const StoreError &)> MoveFailed;
    // Reading values to show failed; raised once, after the paint, and
    // again only after a read has succeeded in between. While the register
    // is busy the grid shows empty cells and tries again by itself.
    std::function<void(const StoreError &)> ReadFailed;
    // Values could be read again after a failed read.
    std::function<void()> ReadRecovered;
    // How the grid runs its own work later (a read tried again, a failure
    // told after the paint): the window's scheduler; from the event loop
    // when not set.
    std::function<void(int delayMs, std::function<void()> work)> Later;
};
