#include "ChangeLabel.h"

#include "ChangeLogSchema.h"
#include "RegisterFile.h"

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

void ChangeLabel::beforeCommit()
{
    if (!m_named)
        return;
    Cursor clear = m_file.cached("UPDATE " + ChangeLogSchema::StepTable.toUtf8() + " SET Who = NULL, Step = NULL");
    clear.run();
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
