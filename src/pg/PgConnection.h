#pragma once

#include "PgResult.h"
#include "RowWriter.h"
#include "SharedAddress.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct pg_conn;

// A connection to a shared register, the one way the program reaches
// PostgreSQL, as RegisterFile is for a register file. Every value goes in as
// a bound parameter; every failure becomes StoreError, its code in the same
// terms as a register file's, so that callers decide alike on both.
class PgConnection {
public:
    // Asked for a password when the server wants one that libpq's own means
    // (~/.pgpass, a service file, PGPASSWORD) did not give; none cancels.
    using PasswordPrompt = std::function<std::optional<QString>(const QString &addressShown, const QString &user)>;

    struct Notification {
        QString payload;
        // Whether this connection's own commit sent it.
        bool own = false;
    };

    // Connects, asking `prompt` at most once. Throws StoreError.
    explicit PgConnection(const SharedAddress &address, PasswordPrompt prompt = {});
    ~PgConnection();
    PgConnection(const PgConnection &) = delete;
    PgConnection &operator=(const PgConnection &) = delete;

    const SharedAddress &address() const { return m_address; }
    // The role the server knows this connection by.
    QString user() const;

    // Runs one statement with `params` bound as $1, $2, …; throws StoreError
    // whose message begins with `context`.
    PgResult exec(const QByteArray &sql, const std::vector<QVariant> &params = {},
                  const QString &context = QString());

    // Runs a row writer's statements here, failing with `context`.
    RowWriter::Run rowRunner(const QString &context = QString());

    // Runs the statements of `script`, the program's own text with no value
    // in it (the schema). Throws StoreError.
    void runScript(const char *script, const QString &context);

    // Hears commits on `channel` from now on.
    void listen(const QByteArray &channel);
    // What has arrived since last asked, without waiting.
    std::vector<Notification> takeNotifications();
    // The socket to watch for notifications arriving.
    int socket() const;

    // A second connection to the same register as the same user, given the
    // password this one was given.
    std::unique_ptr<PgConnection> another() const;

    // Whether the connection still stands.
    bool isOpen() const;
    // Connects again after the connection dropped, with the same password;
    // channels listened to before are listened to again. Throws StoreError.
    void reconnect();

private:
    struct Finish {
        void operator()(pg_conn *connection) const;
    };
    void connect();
    [[noreturn]] void fail(const pg_result *result, const QString &context) const;

    SharedAddress m_address;
    PasswordPrompt m_prompt;
    // Asked once and kept for this connection's life only, never stored.
    std::optional<QString> m_password;
    std::vector<QByteArray> m_channels;
    std::unique_ptr<pg_conn, Finish> m_connection;
};
