#include "GridDriver.h"
#include "ShownWindow.h"
#include "ScratchRegister.h"
#include "ScriptedMessageBoxes.h"
#include "Sudregister.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

namespace {
using Answer = MessageBoxes::Answer;
} // namespace

class TestEditing : public QObject {
    Q_OBJECT

private slots:
    // Every case runs on a register file and on a shared register.
    void initTestCase_data() { addRegisterKinds(); }

    void newBreweryAndItsFirstEntry()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        reg.addCity("Bamberg");
        ShownWindow win(reg);
        DataGrid &breweries = *win->grdBrauerien;
        GridDriver::typeInto(breweries, 1, 3, "  Zeil ");
        GridDriver::typeInto(breweries, 1, 5, "Göller");
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery"), 1);

        // Turning to the history grid stores the new brewery and opens its
        // (empty) history for additions.
        QTest::mouseClick(win->grdChronik->viewport(), Qt::LeftButton);
        QVERIFY(win->grdChronik->AllowAddNew());
        GridDriver::typeInto(*win->grdChronik, 0, 0, "Brauerei Göller Zeil ");
        const QString newId = reg.sql().column("SELECT RowId FROM Brewery WHERE CityName = 'Zeil'").value(0);
        QVERIFY(!newId.isEmpty());
        QCOMPARE(reg.sql().column("SELECT BreweryName FROM Brewery WHERE RowId = " + newId), QStringList{"Göller"});
        QCOMPARE(reg.sql().count("SELECT count(*) FROM BreweryChronik"), 0);
        QCOMPARE(win->grdChronik->Columns(5).Text(), newId);
        QCOMPARE(win->lblBreweryCount->text(), "2");

        // Back to the breweries: the entry is stored, under the new brewery.
        GridDriver::clickCell(breweries, 0, 0);
        QCOMPARE(reg.sql().rows("SELECT BreweryNameLong, ParentRowId FROM BreweryChronik"),
                 QList<QStringList>({{"Brauerei Göller Zeil", newId}}));
        QVERIFY(win.boxes->failures.isEmpty());
    }

    void historyCellIsStoredBeforeTheRowIsLeft()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        const qint64 id = reg.addCity("Bamberg");
        reg.addChronik(id, {"Brauerei Eins", "A", "Eins", "1900", "1910"});
        reg.addChronik(id, {"Brauerei Zwei", "B", "Zwei", "1910", "1920"});
        ShownWindow win(reg);
        QCOMPARE(win.chronikNames(), QStringList({"Brauerei Eins", "Brauerei Zwei"}));
        GridDriver::typeInto(*win->grdChronik, 0, 3, "1920 ");
        QCOMPARE(reg.sql().column("SELECT StartYear FROM BreweryChronik WHERE IdCode = 'A'"), QStringList{"1920"});
        QCOMPARE(win->grdChronik->currentIndex().row(), 0);
    }

    void emptiedEntryKeepsItsBrewery()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        const qint64 id = reg.addCity("Bamberg");
        reg.addChronik(id, {"Brauerei Eins", "A", "Eins", "1900", "1910"});
        ShownWindow win(reg);
        for (int column = 0; column < 5; ++column)
            GridDriver::typeInto(*win->grdChronik, 0, column, "  ");
        QCOMPARE(reg.sql().rows("SELECT BreweryNameLong, IdCode, BreweryName, StartYear, StopYear, ParentRowId FROM BreweryChronik"),
                 QList<QStringList>({{"", "", "", "", "", QString::number(id)}}));
        QVERIFY(win.boxes->failures.isEmpty());
    }

    void breweryCellsAreTrimmedOfBlanksOnly_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::addRow("blanks around") << " Bräu  " << "Bräu";
        QTest::addRow("blanks only") << "   " << "";
        QTest::addRow("inner blanks stay") << " Zum  Löwen " << "Zum  Löwen";
    }
    void breweryCellsAreTrimmedOfBlanksOnly()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        reg.addCity("Bamberg");
        ShownWindow win(reg);
        GridDriver::typeInto(*win->grdBrauerien, 0, 5, typed);
        QCOMPARE(reg.sql().column("SELECT BreweryName FROM Brewery"), QStringList{stored});
    }

    void deletingABrewery_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("entries");
        QTest::addColumn<bool>("deleted");
        QTest::addRow("yes, with history") << int(Answer::Yes) << 3 << true;
        QTest::addRow("yes, without history") << int(Answer::Yes) << 0 << true;
        QTest::addRow("no") << int(Answer::No) << 3 << false;
        QTest::addRow("cancel") << int(Answer::Cancel) << 3 << false;
    }
    void deletingABrewery()
    {
        QFETCH(int, answer);
        QFETCH(int, entries);
        QFETCH(bool, deleted);
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        const qint64 kept = reg.addBrewery({"BY", "Ofr", "96047", "Aalen", "A1", "Erste"});
        const qint64 doomed = reg.addBrewery({"BY", "", "96047", "Bamberg", "B1", "Schlenkerla"});
        const qint64 next = reg.addCity("Coburg");
        reg.addChronik(kept, {"Fremder Eintrag", "F"});
        reg.addChronik(next, {"Coburger Eintrag", "C"});
        for (int i = 0; i < entries; ++i)
            reg.addChronik(doomed, {"Eintrag", QString::number(i)});
        ShownWindow win(reg);
        win.boxes->answers << Answer(answer);
        GridDriver::clickCell(*win->grdBrauerien, 1, 0);
        QCOMPARE(win.chronikNames().size(), entries);
        GridDriver::deleteRow(*win->grdBrauerien, 1);

        QCOMPARE(win.boxes->asked, QStringList{"Delete Brewery BY  96047 Bamberg Schlenkerla "});
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery"), deleted ? 2 : 3);
        QCOMPARE(reg.sql().count("SELECT count(*) FROM BreweryChronik WHERE ParentRowId = " + QString::number(doomed)),
                 deleted ? 0 : entries);
        QCOMPARE(reg.sql().column("SELECT BreweryNameLong FROM BreweryChronik WHERE ParentRowId = " + QString::number(kept)),
                 QStringList{"Fremder Eintrag"});
        QCOMPARE(win->grdBrauerien->model()->rowCount(), deleted ? 3 : 4);
        QVERIFY(!win->DeletingChroniks());
        // The count shown and the row marker follow the delete.
        QCOMPARE(win->lblBreweryCount->text(), deleted ? "2" : "3");
        DataGrid &grid = *win->grdBrauerien;
        for (int row = 0; row < grid.model()->rowCount(); ++row)
            QCOMPARE(grid.model()->headerData(row, Qt::Vertical).toString() == "▶", row == grid.currentIndex().row());
        // The history grid shows the brewery that is current now.
        QTRY_COMPARE(win.chronikNames(), deleted ? QStringList{"Coburger Eintrag"} : QStringList(entries, "Eintrag"));
    }

    void failedBreweryDeleteKeepsEverything()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        const qint64 id = reg.addCity("Bamberg");
        reg.addChronik(id, {"Eins"});
        reg.addChronik(id, {"Zwei"});
        QVERIFY(reg.sql().exec(
            kind == RegisterKind::File
                ? "CREATE TRIGGER refuse BEFORE DELETE ON Brewery BEGIN SELECT RAISE(ABORT, 'disk on fire'); END"
                : "CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN RAISE 'disk on fire'; END $$; "
                  "CREATE TRIGGER refuse BEFORE DELETE ON Brewery FOR EACH ROW EXECUTE FUNCTION refuse()"));
        ShownWindow win(reg);
        win.boxes->answers << Answer::Yes;
        GridDriver::deleteRow(*win->grdBrauerien, 0);
        QCOMPARE(win.boxes->failures.size(), 1);
        QVERIFY(win.boxes->failures.first().contains("disk on fire"));
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery"), 1);
        QCOMPARE(reg.sql().count("SELECT count(*) FROM BreweryChronik"), 2);
        QVERIFY(!win->DeletingChroniks());
        QTRY_COMPARE(win.chronikNames(), QStringList({"Eins", "Zwei"}));
        QCOMPARE(win->grdBrauerien->model()->rowCount(), 2);
    }

    void deletingAnEntry_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("left");
        QTest::addRow("yes") << int(Answer::Yes) << QStringList{"Zwei"};
        QTest::addRow("no") << int(Answer::No) << QStringList{"Eins", "Zwei"};
        QTest::addRow("cancel") << int(Answer::Cancel) << QStringList{"Eins", "Zwei"};
    }
    void deletingAnEntry()
    {
        QFETCH(int, answer);
        QFETCH(QStringList, left);
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        const qint64 id = reg.addCity("Bamberg");
        reg.addChronik(id, {"Eins", "A", "<null>"});
        reg.addChronik(id, {"Zwei", "B", "Kurz"});
        ShownWindow win(reg);
        win.boxes->answers << Answer(answer);
        GridDriver::deleteRow(*win->grdChronik, 0);
        QCOMPARE(win.boxes->asked, QStringList{"Delete Chronik Eins A  "});
        QCOMPARE(reg.sql().column("SELECT BreweryNameLong FROM BreweryChronik ORDER BY IdCode"), left);
    }

    void noAdditionsWithoutACurrentBrewery()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister empty(kind);
        ShownWindow win(empty);
        QVERIFY(!win->grdChronik->AllowAddNew());
        QCOMPARE(win->grdChronik->model()->rowCount(), 0);
        QCOMPARE(win->dsBreweryChronik->RecordSource(), "select * from BreweryChronik where ParentRowId = 0  ORDER By IdCode");

        ScratchRegister reg(kind);
        reg.addCity("Bamberg");
        ShownWindow one(reg);
        QVERIFY(one->grdChronik->AllowAddNew());
        // On the brewery grid's new-row line no brewery is current.
        GridDriver::clickCell(*one->grdBrauerien, 1, 0);
        QTRY_VERIFY(!one->grdChronik->AllowAddNew());
    }

    void newBreweryButtonScrollsToTheNewRowLine()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        for (int i = 0; i < 120; ++i)
            reg.addCity(QStringLiteral("Stadt %1").arg(i, 3, 10, QLatin1Char('0')));
        ShownWindow win(reg);
        QTest::mouseClick(win->cmdNewBrewery, Qt::LeftButton);
        const QRect line = win->grdBrauerien->visualRect(win->grdBrauerien->model()->index(120, 0));
        QVERIFY(win->grdBrauerien->viewport()->rect().intersects(line));
        QVERIFY(win->grdBrauerien->verticalScrollBar()->value() > 0);
    }

    // Whatever moved the current brewery, the history grid shows its entries,
    // and deleting it right then takes its own entries and no others.
    void historyFollowsTheCurrentBrewery_data()
    {
        QTest::addColumn<QString>("route");
        QTest::addRow("start-up") << "start-up";
        QTest::addRow("re-sort") << "re-sort";
        QTest::addRow("search") << "search";
        QTest::addRow("jump list") << "jump list";
    }
    void historyFollowsTheCurrentBrewery()
    {
        QFETCH(QString, route);
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        // By city Aalen comes first; by IdCode Coburg does.
        const qint64 aalen = reg.addBrewery({"BY", "", "1", "Aalen", "Z9", "Aalener"});
        const qint64 bamberg = reg.addBrewery({"BY", "", "2", "Bamberg", "M5", "Bamberger"});
        const qint64 coburg = reg.addBrewery({"BY", "", "3", "Coburg", "A1", "Coburger"});
        reg.addChronik(aalen, {"Aalen alt"});
        reg.addChronik(bamberg, {"Bamberg alt"});
        reg.addChronik(coburg, {"Coburg alt"});
        reg.addChronik(coburg, {"Coburg neu"});
        ShownWindow win(reg);

        QString expected = "Aalen";
        if (route == "re-sort") {
            win->cmbSort1->setFocus();
            QTest::keyClick(win->cmbSort1, Qt::Key_Down); // ID(ID)
            expected = "Coburg";
        } else if (route == "search") {
            QVERIFY(win->dsBrewery->Recordset().FindFirst("CityName like 'Bam*'"));
            expected = "Bamberg";
        } else if (route == "jump list") {
            // From Coburg's history, the jump to "A" brings Aalen's back.
            GridDriver::clickCell(*win->grdBrauerien, 2, 0);
            QCOMPARE(win.chronikNames(), QStringList({"Coburg alt", "Coburg neu"}));
            win->cboBrauereiJump->setFocus();
            QCOMPARE(win->cboBrauereiJump->currentText(), "A-Zz");
        }
        QTRY_COMPARE(win->dsBrewery->Recordset().Fields("CityName").Value().toString(), expected);
        QTRY_VERIFY(win.chronikNames().value(0).startsWith(expected));
        for (const QString &name : win.chronikNames())
            QVERIFY2(name.startsWith(expected), qPrintable(name));

        win.boxes->answers << Answer::Yes;
        const int row = win->dsBrewery->Recordset().AbsolutePosition();
        GridDriver::deleteRow(*win->grdBrauerien, row);
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery WHERE CityName = '" + expected + "'"), 0);
        QCOMPARE(reg.sql().count("SELECT count(*) FROM BreweryChronik WHERE BreweryNameLong LIKE '" + expected + "%'"), 0);
        QCOMPARE(reg.sql().count("SELECT count(*) FROM BreweryChronik WHERE ParentRowId NOT IN (SELECT RowId FROM Brewery)"), 0);
        QCOMPARE(reg.sql().count("SELECT count(*) FROM BreweryChronik"), expected == "Coburg" ? 2 : 3);
    }

    void closingStoresAnEntryBeingTyped()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        reg.addCity("Bamberg");
        ShownWindow win(reg);
        GridDriver::typeInto(*win->grdChronik, 0, 0, "Unfertig");
        QCOMPARE(reg.sql().count("SELECT count(*) FROM BreweryChronik"), 0);
        win->close();
        QCOMPARE(reg.sql().column("SELECT BreweryNameLong FROM BreweryChronik"), QStringList{"Unfertig"});
    }
};

QTEST_MAIN(TestEditing)
#include "tst_editing.moc"
