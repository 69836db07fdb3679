#include "CalcReader.h"
#include "FileBytes.h"
#include "RegisterExport.h"
#include "ScratchRegister.h"
#include "SpreadsheetFile.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Rows = std::vector<SheetRow>;

Rows rowsOf(const SpreadsheetFile &file, int sheet = 0)
{
    Rows rows;
    file.readRows(sheet, [&rows](qint64, const SheetRow &cells) {
        rows.push_back(cells);
        return true;
    });
    return rows;
}

// The rows of a file that must be read; why it could not be, otherwise.
Rows readRows(const QString &path)
{
    try {
        return rowsOf(*SpreadsheetFile::open(path));
    } catch (const ReadFailed &failed) {
        qWarning() << failed.message;
        return {};
    }
}

QStringList sheetNames(const QString &path)
{
    try {
        return SpreadsheetFile::open(path)->sheetNames();
    } catch (const ReadFailed &failed) {
        qWarning() << failed.message;
        return {};
    }
}

// The workbook at `path` with its part `part` changed by `edit`, packed
// again by the zip tool as another program would (`stored`: uncompressed).
bool rewritten(const QString &path, const QString &part, const std::function<bool(QByteArray &)> &edit, bool stored = false)
{
    QTemporaryDir unpacked;
    if (QProcess::execute(QStringLiteral("unzip"), {QStringLiteral("-q"), path, QStringLiteral("-d"), unpacked.path()}) != 0)
        return false;
    QFile file(unpacked.filePath(part));
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray content = file.readAll();
    if (!edit(content))
        return false;
    file.resize(0);
    file.write(content);
    file.close();
    QFile::remove(path);
    QProcess zip;
    zip.setWorkingDirectory(unpacked.path());
    zip.start(QStringLiteral("zip"), {QStringLiteral("-q"), stored ? QStringLiteral("-0") : QStringLiteral("-6"),
                                      QStringLiteral("-r"), QStringLiteral("-X"), path, QStringLiteral(".")});
    return zip.waitForFinished() && zip.exitCode() == 0;
}

bool rewritten(const QString &path, const QString &part, const QByteArray &from, const QByteArray &to, bool stored = false)
{
    return rewritten(path, part, [&](QByteArray &content) {
        const bool found = content.contains(from);
        content.replace(from, to);
        return found;
    }, stored);
}

} // namespace

class SpreadsheetFileTest : public QObject {
    Q_OBJECT

private slots:
    void readsWhatCalcWrites_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addRow("XLSX") << "xlsx";
        QTest::addRow("ODS") << "ods";
        QTest::addRow("CSV") << "csv";
    }
    void readsWhatCalcWrites()
    {
        QFETCH(QString, format);
        QTemporaryDir dir;
        const QString source = dir.filePath("source.csv");
        writeBytes(source, "ID,BRAUEREI (K\xc3\xbcrtz),*Jahr,\r\n"
                          "Z-7,\"Browar \xc5\xbbywiec, \"\"Pilsner\"\"\nzweite Zeile\",1856,\r\n"
                          ",,,\r\n"
                          "P-2,Plze\xc5\x88sk\xc3\xbd Prazdroj \xf0\x9f\x8d\xba,um 1842\r\n");
        const QString written = Calc::save(source, format, dir.filePath(format));
        QCOMPARE(sheetNames(written), QStringList{"source"});
        // The empty row and the empty fourth column are not handed over.
        const Rows expected = {{"ID", "BRAUEREI (Kürtz)", "*Jahr"},
                               {"Z-7", "Browar Żywiec, \"Pilsner\"\nzweite Zeile", "1856"},
                               {"P-2", "Plzeňský Prazdroj 🍺", "um 1842"}};
        QCOMPARE(readRows(written), expected);
    }

    void keepsEmptyTextApartFromAnEmptyCell_data()
    {
        QTest::addColumn<ExportOptions::Format>("format");
        QTest::addRow("workbook") << ExportOptions::Format::Xlsx;
        QTest::addRow("CSV") << ExportOptions::Format::CsvReport;
    }
    void keepsEmptyTextApartFromAnEmptyCell()
    {
        QFETCH(ExportOptions::Format, format);
        ScratchRegister reg;
        const qint64 key = reg.addBrewery({"BY", "<null>", "", "Mün\tchen\r\n\"x\""});
        ExportOptions options;
        options.format = format;
        const QString path = reg.dir() + (format == ExportOptions::Format::Xlsx ? "/x.xlsx" : "/x.csv");
        ExportRegister(*reg.file(), {key}, path, options);
        const Rows rows = readRows(path);
        const SheetRow row = rows.at(1);
        const int first = format == ExportOptions::Format::Xlsx ? 1 : 0; // the workbook begins with the key
        QCOMPARE(row.at(first), SheetCell("BY"));
        QCOMPARE(row.at(first + 1), SheetCell());
        QCOMPARE(row.at(first + 2), SheetCell(""));
        QCOMPARE(row.at(first + 3), SheetCell("Mün\tchen\r\n\"x\""));
    }

    void csvOfOtherSpreadsheets_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Rows>("expected");
        QTest::addRow("Windows-1252") << QByteArray("ORT\r\nM\xfcnchen\r\n") << Rows{{"ORT"}, {"München"}};
        QTest::addRow("a quote inside a value, CR LF") << QByteArray("ORT,+Jahr\r\nBam\"berg,\r\nHof,\r\n")
                                                      << Rows{{"ORT", "+Jahr"}, {"Bam\"berg"}, {"Hof"}};
        QTest::addRow("semicolons, commas in one line's values") << QByteArray("BY;a,b,c,d,e;1\nBW;f;2\n")
                                                                << Rows{{"BY", "a,b,c,d,e", "1"}, {"BW", "f", "2"}};
        QTest::addRow("a line of separators") << QByteArray("ORT\nHof") + QByteArray(100000, ',') + "\n"
                                             << Rows{{"ORT"}, {"Hof"}};
        QTest::addRow("semicolons, as German Excel saves") << QByteArray("\xEF\xBB\xBFORT;PLZ\n\"A;B\";01067\n")
                                                           << Rows{{"ORT", "PLZ"}, {"A;B", "01067"}};
        QTest::addRow("commas, semicolons in a value") << QByteArray("ORT,PLZ\nA;B;C,1\n") << Rows{{"ORT", "PLZ"}, {"A;B;C", "1"}};
    }
    void csvOfOtherSpreadsheets()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Rows, expected);
        QTemporaryDir dir;
        writeBytes(dir.filePath("list.csv"), bytes);
        QCOMPARE(readRows(dir.filePath("list.csv")), expected);
    }

    void refusesWhatItCannotRead_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("why");
        QTest::addRow("a picture") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << "not a spreadsheet";
        QTest::addRow("encrypted") << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(600, '\0')
                                   << "encrypted";
        QTest::addRow("cut short") << QByteArray("half") << "damaged";
        QTest::addRow("unpacks too large") << QByteArray() << "would unpack to";
        QTest::addRow("a sheet out of the workbook") << QByteArray("rels") << "points out of the workbook";
        QTest::addRow("an absurd cell address") << QByteArray("cell") << "the cell address";
        QTest::addRow("a sheet cut short, checksum made anew") << QByteArray("short") << "before its XML does";
        QTest::addRow("a byte changed, checksum kept") << QByteArray("byte") << "do not match their checksum";
        QTest::addRow("a sheet of other bytes than UTF-8") << QByteArray("utf8") << "no UTF-8";
        QTest::addRow("an ODS cell holding an entity") << QByteArray("entity") << "the entity \"xxe\" kept elsewhere";
        QTest::addRow("CSV: a quote never closed") << QByteArray("ORT\nHof\n\"Bamberg\nErlangen\n") << "in line 3 is never closed";
        QTest::addRow("CSV: UTF-8 beside Windows-1252") << QByteArray("ORT\nM\xc3\xbcnchen\nN\xfcrnberg\n")
                                                       << "line 3 holds the byte 0xFC";
        QTest::addRow("CSV: a byte Windows-1252 lacks") << QByteArray("ORT\nN\x81rnberg\n") << "line 2 holds the byte 0x81";
        QTest::addRow("CSV: a value beyond the last column") << QByteArray(16384, ',') + "x\n" << "row 1 holds a value beyond";
    }
    void refusesWhatItCannotRead()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, why);
        ScratchRegister reg;
        const qint64 key = reg.addBrewery({"BY", "Ofr", "96047", "Bamberg", "B2", "Spezial", "1536", ""});
        const QString path = reg.dir() + "/file.xlsx";
        qint64 limit = SpreadsheetFile::UnpackedLimit;
        const QString sheet = QStringLiteral("xl/worksheets/sheet1.xml");
        if (bytes == "rels" || bytes == "cell" || bytes == "short" || bytes == "byte" || bytes == "utf8") {
            ExportRegister(*reg.file(), {key}, path, ExportOptions());
            if (bytes == "rels")
                QVERIFY(rewritten(path, "xl/_rels/workbook.xml.rels", "Target=\"worksheets/sheet1.xml\"",
                                  "Target=\"../../../../etc/passwd\""));
            if (bytes == "cell")
                QVERIFY(rewritten(path, sheet, "r=\"A2\"", "r=\"MWLQKXC2\""));
            if (bytes == "short")
                QVERIFY(rewritten(path, sheet, [](QByteArray &content) {
                    content.truncate(content.indexOf("</row>") + 6);
                    return true;
                }));
            if (bytes == "utf8")
                QVERIFY(rewritten(path, sheet, "Spezial", "Spez\xC3\x28\xFC"));
            if (bytes == "byte") {
                QVERIFY(rewritten(path, sheet, "Spezial", "Spezial", true));
                QByteArray zip = bytesOf(path);
                QVERIFY(zip.contains("Spezial"));
                writeBytes(path, zip.replace("Spezial", "Spezibl"));
            }
        } else if (bytes == "entity") {
            QTemporaryDir unpacked;
            writeBytes(unpacked.filePath("content.xml"),
                       "<?xml version=\"1.0\"?><!DOCTYPE d [<!ENTITY xxe SYSTEM \"file:///etc/hostname\">]>"
                       "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                       "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
                       "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body><office:spreadsheet>"
                       "<table:table table:name=\"S\"><table:table-row><table:table-cell office:value-type=\"string\">"
                       "<text:p>&xxe;</text:p></table:table-cell></table:table-row></table:table>"
                       "</office:spreadsheet></office:body></office:document-content>");
            writeBytes(unpacked.filePath("mimetype"), "application/vnd.oasis.opendocument.spreadsheet");
            QProcess zip;
            zip.setWorkingDirectory(unpacked.path());
            zip.start("zip", {"-q", "-0", "-X", path, "mimetype", "content.xml"});
            QVERIFY(zip.waitForFinished() && zip.exitCode() == 0);
        } else if (bytes.isEmpty() || bytes == "half") {
            // A real workbook, cut in half, or read with a limit larger
            // than the file and smaller than what it unpacks to.
            ExportRegister(*reg.file(), {key}, path, ExportOptions());
            QFile workbook(path);
            QVERIFY(workbook.open(QIODevice::ReadWrite));
            if (bytes == "half")
                workbook.resize(workbook.size() / 2);
            else
                limit = workbook.size() + 100;
        } else {
            writeBytes(path, bytes);
        }
        try {
            rowsOf(*SpreadsheetFile::open(path, limit));
            QFAIL("read");
        } catch (const ReadFailed &failed) {
            QVERIFY2(failed.message.startsWith("file.xlsx could not be read: "), qPrintable(failed.message));
            QVERIFY2(failed.message.contains(why), qPrintable(failed.message));
        }
    }
};

QTEST_MAIN(SpreadsheetFileTest)
#include "tst_spreadsheetfile.moc"
