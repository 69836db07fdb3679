#include "RegisterCheck.h"
#include "ScratchRegister.h"

#include <QTest>

namespace {

struct Case {
    QList<QStringList> breweries; // each: eight values, "<null>" for Null
    // History entries of the first brewery: five values each.
    QList<QStringList> chroniks;
};

QStringList ruleNames(const std::vector<Finding> &found)
{
    QStringList names;
    for (const Finding &finding : found)
        names << RuleName(finding.rule);
    return names;
}

} // namespace

Q_DECLARE_METATYPE(Case)

class RegisterCheckTest : public QObject {
    Q_OBJECT

private slots:
    void findings_data()
    {
        QTest::addColumn<Case>("rows");
        QTest::addColumn<QStringList>("expected");
        const QStringList sound = {"BY", "Ofr", "96047", "Bamberg", "B1", "Spezial", "1536", ""};
        QTest::addRow("sound") << Case{{sound}, {{"Brauerei Spezial", "B1a", "Spezial", "1536", "1900"}}} << QStringList();
        QTest::addRow("not a year") << Case{{{"BY", "Ofr", "96047", "Bamberg", "B1", "Spezial", "abc", ""}}, {}}
                                    << QStringList{"Year"};
        QTest::addRow("a year not known exactly") << Case{{{"BY", "Ofr", "96047", "Bamberg", "B1", "Spezial", "um 1536", ""}}, {}}
                                                  << QStringList{"Year"};
        QTest::addRow("stop before start") << Case{{{"BY", "Ofr", "96047", "Bamberg", "B1", "Spezial", "1850", "1200"}}, {}}
                                           << QStringList{"Stop before start"};
        QTest::addRow("postal code") << Case{{{"BY", "Ofr", "9609x1", "Bamberg", "B1", "Spezial", "1536", ""}}, {}}
                                     << QStringList{"Postal code"};
        QTest::addRow("blanks of another program") << Case{{{"BY", "Ofr", "96047", "Bamberg ", "B1", "Spe\tzial", "1536", ""}}, {}}
                                                   << QStringList{"Blanks or control characters", "Blanks or control characters"};
        QTest::addRow("rare state") << Case{{{"XX", "Ofr", "96047", "Bamberg", "B1", "Spezial", "1536", ""}}, {}}
                                    << QStringList{"Rare state"};
        QTest::addRow("German state in lower case") << Case{{{"by", "Ofr", "96047", "Bamberg", "B1", "Spezial", "1536", ""}}, {}}
                                                    << QStringList();
        QTest::addRow("history before its brewery") << Case{{{"BY", "Ofr", "96047", "Bamberg", "B1", "Spezial", "1850", "1950"}},
                                                            {{"", "B1a", "Spezial", "1800", "1900"}}}
                                                    << QStringList{"History outside its brewery"};
        QTest::addRow("history overlaps") << Case{{sound},
                                                  {{"", "B1a", "A", "1600", "1700"}, {"", "B1b", "B", "1650", "1800"}}}
                                          << QStringList{"History periods overlap"};
        QTest::addRow("periods meeting at a year") << Case{{sound}, {{"", "B1a", "A", "1600", "1700"}, {"", "B1b", "B", "1700", "1800"}}}
                                                   << QStringList();
        QTest::addRow("same ID") << Case{{sound, {"BY", "Ofr", "96049", "Bamberg", "B1", "Fässla", "1649", ""}}, {}}
                                 << QStringList{"Duplicate"};
        QTest::addRow("same name and city, folded") << Case{{{"BY", "Obb", "80331", "München", "M1", "Löwenbräu", "1383", ""},
                                                             {"BY", "Obb", "80335", "MUENCHEN", "M2", "Brauerei Loewenbraeu", "1383", ""}},
                                                            {}}
                                                    << QStringList{"Duplicate"};
        QTest::addRow("same name, other city") << Case{{{"BY", "Obb", "80331", "München", "M1", "Löwenbräu", "1383", ""},
                                                        {"BY", "Ofr", "96450", "Coburg", "C1", "Löwenbräu", "1600", ""}},
                                                       {}}
                                               << QStringList();
    }
    void findings()
    {
        QFETCH(Case, rows);
        QFETCH(QStringList, expected);
        ScratchRegister reg;
        qint64 first = -1;
        for (const QStringList &brewery : rows.breweries) {
            const qint64 key = reg.addBrewery(brewery);
            if (first < 0)
                first = key;
        }
        for (const QStringList &entry : rows.chroniks)
            reg.addChronik(first, entry);
        const std::vector<Finding> found = CheckRegister(*reg.file(), 2026);
        QCOMPARE(ruleNames(found), expected);
        for (const Finding &finding : found) {
            QVERIFY(!finding.text.isEmpty());
            QVERIFY(finding.brewery > 0);
        }
    }

    void findingNamesItsBreweryAndEntry()
    {
        ScratchRegister reg;
        const qint64 key = reg.addBrewery({"BY", "Ofr", "96047", "Bamberg", "B1", "Spezial", "1850", "1950"});
        reg.addChronik(key, {"", "B1a", "Spezial", "1800", "1900"});
        const qint64 entry = reg.sql().count("SELECT max(rowid) FROM BreweryChronik");
        const std::vector<Finding> found = CheckRegister(*reg.file(), 2026);
        QCOMPARE(found.size(), size_t(1));
        QCOMPARE(found[0].brewery, key);
        QCOMPARE(found[0].chronik, entry);
        QCOMPARE(found[0].breweryName, QString("Spezial"));
        QCOMPARE(found[0].city, QString("Bamberg"));
        QCOMPARE(found[0].text, QString("History entry begins in 1800, before its brewery (1850)"));
    }
};

QTEST_MAIN(RegisterCheckTest)
#include "tst_registercheck.moc"
