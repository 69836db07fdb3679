#include "Sudregister.h"

#include "Attempt.h"
#include "BreweryColumns.h"
#include "BusyStep.h"
#include "RecordsetModel.h"
#include "Register.h"
#include "RegisterFile.h"
#include "RegisterLock.h"
#include "StoreError.h"
#include "Twips.h"
#include "WheelGuard.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringListModel>
#include <QThread>
#include <QTimer>

namespace {

// How often the grids try again while another program holds the register.
constexpr int BusyRetryMs = 1000;

// Places a control at a position and size given in twips.
void place(QWidget *control, int left, int top, int width, int height)
{
    control->setGeometry(twips(left), twips(top), twips(width), twips(height));
}

template <typename Control> Control *named(Control *control, const char *name)
{
    control->setObjectName(QLatin1String(name));
    return control;
}

QLabel *label(QWidget *parent, const char *name, const QString &caption, Qt::Alignment alignment)
{
    auto *control = named(new QLabel(caption, parent), name);
    control->setAlignment(alignment | Qt::AlignVCenter);
    return control;
}

} // namespace

Sudregister::Sudregister(const QString &registerPath, std::shared_ptr<MessageBoxes> boxes, QWidget *parent,
                         QSettings *settings)
    : Sudregister(registerPath, StartLater{}, std::move(boxes), parent, settings)
{
    start();
}

Sudregister::Sudregister(const QString &registerPath, StartLater, std::shared_ptr<MessageBoxes> boxes,
                         QWidget *parent, QSettings *settings)
    : QWidget(parent), m_boxes(boxes ? std::move(boxes) : std::make_shared<QtMessageBoxes>(this)),
      m_settings(settings), m_registerPath(registerPath)
{
    createControls();
}

void Sudregister::start()
{
    try {
        startUp();
    } catch (const StoreError &) {
        // A file refused as no register keeps no lock file beside it.
        if (m_lock)
            m_lock->discard();
        throw;
    }
    // Shown while it read the register, the window has its rows now.
    if (isVisible())
        m_shownOnce = true;
}

Sudregister::~Sudregister()
{
    // The backup's check reads only the copy; the window waits for it, or
    // runs it when it has not begun, so that no unchecked copy is left
    // under its scratch name.
    if (m_backupCheck) {
        if (!m_backupCheck->isRunning() && !m_backupCheck->isFinished())
            m_backupCheck->start();
        m_backupCheck->wait();
    }
}

void Sudregister::createControls()
{
    setWindowTitle(QStringLiteral("Sudregister Prototype Program"));
    resize(twips(11760), twips(8175));
    // The controls' sizes were drawn for an 8-point dialog font; a larger
    // one would cut the captions off.
    QFont dialogFont = font();
    dialogFont.setPointSize(8);
    setFont(dialogFont);

    lblTitle = label(this, "lblTitle", QStringLiteral("Sudregister"), Qt::AlignHCenter);
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(13.5);
    lblTitle->setFont(titleFont);
    lblTitle->setFrameStyle(QFrame::Box | QFrame::Plain);
    lblTitle->setLineWidth(1);
    lblTitle->setAutoFillBackground(true);
    lblTitle->setBackgroundRole(QPalette::Dark);
    place(lblTitle, 240, 360, 9735, 495);

    m_register = new Register(this);
    dsBrewery = m_register->breweries();
    dsBreweryChronik = m_register->chroniks();

    grdBrauerien = named(new DataGrid(this), "grdBrauerien");
    for (const BreweryColumn &column : BreweryColumns)
        grdBrauerien->addColumn(column.field, column.field);
    grdBrauerien->setAllowAddNew(true);
    grdBrauerien->setAllowDelete(true);
    grdBrauerien->setAllowUpdate(true);
    grdBrauerien->setDataSource(dsBrewery);
    place(grdBrauerien, 360, 960, 11415, 1935);

    grdChronik = named(new DataGrid(this), "grdChronik");
    for (const char *field : {"BreweryNameLong", "IdCode", "BreweryName", "StartYear", "StopYear", "ParentRowId"})
        grdChronik->addColumn(QLatin1String(field), QLatin1String(field));
    grdChronik->setDataSource(dsBreweryChronik);
    grdChronik->setEnabled(false);
    place(grdChronik, 360, 3360, 9855, 2055);

    fraToolBox = named(new QGroupBox(this), "fraToolBox");
    place(fraToolBox, 480, 5760, 12255, 1815);

    Label1 = label(this, "Label1", QStringLiteral("Label1 Invisible"), Qt::AlignLeft);
    place(Label1, 7680, 5040, 1095, 195);

    QWidget *box = fraToolBox;
    Label4 = label(box, "Label4", QStringLiteral("Jump to :"), Qt::AlignRight);
    place(Label4, 240, 330, 735, 195);
    cboBrauereiJump = named(new QComboBox(box), "cboBrauereiJump");
    // A plain list of texts: a million breweries make 25,000 entries, which
    // the combo box's own item model would build one object at a time.
    cboBrauereiJump->setModel(new QStringListModel(cboBrauereiJump));
    cboBrauereiJump->installEventFilter(this);
    connect(cboBrauereiJump, &QComboBox::activated, this, [this] { guard([this] { cboBrauereiJump_Click(); }); });
    place(cboBrauereiJump, 1080, 270, 1335, 315);
    cmdNewBrewery = named(new QPushButton(QStringLiteral("New Brauerei"), box), "cmdNewBrewery");
    place(cmdNewBrewery, 2520, 240, 1215, 375);
    Label2 = label(box, "Label2", QStringLiteral("Brewery Count ="), Qt::AlignRight);
    place(Label2, 4080, 300, 1215, 255);
    lblBreweryCount = label(box, "lblBreweryCount", QStringLiteral("Count"), Qt::AlignLeft);
    place(lblBreweryCount, 5400, 300, 615, 255);
    createFindControls(box);
    // In the free stretch between the count and Report.
    cmdTimeline = named(new QPushButton(QStringLiteral("Timeline"), box), "cmdTimeline");
    place(cmdTimeline, 9720, 240, 975, 375);
    cmdReport = named(new QPushButton(QStringLiteral("Report"), box), "cmdReport");
    place(cmdReport, 10800, 240, 975, 375);
    lblMessage = label(box, "lblMessage", QStringLiteral("lblMessage"), Qt::AlignLeft);
    lblMessage->setFrameStyle(QFrame::Box | QFrame::Plain);
    place(lblMessage, 120, 720, 11775, 375);

    // Hidden controls kept from the original design; they have no reactions.
    cmdLoad = named(new QPushButton(QStringLiteral("Load"), box), "cmdLoad");
    place(cmdLoad, 120, 720, 1095, 375);
    cmdSave = named(new QPushButton(QStringLiteral("Save"), box), "cmdSave");
    place(cmdSave, 1440, 720, 1095, 375);
    txtInputFileName = named(new QLineEdit(QStringLiteral("Sudregister.ini"), box), "txtInputFileName");
    place(txtInputFileName, 2760, 720, 1635, 375);
    cmdSort = named(new QPushButton(QStringLiteral("Sort"), box), "cmdSort");
    place(cmdSort, 4560, 720, 1095, 375);
    cmdNotes = named(new QPushButton(QStringLiteral("Notes to Programmer"), box), "cmdNotes");
    place(cmdNotes, 6480, 720, 2055, 375);
    for (QWidget *hidden : {static_cast<QWidget *>(cmdLoad), static_cast<QWidget *>(cmdSave),
                            static_cast<QWidget *>(txtInputFileName), static_cast<QWidget *>(cmdSort),
                            static_cast<QWidget *>(cmdNotes)})
        hidden->hide();

    Label5 = label(box, "Label5", QStringLiteral("Sort :"), Qt::AlignRight);
    place(Label5, 255, 1410, 735, 195);
    cmbSort1 = named(new QComboBox(box), "cmbSort1");
    place(cmbSort1, 1215, 1320, 2415, 315);
    cmbSort2 = named(new QComboBox(box), "cmbSort2");
    place(cmbSort2, 3600, 1320, 2415, 315);
    cmbSort3 = named(new QComboBox(box), "cmbSort3");
    place(cmbSort3, 6000, 1320, 2415, 315);
    for (QComboBox *list : {cmbSort1, cmbSort2, cmbSort3}) {
        for (const BreweryColumn &column : BreweryColumns)
            list->addItem(column.sortCaption);
        list->setCurrentIndex(-1);
        connect(list, &QComboBox::activated, this, [this, list] { sortList_Click(list); });
    }
    Label3 = label(box, "Label3", QStringLiteral("Left column, 'Delete' Key will delete a Brewery"), Qt::AlignLeft);
    place(Label3, 8760, 1320, 3375, 255);
    Label3->setWordWrap(true);

    // A right-aligned caption that the font makes wider than its place grows
    // to the left rather than losing its first letters.
    for (QLabel *caption : {Label4, Label2, Label5}) {
        const int overflow = caption->sizeHint().width() - caption->width();
        if (overflow > 0)
            caption->setGeometry(caption->x() - overflow, caption->y(), caption->width() + overflow, caption->height());
    }

    for (QComboBox *list : {cboBrauereiJump, cmbSort1, cmbSort2, cmbSort3})
        WheelGuard::guard(list);

    // The designed order, with the find field and Timeline in their places
    // on screen: between New Brauerei and Report.
    setTabOrder(grdBrauerien, cboBrauereiJump);
    setTabOrder(cboBrauereiJump, cmdNewBrewery);
    setTabOrder(cmdNewBrewery, txtFind);
    setTabOrder(txtFind, cmdTimeline);
    setTabOrder(cmdTimeline, cmdReport);
    setTabOrder(cmdReport, grdChronik);
    setTabOrder(grdChronik, cmbSort1);
    setTabOrder(cmbSort1, cmbSort2);
    setTabOrder(cmbSort2, cmbSort3);

    for (DataGrid *grid : {grdBrauerien, grdChronik}) {
        grid->events.Failed = [this](const StoreError &e) { showFailure(e); };
        grid->events.MoveFailed = [this](const StoreError &e) { showFailure(e, Telling::OncePerBusySpell); };
        grid->events.ReadFailed = [this](const StoreError &e) { readFailed(e); };
        grid->events.ReadRecovered = [this] { showRegisterMessage(); };
    }
    connectBreweryGrid();
    connectChronikGrid();
    createUndoActions();
    connect(cmdReport, &QPushButton::clicked, this, [this] { guard([this] { cmdReport_Click(); }); });
    connect(cmdTimeline, &QPushButton::clicked, this, [this] { guard([this] { cmdTimeline_Click(); }); });
    connect(cmdNewBrewery, &QPushButton::clicked, this, [this] { guard([this] { cmdNewBrewery_Click(); }); });
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
    // A register already open in another window is shown, not changed: two
    // windows writing one register would undo each other's work.
    // One that cannot be locked is shown read-only too, saying why.
    m_lock = RegisterLock::tryTake(m_registerPath, nullptr, &m_lockProblem);
    // A register not made yet cannot be made read-only: say why it is not.
    if (!m_lock && !QFileInfo::exists(m_registerPath))
        throw StoreError(QStringLiteral("Cannot make the register %1: %2.").arg(m_registerPath, m_lockProblem));
    m_register->open(m_registerPath, !m_lock);
    m_label1AutoSize = true;
    lblBreweryCount->setText(QStringLiteral("0"));
    SetupBreweryColumns();
    SetupChronikColumns();
    restoreLayout();
    grdBrauerien->setEnabled(true);
    grdChronik->setEnabled(true);
    Label1->hide();
    ArrangeControls();
    for (QPushButton *button : {cmdSort, cmdSave, cmdNewBrewery, cmdReport})
        button->setEnabled(true);
    // These selections raise the lists' Click reactions, which sort only
    // from a list that holds the focus; the one sort follows below.
    const std::array<int, 3> keys = rememberedSortKeys();
    SelectEntry(cmbSort1, keys[0]);
    SelectEntry(cmbSort2, keys[1]);
    SelectEntry(cmbSort3, keys[2]);
    // A copy of the register as it was before this session changes it,
    // made once the window is laid out: copying a large register takes a
    // moment, and the window shows it.
    if (m_lock)
        backUpRegister();
    SortBreweries();
    // A register this window may not write is shown as such, offering
    // nothing that would be refused only once the user had typed it.
    if (!m_lock || dsBrewery->file().isReadOnly()) {
        grdBrauerien->setReadOnly(true);
        grdChronik->setReadOnly(true);
        cmdNewBrewery->setEnabled(false);
        setWindowTitle(windowTitle() + QStringLiteral(" (read-only)"));
    } else {
        startUndo();
    }
    countBreweries();
    grdBrauerien->setApproxCount(BreweryCount() + 1);
    // The history grid opens on the first brewery's entries, not on the whole
    // table, so that what it shows always belongs to the current brewery.
    ShowChronik();
    showRegisterMessage();
    grdBrauerien->setFocus();
    // The find's index is made meanwhile, on the second core.
    m_findIndex.prepare(dsBrewery->file());
}

void Sudregister::countBreweries()
{
    ::Recordset &breweries = dsBrewery->Recordset();
    if (!breweries.Eof())
        breweries.MoveLast();
    QCoreApplication::processEvents();
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
    lblBreweryCount->resize(std::max(twips(615), lblBreweryCount->sizeHint().width()), lblBreweryCount->height());
}

void Sudregister::ArrangeControls()
{
    if (isMinimized())
        return;
    // Computed in single precision from values read back after each step,
    // as the layout has always been; every value passes through whole pixels.
    const auto left = [](QWidget *w) { return float(toTwips(w->x())); };
    const auto top = [](QWidget *w) { return float(toTwips(w->y())); };
    const auto height = [](QWidget *w) { return float(toTwips(w->height())); };
    const auto set = [](QWidget *w, float l, float t, float wd, float h) {
        place(w, int(std::lround(l)), int(std::lround(t)), int(std::lround(wd)), int(std::lround(h)));
    };
    const float W = float(toTwips(width()));
    const float H = float(toTwips(this->height()));

    set(lblTitle, 0.0f, 0.0f, W, height(lblTitle));
    set(grdBrauerien, 0.0f, height(lblTitle) + top(lblTitle), W, 0.4f * H);
    const float chronikHeight = H - height(lblTitle) - height(grdBrauerien) - height(fraToolBox);
    set(grdChronik, left(grdBrauerien), height(grdBrauerien) + top(grdBrauerien), W, std::max(0.0f, chronikHeight));
    set(fraToolBox, left(grdBrauerien), top(grdChronik) + height(grdChronik), float(toTwips(fraToolBox->width())),
        height(fraToolBox));
    fitToolBox();
}

void Sudregister::fitToolBox()
{
    // The tool box was drawn wider than the window, for a narrower font than
    // the one in use. Its controls keep their places; the third sort list
    // grows to the right until its longest caption shows whole, the hint
    // begins after it and wraps within what shows of the box, and the bottom
    // line ends there too.
    constexpr int Gap = 6;
    const int visibleRight = std::min(width() - fraToolBox->x(), fraToolBox->width()) - Gap;
    cmbSort3->resize(std::max(twips(2415), cmbSort3->sizeHint().width()), cmbSort3->height());
    const int hintLeft = std::max(twips(8760), cmbSort3->geometry().right() + Gap);
    const int hintWidth = std::max(twips(1500), visibleRight - hintLeft);
    Label3->setGeometry(hintLeft, Label3->y(), hintWidth, Label3->heightForWidth(hintWidth));
    lblMessage->resize(std::clamp(visibleRight - lblMessage->x(), twips(1500), twips(11775)), lblMessage->height());
}

void Sudregister::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    ArrangeControls();
}

void Sudregister::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Only a shown grid knows which rows are in view, and with them whether
    // the history grid may add entries.
    // A window shown early, while start-up still sorts, waits for its rows.
    if (!m_shownOnce && dsBrewery->hasRecordset()) {
        m_shownOnce = true;
        guard([this] { ShowChronik(); });
    }
}

void Sudregister::closeEvent(QCloseEvent *event)
{
    // What the user typed is stored before the window goes, or left behind
    // only when the user says so.
    for (;;) {
        bool stored = true;
        for (DataGrid *grid : {grdBrauerien, grdChronik}) {
            if (!guard([&] { stored = grid->commitEdits() && stored; }))
                stored = false;
        }
        if (stored)
            break;
        const MessageBoxes::Answer answer = m_boxes->ask(
            QStringLiteral("A new row could not be stored.\n\nYes: try again.\nNo: close and discard the new row.\n"
                           "Cancel: keep the window open."));
        if (answer == MessageBoxes::Answer::Yes)
            continue;
        if (answer == MessageBoxes::Answer::Cancel) {
            event->ignore();
            return;
        }
        for (DataGrid *grid : {grdBrauerien, grdChronik})
            grid->recordsetModel().cancelPendingAdd();
        break;
    }
    rememberLayout();
    QWidget::closeEvent(event);
}

void Sudregister::storePendingEdits()
{
    grdBrauerien->commitEdits();
    grdChronik->commitEdits();
}

void Sudregister::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        ArrangeControls();
    // Back from another window or program, which may have changed the
    // register meanwhile.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_shownOnce)
        guard([this] { syncWithRegister(); });
}

void Sudregister::SelectEntry(QComboBox *list, int index)
{
    list->setCurrentIndex(index);
    if (list == cmbSort1 || list == cmbSort2 || list == cmbSort3)
        sortList_Click(list);
    else if (list == cboBrauereiJump)
        cboBrauereiJump_Click();
}

bool Sudregister::guard(const std::function<void()> &reaction)
{
    // A step that lets the window repaint (a sort, the loading) lets queued
    // reactions through too: they run once it has ended, so that none
    // changes the lists the step is working on.
    if (BusyStep::running()) {
        BusyStep::whenIdle(this, [this, reaction] { guard(reaction); });
        return false;
    }
    const std::optional<StoreError> failure = attempt(reaction);
    if (failure)
        showFailure(*failure);
    return !failure;
}

void Sudregister::showFailure(const StoreError &error, Telling telling)
{
    if (error.isBusy()) {
        busyFailure(error, telling);
        return;
    }
    m_boxes->critical(error.message(), error.component());
    if (m_recovering)
        return;
    // The store left the file as it was; the grids read it again. The history
    // is queried anew, since an undone step may have removed rows from its
    // record set that are stored again now.
    m_recovering = true;
    const std::optional<StoreError> again = attempt([this] { readAgain(); });
    if (again)
        m_boxes->critical(again->message(), again->component());
    // A row changed or deleted elsewhere: the whole list is read anew, once
    // the grid has finished the step that failed.
    if (error.isRowChangedElsewhere())
        QMetaObject::invokeMethod(this, [this] { guard([this] { rereadRegister(); }); }, Qt::QueuedConnection);
    m_recovering = false;
    repaintGrids();
}

void Sudregister::repaintGrids()
{
    grdBrauerien->viewport()->update();
    grdChronik->viewport()->update();
}

void Sudregister::readAgain()
{
    if (!dsBrewery->hasRecordset())
        return;
    dsBrewery->Recordset().dropCache();
    ShowChronik();
}

void Sudregister::busyFailure(const StoreError &error, Telling telling)
{
    // Another program holding the register passes: the grids are read again
    // as soon as it is free (reading again at once would only wait for it
    // again), and a move of the cursor meeting it is told once, however many
    // moves meet it meanwhile. A refused write is always told.
    if (telling == Telling::Always || !m_busyTold)
        m_boxes->critical(error.message(), error.component());
    m_busyTold = true;
    if (!m_busyRetry) {
        m_busyRetry = new QTimer(this);
        m_busyRetry->setSingleShot(true);
        m_busyRetry->setInterval(BusyRetryMs);
        connect(m_busyRetry, &QTimer::timeout, this, [this] { BusyStep::whenIdle(this, [this] { retryAfterBusy(); }); });
    }
    m_busyRetry->start();
    repaintGrids();
}

void Sudregister::retryAfterBusy()
{
    const std::optional<StoreError> again = attempt([this] { readAgain(); });
    if (again && again->isBusy()) {
        m_busyRetry->start();
        return;
    }
    m_busyTold = false;
    if (again)
        showFailure(*again);
    else
        showRegisterMessage();
    repaintGrids();
}
