#include "FileBytes.h"
#include "GridDriver.h"
#include "LockingShell.h"
#include "RecordsetModel.h"
#include "ShownWindow.h"
#include "ScratchRegister.h"
#include "ScriptedMessageBoxes.h"
#include "StoreError.h"
#include "Sudregister.h"
#include "SudregisterReport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace {

using Answer = MessageBoxes::Answer;


// Types a whole text into a cell at once, as a paste does.
void pasteInto(DataGrid &grid, int row, int column, const QString &text)
{
    GridDriver::clickCell(grid, row, column);
    QTest::keyClick(&grid, Qt::Key_F2);
    QPointer<QLineEdit> editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(editor);
    editor->setMaxLength(std::numeric_limits<int>::max());
    editor->setText(text);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(editor.isNull() || !editor->isVisible());
}

} // namespace

class TestFaults : public QObject {
    Q_OBJECT

private slots:
    // A window that goes while a cell editor is open stores what was typed,
    // trimmed by its reaction while the window is whole, and runs nothing of
    // the window once it is gone (ASan and UBSan see to the latter).
    void windowGoesWithAnOpenEditor_data()
    {
        QTest::addColumn<bool>("closed");
        QTest::addRow("closed by its close box") << true;
        QTest::addRow("destroyed") << false;
    }
    void windowGoesWithAnOpenEditor()
    {
        QFETCH(bool, closed);
        ScratchRegister reg;
        reg.addCity("Bamberg");
        auto win = std::make_unique<ShownWindow>(reg.dir());
        DataGrid &grid = *(*win)->grdBrauerien;
        GridDriver::clickCell(grid, 0, 5);
        QTest::keyClick(&grid, Qt::Key_F2);
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        editor->setText(QStringLiteral("  Neu "));
        if (closed)
            QVERIFY((*win)->close());
        win.reset();
        QCoreApplication::processEvents();
        QCOMPARE(reg.sql().column("SELECT BreweryName FROM Brewery"), QStringList{"Neu"});
    }

    void fullRegisterRefusesAnAddition()
    {
        ScratchRegister reg;
        reg.addCity("Bamberg");
        ShownWindow win(reg.dir());
        const qint64 pages = reg.sql().count("PRAGMA page_count");
        win->dsBrewery->file().exec(QByteArray("PRAGMA max_page_count = " + QByteArray::number(pages)).constData());

        pasteInto(*win->grdBrauerien, 1, 5, QString(20000, 'x'));
        GridDriver::clickCell(*win->grdBrauerien, 0, 0);
        QCOMPARE(win.boxes->failures.size(), 1);
        QVERIFY2(win.boxes->failures[0].contains("is full"), qPrintable(win.boxes->failures[0]));
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery"), 1);
        QCOMPARE(reg.sql().column("PRAGMA integrity_check"), QStringList{"ok"});
        // The new row is still there to be stored once there is room.
        QCOMPARE(win->grdBrauerien->AddNewMode(), int(DataGrid::AddNewPending));
        win->dsBrewery->file().exec("PRAGMA max_page_count = 1073741823");
        QVERIFY(win->grdBrauerien->commitPendingAdd());
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery"), 2);
    }

    // A register whose brewery numbers are used up says so, rather than
    // calling the disk full.
    void keysUsedUpAreNamed()
    {
        ScratchRegister reg;
        reg.addCity("Bamberg");
        QVERIFY(reg.sql().exec("UPDATE sqlite_sequence SET seq = 9223372036854775807 WHERE name = 'Brewery'"));
        ShownWindow win(reg.dir());
        pasteInto(*win->grdBrauerien, 1, 3, "Coburg");
        GridDriver::clickCell(*win->grdBrauerien, 0, 0);
        QCOMPARE(win.boxes->failures.size(), 1);
        QVERIFY2(win.boxes->failures[0].contains("used up its numbers"), qPrintable(win.boxes->failures[0]));
    }

    // The stock line editor stops at 32,767 characters without a word.
    void longPasteIsKeptWhole()
    {
        ScratchRegister reg;
        reg.addCity("Bamberg");
        ShownWindow win(reg.dir());
        GridDriver::clickCell(*win->grdBrauerien, 0, 5);
        QTest::keyClick(win->grdBrauerien, Qt::Key_F2);
        QPointer<QLineEdit> editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        editor->selectAll();
        editor->insert(QString(40003, QLatin1Char('x')));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(editor.isNull() || !editor->isVisible());
        QCOMPARE(reg.sql().count("SELECT length(BreweryName) FROM Brewery"), 40003);
    }

    void lockedRegisterFailsAndRecovers()
    {
        ScratchRegister reg;
        reg.addCity("Bamberg");
        ShownWindow win(reg.dir());
        {
            LockingShell shell(reg.path());
            QVERIFY(shell.held());
            QElapsedTimer waited;
            waited.start();
            GridDriver::typeInto(*win->grdBrauerien, 0, 5, "Spezial");
            QVERIFY(waited.elapsed() < 15000);
            QCOMPARE(win.boxes->failures.size(), 1);
            QVERIFY2(win.boxes->failures[0].contains("is in use by another program"), qPrintable(win.boxes->failures[0]));
            QVERIFY(win.boxes->failures[0].contains(reg.path()));
        }
        GridDriver::typeInto(*win->grdBrauerien, 0, 5, "Spezial");
        QCOMPARE(win.boxes->failures.size(), 1);
        QCOMPARE(reg.sql().column("SELECT BreweryName FROM Brewery"), QStringList{"Spezial"});
    }

    // Leaving a row whose typed value another program's lock kept out of
    // the register asks what to do with it: discarded, or kept and stored
    // once the register is free.
    void leavingAnUnstoredRow_data()
    {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<QString>("stored");
        QTest::addRow("discard it") << Answer::No << "Brauerei";
        QTest::addRow("keep it") << Answer::Cancel << "Spezial";
    }
    void leavingAnUnstoredRow()
    {
        QFETCH(Answer, answer);
        QFETCH(QString, stored);
        ScratchRegister reg;
        reg.addCity("Bamberg");
        reg.addCity("Coburg");
        ShownWindow win(reg.dir());
        {
            LockingShell shell(reg.path());
            QVERIFY(shell.held());
            GridDriver::typeInto(*win->grdBrauerien, 0, 5, "Spezial");
            win.boxes->answers << answer;
            GridDriver::clickCell(*win->grdBrauerien, 1, 5);
            QCOMPARE(win.boxes->asked.size(), 1);
            QVERIFY2(win.boxes->asked[0].contains("Spezial"), qPrintable(win.boxes->asked[0]));
        }
        // Nothing held any more: stored, or let go.
        QTRY_VERIFY_WITH_TIMEOUT(win->grdBrauerien->recordsetModel().unstoredDescription().isEmpty(), 15000);
        QCOMPARE(reg.sql().column("SELECT BreweryName FROM Brewery WHERE CityName = 'Bamberg'"), QStringList{stored});
    }

    void readOnlyRegister_data()
    {
        QTest::addColumn<bool>("wholeDirectory");
        QTest::addRow("file") << false;
        QTest::addRow("directory") << true;
    }
    void readOnlyRegister()
    {
        QFETCH(bool, wholeDirectory);
        QTemporaryDir dir;
        const QString path = dir.path() + "/Sudregister2K.mdb";
        {
            ScratchRegister seed;
            const qint64 id = seed.addCity("Bamberg");
            seed.addChronik(id, {"Eintrag"});
            QVERIFY(QFile::copy(seed.path(), path));
        }
        const QString locked = wholeDirectory ? dir.path() : path;
        const auto permissions = QFile::permissions(locked);
        QFile::setPermissions(locked, permissions & ~(QFileDevice::WriteOwner | QFileDevice::WriteUser
                                                      | QFileDevice::WriteGroup | QFileDevice::WriteOther));
        const QByteArray before = bytesOf(path);
        {
            ShownWindow win(dir.path());
            QCOMPARE(win->BreweryCount(), 1);
            QCOMPARE(GridDriver::columnTexts(*win->grdBrauerien, 3, 1), QStringList{"Bamberg"});
            QTRY_COMPARE(win->dsBreweryChronik->Recordset().RecordCount(), 1);

            // Nothing is offered that would be refused: no editor, no delete,
            // no hint of one.
            QVERIFY(win->windowTitle().endsWith(" (read-only)"));
            QVERIFY(win->Label3->isHidden());
            for (DataGrid *grid : {win->grdBrauerien, win->grdChronik}) {
                GridDriver::clickCell(*grid, 0, 0);
                QTest::keyClick(grid, Qt::Key_F2);
                QVERIFY(!grid->isEditing());
            }
            win.boxes->answers << Answer::Yes;
            GridDriver::deleteRow(*win->grdBrauerien, 0);
            QVERIFY(win.boxes->asked.isEmpty());
            QVERIFY(win.boxes->failures.isEmpty());
            QCOMPARE(GridDriver::columnTexts(*win->grdBrauerien, 3, 1), QStringList{"Bamberg"});

            win->showReport = [&](SudregisterReport &report) { report.cmdSaveReport_Click(); };
            QTest::mouseClick(win->cmdReport, Qt::LeftButton);
            if (wholeDirectory) {
                QCOMPARE(win.boxes->failures.size(), 1);
                QVERIFY(win.boxes->failures.last().contains("the directory is read-only"));
                QCOMPARE(QDir(dir.path()).entryList({"*.lst"}), QStringList());
            } else {
                QCOMPARE(win.boxes->told.size(), 1);
            }
        }
        QCOMPARE(bytesOf(path), before);
        QFile::setPermissions(locked, permissions);
    }

    void truncatedRegisterIsRefusedUntouched()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + "/Sudregister2K.mdb";
        {
            ScratchRegister seed;
            for (int i = 0; i < 2000; ++i)
                seed.addCity(QStringLiteral("Stadt %1 mit einem langen Namen").arg(i));
            QVERIFY(QFile::copy(seed.path(), path));
        }
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner);
        QVERIFY(QFile::resize(path, QFileInfo(path).size() / 2));
        const QByteArray before = bytesOf(path);
        try {
            Sudregister w(DatabasePath(dir.path()), std::make_shared<ScriptedMessageBoxes>());
            QFAIL("started on a truncated register");
        } catch (const StoreError &e) {
            QVERIFY2(e.message().contains(path), qPrintable(e.message()));
        }
        QCOMPARE(bytesOf(path), before);
    }

    void unusualTextIsKeptAsTyped_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("saved"); // the report file's bytes for the value
        QTest::addRow("a megabyte") << QString(1 << 20, QLatin1Char('m')) << QByteArray(1 << 20, 'm');
        QTest::addRow("control characters") << QString("a\x01\x02\x1b" "b") << QByteArray("a\x01\x02\x1b" "b");
        // A cell holds one line: the report could not hold a tab.
        QTest::addRow("tab") << QString("Ober\tfranken") << QByteArray("Ober franken");
        QTest::addRow("line break") << QString("Ober\r\nfranken") << QByteArray("Ober franken");
        // Kept in the register as typed; no reader of a report takes it.
        QTest::addRow("NUL") << QString("a") + QChar(0) + "b" << QByteArray("a b");
        QTest::addRow("beyond Windows-1252") << QString("Łódź 😀") << QByteArray("?\xF3" "d? ?");
        QTest::addRow("apostrophes") << QString("L'Aquila '' '") << QByteArray("L'Aquila '' '");
        QTest::addRow("percent and underscore") << QString("100% _x_") << QByteArray("100% _x_");
    }
    void unusualTextIsKeptAsTyped()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, saved);
        ScratchRegister reg;
        reg.addBrewery({"", "", "", "", "", "", "", ""});
        ShownWindow win(reg.dir());
        pasteInto(*win->grdBrauerien, 0, 1, text);
        QVERIFY(win.boxes->failures.isEmpty());
        const QString stored = QString(text).replace(QLatin1String("\r\n"), QLatin1String(" ")).replace(QLatin1Char('\t'), QLatin1Char(' '));
        QCOMPARE(reg.sql().column("SELECT hex(CountyName) FROM Brewery"), QStringList{QString::fromLatin1(stored.toUtf8().toHex().toUpper())});
        QCOMPARE(win->grdBrauerien->model()->index(0, 1).data(Qt::EditRole).toString(), stored);

        QString file;
        win->showReport = [&](SudregisterReport &report) { file = report.cmdSaveReport_Click(); };
        QTest::mouseClick(win->cmdReport, Qt::LeftButton);
        QCOMPARE(bytesOf(file), "\t" + saved + QByteArray("\t\t\t\t\t\t\r\n"));
        QFile::remove(file);
    }
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
