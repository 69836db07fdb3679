// The program's window around a register: its menus open other registers
// (the edits of the one open stored, the locks handed over), remember the
// last ones, import a saved report, and the frame keeps the designed size
// until its user changes it.
#include "DatabasePath.h"
#include "FileBytes.h"
#include "ImportPreview.h"
#include "RegisterBackup.h"
#include "RegisterFile.h"
#include "SecondConnection.h"
#include "GridDriver.h"
#include "RecentRegisters.h"
#include "RegisterLock.h"
#include "RegisterWindow.h"
#include "ScratchRegister.h"
#include "ScriptedMessageBoxes.h"
#include "Sudregister.h"
#include "Twips.h"

#include <QAction>
#include <QApplication>
#include <QTableWidget>
#include <QDataStream>
#include <QScreen>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSettings>
#include <QTest>
#include <cstdio>
#include <QTimer>
#include <climits>

using Answer = MessageBoxes::Answer;

namespace {

QAction *action(RegisterWindow &window, const char *name)
{
    auto *found = window.findChild<QAction *>(QLatin1String(name));
    if (!found)
        qFatal("no action %s", name);
    return found;
}

struct Frame {
    std::shared_ptr<ScriptedMessageBoxes> boxes = std::make_shared<ScriptedMessageBoxes>();
    RegisterWindow window;

    Frame(const QString &path, QSettings *settings = nullptr) : window(boxes, settings)
    {
        QVERIFY(window.openRegister(path));
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
};

} // namespace

class TestRegisterWindow : public QObject {
    Q_OBJECT

private slots:
    void opensAnotherRegisterInTheSameWindow()
    {
        ScratchRegister first;
        first.addCity("Bamberg");
        ScratchRegister second;
        second.addCity("Coburg");
        Frame frame(first.path());
        frame.window.askRegisterToOpen = [&](const QString &) { return second.path(); };

        // A row begun in the new-row line, held until the cursor leaves it.
        Sudregister *before = frame.window.form();
        GridDriver::typeInto(*before->grdBrauerien, 1, 3, "Zeil");
        QCOMPARE(first.sql().count("SELECT count(*) FROM Brewery"), 1);
        action(frame.window, "actOpenRegister")->trigger();

        QCOMPARE(first.sql().rows("SELECT CityName FROM Brewery ORDER BY RowId"),
                 QList<QStringList>({{"Bamberg"}, {"Zeil"}}));
        QVERIFY(RegisterLock::tryTake(first.path()));
        RegisterLock::State state;
        QVERIFY(!RegisterLock::tryTake(second.path(), &state));
        QCOMPARE(state, RegisterLock::State::HeldElsewhere);

        Sudregister *after = frame.window.form();
        QCOMPARE(after->registerPath(), second.path());
        QCOMPARE(frame.window.centralWidget(), after);
        QCOMPARE(GridDriver::columnTexts(*after->grdBrauerien, 3, 1), QStringList({"Coburg"}));
        QCOMPARE(frame.window.recent().paths(), QStringList({second.path(), first.path()}));
        // The Edit menu offers the open register's undo, not the last one's.
        const QList<QAction *> edits = frame.window.findChild<QMenuBar *>()->actions().at(1)->menu()->actions();
        QVERIFY(edits.contains(after->editActions().first()));
        QVERIFY(frame.boxes->failures.isEmpty());
    }

    // Open Register… on a file that is no register: its failure is told,
    // and the register open before is open again, its lock held.
    void failedOpenReopensTheRegisterBefore()
    {
        ScratchRegister first;
        first.addCity("Bamberg");
        QTemporaryDir dir;
        const QString junk = dir.filePath("junk.mdb");
        QFile file(junk);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("StateName\tCityName\nBY\tBamberg\n");
        file.close();
        Frame frame(first.path());
        frame.window.askRegisterToOpen = [&](const QString &) { return junk; };
        action(frame.window, "actOpenRegister")->trigger();
        QCOMPARE(frame.boxes->failures.size(), 1);
        QVERIFY2(frame.boxes->failures[0].contains("junk.mdb"), qPrintable(frame.boxes->failures[0]));
        QVERIFY(frame.window.form());
        QCOMPARE(frame.window.form()->registerPath(), first.path());
        QCOMPARE(GridDriver::columnTexts(*frame.window.form()->grdBrauerien, 3, 1), QStringList({"Bamberg"}));
        RegisterLock::State state;
        QVERIFY(!RegisterLock::tryTake(first.path(), &state));
        QCOMPARE(state, RegisterLock::State::HeldElsewhere);
    }

    // A register damaged on the disk is told as damaged, and its newest
    // backup that passes its check is offered: put in its place (the
    // damaged file kept), opened to look at, or neither (it stays open as
    // it is). Nothing is overwritten without Yes.
    void damagedRegisterIsOfferedItsBackup_data()
    {
        QTest::addColumn<Answer>("answer");
        QTest::addRow("backup in its place") << Answer::Yes;
        QTest::addRow("backup only looked at") << Answer::No;
        QTest::addRow("neither") << Answer::Cancel;
    }
    void damagedRegisterIsOfferedItsBackup()
    {
        QFETCH(Answer, answer);
        QTemporaryDir dir;
        const QString path = DatabasePath(dir.path());
        {
            auto file = RegisterFile::open(path);
            file->exec("INSERT INTO Brewery (CityName) VALUES ('Bamberg')");
            file->exec("INSERT INTO BreweryChronik (ParentRowId, BreweryNameLong) VALUES (1, 'Spezial')");
            QVERIFY(!BackUpIfChanged(*file, QDateTime(QDate(2026, 12, 8), QTime(12, 0))).made.isEmpty());
        }
        // A page the window's first reads never touch: only a check of the
        // whole file finds it.
        qint64 root = 0;
        {
            SecondConnection sql(path);
            root = sql.count("SELECT rootpage FROM sqlite_master WHERE name = 'sqlite_sequence'");
        }
        QFile damage(path);
        QVERIFY(damage.open(QIODevice::ReadWrite));
        damage.seek((root - 1) * 4096);
        damage.write(QByteArray(4096, char(0xFF)));
        damage.close();
        const QByteArray damaged = bytesOf(path);

        auto boxes = std::make_shared<ScriptedMessageBoxes>();
        boxes->answers = {answer};
        RegisterWindow window(boxes);
        // The window opens at once; the check of the whole file ends beside it.
        QVERIFY(window.openRegister(path));
        QTRY_COMPARE(boxes->asked.size(), 1);
        QVERIFY2(boxes->asked[0].contains("is damaged"), qPrintable(boxes->asked[0]));
        QVERIFY2(boxes->asked[0].contains("holds 1 brewery and 1 history entry"), qPrintable(boxes->asked[0]));
        QCoreApplication::processEvents();
        const QStringList kept = QDir(dir.path()).entryList({"Sudregister2K.mdb.damaged-*"});
        if (answer == Answer::Yes) {
            QCOMPARE(window.form()->registerPath(), path);
            QCOMPARE(GridDriver::columnTexts(*window.form()->grdBrauerien, 3, 1), QStringList({"Bamberg"}));
            QCOMPARE(kept.size(), 1);
            QCOMPARE(bytesOf(dir.filePath(kept[0])), damaged);
        } else {
            QCOMPARE(bytesOf(path), damaged);
            QVERIFY(kept.isEmpty());
            // Without a choice the damaged register stays open as it is.
            QCOMPARE(window.form()->registerPath().startsWith(BackupFolder(path)), answer == Answer::No);
        }
    }

    // Closed by its close box while a register is still being opened (its
    // breweries sorted, the window repainting meanwhile): the opening is
    // given up, nothing stays open, the lock goes and the program is to
    // end; the window does not come back.
    void closedWhileOpening()
    {
        ScratchRegister reg;
        QVERIFY(reg.sql().exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 150000) "
                               "INSERT INTO Brewery (CityName, BreweryName) SELECT 'Stadt ' || (i * 7919 % 150000), "
                               "'Brauerei ' || i FROM n"));
        RegisterWindow window(std::make_shared<ScriptedMessageBoxes>());
        bool closedMeanwhile = false;
        QTimer::singleShot(0, &window, [&] {
            closedMeanwhile = window.form() && window.isVisible();
            window.close();
        });
        QVERIFY(!window.openRegister(reg.path()));
        QVERIFY2(closedMeanwhile, "the opening was over before the close came");
        QVERIFY(window.closedWhileOpening());
        QVERIFY(!window.form());
        QVERIFY(!window.isVisible());
        QVERIFY(RegisterLock::tryTake(reg.path()));
    }

    // Another program deletes the register's file, or moves another file
    // over it, while the window has it open: a write says so, naming the
    // value typed, and Yes saves the register as the window holds it under
    // its name again (the other file kept beside it) and opens it anew.
    void fileDeletedOrReplacedWhileOpen_data()
    {
        QTest::addColumn<bool>("replaced");
        QTest::addRow("deleted") << false;
        QTest::addRow("replaced") << true;
    }
    void fileDeletedOrReplacedWhileOpen()
    {
        QFETCH(bool, replaced);
        QTemporaryDir dir;
        const QString path = DatabasePath(dir.path());
        const QString other = dir.filePath("other.mdb");
        {
            RegisterFile::open(path)->exec("INSERT INTO Brewery (CityName) VALUES ('Bamberg')");
            RegisterFile::open(other)->exec("INSERT INTO Brewery (CityName) VALUES ('Fremd')");
        }
        auto boxes = std::make_shared<ScriptedMessageBoxes>();
        RegisterWindow window(boxes);
        QVERIFY(window.openRegister(path));
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        if (replaced)
            QVERIFY(::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData()) == 0);
        else
            QVERIFY(QFile::remove(path));
        boxes->answers = {Answer::Yes};
        const QPointer<Sudregister> first = window.form();
        GridDriver::typeInto(*first->grdBrauerien, 0, 3, "Coburg");
        QCOMPARE(boxes->failures.size(), 1);
        QVERIFY2(boxes->failures[0].contains(replaced ? "was replaced by another file" : "was deleted by another program"),
                 qPrintable(boxes->failures[0]));
        QVERIFY2(boxes->failures[0].contains("\"Coburg\""), qPrintable(boxes->failures[0]));
        QCOMPARE(boxes->asked.size(), 1);
        QTRY_VERIFY(first.isNull() && window.form());
        QCOMPARE(GridDriver::columnTexts(*window.form()->grdBrauerien, 3, 1), QStringList({"Bamberg"}));
        SecondConnection saved(path);
        QCOMPARE(saved.column("SELECT CityName FROM Brewery"), QStringList({"Bamberg"}));
        const QStringList kept = QDir(dir.path()).entryList({"Sudregister2K.mdb.replaced-*"});
        QCOMPARE(kept.size(), replaced ? 1 : 0);
        if (replaced)
            QCOMPARE(SecondConnection(dir.filePath(kept[0])).column("SELECT CityName FROM Brewery"), QStringList({"Fremd"}));
        // The register opened anew takes writes again.
        GridDriver::typeInto(*window.form()->grdBrauerien, 0, 3, "Coburg");
        QCOMPARE(saved.column("SELECT CityName FROM Brewery"), QStringList({"Coburg"}));
    }

    void remembersTheLastRegistersAndMakesNewOnes()
    {
        QTemporaryDir dir;
        QSettings settings(dir.filePath("settings.ini"), QSettings::IniFormat);
        {
            RecentRegisters recent(&settings);
            for (int i = 1; i <= 7; ++i)
                recent.opened(dir.filePath(QStringLiteral("r%1.mdb").arg(i)));
            recent.opened(dir.path() + "/sub/../r5.mdb");
            QCOMPARE(recent.paths(), QStringList({dir.filePath("r5.mdb"), dir.filePath("r7.mdb"),
                                                  dir.filePath("r6.mdb"), dir.filePath("r4.mdb"),
                                                  dir.filePath("r3.mdb")}));
        }
        QCOMPARE(RecentRegisters(&settings).paths().size(), RecentRegisters::Kept);

        ScratchRegister reg;
        Frame frame(reg.path(), &settings);
        QMenu *recentMenu = frame.window.findChild<QMenu *>("mnuRecent");
        QCOMPARE(recentMenu->actions().size(), RecentRegisters::Kept);
        QVERIFY(recentMenu->actions().first()->text().endsWith(reg.path()));

        // A register gone since is not made again in its place.
        recentMenu->actions().at(1)->trigger();
        QVERIFY(!QFile::exists(dir.filePath("r5.mdb")));
        QCOMPARE(frame.boxes->told.size(), 1);
        QVERIFY(!frame.window.recent().paths().contains(dir.filePath("r5.mdb")));
        QCOMPARE(frame.window.form()->registerPath(), reg.path());

        // New Register… never writes over a file; it makes the one named.
        frame.window.askNewRegister = [&](const QString &) { return reg.path(); };
        action(frame.window, "actNewRegister")->trigger();
        QCOMPARE(frame.boxes->told.size(), 2);
        frame.window.askNewRegister = [&](const QString &) { return dir.filePath("Neu"); };
        action(frame.window, "actNewRegister")->trigger();
        QCOMPARE(frame.window.form()->registerPath(), dir.filePath("Neu.mdb"));
        QVERIFY(QFile::exists(dir.filePath("Neu.mdb")));
        QCOMPARE(RecentRegisters(&settings).paths().first(), dir.filePath("Neu.mdb"));
    }

    void importsAReportAskingFirst()
    {
        ScratchRegister reg;
        reg.addCity("Bamberg");
        QTemporaryDir dir;
        QFile report(dir.filePath("saved.lst"));
        QVERIFY(report.open(QIODevice::WriteOnly));
        report.write("BY\tOfr\t96047\tZeil\tB1\tG\xC3\xB6ller\t1514\t\r\n\t\t\t\tB1-1\tG\xC3\xB6ller\t1514\t\tBrauerei G\xC3\xB6ller\r\n");
        report.close();
        Frame frame(reg.path());
        frame.window.askFilesToImport = [&](const QString &) { return QStringList{report.fileName()}; };

        frame.boxes->answers = {MessageBoxes::Answer::No};
        action(frame.window, "actImport")->trigger();
        QCOMPARE(frame.boxes->asked.size(), 1);
        QVERIFY(frame.boxes->asked.first().contains("already holds 1 brewery"));
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery"), 1);

        frame.boxes->answers = {MessageBoxes::Answer::Yes};
        action(frame.window, "actImport")->trigger();
        QCOMPARE(reg.sql().rows("SELECT BreweryName FROM Brewery ORDER BY RowId"),
                 QList<QStringList>({{"Brauerei"}, {"Göller"}}));
        QCOMPARE(reg.sql().count("SELECT count(*) FROM BreweryChronik"), 1);
        Sudregister *form = frame.window.form();
        QCOMPARE(form->dsBrewery->Recordset().RecordCount(), 2);
        QCOMPARE(form->lblMessage->text(), "Added 1 brewery and 1 history entry from " + report.fileName());
    }

    // A spreadsheet's rows are shown before anything is written; Cancel
    // adds nothing, Import all of them.
    void importsASpreadsheetAfterShowingIt()
    {
        ScratchRegister reg;
        QTemporaryDir dir;
        const QString list = writeBytes(dir.filePath("list.csv"), "ORT,BL,BRAUEREI (Komplete),ID\nZeil,BY,,B1\n"
                                                                  ",,Brauerei G\xC3\xB6ller,B1-1\nBamberg,BY,,B2\n");
        Frame frame(reg.path());
        frame.window.askFilesToImport = [&](const QString &) { return QStringList{list}; };
        for (const bool accept : {false, true}) {
            QString counts;
            QStringList shown;
            QTimer::singleShot(0, &frame.window, [&] {
                auto *preview = qobject_cast<ImportPreview *>(QApplication::activeModalWidget());
                QVERIFY(preview);
                counts = preview->lblCounts->text();
                for (int row = 0; row < preview->tblRows->rowCount(); ++row) {
                    const QTableWidgetItem *city = preview->tblRows->item(row, 3);
                    const QTableWidgetItem *code = preview->tblRows->item(row, 4);
                    shown << (city ? city->text() : QString()) + "|" + code->text();
                }
                accept ? preview->accept() : preview->reject();
            });
            action(frame.window, "actImport")->trigger();
            QCOMPARE(counts, "2 breweries and 1 history entry from list.csv");
            QCOMPARE(shown, QStringList({"Zeil|B1", "|B1-1", "Bamberg|B2"}));
            QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery"), accept ? 2 : 0);
        }
        QCOMPARE(reg.sql().rows("SELECT c.BreweryNameLong FROM BreweryChronik c JOIN Brewery b ON b.RowId = c.ParentRowId "
                                "WHERE b.CityName = 'Zeil'"),
                 QList<QStringList>({{"Brauerei Göller"}}));
        QCOMPARE(frame.window.form()->dsBrewery->Recordset().RecordCount(), 2);
        QCOMPARE(frame.window.form()->lblMessage->text(), "Added 2 breweries and 1 history entry from list.csv");

        // A refused file says where, and adds nothing.
        writeBytes(list, "ORT,Farbe\nZeil,rot\n");
        action(frame.window, "actImport")->trigger();
        QCOMPARE(frame.boxes->failures.size(), 1);
        QVERIFY2(frame.boxes->failures.first().endsWith(
                     "Refused, nothing was added: list.csv, row 1, column B: \"Farbe\" is no column of the register."),
                 qPrintable(frame.boxes->failures.first()));
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery"), 2);
    }

    void keepsTheDesignedSizeUntilChanged()
    {
        ScratchRegister reg;
        QTemporaryDir dir;
        QSettings settings(dir.filePath("settings.ini"), QSettings::IniFormat);
        {
            Frame frame(reg.path(), &settings);
            QCOMPARE(frame.window.centralWidget()->size(), QSize(twips(11760), twips(8175)));
            QStringList menus;
            for (QAction *menu : frame.window.menuBar()->actions())
                menus << menu->text();
            QCOMPARE(menus, QStringList({"&File", "&Edit", "&View", "&Help"}));
            frame.window.resize(1000, 700);
            QVERIFY(frame.window.close());
        }
        Frame again(reg.path(), &settings);
        QCOMPARE(again.window.size(), QSize(1000, 700));
    }

    // A remembered geometry the window could not be used at (off every
    // screen, overflowing, a sliver) gives the designed size on a screen.
    void unusableRememberedGeometryIsIgnored_data()
    {
        // Left, top, right and bottom, as a rectangle is stored.
        QTest::addColumn<QList<qint32>>("remembered");
        QTest::addColumn<bool>("designed"); // else kept, moved onto the screen
        QTest::addRow("overflowing coordinates")
            << QList<qint32>{INT_MAX, INT_MIN, INT_MIN + 798, INT_MIN + 599} << true;
        QTest::addRow("off every screen") << QList<qint32>{30000, 30000, 30699, 30499} << false;
        QTest::addRow("a sliver") << QList<qint32>{0, 20, 0, 38} << true;
    }
    void unusableRememberedGeometryIsIgnored()
    {
        QFETCH(QList<qint32>, remembered);
        QFETCH(bool, designed);
        ScratchRegister reg;
        QTemporaryDir dir;
        QSettings settings(dir.filePath("settings.ini"), QSettings::IniFormat);
        // What QWidget::saveGeometry() writes, with the rectangle given.
        QByteArray saved;
        QDataStream out(&saved, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_4_0);
        const auto rectangle = [&] {
            for (qint32 corner : remembered)
                out << corner;
        };
        out << quint32(0x1D9D0CB) << quint16(3) << quint16(0);
        rectangle();
        rectangle();
        out << qint32(0) << quint8(0) << quint8(0) << qint32(800);
        rectangle();
        settings.setValue("mainWindow/geometry", saved);
        Frame frame(reg.path(), &settings);
        if (designed)
            QCOMPARE(frame.window.centralWidget()->size(), QSize(twips(11760), twips(8175)));
        const QRect shown = frame.window.frameGeometry().intersected(frame.window.screen()->availableGeometry());
        QVERIFY2(shown.width() >= 320 && shown.height() >= 240, qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                                              .arg(shown.x()).arg(shown.y())
                                                                              .arg(shown.width()).arg(shown.height())));
    }
};

QTEST_MAIN(TestRegisterWindow)
#include "tst_registerwindow.moc"
