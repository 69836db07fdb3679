#include "ReadWrite.h"
#include "clsBrewery.h"

#include <QRandomGenerator>
#include <QTest>

class TestSplitString : public QObject {
    Q_OBJECT

private slots:
    void splits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("delimiter");
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("pieces");
        QTest::addRow("empty piece between") << "a\t\tb" << "\t" << -1 << 0 << QStringList{"a", "", "b"};
        QTest::addRow("delimiter first") << "\ta" << "\t" << -1 << 0 << QStringList{"", "a"};
        QTest::addRow("no delimiter") << "abc" << "\t" << -1 << 0 << QStringList{"abc"};
        QTest::addRow("trailing delimiter") << "a\tb\t" << "\t" << -1 << 0 << QStringList{"a", "b"};
        QTest::addRow("only a delimiter") << "\t" << "\t" << -1 << 0 << QStringList{""};
        QTest::addRow("limit drops the rest") << "a\tb\tc" << "\t" << 2 << 0 << QStringList{"a", "b"};
        QTest::addRow("limit above count") << "a\tb" << "\t" << 5 << 0 << QStringList{"a", "b"};
        QTest::addRow("two-character delimiter") << "x||y" << "||" << -1 << 0 << QStringList{"x", "y"};
        QTest::addRow("overlapping delimiter") << "x|||y" << "||" << -1 << 0 << QStringList{"x", "|y"};
        QTest::addRow("exact mode sees case") << "aXbxc" << "x" << -1 << 0 << QStringList{"aXb", "c"};
        QTest::addRow("text mode ignores case") << "aXbxc" << "x" << -1 << 1 << QStringList{"a", "b", "c"};
        QTest::addRow("text mode, umlaut") << "oÄuäi" << "ä" << -1 << 1 << QStringList{"o", "u", "i"};
        QTest::addRow("empty text") << "" << "\t" << -1 << 0 << QStringList();
        QTest::addRow("limit zero") << "a\tb" << "\t" << 0 << 0 << QStringList();
    }
    void splits()
    {
        QFETCH(QString, text);
        QFETCH(QString, delimiter);
        QFETCH(int, limit);
        QFETCH(int, mode);
        QFETCH(QStringList, pieces);
        QCOMPARE(SplitString(text, delimiter, limit, mode), pieces);
    }

    void manyPiecesInOrder()
    {
        QStringList expected;
        for (int i = 0; i < 150; ++i)
            expected << QString::number(i);
        QCOMPARE(SplitString(expected.join('\t'), "\t", -1, CompareBinary), expected);
        QCOMPARE(SplitString(expected.join('\t'), "\t", 120, CompareBinary), expected.mid(0, 120));
    }

    void refusesBadArguments()
    {
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, SplitString("abc", "", -1, CompareBinary));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, SplitString("abc", "\t", -1, 2));
    }

    // Generated lines of tabs, blanks, umlauts and control characters: the
    // pieces joined again give the text back (up to one trailing delimiter),
    // a limit is never exceeded, and import either fills a brewery or
    // refuses a short line without touching it.
    void generatedLines()
    {
        QRandomGenerator gen(8122026);
        const QString alphabet = QString::fromUtf8("\t\t\t  aZäÖß\r\n\x01\x7f'\"%");
        for (int n = 0; n < 4000; ++n) {
            QString line;
            const int length = int(gen.bounded(40));
            for (int i = 0; i < length; ++i)
                line += alphabet.at(int(gen.bounded(alphabet.size())));
            const QString delimiter = n % 3 ? QStringLiteral("\t") : QStringLiteral("\t ");
            const QStringList pieces = SplitString(line, delimiter, -1, CompareBinary);
            const QString joined = pieces.join(delimiter);
            QVERIFY2(joined == line || joined + delimiter == line, qPrintable(line));

            const int limit = int(gen.bounded(6));
            QVERIFY(SplitString(line, delimiter, limit, CompareText).size() <= limit);

            clsBrewery brewery;
            brewery.setStopYear("unchanged");
            const QStringList tabs = SplitString(line, "\t", -1, CompareBinary);
            if (tabs.size() < 7) {
                QVERIFY_THROWS_EXCEPTION(std::out_of_range, brewery.ImportTabDelimitedString(line));
                QCOMPARE(brewery.StateName(), QString());
            } else {
                QVERIFY(brewery.ImportTabDelimitedString(line));
                QVERIFY(!brewery.CityName().startsWith(' ') && !brewery.CityName().endsWith(' '));
                QCOMPARE(brewery.StopYear() == "unchanged", tabs.size() != 8);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestSplitString)
#include "tst_splitstring.moc"
