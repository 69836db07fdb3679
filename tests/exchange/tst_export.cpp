#include "CalcReader.h"
#include "RegisterExport.h"
#include "RegisterFile.h"
#include "SecondConnection.h"
#include "SpreadsheetFile.h"
#include "TrickyRegister.h"
#include "ZipParts.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <unistd.h>
#include <utility>

namespace {

using Calc::Cell;
using Calc::Table;

const Cell Null = std::nullopt;

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString describe(const Table &table)
{
    QStringList rows;
    for (const auto &row : table) {
        QStringList cells;
        for (const Cell &cell : row)
            cells << (cell ? "\"" + *cell + "\"" : "<empty>");
        rows << cells.join(" | ");
    }
    return rows.join('\n');
}

} // namespace

class ExportTest : public QObject {
    Q_OBJECT

private slots:
    void csvTablesAreRfc4180()
    {
        TrickyRegister reg;
        ExportOptions options;
        options.format = ExportOptions::Format::CsvTables;
        const QString path = reg.dir() + "/out.csv";
        const ExportResult result = ExportRegister(*reg.file(), {reg.lowenbrau, reg.zywiec}, path, options);
        QCOMPARE(result.files, QStringList({reg.dir() + "/out-Brauereien.csv", reg.dir() + "/out-Chronik.csv",
                                            reg.dir() + "/out-Stand.csv"}));
        QCOMPARE(result.breweries, 2);
        QCOMPARE(result.chroniks, 2);
        const QByteArray l = QByteArray::number(reg.lowenbrau), z = QByteArray::number(reg.zywiec);
        QCOMPARE(bytesOf(result.files[0]),
                 "RowId,BL,Reg Be,PLZ,ORT,ID,BRAUEREI (Kürtz),*Jahr,+Jahr\r\n" + l
                     + ",BY,,\"\",München,M-1,\"Löwenbräu \"\"Zum Löwen\"\", Gaststätte\",1850?,\r\n" + z
                     + ",PL,Śląskie,34-300,Żywiec,Z-7,Browar Żywiec 🍺,1856,\"\"\r\n");
        QCOMPARE(bytesOf(result.files[1]),
                 "ParentRowId,Brauerei ID,BRAUEREI (Komplete),ID,BRAUEREI (Kürtz),*Jahr,+Jahr\r\n" + l
                     + ",M-1,\"Großbrauerei\tLöwen\nzweite Zeile\",M-1a,Plzeň,um 1850,\r\n" + l
                     + ",M-1,\"\",M-1b,\" führende Blanks\",1900,1950\r\n");
        QCOMPARE(Calc::parseCsv(bytesOf(result.files[0])), reg.breweries());
    }

    void reportShapeInTheListsOrder_data()
    {
        QTest::addColumn<bool>("forExcel");
        QTest::addRow("plain UTF-8") << false;
        QTest::addRow("for Excel") << true;
    }
    void reportShapeInTheListsOrder()
    {
        QFETCH(bool, forExcel);
        TrickyRegister reg;
        ExportOptions options;
        options.format = ExportOptions::Format::CsvReport;
        options.byteOrderMark = forExcel;
        const QString path = reg.dir() + "/report.csv";
        // The list's order, not the register's.
        ExportRegister(*reg.file(), {reg.zywiec, reg.lowenbrau}, path, options);
        const QByteArray bytes = bytesOf(path);
        QCOMPARE(bytes.startsWith("\xEF\xBB\xBF"), forExcel);
        const Table table = Calc::parseCsv(bytes);
        QCOMPARE(table.size(), 5);
        QCOMPARE(table[0], (QList<Cell>{"BL", "Reg Be", "PLZ", "ORT", "ID", "BRAUEREI (Kürtz)", "*Jahr", "+Jahr",
                                        "BRAUEREI (Komplete)"}));
        QCOMPARE(table[1].value(3), Cell("Żywiec"));
        QCOMPARE(table[2].value(3), Cell("München"));
        QCOMPARE(table[3], (QList<Cell>{Null, Null, Null, Null, "M-1a", "Plzeň", "um 1850", Null,
                                        "Großbrauerei\tLöwen\nzweite Zeile"}));
    }

    void spreadsheetsComputeNoValue_data()
    {
        QTest::addColumn<bool>("guard");
        QTest::addRow("guarded") << true;
        QTest::addRow("raw, as asked") << false;
    }
    void spreadsheetsComputeNoValue()
    {
        QFETCH(bool, guard);
        const QStringList names{"=1+1", "+1+1", "-1+1", "@SUM(1;1)", "=HYPERLINK(\"http://example.org\";\"x\")",
                                "\t=1+1", "'=1+1", "''@x", "'plain", "plain"};
        TrickyRegister reg;
        std::vector<qint64> keys;
        for (const QString &name : names)
            keys.push_back(reg.addBrewery({"BY", "Ofr", "96047", "Bamberg", "B2", name, "1536", ""}));
        ExportOptions options;
        options.format = ExportOptions::Format::CsvReport;
        options.guardFormulas = guard;
        const QString path = reg.dir() + "/names.csv";
        ExportRegister(*reg.file(), keys, path, options);

        const Table calc = Calc::read(path);
        QCOMPARE(calc.size(), names.size() + 1);
        if (!guard) {
            QCOMPARE(calc[1].value(5), Cell("2"));
            return;
        }
        QStringList read;
        const auto file = SpreadsheetFile::open(path);
        file->readRows(0, [&read](qint64 row, const SheetRow &cells) {
            if (row > 1)
                read << cells.at(5).value_or("<empty>");
            return true;
        });
        QCOMPARE(read, names);
        // Calc shows the guard, and computes nothing; the last two need none.
        for (int i = 0; i < names.size(); ++i)
            QCOMPARE(calc[i + 1].value(5), Cell((i < names.size() - 2 ? "'" : "") + names[i]));
    }

    void calcReadsTheWorkbookCellByCell_data()
    {
        QTest::addColumn<bool>("yearsAsNumbers");
        QTest::addRow("years as text") << false;
        QTest::addRow("whole years as numbers") << true;
    }
    void calcReadsTheWorkbookCellByCell()
    {
        QFETCH(bool, yearsAsNumbers);
        TrickyRegister reg;
        ExportOptions options;
        options.yearsAsNumbers = yearsAsNumbers;
        const QString path = reg.dir() + "/register.xlsx";
        ExportRegister(*reg.file(), {reg.lowenbrau, reg.zywiec}, path, options);
        const QByteArray saved = Calc::convert(path, 1);
        const Table breweries = Calc::parseCsv(saved);
        const Table chroniks = Calc::read(path, 2);
        QVERIFY2(breweries == reg.breweries(), qPrintable(describe(breweries)));
        // Calc quotes its texts, not its numbers; "1850?" is a text always.
        QCOMPARE(saved.contains(",\"1856\","), !yearsAsNumbers);
        QVERIFY(saved.contains(",\"1850?\","));
        QVERIFY2(chroniks == reg.chroniks(), qPrintable(describe(chroniks)));
    }

    // The stamps stand out of sight, a hidden sheet of the workbook or a
    // third file beside the CSV tables: which register, then every row as
    // exported with its own key (a history entry with its brewery's too).
    void stampsStayOutOfSight_data()
    {
        QTest::addColumn<bool>("workbook");
        QTest::addRow("workbook") << true;
        QTest::addRow("CSV tables") << false;
    }
    void stampsStayOutOfSight()
    {
        QFETCH(bool, workbook);
        TrickyRegister reg;
        ExportOptions options;
        options.format = workbook ? ExportOptions::Format::Xlsx : ExportOptions::Format::CsvTables;
        options.registerIdentity = "register 42";
        const QString path = reg.dir() + (workbook ? "/list.xlsx" : "/list.csv");
        ExportRegister(*reg.file(), {reg.zywiec, reg.lowenbrau}, path, options);
        const auto file = SpreadsheetFile::open(workbook ? path : ExportSheets::tableFile(path, ExportSheets::Stamps));
        if (workbook) {
            QCOMPARE(file->sheetNames(), QStringList({"Brauereien", "Chronik", "Stand"}));
            const ZipParts parts(bytesOf(path), [](const QString &why) { QFAIL(qPrintable(why)); });
            QVERIFY(QString::fromUtf8(parts.part("xl/workbook.xml")).contains(QRegularExpression("<sheet name=\"Stand\"[^>]* state=\"hidden\"")));
        }
        QList<QStringList> rows;
        file->readRows(workbook ? 2 : 0, [&](qint64, const SheetRow &cells) {
            QStringList row;
            for (const SheetCell &cell : cells)
                row << cell.value_or("<null>");
            rows << row;
            return true;
        });
        QCOMPARE(rows.size(), 5);
        QCOMPARE(rows[0].mid(0, 2), QStringList({"Sudregister", "register 42"}));
        QCOMPARE(rows[1], QStringList({"B", QString::number(reg.zywiec), "<null>", "PL", "Śląskie", "34-300", "Żywiec",
                                       "Z-7", "Browar Żywiec 🍺", "1856", ""}));
        const QStringList entries = reg.sql().column("SELECT ChronikId FROM BreweryChronik ORDER BY ChronikId");
        QCOMPARE(rows[3].mid(0, 4), QStringList({"C", entries[0], QString::number(reg.lowenbrau), "M-1a"}));
        QCOMPARE(rows[4].mid(0, 4), QStringList({"C", entries[1], QString::number(reg.lowenbrau), "M-1b"}));
    }

    // Text spelt as the workbook's escape of a character is read back as
    // it was written, by Calc as by any reader that follows the format.
    void textLikeAnEscapeStaysText()
    {
        ScratchRegister reg;
        const QStringList texts{"_x0041_", "Kürzel_x00DF_", "_x0041_x0042_", "a_x005f_b", "_x12_", "_x00041_", "_xZZZZ_"};
        std::vector<qint64> keys;
        for (const QString &text : texts)
            keys.push_back(reg.addBrewery({"BY", "", "", "Bamberg", "", text, "", ""}));
        const QString path = reg.dir() + "/escapes.xlsx";
        ExportRegister(*reg.file(), keys, path, ExportOptions());
        const Table read = Calc::read(path, 1);
        QStringList names;
        for (qsizetype row = 1; row < read.size(); ++row)
            names << read[row].value(6).value_or("<empty>");
        QCOMPARE(names, texts);
    }

    void calcReadsTheCsvTables()
    {
        TrickyRegister reg;
        ExportOptions options;
        options.format = ExportOptions::Format::CsvTables;
        const ExportResult result = ExportRegister(*reg.file(), {reg.lowenbrau, reg.zywiec}, reg.dir() + "/t.csv", options);
        // Calc keeps no empty text in a CSV it reads: an empty cell is as
        // near as it comes.
        const auto blanked = [](Table table) {
            for (auto &row : table)
                for (Cell &cell : row)
                    if (cell && cell->isEmpty())
                        cell = Null;
            return table;
        };
        QCOMPARE(blanked(Calc::read(result.files[0])), blanked(reg.breweries()));
        QCOMPARE(blanked(Calc::read(result.files[1])), blanked(reg.chroniks()));
    }

    // A write another program makes while the export reads is in it whole:
    // the brewery's new name with its new entry, never one without the other.
    void aWriteMeanwhileIsInTheExportWhole()
    {
        TrickyRegister reg;
        SecondConnection other(reg.file()->path());
        const QString z = QString::number(reg.zywiec);
        bool written = false, stored = false;
        ExportOptions options;
        options.format = ExportOptions::Format::CsvTables;
        const ExportResult result =
            ExportRegister(*reg.file(), {reg.lowenbrau, reg.zywiec}, reg.dir() + "/out.csv", options, [&](qint64, qint64) {
                if (!std::exchange(written, true)) {
                    stored = other.exec("BEGIN; UPDATE Brewery SET BreweryName = 'Neuer Name' WHERE RowId = " + z
                                        + "; INSERT INTO BreweryChronik (ParentRowId, IdCode) VALUES (" + z
                                        + ", 'Z-7n'); COMMIT");
                }
                return true;
            });
        QVERIFY(stored);
        const bool renamed = bytesOf(result.files[0]).contains("Neuer Name");
        QCOMPARE(bytesOf(result.files[1]).contains("Z-7n"), renamed);
        QCOMPARE(result.chroniks, renamed ? 3 : 2);
    }

    void cancelledOrFailedExportLeavesNothing_data()
    {
        QTest::addColumn<ExportOptions::Format>("format");
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("stopAt");
        QTest::addRow("workbook") << ExportOptions::Format::Xlsx << "x.xlsx" << qint64(300);
        QTest::addRow("two CSV tables") << ExportOptions::Format::CsvTables << "x.csv" << qint64(300);
        QTest::addRow("two CSV tables, while reading") << ExportOptions::Format::CsvTables << "x.csv" << qint64(0);
        QTest::addRow("report CSV") << ExportOptions::Format::CsvReport << "x.csv" << qint64(300);
    }
    void cancelledOrFailedExportLeavesNothing()
    {
        QFETCH(ExportOptions::Format, format);
        QFETCH(QString, name);
        QFETCH(qint64, stopAt);
        TrickyRegister reg;
        std::vector<qint64> keys;
        for (int i = 0; i < 600; ++i)
            keys.push_back(reg.addCity(QStringLiteral("City %1").arg(i)));
        const QStringList before = QDir(reg.dir()).entryList(QDir::Files);
        ExportOptions options;
        options.format = format;
        const ExportResult result =
            ExportRegister(*reg.file(), keys, reg.dir() + "/" + name, options, [&](qint64 done, qint64) { return done < stopAt; });
        QVERIFY(result.cancelled);
        QCOMPARE(QDir(reg.dir()).entryList(QDir::Files), before);

        // A value longer than a workbook's cell holds, or more breweries than
        // a sheet's rows: said, and nothing written. What an export killed
        // while writing left goes; a part of a running process stays.
        if (format != ExportOptions::Format::Xlsx)
            return;
        const auto leave = [&](const QString &part) {
            QFile file(reg.dir() + "/" + name + part);
            return file.open(QIODevice::WriteOnly) && file.write("left") == 4;
        };
        QVERIFY(leave(".part-1"));
        const QStringList kept = QDir(reg.dir()).entryList(QDir::Files);
        QVERIFY(leave(".part-2000000000"));
        try {
            ExportRegister(*reg.file(), std::vector<qint64>(1048576, reg.lowenbrau), reg.dir() + "/" + name, options);
            QFAIL("1,048,576 breweries went into a sheet of 1,048,575 rows below its captions");
        } catch (const ExportFailed &failed) {
            QVERIFY2(failed.message.contains("1048576 breweries"), qPrintable(failed.message));
        }
        const qint64 huge = reg.addBrewery({"BY", "", "", "Lang", "L-1", QString(40000, 'x')});
        try {
            ExportRegister(*reg.file(), {reg.lowenbrau, huge}, reg.dir() + "/" + name, options);
            QFAIL("a value of 40,000 characters went into a cell");
        } catch (const ExportFailed &failed) {
            QVERIFY2(failed.message.contains(QStringLiteral("brewery %1").arg(huge)), qPrintable(failed.message));
        }
        QCOMPARE(QDir(reg.dir()).entryList(QDir::Files), kept);
    }

    // An export never replaces the register it reads, whatever name or
    // link leads to it.
    void neverWritesOverTheRegister_data()
    {
        QTest::addColumn<ExportOptions::Format>("format");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("leadsThere");
        QTest::addRow("workbook under the register's name") << ExportOptions::Format::Xlsx << "Sudregister2K.mdb" << "";
        QTest::addRow("report CSV, a hard link") << ExportOptions::Format::CsvReport << "x.csv" << "hard";
        QTest::addRow("a CSV table, a symbolic link") << ExportOptions::Format::CsvTables << "x-Chronik.csv" << "soft";
    }
    void neverWritesOverTheRegister()
    {
        QFETCH(ExportOptions::Format, format);
        QFETCH(QString, name);
        QFETCH(QString, leadsThere);
        TrickyRegister reg;
        const QString target = reg.dir() + "/" + name;
        if (leadsThere == "hard")
            QCOMPARE(::link(QFile::encodeName(reg.path()).constData(), QFile::encodeName(target).constData()), 0);
        else if (leadsThere == "soft")
            QVERIFY(QFile::link(reg.path(), target));
        const QByteArray before = bytesOf(reg.path());
        ExportOptions options;
        options.format = format;
        try {
            ExportRegister(*reg.file(), {reg.lowenbrau}, format == ExportOptions::Format::CsvTables ? reg.dir() + "/x.csv" : target,
                           options);
            QFAIL("the register was written over");
        } catch (const ExportFailed &failed) {
            QVERIFY2(failed.message.contains("is the register itself"), qPrintable(failed.message));
        }
        QCOMPARE(bytesOf(reg.path()), before);
    }

    void commandLineWritesTheRegisterInTheListsOrder()
    {
        TrickyRegister reg;
        QProcess program;
        program.start(EXPORT_PROGRAM, {"--register", reg.path(), reg.dir() + "/out.xlsx"});
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(program.readAllStandardOutput()).trimmed(),
                 "Wrote 2 breweries and 2 history entries to " + reg.dir() + "/out.xlsx");
        // By city: München before Żywiec.
        QCOMPARE(Calc::read(reg.dir() + "/out.xlsx"), reg.breweries());

        program.start(EXPORT_PROGRAM, {"--register", reg.dir() + "/missing.mdb", reg.dir() + "/out.csv"});
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitCode(), 1);
        QVERIFY(!QFile::exists(reg.dir() + "/missing.mdb"));
    }
};

QTEST_MAIN(ExportTest)
#include "tst_export.moc"
