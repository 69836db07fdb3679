#pragma once

#include "RowChange.h"

#include <QString>
#include <vector>

class Register;

// Two breweries made one: the one that stays takes, field by field, its
// own value or the other's; the history entries of both become its own
// (an entry the same as one it has already, once); the other brewery's ID,
// name and years can stay as a history entry of its own; the other goes.
class BreweryMerge {
public:
    // Reads both breweries and their history entries as stored now; the
    // first stays unless told otherwise. Throws StoreError when either is
    // gone.
    BreweryMerge(Register &reg, qint64 first, qint64 second);

    // The brewery fields, in the table's order (the key first).
    const QStringList &fields() const { return m_fields; }
    // Which of the two stays; the other goes.
    void setStaying(bool first) { m_firstStays = first; }
    bool firstStays() const { return m_firstStays; }
    // Either brewery as stored when read, its key first.
    const RowChange::Row &row(bool first) const { return first ? m_first : m_second; }
    // One field of either brewery as read (Null where there is no such field).
    QVariant value(bool first, const QString &field) const;
    qint64 key(bool first) const;
    // The history entries of either, in the history grid's order.
    int entries(bool first) const { return int((first ? m_firstEntries : m_secondEntries).size()); }

    // The value field `field` (an index into fields()) takes: the first
    // brewery's or the second's; by default the first's.
    void takeValue(int field, bool fromFirst) { m_fromFirst[size_t(field)] = fromFirst; }
    // Whether the other's ID, name and years become a history entry of the
    // one that stays; they do unless told otherwise.
    void keepAsEntry(bool keep) { m_keepAsEntry = keep; }
    // The entries of the brewery that goes that are the same as one the
    // staying brewery has (or comes to have): they go.
    int identicalEntries() const;

    // Every row change the merge makes, to be written as one group.
    RowChanges plan() const;

private:
    using Row = RowChange::Row;
    // An entry's values less its key and brewery: what "the same" compares.
    Row comparable(const Row &entry) const;
    // The entry keeping the other brewery's ID, name and years.
    Row keptEntry() const;

    const Row &staying() const { return row(m_firstStays); }
    const Row &going() const { return row(!m_firstStays); }

    QStringList m_fields;
    QStringList m_entryFields;
    Row m_first;
    Row m_second;
    std::vector<Row> m_firstEntries;
    std::vector<Row> m_secondEntries;
    std::vector<bool> m_fromFirst;
    bool m_firstStays = true;
    bool m_keepAsEntry = true;
};
