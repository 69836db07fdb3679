// The window's controls: made where they were designed, in twips, and
// arranged again whenever the window's size changes.
#include "Sudregister.h"

#include "BreweryColumns.h"
#include "FindField.h"
#include "GridSplitter.h"
#include "Register.h"
#include "RegisterGuard.h"
#include "ScreenFit.h"
#include "ToolBoxLayout.h"
#include "WheelGuard.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStringListModel>

namespace {

// The designed window and tool box, in twips.
constexpr QSize FirstSize(11760, 8175);
constexpr QSize ToolBoxSize(12255, 1815);

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

void Sudregister::place(QWidget *control, int left, int top, int width, int height) const
{
    control->setGeometry(m_scale.pixels(left), m_scale.pixels(top), m_scale.pixels(width), m_scale.pixels(height));
}

void Sudregister::createControls()
{
    setWindowTitle(QStringLiteral("Sudregister Prototype Program"));
    // In the desktop's font, the designed size grown with it; never larger
    // than the screen.
    resize(fittedToScreen(QSize(m_scale.pixels(FirstSize.width()), m_scale.pixels(FirstSize.height())), *this));

    lblTitle = label(this, "lblTitle", QStringLiteral("Sudregister"), Qt::AlignHCenter);
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(m_scale.points(13.5));
    lblTitle->setFont(titleFont);
    lblTitle->setFrameStyle(QFrame::Box | QFrame::Plain);
    lblTitle->setLineWidth(1);
    lblTitle->setAutoFillBackground(true);
    lblTitle->setBackgroundRole(QPalette::Dark);
    place(lblTitle, 240, 360, 9735, 495);

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
    place(fraToolBox, 480, 5760, ToolBoxSize.width(), ToolBoxSize.height());
    m_splitter = new GridSplitter(this);
    connect(m_splitter, &GridSplitter::dragged, this, &Sudregister::moveGridEdge);

    Label1 = named(new SizingLabel(QStringLiteral("Label1 Invisible"), this), "Label1");
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    place(Label1, 7680, 5040, 1095, 195);

    createToolBox();
    limitSize();
}

void Sudregister::createToolBox()
{
    QWidget *box = fraToolBox;
    Label4 = label(box, "Label4", QStringLiteral("&Jump to :"), Qt::AlignRight);
    place(Label4, 240, 330, 735, 195);
    cboBrauereiJump = named(new QComboBox(box), "cboBrauereiJump");
    // A plain list of texts: a million breweries make 25,000 entries, which
    // the combo box's own item model would build one object at a time.
    cboBrauereiJump->setModel(new QStringListModel(cboBrauereiJump));
    cboBrauereiJump->installEventFilter(this);
    place(cboBrauereiJump, 1080, 270, 1335, 315);
    cmdNewBrewery = named(new QPushButton(QStringLiteral("&New Brauerei"), box), "cmdNewBrewery");
    place(cmdNewBrewery, 2520, 240, 1215, 375);
    Label2 = label(box, "Label2", QStringLiteral("Brewery Count ="), Qt::AlignRight);
    place(Label2, 4080, 300, 1215, 255);
    lblBreweryCount = label(box, "lblBreweryCount", QStringLiteral("Count"), Qt::AlignLeft);
    place(lblBreweryCount, 5400, 300, 615, 255);
    // The bottom line first: the find tells it what it found.
    lblMessage = label(box, "lblMessage", QStringLiteral("lblMessage"), Qt::AlignLeft);
    lblMessage->setFrameStyle(QFrame::Box | QFrame::Plain);
    place(lblMessage, 120, 720, 11775, 375);
    m_find = new FindField(*m_register, *m_work, lblMessage, box, grdBrauerien, [this](bool whole) {
        listReplaced();
        if (whole)
            m_guard->showRegisterMessage();
    });
    lblFind = m_find->caption();
    txtFind = m_find->field();
    place(lblFind, 6240, 300, 435, 255);
    place(txtFind, 6720, 270, 2880, 315);
    addAction(m_find->action());
    // In the free stretch between the count and Report.
    cmdTimeline = named(new QPushButton(QStringLiteral("&Timeline"), box), "cmdTimeline");
    place(cmdTimeline, 9720, 240, 975, 375);
    cmdReport = named(new QPushButton(QStringLiteral("&Report"), box), "cmdReport");
    place(cmdReport, 10800, 240, 975, 375);

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

    Label5 = label(box, "Label5", QStringLiteral("&Sort :"), Qt::AlignRight);
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
    }
    Label3 = label(box, "Label3", QStringLiteral("Left column, 'Delete' Key will delete a Brewery"), Qt::AlignLeft);
    place(Label3, 8760, 1320, 3375, 255);
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
    m_toolBox = std::make_unique<ToolBoxLayout>(*fraToolBox, m_scale, ToolBoxSize, FirstSize.width());
    m_toolBox->addGroup(0, {Label4, cboBrauereiJump});
    m_toolBox->addGroup(0, {cmdNewBrewery});
    m_toolBox->addGroup(0, {Label2, lblBreweryCount});
    m_toolBox->addGroup(0, {lblFind, txtFind});
    m_toolBox->addGroup(0, {cmdTimeline, cmdReport});
    m_toolBox->setBottomLine(1, lblMessage);
    m_toolBox->addGroup(2, {Label5, cmbSort1, cmbSort2, cmbSort3});
    m_toolBox->setHint(2, Label3);

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

int Sudregister::gridMinimumHeight() const
{
    const DataGrid &grid = *grdBrauerien;
    return grid.horizontalHeader()->sizeHint().height() + 3 * grid.verticalHeader()->defaultSectionSize()
        + 2 * grid.frameWidth() + grid.horizontalScrollBar()->sizeHint().height();
}

void Sudregister::limitSize()
{
    // Every control shows: the tool box's groups, one under the other at
    // worst, and of each grid its captions and a few rows.
    const int narrowest = m_toolBox->minimumWidth();
    setMinimumSize(narrowest, lblTitle->height() + 2 * gridMinimumHeight() + m_toolBox->arrange(narrowest));
}

void Sudregister::ArrangeControls()
{
    if (isMinimized())
        return;
    // Computed in single precision from values read back after each step,
    // as the layout has always been; every value passes through whole
    // pixels. The twips are the designed ones, scaled by the font.
    const auto left = [this](QWidget *w) { return float(m_scale.designedTwips(w->x())); };
    const auto top = [this](QWidget *w) { return float(m_scale.designedTwips(w->y())); };
    const auto height = [this](QWidget *w) { return float(m_scale.designedTwips(w->height())); };
    const auto set = [this](QWidget *w, float l, float t, float wd, float h) {
        place(w, int(std::lround(l)), int(std::lround(t)), int(std::lround(wd)), int(std::lround(h)));
    };
    const float W = float(m_scale.designedTwips(width()));
    const float H = float(m_scale.designedTwips(this->height()));

    // The tool box first: narrower than drawn, its lines wrap and it grows.
    m_toolBox->arrange(width());
    set(lblTitle, 0.0f, 0.0f, W, height(lblTitle));
    // The brewery list takes its share of the height, as long as both grids
    // keep room for their captions and a few rows; with less room, its share
    // of what room there is.
    const float leastGrid = float(m_scale.designedTwips(gridMinimumHeight()));
    const float gridsRoom = H - height(lblTitle) - height(fraToolBox);
    const float breweryHeight = gridsRoom >= 2 * leastGrid
        ? std::clamp(m_breweryShare * H, leastGrid, gridsRoom - leastGrid)
        : m_breweryShare * std::max(0.0f, gridsRoom);
    set(grdBrauerien, 0.0f, height(lblTitle) + top(lblTitle), W, breweryHeight);
    const float chronikHeight = H - height(lblTitle) - height(grdBrauerien) - height(fraToolBox);
    set(grdChronik, left(grdBrauerien), height(grdBrauerien) + top(grdBrauerien), W, std::max(0.0f, chronikHeight));
    set(fraToolBox, left(grdBrauerien), top(grdChronik) + height(grdChronik),
        float(m_scale.designedTwips(fraToolBox->width())), height(fraToolBox));
    m_splitter->placeAt(grdChronik->y(), width());
}

void Sudregister::moveGridEdge(int y)
{
    const int height = this->height();
    if (height <= 0)
        return;
    m_breweryShare = float(y - grdBrauerien->y()) / float(height);
    ArrangeControls();
    // Held where it stopped, so that a drag beyond the least room of a grid
    // does not stick there.
    m_breweryShare = float(grdBrauerien->height()) / float(height);
}

void Sudregister::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    ArrangeControls();
}
