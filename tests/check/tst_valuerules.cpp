#include "ValueRules.h"

#include <QHash>
#include <QTest>

class ValueRulesTest : public QObject {
    Q_OBJECT

private:
    // The note on `field` of a brewery whose years and postal code are these.
    static std::optional<ValueNote> note(const QString &field, const QString &start, const QString &stop,
                                         const QString &postal = QString())
    {
        const QHash<QString, QString> values{{"StartYear", start}, {"StopYear", stop}, {"PostalCode", postal}};
        const QHash<QString, QString> captions{{"StartYear", "*Jahr"}, {"StopYear", "+Jahr"}, {"PostalCode", "PLZ"}};
        return ValueRules(2026).noteOn(field, [&](const QString &f) { return values.value(f); },
                                       [&](const QString &f) { return captions.value(f); });
    }

private slots:
    void years_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("stop");
        QTest::addColumn<QString>("expected"); // empty: no note
        QTest::addColumn<bool>("error");
        QTest::addRow("a year") << "StartYear" << "1850" << "" << "" << false;
        QTest::addRow("three digits") << "StartYear" << "805" << "" << "" << false;
        QTest::addRow("empty") << "StartYear" << "" << "1900" << "" << false;
        QTest::addRow("letters") << "StartYear" << "abc" << "" << "*Jahr \"abc\" is not a year" << true;
        QTest::addRow("five digits") << "StartYear" << "18500" << "" << "*Jahr \"18500\" is not a year" << true;
        QTest::addRow("um 1850") << "StartYear" << "um 1850" << "" << "*Jahr \"um 1850\" is a year not known exactly" << false;
        QTest::addRow("1850?") << "StartYear" << "1850?" << "" << "*Jahr \"1850?\" is a year not known exactly" << false;
        QTest::addRow("vor 1900") << "StopYear" << "1850" << "vor 1900" << "+Jahr \"vor 1900\" is a year not known exactly"
                                  << false;
        QTest::addRow("1850/51") << "StartYear" << "1850/51" << "" << "*Jahr \"1850/51\" is a year not known exactly" << false;
        QTest::addRow("the future") << "StopYear" << "1850" << "2150" << "+Jahr 2150 lies in the future" << true;
        QTest::addRow("this year") << "StopYear" << "1850" << "2026" << "" << false;
        QTest::addRow("stop before start") << "StopYear" << "1850" << "1200" << "+Jahr 1200 lies before *Jahr 1850" << true;
        QTest::addRow("stop before an approximate start") << "StopYear" << "um 1850" << "1800"
                                                          << "+Jahr 1800 lies before *Jahr um 1850" << true;
        QTest::addRow("stop in the start's year") << "StopYear" << "1850" << "1850" << "" << false;
        QTest::addRow("the start is not told of the stop") << "StartYear" << "1850" << "1200" << "" << false;
    }
    void years()
    {
        QFETCH(QString, field);
        QFETCH(QString, start);
        QFETCH(QString, stop);
        QFETCH(QString, expected);
        QFETCH(bool, error);
        const std::optional<ValueNote> found = note(field, start, stop);
        QCOMPARE(found ? found->text : QString(), expected);
        if (found)
            QCOMPARE(found->error, error);
    }

    void postalCodes_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("error");
        QTest::addRow("five digits") << "96047" << "" << false;
        QTest::addRow("none") << "" << "" << false;
        QTest::addRow("before 1993") << "8600" << "PLZ 8600 is a four-digit postal code of before 1993" << false;
        QTest::addRow("a letter in it") << "9609x1" << "PLZ \"9609x1\" is neither five digits nor a four-digit code of before 1993"
                                        << true;
        QTest::addRow("six digits") << "960471" << "PLZ \"960471\" is neither five digits nor a four-digit code of before 1993"
                                    << true;
    }
    void postalCodes()
    {
        QFETCH(QString, code);
        QFETCH(QString, expected);
        QFETCH(bool, error);
        const std::optional<ValueNote> found = note("PostalCode", "", "", code);
        QCOMPARE(found ? found->text : QString(), expected);
        if (found)
            QCOMPARE(found->error, error);
    }
};

QTEST_MAIN(ValueRulesTest)
#include "tst_valuerules.moc"
