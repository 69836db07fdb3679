#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QString>

// Another program holding the register: the stock sqlite3 shell in a write
// transaction, until release() ends it. A shared hold keeps out writers; an
// exclusive one keeps out readers too, as a program in the middle of
// writing a large change does.
class LockingShell {
public:
    enum class Hold { Writers, Everyone };

    explicit LockingShell(const QString &path, Hold hold = Hold::Writers)
    {
        m_shell.start(QStandardPaths::findExecutable("sqlite3"), {path});
        m_shell.waitForStarted();
        m_shell.write(hold == Hold::Writers ? "BEGIN IMMEDIATE;\nUPDATE Brewery SET StopYear = StopYear;\n"
                                            : "BEGIN EXCLUSIVE;\n");
        m_shell.write("SELECT 'held';\n");
        m_shell.waitForReadyRead(5000);
        m_held = m_shell.readAllStandardOutput().contains("held");
    }
    ~LockingShell() { release(); }
    bool held() const { return m_held; }
    void release()
    {
        if (m_shell.state() == QProcess::NotRunning)
            return;
        m_shell.write("ROLLBACK;\n.quit\n");
        m_shell.closeWriteChannel();
        m_shell.waitForFinished(5000);
    }

private:
    QProcess m_shell;
    bool m_held = false;
};
