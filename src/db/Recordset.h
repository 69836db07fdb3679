#pragma once

#include "GermanOrder.h"
#include "Progress.h"
#include "RecordSource.h"

#include <QStringList>
#include <QVariant>
#include <functional>
#include <optional>
#include <memory>
#include <unordered_map>
#include <vector>

class Cursor;
class LikeCriterion;
class RegisterFile;

// Told about every change of a record set, so that bound grids can follow.
class RecordsetListener {
public:
    virtual ~RecordsetListener() = default;
    virtual void currentMoved() = 0;
    virtual void rowAboutToBeRemoved(int position) = 0;
    virtual void rowRemoved(int position) = 0;
    virtual void rowAppended(int position) = 0;
    virtual void rowChanged(int position) = 0;
};

// An updatable keyset over the rows of one query ("dynaset"). Opening it
// runs the query once and keeps only the keys of its rows, in query order;
// field values are read by key when asked, a page at a time, so a record set
// of 100,000 breweries opens fast and costs little memory.
//
// Text fields are ordered the German way, case-insensitively and with digit
// runs by value, each key either way; rows whose sort keys are equal keep
// the order of their keys, ascending.
class Recordset {
public:
    enum class EditMode { None, Edit, Add };

    // One field of the current record (or of the edit buffer while an Edit
    // or AddNew is open).
    class Field {
    public:
        QVariant Value() const;
        void setValue(const QVariant &value);

    private:
        friend class Recordset;
        Field(Recordset &set, int index) : m_set(set), m_index(index) {}
        Recordset &m_set;
        int m_index;
    };

    // Runs the query; `progress` hears how far ordering a whole table has
    // come, and `firstRows` the keys of its first rows when they are known
    // well before the rest.
    Recordset(std::shared_ptr<RegisterFile> file, const RecordSource &source, const Progress &progress = {},
              const FirstRows &firstRows = {});
    // A set of the records with `keys`, in that order, as a query read them
    // when the register's data version was `version`; runs no query.
    Recordset(std::shared_ptr<RegisterFile> file, const RecordSource &source, std::vector<qint64> keys,
              qint64 version);

    bool Bof() const;
    bool Eof() const;
    void MoveFirst();
    void MoveNext();
    void MovePrevious();
    void MoveLast();
    int RecordCount() const { return int(m_keys.size()); }
    // Position of the current record from 0; -1 when there is none.
    int AbsolutePosition() const;
    void setAbsolutePosition(int position);
    // Makes the first record, in record-set order, that matches the
    // criterion the current one. Without a match the current record stays.
    bool FindFirst(const QString &criterion);
    // `progress` hears how many of the table's rows have been looked at.
    bool FindFirst(const LikeCriterion &criterion, const Progress &progress = {});

    Field Fields(const QString &name);
    // The same by position, for readers that walk many records.
    Field Fields(int index);
    void Edit();
    void AddNew();
    void Update();
    void CancelUpdate();
    void Delete();
    EditMode editMode() const { return m_mode; }

    // What bound grids and readers use.
    const QStringList &fieldNames() const { return m_fields; }
    int fieldIndex(const QString &name) const;
    QVariant valueAt(int position, int field) const;
    // One field of the records at `positions`: many of them are read in one
    // pass over the table, which beats a seek per record.
    std::vector<QVariant> valuesAt(const std::vector<int> &positions, int field, const Progress &progress = {}) const;
    // The value when it is already in memory; nothing is read.
    std::optional<QVariant> cachedValueAt(int position, int field) const;
    // Visits every record of the set with its position, in one pass over the
    // table rather than one seek per record. Field i of the record is column
    // i + 1 of `row`, read as the register holds it (UTF-8 texts), so that a
    // reader converts only what it keeps. `waiting` runs every few
    // milliseconds while the keys are put in table order, beside the
    // caller's thread, before the first record.
    void forEachRecord(const std::function<void(int position, const Cursor &row)> &visit,
                       const std::function<void()> &waiting = {}) const;
    qint64 keyAt(int position) const { return m_keys.at(size_t(position)); }
    const std::vector<qint64> &keys() const { return m_keys; }
    qint64 version() const { return m_version; }
    // Tells record sets apart: no two made in this process share it,
    // whatever their addresses.
    quint64 serial() const { return m_serial; }
    // Position of the record with `key`, or -1.
    int positionOf(qint64 key) const;
    // Whether the row with key `a` comes before the row with key `b` in the
    // record source's order, as stored now: the query's own order, asked of
    // the two rows alone.
    bool sortsBefore(qint64 a, qint64 b) const;
    RegisterFile &file() const { return *m_file; }
    void setListener(RecordsetListener *listener) { m_listener = listener; }
    // Forgets cached values, so that the next read sees what is stored.
    void dropCache() { m_rows.clear(); }
    // True once another program has committed to the register since this
    // set read its keys: its list of rows may be out of date.
    bool isStale() const;

private:
    using Row = std::vector<QVariant>;

    void prepare();
    // " ORDER BY f1 COLLATE <German> [DESC], ..., rowid": the record
    // source's order.
    QByteArray orderClause() const;
    QByteArray columnList() const;
    const QByteArray &fetchSql() const;
    int requireField(const QString &name) const;
    int requireCurrent() const;
    const Row &rowFor(int position) const;
    void moved();
    // The row with `key` as stored, every field; none when there is none.
    std::optional<Row> storedRow(qint64 key) const;
    void noteChange(qint64 key, std::optional<Row> before, std::optional<Row> after) const;

    std::shared_ptr<RegisterFile> m_file;
    RecordSource m_source;
    QStringList m_fields;
    mutable QByteArray m_fetchSql;
    mutable int m_lastFetched = -1;
    int m_keyField = -1; // the field the register assigns itself
    std::vector<qint64> m_keys;
    int m_position = 0;
    bool m_currentDeleted = false;
    EditMode m_mode = EditMode::None;
    Row m_buffer;
    Row m_shown; // the row as read when Edit began
    qint64 m_version = 0;
    quint64 m_serial;
    std::vector<bool> m_changed;
    mutable std::unordered_map<qint64, Row> m_rows;
    RecordsetListener *m_listener = nullptr;
};
