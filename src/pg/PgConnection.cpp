#include "PgConnection.h"

#include "StoreError.h"

#include <libpq-fe.h>
#include <sqlite3.h>

namespace {

const QString Component = QStringLiteral("Shared register");

// The failure's code in a register file's terms, from the server's
// SQLSTATE: what callers decide by (a constraint, a passing conflict, a
// full disk, a write not permitted) means the same on both kinds.
int codeFor(const QByteArray &state)
{
    if (state == "23503")
        return SQLITE_CONSTRAINT_FOREIGNKEY;
    if (state.startsWith("23"))
        return SQLITE_CONSTRAINT;
    if (state == "40001" || state == "40P01" || state == "55P03" || state == "57014")
        return SQLITE_BUSY; // a conflict or a timeout: the same write may go through later
    if (state == "53100")
        return SQLITE_FULL;
    if (state == "42501" || state == "25006")
        return SQLITE_READONLY;
    return SQLITE_ERROR;
}

QString messageOf(const pg_conn *connection)
{
    return QString::fromUtf8(PQerrorMessage(connection)).trimmed();
}

} // namespace

void PgConnection::Finish::operator()(pg_conn *connection) const
{
    PQfinish(connection);
}

PgConnection::PgConnection(const SharedAddress &address, PasswordPrompt prompt)
    : m_address(address), m_prompt(std::move(prompt))
{
    connect();
}

PgConnection::~PgConnection() = default;

void PgConnection::connect()
{
    const QByteArray uri = m_address.uri().toUtf8();
    for (;;) {
        const QByteArray password = m_password.value_or(QString()).toUtf8();
        std::vector<const char *> keys = {"dbname", "client_encoding", "application_name"};
        std::vector<const char *> values = {uri.constData(), "UTF8", "Sudregister"};
        if (m_password) {
            keys.push_back("password");
            values.push_back(password.constData());
        }
        keys.push_back(nullptr);
        values.push_back(nullptr);
        m_connection.reset(PQconnectdbParams(keys.data(), values.data(), 1));
        if (!m_connection)
            throw StoreError(QStringLiteral("Could not open the shared register %1: out of memory.")
                                 .arg(m_address.displayName()),
                             Component, StoreError::ConnectionFailed);
        if (PQstatus(m_connection.get()) == CONNECTION_OK) {
            // The server's notices (a shutdown on its way) are not the
            // user's business; failures say what happened.
            PQsetNoticeProcessor(m_connection.get(), [](void *, const char *) {}, nullptr);
            break;
        }
        if (!m_password && m_prompt && PQconnectionNeedsPassword(m_connection.get())) {
            m_password = m_prompt(m_address.displayName(), QString::fromUtf8(PQuser(m_connection.get())));
            if (m_password)
                continue;
        }
        const QString why = messageOf(m_connection.get());
        m_connection.reset();
        throw StoreError(QStringLiteral("Could not open the shared register %1: %2").arg(m_address.displayName(), why),
                         Component, StoreError::ConnectionFailed);
    }
    for (const QByteArray &channel : m_channels)
        exec("LISTEN " + channel);
}

QString PgConnection::user() const
{
    return QString::fromUtf8(PQuser(m_connection.get()));
}

PgResult PgConnection::exec(const QByteArray &sql, const std::vector<QVariant> &params, const QString &context)
{
    std::vector<QByteArray> texts;
    texts.reserve(params.size());
    std::vector<const char *> values;
    values.reserve(params.size());
    for (const QVariant &param : params) {
        texts.push_back(param.isNull() ? QByteArray() : param.toString().toUtf8());
        values.push_back(param.isNull() ? nullptr : texts.back().constData());
    }
    PgResult result(PQexecParams(m_connection.get(), sql.constData(), int(values.size()), nullptr, values.data(),
                                 nullptr, nullptr, 0));
    const ExecStatusType status = PQresultStatus(result.m_result.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        fail(result.m_result.get(), context);
    return result;
}

RowWriter::Run PgConnection::rowRunner(const QString &context)
{
    return [this, context](const RowWriter::Statement &statement) -> qint64 {
        const PgResult result = exec(statement.sql, statement.values, context);
        return statement.counts ? result.int64(0, 0) : result.changed();
    };
}

void PgConnection::runScript(const char *script, const QString &context)
{
    PgResult result(PQexec(m_connection.get(), script));
    if (PQresultStatus(result.m_result.get()) != PGRES_COMMAND_OK)
        fail(result.m_result.get(), context);
}

void PgConnection::listen(const QByteArray &channel)
{
    const QByteArray quoted = '"' + QByteArray(channel).replace('"', "\"\"") + '"';
    exec("LISTEN " + quoted);
    m_channels.push_back(quoted);
}

std::vector<PgConnection::Notification> PgConnection::takeNotifications()
{
    std::vector<Notification> arrived;
    PQconsumeInput(m_connection.get());
    const int self = PQbackendPID(m_connection.get());
    while (PGnotify *n = PQnotifies(m_connection.get())) {
        arrived.push_back({QString::fromUtf8(n->extra), n->be_pid == self});
        PQfreemem(n);
    }
    return arrived;
}

int PgConnection::socket() const
{
    return PQsocket(m_connection.get());
}

std::unique_ptr<PgConnection> PgConnection::another() const
{
    const std::optional<QString> password = m_password;
    return std::make_unique<PgConnection>(m_address, [password](const QString &, const QString &) { return password; });
}

bool PgConnection::isOpen() const
{
    return m_connection && PQstatus(m_connection.get()) == CONNECTION_OK;
}

void PgConnection::reconnect()
{
    connect();
}

void PgConnection::fail(const pg_result *result, const QString &context) const
{
    const QString prefix = context.isEmpty() ? QString() : context + QStringLiteral(": ");
    const QByteArray state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    // A failure without a state is libpq's own: the connection broke. A
    // server shutting down says so before it closes it.
    if (!isOpen() || state.isEmpty() || state.startsWith("08") || state.startsWith("57P")) {
        throw StoreError(prefix + QStringLiteral("the connection to the shared register %1 was lost. Nothing was "
                                                 "written; what was typed is kept and stored once the server answers.")
                                      .arg(m_address.displayName()),
                         Component, StoreError::ConnectionLost);
    }
    const QString server = result ? QString::fromUtf8(PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY))
                                  : messageOf(m_connection.get());
    const int code = codeFor(state);
    QString message;
    switch (code) {
    case SQLITE_READONLY:
        message = QStringLiteral("user %1 may read the shared register %2 but not change it; nothing was written (%3).")
                      .arg(user(), m_address.displayName(), server);
        break;
    case SQLITE_BUSY:
        message = state == "57014"
            ? QStringLiteral("the shared register %1 took too long to answer; nothing was written (%2).")
                  .arg(m_address.displayName(), server)
            : QStringLiteral("the shared register %1 is busy with another editor's change; try again (%2).")
                  .arg(m_address.displayName(), server);
        break;
    case SQLITE_FULL:
        message = QStringLiteral("the server of the shared register %1 has no room left; nothing was written (%2).")
                      .arg(m_address.displayName(), server);
        break;
    default:
        message = QStringLiteral("the shared register %1 refused it: %2").arg(m_address.displayName(), server);
    }
    if (prefix.isEmpty())
        message[0] = message[0].toUpper();
    throw StoreError(prefix + message, Component, code);
}
