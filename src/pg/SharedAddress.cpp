#include "SharedAddress.h"

#include "StoreError.h"

#include <QHash>
#include <QRegularExpression>
#include <libpq-fe.h>

namespace {

// The address with "user:password@" and "password=…" taken out as libpq
// reads them: a password ends at the first "@" or "/" of the address,
// whatever else it holds ("?", "&", ":").
QString strippedOfPassword(const QString &uri)
{
    static const QRegularExpression inAuthority(QStringLiteral("^([a-z]+://[^/@:]*):[^/@]*@"));
    static const QRegularExpression asParameter(QStringLiteral("([?&])password=[^&]*(&|$)"));
    QString shown = uri;
    shown.replace(inAuthority, QStringLiteral("\\1@"));
    shown.replace(asParameter, QStringLiteral("\\1"));
    if (shown.endsWith(QLatin1Char('&')) || shown.endsWith(QLatin1Char('?')))
        shown.chop(1);
    return shown;
}

} // namespace

SharedAddress::SharedAddress(const QString &uri) : m_uri(uri)
{
    char *problem = nullptr;
    PQconninfoOption *options = PQconninfoParse(uri.toUtf8().constData(), &problem);
    if (!options) {
        const QString why = problem ? QString::fromUtf8(problem).trimmed() : QStringLiteral("out of memory");
        PQfreemem(problem);
        throw StoreError(
            QStringLiteral("\"%1\" is not the address of a shared register: %2").arg(strippedOfPassword(uri), why),
                         QStringLiteral("Shared register"));
    }
    QHash<QString, QString> given;
    for (const PQconninfoOption *o = options; o->keyword; ++o) {
        if (o->val)
            given.insert(QString::fromUtf8(o->keyword), QString::fromUtf8(o->val));
    }
    PQconninfoFree(options);

    const QString service = given.value(QStringLiteral("service"));
    m_database = given.value(QStringLiteral("dbname"), service);
    QString host = given.value(QStringLiteral("host"), QStringLiteral("localhost"));
    if (const QString port = given.value(QStringLiteral("port")); !port.isEmpty())
        host += QLatin1Char(':') + port;
    const QString user = given.value(QStringLiteral("user"));
    m_display = (user.isEmpty() ? QString() : user + QLatin1Char('@')) + host + QLatin1Char('/') + m_database;
    if (m_database.isEmpty() && service.isEmpty())
        m_display = host;
}

QString SharedAddress::withoutPassword() const
{
    const QString shown = strippedOfPassword(m_uri);
    // Kept only when libpq itself finds no password in it.
    PQconninfoOption *options = PQconninfoParse(shown.toUtf8().constData(), nullptr);
    bool password = !options;
    for (const PQconninfoOption *o = options; o && o->keyword; ++o)
        password = password || (o->val && qstrcmp(o->keyword, "password") == 0);
    PQconninfoFree(options);
    return password ? QString() : shown;
}
