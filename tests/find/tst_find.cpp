// The find field: German-aware matching, several words, history entries,
// text that means something to SQL taken literally, and the list, count,
// message, jump list and report over what was found.
#include "BusyStep.h"
#include "FindFolding.h"
#include "GridDriver.h"
#include "ScratchRegister.h"
#include "ShownWindow.h"
#include "SudregisterReport.h"
#include "TextReplace.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

// Types into the find field and waits for the list to follow.
QStringList find(ShownWindow &win, const QString &text)
{
    win->txtFind->setText(text);
    win->applyFind();
    return GridDriver::columnTexts(*win->grdBrauerien, 3, win->dsBrewery->Recordset().RecordCount());
}

} // namespace

class TestFind : public QObject {
    Q_OBJECT

private slots:
    void germanSpellings_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        for (const char *typed : {"münchen", "munchen", "MUENCHEN", "Muenchen"}) {
            QTest::addRow("%s finds München", typed) << QString(typed) << "München";
            QTest::addRow("München finds %s", typed) << "München" << QString(typed);
        }
        QTest::addRow("strasse finds Straße") << "strasse" << "Hauptstraße";
        QTest::addRow("Straße finds strasse") << "Straße" << "Hauptstrasse";
        QTest::addRow("plzen finds Plzeň") << "plzen" << "Plzeň";
        QTest::addRow("cafe finds Café") << "cafe" << "Café Brauhaus";
        QTest::addRow("Café finds cafe") << "Café" << "cafe";
    }
    void germanSpellings()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QVERIFY2(FoldForFind(stored).contains(FoldForFind(typed)), qPrintable(FoldForFind(stored) + " / " + FoldForFind(typed)));
    }

    // Replace finds as the find folds, or exactly; the new value is trimmed
    // as a grid edit trims it. "-" stands for no change.
    void replaceInAValue_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("find");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<bool>("exact");
        QTest::addColumn<bool>("whole");
        QTest::addColumn<QString>("expected");
        QTest::addRow("folded, every place") << "Mueller & Müller" << "müller" << "Miller" << false << false
                                             << "Miller & Miller";
        QTest::addRow("folded, e of ue stays with the u") << "Bauer" << "r" << "x" << false << false << "Bauex";
        QTest::addRow("folded, an ss is no half of ß") << "Straße Strasse" << "s" << "z" << false << false
                                                       << "ztraße ztrazze";
        QTest::addRow("folded, ß as ss") << "Hauptstraße" << "strasse" << "Str." << false << false << "HauptStr.";
        QTest::addRow("exact keeps case") << "OBERBAYERN" << "Oberbayern" << "x" << true << false << "-";
        QTest::addRow("exact, blank found and trimmed away") << "Oberbayern " << "Oberbayern " << "Oberbayern"
                                                             << true << true << "Oberbayern";
        QTest::addRow("result trimmed") << "Nordrhein-Westf." << "Nordrhein-Westf." << " Nordrhein-Westfalen "
                                        << true << false << "Nordrhein-Westfalen";
        QTest::addRow("whole value, part is no match") << "Oberbayern Süd" << "oberbayern" << "x" << false << true
                                                       << "-";
        QTest::addRow("whole value, folded") << "MÜNCHEN" << "muenchen" << "München" << false << true << "München";
        QTest::addRow("whole empty finds empty") << "" << "" << "unbekannt" << false << true << "unbekannt";
        QTest::addRow("empty part finds nothing") << "Bamberg" << "" << "x" << false << false << "-";
        QTest::addRow("not there") << "Bamberg" << "Coburg" << "x" << false << false << "-";
    }
    void replaceInAValue()
    {
        QFETCH(QString, value);
        QFETCH(QString, find);
        QFETCH(QString, replacement);
        QFETCH(bool, exact);
        QFETCH(bool, whole);
        QFETCH(QString, expected);
        const std::optional<QString> replaced = TextReplace{find, replacement, exact, whole}.applied(value);
        QCOMPARE(replaced.value_or("-"), expected);
    }

    void wordsFieldsAndHistory()
    {
        ScratchRegister reg;
        reg.addBrewery({"BY", "Oberbayern", "80335", "München", "M1", "Löwenbräu", "1383", ""});
        reg.addBrewery({"BY", "Oberfranken", "96047", "Bamberg", "B1", "Spezial", "1536", ""});
        const qint64 erfurt = reg.addBrewery({"TH", "", "99084", "Erfurt", "E1", "Braugold", "1888", "1990"});
        reg.addChronik(erfurt, {"Brauerei Riebeck & Co", "E1-1", "Riebeck"});
        reg.addBrewery({"BY", "", "", "100% _x_*?'\\ Weiße", "", "", "", ""});
        ShownWindow win(reg.dir());
        QCOMPARE(find(win, "löwen munchen"), QStringList{"München"});
        QCOMPARE(find(win, "BY ober"), QStringList({"Bamberg", "München"}));
        QCOMPARE(find(win, "riebeck"), QStringList{"Erfurt"});          // only in its history
        QCOMPARE(find(win, "bamberg riebeck"), QStringList());          // every word must occur
        for (const QString &literal : {QString("100%"), QString("_x_"), QString("*?"), QString("'\\")})
            QCOMPARE(find(win, literal), QStringList{"100% _x_*?'\\ Weiße"});
        QCOMPARE(find(win, "%"), QStringList{"100% _x_*?'\\ Weiße"});
        QVERIFY(win.boxes->failures.isEmpty());
    }

    // Values shared by many breweries are kept once: each brewery still
    // finds only through its own, history entries included, also when the
    // word begins the value kept next to a found one.
    void sharedValuesStayWithTheirBreweries()
    {
        ScratchRegister reg;
        const qint64 first = reg.addBrewery({"BY", "Oberfranken", "", "Bamberg", "B1", "Hofbräu", "1600", ""});
        reg.addBrewery({"BY", "Oberfranken", "", "Coburg", "C1", "Hofbräu", "1600", ""});
        const qint64 last = reg.addBrewery({"TH", "", "", "Erfurt", "E1", "Hofbräu", "1601", ""});
        reg.addChronik(last, {"Brauhaus Rosengarten", "ros1", "Rosen"});
        reg.addChronik(first, {"Brauhaus Rosengarten", "ros2", "Rosen"});
        reg.addChronik(first, {"Brauhaus Rosengarten", "ros3", "Rosen"});
        reg.addBrewery({"", "", "", "Ahorn"});
        reg.addBrewery({"", "", "", "Horn"});
        ShownWindow win(reg.dir());
        QCOMPARE(find(win, "hofbrau 1600"), QStringList({"Bamberg", "Coburg"}));
        QCOMPARE(find(win, "rosen"), QStringList({"Bamberg", "Erfurt"}));
        for (const char *code : {"b1", "ros2", "ros3"})
            QCOMPARE(find(win, code), QStringList{"Bamberg"});
        QCOMPARE(find(win, "horn"), QStringList({"Ahorn", "Horn"}));
    }

    // Breweries whose keys have a gap, with history entries behind it: each
    // entry is found under its own brewery, not one counted off from the
    // first key.
    void historyBehindAGapInTheKeys()
    {
        ScratchRegister reg;
        const qint64 aalen = reg.addCity("Aalen");
        reg.addCity("Bamberg");
        reg.addCity("Coburg");
        QVERIFY(reg.sql().exec("INSERT INTO Brewery (RowId, CityName) VALUES (5, 'Dachau'), (6, 'Erding'), "
                               "(7, 'Forchheim'), (100, 'Hof')"));
        reg.addChronik(aalen, {"Aalener Löwen"});
        reg.addChronik(6, {"Erdinger Weißbräu"});
        reg.addChronik(5, {"Dachauer Schlossbräu"});
        reg.addChronik(7, {"Forchheimer Keller"});
        reg.addChronik(100, {"Hofer Meinel"});
        ShownWindow win(reg.dir());
        QCOMPARE(find(win, "schloss"), QStringList{"Dachau"});
        QCOMPARE(find(win, "weiss"), QStringList{"Erding"});
        QCOMPARE(find(win, "keller"), QStringList{"Forchheim"});
        QCOMPARE(find(win, "loewen"), QStringList{"Aalen"});
        QCOMPARE(find(win, "meinel"), QStringList{"Hof"});
    }

    // Another program may store any 64-bit key: the extremes and negative
    // keys are found like any other, and the filter's memory follows the
    // number of breweries, not the largest key.
    void keysAnywhereInSixtyFourBits()
    {
        ScratchRegister reg;
        reg.addCity("Bamberg");
        QVERIFY(reg.sql().exec("INSERT INTO Brewery (RowId, CityName, BreweryName) VALUES "
                               "(9223372036854775807, 'Hof', 'Spezial'), (-9223372036854775807, 'Kulmbach', 'Spezial'), "
                               "(-5, 'Coburg', 'Spezial')"));
        ShownWindow win(reg.dir());
        QCOMPARE(find(win, "spezial"), QStringList({"Coburg", "Hof", "Kulmbach"}));
        QCOMPARE(find(win, "hof"), QStringList{"Hof"});
        QCOMPARE(find(win, "coburg spezial"), QStringList{"Coburg"});
        QVERIFY2(win.boxes->failures.isEmpty(), qPrintable(win.boxes->failures.join('\n')));
    }

    // With a text in the field the list, its count, the message, the jump
    // list and the report are the breweries found; a re-sort keeps them, and
    // Escape brings back the whole list with the same brewery current.
    void theFoundList_data() { addRegisterKinds(); }
    void theFoundList()
    {
        QFETCH(RegisterKind, kind);
        ScratchRegister reg(kind);
        for (const char *city : {"Aalen", "Bamberg", "Coburg", "Dachau", "Erding"})
            reg.addCity(city);
        reg.addBrewery({"TH", "", "", "Bayreuth", "", "Bräu", "", ""});
        ShownWindow win(reg);
        QCOMPARE(find(win, "ba"), QStringList({"Bamberg", "Bayreuth"}));
        QCOMPARE(win->BreweryCount(), 2);
        QCOMPARE(win->lblBreweryCount->text(), "2");
        QCOMPARE(win->lblMessage->text(), "Found 2 of 6 breweries");
        QCOMPARE(win->cboBrauereiJump->count(), 0); // cut anew when opened
        win->FillCityJumpList();
        QCOMPARE(win->cboBrauereiJump->count(), 1);

        win->cmbSort1->setFocus();
        QTest::keyClick(win->cmbSort1, Qt::Key_Up); // "PLZ(Postal Code)"
        QCOMPARE(win->dsBrewery->Recordset().RecordCount(), 2);
        QStringList reported;
        QString caption;
        win->showReport = [&](SudregisterReport &report) {
            reported = report.lines();
            caption = report.windowTitle();
        };
        QTest::mouseClick(win->cmdReport, Qt::LeftButton);
        QCOMPARE(reported.size(), 2);
        QCOMPARE(caption, "SudregisterReport - the 2 breweries found");
        QCOMPARE(win->lblMessage->text(), "Done Loading ");
        QCOMPARE(find(win, "bay"), QStringList({"Bayreuth"}));
        QTest::mouseClick(win->cmdReport, Qt::LeftButton);
        QCOMPARE(caption, "SudregisterReport - the 1 brewery found");
        QCOMPARE(find(win, "ba").size(), 2);

        // An edit that stops matching leaves the brewery listed.
        GridDriver::typeInto(*win->grdBrauerien, 0, 3, "Zwickau");
        QCOMPARE(win->dsBrewery->Recordset().RecordCount(), 2);
        const qint64 current = win->dsBrewery->Recordset().keyAt(win->dsBrewery->Recordset().AbsolutePosition());
        win->txtFind->setFocus();
        QTest::keyClick(win->txtFind, Qt::Key_Escape);
        QCOMPARE(win->txtFind->text(), QString());
        QCOMPARE(win->dsBrewery->Recordset().RecordCount(), 6);
        QCOMPARE(win->BreweryCount(), 6);
        QCOMPARE(win->dsBrewery->Recordset().keyAt(win->dsBrewery->Recordset().AbsolutePosition()), current);
        QVERIFY(win.boxes->failures.isEmpty());
    }

    // The find searches what is stored now: an edit in the window and a
    // change by another program are found at the next keystroke.
    void searchesWhatIsStored_data() { addRegisterKinds(); }
    void searchesWhatIsStored()
    {
        QFETCH(RegisterKind, kind);
        ScratchRegister reg(kind);
        reg.addCity("Bamberg");
        reg.addCity("Coburg");
        ShownWindow win(reg);
        QCOMPARE(find(win, "kulmbach"), QStringList());
        QCOMPARE(win->grdBrauerien->model()->rowCount(), 1); // only the new-row line
        QCOMPARE(win->grdChronik->model()->rowCount(), 0);
        QVERIFY(win->lblMessage->text().startsWith("No brewery of 2 matches"));
        find(win, "");
        GridDriver::typeInto(*win->grdBrauerien, 0, 3, "Kulmbach");
        QCOMPARE(find(win, "kulmbach"), QStringList{"Kulmbach"});
        QVERIFY(reg.sql().exec("UPDATE Brewery SET BreweryName = 'Mönchshof' WHERE CityName = 'Coburg'"));
        QCOMPARE(find(win, "moenchshof"), QStringList{"Coburg"});
        QVERIFY(win.boxes->failures.isEmpty());
    }

    // A find typed while the list is being sorted waits for the sort, so
    // that nothing replaces the list under it.
    void findWaitsForARunningStep()
    {
        ScratchRegister reg;
        for (const char *city : {"Aalen", "Bamberg", "Coburg"})
            reg.addCity(city);
        ShownWindow win(reg.dir());
        {
            BusyStep step(win->lblMessage, QStringLiteral("Sorting the breweries"));
            win->txtFind->setText(QStringLiteral("bam"));
            QTest::qWait(400);
            QCOMPARE(win->dsBrewery->Recordset().RecordCount(), 3);
        }
        QTRY_COMPARE(win->dsBrewery->Recordset().RecordCount(), 1);
    }

    void ctrlFAndEnter()
    {
        ScratchRegister reg;
        reg.addCity("Bamberg");
        reg.addCity("Coburg");
        ShownWindow win(reg.dir());
        QTest::keyClick(win->grdBrauerien, Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), win->txtFind);
        QTest::keyClicks(win->txtFind, "cob");
        QTest::keyClick(win->txtFind, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), win->grdBrauerien);
        QCOMPARE(win->dsBrewery->Recordset().RecordCount(), 1);
        QCOMPARE(win->dsBrewery->Recordset().AbsolutePosition(), 0);
    }
};

QTEST_MAIN(TestFind)
#include "tst_find.moc"
