// The record store when another program writes to the same register: no
// write lands on a row that changed or vanished since it was read, keys are
// never handed out twice, and a failing reader never keeps the file locked.
#include "TableReader.h"
#include "GermanOrder.h"
#include "RegisterLock.h"
#include "RecordSource.h"
#include "Recordset.h"
#include "ScratchRegister.h"
#include "StoreError.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTest>
#include <future>
#include <limits>
#include <sqlite3.h>
#include <unistd.h>

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

    // B changes a row that A still shows as it was: any field, the last
    // one and a history entry's link to its brewery included.
    void changedRowIsNotOverwritten_data()
    {
        QTest::addColumn<bool>("chronik");
        QTest::addColumn<QString>("otherProgram");
        QTest::addRow("brewery renamed") << false << "UPDATE Brewery SET BreweryName = 'Renamed', StartYear = '1901'";
        QTest::addRow("brewery's last field") << false << "UPDATE Brewery SET StopYear = '1999'";
        QTest::addRow("entry moved to another brewery") << true << "UPDATE BreweryChronik SET ParentRowId = 2";
    }
    void changedRowIsNotOverwritten()
    {
        QFETCH(bool, chronik);
        QFETCH(QString, otherProgram);
        ScratchRegister reg;
        reg.addChronik(reg.addCity("Bamberg"), {"Entry", "E1", "Name", "1900"});
        reg.addCity("Coburg");
        Recordset shown = chronik ? chronikOf(reg, 1)
                                  : Recordset(reg.file(), ParseRecordSource("select * from Brewery Order By CityName"));
        // Read as a grid reads the row it shows: every field.
        for (int field = 0; field < shown.fieldNames().size(); ++field)
            shown.valueAt(0, field);
        QVERIFY(!shown.isStale());
        const QString table = chronik ? "BreweryChronik" : "Brewery";
        QVERIFY(reg.sql().exec(otherProgram));
        const QList<QStringList> changed = reg.sql().rows("SELECT * FROM " + table);
        QVERIFY(shown.isStale());

        shown.Edit();
        shown.Fields("StartYear").setValue("1850");
        QVERIFY_THROWS_EXCEPTION(StoreError, shown.Update());
        QCOMPARE(reg.sql().rows("SELECT * FROM " + table), changed);

        // Read afresh, the same edit goes through.
        shown.dropCache();
        shown.Edit();
        shown.Fields("StartYear").setValue("1850");
        shown.Update();
        QCOMPARE(reg.sql().column("SELECT StartYear FROM " + table + " WHERE rowid = 1"), QStringList{"1850"});
    }

    // The lock belongs to the file: another name for the same register
    // meets the lock its first name holds.
    void oneLockPerFile_data()
    {
        QTest::addColumn<QString>("alias");
        QTest::addRow("symlink from another folder") << "symlink";
        QTest::addRow("hard link") << "hardlink";
        QTest::addRow("relative path") << "relative";
    }
    void oneLockPerFile()
    {
        QFETCH(QString, alias);
        ScratchRegister reg;
        const auto held = RegisterLock::tryTake(reg.path());
        QVERIFY(held);
        QTemporaryDir other;
        const QString link = other.filePath("link.mdb");
        const QString before = QDir::currentPath();
        const auto back = qScopeGuard([&] { QDir::setCurrent(before); });
        QString name = link;
        if (alias == "symlink")
            QVERIFY(QFile::link(reg.path(), link));
        else if (alias == "hardlink")
            QCOMPARE(::link(QFile::encodeName(reg.path()).constData(), QFile::encodeName(link).constData()), 0);
        else {
            QVERIFY(QDir::setCurrent(reg.dir()));
            name = "./" + QFileInfo(reg.path()).fileName();
        }
        RegisterLock::State state = RegisterLock::State::Taken;
        QString why;
        QVERIFY(!RegisterLock::tryTake(name, &state, &why));
        QCOMPARE(state, RegisterLock::State::HeldElsewhere);
        QCOMPARE(why, QStringLiteral("it is open in another window"));
    }

    // A lock whose file cannot be made is no lock: it is not taken, and
    // says why.
    void lockThatCannotBeMade()
    {
        ScratchRegister reg;
        QVERIFY(QDir().mkdir(reg.path() + ".lock"));
        RegisterLock::State state = RegisterLock::State::Taken;
        QString why;
        QVERIFY(!RegisterLock::tryTake(reg.path(), &state, &why));
        QCOMPARE(state, RegisterLock::State::Unavailable);
        QVERIFY2(why.contains(reg.path() + ".lock") && why.contains("cannot be made"), qPrintable(why));
    }

    // The sort's workers read in slices of their own read transactions:
    // between two slices another connection writes without waiting.
    void slicedReadingLetsWritersIn()
    {
        ScratchRegister reg;
        QVERIFY(reg.sql().exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100) "
                               "INSERT INTO Brewery (CityName) SELECT 'Stadt ' || i FROM n"));
        const std::unique_ptr<RegisterFile> reader = RegisterFile::openReader(reg.path());
        sqlite3 *writer = nullptr;
        QCOMPARE(sqlite3_open(reg.path().toUtf8().constData(), &writer), SQLITE_OK);
        const auto close = qScopeGuard([writer] { sqlite3_close(writer); });
        QList<qint64> counts;
        reader->inSlices("Brewery", std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max(), 30,
                         [&](qint64 from, qint64 to) {
                             {
                                 Cursor cities = reader->cached("SELECT count(*) FROM Brewery WHERE rowid BETWEEN ?1 AND ?2");
                                 cities.bind(1, from).bind(2, to);
                                 QVERIFY(cities.step());
                                 counts << cities.int64(0);
                             }
                             // No wait at all: the reader holds nothing now.
                             QCOMPARE(sqlite3_exec(writer, "UPDATE Brewery SET StopYear = '1999' WHERE rowid = 1",
                                                   nullptr, nullptr, nullptr),
                                      SQLITE_OK);
                         });
        QCOMPARE(counts, QList<qint64>({30, 30, 30, 10}));
    }

    // Another program holding the register for a moment (writing a large
    // change) makes the sort's workers wait, not fail.
    void sortWaitsForABriefExclusiveLock()
    {
        ScratchRegister reg;
        for (const char *city : {"Coburg", "Aalen", "Bamberg"})
            reg.addCity(city);
        QVERIFY(reg.sql().exec("BEGIN EXCLUSIVE"));
        auto sorted = std::async(std::launch::async, [&] {
            return OrderGerman(reg.path(), "Brewery", {"CityName"}, {}, {});
        });
        QTest::qSleep(300);
        QVERIFY(reg.sql().exec("COMMIT"));
        QCOMPARE(sorted.get(), std::optional<std::vector<qint64>>({2, 3, 1}));
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
