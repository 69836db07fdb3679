#include "BreweryTexts.h"
#include "GridDriver.h"
#include "ShownWindow.h"
#include "ScratchRegister.h"
#include "ScriptedMessageBoxes.h"
#include "Sudregister.h"
#include "SudregisterReport.h"
#include "clsBrewery.h"

#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTest>

namespace {

// A shown window whose Report button hands its report window to the test.
struct Window : ShownWindow {
    QList<QStringList> reports; // the lines of every report window shown
    QList<SudregisterReport *> windows;

    explicit Window(const ScratchRegister &reg) : ShownWindow(reg)
    {
        w->showReport = [this](SudregisterReport &report) {
            reports << report.lines();
            windows << &report;
            QCOMPARE(report.lstReport->model()->rowCount(), report.lines().size());
        };
    }
};

} // namespace

class TestLoading : public QObject {
    Q_OBJECT

private slots:
    // Every case runs on a register file and on a shared register.
    void initTestCase_data() { addRegisterKinds(); }

    void loadsTheRegisterInItsCurrentOrder()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        const qint64 bamberg = reg.addBrewery({"BY", "Ofr", "<null>", "Bamberg", "B1", "Spezial", "1536", "<null>"});
        const qint64 aalen = reg.addBrewery({"BW", "<null>", "73430", "Aalen", "A1", "Löwenbräu", "1900", "2000"});
        reg.addChronik(bamberg, {"Dritte", "C"});
        reg.addChronik(bamberg, {"Zweite", "B"});
        reg.addChronik(bamberg, {"<null>", "A"});
        reg.sql().exec(QStringLiteral("UPDATE Brewery SET StartYear = 1536 WHERE RowId = %1").arg(bamberg));
        Window win(reg);
        win->LoadBreweryObjects();

        const auto &breweries = win->Breweries();
        QCOMPARE(breweries.size(), size_t(2));
        QCOMPARE(texts(*breweries[0]), QStringList({"BW", "", "73430", "Aalen", "A1", "Löwenbräu", "1900", "2000"}));
        QCOMPARE(breweries[0]->NmbrChroniks(), 0);
        QCOMPARE(texts(*breweries[1]), QStringList({"BY", "Ofr", "", "Bamberg", "B1", "Spezial", "1536", ""}));
        // Returned C, B, A; one ordering pass per addition leaves B, A, C.
        QCOMPARE(breweries[1]->NmbrChroniks(), 3);
        QCOMPARE(breweries[1]->Chronik(1)->IdCode(), "B");
        QCOMPARE(breweries[1]->Chronik(2)->IdCode(), "A");
        QCOMPARE(breweries[1]->Chronik(2)->BreweryNameLong(), "");
        QCOMPARE(breweries[1]->Chronik(3)->IdCode(), "C");
        QCOMPARE(win->lblMessage->text(), "Done Loading ");
        QVERIFY(win.boxes->failures.isEmpty());
        Q_UNUSED(aalen);
    }

    // History entries stored interleaved go each to its own brewery, and
    // those of a brewery the find leaves out to none.
    void entriesFindTheirBrewery_data()
    {
        QTest::addColumn<QString>("find");
        QTest::addColumn<QStringList>("codes"); // per brewery listed, its entries' codes
        QTest::addRow("whole list") << "" << QStringList({"a1", "b1 b2", "c1"});
        QTest::addRow("narrowed by the find") << "Spezial" << QStringList({"b1 b2"});
    }
    void entriesFindTheirBrewery()
    {
        QFETCH(QString, find);
        QFETCH(QStringList, codes);
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        const qint64 a = reg.addBrewery({"BY", "", "", "Aalen", "A", "Adler"});
        const qint64 b = reg.addBrewery({"BY", "", "", "Bamberg", "B", "Spezial"});
        const qint64 c = reg.addBrewery({"BY", "", "", "Coburg", "C", "Kronen"});
        reg.addChronik(c, {"", "c1"});
        reg.addChronik(b, {"", "b1"});
        reg.addChronik(a, {"", "a1"});
        reg.addChronik(b, {"", "b2"});
        Window win(reg);
        win->txtFind->setText(find);
        win->applyFind();
        win->LoadBreweryObjects();
        QStringList loaded;
        for (const auto &brewery : win->Breweries()) {
            QStringList own;
            for (int n = 1; n <= brewery->NmbrChroniks(); ++n)
                own << brewery->Chronik(n)->IdCode();
            loaded << own.join(' ');
        }
        QCOMPARE(loaded, codes);
    }

    // Characters on both sides of the end of Latin-1, which the store keeps
    // a byte a character up to ÿ and in two bytes from Ā on, come back as
    // stored, in the objects and in the report's lines.
    void textsAroundLatin1ComeBackWhole_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addRow("ÿ, the last of Latin-1") << "Brauerei ÿ";
        QTest::addRow("Ā, the first beyond") << "Ā";
        QTest::addRow("mixed across the end") << "ÿĀÿ ſ Łódź €";
        QTest::addRow("beyond the BMP") << "Bräu 😀";
    }
    void textsAroundLatin1ComeBackWhole()
    {
        QFETCH(QString, text);
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        const qint64 brewery = reg.addBrewery({"BY", text, "", text, "", text});
        reg.addChronik(brewery, {text, text, text});
        Window win(reg);
        win->LoadBreweryObjects();
        const auto &loaded = *win->Breweries().at(0);
        QCOMPARE(loaded.CountyName(), text);
        QCOMPARE(loaded.CityName(), text);
        QCOMPARE(loaded.Chronik(1)->BreweryNameLong(), text);
        QCOMPARE(loaded.Chronik(1)->IdCode(), text);
        QString line;
        win->showReport = [&](SudregisterReport &report) { line = report.lineAt(1); };
        QTest::mouseClick(win->cmdReport, Qt::LeftButton);
        QCOMPARE(line, QStringList({"", "", "", "", text, text, "", "", text}).join('\t'));
    }

    void everyRunReplacesTheObjects()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        const qint64 id = reg.addCity("Bamberg");
        reg.addChronik(id, {"Eins", "1"});
        Window win(reg);
        win->LoadBreweryObjects();
        const auto first = win->Breweries().front();
        win->LoadBreweryObjects();
        QVERIFY(win->Breweries().front() != first);
        QCOMPARE(win->Breweries().front()->NmbrChroniks(), 1);
        QCOMPARE(first->NmbrChroniks(), 1);
    }

    void aGrownRegisterIsReadWhole()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        reg.addCity("Bamberg");
        Window win(reg);
        QCOMPARE(win->BreweryCount(), 1);
        // Added in the grid: the count shown is not updated until a reload.
        GridDriver::typeInto(*win->grdBrauerien, 1, 3, "Coburg");
        GridDriver::clickCell(*win->grdBrauerien, 0, 0);
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery"), 2);
        QCOMPARE(win->BreweryCount(), 1);
        QTest::mouseClick(win->cmdReport, Qt::LeftButton);
        QCOMPARE(win.reports.size(), 1);
        QCOMPARE(win.reports[0].size(), 2);
        QVERIFY(win.reports[0][1].contains("Coburg"));
        QCOMPARE(win->BreweryCount(), 2);
        QVERIFY(win.boxes->failures.isEmpty());
    }

    void reportButton()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        const qint64 a = reg.addBrewery({"BY", "", "1", "Aalen", "A", "Eins", "1900", "<null>"});
        reg.addBrewery({"BY", "", "2", "Bamberg", "B", "Zwei", "1901", "1999"});
        reg.addChronik(a, {"Lang", "A-1", "Kurz", "1900", "1950"});
        reg.addChronik(a, {"Länger", "A-2", "Kürzer", "1950", "<null>"});
        Window win(reg);
        QTest::mouseClick(win->cmdReport, Qt::LeftButton);
        QTest::mouseClick(win->cmdReport, Qt::LeftButton);
        const QStringList expected{"BY\t\t1\tAalen\tA\tEins\t1900\t", "\t\t\t\tA-1\tKurz\t1900\t1950\tLang",
                                   "\t\t\t\tA-2\tKürzer\t1950\t\tLänger", "BY\t\t2\tBamberg\tB\tZwei\t1901\t1999"};
        QCOMPARE(win.reports, QList<QStringList>({expected, expected}));
        QCOMPARE(win.windows.size(), 2);
    }

    // A closed report keeps nothing of the register in memory.
    void closedReportFreesItsObjects()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        reg.addChronik(reg.addCity("Aalen"), {"Lang", "A-1"});
        Window win(reg);
        std::weak_ptr<clsBrewery> reported;
        win->showReport = [&](SudregisterReport &report) {
            std::vector<std::shared_ptr<clsBrewery>> shown = report.takeBreweries();
            reported = shown.front();
            report.setBreweries(std::move(shown));
        };
        QTest::mouseClick(win->cmdReport, Qt::LeftButton);
        QVERIFY(win->Breweries().empty());
        QTRY_VERIFY(reported.expired());
    }

    void emptyRegisterReport()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        Window win(reg);
        QTest::mouseClick(win->cmdReport, Qt::LeftButton);
        QCOMPARE(win.reports, QList<QStringList>{QStringList()});
        QVERIFY(win.boxes->failures.isEmpty());
        QCOMPARE(win->lblMessage->text(), "Done Loading ");
    }

    // After a report the jump makes the first "A" city current; the history
    // grid shows that brewery's entries and a delete takes exactly those.
    void historyAfterAReport()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        const qint64 aalen = reg.addCity("Aalen");
        const qint64 zeil = reg.addCity("Zeil");
        reg.addChronik(aalen, {"Aalen alt"});
        reg.addChronik(zeil, {"Zeil alt"});
        reg.addChronik(zeil, {"Zeil neu"});
        Window win(reg);
        GridDriver::clickCell(*win->grdBrauerien, 1, 0);
        QCOMPARE(win.chronikNames(), QStringList({"Zeil alt", "Zeil neu"}));
        QTest::mouseClick(win->cmdReport, Qt::LeftButton);
        QTRY_COMPARE(win->grdBrauerien->currentIndex().row(), 0);
        QTRY_COMPARE(win.chronikNames(), QStringList{"Aalen alt"});

        win.boxes->answers << MessageBoxes::Answer::Yes;
        GridDriver::deleteRow(*win->grdBrauerien, 0);
        QCOMPARE(reg.sql().column("SELECT CityName FROM Brewery"), QStringList{"Zeil"});
        QCOMPARE(reg.sql().column("SELECT BreweryNameLong FROM BreweryChronik ORDER BY 1"), QStringList({"Zeil alt", "Zeil neu"}));
    }
};

QTEST_MAIN(TestLoading)
#include "tst_loading.moc"
