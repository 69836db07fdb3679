// Who changed what: every write of the program leaves one record per changed
// row in the register's change log, with exactly the fields it changed, on
// a register file and on a shared register; the history windows list them
// and put a value back.
#include "ChangeLabel.h"
#include "ChangeLogSchema.h"
#include "FileBytes.h"
#include "HistoryWindow.h"
#include "MenuHistory.h"
#include "RegisterBackup.h"
#include "ReportImport.h"
#include "ScratchRegister.h"
#include "ShownWindow.h"
#include "SudregisterReport.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

namespace {

using Answer = MessageBoxes::Answer;

// Two breweries, one with two history entries; the server's log of them
// is emptied, as a file has none before the program's first write.
void fillRegister(ScratchRegister &reg)
{
    const qint64 bamberg = reg.addBrewery({"BY", "Ofr", "96047", "Bamberg", "BY1", "Schlenkerla", "1405", ""});
    reg.addChronik(bamberg, {"Brauerei Heller", "A", "Heller", "1405", "1900"});
    reg.addChronik(bamberg, {"Schlenkerla", "B", "Schlenkerla", "1900", ""});
    reg.addCity("Coburg");
    if (!reg.database().isEmpty())
        QVERIFY(ScratchRegister::server().admin(QStringLiteral("TRUNCATE sudregister_log"), reg.database()));
}

// The log's records as "table kind fields | step | who", oldest first; the
// fields of a change only, sorted; "-" for a step or a name not given.
QStringList logOf(ScratchRegister &reg, RegisterKind kind)
{
    QStringList records;
    if (kind == RegisterKind::Shared) {
        for (const QStringList &row : reg.sql().rows(
                 "SELECT \"TableName\", \"Kind\", CASE WHEN \"Kind\" = 'changed' THEN (SELECT string_agg(k, ',' "
                 "ORDER BY k) FROM jsonb_object_keys(\"After\") k) ELSE '' END, coalesce(\"Step\", '-'), \"Who\" "
                 "FROM sudregister_log ORDER BY \"LogId\""))
            records << QStringLiteral("%1 %2 %3| %4 | %5").arg(row[0], row[1], row[2].isEmpty() ? "" : row[2] + " ", row[3], row[4]);
        return records;
    }
    if (reg.sql().count("SELECT count(*) FROM sqlite_schema WHERE name = 'SudregisterLog'") == 0)
        return records;
    // An import's adds take who and the step from their bulk.
    for (const QStringList &row : reg.sql().rows(
             "SELECT l.TableName, l.Kind, l.Changed, coalesce(b.Step, l.Step, '-'), coalesce(b.Who, l.Who, '-') FROM "
             "SudregisterLog l LEFT JOIN SudregisterLogBulk b ON b.BulkId = l.Bulk ORDER BY l.LogId")) {
        QStringList fields;
        const QStringList names = ChangeLogSchema::fieldsOf(row[0]);
        for (int i = 0; row[1] == "changed" && i < names.size(); ++i) {
            if (row[2].toLongLong() & (qint64(1) << i))
                fields << names[i];
        }
        fields.sort();
        records << QStringLiteral("%1 %2 %3| %4 | %5")
                       .arg(row[0], row[1], fields.isEmpty() ? "" : fields.join(',') + " ", row[3], row[4]);
    }
    return records;
}

// The name the program's own writes are recorded under.
QString writer(RegisterKind kind)
{
    return kind == RegisterKind::File ? ChangeLabel::loginName() : QStringLiteral("admin");
}

void undo(ShownWindow &win)
{
    win->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(win.w.get()));
    QTest::keyClick(win->grdBrauerien, Qt::Key_Z, Qt::ControlModifier);
}

MenuHistory &menu(ShownWindow &win)
{
    return win->changes();
}

// The line of `window` whose Field and After read so.
int lineOf(HistoryWindow &window, const QString &field, const QString &after)
{
    for (int row = 0; row < window.model().rowCount(); ++row) {
        if (window.model().text(row, LogTableModel::Field) == field
            && window.model().text(row, LogTableModel::After) == after)
            return row;
    }
    return -1;
}

} // namespace

class TestChangeHistory : public QObject {
    Q_OBJECT

private slots:
    void initTestCase_data() { addRegisterKinds(); }

    void everyWriteLeavesOneRecordPerRow_data()
    {
        QTest::addColumn<QString>("write");
        QTest::addColumn<QStringList>("records");
        const QString me = QStringLiteral("%me%");
        QTest::addRow("a brewery's cell") << "brewery cell" << QStringList{"Brewery changed CityName | edit | " + me};
        QTest::addRow("a history entry's cell")
            << "history cell" << QStringList{"BreweryChronik changed StartYear | edit | " + me};
        QTest::addRow("a cell typed as it was") << "same cell" << QStringList{};
        QTest::addRow("a new brewery") << "new brewery" << QStringList{"Brewery added | edit | " + me};
        QTest::addRow("a brewery deleted with its entries")
            << "delete brewery"
            << QStringList{"BreweryChronik deleted | edit | " + me, "BreweryChronik deleted | edit | " + me,
                           "Brewery deleted | edit | " + me};
        QTest::addRow("an undo")
            << "undo" << QStringList{"Brewery changed CityName | edit | " + me,
                                     "Brewery changed CityName | undo: change of ORT of brewery Schlenkerla | " + me};
        QTest::addRow("a write refused as changed elsewhere")
            << "refused" << QStringList{"Brewery changed CityName | - | %other%"};
        // Recorded in one statement, after which the triggers stand again.
        QTest::addRow("an import, then another program's change")
            << "import" << QStringList{"Brewery added | import of input.lst | " + me,
                                       "BreweryChronik added | import of input.lst | " + me,
                                       "Brewery changed CityName | - | -"};
    }
    void everyWriteLeavesOneRecordPerRow()
    {
        QFETCH(QString, write);
        QFETCH(QStringList, records);
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        fillRegister(reg);
        records.replaceInStrings("%me%", writer(kind));
        // Another program is nobody on a file; the server names its user.
        records.replaceInStrings("%other%", kind == RegisterKind::File ? "-" : "admin");
        if (write == "import") {
            if (kind == RegisterKind::Shared)
                QSKIP("the importer of the command line takes register files");
            const QString report = writeBytes(reg.dir() + "/input.lst", "BY\tOfr\t96450\tCoburg\tC1\tSonne\t1850\t\r\n"
                                                                        "\t\t\t\tC1-1\tSonne\t1850\t\tSonnenbräu\r\n");
            ImportOptions options;
            options.append = true;
            ImportReport(report, reg.address(), options);
            QVERIFY(reg.sql().exec("UPDATE Brewery SET CityName = 'Coburg-Ketschendorf' WHERE IdCode = 'C1'"));
            QCOMPARE(logOf(reg, kind), records);
            return;
        }
        ShownWindow win(reg);
        if (write == "brewery cell" || write == "undo") {
            GridDriver::typeInto(*win->grdBrauerien, 0, 3, "Bamberg-Gaustadt");
        } else if (write == "history cell") {
            GridDriver::typeInto(*win->grdChronik, 0, 3, "1406");
        } else if (write == "same cell") {
            GridDriver::typeInto(*win->grdBrauerien, 0, 3, "Bamberg");
        } else if (write == "new brewery") {
            GridDriver::typeInto(*win->grdBrauerien, 2, 5, "Göller");
            GridDriver::clickCell(*win->grdBrauerien, 0, 0);
        } else if (write == "delete brewery") {
            win.boxes->answers << Answer::Yes;
            GridDriver::deleteRow(*win->grdBrauerien, 0);
        } else if (write == "refused") {
            QVERIFY(reg.sql().exec("UPDATE Brewery SET CityName = 'Bamberk' WHERE CityName = 'Bamberg'"));
            GridDriver::typeInto(*win->grdBrauerien, 0, 3, "Bamberg-Gaustadt");
            QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery WHERE CityName = 'Bamberk'"), 1);
        }
        if (write == "undo")
            undo(win);
        if (write == "refused" && kind == RegisterKind::File)
            records.clear(); // no log before the program's first write
        QCOMPARE(logOf(reg, kind), records);
    }

    // The rows an import added are listed in their brewery's history with
    // the values they were added with, though they changed since or went.
    void importedRowsShowTheirValues()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        if (kind == RegisterKind::Shared)
            QSKIP("the importer of the command line takes register files");
        ScratchRegister reg(kind);
        fillRegister(reg);
        const QString report = writeBytes(reg.dir() + "/input.lst", "BY\tOfr\t96450\tCoburg\tC1\tSonne\t1850\t\r\n"
                                                                    "\t\t\t\tC1-1\tSonne\t1850\t\tSonnenbräu\r\n"
                                                                    "\t\t\t\tC1-2\tSonne\t1920\t\tSonne KG\r\n");
        ImportOptions options;
        options.append = true;
        ImportReport(report, reg.address(), options);
        ShownWindow win(reg);
        win->txtFind->setText("Sonne");
        QTRY_COMPARE(win->dsBrewery->Recordset().RecordCount(), 1);
        GridDriver::typeInto(*win->grdBrauerien, 0, 3, "Coburg-Ketschendorf");
        QVERIFY(reg.sql().exec("DELETE FROM BreweryChronik WHERE IdCode = 'C1-2'"));
        QVERIFY(reg.sql().exec("UPDATE BreweryChronik SET StartYear = '1851' WHERE IdCode = 'C1-1'"));
        GridDriver::clickCell(*win->grdBrauerien, 0, 0);
        HistoryWindow *window = menu(win).showBreweryHistory();
        QVERIFY(window);
        QStringList added;
        for (int row = window->model().rowCount() - 1; row >= 0; --row) {
            const QString field = window->model().text(row, LogTableModel::Field);
            const bool brewery = window->model().text(row, LogTableModel::Row).startsWith("brewery");
            if (window->model().text(row, LogTableModel::Change) == "added"
                && (field == (brewery ? "ORT" : "*Jahr")))
                added << window->model().text(row, LogTableModel::Row) + ": " + window->model().text(row, LogTableModel::After);
        }
        const qint64 brewery = reg.sql().count("SELECT RowId FROM Brewery WHERE IdCode = 'C1'");
        const qint64 entry = reg.sql().count("SELECT ChronikId FROM BreweryChronik WHERE IdCode = 'C1-1'");
        QCOMPARE(added, (QStringList{QStringLiteral("brewery %1: Coburg").arg(brewery),
                                     QStringLiteral("history entry %1 of brewery %2: 1850").arg(entry).arg(brewery),
                                     QStringLiteral("history entry %1 of brewery %2: 1920").arg(entry + 1).arg(brewery)}));
        window->close();
    }

    // Another program's write is recorded by the file itself, naming no
    // one, also right after one of the program's own.
    void anotherProgramNamesNoOne()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        if (kind == RegisterKind::Shared)
            QSKIP("the server names every user");
        ScratchRegister reg(kind);
        fillRegister(reg);
        ShownWindow win(reg);
        GridDriver::typeInto(*win->grdBrauerien, 0, 3, "Bamberg-Gaustadt");
        QVERIFY(reg.sql().exec("UPDATE Brewery SET StartYear = 1405 WHERE CityName = 'Coburg'"));
        QVERIFY(reg.sql().exec("UPDATE BreweryChronik SET StopYear = X'00' WHERE IdCode = 'A'"));
        QCOMPARE(logOf(reg, kind), (QStringList{"Brewery changed CityName | edit | " + writer(kind),
                                                "Brewery changed StartYear | - | -",
                                                "BreweryChronik changed StopYear | - | -"}));
        // Values as stored: the number 1405 became text in a text field; a
        // blob stays a blob.
        QCOMPARE(reg.sql().rows("SELECT quote(Before7), quote(After7) FROM SudregisterLog WHERE LogId = 2"),
                 (QList<QStringList>{{"'1900'", "'1405'"}}));
        QCOMPARE(reg.sql().rows("SELECT quote(Before5), quote(After5) FROM SudregisterLog WHERE LogId = 3"),
                 (QList<QStringList>{{"'1900'", "X'00'"}}));
    }

    // An editor reads the server's log but can neither write nor shorten
    // it, and each editor's change is recorded under the editor's name.
    void editorsCannotWriteTheLog()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        if (kind == RegisterKind::File)
            QSKIP("a shared register's server keeps it");
        ScratchRegister reg(kind);
        fillRegister(reg);
        PgTestServer &server = ScratchRegister::server();
        static const bool added = server.addUsers({"carol", "dave"}, {});
        QVERIFY(added);
        for (const QString &editor : {QStringLiteral("carol"), QStringLiteral("dave")}) {
            SecondConnection as(SecondConnection::Server{server.uri(reg.database(), editor)});
            QVERIFY(as.exec(QStringLiteral("UPDATE \"Brewery\" SET \"CityName\" = '%1' WHERE \"RowId\" = 1").arg(editor)));
            for (const char *attempt : {"INSERT INTO sudregister_log (\"At\", \"Who\", \"TableName\", \"RowKey\", "
                                        "\"Kind\") VALUES (now(), 'edith', 'Brewery', 1, 'changed')",
                                        "UPDATE sudregister_log SET \"Who\" = 'edith'", "DELETE FROM sudregister_log",
                                        "TRUNCATE sudregister_log"})
                QVERIFY2(!as.exec(QString::fromLatin1(attempt)), attempt);
            QCOMPARE(as.count("SELECT count(*) FROM sudregister_log"), editor == "carol" ? 1 : 2);
        }
        QCOMPARE(logOf(reg, kind),
                 (QStringList{"Brewery changed CityName | - | carol", "Brewery changed CityName | - | dave"}));
    }

    // A value put back from a brewery's history is a new edit: recorded,
    // and taken back by Undo; a row changed since refuses it, unrecorded.
    void restoreAValue()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        fillRegister(reg);
        ShownWindow win(reg);
        GridDriver::typeInto(*win->grdBrauerien, 0, 3, "Bamberk");
        GridDriver::clickCell(*win->grdBrauerien, 0, 0);
        QTest::keyClick(win->grdBrauerien, Qt::Key_H, Qt::ControlModifier | Qt::ShiftModifier);
        auto *window = win->findChild<HistoryWindow *>();
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), "History of Schlenkerla (Bamberk)");
        const int line = lineOf(*window, "ORT", "Bamberk");
        QVERIFY(line >= 0);
        QCOMPARE(window->model().text(line, LogTableModel::Before), "Bamberg");
        window->table()->selectRow(line);
        QVERIFY(window->restoreButton->isEnabled());
        window->restoreButton->click();
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery WHERE CityName = 'Bamberg'"), 1);
        QCOMPARE(logOf(reg, kind).last(), "Brewery changed CityName | restore of ORT | " + writer(kind));
        QCOMPARE(window->model().text(0, LogTableModel::Step), "restore of ORT");
        undo(win);
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery WHERE CityName = 'Bamberk'"), 1);

        // The restore again, of a brewery another program deleted meanwhile.
        QVERIFY(reg.sql().exec("DELETE FROM BreweryChronik WHERE ParentRowId = 1; DELETE FROM Brewery WHERE RowId = 1"));
        const QStringList before = logOf(reg, kind);
        window->table()->selectRow(lineOf(*window, "ORT", "Bamberk"));
        window->restoreButton->click();
        QCOMPARE(logOf(reg, kind), before);
        QVERIFY2(!win.boxes->told.isEmpty() && win.boxes->told.last().startsWith("Nothing was restored"),
                 qPrintable(win.boxes->told.join('\n')));
        window->close();
    }

    // The register's history narrowed by who, step, field and day, and
    // saved as it is listed.
    void registerHistoryFilters_data()
    {
        QTest::addColumn<QString>("who");
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("fromDays"); // from today + this; 1: tomorrow
        QTest::addColumn<QStringList>("afters");
        QTest::addRow("everything") << "" << "" << "" << -1 << QStringList{"Bamberk", "1406", "Bamberg-Süd"};
        QTest::addRow("another program") << "(another program)" << "" << "" << -1 << QStringList{"Bamberg-Süd"};
        QTest::addRow("the user") << "%me%" << "" << "" << -1 << QStringList{"Bamberk", "1406"};
        QTest::addRow("a step, in any case") << "" << "EDIT" << "" << -1 << QStringList{"Bamberk", "1406"};
        QTest::addRow("a field of the history") << "" << "" << "StartYear" << -1 << QStringList{"1406"};
        QTest::addRow("a field of the breweries") << "" << "" << "CityName" << -1 << QStringList{"Bamberk", "Bamberg-Süd"};
        QTest::addRow("from tomorrow") << "" << "" << "" << 1 << QStringList{};
    }
    void registerHistoryFilters()
    {
        QFETCH(QString, who);
        QFETCH(QString, step);
        QFETCH(QString, field);
        QFETCH(int, fromDays);
        QFETCH(QStringList, afters);
        QFETCH_GLOBAL(RegisterKind, kind);
        // The test's own connection to the server is the window's user too.
        if (kind == RegisterKind::Shared && who == "%me%")
            afters = QStringList{"Bamberk", "1406", "Bamberg-Süd"};
        ScratchRegister reg(kind);
        fillRegister(reg);
        ShownWindow win(reg);
        GridDriver::typeInto(*win->grdBrauerien, 0, 3, "Bamberk");
        GridDriver::typeInto(*win->grdChronik, 0, 3, "1406");
        QVERIFY(reg.sql().exec("UPDATE Brewery SET CityName = 'Bamberg-Süd' WHERE CityName = 'Bamberk'"));
        win->findChild<QAction *>("actRegisterHistory")->trigger();
        auto *window = win->findChild<HistoryWindow *>();
        QVERIFY(window);
        window->who->setText(who == "%me%" ? writer(kind) : who);
        window->step->setText(step);
        window->field->setCurrentIndex(window->field->findData(field));
        window->from->setDate(QDate::currentDate().addDays(fromDays));
        QVERIFY(window->reload());
        QStringList shown;
        for (int row = window->model().rowCount() - 1; row >= 0; --row)
            shown << window->model().text(row, LogTableModel::After);
        QCOMPARE(shown, afters);

        const QString saved = reg.dir() + "/history.csv";
        QVERIFY(window->saveCsv(saved));
        const QStringList lines = QString::fromUtf8(bytesOf(saved)).split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), afters.size() + 1);
        QVERIFY2(lines.first().endsWith("When,Who,Step,Change,Row,Field,Before,After"), qPrintable(lines.first()));
        for (int i = 0; i < afters.size(); ++i)
            QVERIFY2(lines[afters.size() - i].endsWith("," + afters[i]), qPrintable(lines[afters.size() - i]));
        window->close();
    }

    // The log stays beside the two tables: a register's Report is the same
    // byte for byte with it as without.
    void theReportIgnoresTheLog()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        if (kind == RegisterKind::Shared)
            QSKIP("the Report reads the window's copy, which holds no log");
        ScratchRegister reg(kind);
        fillRegister(reg);
        QByteArray withLog, without;
        for (QByteArray *report : {&withLog, &without}) {
            ShownWindow win(reg);
            if (report == &withLog)
                GridDriver::typeInto(*win->grdBrauerien, 0, 3, "Bamberk");
            else
                QVERIFY(reg.sql().exec("DROP TABLE SudregisterLog; DROP TABLE SudregisterLogStep; "
                                       "DROP TRIGGER SudregisterLogBreweryAdded; DROP TRIGGER SudregisterLogBreweryChanged; "
                                       "DROP TRIGGER SudregisterLogBreweryDeleted; "
                                       "DROP TRIGGER SudregisterLogBreweryChronikAdded; "
                                       "DROP TRIGGER SudregisterLogBreweryChronikChanged; "
                                       "DROP TRIGGER SudregisterLogBreweryChronikDeleted"));
            win->showReport = [&](SudregisterReport &shown) { *report = bytesOf(shown.cmdSaveReport_Click()); };
            QTest::mouseClick(win->cmdReport, Qt::LeftButton);
        }
        QVERIFY(!withLog.isEmpty());
        QCOMPARE(withLog, without);
    }

    // Compact History drops what came before the day chosen, after a backup
    // that holds it; Help > About tells how much is left.
    void compactDropsTheOlderHistory()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        fillRegister(reg);
        ShownWindow win(reg);
        GridDriver::typeInto(*win->grdBrauerien, 0, 3, "Bamberk");
        if (kind == RegisterKind::Shared) {
            menu(win).compact();
            QVERIFY(win.boxes->told.last().contains("only its administrator"));
            QCOMPARE(logOf(reg, kind).size(), 1);
            return;
        }
        QVERIFY(reg.sql().exec("UPDATE SudregisterLog SET At = '2020-05-01 10:00:00.000'"));
        GridDriver::typeInto(*win->grdBrauerien, 0, 3, "Bamberg");
        QVERIFY(menu(win).sizeText().startsWith("History: 2 changed rows since 2020-05-01"));
        menu(win).askCompactBefore = [] { return std::optional<QDate>(QDate(2021, 1, 1)); };
        menu(win).compact();
        QCOMPARE(logOf(reg, kind), QStringList{"Brewery changed CityName | edit | " + writer(kind)});
        QVERIFY2(win->lblMessage->text().startsWith("Dropped 1 recorded changes made before 2021-01-01; the backup"),
                 qPrintable(win->lblMessage->text()));
        // The newest backup holds what went, though the tables stand as in
        // the backup made when the window opened.
        const QDir backups(BackupFolder(reg.path()));
        const QStringList copies = backups.entryList({"*.mdb"}, QDir::Files, QDir::Name);
        QVERIFY(!copies.isEmpty());
        QCOMPARE(SecondConnection(backups.filePath(copies.last())).count("SELECT count(*) FROM SudregisterLog"), 2);
        QVERIFY(menu(win).sizeText().startsWith("History: 1 changed rows since "));
    }
};

QTEST_MAIN(TestChangeHistory)
#include "tst_changehistory.moc"
