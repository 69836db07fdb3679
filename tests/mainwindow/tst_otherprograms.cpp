// The main window when another program reads and writes the same register:
// it keeps running, stores nothing stale, loses nothing typed, and reports
// the register as it is stored.
#include "BusyStep.h"
#include "FileBytes.h"
#include "GridDriver.h"
#include "LockingShell.h"
#include "RecordsetModel.h"
#include "RegisterBackup.h"
#include "ReportImport.h"
#include "ScratchRegister.h"
#include "ShownWindow.h"
#include "StoreError.h"
#include "SudregisterReport.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using Answer = MessageBoxes::Answer;

class TestOtherPrograms : public QObject {
    Q_OBJECT

private slots:
    // A read that fails while the grid paints must neither end the program
    // nor show a box per cell: a busy register is said to be busy and read
    // again once it is free, any other failure is told once.
    void failedReadWhilePainting_data()
    {
        QTest::addColumn<bool>("busy");
        QTest::addRow("register busy") << true;
        QTest::addRow("table gone") << false;
    }
    void failedReadWhilePainting()
    {
        QFETCH(bool, busy);
        ScratchRegister reg;
        reg.addCity("Bamberg");
        ShownWindow win(reg.dir());
        DataGrid &grid = *win->grdBrauerien;
        std::unique_ptr<LockingShell> shell;
        if (busy) {
            shell = std::make_unique<LockingShell>(reg.path(), LockingShell::Hold::Everyone);
            QVERIFY(shell->held());
        } else {
            QVERIFY(reg.sql().exec("ALTER TABLE Brewery RENAME TO Gone"));
        }
        for (int paint = 0; paint < 3; ++paint) {
            win->dsBrewery->Recordset().dropCache();
            grid.recordsetModel().reread();
            grid.viewport()->repaint();
            QTest::qWait(20);
        }
        QCOMPARE(grid.model()->index(0, 3).data().toString(), QString());
        if (busy) {
            QVERIFY(win.boxes->failures.isEmpty());
            QVERIFY2(win->lblMessage->text().contains("in use by another program"), qPrintable(win->lblMessage->text()));
            shell->release();
        } else {
            QTRY_COMPARE(win.boxes->failures.size(), 1);
            QVERIFY2(win.boxes->failures[0].contains("no such table"), qPrintable(win.boxes->failures[0]));
            QVERIFY(reg.sql().exec("ALTER TABLE Gone RENAME TO Brewery"));
        }
        QTRY_COMPARE(grid.model()->index(0, 3).data().toString(), QStringLiteral("Bamberg"));
        QTRY_VERIFY(win->lblMessage->text().startsWith("Register: "));
        QCOMPARE(win.boxes->failures.size(), busy ? 0 : 1);
    }

    // A row typed while another program holds the register stays in the
    // grid and is stored once the register is free; closing the window in
    // between asks what to do with it.
    void unstoredRowOnClosing_data()
    {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<int>("stored");
        QTest::addRow("keep the window open, then store") << Answer::Cancel << 2;
        QTest::addRow("discard it") << Answer::No << 1;
    }
    void unstoredRowOnClosing()
    {
        QFETCH(Answer, answer);
        QFETCH(int, stored);
        ScratchRegister reg;
        reg.addCity("Bamberg");
        ShownWindow win(reg.dir());
        LockingShell shell(reg.path());
        QVERIFY(shell.held());
        GridDriver::typeInto(*win->grdBrauerien, 1, 3, "Coburg");
        GridDriver::clickCell(*win->grdBrauerien, 0, 3);
        QCOMPARE(win.boxes->failures.size(), 1);
        QCOMPARE(win->grdBrauerien->AddNewMode(), int(DataGrid::AddNewPending));

        win.boxes->answers = {answer};
        const bool closed = win->close();
        QCOMPARE(win.boxes->asked.size(), 1);
        QVERIFY(win.boxes->asked[0].contains("could not be stored"));
        QCOMPARE(closed, answer == Answer::No);
        shell.release();
        if (!closed)
            QVERIFY(win->close());
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery"), stored);
    }

    // A value typed while another program holds the register stays in its
    // cell, marked as not yet stored, told once, and is stored as soon as
    // the register is free; closing meanwhile asks, as for a new row, and
    // so does leaving its row, where it may be let go.
    void valueTypedWhileBusyIsKept_data()
    {
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<QString>("stored");
        QTest::addRow("stored once free") << "" << "Coburg";
        QTest::addRow("asked on closing") << "close" << "Coburg";
        QTest::addRow("asked on leaving, kept") << "leave, keep" << "Coburg";
        QTest::addRow("asked on leaving, let go") << "leave, let go" << "Bamberg";
    }
    void valueTypedWhileBusyIsKept()
    {
        QFETCH(QString, meanwhile);
        QFETCH(QString, stored);
        ScratchRegister reg;
        const qint64 bamberg = reg.addCity("Bamberg");
        reg.addCity("Dachau");
        ShownWindow win(reg.dir());
        LockingShell shell(reg.path(), LockingShell::Hold::Everyone);
        QVERIFY(shell.held());
        GridDriver::typeInto(*win->grdBrauerien, 0, 3, "Coburg");
        // The write waits for the register a moment before it gives up.
        QTRY_COMPARE_WITH_TIMEOUT(win.boxes->failures.size(), 1, 10000);
        QVERIFY2(win.boxes->failures[0].contains("in use by another program"), qPrintable(win.boxes->failures[0]));
        const QModelIndex cell = win->grdBrauerien->model()->index(0, 3);
        QCOMPARE(cell.data().toString(), "Coburg");
        QVERIFY2(cell.data(Qt::ToolTipRole).toString().contains("not yet stored", Qt::CaseInsensitive),
                 qPrintable(cell.data(Qt::ToolTipRole).toString()));
        if (meanwhile == "close") {
            win.boxes->answers = {Answer::Cancel};
            QVERIFY(!win->close());
        } else if (meanwhile.startsWith("leave")) {
            win.boxes->answers = {meanwhile.endsWith("keep") ? Answer::Cancel : Answer::No};
            GridDriver::clickCell(*win->grdBrauerien, 1, 3);
        }
        QCOMPARE(win.boxes->asked.size(), meanwhile.isEmpty() ? 0 : 1);
        if (!meanwhile.isEmpty())
            QVERIFY2(win.boxes->asked[0].contains("\"Coburg\" in ORT"), qPrintable(win.boxes->asked[0]));
        shell.release();
        QTRY_COMPARE_WITH_TIMEOUT(
            reg.sql().column(QStringLiteral("SELECT CityName FROM Brewery WHERE RowId = %1").arg(bamberg)),
            QStringList{stored}, 10000);
        QTRY_COMPARE(cell.data().toString(), stored);
        QVERIFY(!cell.data(Qt::ToolTipRole).toString().contains("not yet stored", Qt::CaseInsensitive));
        QCOMPARE(win.boxes->failures.size(), 1);
    }

    // A new brewery typed while the disk is full stays in its line, told
    // once however often the user leaves it, and is stored once there is
    // room again.
    void newRowOnAFullDiskIsKept()
    {
        ScratchRegister reg;
        // Rows until one more needs a page of its own.
        for (;;) {
            const qint64 pages = reg.sql().count("PRAGMA page_count");
            reg.sql().exec("BEGIN; INSERT INTO Brewery (CityName) VALUES ('Coburg')");
            const bool grows = reg.sql().count("PRAGMA page_count") > pages;
            reg.sql().exec("ROLLBACK");
            if (grows)
                break;
            reg.sql().exec("INSERT INTO Brewery (CityName) VALUES ('Aalen')");
        }
        ShownWindow win(reg.dir());
        const int line = win->dsBrewery->Recordset().RecordCount();
        reg.file()->exec("PRAGMA max_page_count = 1"); // as many as it has: the disk is full
        GridDriver::typeInto(*win->grdBrauerien, line, 3, "Coburg");
        GridDriver::clickCell(*win->grdBrauerien, 0, 3);
        GridDriver::clickCell(*win->grdBrauerien, line, 3);
        GridDriver::clickCell(*win->grdBrauerien, 0, 3);
        QCOMPARE(win.boxes->failures.size(), 1);
        QVERIFY2(win.boxes->failures[0].contains("full"), qPrintable(win.boxes->failures[0]));
        QCOMPARE(win->grdBrauerien->AddNewMode(), int(DataGrid::AddNewPending));
        QCOMPARE(win->grdBrauerien->model()->index(line, 3).data().toString(), "Coburg");
        reg.file()->exec("PRAGMA max_page_count = 1000000");
        QTRY_COMPARE_WITH_TIMEOUT(reg.sql().count("SELECT count(*) FROM Brewery WHERE CityName = 'Coburg'"), 1, 10000);
        QCOMPARE(win.boxes->failures.size(), 1);
    }

    // An edit of a row that another program deleted or changed meanwhile is
    // refused with a message, and the grids show the register as stored.
    void editOfARowChangedElsewhere_data()
    {
        QTest::addColumn<QString>("otherProgram");
        QTest::addColumn<QStringList>("storedNames");
        QTest::addColumn<int>("gridRows");
        QTest::addRow("deleted") << "DELETE FROM Brewery WHERE CityName = 'Bamberg'" << QStringList{"Brauerei"} << 2;
        // Typing back the name the grid still shows must not hide the change.
        QTest::addRow("renamed") << "UPDATE Brewery SET BreweryName = 'Renamed' WHERE CityName = 'Bamberg'"
                                 << QStringList{"Renamed", "Brauerei"} << 3;
    }
    void editOfARowChangedElsewhere()
    {
        QFETCH(QString, otherProgram);
        QFETCH(QStringList, storedNames);
        QFETCH(int, gridRows);
        ScratchRegister reg;
        reg.addCity("Bamberg");
        reg.addCity("Coburg");
        ShownWindow win(reg.dir());
        QVERIFY(reg.sql().exec(otherProgram));
        GridDriver::typeInto(*win->grdBrauerien, 0, 5, "Neue Brauerei");
        QCOMPARE(win.boxes->failures.size(), 1);
        QVERIFY2(win.boxes->failures[0].contains("changed or deleted by another program"),
                 qPrintable(win.boxes->failures[0]));
        // The value typed is named, so that it can be typed again.
        QVERIFY2(win.boxes->failures[0].contains("\"Neue Brauerei\""), qPrintable(win.boxes->failures[0]));
        QCOMPARE(reg.sql().column("SELECT BreweryName FROM Brewery ORDER BY CityName"), storedNames);
        QTRY_COMPARE(win->grdBrauerien->model()->rowCount(), gridRows);
        QCOMPARE(win->grdBrauerien->model()->index(0, 5).data().toString(), storedNames[0]);
    }

    // The window, brought back by a click into a cell after another program
    // changed the register, reads the register again: the click's cell stays
    // current, and what is typed lands in the field clicked, on the row
    // clicked.
    // Back from another window after another program added a brewery that
    // sorts first: the list is read again, and the brewery that was current
    // (the first) stays current, its history shown.
    void rereadOnActivationKeepsTheFirstBreweryCurrent()
    {
        ScratchRegister reg;
        const qint64 bamberg = reg.addCity("Bamberg");
        reg.addChronik(bamberg, {"Bamberger Eintrag"});
        reg.addCity("Coburg");
        ShownWindow win(reg.dir());
        QWidget elsewhere;
        elsewhere.show();
        elsewhere.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&elsewhere));
        reg.addCity("Aalen");
        win->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(win.w.get()));
        QTRY_COMPARE(win->dsBrewery->Recordset().RecordCount(), 3);
        QCOMPARE(win->dsBrewery->Recordset().keyAt(win->dsBrewery->Recordset().AbsolutePosition()), bamberg);
        QCOMPARE(win.chronikNames(), QStringList{"Bamberger Eintrag"});
        QVERIFY(win.boxes->failures.isEmpty());
    }

    void typedAfterAnActivatingClickLandsInTheClickedCell()
    {
        ScratchRegister reg;
        for (const char *city : {"Aalen", "Bamberg", "Coburg", "Dachau"})
            reg.addCity(city);
        ShownWindow win(reg.dir());
        QWidget elsewhere;
        elsewhere.show();
        elsewhere.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&elsewhere));
        QVERIFY(reg.sql().exec("UPDATE Brewery SET CountyName = 'X' WHERE CityName = 'Dachau'"));

        DataGrid &grid = *win->grdBrauerien;
        GridDriver::clickCell(grid, 2, 3);
        win->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(win.w.get()));
        QCOMPARE(grid.currentIndex(), grid.model()->index(2, 3));
        // The first key opens the cell's editor, which takes the rest.
        GridDriver::typeText(&grid, "T");
        GridDriver::typeText(QApplication::focusWidget(), "ypedCity");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(!grid.isEditing());
        QCOMPARE(reg.sql().column("SELECT StateName || '/' || CityName FROM Brewery ORDER BY RowId"),
                 QStringList({"BY/Aalen", "BY/Bamberg", "BY/TypedCity", "BY/Dachau"}));
        QVERIFY(win.boxes->failures.isEmpty());
    }

    // Another program inserts a brewery that sorts before the rows in view
    // while the window is inactive; the user clicks the +Jahr cell of the
    // row showing Erfurt, which activates the window, and types a year. It
    // lands on Erfurt, whether the re-read the activation brings comes after
    // the typing or between the click and the typing.
    void activatingClickEditsTheRowClicked_data()
    {
        QTest::addColumn<bool>("rereadBeforeClick");
        QTest::addRow("re-read after the input") << false;
        QTest::addRow("re-read before the click") << true;
    }
    void activatingClickEditsTheRowClicked()
    {
        QFETCH(bool, rereadBeforeClick);
        ScratchRegister reg;
        // More rows than the grid shows, so that the rows in view can stay.
        QStringList cities = {"Bamberg", "Coburg", "Dresden", "Erfurt"};
        for (int i = 0; i < 30; ++i)
            cities << QStringLiteral("Zell%1").arg(i, 2, 10, QLatin1Char('0'));
        for (int i = 0; i < cities.size(); ++i)
            reg.sql().exec(QStringLiteral("INSERT INTO Brewery (CityName, BreweryName) VALUES ('%1', 'Brauerei%2')")
                               .arg(cities[i])
                               .arg(i));
        ShownWindow win(reg.dir());
        DataGrid &grid = *win->grdBrauerien;
        const int erfurt = 3;
        QCOMPARE(grid.model()->index(erfurt, 3).data().toString(), QStringLiteral("Erfurt"));
        const int erfurtOnScreen = grid.rowViewportPosition(erfurt);
        const QPoint erfurtStopYear = grid.visualRect(grid.model()->index(erfurt, 7)).center();
        QWidget elsewhere;
        elsewhere.show();
        elsewhere.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&elsewhere));
        QVERIFY(reg.sql().exec("INSERT INTO Brewery (CityName, BreweryName) VALUES ('Aachen', 'Neu')"));

        win->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(win.w.get()));
        if (rereadBeforeClick)
            QTRY_COMPARE(win->dsBrewery->Recordset().RecordCount(), 35);
        // Where the user saw Erfurt's +Jahr.
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, erfurtStopYear);
        GridDriver::typeText(&grid, "2");
        GridDriver::typeText(QApplication::focusWidget(), "099");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(!grid.isEditing());
        QTRY_COMPARE(win->dsBrewery->Recordset().RecordCount(), 35);
        QCOMPARE(reg.sql().column("SELECT CityName FROM Brewery WHERE StopYear = '2099'"), QStringList{"Erfurt"});
        // The rows keep their places on screen.
        QCOMPARE(grid.rowViewportPosition(win->dsBrewery->Recordset().positionOf(4)), erfurtOnScreen);
        QVERIFY(win.boxes->failures.isEmpty());
    }

    // Another program holding the register while the user moves through
    // the list is told once, not once per move; the history is read again
    // as soon as the register is free.
    void busyRegisterWhileMovingWaitsInPlace_data()
    {
        QTest::addColumn<bool>("clicks");
        QTest::addRow("keys") << false;
        QTest::addRow("clicks, seconds apart") << true;
    }
    void busyRegisterWhileMovingWaitsInPlace()
    {
        QFETCH(bool, clicks);
        ScratchRegister reg;
        reg.addCity("Aalen");
        reg.addCity("Bamberg");
        const qint64 coburg = reg.addCity("Coburg");
        reg.addChronik(coburg, {"Coburger Eintrag"});
        ShownWindow win(reg.dir());
        GridDriver::clickCell(*win->grdBrauerien, 0, 3);
        LockingShell shell(reg.path(), LockingShell::Hold::Everyone);
        QVERIFY(shell.held());
        if (clicks) {
            for (int row : {1, 0, 1, 2}) {
                GridDriver::clickCell(*win->grdBrauerien, row, 3);
                QTest::qWait(1500); // the retries of the busy spell run meanwhile
            }
        } else {
            QTest::keyClick(win->grdBrauerien, Qt::Key_Down);
            QTest::keyClick(win->grdBrauerien, Qt::Key_Down);
        }
        // No box takes what the user types next; the history says it waits.
        QCOMPARE(win.boxes->failures, QStringList());
        QCOMPARE(win->grdChronik->waitingNote(), "waiting for the register…");
        QVERIFY(!win->grdChronik->isEnabled());
        shell.release();
        QTRY_COMPARE_WITH_TIMEOUT(win.chronikNames(), QStringList{"Coburger Eintrag"}, 10000);
        QCOMPARE(win->grdChronik->waitingNote(), QString());
        QVERIFY(win->grdChronik->isEnabled());
        QCOMPARE(win.boxes->failures, QStringList());
    }

    // A write the register refuses while another program holds it is told,
    // once; the moves before it only waited.
    void busyRegisterTellsTheWriteOnce()
    {
        ScratchRegister reg;
        reg.addCity("Aalen");
        reg.addCity("Bamberg");
        ShownWindow win(reg.dir());
        GridDriver::clickCell(*win->grdBrauerien, 0, 3);
        LockingShell shell(reg.path(), LockingShell::Hold::Everyone);
        QVERIFY(shell.held());
        QTest::keyClick(win->grdBrauerien, Qt::Key_Down);
        GridDriver::typeInto(*win->grdBrauerien, 1, 3, "Bayreuth");
        QTRY_COMPARE_WITH_TIMEOUT(win.boxes->failures.size(), 1, 10000);
        QVERIFY2(win.boxes->failures[0].contains("in use by another program"), qPrintable(win.boxes->failures[0]));
        shell.release();
        QTRY_COMPARE_WITH_TIMEOUT(reg.sql().column("SELECT CityName FROM Brewery ORDER BY RowId"),
                                  QStringList({"Aalen", "Bayreuth"}), 10000);
        QCOMPARE(win.boxes->failures.size(), 1);
    }

    // Loading the register for a report while another program holds it
    // says so once, not once for every step of the loading.
    void loadingABusyRegisterIsToldOnce()
    {
        ScratchRegister reg;
        reg.addCity("Aalen");
        ShownWindow win(reg.dir());
        LockingShell shell(reg.path(), LockingShell::Hold::Everyone);
        QVERIFY(shell.held());
        win->LoadBreweryObjects();
        QCOMPARE(win.boxes->failures.size(), 1);
        QVERIFY2(win.boxes->failures[0].contains("in use by another program"), qPrintable(win.boxes->failures[0]));
        QCOMPARE(win->lblMessage->text(), "Done Loading ");
    }

    // A re-read that the window's activation asks for while a long step
    // runs waits for the step's end: the step's list stays as it is.
    void activationDuringAStepWaitsForItsEnd()
    {
        ScratchRegister reg;
        reg.addCity("Bamberg");
        ShownWindow win(reg.dir());
        QWidget elsewhere;
        elsewhere.show();
        elsewhere.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&elsewhere));
        reg.addCity("Coburg");
        {
            BusyStep step(win->lblMessage, QStringLiteral("Sorting the breweries"));
            win->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(win.w.get()));
            QCOMPARE(win->dsBrewery->Recordset().RecordCount(), 1);
        }
        QTRY_COMPARE(win->dsBrewery->Recordset().RecordCount(), 2);
    }

    // Breweries another program added are reported, deleted ones are not
    // reported as empty lines.
    void reportIsOfTheRegisterAsStored_data() { addRegisterKinds(); }
    void reportIsOfTheRegisterAsStored()
    {
        QFETCH(RegisterKind, kind);
        ScratchRegister reg(kind);
        reg.addCity("Bamberg");
        reg.addCity("Coburg");
        ShownWindow win(reg);
        QVERIFY(reg.sql().exec("DELETE FROM Brewery WHERE CityName = 'Coburg'"));
        reg.addCity("Dachau");
        QStringList lines;
        win->showReport = [&](SudregisterReport &report) { lines = report.lines(); };
        QTest::mouseClick(win->cmdReport, Qt::LeftButton);
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[0].contains("Bamberg"));
        QVERIFY(lines[1].contains("Dachau"));
        QCOMPARE(win->BreweryCount(), 2);
    }

    // One window writes a register at a time: a second one shows it
    // read-only, and the importer keeps out while a window has it open.
    void oneWindowPerRegister()
    {
        ScratchRegister reg;
        reg.addCity("Bamberg");
        auto first = std::make_unique<ShownWindow>(reg.dir());
        QVERIFY(!(*first)->lblMessage->text().contains("read-only"));
        {
            ShownWindow second(reg.dir());
            QVERIFY2(second->lblMessage->text().contains("read-only: it is open in another window"),
                     qPrintable(second->lblMessage->text()));
            // It offers nothing it could not store: no new-row line, no
            // editor, no delete, no New Brauerei; its caption says why.
            QVERIFY(second->windowTitle().endsWith(" (read-only)"));
            QVERIFY(!(*first)->windowTitle().endsWith(" (read-only)"));
            QCOMPARE(second->grdBrauerien->model()->rowCount(), 1);
            QVERIFY(!second->cmdNewBrewery->isEnabled());
            GridDriver::clickCell(*second->grdBrauerien, 0, 5);
            QTest::keyClick(second->grdBrauerien, Qt::Key_F2);
            QVERIFY(!second->grdBrauerien->isEditing());
            GridDriver::deleteRow(*second->grdBrauerien, 0);
            QVERIFY(second.boxes->asked.isEmpty());
            QCOMPARE(second->grdChronik->model()->rowCount(), 0);
            QVERIFY(second.boxes->failures.isEmpty());
            QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery"), 1);
        }
        QTemporaryDir dir;
        const QString report = writeBytes(dir.filePath("input.lst"), "BY\t\t\tAalen\t\t\t\t\r\n");
        try {
            ImportReport(report, reg.path(), ImportOptions{true});
            QFAIL("imported into a register open in a window");
        } catch (const ImportRefused &e) {
            QVERIFY2(e.message().contains("open in a Sudregister window"), qPrintable(e.message()));
        }
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery"), 1);
        first.reset();
        QCOMPARE(ImportReport(report, reg.path(), ImportOptions{true}).breweries, 1);
    }

    // A lock that cannot be taken is no free register: the window shows it
    // read-only, saying why, and the importer refuses.
    void lockThatCannotBeTaken()
    {
        ScratchRegister reg;
        reg.addCity("Bamberg");
        QVERIFY(QDir().mkdir(reg.path() + ".lock"));
        {
            ShownWindow win(reg.dir());
            QVERIFY2(win->lblMessage->text().contains("(read-only: its lock file " + reg.path() + ".lock cannot be made"),
                     qPrintable(win->lblMessage->text()));
            QVERIFY(win->windowTitle().endsWith(" (read-only)"));
        }
        QTemporaryDir dir;
        const QString report = writeBytes(dir.filePath("input.lst"), "BY\t\t\tAalen\t\t\t\t\r\n");
        QVERIFY_THROWS_EXCEPTION(ImportRefused, ImportReport(report, reg.path(), ImportOptions{true}));
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery"), 1);
        // A register not yet made is not made without its lock, and says why.
        const QString missing = dir.filePath("new.mdb");
        QVERIFY(QDir().mkdir(missing + ".lock"));
        try {
            Sudregister(missing, std::make_shared<ScriptedMessageBoxes>());
            QFAIL("a register was made without its lock");
        } catch (const StoreError &e) {
            QVERIFY2(e.message().contains("its lock file"), qPrintable(e.message()));
        }
        QVERIFY(!QFile::exists(missing));
    }

    // A file refused as no register keeps nothing beside it.
    void refusedFileKeepsNoLockBesideIt()
    {
        QTemporaryDir dir;
        const QString text = writeBytes(dir.filePath("notreg.txt"), "just some text\n");
        QVERIFY_THROWS_EXCEPTION(StoreError, Sudregister(text, std::make_shared<ScriptedMessageBoxes>()));
        const QString report = writeBytes(dir.filePath("input.lst"), "BY\t\t\tAalen\t\t\t\t\r\n");
        QVERIFY_THROWS_EXCEPTION(StoreError, ImportReport(report, text, ImportOptions{true}));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"input.lst", "notreg.txt"}));
    }

    // Only the window that holds the register backs it up: a second one,
    // which only reads it, leaves the backups as they are.
    void onlyTheHoldingWindowBacksUp()
    {
        ScratchRegister reg;
        reg.addCity("Bamberg");
        const QDir backups(BackupFolder(reg.path()));
        {
            ShownWindow holder(reg.dir());
            QTRY_COMPARE(backups.entryList(QDir::Files).size(), 1);
            // Changed since its newest backup, a second later (backups are
            // named by the second): a holder would back it up.
            reg.addCity("Coburg");
            QTest::qWait(1100);
            {
                ShownWindow reader(reg.dir());
                QVERIFY(reader->windowTitle().endsWith("(read-only)"));
            }
        }
        QCOMPARE(backups.entryList(QDir::Files).size(), 1);
    }

    // A backup that cannot be written is said, and the window works on.
    void backupThatCannotBeWritten()
    {
        ScratchRegister reg;
        reg.addCity("Bamberg");
        const QString backups = BackupFolder(reg.path());
        QVERIFY(QDir().mkpath(backups));
        QFile::setPermissions(backups, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        ShownWindow win(reg.dir());
        QFile::setPermissions(backups, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QVERIFY2(win->lblMessage->text().contains("no backup could be made"), qPrintable(win->lblMessage->text()));
        GridDriver::typeInto(*win->grdBrauerien, 0, 5, "Spezial");
        QVERIFY(win.boxes->failures.isEmpty());
        QCOMPARE(reg.sql().column("SELECT BreweryName FROM Brewery"), QStringList{"Spezial"});
    }
};

QTEST_MAIN(TestOtherPrograms)
#include "tst_otherprograms.moc"
