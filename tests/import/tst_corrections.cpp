// Corrections made to an export elsewhere, read back into the register:
// which cells count as changed, how history entries are told apart, and
// which files are refused with nothing written.
#include "CorrectionsPlan.h"
#include "FileBytes.h"
#include "RegisterExport.h"
#include "RegisterFile.h"
#include "Register.h"
#include "RegisterIdentity.h"
#include "RegisterLock.h"
#include "ReportImport.h"
#include "ScratchRegister.h"

#include <QRegularExpression>
#include <QTest>

namespace {

// Exports the register's breweries as two CSV tables with their stamps;
// returns the path of the breweries' table.
QString exportTables(ScratchRegister &reg)
{
    ExportOptions options;
    options.format = ExportOptions::Format::CsvTables;
    options.registerIdentity = RegisterIdentity::of(*reg.file());
    const QString path = reg.dir() + "/list.csv";
    const std::vector<qint64> keys = [&] {
        std::vector<qint64> all;
        for (const QString &key : reg.sql().column("SELECT RowId FROM Brewery ORDER BY RowId"))
            all.push_back(key.toLongLong());
        return all;
    }();
    ExportRegister(*reg.file(), keys, path, options);
    return ExportSheets::tableFile(path, ExportSheets::Breweries);
}

// Rewrites table `sheet` of the export at `dir` as `pattern` and
// `replacement` say, every line of it; a replacement of "-" removes it.
void edit(const QString &dir, const QString &sheet, const QString &pattern, const QString &replacement)
{
    const QString path = dir + "/list-" + sheet + ".csv";
    if (replacement == "-") {
        QVERIFY(QFile::remove(path));
        return;
    }
    QString text = QString::fromUtf8(bytesOf(path));
    const QRegularExpression expression(pattern, QRegularExpression::MultilineOption);
    QVERIFY2(expression.match(text).hasMatch(), qPrintable(pattern));
    text.replace(expression, replacement);
    writeBytes(path, text.toUtf8());
}

QString correct(ScratchRegister &reg, const QString &path, bool deleteMissing = false)
{
    return ImportCorrections(path, reg.path(), deleteMissing, false);
}

} // namespace

class TestCorrections : public QObject {
    Q_OBJECT

private slots:
    // A cell counts as corrected when the file's value differs from the one
    // exported, Null apart from an empty text; it is trimmed as a grid edit
    // trims, and what the register holds stays as it is when untouched.
    void whichCellsCountAsChanged_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("since");
        QTest::addColumn<QString>("inFile");
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("conflict");
        QTest::newRow("Null becomes an empty text") << "NULL" << "" << "\"\"" << "''" << false;
        QTest::newRow("an empty text becomes Null") << "''" << "" << "" << "NULL" << false;
        QTest::newRow("a blank added is trimmed away") << "'Bamberg'" << "" << "Bamberg " << "'Bamberg'" << false;
        QTest::newRow("a new value is trimmed") << "'Bamberg'" << "" << "\" Hallstadt \"" << "'Hallstadt'" << false;
        QTest::newRow("only blanks are an empty text") << "'Bamberg'" << "" << "\"  \"" << "''" << false;
        QTest::newRow("untouched blanks stay") << "'Bamberg '" << "" << "\"Bamberg \"" << "'Bamberg '" << false;
        QTest::newRow("a number corrected") << "'1850'" << "" << "1851" << "'1851'" << false;
        QTest::newRow("case counts") << "'bamberg'" << "" << "Bamberg" << "'Bamberg'" << false;
        QTest::newRow("the register's change since stays") << "'Bamberg'" << "'Gaustadt'" << "Bamberg" << "'Gaustadt'" << false;
        QTest::newRow("both changed: the register's kept") << "'Bamberg'" << "'Gaustadt'" << "Hallstadt" << "'Gaustadt'" << true;
        QTest::newRow("both changed alike") << "'Bamberg'" << "'Hallstadt'" << "Hallstadt" << "'Hallstadt'" << false;
    }
    void whichCellsCountAsChanged()
    {
        QFETCH(QString, stored);
        QFETCH(QString, since);
        QFETCH(QString, inFile);
        QFETCH(QString, after);
        QFETCH(bool, conflict);
        ScratchRegister reg;
        const qint64 key = reg.addBrewery({"BY", "Ofr", "96047", "x", "B1", "Spezial", "1536", ""});
        QVERIFY(reg.sql().exec(QString("UPDATE Brewery SET CityName = %1").arg(stored)));
        const QString path = exportTables(reg);
        if (!since.isEmpty())
            QVERIFY(reg.sql().exec(QString("UPDATE Brewery SET CityName = %1").arg(since)));
        edit(reg.dir(), "Brauereien", QString("^%1,BY,Ofr,96047,.*,B1,").arg(key), QString("%1,BY,Ofr,96047,%2,B1,").arg(key).arg(inFile));
        const QString told = correct(reg, path);
        QCOMPARE(reg.sql().column("SELECT quote(CityName) FROM Brewery"), QStringList{after});
        QCOMPARE(told.contains("conflict: Spezial (B1), ORT: the register holds \"Gaustadt\", the file \"Hallstadt\", the "
                               "export held \"Bamberg\"; the register's value kept."),
                 conflict);
        QCOMPARE(told.contains("conflict"), conflict);
    }

    // History entries carry no key in the file: those as exported keep
    // theirs wherever they stand, a changed one keeps its own, a new one is
    // added, and one the file dropped goes only when asked.
    void historyEntriesKeepTheirKeys_data()
    {
        QTest::addColumn<bool>("deleteMissing");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("kept") << false << QStringList{"1|'Müller-Bräu'", "2|'Brauerei Müller'", "3|'Müller & Söhne'", "4|'Müller KG'"};
        QTest::newRow("deleted") << true << QStringList{"1|'Müller-Bräu'", "2|'Brauerei Müller'", "4|'Müller KG'"};
    }
    void historyEntriesKeepTheirKeys()
    {
        QFETCH(bool, deleteMissing);
        QFETCH(QStringList, entries);
        ScratchRegister reg;
        const qint64 key = reg.addBrewery({"BY", "Ofr", "96047", "Bamberg", "B1", "Brauerei Müller", "1850", ""});
        reg.addChronik(key, {"Müller-Bräu", "B1-1", "Müller", "1850", "1900"});
        reg.addChronik(key, {"Brauerei Mueller", "B1-2", "Müller", "1900", ""});
        reg.addChronik(key, {"Müller & Söhne", "B1-3", "Müller", "1950", ""});
        const QString path = exportTables(reg);
        // Sorted the other way round, one corrected, one dropped, one new.
        writeBytes(reg.dir() + "/list-Chronik.csv",
                   QString("ParentRowId,Brauerei ID,BRAUEREI (Komplete),ID,BRAUEREI (Kürtz),*Jahr,+Jahr\r\n"
                           "%1,B1,Müller KG,B1-4,Müller,1990,\r\n"
                           "%1,B1,Brauerei Müller,B1-2,Müller,1900,\r\n"
                           "%1,B1,Müller-Bräu,B1-1,Müller,1850,1900\r\n")
                       .arg(key)
                       .toUtf8());
        correct(reg, path, deleteMissing);
        QCOMPARE(reg.sql().column("SELECT ChronikId || '|' || quote(BreweryNameLong) FROM BreweryChronik ORDER BY ChronikId"),
                 entries);
    }

    // A brewery the file adds gets a key of the register's, never the one
    // the file gave it, and its history entries follow it there.
    void aBreweryAddedWithItsHistory()
    {
        ScratchRegister reg;
        const qint64 held = reg.addBrewery({"BY", "Ofr", "96047", "Bamberg", "B1", "Spezial", "1536", ""});
        QVERIFY(reg.sql().exec("DELETE FROM Brewery WHERE RowId = " + QString::number(reg.addBrewery({"BY"}))));
        const QString path = exportTables(reg);
        edit(reg.dir(), "Brauereien", "\\z", "5,BY,Ofr,96450,Coburg,C1,Hofbräu,1850,\r\n,BY,Ofr,96450,Coburg,C2,Neu,1990,\r\n");
        edit(reg.dir(), "Chronik", "\\z", QString("5,C1,Hofbräuhaus Coburg,C1-1,Hofbräu,1850,\r\n%1,B1,Spezial,B1-1,Spezial,1536,\r\n").arg(held));
        QCOMPARE(correct(reg, path), "Corrections from list-Brauereien.csv, list-Chronik.csv and list-Stand.csv: 2 "
                                     "breweries and 2 history entries added");
        QCOMPARE(reg.sql().rows("SELECT b.RowId, b.IdCode, c.BreweryNameLong FROM Brewery b LEFT JOIN BreweryChronik c "
                                "ON c.ParentRowId = b.RowId ORDER BY b.RowId"),
                 QList<QStringList>({{QString::number(held), "B1", "Spezial"},
                                     {QString::number(held + 2), "C1", "Hofbräuhaus Coburg"},
                                     {QString::number(held + 3), "C2", "<null>"}}));
    }

    // A register made before registers had an identity gets one when a
    // window opens it for writing, and none from a window that only reads.
    void anOldRegisterGetsItsIdentity_data()
    {
        QTest::addColumn<bool>("lockedElsewhere");
        QTest::addRow("opened for writing") << false;
        QTest::addRow("opened read-only") << true;
    }
    void anOldRegisterGetsItsIdentity()
    {
        QFETCH(bool, lockedElsewhere);
        ScratchRegister reg;
        QVERIFY(!RegisterIdentity::of(*reg.file()).isEmpty());
        QVERIFY(reg.sql().exec("PRAGMA user_version = 0"));
        const std::unique_ptr<RegisterLock> other = lockedElsewhere ? RegisterLock::tryTake(reg.path()) : nullptr;
        Register window(reg.path());
        window.open();
        QCOMPARE(window.holdsLock(), !lockedElsewhere);
        QCOMPARE(RegisterIdentity::of(*reg.file()).isEmpty(), lockedElsewhere);
    }

    // A file that cannot be read as corrections of this register is
    // refused where its fault stands, and the register is not touched.
    void refusedFiles_data()
    {
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("another register") << "Stand" << "^Sudregister,register \\d+," << "Sudregister,register 7,"
                                          << "list-Brauereien.csv, list-Chronik.csv and list-Stand.csv was exported "
                                             "from another register (register 7), not from ";
        QTest::newRow("no stamps") << "Stand" << "" << "-" << "list-Brauereien.csv and list-Chronik.csv does not say "
                                                               "which register it was exported from";
        QTest::newRow("no keys") << "Brauereien" << "^[^,]*," << ""
                                 << "list-Brauereien.csv: the rows carry no key (RowId)";
        QTest::newRow("a key twice") << "Brauereien" << "^(2,[^\\r\\n]*\\r\\n)" << "\\1\\1"
                                     << "list-Brauereien.csv, row 4, column A: RowId 2 stands for the brewery of row 3 already.";
        QTest::newRow("a key no number") << "Brauereien" << "^2," << "zwei,"
                                         << "list-Brauereien.csv, row 3, column A: the key \"zwei\" is no whole number.";
        QTest::newRow("an entry moved to a brewery not in the file")
            << "Chronik" << "^1," << "99,"
            << "list-Chronik.csv, row 2, column A: its brewery, RowId 99, is not among the file's breweries.";
        QTest::newRow("damaged stamps") << "Stand" << "^B,1," << "X,1,"
                                        << "list-Stand.csv, row 2: the export's stamps are damaged";
        QTest::newRow("a value beside the captions") << "Brauereien" << "^(1,.*)\\r$" << "\\1,Nachtrag\r"
                                                     << "list-Brauereien.csv, row 2, column J: \"Nachtrag\" stands in a "
                                                        "column without a caption of the register.";
    }
    void refusedFiles()
    {
        QFETCH(QString, sheet);
        QFETCH(QString, pattern);
        QFETCH(QString, replacement);
        QFETCH(QString, refusal);
        ScratchRegister reg;
        const qint64 first = reg.addBrewery({"BY", "Ofr", "96047", "Bamberg", "B1", "Spezial", "1536", ""});
        reg.addBrewery({"BY", "Ofr", "96450", "Coburg", "C1", "Hofbräu", "1850", ""});
        reg.addChronik(first, {"Spezial-Bräu", "B1-1", "Spezial", "1536", ""});
        const QString path = exportTables(reg);
        // Every value changed, so that anything written would show.
        edit(reg.dir(), "Brauereien", "Ofr", "Oberfranken");
        edit(reg.dir(), sheet, pattern, replacement);
        const QByteArray before = bytesOf(reg.path());
        QString refused;
        try {
            ImportCorrections(path, reg.path(), true, true);
        } catch (const ImportRefused &e) {
            refused = e.message();
        }
        QVERIFY2(refused.startsWith(refusal), qPrintable(refused));
        QCOMPARE(bytesOf(reg.path()), before);
    }
};

QTEST_GUILESS_MAIN(TestCorrections)
#include "tst_corrections.moc"
