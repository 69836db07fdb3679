#include "MirrorFolder.h"

#include "ProcessGone.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace {

const QString Prefix = QStringLiteral("Sudregister-");
const QString ProcessFile = QStringLiteral("window.pid");

} // namespace

void RemoveAbandonedMirrorFolders()
{
    QDir temporary(QDir::tempPath());
    for (const QString &name : temporary.entryList({Prefix + QLatin1Char('*')}, QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile process(temporary.filePath(name + QLatin1Char('/') + ProcessFile));
        bool number = false;
        const qint64 pid = process.open(QIODevice::ReadOnly) ? process.readAll().trimmed().toLongLong(&number) : 0;
        if (number && ProcessGone(pid))
            QDir(temporary.filePath(name)).removeRecursively();
    }
}

std::unique_ptr<QTemporaryDir> MakeMirrorFolder()
{
    RemoveAbandonedMirrorFolders();
    QDir temporary(QDir::tempPath());
    auto folder = std::make_unique<QTemporaryDir>(temporary.filePath(Prefix + QStringLiteral("XXXXXX")));
    if (folder->isValid()) {
        QFile process(folder->filePath(ProcessFile));
        if (process.open(QIODevice::WriteOnly))
            process.write(QByteArray::number(QCoreApplication::applicationPid()));
    }
    return folder;
}
