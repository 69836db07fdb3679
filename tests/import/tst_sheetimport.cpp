#include "CalcReader.h"
#include "FileBytes.h"
#include "RegisterExport.h"
#include "SheetImport.h"
#include "SheetLayout.h"
#include "TrickyRegister.h"
#include "XlsxBook.h"

#include <QTest>

namespace {

using Files = QMap<QString, QByteArray>;
using Rows = QList<QStringList>;

// Both tables as stored, Null apart from empty ("NULL" against "''"), each
// history entry with its brewery's place instead of its key.
Rows tablesOf(ScratchRegister &reg)
{
    return reg.sql().rows("SELECT quote(StateName), quote(CountyName), quote(PostalCode), quote(CityName), "
                          "quote(IdCode), quote(BreweryName), quote(StartYear), quote(StopYear) FROM Brewery ORDER BY RowId")
        + reg.sql().rows("SELECT (SELECT count(*) FROM Brewery b WHERE b.RowId <= c.ParentRowId), quote(BreweryNameLong), "
                         "quote(IdCode), quote(BreweryName), quote(StartYear), quote(StopYear) FROM BreweryChronik c "
                         "ORDER BY ChronikId");
}

ImportCounts importInto(ScratchRegister &target, const QStringList &paths)
{
    SheetImport import(paths);
    import.survey();
    return import.write(*target.file());
}

void writeFiles(const QString &dir, const Files &files)
{
    for (auto it = files.begin(); it != files.end(); ++it)
        writeBytes(dir + "/" + it.key(), it.value());
}

// Every sheet of a workbook, row by row.
std::vector<SheetRow> cellsOf(const QString &path)
{
    const auto file = SpreadsheetFile::open(path);
    std::vector<SheetRow> rows;
    for (int sheet = 0; sheet < file->sheetNames().size(); ++sheet)
        file->readRows(sheet, [&rows](qint64, const SheetRow &cells) {
            rows.push_back(cells);
            return true;
        });
    return rows;
}

const QString Exported = QStringLiteral("/export.");

} // namespace

class SheetImportTest : public QObject {
    Q_OBJECT

private slots:
    // Refusals name a column as a spreadsheet's captions do.
    void columnLetters_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("letters");
        QTest::addRow("first") << 0 << "A";
        QTest::addRow("last of one letter") << 25 << "Z";
        QTest::addRow("first of two") << 26 << "AA";
        QTest::addRow("AZ") << 51 << "AZ";
        QTest::addRow("last of two") << 701 << "ZZ";
        QTest::addRow("first of three") << 702 << "AAA";
    }
    void columnLetters()
    {
        QFETCH(int, column);
        QFETCH(QString, letters);
        QCOMPARE(ColumnLetters(column), letters);
    }

    // Export, import into a new register, export again: the same tables,
    // the same cells, for CSV the same bytes.
    void roundTrip_data()
    {
        QTest::addColumn<ExportOptions::Format>("format");
        QTest::addRow("workbook") << ExportOptions::Format::Xlsx;
        QTest::addRow("CSV tables") << ExportOptions::Format::CsvTables;
        QTest::addRow("CSV in the report's shape") << ExportOptions::Format::CsvReport;
    }
    void roundTrip()
    {
        QFETCH(ExportOptions::Format, format);
        TrickyRegister reg;
        ExportOptions options;
        options.format = format;
        const QString ending = format == ExportOptions::Format::Xlsx ? "xlsx" : "csv";
        const ExportResult first = ExportRegister(*reg.file(), {reg.lowenbrau, reg.zywiec}, reg.dir() + Exported + ending, options);
        ScratchRegister target;
        // One of two CSV tables brings the other.
        const ImportCounts counts = importInto(target, {first.files.first()});
        QCOMPARE(counts.breweries, 2);
        QCOMPARE(counts.chroniks, 2);
        QCOMPARE(tablesOf(target), tablesOf(reg));

        const ExportResult again = ExportRegister(*target.file(), {1, 2}, target.dir() + Exported + ending, options);
        // The stamps' first line names the moment of each export, which a
        // slow run lets fall into different seconds.
        const auto rows = [](const QString &path) {
            const QByteArray bytes = bytesOf(path);
            return bytes.startsWith("Sudregister,") ? bytes.mid(bytes.indexOf('\n')) : bytes;
        };
        for (int f = 0; f < first.files.size(); ++f) {
            if (format == ExportOptions::Format::Xlsx)
                QCOMPARE(cellsOf(again.files[f]), cellsOf(first.files[f]));
            else
                QCOMPARE(rows(again.files[f]), rows(first.files[f]));
        }
    }

    // Into a register without breweries the file's keys are kept, in any
    // order; a key the register gave before, or gave in this import to a
    // row without one, is never given twice.
    void keepsTheFilesKeys_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QStringList>("keys");
        QTest::addRow("empty register") << QString() << QStringList{"10", "3", "11", "12"};
        QTest::addRow("keys up to 10 given before")
            << "INSERT INTO Brewery (RowId, CityName) VALUES (10, 'Gone'); DELETE FROM Brewery;"
            << QStringList{"11", "12", "13", "14"};
        QTest::addRow("register holding a brewery")
            << "INSERT INTO Brewery (RowId, CityName) VALUES (1, 'Held'); " << QStringList{"1", "2", "3", "4", "5"};
    }
    void keepsTheFilesKeys()
    {
        QFETCH(QString, before);
        QFETCH(QStringList, keys);
        QTemporaryDir dir;
        writeFiles(dir.path(), {{"x-Brauereien.csv", "RowId,ORT\n10,Zeil\n3,Bamberg\n,Hof\n11,Coburg\n"},
                                {"x-Chronik.csv", "ParentRowId,BreweryName\n11,Coburger\n"}});
        ScratchRegister target;
        QVERIFY(target.sql().exec(before));
        importInto(target, {dir.filePath("x-Brauereien.csv")});
        QCOMPARE(target.sql().column("SELECT RowId FROM Brewery ORDER BY instr('Held Zeil Bamberg Hof Coburg', CityName)"),
                 keys);
        QCOMPARE(target.sql().column("SELECT b.CityName FROM BreweryChronik c JOIN Brewery b ON b.RowId = c.ParentRowId"),
                 QStringList{"Coburg"});
    }

    // A character XML cannot hold goes into the workbook as "_xHHHH_"
    // wherever it stands in the text, and comes back as it was.
    void escapedCharactersComeBack_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addRow("at the start") << QStringLiteral("\x01Spezial");
        QTest::addRow("in the middle") << QStringLiteral("Spe\x02zial");
        QTest::addRow("at the very end") << QStringLiteral("Spezial\x1f");
    }
    void escapedCharactersComeBack()
    {
        QFETCH(QString, name);
        ScratchRegister reg;
        reg.addBrewery({"BY", "Ofr", "96047", "Bamberg", "B1", name, "1536", "<null>"});
        ExportOptions options;
        options.format = ExportOptions::Format::Xlsx;
        const ExportResult written = ExportRegister(*reg.file(), {1}, reg.dir() + Exported + "xlsx", options);
        ScratchRegister target;
        importInto(target, {written.files.first()});
        QCOMPARE(target.sql().column("SELECT BreweryName FROM Brewery"), QStringList{name});
    }

    // Our workbook as Calc saves it again: shared strings, numbers, the
    // empty text kept as a formula.
    void importsWhatCalcSavesOfAnExport_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addRow("XLSX") << "xlsx";
        QTest::addRow("ODS") << "ods";
    }
    void importsWhatCalcSavesOfAnExport()
    {
        QFETCH(QString, format);
        TrickyRegister reg;
        ExportRegister(*reg.file(), {reg.lowenbrau, reg.zywiec}, reg.dir() + "/export.xlsx", ExportOptions());
        ScratchRegister target;
        importInto(target, {Calc::save(reg.dir() + "/export.xlsx", format, reg.dir() + "/calc")});
        Rows expected = tablesOf(reg);
        // Calc itself drops the tab of a text of several lines when it
        // saves ODS.
        if (format == "ods")
            expected[2][1].remove('\t');
        QCOMPARE(tablesOf(target), expected);
    }

    // A sheet of the report's columns as someone keeps it in Calc: in an
    // order of their own, with a ninth column padded and one more left
    // empty, quoted values.
    void importsWhatCalcWrites_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addRow("XLSX") << "xlsx";
        QTest::addRow("ODS") << "ods";
        QTest::addRow("CSV") << "csv";
    }
    void importsWhatCalcWrites()
    {
        QFETCH(QString, format);
        QTemporaryDir dir;
        writeFiles(dir.path(), {{"kept.csv", "ORT,bl,Reg Be,PLZ,ID,BRAUEREI (K\xc3\xbcrtz),+Jahr,*Jahr,BRAUEREI (Komplete),\r\n"
                                             "Zeil,BY,Ofr,97475,B1,\"G\xc3\xb6ller, \"\"Zum Hirschen\"\"\",,1514,,\r\n"
                                             ",,,,B1-1,G\xc3\xb6ller,1900,1514,\"Brauerei G\xc3\xb6ller\nZeil\",\r\n"
                                             ",,,,,,,,,\r\n"
                                             "Plze\xc5\x88,CZ,,,P2,Prazdroj \xf0\x9f\x8d\xba,,um 1842,,\r\n"}});
        ScratchRegister target;
        importInto(target, {Calc::save(dir.filePath("kept.csv"), format, dir.filePath(format))});
        QCOMPARE(tablesOf(target), Rows({{"'BY'", "'Ofr'", "'97475'", "'Zeil'", "'B1'", "'Göller, \"Zum Hirschen\"'", "'1514'", "NULL"},
                                         {"'CZ'", "NULL", "NULL", "'Plzeň'", "'P2'", "'Prazdroj 🍺'", "'um 1842'", "NULL"},
                                         {"1", "'Brauerei Göller\nZeil'", "'B1-1'", "'Göller'", "'1514'", "'1900'"}}));
    }

    void readsWhatHasNoHeaderAsAReport()
    {
        QTemporaryDir dir;
        writeFiles(dir.path(), {{"old.csv", "BY,Ofr,97475,Zeil,B1,G\xf6ller,1514\r\n,,,,B1-1,G\xf6ller,1514,,Brauerei\r\n"}});
        ScratchRegister target;
        importInto(target, {dir.filePath("old.csv")});
        QCOMPARE(tablesOf(target), Rows({{"'BY'", "'Ofr'", "'97475'", "'Zeil'", "'B1'", "'Göller'", "'1514'", "NULL"},
                                         {"1", "'Brauerei'", "'B1-1'", "'Göller'", "'1514'", "NULL"}}));
    }

    void findsTheBreweryOfAnEntryByItsId()
    {
        QTemporaryDir dir;
        writeFiles(dir.path(), {{"x-Brauereien.csv", "ORT,ID\nZeil,B1\nBamberg,B2\n"},
                                {"x-Chronik.csv", "Brauerei ID,BreweryName\nB2,Spezial\nB1,G\xc3\xb6ller\n"}});
        ScratchRegister target;
        importInto(target, {dir.filePath("x-Chronik.csv")});
        QCOMPARE(target.sql().rows("SELECT b.CityName, c.BreweryName FROM BreweryChronik c JOIN Brewery b "
                                   "ON b.RowId = c.ParentRowId ORDER BY c.ChronikId"),
                 Rows({{"Bamberg", "Spezial"}, {"Zeil", "Göller"}}));
    }

    // The longest value a workbook's cell holds is taken whole.
    void aValueAtTheLimitIsTaken()
    {
        QTemporaryDir dir;
        writeFiles(dir.path(), {{"list.csv", "ORT\n" + QByteArray(32767, 'x') + "\n"}});
        ScratchRegister target;
        importInto(target, {dir.filePath("list.csv")});
        QCOMPARE(target.sql().count("SELECT length(CityName) FROM Brewery"), 32767);
    }

    // A refusal names the file, sheet, row and column, and adds nothing.
    void refusesBadInput_data()
    {
        QTest::addColumn<Files>("files");
        QTest::addColumn<QString>("message");
        QTest::addRow("unknown caption") << Files{{"list.csv", "ORT,Farbe\nZeil,rot\n"}}
                                         << "list.csv, row 1, column B: \"Farbe\" is no column of the register.";
        QTest::addRow("unknown caption in a workbook")
            << Files{{"book.xlsx", {}}} << "book.xlsx, sheet Brauereien, row 1, column C: \"Farbe\" is no column";
        QTest::addRow("a column twice") << Files{{"list.csv", "ORT,PLZ,CityName\n"}} << "list.csv, row 1: columns A and C both hold";
        QTest::addRow("a value without a caption") << Files{{"list.csv", "ORT\nZeil,,rot\n"}}
                                                   << "list.csv, row 2, column C: \"rot\" stands in a column without";
        QTest::addRow("a history entry without its brewery")
            << Files{{"x-Brauereien.csv", "RowId,ORT\n1,Zeil\n"}, {"x-Chronik.csv", "ParentRowId,ID\n1,B1\n2,B2\n"}}
            << "x-Chronik.csv, row 3, column A: its brewery, RowId 2, is not among the breweries imported.";
        QTest::addRow("one brewery ID for two")
            << Files{{"x-Brauereien.csv", "ORT,ID\nZeil,B1\nBamberg,B1\n"}, {"x-Chronik.csv", "Brauerei ID,ID\nB1,B1-1\n"}}
            << "x-Chronik.csv, row 2, column A: several breweries imported have the ID \"B1\"";
        QTest::addRow("a key twice") << Files{{"list.csv", "RowId,ORT\n7,Zeil\n7,Bamberg\n"}}
                                     << "list.csv, row 3, column A: RowId 7 stands for the brewery of row 2 already.";
        QTest::addRow("a history entry first") << Files{{"list.csv", ",,,,B1-1,Göller\n"}}
                                               << "list.csv, row 1: a history entry (BL, Reg Be, PLZ and ORT empty) comes";
        QTest::addRow("a brewery with a complete name")
            << Files{{"list.csv", "BL,ORT,BRAUEREI (Komplete)\nBY,Zeil,Brauerei\n"}}
            << "list.csv, row 2, column C: this row is a brewery";
        QTest::addRow("a value over the register's limit")
            << Files{{"list.csv", "ORT\n" + QByteArray(32768, 'x') + "\n"}}
            << "list.csv, row 2, column A: the value has 32768 characters; the register takes 32767 at most";
        QTest::addRow("not a spreadsheet") << Files{{"list.xlsx", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)}}
                                           << "list.xlsx could not be read: it is not a spreadsheet";
        QTest::addRow("no rows") << Files{{"list.csv", "\n\n"}} << "list.csv: there is nothing to import";
    }
    // Stopped half-way (a Cancel): nothing added, nothing logged, and the
    // register logs its next change as before.
    void aStoppedWriteLeavesNothing()
    {
        QTemporaryDir dir;
        QByteArray csv = "ORT,BRAUEREI (Kürtz)\r\n";
        for (int row = 0; row < 1500; ++row)
            csv += "Bamberg,Brauerei " + QByteArray::number(row) + "\r\n";
        writeFiles(dir.path(), {{"list.csv", csv}, {"one.csv", "ORT,BRAUEREI (Kürtz)\r\nBayreuth,Maisel\r\n"}});
        ScratchRegister target;
        importInto(target, {dir.filePath("one.csv")});
        const qint64 kept = target.sql().count("SELECT max(RowId) FROM Brewery");
        struct Stopped {};
        SheetImport import({dir.filePath("list.csv")});
        import.survey();
        const qint64 logged = target.sql().count("SELECT count(*) FROM SudregisterLog");
        QVERIFY_THROWS_EXCEPTION(Stopped, import.write(*target.file(), [](qint64, qint64) { throw Stopped{}; }));
        QCOMPARE(target.sql().count("SELECT count(*) FROM Brewery"), 1);
        QCOMPARE(target.sql().count("SELECT count(*) FROM SudregisterLog"), logged);
        QVERIFY(target.sql().exec("UPDATE Brewery SET BreweryName = 'Maisel Bräu' WHERE RowId = " + QString::number(kept)));
        QCOMPARE(target.sql().count("SELECT count(*) FROM SudregisterLog"), logged + 1);
    }

    void refusesBadInput()
    {
        QFETCH(Files, files);
        QFETCH(QString, message);
        QTemporaryDir dir;
        if (files.contains("book.xlsx")) {
            XlsxBook book(dir.filePath("book.xlsx"));
            book.addSheet("Brauereien", {"ORT", "PLZ", "Farbe"});
            book.close();
            files.remove("book.xlsx");
        }
        writeFiles(dir.path(), files);
        ScratchRegister target;
        QString refused;
        try {
            importInto(target, {dir.filePath(files.isEmpty() ? "book.xlsx" : files.lastKey())});
        } catch (const ImportRefused &e) {
            refused = e.message();
        }
        QVERIFY2(refused.startsWith(message), qPrintable(refused));
        QCOMPARE(target.sql().count("SELECT count(*) FROM Brewery"), 0);
    }
};

QTEST_MAIN(SheetImportTest)
#include "tst_sheetimport.moc"
