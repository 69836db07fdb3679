#include "PgResult.h"

#include <libpq-fe.h>

namespace {

// The server's type numbers of the integer types (pg_type.oid).
constexpr Oid Int8 = 20, Int2 = 21, Int4 = 23;

} // namespace

void PgResult::Clear::operator()(pg_result *result) const
{
    PQclear(result);
}

PgResult::PgResult(pg_result *result) : m_result(result) {}

int PgResult::rows() const
{
    return PQntuples(m_result.get());
}

int PgResult::columns() const
{
    return PQnfields(m_result.get());
}

bool PgResult::isNull(int row, int column) const
{
    return PQgetisnull(m_result.get(), row, column);
}

QVariant PgResult::value(int row, int column) const
{
    if (isNull(row, column))
        return {};
    return isInteger(column) ? QVariant(int64(row, column)) : QVariant(text(row, column));
}

bool PgResult::isInteger(int column) const
{
    const Oid type = PQftype(m_result.get(), column);
    return type == Int8 || type == Int4 || type == Int2;
}

QByteArrayView PgResult::utf8(int row, int column) const
{
    return {PQgetvalue(m_result.get(), row, column), PQgetlength(m_result.get(), row, column)};
}

QString PgResult::text(int row, int column) const
{
    return QString::fromUtf8(PQgetvalue(m_result.get(), row, column), PQgetlength(m_result.get(), row, column));
}

qint64 PgResult::int64(int row, int column) const
{
    return QByteArray(PQgetvalue(m_result.get(), row, column)).toLongLong();
}

qint64 PgResult::changed() const
{
    return QByteArray(PQcmdTuples(m_result.get())).toLongLong();
}
