#include "RecordSource.h"
#include "Recordset.h"
#include "GermanCollation.h"
#include "RegisterFile.h"
#include "ScratchRegister.h"
#include "Statement.h"
#include "StoreError.h"

#include <QRandomGenerator>
#include <QThread>
#include <limits>

#include <QTest>

namespace {

QStringList walk(Recordset &set, const QString &field)
{
    QStringList values;
    if (!set.Bof())
        set.MoveFirst();
    while (!set.Eof()) {
        const QVariant v = set.Fields(field).Value();
        values << (v.isNull() ? QStringLiteral("<null>") : v.toString());
        set.MoveNext();
    }
    return values;
}

} // namespace

class TestRecordset : public QObject {
    Q_OBJECT

private slots:
    void ordersTheGermanWay_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QStringList>("ordered");
        QTest::addRow("umlauts with their letters")
            << "CityName" << QStringList{"Zwickau", "Ölbronn", "Äpfelbach", "Oberndorf", "Apfelbach", "Berlin"}
            << QStringList{"Apfelbach", "Äpfelbach", "Berlin", "Oberndorf", "Ölbronn", "Zwickau"};
        QTest::addRow("case ignored, ties in key order")
            << "CityName" << QStringList{"berlin", "Bamberg", "Berlin", "berlin"}
            << QStringList{"Bamberg", "berlin", "Berlin", "berlin"};
        QTest::addRow("sharp s as ss")
            << "CityName" << QStringList{"Strassburg", "Straßberg", "Strasberg"}
            << QStringList{"Strasberg", "Straßberg", "Strassburg"};
        QTest::addRow("digit runs by value")
            << "StartYear" << QStringList{"1850", "99", "850", "1850a"}
            << QStringList{"99", "850", "1850", "1850a"};
        QTest::addRow("Null first, then empty")
            << "PostalCode" << QStringList{"01067", "<null>", "", "96047"}
            << QStringList{"<null>", "", "01067", "96047"};
    }
    void ordersTheGermanWay()
    {
        QFETCH(QString, field);
        QFETCH(QStringList, stored);
        QFETCH(QStringList, ordered);
        ScratchRegister reg;
        for (const QString &value : stored) {
            const qint64 id = reg.addCity("X");
            reg.sql().exec(QStringLiteral("UPDATE Brewery SET %1 = %2 WHERE RowId = %3")
                               .arg(field, value == "<null>" ? "NULL" : "'" + value + "'")
                               .arg(id));
        }
        Recordset set(reg.file(), ParseRecordSource("select * from Brewery Order By " + field + ", " + field + ", " + field));
        QCOMPARE(walk(set, field), ordered);
    }

    // A whole table is ordered by sort keys; a filtered one by the query.
    // Both must give one and the same order, field by field, ties by key.
    void wholeTableOrderEqualsTheQuerysOrder()
    {
        ScratchRegister reg;
        const QStringList texts{"NULL", "''", "'Berg'", "'berg'", "'Berg a'", "'Bergen'", "'Bergé'", "'Äpfel'",
                                "'Apfel'", "'Straße'", "'Strasse'", "'9'", "'10'", "'a10b'", "'a9b'",
                                "CAST(x'42ff41' AS TEXT)", "CAST(x'42' AS TEXT)"};
        QRandomGenerator random(16);
        reg.sql().exec("BEGIN");
        for (int i = 0; i < 3000; ++i) {
            reg.sql().exec(QStringLiteral("INSERT INTO Brewery (CityName, PostalCode, BreweryName) VALUES (%1, %2, %3)")
                               .arg(texts[random.bounded(texts.size())], texts[random.bounded(texts.size())],
                                    // many distinct texts, so that the tables of texts grow
                                    i % 2 ? texts[random.bounded(texts.size())]
                                          : QStringLiteral("'B%1 ä'").arg(random.bounded(900))));
        }
        reg.sql().exec("COMMIT");
        const auto queried = [&](const QByteArray &sql) {
            std::vector<qint64> keys;
            Statement statement(*reg.file(), sql);
            while (statement.step())
                keys.push_back(statement.int64(0));
            return keys;
        };
        const QByteArray german = QByteArray(" COLLATE ") + GermanCollationName;
        const QByteArray order = "SELECT rowid FROM Brewery ORDER BY CityName" + german + ", PostalCode" + german
            + ", BreweryName" + german + ", rowid";
        const auto source = ParseRecordSource("select * from Brewery Order By CityName, PostalCode, BreweryName");
        QVERIFY(Recordset(reg.file(), source).keys() == queried(order));

        // Rowids at both ends of 64 bits share the table without overflow.
        ScratchRegister far;
        far.sql().exec("INSERT INTO Brewery (RowId, CityName) VALUES (-9223372036854775808, 'Zeil'), (-1, NULL), "
                       "(7, 'aach'), (9223372036854775807, 'Aach')");
        QCOMPARE(Recordset(far.file(), source).keys(), std::vector<qint64>({-1, 7, 9223372036854775807,
                                                                            std::numeric_limits<qint64>::min()}));

        // A value that is not text: the query alone knows where it goes.
        reg.sql().exec("INSERT INTO Brewery (CityName) VALUES (x'00')");
        QVERIFY(Recordset(reg.file(), source).keys() == queried(order));
    }

    // A long order shows its first rows before it is done: they must be
    // the rows the whole order begins with, or the list would jump.
    void firstRowsLeadTheWholeOrder()
    {
        ScratchRegister reg;
        reg.sql().exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 150000) "
                       "INSERT INTO Brewery (CityName, PostalCode, BreweryName) "
                       "SELECT CASE i % 5 WHEN 0 THEN 'Äpfel' WHEN 1 THEN 'apfel' WHEN 2 THEN NULL WHEN 3 THEN '' "
                       "ELSE 'Zeil' || (i % 97) END, (i * 7) % 13, 'B' || (i * 31 % 1000) || ' ß' FROM n");
        const auto source = ParseRecordSource("select * from Brewery Order By CityName, PostalCode, BreweryName");
        std::vector<qint64> first;
        // A window repaints between two turns of the sort, and takes its
        // time over it.
        const Recordset whole(reg.file(), source, [](qint64, qint64) { QThread::msleep(300); },
                              [&](std::vector<qint64> keys) { first = std::move(keys); });
        QCOMPARE(first.size(), size_t(FirstRowCount));
        QVERIFY(std::equal(first.begin(), first.end(), whole.keys().begin()));
    }

    void manyValuesInOnePass()
    {
        ScratchRegister reg;
        reg.sql().exec("BEGIN");
        for (int i = 0; i < 1500; ++i)
            reg.sql().exec(QStringLiteral("INSERT INTO Brewery (CityName) VALUES (%1)")
                               .arg(i % 7 ? QStringLiteral("'Stadt %1'").arg(i % 100) : QStringLiteral("NULL")));
        reg.sql().exec("COMMIT");
        Recordset set(reg.file(), ParseRecordSource("select * from Brewery Order By CityName, CityName, CityName"));
        const int city = set.fieldIndex("CityName");
        std::vector<int> positions;
        for (int p = set.RecordCount() - 1; p >= 0; p -= 1)
            positions.push_back(p);
        positions.push_back(3); // asked twice
        const std::vector<QVariant> values = set.valuesAt(positions, city);
        QCOMPARE(values.size(), positions.size());
        for (size_t i = 0; i < positions.size(); ++i)
            QCOMPARE(values[i], set.valueAt(positions[i], city));
    }

    void keysetNavigation()
    {
        ScratchRegister reg;
        for (int i = 0; i < 130; ++i)
            reg.addCity(QStringLiteral("Stadt %1").arg(i));
        Recordset set(reg.file(), ParseRecordSource("select * from Brewery Order By CityName, PostalCode, BreweryName"));
        QCOMPARE(set.RecordCount(), 130);
        QCOMPARE(set.AbsolutePosition(), 0);
        QVERIFY(!set.Bof() && !set.Eof());
        set.MoveLast();
        QCOMPARE(set.AbsolutePosition(), 129);
        QCOMPARE(set.Fields("CityName").Value().toString(), "Stadt 129");
        set.MoveNext();
        QVERIFY(set.Eof());
        QCOMPARE(set.AbsolutePosition(), -1);
        QVERIFY_THROWS_EXCEPTION(StoreError, set.MoveNext());
        QVERIFY_THROWS_EXCEPTION(StoreError, set.Fields("CityName").Value());
        set.MoveFirst();
        QCOMPARE(set.Fields("CityName").Value().toString(), "Stadt 0");
        QVERIFY_THROWS_EXCEPTION(StoreError, set.Fields("NoSuchField"));
    }

    void queryTextsOfTheWindows()
    {
        ScratchRegister reg;
        const qint64 id = reg.addCity("Bamberg");
        reg.addChronik(id, {"Zweite", "B2"});
        reg.addChronik(id, {"Erste", "B1"});
        Recordset none(reg.file(), ParseRecordSource("select * from BreweryChronik where ParentRowId = 0  ORDER By IdCode"));
        QVERIFY(none.Bof() && none.Eof());
        Recordset ordered(reg.file(), ParseRecordSource(QStringLiteral("select * from BreweryChronik where ParentRowId = %1 ORDER By IdCode").arg(id)));
        QCOMPARE(walk(ordered, "BreweryNameLong"), QStringList({"Erste", "Zweite"}));
        Recordset stored(reg.file(), ParseRecordSource(QStringLiteral("select * from BreweryChronik where ParentRowId = %1").arg(id)));
        QCOMPARE(walk(stored, "BreweryNameLong"), QStringList({"Zweite", "Erste"}));
    }

    void refusesOtherQueries_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addRow("statement") << "drop table Brewery";
        QTest::addRow("two statements") << "select * from Brewery; drop table Brewery";
        QTest::addRow("text in where") << "select * from Brewery where CityName = 'x'";
        QTest::addRow("unknown field") << "select * from Brewery Order By Nonsense";
        QTest::addRow("unknown table") << "select * from Customer";
        QTest::addRow("empty key") << "select * from Brewery Order By , PostalCode";
    }
    void refusesOtherQueries()
    {
        QFETCH(QString, source);
        ScratchRegister reg;
        reg.addCity("Bamberg");
        QVERIFY_THROWS_EXCEPTION(StoreError, Recordset(reg.file(), ParseRecordSource(source)));
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery"), 1);
    }

    void nullIsNotEmpty()
    {
        ScratchRegister reg;
        reg.addBrewery({"BY", "", "<null>", "Bamberg"});
        Recordset set(reg.file(), ParseRecordSource("Brewery"));
        QVERIFY(set.Fields("PostalCode").Value().isNull());
        QVERIFY(!set.Fields("CountyName").Value().isNull());
        QCOMPARE(set.Fields("CountyName").Value().toString(), QString());
        QCOMPARE(set.Fields("RowId").Value().typeId(), QMetaType::LongLong);
    }

    void findFirst_data()
    {
        QTest::addColumn<QString>("criterion");
        QTest::addColumn<int>("position"); // -1: no match, the current record stays
        QTest::addColumn<int>("before");   // cities listed before the eight
        QTest::addRow("prefix") << "CityName like 'Be*'" << 2 << 0;
        QTest::addRow("without regard to case") << "CityName like 'be*'" << 2 << 0;
        QTest::addRow("umlaut, lower case") << "CityName like 'öl*'" << 5 << 0;
        QTest::addRow("apostrophe doubled") << "CityName like 'L''Aquila*'" << 4 << 0;
        QTest::addRow("percent is literal") << "CityName like '100%*'" << 0 << 0;
        QTest::addRow("underscore is literal") << "CityName like 'B_*'" << -1 << 0;
        QTest::addRow("no match") << "CityName like 'Q*'" << -1 << 0;
        QTest::addRow("near the end") << "CityName like 'Zw*'" << 7 << 0;
        QTest::addRow("the first row") << "CityName like '0*'" << 0 << 70;
        QTest::addRow("far down the list") << "CityName like 'Be*'" << 72 << 70;
    }
    void findFirst()
    {
        QFETCH(QString, criterion);
        QFETCH(int, position);
        QFETCH(int, before);
        ScratchRegister reg;
        for (int city = 0; city < before; ++city)
            reg.addCity(QStringLiteral("0%1").arg(city, 3, 10, QLatin1Char('0')));
        for (const char *city : {"100% Bier", "Bamberg", "Berlin", "Bernau", "L'Aquila", "Ölbronn", "Zeil", "Zwiesel"})
            reg.addCity(QString::fromUtf8(city));
        Recordset set(reg.file(), ParseRecordSource("select * from Brewery Order By CityName, PostalCode, BreweryName"));
        set.setAbsolutePosition(3);
        QCOMPARE(set.FindFirst(criterion), position >= 0);
        QCOMPARE(set.AbsolutePosition(), position >= 0 ? position : 3);
    }

    void malformedCriterionIsRefused()
    {
        ScratchRegister reg;
        reg.addCity("Bamberg");
        Recordset set(reg.file(), ParseRecordSource("Brewery"));
        QVERIFY_THROWS_EXCEPTION(StoreError, set.FindFirst("CityName like 'Be*"));
        QVERIFY_THROWS_EXCEPTION(StoreError, set.FindFirst("CityName = 'Be'"));
        QVERIFY_THROWS_EXCEPTION(StoreError, set.FindFirst("Nonsense like 'Be*'"));
        QCOMPARE(set.AbsolutePosition(), 0);
    }

    void writesSurviveReopening()
    {
        ScratchRegister reg;
        const qint64 bamberg = reg.addCity("Bamberg");
        const qint64 coburg = reg.addCity("Coburg");
        {
            Recordset set(reg.file(), ParseRecordSource("select * from Brewery Order By CityName"));
            set.Edit();
            set.Fields("BreweryName").setValue("Schlenkerla");
            set.Fields("StopYear").setValue(QVariant());
            set.Update();
            set.AddNew();
            set.Fields("CityName").setValue("Dinkelsbühl");
            set.Update();
            QCOMPARE(set.RecordCount(), 3);
            QCOMPARE(set.AbsolutePosition(), 2);
            set.setAbsolutePosition(1);
            QCOMPARE(set.Fields("RowId").Value().toLongLong(), coburg);
            set.Delete();
            QCOMPARE(set.AbsolutePosition(), -1);
            set.MoveNext();
            QCOMPARE(set.Fields("CityName").Value().toString(), "Dinkelsbühl");
        }
        QCOMPARE(reg.sql().rows("SELECT RowId, CityName, BreweryName, StopYear FROM Brewery ORDER BY RowId"),
                 QList<QStringList>({{QString::number(bamberg), "Bamberg", "Schlenkerla", "<null>"},
                                     {QString::number(coburg + 1), "Dinkelsbühl", "<null>", "<null>"}}));
    }

    void deleteAndMoveNextEmptiesTheSet()
    {
        ScratchRegister reg;
        const qint64 id = reg.addCity("Bamberg");
        const qint64 other = reg.addCity("Coburg");
        for (int i = 0; i < 3; ++i)
            reg.addChronik(id, {"Eintrag", QString::number(i)});
        reg.addChronik(other, {"Fremd", "F"});
        Recordset set(reg.file(), ParseRecordSource(QStringLiteral("select * from BreweryChronik where ParentRowId = %1 ORDER By IdCode").arg(id)));
        if (!set.Bof())
            set.MoveFirst();
        while (!set.Eof()) {
            set.Delete();
            set.MoveNext();
        }
        QCOMPARE(set.RecordCount(), 0);
        QCOMPARE(reg.sql().column("SELECT BreweryNameLong FROM BreweryChronik"), QStringList{"Fremd"});
    }

    void refusedWritesChangeNothing()
    {
        ScratchRegister reg;
        const qint64 id = reg.addCity("Bamberg");
        Recordset chroniks(reg.file(), ParseRecordSource("BreweryChronik"));
        chroniks.AddNew();
        chroniks.Fields("BreweryNameLong").setValue("Waise");
        chroniks.Fields("ParentRowId").setValue(qint64(id + 1000));
        QVERIFY_THROWS_EXCEPTION(StoreError, chroniks.Update());
        QCOMPARE(chroniks.RecordCount(), 0);
        QCOMPARE(reg.sql().count("SELECT count(*) FROM BreweryChronik"), 0);

        Recordset breweries(reg.file(), ParseRecordSource("Brewery"));
        breweries.Edit();
        QVERIFY_THROWS_EXCEPTION(StoreError, breweries.Fields("RowId").setValue(qint64(99)));
        QVERIFY_THROWS_EXCEPTION(StoreError, Recordset(reg.file(), ParseRecordSource("Brewery")).Fields("CityName").setValue("x"));

        // A brewery cannot go while history entries still point at it.
        reg.addChronik(id, {"Eintrag"});
        QVERIFY_THROWS_EXCEPTION(StoreError, breweries.Delete());
        QCOMPARE(breweries.RecordCount(), 1);
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery"), 1);
    }
};

QTEST_GUILESS_MAIN(TestRecordset)
#include "tst_recordset.moc"
