// The store of a shared register against a real PostgreSQL server of the
// test's own: which databases it takes for a register, what it sets up, who
// may change what, and how each fault reads.
#include "PgConnection.h"
#include "PgTestServer.h"
#include "RegisterLocation.h"
#include "SharedAddress.h"
#include "SharedSchema.h"
#include "StoreError.h"

#include <QTest>
#include <csignal>
#include <memory>

namespace {

const QString Password = QStringLiteral("s3cret 'quoted'");

PgConnection::PasswordPrompt answering(const QString &password)
{
    return [password](const QString &, const QString &) { return std::optional<QString>(password); };
}

QString failureOf(const std::function<void()> &step, int *code = nullptr)
{
    try {
        step();
    } catch (const StoreError &e) {
        if (code)
            *code = e.code();
        return e.message();
    }
    return {};
}

} // namespace

class tst_SharedStore : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_server = std::make_unique<PgTestServer>();
        QVERIFY2(m_server->setUpRegister("society"), qPrintable(m_server->problem()));
        QVERIFY(m_server->admin(QStringLiteral("CREATE ROLE edith LOGIN PASSWORD '%1' IN ROLE sudregister_editors")
                                    .arg(QString(Password).replace("'", "''"))));
    }

    // An address is shown and remembered without its password, and a
    // malformed one is refused with libpq's own reason.
    void addressesWithoutPasswords_data()
    {
        QTest::addColumn<QString>("uri");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("remembered");
        QTest::newRow("all parts") << "postgresql://alice:pw@db.example.org:5433/soc?sslmode=verify-full"
                                   << "alice@db.example.org:5433/soc"
                                   << "postgresql://alice@db.example.org:5433/soc?sslmode=verify-full";
        QTest::newRow("password as parameter") << "postgres://alice@db/soc?password=pw&sslmode=require"
                                               << "alice@db/soc" << "postgres://alice@db/soc?sslmode=require";
        QTest::newRow("password last") << "postgresql://db/soc?sslmode=require&password=pw" << "db/soc"
                                       << "postgresql://db/soc?sslmode=require";
        QTest::newRow("password holding ? and &") << "postgresql://carl:Carl?Geheim&45@db:5433/soc"
                                                  << "carl@db:5433/soc" << "postgresql://carl@db:5433/soc";
        QTest::newRow("service") << "postgresql:///?service=museum" << "localhost/museum"
                                 << "postgresql:///?service=museum";
        QTest::newRow("malformed") << "postgresql://alice@db/soc?colour=blue" << "" << "";
        QTest::newRow("malformed, with a password") << "postgresql://alice:Geheim@db/soc?colour=blue" << "" << "";
    }

    void addressesWithoutPasswords()
    {
        QFETCH(QString, uri);
        QFETCH(QString, shown);
        QFETCH(QString, remembered);
        QVERIFY(NamesSharedRegister(uri));
        QString displayed, kept;
        const QString refused = failureOf([&] {
            const SharedAddress address(uri);
            displayed = address.displayName();
            kept = address.withoutPassword();
        });
        QCOMPARE(displayed, shown);
        QCOMPARE(kept, remembered);
        QCOMPARE(refused.isEmpty(), !shown.isEmpty());
        QVERIFY2(!refused.contains("Geheim"), qPrintable(refused));
    }

    void anEmptyDatabaseBecomesARegister()
    {
        QVERIFY(m_server->admin(QStringLiteral("CREATE DATABASE made OWNER edith")));
        for (int opening = 0; opening < 2; ++opening) {
            PgConnection connection(SharedAddress(m_server->uri("made", "edith")), answering(Password));
            const SharedSchema::Prepared prepared = SharedSchema::prepare(connection);
            QVERIFY(prepared.mayChange);
            QVERIFY(prepared.recordsChanges);
            QVERIFY(prepared.keepsLog);
            // A register an older version set up gains the record of its
            // changes and the log when its owner opens it.
            QVERIFY(m_server->admin(QStringLiteral("DROP TABLE sudregister_changes, sudregister_log; "
                                                   "DROP FUNCTION sudregister_changed() CASCADE; "
                                                   "DROP FUNCTION sudregister_logged() CASCADE"),
                                    "made"));
        }
        PgConnection owner(SharedAddress(m_server->uri("made", "edith")), answering(Password));
        const SharedSchema::Prepared again = SharedSchema::prepare(owner);
        QVERIFY(again.recordsChanges);
        QVERIFY(again.keepsLog);
        QVERIFY(m_server->admin(QStringLiteral("SELECT count(*) FROM pg_trigger WHERE NOT tgisinternal"), "made"));
        QCOMPARE(m_server->output(), QStringLiteral("8"));
    }

    void onlyARegisterIsTaken_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("expected");
        QTest::newRow("other tables") << "CREATE TABLE invoices (n int)" << "admin"
                                      << "holds other tables and no register";
        QTest::newRow("one table of two")
            << "CREATE TABLE \"Brewery\" (\"RowId\" bigint)" << "admin" << "not a whole register";
        QTest::newRow("a field missing")
            << "CREATE TABLE \"Brewery\" (\"RowId\" bigint, \"StateName\" text); "
               "CREATE TABLE \"BreweryChronik\" (n int)"
            << "admin" << "has no field \"CountyName\"";
        QTest::newRow("empty, user may not create") << "" << "edith" << "may not set one up";
    }

    void onlyARegisterIsTaken()
    {
        QFETCH(QString, setup);
        QFETCH(QString, user);
        QFETCH(QString, expected);
        const QString db = QStringLiteral("other%1").arg(m_databases++);
        QVERIFY(m_server->admin(QStringLiteral("CREATE DATABASE %1").arg(db)));
        QVERIFY(m_server->admin(QStringLiteral("REVOKE CREATE ON SCHEMA public FROM PUBLIC"), db));
        if (!setup.isEmpty())
            QVERIFY(m_server->admin(setup, db));
        const QString tablesBefore = tables(db);

        PgConnection connection(SharedAddress(m_server->uri(db, user)), answering(Password));
        const QString message = failureOf([&] { SharedSchema::prepare(connection); });
        QVERIFY2(message.contains(expected), qPrintable(message));
        QCOMPARE(tables(db), tablesBefore);
    }

    // Of the roles the administrator's script makes, a reader's window is
    // read-only and its writes are refused, an editor's are stored.
    void rolesDecideWhoWrites()
    {
        QVERIFY(m_server->admin(QStringLiteral("CREATE ROLE rita LOGIN PASSWORD 'r' IN ROLE sudregister_readers; "
                                               "CREATE ROLE ed LOGIN PASSWORD 'e' IN ROLE sudregister_editors")));
        const QByteArray insert = "INSERT INTO \"Brewery\" (\"CityName\") VALUES ($1)";

        PgConnection reader(SharedAddress(m_server->uri("society", "rita")), answering("r"));
        const SharedSchema::Prepared read = SharedSchema::prepare(reader);
        QVERIFY(!read.mayChange);
        QVERIFY(read.recordsChanges);
        int code = 0;
        const QString refused = failureOf([&] { reader.exec(insert, {QStringLiteral("Bamberg")}); }, &code);
        QVERIFY2(refused.contains("may read the shared register") && refused.contains("rita"), qPrintable(refused));
        QCOMPARE(StoreError(refused, {}, code).isConstraint(), false);

        PgConnection editor(SharedAddress(m_server->uri("society", "ed")), answering("e"));
        QVERIFY(SharedSchema::prepare(editor).mayChange);
        QCOMPARE(editor.exec(insert, {QStringLiteral("Bamberg")}).changed(), 1);
        QVERIFY(m_server->admin(QStringLiteral("SELECT \"CityName\" FROM \"Brewery\""), "society"));
        QVERIFY(m_server->output().contains(QStringLiteral("Bamberg")));
    }

    void valuesGoInBound_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::newRow("quotes and a statement") << QVariant(QStringLiteral("Bräu'); DROP TABLE \"Brewery\"; --"));
        QTest::newRow("null") << QVariant();
        QTest::newRow("empty") << QVariant(QString(""));
        QTest::newRow("line breaks and tabs") << QVariant(QStringLiteral("a\tb\r\nc"));
    }

    void valuesGoInBound()
    {
        QFETCH(QVariant, value);
        PgConnection connection(SharedAddress(m_server->uri("society", "edith")), answering(Password));
        const qint64 key = connection.exec("INSERT INTO \"Brewery\" (\"BreweryName\") VALUES ($1) RETURNING \"RowId\"",
                                           {value}).int64(0, 0);
        const PgResult back = connection.exec("SELECT \"BreweryName\", \"RowId\" FROM \"Brewery\" WHERE \"RowId\" = $1",
                                              {key});
        QCOMPARE(back.value(0, 0).isNull(), value.isNull());
        QCOMPARE(back.value(0, 0).toString(), value.toString());
        QCOMPARE(back.value(0, 1), QVariant(key));
    }

    // Every statement wakes the listeners, the program's own and other
    // programs' alike; what it changed the server records itself, by key,
    // a large one as its whole table, and no editor writes the record.
    void commitsAreHeardAndRecorded()
    {
        PgConnection listener(SharedAddress(m_server->uri("society", "edith")), answering(Password));
        listener.listen(SharedSchema::Channel);
        PgConnection writer(SharedAddress(m_server->uri("society", "edith")), answering(Password));
        writer.listen(SharedSchema::Channel);
        const qint64 since = writer.exec("SELECT coalesce(max(\"Seq\"), 0) FROM sudregister_changes").int64(0, 0);
        const qint64 key = writer.exec("INSERT INTO \"Brewery\" (\"CityName\") VALUES ('Hof') RETURNING \"RowId\"")
                               .int64(0, 0);
        QVERIFY(m_server->admin(QStringLiteral("INSERT INTO \"Brewery\" (\"CityName\") SELECT 'Hof' "
                                               "FROM generate_series(1, 10001)"),
                                "society"));
        QStringList heard;
        const auto collect = [&] {
            for (const PgConnection::Notification &n : listener.takeNotifications())
                heard << n.payload;
            return heard.size();
        };
        QTRY_COMPARE(collect(), 2);
        const std::vector<PgConnection::Notification> own = writer.takeNotifications();
        QVERIFY(!own.empty());
        QVERIFY(own.front().own);
        const PgResult recorded = writer.exec("SELECT \"TableName\" || ':' || coalesce(\"RowKey\"::text, '*') "
                                              "FROM sudregister_changes WHERE \"Seq\" > $1 ORDER BY \"Seq\"",
                                              {since});
        QCOMPARE(recorded.rows(), 2);
        QCOMPARE(recorded.text(0, 0), QStringLiteral("Brewery:%1").arg(key));
        QCOMPARE(recorded.text(1, 0), QStringLiteral("Brewery:*"));
        const QString refused = failureOf([&] { writer.exec("INSERT INTO sudregister_changes (\"TableName\") VALUES ('Brewery')"); });
        QVERIFY2(!refused.isEmpty(), "an editor wrote the record of changes");
    }

    void faultsSayWhatHappened_data()
    {
        QTest::addColumn<QString>("uri");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("expected");
        QTest::newRow("wrong password") << m_server->uri("society", "edith") << "guessed"
                                        << "password authentication failed";
        QTest::newRow("password not given") << m_server->uri("society", "edith") << "" << "no password supplied";
        QTest::newRow("no such database") << m_server->uri("nowhere") << "" << "\"nowhere\" does not exist";
        QTest::newRow("no server") << QStringLiteral("postgresql://edith@/society?host=%1/gone")
                                          .arg(m_server->socketDir())
                                   << "" << "No such file or directory";
    }

    void faultsSayWhatHappened()
    {
        QFETCH(QString, uri);
        QFETCH(QString, password);
        QFETCH(QString, expected);
        int code = 0;
        const QString message = failureOf(
            [&] {
                PgConnection(SharedAddress(uri), [&](const QString &, const QString &) {
                    return password.isEmpty() ? std::nullopt : std::optional<QString>(password);
                });
            },
            &code);
        QVERIFY2(message.startsWith("Could not open the shared register") && message.contains(expected),
                 qPrintable(message));
        QCOMPARE(code, int(StoreError::ConnectionFailed));
    }

    // A statement that takes too long may be tried again; a connection that
    // drops is said once, and the same connection comes back, listening.
    void timeoutAndDrop()
    {
        PgConnection connection(SharedAddress(m_server->uri("society", "edith")), answering(Password));
        connection.exec("SET statement_timeout = 50");
        int code = 0;
        QString message = failureOf([&] { connection.exec("SELECT pg_sleep(5)"); }, &code);
        QVERIFY2(message.contains("took too long"), qPrintable(message));
        QVERIFY(StoreError(message, {}, code).isPassing());

        connection.listen(SharedSchema::Channel);
        QVERIFY(m_server->admin(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                               "WHERE usename = 'edith'")));
        message = failureOf([&] { connection.exec("SELECT 1", {}, QStringLiteral("Could not read")); }, &code);
        QVERIFY2(message.startsWith("Could not read: the connection to the shared register"), qPrintable(message));
        QVERIFY(StoreError(message, {}, code).isConnectionLost());
        connection.reconnect();
        QVERIFY(m_server->admin(QStringLiteral("INSERT INTO \"Brewery\" (\"CityName\") VALUES ('Selb')"), "society"));
        size_t heard = 0;
        QTRY_VERIFY((heard += connection.takeNotifications().size()) > 0);
    }

    // An address that asks for TLS gets it: with the authority that signed
    // the server's certificate the connection is encrypted; with another it
    // is refused with libpq's reason. Last: the server listens anew.
    void tlsWhenAsked()
    {
        QVERIFY2(m_server->enableTls(), qPrintable(m_server->problem()));
        PgConnection verified(SharedAddress(m_server->tlsUri("society", "edith", m_server->caFile())),
                              answering(Password));
        QCOMPARE(verified.exec("SELECT ssl::text FROM pg_stat_ssl WHERE pid = pg_backend_pid()").text(0, 0), "true");
        int code = 0;
        const QString refused = failureOf(
            [&] {
                PgConnection(SharedAddress(m_server->tlsUri("society", "edith", m_server->strangerCaFile())),
                             answering(Password));
            },
            &code);
        QVERIFY2(refused.startsWith("Could not open the shared register") && refused.contains("certificate"),
                 qPrintable(refused));
        QCOMPARE(code, int(StoreError::ConnectionFailed));
    }

    // A test program that aborts, its destructors unrun, leaves no server
    // running and no folder of it behind.
    void anAbortedTestStopsItsServer()
    {
        QProcess worker;
        worker.start(QStringLiteral(ABORT_WORKER));
        QVERIFY(worker.waitForFinished(120000));
        QCOMPARE(worker.exitStatus(), QProcess::CrashExit);
        const QStringList said = QString::fromUtf8(worker.readAllStandardOutput()).split('\n');
        QVERIFY2(said.size() >= 2, qPrintable(worker.readAllStandardError()));
        const pid_t postmaster = said[0].toInt();
        QVERIFY(postmaster > 0);
        QTRY_VERIFY_WITH_TIMEOUT(::kill(postmaster, 0) != 0, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(said[1]), 5000);
    }

private:
    QString tables(const QString &db)
    {
        m_server->admin(QStringLiteral("SELECT string_agg(relname, ',' ORDER BY relname) FROM pg_class "
                                       "WHERE relnamespace = 'public'::regnamespace"),
                        db);
        return m_server->output();
    }

    std::unique_ptr<PgTestServer> m_server;
    int m_databases = 0;
};

QTEST_GUILESS_MAIN(tst_SharedStore)
#include "tst_sharedstore.moc"
