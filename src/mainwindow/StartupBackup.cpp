#include "StartupBackup.h"

#include "BusyStep.h"
#include "RegisterBackup.h"
#include "RegisterFile.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

namespace {

constexpr int BackupsKept = 10;

} // namespace

StartupBackup::StartupBackup(const QString &registerPath, QLabel *progress, QObject *parent)
    : QObject(parent), m_registerPath(registerPath), m_progress(progress)
{
}

StartupBackup::~StartupBackup()
{
    if (m_check) {
        if (!m_check->isRunning() && !m_check->isFinished())
            m_check->start();
        m_check->wait();
    }
}

void StartupBackup::make()
{
    // What a program killed in the middle of a backup or of making a
    // register left behind.
    RemoveUnfinishedBackups(m_registerPath);
    RegisterFile::removeAbandonedScratch(QFileInfo(m_registerPath).absolutePath());
    QString failure;
    std::optional<UncheckedBackup> copy;
    {
        BusyStep step(m_progress, QStringLiteral("Backing up the register"));
        copy = CopyIfChanged(*RegisterFile::open(m_registerPath), QDateTime::currentDateTime(), failure,
                             [&step](qint64 done, qint64 total) { step(done, total); });
    }
    if (!failure.isEmpty())
        fail(failure);
    if (!copy)
        return;
    auto checked = std::make_shared<BackupResult>();
    m_check.reset(QThread::create([copy = *copy, checked] { *checked = KeepIfSound(copy, BackupsKept); }));
    connect(m_check.get(), &QThread::finished, this, [this, checked] {
        if (!checked->failure.isEmpty())
            fail(checked->failure);
    });
    // Once start-up is over: beside the sort that runs next, the check
    // would slow the window's opening.
    QTimer::singleShot(0, m_check.get(), [check = m_check.get()] { check->start(QThread::LowPriority); });
}

void StartupBackup::fail(const QString &why)
{
    m_failure = QStringLiteral("no backup could be made in %1: %2")
                    .arg(QDir::toNativeSeparators(BackupFolder(m_registerPath)), why);
    emit failed();
}
