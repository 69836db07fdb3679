#include "BreweryTexts.h"
#include "FileBytes.h"
#include "ReportLineDelegate.h"
#include "ScriptedMessageBoxes.h"
#include "clsBrewery.h"
#include "SudregisterReport.h"
#include "Windows1252.h"

#include <QDir>
#include <QFile>
#include <QListView>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

namespace {

const QDateTime Moment(QDate(2010, 12, 7), QTime(9, 5, 3));

QStringList reportOf(const std::vector<std::shared_ptr<clsBrewery>> &breweries)
{
    QTemporaryDir dir;
    SudregisterReport report(dir.path(), std::make_shared<ScriptedMessageBoxes>());
    report.setBreweries(breweries);
    return report.lines();
}

// Breweries whose only text is their StateName.
std::vector<std::shared_ptr<clsBrewery>> named(const QStringList &states)
{
    std::vector<std::shared_ptr<clsBrewery>> out;
    for (const QString &state : states)
        out.push_back(brewery({state}));
    return out;
}

} // namespace

class TestReport : public QObject {
    Q_OBJECT

private slots:
    void lines_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QList<QStringList>>("entries");
        QTest::addColumn<QStringList>("lines");
        QTest::addRow("all empty") << QStringList() << QList<QStringList>{{}} << QStringList{"\t\t\t\t\t\t\t", "\t\t\t\t\t\t\t\t"};
        QTest::addRow("empty StopYear ends in a tab")
            << QStringList{"BY", "Ofr", "96047", "Bamberg", "B1", "Spezial", "1536", ""} << QList<QStringList>()
            << QStringList{"BY\tOfr\t96047\tBamberg\tB1\tSpezial\t1536\t"};
        QTest::addRow("values unquoted and untrimmed")
            << QStringList{" BY", "\"Ofr\"", "", "", "", "", "", "x "} << QList<QStringList>()
            << QStringList{" BY\t\"Ofr\"\t\t\t\t\t\tx "};
        QTest::addRow("a tab inside a value becomes a blank")
            << QStringList{"BY", "Ober\tfranken", "", "", "", "", "", "2000"} << QList<QStringList>()
            << QStringList{"BY\tOber franken\t\t\t\t\t\t2000"};
        QTest::addRow("entries follow their brewery, ordered by one pass")
            << QStringList{"BY", "", "", "Bamberg", "B1", "Spezial", "1536", "2020"}
            << QList<QStringList>{{"C", "Drei", "1900", "1950", "Dritte"}, {"B", "Zwei", "1850", "1900", "Zweite"}}
            << QStringList{"BY\t\t\tBamberg\tB1\tSpezial\t1536\t2020", "\t\t\t\tB\tZwei\t1850\t1900\tZweite",
                           "\t\t\t\tC\tDrei\t1900\t1950\tDritte"};
    }
    void lines()
    {
        QFETCH(QStringList, texts);
        QFETCH(QList<QStringList>, entries);
        QFETCH(QStringList, lines);
        QCOMPARE(reportOf({brewery(texts, entries)}), lines);
    }

    void breweriesInOrder()
    {
        const QStringList lines = reportOf({brewery({"A"}, {{"1"}, {"2"}}), brewery({"B"}), brewery({"C"}, {{"3"}})});
        QCOMPARE(lines.size(), 6);
        QVERIFY(lines[0].startsWith("A\t"));
        QVERIFY(lines[1].startsWith("\t\t\t\t1\t"));
        QVERIFY(lines[2].startsWith("\t\t\t\t2\t"));
        QVERIFY(lines[3].startsWith("B\t"));
        QVERIFY(lines[4].startsWith("C\t"));
        QVERIFY(lines[5].startsWith("\t\t\t\t3\t"));
        QCOMPARE(reportOf({}), QStringList());
    }

    void fileName()
    {
        QCOMPARE(SudregisterReport::ReportFileName(Moment), "Sudregister_2010_12_07_09_05_03.lst");
        QCOMPARE(SudregisterReport::ReportFileName(QDateTime(QDate(987, 1, 2), QTime(23, 0, 0))),
                 "Sudregister_0987_01_02_23_00_00.lst");
    }

    void windowAsDesigned()
    {
        QTemporaryDir dir;
        SudregisterReport report(dir.path(), std::make_shared<ScriptedMessageBoxes>());
        QCOMPARE(report.windowTitle(), "SudregisterReport");
        QCOMPARE(report.size(), QSize(635, 383));
        QCOMPARE(report.lstReport->geometry(), QRect(0, 0, 633, 342));
        QCOMPARE(report.cmdSaveReport->geometry(), QRect(0, 352, 121, 25));
        QCOMPARE(report.cmdSaveReport->text(), "Save Report");
        report.setBreweries({brewery({"eins"}, {{"1"}}), brewery({"zwei"})});
        QCOMPARE(report.lstReport->model()->rowCount(), 3);
        QCOMPARE(report.lstReport->model()->index(1, 0).data().toString(), "\t\t\t\t1\t\t\t\t");
        QCOMPARE(report.lstReport->model()->index(2, 0).data().toString(), "zwei\t\t\t\t\t\t\t");
    }

    // The save's notice never holds the window: a window under a modal box
    // drops the close the window manager brings, so the notice is not one.
    void closedWhileTheNoticeStands()
    {
        QTemporaryDir dir;
        SudregisterReport report(dir.path(), std::make_shared<QtMessageBoxes>(nullptr));
        report.setBreweries({brewery({"BY"})});
        report.show();
        QVERIFY(QTest::qWaitForWindowExposed(&report));
        QStringList notices;
        bool held = false;
        bool overTheReport = false;
        QTimer::singleShot(0, &report, [&] {
            for (QWidget *window : QApplication::topLevelWidgets()) {
                if (auto *box = qobject_cast<QMessageBox *>(window); box && box->isVisible()) {
                    notices << box->text();
                    overTheReport = box->parentWidget() == &report;
                }
            }
            held = QGuiApplication::modalWindow() != nullptr;
            report.windowHandle()->close();
            // A notice that waits for its OK gets it, so that the save returns.
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                box->accept();
        });
        const QString path = report.cmdSaveReport_Click();
        QTRY_VERIFY(!report.isVisible());
        QCOMPARE(notices, QStringList{"Created " + path});
        QVERIFY(!held);
        QVERIFY(overTheReport);
    }

    void savesBytesAsWritten()
    {
        QTemporaryDir dir;
        auto boxes = std::make_shared<ScriptedMessageBoxes>();
        SudregisterReport report(dir.path(), boxes);
        report.clock = [] { return Moment; };
        report.setBreweries({brewery({"BY", "Ofr", "96047", "Bamberg", "B1", "Spezial", "1536", ""},
                                     {{"B", "Fäßla €", "1", "2", "Öl"}}),
                             brewery({})});
        report.show();
        QVERIFY(QTest::qWaitForWindowExposed(&report));
        QTest::mouseClick(report.cmdSaveReport, Qt::LeftButton);

        const QString path = dir.path() + "/Sudregister_2010_12_07_09_05_03.lst";
        QCOMPARE(bytesOf(path), QByteArray("BY\tOfr\t96047\tBamberg\tB1\tSpezial\t1536\t\r\n"
                                            "\t\t\t\tB\tF\xE4\xDFla \x80\t1\t2\t\xD6l\r\n"
                                            "\t\t\t\t\t\t\t\r\n"));
        QCOMPARE(boxes->told, QStringList{"Created " + path});
        QVERIFY(boxes->failures.isEmpty());
        QVERIFY(report.isVisible()); // the window stays open after saving
    }

    // A report of several megabytes is written a block at a time; no line
    // is lost or doubled where one block ends and the next begins.
    void largeReportSavedWhole()
    {
        QTemporaryDir dir;
        SudregisterReport report(dir.path(), std::make_shared<ScriptedMessageBoxes>());
        report.clock = [] { return Moment; };
        std::vector<std::shared_ptr<clsBrewery>> many;
        for (int i = 0; i < 50000; ++i)
            many.push_back(brewery({"BY", "Oberfranken", QString::number(96000 + i), "Bamberg", "B1",
                                    QStringLiteral("Brauerei Nummer %1 Ä").arg(i)},
                                   {{QStringLiteral("E%1").arg(i), "Alt", "1600", "1700", "Alte Brauerei"}}));
        report.setBreweries(many);
        QByteArray expected;
        Windows1252Encoder encoder;
        for (const QString &line : report.lines())
            encoder.append(expected, line + "\r\n");
        QVERIFY(expected.size() > 3 * (1 << 20));
        QCOMPARE(bytesOf(report.cmdSaveReport_Click()), expected);
    }

    void replacedCharactersAreCounted()
    {
        QTemporaryDir dir;
        auto boxes = std::make_shared<ScriptedMessageBoxes>();
        SudregisterReport report(dir.path(), boxes);
        report.clock = [] { return Moment; };
        report.setBreweries({brewery({"Łódź", "→"}), brewery({"😀"})});
        const QString path = report.cmdSaveReport_Click();
        QCOMPARE(bytesOf(path), QByteArray("?\xF3\x64\x3F\t?\t\t\t\t\t\t\r\n?\t\t\t\t\t\t\t\r\n"));
        QCOMPARE(boxes->told.size(), 2);
        QVERIFY(boxes->told[1].startsWith("4 character(s)"));
        Windows1252Encoder encoder;
        QByteArray encoded;
        encoder.append(encoded, "Fäßla € ‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ");
        QCOMPARE(encoder.replaced(), 0);
        QCOMPARE(FromWindows1252(encoded), "Fäßla € ‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ");
    }

    // Far into a long report, where the lines are encoded beside the
    // window's thread, a replaced character is counted all the same.
    void replacedCharactersAreCountedThroughout()
    {
        QTemporaryDir dir;
        auto boxes = std::make_shared<ScriptedMessageBoxes>();
        SudregisterReport report(dir.path(), boxes);
        report.clock = [] { return Moment; };
        std::vector<std::shared_ptr<clsBrewery>> many;
        for (int i = 0; i < 10000; ++i)
            many.push_back(brewery({"BY", i % 5000 == 4999 ? "Łódź" : "Bamberg"}));
        report.setBreweries(many);
        report.cmdSaveReport_Click();
        QCOMPARE(boxes->told.size(), 2);
        QVERIFY2(boxes->told[1].startsWith("4 character(s)"), qPrintable(boxes->told[1]));
    }

    // Another program may have stored a tab, a line break or a NUL inside a
    // value; written raw, it would split the line when the report is read
    // back, or make the file one that no reader takes.
    void tabsAndLineBreaksInsideValuesBecomeBlanks()
    {
        QTemporaryDir dir;
        auto boxes = std::make_shared<ScriptedMessageBoxes>();
        SudregisterReport report(dir.path(), boxes);
        report.clock = [] { return Moment; };
        report.setBreweries({brewery({"BY", "Ober\tfranken", "", QString::fromUtf8("9\0" "0", 3), "", "Brau\r\nHaus"},
                                     {{"B\n1", "", "", "", "x\ry"}})});
        QCOMPARE(report.lineAt(0), "BY\tOber franken\t\t9 0\t\tBrau Haus\t\t");
        const QString path = report.cmdSaveReport_Click();
        QCOMPARE(bytesOf(path), QByteArray("BY\tOber franken\t\t9 0\t\tBrau Haus\t\t\r\n\t\t\t\tB 1\t\t\t\tx y\r\n"));
        QCOMPARE(boxes->told.size(), 2);
        QVERIFY2(boxes->told[1].startsWith("5 tab(s), line break(s) or NUL character(s)"), qPrintable(boxes->told[1]));
    }

    // Every line shows whole, its columns lined up, and the list grows with
    // the window.
    void linesShowWholeAndLinedUp()
    {
        QTemporaryDir dir;
        SudregisterReport report(dir.path(), std::make_shared<ScriptedMessageBoxes>());
        const QString longName = QString("Brauerei mit einem langen Namen ").repeated(6);
        report.setBreweries({brewery({"BY", "Oberfranken", "96047", "Bamberg", "B1", longName, "1536", ""},
                                     {{"B1-1", "Spezial", "1536", "1900", "Brauerei Spezial Christian Merz"}}),
                             brewery({"TH", "K", "99084", "Erfurt", "E22", "Braugold", "1888", "1990"})});
        report.show();
        QVERIFY(QTest::qWaitForWindowExposed(&report));
        QVERIFY(report.lstReport->horizontalScrollBar()->maximum() > 0);

        const auto *lines = qobject_cast<ReportLineDelegate *>(report.lstReport->itemDelegate());
        QVERIFY(lines);
        const QFontMetrics metrics(report.lstReport->font());
        QStyleOptionViewItem option;
        option.fontMetrics = metrics;
        QVERIFY(lines->sizeHint(option, {}).width() > metrics.horizontalAdvance(report.lineAt(0)));
        for (int row = 0; row < report.lineCount(); ++row) {
            const QStringList columns = report.lineAt(row).split('\t');
            for (int c = 1; c < columns.size(); ++c)
                QVERIFY(lines->columnStart(metrics, c) > lines->columnStart(metrics, c - 1) + metrics.horizontalAdvance(columns[c - 1]));
        }

        const QSize list = report.lstReport->size();
        report.resize(report.width() + 200, report.height() + 100);
        QCOMPARE(report.lstReport->size(), list + QSize(200, 100));
        QVERIFY(report.cmdSaveReport->y() > report.lstReport->geometry().bottom());
    }

    // A value of millions of characters is drawn only where the list shows
    // it, however far the list is scrolled; short values are drawn whole.
    void longValuesAreDrawnWhereTheyShow_data()
    {
        QTest::addColumn<qsizetype>("length");
        QTest::addColumn<qreal>("start"); // the value's left edge, list at 0..700
        QTest::addRow("short, scrolled off") << qsizetype(200) << qreal(-5000);
        QTest::addRow("long, at its start") << qsizetype(3000000) << qreal(120);
        QTest::addRow("long, scrolled to its middle") << qsizetype(3000000) << qreal(-10500000);
        QTest::addRow("long, scrolled to its end") << qsizetype(3000000) << qreal(-20999500);
        QTest::addRow("long, scrolled past it") << qsizetype(3000000) << qreal(-30000000);
    }
    void longValuesAreDrawnWhereTheyShow()
    {
        QFETCH(qsizetype, length);
        QFETCH(qreal, start);
        const qreal advance = 7.2, left = 0, right = 700;
        const auto part = ReportLineDelegate::shownPart(length, advance, start, left, right);
        if (length <= ReportLineDelegate::DrawnWhole) {
            QCOMPARE(part.from, 0);
            QCOMPARE(part.length, length);
            return;
        }
        QVERIFY(part.from >= 0 && part.from + part.length <= length);
        QVERIFY(part.length <= qsizetype((right - left) / advance) + 4);
        // Every character that shows is drawn.
        for (qsizetype c = 0; c < length; c += 997) {
            const qreal x = start + qreal(c) * advance;
            if (x >= left && x + advance <= right)
                QVERIFY2(c >= part.from && c < part.from + part.length, qPrintable(QString::number(c)));
        }
    }

    void emptyReportGivesAnEmptyFile()
    {
        QTemporaryDir dir;
        auto boxes = std::make_shared<ScriptedMessageBoxes>();
        SudregisterReport report(dir.path(), boxes);
        report.clock = [] { return Moment; };
        // No progress window outlives the save to appear over its notice.
        boxes->whileShown = [&] { QCOMPARE(report.findChildren<QProgressDialog *>().size(), 0); };
        const QString path = report.cmdSaveReport_Click();
        QVERIFY(QFile::exists(path));
        QCOMPARE(bytesOf(path), QByteArray());
        QCOMPARE(boxes->told, QStringList{"Created " + path});
    }

    void sameSecondReplacesOtherSecondAdds()
    {
        QTemporaryDir dir;
        auto boxes = std::make_shared<ScriptedMessageBoxes>();
        SudregisterReport report(dir.path(), boxes);
        QDateTime now = Moment;
        report.clock = [&] { return now; };
        report.setBreweries(named({"erste"}));
        report.cmdSaveReport_Click();
        report.setBreweries(named({"zweite"}));
        const QString same = report.cmdSaveReport_Click();
        QCOMPARE(bytesOf(same), QByteArray("zweite\t\t\t\t\t\t\t\r\n"));
        now = now.addSecs(1);
        report.cmdSaveReport_Click();
        QCOMPARE(QDir(dir.path()).entryList({"*.lst"}).size(), 2);
        QCOMPARE(bytesOf(same), QByteArray("zweite\t\t\t\t\t\t\t\r\n"));
    }

    void unwritablePlaceGivesAMessageAndNoFile_data()
    {
        QTest::addColumn<QString>("problem");
        QTest::addRow("directory missing") << "missing";
        QTest::addRow("name taken by a directory") << "taken";
    }
    void unwritablePlaceGivesAMessageAndNoFile()
    {
        QFETCH(QString, problem);
        QTemporaryDir dir;
        QString programDir = dir.path();
        if (problem == "missing")
            programDir += "/gone";
        else
            QVERIFY(QDir(dir.path()).mkdir("Sudregister_2010_12_07_09_05_03.lst"));
        auto boxes = std::make_shared<ScriptedMessageBoxes>();
        SudregisterReport report(programDir, boxes);
        report.clock = [] { return Moment; };
        report.setBreweries(named({"eine Zeile"}));
        boxes->whileShown = [&] { QCOMPARE(report.findChildren<QProgressDialog *>().size(), 0); };
        QCOMPARE(report.cmdSaveReport_Click(), QString());
        QVERIFY(boxes->told.isEmpty());
        QCOMPARE(boxes->failures.size(), 1);
        QVERIFY(boxes->failures[0].contains(programDir + "/Sudregister_2010_12_07_09_05_03.lst"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
    }
};

QTEST_MAIN(TestReport)
#include "tst_report.moc"
