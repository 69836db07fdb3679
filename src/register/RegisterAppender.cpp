#include "RegisterAppender.h"

#include "RegisterFile.h"
#include "RegisterSchema.h"
#include "ReportLine.h"

namespace {

// "INSERT INTO table (f1, ..., fn[, extra]) VALUES (?1, ..., ?m)" for the
// line's columns.
template <size_t N>
QByteArray insertOf(const QString &table, const std::array<ReportLine::Column, N> &columns,
                    const QString &extra = QString())
{
    QByteArray names, places;
    int n = 0;
    for (const auto &column : columns) {
        names += (n ? ", " : "") + QByteArray(column.field);
        places += (n ? ", ?" : "?") + QByteArray::number(n + 1);
        ++n;
    }
    if (!extra.isEmpty()) {
        names += ", " + extra.toUtf8();
        places += ", ?" + QByteArray::number(n + 1);
    }
    return "INSERT INTO " + table.toUtf8() + " (" + names + ") VALUES (" + places + ")";
}

} // namespace

RegisterAppender::RegisterAppender(RegisterFile &file, NullViews nulls)
    : m_file(file), m_nulls(nulls), m_addBrewery(file, insertOf(RegisterSchema::BreweryTable, ReportLine::BreweryColumns)),
      m_addChronik(file, insertOf(RegisterSchema::ChronikTable, ReportLine::ChronikColumns, RegisterSchema::ChronikParent))
{
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
    m_addBrewery.run();
    return m_file.lastInsertRowId();
}

void RegisterAppender::addChronik(qint64 parent, const QByteArrayView *texts)
{
    constexpr int Texts = int(ReportLine::ChronikColumns.size());
    for (int text = 0; text < Texts; ++text)
        bind(m_addChronik, text + 1, texts[text]);
    m_addChronik.bind(Texts + 1, parent);
    m_addChronik.run();
}
