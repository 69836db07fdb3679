#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <optional>
#include <vector>

// One record of the register's change log: one row of either table added,
// changed or deleted by one committed write.
struct LogEntry {
    enum class Kind { Added, Changed, Deleted };
    struct Field {
        QString name;
        // None where the row was not there: before an add, after a delete.
        std::optional<QVariant> before;
        std::optional<QVariant> after;
    };

    qint64 id = 0;
    QDateTime at; // UTC
    // Empty for another program's write: it names no one and no step.
    QString who;
    QString step;
    QString table;
    qint64 rowKey = 0;
    // The brewery the row is, or belongs to.
    qint64 breweryKey = 0;
    Kind kind = Kind::Changed;
    std::vector<Field> fields;

    // The kind as both logs store it: "added", "changed", "deleted".
    static Kind kindOf(const QString &stored)
    {
        return stored == QLatin1String("added") ? Kind::Added
            : stored == QLatin1String("deleted") ? Kind::Deleted
                                                 : Kind::Changed;
    }
};

// Which records a history shows; an empty part lets every record through.
struct LogFilter {
    // The brewery and its history entries.
    std::optional<qint64> brewery;
    // Who made the change; AnotherProgram for writes that name no one.
    QString who;
    QDateTime from, to;
    // A part of the step's name ("import"), in any case.
    QString step;
    // A field the record changed, by its name in either table.
    QString field;

    static QString anotherProgram() { return QStringLiteral("(another program)"); }
};
