#pragma once

#include <QString>

// Where a shared register lives: a libpq connection URI
// ("postgresql://[user@]host[:port]/dbname", with "?sslmode=…" or a service
// name). Parsed by libpq itself, so that the program accepts what psql does.
class SharedAddress {
public:
    // The address in `uri`; throws StoreError naming what libpq found wrong.
    explicit SharedAddress(const QString &uri);

    const QString &uri() const { return m_uri; }
    // "user@host:port/dbname" as far as the address says; never a password.
    const QString &displayName() const { return m_display; }
    // The address with any password taken out, to be shown or remembered;
    // empty when one would be left in it.
    QString withoutPassword() const;
    // The database's name, for the backups made of it.
    const QString &databaseName() const { return m_database; }

private:
    QString m_uri;
    QString m_display;
    QString m_database;
};
