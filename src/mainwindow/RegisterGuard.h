#pragma once

#include <QObject>
#include <memory>

class QLabel;
class ReactionScheduler;
class Register;
class StartupBackup;
class StoreError;
class VanishedRegister;

// What the window does to keep its register safe, and what it tells of it
// in the bottom line: the backup at start-up, the check of the file's pages
// beside the window, and the offer once another program deleted or replaced
// the file.
class RegisterGuard : public QObject {
    Q_OBJECT
public:
    RegisterGuard(Register &reg, ReactionScheduler &work, QLabel *bottomLine, QObject *parent);
    ~RegisterGuard() override;

    // Once the register is open: a copy of it as it was before this
    // session changes it, made beside the sort.
    void backUp();
    // Once the window shows the register: its pages are checked beside it.
    void checkPages();
    // "Register: …", read-only or not, and a backup that failed.
    void showRegisterMessage();
    // Reading the lists failed: a register another program holds is told
    // in the bottom line, since the grids try again by themselves; anything
    // else in a box.
    void readFailed(const StoreError &failure);
    // A write failed: when the file has gone, offers to save it again.
    void offer(const StoreError &failure);
    // True once the file has gone: what was typed can no longer be stored.
    bool fileGone() const;

signals:
    // The register is to be opened anew in its place.
    void reopenRequested();
    // The check of the pages found the file damaged.
    void registerDamaged(const QString &message);

private:
    void watchPageCheck();

    Register &m_register;
    ReactionScheduler &m_work;
    QLabel *m_bottomLine;
    StartupBackup *m_backup;
    std::unique_ptr<VanishedRegister> m_vanished;
};
