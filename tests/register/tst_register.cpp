#include "GermanCollation.h"
#include "ListedCities.h"
#include "LockingShell.h"
#include "Register.h"
#include "RegisterFile.h"
#include "ReplacePlan.h"
#include "ScratchRegister.h"

#include <QTest>

namespace {

QString currentCity(Register &reg)
{
    return reg.breweries()->Recordset().Fields(QStringLiteral("CityName")).Value().toString();
}

} // namespace

// The register service as the window uses it, on a register of its own.
class TestRegister : public QObject {
    Q_OBJECT

private slots:
    // The list is ordered the German way, by every key given, repeated
    // keys included; Null sorts first.
    void sortBreweries_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QStringList>("cities");
        QTest::addRow("city") << QStringList{"CityName", "CityName", "CityName"}
                              << QStringList{"", "Aachen", "Ölbronn", "Zwickau"};
        QTest::addRow("name, then city") << QStringList{"BreweryName", "CityName", "PostalCode"}
                                         << QStringList{"Zwickau", "", "Aachen", "Ölbronn"};
    }
    void sortBreweries()
    {
        QFETCH(QStringList, fields);
        QFETCH(QStringList, cities);
        ScratchRegister scratch;
        scratch.addBrewery({"", "", "", "Zwickau", "", "A"});
        scratch.addBrewery({"", "", "", "Ölbronn", "", "B"});
        scratch.addBrewery({"", "", "", "<null>", "", "B"});
        scratch.addBrewery({"", "", "", "Aachen", "", "B"});
        Register reg(scratch.path());
        reg.open();
        reg.sortBreweries(fields);
        QCOMPARE(listedCities(reg), cities);
    }

    // Keys turned round order as the query does, read anew: umlauts, Null
    // last, digit runs by value, ties by the next key and then by key.
    void sortBothWays_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QList<bool>>("descending");
        QTest::addRow("city down") << QStringList{"CityName"} << QList<bool>{true};
        QTest::addRow("city down, name up") << QStringList{"CityName", "BreweryName"} << QList<bool>{true, false};
        QTest::addRow("state up, city and name down")
            << QStringList{"StateName", "CityName", "BreweryName"} << QList<bool>{false, true, true};
        QTest::addRow("name down, digit runs") << QStringList{"BreweryName", "CityName"} << QList<bool>{true, true};
    }
    void sortBothWays()
    {
        QFETCH(QStringList, fields);
        QFETCH(QList<bool>, descending);
        ScratchRegister scratch;
        scratch.addBrewery({"BY", "", "", "Zwickau", "", "Brauerei 10"});
        scratch.addBrewery({"BY", "", "", "Ölbronn", "", "Brauerei 9"});
        scratch.addBrewery({"<null>", "", "", "<null>", "", "Brauerei 9"});
        scratch.addBrewery({"TH", "", "", "oelbronn", "", "<null>"});
        scratch.addBrewery({"BY", "", "", "Aachen", "", "brauerei 10"});
        scratch.addBrewery({"TH", "", "", "Zwickau", "", "Brauerei 10"});
        scratch.addBrewery({"BY", "", "", "Ölbronn", "", "Brauerei 9"});
        Register reg(scratch.path());
        reg.open();
        reg.sortBreweries(fields, {}, descending);

        QByteArray sql = "SELECT rowid FROM Brewery ORDER BY ";
        for (qsizetype i = 0; i < fields.size(); ++i)
            sql += fields.at(i).toLatin1() + " COLLATE " + GermanCollationName + (descending.at(i) ? " DESC, " : ", ");
        const std::unique_ptr<RegisterFile> reader = RegisterFile::openReader(scratch.path());
        Cursor rows = reader->cached(sql + "rowid");
        std::vector<qint64> queried;
        while (rows.step())
            queried.push_back(rows.int64(0));
        QCOMPARE(reg.breweries()->Recordset().keys(), queried);
        QVERIFY(reg.breweries()->RecordSource().contains(" DESC"));
    }

    // A brewery's history in code order; no brewery, no history.
    void showHistoryOf()
    {
        ScratchRegister scratch;
        const qint64 bamberg = scratch.addCity("Bamberg");
        const qint64 coburg = scratch.addCity("Coburg");
        scratch.addChronik(bamberg, {"Zwei", "B2"});
        scratch.addChronik(bamberg, {"Eins", "B1"});
        scratch.addChronik(coburg, {"Coburger", "C1"});
        Register reg(scratch.path());
        reg.open();
        reg.sortBreweries({"CityName", "CityName", "CityName"});
        reg.showHistoryOf(bamberg);
        QCOMPARE(reg.historyShownFor(), bamberg);
        ::Recordset &entries = reg.chroniks()->Recordset();
        QCOMPARE(entries.RecordCount(), 2);
        QCOMPARE(entries.valueAt(0, entries.fieldIndex("BreweryNameLong")).toString(), QStringLiteral("Eins"));
        reg.showHistoryOf(std::nullopt);
        QCOMPARE(reg.chroniks()->Recordset().RecordCount(), 0);
        QCOMPARE(reg.historyShownFor(), -1);
    }

    void jumpToCity_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("current");
        QTest::addRow("first of several") << "Ba" << true << "Bamberg";
        QTest::addRow("case and accents as stored") << "Öl" << true << "Ölbronn";
        QTest::addRow("none") << "Q" << false << "Aalen";
    }
    void jumpToCity()
    {
        QFETCH(QString, prefix);
        QFETCH(bool, found);
        QFETCH(QString, current);
        ScratchRegister scratch;
        for (const char *city : {"Aalen", "Bamberg", "Bayreuth", "Ölbronn"})
            scratch.addCity(city);
        Register reg(scratch.path());
        reg.open();
        reg.sortBreweries({"CityName", "CityName", "CityName"});
        QCOMPARE(reg.jumpToCity(prefix), found);
        if (found)
            QCOMPARE(currentCity(reg), current);
    }

    // The replace's preview, looked through beside the window: stopped, it
    // plans nothing; run whole, every row of the table is looked at, the
    // changes in the list's order.
    void replacePlanStopsWhenAsked_data()
    {
        QTest::addColumn<int>("stopAfter"); // rows looked at; -1: never
        QTest::addRow("run whole") << -1;
        QTest::addRow("stopped at once") << 0;
        QTest::addRow("stopped after a slice") << 4096;
    }
    void replacePlanStopsWhenAsked()
    {
        QFETCH(int, stopAfter);
        ScratchRegister scratch;
        QVERIFY(scratch.sql().exec("WITH RECURSIVE n(v) AS (SELECT 1 UNION ALL SELECT v + 1 FROM n WHERE v < 5000) "
                                   "INSERT INTO Brewery (CityName) SELECT 'Ort' || (5001 - v) FROM n"));
        Register reg(scratch.path());
        reg.open();
        reg.sortBreweries({"CityName", "CityName", "CityName"});
        const ReplacePlanner planner(reg, "CityName");
        qint64 lastTold = -1;
        const std::optional<RowChanges> plan = planner.plan(
            [](const QString &value) { return value.endsWith('9') ? std::optional(value + "x") : std::nullopt; },
            [&](qint64 done, qint64 total) {
                lastTold = done;
                return total == 5000 && (stopAfter < 0 || done < stopAfter);
            });
        QCOMPARE(plan.has_value(), stopAfter < 0);
        if (stopAfter >= 0)
            QCOMPARE(lastTold, qint64(stopAfter));
        else {
            QCOMPARE(plan->size(), size_t(500));
            QCOMPARE(plan->front().after->at(size_t(plan->front().fields.indexOf("CityName"))).toString(), "Ort9x");
        }
    }

    // Another program's commit makes the list stale; read anew, the
    // current brewery stays current although another now sorts before it.
    void rereadKeepsTheCurrentBrewery()
    {
        ScratchRegister scratch;
        scratch.addCity("Bamberg");
        scratch.addCity("Coburg");
        Register reg(scratch.path());
        reg.open();
        reg.sortBreweries({"CityName", "CityName", "CityName"});
        reg.breweries()->Recordset().MoveLast();
        QVERIFY(!reg.isStale());
        scratch.addCity("Aalen");
        QVERIFY(reg.isStale());
        reg.reread();
        QVERIFY(!reg.isStale());
        QCOMPARE(listedCities(reg), QStringList({"Aalen", "Bamberg", "Coburg"}));
        QCOMPARE(currentCity(reg), QStringLiteral("Coburg"));
    }

    // One window writes a register: a second one opens it read-only and
    // says why; once the first lets go, the next may write.
    void oneWriterAtATime()
    {
        ScratchRegister scratch;
        scratch.addCity("Bamberg");
        auto first = std::make_unique<Register>(scratch.path());
        first->open();
        first->sortBreweries({"CityName", "CityName", "CityName"});
        QVERIFY(first->isWritable());
        Register second(scratch.path());
        second.open();
        second.sortBreweries({"CityName", "CityName", "CityName"});
        QVERIFY(!second.holdsLock());
        QVERIFY(!second.isWritable());
        QVERIFY(!second.lockProblem().isEmpty());
        first.reset();
        Register third(scratch.path());
        third.open();
        QVERIFY(third.holdsLock());
    }

    // A check of the pages that meets the register held by another program
    // has found no damage: the window offers no backup for it.
    void aBusyPageCheckFindsNoDamage()
    {
        ScratchRegister scratch;
        scratch.addCity("Bamberg");
        Register reg(scratch.path());
        reg.open();
        LockingShell shell(scratch.path(), LockingShell::Hold::Everyone);
        QVERIFY(shell.held());
        reg.startPageCheck();
        QTRY_VERIFY_WITH_TIMEOUT(!reg.checkingPages(), 20000);
        QVERIFY(!reg.pageDamage());
    }
};

QTEST_GUILESS_MAIN(TestRegister)
#include "tst_register.moc"
