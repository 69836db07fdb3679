#include "DatabasePath.h"
#include "FileBytes.h"
#include "RegisterGenerator.h"
#include "ReportImport.h"
#include "ScratchRegister.h"
#include "ScriptedMessageBoxes.h"
#include "StoreError.h"
#include "Sudregister.h"
#include "SudregisterReport.h"

#include <QFile>
#include <QPushButton>
#include <QTest>
#include <sys/stat.h>

namespace {

// The report lines of the register in `dir`, as the Report button shows them.
QStringList reportOf(const QString &dir, QString *savedAs = nullptr)
{
    auto boxes = std::make_shared<ScriptedMessageBoxes>();
    Sudregister window(DatabasePath(dir), boxes);
    QStringList lines;
    window.showReport = [&](SudregisterReport &report) {
        lines = report.lines();
        if (savedAs)
            *savedAs = report.cmdSaveReport_Click();
    };
    QTest::mouseClick(window.cmdReport, Qt::LeftButton);
    if (!boxes->failures.isEmpty())
        qWarning() << boxes->failures;
    return lines;
}

// Brewery lines in order, each with its history lines sorted: the ordering
// pass of a reload may rearrange a brewery's entries, never its breweries.
QStringList canonical(const QStringList &lines)
{
    QStringList out;
    QStringList entries;
    const auto flush = [&] {
        entries.sort();
        out += entries;
        entries.clear();
    };
    for (const QString &line : lines) {
        if (line.startsWith("\t\t\t\t") && line.count('\t') == 8) {
            entries << line;
        } else {
            flush();
            out << line;
        }
    }
    flush();
    return out;
}

QString writeFile(const QString &dir, const QByteArray &bytes)
{
    return writeBytes(dir + "/input.lst", bytes);
}

} // namespace

class TestImport : public QObject {
    Q_OBJECT

private slots:
    void roundTrip()
    {
        QTemporaryDir from, to;
        GenerateRegister(DatabasePath(from.path()), 300, 77);
        QString saved;
        const QStringList original = reportOf(from.path(), &saved);
        QVERIFY(!saved.isEmpty());
        QVERIFY(original.size() > 300);

        int reported = 0;
        const ImportCounts counts = ImportReport(saved, DatabasePath(to.path()), {}, [&](qsizetype, qsizetype) { ++reported; });
        QCOMPARE(counts.breweries, 300);
        QCOMPARE(counts.chroniks, int(original.size()) - 300);
        QVERIFY(reported > 0);

        SecondConnection source(DatabasePath(from.path()));
        SecondConnection copy(DatabasePath(to.path()));
        QCOMPARE(copy.count("SELECT count(*) FROM BreweryChronik"), source.count("SELECT count(*) FROM BreweryChronik"));
        QCOMPARE(copy.count("SELECT count(*) FROM BreweryChronik WHERE ParentRowId NOT IN (SELECT RowId FROM Brewery)"), 0);
        // Breweries without history came along too.
        QCOMPARE(copy.count("SELECT count(*) FROM Brewery WHERE RowId NOT IN (SELECT ParentRowId FROM BreweryChronik)"),
                 source.count("SELECT count(*) FROM Brewery WHERE RowId NOT IN (SELECT ParentRowId FROM BreweryChronik)"));
        QVERIFY(source.count("SELECT count(*) FROM Brewery WHERE CityName IS NULL OR PostalCode IS NULL") > 0);
        QVERIFY(source.count("SELECT count(*) FROM Brewery WHERE CityName LIKE '%ß%' OR CityName LIKE '%ü%'") > 0);

        QCOMPARE(canonical(reportOf(to.path())), canonical(original));
    }

    // Each column lands in its field without its blanks; an empty column is
    // stored as empty text, not as Null.
    void columnsTrimmedIntoTheirFields()
    {
        QTemporaryDir dir;
        ScratchRegister reg;
        const QString path = writeFile(dir.path(), "BY \t Ofr\t\t  Bamberg  \tB1\tSpezial\t1536\t\r\n"
                                                   "\t\t\t\t B1-a \tAlt\t1600\t1700\tAlte  Brauerei \r\n");
        QCOMPARE(ImportReport(path, reg.path()).chroniks, 1);
        QCOMPARE(reg.sql().rows("SELECT StateName, CountyName, PostalCode, CityName, IdCode, BreweryName, StartYear, "
                                "StopYear FROM Brewery"),
                 QList<QStringList>({{"BY", "Ofr", "", "Bamberg", "B1", "Spezial", "1536", ""}}));
        QCOMPARE(reg.sql().rows("SELECT IdCode, BreweryName, StartYear, StopYear, BreweryNameLong FROM BreweryChronik"),
                 QList<QStringList>({{"B1-a", "Alt", "1600", "1700", "Alte  Brauerei"}}));
    }

    void lineEndsAndExistingBreweries()
    {
        ScratchRegister reg;
        reg.addCity("Bamberg");
        QTemporaryDir dir;
        const QString path = writeFile(dir.path(), "BY\tOfr\t96047\tBamberg\tB1\t F\xE4\xDFla \t1649\t\n"
                                                   "\t\t\t\tB1-1\tF\xE4\xDFla\t1649\t1700\tBrauerei F\xE4\xDFla\n"
                                                   "BY\tOfr\t95444\tBayreuth\tB2\tMaisel\t1887\t2020\r\n");
        const ImportCounts counts = ImportReport(path, reg.path(), ImportOptions{true});
        QCOMPARE(counts.breweries, 2);
        QCOMPARE(counts.chroniks, 1);
        QCOMPARE(reg.sql().rows("SELECT CityName, BreweryName, StopYear FROM Brewery ORDER BY RowId"),
                 QList<QStringList>({{"Bamberg", "Brauerei", ""}, {"Bamberg", "Fäßla", ""}, {"Bayreuth", "Maisel", "2020"}}));
        QCOMPARE(reg.sql().rows("SELECT b.CityName, c.BreweryNameLong FROM BreweryChronik c JOIN Brewery b ON b.RowId = c.ParentRowId"),
                 QList<QStringList>({{"Bamberg", "Brauerei Fäßla"}}));
    }

    void refusalsChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected");
        QTest::addRow("history line first") << QByteArray("\t\t\t\tA\tB\tC\tD\tE\r\nBY\t\t\t\t\t\t\t\r\n")
                                            << "input.lst: line 1: a history line comes before the first brewery line";
        QTest::addRow("six columns") << QByteArray("BY\t\t\t\t\t\t\t\r\nBY\ta\tb\tc\td\te\r\n")
                                     << "input.lst: line 2: it has 6 tab-separated columns";
        QTest::addRow("history with a place") << QByteArray("BY\t\t\t\t\t\t\t\r\nBY\t\t\t\tA\tB\tC\tD\tE\r\n")
                                              << "input.lst: line 2: it has 9";
        QTest::addRow("binary") << QByteArray("SQLite format 3\0\x10\x00\x01\x01", 20) << "input.lst: line 1: it holds NUL bytes";
        QTest::addRow("missing file") << QByteArray() << "cannot be read";
    }
    void refusalsChangeNothing()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        ScratchRegister reg;
        const qint64 id = reg.addCity("Bamberg");
        reg.addChronik(id, {"Eintrag"});
        const QByteArray before = bytesOf(reg.path());
        QTemporaryDir dir;
        const QString path = content.isEmpty() ? dir.path() + "/nowhere.lst" : writeFile(dir.path(), content);
        try {
            ImportReport(path, reg.path(), ImportOptions{true});
            QFAIL("the file was taken");
        } catch (const ImportRefused &e) {
            QVERIFY2(e.message().contains(expected), qPrintable(e.message()));
        }
        QCOMPARE(bytesOf(reg.path()), before);
    }

    // Importing the same report twice must not double a register by
    // accident: without --append a register holding breweries is refused,
    // byte for byte unchanged.
    void appendOnlyWhenAsked()
    {
        ScratchRegister reg;
        QTemporaryDir dir;
        const QString path = writeFile(dir.path(), "BY\t\t\tAalen\t\t\t\t\r\n\t\t\t\tA1\t\t\t\tAlt\r\n");
        QCOMPARE(ImportReport(path, reg.path()).breweries, 1);
        const QByteArray before = bytesOf(reg.path());
        try {
            ImportReport(path, reg.path());
            QFAIL("the register was doubled");
        } catch (const ImportRefused &e) {
            QVERIFY2(e.message().contains("already holds 1 brewery;"), qPrintable(e.message()));
        }
        QCOMPARE(bytesOf(reg.path()), before);
        QCOMPARE(ImportReport(path, reg.path(), ImportOptions{true}).chroniks, 1);
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery"), 2);
    }

    void encodingsAndEmptyLines_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("cities");
        QTest::addRow("UTF-8 with mark") << QByteArray("\xEF\xBB\xBF" "BY\t\t\tM\xC3\xBCnchen\t\t\t\t\r\n") << QStringList{"München"};
        QTest::addRow("UTF-8 without mark") << QByteArray("BY\t\t\tM\xC3\xBCnchen\t\t\t\t\n") << QStringList{"München"};
        QTest::addRow("Windows-1252") << QByteArray("BY\t\t\tM\xFCnchen\t\t\t\t\r\n") << QStringList{"München"};
        QTest::addRow("mark on a plain ASCII file") << QByteArray("\xEF\xBB\xBF" "BY\t\t\tAalen\t\t\t\t\n") << QStringList{"Aalen"};
        QTest::addRow("empty lines at the end") << QByteArray("BY\t\t\tAalen\t\t\t\t\r\n\r\n\n") << QStringList{"Aalen"};
        QTest::addRow("UTF-8 whose bytes Windows-1252 leaves undefined")
            << QByteArray("BY\t\t\t\xC5\x81\xC3\xB3" "d\xC5\xBA\t\t\t\t\r\n") << QStringList{"Łódź"};
    }
    void encodingsAndEmptyLines()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, cities);
        ScratchRegister reg;
        QTemporaryDir dir;
        QCOMPARE(ImportReport(writeFile(dir.path(), content), reg.path()).breweries, int(cities.size()));
        QCOMPARE(reg.sql().column("SELECT StateName || '|' || CityName FROM Brewery"), QStringList{"BY|" + cities[0]});
    }

    // What no report is: refused with the place, before anything is read
    // into memory whole or written.
    void whatIsNoReport_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("expected");
        QTest::addRow("an empty line in the middle") << "empty" << "input.lst: line 2: the line is empty";
        for (const char *undefined : {"81", "8D", "8F", "90", "9D"})
            QTest::addRow("byte %s, which Windows-1252 leaves undefined", undefined)
                << QStringLiteral("undefined") + undefined
                << "input.lst: line 2: it holds a byte that Windows-1252 leaves undefined";
        QTest::addRow("a mark, then bytes that are not UTF-8") << "marked" << "input.lst: line 2: it is not UTF-8";
        QTest::addRow("a UTF-8 line before a Windows-1252 one")
            << "mixed" << "input.lst: line 1: it is UTF-8, but other lines of the file are Windows-1252";
        QTest::addRow("a line over 64 KB") << "long" << "input.lst: line 2: the line is longer than 64 KB";
        QTest::addRow("an endless device") << "device" << "/dev/zero: is not a regular file";
        QTest::addRow("a pipe") << "fifo" << "is not a regular file";
    }
    void whatIsNoReport()
    {
        QFETCH(QString, kind);
        QFETCH(QString, expected);
        ScratchRegister reg;
        QTemporaryDir dir;
        const QByteArray first("BY\t\t\tAalen\t\t\t\t\r\n");
        QString path;
        if (kind == "empty")
            path = writeFile(dir.path(), first + "\r\n" + first);
        else if (kind.startsWith("undefined"))
            path = writeFile(dir.path(), first + "BY\t\t\tA" + char(kind.mid(9).toInt(nullptr, 16)) + "\xFC\t\t\t\t\r\n");
        else if (kind == "mixed")
            path = writeFile(dir.path(), "BY\t\t\tM\xC3\xBCnchen\t\t\t\t\r\nBY\t\t\tN\xFCrnberg\t\t\t\t\r\n");
        else if (kind == "marked")
            path = writeFile(dir.path(), "\xEF\xBB\xBF" + first + "BY\t\t\t\xFF\xFE\t\t\t\t\r\n");
        else if (kind == "long")
            path = writeFile(dir.path(), first + "BY\t\t\t" + QByteArray(MaxReportLineBytes, 'x') + "\t\t\t\t\r\n");
        else if (kind == "device")
            path = "/dev/zero";
        else {
            path = dir.filePath("pipe.lst");
            QVERIFY(mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        }
        const QByteArray before = bytesOf(reg.path());
        try {
            ImportReport(path, reg.path());
            QFAIL("the file was taken");
        } catch (const ImportRefused &e) {
            QVERIFY2(e.message().contains(expected), qPrintable(e.message()));
        }
        QCOMPARE(bytesOf(reg.path()), before);
    }

    // The second pass checks again what it writes: a line changed after the
    // first pass, whatever its length and bytes, rolls the whole import
    // back, naming the line.
    void fileChangedBetweenThePasses_data()
    {
        QTest::addColumn<QByteArray>("secondLine");
        QTest::addColumn<QString>("expected");
        QTest::addRow("to bytes of no report") << QByteArray("C\0\x81\xFF\t\t\t\t\t\t\t", 11)
                                               << "input.lst: line 2: it holds NUL bytes";
        QTest::addRow("in place, same length, to UTF-8") << QByteArray("BY\t\t\tM\xC3\xBCnchen\t\t\t\t")
                                                         << "input.lst: line 2: the line changed while the file was imported";
    }
    void fileChangedBetweenThePasses()
    {
        QFETCH(QByteArray, secondLine);
        QFETCH(QString, expected);
        ScratchRegister reg;
        QTemporaryDir dir;
        const QString path = writeFile(dir.path(), "BY\t\t\tAalen\t\t\t\t\r\nBY\t\t\tMuenchen\t\t\t\t\r\n");
        bool changed = false;
        const auto change = [&](qsizetype, qsizetype) {
            if (!std::exchange(changed, true))
                writeFile(dir.path(), QByteArray("BY\t\t\tAalen\t\t\t\t\r\n") + secondLine + "\r\n");
        };
        try {
            ImportReport(path, reg.path(), {}, change);
            QFAIL("the changed file was taken");
        } catch (const ImportRefused &e) {
            QVERIFY2(e.message().contains(expected), qPrintable(e.message()));
        }
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery"), 0);
    }

    // A value holding a carriage return (a line ending CR CR LF) is stored
    // as the grids store it: the carriage return a blank, then trimmed.
    void carriageReturnsBecomeBlanks()
    {
        ScratchRegister reg;
        QTemporaryDir dir;
        const QString path = writeFile(dir.path(), "BY\t\t\tBad\rKissingen\t\t\t\t1990\r\r\n");
        QCOMPARE(ImportReport(path, reg.path()).breweries, 1);
        QCOMPARE(reg.sql().rows("SELECT CityName, StopYear FROM Brewery"),
                 QList<QStringList>({{"Bad Kissingen", "1990"}}));
    }

    void registerThatRefusesWritesKeepsItsRows()
    {
        ScratchRegister reg;
        reg.addCity("Bamberg");
        reg.sql().exec("CREATE TRIGGER full BEFORE INSERT ON BreweryChronik BEGIN SELECT RAISE(ABORT, 'no room'); END");
        QTemporaryDir dir;
        const QString path = writeFile(dir.path(), "BY\t\t\tAalen\t\t\t\t\n\t\t\t\tA\t\t\t\t\n");
        QVERIFY_THROWS_EXCEPTION(StoreError, ImportReport(path, reg.path(), ImportOptions{true}));
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery"), 1);
    }
};

QTEST_MAIN(TestImport)
#include "tst_import.moc"
