#include "StartupBackup.h"

#include "RegisterBackup.h"
#include "RegisterFile.h"
#include "StoreError.h"

#include <QDir>
#include <QFileInfo>
#include <QSemaphore>
#include <QThread>

namespace {

constexpr int BackupsKept = 10;

} // namespace

StartupBackup::StartupBackup(const QString &registerPath, QObject *parent)
    : QObject(parent), m_registerPath(registerPath)
{
}

StartupBackup::~StartupBackup()
{
    // No unchecked copy is left under its scratch name; the window's
    // closing waits for the check, which then runs at full speed.
    if (m_worker) {
        if (m_worker->isRunning())
            m_worker->setPriority(QThread::NormalPriority);
        m_worker->wait();
    }
}

void StartupBackup::make()
{
    // What a program killed in the middle of a backup or of making a
    // register left behind.
    RemoveUnfinishedBackups(m_registerPath);
    RegisterFile::removeAbandonedScratch(QFileInfo(m_registerPath).absolutePath());
    QString failure;
    const std::optional<UncheckedBackup> due =
        BackupDue(*RegisterFile::open(m_registerPath), QDateTime::currentDateTime(), failure);
    if (!failure.isEmpty())
        fail(failure);
    if (!due)
        return;
    // Copied and checked beside the window, on a connection of its own.
    // The window goes on once the state to copy is fixed: the copy is of the
    // register before this session's first write, which waits for it.
    auto result = std::make_shared<BackupResult>();
    auto fixed = std::make_shared<QSemaphore>();
    m_worker.reset(QThread::create([path = m_registerPath, copy = *due, result, fixed]() mutable {
        bool told = false;
        try {
            const std::unique_ptr<RegisterFile> reader = RegisterFile::openReader(path);
            result->failure = CopyRegister(*reader, copy, [&] {
                told = true;
                fixed->release();
            });
        } catch (const StoreError &e) {
            result->failure = e.message();
        }
        // Failed before the state was fixed: the window waits no longer.
        if (!told)
            fixed->release();
        // The check reads the whole copy: only on a core nothing else wants.
        QThread::currentThread()->setPriority(QThread::IdlePriority);
        if (result->failure.isEmpty())
            *result = KeepIfSound(copy, BackupsKept);
    }));
    connect(m_worker.get(), &QThread::finished, this, [this, result] {
        if (!result->failure.isEmpty())
            fail(result->failure);
    });
    m_worker->start();
    fixed->acquire();
}

void StartupBackup::fail(const QString &why)
{
    m_failure = QStringLiteral("no backup could be made in %1: %2")
                    .arg(QDir::toNativeSeparators(BackupFolder(m_registerPath)), why);
    emit failed();
}
