#include "ChangeLabel.h"

#include "ChangeLogSchema.h"
#include "RegisterFile.h"
#include "RegisterSchema.h"

#include <QDateTime>
#include <QFile>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace {

const QString DefaultStep = QStringLiteral("edit");

} // namespace

ChangeLabel::ChangeLabel(RegisterFile &file) : m_file(file), m_step(DefaultStep), m_who(loginName())
{
}

QString ChangeLabel::loginName()
{
    passwd entry {};
    passwd *found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_name)
        return QFile::decodeName(found->pw_name);
    for (const char *variable : {"USER", "LOGNAME"}) {
        const QString name = qEnvironmentVariable(variable);
        if (!name.isEmpty())
            return name;
    }
    return QString::number(geteuid());
}

void ChangeLabel::beforeWrite()
{
    if (m_named)
        return;
    makeLog();
    Cursor name = m_file.cached("INSERT OR REPLACE INTO " + ChangeLogSchema::StepTable.toUtf8()
                                + " (Only, Who, Step) VALUES (1, ?1, ?2)");
    name.bind(1, QVariant(m_who)).bind(2, QVariant(m_step)).run();
    m_named = true;
}

void ChangeLabel::beforeBulkAdds()
{
    beforeWrite();
    if (m_bulk)
        return;
    // Keys are never given twice: every row added from here on has a key
    // above the highest one now.
    const auto highest = [this](const QString &table) {
        Cursor key = m_file.cached("SELECT coalesce(max(rowid), 0) FROM " + table.toUtf8());
        return key.step() ? key.int64(0) : 0;
    };
    m_breweriesAbove = highest(RegisterSchema::BreweryTable);
    m_chroniksAbove = highest(RegisterSchema::ChronikTable);
    m_file.exec(ChangeLogSchema::dropAddedTriggers().constData());
    m_bulk = true;
}

void ChangeLabel::beforeCommit()
{
    if (!m_named)
        return;
    if (m_bulk) {
        for (const auto &[table, above] : {std::pair{RegisterSchema::BreweryTable, m_breweriesAbove},
                                           std::pair{RegisterSchema::ChronikTable, m_chroniksAbove}})
            recordBulk(table, above);
        m_file.exec(ChangeLogSchema::createStatements().constData());
    }
    Cursor clear = m_file.cached("UPDATE " + ChangeLogSchema::StepTable.toUtf8() + " SET Who = NULL, Step = NULL");
    clear.run();
}

void ChangeLabel::recordBulk(const QString &table, qint64 above)
{
    qint64 first = 0, last = 0;
    {
        Cursor range = m_file.cached("SELECT min(rowid), max(rowid) FROM " + table.toUtf8() + " WHERE rowid > ?1");
        range.bind(1, above);
        if (!range.step() || range.isNull(0))
            return;
        first = range.int64(0);
        last = range.int64(1);
    }
    qint64 next = 0;
    {
        Cursor newest = m_file.cached("SELECT coalesce(max(LogId), 0) + 1 FROM " + ChangeLogSchema::LogTable.toUtf8());
        next = newest.step() ? newest.int64(0) : 1;
    }
    const qint64 offset = next - first;
    {
        Cursor bulk = m_file.cached("INSERT INTO " + ChangeLogSchema::BulkTable.toUtf8()
                                    + " (At, Who, Step, TableName, FirstKey, LastKey, Offset) "
                                      "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
        bulk.bind(1, QVariant(ChangeLogSchema::storedTime(QDateTime::currentDateTimeUtc())))
            .bind(2, QVariant(m_who))
            .bind(3, QVariant(m_step))
            .bind(4, QVariant(table))
            .bind(5, first)
            .bind(6, last)
            .bind(7, offset)
            .run();
    }
    Statement records(m_file, ChangeLogSchema::addedInBulk(table));
    records.bind(1, above).bind(2, offset).bind(3, m_file.lastInsertRowId());
    records.run();
}

void ChangeLabel::makeLog()
{
    const auto schemaVersion = [this] {
        Cursor version = m_file.cached("PRAGMA schema_version");
        return version.step() ? version.int64(0) : -1;
    };
    if (schemaVersion() == m_checkedAt)
        return;
    m_file.exec(ChangeLogSchema::createStatements().constData());
    m_checkedAt = schemaVersion();
}

NamedStep::NamedStep(RegisterFile &file, const QString &step) : m_label(file.changeLabel())
{
    if (!m_label)
        return;
    m_before = m_label->step();
    if (m_before == DefaultStep)
        m_label->setStep(step);
}

NamedStep::~NamedStep()
{
    if (m_label)
        m_label->setStep(m_before);
}
