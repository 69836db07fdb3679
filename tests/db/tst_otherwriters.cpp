// The record store when another program writes to the same register: no
// write lands on a row that changed or vanished since it was read, keys are
// never handed out twice, and a failing reader never keeps the file locked.
#include "ChronikReader.h"
#include "RecordSource.h"
#include "Recordset.h"
#include "ScratchRegister.h"
#include "StoreError.h"

#include <QTest>

namespace {

Recordset chronikOf(ScratchRegister &reg, qint64 brewery)
{
    return Recordset(reg.file(),
                     ParseRecordSource(QStringLiteral("select * from BreweryChronik where ParentRowId = %1").arg(brewery)));
}

} // namespace

class TestOtherWriters : public QObject {
    Q_OBJECT

private slots:
    // Window A shows an entry; B deletes it and adds an entry elsewhere.
    // A's edit and A's delete must both leave B's entry alone.
    void deletedHistoryKeyIsNeverReused_data()
    {
        QTest::addColumn<bool>("deleteInsteadOfEdit");
        QTest::addRow("edit") << false;
        QTest::addRow("delete") << true;
    }
    void deletedHistoryKeyIsNeverReused()
    {
        QFETCH(bool, deleteInsteadOfEdit);
        ScratchRegister reg;
        const qint64 a = reg.addCity("Bamberg");
        const qint64 b = reg.addCity("Coburg");
        reg.addChronik(a, {"Entry of A"});
        Recordset shown = chronikOf(reg, a);
        QCOMPARE(shown.Fields("BreweryNameLong").Value().toString(), QStringLiteral("Entry of A"));

        QVERIFY(reg.sql().exec("DELETE FROM BreweryChronik"));
        reg.addChronik(b, {"Entry of B"});
        QCOMPARE(reg.sql().count("SELECT count(*) FROM BreweryChronik WHERE ChronikId = 1"), 0);

        try {
            if (deleteInsteadOfEdit) {
                shown.Delete();
            } else {
                shown.Edit();
                shown.Fields("BreweryNameLong").setValue("Changed by A");
                shown.Update();
            }
            QFAIL("a write to a vanished row was taken");
        } catch (const StoreError &e) {
            QVERIFY(e.isRowChangedElsewhere());
        }
        QCOMPARE(reg.sql().rows("SELECT BreweryNameLong, ParentRowId FROM BreweryChronik"),
                 QList<QStringList>({{"Entry of B", QString::number(b)}}));
    }

    // B renames a brewery that A still shows under its old name.
    void changedRowIsNotOverwritten()
    {
        ScratchRegister reg;
        reg.addCity("Bamberg");
        Recordset shown(reg.file(), ParseRecordSource("select * from Brewery Order By CityName"));
        // Read as a grid reads the row it shows: every field.
        for (int field = 0; field < shown.fieldNames().size(); ++field)
            shown.valueAt(0, field);
        QCOMPARE(shown.Fields("BreweryName").Value().toString(), QStringLiteral("Brauerei"));
        QVERIFY(!shown.isStale());
        QVERIFY(reg.sql().exec("UPDATE Brewery SET BreweryName = 'Renamed', StartYear = '1901'"));
        QVERIFY(shown.isStale());

        shown.Edit();
        shown.Fields("StartYear").setValue("1850");
        QVERIFY_THROWS_EXCEPTION(StoreError, shown.Update());
        QCOMPARE(reg.sql().rows("SELECT BreweryName, StartYear FROM Brewery"),
                 QList<QStringList>({{"Renamed", "1901"}}));

        // Read afresh, the same edit goes through.
        shown.dropCache();
        shown.Edit();
        shown.Fields("StartYear").setValue("1850");
        shown.Update();
        QCOMPARE(reg.sql().column("SELECT StartYear FROM Brewery"), QStringList{"1850"});
    }

    // A visitor that fails in the middle of a read loop must not leave the
    // statement open: another program's write would then fail for as long
    // as the program runs.
    void failingReaderReleasesTheFile_data()
    {
        QTest::addColumn<bool>("chroniks");
        QTest::addRow("forEachRecord") << false;
        QTest::addRow("ReadAllChroniks") << true;
    }
    void failingReaderReleasesTheFile()
    {
        QFETCH(bool, chroniks);
        ScratchRegister reg;
        for (int i = 0; i < 3; ++i)
            reg.addChronik(reg.addCity(QStringLiteral("City %1").arg(i)), {"Entry"});
        Recordset set(reg.file(), ParseRecordSource("Brewery"));
        try {
            if (chroniks)
                ReadAllChroniks(*reg.file(), [](qint64, const QByteArrayView *) { throw StoreError("visitor failed"); });
            else
                set.forEachRecord([](int, const Cursor &) { throw StoreError("visitor failed"); });
            QFAIL("the visitor's failure was swallowed");
        } catch (const StoreError &) {
        }
        QVERIFY(reg.sql().exec("DELETE FROM BreweryChronik"));
    }
};

QTEST_GUILESS_MAIN(TestOtherWriters)
#include "tst_otherwriters.moc"
