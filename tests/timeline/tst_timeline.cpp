// The timeline: which year a field names, the breweries in operation per
// year and state, what is left out, and the saved pictures.
#include "RegisterGenerator.h"
#include "DocumentPrinting.h"
#include "PdfText.h"
#include "ScratchRegister.h"
#include "ShownWindow.h"
#include "SudregisterTimeline.h"
#include "TimelinePalette.h"

#include <QChartView>
#include <QProcess>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSvgRenderer>
#include <QTest>
#include <QValueAxis>
#include <cmath>
#include <QToolTip>
#include <array>
#include <cmath>

namespace {

// The timeline the window charts for its listed breweries.
TimelineCounts chartedBy(Sudregister &window)
{
    TimelineCounts counts;
    window.showTimeline = [&](SudregisterTimeline &shown) { counts = shown.counts(); };
    QTest::mouseClick(window.cmdTimeline, Qt::LeftButton);
    return counts;
}

// The CIE 1976 distance of two colours (ΔE): about 2 is just noticeable,
// beyond 40 two colours are told apart at a glance.
double distance(const QColor &a, const QColor &b)
{
    const auto lab = [](const QColor &c) {
        const auto linear = [](double u) { return u > 0.04045 ? std::pow((u + 0.055) / 1.055, 2.4) : u / 12.92; };
        const double r = linear(c.redF()), g = linear(c.greenF()), bl = linear(c.blueF());
        const auto f = [](double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116; };
        const double x = f((0.4124 * r + 0.3576 * g + 0.1805 * bl) / 0.95047);
        const double y = f(0.2126 * r + 0.7152 * g + 0.0722 * bl);
        const double z = f((0.0193 * r + 0.1192 * g + 0.9505 * bl) / 1.08883);
        return std::array<double, 3>{116 * y - 16, 500 * (x - y), 200 * (y - z)};
    };
    const auto p = lab(a), q = lab(b);
    return std::hypot(p[0] - q[0], p[1] - q[1], p[2] - q[2]);
}

} // namespace

class TestTimeline : public QObject {
    Q_OBJECT

private slots:
    void yearOfAField_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("year"); // 0: none
        QTest::addRow("plain") << "1850" << 1850;
        QTest::addRow("about") << "um 1850" << 1850;
        QTest::addRow("doubtful") << "1850?" << 1850;
        QTest::addRow("three digits") << "ca. 985" << 985;
        QTest::addRow("century") << "18. Jh." << 0;
        QTest::addRow("first of two") << "1850-1870" << 1850;
        QTest::addRow("five digits are no year") << "12345" << 0;
        QTest::addRow("empty") << "" << 0;
        QTest::addRow("Null") << QString() << 0;
    }
    void yearOfAField()
    {
        QFETCH(QString, field);
        QFETCH(int, year);
        QCOMPARE(YearOf(field).value_or(0), year);
    }

    void whoIsInOperationAndWhoIsLeftOut()
    {
        const TimelineCounts counts = CountTimeline({{"BY", "1850", "1852"},
                                                     {"BY", "um 1851", ""},
                                                     {"", "1852?", "1851"},
                                                     {"TH", "18. Jh.", "1900"},
                                                     {"", "1850", "1850"}},
                                                    1853);
        QCOMPARE(counts.charted, 3);
        QCOMPARE(counts.noStartYear, 1);
        QCOMPARE(counts.stopBeforeStart, 1);
        QCOMPARE(counts.states, QStringList({"(none)", "BY"}));
        QCOMPARE(counts.firstYear, 1850);
        QCOMPARE(counts.lastYear, 1853);
        QList<int> by, none;
        for (int year = 1849; year <= 1854; ++year) {
            by << counts.count(1, year);
            none << counts.count(0, year);
        }
        QCOMPARE(by, QList<int>({0, 1, 2, 2, 1, 0}));
        QCOMPARE(none, QList<int>({0, 1, 0, 0, 0, 0}));
    }

    // The window charts what the brewery list shows, read afresh; checked
    // against a count made here by brute force.
    void chartOfAGeneratedRegister()
    {
        QTemporaryDir dir;
        GenerateRegister(DatabasePath(dir.path()), 400, 5);
        SecondConnection sql(DatabasePath(dir.path()));
        ShownWindow win(dir.path());
        QVERIFY(sql.exec("UPDATE Brewery SET StartYear = 'unbekannt' WHERE RowId % 50 = 0"));
        const TimelineCounts counts = chartedBy(*win.w);

        const int now = QDate::currentDate().year();
        QMap<QString, QMap<int, int>> expected;
        int leftOut = 0;
        for (const QStringList &row : sql.rows("SELECT coalesce(StateName, ''), StartYear, StopYear FROM Brewery")) {
            const QRegularExpression year("(?<![0-9])([0-9]{3,4})(?![0-9])");
            const auto start = year.match(row[1]);
            const auto stop = year.match(row[2]);
            const int to = stop.hasMatch() ? stop.captured(1).toInt() : now;
            if (!start.hasMatch() || to < start.captured(1).toInt()) {
                ++leftOut;
                continue;
            }
            for (int y = start.captured(1).toInt(); y <= to; ++y)
                ++expected[row[0].isEmpty() ? "(none)" : row[0]][y];
        }
        QVERIFY(leftOut >= 8);
        QCOMPARE(counts.leftOut(), leftOut);
        QCOMPARE(counts.charted + leftOut, 400);
        QCOMPARE(counts.states.size(), expected.size());
        for (int s = 0; s < counts.states.size(); ++s) {
            for (int y = counts.firstYear - 1; y <= counts.lastYear + 1; ++y)
                QCOMPARE(counts.count(s, y), expected[counts.states[s]].value(y));
        }
    }

    // With a find in the field, the chart is of the breweries found.
    void chartOfAFoundList()
    {
        ScratchRegister reg;
        reg.addBrewery({"BY", "", "", "Bamberg", "", "Spezial", "1536", ""});
        reg.addBrewery({"TH", "", "", "Erfurt", "", "Braugold", "1888", "1990"});
        ShownWindow win(reg.dir());
        win->txtFind->setText("erfurt");
        win->applyFind();
        const TimelineCounts counts = chartedBy(*win.w);
        QCOMPARE(counts.charted, 1);
        QCOMPARE(counts.states, QStringList{"TH"});
        QCOMPARE(counts.firstYear, 1888);
        QCOMPARE(counts.lastYear, 1990);
    }

    void emptyRegisterGivesAnEmptyChart()
    {
        ScratchRegister reg;
        ShownWindow win(reg.dir());
        QString leftOut;
        win->showTimeline = [&](SudregisterTimeline &shown) {
            QCOMPARE(shown.chtTimeline->chart()->series().size(), 0);
            leftOut = shown.lblLeftOut->text();
            // Labelled in whole breweries, and no years to label.
            for (QAbstractAxis *axis : shown.chtTimeline->chart()->axes()) {
                const auto *values = qobject_cast<QValueAxis *>(axis);
                QVERIFY(values);
                if (axis->alignment() == Qt::AlignBottom) {
                    QVERIFY(!axis->labelsVisible());
                    continue;
                }
                const double step = (values->max() - values->min()) / (values->tickCount() - 1);
                QVERIFY2(step >= 1 && step == std::floor(step), qPrintable(QString::number(step)));
            }
        };
        QTest::mouseClick(win->cmdTimeline, Qt::LeftButton);
        QCOMPARE(leftOut, "0 breweries charted.");
        QVERIFY(win.boxes->failures.isEmpty());
    }

    // Neighbouring bands differ clearly, the grey of "(none)" from every
    // colour, and a state beyond the palette from the one of its colour.
    void paletteTellsNeighboursApart()
    {
        for (int i = 0; i + 1 < PaletteSize(); ++i)
            QVERIFY2(distance(PaletteColour(i), PaletteColour(i + 1)) >= 40, qPrintable(QString::number(i)));
        const QColor none = StateBrush(0, TimelineCounts::NoState).color();
        for (int i = 0; i < PaletteSize(); ++i)
            QVERIFY(distance(PaletteColour(i), none) >= 20);
        QVERIFY(StateBrush(PaletteSize(), "TH").style() != StateBrush(0, "BW").style());
    }

    void hoverNamesTheYearAndItsStates()
    {
        QTemporaryDir dir;
        SudregisterTimeline timeline(dir.path(), std::make_shared<ScriptedMessageBoxes>());
        timeline.setCounts(CountTimeline({{"BY", "1850", "1900"}, {"BY", "1860", ""}, {"TH", "1870", "1880"}}, 2026));
        timeline.show();
        QVERIFY(QTest::qWaitForWindowExposed(&timeline));
        QChart *chart = timeline.chtTimeline->chart();
        const auto at = [&](int year) {
            const QPointF scene = chart->mapToScene(chart->mapToPosition(QPointF(year, 1)));
            return timeline.describeAt(timeline.chtTimeline->mapFromScene(scene));
        };
        QCOMPARE(at(1875), "1875: 3 breweries\nBY: 2\nTH: 1");
        QCOMPARE(at(1950), "1950: 1 brewery\nBY: 1");
        QCOMPARE(timeline.describeAt(QPointF(1, 1)), QString()); // outside the plot

        // The pointer comes to rest on the chart without moving over it
        // first: the tooltip still names the year.
        const QPoint rest = timeline.chtTimeline->mapFromScene(chart->mapToScene(chart->mapToPosition(QPointF(1875, 1))));
        QHelpEvent help(QEvent::ToolTip, rest, timeline.chtTimeline->viewport()->mapToGlobal(rest));
        QCoreApplication::sendEvent(timeline.chtTimeline->viewport(), &help);
        QTRY_COMPARE(QToolTip::text(), "1875: 3 breweries\nBY: 2\nTH: 1");
        QToolTip::hideText();
    }

    void savedPictures_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addRow("PNG") << ".png";
        QTest::addRow("SVG") << ".svg";
    }
    void savedPictures()
    {
        QFETCH(QString, suffix);
        QTemporaryDir dir;
        auto boxes = std::make_shared<ScriptedMessageBoxes>();
        SudregisterTimeline timeline(dir.path(), boxes);
        timeline.setCounts(CountTimeline({{"BY", "1850", "1900"}, {"TH", "1870", ""}}, 2026));
        timeline.resize(800, 500);
        timeline.show();
        QVERIFY(QTest::qWaitForWindowExposed(&timeline));
        QString proposed;
        timeline.askWhere = [&](const QString &name) {
            proposed = name;
            return dir.filePath("chart" + suffix);
        };
        QTest::mouseClick(timeline.cmdSavePicture, Qt::LeftButton);
        QVERIFY(QFileInfo(proposed).fileName().startsWith("Sudregister_Timeline_"));
        QCOMPARE(QFileInfo(proposed).absolutePath(), QFileInfo(dir.path()).absoluteFilePath());
        QCOMPARE(boxes->told, QStringList{"Created " + dir.filePath("chart" + suffix)});
        const QSize size = timeline.chtTimeline->size();
        if (suffix == ".png") {
            const QImage image(dir.filePath("chart.png"));
            QCOMPARE(image.size(), size * timeline.chtTimeline->devicePixelRatio());
        } else {
            QSvgRenderer svg(dir.filePath("chart.svg"));
            QVERIFY(svg.isValid());
            QCOMPARE(svg.viewBox().size(), size);
        }
        // A place it cannot write (a "folder" that is a file; root may write
        // any folder): the message says why.
        QFile plain(dir.filePath("plain"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        timeline.askWhere = [&](const QString &) { return dir.filePath("plain/pic" + suffix); };
        QTest::mouseClick(timeline.cmdSavePicture, Qt::LeftButton);
        QCOMPARE(boxes->failures.size(), 1);
        QVERIFY2(boxes->failures[0].contains("plain/pic" + suffix + ": "), qPrintable(boxes->failures[0]));
        QVERIFY2(!boxes->failures[0].endsWith(": "), qPrintable(boxes->failures[0]));
    }

    void pdfIsOnePageOfLinesWithItsLegend()
    {
        QTemporaryDir dir;
        auto boxes = std::make_shared<ScriptedMessageBoxes>();
        SudregisterTimeline timeline(dir.path(), boxes);
        timeline.setCounts(CountTimeline({{"BY", "1850", "1900"}, {"TH", "1870", ""}, {"SN", "", ""}}, 2026));
        timeline.setPrinting({"Sudregister2K.mdb", "Breweries in operation", "9. Dezember 2026"}, nullptr);
        timeline.resize(800, 500);
        timeline.show();
        QVERIFY(QTest::qWaitForWindowExposed(&timeline));
        const QString path = dir.filePath("timeline.pdf");
        timeline.printing().askPdfPath = [&](const QString &) { return path; };
        QTest::mouseClick(timeline.cmdSavePdf, Qt::LeftButton);
        QCOMPARE(boxes->told, QStringList{"Created " + path});

        QCOMPARE(PdfText::pages(path), 1);
        const QString text = PdfText::words(PdfText::text(path));
        for (const char *expected : {"Sudregister2K.mdb", "9. Dezember 2026", "Year", "BY", "TH", "1850",
                                     "2 breweries charted. Left out: 1 without a start year."})
            QVERIFY2(text.contains(expected), qPrintable(QString(expected) + " is not in: " + text));
        // Drawn, not pasted in as a picture.
        QProcess images;
        images.start("pdfimages", {"-list", path});
        QVERIFY(images.waitForFinished());
        QCOMPARE(images.readAllStandardOutput().count('\n'), 2); // the list's two heading lines only
    }
};

QTEST_MAIN(TestTimeline)
#include "tst_timeline.moc"
