#include "StartupBackup.h"

#include "Register.h"
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

StartupBackup::StartupBackup(const QString &namedAs, QObject *parent)
    : QObject(parent), m_namedAs(namedAs)
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
    RemoveUnfinishedBackups(m_namedAs);
    RegisterFile::removeAbandonedScratch(QFileInfo(m_namedAs).absolutePath());
    QString failure;
    const std::optional<UncheckedBackup> due =
        BackupDue(*RegisterFile::open(m_namedAs), QDateTime::currentDateTime(), failure);
    if (!failure.isEmpty())
        fail(failure);
    if (!due)
        return;
    // Copied and checked beside the window, on a connection of its own.
    // The window goes on once the state to copy is fixed: the copy is of the
    // register before this session's first write, which waits for it.
    auto fixed = std::make_shared<QSemaphore>();
    startWorker([path = m_namedAs, copy = *due, fixed]() mutable {
        bool told = false;
        BackupResult result;
        try {
            const std::unique_ptr<RegisterFile> reader = RegisterFile::openReader(path);
            result.failure = CopyRegister(*reader, copy, [&] {
                told = true;
                fixed->release();
            });
        } catch (const StoreError &e) {
            result.failure = e.message();
        }
        // Failed before the state was fixed: the window waits no longer.
        if (!told)
            fixed->release();
        // The check reads the whole copy: only on a core nothing else wants.
        QThread::currentThread()->setPriority(QThread::IdlePriority);
        return result.failure.isEmpty() ? KeepIfSound(copy, BackupsKept) : result;
    });
    fixed->acquire();
}

void StartupBackup::keepOpeningCopy(Register &reg)
{
    QString failure;
    const std::optional<UncheckedBackup> copy = reg.takeOpeningCopy(failure);
    if (!failure.isEmpty())
        fail(failure);
    if (!copy)
        return;
    // Compared with the newest backup and checked on a core nothing else
    // wants.
    startWorker([copy = *copy] {
        QThread::currentThread()->setPriority(QThread::IdlePriority);
        return KeepIfChanged(copy, BackupsKept);
    });
}

void StartupBackup::startWorker(std::function<BackupResult()> work)
{
    auto result = std::make_shared<BackupResult>();
    m_worker.reset(QThread::create([work = std::move(work), result] { *result = work(); }));
    connect(m_worker.get(), &QThread::finished, this, [this, result] {
        if (!result->failure.isEmpty())
            fail(result->failure);
    });
    m_worker->start();
}

void StartupBackup::fail(const QString &why)
{
    m_failure = QStringLiteral("no backup could be made in %1: %2")
                    .arg(QDir::toNativeSeparators(BackupFolder(m_namedAs)), why);
    emit failed();
}
