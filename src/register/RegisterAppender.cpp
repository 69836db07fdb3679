#include "RegisterAppender.h"

#include "RegisterFile.h"
#include "RegisterSchema.h"
#include "ReportLine.h"
#include "StoreError.h"
#include "StoredRow.h"

#include <algorithm>

namespace {

// The fields of the line's columns, then `extras`.
template <size_t N>
QStringList fieldsOf(const std::array<ReportLine::Column, N> &columns, const QStringList &extras = {})
{
    QStringList fields;
    for (const auto &column : columns)
        fields << QString::fromLatin1(column.field);
    return fields + extras;
}

} // namespace

RegisterAppender::RegisterAppender(RegisterFile &file, qint64 breweries, qint64 chroniks, NullViews nulls)
    : m_file(file), m_nulls(nulls), m_shared(file.hasUpstream()),
      m_addBrewery(file, file.rowWriter().insertOf(
                             RegisterSchema::BreweryTable,
                             fieldsOf(ReportLine::BreweryColumns, {RegisterSchema::BreweryKey}))),
      m_addChronik(file, file.rowWriter().insertOf(
                             RegisterSchema::ChronikTable,
                             fieldsOf(ReportLine::ChronikColumns,
                                      m_shared ? QStringList{RegisterSchema::ChronikParent, RegisterSchema::ChronikKey}
                                               : QStringList{RegisterSchema::ChronikParent})))
{
    if (m_shared) {
        m_breweryFields = file.fieldsOf(RegisterSchema::BreweryTable);
        m_chronikFields = file.fieldsOf(RegisterSchema::ChronikTable);
        m_breweryKeys = keysFor(file, RegisterSchema::BreweryTable, breweries);
        m_chronikKeys = keysFor(file, RegisterSchema::ChronikTable, chroniks);
    } else if (breweryCount(file) == 0) {
        Cursor given = file.cached("SELECT seq FROM sqlite_sequence WHERE name = '" + RegisterSchema::BreweryTable.toUtf8() + "'");
        m_keepAbove = given.step() ? given.int64(0) : 0;
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

std::optional<qint64> RegisterAppender::breweryKey(std::optional<qint64> fileKey)
{
    if (m_shared)
        return m_breweryKeys.next();
    if (m_keepAbove && fileKey && *fileKey > *m_keepAbove && !m_given.contains(*fileKey))
        return fileKey;
    return std::nullopt;
}

qint64 RegisterAppender::addBrewery(const QByteArrayView *columns, std::optional<qint64> fileKey)
{
    for (int column = 0; column < ReportLine::BreweryWidth; ++column)
        bind(m_addBrewery, column + 1, columns[column]);
    const std::optional<qint64> key = breweryKey(fileKey);
    m_addBrewery.bind(ReportLine::BreweryWidth + 1, key ? QVariant(*key) : QVariant());
    run(m_addBrewery);
    const qint64 rowId = m_file.lastInsertRowId();
    if (m_shared)
        sendOn(RegisterSchema::BreweryTable, rowId);
    else if (m_keepAbove && !key)
        m_given.insert(rowId);
    return rowId;
}

void RegisterAppender::addChronik(qint64 parent, const QByteArrayView *texts)
{
    constexpr int Texts = int(ReportLine::ChronikColumns.size());
    for (int text = 0; text < Texts; ++text)
        bind(m_addChronik, text + 1, texts[text]);
    m_addChronik.bind(Texts + 1, parent);
    if (m_shared)
        m_addChronik.bind(Texts + 2, m_chronikKeys.next());
    run(m_addChronik);
    if (m_shared)
        sendOn(RegisterSchema::ChronikTable, m_file.lastInsertRowId());
}

void RegisterAppender::run(Statement &add)
{
    m_file.aboutToAddInBulk();
    add.run();
    // Only a key another editor took meanwhile leaves the row out.
    if (m_file.changes() != 1)
        throw StoreError::rowChangedElsewhere(m_shared);
}

void RegisterAppender::sendOn(const QString &table, qint64 key)
{
    const QStringList &fields = table == RegisterSchema::BreweryTable ? m_breweryFields : m_chronikFields;
    m_file.noteForServer({table, fields, key, std::nullopt, ReadStoredRow(m_file, table, fields, key)});
}

RegisterAppender::Keys RegisterAppender::keysFor(RegisterFile &file, const QString &table, qint64 rows)
{
    Keys keys;
    if (rows > 0) {
        const std::vector<qint64> given = file.newKeys(table, int(rows));
        keys.given.assign(given.rbegin(), given.rend());
    }
    return keys;
}

qint64 RegisterAppender::Keys::next()
{
    // The import found more rows than it counted before it began.
    if (given.empty())
        throw StoreError(QStringLiteral("The import held more rows than were counted before it began."),
                         QStringLiteral("Register"));
    const qint64 key = given.back();
    given.pop_back();
    return key;
}
