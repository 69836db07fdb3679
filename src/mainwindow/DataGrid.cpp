// The grid's view: the cursor kept in step with the current record, the
// focus, the keys, and the row bookmarks the program's reactions use.
#include "DataGrid.h"

#include "Attempt.h"
#include "CellDelegate.h"
#include "DataSource.h"
#include "RecordsetModel.h"
#include "Twips.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <cmath>

namespace {

constexpr int SelectorWidth = 18;

} // namespace

DataGrid::DataGrid(QWidget *parent, QHeaderView *captions)
    : QTableView(parent), m_model(new RecordsetModel(events, this))
{
    if (captions)
        setHorizontalHeader(captions);
    setModel(m_model);
    setItemDelegate(new CellDelegate(this));
    setVerticalScrollMode(ScrollPerItem);
    setHorizontalScrollMode(ScrollPerItem);
    setSelectionMode(SingleSelection);
    setSelectionBehavior(SelectItems);
    setEditTriggers(DoubleClicked | EditKeyPressed | AnyKeyPressed);
    setWordWrap(false);
    setCornerButtonEnabled(false);

    // Fixed row heights: the view never measures rows, so 100,000 of them
    // cost no more than forty.
    QHeaderView *rows = verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(fontMetrics().height() + 6);
    rows->setFixedWidth(SelectorWidth);
    rows->setDefaultAlignment(Qt::AlignCenter);
    // The row selector at the left selects the whole row, ready for Delete;
    // with Ctrl, besides those selected already.
    connect(rows, &QHeaderView::sectionClicked, this, [this](int row) {
        selectWholeRow(row, QGuiApplication::keyboardModifiers().testFlag(Qt::ControlModifier));
    });

    QHeaderView *columns = horizontalHeader();
    columns->setStretchLastSection(false);
    columns->setHighlightSections(false);
    // A double click on a caption's edge fits the column to the rows in view.
    columns->setResizeContentsPrecision(0);
    connect(columns, &QHeaderView::sectionResized, this, [this](int index, int, int size) {
        // The user's width, taken back from the share of the room it has.
        if (!m_settingWidth && index < ColumnCount())
            m_widths[size_t(index)].twips = int(std::lround(toTwips(size) / m_spread));
    });
    connect(m_model, &RecordsetModel::stepFailed, this, &DataGrid::repaintAll);
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, &DataGrid::rememberCursor);
    // The row marker follows the current row when rows before it come or go.
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, [this] { m_model->setCurrentLine(currentLine()); });
    connect(m_model, &QAbstractItemModel::rowsInserted, this, [this] { m_model->setCurrentLine(currentLine()); });
    connect(qApp, &QApplication::focusChanged, this, &DataGrid::focusMoved);
}

DataGrid::~DataGrid()
{
    disconnect(qApp, &QApplication::focusChanged, this, &DataGrid::focusMoved);
}

void DataGrid::setDataSource(DataSource *source)
{
    if (DataSource *old = m_model->dataSource())
        disconnect(old, nullptr, this, nullptr);
    // The model hears of a new record set first, then the view places its
    // cursor on the rows the model now holds.
    m_model->setDataSource(source);
    connect(source, &DataSource::aboutToRefresh, this, &DataGrid::rememberFirstInView);
    connect(source, &DataSource::recordsetReplaced, this, &DataGrid::recordsetReplaced);
    connect(source, &DataSource::currentChanged, this, &DataGrid::followCurrentRecord);
    if (source->hasRecordset())
        recordsetReplaced();
}

DataSource *DataGrid::dataSource() const
{
    return m_model->dataSource();
}

void DataGrid::addColumn(const QString &caption, const QString &dataField)
{
    m_widths.push_back(ColumnWidth());
    const RecordsetModel::ProgramMoves following(*m_model);
    m_model->addColumn(caption, dataField);
    spreadColumns();
    for (int i = 0; i < ColumnCount(); ++i) {
        Columns(i).setVisible(m_widths[size_t(i)].visible);
        Columns(i).setAllowSizing(m_widths[size_t(i)].allowSizing);
    }
}

QString DataGrid::rowPrompt(std::initializer_list<int> columns)
{
    QString prompt;
    for (int column : columns)
        prompt += Columns(column).Text() + QLatin1Char(' ');
    return prompt;
}

void DataGrid::showColumnsInView()
{
    int shown = ColumnCount();
    while (shown > 0 && !m_widths[size_t(shown - 1)].visible)
        --shown;
    m_model->setShownColumns(shown);
}

void DataGrid::spreadColumns()
{
    // Wider than its columns, the grid shares the room left over between
    // them in proportion to their widths; the widths themselves stay the
    // user's. Room is kept for a vertical scroll bar, so that one coming or
    // going does not make the columns jump.
    qint64 columns = 0;
    for (int i = 0; i < m_model->columnCount(); ++i) {
        if (m_widths[size_t(i)].visible)
            columns += m_widths[size_t(i)].twips;
    }
    const int room = width() - 2 * frameWidth() - verticalHeader()->width()
        - style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const double pixels = double(columns) / TwipsPerPixel;
    m_spread = columns > 0 && room > pixels ? room / pixels : 1.0;
    std::vector<double> shown(m_widths.size(), 0.0);
    for (size_t i = 0; i < m_widths.size(); ++i)
        shown[i] = m_widths[i].visible ? m_widths[i].twips / TwipsPerPixel * m_spread : 0.0;
    m_squeezed = room < pixels;
    if (m_squeezed) {
        squeezeColumns(shown, room);
        m_measuredRows = m_model->rowCount() > 0;
    }
    // Rounded where the columns end, not one by one, so that columns of two
    // grids that end at the same width end at the same pixel.
    const QScopedValueRollback setting(m_settingWidth, true);
    double shownEnd = 0;
    int roundedEnd = 0;
    for (int i = 0; i < m_model->columnCount(); ++i) {
        if (!m_widths[size_t(i)].visible)
            continue;
        shownEnd += shown[size_t(i)];
        const int end = int(std::lround(shownEnd));
        horizontalHeader()->resizeSection(i, end - roundedEnd);
        roundedEnd = end;
    }
}

void DataGrid::squeezeColumns(std::vector<double> &shown, int room) const
{
    // Narrower than its columns, the grid gives each what its caption and
    // the values in view need, and shares the room left over in proportion
    // to what each wanted beyond that.
    std::vector<double> caption(shown.size(), 0.0);
    std::vector<double> need(shown.size(), 0.0);
    double needed = 0;
    double wanted = 0;
    for (size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] <= 0)
            continue;
        const int column = int(i);
        caption[i] = horizontalHeader()->sectionSizeHint(column);
        need[i] = std::max<double>(caption[i], m_model->rowCount() > 0 ? sizeHintForColumn(column) : 0);
        needed += need[i];
        wanted += std::max(0.0, shown[i] - need[i]);
    }
    if (needed > room) {
        // Too little room for every value in view: the longest are cut
        // (their tooltips show them whole) down to one width, the widest
        // that lets every column show. Only when the captions alone are too
        // wide does the grid scroll sideways.
        const auto width = [&](size_t i, double cut) { return std::max(caption[i], std::min(need[i], cut)); };
        const auto fits = [&](double cut) {
            double all = 0;
            for (size_t i = 0; i < shown.size(); ++i)
                all += shown[i] > 0 ? width(i, cut) : 0.0;
            return all <= room;
        };
        double low = 0;
        double high = *std::max_element(need.begin(), need.end());
        while (high - low > 0.5) {
            const double cut = (low + high) / 2;
            (fits(cut) ? low : high) = cut;
        }
        for (size_t i = 0; i < shown.size(); ++i) {
            if (shown[i] > 0)
                shown[i] = width(i, low);
        }
        return;
    }
    const double left = room - needed;
    for (size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] > 0)
            shown[i] = need[i] + (wanted > 0 ? left * std::max(0.0, shown[i] - need[i]) / wanted : 0.0);
    }
}

void DataGrid::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    spreadColumns();
    if (m_waitingNote)
        m_waitingNote->setGeometry(viewport()->rect());
}

void DataGrid::setWaitingNote(const QString &note)
{
    if (!m_waitingNote) {
        if (note.isEmpty())
            return;
        m_waitingNote = new QLabel(viewport());
        m_waitingNote->setAlignment(Qt::AlignCenter);
        // The rows under the note are another brewery's or none.
        m_waitingNote->setAutoFillBackground(true);
        m_waitingNote->setBackgroundRole(QPalette::Base);
    }
    m_waitingNote->setText(note);
    m_waitingNote->setGeometry(viewport()->rect());
    m_waitingNote->setVisible(!note.isEmpty());
    setEnabled(note.isEmpty());
}

QString DataGrid::waitingNote() const
{
    return m_waitingNote ? m_waitingNote->text() : QString();
}

int DataGrid::currentLine() const
{
    return currentIndex().row();
}

void DataGrid::rememberCursor()
{
    m_beforeReset = {std::max(currentIndex().column(), 0), verticalScrollBar()->value()};
}

void DataGrid::rememberFirstInView()
{
    m_firstKeyInView.reset();
    const DataSource *source = dataSource();
    const int first = verticalScrollBar()->value();
    if (source && source->hasRecordset() && first >= 0 && first < source->Recordset().RecordCount())
        m_firstKeyInView = source->Recordset().keyAt(first);
}

void DataGrid::recordsetReplaced()
{
    const RecordsetModel::ProgramMoves following(*m_model);
    // The rows are read anew, the cursor stays in its column and the rows
    // in view keep their places on screen, whatever other programs inserted
    // or deleted above them: a re-read that comes between a click and the
    // typing must send the text neither into another field nor into
    // another row. A current row that was in view stays where it was.
    const ::Recordset &rows = dataSource()->Recordset();
    const int position = rows.AbsolutePosition();
    int firstInView = m_beforeReset.firstRow;
    if (const int anchor = m_firstKeyInView ? rows.positionOf(*m_firstKeyInView) : -1; anchor >= 0)
        firstInView = anchor;
    m_firstKeyInView.reset();
    // The scroll range follows the new rows only at the next layout.
    updateGeometries();
    if (position >= 0)
        setCurrentIndex(m_model->index(position, m_beforeReset.column));
    if (position >= firstInView && position < firstInView + visibleRowCount())
        verticalScrollBar()->setValue(firstInView);
    else if (position > 0)
        scrollTo(m_model->index(position, m_beforeReset.column));
    else
        scrollToTop();
    // Squeezed columns measured before there were rows to measure: now
    // there are. Later lists keep the widths, so that a caption stays
    // under the mouse from one click to the next.
    if (m_squeezed && !m_measuredRows)
        spreadColumns();
}

void DataGrid::followCurrentRecord()
{
    DataSource *source = dataSource();
    if (!source || !source->hasRecordset())
        return;
    const int position = source->Recordset().AbsolutePosition();
    if (position < 0 || position == currentLine())
        return;
    const RecordsetModel::ProgramMoves following(*m_model);
    const QModelIndex target = m_model->index(position, std::max(currentIndex().column(), 0));
    setCurrentIndex(target);
    scrollTo(target);
}

void DataGrid::repaintAll()
{
    viewport()->update();
    verticalHeader()->viewport()->update();
}

void DataGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    const int row = current.row();
    const int last = previous.row();
    m_model->setCurrentLine(row);
    if (m_model->isChangingRows())
        return;
    if (row != last && m_model->hasPendingRow() && last == m_model->recordCount())
        commitPendingAdd();
    // The row left, while its values wait to be stored.
    std::optional<qint64> leftKey;
    if (row != last && last >= 0 && last < m_model->recordCount())
        leftKey = dataSource()->Recordset().keyAt(last);
    const std::optional<StoreError> failure = attempt([&] {
        DataSource *source = dataSource();
        if (row != last && source && source->hasRecordset()) {
            ::Recordset &set = source->Recordset();
            if (row >= 0 && row < set.RecordCount()) {
                if (set.AbsolutePosition() != row)
                    set.setAbsolutePosition(row);
            } else if (m_model->isNewRowLine(row) && set.AbsolutePosition() >= 0) {
                // The new-row line stands for no stored record.
                set.MoveLast();
                set.MoveNext();
            }
        }
        if (events.RowColChange)
            events.RowColChange(last, previous.column());
    });
    if (failure) {
        m_model->reread();
        if (const auto &told = events.MoveFailed ? events.MoveFailed : events.Failed)
            told(*failure);
    }
    if (leftKey && m_model->holdsUnstoredOf(*leftKey) && events.LeftUnstoredRow)
        events.LeftUnstoredRow(*leftKey);
}

void DataGrid::focusMoved(QWidget *old, QWidget *now)
{
    const auto inside = [this](QWidget *w) { return w && (w == this || isAncestorOf(w)); };
    // Only moves between controls of this window count: a message box or a
    // popup taking the focus for a moment is not the user turning away.
    if (!old || !now || old->window() != window() || now->window() != window())
        return;
    const std::function<void()> *reaction = nullptr;
    if (!inside(old) && inside(now))
        reaction = &events.FocusGained;
    else if (inside(old) && !inside(now))
        reaction = &events.FocusLost;
    if (!reaction)
        return;
    if (*reaction) {
        if (const std::optional<StoreError> failure = attempt(*reaction); failure && events.Failed)
            events.Failed(*failure);
    }
    if (reaction == &events.FocusLost)
        commitPendingAdd();
}

void DataGrid::deleteCurrentRow()
{
    const int row = currentLine();
    if (!m_model->removeRows(row, 1))
        return;
    ::Recordset &set = dataSource()->Recordset();
    if (set.RecordCount() > 0) {
        if (const auto failure = attempt([&] { set.setAbsolutePosition(std::min(row, set.RecordCount() - 1)); });
            failure && events.Failed)
            events.Failed(*failure);
    }
    followCurrentRecord();
}

bool DataGrid::commitPendingAdd()
{
    return m_model->commitPendingAdd();
}

bool DataGrid::commitEdits()
{
    QWidget *editor = QApplication::focusWidget();
    if (state() == EditingState && editor && isAncestorOf(editor)) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
    if (!commitPendingAdd())
        return false;
    const std::optional<StoreError> failure = attempt([this] { m_model->storeHeldBack(); });
    if (failure && !failure->isPassing() && events.Failed)
        events.Failed(*failure);
    return !m_model->holdsUnstored();
}

bool DataGrid::hasPendingRow() const
{
    return m_model->hasPendingRow();
}

bool DataGrid::AllowAddNew() const
{
    return m_model->allowAddNew();
}

void DataGrid::setAllowAddNew(bool allow)
{
    const RecordsetModel::ProgramMoves following(*m_model);
    m_model->setAllowAddNew(allow);
}

void DataGrid::setReadOnly(bool readOnly)
{
    const RecordsetModel::ProgramMoves following(*m_model);
    m_model->setReadOnly(readOnly);
}

bool DataGrid::AllowDelete() const
{
    return m_model->allowDelete();
}

void DataGrid::setAllowDelete(bool allow)
{
    m_model->setAllowDelete(allow);
}

bool DataGrid::AllowUpdate() const
{
    return m_model->allowUpdate();
}

void DataGrid::setAllowUpdate(bool allow)
{
    m_model->setAllowUpdate(allow);
}

void DataGrid::setAllowRowSizing(bool allow)
{
    m_allowRowSizing = allow;
    verticalHeader()->setSectionResizeMode(allow ? QHeaderView::Interactive : QHeaderView::Fixed);
}

bool DataGrid::ColumnHeaders() const
{
    return !horizontalHeader()->isHidden();
}

void DataGrid::setColumnHeaders(bool show)
{
    horizontalHeader()->setHidden(!show);
}

int DataGrid::visibleRowCount() const
{
    const int height = std::max(1, verticalHeader()->defaultSectionSize());
    return (viewport()->height() + height - 1) / height;
}

int DataGrid::Row() const
{
    const int line = currentLine();
    if (line < 0)
        return -1;
    const int relative = line - verticalScrollBar()->value();
    return relative >= 0 && relative < visibleRowCount() ? relative : -1;
}

void DataGrid::setRow(int row)
{
    const int target = verticalScrollBar()->value() + row;
    if (target < 0 || target >= m_model->rowCount())
        return;
    setCurrentIndex(m_model->index(target, std::max(currentIndex().column(), 0)));
}

QVariant DataGrid::FirstRow() const
{
    if (m_model->recordCount() == 0)
        return {};
    return verticalScrollBar()->value() + 1;
}

int DataGrid::RowBookmark(int row) const
{
    return verticalScrollBar()->value() + row + 1;
}

int DataGrid::AddNewMode() const
{
    if (m_model->hasPendingRow())
        return AddNewPending;
    return m_model->isNewRowLine(currentLine()) ? AddNewCurrent : NoAddNew;
}

void DataGrid::Scroll(int columns, int rows)
{
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() + columns);
    verticalScrollBar()->setValue(verticalScrollBar()->value() + rows);
}

void DataGrid::Refresh()
{
    m_model->reread();
    scrollToTop();
    repaintAll();
}

QList<qint64> DataGrid::selectedKeys() const
{
    QList<int> rows;
    for (const QModelIndex &selected : selectionModel()->selectedRows()) {
        if (selected.row() < m_model->recordCount())
            rows << selected.row();
    }
    std::sort(rows.begin(), rows.end());
    QList<qint64> keys;
    for (const int row : rows)
        keys << dataSource()->Recordset().keyAt(row);
    return keys;
}
