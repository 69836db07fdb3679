#pragma once

#include <QByteArray>
#include <QString>

class RegisterFile;

// How this program's writes to a register file name themselves in its
// change log: who (the desktop user's login name) and which step ("edit",
// "import of list.lst", …). The name is set in the log's step row at the
// first write of a transaction, before the triggers record it, and cleared
// before the transaction commits, so that no write of another program can
// take it. The log is made at the first write to a register that lacks it.
class ChangeLabel {
public:
    explicit ChangeLabel(RegisterFile &file);

    // What the next transaction's writes are recorded as; "edit" unless a
    // step named itself (see NamedStep).
    const QString &step() const { return m_step; }
    void setStep(const QString &step) { m_step = step; }

    // Before a write in an open transaction.
    void beforeWrite();
    // The same before rows added in bulk (an import): they are recorded in
    // one statement when the transaction commits.
    void beforeBulkAdds();
    // Before the outermost transaction commits.
    void beforeCommit();
    // The outermost transaction ended, committed or not.
    void ended()
    {
        m_named = false;
        m_bulk = false;
    }

    // The desktop user's login name.
    static QString loginName();

private:
    void makeLog();
    // Records the rows of `table` added in bulk: those with keys above `above`.
    void recordBulk(const QString &table, qint64 above);

    RegisterFile &m_file;
    QString m_step;
    QString m_who;
    bool m_named = false;
    // Adds in bulk: the highest key of each table before them.
    bool m_bulk = false;
    qint64 m_breweriesAbove = 0;
    qint64 m_chroniksAbove = 0;
    // The schema version at which the log was last found whole: another
    // program may have dropped it since.
    qint64 m_checkedAt = -1;
};

// Names the writes made while it lives ("import of list.lst"); the
// outermost one names a step that holds others.
class NamedStep {
public:
    NamedStep(RegisterFile &file, const QString &step);
    ~NamedStep();
    NamedStep(const NamedStep &) = delete;
    NamedStep &operator=(const NamedStep &) = delete;

private:
    ChangeLabel *m_label;
    QString m_before;
};
