#pragma once

#include "LogEntry.h"

#include <QAbstractTableModel>
#include <functional>
#include <vector>

class ChangeHistory;

// The change log as the history window lists it: one line per changed
// field of each record, newest first, read a page at a time as the view
// scrolls, so that the newest of a million records shows at once.
class LogTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { When, Who, Step, Change, Row, Field, Before, After, Columns };
    static constexpr int Page = 200;
    // The grids' caption of a field of a table.
    using Caption = std::function<QString(const QString &table, const QString &field)>;

    LogTableModel(ChangeHistory &history, Caption caption, QObject *parent = nullptr);

    // Lists the records `filter` lets through, from the newest. Throws
    // StoreError.
    void setFilter(const LogFilter &filter);
    const LogFilter &filter() const { return m_filter; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

    // The record line `row` belongs to, and its field (none for a record
    // that names no field).
    const LogEntry &entryAt(int row) const { return m_entries[m_lines[size_t(row)].entry]; }
    const LogEntry::Field *fieldAt(int row) const;
    // The text of a cell, as shown.
    QString text(int row, int column) const;
    // Reads the rest of the records, for a list saved whole.
    void fetchAll();

private:
    struct Line {
        size_t entry;
        int field; // -1: the record names no field
    };
    void append(std::vector<LogEntry> entries);

    ChangeHistory &m_history;
    Caption m_caption;
    LogFilter m_filter;
    std::vector<LogEntry> m_entries;
    std::vector<Line> m_lines;
    bool m_more = false;
};
