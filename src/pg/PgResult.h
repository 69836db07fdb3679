#pragma once

#include <QByteArrayView>
#include <QString>
#include <QVariant>
#include <memory>

struct pg_result;

// The rows a statement on a shared register returned, in text form as the
// server sent them; a value is converted when it is asked for.
class PgResult {
public:
    explicit PgResult(pg_result *result);

    int rows() const;
    int columns() const;
    bool isNull(int row, int column) const;
    // Null as an invalid QVariant, integers as qlonglong, the rest as text.
    QVariant value(int row, int column) const;
    QString text(int row, int column) const;
    // The value's UTF-8 bytes as the server sent them, valid with the result.
    QByteArrayView utf8(int row, int column) const;
    bool isInteger(int column) const;
    qint64 int64(int row, int column) const;
    // Rows an INSERT, UPDATE or DELETE changed.
    qint64 changed() const;

private:
    friend class PgConnection;
    struct Clear {
        void operator()(pg_result *result) const;
    };
    std::unique_ptr<pg_result, Clear> m_result;
};
