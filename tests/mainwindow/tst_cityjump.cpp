#include "GridDriver.h"
#include "ShownWindow.h"
#include "ScratchRegister.h"
#include "ScriptedMessageBoxes.h"
#include "RegisterFile.h"
#include "Sudregister.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace {

using Cities = QMap<int, QString>; // 1-based row -> city; "<null>" for none

// A register whose rows, ordered by IdCode, carry `cities` at the given
// rows and "Xanten" everywhere else.
void fill(ScratchRegister &reg, int rows, const Cities &cities)
{
    for (int row = 1; row <= rows; ++row)
        reg.addBrewery({"BY", "", "90000", cities.value(row, "Xanten"), QStringLiteral("%1").arg(row, 4, 10, QLatin1Char('0')),
                        QStringLiteral("Brauerei %1").arg(row)});
}

QStringList entries(const QComboBox *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->itemText(i);
    return out;
}

// A shown window whose brewery list is ordered by IdCode, so that row i
// carries the city `fill` gave it.
struct Window : ShownWindow {
    explicit Window(const ScratchRegister &reg) : ShownWindow(reg)
    {
        w->dsBrewery->setRecordSource("select * from Brewery Order By IdCode, IdCode, IdCode");
        w->dsBrewery->Refresh();
    }
};

} // namespace

class TestCityJump : public QObject {
    Q_OBJECT

private slots:
    // Every case runs on a register file and on a shared register.
    void initTestCase_data() { addRegisterKinds(); }

    void fillsBlocksOf40_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<Cities>("cities");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("firstMatch"); // position the first entry's jump finds; -1: none
        QTest::addRow("empty") << 0 << Cities() << QStringList{"A-Zz"} << -1;
        QTest::addRow("39 rows") << 39 << Cities() << QStringList{"A-Zz"} << -1;
        QTest::addRow("40 rows, the boundary is the last row") << 40 << Cities{{40, "Berlin"}} << QStringList{"A-Zz"} << -1;
        QTest::addRow("41 rows") << 41 << Cities{{40, "Berlin"}} << QStringList{"A-Be", "Be-Zz"} << -1;
        QTest::addRow("100 rows") << 100 << Cities{{40, "Berlin"}, {80, "Bremen"}, {7, "Aalen"}}
                                  << QStringList{"A-Be", "Be-Br", "Br-Zz"} << 6;
        QTest::addRow("130 rows, three characters when two repeat")
            << 130 << Cities{{40, "Berlin"}, {80, "Bergheim"}, {120, "Berlin"}}
            << QStringList{"A-Be", "Be-Ber", "Ber-Be", "Be-Zz"} << -1;
        QTest::addRow("case counts") << 81 << Cities{{40, "Berlin"}, {80, "berlin"}} << QStringList{"A-Be", "Be-be", "be-Zz"} << -1;
        QTest::addRow("a city of two characters") << 81 << Cities{{40, "Au"}, {80, "Au"}} << QStringList{"A-Au", "Au-Au", "Au-Zz"} << 39;
        QTest::addRow("no city at a boundary") << 41 << Cities{{40, "<null>"}} << QStringList{"A-", "-Zz"} << -1;
        QTest::addRow("characters, not bytes") << 81 << Cities{{40, "Ölbronn"}, {80, "Öllingen"}}
                                               << QStringList{"A-Öl", "Öl-Öll", "Öll-Zz"} << -1;
        QTest::addRow("apostrophe") << 41 << Cities{{40, "L'Aquila"}} << QStringList{"A-L'", "L'-Zz"} << -1;
    }
    void fillsBlocksOf40()
    {
        QFETCH(int, rows);
        QFETCH(Cities, cities);
        QFETCH(QStringList, expected);
        QFETCH(int, firstMatch);
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        fill(reg, rows, cities);
        Window win(reg);
        QCOMPARE(win->cboBrauereiJump->count(), 0);
        if (rows > 3)
            win->dsBrewery->Recordset().setAbsolutePosition(3);
        win->cboBrauereiJump->setFocus();
        QCOMPARE(entries(win->cboBrauereiJump), expected);
        QCOMPARE(win->cboBrauereiJump->currentIndex(), 0);
        QCOMPARE(win->BreweryCount(), rows);
        QCOMPARE(win->lblBreweryCount->text(), QString::number(rows));
        // Filling ends with the jump of the first entry, prefix "A"; without a
        // match the record set stays past its end, where the walk left it.
        QCOMPARE(win->dsBrewery->Recordset().AbsolutePosition(), firstMatch);
        QVERIFY(win->grdBrauerien->AllowDelete());
    }

    // A jump list filled again is cut anew from the cities as stored once
    // the register changed, whoever changed it, or the list is another.
    void cutAnewAfterAChange_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("expected");
        const QStringList koeln{"A-Kö", "Kö-Br", "Br-Zz"};
        QTest::addRow("by another program") << "other" << koeln;
        QTest::addRow("by another program, the list read again") << "other, read again" << koeln;
        QTest::addRow("on the window's own connection") << "own" << koeln;
        QTest::addRow("the list narrowed by the find") << "find" << QStringList{"A-Xa", "Xa-Zz"};
    }
    void cutAnewAfterAChange()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, expected);
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        fill(reg, 81, Cities{{40, "Berlin"}, {80, "Bremen"}});
        Window win(reg);
        win->FillCityJumpList();
        QCOMPARE(entries(win->cboBrauereiJump), QStringList({"A-Be", "Be-Br", "Br-Zz"}));
        const QString update = "UPDATE Brewery SET CityName = 'Köln' WHERE IdCode = '0040'";
        if (change.startsWith("other")) {
            QVERIFY(reg.sql().exec(update));
            // A shared register's window first hears of the change.
            QTRY_VERIFY(win->dsBrewery->file().cached("SELECT 1 FROM Brewery WHERE CityName = 'Köln'").step());
        }
        else if (change == "own")
            win->dsBrewery->file().exec(update.toUtf8().constData());
        if (change == "find") {
            win->txtFind->setText("Xanten");
            win->applyFind();
        } else if (change.endsWith("read again")) {
            win->syncWithRegister();
        } else {
            win->dsBrewery->Recordset().dropCache();
        }
        win->FillCityJumpList();
        QCOMPARE(entries(win->cboBrauereiJump), expected);
        QCOMPARE(win->dsBrewery->Recordset().AbsolutePosition(), -1);
    }

    void choosingAnEntryJumps_data()
    {
        QTest::addColumn<Cities>("cities");
        QTest::addColumn<int>("entry");
        QTest::addColumn<int>("position");
        QTest::addRow("Be-Br searches Be") << Cities{{40, "Berlin"}, {80, "Bremen"}, {10, "bernau"}} << 1 << 9;
        QTest::addRow("Br-Zz searches Br") << Cities{{40, "Berlin"}, {80, "Bremen"}} << 2 << 79;
        QTest::addRow("apostrophe") << Cities{{40, "L'Aquila"}, {80, "Zeil"}} << 1 << 39;
    }
    void choosingAnEntryJumps()
    {
        QFETCH(Cities, cities);
        QFETCH(int, entry);
        QFETCH(int, position);
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        fill(reg, 100, cities);
        Window win(reg);
        win->cboBrauereiJump->setFocus();
        for (int i = 0; i < entry; ++i)
            QTest::keyClick(win->cboBrauereiJump, Qt::Key_Down);
        QCOMPARE(win->cboBrauereiJump->currentIndex(), entry);
        QCOMPARE(win->dsBrewery->Recordset().AbsolutePosition(), position);
        // The brewery grid and the history grid follow.
        QTRY_COMPARE(win->grdBrauerien->currentIndex().row(), position);
        QCOMPARE(win->grdBrauerien->Columns(3).Text(), cities.value(position + 1, "Xanten"));
    }

    void focusOnAFilledListChangesNothing()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        fill(reg, 100, {{40, "Berlin"}, {80, "Bremen"}});
        Window win(reg);
        win->cboBrauereiJump->setFocus();
        QCOMPARE(win->cboBrauereiJump->count(), 3);
        reg.addCity("Aachen"); // grows the register after the fill
        win->dsBrewery->Recordset().setAbsolutePosition(50);
        win->grdBrauerien->setFocus();
        win->cboBrauereiJump->setFocus();
        QCOMPARE(entries(win->cboBrauereiJump), QStringList({"A-Be", "Be-Br", "Br-Zz"}));
        QCOMPARE(win->dsBrewery->Recordset().AbsolutePosition(), 50);
        QCOMPARE(win->BreweryCount(), 100);
    }
};

QTEST_MAIN(TestCityJump)
#include "tst_cityjump.moc"
