#include "RegisterAppender.h"

#include "RegisterFile.h"
#include "RegisterSchema.h"
#include "ReportLine.h"
#include "StoredRow.h"

#include <algorithm>

namespace {

// "INSERT INTO table (f1, ..., fn[, extras]) VALUES (?1, ..., ?m)" for the
// line's columns and the fields after them.
template <size_t N>
QByteArray insertOf(const QString &table, const std::array<ReportLine::Column, N> &columns,
                    const QStringList &extras = {})
{
    QByteArray names, places;
    int n = 0;
    for (const auto &column : columns) {
        names += (n ? ", " : "") + QByteArray(column.field);
        places += (n ? ", ?" : "?") + QByteArray::number(n + 1);
        ++n;
    }
    for (const QString &extra : extras) {
        names += ", " + extra.toUtf8();
        places += ", ?" + QByteArray::number(++n);
    }
    return "INSERT INTO " + table.toUtf8() + " (" + names + ") VALUES (" + places + ")";
}

// A shared register's server gives the keys, asked for in blocks that grow
// with the import, so that a large one asks seldom.
constexpr int LargestKeyBlock = 4096;

} // namespace

RegisterAppender::RegisterAppender(RegisterFile &file, NullViews nulls)
    : m_file(file), m_nulls(nulls), m_shared(file.hasUpstream()),
      m_addBrewery(file, insertOf(RegisterSchema::BreweryTable, ReportLine::BreweryColumns,
                                  m_shared ? QStringList{RegisterSchema::BreweryKey} : QStringList{})),
      m_addChronik(file, insertOf(RegisterSchema::ChronikTable, ReportLine::ChronikColumns,
                                  m_shared ? QStringList{RegisterSchema::ChronikParent, RegisterSchema::ChronikKey}
                                           : QStringList{RegisterSchema::ChronikParent}))
{
    if (m_shared) {
        m_breweryFields = file.fieldsOf(RegisterSchema::BreweryTable);
        m_chronikFields = file.fieldsOf(RegisterSchema::ChronikTable);
    }
}

qint64 RegisterAppender::breweryCount(RegisterFile &file)
{
    Cursor count = file.cached("SELECT count(*) FROM " + RegisterSchema::BreweryTable.toUtf8());
    return count.step() ? count.int64(0) : 0;
}

void RegisterAppender::bind(Statement &statement, int index, QByteArrayView utf8)
{
    if (m_nulls == NullViews::Null && utf8.isNull())
        statement.bind(index, QVariant());
    else
        statement.bindTextInPlace(index, utf8);
}

qint64 RegisterAppender::addBrewery(const QByteArrayView *columns)
{
    for (int column = 0; column < ReportLine::BreweryWidth; ++column)
        bind(m_addBrewery, column + 1, columns[column]);
    if (m_shared)
        m_addBrewery.bind(ReportLine::BreweryWidth + 1, m_breweryKeys.next(m_file, RegisterSchema::BreweryTable));
    m_addBrewery.run();
    const qint64 key = m_file.lastInsertRowId();
    if (m_shared)
        sendOn(RegisterSchema::BreweryTable, key);
    return key;
}

void RegisterAppender::addChronik(qint64 parent, const QByteArrayView *texts)
{
    constexpr int Texts = int(ReportLine::ChronikColumns.size());
    for (int text = 0; text < Texts; ++text)
        bind(m_addChronik, text + 1, texts[text]);
    m_addChronik.bind(Texts + 1, parent);
    if (m_shared)
        m_addChronik.bind(Texts + 2, m_chronikKeys.next(m_file, RegisterSchema::ChronikTable));
    m_addChronik.run();
    if (m_shared)
        sendOn(RegisterSchema::ChronikTable, m_file.lastInsertRowId());
}

void RegisterAppender::sendOn(const QString &table, qint64 key)
{
    const QStringList &fields = table == RegisterSchema::BreweryTable ? m_breweryFields : m_chronikFields;
    m_file.noteForServer({table, fields, key, std::nullopt, ReadStoredRow(m_file, table, fields, key)});
}

qint64 RegisterAppender::Keys::next(RegisterFile &file, const QString &table)
{
    if (given.empty()) {
        block = std::min(block * 2, LargestKeyBlock);
        const std::vector<qint64> more = file.newKeys(table, block);
        given.assign(more.rbegin(), more.rend());
    }
    const qint64 key = given.back();
    given.pop_back();
    return key;
}
