// Start-up, the count, and the wiring of the controls to the reactions and
// to the window's other concerns.
#include "Sudregister.h"

#include "Attempt.h"
#include "BreweryColumns.h"
#include "BusyStep.h"
#include "FilterRow.h"
#include "FindField.h"
#include "MenuExport.h"
#include "MenuImport.h"
#include "MenuHistory.h"
#include "MenuMerge.h"
#include "MenuReplace.h"
#include "ReactionScheduler.h"
#include "RecordsetModel.h"
#include "Register.h"
#include "RegisterFile.h"
#include "RegisterGuard.h"
#include "RegisterPlace.h"
#include "RegisterSchema.h"
#include "RegisterPrinting.h"
#include "RegisterSync.h"
#include "RegisterUndo.h"
#include "SortDirection.h"
#include "StoreError.h"
#include "UndoRedo.h"
#include "ValueNotes.h"
#include "UnstoredEdits.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

Sudregister::Sudregister(const QString &registerPath, std::shared_ptr<MessageBoxes> boxes, QWidget *parent,
                         QSettings *settings)
    : Sudregister(registerPath, StartLater{}, std::move(boxes), parent, settings)
{
    start();
}

Sudregister::Sudregister(const QString &registerPath, StartLater, std::shared_ptr<MessageBoxes> boxes,
                         QWidget *parent, QSettings *settings)
    : QWidget(parent), m_register(new Register(registerPath, this)),
      m_work(new ReactionScheduler(boxes ? std::move(boxes) : std::make_shared<QtMessageBoxes>(this), this)),
      m_remembered(settings), m_layout(font())
{
    createControls();
    createConcerns();
    connectControls();
}

void Sudregister::start()
{
    try {
        startUp();
    } catch (const StoreError &) {
        // A file refused as no register keeps no lock file beside it.
        m_register->discardLock();
        throw;
    }
    // Shown while it read the register, the window has its rows now.
    if (isVisible())
        m_work->open();
    m_guard->checkPages();
}

Sudregister::~Sudregister()
{
    // An open cell editor would hand its text over while the controls are
    // taken down, to reactions of a window that is gone: it is stored now,
    // and nothing of the window runs after.
    if (!m_work->hasEnded() && m_register->isWritable())
        attempt([this] { storePendingEdits(); });
    m_work->end();
}

const QString &Sudregister::registerPath() const
{
    return m_register->path();
}

const RegisterPlace &Sudregister::registerPlace() const
{
    return m_register->place();
}

void Sudregister::setPasswordPrompt(PasswordPrompt prompt)
{
    m_register->setPasswordPrompt(std::move(prompt));
}

QList<QAction *> Sudregister::editActions() const
{
    return {m_undo->undoAction(), m_undo->redoAction(), m_find->action(), m_replace->action(), m_merge->action()};
}

QList<QAction *> Sudregister::viewActions() const
{
    return {m_filters->showAction(), m_filters->clearAction(), m_history->breweryAction(), m_history->registerAction(),
            m_history->editorsAction()};
}

void Sudregister::createConcerns()
{
    m_guard = new RegisterGuard(*m_register, *m_work, lblMessage, this);
    connect(m_guard, &RegisterGuard::reopenRequested, this, &Sudregister::reopenRequested);
    connect(m_guard, &RegisterGuard::registerDamaged, this, &Sudregister::registerDamaged);
    m_sync = std::make_unique<RegisterSync>(*m_register, *grdBrauerien, *grdChronik, *m_work, lblMessage, [this] {
        setBreweryCount(dsBrewery->Recordset().RecordCount());
        grdBrauerien->setApproxCount(BreweryCount() + 1);
        // The brewery may be the same, its history not.
        ShowChronik();
    });
    // What the register defers runs as the window's own work does.
    m_register->setScheduling({[this](std::function<void()> work) { m_work->run(work); },
                               [this](std::function<void()> work, int delayMs) { m_work->later(std::move(work), delayMs); }});
    // Another editor's commit to a shared register: the lists are read anew
    // once nothing is being typed, as after another program's change.
    connect(m_register, &Register::changedElsewhere, this, [this] { m_sync->windowActivated(); });
    connect(m_register, &Register::rowsChangedElsewhere, this,
            [this](const QList<qint64> &keys) { m_sync->placeChangedElsewhere(keys); });
    connect(m_register, &Register::sharedRegisterLost, this,
            [this](const QString &message) { m_work->connectionLost(message); });
    connect(m_register, &Register::sharedRegisterBack, this, [this] { m_work->connectionBack(); });
    // Steps and the history name a field as the grids caption it.
    const auto caption = [this](const QString &table, const QString &field) {
        DataGrid *grid =
            table.compare(RegisterSchema::BreweryTable, Qt::CaseInsensitive) == 0 ? grdBrauerien : grdChronik;
        for (int i = 0; i < grid->ColumnCount(); ++i) {
            if (grid->Columns(i).DataField().compare(field, Qt::CaseInsensitive) == 0)
                return grid->Columns(i).Caption();
        }
        return QString();
    };
    m_register->history().setFieldCaption(caption);
    m_undo = new UndoRedo(*m_register, *m_work, lblMessage, this,
                          {[this] { storePendingEdits(); }, [this](const QList<qint64> &breweries) { m_sync->placeBreweries(breweries); },
                           [this] { ShowChronik(); }});
    m_import = std::make_unique<MenuImport>(*m_register, *m_sync, *m_work, lblMessage, [this] { storePendingEdits(); });
    m_replace = new MenuReplace(*m_register, *m_sync, *m_work, *grdBrauerien, lblMessage, [this] { storePendingEdits(); });
    m_history = new MenuHistory({*m_register, *m_sync, *m_work, *grdBrauerien, lblMessage,
                                 [this] { storePendingEdits(); }, caption});
    m_merge = new MenuMerge(*m_register, *m_sync, *m_work, *grdBrauerien, lblMessage, [this] { storePendingEdits(); },
                            [this] { ShowChronik(); });
    m_printing = std::make_unique<RegisterPrinting>(
        RegisterPrinting::Window{*this, *grdBrauerien, *grdChronik, *dsBrewery, *dsBreweryChronik, lblMessage,
                                 QFileInfo(m_register->filePath()).fileName(), registerPlace().documentsFolder(),
                                 [this] {
                                     return OrderCaptions({cmbSort1->currentText(), cmbSort2->currentText(),
                                                           cmbSort3->currentText()});
                                 },
                                 [this] { return dsBrewery->isFiltered() ? txtFind->text().trimmed() : QString(); },
                                 [this] { return m_filters->description(); },
                                 [this](const std::function<void()> &print) {
                                     m_work->run([this, print] {
                                         storePendingEdits();
                                         print();
                                     });
                                 }},
        m_work->boxes(), m_remembered.settings());
    // A right click on a brewery prints its sheet or the list.
    grdBrauerien->setContextMenuPolicy(Qt::ActionsContextMenu);
    grdBrauerien->addActions({m_printing->printListAction(), m_printing->printSheetAction()});
    m_export = std::make_unique<MenuExport>(*this, *dsBrewery, m_work->boxes(), lblMessage, registerPlace().documentsFolder(),
                                            [this] { return registerPlace().identity(m_register->file()); },
                                            [this] { return m_filters->description(); });
    connect(m_export->action(), &QAction::triggered, this, [this] {
        m_work->run([this] {
            storePendingEdits();
            m_export->exportList();
        });
    });
    m_notes = std::make_unique<ValueNotes>(*grdBrauerien, *grdChronik, lblMessage,
                                           [this] { m_guard->showRegisterMessage(); }, m_remembered.settings());
    m_work->setRecovery({[this] {
                             // The history of the current brewery as stored, after a failure.
                             if (!dsBrewery->hasRecordset())
                                 return;
                             dsBrewery->Recordset().dropCache();
                             ShowChronik();
                         },
                         [this] { m_sync->reread(); },
                         [this] {
                             grdBrauerien->recordsetModel().storeHeldBack();
                             grdChronik->recordsetModel().storeHeldBack();
                         },
                         [this](const StoreError &e) { m_guard->offer(e); },
                         [this] { m_guard->showRegisterMessage(); },
                         [this] { grdChronik->setWaitingNote(QStringLiteral("waiting for the register…")); },
                         [this] {
                             grdBrauerien->viewport()->update();
                             grdChronik->viewport()->update();
                         }});
}

void Sudregister::connectControls()
{
    // Whatever the grids and the data sources do later goes through the
    // scheduler, and nothing of it once the window has ended.
    for (DataGrid *grid : {grdBrauerien, grdChronik}) {
        GridEvents &events = grid->events;
        events.Failed = m_work->whileOpen([this](const StoreError &e) { m_work->failed(e); });
        events.WriteKept = m_work->whileOpen(
            [this](const StoreError &e) { m_work->failed(e, ReactionScheduler::Telling::OncePerBusySpell); });
        events.LeftUnstoredRow = m_work->whileOpen([this, grid](qint64 key) {
            UnstoredEdits(*grdBrauerien, *grdChronik, *m_work, [this] { return m_guard->fileGone(); }).leftRow(*grid, key);
        });
        events.MoveFailed = m_work->whileOpen(
            [this](const StoreError &e) { m_work->failed(e, ReactionScheduler::Telling::Waiting); });
        events.ReadFailed = m_work->whileOpen([this](const StoreError &e) { m_guard->readFailed(e); });
        events.ReadRecovered = m_work->whileOpen([this] { m_guard->showRegisterMessage(); });
        events.Later = [this](int delayMs, std::function<void()> work) { m_work->later(std::move(work), delayMs); };
    }
    for (DataSource *source : {dsBrewery, dsBreweryChronik})
        source->setDeliverLater([this](std::function<void()> deliver) { m_work->later(std::move(deliver)); });
    connectBreweryGrid();
    connectChronikGrid();
    const auto button = [this](QPushButton *control, void (Sudregister::*reaction)()) {
        connect(control, &QPushButton::clicked, this, [this, reaction] { m_work->run([this, reaction] { (this->*reaction)(); }); });
    };
    button(cmdReport, &Sudregister::cmdReport_Click);
    button(cmdTimeline, &Sudregister::cmdTimeline_Click);
    button(cmdNewBrewery, &Sudregister::cmdNewBrewery_Click);
    connect(cboBrauereiJump, &QComboBox::activated, this, [this] { m_work->run([this] { cboBrauereiJump_Click(); }); });
    for (QComboBox *list : {cmbSort1, cmbSort2, cmbSort3})
        connect(list, &QComboBox::activated, this, [this, list] { sortList_Click(list); });
    for (SortDirection *direction : {tglSort1, tglSort2, tglSort3})
        connect(direction, &SortDirection::clicked, this, [this] { sortDirection_Click(); });
    grdBrauerien->horizontalHeader()->setSectionsClickable(true);
    connect(grdBrauerien->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { columnHeader_Click(column); });
    grdChronik->horizontalHeader()->setSectionsClickable(true);
    connect(grdChronik->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { chronikHeader_Click(column); });
    // The history grid follows the current brewery whichever way it changes:
    // a cell move, a re-sort, a jump, a reload, an insertion or a deletion.
    connect(dsBrewery, &DataSource::currentChanged, this, &Sudregister::currentBreweryChanged);
    // The count shown follows the breweries added and deleted in the grid;
    // BreweryCount keeps the figure last counted.
    for (auto rowsChanged : {&DataSource::rowAppended, &DataSource::rowRemoved})
        connect(dsBrewery, rowsChanged, this, [this] { showCount(dsBrewery->Recordset().RecordCount()); });
}

void Sudregister::startUp()
{
    {
        BusyStep reading(lblMessage, QStringLiteral("Reading the shared register"));
        m_register->open([&reading](qint64 done, qint64 total) { reading(done, total); });
    }
    Label1->setAutoSize(true);
    lblBreweryCount->setText(QStringLiteral("0"));
    SetupBreweryColumns();
    SetupChronikColumns();
    m_remembered.restore(*this, *grdBrauerien, *grdChronik);
    m_layout.setBreweryShare(m_remembered.breweryShare());
    grdBrauerien->setEnabled(true);
    grdChronik->setEnabled(true);
    Label1->hide();
    ArrangeControls();
    for (QPushButton *button : {cmdSort, cmdSave, cmdNewBrewery, cmdReport})
        button->setEnabled(true);
    // These selections raise the lists' Click reactions, which sort only
    // from a list that holds the focus; the one sort follows below.
    const std::array<int, 3> keys = m_remembered.sortKeys(cmbSort1->count());
    SelectEntry(cmbSort1, keys[0]);
    SelectEntry(cmbSort2, keys[1]);
    SelectEntry(cmbSort3, keys[2]);
    m_guard->backUp();
    SortBreweries();
    // A register this window may not write is shown as such, offering
    // nothing that would be refused only once the user had typed it.
    if (!m_register->isWritable()) {
        grdBrauerien->setReadOnly(true);
        grdChronik->setReadOnly(true);
        cmdNewBrewery->setEnabled(false);
        // Nothing can be deleted here: the hint would promise it.
        Label3->hide();
        setWindowTitle(windowTitle() + QStringLiteral(" (read-only)"));
    } else {
        m_undo->start();
    }
    countBreweries();
    grdBrauerien->setApproxCount(BreweryCount() + 1);
    // The history grid opens on the first brewery's entries, not on the whole
    // table, so that what it shows always belongs to the current brewery.
    ShowChronik();
    m_guard->showRegisterMessage();
    grdBrauerien->setFocus();
    m_find->prepare();
}

void Sudregister::countBreweries()
{
    if (!dsBrewery->Recordset().Eof())
        dsBrewery->Recordset().MoveLast();
    QCoreApplication::processEvents();
    // Taken after the events: a re-read they delivered replaces the list's
    // record set.
    ::Recordset &breweries = dsBrewery->Recordset();
    setBreweryCount(breweries.RecordCount());
    if (!breweries.Bof())
        breweries.MoveFirst();
}

void Sudregister::setBreweryCount(int count)
{
    m_breweryCount = count;
    showCount(count);
}

void Sudregister::showCount(int count)
{
    lblBreweryCount->setText(QString::number(count));
    // A count with more digits than the label was drawn for widens it
    // rather than losing its last ones.
    // Every added or deleted row is counted: the window is laid out again
    // only when the label's width changes.
    const int width = std::max(m_layout.scale().pixels(615), lblBreweryCount->sizeHint().width());
    if (width == lblBreweryCount->width())
        return;
    m_layout.toolBox().widen(lblBreweryCount, width);
    ArrangeControls();
}

void Sudregister::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Only a shown grid knows which rows are in view, and with them whether
    // the history grid may add entries.
    // A window shown early, while start-up still sorts, waits for its rows.
    if (!m_work->isOpen() && dsBrewery->hasRecordset()) {
        m_work->open();
        m_work->run([this] { ShowChronik(); });
    }
}

void Sudregister::closeEvent(QCloseEvent *event)
{
    // A long step (a sort, the loading) works on the lists: the window
    // closes once it has ended.
    if (BusyStep::running()) {
        event->ignore();
        m_work->run([this] { window()->close(); });
        return;
    }
    if (!UnstoredEdits(*grdBrauerien, *grdChronik, *m_work, [this] { return m_guard->fileGone(); })
             .storedBeforeClosing()) {
        event->ignore();
        return;
    }
    m_remembered.remember(*this, *grdBrauerien, *grdChronik,
                          {cmbSort1->currentIndex(), cmbSort2->currentIndex(), cmbSort3->currentIndex()},
                          m_layout.breweryShare());
    QWidget::closeEvent(event);
}

void Sudregister::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        ArrangeControls();
    // Back from another window or program, which may have changed the
    // register meanwhile.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_work->isOpen())
        m_sync->windowActivated();
}

void Sudregister::SelectEntry(QComboBox *list, int index)
{
    list->setCurrentIndex(index);
    if (list == cmbSort1 || list == cmbSort2 || list == cmbSort3)
        sortList_Click(list);
    else if (list == cboBrauereiJump)
        cboBrauereiJump_Click();
}

void Sudregister::storePendingEdits()
{
    grdBrauerien->commitEdits();
    grdChronik->commitEdits();
}

void Sudregister::syncWithRegister()
{
    m_sync->syncWithRegister();
}

void Sudregister::applyFind()
{
    m_find->apply();
}

bool Sudregister::importFiles(const QStringList &paths)
{
    return m_import->importFiles(paths);
}
