#pragma once

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <utility>
#include <QDebug>
#include <grp.h>
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
                     QStringLiteral("-c listen_addresses='' -c unix_socket_directories='%1' -c fsync=off "
                                    "-c full_page_writes=off")
                         .arg(m_dir.path()),
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
    const QString &problem() const { return m_problem; }
    QString socketDir() const { return m_dir.path(); }
    QString dataHome() const { return m_dataHome.path(); }
    // The address of database `db` for `user`, without a password.
    QString uri(const QString &db, const QString &user = QStringLiteral("admin")) const
    {
        return QStringLiteral("postgresql://%1@/%2?host=%3").arg(user, db, m_dir.path());
    }

    // Runs `sql` in database `db` as the superuser; false when psql failed.
    bool admin(const QString &sql, const QString &db = QStringLiteral("postgres")) const
    {
        QProcess psql;
        psql.start(QStringLiteral("psql"), {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
                                            QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"), m_dir.path(),
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
    // script at `script`, as an administrator would; false when it failed.
    bool setUpRegister(const QString &script, const QString &db)
    {
        QProcess setup;
        setup.start(script, {db, QStringLiteral("-h"), m_dir.path(), QStringLiteral("-U"), QStringLiteral("admin")});
        if (!setup.waitForFinished(60000) || setup.exitCode() != 0) {
            qWarning().noquote() << "setting up failed:" << setup.readAllStandardError();
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
    QTemporaryFile m_passwords;
    bool m_started = false;
    QString m_problem;
    mutable QString m_lastOutput;
};
