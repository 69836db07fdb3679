#pragma once

#include "DataGrid.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

// Drives a DataGrid the way a person does: clicks into cells, types, and
// presses keys. The grid's window must be shown.
namespace GridDriver {

inline QPoint cellCenter(DataGrid &grid, int row, int column)
{
    grid.scrollTo(grid.model()->index(row, column));
    return grid.visualRect(grid.model()->index(row, column)).center();
}

inline void clickCell(DataGrid &grid, int row, int column)
{
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cellCenter(grid, row, column));
}

// Types text key by key; letters beyond ASCII arrive as the keyboard sends
// them, as key events that carry their text.
inline void typeText(QWidget *target, const QString &text)
{
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// Types `text` into a cell, replacing what it held, and presses Enter.
inline void typeInto(DataGrid &grid, int row, int column, const QString &text)
{
    clickCell(grid, row, column);
    QTest::keyClick(&grid, Qt::Key_F2);
    QPointer<QLineEdit> editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY2(editor, "no cell editor opened");
    editor->selectAll();
    if (text.isEmpty())
        QTest::keyClick(editor, Qt::Key_Delete);
    else
        typeText(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    // The editor hands its text over once control returns to the loop.
    QTRY_VERIFY(editor.isNull() || !editor->isVisible());
}

// Clicks a row's selector at the left, with Ctrl or the like when given.
inline void clickSelector(DataGrid &grid, int row, Qt::KeyboardModifiers modifiers = {})
{
    const QPoint cell = cellCenter(grid, row, 0);
    QTest::mouseClick(grid.verticalHeader()->viewport(), Qt::LeftButton, modifiers, QPoint(5, cell.y()));
}

// Selects a row by its selector at the left and presses Delete.
inline void deleteRow(DataGrid &grid, int row)
{
    clickSelector(grid, row);
    QTest::keyClick(&grid, Qt::Key_Delete);
}

inline QStringList columnTexts(DataGrid &grid, int column, int rows)
{
    QStringList texts;
    for (int r = 0; r < rows; ++r)
        texts << grid.model()->index(r, column).data().toString();
    return texts;
}

} // namespace GridDriver
