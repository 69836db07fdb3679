#include "Statement.h"

#include "RegisterFile.h"
#include "StoredValue.h"

#include <sqlite3.h>

void Statement::Finalizer::operator()(sqlite3_stmt *statement) const
{
    sqlite3_finalize(statement);
}

Statement::Statement(RegisterFile &file, const QByteArray &sql) : m_file(&file)
{
    sqlite3_stmt *raw = nullptr;
    const int rc = sqlite3_prepare_v2(file.handle(), sql.constData(), int(sql.size()), &raw, nullptr);
    m_statement.reset(raw);
    if (rc != SQLITE_OK)
        file.fail(rc, QStringLiteral("Could not prepare a query"));
}

Statement &Statement::bind(int index, const QVariant &value)
{
    sqlite3_stmt *s = m_statement.get();
    int rc;
    if (value.isNull()) {
        rc = sqlite3_bind_null(s, index);
    } else if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int
               || value.typeId() == QMetaType::UInt || value.typeId() == QMetaType::ULongLong) {
        rc = sqlite3_bind_int64(s, index, value.toLongLong());
    } else if (value.typeId() == QMetaType::Double) {
        rc = sqlite3_bind_double(s, index, value.toDouble());
    } else if (value.typeId() == QMetaType::QByteArray) {
        const QByteArray blob = value.toByteArray();
        rc = sqlite3_bind_blob(s, index, blob.constData(), int(blob.size()), SQLITE_TRANSIENT);
    } else if (value.metaType() == QMetaType::fromType<StoredText>()) {
        const QByteArray bytes = value.value<StoredText>().bytes;
        rc = sqlite3_bind_text(s, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
    } else {
        const QByteArray utf8 = value.toString().toUtf8();
        rc = sqlite3_bind_text(s, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    if (rc != SQLITE_OK)
        m_file->fail(rc, QStringLiteral("Could not bind a value"));
    return *this;
}

Statement &Statement::bind(int index, qint64 value)
{
    const int rc = sqlite3_bind_int64(m_statement.get(), index, value);
    if (rc != SQLITE_OK)
        m_file->fail(rc, QStringLiteral("Could not bind a value"));
    return *this;
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_statement.get());
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    sqlite3_reset(m_statement.get());
    m_file->fail(rc, QString());
}

namespace {

// An empty text is stored as '', never as Null.
int bindUtf8(sqlite3_stmt *statement, int index, QByteArrayView utf8, sqlite3_destructor_type lifetime)
{
    return sqlite3_bind_text(statement, index, utf8.data() ? utf8.data() : "", int(utf8.size()), lifetime);
}

} // namespace

Statement &Statement::bindText(int index, QByteArrayView utf8)
{
    if (const int rc = bindUtf8(m_statement.get(), index, utf8, SQLITE_TRANSIENT); rc != SQLITE_OK)
        m_file->fail(rc, QStringLiteral("Could not bind a value"));
    return *this;
}

Statement &Statement::bindTextInPlace(int index, QByteArrayView utf8)
{
    if (const int rc = bindUtf8(m_statement.get(), index, utf8, SQLITE_STATIC); rc != SQLITE_OK)
        m_file->fail(rc, QStringLiteral("Could not bind a value"));
    return *this;
}

void Statement::run()
{
    while (step()) {
    }
    reset();
}

void Statement::reset()
{
    sqlite3_reset(m_statement.get());
    sqlite3_clear_bindings(m_statement.get());
}

QVariant Statement::value(int column) const
{
    sqlite3_stmt *s = m_statement.get();
    switch (sqlite3_column_type(s, column)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(s, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(s, column));
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char *>(sqlite3_column_blob(s, column)), sqlite3_column_bytes(s, column));
    default:
        return StoredTextValue(reinterpret_cast<const char *>(sqlite3_column_text(s, column)),
                               sqlite3_column_bytes(s, column));
    }
}

qint64 Statement::int64(int column) const
{
    return sqlite3_column_int64(m_statement.get(), column);
}

QString Statement::text(int column) const
{
    sqlite3_stmt *s = m_statement.get();
    const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(s, column));
    return QString::fromUtf8(bytes, sqlite3_column_bytes(s, column));
}

QByteArrayView Statement::utf8(int column) const
{
    sqlite3_stmt *s = m_statement.get();
    const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(s, column));
    return QByteArrayView(bytes, sqlite3_column_bytes(s, column));
}

bool Statement::isNull(int column) const
{
    return sqlite3_column_type(m_statement.get(), column) == SQLITE_NULL;
}

bool Statement::isText(int column) const
{
    return sqlite3_column_type(m_statement.get(), column) == SQLITE_TEXT;
}
