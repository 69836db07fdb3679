#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QLabel;
class QThread;

// The backup made when a window opens its register: copied before this
// session writes, under the window's progress; checked once the window is
// open, on a thread of its own, so that the window does not wait for it.
class StartupBackup : public QObject {
    Q_OBJECT
public:
    StartupBackup(const QString &registerPath, QLabel *progress, QObject *parent);
    // Waits for the check, or runs it when it has not begun, so that no
    // unchecked copy is left under its scratch name.
    ~StartupBackup() override;

    // Copies the register when it changed since its newest backup.
    void make();
    // Why no backup could be made, in words; empty when nothing failed.
    const QString &failure() const { return m_failure; }

signals:
    void failed();

private:
    void fail(const QString &why);

    QString m_registerPath;
    QLabel *m_progress;
    QString m_failure;
    std::unique_ptr<QThread> m_check;
};
