#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QThread;

// The backup made when a window opens its register: copied before this
// session writes and checked, on a thread of its own, so that the window
// opens as fast as without it.
class StartupBackup : public QObject {
    Q_OBJECT
public:
    StartupBackup(const QString &registerPath, QObject *parent);
    // Waits for the copy and its check.
    ~StartupBackup() override;

    // Copies the register when it changed since its newest backup; returns
    // once the state copied is fixed.
    void make();
    // Why no backup could be made, in words; empty when nothing failed.
    const QString &failure() const { return m_failure; }

signals:
    void failed();

private:
    void fail(const QString &why);

    QString m_registerPath;
    QString m_failure;
    std::unique_ptr<QThread> m_worker;
};
