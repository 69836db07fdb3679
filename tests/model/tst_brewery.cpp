#include "BreweryTexts.h"
#include "clsBrewery.h"

#include <QTest>

namespace {

QStringList codes(const clsBrewery &brewery)
{
    QStringList out;
    for (qint32 i = 1; i <= brewery.NmbrChroniks(); ++i)
        out << brewery.Chronik(i)->IdCode();
    return out;
}

clsBrewery withCodes(const QStringList &added)
{
    clsBrewery brewery;
    clsBreweryChronik transfer;
    for (const QString &code : added) {
        transfer.setIdCode(code);
        brewery.AddChronik(transfer);
    }
    return brewery;
}

} // namespace

class TestBrewery : public QObject {
    Q_OBJECT

private slots:
    void newObjectsAreEmpty()
    {
        const clsBrewery brewery;
        QCOMPARE(texts(brewery), QStringList(8, QString()));
        QCOMPARE(brewery.NmbrChroniks(), 0);
        QVERIFY(!brewery.Chronik(1));
        const clsBreweryChronik entry;
        QVERIFY(entry.IdCode().isEmpty() && entry.BreweryNameLong().isEmpty() && entry.StopYear().isEmpty());
    }

    void orderingPass_data()
    {
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("kept");
        QTest::addRow("two swapped") << QStringList{"B", "A"} << QStringList{"A", "B"};
        QTest::addRow("one pass only") << QStringList{"C", "B", "A"} << QStringList{"B", "A", "C"};
        QTest::addRow("already ascending") << QStringList{"A", "B", "C"} << QStringList{"A", "B", "C"};
        QTest::addRow("ordinal: capital before small") << QStringList{"B", "a"} << QStringList{"B", "a"};
        QTest::addRow("ordinal: digits as text") << QStringList{"10", "9"} << QStringList{"10", "9"};
        QTest::addRow("equal codes keep their places") << QStringList{"A", "A", "A"} << QStringList{"A", "A", "A"};
        QTest::addRow("umlaut after z by code unit") << QStringList{"Ä", "z"} << QStringList{"z", "Ä"};
    }
    void orderingPass()
    {
        QFETCH(QStringList, added);
        QFETCH(QStringList, kept);
        QCOMPARE(codes(withCodes(added)), kept);
    }

    void transferObjectIsCopied()
    {
        clsBrewery brewery;
        clsBreweryChronik transfer;
        transfer.setIdCode("1");
        transfer.setBreweryNameLong("Erste Brauerei");
        transfer.setBreweryName("Erste");
        transfer.setStartYear("1850");
        transfer.setStopYear("1900");
        QVERIFY(brewery.AddChronik(transfer));
        transfer.setIdCode("2");
        transfer.setBreweryNameLong("Zweite Brauerei");
        transfer.setBreweryName("Zweite");
        QVERIFY(brewery.AddChronik(transfer));
        transfer.setBreweryName("changed afterwards");

        QCOMPARE(brewery.NmbrChroniks(), 2);
        QCOMPARE(brewery.Chronik(1)->BreweryNameLong(), "Erste Brauerei");
        QCOMPARE(brewery.Chronik(1)->BreweryName(), "Erste");
        QCOMPARE(brewery.Chronik(1)->StartYear(), "1850");
        QCOMPARE(brewery.Chronik(1)->StopYear(), "1900");
        QCOMPARE(brewery.Chronik(2)->BreweryName(), "Zweite");
        QVERIFY(!(brewery.Chronik(1).identity() == brewery.Chronik(2).identity()));
    }

    void entriesAreShared()
    {
        clsBrewery brewery = withCodes({"A", "B", "C"});
        auto second = brewery.Chronik(2);
        second->setBreweryName("Geändert");
        QCOMPARE(brewery.Chronik(2)->BreweryName(), "Geändert");
        QVERIFY(brewery.Chronik(2).identity() == second.identity());
        // The caller's reference outlives the brewery's.
        QVERIFY(brewery.PurgeChroniks());
        QCOMPARE(second->BreweryName(), "Geändert");
    }

    // A kept handle is its entry, not a place in the list: it reads and
    // writes that entry wherever the list moves it and after it leaves the
    // list. A copy of a brewery has entries of its own.
    void handlesStayWithTheirEntries_data()
    {
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<int>("kept");
        QTest::addColumn<QString>("change"); // "delete N" or "add CODE"
        QTest::addColumn<QStringList>("listAfterWrite");
        QTest::addRow("an entry before it deleted") << QStringList{"A", "B", "C"} << 2 << "delete 1"
                                                    << QStringList{"Kept", "C"};
        QTest::addRow("itself deleted") << QStringList{"A", "B", "C"} << 2 << "delete 2" << QStringList{"A", "C"};
        QTest::addRow("the last deleted") << QStringList{"A", "B"} << 2 << "delete 2" << QStringList{"A"};
        QTest::addRow("moved by the ordering pass") << QStringList{"A", "C"} << 2 << "add B"
                                                    << QStringList{"A", "B", "Kept"};
    }
    void handlesStayWithTheirEntries()
    {
        QFETCH(QStringList, added);
        QFETCH(int, kept);
        QFETCH(QString, change);
        QFETCH(QStringList, listAfterWrite);
        clsBrewery brewery = withCodes(added);
        const clsBrewery copy = brewery;
        const ChronikRef handle = brewery.Chronik(kept);
        const QString own = handle->IdCode();
        const QString argument = change.section(' ', 1);
        if (change.startsWith("delete")) {
            QVERIFY(brewery.DeleteChronik(argument.toInt()));
        } else {
            clsBreweryChronik transfer;
            transfer.setIdCode(argument);
            brewery.AddChronik(transfer);
        }
        QCOMPARE(handle->IdCode(), own);
        handle->setIdCode("Kept");
        QCOMPARE(handle->IdCode(), QStringLiteral("Kept"));
        QCOMPARE(codes(brewery), listAfterWrite);
        QCOMPARE(codes(copy), added);
    }

    // What Chronik() hands out is taken by AddChronik as a transfer object.
    void handedOutEntriesCanBeAdded()
    {
        clsBrewery brewery = withCodes({"A", "B"});
        clsBrewery other;
        other.AddChronik(brewery.Chronik(2));
        brewery.AddChronik(brewery.Chronik(1));
        QCOMPARE(codes(other), QStringList({"B"}));
        QCOMPARE(codes(brewery), QStringList({"A", "A", "B"}));
        brewery.Chronik(1)->setIdCode("X");
        QCOMPARE(brewery.Chronik(2)->IdCode(), QStringLiteral("A"));
    }

    // Texts of every length, kept a byte or two a character, come back
    // whole from the blocks they are kept in.
    void storedTextsReadBackWhole()
    {
        TextStore store;
        std::vector<QString> texts;
        std::vector<TextStore::Id> ids;
        for (int i = 0; i < 20000; ++i) {
            texts.push_back(QString(i % 97, QChar(i % 7 ? u'ä' : u'Ł')) + QString::number(i));
            ids.push_back(store.add(texts.back()));
        }
        texts.push_back("NW68610-12");
        ids.push_back(store.addAscii("NW68610-12"));
        texts.push_back(QString(3 << 20, u'ß'));
        ids.push_back(store.add(texts.back()));
        QCOMPARE(store.add(QString()), TextStore::Id(0));
        QCOMPARE(store.view(0), QStringView());
        for (size_t i = 0; i < texts.size(); ++i)
            QCOMPARE(store.view(ids[i]).toString(), texts[i]);
    }

    void deleteAndPurgeBounds_data()
    {
        QTest::addColumn<QStringList>("start");
        QTest::addColumn<int>("number");
        QTest::addColumn<bool>("removed");
        QTest::addColumn<QStringList>("left");
        const QStringList abc{"A", "B", "C"};
        QTest::addRow("zero") << abc << 0 << false << abc;
        QTest::addRow("negative") << abc << -1 << false << abc;
        QTest::addRow("past the end") << abc << 4 << false << abc;
        QTest::addRow("middle") << abc << 2 << true << QStringList{"A", "C"};
        QTest::addRow("last") << abc << 3 << true << QStringList{"A", "B"};
        QTest::addRow("only entry") << QStringList{"A"} << 1 << true << QStringList();
        QTest::addRow("none at all") << QStringList() << 1 << false << QStringList();
    }
    void deleteAndPurgeBounds()
    {
        QFETCH(QStringList, start);
        QFETCH(int, number);
        QFETCH(bool, removed);
        QFETCH(QStringList, left);
        clsBrewery brewery = withCodes(start);
        QCOMPARE(brewery.DeleteChronik(number), removed);
        QCOMPARE(codes(brewery), left);
        QCOMPARE(brewery.NmbrChroniks(), left.size());
        QVERIFY(!brewery.Chronik(0));
        QVERIFY(!brewery.Chronik(brewery.NmbrChroniks() + 1));
        QVERIFY(brewery.PurgeChroniks());
        QCOMPARE(brewery.NmbrChroniks(), 0);
        QVERIFY(!brewery.Chronik(1));
    }

    void importLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("expected");
        const QString before = "old";
        QTest::addRow("eight fields")
            << "BY\tOberfranken\t96047\tBamberg\tB-1\tSchlenkerla\t1405\t2020"
            << QStringList{"BY", "Oberfranken", "96047", "Bamberg", "B-1", "Schlenkerla", "1405", "2020"};
        QTest::addRow("seven fields keep StopYear")
            << "BY\tOberfranken\t96047\tBamberg\tB-1\tSchlenkerla\t1405"
            << QStringList{"BY", "Oberfranken", "96047", "Bamberg", "B-1", "Schlenkerla", "1405", before};
        QTest::addRow("trailing tab adds no field")
            << "BY\tOberfranken\t96047\tBamberg\tB-1\tSchlenkerla\t1405\t"
            << QStringList{"BY", "Oberfranken", "96047", "Bamberg", "B-1", "Schlenkerla", "1405", before};
        QTest::addRow("nine fields keep StopYear")
            << "BY\tOberfranken\t96047\tBamberg\tB-1\tSchlenkerla\t1405\t2020\textra"
            << QStringList{"BY", "Oberfranken", "96047", "Bamberg", "B-1", "Schlenkerla", "1405", before};
        QTest::addRow("blanks trimmed, other white space kept")
            << "  BY \t   \t\t Bräu  \t\tName\t1900\t2000\r"
            << QStringList{"BY", "", "", "Bräu", "", "Name", "1900", "2000\r"};
        QTest::addRow("empty fields")
            << "\t\t\t\t\t\t\t" << QStringList{"", "", "", "", "", "", "", before};
    }
    void importLine()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, expected);
        clsBrewery brewery;
        brewery.setStopYear("old");
        clsBreweryChronik entry;
        brewery.AddChronik(entry);
        QVERIFY(brewery.ImportTabDelimitedString(line));
        QCOMPARE(texts(brewery), expected);
        QCOMPARE(brewery.NmbrChroniks(), 1);
    }

    void shortLineChangesNothing_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addRow("empty") << "";
        QTest::addRow("six fields") << "a\tb\tc\td\te\tf";
        QTest::addRow("six fields and trailing tab") << "a\tb\tc\td\te\tf\t";
    }
    void shortLineChangesNothing()
    {
        QFETCH(QString, line);
        clsBrewery brewery;
        brewery.ImportTabDelimitedString("1\t2\t3\t4\t5\t6\t7\t8");
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, brewery.ImportTabDelimitedString(line));
        QCOMPARE(texts(brewery), QStringList({"1", "2", "3", "4", "5", "6", "7", "8"}));
    }
};

QTEST_GUILESS_MAIN(TestBrewery)
#include "tst_brewery.moc"
