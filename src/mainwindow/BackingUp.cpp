// The backup made when a window opens its register: copied before this
// session writes, under the window's progress; checked once the window is
// open, on a thread of its own, so that the window does not wait for it.
#include "Sudregister.h"

#include "BusyStep.h"
#include "RegisterBackup.h"
#include "RegisterFile.h"

#include <QDir>
#include <QLabel>
#include <QThread>
#include <QTimer>

namespace {

constexpr int BackupsKept = 10;

} // namespace

void Sudregister::backUpRegister()
{
    QString failure;
    std::optional<UncheckedBackup> copy;
    {
        BusyStep step(lblMessage, QStringLiteral("Backing up the register"));
        copy = CopyIfChanged(*RegisterFile::open(m_registerPath), QDateTime::currentDateTime(), failure,
                             [&step](qint64 done, qint64 total) { step(done, total); });
    }
    if (!failure.isEmpty())
        backupFailed(failure);
    if (!copy)
        return;
    auto checked = std::make_shared<BackupResult>();
    m_backupCheck.reset(QThread::create([copy = *copy, checked] { *checked = KeepIfSound(copy, BackupsKept); }));
    connect(m_backupCheck.get(), &QThread::finished, this, [this, checked] {
        if (!checked->failure.isEmpty())
            backupFailed(checked->failure);
    });
    // Once start-up is over: beside the sort that runs next, the check
    // would slow the window's opening.
    QTimer::singleShot(0, m_backupCheck.get(), [check = m_backupCheck.get()] { check->start(QThread::LowPriority); });
}

void Sudregister::backupFailed(const QString &why)
{
    m_backupFailure = QStringLiteral("no backup could be made in %1: %2")
                          .arg(QDir::toNativeSeparators(BackupFolder(m_registerPath)), why);
    // Said at once where the bottom line names the register; otherwise
    // the next time it does.
    if (lblMessage->text().startsWith(QStringLiteral("Register: ")))
        showRegisterMessage();
}
