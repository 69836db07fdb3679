// Two windows on one shared register, driven at the same time, against a
// PostgreSQL server of the test's own: what each stores reaches the other,
// nothing is overwritten unseen, nothing is left half-done.
#include "BusyStep.h"
#include "CheckWindow.h"
#include "GridDriver.h"
#include "PgTestServer.h"
#include "Register.h"
#include "RegisterFile.h"
#include "RegisterLocation.h"
#include "RegisterPlace.h"
#include "SecondConnection.h"
#include "ShownWindow.h"
#include "StoreError.h"

#include <QLabel>
#include <QScopeGuard>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTemporaryFile>
#include <QTest>

namespace {

// How soon the other window is to show an editor's change.
constexpr int FollowMs = 1000;

const QString BreweryColumns = QStringLiteral("\"StateName\", \"CityName\", \"IdCode\", \"BreweryName\"");

} // namespace

class TestSharedWindows : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_server = std::make_unique<PgTestServer>();
        QVERIFY2(m_server->setUpRegister("society"), qPrintable(m_server->problem()));
        QVERIFY(m_server->addUsers({"anna", "bert"}, {"rita"}));
    }

    void init()
    {
        QVERIFY(m_server->admin(QStringLiteral(
                                    "DELETE FROM \"BreweryChronik\"; DELETE FROM \"Brewery\"; "
                                    "INSERT INTO \"Brewery\" (%1) VALUES ('BY', 'Aying', 'A1', 'Ayinger'), "
                                    "('BY', 'Bamberg', 'B1', 'Schlenkerla'); "
                                    "INSERT INTO \"BreweryChronik\" (\"BreweryNameLong\", \"ParentRowId\") "
                                    "SELECT 'Brauerei ' || \"BreweryName\", \"RowId\" FROM \"Brewery\"")
                                    .arg(BreweryColumns),
                                "society"));
    }

    // Each stores its own row; each shows the other's within a second.
    void differentRowsBothStored()
    {
        ShownWindow anna(ShownWindow::At{m_server->uri("society", "anna")});
        ShownWindow bert(ShownWindow::At{m_server->uri("society", "bert")});
        activate(anna);
        GridDriver::typeInto(*anna->grdBrauerien, 0, 3, "Aying am See");
        activate(bert);
        GridDriver::typeInto(*bert->grdBrauerien, 1, 3, "Bamberg Mitte");
        QVERIFY(anna.boxes->failures.isEmpty() && bert.boxes->failures.isEmpty());
        QCOMPARE(cities(), QStringLiteral("Aying am See,Bamberg Mitte"));
        for (ShownWindow *w : {&anna, &bert}) {
            QTRY_COMPARE_WITH_TIMEOUT(GridDriver::columnTexts(*(*w)->grdBrauerien, 3, 2),
                                      (QStringList{"Aying am See", "Bamberg Mitte"}), FollowMs);
        }
    }

    // A change heard from another editor names the editor in the bottom
    // line; both are listed as working now.
    void othersNamed()
    {
        ShownWindow anna(ShownWindow::At{m_server->uri("society", "anna")});
        ShownWindow bert(ShownWindow::At{m_server->uri("society", "bert")});
        activate(bert);
        GridDriver::typeInto(*bert->grdBrauerien, 1, 3, "Bamberg Mitte");
        QTRY_VERIFY_WITH_TIMEOUT(anna->lblMessage->text().startsWith(QStringLiteral("Bamberg \u2192 Bamberg Mitte, by bert, ")),
                                 FollowMs);
        QVERIFY(bert->lblMessage->text().isEmpty() || !bert->lblMessage->text().contains("by bert"));
        anna->findChild<QAction *>("actEditorsNow")->trigger();
        QVERIFY2(!anna.boxes->told.isEmpty() && anna.boxes->told.last().endsWith(": anna, bert."),
                 qPrintable(anna.boxes->told.join('\n')));
    }

    // What other editors commit while a long step reads the window's copy
    // (a Report's load, a sort) reaches the copy only once the step ends.
    void heardBetweenSteps()
    {
        ShownWindow anna(ShownWindow::At{m_server->uri("society", "anna")});
        const auto copiedCity = [&] {
            Cursor city = anna->dsBrewery->file().cached("SELECT CityName FROM Brewery ORDER BY RowId LIMIT 1");
            return city.step() ? city.text(0) : QString();
        };
        {
            BusyStep step(anna->lblMessage, QStringLiteral("Reading"));
            QVERIFY(m_server->admin("UPDATE \"Brewery\" SET \"CityName\" = 'Kulmbach' WHERE \"CityName\" = 'Aying'",
                                    "society"));
            for (int turn = 0; turn < 20; ++turn) {
                step(turn, 20);
                QTest::qWait(25);
            }
            QCOMPARE(copiedCity(), QStringLiteral("Aying"));
        }
        QTRY_COMPARE_WITH_TIMEOUT(copiedCity(), QStringLiteral("Kulmbach"), FollowMs);
        QTRY_COMPARE_WITH_TIMEOUT(GridDriver::columnTexts(*anna->grdBrauerien, 3, 2),
                                  (QStringList{"Bamberg", "Kulmbach"}), FollowMs);
    }

    // The second write of one cell, made against the value its window
    // showed, is refused with what was typed kept; the first stays.
    void sameCellSecondRefused()
    {
        ShownWindow anna(ShownWindow::At{m_server->uri("society", "anna")});
        ShownWindow bert(ShownWindow::At{m_server->uri("society", "bert")});
        DataGrid &grid = *bert->grdBrauerien;
        GridDriver::clickCell(grid, 0, 3);
        QTest::keyClick(&grid, Qt::Key_F2);
        QPointer<QLineEdit> editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        editor->selectAll();
        GridDriver::typeText(editor, "Hof");

        ::Recordset &list = anna->dsBrewery->Recordset();
        list.MoveFirst();
        list.Edit();
        list.Fields("CityName").setValue(QStringLiteral("Coburg"));
        list.Update();
        QTest::qWait(300); // bert's window hears it meanwhile
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(bert.boxes->failures.size(), 1);
        QVERIFY2(bert.boxes->failures[0].contains("changed or deleted by another editor"),
                 qPrintable(bert.boxes->failures[0]));
        QVERIFY2(bert.boxes->failures[0].contains("\"Hof\""), qPrintable(bert.boxes->failures[0]));
        QCOMPARE(cities(), QStringLiteral("Coburg,Bamberg"));
        QTRY_COMPARE_WITH_TIMEOUT(grid.model()->index(0, 3).data().toString(), QStringLiteral("Coburg"), FollowMs);
    }

    // A history entry added to a brewery another editor has just deleted is
    // refused, and the delete stands whole; a brewery whose history another
    // editor has just extended is not deleted at all.
    void deleteAgainstHistory_data()
    {
        QTest::addColumn<bool>("deleteFirst");
        QTest::newRow("delete, then history added") << true;
        QTest::newRow("history added, then delete") << false;
    }

    void deleteAgainstHistory()
    {
        QFETCH(bool, deleteFirst);
        ShownWindow anna(ShownWindow::At{m_server->uri("society", "anna")});
        ShownWindow bert(ShownWindow::At{m_server->uri("society", "bert")});
        const auto addHistory = [&] {
            ::Recordset &history = bert->dsBreweryChronik->Recordset();
            history.AddNew();
            history.Fields("BreweryNameLong").setValue(QStringLiteral("Neue Chronik"));
            history.Fields("ParentRowId").setValue(bert->dsBrewery->Recordset().keyAt(0));
            history.Update();
        };
        // Anna's window is made active first: that lets it hear what
        // happened before, and only that.
        activate(anna);
        const auto deleteBrewery = [&] {
            anna.boxes->answers = {MessageBoxes::Answer::Yes};
            GridDriver::deleteRow(*anna->grdBrauerien, 0);
        };
        QString refused;
        if (deleteFirst) {
            deleteBrewery();
            QVERIFY(anna.boxes->failures.isEmpty());
            try {
                addHistory();
            } catch (const StoreError &e) {
                refused = e.message();
            }
            QVERIFY2(refused.contains("brewery of this history entry was deleted by another editor"),
                     qPrintable(refused));
            QCOMPARE(rows("Brewery"), 1);
            QCOMPARE(rows("BreweryChronik"), 1);
        } else {
            addHistory();
            deleteBrewery();
            QCOMPARE(anna.boxes->failures.size(), 1);
            QVERIFY2(anna.boxes->failures[0].contains("The delete of brewery \"Ayinger\" (Aying) was refused: another "
                                                      "editor added a history entry to it meanwhile."),
                     qPrintable(anna.boxes->failures[0]));
            QCOMPARE(rows("Brewery"), 2);
            QCOMPARE(rows("BreweryChronik"), 3);
        }
        QTRY_COMPARE_WITH_TIMEOUT(anna->dsBrewery->Recordset().RecordCount(), rows("Brewery"), FollowMs);
        QTRY_COMPARE_WITH_TIMEOUT(bert->dsBrewery->Recordset().RecordCount(), rows("Brewery"), FollowMs);
    }

    // The server going down mid-edit is told once; what was typed stays in
    // its cell and is stored once the server is back, and the window hears
    // the other editors again.
    void serverDownMidEdit_data()
    {
        QTest::addColumn<bool>("heardFirst");
        QTest::addRow("a write meets it first") << false;
        QTest::addRow("the window hears it first") << true;
    }
    void serverDownMidEdit()
    {
        QFETCH(bool, heardFirst);
        ShownWindow anna(ShownWindow::At{m_server->uri("society", "anna")});
        m_server->stop();
        const auto said = [&] { return anna.boxes->failures + anna.boxes->told; };
        if (heardFirst)
            QTRY_COMPARE(said().size(), 1);
        GridDriver::typeInto(*anna->grdBrauerien, 0, 3, "Coburg");
        // Leaving the row keeps it without asking: it was told.
        GridDriver::clickCell(*anna->grdBrauerien, 1, 3);
        QTRY_COMPARE(said().size(), 1);
        QTest::qWait(500);
        QCOMPARE(said().size(), 1);
        QCOMPARE(anna.boxes->asked.size(), 0);
        QVERIFY2(said()[0].contains("connection to the shared register") && said()[0].contains("was lost")
                     && !said()[0].contains("server closed") && !said()[0].contains("FATAL"),
                 qPrintable(said()[0]));
        QCOMPARE(anna->grdBrauerien->model()->index(0, 3).data().toString(), QStringLiteral("Coburg"));
        m_server->start();
        QVERIFY2(m_server->started(), qPrintable(m_server->problem()));
        QTRY_COMPARE_WITH_TIMEOUT(cities(), QStringLiteral("Coburg,Bamberg"), 10000);
        QVERIFY(m_server->admin("UPDATE \"Brewery\" SET \"CityName\" = 'Selb' WHERE \"CityName\" = 'Bamberg'",
                                "society"));
        QTRY_COMPARE_WITH_TIMEOUT(GridDriver::columnTexts(*anna->grdBrauerien, 3, 2),
                                  (QStringList{"Coburg", "Selb"}), 10000);
        QCOMPARE(said().size(), 1);
    }

    // What another editor commits while the window's delete question is
    // open reaches the window, whether the delete is declined or refused
    // by the server.
    void heardWhileAskedIsKept_data()
    {
        QTest::addColumn<bool>("refused");
        QTest::addRow("declined") << false;
        QTest::addRow("refused by the server") << true;
    }
    void heardWhileAskedIsKept()
    {
        QFETCH(bool, refused);
        if (refused)
            QVERIFY(m_server->admin("CREATE FUNCTION keep() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                                    "RAISE 'kept'; END $$; CREATE TRIGGER keep BEFORE DELETE ON \"Brewery\" "
                                    "FOR EACH ROW EXECUTE FUNCTION keep()",
                                    "society"));
        const auto dropTrigger = qScopeGuard([&] {
            if (refused)
                m_server->admin("DROP TRIGGER keep ON \"Brewery\"; DROP FUNCTION keep()", "society");
        });
        ShownWindow anna(ShownWindow::At{m_server->uri("society", "anna")});
        anna.boxes->answers << (refused ? MessageBoxes::Answer::Yes : MessageBoxes::Answer::No);
        anna.boxes->whileAsked = [&] {
            QVERIFY(m_server->admin("UPDATE \"Brewery\" SET \"CityName\" = 'Kulmbach' WHERE \"CityName\" = 'Aying'",
                                    "society"));
            QTest::qWait(FollowMs / 2);
        };
        GridDriver::deleteRow(*anna->grdBrauerien, 1);
        QCOMPARE(anna.boxes->asked.size(), 1);
        QCOMPARE(anna.boxes->failures.size(), refused ? 1 : 0);
        QTRY_COMPARE_WITH_TIMEOUT(GridDriver::columnTexts(*anna->grdBrauerien, 3, 2),
                                  (QStringList{"Bamberg", "Kulmbach"}), FollowMs);
        // And what arrives later still finds the window's copy whole.
        QVERIFY(m_server->admin("UPDATE \"Brewery\" SET \"IdCode\" = 'B2' WHERE \"CityName\" = 'Bamberg'",
                                "society"));
        QTRY_COMPARE_WITH_TIMEOUT(GridDriver::columnTexts(*anna->grdBrauerien, 4, 2), (QStringList{"B2", "A1"}),
                                  FollowMs);
        QCOMPARE(GridDriver::columnTexts(*anna->grdBrauerien, 3, 2), (QStringList{"Bamberg", "Kulmbach"}));
    }

    // A history entry typed under a brewery another editor deletes
    // meanwhile is told once, in the window's words, naming what was typed
    // so that it can be typed again.
    void entryUnderABreweryDeletedMeanwhile()
    {
        ShownWindow anna(ShownWindow::At{m_server->uri("society", "anna")});
        GridDriver::clickCell(*anna->grdBrauerien, 1, 3);
        QTRY_COMPARE(anna.chronikNames(), QStringList{"Brauerei Schlenkerla"});
        GridDriver::typeInto(*anna->grdChronik, 1, 0, "Vorgänger GmbH");
        QVERIFY(m_server->admin("DELETE FROM \"BreweryChronik\" WHERE \"ParentRowId\" = (SELECT \"RowId\" FROM "
                                "\"Brewery\" WHERE \"CityName\" = 'Bamberg'); DELETE FROM \"Brewery\" WHERE "
                                "\"CityName\" = 'Bamberg'",
                                "society"));
        QTest::qWait(FollowMs);
        GridDriver::clickCell(*anna->grdChronik, 0, 0);
        QTest::qWait(FollowMs);
        QCOMPARE(anna.boxes->failures.size(), 1);
        const QString told = anna.boxes->failures.value(0);
        QVERIFY2(told.startsWith("Sudregister: ") && told.contains("deleted by another editor")
                     && told.endsWith("What was typed: \"Vorgänger GmbH\" in BRAUEREI (Komplete)."),
                 qPrintable(told));
        QCOMPARE(rows("BreweryChronik"), 1);
    }

    // A reader's window says it only reads, and why; an editor's, which
    // holds no lock and needs none, says nothing of the kind. Both follow
    // what other editors commit.
    void readerReadsOnly_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<bool>("readOnly");
        // Set up by an earlier version: no record of changes, which a
        // reader cannot add; its window copies the whole register.
        QTest::addColumn<bool>("older");
        QTest::newRow("reader") << "rita" << true << false;
        QTest::newRow("editor") << "anna" << false << false;
        QTest::newRow("reader of an older register") << "rita" << true << true;
    }
    void readerReadsOnly()
    {
        QFETCH(QString, user);
        QFETCH(bool, readOnly);
        QFETCH(bool, older);
        if (older)
            QVERIFY(m_server->admin("DROP TABLE sudregister_changes; CREATE OR REPLACE FUNCTION sudregister_changed() "
                                    "RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN PERFORM pg_notify('sudregister', "
                                    "TG_TABLE_NAME || ':*'); RETURN NULL; END; $$",
                                    "society"));
        const auto restore = qScopeGuard([&] {
            if (older)
                m_server->setUpRegister("society");
        });
        ShownWindow window(ShownWindow::At{m_server->uri("society", user)});
        QVERIFY2(window->lblMessage->text().contains("does not record its changes") == older,
                 qPrintable(window->lblMessage->text()));
        QCOMPARE(window->windowTitle().endsWith("(read-only)"), readOnly);
        const QString bottomLine = window->lblMessage->text();
        QVERIFY2(bottomLine.contains(user + " may read this shared register but not change it") == readOnly,
                 qPrintable(bottomLine));
        QVERIFY2(bottomLine.contains("read-only") == readOnly, qPrintable(bottomLine));
        QCOMPARE(GridDriver::columnTexts(*window->grdBrauerien, 3, 2), (QStringList{"Aying", "Bamberg"}));
        // Either follows another editor's commit.
        QVERIFY(m_server->admin("UPDATE \"Brewery\" SET \"CityName\" = 'Kulmbach' WHERE \"CityName\" = 'Aying'",
                                "society"));
        QTRY_COMPARE_WITH_TIMEOUT(GridDriver::columnTexts(*window->grdBrauerien, 3, 2),
                                  (QStringList{"Bamberg", "Kulmbach"}), FollowMs);
    }

    // Files made of a shared register are proposed in the documents folder,
    // or in the home folder for a user who has none.
    void filesProposedWhereTheyCanBeSaved()
    {
        QTemporaryDir home;
        const QByteArray homeWas = qgetenv("HOME");
        const auto restore = qScopeGuard([&] { qputenv("HOME", homeWas); });
        qputenv("HOME", QFile::encodeName(home.path()));
        ShownWindow anna(ShownWindow::At{m_server->uri("society", "anna")});
        QCOMPARE(anna->registerPlace().documentsFolder(), home.path());
        QVERIFY(QDir(home.path()).mkdir("Documents"));
        QCOMPARE(anna->registerPlace().documentsFolder(), home.filePath("Documents"));
        // A database's name never leads the window's files out of its folder.
        const QString local = RegisterPlace("postgresql://anna@localhost/..%2F..%2Ftrav%2Fevil").localName();
        QCOMPARE(QFileInfo(local).absolutePath(), UserDataFolder());
    }

    // An import reaches the server whole, its rows keyed by the server, and
    // the other window follows; refused there, it leaves nothing anywhere.
    void importReachesTheServer_data()
    {
        QTest::addColumn<bool>("refused");
        // Breweries in Zeil added after the two of the file.
        QTest::addColumn<int>("more");
        QTest::addRow("stored") << false << 0;
        QTest::addRow("refused by the server") << true << 0;
        QTest::addRow("more rows than one statement adds") << false << 400;
    }
    void importReachesTheServer()
    {
        QFETCH(bool, refused);
        QFETCH(int, more);
        if (refused)
            QVERIFY(m_server->admin("CREATE FUNCTION no_hof() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                                    "IF NEW.\"CityName\" = 'Hof' THEN RAISE 'no breweries in Hof'; END IF; "
                                    "RETURN NEW; END $$; CREATE TRIGGER no_hof BEFORE INSERT ON \"Brewery\" "
                                    "FOR EACH ROW EXECUTE FUNCTION no_hof()",
                                    "society"));
        const auto dropTrigger = qScopeGuard([&] {
            if (refused)
                m_server->admin("DROP TRIGGER no_hof ON \"Brewery\"; DROP FUNCTION no_hof()", "society");
        });
        ShownWindow anna(ShownWindow::At{m_server->uri("society", "anna")});
        ShownWindow bert(ShownWindow::At{m_server->uri("society", "bert")});
        QTemporaryFile report(QDir::tempPath() + "/XXXXXX.lst");
        QVERIFY(report.open());
        report.write("BY\t\t\tCoburg\tC1\tHofbräu\t1850\t\r\n\t\t\t\tC\tHofbräu\t1850\t\tHofbrauhaus Coburg\r\n"
                     "BY\t\t\tHof\tH1\tMeinel\t1731\t\r\n\t\t\t\tM\tMeinel\t1731\t\tMeinel-Bräu\r\n");
        for (int zeil = 1; zeil <= more; ++zeil)
            report.write(QStringLiteral("BY\t\t\tZeil\tZ%1\tBrauerei %1\t1900\t\r\n\t\t\t\tZ\tB\t1900\t\tZ%1\r\n")
                             .arg(zeil)
                             .toUtf8());
        report.close();
        anna.boxes->answers << MessageBoxes::Answer::Yes;
        QCOMPARE(anna->importFiles({report.fileName()}), !refused);
        const QStringList before{"Aying", "Bamberg"};
        const QStringList after{"Aying", "Bamberg", "Coburg", "Hof"};
        const int breweries = refused ? 2 : 4 + more;
        if (refused) {
            QCOMPARE(anna.boxes->failures.size(), 1);
            QVERIFY2(anna.boxes->failures[0].contains("no breweries in Hof"), qPrintable(anna.boxes->failures[0]));
            QCOMPARE(cities(), before.join(','));
            QCOMPARE(rows("BreweryChronik"), 2);
        } else {
            QVERIFY(anna.boxes->failures.isEmpty());
            QCOMPARE(cities(), (after + QStringList(more, "Zeil")).join(','));
            QCOMPARE(rows("BreweryChronik"), breweries);
            // Each entry under its own brewery, as the server keyed them.
            QVERIFY(m_server->admin("SELECT string_agg(b.\"CityName\" || ':' || c.\"BreweryNameLong\", ',' "
                                    "ORDER BY c.\"ChronikId\") FROM \"BreweryChronik\" c JOIN \"Brewery\" b "
                                    "ON b.\"RowId\" = c.\"ParentRowId\" WHERE b.\"CityName\" IN ('Coburg', 'Hof')",
                                    "society"));
            QCOMPARE(m_server->output(), "Coburg:Hofbrauhaus Coburg,Hof:Meinel-Bräu");
        }
        for (ShownWindow *w : {&anna, &bert}) {
            QTRY_COMPARE_WITH_TIMEOUT((*w)->dsBrewery->Recordset().RecordCount(), breweries, FollowMs);
            QCOMPARE(GridDriver::columnTexts(*(*w)->grdBrauerien, 3, refused ? 2 : 4), refused ? before : after);
        }
    }

    // Opening leaves a register file named after the database in the
    // user's data folder, holding the server's rows, unless nothing changed
    // since the newest one.
    void backupWhenChanged()
    {
        QDir backups(m_server->dataHome() + "/Sudregister/backups");
        const auto made = [&] { return backups.entryList({"society_*.mdb"}, QDir::Files, QDir::Name); };
        const auto openAndClose = [&] {
            ShownWindow anna(ShownWindow::At{m_server->uri("society", "anna")});
            QVERIFY(anna.boxes->failures.isEmpty());
            QVERIFY2(!anna->lblMessage->text().contains("no backup"), qPrintable(anna->lblMessage->text()));
        };
        for (const QString &old : made())
            QVERIFY(backups.remove(old));
        // What a window killed while opening left: its backup's part and the
        // folder of its copy; a part another window is writing stays.
        const auto leave = [](const QString &path, const QByteArray &bytes, int ageSeconds) {
            QFile file(path);
            return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush()
                && file.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds), QFileDevice::FileModificationTime);
        };
        QVERIFY(backups.mkpath("."));
        QVERIFY(leave(backups.filePath("society_2026-01-01_00-00-00.mdb.partial"), "killed", 3600));
        QVERIFY(leave(backups.filePath("society_2026-01-01_00-00-01.mdb.partial"), "writing", 0));
        QTemporaryDir killedCopy(QDir::tempPath() + "/Sudregister-XXXXXX");
        killedCopy.setAutoRemove(false);
        QVERIFY(leave(killedCopy.filePath("window.pid"), "2000000000", 0));
        openAndClose();
        QCOMPARE(backups.entryList({"*.partial"}), QStringList{"society_2026-01-01_00-00-01.mdb.partial"});
        QVERIFY(!QFileInfo::exists(killedCopy.path()));
        QVERIFY(!(QFile::permissions(m_server->dataHome() + "/Sudregister") & (QFile::ReadOther | QFile::ReadGroup)));
        QVERIFY(backups.remove("society_2026-01-01_00-00-01.mdb.partial"));
        QCOMPARE(made().size(), 1);
        // Backups are named to the second.
        QTest::qWait(1100);
        openAndClose();
        QCOMPARE(made().size(), 1);
        QVERIFY(m_server->admin("UPDATE \"Brewery\" SET \"CityName\" = 'Kulmbach' WHERE \"CityName\" = 'Aying'",
                                "society"));
        QTest::qWait(1100);
        openAndClose();
        QCOMPARE(made().size(), 2);
        SecondConnection newest(backups.filePath(made().last()));
        QCOMPARE(newest.rows("SELECT CityName, BreweryName FROM Brewery ORDER BY RowId"),
                 (QList<QStringList>{{"Kulmbach", "Ayinger"}, {"Bamberg", "Schlenkerla"}}));
        QCOMPARE(newest.count("SELECT count(*) FROM BreweryChronik"), 2);
    }

    // An import that meets a server gone says so once, as an import's
    // failure: nothing typed waits to be stored.
    void importWithoutServer_data()
    {
        QTest::addColumn<bool>("heardFirst");
        QTest::addRow("the import meets it first") << false;
        QTest::addRow("the window hears it first") << true;
    }
    void importWithoutServer()
    {
        QFETCH(bool, heardFirst);
        ShownWindow anna(ShownWindow::At{m_server->uri("society", "anna")});
        QTemporaryFile report(QDir::tempPath() + "/XXXXXX.lst");
        QVERIFY(report.open());
        report.write("BY\t\t\tCoburg\tC1\tHofbr\xc3\xa4u\t1850\t\r\n");
        report.close();
        anna.boxes->answers << MessageBoxes::Answer::Yes;
        m_server->stop();
        const auto restart = qScopeGuard([&] { m_server->start(); });
        const auto said = [&] { return anna.boxes->failures + anna.boxes->told; };
        if (heardFirst)
            QTRY_COMPARE(said().size(), 1);
        QVERIFY(!anna->importFiles({report.fileName()}));
        QTest::qWait(500);
        QCOMPARE(said().size(), 1);
        const QString told = (heardFirst ? anna->lblMessage->text() : said()[0]);
        QVERIFY2(told.contains("Nothing was added") && !told.contains("what was typed"), qPrintable(told));
    }

    // A server that closes idle connections never cuts off a window whose
    // user pauses.
    void pausedWindowStaysConnected()
    {
        QVERIFY(m_server->admin("ALTER ROLE anna SET idle_session_timeout = '1s'", "society"));
        const auto reset = qScopeGuard([&] { m_server->admin("ALTER ROLE anna RESET idle_session_timeout", "society"); });
        ShownWindow anna(ShownWindow::At{m_server->uri("society", "anna")});
        QTest::qWait(3500);
        QCOMPARE(anna.boxes->told, QStringList());
        QCOMPARE(anna.boxes->failures, QStringList());
    }

    // A duplicate marked as none stays quiet in the next session's check,
    // though the window's copy of the register is gone by then.
    void marksOutliveTheWindow()
    {
        QVERIFY(m_server->admin("UPDATE \"Brewery\" SET \"CityName\" = 'Bamberg', \"IdCode\" = 'B1'", "society"));
        const auto checked = [&](ShownWindow &anna) {
            CheckWindow *check = anna->checkRegister();
            [&] { QTRY_VERIFY_WITH_TIMEOUT(!check->checking(), 20000); }();
            return check;
        };
        {
            ShownWindow anna(ShownWindow::At{m_server->uri("society", "anna")});
            CheckWindow *check = checked(anna);
            QCOMPARE(check->shown().rowCount(), 1);
            check->tblFindings->setCurrentIndex(check->shown().index(0, 0));
            QVERIFY(check->markNotDuplicate());
        }
        ShownWindow anna(ShownWindow::At{m_server->uri("society", "anna")});
        QCOMPARE(checked(anna)->shown().rowCount(), 0);
        QVERIFY(anna.boxes->failures.isEmpty());
    }

private:
    static void activate(ShownWindow &window)
    {
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.w.get()));
    }

    QString cities()
    {
        m_server->admin("SELECT string_agg(\"CityName\", ',' ORDER BY \"RowId\") FROM \"Brewery\"", "society");
        return m_server->output();
    }

    int rows(const QString &table)
    {
        m_server->admin(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(table), "society");
        return m_server->output().toInt();
    }

    std::unique_ptr<PgTestServer> m_server;
};

QTEST_MAIN(TestSharedWindows)
#include "tst_sharedwindows.moc"
