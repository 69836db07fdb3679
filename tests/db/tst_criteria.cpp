#include "LikeCriterion.h"
#include "Recordset.h"
#include "ScratchRegister.h"
#include "RecordSource.h"
#include "StoreError.h"

#include <QRandomGenerator>
#include <QTest>

class TestCriteria : public QObject {
    Q_OBJECT

private slots:
    void likeMatches_data()
    {
        QTest::addColumn<QString>("criterion");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("matches");
        QTest::addRow("prefix") << "CityName like 'Be*'" << "Berlin" << true;
        QTest::addRow("prefix is not infix") << "CityName like 'Be*'" << "Abensberg" << false;
        QTest::addRow("case") << "CityName like 'BE*'" << "berlin" << true;
        QTest::addRow("umlaut case") << "CityName like 'ÖL*'" << "Ölbronn" << true;
        QTest::addRow("umlaut is not its base") << "CityName like 'Ol*'" << "Ölbronn" << false;
        QTest::addRow("exact without star") << "CityName like 'Bamberg'" << "Bamberg" << true;
        QTest::addRow("whole value without star") << "CityName like 'Bam'" << "Bamberg" << false;
        QTest::addRow("question mark") << "CityName like 'B?mberg'" << "Bamberg" << true;
        QTest::addRow("star in the middle") << "CityName like 'B*g'" << "Bamberg" << true;
        QTest::addRow("doubled apostrophe") << "CityName like 'L''A*'" << "L'Aquila" << true;
        QTest::addRow("empty prefix") << "CityName like '*'" << "" << true;
        QTest::addRow("sql wildcard literal") << "CityName like '%*'" << "Bamberg" << false;
        QTest::addRow("spaces around like") << "  CityName   LIKE   'Ba*'  " << "Bamberg" << true;
    }
    void likeMatches()
    {
        QFETCH(QString, criterion);
        QFETCH(QString, value);
        QFETCH(bool, matches);
        const LikeCriterion like = LikeCriterion::parse(criterion);
        QCOMPARE(like.field(), "CityName");
        QCOMPARE(like.matches(value), matches);
    }


    // The jump list's prefixes are cities' beginnings: taken literally, so
    // that a city beginning with a wildcard character is found, and only it.
    void prefixIsLiteral_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("matches");
        QTest::addRow("plain") << "Ba" << "Bamberg" << true;
        QTest::addRow("case") << "BA" << "bamberg" << true;
        QTest::addRow("apostrophe") << "L'" << "L'Aquila" << true;
        QTest::addRow("star is no wildcard") << "*B" << "Bamberg" << false;
        QTest::addRow("star itself") << "*B" << "*Bergen" << true;
        QTest::addRow("question mark is no wildcard") << "B?" << "Ba" << false;
    }
    void prefixIsLiteral()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, value);
        QFETCH(bool, matches);
        QCOMPARE(LikeCriterion::startingWith("CityName", prefix).matches(value), matches);
    }
    void likeRefuses_data()
    {
        QTest::addColumn<QString>("criterion");
        QTest::addRow("empty") << "";
        QTest::addRow("no quotes") << "CityName like Be*";
        QTest::addRow("unclosed") << "CityName like 'Be*";
        QTest::addRow("lone apostrophe inside") << "CityName like 'L'Aquila*'";
        QTest::addRow("trailing statement") << "CityName like 'Be*'; drop table Brewery";
        QTest::addRow("other operator") << "CityName = 'Be'";
        QTest::addRow("no field") << "like 'Be*'";
    }
    void likeRefuses()
    {
        QFETCH(QString, criterion);
        QVERIFY_THROWS_EXCEPTION(StoreError, LikeCriterion::parse(criterion));
    }

    void recordSources_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("where");
        QTest::addColumn<QStringList>("order");
        QTest::addRow("table") << "Brewery" << "Brewery" << "" << QStringList();
        QTest::addRow("sorted") << "select * from Brewery Order By CityName, PostalCode, BreweryName" << "Brewery" << ""
                                << QStringList{"CityName", "PostalCode", "BreweryName"};
        QTest::addRow("repeated key") << "select * from Brewery Order By CityName, CityName, CityName" << "Brewery" << ""
                                      << QStringList{"CityName", "CityName", "CityName"};
        QTest::addRow("history") << "select * from BreweryChronik where ParentRowId = 17 ORDER By IdCode"
                                 << "BreweryChronik" << "ParentRowId=17" << QStringList{"IdCode"};
        QTest::addRow("no brewery, two blanks") << "select * from BreweryChronik where ParentRowId = 0  ORDER By IdCode"
                                                << "BreweryChronik" << "ParentRowId=0" << QStringList{"IdCode"};
        QTest::addRow("loader") << "select * from BreweryChronik where ParentRowId = 5" << "BreweryChronik"
                                << "ParentRowId=5" << QStringList();
        QTest::addRow("both ways") << "select * from Brewery Order By CityName DESC, PostalCode asc, IdCode desc"
                                   << "Brewery" << "" << QStringList{"CityName desc", "PostalCode", "IdCode desc"};
    }
    void recordSources()
    {
        QFETCH(QString, text);
        QFETCH(QString, table);
        QFETCH(QString, where);
        QFETCH(QStringList, order);
        const RecordSource source = ParseRecordSource(text);
        QCOMPARE(source.table, table);
        QCOMPARE(source.whereField.isEmpty() ? QString() : source.whereField + "=" + QString::number(*source.whereValue), where);
        QStringList keys;
        for (qsizetype i = 0; i < source.orderBy.size(); ++i)
            keys << source.orderBy.at(i) + (source.isDescending(i) ? " desc" : "");
        QCOMPARE(keys, order);
    }

    // Generated criteria run against a register: whatever they hold, the
    // store's SQL texts never contain them.
    void criteriaNeverReachSql()
    {
        ScratchRegister reg;
        reg.addCity("Zq'; DROP TABLE Brewery; --");
        reg.addCity("Bamberg");
        QStringList statements;
        sqlite3_trace_v2(reg.file()->handle(), SQLITE_TRACE_STMT,
                         [](unsigned, void *context, void *, void *sql) {
                             static_cast<QStringList *>(context)->append(QString::fromUtf8(static_cast<const char *>(sql)));
                             return 0;
                         },
                         &statements);
        Recordset set(reg.file(), ParseRecordSource("select * from Brewery Order By CityName, CityName, CityName"));
        QRandomGenerator gen(4242);
        const QString alphabet = QStringLiteral("Zq';%_*? -\\\"()DROPTABLE");
        int found = 0;
        for (int n = 0; n < 2000; ++n) {
            QString prefix = QStringLiteral("Zq");
            for (int i = int(gen.bounded(10)); i > 0; --i)
                prefix += alphabet.at(int(gen.bounded(alphabet.size())));
            QString quoted = prefix;
            quoted.replace("'", "''");
            if (set.FindFirst("CityName like '" + quoted + "*'"))
                ++found;
        }
        sqlite3_trace_v2(reg.file()->handle(), 0, nullptr, nullptr);
        QVERIFY(found > 0);
        QVERIFY(!statements.isEmpty());
        for (const QString &sql : std::as_const(statements))
            QVERIFY2(!sql.contains("Zq"), qPrintable(sql));
    }

    // Thousands of generated criteria: each one is either refused with
    // StoreError or parsed, and matching never hangs or crashes.
    void likeFuzz()
    {
        QRandomGenerator gen(20261208);
        const QString alphabet = QStringLiteral("aB*?'%_ \t\"\\;-Öß\x01");
        int parsed = 0;
        for (int n = 0; n < 5000; ++n) {
            QString pattern;
            const int length = int(gen.bounded(12));
            for (int i = 0; i < length; ++i)
                pattern += alphabet.at(int(gen.bounded(alphabet.size())));
            const QString criterion = "CityName like '" + pattern + "'";
            try {
                const LikeCriterion like = LikeCriterion::parse(criterion);
                ++parsed;
                like.matches(QStringLiteral("aBÖß aB*?'%_ ").repeated(int(gen.bounded(50))));
            } catch (const StoreError &) {
                QVERIFY(pattern.contains('\''));
            }
        }
        QVERIFY(parsed > 1000);
    }
};

QTEST_GUILESS_MAIN(TestCriteria)
#include "tst_criteria.moc"
