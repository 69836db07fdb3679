// The filter row: what each field reads, and the list, its count, the find
// and the Report following the filters.
#include "ExportOptions.h"
#include "FieldFilter.h"
#include "FilterHeader.h"
#include "FindFolding.h"
#include "GridDriver.h"
#include "MenuExport.h"
#include "RegisterPrinting.h"
#include "ScratchRegister.h"
#include "ShownWindow.h"
#include "SortDirection.h"
#include "SudregisterReport.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

Q_DECLARE_METATYPE(FieldFilter::Kind)

namespace {

using Kind = FieldFilter::Kind;

FilterHeader &captions(ShownWindow &win)
{
    return *static_cast<FilterHeader *>(win->grdBrauerien->horizontalHeader());
}

// Types `text` into the filter field of `column` and waits for the list.
QStringList filter(ShownWindow &win, int column, const QString &text)
{
    QLineEdit *field = captions(win).field(column);
    field->setFocus();
    field->selectAll();
    if (text.isEmpty())
        QTest::keyClick(field, Qt::Key_Delete);
    else
        QTest::keyClicks(field, text);
    win->applyFind();
    return GridDriver::columnTexts(*win->grdBrauerien, 3, win->dsBrewery->Recordset().RecordCount());
}

} // namespace

class TestFilter : public QObject {
    Q_OBJECT

private slots:
    void whatAFieldReads_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("value"); // "<null>" for Null
        QTest::addColumn<bool>("passes");
        const auto row = [](const char *name, const char *typed, Kind kind, const char *value, bool passes) {
            QTest::newRow(name) << QString::fromUtf8(typed) << kind << QString::fromUtf8(value) << passes;
        };
        row("anywhere, folded", "muench", Kind::Text, "Brauerei München", true);
        row("anywhere, not held", "bamberg", Kind::Text, "Brauerei München", false);
        row("whole value", "=Bayern", Kind::Text, "BAYERN", true);
        row("whole value, only a part", "=Bayern", Kind::Text, "Oberbayern", false);
        row("negated", "!bayern", Kind::Text, "Oberbayern", false);
        row("negated, other", "!bayern", Kind::Text, "Sachsen", true);
        row("empty: Null", "\"\"", Kind::Text, "<null>", true);
        row("empty: empty text", "\"\"", Kind::Text, "", true);
        row("empty: a value", "\"\"", Kind::Text, "x", false);
        row("any value", "*", Kind::Text, "x", true);
        row("any value: Null", "*", Kind::Text, "<null>", false);
        row("not empty, negated", "!\"\"", Kind::Text, "<null>", false);
        row("before", "<1800", Kind::Year, "1799", true);
        row("before: the year itself", "<1800", Kind::Year, "1800", false);
        row("up to", "<=1800", Kind::Year, "1800", true);
        row("after", ">1900", Kind::Year, "1900", false);
        row("from", ">=1900", Kind::Year, "1900", true);
        row("range, first year", "1850-1900", Kind::Year, "1850", true);
        row("range, last year", "1850-1900", Kind::Year, "1900", true);
        row("range, past it", "1850-1900", Kind::Year, "1901", false);
        row("one year", "1850", Kind::Year, "1850", true);
        row("about a year", "1850", Kind::Year, "um 1850", true);
        row("about a year, compared", "<1851", Kind::Year, "ca. 1850", true);
        row("year and a bit", "1850", Kind::Year, "1850/51", true);
        row("no year, year filter", "<1800", Kind::Year, "unbekannt", false);
        row("no year, negated year filter", "!<1800", Kind::Year, "unbekannt", true);
        row("no year, text filter", "unbek", Kind::Year, "unbekannt", true);
        row("Null, year filter", "<1800", Kind::Year, "<null>", false);
        row("year as text elsewhere", "1850", Kind::Text, "um 1850", true);
        row("postal prefix", "96", Kind::PostalCode, "96047", true);
        row("postal prefix, inside only", "96", Kind::PostalCode, "39604", false);
        row("postal range", "90000-96999", Kind::PostalCode, "96999", true);
        row("postal range, below", "90000-96999", Kind::PostalCode, "89999", false);
        row("postal range, not digits", "90000-96999", Kind::PostalCode, "O-9600", false);
        row("postal empty", "\"\"", Kind::PostalCode, "<null>", true);
        row("only a negation narrows nothing", "!", Kind::Text, "x", true);
    }
    void whatAFieldReads()
    {
        QFETCH(QString, typed);
        QFETCH(Kind, kind);
        QFETCH(QString, value);
        QFETCH(bool, passes);
        const QByteArray folded = value == QLatin1String("<null>") ? QByteArray() : FoldForFind(value).toUtf8();
        QCOMPARE(FieldFilter(typed, kind).passes(folded), passes);
    }

    // Two columns and the find narrow together; the count, the caption
    // marks and the Report follow; Escape and Clear Filters undo it.
    void theFilteredList()
    {
        ScratchRegister reg;
        reg.addBrewery({"BY", "Oberfranken", "96047", "Bamberg", "B1", "Spezial", "1536", ""});
        reg.addBrewery({"BY", "Oberbayern", "80335", "München", "M1", "Löwenbräu", "um 1383", ""});
        reg.addBrewery({"BY", "Oberfranken", "95444", "Bayreuth", "BT1", "Maisel", "1887", ""});
        reg.addBrewery({"TH", "", "", "Erfurt", "E1", "Braugold", "1888", "1990"});
        reg.addBrewery({"BW", "", "", "Bayerbach", "BB", "Bayer", "", ""});
        ShownWindow win(reg.dir());
        QAction *shown = win->viewActions().at(0);
        shown->trigger();
        QVERIFY(captions(win).field(0)->isVisible());

        QCOMPARE(filter(win, 0, "=by"), QStringList({"Bamberg", "Bayreuth", "München"}));
        QCOMPARE(filter(win, 6, "<1800"), QStringList({"Bamberg", "München"}));
        QVERIFY(captions(win).isMarked(0) && captions(win).isMarked(6) && !captions(win).isMarked(3));
        win->txtFind->setText("spezial");
        QCOMPARE(filter(win, 2, "96"), QStringList{"Bamberg"});
        QCOMPARE(win->lblBreweryCount->text(), "1");
        win->txtFind->clear();
        QCOMPARE(filter(win, 2, ""), QStringList({"Bamberg", "München"}));

        QStringList reported;
        QString caption;
        win->showReport = [&](SudregisterReport &report) {
            reported = report.lines();
            caption = report.windowTitle();
        };
        QTest::mouseClick(win->cmdReport, Qt::LeftButton);
        QCOMPARE(reported.size(), 2);
        QVERIFY2(reported.at(0).contains("Bamberg") && reported.at(1).contains("München"), qPrintable(reported.join('|')));
        QCOMPARE(caption, "SudregisterReport - the 2 breweries found, filtered: BL =by, *Jahr <1800");
        QCOMPARE(win->printing().listDescription(),
                 "sorted by ORT, PLZ, BRAUEREI (Kürtz), filtered: BL =by, *Jahr <1800");
        QString which;
        win->exporting().askOptions = [&](const QString &told, const ExportOptions &) {
            which = told;
            return std::optional<ExportOptions>();
        };
        win->exporting().exportList();
        QVERIFY2(which.contains("the 2 breweries the find and the filter row list (filtered: BL =by, *Jahr <1800)"),
                 qPrintable(which));
        // Turned round, the same breweries' lines in the other order.
        const QStringList ascending = reported;
        QTest::mouseClick(win->tglSort1, Qt::LeftButton);
        QTest::mouseClick(win->cmdReport, Qt::LeftButton);
        QCOMPARE(reported, QStringList({ascending.at(1), ascending.at(0)}));

        captions(win).field(6)->setFocus();
        QTest::keyClick(captions(win).field(6), Qt::Key_Escape);
        win->applyFind();
        QCOMPARE(win->dsBrewery->Recordset().RecordCount(), 3);
        QVERIFY(!captions(win).isMarked(6));
        win->viewActions().at(1)->trigger();
        win->applyFind();
        QCOMPARE(win->dsBrewery->Recordset().RecordCount(), 5);
        QVERIFY(!captions(win).isMarked(0));
        QVERIFY(win.boxes->failures.isEmpty());
    }
};

QTEST_MAIN(TestFilter)
#include "tst_filter.moc"
