#pragma once

#include "RowChange.h"

#include <QByteArray>
#include <QHash>
#include <functional>
#include <vector>

// The one place that decides how a row change is written, on a register
// file and on a shared register's server alike, so that both agree on what
// "changed" and "gone" mean:
//  - the row must stand as `before` says: the same storage class and bytes
//    in every field, or no row at all where `before` is none; else the
//    change is refused with StoreError::rowChangedElsewhere() and nothing
//    is written;
//  - a row that stays is given only the fields that differ from `before`,
//    and nothing when none differ;
//  - a row that is added is added whole, every field as `after` holds it
//    (a Null key: the store gives one).
// The check is part of each statement's condition, so that no other writer
// can come between the check and the write.
class RowWriter {
public:
    enum class Dialect { Sqlite, Postgres };

    // One statement, its values bound as parameters 1, 2, … in order.
    struct Statement {
        QByteArray sql;
        std::vector<QVariant> values;
        // A query whose one value is a count, rather than a write.
        bool counts = false;
    };
    // Runs a statement where the rows are: returns the rows a write changed,
    // or a query's count. Throws StoreError.
    using Run = std::function<qint64(const Statement &)>;

    // Rows added one after the other to one table go this many to an
    // INSERT at most; the server names as many keys in one announcement.
    static constexpr int RowsPerInsert = 300;

    // `shared`: the rows are a shared register's (its server's, or the
    // window's copy of them), and a refusal blames another editor.
    RowWriter(Dialect dialect, Run run, bool shared = false)
        : m_dialect(dialect), m_run(std::move(run)), m_shared(shared || dialect == Dialect::Postgres)
    {
    }

    // Makes `change`, or refuses it as said above. Returns whether anything
    // was written.
    bool write(const RowChange &change) const;
    // Makes `changes` in their order; rows added one after the other to one
    // table go a few hundred to a statement.
    void writeAll(const std::vector<const RowChange *> &changes) const;

    // The fields a change of a row that stays writes: those whose stored
    // value differs from `before`.
    static std::vector<int> differingFields(const RowChange &change);
    // "INSERT INTO table (fields) VALUES (…)" for `rows` rows of every
    // field: what an import prepares once and runs for each of its rows.
    QByteArray insertOf(const QString &table, const QStringList &fields, int rows = 1) const;

private:
    QByteArray place(std::vector<QVariant> &values, const QVariant &value) const;
    // "key = $n AND f1 <same as> $m …": the row stands as `before`.
    QByteArray standsAs(const RowChange &change, std::vector<QVariant> &values) const;
    // Adds the rows changes[first…] that one INSERT takes; returns how many.
    size_t insert(const std::vector<const RowChange *> &changes, size_t first) const;

    Dialect m_dialect;
    Run m_run;
    bool m_shared;
    // standsAs()'s text for each table and field list met, numbered from 1.
    mutable QHash<QString, QByteArray> m_conditions;
};
