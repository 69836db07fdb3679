// The window's controls: made where they were designed, in twips, and
// arranged again whenever the window's size changes.
#include "Sudregister.h"

#include "BreweryColumns.h"
#include "CityJumpCut.h"
#include "FilterHeader.h"
#include "FilterRow.h"
#include "FindField.h"
#include "Register.h"
#include "RegisterGuard.h"
#include "ScreenFit.h"
#include "SortDirection.h"
#include "ToolBoxLayout.h"
#include "WheelGuard.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

namespace {

// The designed window and tool box, in twips.
constexpr QSize FirstSize(11760, 8175);
constexpr QSize ToolBoxSize(12255, 1815);
// A sort key's direction, beside its list: a square the list's height.
constexpr int SortDirectionTwips = 315;

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

void Sudregister::createControls()
{
    setWindowTitle(QStringLiteral("Sudregister Prototype Program"));
    // In the desktop's font, the designed size grown with it; never larger
    // than the screen.
    resize(fittedToScreen(QSize(m_layout.scale().pixels(FirstSize.width()), m_layout.scale().pixels(FirstSize.height())), *this));

    lblTitle = label(this, "lblTitle", QStringLiteral("Sudregister"), Qt::AlignHCenter);
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(m_layout.scale().points(13.5));
    lblTitle->setFont(titleFont);
    lblTitle->setFrameStyle(QFrame::Box | QFrame::Plain);
    lblTitle->setLineWidth(1);
    lblTitle->setAutoFillBackground(true);
    lblTitle->setBackgroundRole(QPalette::Dark);
    m_layout.place(lblTitle, 240, 360, 9735, 495);

    dsBrewery = m_register->breweries();
    dsBreweryChronik = m_register->chroniks();

    m_filterCaptions = new FilterHeader;
    grdBrauerien = named(new DataGrid(this, m_filterCaptions), "grdBrauerien");
    for (const BreweryColumn &column : BreweryColumns)
        grdBrauerien->addColumn(column.field, column.field);
    grdBrauerien->setAllowAddNew(true);
    grdBrauerien->setAllowDelete(true);
    grdBrauerien->setAllowUpdate(true);
    grdBrauerien->setDataSource(dsBrewery);
    m_layout.place(grdBrauerien, 360, 960, 11415, 1935);

    grdChronik = named(new DataGrid(this), "grdChronik");
    for (const char *field : {"BreweryNameLong", "IdCode", "BreweryName", "StartYear", "StopYear", "ParentRowId"})
        grdChronik->addColumn(QLatin1String(field), QLatin1String(field));
    grdChronik->setDataSource(dsBreweryChronik);
    grdChronik->setEnabled(false);
    m_layout.place(grdChronik, 360, 3360, 9855, 2055);

    fraToolBox = named(new QGroupBox(this), "fraToolBox");
    m_layout.place(fraToolBox, 480, 5760, ToolBoxSize.width(), ToolBoxSize.height());
    m_layout.arrangeIn({this, lblTitle, grdBrauerien, grdChronik, fraToolBox}, ToolBoxSize, FirstSize.width());

    Label1 = named(new SizingLabel(QStringLiteral("Label1 Invisible"), this), "Label1");
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_layout.place(Label1, 7680, 5040, 1095, 195);

    createToolBox();
    m_layout.limitSize();
}

void Sudregister::createToolBox()
{
    QWidget *box = fraToolBox;
    Label4 = label(box, "Label4", QStringLiteral("&Jump to :"), Qt::AlignRight);
    m_layout.place(Label4, 240, 330, 735, 195);
    cboBrauereiJump = named(new QComboBox(box), "cboBrauereiJump");
    cboBrauereiJump->setModel(new CityJumpCut(cboBrauereiJump));
    cboBrauereiJump->installEventFilter(this);
    m_layout.place(cboBrauereiJump, 1080, 270, 1335, 315);
    cmdNewBrewery = named(new QPushButton(QStringLiteral("&New Brauerei"), box), "cmdNewBrewery");
    m_layout.place(cmdNewBrewery, 2520, 240, 1215, 375);
    Label2 = label(box, "Label2", QStringLiteral("Brewery Count ="), Qt::AlignRight);
    m_layout.place(Label2, 4080, 300, 1215, 255);
    lblBreweryCount = label(box, "lblBreweryCount", QStringLiteral("Count"), Qt::AlignLeft);
    m_layout.place(lblBreweryCount, 5400, 300, 615, 255);
    // The bottom line first: the find tells it what it found.
    lblMessage = label(box, "lblMessage", QStringLiteral("lblMessage"), Qt::AlignLeft);
    lblMessage->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_layout.place(lblMessage, 120, 720, 11775, 375);
    m_find = new FindField(*m_register, *m_work, lblMessage, box, grdBrauerien, [this](bool whole) {
        // The list read anew or narrowed: counted, its history shown; the
        // jump list is cut anew from it when next opened.
        setBreweryCount(dsBrewery->Recordset().RecordCount());
        grdBrauerien->setApproxCount(BreweryCount() + 1);
        cboBrauereiJump->clear();
        ShowChronik();
        if (whole)
            m_guard->showRegisterMessage();
    });
    m_filters = new FilterRow(*m_filterCaptions, *grdBrauerien, *m_find, m_remembered.settings(), this);
    lblFind = m_find->caption();
    txtFind = m_find->field();
    m_layout.place(lblFind, 6240, 300, 435, 255);
    m_layout.place(txtFind, 6720, 270, 2880, 315);
    addAction(m_find->action());
    addActions({m_filters->showAction(), m_filters->clearAction()});
    // In the free stretch between the count and Report.
    cmdTimeline = named(new QPushButton(QStringLiteral("&Timeline"), box), "cmdTimeline");
    m_layout.place(cmdTimeline, 9720, 240, 975, 375);
    cmdReport = named(new QPushButton(QStringLiteral("&Report"), box), "cmdReport");
    m_layout.place(cmdReport, 10800, 240, 975, 375);

    // Hidden controls kept from the original design; they have no reactions.
    cmdLoad = named(new QPushButton(QStringLiteral("Load"), box), "cmdLoad");
    m_layout.place(cmdLoad, 120, 720, 1095, 375);
    cmdSave = named(new QPushButton(QStringLiteral("Save"), box), "cmdSave");
    m_layout.place(cmdSave, 1440, 720, 1095, 375);
    txtInputFileName = named(new QLineEdit(QStringLiteral("Sudregister.ini"), box), "txtInputFileName");
    m_layout.place(txtInputFileName, 2760, 720, 1635, 375);
    cmdSort = named(new QPushButton(QStringLiteral("Sort"), box), "cmdSort");
    m_layout.place(cmdSort, 4560, 720, 1095, 375);
    cmdNotes = named(new QPushButton(QStringLiteral("Notes to Programmer"), box), "cmdNotes");
    m_layout.place(cmdNotes, 6480, 720, 2055, 375);
    for (QWidget *hidden : {static_cast<QWidget *>(cmdLoad), static_cast<QWidget *>(cmdSave),
                            static_cast<QWidget *>(txtInputFileName), static_cast<QWidget *>(cmdSort),
                            static_cast<QWidget *>(cmdNotes)})
        hidden->hide();

    Label5 = label(box, "Label5", QStringLiteral("&Sort :"), Qt::AlignRight);
    m_layout.place(Label5, 255, 1410, 735, 195);
    // Each list leaves the end of its designed place to its direction.
    cmbSort1 = named(new QComboBox(box), "cmbSort1");
    m_layout.place(cmbSort1, 1215, 1320, 2415 - SortDirectionTwips, 315);
    tglSort1 = named(new SortDirection(box), "tglSort1");
    m_layout.place(tglSort1, 3600 - SortDirectionTwips, 1320, SortDirectionTwips, 315);
    cmbSort2 = named(new QComboBox(box), "cmbSort2");
    m_layout.place(cmbSort2, 3600, 1320, 2415 - SortDirectionTwips, 315);
    tglSort2 = named(new SortDirection(box), "tglSort2");
    m_layout.place(tglSort2, 6000 - SortDirectionTwips, 1320, SortDirectionTwips, 315);
    cmbSort3 = named(new QComboBox(box), "cmbSort3");
    m_layout.place(cmbSort3, 6000, 1320, 2415 - SortDirectionTwips, 315);
    tglSort3 = named(new SortDirection(box), "tglSort3");
    for (QComboBox *list : {cmbSort1, cmbSort2, cmbSort3}) {
        for (const BreweryColumn &column : BreweryColumns)
            list->addItem(column.sortCaption);
        list->setCurrentIndex(-1);
    }
    Label3 = label(box, "Label3", QStringLiteral("Left column, 'Delete' Key will delete a Brewery"), Qt::AlignLeft);
    m_layout.place(Label3, 8760, 1320, 3375, 255);
    Label3->setWordWrap(true);

    // A right-aligned caption that the font makes wider than its place grows
    // to the left rather than losing its first letters.
    for (QLabel *caption : {Label4, Label2, lblFind, Label5}) {
        const int overflow = caption->sizeHint().width() - caption->width();
        if (overflow > 0)
            caption->setGeometry(caption->x() - overflow, caption->y(), caption->width() + overflow, caption->height());
    }

    for (QComboBox *list : {cboBrauereiJump, cmbSort1, cmbSort2, cmbSort3})
        WheelGuard::guard(list);

    // The third sort list grows to the right until its longest caption
    // shows whole.
    cmbSort3->resize(std::max(cmbSort3->width(), cmbSort3->sizeHint().width()), cmbSort3->height());
    tglSort3->setGeometry(cmbSort3->geometry().right() + 1, cmbSort3->y(), tglSort2->width(), cmbSort3->height());
    ToolBoxLayout &toolBox = m_layout.toolBox();
    toolBox.addGroup(0, {Label4, cboBrauereiJump});
    toolBox.addGroup(0, {cmdNewBrewery});
    toolBox.addGroup(0, {Label2, lblBreweryCount});
    toolBox.addGroup(0, {lblFind, txtFind});
    toolBox.addGroup(0, {cmdTimeline, cmdReport});
    toolBox.setBottomLine(1, lblMessage);
    toolBox.addGroup(2, {Label5, cmbSort1, tglSort1, cmbSort2, tglSort2, cmbSort3, tglSort3});
    toolBox.setHint(2, Label3);

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
    // The directions after the lists, which keep their designed order.
    setTabOrder(cmbSort3, tglSort1);
    setTabOrder(tglSort1, tglSort2);
    setTabOrder(tglSort2, tglSort3);

    // What a screen reader says of each: a list by what it is for, not only
    // by the entry it shows. (On Linux Qt names a drop-down list by its
    // entry; its description and its label then tell the purpose.)
    Label4->setBuddy(cboBrauereiJump);
    Label5->setBuddy(cmbSort1);
    const std::pair<QWidget *, const char *> spoken[] = {
        {grdBrauerien, "Breweries"},
        {grdChronik, "History of the current brewery"},
        {cboBrauereiJump, "Jump to a block of cities"},
        {txtFind, "Find breweries"},
        {cmbSort1, "Sort key 1"},
        {cmbSort2, "Sort key 2"},
        {cmbSort3, "Sort key 3"},
    };
    for (const auto &[control, name] : spoken) {
        control->setAccessibleName(QString::fromLatin1(name));
        control->setAccessibleDescription(QString::fromLatin1(name));
    }
}

void Sudregister::ArrangeControls()
{
    if (!isMinimized())
        m_layout.arrange();
}

void Sudregister::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    ArrangeControls();
}
