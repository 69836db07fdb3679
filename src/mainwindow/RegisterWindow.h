#pragma once

#include "MessageBoxes.h"
#include "PasswordPrompt.h"
#include "RecentRegisters.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class QSettings;
class Sudregister;

// The program's window: the menu bar over the register's own window
// (Sudregister), which fills the area below it as designed. Opening another
// register replaces that window in this frame as at start-up.
class RegisterWindow : public QMainWindow {
    Q_OBJECT
public:
    // With `settings` the frame opens where its user left it and remembers
    // the recent registers; without, it keeps the designed size.
    explicit RegisterWindow(std::shared_ptr<MessageBoxes> boxes = nullptr, QSettings *settings = nullptr);
    ~RegisterWindow() override;

    // Opens the register at `path` (created empty when missing) in place of
    // the open one, whose pending edits are stored first and whose lock goes
    // with it. When `path` cannot be opened the failure is shown and the
    // last register opened again; a damaged one is offered its newest sound
    // backup instead. Returns whether `path`, or the backup the user chose
    // in its place, is open.
    bool openRegister(const QString &path);
    // The open register's window, or null when none could be opened.
    Sudregister *form() const { return m_form; }
    const RecentRegisters &recent() const { return m_recent; }
    // The user closed the window while a register was being opened: the
    // opening was given up and the program is to end.
    bool closedWhileOpening() const { return m_closedWhileStarting; }

    // How the menus ask for a file and show a folder: dialogs and the
    // desktop unless a test answers. An empty answer is a cancel.
    std::function<QString(const QString &folder)> askRegisterToOpen;
    std::function<QString(const QString &folder)> askNewRegister;
    std::function<QStringList(const QString &folder)> askFilesToImport;
    std::function<bool(const QString &folder)> showFolder;
    // The address of a shared register to open; empty for a cancel.
    std::function<QString()> askSharedAddress;
    // A shared register's password, asked once per opening and never kept.
    PasswordPrompt askPassword;

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void createMenus();
    void fillRecentMenu();
    void fillEditMenu();
    // Opens the register at `path` in a new window of its own, shown in
    // this frame before it reads the register. Throws StoreError.
    void start(const QString &path);
    void install(Sudregister *form);
    // Lets the open register's window go, its edits stored; false when the
    // user keeps it open.
    bool closeForm();
    void dropForm();
    QString currentFolder() const;
    void newRegister();
    void openRecent(const QString &path);
    void importFiles();
    void openBackupsFolder();
    void about();

    std::shared_ptr<MessageBoxes> m_boxes;
    QSettings *m_settings;
    RecentRegisters m_recent;
    Sudregister *m_form = nullptr;
    QMenu *m_recentMenu = nullptr;
    QMenu *m_editMenu = nullptr;
    QMenu *m_fileMenu = nullptr;
    // The open register's export and print entries stand in the File menu
    // before this.
    QAction *m_printEntriesEnd = nullptr;
    // The form owns them: one that went with its form is gone from the menu.
    QList<QPointer<QAction>> m_printEntries;
    // The register window's own View entries (the filter row), before this.
    QMenu *m_viewMenu = nullptr;
    QAction *m_viewEntriesEnd = nullptr;
    QList<QPointer<QAction>> m_viewEntries;
    bool m_sized = false;
    // A register is being opened; closed meanwhile, the program ends once
    // the opening has stopped.
    bool m_starting = false;
    bool m_closedWhileStarting = false;
};
