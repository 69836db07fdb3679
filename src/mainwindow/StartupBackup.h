#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QThread;
class Register;
struct BackupResult;

// The backup made when a window opens its register: copied before this
// session writes and checked, on a thread of its own, so that the window
// opens as fast as without it.
class StartupBackup : public QObject {
    Q_OBJECT
public:
    // `namedAs`: the path after which the backups are named, beside which
    // they are kept.
    StartupBackup(const QString &namedAs, QObject *parent);
    // Waits for the copy and its check.
    ~StartupBackup() override;

    // Copies the register when it changed since its newest backup; returns
    // once the state copied is fixed.
    void make();
    // For a shared register: keeps the copy `reg` made as it read the
    // server, when the register changed since its newest backup.
    void keepOpeningCopy(Register &reg);
    // Why no backup could be made, in words; empty when nothing failed.
    const QString &failure() const { return m_failure; }

signals:
    void failed();

private:
    void fail(const QString &why);
    // Runs `work` on the backup's thread and tells what failed in it.
    void startWorker(std::function<BackupResult()> work);

    QString m_namedAs;
    QString m_failure;
    std::unique_ptr<QThread> m_worker;
};
