#pragma once

#include "ChangeLabel.h"
#include "RowChange.h"
#include "RowWriter.h"
#include "Statement.h"
#include "UpstreamJournal.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

struct sqlite3;

// A connection to a register file, the one way the program reaches SQLite:
// the window's connection behind "Sudregister2K.mdb", a worker thread's
// read-only one, and the connection that writes a file whole (a new
// register before it moves into place, a backup copy).
// A missing register is created empty; an existing file that is not a
// register is refused and never written to.
class QDateTime;

class RegisterFile {
public:
    enum class Access { ReadWrite, ReadOnly };
    // How long a write waits for another program that holds the file.
    static constexpr int WriteWaitMs = 2000;

    // Opens the file at `path`, sharing the connection with every other
    // holder of the same path and access in this process.
    static std::shared_ptr<RegisterFile> open(const QString &path, Access access = Access::ReadWrite);
    // A read-only connection of its own for a worker thread (the sort's
    // shares, the find's index, the backup's counts and check), used by that
    // thread alone while the window's connection goes on serving the window.
    // The register was checked when the window opened it.
    static std::unique_ptr<RegisterFile> openReader(const QString &path);
    // A file this program writes whole, created when missing and not
    // checked as a register.
    static std::unique_ptr<RegisterFile> openScratch(const QString &path);
    // Removes the files in `folder` that a making of a register began and
    // a process that is gone never finished (it was killed meanwhile).
    static void removeAbandonedScratch(const QString &folder);

    ~RegisterFile();
    RegisterFile(const RegisterFile &) = delete;
    RegisterFile &operator=(const RegisterFile &) = delete;

    const QString &path() const { return m_path; }
    sqlite3 *handle() const { return m_db.get(); }
    bool isReadOnly() const { return m_readOnly; }

    // A prepared statement kept for reuse, one per query shape; the use
    // ends, and the statement is reset, with the returned cursor's scope.
    Cursor cached(const QByteArray &sql);
    void exec(const char *sql);
    qint64 lastInsertRowId() const;
    // How long the next statements wait for another program's lock.
    void setBusyTimeout(int ms);
    // Rows changed by the last INSERT, UPDATE or DELETE.
    int changes() const;
    // Runs a row writer's statements on this file's tables.
    RowWriter::Run rowRunner();
    RowWriter rowWriter() { return RowWriter(RowWriter::Dialect::Sqlite, rowRunner(), hasUpstream()); }
    // Rows this connection has changed since it opened.
    qint64 totalChanges() const;
    // Changes whenever another connection (another window, the shell, the
    // importer) commits to the file; our own commits leave it alone.
    qint64 dataVersion();

    // Field names of a table as the store lists them, in column order;
    // empty when there is no such table. Read once per table and kept.
    QStringList fieldsOf(const QString &table);
    // The field that is the table's own integer key (RowId), or empty.
    QString keyFieldOf(const QString &table);

    // Walks the rowids first..last of `table` (a quoted name) in slices of
    // at most `rows` rows, calling `slice(from, to)` for each. Whatever
    // `slice` reads must be finished (its cursor gone) when it returns: each
    // slice is then a read transaction of its own, and a writer waits for
    // one slice at most, never for the whole walk.
    void inSlices(const QByteArray &table, qint64 first, qint64 last, int rows,
                  const std::function<void(qint64 from, qint64 to)> &slice);
    // Replaces this file's contents by a page-by-page copy of `source`, as
    // `source`'s connection sees it (in its read transaction, if any).
    void copyFrom(RegisterFile &source);
    // After another program deleted or replaced the file while it was open
    // (StoreError::isFileGone()): writes the register as this connection
    // still reads it under its name again. A file that took the name
    // meanwhile is kept beside it; its new name is returned, or empty.
    // Throws StoreError. Connections opened later read the saved file.
    QString saveAgainUnderItsName(const QDateTime &now);

    // The journal of writes. While a listener is set, record sets note every
    // row they write (noteChange), and the listener hears each committed
    // group of writes as one: a transaction's when the outermost one
    // commits, a write outside any transaction at once. Rolled-back writes
    // are forgotten.
    void setChangeListener(std::function<void(RowChanges)> listener) { m_changeListener = std::move(listener); }
    bool isJournaling() const { return m_changeListener || m_upstream; }
    void noteChange(RowChange change);

    // How this program's writes name themselves in the register's change
    // log; none on a connection that does not write a register.
    ChangeLabel *changeLabel() const { return m_label.get(); }
    // Before a write of the program's own: names it in the change log of a
    // register file (a shared register's server keeps its own).
    void aboutToWrite();
    // The same before each row of many added in one transaction (an import).
    void aboutToAddInBulk();

    // Where a file mirrors a shared register, each group of writes goes to
    // the server before it commits here, and a refusal there (a StoreError
    // thrown by Upstream::send()) rolls the group back here.
    void setUpstream(Upstream *upstream);
    bool hasUpstream() const { return m_upstream.has_value(); }
    // The keys `count` new rows of `table` are to have; none where the file
    // gives them.
    std::vector<qint64> newKeys(const QString &table, int count = 1);
    // A write the server is to make as well, but that is no step of its
    // own to undo: one that takes a recorded change back or makes it again,
    // an import's rows.
    void noteForServer(RowChange change);

    // Kept by Transaction: where its group begins in the journals, how it
    // commits (savepoint `name`, begun at `start`), and how it ended.
    struct GroupStart {
        size_t journal = 0;
        size_t upstream = 0;
    };
    GroupStart groupBegun();
    // Whether a group of writes is open and may still roll back.
    bool hasOpenGroup() const { return m_groups > 0; }
    void commitGroup(const QByteArray &name, GroupStart start);
    void groupEnded(GroupStart start, bool committed);

    // Reads every page once (SQLite's quick check); throws StoreError
    // (isDamaged()) when the file is damaged. Takes a while on a large
    // register: the window runs it on a reader of its own, beside its
    // start-up.
    void checkPages();

    // Throws the store's failure for result code `rc`, prefixed by `context`.
    [[noreturn]] void fail(int rc, const QString &context) const;

private:
    struct Closer {
        void operator()(sqlite3 *db) const;
    };
    RegisterFile(const QString &path, int flags);
    static std::shared_ptr<RegisterFile> openChecked(const QString &path, Access access);
    void connect(int flags);
    void checkSchema();
    // Commits savepoint `name`, or rolls it back and throws StoreError.
    void releaseSavepoint(const QByteArray &name);

    QString m_path;
    bool m_readOnly = false;
    std::unique_ptr<sqlite3, Closer> m_db;
    QHash<QByteArray, std::shared_ptr<Statement>> m_statements;
    QHash<QString, QStringList> m_fields;
    QHash<QString, QString> m_keyFields;
    std::function<void(RowChanges)> m_changeListener;
    RowChanges m_journal;
    std::optional<UpstreamJournal> m_upstream;
    std::unique_ptr<ChangeLabel> m_label;
    int m_groups = 0;
};
