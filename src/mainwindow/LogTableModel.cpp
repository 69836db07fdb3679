#include "LogTableModel.h"

#include "ChangeHistory.h"
#include "RegisterSchema.h"
#include "ShownValue.h"

LogTableModel::LogTableModel(ChangeHistory &history, Caption caption, QObject *parent)
    : QAbstractTableModel(parent), m_history(history), m_caption(std::move(caption))
{
}

void LogTableModel::setFilter(const LogFilter &filter)
{
    std::vector<LogEntry> first = m_history.read(filter, 0, Page);
    beginResetModel();
    m_filter = filter;
    m_entries.clear();
    m_lines.clear();
    m_more = true;
    endResetModel();
    append(std::move(first));
}

void LogTableModel::append(std::vector<LogEntry> entries)
{
    m_more = entries.size() == size_t(Page);
    int lines = 0;
    for (const LogEntry &entry : entries)
        lines += std::max(1, int(entry.fields.size()));
    if (lines == 0)
        return;
    beginInsertRows({}, rowCount(), rowCount() + lines - 1);
    for (LogEntry &entry : entries) {
        const size_t at = m_entries.size();
        if (entry.fields.empty())
            m_lines.push_back({at, -1});
        for (int field = 0; field < int(entry.fields.size()); ++field)
            m_lines.push_back({at, field});
        m_entries.push_back(std::move(entry));
    }
    endInsertRows();
}

int LogTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_lines.size());
}

int LogTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Columns;
}

bool LogTableModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_more;
}

void LogTableModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    append(m_history.read(m_filter, m_entries.back().id, Page));
}

void LogTableModel::fetchAll()
{
    while (canFetchMore({}))
        fetchMore({});
}

const LogEntry::Field *LogTableModel::fieldAt(int row) const
{
    const Line &line = m_lines[size_t(row)];
    return line.field < 0 ? nullptr : &m_entries[line.entry].fields[size_t(line.field)];
}

QString LogTableModel::text(int row, int column) const
{
    const LogEntry &entry = entryAt(row);
    const LogEntry::Field *field = fieldAt(row);
    const auto value = [](const std::optional<QVariant> &v) { return v ? ShownValue(*v) : QStringLiteral("\u2014"); };
    switch (column) {
    case When:
        return entry.at.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case Who:
        return entry.who.isEmpty() ? LogFilter::anotherProgram() : entry.who;
    case Step:
        return entry.step.isEmpty() ? QStringLiteral("another program") : entry.step;
    case Change:
        return entry.kind == LogEntry::Kind::Added     ? QStringLiteral("added")
            : entry.kind == LogEntry::Kind::Deleted ? QStringLiteral("deleted")
                                                    : QStringLiteral("changed");
    case Row:
        return entry.table == RegisterSchema::BreweryTable
            ? QStringLiteral("brewery %1").arg(entry.rowKey)
            : QStringLiteral("history entry %1 of brewery %2").arg(entry.rowKey).arg(entry.breweryKey);
    case Field: {
        if (!field)
            return QString();
        const QString caption = m_caption ? m_caption(entry.table, field->name) : QString();
        return caption.isEmpty() ? field->name : caption;
    }
    case Before:
        return field ? value(field->before) : QString();
    case After:
        return field ? value(field->after) : QString();
    default:
        return QString();
    }
}

QVariant LogTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return text(index.row(), index.column());
}

QVariant LogTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const captions[Columns] = {"When", "Who", "Step", "Change", "Row", "Field", "Before", "After"};
    return QString::fromLatin1(captions[section]);
}
