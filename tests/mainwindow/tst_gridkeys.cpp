// The grids as a keyboard and mouse user meets them: the new-row line
// stores only what was typed, values show whole or in a tooltip, the keys
// reach every control, and the lists do not change under a passing wheel.
#include "GridDriver.h"
#include "ScratchRegister.h"
#include "ShownWindow.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QClipboard>
#include <QGuiApplication>
#include <QTest>
#include <QToolTip>
#include <QWheelEvent>

using Answer = MessageBoxes::Answer;

namespace {

// Steps onto the new-row line of `grid` (its row `line`) and off again.
void visitNewRowLine(DataGrid &grid, int line, const QString &how)
{
    if (how == "tab") {
        GridDriver::clickCell(grid, line - 1, grid.model()->columnCount() - 1);
        // The last visible column: the history grid's sixth is hidden.
        while (grid.currentIndex().row() < line)
            QTest::keyClick(&grid, Qt::Key_Tab);
    } else if (how == "arrow") {
        GridDriver::clickCell(grid, line - 1, 0);
        QTest::keyClick(&grid, Qt::Key_Down);
    } else {
        GridDriver::clickCell(grid, line, 0);
    }
    QCOMPARE(grid.currentIndex().row(), line);
    GridDriver::clickCell(grid, 0, 0);
}

} // namespace

class TestGridKeys : public QObject {
    Q_OBJECT

private slots:
    void newRowLineStoresOnlyWhatWasTyped_data()
    {
        QTest::addColumn<bool>("chronik");
        QTest::addColumn<QString>("how");
        for (const bool chronik : {false, true}) {
            for (const char *how : {"tab", "arrow", "click"})
                QTest::addRow("%s by %s", chronik ? "history" : "breweries", how) << chronik << QString(how);
        }
    }
    void newRowLineStoresOnlyWhatWasTyped()
    {
        QFETCH(bool, chronik);
        QFETCH(QString, how);
        ScratchRegister reg;
        const qint64 id = reg.addCity("Bamberg");
        reg.addChronik(id, {"Eintrag"});
        ShownWindow win(reg.dir());
        DataGrid &grid = chronik ? *win->grdChronik : *win->grdBrauerien;
        const QString table = chronik ? "BreweryChronik" : "Brewery";
        visitNewRowLine(grid, 1, how);
        // An editor opened and left empty begins nothing either.
        GridDriver::clickCell(grid, 1, 1);
        QTest::keyClick(&grid, Qt::Key_F2);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        GridDriver::clickCell(grid, 0, 0);
        QCOMPARE(reg.sql().count("SELECT count(*) FROM " + table), 1);

        // One typed character is a record; Escape drops a begun one.
        GridDriver::typeInto(grid, 1, 1, "x");
        QCOMPARE(grid.AddNewMode(), int(DataGrid::AddNewPending));
        QTest::keyClick(&grid, Qt::Key_Escape);
        QCOMPARE(grid.AddNewMode(), int(DataGrid::AddNewCurrent));
        GridDriver::clickCell(grid, 0, 0);
        QCOMPARE(reg.sql().count("SELECT count(*) FROM " + table), 1);
        GridDriver::typeInto(grid, 1, 1, "x");
        GridDriver::clickCell(grid, 0, 0);
        QCOMPARE(reg.sql().count("SELECT count(*) FROM " + table), 2);
        QVERIFY(win.boxes->failures.isEmpty());
    }

    // A column shows the values in view whole in the grid's own font and
    // style (the ID's sample too); a longer value shows whole in a tooltip.
    void valuesShowWhole()
    {
        ScratchRegister reg;
        reg.addBrewery({"BY", "Oberfranken", "96047", "Bamberg", "SN01614-00",
                        "Brauerei zum Löwen mit einem sehr langen Namen, der nicht in die Spalte passt", "1536", ""});
        ShownWindow win(reg.dir());
        DataGrid &grid = *win->grdBrauerien;
        const int margin = grid.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &grid) + 1;
        for (const QString &sample : {QString("XX99999-99"), QString("SN01614-00")})
            QVERIFY2(grid.fontMetrics().horizontalAdvance(sample) + 2 * margin <= grid.columnWidth(4), qPrintable(sample));
        QVERIFY(grid.fontMetrics().horizontalAdvance("96047") + 2 * margin <= grid.columnWidth(2));

        const auto tipAt = [&](int column) {
            QToolTip::hideText();
            const QPoint at = GridDriver::cellCenter(grid, 0, column);
            QHelpEvent help(QEvent::ToolTip, at, grid.viewport()->mapToGlobal(at));
            QApplication::sendEvent(grid.viewport(), &help);
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };
        QCOMPARE(tipAt(3), QString());
        QCOMPARE(tipAt(5), QStringLiteral("Brauerei zum Löwen mit einem sehr langen Namen, der nicht in die Spalte passt"));
    }

    // Ctrl+Tab leaves a grid for the next control in the tab order,
    // Ctrl+Shift+Tab for the previous one; Tab stays inside.
    void ctrlTabLeavesTheGrid()
    {
        ScratchRegister reg;
        reg.addCity("Bamberg");
        ShownWindow win(reg.dir());
        win->grdBrauerien->setFocus();
        QTest::keyClick(win->grdBrauerien, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), win->grdBrauerien);
        QTest::keyClick(win->grdBrauerien, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), win->cboBrauereiJump);
        win->grdChronik->setFocus();
        QTest::keyClick(win->grdChronik, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), win->cmdReport);
    }

    // Shift+Space marks the current row as its selector does; Delete then
    // asks, and only Yes deletes.
    void shiftSpaceThenDelete_data()
    {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<int>("left");
        QTest::addRow("no keeps it") << Answer::No << 2;
        QTest::addRow("yes deletes it") << Answer::Yes << 1;
    }
    void shiftSpaceThenDelete()
    {
        QFETCH(Answer, answer);
        QFETCH(int, left);
        ScratchRegister reg;
        reg.addCity("Bamberg");
        reg.addCity("Coburg");
        ShownWindow win(reg.dir());
        GridDriver::clickCell(*win->grdBrauerien, 1, 2);
        win.boxes->answers = {answer};
        QTest::keyClick(win->grdBrauerien, Qt::Key_Space, Qt::ShiftModifier);
        QTest::keyClick(win->grdBrauerien, Qt::Key_Delete);
        QCOMPARE(win.boxes->asked.size(), 1);
        QVERIFY(win.boxes->asked[0].contains("Coburg"));
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery"), left);
    }

    // Ctrl+C on a row selected whole copies the row as a spreadsheet takes
    // it, whole values with tabs between; on a cell, the cell.
    void ctrlCCopiesTheSelectedRow()
    {
        ScratchRegister reg;
        reg.addBrewery({"BY", "Oberfranken", "96047", "Bamberg", "B1", QString(300, 'x'), "1536", "<null>"});
        ShownWindow win(reg.dir());
        GridDriver::clickCell(*win->grdBrauerien, 0, 3);
        QTest::keyClick(win->grdBrauerien, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), "Bamberg");
        QTest::keyClick(win->grdBrauerien, Qt::Key_Space, Qt::ShiftModifier);
        QTest::keyClick(win->grdBrauerien, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 "BY\tOberfranken\t96047\tBamberg\tB1\t" + QString(300, 'x') + "\t1536\t\n");
    }

    void wheelOverAnUnfocusedListChangesNothing()
    {
        ScratchRegister reg;
        reg.addCity("Bamberg");
        reg.addCity("Aalen");
        ShownWindow win(reg.dir());
        win->grdBrauerien->setFocus();
        const QPoint at = win->cmbSort1->rect().center();
        QWheelEvent wheel(at, win->cmbSort1->mapToGlobal(at), {}, QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(win->cmbSort1, &wheel);
        QCOMPARE(win->cmbSort1->currentText(), "ORT(City)");
        QCOMPARE(win->grdBrauerien->model()->index(0, 3).data().toString(), "Aalen");
        QCOMPARE(QApplication::focusWidget(), win->grdBrauerien);
    }

    void largeCountShowsWhole()
    {
        ScratchRegister reg;
        ShownWindow win(reg.dir());
        win->setBreweryCount(1000000);
        QCOMPARE(win->lblBreweryCount->text(), "1000000");
        QVERIFY(win->lblBreweryCount->width() >= win->lblBreweryCount->sizeHint().width());
    }
};

QTEST_MAIN(TestGridKeys)
#include "tst_gridkeys.moc"
