#pragma once

#include <QString>
#include <QStringList>
#include <stdexcept>

// The one failure type of the record store. It carries the store's own
// message, the name of the component that raised it, and SQLite's result
// code (0 when the failure did not come from SQLite; a shared register's
// failures carry the code of the same failure of a file), so that callers
// decide by code, never by searching the message.
class StoreError : public std::runtime_error {
public:
    // Codes of the program's own, beyond SQLite's range.
    enum : int {
        // A write found its row changed or deleted by another program.
        RowChangedElsewhere = 0x10000,
        // The register's file was deleted or replaced by another program
        // while it was open: writes go to a file no longer under its name.
        FileGone = 0x10001,
        // A shared register's server could not be reached, or refused the
        // user (a wrong password, no such database).
        ConnectionFailed = 0x10002,
        // The connection to a shared register's server dropped.
        ConnectionLost = 0x10003,
        // A history entry was to be added under a brewery that another
        // program or editor deleted meanwhile.
        BreweryGone = 0x10004,
    };

    StoreError(const QString &message, const QString &component = QStringLiteral("Register"), int code = 0)
        : std::runtime_error(message.toStdString()), m_message(message), m_component(component), m_code(code)
    {
    }

    // A write refused because its row was changed or deleted by another
    // program since it was read; by another editor, where `shared`.
    static StoreError rowChangedElsewhere(bool shared = false);
    // A history entry refused because its brewery is gone; `shared`: the
    // register is shared, and another editor deleted it.
    static StoreError breweryGone(bool shared);

    const QString &message() const { return m_message; }
    const QString &component() const { return m_component; }
    int code() const { return m_code; }
    // SQLite's primary result code, without the extended bits.
    int primaryCode() const { return m_code & 0xff; }
    bool isBusy() const;
    // The disk (or the register's size limit) has no room for the write.
    bool isDiskFull() const;
    // A write refused for now that may go through later, unchanged: the
    // program keeps what was typed and tries again (a shared register's
    // server is connected to anew for it).
    bool isPassing() const { return isBusy() || isDiskFull() || isConnectionLost(); }
    // The same failure, its message naming what the user typed, so that it
    // can be typed again.
    StoreError withValueTyped(const QString &value) const;
    // The same failure, its message naming the cells of a row that was
    // typed and not stored ("\"Spezial\" in BRAUEREI").
    StoreError withRowTyped(const QStringList &cells) const;
    bool isRowChangedElsewhere() const { return m_code == RowChangedElsewhere; }
    bool isFileGone() const { return m_code == FileGone; }
    bool isConnectionLost() const { return m_code == ConnectionLost; }
    bool isBreweryGone() const { return m_code == BreweryGone; }
    // The register's file is damaged (SQLite found its pages corrupt).
    bool isDamaged() const;
    // A constraint of the register refused the write (a key taken, a
    // history entry without its brewery).
    bool isConstraint() const;
    // A row refers to one that is not there (a history entry without its
    // brewery), or is referred to by one that is.
    bool isForeignKey() const;

private:
    QString m_message;
    QString m_component;
    int m_code;
};
