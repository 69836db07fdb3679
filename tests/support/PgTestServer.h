#pragma once

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <utility>
#include <QDebug>
#include <arpa/inet.h>
#include <grp.h>
#include <netinet/in.h>
#include <optional>
#include <sys/socket.h>
#include <pwd.h>
#include <unistd.h>

// A PostgreSQL server of the test's own: made in a temporary folder, reached
// through a Unix socket in that folder only, stopped and removed at the end.
// Run as root, the server runs as the unprivileged user "postgres" (it
// refuses to run as root). The superuser "admin" gets in without a password;
// every other role needs its password. Setting up is done through psql, never
// through the code under test. A test checks started(); problem() says why
// not. What the program's registers put in the user's data folder (a shared
// register's backups) goes to a temporary folder too, dataHome().
class PgTestServer {
public:
    PgTestServer()
    {
        if (!m_dir.isValid() || !m_dataHome.isValid()) {
            m_problem = QStringLiteral("no temporary directory");
            return;
        }
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dataHome.path()));
        m_bin = binDir();
        if (m_bin.isEmpty()) {
            m_problem = QStringLiteral("no PostgreSQL server installed (initdb not found)");
            return;
        }
        if (geteuid() == 0) {
            const passwd *user = getpwnam("postgres");
            if (!user) {
                m_problem = QStringLiteral("running as root, but there is no user \"postgres\" to run the server as");
                return;
            }
            m_owner = std::pair{user->pw_uid, user->pw_gid};
            if (::chown(QFile::encodeName(m_dir.path()).constData(), user->pw_uid, user->pw_gid) != 0) {
                m_problem = QStringLiteral("the server's folder cannot be given to \"postgres\"");
                return;
            }
            m_asUser = {QStringLiteral("runuser"), QStringLiteral("-u"), QStringLiteral("postgres"),
                        QStringLiteral("--")};
        }
        const QString data = m_dir.filePath(QStringLiteral("data"));
        if (!run(QStringLiteral("initdb"),
                    {QStringLiteral("-D"), data, QStringLiteral("-U"), QStringLiteral("admin"), QStringLiteral("-A"),
                     QStringLiteral("trust"), QStringLiteral("-E"), QStringLiteral("UTF8"),
                     QStringLiteral("--locale=C.UTF-8"), QStringLiteral("-N")}))
            return;
        QFile hba(data + QStringLiteral("/pg_hba.conf"));
        if (!hba.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            m_problem = QStringLiteral("pg_hba.conf cannot be written");
            return;
        }
        hba.write("local all admin trust\nlocal all all scram-sha-256\n");
        hba.close();
        watchOverServer();
        start();
    }

    ~PgTestServer() { stop(); }

    // Starts the server again after stop().
    void start()
    {
        const QString data = m_dir.filePath(QStringLiteral("data"));
        // Not synced to disk, but every commit reaches the log at once: an
        // immediate stop, as a crash, loses none.
        m_started = run(QStringLiteral("pg_ctl"),
                    {QStringLiteral("-D"), data, QStringLiteral("-w"), QStringLiteral("-l"),
                     m_dir.filePath(QStringLiteral("server.log")), QStringLiteral("-o"),
                     QStringLiteral("-c listen_addresses='%1' -c port=%2 -c unix_socket_directories='%3' -c fsync=off "
                                    "-c full_page_writes=off %4")
                         .arg(m_tls ? QStringLiteral("127.0.0.1") : QString())
                         .arg(m_port)
                         .arg(m_dir.path(), m_tls ? QStringLiteral("-c ssl=on") : QString()),
                     QStringLiteral("start")});
    }

    // Stops the server now, as a crash or a shutdown would.
    void stop()
    {
        if (m_started)
            run(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), m_dir.filePath(QStringLiteral("data")),
                                           QStringLiteral("-m"), QStringLiteral("immediate"), QStringLiteral("-w"),
                                           QStringLiteral("stop")});
        m_started = false;
    }

    bool started() const { return m_started; }

    // Restarts the server taking TLS connections too, on 127.0.0.1 at a
    // port of its own, with a certificate for "localhost" signed by an
    // authority of the test's own (caFile()); false when that failed.
    bool enableTls()
    {
        const QString ca = m_dir.filePath(QStringLiteral("ca"));
        const QString data = m_dir.filePath(QStringLiteral("data")) + QLatin1Char('/');
        QFile names(m_dir.filePath(QStringLiteral("names.cnf")));
        if (!names.open(QIODevice::WriteOnly) || names.write("subjectAltName=DNS:localhost\n") < 0)
            return false;
        names.close();
        const QStringList key{QStringLiteral("-nodes"), QStringLiteral("-newkey"), QStringLiteral("ec"),
                              QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1")};
        if (!openssl(QStringList{QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-days"),
                                 QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=Test authority"),
                                 QStringLiteral("-keyout"), ca + QStringLiteral(".key"), QStringLiteral("-out"),
                                 caFile()}
                     + key)
            || !openssl(QStringList{QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-days"),
                                    QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=Stranger"),
                                    QStringLiteral("-keyout"), ca + QStringLiteral("-stranger.key"),
                                    QStringLiteral("-out"), strangerCaFile()}
                        + key)
            || !openssl(QStringList{QStringLiteral("req"), QStringLiteral("-subj"), QStringLiteral("/CN=localhost"),
                                    QStringLiteral("-keyout"), data + QStringLiteral("server.key"),
                                    QStringLiteral("-out"), ca + QStringLiteral(".csr")}
                        + key)
            || !openssl({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-days"), QStringLiteral("2"),
                         QStringLiteral("-in"), ca + QStringLiteral(".csr"), QStringLiteral("-CA"), caFile(),
                         QStringLiteral("-CAkey"), ca + QStringLiteral(".key"), QStringLiteral("-CAcreateserial"),
                         QStringLiteral("-extfile"), names.fileName(), QStringLiteral("-out"),
                         data + QStringLiteral("server.crt")}))
            return false;
        QFile::setPermissions(data + QStringLiteral("server.key"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        for (const QString &file : {QStringLiteral("server.key"), QStringLiteral("server.crt")}) {
            if (m_owner && ::chown(QFile::encodeName(data + file).constData(), m_owner->first, m_owner->second) != 0)
                return false;
        }
        QFile hba(data + QStringLiteral("pg_hba.conf"));
        if (!hba.open(QIODevice::Append)
            || hba.write("hostssl all admin 127.0.0.1/32 trust\nhostssl all all 127.0.0.1/32 scram-sha-256\n") < 0)
            return false;
        hba.close();
        stop();
        m_tls = true;
        m_port = freePort();
        start();
        return m_started;
    }
    // The authority that signed the server's certificate, and one that
    // signed nothing here.
    QString caFile() const { return m_dir.filePath(QStringLiteral("ca.crt")); }
    QString strangerCaFile() const { return m_dir.filePath(QStringLiteral("ca-stranger.crt")); }
    // The address of database `db` for `user` over TLS, verifying the
    // server's certificate with `rootCert`.
    QString tlsUri(const QString &db, const QString &user, const QString &rootCert) const
    {
        return QStringLiteral("postgresql://%1@localhost:%2/%3?sslmode=verify-full&sslrootcert=%4")
            .arg(user)
            .arg(m_port)
            .arg(db, rootCert);
    }
    const QString &problem() const { return m_problem; }
    QString socketDir() const { return m_dir.path(); }
    QString dataHome() const { return m_dataHome.path(); }
    // The address of database `db` for `user`, without a password.
    QString uri(const QString &db, const QString &user = QStringLiteral("admin")) const
    {
        return QStringLiteral("postgresql://%1@/%2?host=%3&port=%4").arg(user, db, m_dir.path()).arg(m_port);
    }

    // Runs `sql` in database `db` as the superuser; false when psql failed.
    bool admin(const QString &sql, const QString &db = QStringLiteral("postgres")) const
    {
        QProcess psql;
        psql.start(QStringLiteral("psql"), {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
                                            QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"), m_dir.path(),
                                            QStringLiteral("-p"), QString::number(m_port),
                                            QStringLiteral("-U"), QStringLiteral("admin"), QStringLiteral("-d"), db,
                                            QStringLiteral("-At"), QStringLiteral("-c"), sql});
        psql.waitForFinished(60000);
        m_lastOutput = QString::fromUtf8(psql.readAllStandardOutput()).trimmed();
        if (psql.exitStatus() != QProcess::NormalExit || psql.exitCode() != 0) {
            qWarning().noquote() << "psql failed:" << sql << psql.readAllStandardError();
            return false;
        }
        return true;
    }
    // Sets database `db` up as a shared register with the administrator's
    // script, as an administrator would; false when the server did not
    // start or the script failed, and problem() says why.
    bool setUpRegister(const QString &db)
    {
        if (!m_started)
            return false;
        QProcess setup;
        setup.start(QStringLiteral(SETUP_SCRIPT), {db, QStringLiteral("-h"), m_dir.path(), QStringLiteral("-p"),
                                                   QString::number(m_port), QStringLiteral("-U"),
                                                   QStringLiteral("admin")});
        if (!setup.waitForFinished(60000) || setup.exitCode() != 0) {
            m_problem = QStringLiteral("setting up %1 failed: %2").arg(db, QString::fromLocal8Bit(setup.readAllStandardError()));
            return false;
        }
        return true;
    }

    // Login roles of the register's editors and readers, each with its own
    // name as password, which libpq finds in a password file as a user
    // keeps them; false when they could not be made.
    bool addUsers(const QStringList &editors, const QStringList &readers)
    {
        if (!m_passwords.isOpen() && !m_passwords.open())
            return false;
        const std::pair<QStringList, QString> roles[] = {{editors, QStringLiteral("sudregister_editors")},
                                                         {readers, QStringLiteral("sudregister_readers")}};
        for (const auto &[users, role] : roles) {
            for (const QString &user : users) {
                if (!admin(QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%1' IN ROLE %2").arg(user, role)))
                    return false;
                m_passwords.write(QStringLiteral("*:*:*:%1:%1\n").arg(user).toUtf8());
            }
        }
        m_passwords.flush();
        qputenv("PGPASSFILE", QFile::encodeName(m_passwords.fileName()));
        return true;
    }

    // What the last admin() printed, rows on lines, fields split by '|'.
    QString output() const { return m_lastOutput; }

private:
    static QString binDir()
    {
        const QString onPath = QStandardPaths::findExecutable(QStringLiteral("initdb"));
        if (!onPath.isEmpty())
            return QFileInfo(onPath).absolutePath();
        QDir versions(QStringLiteral("/usr/lib/postgresql"));
        const QStringList found = versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (auto v = found.crbegin(); v != found.crend(); ++v) {
            const QString bin = versions.filePath(*v + QStringLiteral("/bin"));
            if (QFileInfo::exists(bin + QStringLiteral("/initdb")))
                return bin;
        }
        return {};
    }

    // A port on 127.0.0.1 that nothing listens on now.
    static int freePort()
    {
        const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        int port = 0;
        if (::bind(probe, reinterpret_cast<sockaddr *>(&address), size) == 0
            && ::getsockname(probe, reinterpret_cast<sockaddr *>(&address), &size) == 0)
            port = ntohs(address.sin_port);
        ::close(probe);
        return port;
    }

    // Should the test program end without its destructors (an abort, a
    // crash, a time-out's kill), a watcher of its own stops the server and
    // removes the folders once the program is gone.
    void watchOverServer() const
    {
        QProcess watcher;
        watcher.setProgram(QStringLiteral("sh"));
        watcher.setArguments({QStringLiteral("-c"),
                              QStringLiteral("while kill -0 \"$0\" 2>/dev/null; do sleep 0.2; done; "
                                             "if pid=$(head -n 1 \"$1/data/postmaster.pid\" 2>/dev/null); then "
                                             "kill -QUIT \"$pid\"; while kill -0 \"$pid\" 2>/dev/null; do "
                                             "sleep 0.1; done; fi; rm -rf \"$1\" \"$2\""),
                              QString::number(::getpid()), m_dir.path(), m_dataHome.path()});
        watcher.setStandardInputFile(QProcess::nullDevice());
        watcher.setStandardOutputFile(QProcess::nullDevice());
        watcher.setStandardErrorFile(QProcess::nullDevice());
        watcher.startDetached();
    }

    bool openssl(const QStringList &arguments)
    {
        QProcess p;
        p.start(QStringLiteral("openssl"), arguments);
        p.waitForFinished(60000);
        if (p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
            return true;
        m_problem = QStringLiteral("openssl failed: ") + QString::fromLocal8Bit(p.readAllStandardError());
        return false;
    }

    bool run(const QString &program, const QStringList &arguments)
    {
        QProcess p;
        const QString path = m_bin + QLatin1Char('/') + program;
        if (m_asUser.isEmpty())
            p.start(path, arguments);
        else
            p.start(m_asUser.first(), m_asUser.mid(1) + QStringList{path} + arguments);
        p.waitForFinished(120000);
        if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            m_problem = program + QStringLiteral(" failed: ")
                + QString::fromLocal8Bit(p.readAllStandardError() + p.readAllStandardOutput());
            return false;
        }
        return true;
    }

    QTemporaryDir m_dir{QDir::tempPath() + QStringLiteral("/pg-XXXXXX")};
    QTemporaryDir m_dataHome;
    QString m_bin;
    QStringList m_asUser;
    // Who runs the server when the test runs as root.
    std::optional<std::pair<uid_t, gid_t>> m_owner;
    bool m_tls = false;
    int m_port = 5432;
    QTemporaryFile m_passwords;
    bool m_started = false;
    QString m_problem;
    mutable QString m_lastOutput;
};
