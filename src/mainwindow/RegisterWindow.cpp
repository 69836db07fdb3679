#include "RegisterWindow.h"

#include "DamagedRegister.h"
#include "MenuExport.h"
#include "MenuHistory.h"
#include "RegisterPlace.h"
#include "RegisterPrinting.h"
#include "ScreenFit.h"
#include "StoreError.h"
#include "Sudregister.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <QSettings>
#include <QUrl>
#include <utility>

namespace {

const QString Geometry = QStringLiteral("mainWindow/geometry");
// The title while no register is open; an open one's window names its own.
const QString EmptyTitle = QStringLiteral("Sudregister Prototype Program");
const QString RegisterFilter = QStringLiteral("Registers (*.mdb);;All files (*)");
const QString ImportFilter = QStringLiteral("Reports, workbooks and CSV (*.lst *.xlsx *.ods *.csv);;Saved reports "
                                           "(*.lst);;Workbooks (*.xlsx *.ods);;CSV files (*.csv);;All files (*)");

// A window smaller than this, or with less than this of it on one screen,
// cannot be worked in (or found).
constexpr QSize UsableSize(320, 240);

bool usableOnAScreen(const QRect &frame)
{
    // In 64 bits, from the corners: a damaged setting's coordinates
    // overflow QRect's own width and height.
    const qint64 left = frame.left(), top = frame.top();
    const qint64 width = qint64(frame.right()) - left + 1, height = qint64(frame.bottom()) - top + 1;
    if (width < UsableSize.width() || height < UsableSize.height())
        return false;
    const auto overlap = [](qint64 from, qint64 length, qint64 screenFrom, qint64 screenLength) {
        return std::min(from + length, screenFrom + screenLength) - std::max(from, screenFrom);
    };
    const QList<QScreen *> screens = QGuiApplication::screens();
    return std::any_of(screens.begin(), screens.end(), [&](const QScreen *screen) {
        const QRect area = screen->availableGeometry();
        return overlap(left, width, area.x(), area.width()) >= UsableSize.width()
            && overlap(top, height, area.y(), area.height()) >= UsableSize.height();
    });
}

QAction *menuEntry(QMenu *menu, const char *name, const QString &text, QObject *context,
                   const std::function<void()> &triggered, QKeySequence::StandardKey key = QKeySequence::UnknownKey)
{
    QAction *action = menu->addAction(text);
    action->setObjectName(QLatin1String(name));
    if (key != QKeySequence::UnknownKey)
        action->setShortcut(key);
    QObject::connect(action, &QAction::triggered, context, triggered);
    return action;
}

} // namespace

RegisterWindow::RegisterWindow(std::shared_ptr<MessageBoxes> boxes, QSettings *settings)
    : m_boxes(boxes ? std::move(boxes) : std::make_shared<QtMessageBoxes>(this)), m_settings(settings),
      m_recent(settings)
{
    askRegisterToOpen = [this](const QString &folder) {
        return QFileDialog::getOpenFileName(this, QStringLiteral("Open Register"), folder, RegisterFilter);
    };
    askNewRegister = [this](const QString &folder) {
        // Never over an existing register: the name is checked after.
        return QFileDialog::getSaveFileName(this, QStringLiteral("New Register"), folder, RegisterFilter, nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    };
    askFilesToImport = [this](const QString &folder) {
        return QFileDialog::getOpenFileNames(this, QStringLiteral("Import"), folder, ImportFilter);
    };
    showFolder = [](const QString &folder) { return QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); };
    askSharedAddress = [this] {
        return QInputDialog::getText(this, QStringLiteral("Open Shared Register"),
                                     QStringLiteral("Address of the shared register, as "
                                                    "postgresql://user@host/database:"),
                                     QLineEdit::Normal, QStringLiteral("postgresql://"))
            .trimmed();
    };
    askPassword = [this](const QString &shown, const QString &user) -> std::optional<QString> {
        bool given = false;
        const QString password =
            QInputDialog::getText(this, QStringLiteral("Shared Register"),
                                  QStringLiteral("Password of %1 for the shared register %2:").arg(user, shown),
                                  QLineEdit::Password, QString(), &given);
        return given ? std::optional<QString>(password) : std::nullopt;
    };
    setWindowTitle(EmptyTitle);
    createMenus();
}

RegisterWindow::~RegisterWindow() = default;

void RegisterWindow::createMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    menuEntry(file, "actNewRegister", QStringLiteral("&New Register…"), this, [this] { newRegister(); },
              QKeySequence::New);
    menuEntry(file, "actOpenRegister", QStringLiteral("&Open Register…"), this,
              [this] {
                  const QString path = askRegisterToOpen(currentFolder());
                  if (!path.isEmpty())
                      openRegister(path);
              },
              QKeySequence::Open);
    menuEntry(file, "actOpenSharedRegister", QStringLiteral("Open S&hared Register…"), this, [this] {
        const QString address = askSharedAddress();
        if (!address.isEmpty() && address != QLatin1String("postgresql://")) {
            if (RegisterPlace(address).isShared())
                openRegister(address);
            else
                m_boxes->tell(QStringLiteral("\"%1\" is not the address of a shared register; it begins with "
                                             "postgresql://, as in postgresql://user@host/database.")
                                  .arg(address));
        }
    });
    m_recentMenu = file->addMenu(QStringLiteral("Open &Recent"));
    m_recentMenu->setObjectName(QStringLiteral("mnuRecent"));
    file->addSeparator();
    menuEntry(file, "actImport", QStringLiteral("&Import…"), this, [this] { importFiles(); });
    menuEntry(file, "actBackupsFolder", QStringLiteral("Open &Backups Folder"), this, [this] { openBackupsFolder(); });
    file->addSeparator();
    m_fileMenu = file;
    m_printEntriesEnd = file->addSeparator();
    menuEntry(file, "actQuit", QStringLiteral("&Quit"), this, [this] { close(); }, QKeySequence::Quit);

    m_editMenu = menuBar()->addMenu(QStringLiteral("&Edit"));

    QMenu *view = menuBar()->addMenu(QStringLiteral("&View"));
    menuEntry(view, "actReport", QStringLiteral("&Report"), this, [this] {
        if (m_form)
            m_form->cmdReport->click();
    });
    menuEntry(view, "actTimeline", QStringLiteral("&Timeline"), this, [this] {
        if (m_form)
            m_form->cmdTimeline->click();
    });
    view->addSeparator();
    m_viewMenu = view;
    m_viewEntriesEnd = view->addSeparator();
    menuEntry(view, "actCheckRegister", QStringLiteral("&Check Register…"), this, [this] {
        if (m_form)
            m_form->checkRegister();
    });

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    menuEntry(help, "actAbout", QStringLiteral("&About Sudregister"), this, [this] { about(); });
    fillRecentMenu();
}

void RegisterWindow::fillRecentMenu()
{
    m_recentMenu->clear();
    int number = 0;
    for (const QString &path : m_recent.paths()) {
        // An "&" in a path is shown, not taken as the entry's key.
        QAction *entry = m_recentMenu->addAction(QStringLiteral("&%1 %2").arg(++number).arg(
            QDir::toNativeSeparators(path).replace(QLatin1Char('&'), QStringLiteral("&&"))));
        connect(entry, &QAction::triggered, this, [this, path] { openRecent(path); });
    }
    m_recentMenu->setEnabled(!m_recent.paths().isEmpty());
}

void RegisterWindow::fillEditMenu()
{
    // Likewise its export and print entries, in the File menu.
    for (const QPointer<QAction> &entry : std::exchange(m_printEntries, {})) {
        if (entry)
            m_fileMenu->removeAction(entry);
    }
    if (m_form) {
        const QList<QAction *> entries = {m_form->exporting().action(), m_form->printing().printListAction(),
                                          m_form->printing().printSheetAction(), m_form->changes().compactAction()};
        for (QAction *entry : entries) {
            m_fileMenu->insertAction(m_printEntriesEnd, entry);
            m_printEntries << entry;
        }
    }

    for (const QPointer<QAction> &entry : std::exchange(m_viewEntries, {})) {
        if (entry)
            m_viewMenu->removeAction(entry);
    }
    for (QAction *entry : m_form ? m_form->viewActions() : QList<QAction *>{}) {
        m_viewMenu->insertAction(m_viewEntriesEnd, entry);
        m_viewEntries << entry;
    }

    // The register's window owns Undo, Redo and Find, with their keys; the
    // menu offers those of the register open now.
    m_editMenu->clear();
    for (QAction *action : m_form ? m_form->editActions() : QList<QAction *>{}) {
        if (action->objectName() == QLatin1String("actFind"))
            m_editMenu->addSeparator();
        m_editMenu->addAction(action);
    }
    m_editMenu->setEnabled(m_form != nullptr);
}

bool RegisterWindow::openRegister(const QString &path)
{
    const QString previous = m_form ? m_form->registerPath() : QString();
    if (!closeForm())
        return false;
    try {
        start(path);
        if (m_closedWhileStarting)
            return false;
    } catch (const StoreError &e) {
        // A damaged register is offered its newest sound backup.
        if (e.isDamaged()) {
            const std::optional<QString> instead =
                DamagedRegister::offerBackup(path, e.message(), *m_boxes, [] { return true; });
            if (instead && openRegister(*instead))
                return true;
        } else {
            m_boxes->critical(e.message(), ProgramTitle);
        }
        if (!previous.isEmpty()) {
            try {
                start(previous);
            } catch (const StoreError &again) {
                m_boxes->critical(again.message(), ProgramTitle);
            }
        }
        return false;
    }
    m_recent.opened(path);
    fillRecentMenu();
    return true;
}

bool RegisterWindow::closeForm()
{
    if (!m_form)
        return true;
    // Stores what was typed, or asks; the window stays when the user says so.
    if (!m_form->close())
        return false;
    dropForm();
    return true;
}

void RegisterWindow::dropForm()
{
    // Deleted now, not later: its lock must be gone before a register is
    // opened, which may be the same one.
    delete takeCentralWidget();
    m_form = nullptr;
    fillEditMenu();
    setWindowTitle(EmptyTitle);
}

void RegisterWindow::start(const QString &path)
{
    // The window shows at once, its grids empty and the bottom line telling
    // how far opening has come, however long the register takes to read.
    auto *form = new Sudregister(path, Sudregister::StartLater{}, m_boxes, this, m_settings);
    form->setPasswordPrompt(askPassword);
    install(form);
    // Its file saved again or replaced: the register is opened anew, once
    // the reaction that asked has ended.
    connect(m_form, &Sudregister::reopenRequested, this, [this, path] { openRegister(path); }, Qt::QueuedConnection);
    // Found damaged once open: its newest sound backup is offered; without
    // a choice the register stays open as it is.
    connect(
        m_form, &Sudregister::registerDamaged, this,
        [this, path](const QString &damage) {
            if (const std::optional<QString> instead =
                    DamagedRegister::offerBackup(path, damage, *m_boxes, [this] { return closeForm(); }))
                openRegister(*instead);
        },
        Qt::QueuedConnection);
    show();
    m_starting = true;
    try {
        m_form->start();
    } catch (const StoreError &) {
        m_starting = false;
        dropForm();
        if (m_closedWhileStarting)
            return;
        throw;
    }
    m_starting = false;
    // Closed while it read the register: nothing stays open, the lock goes.
    if (m_closedWhileStarting)
        dropForm();
}

void RegisterWindow::install(Sudregister *form)
{
    m_form = form;
    // The first register sets the frame's size: the designed window below
    // the menu bar, unless the user left the frame otherwise.
    if (!m_sized) {
        m_sized = true;
        const QSize designed =
            fittedToScreen(QSize(form->width(), form->height() + menuBar()->sizeHint().height()), *this);
        resize(designed);
        // A remembered place that is off every screen or too small to use
        // (another screen then, or a damaged setting) gives way to the
        // designed size on the primary screen.
        if (m_settings && m_settings->contains(Geometry)
            && (!restoreGeometry(m_settings->value(Geometry).toByteArray()) || !usableOnAScreen(frameGeometry()))) {
            setWindowState(Qt::WindowNoState);
            setGeometry(QRect(QGuiApplication::primaryScreen()->availableGeometry().topLeft() + QPoint(40, 40),
                              designed));
        }
    }
    setCentralWidget(form);
    form->show();
    setWindowTitle(form->windowTitle());
    connect(form, &QWidget::windowTitleChanged, this, &QWidget::setWindowTitle);
    fillEditMenu();
}

QString RegisterWindow::currentFolder() const
{
    return m_form ? m_form->registerPlace().documentsFolder() : QDir::homePath();
}

void RegisterWindow::newRegister()
{
    QString path = askNewRegister(currentFolder());
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".mdb");
    if (QFileInfo::exists(path)) {
        m_boxes->tell(QStringLiteral("%1 exists already; a new register is never written over it. Open Register… "
                                     "opens it.")
                          .arg(QDir::toNativeSeparators(path)));
        return;
    }
    openRegister(path);
}

void RegisterWindow::openRecent(const QString &path)
{
    // Opening would make a new, empty register in its place.
    if (!RegisterPlace(path).isShared() && !QFileInfo::exists(path)) {
        m_boxes->tell(QStringLiteral("The register %1 is no longer there; it leaves the list of recent registers.")
                          .arg(QDir::toNativeSeparators(path)));
        m_recent.forget(path);
        fillRecentMenu();
        return;
    }
    openRegister(path);
}

void RegisterWindow::importFiles()
{
    if (!m_form)
        return;
    const QStringList files = askFilesToImport(currentFolder());
    if (!files.isEmpty())
        m_form->importFiles(files);
}

void RegisterWindow::openBackupsFolder()
{
    if (!m_form)
        return;
    const QString folder = m_form->registerPlace().backupsFolder();
    if (!QFileInfo::exists(folder)) {
        m_boxes->tell(QStringLiteral("No backup of %1 has been made yet; the folder %2 is made with the first, when "
                                     "the register is opened after a change.")
                          .arg(m_form->registerPlace().shownName(), QDir::toNativeSeparators(folder)));
        return;
    }
    if (!showFolder(folder))
        m_boxes->tell(QStringLiteral("The folder %1 could not be shown.").arg(QDir::toNativeSeparators(folder)));
}

void RegisterWindow::about()
{
    QString text = QStringLiteral("Sudregister %1\nKeeps a register of breweries and their history.")
                       .arg(QCoreApplication::applicationVersion());
    if (m_form)
        text += QStringLiteral("\n\nRegister: %1\nBackups: %2\n%3")
                    .arg(m_form->registerPlace().shownName(),
                         QDir::toNativeSeparators(m_form->registerPlace().backupsFolder()), m_form->changes().sizeText());
    m_boxes->tell(text);
}

void RegisterWindow::closeEvent(QCloseEvent *event)
{
    // Nothing can have been typed into a register still being opened: the
    // window goes at once, and the opening stops once its step allows.
    if (m_starting) {
        m_closedWhileStarting = true;
        QMainWindow::closeEvent(event);
        return;
    }
    if (m_form && !m_form->close()) {
        event->ignore();
        return;
    }
    if (m_settings) {
        m_settings->setValue(Geometry, saveGeometry());
        m_settings->sync();
    }
    QMainWindow::closeEvent(event);
}

void RegisterWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // Back from another window or program: the register's window reads
    // what changed meanwhile.
    if (event->type() == QEvent::ActivationChange && m_form)
        QCoreApplication::sendEvent(m_form, event);
}
