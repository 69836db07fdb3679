// The register service on a shared register, against a PostgreSQL server of
// the test's own: the server's own check, keys of new rows, and other
// editors' commits arriving by key.
#include "ListedCities.h"
#include "PgTestServer.h"
#include "Register.h"
#include "RegisterFile.h"
#include "RegisterSchema.h"
#include "SecondConnection.h"
#include "StoreError.h"
#include "Transaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

namespace {

std::unique_ptr<Register> opened(const QString &uri)
{
    auto reg = std::make_unique<Register>(uri);
    reg->open();
    reg->sortBreweries({QStringLiteral("CityName")});
    return reg;
}

// Both tables row by row in key order, Null as "<null>": the same query
// on the server and on a window's copy.
QList<QStringList> tablesOf(const SecondConnection &at)
{
    const auto quoted = [](const QStringList &fields) {
        QStringList names;
        for (const QString &field : fields)
            names << '"' + field + '"';
        return names.join(", ");
    };
    return at.rows("SELECT " + quoted(RegisterSchema::BreweryFields) + " FROM \"Brewery\" ORDER BY \"RowId\"")
        + at.rows("SELECT \"ChronikId\", " + quoted(RegisterSchema::ChronikFields)
                  + " FROM \"BreweryChronik\" ORDER BY \"ChronikId\"");
}

} // namespace

class TestSharedMirror : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_server = std::make_unique<PgTestServer>();
        QVERIFY2(m_server->setUpRegister("society"), qPrintable(m_server->problem()));
        QVERIFY(m_server->addUsers({"anna", "bert"}, {"rita"}));
    }

    void init()
    {
        QVERIFY(m_server->admin("DELETE FROM \"BreweryChronik\"; DELETE FROM \"Brewery\"; "
                                "INSERT INTO \"Brewery\" (\"CityName\") VALUES ('Aying'), ('Bamberg'); "
                                "INSERT INTO \"BreweryChronik\" (\"BreweryNameLong\", \"ParentRowId\") "
                                "SELECT 'Brauerei ' || \"CityName\", \"RowId\" FROM \"Brewery\"",
                                "society"));
    }

    // A write against a row another editor changed, made before this
    // register heard of the change, is refused by the server, and nothing
    // of it stays.
    void serverRefusesWhatItsCopyMissed_data()
    {
        QTest::addColumn<bool>("deleting");
        QTest::newRow("edit") << false;
        QTest::newRow("delete") << true;
    }

    void serverRefusesWhatItsCopyMissed()
    {
        QFETCH(bool, deleting);
        const std::unique_ptr<Register> anna = opened(m_server->uri("society", "anna"));
        const std::unique_ptr<Register> bert = opened(m_server->uri("society", "bert"));
        // A brewery is deleted with its history only: the history entry of
        // the first brewery stands for the row here.
        const auto list = [deleting](Register &reg) -> ::Recordset & {
            if (!deleting)
                return reg.breweries()->Recordset();
            reg.showHistoryOf(reg.breweries()->Recordset().keyAt(0));
            return reg.chroniks()->Recordset();
        };
        const QString field = deleting ? QStringLiteral("BreweryNameLong") : QStringLiteral("CityName");
        ::Recordset &first = list(*anna);
        first.Edit();
        first.Fields(field).setValue(QStringLiteral("Coburg"));
        first.Update();

        ::Recordset &stale = list(*bert);
        int code = 0;
        try {
            if (deleting) {
                stale.Delete();
            } else {
                stale.Edit();
                stale.Fields(field).setValue(QStringLiteral("Hof"));
                stale.Update();
            }
        } catch (const StoreError &e) {
            code = e.code();
        }
        QCOMPARE(code, int(StoreError::RowChangedElsewhere));
        QVERIFY(m_server->admin(QStringLiteral("SELECT string_agg(\"%1\", ',' ORDER BY \"%2\") FROM \"%3\"")
                                    .arg(field, deleting ? "ChronikId" : "RowId",
                                         deleting ? "BreweryChronik" : "Brewery"),
                                "society"));
        QCOMPARE(m_server->output(), deleting ? QStringLiteral("Coburg,Brauerei Bamberg") : QStringLiteral("Coburg,Bamberg"));
    }

    // Two editors adding at once never give out the same key.
    void newRowsGetTheirOwnKeys()
    {
        const std::unique_ptr<Register> anna = opened(m_server->uri("society", "anna"));
        const std::unique_ptr<Register> bert = opened(m_server->uri("society", "bert"));
        std::vector<qint64> keys;
        for (Register *reg : {anna.get(), bert.get()}) {
            ::Recordset &list = reg->breweries()->Recordset();
            list.AddNew();
            list.Fields("CityName").setValue(QStringLiteral("Hof"));
            list.Update();
            keys.push_back(list.keyAt(list.RecordCount() - 1));
        }
        QVERIFY(keys[0] != keys[1]);
        QVERIFY(m_server->admin("SELECT count(DISTINCT \"RowId\") FROM \"Brewery\" WHERE \"CityName\" = 'Hof'",
                                "society"));
        QCOMPARE(m_server->output(), QStringLiteral("2"));
    }

    // Another program's commit arrives in the register and is placed in
    // the list by key; one too large for the server to record its keys
    // arrives whole, and the list is read anew.
    void othersCommitsArrive_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<bool>("whole");
        QTest::addColumn<QStringList>("cities");
        QTest::newRow("changed") << "UPDATE \"Brewery\" SET \"CityName\" = 'Coburg' WHERE \"CityName\" = 'Aying'"
                                 << false << QStringList{"Bamberg", "Coburg"};
        QTest::newRow("added") << "INSERT INTO \"Brewery\" (\"CityName\") VALUES ('Hof')" << false
                               << QStringList{"Aying", "Bamberg", "Hof"};
        QTest::newRow("deleted with its history")
            << "DELETE FROM \"BreweryChronik\" WHERE \"ParentRowId\" IN (SELECT \"RowId\" FROM \"Brewery\" WHERE "
               "\"CityName\" = 'Bamberg'); DELETE FROM \"Brewery\" WHERE \"CityName\" = 'Bamberg'"
            << false << QStringList{"Aying"};
        QTest::newRow("many, by key") << "UPDATE \"Brewery\" SET \"CityName\" = 'Selb'; INSERT INTO \"Brewery\" "
                                         "(\"CityName\") SELECT 'Selb' FROM generate_series(1, 400)"
                                      << false << QStringList(402, "Selb");
        QTest::newRow("more than are named") << "INSERT INTO \"Brewery\" (\"CityName\") SELECT 'Selb' "
                                                "FROM generate_series(1, 10001)"
                                             << true << QStringList{"Aying", "Bamberg"} + QStringList(10001, "Selb");
    }

    void othersCommitsArrive()
    {
        QFETCH(QString, statement);
        QFETCH(bool, whole);
        QFETCH(QStringList, cities);
        const std::unique_ptr<Register> anna = opened(m_server->uri("society", "anna"));
        QSignalSpy readAnew(anna.get(), &Register::changedElsewhere);
        QSignalSpy byKey(anna.get(), &Register::rowsChangedElsewhere);
        QVERIFY(m_server->admin(statement, "society"));
        QTRY_VERIFY(!readAnew.isEmpty() || !byKey.isEmpty());
        QCOMPARE(!readAnew.isEmpty(), whole);
        QCOMPARE(anna->isStale(), whole);
        if (whole) {
            anna->reread();
        } else {
            QTest::qWait(100); // a statement's second part, if any
            for (const QList<QVariant> &keys : byKey)
                anna->placeBreweries(keys.at(0).value<QList<qint64>>());
        }
        QCOMPARE(listedCities(*anna), cities);
    }

    // What another editor commits while a group of this register's own
    // writes is open is never copied into it: it arrives once the group
    // has rolled back.
    void heardOnceTheOwnGroupEnds()
    {
        const std::unique_ptr<Register> anna = opened(m_server->uri("society", "anna"));
        QSignalSpy byKey(anna.get(), &Register::rowsChangedElsewhere);
        {
            Transaction own(anna->file());
            QVERIFY(m_server->admin("UPDATE \"Brewery\" SET \"CityName\" = 'Coburg' WHERE \"CityName\" = 'Aying'",
                                    "society"));
            QTest::qWait(300);
            QVERIFY(byKey.isEmpty());
        }
        QTRY_COMPARE(byKey.size(), 1);
        anna->placeBreweries(byKey.at(0).at(0).value<QList<qint64>>());
        QCOMPARE(listedCities(*anna), (QStringList{"Bamberg", "Coburg"}));
    }

    // Announcements anyone may send only wake the register: a reader's
    // flood of them, naming whole tables and keys that do not exist, copies
    // nothing whole and nothing by key, and a real change amid them
    // arrives as the server recorded it.
    void aFloodOfAnnouncementsOnlyWakes()
    {
        const std::unique_ptr<Register> anna = opened(m_server->uri("society", "anna"));
        QSignalSpy readAnew(anna.get(), &Register::changedElsewhere);
        QSignalSpy byKey(anna.get(), &Register::rowsChangedElsewhere);
        SecondConnection rita(SecondConnection::Server{m_server->uri("society", "rita")});
        for (int round = 0; round < 20; ++round) {
            for (const char *payload : {"Brewery:*", "BreweryChronik:*", "Brewery:1,2,999999", "*", ""})
                QVERIFY(rita.exec(QStringLiteral("NOTIFY sudregister, '%1'").arg(QLatin1String(payload))));
            QTest::qWait(20);
            if (round == 10)
                QVERIFY(m_server->admin("UPDATE \"Brewery\" SET \"CityName\" = 'Coburg' WHERE \"CityName\" = 'Aying'",
                                        "society"));
        }
        QTRY_COMPARE_WITH_TIMEOUT(byKey.size(), 1, 1000);
        anna->placeBreweries(byKey.at(0).at(0).value<QList<qint64>>());
        QCOMPARE(listedCities(*anna), (QStringList{"Bamberg", "Coburg"}));
        QTest::qWait(200);
        QCOMPARE(byKey.size(), 1);
        QCOMPARE(readAnew.size(), 0);
    }

    // A window's copy is kept between sessions and caught up at the next
    // opening with what other editors changed meanwhile, to the very rows a
    // fresh copy would hold.
    void aKeptCopyIsCaughtUp_data()
    {
        QTest::addColumn<QString>("meanwhile");
        QTest::newRow("added") << "INSERT INTO \"Brewery\" (\"CityName\") VALUES ('Hof'); INSERT INTO \"BreweryChronik\" "
                                  "(\"BreweryNameLong\", \"ParentRowId\") SELECT 'Meinel', max(\"RowId\") FROM \"Brewery\"";
        QTest::newRow("changed") << "UPDATE \"Brewery\" SET \"CityName\" = 'Coburg', \"StopYear\" = NULL WHERE \"CityName\" = "
                                    "'Aying'; UPDATE \"BreweryChronik\" SET \"StopYear\" = '1999'";
        QTest::newRow("deleted with its history")
            << "DELETE FROM \"BreweryChronik\" WHERE \"ParentRowId\" IN (SELECT \"RowId\" FROM \"Brewery\" WHERE "
               "\"CityName\" = 'Bamberg'); DELETE FROM \"Brewery\" WHERE \"CityName\" = 'Bamberg'";
        QTest::newRow("many, by key") << "UPDATE \"Brewery\" SET \"CityName\" = 'Selb'; INSERT INTO \"Brewery\" "
                                         "(\"CityName\") SELECT 'Selb' FROM generate_series(1, 400)";
    }
    void aKeptCopyIsCaughtUp()
    {
        QFETCH(QString, meanwhile);
        QString kept;
        {
            const std::unique_ptr<Register> anna = opened(m_server->uri("society", "anna"));
            kept = anna->file().path();
            QVERIFY(kept.startsWith(m_server->dataHome()));
            QCOMPARE(QFile::permissions(kept) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
        }
        QVERIFY(m_server->admin(meanwhile, "society"));
        auto anna = std::make_unique<Register>(m_server->uri("society", "anna"));
        bool copiedWhole = false;
        // A whole copy tells the rows it copied; catching up tells none.
        anna->open([&](qint64 copied, qint64) { copiedWhole = copiedWhole || copied > 0; });
        anna->sortBreweries({QStringLiteral("CityName")});
        QCOMPARE(anna->file().path(), kept);
        QVERIFY2(!copiedWhole, qPrintable(anna->mirrorNote()));
        QCOMPARE(anna->mirrorNote(), QString());
        const SecondConnection server(SecondConnection::Server{m_server->uri("society")});
        QCOMPARE(tablesOf(SecondConnection(kept)), tablesOf(server));
    }

    // A kept copy that cannot be caught up is copied anew, and says why; a
    // copy is never taken for another database's register, nor for a
    // second window's.
    void aKeptCopyThatCannotBeCaughtUpIsMadeAnew_data()
    {
        QTest::addColumn<QString>("spoil"); // on the server, or "damaged": the copy's file
        QTest::addColumn<QString>("why");
        QTest::newRow("record began anew") << "TRUNCATE sudregister_changes RESTART IDENTITY; INSERT INTO \"Brewery\" "
                                              "(\"CityName\") VALUES ('Hof')"
                                           << "began anew";
        QTest::newRow("changed by hand") << "damaged" << "could not be opened";
        QTest::newRow("rows missing") << "missing" << "no longer matched";
    }
    void aKeptCopyThatCannotBeCaughtUpIsMadeAnew()
    {
        QFETCH(QString, spoil);
        QFETCH(QString, why);
        QString kept;
        {
            const std::unique_ptr<Register> anna = opened(m_server->uri("society", "anna"));
            kept = anna->file().path();
            // A second window at once has a copy of its own.
            const std::unique_ptr<Register> bert = opened(m_server->uri("society", "bert"));
            QVERIFY(bert->file().path() != kept);
            // Another database of the same server has its own.
            QVERIFY(m_server->setUpRegister("club"));
            const std::unique_ptr<Register> club = opened(m_server->uri("club", "admin"));
            QCOMPARE(listedCities(*club), QStringList());
            QVERIFY(QFileInfo(club->file().path()).dir() != QFileInfo(kept).dir());
        }
        if (spoil == "damaged") {
            QFile file(kept);
            QVERIFY(file.open(QIODevice::ReadWrite) && file.write(QByteArray(100, 'x')) == 100);
        } else if (spoil == "missing") {
            QVERIFY(SecondConnection(kept).exec("DELETE FROM BreweryChronik"));
            QVERIFY(m_server->admin("UPDATE \"Brewery\" SET \"StopYear\" = '2000'", "society"));
        } else {
            QVERIFY(m_server->admin(spoil, "society"));
        }
        const std::unique_ptr<Register> anna = opened(m_server->uri("society", "anna"));
        QVERIFY2(anna->mirrorNote().contains(why), qPrintable(anna->mirrorNote()));
        const SecondConnection server(SecondConnection::Server{m_server->uri("society")});
        QCOMPARE(tablesOf(SecondConnection(anna->file().path())), tablesOf(server));
    }

private:
    std::unique_ptr<PgTestServer> m_server;
};

QTEST_GUILESS_MAIN(TestSharedMirror)
#include "tst_sharedmirror.moc"
